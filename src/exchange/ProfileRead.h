#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <memory>
#include <vector>

// The files the thermal scanners on pavers write: Vögele RoadScan and MOBA Pave-IR CSV
// exports, a scan line across the mat at a time. A day is about 10⁵ scan lines, so the file is
// read as it is walked and never held.

struct TProfileHead
{
    QString format;     // "Vögele RoadScan" or "MOBA Pave-IR"
    QDate day;          // of the first scan line
    int positions = 0;  // readings in each scan line, left to right across the mat
    double spacing = 0; // metres between two positions
};

struct TProfileLine
{
    int line = 0; // in the file, from 1
    // The site's clock as the file writes it. It is kept as UTC only so that no time zone is
    // looked up for each of a day's 10⁵ lines: compare it with clocks made the same way.
    QDateTime time;
    double distance = 0;             // metres along the lane
    double speed = 0;                // NaN where the format has none
    double latitude = 0;             // NaN where the file leaves it empty
    double longitude = 0;            // likewise
    double altitude = 0;             // newer MOBA exports; NaN otherwise
    double screedLeft = 0;           // likewise, metres
    double screedRight = 0;          // likewise, metres
    std::vector<float> temperatures; // ℃ across the mat, NaN for a missing reading
};

// Recognises the layout from the shape of the first lines (where the scan lines start, what
// their first fields hold), never from the words of the header, which change with firmware
// and language. UTF-8, with or without BOM, or Windows-1252.
class TProfileReader
{
public:
    // Raises AppError when the file cannot be read or is of another layout.
    explicit TProfileReader(const QString& file);
    explicit TProfileReader(const QByteArray& bytes);
    ~TProfileReader();

    const TProfileHead& Head() const;
    // The next scan line, valid until the next call; nullptr after the last, which a footer
    // such as "Keine Daten vorhanden" may follow. Raises AppError naming the line where
    // reading stopped, and the file is then refused whole: a caller that stored the lines
    // before it does so inside a transaction it rolls back.
    const TProfileLine* Next();

private:
    struct TState;
    std::unique_ptr<TState> d;
};
