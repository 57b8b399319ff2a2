#include "domain/SiteReadings.h"

#include "core/KikakuText.h"
#include "core/Utility.h"
#include "domain/DayEntry.h"
#include "domain/History.h"
#include "domain/ListViewData.h"
#include "domain/Temperature.h"
#include "storage/Engine.h"
#include "store/Registers.h"
#include "store/Site.h"

#include <QRegularExpression>

// A phone sends a reading a second or so, and each is one transaction: the common path reads
// the day once and writes two rows, so that the server's round trips stay few.

namespace SiteReadings {

namespace {

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
TTypedReading typedRow(const TSiteEntry& entry)
{
    const TTemperature t = ReadTemperature(entry.temperature);
    if (!t.IsValid())
        throw TRefused(t.refusal);
    TTypedReading row;
    row.temperature = NormalTemperatureText(entry.temperature);
    if (entry.takenAt.isValid())
        row.time = entry.takenAt.toString(QStringLiteral("HH:mm"));
    row.truck = entry.truck.trimmed();
    row.remark = entry.remark;
    return row;
}

// The session's checks of a typed row, as a refusal of what was sent: a phone knows no rows.
void checkRow(const TTypedReading& row)
{
    try {
        CheckEntryRow(0, row);
    } catch (const AppError& e) {
        throw TRefused(e.message());
    }
}

using Stored = Store::TSiteRow;

// The day as stored: its header's identifier and specified value, whether the day has its
// summary row, and its readings by load.
struct Day
{
    int headerId = 0;
    QString kikaku;
    bool present = false;
    bool simulated = false; // filled by シミュレーション: no measured reading joins it
    QList<Stored> rows;
};

// The day as stored; with `tail`, the history's last entry is read with it, for a write.
Day readDay(const TSiteDay& day, const TOndoKubun& kubun, Store::THistoryTailRead* tail = nullptr)
{
    Day d;
    Store::TSiteRecordRead header(day.kojiCode, day.gozaiName, kubun.ID);
    Store::OpenTogether({&header, tail});
    const std::optional<Store::TSiteRecordRead::TRecord> record = header.Record();
    if (!record) {
        // A new record: its specified value starts as the category's range.
        d.kikaku = kubun.OndoRange;
        return d;
    }
    d.headerId = record->id;
    d.kikaku = TKikakuText::Parse(record->kikakuti).value;
    Store::TSiteDayRead stored(d.headerId, dayOf(day));
    stored.Open();
    d.present = stored.Present();
    d.simulated = stored.Simulated();
    d.rows = stored.Rows();
    return d;
}

int indexOf(const Day& d, const QString& id)
{
    for (int i = 0; i < d.rows.size(); ++i)
        if (d.rows.at(i).id == id)
            return i;
    return -1;
}

QList<Reading> readingsOf(const Day& d)
{
    QList<Reading> readings;
    for (const Stored& s : d.rows)
        readings << s.reading;
    return readings;
}

// The statistics and the marks of readings outside the specified value as the session gives them
// for these readings, shown as the office's window shows a stored day.
TSiteSummary summaryOf(const QString& kubunName, const Day& d)
{
    TDayEntry session;
    session.SetSpecValue(d.kikaku);
    QStringList lines;
    for (const Stored& s : d.rows) {
        const int lno = s.reading.LNO;
        if (lno < 1 || lno > TDayEntry::MaxRows)
            continue;
        while (lines.size() < lno - 1)
            lines << QString();
        lines << QStringLiteral("%1\t%2").arg(lno).arg(FormatGeneral(s.reading.Ondo));
    }
    if (!lines.isEmpty())
        session.Paste(lines.join(QLatin1Char('\n')), 1, TDayEntry::LabelColumn);
    TSiteSummary summary;
    summary.kubunName = kubunName;
    summary.kikaku = session.HasSpec() ? TypedRange(d.kikaku) : QString();
    summary.statistics = session.Statistics();
    summary.outsideCount = session.OutsideCount();
    summary.simulated = d.simulated;
    for (int i = int(d.rows.size()) - 1; i >= 0 && summary.last.size() < CorrectableCount; --i) {
        const Reading& r = d.rows.at(i).reading;
        summary.last << TSiteReading{r, d.rows.at(i).id, session.IsOutside(r.LNO)};
    }
    return summary;
}

// The day's summary row after its readings changed: the stored record's own save for a day
// that is new (and a header that is new), else the four figures. The day is sealed anew in
// `history`, as it is left.
void storeSummary(const TSiteDay& day, const TOndoKubun& kubun, Day& d, History::TWriter& history)
{
    const DayStatistics s = StatisticsOf(readingsOf(d));
    const auto seal = [&] {
        history.Seal(dayOf(day), d.headerId,
                     History::DaySeal(
                         {d.headerId, dayOf(day), false, s.count, s.maximum, s.minimum, s.average},
                         readingsOf(d)));
        history.Finish();
    };
    if (d.present) {
        Store::UpdateDayFigures(d.headerId, dayOf(day), s.count, s.maximum, s.minimum, s.average);
        seal();
        return;
    }
    TOndoKanri record;
    if (d.headerId != 0) {
        record.LoadByID(d.headerId);
        // A header left without days loads empty: it is still this project, mix and category.
        record.Koji.Load(day.kojiCode);
        record.Gozai.Load(day.gozaiName);
        record.Kubun = kubun;
        if (record.SpecValue.isEmpty())
            record.SpecValue = d.kikaku;
        record.Tekiyo.clear();
        record.DaySimei.clear();
        record.Tenki.clear();
        record.Kion.clear();
        record.Mogi = false;
    } else {
        record.Koji.Load(day.kojiCode);
        record.Gozai.Load(day.gozaiName);
        record.Kubun = kubun;
        record.SpecValue = kubun.OndoRange;
        record.SpecRange = kubun.OndoRange;
        record.SpecInterval = kubun.SokuteiKankaku;
    }
    record.Hiduke = dayOf(day);
    record.Kosu = s.count;
    record.MaxOndo = s.maximum;
    record.MiniOndo = s.minimum;
    record.AvgOndo = s.average;
    record.Save();
    d.headerId = record.ID;
    d.present = true;
    seal();
}

History::TWriter historyOf(const TSiteDay& day, const TOndoKubun& kubun, const TSiteEntry& entry)
{
    return History::TWriter(entry.deviceName, day.kojiCode, day.gozaiName, kubun.ID,
                            kubun.KubunName);
}

// Inside the write lock: the day, and where the reading of `id` is among the last ones;
// raises TForbidden when another phone sent it, TRefused when it is stored but earlier.
Day dayWithLast(const TSiteDay& day, const TOndoKubun& kubun, const QString& id,
                const QString& device, int& index, Store::THistoryTailRead& tail)
{
    Day d = readDay(day, kubun, &tail);
    if (d.simulated)
        throw TRefused(QStringLiteral("この試験日は模擬値（シミュレーション）の日のため、"
                                      "端末からは変えられません"));
    index = indexOf(d, id);
    if (index >= 0 && d.rows.at(index).device != device)
        throw TForbidden(QStringLiteral("%1 台目は別の端末から送られた記録のため、この端末では"
                                        "修正・削除できません")
                             .arg(d.rows.at(index).reading.LNO));
    if (index >= 0 && index < d.rows.size() - CorrectableCount)
        throw TRefused(QStringLiteral("修正・削除できるのは最後の %1 件です（%2 台目）。"
                                      "それより前は事務所のパソコンで直してください")
                           .arg(CorrectableCount)
                           .arg(d.rows.at(index).reading.LNO));
    return d;
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
    const Store::TRegistered registered =
        Store::ProjectAndMixRegistered(day.kojiCode, day.gozaiName);
    if (!registered.project)
        throw TRefused(QStringLiteral("工事コード「%1」は工事に登録されていません")
                           .arg(Excerpt(day.kojiCode, 20)));
    if (!registered.mix)
        throw TRefused(QStringLiteral("合材「%1」は合材に登録されていません。一覧を読み込み直して"
                                      "ください")
                           .arg(Excerpt(day.gozaiName, 30)));
    TOndoKubun kubun;
    kubun.LoadByID(day.kubunId);
    if (kubun.ID < 0)
        throw TRefused(QStringLiteral("温度区分「%1」は登録されていません。一覧を読み込み直して"
                                      "ください")
                           .arg(day.kubunId));
    return kubun;
}

TAppended Append(const TSiteDay& day, const TSiteEntry& entry)
{
    checkId(entry.id);
    const TOndoKubun kubun = CheckDay(day);
    TTypedReading row = typedRow(entry);

    Transaction tx;
    // Writers take turns from here: the next load number is one nobody else takes.
    Store::LockRecords();
    Store::THistoryTailRead tail;
    Day d = readDay(day, kubun, &tail);
    const int known = indexOf(d, entry.id);
    if (known >= 0)
        return {d.rows.at(known).reading.LNO, true, summaryOf(kubun.KubunName, d)};
    if (d.simulated)
        throw TRefused(QStringLiteral("この試験日は模擬値（シミュレーション）の日のため、測定した"
                                      "温度は送れません。事務所で日を確かめてください"));
    const int lno = d.rows.isEmpty() ? 1 : d.rows.last().reading.LNO + 1;
    if (lno > TDayEntry::MaxRows)
        throw TRefused(
            QStringLiteral("この試験日の温度は %1 件までです。別の区分か試験日を選んでください")
                .arg(TDayEntry::MaxRows));
    row.label = QString::number(lno);
    checkRow(row);

    const Reading reading{lno,      row.label, ReadTemperature(row.temperature).value,
                          row.time, row.truck, row.remark};
    d.rows << Stored{reading, entry.id, entry.device};
    History::TWriter history = historyOf(day, kubun, entry);
    history.Begin(tail);
    history.Add(History::Added, dayOf(day), lno, QString(), History::ReadingText(reading));
    storeSummary(day, kubun, d, history);
    Store::AppendReading(d.headerId, dayOf(day), d.rows.last());
    tx.Commit();
    return {lno, false, summaryOf(kubun.KubunName, d)};
}

TSiteSummary Correct(const TSiteDay& day, const TSiteEntry& entry)
{
    checkId(entry.id);
    const TOndoKubun kubun = CheckDay(day);
    TTypedReading row = typedRow(entry);

    Transaction tx;
    Store::LockRecords();
    int index = -1;
    Store::THistoryTailRead tail;
    Day d = dayWithLast(day, kubun, entry.id, entry.device, index, tail);
    if (index < 0)
        throw TRefused(QStringLiteral("修正する温度は登録されていません（事務所で削除されたかも"
                                      "しれません）"));
    Reading& reading = d.rows[index].reading;
    const Reading before = reading;
    row.label = reading.Sokuten;
    row.time = reading.Jikoku; // when it was read stays
    checkRow(row);
    reading.Ondo = ReadTemperature(row.temperature).value;
    reading.Syaryo = row.truck;
    reading.Biko = row.remark;

    Store::CorrectReading(d.headerId, dayOf(day), reading);
    History::TWriter history = historyOf(day, kubun, entry);
    history.Begin(tail);
    if (!(before == reading))
        history.Add(History::Corrected, dayOf(day), reading.LNO, History::ReadingText(before),
                    History::ReadingText(reading));
    storeSummary(day, kubun, d, history);
    tx.Commit();
    return summaryOf(kubun.KubunName, d);
}

TRemoved Remove(const TSiteDay& day, const TSiteEntry& entry)
{
    checkId(entry.id);
    const TOndoKubun kubun = CheckDay(day);

    Transaction tx;
    Store::LockRecords();
    int index = -1;
    Store::THistoryTailRead tail;
    Day d = dayWithLast(day, kubun, entry.id, entry.device, index, tail);
    if (index < 0)
        return {false, summaryOf(kubun.KubunName, d)};
    const QDateTime hiduke = dayOf(day);
    const Reading gone = d.rows.takeAt(index).reading;
    const int removed = gone.LNO;
    if (d.rows.isEmpty()) {
        // Its history is the day's: the one reading left goes with it.
        TOndoKanri::DeleteDay(d.headerId, hiduke, entry.deviceName);
        tx.Commit();
        return {true, summaryOf(kubun.KubunName, d)};
    }
    History::TWriter history = historyOf(day, kubun, entry);
    history.Begin(tail);
    const int moved = int(d.rows.size()) - index;
    history.Add(History::Deleted, hiduke, removed, History::ReadingText(gone),
                moved > 0 ? QStringLiteral("（後の %1 件を 1 台ずつ繰り上げ）").arg(moved)
                          : QString());
    Store::RemoveReading(d.headerId, hiduke, removed);
    // The loads after it move up, so that the numbers stay the trucks' order without a gap;
    // a label that was its number follows it.
    for (int i = index; i < d.rows.size(); ++i) {
        Reading& r = d.rows[i].reading;
        const int lno = r.LNO - 1;
        if (r.Sokuten == QString::number(r.LNO))
            r.Sokuten = QString::number(lno);
        Store::MoveReading(d.headerId, hiduke, r.LNO, lno, r.Sokuten);
        r.LNO = lno;
    }
    storeSummary(day, kubun, d, history);
    tx.Commit();
    return {true, summaryOf(kubun.KubunName, d)};
}

TSiteSummary Summary(const TSiteDay& day)
{
    const TOndoKubun kubun = CheckDay(day);
    return summaryOf(kubun.KubunName, readDay(day, kubun));
}

} // namespace SiteReadings
