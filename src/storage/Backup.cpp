#include "storage/Backup.h"

#include "core/AppError.h"
#include "core/Settings.h"
#include "storage/DataFile.h"
#include "storage/Engine.h"
#include "storage/SqlError.h"
#include "storage/SqliteFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <unistd.h>

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

QString makeFolder(const QString& dataFolder)
{
    const QString folder = FolderOf(dataFolder);
    if (!QDir().mkpath(folder))
        throw AppError(QStringLiteral("バックアップフォルダ %1 を作成できません。"
                                      "フォルダの場所と書き込み権限を確認してください。")
                           .arg(PathExcerpt(folder)));
    return folder;
}

// A ".part" name this process holds: made exclusively and locked (flock) until the copy is in
// place, so that two processes never write one file and a later cleanup can tell a part
// still being written from one an interruption left behind.
class PartFile
{
public:
    PartFile() = default;
    ~PartFile() { Release(); }
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    // After every backup there by name: two backups within one second go to the next second,
    // so that the newest by name is always the newest written.
    void Reserve(const QString& folder, const QString& prefix, const QString& suffix)
    {
        QDateTime when = QDateTime::currentDateTime();
        const QRegularExpression stamp(QStringLiteral("^kozeran-(?:restore-)?(\\d{8}-\\d{6})"));
        for (const QString& name :
             QDir(folder).entryList({QStringLiteral("kozeran-*")}, QDir::Files)) {
            const QDateTime taken =
                QDateTime::fromString(stamp.match(name).captured(1), StampFormat);
            if (taken.isValid() && taken >= when.addMSecs(-when.time().msec()))
                when = taken.addSecs(1);
        }
        for (int tries = 0; tries < 1000; ++tries, when = when.addSecs(1)) {
            const QString name = folder + prefix + when.toString(StampFormat) + suffix;
            if (QFileInfo::exists(name))
                continue;
            const int fd = ::open(QFile::encodeName(name + QStringLiteral(".part")).constData(),
                                  O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            if (fd < 0)
                continue;
            ::flock(fd, LOCK_EX);
            m_fd = fd;
            m_target = name;
            return;
        }
        throw AppError(
            QStringLiteral("バックアップフォルダ %1 に書き込めません。").arg(PathExcerpt(folder)));
    }
    QString Target() const { return m_target; }
    QString Partial() const { return m_target + QStringLiteral(".part"); }
    void Discard()
    {
        QFile::remove(Partial());
        QFile::remove(Partial() + QStringLiteral("-journal"));
        Release();
    }
    void Release()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd = -1;
    QString m_target;
};

// Parts whose writer is gone (its lock with it), and their journals, are removed.
void removeLeftParts(const QString& folder)
{
    const QDir dir(folder);
    for (const QString& name : dir.entryList({QStringLiteral("kozeran-*.part")}, QDir::Files)) {
        const QString path = dir.filePath(name);
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            QFile::remove(path + QStringLiteral("-journal"));
            QFile::remove(path);
        }
        ::close(fd);
    }
    for (const QString& name :
         dir.entryList({QStringLiteral("kozeran-*.part-journal")}, QDir::Files)) {
        if (!QFileInfo::exists(dir.filePath(name.chopped(8))))
            QFile::remove(dir.filePath(name));
    }
}

// Which data the newest backup holds: the data file's own version (its change counter, page
// size and count, as the file's header has them under a read lock), kept beside the backups.
// Clocks play no part: a backup stamped or timed in the future changes nothing.
const QString StampName = QStringLiteral("kozeran-newest.stamp");

QString versionOf(SqliteFile& db)
{
    const QByteArray header = db.Header();
    if (header.size() < 100)
        return QString();
    return QString::fromLatin1(QByteArray(header.mid(16, 16) + header.mid(92, 4)).toHex());
}

// The version of the folder's data file now; empty when it cannot be read.
QString currentVersion(const QString& file)
{
    SqliteFile db(file, SQLITE_OPEN_READWRITE);
    if (!db.IsOpen() || !db.Rows(QStringLiteral("begin")) ||
        !db.Rows(QStringLiteral("select count(*) from sqlite_master")))
        return QString();
    const QString version = versionOf(db);
    db.Rows(QStringLiteral("commit"));
    return version;
}

void writeStamp(const QString& folder, const QString& backup, const QString& version)
{
    QSaveFile stamp(folder + StampName);
    if (version.isEmpty() || !stamp.open(QIODevice::WriteOnly)) {
        QFile::remove(folder + StampName);
        return;
    }
    stamp.write((QFileInfo(backup).fileName() + QLatin1Char('\n') + version).toUtf8());
    if (!stamp.commit())
        QFile::remove(folder + StampName);
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
    return TSettings::BackupKeep();
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
    if (newest.isEmpty())
        return true;
    QFile stamp(FolderOf(dataFolder) + StampName);
    if (!stamp.open(QIODevice::ReadOnly))
        return true;
    const QStringList kept = QString::fromUtf8(stamp.read(4096)).split(QLatin1Char('\n'));
    if (kept.size() != 2 || kept.at(0) != QFileInfo(newest).fileName())
        return true;
    const QString now = currentVersion(dataFile(dataFolder));
    return now.isEmpty() || now != kept.at(1);
}

QString Write(const QString& dataFolder)
{
    refuseServer(dataFolder);
    const QString source = dataFile(dataFolder);
    const QFileInfo info(source);
    if (!info.exists() || info.size() == 0)
        throw AppError(QStringLiteral("データファイル %1 がないため、バックアップできません。")
                           .arg(PathExcerpt(source)));
    const QString folder = makeFolder(dataFolder);
    removeLeftParts(folder);
    PartFile part;
    part.Reserve(folder, QStringLiteral("kozeran-"), QStringLiteral(".sqlite"));
    QString version;
    {
        SqliteFile from(source, SQLITE_OPEN_READWRITE);
        // The read lock holds the version still while the pages are copied.
        if (!from.IsOpen() || !from.Rows(QStringLiteral("begin")) ||
            !from.Rows(QStringLiteral("select count(*) from sqlite_master"))) {
            part.Discard();
            throw AppError(QStringLiteral("バックアップを作成できません。\n") +
                           SqlErrorMessage(from.Code(), from.Error(), withSlash(dataFolder)));
        }
        version = versionOf(from);
        SqliteFile to(part.Partial(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        if (!to.IsOpen() || !to.CopyFrom(from) || !to.QuickCheck()) {
            part.Discard();
            writeFailed(to, folder);
        }
    }
    if (!QFile::rename(part.Partial(), part.Target())) {
        part.Discard();
        throw AppError(
            QStringLiteral("バックアップ %1 を書き込めません。").arg(PathExcerpt(part.Target())));
    }
    writeStamp(folder, part.Target(), version);
    return part.Target();
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
                .arg(PathExcerpt(backupFile)));
    if (sameFile(backupFile, target))
        throw AppError(
            QStringLiteral("%1 は使用中のデータファイルです。").arg(PathExcerpt(backupFile)));
    const QString folder = makeFolder(dataFolder);
    removeLeftParts(folder);
    // Only the rows come back, into tables of our own making: nothing else the file holds
    // (a constraint, a default, a collation) reaches the data.
    PartFile rebuilt;
    rebuilt.Reserve(folder, QStringLiteral("kozeran-restore-"), QStringLiteral(".sqlite"));
    try {
        DataFile::RebuildInto(backupFile, rebuilt.Partial());
    } catch (const AppError&) {
        rebuilt.Discard();
        throw;
    }

    Engine::CloseDatabase();
    QString kept;
    const DataFile::Inspection current = DataFile::Inspect(target);
    if (current.state == DataFile::State::Ours) {
        kept = Write(dataFolder);
    } else if (current.state != DataFile::State::New) {
        // A copy of a file SQLite cannot read is the file itself.
        PartFile damaged;
        damaged.Reserve(folder, QStringLiteral("kozeran-"), QStringLiteral(".damaged"));
        kept = damaged.Target();
        const bool moved = QFile::rename(target, kept);
        damaged.Discard();
        if (!moved) {
            rebuilt.Discard();
            throw AppError(QStringLiteral("データファイル %1 をバックアップフォルダへ移せません。"
                                          "データは変更していません。")
                               .arg(PathExcerpt(target)));
        }
        // A journal left beside it belongs to the old file, never to the restored one.
        QFile::rename(target + QStringLiteral("-journal"), kept + QStringLiteral("-journal"));
    }

    {
        SqliteFile from(rebuilt.Partial(), SQLITE_OPEN_READONLY);
        SqliteFile to(target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        // The copy runs as one write transaction of the data file: a failure leaves it whole.
        if (!from.IsOpen() || !to.IsOpen() || !to.CopyFrom(from)) {
            const QString why = SqlErrorMessage(to.Code(), to.Error(), withSlash(dataFolder));
            rebuilt.Discard();
            throw AppError(QStringLiteral("バックアップ %1 から復元できません。\n")
                               .arg(PathExcerpt(backupFile)) +
                           why);
        }
    }
    rebuilt.Discard();
    // The data is the backup's now, whatever the stamp of the newest backup says.
    QFile::remove(folder + StampName);
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
