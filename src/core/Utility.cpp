#include "core/Utility.h"

#include "core/AppError.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// The standard text-to-real conversion: blanks around the number allowed, exponent
// allowed, nothing else (no "inf", no "nan", no hexadecimal).
bool standardReal(const QString& text, double& out)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    for (const QChar c : t) {
        if (!(c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char('-') ||
              c == QLatin1Char('+') || c == QLatin1Char('e') || c == QLatin1Char('E')))
            return false;
        if (c.unicode() > 0x7f)
            return false;
    }
    bool ok = false;
    out = QLocale::c().toDouble(t, &ok);
    return ok;
}

long double pow10l(int n)
{
    return std::pow(10.0L, static_cast<long double>(n));
}

// k written in the general format and read back as a signed 32-bit whole number.
int readWhole(const QString& digits)
{
    bool ok = false;
    const qlonglong k = digits.toLongLong(&ok);
    if (!ok || digits.contains(QLatin1Char('e'), Qt::CaseInsensitive) ||
        k > std::numeric_limits<int>::max() || k < std::numeric_limits<int>::min())
        throw AppError(QStringLiteral("'%1' は整数ではありません").arg(digits));
    return int(k);
}

} // namespace

QString FormatGeneral(double value)
{
    char text[32];
    return QString::fromLatin1(text, WriteGeneral(text, value));
}

int WriteGeneral(char* out, double value)
{
    if (value == 0.0) {
        out[0] = '0';
        return 1;
    }
    // Temperatures have at most two decimals: written as the general form writes them, without
    // its cost (sealing a day formats every reading).
    if (std::abs(value) < 1e9) {
        const long long hundredths = std::llround(value * 100);
        if (double(hundredths) / 100 == value) {
            const long long magnitude = std::llabs(hundredths);
            char* p = out;
            if (value < 0)
                *p++ = '-';
            p = std::to_chars(p, out + 32, magnitude / 100).ptr;
            if (const int part = int(magnitude % 100)) {
                *p++ = '.';
                *p++ = char('0' + part / 10);
                if (part % 10)
                    *p++ = char('0' + part % 10);
            }
            return int(p - out);
        }
    }
    const QByteArray text = QString::number(value, 'g', 15).toLatin1();
    const int size = int(std::min<qsizetype>(text.size(), 32));
    std::memcpy(out, text.constData(), size_t(size));
    return size;
}

QString FormatFixed(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    double r = std::round(value * scale) / scale; // halves away from zero
    if (r == 0.0)
        r = 0.0; // no "-0"
    return QString::number(r, 'f', decimals);
}

namespace {
bool isAscii(QStringView text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}
} // namespace

QString AsciiTyped(const QString& text)
{
    if (isAscii(text))
        return text; // shared, not copied: a file's million fields pass here
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u >= 0xFF10 && u <= 0xFF19)
            c = QLatin1Char(char('0' + (u - 0xFF10)));
        else if (u == 0xFF0D || u == 0x2212 || u == 0x30FC)
            c = QLatin1Char('-');
        else if (u == 0xFF0B)
            c = QLatin1Char('+');
        else if (u == 0xFF0E)
            c = QLatin1Char('.');
        else if (u == 0xFF3F)
            c = QLatin1Char('_');
        else if (u == 0xFF0F)
            c = QLatin1Char('/');
        else if (u == 0xFF1A)
            c = QLatin1Char(':');
        else if (u == 0x3000)
            c = QLatin1Char(' ');
    }
    return out;
}

QString RangeForPeople(const QString& stored)
{
    if (!IsRangeText(stored) || !stored.contains(QLatin1Char('_')))
        return stored;
    QString t = stored;
    t.replace(QLatin1Char('_'), QChar(0xFF5E));
    return t;
}

QString TypedRange(const QString& text)
{
    QString t = AsciiTyped(text);
    t.remove(QLatin1Char(' '));
    t.remove(QLatin1Char('\t'));
    // As the printed forms write it: "160～185 ℃", "110 ℃以上", "185 ℃以下".
    t.remove(QStringLiteral("℃"));
    t.remove(QStringLiteral("°C"));
    if (t.endsWith(QStringLiteral("以上")) && !t.contains(QLatin1Char('_')))
        t = t.chopped(2) + QLatin1Char('_');
    else if (t.endsWith(QStringLiteral("以下")) && !t.contains(QLatin1Char('_')))
        t = QLatin1Char('_') + t.chopped(2);
    if (t.contains(QLatin1Char('_')))
        return t;
    for (const QChar wave : {QChar(0xFF5E), QChar(0x301C), QChar(QLatin1Char('~'))}) {
        const int at = t.indexOf(wave);
        if (at >= 0) {
            t[at] = QLatin1Char('_');
            return t;
        }
    }
    // A minus sign right after a digit or point joins two numbers: "150-160", "-5--1".
    for (int i = 1; i < t.size(); ++i) {
        if (t.at(i) == QLatin1Char('-') &&
            (t.at(i - 1).isDigit() || t.at(i - 1) == QLatin1Char('.'))) {
            t[i] = QLatin1Char('_');
            break;
        }
    }
    return t;
}

bool IsRangeText(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^[-+]?(\\d+\\.?\\d*|\\.\\d+)$"));
    const int p = text.indexOf(QLatin1Char('_'));
    if (p < 0)
        return number.match(text).hasMatch();
    const QString low = text.left(p);
    const QString high = text.mid(p + 1);
    if (low.isEmpty() && high.isEmpty())
        return false;
    return (low.isEmpty() || number.match(low).hasMatch()) &&
           (high.isEmpty() || number.match(high).hasMatch());
}

double ParseNumber(const QString& text)
{
    QString kept;
    for (const QChar c : text) {
        if (c == QLatin1Char('-') || c == QLatin1Char('.') ||
            (c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            kept += c;
    }
    if (kept.isEmpty())
        return 0.0;
    // A minus sign anywhere but first, or two points, is not a number.
    if (kept.lastIndexOf(QLatin1Char('-')) > 0 || kept.count(QLatin1Char('.')) > 1)
        return 0.0;
    bool ok = false;
    const double value = QLocale::c().toDouble(kept, &ok);
    return ok ? value : 0.0;
}

int ParseWhole(const QString& text)
{
    const double v = std::trunc(ParseNumber(text));
    if (v > std::numeric_limits<int>::max() || v < std::numeric_limits<int>::min())
        return 0;
    return int(v);
}

int ParseIntOrZero(const QString& text)
{
    int i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    const QString rest = text.mid(i);
    if (rest.isEmpty())
        return 0;
    int start = 0;
    if (rest.at(0) == QLatin1Char('+') || rest.at(0) == QLatin1Char('-'))
        start = 1;
    if (start >= rest.size())
        return 0;
    for (int j = start; j < rest.size(); ++j) {
        if (rest.at(j) < QLatin1Char('0') || rest.at(j) > QLatin1Char('9'))
            return 0;
    }
    bool ok = false;
    const qlonglong v = rest.toLongLong(&ok);
    if (!ok || v > std::numeric_limits<int>::max() || v < std::numeric_limits<int>::min())
        return 0;
    return int(v);
}

double ParseFloatOrHuge(const QString& text)
{
    double v = 0;
    return standardReal(text, v) ? v : RangeUnbounded;
}

double RangeHigh(const QString& text)
{
    const int p = text.indexOf(QLatin1Char('_')) + 1;
    const int n = text.size();
    if (p == 0)
        return n == 0 ? RangeUnbounded : ParseFloatOrHuge(text);
    if (p == 1) {
        if (n == 1)
            return RangeUnbounded;
        double v = 0;
        return standardReal(text.mid(1), v) ? v : RangeUnbounded;
    }
    if (p == n)
        return RangeUnbounded;
    const double a = ParseFloatOrHuge(text.left(p - 1));
    const double b = ParseFloatOrHuge(text.mid(p));
    return a > b ? a : b;
}

double RangeLow(const QString& text)
{
    const int p = text.indexOf(QLatin1Char('_')) + 1;
    const int n = text.size();
    if (p == 0) {
        if (n == 0)
            return -RangeUnbounded;
        double v = 0;
        return standardReal(text, v) ? v : -RangeUnbounded;
    }
    if (p == 1)
        return -RangeUnbounded;
    if (p == n)
        return ParseFloatOrHuge(text.left(p - 1));
    const double a = ParseFloatOrHuge(text.left(p - 1));
    const double b = ParseFloatOrHuge(text.mid(p));
    return a < b ? a : b;
}

double RandomInRange(const QString& text)
{
    const double lo = RangeLow(text);
    const double hi = RangeHigh(text);
    const double r = QRandomGenerator::global()->generateDouble();
    return lo + r * (hi - lo);
}

double RoundDecimals(int decimals, double value, RoundingRule rule)
{
    const double s = value >= 0 ? 1.0 : -1.0;
    const long double m = std::fabs(static_cast<long double>(value)) * pow10l(decimals);
    QString digits;
    if (rule == RoundingRule::HalfEven) {
        // Ties to even, on the binary value of m (default rounding mode).
        digits = FormatGeneral(static_cast<double>(std::nearbyint(m)));
    } else {
        const double t = static_cast<double>(m + 0.5L);
        const QString text = FormatGeneral(t);
        if (text.contains(QLatin1Char('e'), Qt::CaseInsensitive))
            digits = text;
        else
            digits = text.section(QLatin1Char('.'), 0, 0);
    }
    const int k = readWhole(digits);
    if (k == 0)
        return 0.0;
    return static_cast<double>(s * k / pow10l(decimals));
}

double RoundUpDecimals(int decimals, double value)
{
    const long double scale = pow10l(decimals);
    const long double t = std::trunc(static_cast<long double>(value) * scale + 0.99999L);
    const double r = static_cast<double>(t / scale);
    return r == 0.0 ? 0.0 : r;
}

QDateTime DayZero()
{
    return QDateTime(QDate(1899, 12, 30), QTime(0, 0));
}

namespace {

bool shortDate(const QString& text, QDate& out)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    const QStringList parts = t.split(QLatin1Char('/'));
    if (parts.size() < 2 || parts.size() > 3)
        return false;
    int numbers[3] = {0, 0, 0};
    for (int i = 0; i < parts.size(); ++i) {
        const QString p = parts.at(i).trimmed();
        if (p.isEmpty() || p.size() > 4)
            return false;
        for (const QChar c : p) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        }
        numbers[i] = p.toInt();
    }
    int y = 0, m = 0, d = 0;
    if (parts.size() == 3) {
        y = numbers[0];
        m = numbers[1];
        d = numbers[2];
        if (parts.at(0).trimmed().size() <= 2)
            y += 2000;
    } else {
        y = QDate::currentDate().year();
        m = numbers[0];
        d = numbers[1];
    }
    const QDate date(y, m, d);
    if (!date.isValid())
        return false;
    out = date;
    return true;
}

} // namespace

QDateTime ParseDate(const QString& text)
{
    QDate date;
    if (!shortDate(text, date))
        return DayZero();
    return QDateTime(date, QTime(0, 0));
}

bool IsDate(const QString& text)
{
    QDate date;
    return shortDate(text, date);
}

QString FormatDate(const QDateTime& value)
{
    const QDate d = value.date();
    return QStringLiteral("%1/%2/%3")
        .arg(d.year(), 4, 10, QLatin1Char('0'))
        .arg(d.month(), 2, 10, QLatin1Char('0'))
        .arg(d.day(), 2, 10, QLatin1Char('0'));
}

QString GetToken(const QString& text, const QString& separator, int k)
{
    if (text.isEmpty() || separator.isEmpty())
        return QString();
    QStringList pieces;
    QString current;
    int pos = 0;
    while (pos < text.size()) {
        if (text.mid(pos, separator.size()) == separator) {
            pieces << current;
            current.clear();
            pos += separator.size();
        } else {
            current += text.at(pos);
            ++pos;
        }
    }
    pieces << current;
    if (k < 1 || k > pieces.size())
        return QString();
    return pieces.at(k - 1);
}

QString ReadVersionString(const QString& file, const QString& key)
{
    if (key.compare(QLatin1String("FileVersion"), Qt::CaseInsensitive) != 0)
        return QString();
    const QString self = QCoreApplication::applicationFilePath();
    const QFileInfo asked(file);
    const bool isSelf =
        (!self.isEmpty() && asked.exists() &&
         asked.canonicalFilePath() == QFileInfo(self).canonicalFilePath()) ||
        (!file.contains(QLatin1Char('/')) && !self.isEmpty() && file == QFileInfo(self).fileName());
    return isSelf ? QStringLiteral(ONDOKANRI_VERSION) : QString();
}

namespace {
int sjisWidth(char32_t c)
{
    if (c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F))
        return 1;
    return 2;
}
} // namespace

int SjisLength(const QString& text)
{
    int n = 0;
    for (const char32_t c : text.toUcs4())
        n += sjisWidth(c);
    return n;
}

QString SjisLeft(const QString& text, int bytes)
{
    if (text.size() <= bytes && isAscii(text))
        return text;
    QString out;
    int n = 0;
    for (const char32_t c : text.toUcs4()) {
        n += sjisWidth(c);
        if (n > bytes)
            break;
        out += QString::fromUcs4(&c, 1);
    }
    return out;
}

namespace {

// The value as an integer count of 10^-scale, read from its shortest decimal text; false when
// that text has more decimals than `scale` or an exponent.
bool decimalUnits(double value, int scale, qint64& units)
{
    QString text = QString::number(value, 'g', QLocale::FloatingPointShortest);
    if (text.contains(QLatin1Char('e')) || text.contains(QLatin1Char('E')))
        return false;
    const bool negative = text.startsWith(QLatin1Char('-'));
    if (negative)
        text.remove(0, 1);
    const int point = text.indexOf(QLatin1Char('.'));
    QString digits = text;
    int decimals = 0;
    if (point >= 0) {
        decimals = text.size() - point - 1;
        digits.remove(point, 1);
    }
    if (decimals > scale || digits.size() + scale - decimals > 18)
        return false;
    digits += QString(scale - decimals, QLatin1Char('0'));
    bool ok = false;
    units = digits.toLongLong(&ok);
    if (negative)
        units = -units;
    return ok;
}

} // namespace

double RoundedMean(const QList<double>& values, int decimals, RoundingRule rule)
{
    if (values.isEmpty())
        return 0.0;
    // Readings carry a few decimals at most; six leave room for every sum of 999 of them.
    constexpr int Scale = 6;
    qint64 sum = 0;
    for (double v : values) {
        qint64 units = 0;
        if (!decimalUnits(v, Scale, units) || std::llabs(units) > 1'000'000'000'000LL) {
            double plain = 0.0;
            for (double w : values)
                plain += w;
            return RoundDecimals(decimals, plain / values.size(), rule);
        }
        sum += units;
    }
    // mean * 10^decimals = sum * 10^decimals / (n * 10^Scale), rounded on that exact fraction.
    qint64 numerator = sum;
    qint64 denominator = qint64(values.size());
    for (int i = 0; i < Scale; ++i)
        denominator *= 10;
    for (int i = 0; i < decimals; ++i)
        numerator *= 10;
    const bool negative = numerator < 0;
    const qint64 magnitude = negative ? -numerator : numerator;
    qint64 quotient = magnitude / denominator;
    const qint64 twice = 2 * (magnitude % denominator);
    if (twice > denominator ||
        (twice == denominator && (rule == RoundingRule::HalfUp || quotient % 2 == 1)))
        ++quotient;
    double result = double(negative ? -quotient : quotient);
    for (int i = 0; i < decimals; ++i)
        result /= 10.0;
    return result == 0.0 ? 0.0 : result;
}

void ReadLocalZoneOnce()
{
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
}
