#pragma once

#include <QString>

class QSqlError;

// Turns an engine error into an AppError; busy and unwritable folders get a message that
// names the data folder, everything else the engine's own text.
[[noreturn]] void RaiseSqlError(const QSqlError& error, const QString& folder);
