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

// The server's tables, columns and indexes, read in one statement when first asked: asked one by
// one, the checks at start cost a round trip each. Forgotten whenever the layout may have
// changed: a change made here, a rollback, another connection.
struct ServerLayout
{
    bool read = false;
    QHash<QString, QSet<QString>> columns; // lower-case table → its lower-case columns
    QSet<QString> indexes;
};
ServerLayout g_layout;

const ServerLayout& serverLayout()
{
    if (!g_layout.read) {
        const ServerLink::Rows rows = ServerLink::Run(QStringLiteral(
            "select table_name, column_name from information_schema.columns "
            "where table_schema = current_schema() union all "
            "select '', indexname from pg_indexes where schemaname = current_schema()"));
        ServerLayout layout;
        for (size_t i = 0; i + 1 < rows.values.size(); i += 2) {
            const QString table = rows.values[i].toString().toLower();
            const QString name = rows.values[i + 1].toString().toLower();
            if (table.isEmpty())
                layout.indexes.insert(name);
            else
                layout.columns[table].insert(name);
        }
        layout.read = true;
        g_layout = layout;
    }
    return g_layout;
}

} // namespace

void ForgetLayout()
{
    g_layout = ServerLayout();
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
    return rowsExist(
        QStringLiteral(
            "select count(*) from sqlite_master where type='table' and lower(name)=lower(?)"),
        {table});
}

bool ColumnExists(const QString& table, const QString& column)
{
    if (IsServer())
        return serverLayout().columns.value(table.toLower()).contains(column.toLower());
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
    return IsServer() && serverLayout().indexes.contains(index.toLower());
}

} // namespace Engine
