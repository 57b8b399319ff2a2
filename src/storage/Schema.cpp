#include "storage/Schema.h"

#include "core/AppError.h"
#include "storage/Engine.h"

#include <initializer_list>

namespace Schema {

namespace {

Column integer(const char* name)
{
    return {QString::fromLatin1(name), Type::Integer};
}
Column real(const char* name)
{
    return {QString::fromLatin1(name), Type::Float};
}
Column dateTime(const char* name)
{
    return {QString::fromLatin1(name), Type::DateTime};
}
Column text(const char* name, int size, bool addedLater = false)
{
    return {QString::fromLatin1(name), Type::String, size, addedLater};
}
Index index(const char* name, std::initializer_list<const char*> columns)
{
    Index i{QString::fromLatin1(name), {}};
    for (const char* c : columns)
        i.columns << QString::fromLatin1(c);
    return i;
}

// One column a line: a column added later is one more line, marked AddedLater.
QList<Table> declare()
{
    return {
        {QStringLiteral("OndoKanri4"),
         {
             integer("ID"),
             text("KojiCode", 8),
             text("GozaiName", 64),
             text("Sokuteisya", 16),
             text("Kiji", 64),
             integer("Kubun"),
             text("Kikakuti", 32),
         },
         // Years of data stay fast to open by project, mix and category, and by number.
         {index("OndoKanri4_Key", {"KojiCode", "GozaiName", "Kubun"}),
          index("OndoKanri4_ID", {"ID"})}},
        {QStringLiteral("OndoHead4"),
         {
             integer("KanriID"),
             dateTime("Hiduke"),
             integer("Kosu"),
             real("MaxOndo"),
             real("MiniOndo"),
             real("AvgOndo"),
             text("Tekiyo", 32),
         },
         {index("OndoHead4_Day", {"KanriID", "Hiduke"})}},
        {QStringLiteral("OndoLine4"),
         {
             integer("KanriID"),
             dateTime("Hiduke"),
             integer("LNO"),
             text("Sokuten", 16),
             real("Ondo"),
         },
         {index("OndoLine4_Day", {"KanriID", "Hiduke"})}},
        {QStringLiteral("OndoKubun"),
         {
             integer("ID"),
             integer("ODR"),
             text("KubunName", 24),
             text("OndoRange", 24),
             text("SokuteiKankaku", 8, AddedLater),
         },
         {}},
        {QStringLiteral("Koji1"),
         {
             text("CODE", 8),
             text("KOJIMEI", 64),
         },
         {}},
        {QStringLiteral("GozaiDef"),
         {
             text("DataName", 64),
             text("PrintName", 64),
         },
         {}},
        {QStringLiteral("SIMEI"),
         {
             text("SIMEI", 16),
             text("FURIGANA", 16),
         },
         {}},
    };
}

} // namespace

QStringList Table::ColumnNames() const
{
    QStringList names;
    for (const Column& c : columns)
        names << c.name;
    return names;
}

const QList<Table>& Tables()
{
    static const QList<Table> tables = declare();
    return tables;
}

const Table& Get(const QString& name)
{
    for (const Table& t : Tables()) {
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return t;
    }
    throw AppError(QStringLiteral("テーブル %1 は温度管理のテーブルではありません").arg(name));
}

bool Ensure(const Table& table)
{
    const bool create = !Engine::TableExists(table.name);
    if (create) {
        Engine::CreateTable(table.name, table.columns);
    } else {
        for (const Column& c : table.columns) {
            if (c.addedLater && !Engine::ColumnExists(table.name, c.name))
                Engine::AddColumn(table.name, c);
        }
    }
    for (const Index& i : table.indexes)
        Engine::CreateIndex(i.name, table.name, i.columns);
    return create;
}

} // namespace Schema
