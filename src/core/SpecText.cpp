#include "core/SpecText.h"

#include <QStringList>

TSpecText TSpecText::Parse(const QString& stored)
{
    const QStringList parts = stored.split(QLatin1Char(':'));
    return TSpecText{parts.value(0), parts.value(1), parts.value(2)};
}

QString TSpecText::Text() const
{
    return value + QLatin1Char(':') + range + QLatin1Char(':') + interval;
}
