#include "storage/Engine.h"

#include "core/AppError.h"
#include "core/Utility.h"
#include "storage/Backup.h"
#include "storage/Query.h"
#include "storage/SqlError.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>
#include <QUuid>
#include <algorithm>
#include <memory>
#include <sqlite3.h>

namespace {

int g_transactionDepth = 0;
Engine::FileQuestion g_question;
QSet<QString> g_agreedForeign;     // files whose owner agreed to our tables this run
bool g_backUpBeforeCreate = false; // the open file holds tables and has no backup of this open yet
QString g_location;                // what the open connection was opened on
bool g_server = false;
bool g_connectionLost = false;

QString withSlash(QString path)
{
    path = QDir::fromNativeSeparators(path);
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

QString defaultDataFolder()
{
    return withSlash(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)) +
           QStringLiteral("kozeran/data/");
}

QString typeName(const Engine::FieldDef& f, bool server)
{
    switch (f.type) {
    case Engine::FieldType::Integer:
        return QStringLiteral("integer");
    case Engine::FieldType::String:
        // SQLite keeps a longer text whole, and sorts and compares by code point: so does
        // the server, whatever the database's own collation.
        return server ? QStringLiteral("varchar collate \"C\"")
                      : QStringLiteral("varchar(%1)").arg(f.size);
    case Engine::FieldType::Float:
        return server ? QStringLiteral("double precision") : QStringLiteral("double");
    case Engine::FieldType::DateTime:
        return server ? QStringLiteral("timestamp(0)") : QStringLiteral("datetime");
    }
    return QString();
}

// Stops before the connection touches a file that is not plainly ours. `ask`: an explicit
// open (start, data-folder change) may ask; a silent reopen only refuses.
void checkFile(const QString& folder, const QString& file, bool ask)
{
    using DataFile::State;
    DataFile::Inspection ins = DataFile::Inspect(file);
    if (ins.state == State::Damaged && ask && g_question && g_question(ins))
        ins = DataFile::Inspect(file);
    bool backUp = false;
    if (ins.state == State::Foreign) {
        if (!g_agreedForeign.contains(file)) {
            if (!(ask && g_question && g_question(ins)))
                throw AppError(ins.message);
            g_agreedForeign.insert(file);
            backUp = true;
        }
    } else if (ins.state == State::Damaged || ins.state == State::Incomplete) {
        throw AppError(ins.message);
    }
    if (backUp) {
        Backup::Write(folder);
        Backup::Rotate(folder);
    }
    g_backUpBeforeCreate = !backUp && !ins.tables.isEmpty();
}

void openFolder(const QString& folder, bool ask)
{
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir())
        throw AppError(QStringLiteral("データフォルダ %1 を作成できません")
                           .arg(QDir::toNativeSeparators(folder)));
    const QString file = folder + QLatin1String(Engine::DatabaseFileName);
    checkFile(folder, file, ask);

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Engine::ConnectionName);
    db.setDatabaseName(file);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        const QSqlError error = db.lastError();
        Engine::CloseDatabase();
        RaiseSqlError(error, folder);
    }
    g_location = folder;
    // DELETE journal and full sync stay safe on network shares.
    Engine::Execute(QStringLiteral("pragma journal_mode=DELETE"));
    Engine::Execute(QStringLiteral("pragma synchronous=FULL"));
}

// A QPSQL connection on the server of `loc`. No password is set: libpq takes it from
// PGPASSWORD, ~/.pgpass or PGPASSFILE.
QSqlDatabase addServer(const Engine::Location& loc, const QString& name)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    if (!db.isValid())
        throw AppError(
            QStringLiteral("PostgreSQL のドライバ (libqt6sql6-psql) がインストールされていません"));
    db.setHostName(loc.host);
    db.setPort(loc.port);
    db.setDatabaseName(loc.database);
    db.setUserName(loc.user);
    QStringList options{QStringLiteral("connect_timeout=5")};
    const QUrlQuery query(loc.options);
    for (const auto& item : query.queryItems(QUrl::FullyDecoded))
        options << item.first + QLatin1Char('=') + item.second;
    db.setConnectOptions(options.join(QLatin1Char(';')));
    return db;
}

void openServer(const Engine::Location& loc, bool ask, bool reconnect)
{
    QSqlDatabase db = addServer(loc, QLatin1String(Engine::ConnectionName));
    if (!db.open()) {
        const QSqlError error = db.lastError();
        db = QSqlDatabase();
        Engine::CloseDatabase();
        RaiseSqlError(error, loc.text);
    }
    g_location = loc.text;
    g_server = true;
    g_backUpBeforeCreate = false;
    {
        QSqlQuery q(db);
        q.exec(QStringLiteral("set client_min_messages = warning"));
    }
    if (reconnect) // the location was checked when it was first opened
        return;
    DataFile::Inspection ins = DataFile::InspectServer(db, loc.text);
    using DataFile::State;
    if (ins.state == State::Foreign && !g_agreedForeign.contains(loc.text)) {
        if (!(ask && g_question && g_question(ins))) {
            db = QSqlDatabase();
            Engine::CloseDatabase();
            throw AppError(ins.message);
        }
        g_agreedForeign.insert(loc.text);
    } else if (ins.state == State::Incomplete) {
        db = QSqlDatabase();
        Engine::CloseDatabase();
        throw AppError(ins.message);
    }
}

void openChecked(const QString& location, bool ask, bool reconnect = false)
{
    Engine::CloseDatabase();
    const Engine::Location loc = Engine::ParseLocation(location);
    if (loc.server)
        openServer(loc, ask, reconnect);
    else
        openFolder(loc.folder, ask);
}

// The library's own handle of the open SQLite connection (null on the server). Inserting many
// rows through it costs a fraction of QtSql's binding, inside the same transaction.
sqlite3* sqliteHandle()
{
    const QVariant handle = Engine::Database().driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

[[noreturn]] void raiseDirect(sqlite3* handle)
{
    throw AppError(SqlErrorMessage(sqlite3_extended_errcode(handle),
                                   QString::fromUtf8(sqlite3_errmsg(handle)),
                                   Engine::CurrentFolder()));
}

void insertRowsDirect(sqlite3* handle, const QString& table, const Engine::TableRows& rows)
{
    const QString sql =
        QStringLiteral("insert into %1 (%2) values (%3)")
            .arg(table, rows.columns.join(QLatin1Char(',')),
                 QStringList(QList<QString>(rows.columns.size(), QStringLiteral("?")))
                     .join(QLatin1Char(',')));
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(handle, sql.toUtf8().constData(), -1, &raw, nullptr) != SQLITE_OK)
        raiseDirect(handle);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw, sqlite3_finalize);
    // A column often holds one shared text in every row (the day): converted once.
    QList<QPair<QString, QByteArray>> lastText(rows.columns.size());
    for (const QVariantList& row : rows.rows) {
        for (int i = 0; i < row.size(); ++i) {
            const QVariant& v = row.at(i);
            int rc = SQLITE_OK;
            switch (v.typeId()) {
            case QMetaType::Int:
                rc = sqlite3_bind_int(raw, i + 1, *static_cast<const int*>(v.constData()));
                break;
            case QMetaType::LongLong:
            case QMetaType::Bool:
                rc = sqlite3_bind_int64(raw, i + 1, v.toLongLong());
                break;
            case QMetaType::Double:
                rc = sqlite3_bind_double(raw, i + 1, *static_cast<const double*>(v.constData()));
                break;
            default:
                if (v.isNull()) {
                    rc = sqlite3_bind_null(raw, i + 1);
                } else {
                    // UTF-8, the file's own encoding: SQLite would otherwise translate each text.
                    QPair<QString, QByteArray>& last = lastText[i];
                    const QString text = v.toString();
                    if (!text.isSharedWith(last.first))
                        last = {text, text.toUtf8()};
                    rc = sqlite3_bind_text(raw, i + 1, last.second.constData(),
                                           int(last.second.size()), SQLITE_STATIC);
                }
            }
            if (rc != SQLITE_OK)
                raiseDirect(handle);
        }
        if (sqlite3_step(raw) != SQLITE_DONE)
            raiseDirect(handle);
        sqlite3_reset(raw);
    }
}

} // namespace

namespace Engine {

bool IsServerLocation(const QString& location)
{
    const QString t = location.trimmed();
    return t.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           t.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

Location ParseLocation(const QString& location)
{
    Location loc;
    if (!IsServerLocation(location)) {
        loc.folder = withSlash(location);
        loc.text = loc.folder;
        return loc;
    }
    const QString text = location.trimmed();
    const QUrl url(text, QUrl::StrictMode);
    const QString database = url.path().mid(1);
    const auto bad = [&text](const QString& why) {
        return AppError(
            QStringLiteral(
                "データ格納場所 '%1' は正しいサーバーの指定ではありません（%2）。"
                "postgresql://ユーザー@ホスト:ポート/データベース の形で指定してください")
                .arg(text, why));
    };
    if (!url.isValid())
        throw bad(url.errorString());
    if (!url.password().isEmpty())
        throw bad(QStringLiteral(
            "パスワードは指定できません。PGPASSWORD または ~/.pgpass を使ってください"));
    if (url.host().isEmpty())
        throw bad(QStringLiteral("ホストがありません"));
    if (database.isEmpty() || database.contains(QLatin1Char('/')))
        throw bad(QStringLiteral("データベース名がありません"));
    loc.server = true;
    loc.host = url.host();
    loc.port = url.port(5432);
    loc.database = database;
    loc.user = url.userName();
    loc.options = url.query(QUrl::FullyDecoded);
    for (const auto& item : QUrlQuery(url).queryItems()) {
        if (item.first != QLatin1String("sslmode"))
            throw bad(QStringLiteral("不明な指定 %1").arg(item.first));
    }
    loc.text = ServerUri(loc.host, loc.port, loc.database, loc.user, loc.options);
    return loc;
}

QString ServerUri(const QString& host, int port, const QString& database, const QString& user,
                  const QString& options)
{
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    url.setHost(host.trimmed());
    if (port > 0 && port != 5432)
        url.setPort(port);
    if (!user.trimmed().isEmpty())
        url.setUserName(user.trimmed());
    url.setPath(QLatin1Char('/') + database.trimmed());
    if (!options.isEmpty())
        url.setQuery(options);
    return url.toString();
}

QString DisplayName(const QString& location)
{
    if (!IsServerLocation(location))
        return QDir::toNativeSeparators(location);
    const QUrl url(location.trimmed());
    return QStringLiteral("%1:%2/%3").arg(url.host()).arg(url.port(5432)).arg(url.path().mid(1));
}

void SetFileQuestion(FileQuestion question)
{
    g_question = std::move(question);
}

QString EngineConfigFile()
{
    return withSlash(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)) +
           QStringLiteral("kozeran/engine.conf");
}

QString GetAliasPath()
{
    QSettings conf(EngineConfigFile(), QSettings::IniFormat);
    QString path = conf.value(QStringLiteral("KOZERAN/Path")).toString().trimmed();
    if (IsServerLocation(path))
        return path;
    if (path.isEmpty()) {
        path = defaultDataFolder();
        QDir().mkpath(path);
    }
    return withSlash(path);
}

void SetAliasPath(const QString& path)
{
    QSettings conf(EngineConfigFile(), QSettings::IniFormat);
    conf.setValue(QStringLiteral("KOZERAN/Path"), ParseLocation(path).text);
    conf.sync();
    if (conf.status() != QSettings::NoError)
        throw AppError(
            QStringLiteral("データの格納場所を保存できません（%1）").arg(EngineConfigFile()));
}

void CloseDatabase()
{
    if (QSqlDatabase::contains(ConnectionName)) {
        {
            QSqlDatabase db = QSqlDatabase::database(ConnectionName, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(ConnectionName);
    }
    g_transactionDepth = 0;
    g_server = false;
    g_connectionLost = false;
}

void OpenDatabase(const QString& folderOverride)
{
    openChecked(folderOverride.isEmpty() ? GetAliasPath() : folderOverride, true);
}

void TestConnection(const QString& location)
{
    const Location loc = ParseLocation(location);
    if (!loc.server) {
        if (!QDir().mkpath(loc.folder) || !QFileInfo(loc.folder).isDir())
            throw AppError(QStringLiteral("データフォルダ %1 を作成できません")
                               .arg(QDir::toNativeSeparators(loc.folder)));
        return;
    }
    const QString name = QStringLiteral("kozeran-test");
    QSqlError error;
    {
        QSqlDatabase db = addServer(loc, name);
        if (!db.open())
            error = db.lastError();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (error.isValid())
        RaiseSqlError(error, loc.text);
}

QString CurrentFolder()
{
    if (!QSqlDatabase::contains(ConnectionName))
        return GetAliasPath();
    return g_location;
}

bool IsServer()
{
    if (!QSqlDatabase::contains(ConnectionName))
        return IsServerLocation(GetAliasPath());
    return g_server;
}

bool ReadsRowsInterleaved()
{
    return !IsServer();
}

void NoteConnectionLost()
{
    if (g_server)
        g_connectionLost = true;
}

QSqlDatabase Database()
{
    if (!QSqlDatabase::contains(ConnectionName)) {
        openChecked(GetAliasPath(), false);
    } else if (g_connectionLost) {
        // The server went away: what was written since BEGIN was rolled back there.
        const QString location = g_location;
        openChecked(location, false, true);
    }
    QSqlDatabase db = QSqlDatabase::database(ConnectionName, false);
    if (!db.isOpen() && !db.open())
        RaiseSqlError(db.lastError(), CurrentFolder());
    return db;
}

void Execute(const QString& sql)
{
    QSqlDatabase db = Database();
    QSqlQuery q(db);
    if (!q.exec(sql))
        RaiseSqlError(q.lastError(), CurrentFolder());
}

namespace {
bool rowsExist(const QString& sql, const QStringList& values)
{
    QSqlQuery q(Database());
    if (!q.prepare(sql))
        RaiseSqlError(q.lastError(), CurrentFolder());
    for (const QString& v : values)
        q.addBindValue(v);
    if (!q.exec() || !q.next())
        RaiseSqlError(q.lastError(), CurrentFolder());
    return q.value(0).toInt() > 0;
}
} // namespace

bool TableExists(const QString& table)
{
    if (IsServer())
        return rowsExist(
            QStringLiteral("select count(*) from information_schema.tables "
                           "where table_schema = current_schema() and table_name = lower(?)"),
            {table});
    return rowsExist(
        QStringLiteral(
            "select count(*) from sqlite_master where type='table' and lower(name)=lower(?)"),
        {table});
}

bool ColumnExists(const QString& table, const QString& column)
{
    if (IsServer())
        return rowsExist(
            QStringLiteral("select count(*) from information_schema.columns "
                           "where table_schema = current_schema() and table_name = lower(?) "
                           "and column_name = lower(?)"),
            {table, column});
    return rowsExist(
        QStringLiteral("select count(*) from pragma_table_info(?) where lower(name) = lower(?)"),
        {table, column});
}

void CreateTable(const QString& table, const QList<FieldDef>& fields)
{
    const bool server = IsServer();
    // Tables added to a file that holds data: keep the file as it was first.
    if (g_backUpBeforeCreate && !server) {
        g_backUpBeforeCreate = false;
        if (Backup::KeepCount() > 0) {
            Backup::Write(CurrentFolder());
            Backup::Rotate(CurrentFolder());
        }
    }
    QStringList columns;
    for (const FieldDef& f : fields)
        columns << f.name + QLatin1Char(' ') + typeName(f, server);
    Execute(QStringLiteral("create table %1 (%2)").arg(table, columns.join(QStringLiteral(", "))));
}

void CreateIndex(const QString& index, const QString& table, const QStringList& columns)
{
    Execute(QStringLiteral("create index if not exists %1 on %2 (%3)")
                .arg(index, table, columns.join(QStringLiteral(", "))));
}

TableRows ReadTable(const QString& table)
{
    TableRows out;
    QSqlQuery q(Database());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("select * from ") + table))
        RaiseSqlError(q.lastError(), CurrentFolder());
    const QSqlRecord record = q.record();
    for (int i = 0; i < record.count(); ++i)
        out.columns << record.fieldName(i);
    while (q.next()) {
        QVariantList row;
        row.reserve(record.count());
        for (int i = 0; i < record.count(); ++i) {
            const QVariant v = q.value(i);
            // Either engine's date-time is bound in the one stored form.
            row << (v.typeId() == QMetaType::QDateTime ? DateTimeParameter(DateTimeFromColumn(v))
                                                       : v);
        }
        out.rows << row;
    }
    if (q.lastError().isValid())
        RaiseSqlError(q.lastError(), CurrentFolder());
    return out;
}

void InsertRows(const QString& table, const TableRows& rows)
{
    if (rows.rows.isEmpty())
        return;
    if (sqlite3* handle = sqliteHandle()) {
        insertRowsDirect(handle, table, rows);
        return;
    }
    const int batch = 200;
    const QString one = QLatin1Char('(') +
                        QStringList(QList<QString>(rows.columns.size(), QStringLiteral("?")))
                            .join(QLatin1Char(',')) +
                        QLatin1Char(')');
    for (int from = 0; from < rows.rows.size(); from += batch) {
        const int n = std::min(batch, int(rows.rows.size()) - from);
        QStringList values(QList<QString>(n, one));
        QSqlQuery q(Database());
        if (!q.prepare(QStringLiteral("insert into %1 (%2) values %3")
                           .arg(table, rows.columns.join(QLatin1Char(',')),
                                values.join(QLatin1Char(',')))))
            RaiseSqlError(q.lastError(), CurrentFolder());
        for (int r = from; r < from + n; ++r)
            for (const QVariant& v : rows.rows.at(r))
                q.addBindValue(v);
        if (!q.exec())
            RaiseSqlError(q.lastError(), CurrentFolder());
    }
}

QVariant DateTimeParameter(const QDateTime& value)
{
    // Text on both engines: the server reads it as a timestamp without zone, so neither
    // engine shifts it to UTC.
    return DateTimeToStorage(value);
}

QDateTime DateTimeFromColumn(const QVariant& value)
{
    if (value.isNull())
        return DayZero();
    if (value.typeId() == QMetaType::QDateTime) {
        const QDateTime dt = value.toDateTime();
        return dt.isValid() ? QDateTime(dt.date(), dt.time()) : DayZero();
    }
    return DateTimeFromStorage(value.toString());
}

void LockForNewID(const QString& table)
{
    if (g_transactionDepth == 0)
        throw AppError(QStringLiteral("新しい番号の取得はトランザクションの中で行ってください"));
    if (IsServer())
        Execute(QStringLiteral("LOCK TABLE %1 IN SHARE ROW EXCLUSIVE MODE").arg(table));
}

} // namespace Engine

namespace {

// The server cannot prepare BEGIN or COMMIT; SQLite keeps them prepared like any statement.
void runTransactionStatement(const QString& sql)
{
    if (Engine::IsServer())
        Engine::Execute(sql);
    else
        Query(sql).ExecSQL();
}

} // namespace

Transaction::Transaction()
{
    if (g_transactionDepth == 0) {
        // BEGIN IMMEDIATE takes SQLite's write lock at once; the server locks per table.
        runTransactionStatement(Engine::IsServer() ? QStringLiteral("BEGIN")
                                                   : QStringLiteral("BEGIN IMMEDIATE"));
        m_outermost = true;
    }
    ++g_transactionDepth;
}

Transaction::~Transaction()
{
    if (m_done)
        return;
    if (g_transactionDepth > 0)
        --g_transactionDepth;
    if (m_outermost && QSqlDatabase::contains(Engine::ConnectionName)) {
        QSqlQuery q(QSqlDatabase::database(Engine::ConnectionName, false));
        q.exec(QStringLiteral("ROLLBACK"));
    }
}

void Transaction::Commit()
{
    if (m_done)
        return;
    if (m_outermost)
        runTransactionStatement(QStringLiteral("COMMIT"));
    m_done = true;
    if (g_transactionDepth > 0)
        --g_transactionDepth;
}
