#include "exchange/ParadoxImport.h"

#include "core/AppError.h"
#include "domain/OndoKanri.h"
#include "exchange/ParadoxTable.h"
#include "storage/Backup.h"
#include "storage/Engine.h"
#include "storage/Query.h"
#include "storage/Schema.h"

#include <QDateTime>
#include <QDir>
#include <QHash>
#include <QSet>
#include <QTextStream>
#include <QVariant>

namespace ParadoxImport {

namespace {

const char* const TableNames[] = {"OndoKubun",  "Koji1",     "GozaiDef", "SIMEI",
                                  "OndoKanri4", "OndoHead4", "OndoLine4"};
enum TableIndex { Kubun, Koji, Gozai, Simei, Kanri, Head, Line, TableTotal };

// The required columns of each table; an older OndoKubun lacks only SokuteiKankaku.
const QList<QList<const char*>> RequiredColumns = {
    {"ID", "KubunName"},
    {"CODE", "KOJIMEI"},
    {"DataName", "PrintName"},
    {"SIMEI", "FURIGANA"},
    {"ID", "KojiCode", "GozaiName", "Kubun"},
    {"KanriID", "Hiduke"},
    {"KanriID", "Hiduke", "LNO", "Ondo"},
};

struct Register
{
    const char* table;
    const char* key;
};
const Register Registers[] = {{"Koji1", "CODE"}, {"GozaiDef", "DataName"}, {"SIMEI", "SIMEI"}};

QString DayKey(int id, const QDateTime& day)
{
    return QString::number(id) + QLatin1Char('|') + DateTimeToStorage(day);
}
QString HeaderKey(const QString& koji, const QString& gozai, int kubun)
{
    return koji + QChar(0x1f) + gozai + QChar(0x1f) + QString::number(kubun);
}

bool StoreHas(const QString& table)
{
    return Engine::TableExists(table);
}

// Everything read and decided; Import carries it out.
struct Work
{
    Plan plan;
    ParadoxTable tables[TableTotal];
    bool present[TableTotal] = {};
    QHash<int, int> kubunTarget;        // old category ID -> stored ID
    QHash<int, QString> kubunNames;     // stored ID -> name, after the import
    QSet<int> kubunInsert, kubunUpdate; // stored IDs
    QList<int> kanriRows;               // rows of OndoKanri4 that become new headers
    QHash<int, int> recordTarget;       // old record ID -> stored ID
    QSet<QString> takenDays;            // DayKey of stored days a joining record must not touch
    QSet<QString> headDays;             // DayKey (stored ID) of imported days
};

void ReadFolder(Work& w, const QString& folder)
{
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists())
        throw AppError(
            QStringLiteral("フォルダ '%1' がありません").arg(QDir::toNativeSeparators(folder)));
    w.plan.folder = QDir::fromNativeSeparators(dir.absolutePath());
    // The old files may be named in any case.
    QHash<QString, QString> files;
    for (const QString& name : dir.entryList(QDir::Files))
        files.insert(name.toUpper(), dir.filePath(name));
    bool any = false;
    for (int t = 0; t < TableTotal; ++t) {
        TableReport report;
        report.table = QString::fromLatin1(TableNames[t]);
        const QString file = files.value(report.table.toUpper() + QLatin1String(".DB"));
        if (!file.isEmpty()) {
            w.tables[t] = ReadParadoxTable(file);
            for (const char* column : RequiredColumns.at(t)) {
                if (!w.tables[t].has(column))
                    throw AppError(QStringLiteral("%1.DB に %2 の列がありません")
                                       .arg(report.table, QLatin1String(column)));
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
                .arg(QDir::toNativeSeparators(folder)));
    w.plan.olderKubunLayout = w.present[Kubun] && !w.tables[Kubun].has("SokuteiKankaku");
}

void PlanCategories(Work& w)
{
    QHash<int, QString> storedName;
    if (StoreHas(QStringLiteral("OndoKubun"))) {
        Query q(QStringLiteral("select ID, KubunName from OndoKubun"));
        q.Open();
        for (; !q.Eof(); q.Next())
            storedName.insert(q.FieldInt(QStringLiteral("ID")),
                              q.FieldText(QStringLiteral("KubunName")));
    }
    w.kubunNames = storedName;
    const ParadoxTable& t = w.tables[Kubun];
    TableReport& report = w.plan.tables[Kubun];
    for (int r = 0; r < t.rows.size(); ++r) {
        const int id = t.integer(r, "ID");
        const QString name = t.text(r, "KubunName");
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
        const Register& reg = Registers[i];
        QSet<QString> stored;
        if (StoreHas(QString::fromLatin1(reg.table))) {
            Query q(QStringLiteral("select %1 as K from %2")
                        .arg(QLatin1String(reg.key), QLatin1String(reg.table)));
            q.Open();
            for (; !q.Eof(); q.Next())
                stored.insert(q.FieldText(QStringLiteral("K")));
        }
        TableReport& report = w.plan.tables[t];
        for (int r = 0; r < w.tables[t].rows.size(); ++r) {
            const QString key = w.tables[t].text(r, reg.key);
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
    QSet<int> usedIds;
    QHash<QString, int> storedHeaders; // natural key -> stored ID
    int maxId = 0;
    if (StoreHas(QStringLiteral("OndoKanri4"))) {
        Query q(QStringLiteral("select ID, KojiCode, GozaiName, Kubun from OndoKanri4"));
        q.Open();
        for (; !q.Eof(); q.Next()) {
            const int id = q.FieldInt(QStringLiteral("ID"));
            usedIds.insert(id);
            maxId = qMax(maxId, id);
            storedHeaders.insert(HeaderKey(q.FieldText(QStringLiteral("KojiCode")),
                                           q.FieldText(QStringLiteral("GozaiName")),
                                           q.FieldInt(QStringLiteral("Kubun"))),
                                 id);
        }
    }
    const ParadoxTable& t = w.tables[Kanri];
    for (int r = 0; r < t.rows.size(); ++r)
        maxId = qMax(maxId, t.integer(r, "ID"));

    TableReport& report = w.plan.tables[Kanri];
    QSet<int> joining; // stored IDs that old records join
    QHash<QString, int> importedHeaders;
    for (int r = 0; r < t.rows.size(); ++r) {
        const int oldId = t.integer(r, "ID");
        const QString koji = t.text(r, "KojiCode");
        const QString gozai = t.text(r, "GozaiName");
        const int kubun = w.kubunTarget.value(t.integer(r, "Kubun"), t.integer(r, "Kubun"));
        if (w.recordTarget.contains(oldId)) {
            ++report.skipped;
            w.plan.notes
                << QStringLiteral("記録 ID %1 が二度あります: 二つ目は取り込みません").arg(oldId);
            continue;
        }
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
                       .arg(koji, gozai, w.kubunNames.value(kubun, QString::number(kubun)))
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
        if (target <= 0 || usedIds.contains(target)) {
            target = ++maxId;
            ++w.plan.renumbered;
        }
        usedIds.insert(target);
        w.recordTarget.insert(oldId, target);
        importedHeaders.insert(key, target);
        w.kanriRows << r;
        ++report.added;
    }

    // Days the stored headers already have stay as stored.
    if (!joining.isEmpty()) {
        for (const char* table : {"OndoHead4", "OndoLine4"}) {
            if (!StoreHas(QString::fromLatin1(table)))
                continue;
            Query q(QStringLiteral("select distinct KanriID, Hiduke from %1")
                        .arg(QLatin1String(table)));
            q.Open();
            for (; !q.Eof(); q.Next()) {
                const int id = q.FieldInt(QStringLiteral("KanriID"));
                if (joining.contains(id))
                    w.takenDays.insert(DayKey(id, q.FieldDateTime(QStringLiteral("Hiduke"))));
            }
        }
    }
}

void PlanDays(Work& w)
{
    int orphans = 0, kept = 0, undated = 0;
    for (const int t : {Head, Line}) {
        TableReport& report = w.plan.tables[t];
        const ParadoxTable& table = w.tables[t];
        for (int r = 0; r < table.rows.size(); ++r) {
            const int oldId = table.integer(r, "KanriID");
            const QDateTime day = table.when(r, "Hiduke");
            bool skip = true;
            if (!w.recordTarget.contains(oldId))
                ++orphans;
            else if (!day.isValid())
                ++undated;
            else if (w.takenDays.contains(DayKey(w.recordTarget.value(oldId), day)))
                ++kept;
            else
                skip = false;
            if (skip) {
                ++report.skipped;
                continue;
            }
            ++report.added;
            if (t == Head) {
                const QString key = DayKey(w.recordTarget.value(oldId), day);
                if (w.headDays.contains(key)) {
                    // A second summary of the same day would give the store two rows of one day.
                    --report.added;
                    ++report.skipped;
                    continue;
                }
                w.headDays.insert(key);
            }
        }
    }
    if (orphans)
        w.plan.notes << QStringLiteral("記録 (OndoKanri4) のない日・測定値 %1 行は取り込みません")
                            .arg(orphans);
    if (undated)
        w.plan.notes << QStringLiteral("日付のない日・測定値 %1 行は取り込みません").arg(undated);
    if (kept)
        w.plan.notes
            << QStringLiteral("現在のデータにすでにある日の %1 行は現在のまま残します").arg(kept);
}

// Decides against the store as it is now.
void Decide(Work& w)
{
    PlanCategories(w);
    PlanRegisters(w);
    PlanRecords(w);
    PlanDays(w);
}

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
        const int id = kubun.integer(r, "ID");
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
        const int oldKubun = kanri.integer(r, "Kubun");
        records.Insert(r, {{"ID", w.recordTarget.value(kanri.integer(r, "ID"))},
                           {"Kubun", w.kubunTarget.value(oldKubun, oldKubun)}});
    }

    QSet<QString> written;
    const ParadoxTable& head = w.tables[Head];
    RowWriter days(head, "OndoHead4");
    for (int r = 0; r < head.rows.size(); ++r) {
        const int oldId = head.integer(r, "KanriID");
        const QDateTime when = head.when(r, "Hiduke");
        if (!w.recordTarget.contains(oldId) || !when.isValid())
            continue;
        const int id = w.recordTarget.value(oldId);
        const QString key = DayKey(id, when);
        if (w.takenDays.contains(key) || written.contains(key))
            continue;
        written.insert(key);
        days.Insert(r, {{"KanriID", id}});
    }

    const ParadoxTable& line = w.tables[Line];
    RowWriter readings(line, "OndoLine4");
    for (int r = 0; r < line.rows.size(); ++r) {
        const int oldId = line.integer(r, "KanriID");
        const QDateTime when = line.when(r, "Hiduke");
        if (!w.recordTarget.contains(oldId) || !when.isValid())
            continue;
        const int id = w.recordTarget.value(oldId);
        if (w.takenDays.contains(DayKey(id, when)))
            continue;
        readings.Insert(r, {{"KanriID", id}});
    }
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

Plan Import(const QString& folder)
{
    Work w;
    ReadFolder(w, folder); // a folder that cannot be read stops before the backup
    const QString dataFolder = Engine::CurrentFolder();
    TOndoKanri::CreateTables();
    Backup::WriteBeforeRewrite(dataFolder);
    Transaction tx;
    Decide(w);
    if (w.plan.empty())
        throw AppError(QStringLiteral("'%1' に取り込むものがありません")
                           .arg(QDir::toNativeSeparators(folder)));
    Write(w);
    tx.Commit();
    return w.plan;
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
    Engine::OpenDatabase(dataFolder);
    if (dryRun) {
        out << Summary(DryRun(folder)) << Qt::endl;
        return;
    }
    const Plan plan = Import(folder);
    out << ResultLine(plan) << Qt::endl;
    for (const TableReport& t : plan.tables) {
        if (!t.present)
            out << QStringLiteral("%1.DB はありませんでした").arg(t.table) << Qt::endl;
    }
}

} // namespace ParadoxImport
