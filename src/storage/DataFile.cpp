#include "storage/DataFile.h"

#include "core/AppError.h"
#include "storage/Engine.h"
#include "storage/Schema.h"
#include "storage/SqlError.h"
#include "storage/SqliteFile.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <functional>
#include <sqlite3.h>

namespace DataFile {

namespace {

QString folderOf(const QString& file)
{
    return QFileInfo(file).absolutePath() + QLatin1Char('/');
}

bool isDamageCode(int code)
{
    return (code & 0xff) == SQLITE_CORRUPT || (code & 0xff) == SQLITE_NOTADB;
}

Inspection damaged(Inspection ins, const QString& detail)
{
    ins.state = State::Damaged;
    ins.message = QStringLiteral("データファイル %1 は壊れているか、データベースではありません。"
                                 "ファイルには何も書き込んでいません。"
                                 "「ファイル」→「バックアップから復元…」で復元できます。")
                      .arg(PathExcerpt(ins.file));
    if (!detail.isEmpty())
        ins.message += QStringLiteral("\n（") + Excerpt(detail, 80) + QStringLiteral("）");
    return ins;
}

[[noreturn]] void raise(const SqliteFile& db, const QString& file)
{
    throw AppError(SqlErrorMessage(db.Code(), db.Error(), folderOf(file)));
}

// Our tables and their columns decide; `where` names the file or server in messages.
Inspection classify(Inspection ins, const QString& where,
                    const std::function<QStringList(const QString&)>& columnsOf)
{
    QStringList lacking;
    bool anyOurs = false;
    for (const Schema::Table& table : Schema::Tables()) {
        QString found;
        for (const QString& name : ins.tables) {
            if (name.compare(table.name, Qt::CaseInsensitive) == 0)
                found = name;
        }
        if (found.isEmpty()) {
            ins.missingTables << table.name;
            continue;
        }
        anyOurs = true;
        const QStringList columns = columnsOf(found);
        QStringList missing;
        for (const Schema::Column& column : table.columns) {
            // An older file lacks the later columns until our tables are ensured.
            if (!column.addedLater && !columns.contains(column.name, Qt::CaseInsensitive))
                missing << column.name;
        }
        if (!missing.isEmpty())
            lacking << QStringLiteral("テーブル %1 に列 %2")
                           .arg(found, missing.join(QStringLiteral(", ")));
    }
    if (!anyOurs) {
        ins.state = State::Foreign;
        ins.message = QStringLiteral("%1 は温度管理のデータベースではありません（テーブル %2）。"
                                     "何も書き込んでいません。")
                          .arg(where, ins.tables.join(QStringLiteral(", ")));
    } else if (!lacking.isEmpty()) {
        ins.state = State::Incomplete;
        ins.message = QStringLiteral("%1 の%2がありません。テーブルは何も作成していません。")
                          .arg(where, lacking.join(QStringLiteral("、")));
    } else {
        ins.state = State::Ours;
    }
    return ins;
}

// The full check reads every page. A file whose size, time and SQLite change counter
// are those it had right after passing that check has not been written since; anything
// else (another program, a copy, a restore, a hot journal) is checked again in full.
QString verifiedFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/kozeran/verified.conf");
}

QString verifiedKey(const QString& file)
{
    const QByteArray path = QFileInfo(file).absoluteFilePath().toUtf8();
    return QStringLiteral("Checked/") +
           QString::fromLatin1(QCryptographicHash::hash(path, QCryptographicHash::Sha1).toHex());
}

// Empty when the file cannot be vouched for by its stamp at all.
QString stampOf(const QString& file, const QByteArray& header)
{
    if (header.size() < 100 || QFileInfo::exists(file + QStringLiteral("-journal")) ||
        QFileInfo::exists(file + QStringLiteral("-wal")))
        return QString();
    QFileInfo info(file);
    info.setCaching(false);
    return QStringLiteral("%1 %2 %3")
        .arg(info.size())
        .arg(info.lastModified().toMSecsSinceEpoch())
        .arg(QString::fromLatin1(header.mid(24, 4).toHex()));
}

QByteArray headerOf(const QString& file)
{
    QFile raw(file);
    return raw.open(QIODevice::ReadOnly) ? raw.read(100) : QByteArray();
}

bool verifiedBefore(const QString& file, const QByteArray& header)
{
    const QString stamp = stampOf(file, header);
    return !stamp.isEmpty() &&
           QSettings(verifiedFile(), QSettings::IniFormat).value(verifiedKey(file)).toString() ==
               stamp;
}

void rememberVerified(const QString& file)
{
    const QString stamp = stampOf(file, headerOf(file));
    QSettings conf(verifiedFile(), QSettings::IniFormat);
    const QString key = verifiedKey(file);
    if (stamp.isEmpty())
        conf.remove(key);
    else if (conf.value(key).toString() != stamp) // unchanged since: nothing to write
        conf.setValue(key, stamp);
}

} // namespace

void RememberVerified(const QString& file)
{
    if (QFileInfo::exists(file))
        rememberVerified(file);
}

Inspection Inspect(const QString& file)
{
    Inspection ins;
    ins.file = file;
    const QFileInfo info(file);
    if (!info.exists() || (info.isFile() && info.size() == 0))
        return ins;

    QFile raw(file);
    if (!raw.open(QIODevice::ReadOnly))
        throw AppError(SqlErrorMessage(SQLITE_CANTOPEN, raw.errorString(), folderOf(file)));
    const QByteArray header = raw.read(100);
    raw.close();
    if (!header.startsWith(QByteArray("SQLite format 3\0", 16)))
        return damaged(ins, QString());
    const bool known = verifiedBefore(file, header);

    // Read-write without create, so that a hot journal can be rolled back; nothing else is
    // written by the statements below.
    SqliteFile db(file, SQLITE_OPEN_READWRITE);
    if (!db.IsOpen() || (!known && !db.QuickCheck())) {
        if (isDamageCode(db.Code()))
            return damaged(ins, db.Error());
        raise(db, file);
    }
    if (!db.Rows(QStringLiteral("select name from sqlite_master where type='table' "
                                "and name not like 'sqlite\\_%' escape '\\' order by name"),
                 &ins.tables)) {
        if (isDamageCode(db.Code()))
            return damaged(ins, db.Error());
        raise(db, file);
    }
    if (!known)
        rememberVerified(file);
    if (ins.tables.isEmpty())
        return ins;

    // Every table's columns in one statement: each statement on its own locks the file again.
    QStringList pairs;
    if (!db.Rows(QStringLiteral("select m.name || char(31) || p.name from sqlite_master m "
                                "join pragma_table_info(m.name) p where m.type = 'table'"),
                 &pairs))
        raise(db, file);
    QHash<QString, QStringList> columnsOf;
    for (const QString& pair : pairs) {
        const qsizetype cut = pair.indexOf(QChar(31));
        columnsOf[pair.left(cut)] << pair.mid(cut + 1);
    }
    return classify(ins, QStringLiteral("データファイル ") + QDir::toNativeSeparators(file),
                    [&](const QString& table) { return columnsOf.value(table); });
}

Inspection InspectServer(const QHash<QString, QStringList>& columnsByTable, const QString& location)
{
    Inspection ins;
    ins.file = location;
    ins.tables = columnsByTable.keys();
    ins.tables.sort();
    if (ins.tables.isEmpty())
        return ins;
    return classify(ins, QStringLiteral("サーバー ") + Engine::DisplayName(location),
                    [&](const QString& table) { return columnsByTable.value(table); });
}

namespace {

QString quoted(const QString& name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

[[noreturn]] void refuseRestore(const QString& file, const QString& what)
{
    throw AppError(QStringLiteral("バックアップ %1 には温度管理が作らないもの（%2）があるため"
                                  "復元できません。データは変更していません。")
                       .arg(PathExcerpt(file), Excerpt(what, 40)));
}

} // namespace

void RebuildInto(const QString& file, const QString& fresh)
{
    SqliteFile old(file, SQLITE_OPEN_READONLY);
    QStringList objects;
    if (!old.Rows(QStringLiteral("select type || char(31) || name || char(31) || tbl_name "
                                 "from sqlite_master order by type, name"),
                  &objects))
        raise(old, file);
    QHash<QString, QStringList> columns; // our table as the file names it -> its columns
    for (const QString& object : objects) {
        const QStringList parts = object.split(QChar(31));
        const QString type = parts.value(0), name = parts.value(1), table = parts.value(2);
        const auto ours = [](const QString& t) {
            for (const Schema::Table& declared : Schema::Tables()) {
                if (declared.name.compare(t, Qt::CaseInsensitive) == 0)
                    return true;
            }
            return false;
        };
        if (type == QLatin1String("table")) {
            if (name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
                continue; // the engine's own statistics
            if (!ours(name))
                refuseRestore(file, QStringLiteral("表 ") + name);
            QStringList found;
            if (!old.Rows(QStringLiteral("select name from pragma_table_info(?1)"), &found, {name}))
                raise(old, file);
            const QStringList declared = Schema::Get(name).ColumnNames();
            for (const QString& column : found) {
                if (!declared.contains(column, Qt::CaseInsensitive))
                    refuseRestore(file, QStringLiteral("列 %1.%2").arg(name, column));
            }
            columns.insert(name, found);
        } else if (type == QLatin1String("index") && ours(table) &&
                   !name.startsWith(QLatin1String("sqlite_autoindex_"), Qt::CaseInsensitive)) {
            continue; // our indexes are made anew below
        } else {
            const QString kind = type == QLatin1String("trigger") ? QStringLiteral("トリガー")
                                 : type == QLatin1String("view")  ? QStringLiteral("ビュー")
                                 : type == QLatin1String("index") ? QStringLiteral("制約")
                                                                  : type;
            refuseRestore(file, kind + QLatin1Char(' ') + name);
        }
    }

    SqliteFile out(fresh, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    const auto run = [&](const QString& sql, const QStringList& values = {}) {
        if (!out.Rows(sql, nullptr, values))
            throw AppError(
                QStringLiteral("バックアップ %1 から復元できません。\n").arg(PathExcerpt(file)) +
                SqlErrorMessage(out.Code(), out.Error(), folderOf(fresh)));
    };
    run(QStringLiteral("attach database ?1 as old"), {file});
    run(QStringLiteral("begin"));
    for (const Schema::Table& table : Schema::Tables()) {
        run(Engine::CreateTableStatement(table.name, table.columns, false));
        for (const Schema::Index& index : table.indexes)
            run(QStringLiteral("create index %1 on %2 (%3)")
                    .arg(index.name, table.name, index.columns.join(QStringLiteral(", "))));
        for (auto it = columns.cbegin(); it != columns.cend(); ++it) {
            if (it.key().compare(table.name, Qt::CaseInsensitive) != 0)
                continue;
            QStringList list;
            for (const QString& column : it.value())
                list << quoted(column);
            run(QStringLiteral("insert into main.%1 (%2) select %2 from old.%3")
                    .arg(table.name, list.join(QLatin1Char(',')), quoted(it.key())));
        }
    }
    run(QStringLiteral("commit"));
    run(QStringLiteral("detach database old"));
}

Counts CountRows(const QString& file)
{
    Counts counts;
    SqliteFile db(file, SQLITE_OPEN_READONLY);
    const auto count = [&db](const QString& table) {
        QStringList rows;
        if (!db.Rows(QStringLiteral("select count(*) from ") + table, &rows))
            return 0;
        return rows.value(0).toInt();
    };
    counts.records = count(QStringLiteral("OndoKanri4"));
    counts.days = count(QStringLiteral("OndoHead4"));
    counts.readings = count(QStringLiteral("OndoLine4"));
    return counts;
}

} // namespace DataFile
