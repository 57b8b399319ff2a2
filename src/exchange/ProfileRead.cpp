#include "exchange/ProfileRead.h"

#include "core/AppError.h"
#include "exchange/CsvFile.h"
#include "exchange/ProfileClock.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

// Scan lines are read on the bytes: their fields are ASCII numbers, and a day is millions of
// them. Only the header, footers and the lines quoted in messages are decoded.

using CsvFile::LineCursor;
using ProfileClock::ReadWholeClock;
using ProfileClock::TStampReader;

namespace {

constexpr double NoValue = std::numeric_limits<double>::quiet_NaN();
// The newer MOBA header is about 34 lines; the scan lines start within these.
constexpr int HeadLines = 64;
// RoadScan heads its lines with two or three, MOBA with tens: between them is neither.
constexpr int ShortHeader = 4;
constexpr int LongHeader = 12;
constexpr double RoadScanSpacing = 0.25;

enum class Layout { RoadScan, MobaIndexed, MobaStamped };

QString Text(QByteArrayView line)
{
    if (CsvFile::IsAscii(line) || line.isValidUtf8())
        return QString::fromUtf8(line);
    QStringDecoder windows("windows-1252", QStringConverter::Flag::Stateless);
    return windows.isValid() ? windows.decode(line) : QString::fromLatin1(line);
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Separators and quotes alone, as spreadsheets leave between blocks.
bool IsBlank(QByteArrayView line)
{
    for (const char c : line) {
        if (c != ' ' && c != '\t' && c != ';' && c != ',' && c != '"')
            return false;
    }
    return true;
}

// A scan line starts with a number or a date; a footer or a title with a word.
bool StartsAsData(QByteArrayView line)
{
    qsizetype i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '"'))
        ++i;
    return i < line.size() && IsDigit(line[i]);
}

// A line's fields; a quoted field loses its quotes. False for a quote left open or text after
// a closing one.
bool Split(QByteArrayView line, char separator, std::vector<QByteArrayView>* fields)
{
    fields->clear();
    const qsizetype n = line.size();
    qsizetype i = 0;
    for (;;) {
        while (i < n && line[i] == ' ')
            ++i;
        if (i < n && line[i] == '"') {
            const qsizetype start = ++i;
            for (; i < n; ++i) {
                if (line[i] != '"')
                    continue;
                if (i + 1 < n && line[i + 1] == '"')
                    ++i; // a quote written twice
                else
                    break;
            }
            if (i >= n)
                return false;
            fields->push_back(line.sliced(start, i - start));
            ++i;
            while (i < n && line[i] == ' ')
                ++i;
        } else {
            const qsizetype start = i;
            while (i < n && line[i] != separator)
                ++i;
            fields->push_back(line.sliced(start, i - start).trimmed());
        }
        if (i == n)
            return true;
        if (line[i] != separator)
            return false;
        ++i;
    }
}

enum class Value { Number, Empty, Word, Bad };

// A decimal with a point or a comma; no exponent, no grouping. A field without a digit
// ("Invalid", "-", "n/a") is a word, which the scanners write for a reading they lack.
Value ReadNumber(QByteArrayView text, double* value)
{
    text = text.trimmed();
    if (text.isEmpty())
        return Value::Empty;
    if (std::none_of(text.begin(), text.end(), IsDigit))
        return Value::Word;
    char buffer[32];
    if (text.size() >= qsizetype(sizeof buffer))
        return Value::Bad;
    qsizetype i = text[0] == '-' || text[0] == '+' ? 1 : 0;
    int used = 0, marks = 0, digits = 0, decimals = 0;
    long long whole = 0; // the digits read as one integer, while it stays exact
    if (text[0] == '-')
        buffer[used++] = '-';
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (IsDigit(c)) {
            buffer[used++] = c;
            whole = whole * 10 + (c - '0');
            ++digits;
            decimals += marks;
        } else if ((c == '.' || c == ',') && marks++ == 0) {
            buffer[used++] = '.';
        } else {
            return Value::Bad;
        }
    }
    // A reading of up to 15 digits is its digits divided by a power of ten, both exact: the
    // division rounds as the library's parse does, without its cost on millions of values.
    static constexpr double tens[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6, 1e7};
    if (digits > 0 && digits <= 15 && decimals < 8) {
        *value = double(whole) / tens[decimals];
        if (text[0] == '-')
            *value = -*value;
        return Value::Number;
    }
    const auto read = std::from_chars(buffer, buffer + used, *value);
    return read.ec == std::errc() && read.ptr == buffer + used ? Value::Number : Value::Bad;
}

struct TColumns
{
    int stamp = -1, index = -1, clock = -1;
    int distance = 1, speed = -1, latitude = -1, longitude = -1, altitude = -1;
    int screedLeft = -1, screedRight = -1;
    int firstTemperature = 0;
};

// The fields of a line without the empty one a trailing separator leaves.
int Normalised(const std::vector<QByteArrayView>& fields, QByteArrayView line, char separator)
{
    const int n = int(fields.size());
    return n > 1 && line.trimmed().endsWith(separator) ? n - 1 : n;
}

// A column name without its digits and spaces: "T12", "Temp 3 [°C]" are one kind.
QByteArray Kind(QByteArrayView name)
{
    QByteArray kind;
    for (const char c : name) {
        if (!IsDigit(c) && c != ' ')
            kind += c;
    }
    return kind;
}

// The temperatures of the newer MOBA layout: the longest run of columns numbered alike,
// wherever the firmware puts its other measurements.
std::pair<int, int> NumberedRun(const std::vector<QByteArrayView>& names, int from, int to)
{
    std::pair<int, int> best{0, 0};
    for (int i = from; i < to;) {
        const QByteArray kind = Kind(names[i]);
        int j = i + 1;
        while (j < to && !kind.isEmpty() && Kind(names[j]) == kind)
            ++j;
        if (j - i > best.second)
            best = {i, j - i};
        i = j;
    }
    return best;
}

int MonthOf(const QString& name)
{
    const QString head = name.left(3).toLower();
    static const QStringList english = {
        QStringLiteral("jan"), QStringLiteral("feb"), QStringLiteral("mar"), QStringLiteral("apr"),
        QStringLiteral("may"), QStringLiteral("jun"), QStringLiteral("jul"), QStringLiteral("aug"),
        QStringLiteral("sep"), QStringLiteral("oct"), QStringLiteral("nov"), QStringLiteral("dec")};
    static const QStringList german = {QStringLiteral("mär"), QStringLiteral("mai"),
                                       QStringLiteral("okt"), QStringLiteral("dez")};
    static const int germanMonths[] = {3, 5, 10, 12};
    if (const int i = int(english.indexOf(head)); i >= 0)
        return i + 1;
    const int i = int(german.indexOf(head));
    return i >= 0 ? germanMonths[i] : 0;
}

// The day a MOBA header states: "…, June 06, 2019" as the exports write it, or a numeric one.
QDate HeaderDate(const QString& line)
{
    static const QRegularExpression named(
        QStringLiteral("(\\p{L}{3,})\\.?\\s+(\\d{1,2}),?\\s+(\\d{4})"));
    static const QRegularExpression numeric(
        QStringLiteral("(?:^|\\D)(\\d{1,2})\\.(\\d{1,2})\\.(\\d{4})(?:\\D|$)"));
    if (const QRegularExpressionMatch m = named.match(line); m.hasMatch()) {
        const QDate d(m.captured(3).toInt(), MonthOf(m.captured(1)), m.captured(2).toInt());
        if (d.isValid())
            return d;
    }
    if (const QRegularExpressionMatch m = numeric.match(line); m.hasMatch())
        return QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    return QDate();
}

[[noreturn]] void Refuse(int line, const QString& why, const QString& quote)
{
    throw AppError(
        QStringLiteral("%1 行目を読み取れません（%2）: %3").arg(line).arg(why, Excerpt(quote)));
}

struct THeadLine
{
    int number = 0;
    qint64 offset = 0;
    QByteArray bytes;
};
using THeader = std::vector<const THeadLine*>;

// MOBA states the paving width as a name and a value in metres; its sensors share it.
double PavingWidth(const THeader& header, char separator)
{
    static const QRegularExpression metres(QStringLiteral("[\\[(]\\s*m\\s*[\\])]"));
    std::vector<QByteArrayView> pair;
    for (const THeadLine* h : header) {
        double value = 0;
        if (Split(h->bytes, separator, &pair) && Normalised(pair, h->bytes, separator) == 2 &&
            metres.match(Text(pair[0])).hasMatch() &&
            ReadNumber(pair[1], &value) == Value::Number && value >= 0.5 && value <= 20)
            return value;
    }
    return NoValue;
}

QDate HeaderDay(const THeader& header)
{
    for (const THeadLine* h : header) {
        if (const QDate day = HeaderDate(Text(h->bytes)); day.isValid())
            return day;
    }
    return QDate();
}

} // namespace

struct TProfileReader::TState
{
    explicit TState(std::shared_ptr<const CsvSource> from) : source(std::move(from)) {}
    void Recognise();
    void PlaceColumns(const THeadLine& start, const THeader& header);
    bool ReadLine();
    [[noreturn]] void RefuseField(int column, QByteArrayView field) const;
    double Optional(int column) const;

    std::shared_ptr<const CsvSource> source;
    std::optional<LineCursor> cursor;
    char end = '\n';
    bool endsOpen = false; // the last line has no line end: the file may have been cut
    Layout layout = Layout::RoadScan;
    char separator = ';';
    TColumns columns;
    int fieldCount = 0;
    TProfileHead head;
    TProfileLine line;
    bool pending = false;
    std::vector<QByteArrayView> fields;
    TStampReader stamp;
    QDate day; // MOBA's clock-only lines: the header's, a day on at midnight
    QTime lastClock;
    int footer = 0; // the line where the data ended, once it has
    QString footerText;
};

void TProfileReader::TState::PlaceColumns(const THeadLine& start, const THeader& header)
{
    Split(start.bytes, separator, &fields);
    fieldCount = int(fields.size());
    const int width = Normalised(fields, start.bytes, separator);
    head.format = layout == Layout::RoadScan ? QStringLiteral("Vögele RoadScan")
                                             : QStringLiteral("MOBA Pave-IR");
    if (layout == Layout::RoadScan) {
        // Time, distance, latitude, longitude, signal quality, the temperatures.
        columns.stamp = 0;
        columns.latitude = 2;
        columns.longitude = 3;
        columns.firstTemperature = 5;
    } else if (layout == Layout::MobaIndexed) {
        // Index, distance, speed, time, longitude, latitude, signal quality, satellites, …
        columns.index = 0;
        columns.speed = 2;
        columns.clock = 3;
        columns.longitude = 4;
        columns.latitude = 5;
        columns.firstTemperature = 8;
    } else {
        // Time, distance, latitude, longitude, altitude, what the firmware adds, the
        // temperatures, and the screed's widths left and right.
        columns.stamp = 0;
        columns.latitude = 2;
        columns.longitude = 3;
        columns.altitude = 4;
        std::vector<QByteArrayView> names;
        if (header.empty() || !Split(header.back()->bytes, separator, &names) ||
            Normalised(names, header.back()->bytes, separator) != width)
            Refuse(header.empty() ? start.number : header.back()->number,
                   QStringLiteral("列の見出しと走査データの列の数が違います"),
                   Text(header.empty() ? start.bytes : header.back()->bytes));
        const auto [from, count] = NumberedRun(names, 5, width);
        if (count < 2)
            Refuse(header.back()->number, QStringLiteral("見出しから温度の列が分かりません"),
                   Text(header.back()->bytes));
        columns.firstTemperature = from;
        if (width - (from + count) == 2) {
            columns.screedLeft = from + count;
            columns.screedRight = from + count + 1;
        }
        head.positions = count;
    }
    if (layout != Layout::MobaStamped)
        head.positions = width - columns.firstTemperature;
    if (head.positions < 1)
        Refuse(start.number, QStringLiteral("温度の列がありません"), Text(start.bytes));
}

void TProfileReader::TState::Recognise()
{
    const QByteArray first = source->Read(0, qMin<qint64>(source->Size(), 1 << 16));
    const qint64 body = first.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    end = first.contains('\n') ? '\n' : '\r';
    endsOpen = source->Size() > body && source->Read(source->Size() - 1, 1).at(0) != end;
    std::vector<THeadLine> lines;
    LineCursor reader(*source, body, source->Size(), end, 1);
    int data = -1, examined = 0;
    const auto shaped = [&](QByteArrayView raw, char candidate) -> std::optional<Layout> {
        if (!Split(raw, candidate, &fields))
            return std::nullopt;
        double number = 0;
        QDateTime when;
        QTime clock;
        if (fields.size() >= 6 && ReadNumber(fields[1], &number) == Value::Number &&
            stamp(fields[0], &when))
            return Layout::RoadScan; // or the newer MOBA: the header tells
        if (fields.size() >= 9 && ReadNumber(fields[1], &number) == Value::Number &&
            std::all_of(fields[0].begin(), fields[0].end(), IsDigit) && !fields[0].isEmpty() &&
            ReadWholeClock(fields[3], &clock))
            return Layout::MobaIndexed;
        return std::nullopt;
    };
    while (data < 0 && reader.Next() && reader.number <= HeadLines) {
        if (reader.tooLong)
            Refuse(reader.number, QStringLiteral("行が長すぎます"), Text(reader.line));
        examined = reader.number;
        lines.push_back({reader.number, reader.offset, reader.line.toByteArray()});
        if (IsBlank(reader.line) || !StartsAsData(reader.line))
            continue;
        for (const char candidate : {';', ','}) {
            if (const std::optional<Layout> found = shaped(reader.line, candidate)) {
                layout = *found;
                separator = candidate;
                data = int(lines.size()) - 1;
                break;
            }
        }
    }
    if (data < 0)
        throw AppError(
            QStringLiteral("%1 行目までに走査データの行がありません（RoadScan・Pave-IR の"
                           " CSV ではありません）: %2")
                .arg(qMax(1, examined))
                .arg(Excerpt(lines.empty() ? QString() : Text(lines.front().bytes))));
    const THeadLine& start = lines[data];
    THeader header;
    for (int i = 0; i < data; ++i) {
        if (!IsBlank(lines[i].bytes))
            header.push_back(&lines[i]);
    }
    if (layout == Layout::RoadScan && int(header.size()) >= LongHeader)
        layout = Layout::MobaStamped;
    else if (layout == Layout::RoadScan && int(header.size()) > ShortHeader)
        Refuse(start.number, QStringLiteral("RoadScan・Pave-IR のどちらの形式とも合いません"),
               Text(start.bytes));
    PlaceColumns(start, header);
    const double paving = layout == Layout::RoadScan ? NoValue : PavingWidth(header, separator);
    if (layout == Layout::MobaIndexed && !(day = HeaderDay(header)).isValid())
        Refuse(start.number, QStringLiteral("見出しに日付がありません"),
               Text(header.empty() ? start.bytes : header.front()->bytes));
    cursor.emplace(*source, start.offset, source->Size(), end, start.number);
    cursor->Next();
    pending = ReadLine();
    head.day = line.time.date();
    if (layout == Layout::RoadScan)
        head.spacing = RoadScanSpacing;
    else if (!std::isnan(paving))
        head.spacing = paving / head.positions;
    else if (line.screedLeft + line.screedRight > 0)
        head.spacing = (line.screedLeft + line.screedRight) / head.positions;
    else
        Refuse(start.number, QStringLiteral("舗装幅が分からず、温度の位置の間隔が決まりません"),
               Text(start.bytes));
}

void TProfileReader::TState::RefuseField(int column, QByteArrayView field) const
{
    Refuse(cursor->number, QStringLiteral("%1 列目の値が読めません").arg(column + 1),
           field.trimmed().isEmpty() ? Text(cursor->line) : Text(field));
}

double TProfileReader::TState::Optional(int column) const
{
    double value = NoValue;
    if (column < 0)
        return value;
    const Value read = ReadNumber(fields[column], &value);
    if (read == Value::Bad)
        RefuseField(column, fields[column]);
    return read == Value::Number ? value : NoValue;
}

// False for a line that holds no scan line: blank, or the footer and what follows it.
bool TProfileReader::TState::ReadLine()
{
    const QByteArrayView raw = cursor->line;
    const int number = cursor->number;
    if (cursor->tooLong)
        Refuse(number, QStringLiteral("行が長すぎます"), Text(raw));
    if (IsBlank(raw))
        return false;
    if (footer > 0) {
        // A word in the middle of the data is a broken line, not the end of the file.
        if (StartsAsData(raw) && Split(raw, separator, &fields) && int(fields.size()) == fieldCount)
            Refuse(footer, QStringLiteral("この行の後にも走査データがあります"), footerText);
        return false;
    }
    if (!StartsAsData(raw)) {
        footer = number;
        footerText = Text(raw);
        return false;
    }
    const bool last = endsOpen && cursor->next >= source->Size();
    const bool split = Split(raw, separator, &fields);
    if (!split || int(fields.size()) != fieldCount)
        Refuse(number,
               last    ? QStringLiteral("途中で切れています")
               : split ? QStringLiteral("列の数が違います")
                       : QStringLiteral("引用符が閉じていません"),
               Text(raw));
    line.line = number;
    if (columns.stamp >= 0) {
        if (!stamp(fields[columns.stamp], &line.time))
            Refuse(number, QStringLiteral("日時が読めません"), Text(fields[columns.stamp]));
    } else {
        QTime clock;
        if (!std::all_of(fields[columns.index].begin(), fields[columns.index].end(), IsDigit))
            RefuseField(columns.index, fields[columns.index]);
        if (!ReadWholeClock(fields[columns.clock], &clock))
            Refuse(number, QStringLiteral("時刻が読めません"), Text(fields[columns.clock]));
        if (lastClock.isValid() && clock.secsTo(lastClock) > 12 * 3600)
            day = day.addDays(1);
        lastClock = clock;
        line.time = QDateTime(day, clock, Qt::UTC);
    }
    if (ReadNumber(fields[columns.distance], &line.distance) != Value::Number)
        RefuseField(columns.distance, fields[columns.distance]);
    line.speed = Optional(columns.speed);
    line.latitude = Optional(columns.latitude);
    line.longitude = Optional(columns.longitude);
    line.altitude = Optional(columns.altitude);
    line.screedLeft = Optional(columns.screedLeft);
    line.screedRight = Optional(columns.screedRight);
    line.temperatures.resize(head.positions);
    for (int k = 0; k < head.positions; ++k) {
        const int column = columns.firstTemperature + k;
        double value = 0;
        const Value read = ReadNumber(fields[column], &value);
        if (read == Value::Bad)
            RefuseField(column, fields[column]);
        line.temperatures[k] = read == Value::Number ? float(value) : float(NoValue);
    }
    return true;
}

TProfileReader::TProfileReader(const QString& file)
    : d(std::make_unique<TState>(std::make_shared<const CsvSource>(file)))
{
    d->Recognise();
}

TProfileReader::TProfileReader(const QByteArray& bytes)
    : d(std::make_unique<TState>(std::make_shared<const CsvSource>(bytes)))
{
    d->Recognise();
}

TProfileReader::~TProfileReader() = default;

const TProfileHead& TProfileReader::Head() const
{
    return d->head;
}

const TProfileLine* TProfileReader::Next()
{
    if (d->pending) {
        d->pending = false;
        return &d->line;
    }
    while (d->cursor->Next()) {
        if (d->ReadLine())
            return &d->line;
    }
    return nullptr;
}
