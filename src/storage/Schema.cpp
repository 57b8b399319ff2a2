#include "storage/Schema.h"

#include "core/AppError.h"
#include "storage/Engine.h"

#include <QPair>
#include <initializer_list>

namespace Schema {

namespace {

Column integer(const char* name, bool addedLater = false)
{
    return {QString::fromLatin1(name), Type::Integer, 0, addedLater};
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
             integer("KanriID"), dateTime("Hiduke"), integer("Kosu"), real("MaxOndo"),
             real("MiniOndo"), real("AvgOndo"), text("Tekiyo", 32),
             text("Sokuteisya", 16, AddedLater), // the day's measurer; empty: the record's
             text("Tenki", 16, AddedLater), text("Kion", 8, AddedLater), // air temperature as typed
             integer("Mogi", AddedLater), // 1: filled by simulation, not measured
         },
         {index("OndoHead4_Day", {"KanriID", "Hiduke"})}},
        {QStringLiteral("OndoLine4"),
         {
             integer("KanriID"), dateTime("Hiduke"), integer("LNO"), text("Sokuten", 16),
             real("Ondo"), text("Jikoku", 8, AddedLater), // "HH:mm"
             text("Syaryo", 16, AddedLater),              // truck or delivery ticket
             text("Biko", 64, AddedLater),
             text("Uketuke", 40, AddedLater), // the id a phone gave the reading: stored once
             text("Tanmatu", 8, AddedLater),  // the paired phone that sent it
         },
         {index("OndoLine4_Day", {"KanriID", "Hiduke"})}},
        // Every change to registered readings, in the order made: when, who, what, the day and
        // reading, the values before and after, and the seal of the day it left. Each entry's
        // Hash covers its content and the previous entry's Hash: a chain.
        {QStringLiteral("OndoRireki"),
         {
             integer("Seq"),       // 1, 2, … in the order of the changes
             dateTime("Nitiji"),   // when
             text("Sousasya", 32), // who: the measurer, the phone, or the user
             text("Sousa", 8),     // 追加 / 修正 / 削除 / 置換 / 復元 / 封印
             text("KojiCode", 8),
             text("GozaiName", 64),
             integer("Kubun"),
             text("KubunName", 24), // as named then
             dateTime("Hiduke"),
             integer("LNO"), // the day and reading; LNO 0: the whole day
             text("Mae", 160),
             text("Ato", 160), // before and after, as a person reads them
             text("Fuin", 64), // the day's seal after the change; empty: gone
             text("Hash", 64),
         },
         {index("OndoRireki_Seq", {"Seq"}), index("OndoRireki_Koji", {"KojiCode", "GozaiName"})},
         AddedLater},
        // The seal of each registered day's readings (SHA-256 of the day as stored), written by
        // the history entry numbered Rireki, which carries it too.
        {QStringLiteral("OndoFuin"),
         {
             integer("KanriID"),
             dateTime("Hiduke"),
             text("Fuin", 64),
             integer("Rireki"),
         },
         {index("OndoFuin_Day", {"KanriID", "Hiduke"})},
         AddedLater},
        // A paver's thermal scanner's day (敷均し温度分布) of a project and mix, as imported: its
        // file's layout, the spacing of the positions across, and its scan lines.
        {QStringLiteral("OndoBunpu"),
         {
             integer("ID"), text("KojiCode", 8), text("GozaiName", 64), dateTime("Hiduke"),
             text("Keisiki", 24),  // the file's layout: RoadScan or Pave-IR
             real("Kankaku"),      // metres between two positions across the mat
             integer("Itisu"),     // positions across
             integer("Gyosu"),     // scan lines
             real("Kyori"),        // metres along the lane from the first line to the last
             text("Fairu", 128),   // the file's name
             dateTime("Torikomi"), // when it was imported
         },
         {index("OndoBunpu_Key", {"KojiCode", "GozaiName", "Hiduke"})},
         AddedLater},
        // Its scan lines in file order: when, where along the lane and on the earth, how fast
        // the paver went, and the temperatures across ("152.3;151.8;;150.2", empty: missing).
        {QStringLiteral("OndoBunpuLine"),
         {
             integer("BunpuID"),
             integer("Seq"),
             dateTime("Jikoku"),
             real("Kyori"),
             real("Sokudo"), // m/min, where the file gives it
             real("Ido"),
             real("Keido"),
             text("Ondo", 4096),
         },
         {index("OndoBunpuLine_ID", {"BunpuID", "Seq"})},
         AddedLater},
        {QStringLiteral("OndoKubun"),
         {
             integer("ID"), integer("ODR"), text("KubunName", 24), text("OndoRange", 24),
             text("SokuteiKankaku", 8, AddedLater),
             integer("JikokuJido", AddedLater), // 1: a typed temperature stamps its time
             integer("DaisuTaio", AddedLater),  // 1: loads numbered as in the other categories
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

int AddLaterColumns()
{
    const Engine::LayoutCheck check;
    // Looked for first, so that an up-to-date location is not written to at all.
    QList<QPair<const Table*, const Column*>> missing;
    QList<const Table*> missingTables;
    const bool ours = Engine::TableExists(QStringLiteral("OndoKanri4"));
    for (const Table& table : Tables()) {
        if (!Engine::TableExists(table.name)) {
            if (ours && table.addedLater)
                missingTables << &table;
            continue;
        }
        for (const Column& c : table.columns) {
            if (c.addedLater && !Engine::ColumnExists(table.name, c.name))
                missing << qMakePair(&table, &c);
        }
    }
    if (missing.isEmpty() && missingTables.isEmpty())
        return 0;
    Transaction tx;
    for (const auto& [table, column] : missing)
        Engine::AddColumn(table->name, *column);
    for (const Table* table : missingTables)
        Ensure(*table);
    tx.Commit();
    return int(missing.size() + missingTables.size());
}

} // namespace Schema
