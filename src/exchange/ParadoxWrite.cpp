#include "core/AppError.h"
#include "domain/OndoKanri.h"
#include "exchange/ParadoxWork.h"
#include "storage/Backup.h"
#include "storage/Engine.h"
#include "storage/Query.h"
#include "storage/Schema.h"

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

// Old rows written into our table of the same name, every declared column from the old field
// of its name, or its type's empty value where the old table has none.
class RowWriter
{
public:
    // With `key`, Update rewrites the stored row of the old row's key.
    RowWriter(const ParadoxTable& old, const char* table, const char* key = nullptr)
        : m_old(old), m_table(Schema::Get(QString::fromLatin1(table)))
    {
        const QStringList names = m_table.ColumnNames();
        m_insert.Add(
            QStringLiteral("insert into %1 (%2) values (:%3)")
                .arg(m_table.name, names.join(QLatin1Char(',')), names.join(QStringLiteral(",:"))));
        if (!key)
            return;
        // A later column the old table lacks keeps its stored value.
        QStringList set;
        for (const Schema::Column& c : m_table.columns) {
            if (c.name.compare(QLatin1String(key), Qt::CaseInsensitive) != 0 &&
                (!c.addedLater || old.has(c.name)))
                set << c.name + QStringLiteral("=:") + c.name;
        }
        m_update.Add(QStringLiteral("update %1 set %2 where %3=:%3")
                         .arg(m_table.name, set.join(QLatin1Char(',')), QLatin1String(key)));
    }
    void Insert(int r, const QList<Given>& given = {}) { run(m_insert, r, given); }
    void Update(int r) { run(m_update, r, {}); }

private:
    void run(Query& q, int r, const QList<Given>& given)
    {
        for (const Schema::Column& c : m_table.columns) {
            QVariant v = m_old.value(r, c.name);
            for (const Given& g : given) {
                if (c.name.compare(QLatin1String(g.column), Qt::CaseInsensitive) == 0)
                    v = g.value;
            }
            switch (c.type) {
            case Schema::Type::Integer:
                q.BindInt(c.name, v.toInt());
                break;
            case Schema::Type::Float:
                q.BindDouble(c.name, v.toDouble());
                break;
            case Schema::Type::DateTime:
                q.BindDateTime(c.name, v.toDateTime());
                break;
            case Schema::Type::String:
                q.BindText(c.name, v.toString());
                break;
            }
        }
        q.ExecSQL();
    }

    const ParadoxTable& m_old;
    const Schema::Table& m_table;
    Query m_insert, m_update;
};

void Write(const Work& w)
{
    const ParadoxTable& kubun = w.tables[Kubun];
    RowWriter categories(kubun, "OndoKubun", "ID");
    for (int r = 0; r < kubun.rows.size(); ++r) {
        int id = -1;
        if (!kubun.id(r, "ID", &id) || id < 0)
            continue;
        if (w.kubunInsert.contains(id))
            categories.Insert(r);
        else if (w.kubunUpdate.contains(id))
            categories.Update(r);
    }

    for (int i = 0; i < 3; ++i) {
        const Register& reg = Registers[i];
        const ParadoxTable& t = w.tables[Koji + i];
        RowWriter entries(t, reg.table, reg.key);
        for (int r = 0; r < t.rows.size(); ++r) {
            const QString key = t.text(r, reg.key);
            if (key.isEmpty())
                continue;
            Query probe(QStringLiteral("select * from %1 where %2=:A")
                            .arg(QLatin1String(reg.table), QLatin1String(reg.key)));
            probe.BindText(QStringLiteral("A"), key);
            probe.Open();
            if (probe.Eof())
                entries.Insert(r);
            else
                entries.Update(r);
        }
    }

    const ParadoxTable& kanri = w.tables[Kanri];
    RowWriter records(kanri, "OndoKanri4");
    for (const int r : w.kanriRows) {
        int oldId = 0, oldKubun = -1;
        kanri.id(r, "ID", &oldId);
        kanri.id(r, "Kubun", &oldKubun);
        records.Insert(r, {{"ID", w.recordTarget.value(oldId)},
                           {"Kubun", w.kubunTarget.value(oldKubun, oldKubun)}});
    }

    RowWriter days(w.tables[Head], "OndoHead4");
    for (const auto& [r, id] : w.headRows)
        days.Insert(r, {{"KanriID", id}});
    RowWriter readings(w.tables[Line], "OndoLine4");
    for (const auto& [r, id] : w.lineRows)
        readings.Insert(r, {{"KanriID", id}});
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
        if (t.table == QLatin1String("OndoKubun") && plan.olderKubunLayout)
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
    Engine::LockForNewID(QStringLiteral("OndoKanri4"));
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
