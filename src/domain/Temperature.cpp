#include "domain/Temperature.h"

#include "core/AppError.h"
#include "core/Utility.h"

#include <cmath>

namespace {

// Quoted as typed, cut so that a pasted line does not fill the message.
QString quoted(const QString& text)
{
    return QStringLiteral("「%1」").arg(Excerpt(text, 20));
}

QString unreadable(const QString& text, const QString& why = QString())
{
    return quoted(text) + QStringLiteral("は温度として読めません") + why;
}

QString outOfRange(const QString& text)
{
    return quoted(text) + QStringLiteral("は温度の範囲 (−20〜300 ℃) の外です");
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

QString NormalTemperatureText(const QString& typed)
{
    QString t = typed.trimmed();
    for (QChar& c : t) {
        const char16_t u = c.unicode();
        if (u >= 0xFF10 && u <= 0xFF19)
            c = QChar(u - 0xFF10 + '0');
        else if (u == 0xFF0E)
            c = QLatin1Char('.');
        else if (u == 0xFF0D || u == 0x2212)
            c = QLatin1Char('-');
        else if (u == 0xFF0B)
            c = QLatin1Char('+');
    }
    return t;
}

TTemperature ReadTemperature(const QString& typed)
{
    const QString t = NormalTemperatureText(typed);
    if (t.isEmpty())
        return {0.0, QStringLiteral("温度が入力されていません")};
    // Written out rather than left to a number parser, which takes exponents, "inf" and
    // hexadecimal, or stops at the first character it does not know.
    qsizetype i = t[0] == QLatin1Char('-') || t[0] == QLatin1Char('+') ? 1 : 0;
    const qsizetype firstDigit = i;
    while (i < t.size() && isDigit(t[i]))
        ++i;
    if (i == firstDigit)
        return {0.0, unreadable(typed)};
    int decimals = 0;
    if (i < t.size() && t[i] == QLatin1Char('.')) {
        ++i;
        while (i < t.size() && isDigit(t[i])) {
            ++i;
            ++decimals;
        }
    }
    if (i != t.size())
        return {0.0, unreadable(typed)};
    if (decimals > 2)
        return {0.0, unreadable(typed, QStringLiteral("（小数は2桁まで）"))};
    const double value = t.toDouble();
    if (value < MinTemperature || value > MaxTemperature)
        return {0.0, outOfRange(typed)};
    return {value, QString()};
}

TTemperature CheckTemperature(double value)
{
    if (!std::isfinite(value))
        return {0.0, unreadable(QString::number(value))};
    if (value < MinTemperature || value > MaxTemperature)
        return {0.0, outOfRange(FormatGeneral(value))};
    // Two decimals at most: a third is 0.1 away from a whole number of hundredths, far beyond
    // the binary error of a value this size. Checked without text: files hold millions.
    const double hundredths = value * 100.0;
    if (std::fabs(hundredths - std::round(hundredths)) > 1e-6)
        return {0.0, unreadable(FormatGeneral(value), QStringLiteral("（小数は2桁まで）"))};
    return {value, QString()};
}
