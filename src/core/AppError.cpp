#include "core/AppError.h"

#include <QDir>
#include <QStringList>

namespace {

QString oneLine(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text)
        out += c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line ||
                       c.category() == QChar::Separator_Paragraph
                   ? QLatin1Char(' ')
                   : c;
    return out.simplified();
}

// Never ends on half of a surrogate pair.
QString head(const QString& text, int length)
{
    int n = length;
    if (n > 0 && n < text.size() && text.at(n - 1).isHighSurrogate())
        --n;
    return text.left(n);
}

} // namespace

QString Excerpt(const QString& text, int length)
{
    const QString line = oneLine(text.left(length * 4));
    if (line.size() <= length && text.size() <= length * 4)
        return line;
    return head(line, length - 1) + QChar(0x2026);
}

QString PathExcerpt(const QString& path, int length)
{
    const QString line = oneLine(QDir::toNativeSeparators(path.right(length * 4)));
    if (line.size() <= length && path.size() <= length * 4)
        return line;
    QString tail = line.right(length - 1);
    if (!tail.isEmpty() && tail.at(0).isLowSurrogate())
        tail.remove(0, 1);
    return QChar(0x2026) + tail;
}

QString ShortMessage(const QString& message)
{
    // Long enough for our own sentences, which name a path or a quoted text of about 60.
    const int lineLength = 240;
    QStringList lines;
    for (const QString& line : message.split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty())
            lines << Excerpt(line, lineLength);
    }
    if (lines.isEmpty())
        return QStringLiteral("エラーが発生しました");
    return lines.mid(0, 2).join(QLatin1Char('\n'));
}
