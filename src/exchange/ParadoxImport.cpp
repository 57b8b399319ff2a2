#include "exchange/ParadoxImport.h"

#include "core/AppError.h"
#include "core/Utility.h"
#include "domain/Temperature.h"
#include "exchange/ParadoxWork.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTextStream>
#include <QVariant>
#include <cmath>
#include <limits>

namespace ParadoxImport {

namespace {

// The required columns of each table; an older category table lacks only SokuteiKankaku.
QStringList RequiredColumns(int t)
{
    static const QList<QStringList> columns = {
        {QStringLiteral("ID"), QStringLiteral("KubunName")},
        {QStringLiteral("CODE"), QStringLiteral("KOJIMEI")},
        {QStringLiteral("DataName"), QStringLiteral("PrintName")},
        {Store::LegacyKeyColumn(Store::LegacyTable::Names), QStringLiteral("FURIGANA")},
        {QStringLiteral("ID"), QStringLiteral("KojiCode"), QStringLiteral("GozaiName"),
         QStringLiteral("Kubun")},
        {QStringLiteral("KanriID"), QStringLiteral("Hiduke")},
        {QStringLiteral("KanriID"), QStringLiteral("Hiduke"), QStringLiteral("LNO"),
         QStringLiteral("Ondo")},
    };
    return columns.at(t);
}

QString DayKey(int id, const QDateTime& day)
{
    return QString::number(id) + QLatin1Char('|') + day.toString(Qt::ISODate);
}
QString HeaderKey(const QString& koji, const QString& gozai, int kubun)
{
    return koji + QChar(0x1f) + gozai + QChar(0x1f) + QString::number(kubun);
}

} // namespace

void ReadFolder(Work& w, const QString& folder)
{
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists())
        throw AppError(QStringLiteral("フォルダ '%1' がありません").arg(PathExcerpt(folder)));
    w.plan.folder = QDir::fromNativeSeparators(dir.absolutePath());
    // The old files may be named in any case.
    QHash<QString, QString> files;
    for (const QString& name : dir.entryList(QDir::Files))
        files.insert(name.toUpper(), dir.filePath(name));
    bool any = false;
    for (int t = 0; t < TableTotal; ++t) {
        TableReport report;
        report.table = Store::LegacyTableName(LegacyOf(t));
        const QString file = files.value(report.table.toUpper() + QLatin1String(".DB"));
        if (!file.isEmpty()) {
            w.tables[t] = ReadParadoxTable(file);
            for (const QString& column : RequiredColumns(t)) {
                if (!w.tables[t].has(column))
                    throw AppError(
                        QStringLiteral("%1.DB に %2 の列がありません").arg(report.table, column));
            }
            w.present[t] = true;
            report.present = true;
            report.rows = w.tables[t].rows.size();
            any = true;
        }
        w.plan.tables << report;
    }
    if (!any)
        throw AppError(
            QStringLiteral("フォルダ '%1' に旧データの表 (OndoKanri4.DB など) がありません")
                .arg(PathExcerpt(folder)));
    w.plan.olderKubunLayout = w.present[Kubun] && !w.tables[Kubun].has("SokuteiKankaku");
}

namespace {

void PlanCategories(Work& w)
{
    QHash<int, QString> storedName = Store::StoredCategoryNames();
    w.kubunNames = storedName;
    const ParadoxTable& t = w.tables[Kubun];
    TableReport& report = w.plan.tables[Kubun];
    for (int r = 0; r < t.rows.size(); ++r) {
        int id = -1;
        const QString name = t.text(r, "KubunName");
        // -1 means "no category"; a category is a number from 0.
        if (!t.id(r, "ID", &id) || id < 0) {
            ++report.skipped;
            w.plan.notes << QStringLiteral("温度区分「%1」の ID '%2' は 0 以上の整数ではないため"
                                           "取り込みません")
                                .arg(Excerpt(name, 24), Excerpt(t.text(r, "ID"), 12));
            continue;
        }
        // The same name under another ID is the same category: records follow the stored one.
        const int other = storedName.key(name, id);
        if (other != id && storedName.value(id) != name) {
            w.kubunTarget.insert(id, other);
            ++report.skipped;
            w.plan.notes << QStringLiteral("温度区分「%1」(ID %2) は現在の ID %3 として扱います")
                                .arg(name)
                                .arg(id)
                                .arg(other);
            continue;
        }
        w.kubunTarget.insert(id, id);
        w.kubunNames.insert(id, name);
        if (storedName.contains(id)) {
            w.kubunUpdate.insert(id);
            ++report.updated;
        } else {
            w.kubunInsert.insert(id);
            ++report.added;
        }
        storedName.insert(id, name);
    }
}

void PlanRegisters(Work& w)
{
    for (int i = 0; i < 3; ++i) {
        const int t = Koji + i;
        const QString keyColumn = Store::LegacyKeyColumn(LegacyOf(t));
        QSet<QString> stored = Store::StoredRegisterKeys(LegacyOf(t));
        TableReport& report = w.plan.tables[t];
        for (int r = 0; r < w.tables[t].rows.size(); ++r) {
            const QString key = w.tables[t].text(r, keyColumn);
            if (key.isEmpty()) {
                ++report.skipped;
                continue;
            }
            if (stored.contains(key)) {
                ++report.updated;
            } else {
                stored.insert(key);
                ++report.added;
            }
        }
    }
}

void PlanRecords(Work& w)
{
    QSet<int> assigned;                // stored numbers and those given to imported records so far
    QHash<QString, int> storedHeaders; // natural key -> stored ID
    for (const Store::TStoredRecordKey& k : Store::StoredRecordKeys()) {
        assigned.insert(k.id);
        storedHeaders.insert(HeaderKey(k.kojiCode, k.gozaiName, k.kubun), k.id);
    }
    const ParadoxTable& t = w.tables[Kanri];
    QSet<int> oldIds; // a later old record keeps its own number
    for (int r = 0; r < t.rows.size(); ++r) {
        int id = 0;
        if (t.id(r, "ID", &id))
            oldIds.insert(id);
    }
    // A new number above every one there, or, once 2147483647 is taken, the first gap:
    // never one past the largest.
    int next = 0;
    for (const int id : assigned + oldIds)
        next = qMax(next, id);
    const auto newId = [&]() {
        if (next < std::numeric_limits<int>::max())
            return ++next;
        int free = 1;
        while (assigned.contains(free) || oldIds.contains(free))
            ++free;
        return free;
    };

    TableReport& report = w.plan.tables[Kanri];
    QSet<int> joining; // stored IDs that old records join
    QHash<QString, int> importedHeaders;
    QSet<int> seenOld;
    for (int r = 0; r < t.rows.size(); ++r) {
        int oldId = 0;
        if (!t.id(r, "ID", &oldId)) {
            ++report.skipped;
            w.plan.notes << QStringLiteral("記録 ID '%1' は整数ではないため取り込みません")
                                .arg(Excerpt(t.text(r, "ID"), 20));
            continue;
        }
        const QString koji = t.text(r, "KojiCode");
        const QString gozai = t.text(r, "GozaiName");
        int oldKubun = -1;
        t.id(r, "Kubun", &oldKubun);
        const int kubun = w.kubunTarget.value(oldKubun, oldKubun);
        if (seenOld.contains(oldId)) {
            ++report.skipped;
            w.plan.notes
                << QStringLiteral("記録 ID %1 が二度あります: 二つ目は取り込みません").arg(oldId);
            continue;
        }
        seenOld.insert(oldId);
        const QString key = HeaderKey(koji, gozai, kubun);
        if (storedHeaders.contains(key)) {
            const int stored = storedHeaders.value(key);
            w.recordTarget.insert(oldId, stored);
            joining.insert(stored);
            ++report.joined;
            w.plan.collisions
                << QStringLiteral(
                       "記録 ID %1 (工事 %2 / 合材 %3 / 区分 %4): 現在の記録 ID %5 に日を加えます")
                       .arg(oldId)
                       .arg(Excerpt(koji, 20), Excerpt(gozai, 30),
                            Excerpt(w.kubunNames.value(kubun, QString::number(kubun)), 20))
                       .arg(stored);
            continue;
        }
        if (importedHeaders.contains(key)) {
            w.recordTarget.insert(oldId, importedHeaders.value(key));
            ++report.skipped;
            w.plan.notes << QStringLiteral(
                                "記録 ID %1 は同じ工事・合材・区分の記録 ID %2 にまとめます")
                                .arg(oldId)
                                .arg(importedHeaders.value(key));
            continue;
        }
        int target = oldId;
        if (target <= 0 || assigned.contains(target)) {
            target = newId();
            ++w.plan.renumbered;
        }
        assigned.insert(target);
        w.recordTarget.insert(oldId, target);
        importedHeaders.insert(key, target);
        w.kanriRows << r;
        ++report.added;
    }

    // Days the stored headers already have stay as stored.
    for (const auto& [id, day] : Store::StoredDaysOf(joining))
        w.takenDays.insert(DayKey(id, day));
}

void PlanDays(Work& w)
{
    int orphans = 0, kept = 0, undated = 0, dayless = 0, doubled = 0, notNumbers = 0;
    QSet<QString> headDays; // DayKey (stored ID) of imported days
    QSet<QString> dayKeys;  // every day the old folder has a summary of, by stored ID
    for (const int t : {Head, Line}) {
        TableReport& report = w.plan.tables[t];
        const ParadoxTable& table = w.tables[t];
        QSet<QString> numbers; // DayKey and LNO of the readings taken
        for (int r = 0; r < table.rows.size(); ++r) {
            int oldId = 0;
            const bool known = table.id(r, "KanriID", &oldId) && w.recordTarget.contains(oldId);
            const QDateTime day = table.when(r, "Hiduke");
            const int id = w.recordTarget.value(oldId);
            const QString key = DayKey(id, day);
            int lno = 0;
            const QVariant ondo = table.value(r, "Ondo");
            int* reason = nullptr;
            if (!known)
                reason = &orphans;
            else if (!day.isValid())
                reason = &undated;
            else if (w.takenDays.contains(key))
                reason = &kept;
            else if (t == Head && headDays.contains(key))
                reason = &doubled; // two summaries of one day would give it two rows
            else if (t == Line && !dayKeys.contains(key))
                reason = &dayless;
            else if (t == Line && (!table.id(r, "LNO", &lno) ||
                                   numbers.contains(key + QLatin1Char('#') + QString::number(lno))))
                reason = &doubled;
            else if (t == Line && !((ondo.typeId() == QMetaType::Double ||
                                     ondo.typeId() == QMetaType::LongLong) &&
                                    std::isfinite(ondo.toDouble())))
                reason = &notNumbers;
            if (reason) {
                ++*reason;
                ++report.skipped;
                continue;
            }
            if (t == Line) {
                // A typo of the old program is refused with the whole folder, never stored.
                const TTemperature checked = CheckTemperature(ondo.toDouble());
                if (!checked.IsValid())
                    throw AppError(QStringLiteral("OndoLine4.DB の %1 件目（記録 %2、%3、%4 "
                                                  "番）: %5。何も取り込んでいません")
                                       .arg(r + 1)
                                       .arg(oldId)
                                       .arg(FormatDate(day))
                                       .arg(lno)
                                       .arg(checked.refusal));
            }
            ++report.added;
            if (t == Head) {
                headDays.insert(key);
                dayKeys.insert(key);
                w.headRows << qMakePair(r, id);
            } else {
                numbers.insert(key + QLatin1Char('#') + QString::number(lno));
                w.lineRows << qMakePair(r, id);
            }
        }
        // Readings join the days of the folder's own summaries and the stored ones.
        if (t == Head)
            dayKeys += w.takenDays;
    }
    const struct
    {
        int count;
        const char* text;
    } notes[] = {
        {orphans, "記録 (OndoKanri4.DB) のない日・測定値 %1 行は取り込みません"},
        {undated, "日付のない日・測定値 %1 行は取り込みません"},
        {kept, "現在のデータにすでにある日の %1 行は現在のまま残します"},
        {dayless, "日 (OndoHead4.DB) のない測定値 %1 行は取り込みません"},
        {doubled, "同じ日・同じ番号の二つ目の行 %1 行は取り込みません"},
        {notNumbers, "温度が数値でない測定値 %1 行は取り込みません"},
    };
    for (const auto& n : notes) {
        if (n.count)
            w.plan.notes << QString::fromUtf8(n.text).arg(n.count);
    }
}

} // namespace

void Decide(Work& w)
{
    PlanCategories(w);
    PlanRegisters(w);
    PlanRecords(w);
    PlanDays(w);
}

} // namespace ParadoxImport
