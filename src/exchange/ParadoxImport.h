#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QTextStream;

// Brings the old program's folder of Paradox tables (OndoKanri4.DB, OndoHead4.DB, OndoLine4.DB,
// OndoKubun.DB, Koji1.DB, GozaiDef.DB, SIMEI.DB) into the store that is open now.
namespace ParadoxImport {

struct TableReport
{
    QString table; // "OndoKanri4"
    bool present = false;
    int rows = 0;    // rows read
    int added = 0;   // what the import adds
    int updated = 0; // registers and categories already stored under the same key
    int joined = 0;  // records whose project / mix / category already has a header
    int skipped = 0; // rows left out (see notes)
};

struct Plan
{
    QString folder;
    QList<TableReport> tables; // in the order of the file names above
    bool olderKubunLayout = false;
    int renumbered = 0;     // records whose ID was taken, stored under a new one
    QStringList collisions; // records whose project / mix / category already has a header
    QStringList notes;      // rows left out and why
    bool empty() const;     // nothing to import
};

// Reads the folder and compares it with the open store; writes nothing. Raises AppError
// when the folder is missing, holds none of the tables or a table cannot be read.
Plan DryRun(const QString& folder);
// The plan for a person: one line per table, then renumbered records and collisions.
QString Summary(const Plan& plan);

// Takes a backup of the store, then imports the folder in one transaction: categories by ID,
// registers by key, records under their own ID when it is free, else a new one; a record
// that collides joins the stored header, whose stored days stay as they are. Returns the
// plan that was carried out.
Plan Import(const QString& folder);
// "取り込み: …" counts of a carried-out plan, one line.
QString ResultLine(const Plan& plan);

// --import-paradox DIR [--dry-run] on the data folder `dataFolder`: prints the summary or
// the result line. Raises AppError (nothing stored) on failure.
void RunCommand(const QString& folder, bool dryRun, const QString& dataFolder, QTextStream& out);

} // namespace ParadoxImport
