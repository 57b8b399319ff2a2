#pragma once

#include "exchange/CsvImport.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryFile>
#include <optional>

// A logger's file as bytes and lines, read a piece at a time and more than once; for the CSV
// reader alone.

class CsvSource
{
public:
    explicit CsvSource(const QByteArray& bytes);
    // A plain file is read where it is; anything else is copied aside first, up to the limit.
    explicit CsvSource(const QString& file);
    qint64 Size() const { return m_size; }
    // Up to `length` bytes from `offset`; raises when the file was changed since it was opened.
    QByteArray Read(qint64 offset, qint64 length) const;
    [[noreturn]] void RefuseChanged() const;

private:
    struct Stamp
    {
        qint64 size = -1;
        qint64 seconds = 0, nanoseconds = 0;
        bool operator!=(const Stamp& o) const
        {
            return size != o.size || seconds != o.seconds || nanoseconds != o.nanoseconds;
        }
    };

    Stamp stamp() const;
    [[noreturn]] void refuseUnreadable() const;

    QString m_name;
    QByteArray m_bytes;
    mutable QBuffer m_buffer;
    mutable QFile m_file;
    mutable QTemporaryFile m_copy;
    QIODevice* m_device = nullptr;
    qint64 m_size = 0;
    Stamp m_stamp;
};

namespace CsvFile {

[[noreturn]] void Refuse(const QString& why);

// The lines of bytes [from, to) of a source, ends of line removed, read a piece at a time.
class LineCursor
{
public:
    LineCursor(const CsvSource& source, qint64 from, qint64 to, char end, int firstLine)
        : number(firstLine - 1), m_source(source), m_to(qMin(to, source.Size())), m_end(end),
          m_start(from), m_read(from)
    {
    }
    // False at the end. A line longer than the limit comes back cut, with tooLong set.
    bool Next()
    {
        for (;;) {
            const qsizetype at = m_buffer.indexOf(m_end, m_pos);
            const bool drained = m_read >= m_to;
            if (at >= 0 || (drained && m_pos < m_buffer.size())) {
                const qsizetype stop = at >= 0 ? at : m_buffer.size();
                take(stop - m_pos, at >= 0 ? stop + 1 : stop);
                return true;
            }
            if (drained)
                return false;
            if (m_buffer.size() - m_pos > MaxCsvLineBytes + 1) {
                take(MaxCsvLineBytes + 1, m_buffer.size()); // no end in sight
                return true;
            }
            m_buffer.remove(0, m_pos);
            m_start += m_pos;
            m_pos = 0;
            m_buffer += m_source.Read(m_read, qMin<qint64>(1 << 20, m_to - m_read));
            m_read = m_start + m_buffer.size();
        }
    }

    QByteArrayView line;
    qint64 offset = 0; // where the line starts
    qint64 next = 0;   // where the line after it starts
    int number = 0;
    bool tooLong = false;

private:
    void take(qsizetype length, qsizetype resume)
    {
        line = QByteArrayView(m_buffer).sliced(m_pos, length);
        if (line.endsWith('\r'))
            line.chop(1);
        offset = m_start + m_pos;
        m_pos = resume;
        next = m_start + m_pos;
        ++number;
        tooLong = line.size() > MaxCsvLineBytes;
    }

    const CsvSource& m_source;
    qint64 m_to;
    char m_end;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qint64 m_start; // where m_buffer starts in the file
    qint64 m_read;  // where it ends
};

bool IsAscii(QByteArrayView line);

// What every line of a file is, before any is read as a reading.
struct FileShape
{
    qint64 body = 0; // after a byte order mark
    char end = '\n';
    QString encoding;
};

// The line limits, and the one encoding: UTF-8 when every line is; Japanese Windows' CP932 when
// no line with other characters is UTF-8 (each line is checked as CP932 when decoded). A file
// of both is refused, not read half garbled.
FileShape Inspect(const CsvSource& source);

// A line's text in the file's one encoding.
class LineDecoder
{
public:
    explicit LineDecoder(const QString& encoding) : m_utf8(encoding == QLatin1String("UTF-8")) {}
    // Raises AppError naming line `number` when it is not CP932 either.
    QString operator()(QByteArrayView line, int number);

private:
    bool m_utf8;
    std::optional<QStringDecoder> m_sjis;
};

bool IsBlankText(const QString& text);

} // namespace CsvFile
