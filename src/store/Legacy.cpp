#include "store/Legacy.h"

#include "storage/Engine.h"
#include "storage/Query.h"
#include "storage/Schema.h"
#include "store/RecordColumns.h"

namespace Store {

QString LegacyTableName(LegacyTable table)
{
    static const char* const names[LegacyTableCount] = {
        "OndoKubun", "Koji1", "GozaiDef", "SIMEI", "OndoKanri4", "OndoHead4", "OndoLine4"};
    return QString::fromLatin1(names[int(table)]);
}

QString LegacyKeyColumn(LegacyTable table)
{
    switch (table) {
    case LegacyTable::Categories:
        return QStringLiteral("ID");
    case LegacyTable::Projects:
        return QStringLiteral("CODE");
    case LegacyTable::Mixes:
        return QStringLiteral("DataName");
    case LegacyTable::Names:
        return QStringLiteral("SIMEI");
    default:
        return QString();
    }
}

QHash<int, QString> StoredCategoryNames()
{
    QHash<int, QString> names;
    if (!Engine::TableExists(QStringLiteral("OndoKubun")))
        return names;
    Query q(QStringLiteral("select ID, KubunName from OndoKubun"));
    q.Open();
    for (; !q.Eof(); q.Next())
        names.insert(q.FieldInt(QStringLiteral("ID")), q.FieldText(QStringLiteral("KubunName")));
    return names;
}

QSet<QString> StoredRegisterKeys(LegacyTable reg)
{
    QSet<QString> keys;
    const QString table = LegacyTableName(reg);
    if (!Engine::TableExists(table))
        return keys;
    Query q(QStringLiteral("select %1 as K from %2").arg(LegacyKeyColumn(reg), table));
    q.Open();
    for (; !q.Eof(); q.Next())
        keys.insert(q.FieldText(QStringLiteral("K")));
    return keys;
}

bool RegisterHasKey(LegacyTable reg, const QString& key)
{
    Query q(QStringLiteral("select 1 as K from %1 where %2=:A")
                .arg(LegacyTableName(reg), LegacyKeyColumn(reg)));
    q.BindText(A, key);
    q.Open();
    return !q.Eof();
}

QList<TStoredRecordKey> StoredRecordKeys()
{
    QList<TStoredRecordKey> keys;
    if (!Engine::TableExists(QStringLiteral("OndoKanri4")))
        return keys;
    Query q(QStringLiteral("select ID, KojiCode, GozaiName, Kubun from OndoKanri4"));
    q.Open();
    for (; !q.Eof(); q.Next())
        keys << TStoredRecordKey{
            q.FieldInt(QStringLiteral("ID")), q.FieldText(QStringLiteral("KojiCode")),
            q.FieldText(QStringLiteral("GozaiName")), q.FieldInt(QStringLiteral("Kubun"))};
    return keys;
}

QList<QPair<int, QDateTime>> StoredDaysOf(const QSet<int>& records)
{
    QList<QPair<int, QDateTime>> days;
    if (records.isEmpty())
        return days;
    for (const QString& table : {QStringLiteral("OndoHead4"), QStringLiteral("OndoLine4")}) {
        if (!Engine::TableExists(table))
            continue;
        Query q(QStringLiteral("select distinct KanriID, Hiduke from %1").arg(table));
        q.Open();
        for (; !q.Eof(); q.Next()) {
            const int id = q.FieldInt(QStringLiteral("KanriID"));
            if (records.contains(id))
                days << qMakePair(id, q.FieldDateTime(QStringLiteral("Hiduke")));
        }
    }
    return days;
}

TLegacyWriter::TLegacyWriter(LegacyTable table, const std::function<bool(const QString&)>& oldHas)
    : m_table(Schema::Get(LegacyTableName(table))), m_insert(std::make_unique<Query>()),
      m_update(std::make_unique<Query>())
{
    const QStringList names = m_table.ColumnNames();
    m_insert->Add(
        QStringLiteral("insert into %1 (%2) values (:%3)")
            .arg(m_table.name, names.join(QLatin1Char(',')), names.join(QStringLiteral(",:"))));
    const QString keyColumn = LegacyKeyColumn(table);
    if (keyColumn.isEmpty())
        return;
    QStringList set;
    for (const Schema::Column& c : m_table.columns) {
        if (c.name.compare(keyColumn, Qt::CaseInsensitive) != 0 &&
            (!c.addedLater || !oldHas || oldHas(c.name)))
            set << c.name + QStringLiteral("=:") + c.name;
    }
    m_update->Add(QStringLiteral("update %1 set %2 where %3=:%3")
                      .arg(m_table.name, set.join(QLatin1Char(',')), keyColumn));
}

TLegacyWriter::~TLegacyWriter() = default;

void TLegacyWriter::Insert(const Field& field)
{
    run(*m_insert, field);
}

void TLegacyWriter::Update(const Field& field)
{
    run(*m_update, field);
}

void TLegacyWriter::run(Query& q, const Field& field)
{
    for (const Schema::Column& c : m_table.columns) {
        const QVariant v = field(c.name);
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

} // namespace Store
