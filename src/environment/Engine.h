#pragma once

#include "environment/DataFile.h"

#include <QList>
#include <QString>
#include <functional>

class QSqlDatabase;

// The table engine: one SQLite file "kozeran.sqlite" in the data folder, reached through
// the named connection "kozeran". The data folder is the alias path kept in engine.conf.
namespace Engine {

inline constexpr const char* ConnectionName = "kozeran";
inline constexpr const char* DatabaseFileName = "kozeran.sqlite";

// The data folder with a trailing '/'; the default folder is created when missing.
QString GetAliasPath();
// Stores the data folder in engine.conf; the next OpenDatabase() uses it.
void SetAliasPath(const QString& path);
// Where engine.conf lives (for tests and the data location dialog).
QString EngineConfigFile();

// (Re)opens the connection on the alias path, or on `folderOverride` for this run only.
// The data file is checked first and nothing is written to a file that is damaged, another
// program's (unless the question agreed) or holds our tables without their columns.
// Raises AppError naming the folder or file when it cannot be created, opened or written.
void OpenDatabase(const QString& folderOverride = QString());

// Asked by OpenDatabase about a damaged or another program's data file: true to go on (the
// file was restored in the meantime, or our tables may be added). Unset, such files are
// refused. An agreement lasts for the run; another program's database is backed up first.
using FileQuestion = std::function<bool(const DataFile::Inspection&)>;
void SetFileQuestion(FileQuestion question);
void CloseDatabase();
// The folder the open connection uses, with a trailing '/'.
QString CurrentFolder();
// The open connection; opens it on the alias path when it is not open yet.
QSqlDatabase Database();

bool TableExists(const QString& table);

enum class FieldType { Integer, String, Float, DateTime };
struct FieldDef
{
    QString name;
    FieldType type;
    int size = 0; // characters, for String
};
void CreateTable(const QString& table, const QList<FieldDef>& fields);
void CreateIndex(const QString& index, const QString& table, const QStringList& columns);

// Runs one statement without parameters (DDL, pragmas).
void Execute(const QString& sql);

} // namespace Engine

// Runs the writes of one command as a whole: BEGIN IMMEDIATE now, ROLLBACK unless Commit()
// was reached. Nested helpers join the outermost transaction.
class Transaction
{
public:
    Transaction();
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

private:
    bool m_outermost = false;
    bool m_done = false;
};
