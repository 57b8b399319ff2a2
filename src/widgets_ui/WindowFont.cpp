#include "widgets_ui/WindowFont.h"

#include <QGuiApplication>
#include <algorithm>
#include <cmath>

QFont WindowFont(const QString& face, int points)
{
    // The grids' Tahoma takes the windows' own face: their headers and remarks are Japanese,
    // which a Latin stand-in would draw through a second, fallback face.
    const QString drawn =
        face == QLatin1String("Tahoma") ? QStringLiteral("ＭＳ Ｐゴシック") : face;
    QFont font(QFont::substitute(drawn), points);
    const double desktop = qGuiApp ? QGuiApplication::font().pointSizeF() : -1;
    if (points > 0 && desktop > points)
        font.setPointSizeF(desktop);
    return font;
}

int WindowPixels(const QFont& font, int at9)
{
    return int(std::lround(at9 * std::max(1.0, font.pointSizeF() / 9.0)));
}
