// What the tables of the location hold, asked before any change of their layout.
#include "storage/Engine.h"
#include "storage/ServerLink.h"
#include "storage/SqlError.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace Engine {

namespace {

// A location's tables, columns and indexes, as one statement reads them.
struct Layout
{
    bool read = false;
    QHash<QString, QSet<QString>> columns; // lower-case table → its lower-case columns
    QSet<QString> indexes;

    // A row of the statement that reads a layout: a table and a column, or '' and an index.
    void Add(const QString& table, const QString& name)
    {
        if (table.isEmpty())
            indexes.insert(name.toLower());
        else
            columns[table.toLower()].insert(name.toLower());
    }
};
// The server's, read when first asked: asked one by one, the checks at start cost a round trip
// each. Forgotten whenever the layout may have changed: a change made here, a rollback,
// another connection.
Layout g_layout;

// A data file's layout, read in one statement for the checks made while a LayoutCheck lives
// (the start's ask dozens of times). Outside one, each check asks the file itself: another
// program may change it at any moment.
int g_fileChecks = 0;
Layout g_fileLayout;

const Layout& fileLayout()
{
    if (!g_fileLayout.read) {
        QSqlQuery q(Database());
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral(
                "select m.name, p.name from sqlite_master m join pragma_table_info(m.name) p "
                "where m.type = 'table' union all "
                "select '', name from sqlite_master where type = 'index'")))
            RaiseSqlError(q.lastError(), CurrentFolder());
        Layout layout;
        while (q.next())
            layout.Add(q.value(0).toString(), q.value(1).toString());
        layout.read = true;
        g_fileLayout = layout;
    }
    return g_fileLayout;
}

const Layout& serverLayout()
{
    if (!g_layout.read) {
        const ServerLink::Rows rows = ServerLink::Run(QStringLiteral(
            "select table_name, column_name from information_schema.columns "
            "where table_schema = current_schema() union all "
            "select '', indexname from pg_indexes where schemaname = current_schema()"));
        Layout layout;
        for (size_t i = 0; i + 1 < rows.values.size(); i += 2)
            layout.Add(rows.values[i].toString(), rows.values[i + 1].toString());
        layout.read = true;
        g_layout = layout;
    }
    return g_layout;
}

} // namespace

void ForgetLayout()
{
    g_layout = Layout();
    g_fileLayout = Layout();
}

LayoutCheck::LayoutCheck()
{
    ++g_fileChecks;
}

LayoutCheck::~LayoutCheck()
{
    if (--g_fileChecks == 0)
        g_fileLayout = Layout();
}

void NoteStatement(const QString& sql)
{
    static const QRegularExpression layoutChange(QStringLiteral("^\\s*(create|alter|drop)\\b"),
                                                 QRegularExpression::CaseInsensitiveOption);
    if (g_layout.read && layoutChange.match(sql).hasMatch())
        ForgetLayout();
}

namespace {
bool rowsExist(const QString& sql, const QStringList& values)
{
    QSqlQuery q(Database());
    if (!q.prepare(sql))
        RaiseSqlError(q.lastError(), CurrentFolder());
    for (const QString& v : values)
        q.addBindValue(v);
    if (!q.exec() || !q.next())
        RaiseSqlError(q.lastError(), CurrentFolder());
    return q.value(0).toInt() > 0;
}
} // namespace

bool TableExists(const QString& table)
{
    if (IsServer())
        return serverLayout().columns.contains(table.toLower());
    if (g_fileChecks > 0)
        return fileLayout().columns.contains(table.toLower());
    return rowsExist(
        QStringLiteral(
            "select count(*) from sqlite_master where type='table' and lower(name)=lower(?)"),
        {table});
}

bool ColumnExists(const QString& table, const QString& column)
{
    if (IsServer())
        return serverLayout().columns.value(table.toLower()).contains(column.toLower());
    if (g_fileChecks > 0)
        return fileLayout().columns.value(table.toLower()).contains(column.toLower());
    return rowsExist(
        QStringLiteral("select count(*) from pragma_table_info(?) where lower(name) = lower(?)"),
        {table, column});
}
QHash<QString, QStringList> ServerColumns()
{
    QHash<QString, QStringList> out;
    const auto& columns = serverLayout().columns;
    for (auto it = columns.cbegin(); it != columns.cend(); ++it)
        out.insert(it.key(), QStringList(it.value().cbegin(), it.value().cend()));
    return out;
}

bool IndexExists(const QString& index)
{
    if (IsServer())
        return serverLayout().indexes.contains(index.toLower());
    return g_fileChecks > 0 && fileLayout().indexes.contains(index.toLower());
}

} // namespace Engine
