#include "widgets_ui/WindowFont.h"

QFont WindowFont(const QString& face, int points)
{
    // The grids' Tahoma takes the windows' own face: their headers and remarks are Japanese,
    // which a Latin stand-in would draw through a second, fallback face.
    const QString drawn =
        face == QLatin1String("Tahoma") ? QStringLiteral("ＭＳ Ｐゴシック") : face;
    return QFont(QFont::substitute(drawn), points);
}
