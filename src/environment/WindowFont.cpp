#include "environment/WindowFont.h"

#include <QFontDatabase>
#include <QHash>

QFont WindowFont(const QString& face, int points)
{
    // Asking fontconfig whether a face is installed costs a match of its own.
    static QHash<QString, QString> drawnWith;
    auto found = drawnWith.constFind(face);
    if (found == drawnWith.constEnd()) {
        const QString substitute = QFont::substitute(face);
        const bool installed = substitute == face || QFontDatabase::hasFamily(face);
        found = drawnWith.insert(face, installed ? face : substitute);
    }
    return QFont(*found, points);
}
