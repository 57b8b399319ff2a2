#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <functional>

// Moving the data between two locations (folders or servers).
namespace DataCopy {

using Counts = QList<QPair<QString, int>>; // table, rows copied

// Copies every table of `from` into `to` in one transaction on `to`, creating the tables that
// are missing there. A target already holding records is replaced only when `replace` is set
// or `confirm` (given the number of rows there) agrees, and a folder's data is backed up
// before it is replaced; otherwise nothing changes. Raises
// AppError with the reason; `to` is then as it was. The connection is left on `to`.
Counts Copy(const QString& from, const QString& to, bool replace,
            const std::function<bool(int rowsThere)>& confirm = {});

// "OndoKanri4: 12 件", one line per table.
QStringList CountLines(const Counts& counts);

} // namespace DataCopy
