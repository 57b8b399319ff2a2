#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

struct sqlite3;

// A connection of its own on one SQLite file, outside the "kozeran" connection: the file
// checks and the backups read and write whole files through it.
class SqliteFile
{
public:
    // flags: SQLITE_OPEN_*; a busy file is waited for as long as the main connection waits.
    SqliteFile(const QString& file, int flags);
    ~SqliteFile();
    SqliteFile(const SqliteFile&) = delete;
    SqliteFile& operator=(const SqliteFile&) = delete;

    bool IsOpen() const { return m_code == 0; }
    int Code() const { return m_code; }       // the last SQLite result code, 0 when fine
    QString Error() const { return m_error; } // the engine's text of the last failure
    sqlite3* Handle() const { return m_db; }

    // Runs one statement, with `values` bound to its ?1, ?2, ..., and collects the first
    // column of its rows as text. False on failure.
    bool Rows(const QString& sql, QStringList* out = nullptr, const QStringList& values = {});
    // The first 100 bytes of the file, read through the connection's own file handle (a
    // second handle of this process would drop the connection's locks when it closed).
    // Inside a read transaction they are the version the transaction sees. Empty on failure.
    QByteArray Header();
    // Copies every page of `source` into this file in one step (SQLite's online backup).
    bool CopyFrom(SqliteFile& source);
    // "ok" from PRAGMA quick_check; false with Error() holding the first problem otherwise.
    bool QuickCheck();

private:
    void fail(int code);

    sqlite3* m_db = nullptr;
    int m_code = 0;
    QString m_error;
};
