#include "exchange/CsvImport.h"

#include "core/AppError.h"
#include "core/KikakuText.h"
#include "core/Utility.h"
#include "domain/History.h"
#include "domain/OndoKubun.h"
#include "domain/RegisterEntry.h"
#include "storage/Backup.h"
#include "storage/Engine.h"
#include "store/Records.h"

#include <QSet>
#include <QTextStream>
#include <optional>

// Storing the days read from a logger's file, as 登録 stores a day.

namespace {

QDateTime StoredDay(const QDate& day)
{
    return QDateTime(day, QTime(0, 0));
}

} // namespace

QList<QDate> StoredCsvDays(const QList<CsvDay>& days, const CsvTarget& target)
{
    Store::TStoredDaysRead read(target.kojiCode, target.gozaiName, target.kubunName, false);
    read.Open();
    QSet<QDate> there;
    for (const Store::TDaySummary& d : read.Days())
        there.insert(d.day.date());
    QList<QDate> stored;
    for (const CsvDay& day : days) {
        if (there.contains(day.day))
            stored << day.day;
    }
    return stored;
}

namespace {

// `replaceable`: the stored days that may be replaced; unset, every one.
CsvImportResult Import(const QList<CsvDay>& days, const CsvTarget& target,
                       const std::optional<QList<QDate>>& replaceable)
{
    CsvImportResult result;
    QList<const CsvDay*> wanted;
    for (const CsvDay& day : days) {
        if (day.stats.count > MaxReadingsPerDay)
            result.refused << QStringLiteral("%1: %2 件は1日の上限 %3 件を超えるため取り込みません")
                                  .arg(FormatDate(StoredDay(day.day)))
                                  .arg(day.stats.count)
                                  .arg(MaxReadingsPerDay);
        else if (day.stats.count > 0)
            wanted << &day;
    }
    if (wanted.isEmpty())
        throw AppError(result.refused.isEmpty() ? QStringLiteral("取り込む温度がありません")
                                                : result.refused.constFirst());

    // Kept before the write lock is taken, so that the lock is held for the write alone.
    Backup::WriteIfChanged(Engine::CurrentFolder());
    Transaction tx;
    // From here every writer waits its turn: what is checked below is what is overwritten.
    Store::LockRecords();
    // Everything the days depend on, asked at once: a distant server answers in one round trip.
    TOndoKanri record;
    Store::TRegisterRead koji = record.Koji.PrepareLoad(target.kojiCode);
    Store::TRegisterRead gozai = record.Gozai.PrepareLoad(target.gozaiName);
    Store::TCategoryRead kubun = TOndoKubun::PrepareLoadByName(target.kubunName);
    Store::TRecordRead header(target.kojiCode, target.gozaiName, target.kubunName);
    Store::TStoredDaysRead storedDays(target.kojiCode, target.gozaiName, target.kubunName, true);
    Store::THistoryTailRead tail;
    Store::OpenTogether({&koji, &gozai, &kubun, &header, &storedDays, &tail});
    if (target.kojiCode.isEmpty() || !koji.Row())
        throw AppError(
            QStringLiteral("工事コード '%1' は登録されていません").arg(Excerpt(target.kojiCode)));
    if (target.gozaiName.trimmed().isEmpty())
        throw AppError(QStringLiteral("合材名が指定されていません"));
    record.Kubun.TakeLoadByName(kubun, target.kubunName);
    if (target.kubunName.isEmpty() || record.Kubun.ID < 0)
        throw AppError(
            QStringLiteral("温度区分 '%1' は登録されていません").arg(Excerpt(target.kubunName)));
    record.Koji.TakeLoad(koji, target.kojiCode);
    record.Gozai.TakeLoad(gozai, target.gozaiName);

    // A stored header keeps its specified value, note and (unless given) measurer.
    const std::optional<Store::TRecordRow> storedHeader = header.Row();
    const int id = storedHeader ? storedHeader->id : 0;
    if (id != 0) {
        record.Simei.Key = storedHeader->simei;
        record.Kiji = storedHeader->kiji;
        const TKikakuText kikaku = TKikakuText::Parse(storedHeader->kikakuti);
        record.SpecValue = kikaku.value;
        record.SpecRange = kikaku.range;
        record.SpecInterval = kikaku.interval;
    } else {
        // A new record's specified value starts as its category's range, as in the window.
        record.SpecValue = record.Kubun.OndoRange;
        record.SpecRange = record.Kubun.OndoRange;
        record.SpecInterval = record.Kubun.SokuteiKankaku;
    }
    if (!target.simei.isEmpty())
        record.Simei.Key = target.simei;

    // A replaced day keeps its note and conditions; its readings are the file's, and a phone's
    // marks on the old ones go with them.
    struct TDayNotes
    {
        QString tekiyo, tenki, kion;
        QString held; // what the day held, as the history says it was
    };
    QHash<QDate, TDayNotes> notes;
    for (const Store::TDaySummary& d : storedDays.Days())
        notes.insert(d.day.date(), {d.tekiyo, d.tenki, d.kion,
                                    History::DayText(d.kosu, d.maxOndo, d.miniOndo, d.avgOndo)});

    QStringList stored;
    for (const CsvDay* day : wanted) {
        if (notes.contains(day->day) && !(!replaceable || replaceable->contains(day->day)))
            stored << FormatDate(StoredDay(day->day));
    }
    if (!stored.isEmpty())
        throw AppError(
            QStringLiteral("試験日 %1 はすでに登録されています（置き換えるには --replace を指定）")
                .arg(Excerpt(stored.join(QStringLiteral("、")))));

    record.ID = id != 0 ? id : TOndoKanri::NewID();
    // Once: a header updated per day would leave a server thousands of versions of its row.
    record.WriteHeader(id != 0);
    History::TWriter history(target.simei.isEmpty() ? record.Simei.Simei() : target.simei,
                             target.kojiCode, target.gozaiName, record.Kubun.ID,
                             record.Kubun.KubunName);
    history.Begin(tail);
    TDayWriter writer(record, id != 0, history);
    for (const CsvDay* day : wanted) {
        record.Hiduke = StoredDay(day->day);
        record.Kosu = day->stats.count;
        record.MaxOndo = day->stats.maximum;
        record.MiniOndo = day->stats.minimum;
        record.AvgOndo = day->stats.average;
        const auto kept = notes.constFind(day->day);
        const bool dayStored = kept != notes.constEnd();
        record.Tekiyo = dayStored ? kept->tekiyo : QString();
        record.Tenki = dayStored ? kept->tenki : QString();
        record.Kion = dayStored ? kept->kion : QString();
        record.DaySimei = record.Simei.Simei();
        record.Mogi = false; // read from a logger: measured
        writer.AddSummary(dayStored, dayStored ? kept->held : QString());
    }
    for (const CsvDay* day : wanted) {
        // A day at a time from the file: a million readings are never held at once.
        const QList<Reading> readings = day->Readings();
        record.Hiduke = StoredDay(day->day);
        writer.AddReadings(readings);
        ++result.days;
        result.readings += readings.size();
    }
    writer.Finish();
    tx.Commit();
    return result;
}

} // namespace

CsvImportResult ImportCsvDays(const QList<CsvDay>& days, const CsvTarget& target, bool replace)
{
    return Import(days, target,
                  replace ? std::nullopt : std::optional<QList<QDate>>(QList<QDate>()));
}

CsvImportResult ImportCsvDays(const QList<CsvDay>& days, const CsvTarget& target,
                              const QList<QDate>& replaceable)
{
    return Import(days, target, replaceable);
}

void RunCsvImportCommand(const CsvCommand& command, QTextStream& out)
{
    const CsvColumns columns =
        command.columns.isEmpty() ? CsvColumns() : ParseColumnsOption(command.columns);
    if (!Store::HoldsRecords())
        throw AppError(QStringLiteral("データ格納場所 '%1' に温度管理のデータがありません")
                           .arg(PathExcerpt(Engine::DisplayName(Engine::CurrentFolder()))));
    const CsvTable table = ReadCsvFile(command.file);
    const QList<CsvDay> days = CsvDays(table, columns);
    const CsvImportResult result = ImportCsvDays(days, command.target, command.replace);
    for (const QString& refused : result.refused)
        out << refused << Qt::endl;
    out << QStringLiteral("取り込み: %1 日 %2 件").arg(result.days).arg(result.readings)
        << Qt::endl;
}
