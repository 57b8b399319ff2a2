#include "storage/OutputFile.h"

#include "core/AppError.h"
#include "storage/Backup.h"
#include "storage/Engine.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cstdio>

namespace {

// The path with links and "..", as far as it exists, resolved.
QString Resolved(const QString& path)
{
    const QFileInfo info(path);
    if (info.exists())
        return info.canonicalFilePath();
    const QString dir = QFileInfo(info.absolutePath()).canonicalFilePath();
    return dir.isEmpty() ? info.absoluteFilePath() : dir + QLatin1Char('/') + info.fileName();
}

bool Inside(const QString& path, const QString& folder)
{
    QString root = Resolved(folder);
    while (root.size() > 1 && root.endsWith(QLatin1Char('/')))
        root.chop(1);
    return !root.isEmpty() && (path == root || path.startsWith(root + QLatin1Char('/')));
}

} // namespace

void RefuseOutput(const QString& file, const QStringList& dataFolders, const OutputKind& kind)
{
    const QString target = Resolved(file);
    for (const QString& folder : dataFolders) {
        // A server location holds no files to protect.
        if (folder.isEmpty() || Engine::IsServerLocation(folder))
            continue;
        for (const QString& root : {folder, Backup::FolderOf(folder)}) {
            if (Inside(target, root))
                throw AppError(
                    QStringLiteral("出力先 '%1' はデータ格納場所 %2 の中にあるため書き出せません")
                        .arg(PathExcerpt(file), PathExcerpt(folder)));
        }
    }
    const QFileInfo info(target);
    if (!info.exists())
        return;
    bool same = false;
    if (info.isFile()) {
        if (kind.magic.isEmpty()) {
            same = info.suffix().toLower() == kind.suffix;
        } else {
            QFile existing(target);
            same = existing.open(QIODevice::ReadOnly) &&
                   existing.read(kind.magic.size()) == kind.magic;
        }
    }
    if (!same)
        throw AppError(QStringLiteral("出力先 '%1' は%2ではない既存のファイルのため上書きしません")
                           .arg(PathExcerpt(file), kind.name));
}

void WriteReplacing(const QString& file, const std::function<void(const QString&)>& write)
{
    const QFileInfo info(file);
    if (!QFileInfo(info.absolutePath()).isDir())
        throw AppError(QStringLiteral("出力先のフォルダ '%1' がありません")
                           .arg(PathExcerpt(info.absolutePath())));
    // The part written first carries 12 more characters, and a name holds 255 bytes.
    const int longestName = 255 - 12;
    if (QFile::encodeName(info.fileName()).size() > longestName)
        throw AppError(QStringLiteral("出力先のファイル名が長すぎます（%1 バイトまで）: %2")
                           .arg(longestName)
                           .arg(Excerpt(info.fileName())));
    QTemporaryFile partial(info.absolutePath() + QLatin1Char('/') + info.fileName() +
                           QStringLiteral(".XXXXXX.part"));
    if (!partial.open())
        throw AppError(QStringLiteral("ファイル '%1' に書き込めません").arg(PathExcerpt(file)));
    // Made private; the result gets the old file's permissions, or the usual ones.
    partial.setPermissions(info.exists() ? info.permissions()
                                         : QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ReadGroup | QFileDevice::ReadOther);
    partial.close();
    const QString temporary = partial.fileName();
    try {
        write(temporary);
    } catch (const AppError& e) {
        // The user knows the file by the name given, not by its temporary one.
        throw AppError(QString(e.message())
                           .replace(temporary, PathExcerpt(file))
                           .replace(PathExcerpt(temporary), PathExcerpt(file)));
    }
    // rename(2) replaces the old file in one step.
    if (std::rename(QFile::encodeName(temporary).constData(),
                    QFile::encodeName(file).constData()) != 0)
        throw AppError(QStringLiteral("ファイル '%1' に書き込めません").arg(PathExcerpt(file)));
    partial.setAutoRemove(false);
}
