#include "storage/Backup.h"

#include "core/AppError.h"
#include "core/RegistryUtility.h"
#include "storage/DataFile.h"
#include "storage/Engine.h"
#include "storage/SqlError.h"
#include "storage/SqliteFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <sqlite3.h>

namespace Backup {

namespace {

const QString NamePattern = QStringLiteral("^kozeran-(\\d{8}-\\d{6})\\.sqlite$");
const QString StampFormat = QStringLiteral("yyyyMMdd-HHmmss");

QString withSlash(QString path)
{
    path = QDir::fromNativeSeparators(path);
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

QString dataFile(const QString& dataFolder)
{
    return withSlash(dataFolder) + QLatin1String(Engine::DatabaseFileName);
}

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString makeFolder(const QString& dataFolder)
{
    const QString folder = FolderOf(dataFolder);
    if (!QDir().mkpath(folder))
        throw AppError(QStringLiteral("バックアップフォルダ %1 を作成できません。"
                                      "フォルダの場所と書き込み権限を確認してください。")
                           .arg(native(folder)));
    return folder;
}

// A name after every one there: two backups within one second go to the next second, so
// that the newest by name is always the newest written.
QString freeName(const QString& folder, const QString& prefix, const QString& suffix)
{
    QDateTime when = QDateTime::currentDateTime();
    const QRegularExpression stamp(QStringLiteral("^kozeran-(\\d{8}-\\d{6})"));
    for (const QString& name : QDir(folder).entryList({QStringLiteral("kozeran-*")}, QDir::Files)) {
        const QDateTime taken = QDateTime::fromString(stamp.match(name).captured(1), StampFormat);
        if (taken.isValid() && taken >= when.addMSecs(-when.time().msec()))
            when = taken.addSecs(1);
    }
    for (;;) {
        const QString name = folder + prefix + when.toString(StampFormat) + suffix;
        if (!QFileInfo::exists(name) && !QFileInfo::exists(name + QStringLiteral(".part")))
            return name;
        when = when.addSecs(1);
    }
}

[[noreturn]] void writeFailed(const SqliteFile& db, const QString& folder)
{
    throw AppError(QStringLiteral("バックアップを作成できません。\n") +
                   SqlErrorMessage(db.Code(), db.Error(), folder));
}

bool sameFile(const QString& a, const QString& b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

// A server's data is backed up by the server (pg_dump), never by copying a file.
void refuseServer(const QString& dataFolder)
{
    if (Engine::IsServerLocation(dataFolder))
        throw AppError(
            QStringLiteral("サーバー %1 のデータはこのプログラムではバックアップ・復元しません。"
                           "サーバーのバックアップ（pg_dump）を使ってください。")
                .arg(Engine::DisplayName(dataFolder)));
}

} // namespace

QString FolderOf(const QString& dataFolder)
{
    return withSlash(dataFolder) + QStringLiteral("backup/");
}

int KeepCount()
{
    bool ok = false;
    const int keep = ReadSetting(QStringLiteral("BackupKeep")).trimmed().toInt(&ok);
    return ok && keep >= 0 ? keep : 10;
}

QList<Entry> List(const QString& dataFolder, bool withCounts)
{
    QList<Entry> entries;
    if (Engine::IsServerLocation(dataFolder))
        return entries;
    const QDir dir(FolderOf(dataFolder));
    const QRegularExpression pattern(NamePattern);
    QStringList names =
        dir.entryList({QStringLiteral("kozeran-*.sqlite")}, QDir::Files, QDir::Name);
    std::sort(names.begin(), names.end(), std::greater<QString>());
    for (const QString& name : names) {
        const QRegularExpressionMatch m = pattern.match(name);
        if (!m.hasMatch())
            continue;
        Entry e;
        e.file = dir.filePath(name);
        e.when = QDateTime::fromString(m.captured(1), StampFormat);
        e.size = QFileInfo(e.file).size();
        if (withCounts) {
            try {
                e.healthy = DataFile::Inspect(e.file).state == DataFile::State::Ours;
            } catch (const AppError&) {
                e.healthy = false;
            }
            if (e.healthy) {
                const DataFile::Counts c = DataFile::CountRows(e.file);
                e.records = c.records;
                e.days = c.days;
                e.readings = c.readings;
            }
        }
        entries << e;
    }
    return entries;
}

QString Newest(const QString& dataFolder)
{
    const QList<Entry> entries = List(dataFolder);
    return entries.isEmpty() ? QString() : entries.first().file;
}

bool ChangedSinceNewest(const QString& dataFolder)
{
    if (Engine::IsServerLocation(dataFolder))
        return false;
    const QFileInfo data(dataFile(dataFolder));
    if (!data.exists() || data.size() == 0)
        return false;
    const QString newest = Newest(dataFolder);
    // A change within the same clock tick as the backup counts as a change.
    return newest.isEmpty() || data.lastModified() >= QFileInfo(newest).lastModified();
}

QString Write(const QString& dataFolder)
{
    refuseServer(dataFolder);
    const QString source = dataFile(dataFolder);
    const QFileInfo info(source);
    if (!info.exists() || info.size() == 0)
        throw AppError(QStringLiteral("データファイル %1 がないため、バックアップできません。")
                           .arg(native(source)));
    const QString folder = makeFolder(dataFolder);
    const QString target = freeName(folder, QStringLiteral("kozeran-"), QStringLiteral(".sqlite"));
    const QString partial = target + QStringLiteral(".part");
    {
        SqliteFile from(source, SQLITE_OPEN_READWRITE);
        if (!from.IsOpen())
            throw AppError(QStringLiteral("バックアップを作成できません。\n") +
                           SqlErrorMessage(from.Code(), from.Error(), withSlash(dataFolder)));
        SqliteFile to(partial, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        if (!to.IsOpen() || !to.CopyFrom(from) || !to.QuickCheck()) {
            QFile::remove(partial);
            writeFailed(to, folder);
        }
    }
    if (!QFile::rename(partial, target)) {
        QFile::remove(partial);
        throw AppError(QStringLiteral("バックアップ %1 を書き込めません。").arg(native(target)));
    }
    return target;
}

void Rotate(const QString& dataFolder)
{
    const int keep = KeepCount();
    if (keep <= 0)
        return;
    const QList<Entry> entries = List(dataFolder);
    for (int i = keep; i < entries.size(); ++i)
        QFile::remove(entries.at(i).file);
}

QString WriteIfChanged(const QString& dataFolder)
{
    if (KeepCount() <= 0 || !ChangedSinceNewest(dataFolder))
        return QString();
    const QString written = Write(dataFolder);
    Rotate(dataFolder);
    return written;
}

QString WriteBeforeRewrite(const QString& dataFolder)
{
    if (Engine::IsServerLocation(dataFolder))
        return QString();
    const QString written = Write(dataFolder);
    Rotate(dataFolder);
    return written;
}

QString RestoreFile(const QString& backupFile, const QString& dataFolder)
{
    refuseServer(dataFolder);
    const QString target = dataFile(dataFolder);
    const DataFile::Inspection source = DataFile::Inspect(backupFile);
    if (source.state != DataFile::State::Ours)
        throw AppError(
            QStringLiteral(
                "バックアップ %1 は壊れているか、温度管理のデータではないため復元できません。"
                "データは変更していません。")
                .arg(native(backupFile)));
    if (sameFile(backupFile, target))
        throw AppError(QStringLiteral("%1 は使用中のデータファイルです。").arg(native(backupFile)));

    Engine::CloseDatabase();
    QString kept;
    const DataFile::Inspection current = DataFile::Inspect(target);
    if (current.state == DataFile::State::Ours) {
        kept = Write(dataFolder);
    } else if (current.state != DataFile::State::New) {
        // A copy of a file SQLite cannot read is the file itself.
        const QString folder = makeFolder(dataFolder);
        kept = freeName(folder, QStringLiteral("kozeran-"), QStringLiteral(".damaged"));
        if (!QFile::rename(target, kept))
            throw AppError(
                QStringLiteral("データファイル %1 をバックアップフォルダ %2 へ移せません。"
                               "データは変更していません。")
                    .arg(native(target), native(folder)));
        // A journal left beside it belongs to the old file, never to the restored one.
        QFile::rename(target + QStringLiteral("-journal"), kept + QStringLiteral("-journal"));
    }

    {
        SqliteFile from(backupFile, SQLITE_OPEN_READONLY);
        SqliteFile to(target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        if (!from.IsOpen())
            throw AppError(
                SqlErrorMessage(from.Code(), from.Error(), QFileInfo(backupFile).absolutePath()));
        // The copy runs as one write transaction of the data file: a failure leaves it whole.
        if (!to.IsOpen() || !to.CopyFrom(from))
            throw AppError(
                QStringLiteral("バックアップ %1 から復元できません。\n").arg(native(backupFile)) +
                SqlErrorMessage(to.Code(), to.Error(), withSlash(dataFolder)));
    }
    Rotate(dataFolder);
    return kept;
}

QString Restore(const QString& backupFile)
{
    const QString folder = Engine::CurrentFolder();
    QString kept;
    try {
        kept = RestoreFile(backupFile, folder);
    } catch (const AppError&) {
        try {
            Engine::OpenDatabase(folder);
        } catch (const AppError&) {
            // The first error is the one to report.
        }
        throw;
    }
    Engine::OpenDatabase(folder);
    return kept;
}

} // namespace Backup
