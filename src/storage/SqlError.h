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

// Raises an AppError with SqlErrorMessage of the error.
[[noreturn]] void RaiseSqlError(const QSqlError& error, const QString& folder);
