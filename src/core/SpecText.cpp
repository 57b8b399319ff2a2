#include "core/SpecText.h"

#include "core/Utility.h"

#include <QStringList>

TSpecText TSpecText::Parse(const QString& stored)
{
    const QStringList parts = stored.split(QLatin1Char(':'));
    return TSpecText{parts.value(0), parts.value(1), parts.value(2)};
}

QString TSpecText::Text() const
{
    return value + QLatin1Char(':') + range + QLatin1Char(':') + interval;
}

bool TSpecText::HasRange() const
{
    const QString v = value.trimmed();
    return !v.isEmpty() && IsRangeText(v);
}

double TSpecText::Low() const
{
    return HasRange() ? RangeLow(value.trimmed()) : -RangeUnbounded;
}

double TSpecText::High() const
{
    return HasRange() ? RangeHigh(value.trimmed()) : RangeUnbounded;
}

bool TSpecText::IsValid() const
{
    return value.trimmed().isEmpty() || HasRange();
}

bool TSpecText::HasLow() const
{
    return Low() > -RangeUnbounded;
}

bool TSpecText::HasHigh() const
{
    return High() < RangeUnbounded;
}

TSpecBounds TSpecText::Bounds() const
{
    return HasRange() ? TSpecBounds{true, Low(), High()} : TSpecBounds{};
}

QString ReadableRange(const QString& range)
{
    const QString text = range.trimmed();
    if (!IsRangeText(text))
        return text;
    const double low = RangeLow(text);
    const double high = RangeHigh(text);
    const QString unit = QStringLiteral(" ℃");
    if (low == -RangeUnbounded)
        return FormatGeneral(high) + unit + QStringLiteral("以下");
    if (high == RangeUnbounded)
        return FormatGeneral(low) + unit + QStringLiteral("以上");
    if (low == high)
        return FormatGeneral(low) + unit;
    return FormatGeneral(low) + QStringLiteral("～") + FormatGeneral(high) + unit;
}
