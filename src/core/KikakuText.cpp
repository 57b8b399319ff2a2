#include "core/KikakuText.h"

#include "core/Utility.h"

#include <QStringList>

TKikakuText TKikakuText::Parse(const QString& stored)
{
    const QStringList parts = stored.split(QLatin1Char(':'));
    return TKikakuText{parts.value(0), parts.value(1), parts.value(2)};
}

QString TKikakuText::Text() const
{
    return value + QLatin1Char(':') + range + QLatin1Char(':') + interval;
}

bool TKikakuText::HasRange() const
{
    const QString v = value.trimmed();
    return !v.isEmpty() && IsRangeText(v);
}

double TKikakuText::Low() const
{
    return HasRange() ? RangeLow(value.trimmed()) : -RangeUnbounded;
}

double TKikakuText::High() const
{
    return HasRange() ? RangeHigh(value.trimmed()) : RangeUnbounded;
}

bool TKikakuText::IsValid() const
{
    return value.trimmed().isEmpty() || HasRange();
}

bool TKikakuText::HasLow() const
{
    return Low() > -RangeUnbounded;
}

bool TKikakuText::HasHigh() const
{
    return High() < RangeUnbounded;
}

TKikakuBounds TKikakuText::Bounds() const
{
    return HasRange() ? TKikakuBounds{true, Low(), High()} : TKikakuBounds{};
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
