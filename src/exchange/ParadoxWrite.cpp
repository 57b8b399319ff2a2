#include "core/AppError.h"
#include "domain/OndoKanri.h"
#include "exchange/ParadoxWork.h"
#include "storage/Backup.h"
#include "storage/Engine.h"
#include "store/Records.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QVariant>

// Carrying out a Paradox import, and what it tells a person.

namespace ParadoxImport {

namespace {

// A field written in place of the old table's own (a stored ID).
struct Given
{
    const char* column;
    QVariant value;
};

// The old row's fields, by our column names, with the given ones in their place.
Store::TLegacyWriter::Field FieldsOf(const ParadoxTable& old, int r, const QList<Given>& given = {})
{
    return [&old, r, given](const QString& column) {
        for (const Given& g : given) {
            if (column.compare(QLatin1String(g.column), Qt::CaseInsensitive) == 0)
                return g.value;
        }
        return old.value(r, column);
    };
}

std::function<bool(const QString&)> HasOf(const ParadoxTable& old)
{
    return [&old](const QString& column) { return old.has(column); };
}

void Write(const Work& w)
{
    const ParadoxTable& kubun = w.tables[Kubun];
    Store::TLegacyWriter categories(Store::LegacyTable::Categories, HasOf(kubun));
    for (int r = 0; r < kubun.rows.size(); ++r) {
        int id = -1;
        if (!kubun.id(r, "ID", &id) || id < 0)
            continue;
        if (w.kubunInsert.contains(id))
            categories.Insert(FieldsOf(kubun, r));
        else if (w.kubunUpdate.contains(id))
            categories.Update(FieldsOf(kubun, r));
    }

    for (int i = 0; i < 3; ++i) {
        const Store::LegacyTable reg = LegacyOf(Koji + i);
        const ParadoxTable& t = w.tables[Koji + i];
        Store::TLegacyWriter entries(reg, HasOf(t));
        const QString keyColumn = Store::LegacyKeyColumn(reg);
        for (int r = 0; r < t.rows.size(); ++r) {
            const QString key = t.text(r, keyColumn);
            if (key.isEmpty())
                continue;
            if (Store::RegisterHasKey(reg, key))
                entries.Update(FieldsOf(t, r));
            else
                entries.Insert(FieldsOf(t, r));
        }
    }

    const ParadoxTable& kanri = w.tables[Kanri];
    Store::TLegacyWriter records(Store::LegacyTable::Records);
    for (const int r : w.kanriRows) {
        int oldId = 0, oldKubun = -1;
        kanri.id(r, "ID", &oldId);
        kanri.id(r, "Kubun", &oldKubun);
        records.Insert(FieldsOf(kanri, r,
                                {{"ID", w.recordTarget.value(oldId)},
                                 {"Kubun", w.kubunTarget.value(oldKubun, oldKubun)}}));
    }

    Store::TLegacyWriter days(Store::LegacyTable::Days);
    for (const auto& [r, id] : w.headRows)
        days.Insert(FieldsOf(w.tables[Head], r, {{"KanriID", id}}));
    Store::TLegacyWriter readings(Store::LegacyTable::Readings);
    for (const auto& [r, id] : w.lineRows)
        readings.Insert(FieldsOf(w.tables[Line], r, {{"KanriID", id}}));
}

} // namespace

bool Plan::empty() const
{
    for (const TableReport& t : tables) {
        if (t.added || t.updated)
            return false;
    }
    return true;
}

Plan DryRun(const QString& folder)
{
    // Compared with the store as the import would find it: with its tables and default
    // categories. The transaction is never committed, so nothing stays written.
    Work w;
    ReadFolder(w, folder);
    Transaction tx;
    TOndoKanri::CreateTables();
    Decide(w);
    return w.plan;
}

QString Summary(const Plan& plan)
{
    QStringList lines;
    lines << QStringLiteral("旧データ: %1").arg(QDir::toNativeSeparators(plan.folder));
    for (const TableReport& t : plan.tables) {
        if (!t.present) {
            lines << QStringLiteral("%1.DB: ありません (読み飛ばします)").arg(t.table);
            continue;
        }
        QString line =
            QStringLiteral("%1.DB: %2 行、追加 %3").arg(t.table).arg(t.rows).arg(t.added);
        if (t.updated)
            line += QStringLiteral("、更新 %1").arg(t.updated);
        if (t.joined)
            line += QStringLiteral("、既存の記録に合流 %1").arg(t.joined);
        if (t.skipped)
            line += QStringLiteral("、取り込まない %1").arg(t.skipped);
        if (t.table == Store::LegacyTableName(Store::LegacyTable::Categories) &&
            plan.olderKubunLayout)
            line += QStringLiteral(" (計測間隔のない古い形式)");
        lines << line;
    }
    if (plan.renumbered)
        lines << QStringLiteral("ID が使われている記録 %1 件は新しい ID で取り込みます")
                     .arg(plan.renumbered);
    if (!plan.collisions.isEmpty()) {
        lines << QStringLiteral("現在のデータと重なる記録 %1 件:").arg(plan.collisions.size());
        for (const QString& c : plan.collisions)
            lines << QStringLiteral("  ") + c;
    }
    lines << plan.notes;
    return lines.join(QLatin1Char('\n'));
}

namespace {

Plan ImportRead(Work& w)
{
    const QString dataFolder = Engine::CurrentFolder();
    TOndoKanri::CreateTables();
    Backup::WriteBeforeRewrite(dataFolder);
    Transaction tx;
    // Decided under the write lock, against the store as the write will find it.
    Store::LockRecords();
    Decide(w);
    if (w.plan.empty())
        throw AppError(
            QStringLiteral("'%1' に取り込むものがありません").arg(PathExcerpt(w.plan.folder)));
    Write(w);
    tx.Commit();
    return w.plan;
}

} // namespace

Plan Import(const QString& folder)
{
    Work w;
    ReadFolder(w, folder); // a folder that cannot be read stops before the backup
    return ImportRead(w);
}

QString ResultLine(const Plan& plan)
{
    const auto added = [&plan](int t) { return plan.tables.at(t).added; };
    const auto changed = [&plan](int t) {
        return plan.tables.at(t).added + plan.tables.at(t).updated;
    };
    QString line =
        QStringLiteral(
            "取り込み: 温度区分 %1、工事 %2、合材 %3、測定者 %4、記録 %5、日 %6、測定値 %7")
            .arg(changed(Kubun))
            .arg(changed(Koji))
            .arg(changed(Gozai))
            .arg(changed(Simei))
            .arg(added(Kanri))
            .arg(added(Head))
            .arg(added(Line));
    if (plan.renumbered)
        line += QStringLiteral(" (新しい ID %1 件)").arg(plan.renumbered);
    if (!plan.collisions.isEmpty())
        line += QStringLiteral(" (既存の記録に加えた記録 %1 件)").arg(plan.collisions.size());
    return line;
}

void RunCommand(const QString& folder, bool dryRun, const QString& dataFolder, QTextStream& out)
{
    // The folder is read before the data is opened: an unreadable one leaves no data file.
    Work w;
    ReadFolder(w, folder);
    const QString file =
        Engine::IsServerLocation(dataFolder)
            ? QString()
            : Engine::ParseLocation(dataFolder).folder + QLatin1String(Engine::DatabaseFileName);
    const bool existed = file.isEmpty() || QFileInfo(file).size() > 0;
    Engine::OpenDatabase(dataFolder);
    if (dryRun) {
        QString summary;
        {
            Transaction tx;
            TOndoKanri::CreateTables();
            Decide(w);
            summary = Summary(w.plan);
        }
        // A look at a folder that held no data leaves none behind.
        if (!existed && QFileInfo(file).size() == 0) {
            Engine::CloseDatabase();
            QFile::remove(file);
        }
        out << summary << Qt::endl;
        return;
    }
    const Plan plan = ImportRead(w);
    out << ResultLine(plan) << Qt::endl;
    for (const TableReport& t : plan.tables) {
        if (!t.present)
            out << QStringLiteral("%1.DB はありませんでした").arg(t.table) << Qt::endl;
    }
}

} // namespace ParadoxImport
