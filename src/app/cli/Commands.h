#pragma once

class QCommandLineParser;
class QTextStream;

namespace Cli {

struct Options;

// One command of the command line, each in a file of its own. It reads its options, writes
// what it reports to `out` and raises AppError on failure, leaving no file behind.
using Command = void (*)(const QCommandLineParser& parser, const Options& o, QTextStream& out);

// --print-pdf FILE --form chart|sheet|xbar|xbar-r|capability|journey --project CODE: the pages the
// preview makes for the record of that project and mix over --from .. --to (or the one --day).
// Prints nothing.
void PrintPdf(const QCommandLineParser& parser, const Options& o, QTextStream& out);
// --export-xlsx FILE | --export-csv FILE --project CODE: the project's readings.
void Export(const QCommandLineParser& parser, const Options& o, QTextStream& out);
// --import-paradox DIR [--dry-run]: the old program's folder, or only what it would bring.
void ImportParadox(const QCommandLineParser& parser, const Options& o, QTextStream& out);
// --import-csv FILE --project CODE --mix NAME --category NAME: a recorder's readings.
void ImportCsv(const QCommandLineParser& parser, const Options& o, QTextStream& out);
// --backup: writes a backup now and prints its path.
void WriteBackup(const QCommandLineParser& parser, const Options& o, QTextStream& out);
// --restore FILE: replaces the data with a backup, the current data kept first.
void RestoreBackup(const QCommandLineParser& parser, const Options& o, QTextStream& out);
// --package DIR --project CODE [--from DATE --to DATE]: the submission package.
void WritePackage(const QCommandLineParser& parser, const Options& o, QTextStream& out);
// --verify-package DIR: each file against the package's manifest; a line for each that differs,
// is missing or is not in it, then AppError; a line when all match.
void VerifyPackage(const QCommandLineParser& parser, const Options& o, QTextStream& out);
// --copy-data FROM TO: every table from one location to another.
void CopyData(const QCommandLineParser& parser, const Options& o, QTextStream& out);
// --serve [--listen ADDR:PORT]: the site page until SIGTERM; prints its address, then
// "ペアリングコード: NNNNNN" for each code shown.
void Serve(const QCommandLineParser& parser, const Options& o, QTextStream& out);
// --import-profile FILE --project CODE --mix NAME [--replace]: a paver's thermal profile.
void ImportProfileFile(const QCommandLineParser& parser, const Options& o, QTextStream& out);
// --history --project CODE [--mix NAME] [--from DATE --to DATE]: the changes, a line each.
void PrintHistory(const QCommandLineParser& parser, const Options& o, QTextStream& out);
// --verify: the readings and the history against their seals; exit 1 when something differs.
void Verify(const QCommandLineParser& parser, const Options& o, QTextStream& out);
// --devices: the paired phones, a line each.
void ListDevices(const QCommandLineParser& parser, const Options& o, QTextStream& out);
// --revoke-device ID: a lost phone shut out, here and by a server running now.
void RevokeDevice(const QCommandLineParser& parser, const Options& o, QTextStream& out);

} // namespace Cli
