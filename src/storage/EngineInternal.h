#pragma once

#include "storage/Engine.h"
#include "storage/ServerLink.h"

// Between the engine's own files, not for the layers above.
namespace Engine {

// How libpq is to reach a server location; no password is kept (PGPASSWORD, ~/.pgpass or
// PGPASSFILE give it).
ServerLink::Connect ServerConnect(const Location& loc);

// How long the open data file's connection waits for another program's lock.
void SetBusyTimeout(int milliseconds);

} // namespace Engine
