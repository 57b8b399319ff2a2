#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// Copies of the data file in "<data folder>/backup/kozeran-YYYYMMDD-HHMMSS.sqlite", written
// with SQLite's online backup and checked before they count. The setting BackupKeep (default
// 10) is how many are kept; 0 turns the automatic ones off.
namespace Backup {

QString FolderOf(const QString& dataFolder); // with a trailing '/'
int KeepCount();

struct Entry
{
    QString file;
    QDateTime when; // from the name
    qint64 size = 0;
    bool healthy = false;
    int records = 0;
    int days = 0;
    int readings = 0;
};
// The backups of a data folder, newest first; counts are read only when asked for.
QList<Entry> List(const QString& dataFolder, bool withCounts = false);
QString Newest(const QString& dataFolder); // empty when there is none

// True when the data file was written since the newest backup (or has none yet).
bool ChangedSinceNewest(const QString& dataFolder);

// Writes a backup of the folder's data file now and returns its path. Raises AppError
// naming the file or folder; a half-written copy is removed.
QString Write(const QString& dataFolder);
// Removes all but the newest KeepCount() backups; nothing when backups are off.
void Rotate(const QString& dataFolder);
// The automatic backup (at start, before rewriting many rows): written and rotated when
// backups are on and the data changed. Returns the path, or empty when none was needed.
QString WriteIfChanged(const QString& dataFolder);

// Before many rows are rewritten: Write and Rotate for a folder; nothing for a server,
// whose own backups cover it. Returns the path written, or empty.
QString WriteBeforeRewrite(const QString& dataFolder);

// Replaces the folder's data file with `backupFile`: a backup that is damaged or not ours
// is refused and nothing changes; otherwise the current file is kept first (a backup of a
// healthy file, the file itself moved into the backup folder when damaged), then the pages
// are copied in. Closes the "kozeran" connection; the caller reopens. Returns where the
// replaced data was kept (empty when there was none).
QString RestoreFile(const QString& backupFile, const QString& dataFolder);
// RestoreFile on the folder in use, then reopens it.
QString Restore(const QString& backupFile);

} // namespace Backup
