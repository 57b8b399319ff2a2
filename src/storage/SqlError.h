#pragma once

#include <QString>

class QSqlError;

// The user's message for an engine error of SQLite result code `code` (primary or extended)
// in the data folder `folder`: every storage fault a user can meet reads as Japanese naming
// the folder, with the engine's own text on a second line for support. Other codes (a
// statement the engine refuses) give the engine's text alone.
QString SqlErrorMessage(int code, const QString& detail, const QString& folder);

// The same for a PostgreSQL error (SQLSTATE `sqlState`, may be empty for a failed connect) on
// the server `location`: unreachable, login refused, no such database, connection lost; the
// last sets *connectionLost.
QString ServerErrorMessage(const QString& sqlState, const QString& detail, const QString& location,
                           bool* connectionLost = nullptr);

// True for the errors after which the same statement may succeed later: busy or locked, the
// folder or the server out of reach, a lock or statement timeout, a deadlock.
bool IsSqliteAway(int code);
bool IsServerAway(const QString& sqlState, const QString& detail);

// Raise the message as a TDataAway when trying later may help, else as an AppError.
[[noreturn]] void RaiseSqliteError(int code, const QString& detail, const QString& folder);
[[noreturn]] void RaiseServerError(const QString& sqlState, const QString& detail,
                                   const QString& location);
// The same for a driver's error, on a data folder or a server.
[[noreturn]] void RaiseSqlError(const QSqlError& error, const QString& folder);
