#pragma once

#include <QList>
#include <QPair>
#include <QString>

// A location's tables as a copy between locations moves them.
namespace Store {

// Every table of ours in copy order, and whether the open location has it.
QList<QPair<QString, bool>> TablesPresent();
// Rows that a person entered; the default categories of a new location do not count.
int EnteredRows();
// Empties the table of the open location and fills it from the same table of `source`, a row
// at a time; the number copied.
int ReplaceTableFrom(const QString& source, const QString& table);

} // namespace Store
