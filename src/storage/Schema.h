#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Our tables, declared once: what a new location is given, what an older file is brought up
// to, what the file check expects, and what import and copying move.
namespace Schema {

enum class Type { Integer, String, Float, DateTime };

// Marks a column that came after the first layout: a table without it is still ours and is
// given it (empty in its rows) when the location is opened or the tables are ensured.
inline constexpr bool AddedLater = true;

struct Column
{
    QString name;
    Type type = Type::String;
    int size = 0; // characters, for String
    bool addedLater = false;
};

// A plain look-up index: it changes no result.
struct Index
{
    QString name;
    QStringList columns;
};

struct Table
{
    QString name;
    QList<Column> columns;
    QList<Index> indexes;
    // Came after the first layout: a location without it is still ours and is given it (empty)
    // when opened, as a later column is.
    bool addedLater = false;

    QStringList ColumnNames() const;
};

// Records first, registers last: the order copies and row counts are listed in.
const QList<Table>& Tables();
// The declared table of that name in any case; raises AppError for another name.
const Table& Get(const QString& name);

// On the open connection: creates the table when it is missing, else adds the later columns it
// lacks; then its indexes. True when the table was created. Callers hold the transaction.
bool Ensure(const Table& table);

// On the open connection, in one transaction: every table that is there is given the later
// columns it lacks, and a location that holds our records the later tables it lacks. Returns
// how many columns and tables were added.
int AddLaterColumns();

} // namespace Schema
