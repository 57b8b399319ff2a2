#pragma once

#include "domain/OndoKanri.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>
#include <memory>

class QTextStream;

// Readings from the CSV files thermometers and loggers write. No windows here: the dialog
// and the command line both come through these functions.

// One line of the file, split into its fields.
struct CsvRow
{
    int line = 0; // 1-based line number in the file
    QString text; // the start of the line as read, for messages
    QStringList fields;
    qint64 offset = 0; // where the line starts in the file
};

// Which fields hold what, 0-based; -1 for none. A separate time field goes with a date field.
struct CsvColumns
{
    int date = -1;
    int time = -1;
    int temperature = -1;
    int label = -1;
    int truck = -1;
    int remark = -1;
    bool operator==(const CsvColumns& o) const
    {
        return date == o.date && time == o.time && temperature == o.temperature &&
               label == o.label && truck == o.truck && remark == o.remark;
    }
    bool IsValid() const { return date >= 0 && temperature >= 0; }
};

// The file as read again for its days; it notices a file changed since.
class CsvSource;
// How a day's lines are read again.
struct CsvDayReader;

// What a file holds, from its first lines; the rest is read again when the days are wanted, so
// that a file of a million readings is never held whole.
struct CsvTable
{
    QString encoding; // "UTF-8" or "Shift-JIS"
    QChar separator;
    QList<CsvRow> rows; // the first CsvHeadRows non-blank lines, title lines included
    int rowCount = 0;   // every non-blank line of the file
    int firstData = -1; // index into rows of the first reading, -1 when none was recognised
    CsvColumns guess;   // the columns recognised in the data
    std::shared_ptr<const CsvSource> source;
    char lineEnd = '\n';
    // The column names: the row just before the first reading, when it has as many fields.
    QStringList Names() const;
};

// What one file may hold: a logger's file of years is far below; the time an import takes
// grows with it, the memory it takes does not.
inline constexpr qint64 MaxCsvBytes = 128 * 1024 * 1024;
inline constexpr int MaxCsvLines = 2000000;
inline constexpr int MaxCsvLineBytes = 4096;
// Where the first reading is looked for, and what the preview shows at most.
inline constexpr int CsvHeadRows = 1000;

// Decodes and splits a file's bytes; recognises the encoding, separator, title lines and
// columns. One encoding for the whole file: UTF-8 when every line is, else CP932 when no line
// is UTF-8. Raises AppError for a file of mixed encodings, UTF-16, NUL bytes, or one over the
// line limits; a table whose data was not recognised has firstData -1.
CsvTable ParseCsv(const QByteArray& bytes);
// ParseCsv on a file, read a piece at a time; anything but a plain file (a pipe, /dev/zero)
// is copied aside first, up to MaxCsvBytes. Raises AppError when it cannot be read or is over
// the limit.
CsvTable ReadCsvFile(const QString& file);

// "2024/04/01 08:15:00", "2024-04-01T08:15", "2024/4/1", full-width digits too.
bool ParseCsvDateTime(const QString& text, QDate* date, QTime* time, bool* hasTime);
bool ParseCsvTime(const QString& text, QTime* time);
// "150.5", "150,5", "１５０．５", "150.5℃".
bool ParseCsvTemperature(const QString& text, double* value);

// "DATE,TEMP[,LABEL[,TIME[,TRUCK[,REMARK]]]]" with 1-based numbers, 0 for a column the file
// lacks; DATE maybe "3+4" (its date and time fields); raises AppError.
CsvColumns ParseColumnsOption(const QString& text);

// Where in the file one day's lines are: a run of its lines, blank ones between them included.
struct CsvSpan
{
    qint64 from = 0, to = 0;
    int line = 0; // the number of the first
};

// One day of the file: its summary, and where its readings are.
struct CsvDay
{
    QDate day;
    DayStatistics stats;
    // The readings in file order, with the LNO and label they are stored with, read from the
    // file again; raises AppError when the file was changed since.
    QList<Reading> Readings() const;

    std::shared_ptr<const CsvDayReader> reader;
    QList<CsvSpan> spans;
};

// The days of the table, in the order days first appear, each line checked. With `columns`
// unset the recognised ones are used. The first data row is the first one whose fields read
// under those columns; every later non-blank row, and every row just above it whose date field
// starts like a date, must read (date from 1900, temperature within the limits, no control
// characters), else AppError naming its line and the start of its text.
QList<CsvDay> CsvDays(const CsvTable& table, const CsvColumns& columns = CsvColumns());

// Where and how the days are registered.
struct CsvTarget
{
    QString kojiCode;
    QString gozaiName;
    QString kubunName;
    QString simei; // empty: the stored header's measurer, if any
};

inline constexpr int MaxReadingsPerDay = 999; // as the main window takes

// The days of `days` already stored for the target (needs the target's tables).
QList<QDate> StoredCsvDays(const QList<CsvDay>& days, const CsvTarget& target);

struct CsvImportResult
{
    int days = 0;
    int readings = 0;
    QStringList refused; // one message per day left out
};

// Registers each day as 登録 does, all in one transaction after a backup. Days over
// MaxReadingsPerDay are left out with a message; a stored day raises unless `replace`.
// Raises AppError, with nothing stored, when the target is unknown or no day remains.
// Whether a day is stored is decided inside the write transaction, after the write lock: of
// two imports of one new day, the second finds the first's.
CsvImportResult ImportCsvDays(const QList<CsvDay>& days, const CsvTarget& target, bool replace);
// The same where only the stored days of `replaceable` (those a person agreed to) may be
// replaced: a day stored by someone else since the question raises.
CsvImportResult ImportCsvDays(const QList<CsvDay>& days, const CsvTarget& target,
                              const QList<QDate>& replaceable);

// The command line: --import-csv FILE with the target and column values. Writes
// "取り込み: N 日 M 件" (and the refused days) to out; raises AppError on failure.
struct CsvCommand
{
    QString file;
    QString columns; // empty: recognised
    CsvTarget target;
    bool replace = false;
};
void RunCsvImportCommand(const CsvCommand& command, QTextStream& out);
