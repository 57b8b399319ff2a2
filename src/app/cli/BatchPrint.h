#pragma once

#include <QStringList>

class QTextStream;

// The command line without a window: one of --print-pdf, --export-xlsx, --export-csv,
// --import-paradox, --import-csv, --backup, --restore and --copy-data (each in Commands.h), with
// --data DIR for another data location this run; also --help and --version. arguments
// includes the program name. Returns the exit code: 2 for arguments that make no command, 1
// for a failed command, which writes one line to err and leaves no file. No output is written
// into a data folder nor over an existing file of another kind.
int RunBatchPrint(const QStringList& arguments, QTextStream& out, QTextStream& err);

// True when the arguments ask for the command-line mode rather than the windows.
bool IsBatchCommand(const QStringList& arguments);

// The whole command-line run: the application object without a display, then RunBatchPrint
// on standard output and error.
int RunCommandLine(int argc, char** argv);
