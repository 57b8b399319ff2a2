#include "printing/PackageManifest.h"

#include "core/AppError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

QString ManifestName()
{
    return QStringLiteral("00_目録.sha256");
}

QString FileSha256(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        throw AppError(QStringLiteral("ファイル '%1' を読めません").arg(path));
    return QString::fromLatin1(hash.result().toHex());
}

void WriteManifest(const QString& folder, const QList<TManifestEntry>& entries)
{
    QByteArray text;
    for (const TManifestEntry& e : entries)
        text += e.sha256.toLatin1() + "  " + e.file.toUtf8() + '\n';
    QFile out(folder + QLatin1Char('/') + ManifestName());
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size())
        throw AppError(QStringLiteral("ファイル '%1' に書き込めません").arg(out.fileName()));
}

QStringList TPackageCheck::Lines() const
{
    QStringList lines;
    for (const QString& f : changed)
        lines << QStringLiteral("内容が変わっています: %1").arg(f);
    for (const QString& f : missing)
        lines << QStringLiteral("ファイルがありません: %1").arg(f);
    for (const QString& f : extra)
        lines << QStringLiteral("目録にないファイルです: %1").arg(f);
    return lines;
}

TPackageCheck VerifyPackage(const QString& folder)
{
    const QString manifest = QDir(folder).filePath(ManifestName());
    if (!QFileInfo(folder).isDir())
        throw AppError(QStringLiteral("フォルダ '%1' がありません").arg(folder));
    QFile in(manifest);
    if (!in.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("目録 '%1' がありません").arg(manifest));
    // sha256sum's lines: the hash, a space, a space or '*' (binary), the name.
    static const QRegularExpression line(QStringLiteral("^([0-9a-fA-F]{64}) [ *](.+)$"));
    TPackageCheck check;
    QSet<QString> listed{ManifestName()};
    int number = 0;
    for (const QByteArray& raw : in.readAll().split('\n')) {
        ++number;
        const QString text = QString::fromUtf8(raw).remove(QLatin1Char('\r'));
        if (text.isEmpty())
            continue;
        const QRegularExpressionMatch m = line.match(text);
        if (!m.hasMatch())
            throw AppError(QStringLiteral("目録 '%1' の %2 行目が読めません: %3")
                               .arg(manifest)
                               .arg(number)
                               .arg(text));
        const QString file = m.captured(2);
        listed.insert(file);
        const QString path = QDir(folder).filePath(file);
        if (!QFileInfo(path).isFile())
            check.missing << file;
        else if (FileSha256(path).compare(m.captured(1), Qt::CaseInsensitive) != 0)
            check.changed << file;
        else
            ++check.matched;
    }
    const QDir root(QFileInfo(folder).absoluteFilePath());
    QDirIterator it(root.path(), QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    QStringList extra;
    while (it.hasNext()) {
        const QString relative = root.relativeFilePath(it.next());
        if (!listed.contains(relative))
            extra << relative;
    }
    extra.sort();
    check.extra = extra;
    return check;
}
