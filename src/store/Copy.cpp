#include "store/Copy.h"

#include "storage/Engine.h"
#include "storage/Query.h"
#include "storage/Schema.h"

namespace Store {

QList<QPair<QString, bool>> TablesPresent()
{
    QList<QPair<QString, bool>> tables;
    for (const Schema::Table& t : Schema::Tables())
        tables.append({t.name, Engine::TableExists(t.name)});
    return tables;
}

int EnteredRows()
{
    int rows = 0;
    for (const Schema::Table& t : Schema::Tables()) {
        if (t.name == QLatin1String("OndoKubun") || !Engine::TableExists(t.name))
            continue;
        Query q(QStringLiteral("select count(*) as N from ") + t.name);
        q.Open();
        rows += q.FieldInt(QStringLiteral("N"));
    }
    return rows;
}

int ReplaceTableFrom(const QString& source, const QString& table)
{
    Query(QStringLiteral("delete from ") + table).ExecSQL();
    return Engine::CopyFrom(source, table);
}

} // namespace Store
