#pragma once

#include <QString>

// The one rule every temperature that comes in passes before it is stored, whichever way it
// arrives (the readings grid, the site page, a logger's file, an old folder): a plain decimal —
// an optional sign, digits, at most one point and two decimals — between MinTemperature and
// MaxTemperature ℃. A typo is refused with a short reason quoting it, never read as some
// number. Values already stored are shown as they are.
inline constexpr double MinTemperature = -20;
inline constexpr double MaxTemperature = 300;

struct TTemperature
{
    double value = 0.0;
    QString refusal; // why the text is no temperature; empty when it is one
    bool IsValid() const { return refusal.isEmpty(); }
};

// Full-width digits, point, plus and minus as ASCII, blanks around removed; nothing else
// changes, so that "ー155" (the long-vowel mark) or "l62" stay what was typed.
QString NormalTemperatureText(const QString& typed);

// Typed or read text, normalised first.
TTemperature ReadTemperature(const QString& typed);
// A number from a file whose column is numeric: the same range and decimals.
TTemperature CheckTemperature(double value);
