#include "core/AppError.h"
#include "core/Utility.h"
#include "exchange/CsvImport.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>

// Reading a logger's file: its bytes, one encoding, the separator, the columns and the days.

namespace {

// The lines of a file as its bytes have them, ends of line removed; the one encoding of the
// whole file is decided from all of them before any is read.
struct RawLines
{
    QList<QByteArrayView> lines;
    bool bom = false;
};

[[noreturn]] void Refuse(const QString& why)
{
    throw AppError(why);
}

RawLines SplitBytes(const QByteArray& bytes)
{
    RawLines raw;
    QByteArrayView body(bytes);
    if (body.startsWith("\xFF\xFE") || body.startsWith("\xFE\xFF"))
        Refuse(QStringLiteral(
            "UTF-16 のファイルは読めません。UTF-8 か Shift-JIS で保存し直してください"));
    if (body.startsWith("\xEF\xBB\xBF")) {
        raw.bom = true;
        body = body.sliced(3);
    }
    // Old Macintosh files end their lines with CR alone.
    const char end = body.contains('\n') ? '\n' : '\r';
    qsizetype from = 0;
    while (from <= body.size()) {
        qsizetype to = body.indexOf(end, from);
        if (to < 0)
            to = body.size();
        QByteArrayView line = body.sliced(from, to - from);
        if (line.endsWith('\r'))
            line.chop(1);
        const int number = int(raw.lines.size()) + 1;
        if (line.size() > MaxCsvLineBytes)
            Refuse(QStringLiteral("%1 行目が長すぎます（1 行 %2 バイトまで）。温度計・記録計の CSV "
                                  "ファイルか確かめてください")
                       .arg(number)
                       .arg(MaxCsvLineBytes));
        if (number > MaxCsvLines)
            Refuse(QStringLiteral("行が多すぎます（%1 行まで）。ファイルを分けて取り込んでください")
                       .arg(MaxCsvLines));
        if (line.contains('\0'))
            Refuse(QStringLiteral("%1 行目に NUL 文字があります。テキストの CSV ファイルか確かめて"
                                  "ください")
                       .arg(number));
        raw.lines << line;
        from = to + 1;
    }
    return raw;
}

bool IsAscii(QByteArrayView line)
{
    for (const char c : line) {
        if (uchar(c) >= 0x80)
            return false;
    }
    return true;
}

// UTF-8 when every line is; Japanese Windows' CP932 when no line with other characters is
// UTF-8 and every line reads as CP932. A file of both is refused, not read half garbled.
QString ChooseEncoding(const RawLines& raw)
{
    int firstUtf8 = 0, firstOther = 0;
    for (int i = 0; i < raw.lines.size() && !(firstUtf8 && firstOther); ++i) {
        const QByteArrayView line = raw.lines.at(i);
        if (IsAscii(line))
            continue;
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        const QString decoded = utf8.decode(line); // the decoder learns of errors by decoding
        int& first = utf8.hasError() ? firstOther : firstUtf8;
        if (!first)
            first = i + 1;
    }
    if (!firstOther)
        return QStringLiteral("UTF-8");
    if (firstUtf8 || raw.bom)
        Refuse(QStringLiteral("文字コードが行によって違います（%1 行目は UTF-8 ではありません）。"
                              "一つの文字コードで保存し直してください")
                   .arg(firstOther));
    for (int i = 0; i < raw.lines.size(); ++i) {
        QStringDecoder sjis("CP932");
        const QString decoded = sjis.decode(raw.lines.at(i));
        if (!sjis.isValid() || sjis.hasError())
            Refuse(
                QStringLiteral("%1 行目は UTF-8 としても Shift-JIS としても読めません").arg(i + 1));
    }
    return QStringLiteral("Shift-JIS");
}

QStringList SplitLine(const QString& line, QChar separator)
{
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

bool ParseCsvDateTime(const QString& text, QDate* date, QTime* time, bool* hasTime)
{
    const QString t = AsciiTyped(text).trimmed().replace(QChar(0xFF1A), QLatin1Char(':'));
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

CsvTable ParseCsv(const QByteArray& bytes)
{
    CsvTable table;
    const RawLines raw = SplitBytes(bytes);
    table.encoding = ChooseEncoding(raw);
    const bool utf8 = table.encoding == QLatin1String("UTF-8");
    const auto decode = [utf8](QByteArrayView line) {
        if (utf8 || IsAscii(line))
            return QString::fromUtf8(line);
        QStringDecoder sjis("CP932");
        return QString(sjis.decode(line));
    };
    // The separator from the first lines: a thousand tell it as well as all of them.
    QStringList sample;
    for (int i = 0; i < raw.lines.size() && sample.size() < 1000; ++i) {
        const QString line = decode(raw.lines.at(i));
        if (!line.trimmed().isEmpty())
            sample << line;
    }
    table.separator = DetectSeparator(sample);
    for (int i = 0; i < raw.lines.size(); ++i) {
        const QString line = decode(raw.lines.at(i));
        if (line.trimmed().isEmpty())
            continue;
        // Messages quote about 60 characters of a line; no more is kept.
        table.rows << CsvRow{i + 1, line.left(61), SplitLine(line, table.separator)};
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

CsvTable ReadCsvFile(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("ファイル '%1' を読めません").arg(PathExcerpt(file)));
    // Read in pieces up to the limit: a device without end (/dev/zero, a pipe) stops there.
    QByteArray bytes;
    if (!f.isSequential())
        bytes.reserve(qMin(f.size(), MaxCsvBytes) + 1);
    for (;;) {
        const QByteArray piece = f.read(qMin<qint64>(1 << 20, MaxCsvBytes + 1 - bytes.size()));
        if (piece.isEmpty())
            break;
        bytes += piece;
        if (bytes.size() > MaxCsvBytes)
            throw AppError(QStringLiteral("ファイル '%1' は大きすぎます（%2 MB まで）。"
                                          "ファイルを分けて取り込んでください")
                               .arg(PathExcerpt(file))
                               .arg(MaxCsvBytes / (1024 * 1024)));
    }
    if (f.error() != QFileDevice::NoError)
        throw AppError(QStringLiteral("ファイル '%1' を読めません").arg(PathExcerpt(file)));
    return ParseCsv(bytes);
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

bool HasControl(const QString& text)
{
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            return true;
    }
    return false;
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
    QList<CsvDay> days;
    QHash<QDate, int> index;
    RowValue v;
    for (int i = first; i < table.rows.size(); ++i) {
        const CsvRow& row = table.rows.at(i);
        if (IsBlank(row))
            continue;
        if (!ReadRow(row, c, &v))
            RowError(row, QStringLiteral("を読み取れません"));
        if (v.day.year() < 1900)
            RowError(row, QStringLiteral("の日付は 1900 年より前です"));
        if (!(v.value >= MinCsvTemperature && v.value <= MaxCsvTemperature))
            RowError(row, QStringLiteral("の温度は %1～%2 ℃ の外です")
                              .arg(MinCsvTemperature)
                              .arg(MaxCsvTemperature));
        if (HasControl(v.label) || HasControl(v.truck) || HasControl(v.remark))
            RowError(row, QStringLiteral("に制御文字があります"));
        auto it = index.constFind(v.day);
        if (it == index.constEnd()) {
            it = index.insert(v.day, days.size());
            days << CsvDay{v.day, {}, {}};
        }
        CsvDay& day = days[it.value()];
        const int lno = day.readings.size() + 1;
        // A reading needs a label to show in the main window's grid.
        QString label = c.label >= 0 && !v.label.isEmpty() ? v.label
                        : v.hasTime ? v.time.toString(QStringLiteral("HH:mm"))
                                    : QString::number(lno);
        day.readings << Reading{lno,
                                SjisLeft(label, 16),
                                v.value,
                                v.hasTime ? v.time.toString(QStringLiteral("HH:mm")) : QString(),
                                v.truck.left(16),
                                v.remark.left(64)};
    }
    for (CsvDay& day : days)
        day.stats = StatisticsOf(day.readings);
    return days;
}
