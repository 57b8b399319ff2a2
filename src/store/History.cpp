#include "store/History.h"

#include "core/Utility.h"
#include "storage/Engine.h"
#include "storage/Query.h"
#include "store/RecordColumns.h"

#include <QMap>

namespace Store {

namespace {

const QStringList& entryColumns()
{
    static const QStringList columns{
        QStringLiteral("Seq"),   QStringLiteral("Nitiji"),    QStringLiteral("Sousasya"),
        QStringLiteral("Sousa"), QStringLiteral("KojiCode"),  QStringLiteral("GozaiName"),
        QStringLiteral("Kubun"), QStringLiteral("KubunName"), QStringLiteral("Hiduke"),
        QStringLiteral("LNO"),   QStringLiteral("Mae"),       QStringLiteral("Ato"),
        QStringLiteral("Fuin"),  QStringLiteral("Hash")};
    return columns;
}

THistoryEntry entryOf(const Query& q)
{
    THistoryEntry e;
    e.seq = q.FieldInt(QStringLiteral("Seq"));
    e.when = q.FieldDateTime(QStringLiteral("Nitiji"));
    e.who = q.FieldText(QStringLiteral("Sousasya"));
    e.what = q.FieldText(QStringLiteral("Sousa"));
    e.kojiCode = q.FieldText(QStringLiteral("KojiCode"));
    e.gozaiName = q.FieldText(QStringLiteral("GozaiName"));
    e.kubun = q.FieldInt(QStringLiteral("Kubun"));
    e.kubunName = q.FieldText(QStringLiteral("KubunName"));
    const QDateTime day = q.FieldDateTime(QStringLiteral("Hiduke"));
    e.day = day == DayZero() ? QDateTime() : day;
    e.lno = q.FieldInt(QStringLiteral("LNO"));
    e.before = q.FieldText(QStringLiteral("Mae"));
    e.after = q.FieldText(QStringLiteral("Ato"));
    e.seal = q.FieldText(QStringLiteral("Fuin"));
    e.hash = q.FieldText(QStringLiteral("Hash"));
    return e;
}

QList<THistoryEntry> readEntries(Query& q)
{
    QList<THistoryEntry> entries;
    if (!HistoryKept())
        return entries;
    q.Open();
    for (; !q.Eof(); q.Next())
        entries << entryOf(q);
    return entries;
}

QDateTime dateTimeOf(const QVariant& v)
{
    return v.isNull() ? QDateTime() : Engine::DateTimeFromColumn(v);
}

} // namespace

THistoryTailRead::THistoryTailRead()
    : m_q(std::make_unique<Query>(
          QStringLiteral("select Seq, Hash from OndoRireki order by Seq desc limit 1")))
{
}

THistoryTailRead::~THistoryTailRead() = default;

std::vector<Query*> THistoryTailRead::queries()
{
    return {m_q.get()};
}

int THistoryTailRead::Seq() const
{
    return m_q->Eof() ? 0 : m_q->FieldInt(QStringLiteral("Seq"));
}

QString THistoryTailRead::Hash() const
{
    return m_q->Eof() ? QString() : m_q->FieldText(QStringLiteral("Hash"));
}

void WriteHistory(const std::vector<THistoryEntry>& written, const std::vector<TSealRow>& sealRows)
{
    Engine::TableRows entries{entryColumns(), {}};
    entries.rows.reserve(qsizetype(written.size()));
    for (const THistoryEntry& e : written)
        entries.rows.append({e.seq, Engine::DateTimeParameter(e.when), e.who, e.what, e.kojiCode,
                             e.gozaiName, e.kubun, e.kubunName,
                             e.day.isValid() ? Engine::DateTimeParameter(e.day) : QVariant(), e.lno,
                             e.before, e.after, e.seal, e.hash});
    // The old seals of the days go first, a thousand days a statement.
    QMap<int, QList<QDateTime>> days;
    for (const TSealRow& s : sealRows)
        days[s.kanriId] << s.day;
    for (auto it = days.cbegin(); it != days.cend(); ++it) {
        for (qsizetype from = 0; from < it.value().size(); from += 1000) {
            const QList<QDateTime> part = it.value().mid(from, 1000);
            Query del(QStringLiteral("delete from OndoFuin where KanriID = :A and Hiduke in ("));
            QStringList names;
            for (int i = 0; i < part.size(); ++i) {
                names << QStringLiteral(":D%1").arg(i);
                del.BindDateTime(QStringLiteral("D%1").arg(i), part.at(i));
            }
            del.Add(names.join(QLatin1Char(',')) + QLatin1Char(')'));
            del.BindInt(QStringLiteral("A"), it.key());
            del.ExecSQL();
        }
    }
    Engine::TableRows seals{{QStringLiteral("KanriID"), QStringLiteral("Hiduke"),
                             QStringLiteral("Fuin"), QStringLiteral("Rireki")},
                            {}};
    for (const TSealRow& s : sealRows) {
        if (!s.seal.isEmpty())
            seals.rows.append({s.kanriId, Engine::DateTimeParameter(s.day), s.seal, s.entry});
    }
    if (!entries.rows.isEmpty())
        Engine::InsertRows(QStringLiteral("OndoRireki"), entries);
    if (!seals.rows.isEmpty())
        Engine::InsertRows(QStringLiteral("OndoFuin"), seals);
}

bool HistoryKept()
{
    return Engine::TableExists(QStringLiteral("OndoRireki"));
}

QList<THistoryEntry> HistoryOf(const QString& kojiCode, const QString& gozaiName,
                               const QDateTime& from, const QDateTime& to,
                               const QString& everywhere)
{
    Query q(QStringLiteral("select * from OndoRireki where (KojiCode = :A"));
    q.BindText(QStringLiteral("A"), kojiCode);
    if (!gozaiName.isEmpty()) {
        q.Add(QStringLiteral("and GozaiName = :B"));
        q.BindText(QStringLiteral("B"), gozaiName);
    }
    if (from.isValid()) {
        q.Add(QStringLiteral("and Hiduke >= :C"));
        q.BindDateTime(QStringLiteral("C"), from);
    }
    if (to.isValid()) {
        q.Add(QStringLiteral("and Hiduke <= :D"));
        q.BindDateTime(QStringLiteral("D"), to);
    }
    q.Add(QStringLiteral(") or Sousa = :E order by Seq"));
    q.BindText(QStringLiteral("E"), everywhere);
    return readEntries(q);
}

QList<THistoryEntry> HistoryOfDay(const QString& kojiCode, const QString& gozaiName, int kubun,
                                  const QDateTime& day)
{
    Query q(QStringLiteral("select * from OndoRireki where KojiCode = :A and GozaiName = :B and "
                           "Kubun = :C and Hiduke = :D order by Seq"));
    q.BindText(QStringLiteral("A"), kojiCode);
    q.BindText(QStringLiteral("B"), gozaiName);
    q.BindInt(QStringLiteral("C"), kubun);
    q.BindDateTime(QStringLiteral("D"), day);
    return readEntries(q);
}

TDaySealRead::TDaySealRead(const QString& kojiCode, const QString& gozaiName, int kubun,
                           const QDateTime& day)
    : m_q(std::make_unique<Query>(
          QStringLiteral("select Fuin from OndoFuin inner join OndoKanri4 on OndoKanri4.ID = "
                         "OndoFuin.KanriID where KojiCode = :A and GozaiName = :B and "
                         "Kubun = :C and OndoFuin.Hiduke = :D")))
{
    m_q->BindText(QStringLiteral("A"), kojiCode);
    m_q->BindText(QStringLiteral("B"), gozaiName);
    m_q->BindInt(QStringLiteral("C"), kubun);
    m_q->BindDateTime(QStringLiteral("D"), day);
}

TDaySealRead::~TDaySealRead() = default;

std::vector<Query*> TDaySealRead::queries()
{
    return {m_q.get()};
}

QString TDaySealRead::Seal() const
{
    return m_q->Eof() ? QString() : m_q->FieldText(QStringLiteral("Fuin"));
}

QHash<int, TRecordName> RecordNames()
{
    Query q(QStringLiteral("select OndoKanri4.ID as ID, KojiCode, GozaiName, KubunName from "
                           "OndoKanri4 left join OndoKubun on OndoKubun.ID = "
                           "OndoKanri4.Kubun"));
    q.Open();
    QHash<int, TRecordName> names;
    for (; !q.Eof(); q.Next())
        names.insert(q.FieldInt(QStringLiteral("ID")), {q.FieldText(QStringLiteral("KojiCode")),
                                                        q.FieldText(QStringLiteral("GozaiName")),
                                                        q.FieldText(QStringLiteral("KubunName"))});
    return names;
}

void EachHistoryEntry(const std::function<void(const THistoryEntry&)>& entry)
{
    if (!HistoryKept())
        return;
    Engine::ReadEach(
        QStringLiteral("select Seq, Nitiji, Sousasya, Sousa, KojiCode, GozaiName, Kubun, "
                       "KubunName, Hiduke, LNO, Mae, Ato, Fuin, Hash from OndoRireki order "
                       "by Seq"),
        [&](const QVariantList& v) {
            THistoryEntry e;
            e.seq = v.at(0).toInt();
            e.when = dateTimeOf(v.at(1));
            e.who = v.at(2).toString();
            e.what = v.at(3).toString();
            e.kojiCode = v.at(4).toString();
            e.gozaiName = v.at(5).toString();
            e.kubun = v.at(6).toInt();
            e.kubunName = v.at(7).toString();
            e.day = dateTimeOf(v.at(8));
            e.lno = v.at(9).toInt();
            e.before = v.at(10).toString();
            e.after = v.at(11).toString();
            e.seal = v.at(12).toString();
            e.hash = v.at(13).toString();
            entry(e);
        });
}

void EachSeal(const std::function<void(const TSealRow& seal, const QString& dayText)>& seal)
{
    if (!Engine::TableExists(QStringLiteral("OndoFuin")))
        return;
    Engine::ReadEach(
        QStringLiteral("select KanriID, Hiduke, Fuin, Rireki from OndoFuin"),
        [&](const QVariantList& v) {
            seal({v.at(0).toInt(), dateTimeOf(v.at(1)), v.at(2).toString(), v.at(3).toInt()},
                 v.at(1).toString());
        });
}

void EachDaySummary(const std::function<void(const TDaySummary& day, const QString& dayText)>& day)
{
    Engine::ReadEachRow(QStringLiteral("select KanriID, Hiduke, Mogi, Kosu, MaxOndo, MiniOndo, "
                                       "AvgOndo from OndoHead4 order by KanriID, Hiduke"),
                        [&](const Engine::RowView& v) {
                            TDaySummary d;
                            d.kanriId = int(v.Int(0));
                            const QString text = v.Text(1);
                            d.day = Engine::DateTimeFromColumn(QVariant(text));
                            d.mogi = v.Int(2) != 0;
                            d.kosu = int(v.Int(3));
                            d.maxOndo = v.Double(4);
                            d.miniOndo = v.Double(5);
                            d.avgOndo = v.Double(6);
                            day(d, text);
                        });
}

void EachStoredReading(const std::function<void(int kanriId, const QByteArray& dayBytes,
                                                const TRawReading& reading)>& reading)
{
    Engine::ReadEachRow(
        QStringLiteral("select KanriID, Hiduke, LNO, Sokuten, Ondo, Jikoku, Syaryo, Biko "
                       "from OndoLine4"),
        [&](const Engine::RowView& v) {
            const TRawReading r{int(v.Int(2)), v.Utf8(3), v.Double(4),
                                v.Utf8(5),     v.Utf8(6), v.Utf8(7)};
            reading(int(v.Int(0)), v.Utf8(1), r);
        });
}

QList<Reading> ReadingsOf(int kanriId, const QDateTime& day)
{
    Query q(QStringLiteral("select LNO, Sokuten, Ondo, Jikoku, Syaryo, Biko from OndoLine4 "
                           "where KanriID = :A and Hiduke = :B order by LNO"));
    q.BindInt(A, kanriId);
    q.BindDateTime(B, day);
    q.Open();
    QList<Reading> readings;
    for (; !q.Eof(); q.Next())
        readings << ReadingOf(q);
    return readings;
}

} // namespace Store
