#pragma once

#include <QStringList>

class QTextStream;

// The command-line printouts: the pages "プレビュー" makes for a record of the given project,
// mix and day, written to a PDF through the built-in PDF printer, without a window.
//   --print-pdf FILE --form chart|sheet --project CODE [--mix NAME] [--day yyyy/mm/dd]
//   [--category NAME]... [--per-project] [--low N] [--high N] [--data DIR]
//   --backup [--data DIR]: writes a backup now and prints its path.
//   --restore FILE [--data DIR]: replaces the data with a backup, the current data kept first.
//   --export-xlsx FILE | --export-csv FILE --project CODE [--mix NAME] [--data DIR]: the
//   project's readings as an Excel workbook or a CSV file.
//   --import-paradox DIR [--dry-run] [--data DIR]: brings the old program's folder in, or with
//   --dry-run only shows what it would bring and what collides.
//   --import-csv FILE --project CODE --mix NAME --category NAME [--measurer NAME]
//   [--columns DATE,TEMP[,LABEL]] [--replace] [--data DIR]: registers a CSV's readings.
// Also --help and --version. arguments includes the program name. Returns the exit code;
// a failure writes one line to err and leaves no file. No output is written into a data
// folder nor over an existing file of another kind.
int RunBatchPrint(const QStringList& arguments, QTextStream& out, QTextStream& err);

// True when the arguments ask for the command-line mode rather than the windows.
bool IsBatchCommand(const QStringList& arguments);

// The whole command-line run: the application object without a display, then RunBatchPrint
// on standard output and error.
int RunCommandLine(int argc, char** argv);
