// A record's day as stored: read, compared with what the window saw, and replaced. The reads a
// write depends on are asked together and the writes travel with the commit, so that a
// register costs the same few round trips to a distant server whatever the day holds.
#include "core/AppError.h"
#include "domain/History.h"
#include "domain/OndoKanri.h"
#include "storage/Engine.h"
#include "storage/Query.h"

#include <QHash>
#include <algorithm>

namespace {

const QString A = QStringLiteral("A");
const QString B = QStringLiteral("B");
const QString C = QStringLiteral("C");
const QString D = QStringLiteral("D");

// A category by its number, or by its name when the number is not known yet.
struct KubunKey
{
    KubunKey(int id) : id(id) {}
    KubunKey(const QString& name) : name(name), byName(true) {}
    QString condition(const QString& parameter) const
    {
        return byName ? QStringLiteral("(select ID from OndoKubun where KubunName = :%1)")
                            .arg(parameter)
                      : QLatin1Char(':') + parameter;
    }
    void bind(Query& q, const QString& parameter) const
    {
        if (byName)
            q.BindText(parameter, name);
        else
            q.BindInt(parameter, id);
    }
    int id = -1;
    QString name;
    bool byName = false;
};

void recordQuery(Query& q, const QString& kojiCode, const QString& gozaiName, const KubunKey& kubun)
{
    q.Add(QStringLiteral("select ID from OndoKanri4"));
    q.Add(QStringLiteral("where (KojiCode=:A) and (GozaiName=:B) and (Kubun=%1)")
              .arg(kubun.condition(C)));
    q.BindText(A, kojiCode);
    q.BindText(B, gozaiName);
    kubun.bind(q, C);
}

int findHeader(const QString& kojiCode, const QString& gozaiName, const KubunKey& kubun)
{
    Query q;
    recordQuery(q, kojiCode, gozaiName, kubun);
    q.Open();
    return q.Eof() ? 0 : q.FieldInt(QStringLiteral("ID"));
}

void headQuery(Query& q, const QString& kojiCode, const QString& gozaiName, const KubunKey& kubun,
               const QDateTime& day)
{
    q.Add(QStringLiteral("select Kosu, MaxOndo, MiniOndo, AvgOndo, Tekiyo, OndoHead4.Sokuteisya "
                         "as DaySokuteisya, Tenki, Kion, Mogi from OndoHead4"));
    q.Add(QStringLiteral("inner join OndoKanri4 on OndoKanri4.ID = OndoHead4.KanriID"));
    q.Add(QStringLiteral("where KojiCode=:A and GozaiName=:B and Kubun=%1 and OndoHead4.Hiduke=:D")
              .arg(kubun.condition(C)));
    q.BindText(A, kojiCode);
    q.BindText(B, gozaiName);
    kubun.bind(q, C);
    q.BindDateTime(D, day);
}

void linesQuery(Query& q, const QString& kojiCode, const QString& gozaiName, const KubunKey& kubun,
                const QDateTime& day)
{
    q.Add(QStringLiteral("select OndoLine4.Hiduke as DT, GozaiName, LNO,Sokuten, Ondo, Jikoku, "
                         "Syaryo, Biko, Uketuke, Tanmatu from OndoLine4"));
    q.Add(QStringLiteral("inner join OndoKanri4 on OndoKanri4.ID = OndoLine4.KanriID"));
    q.Add(QStringLiteral("where (KojiCode=:A) and (Kubun = %1) and (OndoLine4.Hiduke = :C) and "
                         "(OndoKanri4.GozaiName=:D)")
              .arg(kubun.condition(B)));
    q.Add(QStringLiteral("order by GozaiName, DT, LNO"));
    q.BindText(A, kojiCode);
    kubun.bind(q, B);
    q.BindDateTime(C, day);
    q.BindText(D, gozaiName);
}

// The readings of an opened linesQuery, and the phone's marks of each one sent from the site page.
QList<Reading> readingsOf(Query& q, PhoneMarks* marks = nullptr)
{
    QList<Reading> readings;
    for (; !q.Eof(); q.Next()) {
        readings << Reading{
            q.FieldInt(QStringLiteral("LNO")),     q.FieldText(QStringLiteral("Sokuten")),
            q.FieldDouble(QStringLiteral("Ondo")), q.FieldText(QStringLiteral("Jikoku")),
            q.FieldText(QStringLiteral("Syaryo")), q.FieldText(QStringLiteral("Biko"))};
        const QString phoneId = q.FieldText(QStringLiteral("Uketuke"));
        if (marks && !phoneId.isEmpty())
            marks->insert(readings.last().LNO, {phoneId, q.FieldText(QStringLiteral("Tanmatu"))});
    }
    return readings;
}

DayAsStored storedDayOf(Query& head, Query& lines, PhoneMarks* marks = nullptr)
{
    DayAsStored d;
    if (!head.Eof()) {
        d.present = true;
        d.kosu = head.FieldInt(QStringLiteral("Kosu"));
        d.max = head.FieldDouble(QStringLiteral("MaxOndo"));
        d.min = head.FieldDouble(QStringLiteral("MiniOndo"));
        d.avg = head.FieldDouble(QStringLiteral("AvgOndo"));
        d.tekiyo = head.FieldText(QStringLiteral("Tekiyo"));
        d.simei = head.FieldText(QStringLiteral("DaySokuteisya"));
        d.tenki = head.FieldText(QStringLiteral("Tenki"));
        d.kion = head.FieldText(QStringLiteral("Kion"));
        d.mogi = head.FieldInt(QStringLiteral("Mogi")) != 0;
    }
    d.readings = readingsOf(lines, marks);
    return d;
}

const QStringList& lineColumns()
{
    static const QStringList columns{QStringLiteral("KANRIID"), QStringLiteral("HIDUKE"),
                                     QStringLiteral("LNO"),     QStringLiteral("SOKUTEN"),
                                     QStringLiteral("ONDO"),    QStringLiteral("JIKOKU"),
                                     QStringLiteral("SYARYO"),  QStringLiteral("BIKO"),
                                     QStringLiteral("UKETUKE"), QStringLiteral("TANMATU")};
    return columns;
}

// Each reading keeps the phone's marks it had: the phone's resend of it is then still known as
// stored.
QVariantList lineRow(int id, const QVariant& stamp, const Reading& r, const PhoneMarks& marks)
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

// Deletes the day's readings of header `id` and inserts `readings`.
void writeLines(int id, const QDateTime& day, const QList<Reading>& readings,
                const PhoneMarks& marks)
{
    Query del(QStringLiteral("delete from OndoLine4 where KANRIID=:A and Hiduke= :B"));
    del.BindInt(A, id);
    del.BindDateTime(B, day);
    del.ExecSQL();
    Engine::TableRows rows{lineColumns(), {}};
    rows.rows.reserve(readings.size());
    const QVariant stamp = Engine::DateTimeParameter(day);
    for (const Reading& r : readings)
        rows.rows.append(lineRow(id, stamp, r, marks));
    Engine::InsertRows(QStringLiteral("ONDOLINE4"), rows);
}

} // namespace

void TOndoKanri::writeRecord(bool recordStored, bool dayStored)
{
    WriteHeader(recordStored);
    writeSummary(dayStored);
}

void TOndoKanri::WriteHeader(bool recordStored)
{
    Query w;
    if (!recordStored) {
        w.Add(QStringLiteral(
            "insert into OndoKanri4 (ID,KOJICODE,GOZAINAME,SOKUTEISYA,KIJI,KUBUN,KIKAKUTI)"));
        w.Add(QStringLiteral("values (:A,:B,:C,:D,:E,:F,:G)"));
    } else {
        w.Add(QStringLiteral(
            "update OndoKanri4 set "
            "ID=:A,KOJICODE=:B,GOZAINAME=:C,SOKUTEISYA=:D,KIJI=:E,KUBUN=:F,KIKAKUTI=:G"));
        w.Add(QStringLiteral("where KOJICODE=:B and GOZAINAME=:C and KUBUN=:F"));
    }
    w.BindInt(A, ID);
    w.BindText(B, Koji.Code());
    w.BindText(C, Gozai.DataName());
    w.BindText(D, Simei.Simei());
    w.BindText(QStringLiteral("E"), Kiji);
    w.BindInt(QStringLiteral("F"), Kubun.ID);
    w.BindText(QStringLiteral("G"), Kikakuti());
    w.ExecSQL();
}

void TOndoKanri::writeSummary(bool dayStored)
{
    Query h;
    if (!dayStored) {
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
    h.BindInt(A, ID);
    h.BindDateTime(B, Hiduke);
    h.BindInt(C, Kosu);
    h.BindDouble(D, MaxOndo);
    h.BindDouble(QStringLiteral("E"), MiniOndo);
    h.BindDouble(QStringLiteral("F"), AvgOndo);
    h.BindText(QStringLiteral("G"), Tekiyo);
    h.BindText(QStringLiteral("H"), DaySimei);
    h.BindText(QStringLiteral("I"), Tenki);
    h.BindText(QStringLiteral("J"), Kion);
    h.BindInt(QStringLiteral("K"), Mogi ? 1 : 0);
    h.ExecSQL();
}

void TOndoKanri::Save()
{
    Transaction tx;
    Engine::LockForNewID(QStringLiteral("OndoKanri4"));
    Query record, head;
    recordQuery(record, Koji.Code(), Gozai.DataName(), Kubun.ID);
    headQuery(head, Koji.Code(), Gozai.DataName(), Kubun.ID, Hiduke);
    Query::OpenAll({&record, &head});
    ID = record.Eof() ? NewID() : record.FieldInt(QStringLiteral("ID"));
    writeRecord(!record.Eof(), !head.Eof());
    tx.Commit();
}

QList<Reading> TOndoKanri::ReadDay(const QString& kojiCode, int kubunId, const QDateTime& day,
                                   const QString& gozaiName)
{
    Query q;
    linesQuery(q, kojiCode, gozaiName, kubunId, day);
    q.Open();
    return readingsOf(q);
}

bool DayAsStored::operator==(const DayAsStored& o) const
{
    return present == o.present && kosu == o.kosu && max == o.max && min == o.min && avg == o.avg &&
           tekiyo == o.tekiyo && readings == o.readings && simei == o.simei && tenki == o.tenki &&
           kion == o.kion && mogi == o.mogi;
}

DayAsStored TOndoKanri::ReadStoredDay(const QString& kojiCode, const QString& gozaiName,
                                      int kubunId, const QDateTime& day)
{
    Query head, lines;
    headQuery(head, kojiCode, gozaiName, kubunId, day);
    linesQuery(lines, kojiCode, gozaiName, kubunId, day);
    Query::OpenAll({&head, &lines});
    return storedDayOf(head, lines);
}

void TOndoKanri::PrepareStoredDay(Query& head, Query& lines, const QString& kojiCode,
                                  const QString& gozaiName, const QString& kubunName,
                                  const QDateTime& day)
{
    headQuery(head, kojiCode, gozaiName, kubunName, day);
    linesQuery(lines, kojiCode, gozaiName, kubunName, day);
}

DayAsStored TOndoKanri::TakeStoredDay(Query& head, Query& lines)
{
    return storedDayOf(head, lines);
}

int TOndoKanri::FindHeader(const QString& kojiCode, const QString& gozaiName,
                           const QString& kubunName)
{
    return findHeader(kojiCode, gozaiName, kubunName);
}

int TOndoKanri::FindHeader(const QString& kojiCode, const QString& gozaiName, int kubunId)
{
    return findHeader(kojiCode, gozaiName, kubunId);
}

void TOndoKanri::RememberDay(const QList<Reading>& readings)
{
    RememberDay(Koji.Code(), Gozai.DataName(), Kubun.ID, Hiduke);
    m_seen.stored.readings = readings;
}

void TOndoKanri::RememberDay(const QString& kojiCode, const QString& gozaiName, int kubunId,
                             const QDateTime& day)
{
    m_seen = Seen{true,    kojiCode, gozaiName,
                  kubunId, day,      ReadStoredDay(kojiCode, gozaiName, kubunId, day)};
}

void TOndoKanri::RefreshSeenDay()
{
    if (m_seen.known)
        m_seen.stored =
            ReadStoredDay(m_seen.kojiCode, m_seen.gozaiName, m_seen.kubunId, m_seen.day);
}

TDayWriter::TDayWriter(TOndoKanri& record, bool recordStored, History::TWriter& history)
    : m_record(record), m_recordStored(recordStored), m_history(history)
{
}

TDayWriter::~TDayWriter() = default;

void TDayWriter::AddSummary(bool dayStored, const QString& before)
{
    const TOndoKanri& r = m_record;
    // A day at a time, not a reading at a time: an import of a million readings stays one
    // entry a day.
    m_history.Add(dayStored ? History::Replaced : History::Added, r.Hiduke, 0, before,
                  History::DayText(r.Kosu, r.MaxOndo, r.MiniOndo, r.AvgOndo));
    m_written.insert(r.Hiduke, {r.Mogi, r.Kosu, r.MaxOndo, r.MiniOndo, r.AvgOndo});
    if (dayStored)
        m_record.writeSummary(true);
    else
        m_heads.append({r.ID, Engine::DateTimeParameter(r.Hiduke), r.Kosu, r.MaxOndo, r.MiniOndo,
                        r.AvgOndo, r.Tekiyo, r.DaySimei, r.Tenki, r.Kion, r.Mogi ? 1 : 0});
    // A new day of a stored record too: readings left without their day (an old file's) must
    // not join it.
    if (m_recordStored)
        m_replaced.append(r.Hiduke);
    if (m_heads.size() >= 1000 || m_replaced.size() >= 1000)
        sendSummaries();
}

void TDayWriter::sendSummaries()
{
    if (!m_replaced.isEmpty()) {
        Query del(QStringLiteral("delete from OndoLine4 where KANRIID=:A and Hiduke in ("));
        QStringList names;
        for (int i = 0; i < m_replaced.size(); ++i)
            names << QStringLiteral(":D%1").arg(i);
        del.Add(names.join(QLatin1Char(',')) + QLatin1Char(')'));
        del.BindInt(A, m_record.ID);
        for (int i = 0; i < m_replaced.size(); ++i)
            del.BindDateTime(QStringLiteral("D%1").arg(i), m_replaced.at(i));
        del.ExecSQL();
        m_replaced.clear();
    }
    Engine::InsertRows(
        QStringLiteral("ONDOHEAD4"),
        {{QStringLiteral("KANRIID"), QStringLiteral("HIDUKE"), QStringLiteral("KOSU"),
          QStringLiteral("MAXONDO"), QStringLiteral("MINIONDO"), QStringLiteral("AVGONDO"),
          QStringLiteral("TEKIYO"), QStringLiteral("SOKUTEISYA"), QStringLiteral("TENKI"),
          QStringLiteral("KION"), QStringLiteral("MOGI")},
         m_heads});
    m_heads.clear();
}

void TDayWriter::AddReadings(const QList<Reading>& readings)
{
    if (!m_lines) {
        sendSummaries();
        m_lines = std::make_unique<Engine::RowStream>(QStringLiteral("ONDOLINE4"), lineColumns());
    }
    const QVariant stamp = Engine::DateTimeParameter(m_record.Hiduke);
    for (const Reading& r : readings)
        m_lines->Add(lineRow(m_record.ID, stamp, r, {}));
    const QVariantList f = m_written.value(m_record.Hiduke);
    m_history.Seal(
        m_record.Hiduke, m_record.ID,
        History::DaySeal({m_record.ID, m_record.Hiduke, f.value(0).toBool(), f.value(1).toInt(),
                          f.value(2).toDouble(), f.value(3).toDouble(), f.value(4).toDouble()},
                         readings));
}

void TDayWriter::Finish()
{
    sendSummaries();
    if (m_lines)
        m_lines->Finish();
    m_lines.reset();
    m_history.Finish();
}

bool TOndoKanri::Register(const QList<Reading>& readings,
                          const std::function<bool()>& overwriteTheirs)
{
    Transaction tx;
    // Writers take turns from here, so what is compared below is what we would overwrite.
    Engine::LockForNewID(QStringLiteral("OndoKanri4"));
    Query record, head, lines, tail, seal;
    recordQuery(record, Koji.Code(), Gozai.DataName(), Kubun.ID);
    headQuery(head, Koji.Code(), Gozai.DataName(), Kubun.ID, Hiduke);
    linesQuery(lines, Koji.Code(), Gozai.DataName(), Kubun.ID, Hiduke);
    History::TWriter::PrepareTail(tail);
    seal.Add(QStringLiteral("select Fuin from OndoFuin inner join OndoKanri4 on OndoKanri4.ID = "
                            "OndoFuin.KanriID where KojiCode = :A and GozaiName = :B and "
                            "Kubun = :C and OndoFuin.Hiduke = :D"));
    seal.BindText(A, Koji.Code());
    seal.BindText(B, Gozai.DataName());
    seal.BindInt(C, Kubun.ID);
    seal.BindDateTime(D, Hiduke);
    Query::OpenAll({&record, &head, &lines, &tail, &seal});
    PhoneMarks marks;
    const DayAsStored stored = storedDayOf(head, lines, &marks);
    const bool sameDay = m_seen.known && m_seen.kojiCode == Koji.Code() &&
                         m_seen.gozaiName == Gozai.DataName() && m_seen.kubunId == Kubun.ID &&
                         m_seen.day == Hiduke;
    const bool unchanged = sameDay && stored == m_seen.stored;
    if (sameDay && !unchanged && !(overwriteTheirs && overwriteTheirs()))
        return false;
    // Another day's readings, or theirs overwritten: the day is replaced, marks and all.
    if (!unchanged)
        marks.clear();
    ID = record.Eof() ? NewID() : record.FieldInt(QStringLiteral("ID"));
    // The day's summary is found through the record, so a day stored means the record is.
    writeRecord(!record.Eof(), stored.present);
    writeLines(ID, Hiduke, readings, marks);
    History::TWriter history(Measurer(), Koji.Code(), Gozai.DataName(), Kubun.ID, Kubun.KubunName);
    history.Begin(tail);
    // A new day is one entry, as an import's day is; a registered day's changes are kept
    // reading by reading.
    if (stored.present)
        history.AddDifferences(Hiduke, stored.readings, readings);
    else
        history.Add(History::Added, Hiduke, 0, QString(),
                    History::DayText(Kosu, MaxOndo, MiniOndo, AvgOndo));
    if (Mogi != (stored.present && stored.mogi))
        history.Add(stored.present ? History::Corrected : History::Added, Hiduke, 0,
                    !stored.present ? QString()
                    : stored.mogi   ? QStringLiteral("模擬値")
                                    : QStringLiteral("実測"),
                    Mogi ? QStringLiteral("模擬値") : QStringLiteral("実測"));
    history.Seal(Hiduke, ID,
                 History::DaySeal({ID, Hiduke, Mogi, Kosu, MaxOndo, MiniOndo, AvgOndo}, readings),
                 seal.Eof() ? QString() : seal.FieldText(QStringLiteral("Fuin")));
    history.Finish();
    tx.Commit();
    // What was just written, without reading it back.
    DayAsStored written{true,     Kosu,     MaxOndo, MiniOndo, AvgOndo, Tekiyo,
                        readings, DaySimei, Tenki,   Kion,     Mogi};
    std::stable_sort(written.readings.begin(), written.readings.end(),
                     [](const Reading& a, const Reading& b) { return a.LNO < b.LNO; });
    m_seen = Seen{true, Koji.Code(), Gozai.DataName(), Kubun.ID, Hiduke, written};
    return true;
}
