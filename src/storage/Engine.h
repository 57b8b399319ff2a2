#pragma once

#include "storage/DataFile.h"
#include "storage/Schema.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

class QSqlDatabase;

// The table engine. A data location is a folder, holding one SQLite file "kozeran.sqlite",
// or a PostgreSQL server given as postgresql://[user@]host[:port]/dbname[?sslmode=...]. Both
// are reached through the named connection "kozeran"; the location is kept in engine.conf.
// Every difference between the two engines lives in this unit (Engine.cpp, and EngineRows.cpp
// for whole tables).
namespace Engine {

inline constexpr const char* ConnectionName = "kozeran";
inline constexpr const char* DatabaseFileName = "kozeran.sqlite";

// A location taken apart. A folder keeps its path with a trailing '/'.
struct Location
{
    bool server = false;
    QString folder;
    QString host;
    int port = 5432;
    QString database;
    QString user;
    QString options; // query part, passed to libpq as connect options
    QString text;    // the location as stored: the folder with '/', or the URI
};
bool IsServerLocation(const QString& location);
// Raises AppError for a server URI without host or database, or with unknown parts.
Location ParseLocation(const QString& location);
// The URI of a server location; the password is never part of it.
QString ServerUri(const QString& host, int port, const QString& database, const QString& user,
                  const QString& options = QString());
// How a person reads a location in messages: the native folder, or host:port/dbname.
QString DisplayName(const QString& location);

// The location with a trailing '/' for a folder; the default folder is created when missing.
QString GetAliasPath();
// Stores the location in engine.conf; the next OpenDatabase() uses it.
void SetAliasPath(const QString& path);

// (Re)opens the connection on the alias path, or on `folderOverride` for this run only.
// The data is checked first and nothing is written to a file that is damaged, another
// program's (unless the question agreed) or holds our tables without their columns.
// Raises AppError naming the folder, file or server when it cannot be opened or written.
void OpenDatabase(const QString& folderOverride = QString());

// Opens a connection of its own on `location` and closes it again: the user's reason when
// it cannot be reached or refuses the login. The "kozeran" connection is left alone.
void TestConnection(const QString& location);

// Asked by OpenDatabase about a damaged or another program's data file: true to go on (the
// file was restored in the meantime, or our tables may be added). Unset, such files are
// refused. An agreement lasts for the run; another program's database is backed up first.
using FileQuestion = std::function<bool(const DataFile::Inspection&)>;
void SetFileQuestion(FileQuestion question);
void CloseDatabase();
// The location the open connection uses (folder with a trailing '/', or the server URI).
QString CurrentFolder();
// True when the open connection (or the configured location) is a server.
bool IsServer();
// False when a result read row by row must end before the connection runs another statement
// (the server); such passes are then read whole.
bool ReadsRowsInterleaved();
bool IsOpen();
// Opens the connection on the alias path when it is not open yet, and opens it again after the
// server connection was lost.
void EnsureOpen();
// The open SQLite connection (EnsureOpen first). The server is reached through ServerLink.
QSqlDatabase Database();

// What TableExists, ColumnExists and IndexExists know of a layout is read again at the next ask.
void ForgetLayout();
// While one lives, TableExists, ColumnExists and IndexExists on a data file answer from one
// read of its layout, read again after any change of it; without one, each asks the file.
class LayoutCheck
{
public:
    LayoutCheck();
    ~LayoutCheck();
    LayoutCheck(const LayoutCheck&) = delete;
    LayoutCheck& operator=(const LayoutCheck&) = delete;
};
// Forgets the layout when sql may change it.
void NoteStatement(const QString& sql);
bool TableExists(const QString& table);
// On a data folder known only inside a LayoutCheck, else false: its statements say "if not
// exists".
bool IndexExists(const QString& index);
bool ColumnExists(const QString& table, const QString& column);
// The server's tables (lower case) with their columns, as one statement read them.
QHash<QString, QStringList> ServerColumns();

// The layout steps Schema::Ensure takes, in each engine's own types. A data file that held
// tables when it was opened is backed up (when backups are kept) before its first table or
// column is added.
void CreateTable(const QString& table, const QList<Schema::Column>& columns);
// The statement CreateTable runs, for either engine (a file being rebuilt has no connection).
QString CreateTableStatement(const QString& table, const QList<Schema::Column>& columns,
                             bool server);
void AddColumn(const QString& table, const Schema::Column& column);
void CreateIndex(const QString& index, const QString& table, const QStringList& columns);

// Runs one statement without parameters (DDL, pragmas).
void Execute(const QString& sql);

// Rows of a table, by column name.
struct TableRows
{
    QStringList columns;
    QList<QVariantList> rows;
};
// Inserts `rows` into `table` of the open connection, by column name, in batches.
void InsertRows(const QString& table, const TableRows& rows);
// Runs a select on the open location and hands each row over as it is read (on a server through
// a connection of its own), so that nothing grows with the result. Date-times come as the
// stored text, integers as qlonglong on a data file.
void ReadEach(const QString& sql, const std::function<void(const QVariantList&)>& row);
// The same, each row read where it lies: a pass over millions of rows reads only the columns it
// asks for, and no value is copied before it is asked for.
class RowView
{
public:
    virtual ~RowView() = default;
    virtual bool IsNull(int column) const = 0;
    virtual qint64 Int(int column) const = 0;
    virtual double Double(int column) const = 0;
    virtual QString Text(int column) const = 0; // date-times as the stored text
    // The text's UTF-8 bytes; on a data file not copied, so valid only until the next row.
    virtual QByteArray Utf8(int column) const = 0;
};
void ReadEachRow(const QString& sql, const std::function<void(const RowView&)>& row);
// Copies every row of `table` of another location into the same table of the open connection,
// a row at a time: the location is read through a connection of its own. The number copied.
int CopyFrom(const QString& location, const QString& table);
// Rows added to a table one at a time, for a writer of more than it should hold at once: a
// prepared insert on a data file, COPY on a server, where nothing else is sent until Finish.
class RowStream
{
public:
    RowStream(const QString& table, const QStringList& columns);
    ~RowStream();
    void Add(const QVariantList& row);
    void Finish();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Date-times as each engine binds them and as they come back from a column.
QVariant DateTimeParameter(const QDateTime& value);
QDateTime DateTimeFromColumn(const QVariant& value);

// True while a command's transaction is open on the connection: a question it asks runs the
// event loop, and work arriving then must wait rather than join it.
bool InTransaction();

// Inside a transaction: serializes the writers that pick a new identifier of `table`, until
// the transaction ends. SQLite's BEGIN IMMEDIATE already does; the server's lock goes out with
// the transaction's next statement, before anything is read under it.
void LockForNewID(const QString& table);

} // namespace Engine

// Runs the writes of one command as a whole: BEGIN (IMMEDIATE on SQLite) now, ROLLBACK
// unless Commit() was reached. Nested helpers join the outermost transaction.
namespace Engine {

// While it lives, no statement waits longer than `lockMs` for a lock another connection holds,
// nor runs longer than `statementMs` (the site's requests: a phone gets its answer in seconds
// whatever holds the data). On the server lock_timeout and statement_timeout, on a data folder
// the busy timeout; told to the connection with its next statement, at no round trip of its
// own. A wait beyond them raises TDataAway. Made between transactions.
class WaitLimits
{
public:
    WaitLimits(int lockMs, int statementMs);
    ~WaitLimits();
    WaitLimits(const WaitLimits&) = delete;
    WaitLimits& operator=(const WaitLimits&) = delete;

private:
    int m_lockMs, m_statementMs;
};

} // namespace Engine

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
