#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// Text to number and date conversions shared by every window. The parsers never fail:
// they return their fallbacks. Only RoundDecimals raises.

inline constexpr double RangeUnbounded = 1e12; // "no bound" and the strict parse's fallback

// Text a person typed, with full-width digits, signs (－ − ＋ ー), points (．), low lines (＿),
// slashes (／), colons (：) and the ideographic space turned into ASCII; everything else unchanged.
// Stored texts are parsed as they are.
QString AsciiTyped(const QString& text);
// A typed range ("１５０～１６０", "150-160", " 150 _ 160 ") in the stored form "150_160".
QString TypedRange(const QString& text);
// A stored range as people write it: "160～185", "110～", "～185"; other text unchanged.
QString RangeForPeople(const QString& stored);
// True for a range text: one number, or two joined by "_" with one side allowed to be open.
bool IsRangeText(const QString& text);

double ParseNumber(const QString& text);
int ParseWhole(const QString& text);
int ParseIntOrZero(const QString& text);
double ParseFloatOrHuge(const QString& text);
double RangeLow(const QString& text);
double RangeHigh(const QString& text);
double RandomInRange(const QString& text);
// How a value exactly half-way between two steps is rounded.
enum class RoundingRule {
    HalfUp,   // away from zero
    HalfEven, // to the even step, on the binary value
};
double RoundDecimals(int decimals, double value, RoundingRule rule);
// The mean of the values rounded to `decimals` on their decimal value, as a person or a
// spreadsheet's ROUND would: each value is read as its shortest decimal text, so 30 readings
// summing to 5149.5 average 171.7, never 171.6 from a binary sum.
double RoundedMean(const QList<double>& values, int decimals, RoundingRule rule);
double RoundUpDecimals(int decimals, double value);

// Day 0 of the date scale, 1899/12/30 00:00: what an unreadable date becomes.
QDateTime DayZero();
// Reads "yyyy/mm/dd" (also "yyyy/m/d", "yy/m/d", and "m/d" of the current year) at 00:00.
QDateTime ParseDate(const QString& text);
bool IsDate(const QString& text);
// "yyyy/mm/dd", the form every window shows and lists days in.
QString FormatDate(const QDateTime& value);

QString GetToken(const QString& text, const QString& separator, int k);

// "FileVersion" of the program's own executable: the version compiled in.
QString ReadVersionString(const QString& file, const QString& key);

// Real to text with at most 15 significant digits, as the general format writes it.
QString FormatGeneral(double value);
// The same text written into `out` (room for 32 bytes), its length returned: for a pass over
// millions of values that makes no string for each.
int WriteGeneral(char* out, double value);
// printf-style fixed formats used on screen: "%1.0f" and "%1.1f".
QString FormatFixed(double value, int decimals);

// Length in bytes of the text as Shift-JIS stores it: one for ASCII and half-width kana,
// two for every other character. Column widths are counted so.
int SjisLength(const QString& text);
// The longest head of the text that fits in `bytes` Shift-JIS bytes.
QString SjisLeft(const QString& text, int bytes);

// Without TZ the C library looks at /etc/localtime again for every local time it converts
// (thousands for a long document); named once, the zone is read once. Call before any time.
void ReadLocalZoneOnce();
