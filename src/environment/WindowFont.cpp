#include "environment/WindowFont.h"

#include <QFontDatabase>

QFont WindowFont(const QString& face, int points)
{
    const QString substitute = QFont::substitute(face);
    if (substitute == face || QFontDatabase::hasFamily(face))
        return QFont(face, points);
    return QFont(substitute, points);
}
