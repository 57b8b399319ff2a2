#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QPair>
#include <QSet>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

class Query;
namespace Schema {
struct Table;
}

// The old program's folder: its tables (one .DB file each) bear the names and columns of ours,
// so an import compares and copies them table by table.
namespace Store {

// In the order an import reads and writes them.
enum class LegacyTable { Categories, Projects, Mixes, Names, Records, Days, Readings };
inline constexpr int LegacyTableCount = 7;
// The table's name: the old file's name without ".DB".
QString LegacyTableName(LegacyTable table);
// The column a category or register row is known by ("ID", "CODE", …); empty for the others.
QString LegacyKeyColumn(LegacyTable table);

// What is stored now, to decide against; empty where the table is missing.
QHash<int, QString> StoredCategoryNames();
// The keys of a register (Projects, Mixes, Names).
QSet<QString> StoredRegisterKeys(LegacyTable reg);
bool RegisterHasKey(LegacyTable reg, const QString& key);
struct TStoredRecordKey
{
    int id = 0;
    QString kojiCode, gozaiName;
    int kubun = -1;
};
QList<TStoredRecordKey> StoredRecordKeys();
// The days the given records hold, in their summaries or their readings.
QList<QPair<int, QDateTime>> StoredDaysOf(const QSet<int>& records);

// Old rows written into our table of the same name: every declared column from the old row's
// field of its name (`field`), or its type's empty value where the old row has none.
class TLegacyWriter
{
public:
    using Field = std::function<QVariant(const QString& column)>;
    // For a table with a key column, Update rewrites the stored row of the old row's key; a
    // later column the old table lacks (`oldHas` false) keeps its stored value.
    TLegacyWriter(LegacyTable table, const std::function<bool(const QString&)>& oldHas = {});
    ~TLegacyWriter();
    void Insert(const Field& field);
    void Update(const Field& field);

private:
    void run(Query& q, const Field& field);

    const Schema::Table& m_table;
    std::unique_ptr<Query> m_insert, m_update;
};

} // namespace Store
