#include "core/AppError.h"
#include "core/Settings.h"
#include "core/Utility.h"
#include "domain/DayEntry.h"
#include "domain/Temperature.h"
#include "exchange/CsvFile.h"

#include <QHash>
#include <QRegularExpression>
#include <optional>

// Reading a logger's file: the separator, the columns and the days, over the lines CsvFile
// gives; once for what the file is, once for its days, and again for each day's readings when
// they are stored.

struct CsvDayReader
{
    std::shared_ptr<const CsvSource> source;
    QString encoding;
    QChar separator;
    char lineEnd = '\n';
    CsvColumns columns;
};

using CsvFile::IsBlankText;
using CsvFile::LineCursor;
using CsvFile::LineDecoder;

namespace {

QStringList SplitLine(const QString& line, QChar separator)
{
    if (!line.contains(QLatin1Char('"'))) {
        QStringList fields;
        for (const QStringView field : QStringView(line).tokenize(separator))
            fields << field.trimmed().toString();
        return fields;
    }
    QStringList fields;
    QString field;
    bool quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < line.size() && line.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == separator) {
            fields << field.trimmed();
            field.clear();
        } else {
            field += c;
        }
    }
    fields << field.trimmed();
    return fields;
}

// The separator that gives the most lines of one shape; on a tie tab, then semicolon (a
// semicolon file may still carry decimal commas).
QChar DetectSeparator(const QStringList& lines)
{
    QChar best = QLatin1Char(',');
    int bestScore = -1;
    for (const QChar candidate :
         {QChar(QLatin1Char('\t')), QChar(QLatin1Char(';')), QChar(QLatin1Char(','))}) {
        QHash<int, int> shapes;
        for (const QString& line : lines) {
            const int n = SplitLine(line, candidate).size();
            if (n >= 2)
                ++shapes[n];
        }
        int score = 0;
        for (auto it = shapes.cbegin(); it != shapes.cend(); ++it)
            score = qMax(score, it.value());
        if (score > bestScore) {
            bestScore = score;
            best = candidate;
        }
    }
    return best;
}

QString Field(const CsvRow& row, int column)
{
    return column >= 0 && column < row.fields.size() ? row.fields.at(column) : QString();
}

struct RowValue
{
    QDate day;
    QTime time;
    bool hasTime = false;
    double value = 0.0;
    QString label;
    QString truck;
    QString remark;
};

bool ReadRow(const CsvRow& row, const CsvColumns& c, RowValue* out)
{
    if (!ParseCsvDateTime(Field(row, c.date), &out->day, &out->time, &out->hasTime))
        return false;
    if (c.time >= 0) {
        if (out->hasTime || !ParseCsvTime(Field(row, c.time), &out->time))
            return false;
        out->hasTime = true;
    }
    if (!ParseCsvTemperature(Field(row, c.temperature), &out->value))
        return false;
    if (c.label >= 0) {
        if (c.label >= row.fields.size())
            return false;
        out->label = row.fields.at(c.label);
    }
    // Truck and remark are optional in each row: a short row just lacks them.
    out->truck = c.truck >= 0 ? Field(row, c.truck).trimmed() : QString();
    out->remark = c.remark >= 0 ? Field(row, c.remark).trimmed() : QString();
    return true;
}

bool IsBlank(const CsvRow& row)
{
    for (const QString& f : row.fields) {
        if (!f.isEmpty())
            return false;
    }
    return true;
}

// The columns a row would be read with: the first date field (with the time field after it
// when the date has none) and the first temperature after them.
bool GuessColumns(const CsvRow& row, CsvColumns* out)
{
    CsvColumns c;
    QDate d;
    QTime t;
    bool hasTime = false;
    for (int i = 0; i < row.fields.size(); ++i) {
        if (ParseCsvDateTime(row.fields.at(i), &d, &t, &hasTime)) {
            c.date = i;
            break;
        }
    }
    if (c.date < 0)
        return false;
    int next = c.date + 1;
    if (!hasTime && ParseCsvTime(Field(row, next), &t))
        c.time = next++;
    for (int i = next; i < row.fields.size(); ++i) {
        double v = 0;
        if (ParseCsvTemperature(row.fields.at(i), &v)) {
            c.temperature = i;
            break;
        }
    }
    if (c.temperature < 0)
        return false;
    *out = c;
    return true;
}

// False when the row after `i` looks like the column row (neither its date nor its
// temperature reads): row `i` is then a title line that looks like a reading
// ("開始,2024/04/01 08:00,1"). A reading followed by a broken one stays data.
bool NextReads(const CsvTable& table, const CsvColumns& c, int i)
{
    for (int k = i + 1; k < table.rows.size(); ++k) {
        const CsvRow& row = table.rows.at(k);
        if (IsBlank(row))
            continue;
        QDate d;
        QTime t;
        bool timed = false;
        double v = 0;
        return ParseCsvDateTime(Field(row, c.date), &d, &t, &timed) ||
               ParseCsvTemperature(Field(row, c.temperature), &v);
    }
    return true;
}

// The first row that reads under fixed columns, with the next one reading too.
int FindFirstData(const CsvTable& table, const CsvColumns& c)
{
    RowValue v;
    for (int i = 0; i < table.rows.size(); ++i) {
        if (ReadRow(table.rows.at(i), c, &v) && NextReads(table, c, i))
            return i;
    }
    return -1;
}

const QRegularExpression& DateTimePattern()
{
    static const QRegularExpression re(
        QStringLiteral("^(\\d{4})\\s*[-/.年]\\s*(\\d{1,2})\\s*[-/.月]\\s*(\\d{1,2})\\s*日?"
                       "(?:(?:\\s+|T)(\\d{1,2}):(\\d{2})(?::(\\d{2})(?:\\.\\d+)?)?)?$"));
    return re;
}

} // namespace

QStringList CsvTable::Names() const
{
    if (firstData <= 0)
        return {};
    const CsvRow& above = rows.at(firstData - 1);
    return above.fields.size() == rows.at(firstData).fields.size() ? above.fields : QStringList();
}

bool ParseCsvTime(const QString& text, QTime* time)
{
    static const QRegularExpression re(
        QStringLiteral("^(\\d{1,2}):(\\d{2})(?::(\\d{2})(?:\\.\\d+)?)?$"));
    const QRegularExpressionMatch m =
        re.match(AsciiTyped(text).trimmed().replace(QChar(0xFF1A), QLatin1Char(':')));
    if (!m.hasMatch())
        return false;
    const QTime t(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!t.isValid())
        return false;
    *time = t;
    return true;
}

namespace {

// The plain forms loggers write ("2024/04/01 08:15", "2024-04-01T08:15:30") read without the
// pattern, with the same answer; unset for any other form, which the pattern then decides.
std::optional<bool> ReadPlainDateTime(QStringView t, QDate* date, QTime* time, bool* hasTime)
{
    qsizetype i = 0;
    const auto number = [&](int least, int most) {
        int value = 0, n = 0;
        for (; i < t.size() && n < most && t[i] >= QLatin1Char('0') && t[i] <= QLatin1Char('9');
             ++i, ++n)
            value = value * 10 + (t[i].unicode() - '0');
        return n >= least ? value : -1;
    };
    const auto separator = [&] {
        if (i >= t.size() || !QStringView(u"-/.").contains(t[i]))
            return false;
        ++i;
        return true;
    };
    const int y = number(4, 4);
    if (y < 0 || !separator())
        return std::nullopt;
    const int m = number(1, 2);
    if (m < 0 || !separator())
        return std::nullopt;
    const int d = number(1, 2);
    if (d < 0)
        return std::nullopt;
    int h = 0, minute = 0, second = 0;
    const bool timed = i < t.size();
    if (timed) {
        if (t[i] == QLatin1Char('T'))
            ++i;
        else if (t[i] != QLatin1Char(' '))
            return std::nullopt;
        else
            while (i < t.size() && t[i] == QLatin1Char(' '))
                ++i;
        h = number(1, 2);
        if (h < 0 || i >= t.size() || t[i++] != QLatin1Char(':'))
            return std::nullopt;
        if ((minute = number(2, 2)) < 0)
            return std::nullopt;
        if (i < t.size() && (t[i++] != QLatin1Char(':') || (second = number(2, 2)) < 0))
            return std::nullopt;
        if (i != t.size())
            return std::nullopt;
    }
    const QDate day(y, m, d);
    const QTime clock = timed ? QTime(h, minute, second) : QTime(0, 0);
    if (!day.isValid() || !clock.isValid())
        return false;
    *date = day;
    *time = clock;
    *hasTime = timed;
    return true;
}

} // namespace

bool ParseCsvDateTime(const QString& text, QDate* date, QTime* time, bool* hasTime)
{
    const QString t = AsciiTyped(text).trimmed().replace(QChar(0xFF1A), QLatin1Char(':'));
    if (const std::optional<bool> plain = ReadPlainDateTime(t, date, time, hasTime))
        return *plain;
    const QRegularExpressionMatch m = DateTimePattern().match(t);
    if (!m.hasMatch())
        return false;
    const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!d.isValid())
        return false;
    QTime clock(0, 0);
    const bool timed = m.capturedLength(4) > 0;
    if (timed) {
        clock = QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
        if (!clock.isValid())
            return false;
    }
    *date = d;
    *time = clock;
    *hasTime = timed;
    return true;
}

bool ParseCsvTemperature(const QString& text, double* value)
{
    // A plain decimal, as loggers write it, needs neither the units nor the pattern.
    qsizetype i = !text.isEmpty() && (text[0] == QLatin1Char('-') || text[0] == QLatin1Char('+'));
    int digits = 0, points = 0;
    for (; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('.'))
            ++points;
        else if (text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'))
            ++digits;
        else
            break;
    }
    if (i == text.size() && digits > 0 && points <= 1) {
        bool ok = false;
        const double v = text.toDouble(&ok);
        if (ok)
            *value = v;
        return ok;
    }
    QString t = AsciiTyped(text);
    for (const QString& unit : {QStringLiteral("℃"), QStringLiteral("°C"), QStringLiteral("°")}) {
        if (t.trimmed().endsWith(unit))
            t = t.trimmed().chopped(unit.size());
    }
    t.remove(QLatin1Char(' '));
    if (t.contains(QLatin1Char(',')) && !t.contains(QLatin1Char('.')))
        t.replace(QLatin1Char(','), QLatin1Char('.'));
    static const QRegularExpression number(QStringLiteral("^[-+]?(\\d+(\\.\\d*)?|\\.\\d+)$"));
    if (!number.match(t).hasMatch())
        return false;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok)
        return false;
    *value = v;
    return true;
}

namespace {

CsvTable ReadTable(const std::shared_ptr<const CsvSource>& source)
{
    const CsvFile::FileShape shape = CsvFile::Inspect(*source);
    CsvTable table;
    table.encoding = shape.encoding;
    table.lineEnd = shape.end;
    table.source = source;
    LineDecoder decode(shape.encoding);
    QStringList head;
    QList<QPair<int, qint64>> places;
    LineCursor lines(*source, shape.body, source->Size(), shape.end, 1);
    while (lines.Next()) {
        const QString line = decode(lines.line, lines.number);
        if (IsBlankText(line))
            continue;
        ++table.rowCount;
        if (head.size() < CsvHeadRows) {
            head << line;
            places.append({lines.number, lines.offset});
        }
    }
    // The separator from the first lines: a thousand tell it as well as all of them.
    table.separator = DetectSeparator(head);
    for (int i = 0; i < head.size(); ++i) {
        // Messages quote about 60 characters of a line; no more is kept.
        table.rows << CsvRow{places.at(i).first, head.at(i).left(61),
                             SplitLine(head.at(i), table.separator), places.at(i).second};
    }
    for (int i = 0; i < table.rows.size(); ++i) {
        CsvColumns c;
        if (GuessColumns(table.rows.at(i), &c) && NextReads(table, c, i)) {
            table.firstData = i;
            table.guess = c;
            break;
        }
    }
    return table;
}

} // namespace

CsvTable ParseCsv(const QByteArray& bytes)
{
    return ReadTable(std::make_shared<const CsvSource>(bytes));
}

CsvTable ReadCsvFile(const QString& file)
{
    return ReadTable(std::make_shared<const CsvSource>(file));
}

CsvColumns ParseColumnsOption(const QString& text)
{
    const QString bad =
        QStringLiteral("--columns は 日時,温度[,測点[,時刻[,車番[,備考]]]] の列番号で"
                       "指定してください（ない列は 0。例: 1,2 または 3+4,5,0,6）: %1")
            .arg(text.left(60));
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() < 2 || parts.size() > 6)
        throw AppError(bad);
    // Required columns count from 1; the optional ones may be 0, for none.
    auto number = [&bad](const QString& s, bool optional) {
        bool ok = false;
        const int n = s.trimmed().toInt(&ok);
        if (!ok || n < (optional ? 0 : 1))
            throw AppError(bad);
        return n - 1;
    };
    CsvColumns c;
    const QStringList date = parts.at(0).split(QLatin1Char('+'));
    if (date.size() > 2)
        throw AppError(bad);
    c.date = number(date.at(0), false);
    if (date.size() == 2)
        c.time = number(date.at(1), false);
    c.temperature = number(parts.at(1), false);
    if (parts.size() > 2)
        c.label = number(parts.at(2), true);
    if (parts.size() > 3) {
        const int time = number(parts.at(3), true);
        if (time >= 0 && c.time >= 0)
            throw AppError(bad);
        if (time >= 0)
            c.time = time;
    }
    if (parts.size() > 4)
        c.truck = number(parts.at(4), true);
    if (parts.size() > 5)
        c.remark = number(parts.at(5), true);
    return c;
}

namespace {

[[noreturn]] void RowError(const CsvRow& row, const QString& why)
{
    throw AppError(QStringLiteral("%1 行目%2: %3").arg(row.line).arg(why, Excerpt(row.text)));
}

// Each non-blank line of a span as a reading that passed every check.
template <typename Use> void ForEachReading(const CsvDayReader& r, const CsvSpan& span, Use&& use)
{
    LineDecoder decode(r.encoding);
    LineCursor lines(*r.source, span.from, span.to, r.lineEnd, span.line);
    RowValue v;
    while (lines.Next()) {
        if (lines.tooLong)
            r.source->RefuseChanged(); // its first reading was checked
        const QString text = decode(lines.line, lines.number);
        if (IsBlankText(text))
            continue;
        const CsvRow row{lines.number, text, SplitLine(text, r.separator), lines.offset};
        if (!ReadRow(row, r.columns, &v))
            RowError(row, QStringLiteral("を読み取れません"));
        if (v.day.year() < 1900)
            RowError(row, QStringLiteral("の日付は 1900 年より前です"));
        const TTemperature t = CheckTemperature(v.value);
        if (!t.IsValid())
            RowError(row, QStringLiteral("（%1）").arg(t.refusal));
        // The texts as the grid would take them: too long is refused, never cut.
        try {
            CheckEntryTexts(0, TTypedReading{r.columns.label >= 0 ? v.label : QString(), QString(),
                                             QString(), v.truck, v.remark});
        } catch (const AppError& e) {
            RowError(row, QStringLiteral("（%1）").arg(e.message()));
        }
        use(v, lines);
    }
}

// A reading needs a label to show in the main window's grid.
Reading ReadingOf(const RowValue& v, const CsvColumns& c, int lno)
{
    const QString clock = v.hasTime ? v.time.toString(QStringLiteral("HH:mm")) : QString();
    const QString label = c.label >= 0 && !v.label.isEmpty() ? v.label
                          : v.hasTime                        ? clock
                                                             : QString::number(lno);
    return Reading{lno, label, v.value, clock, v.truck, v.remark};
}

} // namespace

QList<CsvDay> CsvDays(const CsvTable& table, const CsvColumns& columns)
{
    const CsvColumns c = columns.IsValid() ? columns : table.guess;
    const int first =
        c.IsValid() ? (c == table.guess ? table.firstData : FindFirstData(table, c)) : -1;
    if (first < 0)
        throw AppError(QStringLiteral("日時と温度の列が読み取れる行がありません"));
    // Above the first reading, up to the line of column names or a title: a line whose date
    // field starts as a date does is a reading that did not read (a typo), never a title.
    static const QRegularExpression dated(QStringLiteral("^\\d{4}\\s*[-/.年]"));
    for (int i = first - 1; i >= 0; --i) {
        const CsvRow& row = table.rows.at(i);
        if (IsBlank(row))
            continue;
        if (!dated.match(AsciiTyped(Field(row, c.date)).trimmed()).hasMatch())
            break;
        RowError(row, QStringLiteral("を読み取れません"));
    }
    const auto reader = std::make_shared<const CsvDayReader>(
        CsvDayReader{table.source, table.encoding, table.separator, table.lineEnd, c});
    QList<CsvDay> days;
    QHash<QDate, int> index;
    // The temperatures of the run of lines being read: a day in one run (as loggers write
    // them) is summed up from them; one met again later is read again at the end.
    QList<double> run;
    int current = -1;
    QList<int> scattered;
    const RoundingRule rule = TSettings::Rounding();
    const auto endRun = [&] {
        if (current >= 0 && days.at(current).spans.size() == 1)
            days[current].stats = StatisticsOf(run, rule);
        else if (current >= 0 && !scattered.contains(current))
            scattered << current;
        run.clear();
    };
    const CsvRow& start = table.rows.at(first);
    ForEachReading(*reader, {start.offset, table.source->Size(), start.line},
                   [&](const RowValue& v, const LineCursor& line) {
                       auto it = index.constFind(v.day);
                       if (it == index.constEnd()) {
                           it = index.insert(v.day, days.size());
                           days << CsvDay{v.day, {}, reader, {}};
                       }
                       if (it.value() != current) {
                           endRun();
                           current = it.value();
                           days[current].spans << CsvSpan{line.offset, line.next, line.number};
                       }
                       days[current].spans.last().to = line.next;
                       ++days[current].stats.count; // the rest of the summary at the run's end
                       run << v.value;
                   });
    endRun();
    for (const int i : scattered)
        days[i].stats = StatisticsOf(days.at(i).Readings());
    return days;
}

QList<Reading> CsvDay::Readings() const
{
    QList<Reading> readings;
    readings.reserve(stats.count);
    for (const CsvSpan& span : spans) {
        ForEachReading(*reader, span, [&](const RowValue& v, const LineCursor&) {
            if (v.day != day)
                reader->source->RefuseChanged();
            readings << ReadingOf(v, reader->columns, int(readings.size()) + 1);
        });
    }
    if (readings.size() != stats.count)
        reader->source->RefuseChanged();
    return readings;
}
