#pragma once

#include <QColor>
#include <QString>
#include <cstdint>

// Colours are 24-bit values ordered blue, green, red (0x00BBGGRR), as the reports give them.
using TColor = std::uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clAqua = 0xFFFF00;

inline QColor ToQColor(TColor c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

// Where centimetre 0,0 of a form lies on the paper: `left` cm in from its left edge and `top` cm
// down from its top edge. Each form chooses its own; the page canvas carries it.
struct TSheetOrigin
{
    float left = 0;
    float top = 0;
};

inline bool operator==(const TSheetOrigin& a, const TSheetOrigin& b)
{
    return a.left == b.left && a.top == b.top;
}

// Numbered as the reports number them: 0 solid, 1 dash, 2 dot, 3 dash-dot.
enum class TPenStyle { Solid = 0, Dash = 1, Dot = 2, DashDot = 3, DashDotDot = 4, Clear = 5 };
enum class TBrushStyle { Solid, Clear };

struct TPenState
{
    int width = 1; // dots
    TPenStyle style = TPenStyle::Solid;
    TColor color = clBlack;
};

struct TBrushState
{
    TBrushStyle style = TBrushStyle::Solid;
    TColor color = clWhite;
};

// A font as the page knows it. height < 0: minus the character height in dots (the usual form);
// height > 0: the full cell height. charWidth and escapement are only set on the one-off font of
// condensed text: charWidth 0 keeps the natural width, escapement is in tenths of a degree.
struct TFontState
{
    QString name;
    int height = -67;
    TColor color = clBlack;
    int charWidth = 0;
    int escapement = 0;
    bool bold = false;

    int CharHeight() const { return height < 0 ? -height : height; }
};

inline bool operator==(const TPenState& a, const TPenState& b)
{
    return a.width == b.width && a.style == b.style && a.color == b.color;
}
inline bool operator==(const TBrushState& a, const TBrushState& b)
{
    return a.style == b.style && a.color == b.color;
}
