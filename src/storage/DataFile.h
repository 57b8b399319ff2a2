#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// What a data file holds, found before the program writes to it.
namespace DataFile {

enum class State {
    New,        // no file, an empty one, or a database without tables
    Ours,       // our tables (some may still be missing), each with its columns (save those
                //   Schema marks added later)
    Foreign,    // another program's database: tables, none of ours
    Damaged,    // not a database, truncated or failing its check
    Incomplete, // one of our tables lacks columns it always had
};

struct Inspection
{
    State state = State::New;
    QString file;
    QStringList tables;        // every table found
    QStringList missingTables; // ours, not there yet
    QString message;           // the user's text for Foreign, Damaged and Incomplete
};

// Reads the file without changing it; only a hot journal left by an interrupted write is
// rolled back, as any open would. Raises AppError when the file cannot be read at all
// (busy, no permission).
Inspection Inspect(const QString& file);
// After this program closed the file it opened checked: its own writes keep it sound, so the
// next open need not read it whole again.
void RememberVerified(const QString& file);
// The same for a server database, through its open connection: our tables and columns as
// information_schema lists them.
Inspection InspectServer(const QHash<QString, QStringList>& columnsByTable,
                         const QString& location);

// Copies the rows of our tables in `file` into `fresh` (a new, empty file), whose tables and
// indexes are made from our declaration alone. Raises AppError, naming what it found, when
// `file` holds anything but our tables, their columns and indexes on them: a trigger, a view,
// another table, a column we never declared, a UNIQUE or PRIMARY KEY constraint.
void RebuildInto(const QString& file, const QString& fresh);

struct Counts
{
    int records = 0;  // OndoKanri4
    int days = 0;     // OndoHead4
    int readings = 0; // OndoLine4
};
// Row counts of a healthy file; a table that is missing counts 0.
Counts CountRows(const QString& file);

} // namespace DataFile
