#include "environment/WindowFont.h"

QFont WindowFont(const QString& face, int points)
{
    return QFont(QFont::substitute(face), points);
}
