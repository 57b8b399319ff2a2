// A record's days written: a header, a day's summary and readings replaced, many days
// streamed, and what a deletion takes with it.
#include "core/AppError.h"
#include "storage/Engine.h"
#include "storage/Query.h"
#include "store/RecordColumns.h"
#include "store/Records.h"

namespace Store {

const QStringList& LineColumns()
{
    static const QStringList columns{QStringLiteral("KANRIID"), QStringLiteral("HIDUKE"),
                                     QStringLiteral("LNO"),     QStringLiteral("SOKUTEN"),
                                     QStringLiteral("ONDO"),    QStringLiteral("JIKOKU"),
                                     QStringLiteral("SYARYO"),  QStringLiteral("BIKO"),
                                     QStringLiteral("UKETUKE"), QStringLiteral("TANMATU")};
    return columns;
}

QVariantList LineRow(int id, const QVariant& stamp, const Reading& r, const PhoneMarks& marks)
{
    const auto mark = marks.constFind(r.LNO);
    const bool marked = mark != marks.constEnd();
    return {id,
            stamp,
            r.LNO,
            r.Sokuten,
            r.Ondo,
            r.Jikoku,
            r.Syaryo,
            r.Biko,
            marked ? QVariant(mark->id) : QVariant(),
            marked && !mark->device.isEmpty() ? QVariant(mark->device) : QVariant()};
}

void WriteRecord(const TRecordRow& record, bool stored)
{
    Query w;
    if (!stored) {
        w.Add(QStringLiteral(
            "insert into OndoKanri4 (ID,KOJICODE,GOZAINAME,SOKUTEISYA,KIJI,KUBUN,KIKAKUTI)"));
        w.Add(QStringLiteral("values (:A,:B,:C,:D,:E,:F,:G)"));
    } else {
        w.Add(QStringLiteral(
            "update OndoKanri4 set "
            "ID=:A,KOJICODE=:B,GOZAINAME=:C,SOKUTEISYA=:D,KIJI=:E,KUBUN=:F,KIKAKUTI=:G"));
        w.Add(QStringLiteral("where KOJICODE=:B and GOZAINAME=:C and KUBUN=:F"));
    }
    w.BindInt(A, record.id);
    w.BindText(B, record.kojiCode);
    w.BindText(C, record.gozaiName);
    w.BindText(D, record.simei);
    w.BindText(QStringLiteral("E"), record.kiji);
    w.BindInt(QStringLiteral("F"), record.kubun);
    w.BindText(QStringLiteral("G"), record.kikakuti);
    w.ExecSQL();
}

void WriteDaySummary(const TDaySummary& day, bool stored)
{
    Query h;
    if (!stored) {
        h.Add(QStringLiteral("insert into ONDOHEAD4 (KANRIID,HIDUKE,KOSU,MAXONDO,MINIONDO,"
                             "AVGONDO,TEKIYO,SOKUTEISYA,TENKI,KION,MOGI)"));
        h.Add(QStringLiteral("values (:A,:B,:C,:D,:E,:F,:G,:H,:I,:J,:K)"));
    } else {
        h.Add(QStringLiteral(
            "update ONDOHEAD4 set "
            "KANRIID=:A,HIDUKE=:B,KOSU=:C,MAXONDO=:D,MINIONDO=:E,AVGONDO=:F,TEKIYO=:G,"
            "SOKUTEISYA=:H,TENKI=:I,KION=:J,MOGI=:K"));
        h.Add(QStringLiteral("where KANRIID=:A and HIDUKE=:B"));
    }
    h.BindInt(A, day.kanriId);
    h.BindDateTime(B, day.day);
    h.BindInt(C, day.kosu);
    h.BindDouble(D, day.maxOndo);
    h.BindDouble(QStringLiteral("E"), day.miniOndo);
    h.BindDouble(QStringLiteral("F"), day.avgOndo);
    h.BindText(QStringLiteral("G"), day.tekiyo);
    h.BindText(QStringLiteral("H"), day.simei);
    h.BindText(QStringLiteral("I"), day.tenki);
    h.BindText(QStringLiteral("J"), day.kion);
    h.BindInt(QStringLiteral("K"), day.mogi ? 1 : 0);
    h.ExecSQL();
}

void ReplaceReadings(int kanriId, const QDateTime& day, const QList<Reading>& readings,
                     const PhoneMarks& marks)
{
    Query del(QStringLiteral("delete from OndoLine4 where KANRIID=:A and Hiduke= :B"));
    del.BindInt(A, kanriId);
    del.BindDateTime(B, day);
    del.ExecSQL();
    Engine::TableRows rows{LineColumns(), {}};
    rows.rows.reserve(readings.size());
    const QVariant stamp = Engine::DateTimeParameter(day);
    for (const Reading& r : readings)
        rows.rows.append(LineRow(kanriId, stamp, r, marks));
    Engine::InsertRows(QStringLiteral("ONDOLINE4"), rows);
}

void InsertDaySummaries(const QList<TDaySummary>& days)
{
    Engine::TableRows rows{
        {QStringLiteral("KANRIID"), QStringLiteral("HIDUKE"), QStringLiteral("KOSU"),
         QStringLiteral("MAXONDO"), QStringLiteral("MINIONDO"), QStringLiteral("AVGONDO"),
         QStringLiteral("TEKIYO"), QStringLiteral("SOKUTEISYA"), QStringLiteral("TENKI"),
         QStringLiteral("KION"), QStringLiteral("MOGI")},
        {}};
    rows.rows.reserve(days.size());
    for (const TDaySummary& d : days)
        rows.rows.append({d.kanriId, Engine::DateTimeParameter(d.day), d.kosu, d.maxOndo,
                          d.miniOndo, d.avgOndo, d.tekiyo, d.simei, d.tenki, d.kion,
                          d.mogi ? 1 : 0});
    Engine::InsertRows(QStringLiteral("ONDOHEAD4"), rows);
}

void DeleteReadingsOfDays(int kanriId, const QList<QDateTime>& days)
{
    if (days.isEmpty())
        return;
    Query del(QStringLiteral("delete from OndoLine4 where KANRIID=:A and Hiduke in ("));
    QStringList names;
    for (int i = 0; i < days.size(); ++i)
        names << QStringLiteral(":D%1").arg(i);
    del.Add(names.join(QLatin1Char(',')) + QLatin1Char(')'));
    del.BindInt(A, kanriId);
    for (int i = 0; i < days.size(); ++i)
        del.BindDateTime(QStringLiteral("D%1").arg(i), days.at(i));
    del.ExecSQL();
}

TReadingStream::TReadingStream()
    : m_stream(std::make_unique<Engine::RowStream>(QStringLiteral("ONDOLINE4"), LineColumns()))
{
}

TReadingStream::~TReadingStream() = default;

void TReadingStream::Add(int kanriId, const QDateTime& day, const QList<Reading>& readings)
{
    const QVariant stamp = Engine::DateTimeParameter(day);
    for (const Reading& r : readings)
        m_stream->Add(LineRow(kanriId, stamp, r, {}));
}

void TReadingStream::Finish()
{
    if (m_stream)
        m_stream->Finish();
    m_stream.reset();
}

TDeletionRead::TDeletionRead(int kanriId, const QDateTime& day)
    : m_header(std::make_unique<Query>(QStringLiteral(
          "select KojiCode, GozaiName, Kubun, (select KubunName from OndoKubun where "
          "OndoKubun.ID = OndoKanri4.Kubun) as KubunName from OndoKanri4 where ID = :A"))),
      m_lines(std::make_unique<Query>(
          QStringLiteral("select Hiduke, LNO, Sokuten, Ondo, Jikoku, Syaryo, Biko from "
                         "OndoLine4 where KanriID = :A"))),
      m_days(std::make_unique<Query>(
          QStringLiteral("select Hiduke from OndoHead4 where KanriID = :A")))
{
    m_header->BindInt(A, kanriId);
    m_lines->BindInt(A, kanriId);
    m_days->BindInt(A, kanriId);
    if (day.isValid()) {
        m_lines->Add(QStringLiteral("and Hiduke = :B"));
        m_lines->BindDateTime(B, day);
        m_days->Add(QStringLiteral("and Hiduke = :B"));
        m_days->BindDateTime(B, day);
    }
    m_lines->Add(QStringLiteral("order by Hiduke, LNO"));
}

TDeletionRead::~TDeletionRead() = default;

std::vector<Query*> TDeletionRead::queries()
{
    return {m_header.get(), m_lines.get(), m_days.get()};
}

std::optional<TDeletionRead::THeader> TDeletionRead::Header() const
{
    if (m_header->Eof())
        return std::nullopt;
    return THeader{m_header->FieldText(QStringLiteral("KojiCode")),
                   m_header->FieldText(QStringLiteral("GozaiName")),
                   m_header->FieldText(QStringLiteral("KubunName")),
                   m_header->FieldInt(QStringLiteral("Kubun"))};
}

QList<QPair<QDateTime, Reading>> TDeletionRead::Readings()
{
    QList<QPair<QDateTime, Reading>> readings;
    for (Query& q = *m_lines; !q.Eof(); q.Next())
        readings.append({q.FieldDateTime(QStringLiteral("Hiduke")), ReadingOf(q)});
    return readings;
}

QList<QDateTime> TDeletionRead::Days()
{
    QList<QDateTime> days;
    for (Query& q = *m_days; !q.Eof(); q.Next())
        days << q.FieldDateTime(QStringLiteral("Hiduke"));
    return days;
}

void DeleteRecordRows(int kanriId)
{
    const char* statements[][2] = {{"delete from OndoLine4", "where KanriID=:A"},
                                   {"delete from OndoHead4", "where KanriID = :A"},
                                   {"delete from OndoKanri4", "where ID = :A"}};
    for (const auto& s : statements) {
        Query q;
        q.Add(QString::fromLatin1(s[0]));
        q.Add(QString::fromLatin1(s[1]));
        q.BindInt(A, kanriId);
        q.ExecSQL();
    }
}

void DeleteDayRows(int kanriId, const QDateTime& day)
{
    for (const char* table : {"OndoLine4", "OndoHead4"}) {
        Query q(QStringLiteral("delete from %1 where KanriID = :A and Hiduke = :B")
                    .arg(QLatin1String(table)));
        q.BindInt(A, kanriId);
        q.BindDateTime(B, day);
        q.ExecSQL();
    }
}

void DeleteRecordHeader(int kanriId)
{
    Query q(QStringLiteral("delete from OndoKanri4 where ID = :A"));
    q.BindInt(A, kanriId);
    q.ExecSQL();
}

} // namespace Store
