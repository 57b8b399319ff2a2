#include "domain/SiteReadings.h"

#include "core/AppError.h"
#include "core/Utility.h"
#include "domain/DayEntry.h"
#include "domain/ListViewData.h"
#include "storage/Engine.h"
#include "storage/Query.h"

#include <QHash>
#include <QRegularExpression>
#include <algorithm>

namespace SiteReadings {

namespace {

const QString A = QStringLiteral("A");
const QString B = QStringLiteral("B");
const QString C = QStringLiteral("C");

QDateTime dayOf(const TSiteDay& day)
{
    return QDateTime(day.day, QTime(0, 0));
}

void checkId(const QString& id)
{
    static const QRegularExpression form(QStringLiteral("^[A-Za-z0-9-]{8,40}$"));
    if (!form.match(id).hasMatch())
        throw TRefused(QStringLiteral("読み取りの番号が正しくありません。ページを読み込み直して"
                                      "ください"));
}

// The row as the session would hold it after typing: the same normalising, then its checks.
TEntryRow typedRow(const TSiteEntry& entry)
{
    TEntryRow row;
    row.temperature = AsciiTyped(entry.temperature).trimmed();
    if (row.temperature.isEmpty())
        throw TRefused(QStringLiteral("温度が入力されていません"));
    if (entry.takenAt.isValid())
        row.time = entry.takenAt.toString(QStringLiteral("HH:mm"));
    row.truck = entry.truck.trimmed();
    row.remark = entry.remark;
    return row;
}

// The session's checks of a typed row, as a refusal of what was sent.
void checkRow(int lno, const TEntryRow& row)
{
    try {
        CheckEntryRow(lno, row);
    } catch (const AppError& e) {
        throw TRefused(e.message());
    }
}

// The stored record of the day, or a new day of its header, or a new header whose specified
// value starts as the category's range, as the session starts one.
TOndoKanri recordOf(const TSiteDay& day, const TOndoKubun& kubun, int headerId)
{
    TOndoKanri record;
    record.Koji.Load(day.kojiCode);
    record.Gozai.Load(day.gozaiName);
    record.Kubun = kubun;
    record.Hiduke = dayOf(day);
    if (headerId != 0 && record.LoadByDate())
        return record;
    if (headerId != 0) {
        record.LoadByID(headerId);
        record.Hiduke = dayOf(day);
        record.Tekiyo.clear();
        record.DaySimei.clear();
        record.Tenki.clear();
        record.Kion.clear();
        record.Mogi = false;
        return record;
    }
    record.SpecValue = kubun.OndoRange;
    record.SpecRange = kubun.OndoRange;
    record.SpecInterval = kubun.SokuteiKankaku;
    return record;
}

void storeSummary(TOndoKanri& record, const QList<Reading>& readings)
{
    const DayStatistics s = StatisticsOf(readings);
    record.Kosu = s.count;
    record.MaxOndo = s.maximum;
    record.MiniOndo = s.minimum;
    record.AvgOndo = s.average;
    record.Save();
}

// The load number of the reading the phone gave `id` on the day, or 0.
int loadOf(int headerId, const QDateTime& day, const QString& id)
{
    Query q(QStringLiteral(
        "select LNO from OndoLine4 where KanriID = :A and Hiduke = :B and Uketuke = :C"));
    q.BindInt(A, headerId);
    q.BindDateTime(B, day);
    q.BindText(C, id);
    q.Open();
    return q.Eof() ? 0 : q.FieldInt(QStringLiteral("LNO"));
}

// Inside the write lock: the day's header, its readings, and where the reading of `id` is
// among them. Raises AppError unless it is one of the last ones.
struct Found
{
    int headerId = 0;
    QList<Reading> readings;
    int index = -1;
};
Found lastReading(const TSiteDay& day, const TOndoKubun& kubun, const QString& id)
{
    Found f;
    f.headerId = TOndoKanri::FindHeader(day.kojiCode, day.gozaiName, kubun.ID);
    const int lno = f.headerId == 0 ? 0 : loadOf(f.headerId, dayOf(day), id);
    if (lno == 0)
        return f;
    f.readings = TOndoKanri::ReadDay(day.kojiCode, kubun.ID, dayOf(day), day.gozaiName);
    for (int i = 0; i < f.readings.size(); ++i)
        if (f.readings.at(i).LNO == lno)
            f.index = i;
    if (f.index < f.readings.size() - CorrectableCount)
        throw TRefused(QStringLiteral("修正・削除できるのは最後の %1 件です（%2 台目）。"
                                      "それより前は事務所のパソコンで直してください")
                           .arg(CorrectableCount)
                           .arg(lno));
    return f;
}

} // namespace

TRegisters Registers()
{
    TRegisters r;
    ListViewData projects;
    TKoji().GetList(projects);
    for (const ListViewRow& row : projects.rows)
        r.projects << qMakePair(row.caption, row.subItems.value(0));
    TGozai().GetList(r.mixes);
    r.categories = TOndoKubun::ReadAll();
    return r;
}

TOndoKubun CheckDay(const TSiteDay& day)
{
    if (!day.day.isValid() || day.day.year() < 1900 || day.day.year() > 9999)
        throw TRefused(QStringLiteral("試験日が正しくありません"));
    if (!TKoji::Exists(day.kojiCode))
        throw TRefused(QStringLiteral("工事コード「%1」は工事に登録されていません")
                           .arg(day.kojiCode.left(20)));
    Query q(QStringLiteral("select DataName from GozaiDef where DataName = :A"));
    q.BindText(A, day.gozaiName);
    q.Open();
    if (q.Eof())
        throw TRefused(
            QStringLiteral("合材「%1」は合材に登録されていません").arg(day.gozaiName.left(30)));
    TOndoKubun kubun;
    kubun.LoadByID(day.kubunId);
    if (kubun.ID < 0)
        throw TRefused(
            QStringLiteral("温度区分が登録されていません。一覧を読み込み直してください"));
    return kubun;
}

TAppended Append(const TSiteDay& day, const TSiteEntry& entry)
{
    checkId(entry.id);
    const TOndoKubun kubun = CheckDay(day);
    TEntryRow row = typedRow(entry);
    const QDateTime hiduke = dayOf(day);

    Transaction tx;
    // Writers take turns from here: the next load number is one nobody else takes.
    Engine::LockForNewID(QStringLiteral("OndoKanri4"));
    const int headerId = TOndoKanri::FindHeader(day.kojiCode, day.gozaiName, kubun.ID);
    if (headerId != 0) {
        if (const int lno = loadOf(headerId, hiduke, entry.id))
            return {lno, true};
    }
    QList<Reading> readings =
        headerId == 0 ? QList<Reading>()
                      : TOndoKanri::ReadDay(day.kojiCode, kubun.ID, hiduke, day.gozaiName);
    int lno = 1;
    for (const Reading& r : readings)
        lno = qMax(lno, r.LNO + 1);
    if (lno > TDayEntry::MaxRows)
        throw TRefused(
            QStringLiteral("この試験日の温度は %1 件までです。別の区分か試験日を選んでください")
                .arg(TDayEntry::MaxRows));
    row.label = QString::number(lno);
    checkRow(lno, row);

    const Reading reading{lno,      row.label, ParseNumber(row.temperature),
                          row.time, row.truck, row.remark};
    readings << reading;
    TOndoKanri record = recordOf(day, kubun, headerId);
    storeSummary(record, readings);
    Query insert;
    insert.Add(QStringLiteral("insert into OndoLine4 "
                              "(KanriID,Hiduke,LNO,Sokuten,Ondo,Jikoku,Syaryo,Biko,Uketuke)"));
    insert.Add(QStringLiteral("values (:A,:B,:C,:D,:E,:F,:G,:H,:I)"));
    insert.BindInt(A, record.ID);
    insert.BindDateTime(B, hiduke);
    insert.BindInt(C, lno);
    insert.BindText(QStringLiteral("D"), reading.Sokuten);
    insert.BindDouble(QStringLiteral("E"), reading.Ondo);
    insert.BindText(QStringLiteral("F"), reading.Jikoku);
    insert.BindText(QStringLiteral("G"), reading.Syaryo);
    insert.BindText(QStringLiteral("H"), reading.Biko);
    insert.BindText(QStringLiteral("I"), entry.id);
    insert.ExecSQL();
    tx.Commit();
    return {lno, false};
}

void Correct(const TSiteDay& day, const TSiteEntry& entry)
{
    checkId(entry.id);
    const TOndoKubun kubun = CheckDay(day);
    TEntryRow row = typedRow(entry);

    Transaction tx;
    Engine::LockForNewID(QStringLiteral("OndoKanri4"));
    Found f = lastReading(day, kubun, entry.id);
    if (f.index < 0)
        throw TRefused(QStringLiteral("修正する温度は登録されていません（事務所で削除されたかも"
                                      "しれません）"));
    Reading& reading = f.readings[f.index];
    row.label = reading.Sokuten;
    row.time = reading.Jikoku; // when it was read stays
    checkRow(reading.LNO, row);
    reading.Ondo = ParseNumber(row.temperature);
    reading.Syaryo = row.truck;
    reading.Biko = row.remark;

    Query update(QStringLiteral("update OndoLine4 set Ondo = :D, Syaryo = :E, Biko = :F "
                                "where KanriID = :A and Hiduke = :B and LNO = :C"));
    update.BindInt(A, f.headerId);
    update.BindDateTime(B, dayOf(day));
    update.BindInt(C, reading.LNO);
    update.BindDouble(QStringLiteral("D"), reading.Ondo);
    update.BindText(QStringLiteral("E"), reading.Syaryo);
    update.BindText(QStringLiteral("F"), reading.Biko);
    update.ExecSQL();
    TOndoKanri record = recordOf(day, kubun, f.headerId);
    storeSummary(record, f.readings);
    tx.Commit();
}

bool Remove(const TSiteDay& day, const QString& id)
{
    checkId(id);
    const TOndoKubun kubun = CheckDay(day);

    Transaction tx;
    Engine::LockForNewID(QStringLiteral("OndoKanri4"));
    Found f = lastReading(day, kubun, id);
    if (f.index < 0)
        return false;
    const QDateTime hiduke = dayOf(day);
    const int removed = f.readings.takeAt(f.index).LNO;
    if (f.readings.isEmpty()) {
        TOndoKanri::DeleteDay(f.headerId, hiduke);
        tx.Commit();
        return true;
    }
    Query remove(
        QStringLiteral("delete from OndoLine4 where KanriID = :A and Hiduke = :B and LNO = :C"));
    remove.BindInt(A, f.headerId);
    remove.BindDateTime(B, hiduke);
    remove.BindInt(C, removed);
    remove.ExecSQL();
    // The loads after it move up, so that the numbers stay the trucks' order without a gap;
    // a label that was its number follows it.
    for (int i = f.index; i < f.readings.size(); ++i) {
        Reading& r = f.readings[i];
        if (r.LNO < removed)
            continue;
        const int lno = r.LNO - 1;
        if (r.Sokuten == QString::number(r.LNO))
            r.Sokuten = QString::number(lno);
        Query move(QStringLiteral("update OndoLine4 set LNO = :D, Sokuten = :E "
                                  "where KanriID = :A and Hiduke = :B and LNO = :C"));
        move.BindInt(A, f.headerId);
        move.BindDateTime(B, hiduke);
        move.BindInt(C, r.LNO);
        move.BindInt(QStringLiteral("D"), lno);
        move.BindText(QStringLiteral("E"), r.Sokuten);
        move.ExecSQL();
        r.LNO = lno;
    }
    TOndoKanri record = recordOf(day, kubun, f.headerId);
    storeSummary(record, f.readings);
    tx.Commit();
    return true;
}

TSiteSummary Summary(const TSiteDay& day)
{
    const TOndoKubun kubun = CheckDay(day);
    // The statistics and out-of-spec marks are the session's own, read as it shows the day.
    TDayEntry session;
    session.ShowDay(day.kojiCode, day.gozaiName, kubun.KubunName, dayOf(day));
    TSiteSummary s;
    s.kubunName = kubun.KubunName;
    s.spec = session.HasSpec() ? TypedRange(session.Header().specValue) : QString();
    s.statistics = session.Statistics();
    s.outsideCount = session.OutsideCount();

    QHash<int, QString> ids;
    if (const int headerId = session.ShownId()) {
        Query q(QStringLiteral("select LNO, Uketuke from OndoLine4 where KanriID = :A and "
                               "Hiduke = :B and Uketuke is not null"));
        q.BindInt(A, headerId);
        q.BindDateTime(B, dayOf(day));
        q.Open();
        for (; !q.Eof(); q.Next())
            ids.insert(q.FieldInt(QStringLiteral("LNO")), q.FieldText(QStringLiteral("Uketuke")));
    }
    const QList<Reading> readings = session.Readings();
    for (int i = int(readings.size()) - 1; i >= 0 && s.last.size() < CorrectableCount; --i) {
        const Reading& r = readings.at(i);
        s.last << TSiteReading{r.LNO,  ids.value(r.LNO),        r.Ondo, r.Jikoku, r.Syaryo,
                               r.Biko, session.IsOutside(r.LNO)};
    }
    return s;
}

} // namespace SiteReadings
