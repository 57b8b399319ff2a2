#pragma once

#include <QString>

QString ReadableRange(const QString& range);

// The bounds of a specified value, read once for many temperatures: none without a range.
struct TKikakuBounds
{
    bool any = false;
    double low = 0, high = 0;
    bool IsOutside(double temperature) const
    {
        return any && (temperature < low || temperature > high);
    }
};

// The 規格値 text a record stores (column Kikakuti): the specified value (a range text
// such as "160_185", the chart's limits), the temperature range and the measuring interval,
// joined by ":", for example "160_185:150_190:全車".
struct TKikakuText
{
    QString value;
    QString range;
    QString interval;

    // Missing parts are empty; parts after the third are dropped.
    static TKikakuText Parse(const QString& stored);
    // A range text alone (a category's 温度範囲, a typed 規格値) asked the same questions.
    static TKikakuText OfValue(const QString& range) { return TKikakuText{range, {}, {}}; }
    // Always with both separators: a value alone is stored as "160_185::".
    QString Text() const;

    // The specified value as a range: whether there is one, its bounds (RangeUnbounded where it
    // is open), and whether a temperature is outside it (never, without a range).
    bool HasRange() const;
    double Low() const;
    double High() const;
    bool HasLow() const;
    bool HasHigh() const;
    bool IsOutside(double temperature) const { return Bounds().IsOutside(temperature); }
    TKikakuBounds Bounds() const;
    // Empty, or a range: what may be stored.
    bool IsValid() const;
    // As people write it: "160～185 ℃", "110 ℃以上".
    QString Readable() const { return ReadableRange(value); }
};

// A stored range text as people write a specified value: "160～185 ℃", "110 ℃以上",
// "185 ℃以下", "160 ℃"; empty for an empty text, and a text that is no range as it is.
QString ReadableRange(const QString& range);
