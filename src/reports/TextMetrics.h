#pragma once

#include "reports/CanvasTypes.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QString>
#include <map>
#include <utility>

// Measures text for a page canvas, in dots of the page.
class TTextMetrics
{
public:
    virtual ~TTextMetrics() = default;
    virtual int TextWidth(const TFontState& font, const QString& text) const = 0;
    // The full character cell.
    virtual int TextHeight(const TFontState& font, const QString& text) const = 0;
    virtual int AverageCharWidth(const TFontState& font) const = 0;
    // Distance from the cell top to the baseline, used when the page is replayed.
    virtual int Ascent(const TFontState& font) const = 0;
};

// The fonts installed on the machine (needs a QGuiApplication).
class TQtTextMetrics : public TTextMetrics
{
public:
    int TextWidth(const TFontState& font, const QString& text) const override;
    int TextHeight(const TFontState& font, const QString& text) const override;
    int AverageCharWidth(const TFontState& font) const override;
    int Ascent(const TFontState& font) const override;

private:
    // Shaping a text costs far more than a hash look-up, and a document measures the same few
    // hundred texts thousands of times.
    struct Face
    {
        explicit Face(const QFont& font);
        QFontMetricsF metrics;
        int height;
        int ascent;
        int averageCharWidth;
        QHash<QString, int> widths;
    };
    Face& FaceOf(const TFontState& font) const;

    mutable std::map<std::pair<QString, int>, Face> m_cache;
    mutable Face* m_last = nullptr;
    mutable QString m_lastName;
    mutable int m_lastHeight = 0;
};

// Exact, machine-independent metrics for tests: with h the character height, a code point up
// to U+00FF is h/2 dots wide (integer division), any other h dots; the cell is h high; the
// average character width is h/2.
class TFixedTextMetrics : public TTextMetrics
{
public:
    int TextWidth(const TFontState& font, const QString& text) const override;
    int TextHeight(const TFontState& font, const QString& text) const override;
    int AverageCharWidth(const TFontState& font) const override;
    int Ascent(const TFontState& font) const override;
};

// The Qt font for a page font, sized in dots (pixel size = character height).
QFont MakeQFont(const TFontState& font);

// Maps the Windows Japanese face names onto the IPA fonts; safe to call repeatedly.
void InstallFontSubstitutions();

// The face a fresh page canvas starts with.
QString DefaultFaceName();
