#include "core/AppError.h"
#include "core/Settings.h"
#include "core/Utility.h"
#include "storage/Backup.h"
#include "storage/EngineInternal.h"
#include "storage/Query.h"
#include "storage/Schema.h"
#include "storage/ServerLink.h"
#include "storage/SqlError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>

namespace {

int g_transactionDepth = 0;
Engine::FileQuestion g_question;
QSet<QString> g_agreedForeign;     // files whose owner agreed to our tables this run
bool g_backUpBeforeCreate = false; // the open file holds tables and has no backup of this open yet
QString g_location;                // what the open connection was opened on
// The location this run chose: a connection lost or closed on the way is opened again on it,
// never on another (the configured one or the default folder).
QString g_chosen;
bool g_server = false;
// The waits of the statements: a data file's busy timeout, and on the server none unless the
// limits were set (0 there: wait).
constexpr int DefaultBusyMs = 5000;
int g_lockMs = -1; // -1: the engine's own
int g_statementMs = 0;
bool g_limitsSet = false;

void applyWaitLimits()
{
    if (!g_limitsSet)
        return;
    if (g_server) {
        const auto value = [](int ms) {
            return ms > 0 ? QString::number(ms) : QStringLiteral("DEFAULT");
        };
        ServerLink::SetSession(QStringLiteral("lock_timeout"), value(g_lockMs));
        ServerLink::SetSession(QStringLiteral("statement_timeout"), value(g_statementMs));
    } else if (QSqlDatabase::contains(Engine::ConnectionName)) {
        Engine::SetBusyTimeout(g_lockMs > 0 ? g_lockMs : DefaultBusyMs);
    }
}

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

// A column as its engine declares it.
QString columnDefinition(const Schema::Column& c, bool server)
{
    QString type;
    switch (c.type) {
    case Schema::Type::Integer:
        type = QStringLiteral("integer");
        break;
    case Schema::Type::String:
        // SQLite keeps a longer text whole, and sorts and compares by code point: so does
        // the server, whatever the database's own collation.
        type = server ? QStringLiteral("varchar collate \"C\"")
                      : QStringLiteral("varchar(%1)").arg(c.size);
        break;
    case Schema::Type::Float:
        type = server ? QStringLiteral("double precision") : QStringLiteral("double");
        break;
    case Schema::Type::DateTime:
        type = server ? QStringLiteral("timestamp(0)") : QStringLiteral("datetime");
        break;
    }
    return c.name + QLatin1Char(' ') + type;
}

// Our layout changes in a file that holds data: keep the file as it was first.
void backUpBeforeLayoutChange(bool server)
{
    if (g_backUpBeforeCreate && !server) {
        g_backUpBeforeCreate = false;
        if (Backup::KeepCount() > 0) {
            Backup::Write(Engine::CurrentFolder());
            Backup::Rotate(Engine::CurrentFolder());
        }
    }
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
        throw AppError(
            QStringLiteral("データフォルダ %1 を作成できません").arg(PathExcerpt(folder)));
    const QString file = folder + QLatin1String(Engine::DatabaseFileName);
    checkFile(folder, file, ask);

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Engine::ConnectionName);
    db.setDatabaseName(file);
    db.setConnectOptions(
        QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(g_lockMs > 0 ? g_lockMs : DefaultBusyMs));
    if (!db.open()) {
        const QSqlError error = db.lastError();
        Engine::CloseDatabase();
        RaiseSqlError(error, folder);
    }
    g_location = folder;
    // Closed cleanly at the end of the run, the file is known sound at the next start.
    static const bool closesAtExit = [] {
        qAddPostRoutine([] { Engine::CloseDatabase(); });
        return true;
    }();
    Q_UNUSED(closesAtExit);
    // DELETE journal and full sync stay safe on network shares.
    Engine::Execute(QStringLiteral("pragma journal_mode=DELETE"));
    Engine::Execute(QStringLiteral("pragma synchronous=FULL"));
}

void openServer(const Engine::Location& loc, bool ask, bool reconnect)
{
    ServerLink::Open(Engine::ServerConnect(loc));
    g_location = loc.text;
    g_server = true;
    applyWaitLimits();
    g_backUpBeforeCreate = false;
    if (reconnect) // the location was checked when it was first opened
        return;
    DataFile::Inspection ins = DataFile::InspectServer(Engine::ServerColumns(), loc.text);
    using DataFile::State;
    if (ins.state == State::Foreign && !g_agreedForeign.contains(loc.text)) {
        if (!(ask && g_question && g_question(ins))) {
            Engine::CloseDatabase();
            throw AppError(ins.message);
        }
        g_agreedForeign.insert(loc.text);
    } else if (ins.state == State::Incomplete) {
        Engine::CloseDatabase();
        throw AppError(ins.message);
    }
}

bool isOpen()
{
    return ServerLink::IsOpen() || QSqlDatabase::contains(Engine::ConnectionName);
}

void closeConnection();

void openChecked(const QString& location, bool ask, bool reconnect = false)
{
    Engine::ForgetLayout();
    closeConnection();
    const Engine::Location loc = Engine::ParseLocation(location);
    if (loc.server)
        openServer(loc, ask, reconnect);
    else
        openFolder(loc.folder, ask);
    // An older layout gets the columns added since, so that every statement finds them.
    Schema::AddLaterColumns();
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
                .arg(Excerpt(text), why));
    };
    if (!url.isValid())
        throw bad(QStringLiteral("URI の形になっていません"));
    if (!url.password().isEmpty())
        throw bad(QStringLiteral(
            "パスワードは指定できません。PGPASSWORD または ~/.pgpass を使ってください"));
    if (url.host().isEmpty())
        throw bad(QStringLiteral("ホストがありません"));
    if (database.isEmpty() || database.contains(QLatin1Char('/')))
        throw bad(QStringLiteral("データベース名がありません"));
    // One host, named or numbered: libpq would take "a,b" for two servers to try.
    static const QRegularExpression hostName(QStringLiteral("^[A-Za-z0-9._-]+$|^[0-9A-Fa-f:.]+$"));
    if (!hostName.match(url.host()).hasMatch())
        throw bad(
            QStringLiteral("ホスト名 %1 に使えない文字があります").arg(Excerpt(url.host(), 40)));
    for (const QString& part : {url.userName(), database}) {
        for (const QChar c : part) {
            if (c.category() == QChar::Other_Control)
                throw bad(QStringLiteral("ユーザー名かデータベース名に制御文字があります"));
        }
    }
    loc.server = true;
    loc.host = url.host();
    loc.port = url.port(5432);
    loc.database = database;
    loc.user = url.userName();
    // libpq reads the options as "key=value" words: a value outside its closed list could
    // carry another key (a host, a password) past every message that names the server.
    static const QStringList sslModes{QStringLiteral("disable"),   QStringLiteral("allow"),
                                      QStringLiteral("prefer"),    QStringLiteral("require"),
                                      QStringLiteral("verify-ca"), QStringLiteral("verify-full")};
    QStringList options;
    for (const auto& item : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) {
        if (item.first != QLatin1String("sslmode"))
            throw bad(QStringLiteral("不明な指定 %1").arg(Excerpt(item.first, 20)));
        if (!sslModes.contains(item.second) || !options.isEmpty())
            throw bad(QStringLiteral("sslmode は %1 のどれか一つです")
                          .arg(sslModes.join(QStringLiteral("、"))));
        options << QStringLiteral("sslmode=") + item.second;
    }
    loc.options = options.join(QLatin1Char('&'));
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

QString GetAliasPath()
{
    QString path = TSettings::DataLocation();
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
    TSettings::SetDataLocation(ParseLocation(path).text);
}

void CloseDatabase()
{
    closeConnection();
    g_chosen.clear();
}

} // namespace Engine

namespace {

void closeConnection()
{
    ServerLink::Close();
    if (QSqlDatabase::contains(Engine::ConnectionName)) {
        bool wasOpen = false;
        {
            QSqlDatabase db = QSqlDatabase::database(Engine::ConnectionName, false);
            wasOpen = db.isOpen();
            db.close();
        }
        QSqlDatabase::removeDatabase(Engine::ConnectionName);
        if (wasOpen && !g_server)
            DataFile::RememberVerified(g_location + QLatin1String(Engine::DatabaseFileName));
    }
    g_transactionDepth = 0;
    Engine::ForgetLayout();
    g_server = false;
}

} // namespace

namespace Engine {

ServerLink::Connect ServerConnect(const Location& loc)
{
    ServerLink::Connect c;
    c.host = loc.host;
    c.port = loc.port;
    c.database = loc.database;
    c.user = loc.user;
    // Only the option ParseLocation let through, a word of its closed list.
    if (loc.options.startsWith(QLatin1String("sslmode=")))
        c.sslmode = loc.options.mid(8);
    c.location = loc.text;
    return c;
}

void OpenDatabase(const QString& folderOverride)
{
    g_chosen = ParseLocation(folderOverride.isEmpty() ? GetAliasPath() : folderOverride).text;
    openChecked(g_chosen, true);
}

void TestConnection(const QString& location)
{
    const Location loc = ParseLocation(location);
    if (!loc.server) {
        if (!QDir().mkpath(loc.folder) || !QFileInfo(loc.folder).isDir())
            throw AppError(
                QStringLiteral("データフォルダ %1 を作成できません").arg(PathExcerpt(loc.folder)));
        return;
    }
    ServerLink::Test(Engine::ServerConnect(loc));
}

QString CurrentFolder()
{
    if (!isOpen())
        return g_chosen.isEmpty() ? GetAliasPath() : g_chosen;
    return g_location;
}

bool IsServer()
{
    if (!isOpen())
        return IsServerLocation(CurrentFolder());
    return g_server;
}

bool ReadsRowsInterleaved()
{
    return !IsServer();
}

bool IsOpen()
{
    return isOpen();
}

void EnsureOpen()
{
    if (!isOpen()) {
        openChecked(CurrentFolder(), false);
    } else if (g_server && !ServerLink::Alive()) {
        // The server went away: what was written since BEGIN was rolled back there.
        const QString location = g_location;
        openChecked(location, false, true);
    }
}

QSqlDatabase Database()
{
    EnsureOpen();
    if (g_server)
        throw AppError(QStringLiteral("サーバーには SQLite の接続がありません"));
    QSqlDatabase db = QSqlDatabase::database(ConnectionName, false);
    if (!db.isOpen() && !db.open())
        RaiseSqlError(db.lastError(), CurrentFolder());
    return db;
}

void Execute(const QString& sql)
{
    NoteStatement(sql);
    EnsureOpen();
    if (g_server) {
        // Inside a transaction the statement waits for the next one whose answer is needed.
        if (g_transactionDepth > 0)
            ServerLink::Hold(sql);
        else
            ServerLink::Run(sql);
        return;
    }
    QSqlDatabase db = Database();
    QSqlQuery q(db);
    if (!q.exec(sql))
        RaiseSqlError(q.lastError(), CurrentFolder());
}

QString CreateTableStatement(const QString& table, const QList<Schema::Column>& columns,
                             bool server)
{
    QStringList definitions;
    for (const Schema::Column& c : columns)
        definitions << columnDefinition(c, server);
    return QStringLiteral("create table %1 (%2)")
        .arg(table, definitions.join(QStringLiteral(", ")));
}

void CreateTable(const QString& table, const QList<Schema::Column>& columns)
{
    const bool server = IsServer();
    backUpBeforeLayoutChange(server);
    ForgetLayout();
    Execute(CreateTableStatement(table, columns, server));
}

void AddColumn(const QString& table, const Schema::Column& column)
{
    const bool server = IsServer();
    backUpBeforeLayoutChange(server);
    ForgetLayout();
    Execute(QStringLiteral("alter table %1 add %2").arg(table, columnDefinition(column, server)));
}

void CreateIndex(const QString& index, const QString& table, const QStringList& columns)
{
    if (IndexExists(index))
        return;
    ForgetLayout();
    Execute(QStringLiteral("create index if not exists %1 on %2 (%3)")
                .arg(index, table, columns.join(QStringLiteral(", "))));
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

bool InTransaction()
{
    return g_transactionDepth > 0;
}

void LockForNewID(const QString& table)
{
    if (g_transactionDepth == 0)
        throw AppError(QStringLiteral("新しい番号の取得はトランザクションの中で行ってください"));
    if (IsServer())
        Execute(QStringLiteral("LOCK TABLE %1 IN SHARE ROW EXCLUSIVE MODE").arg(table));
}

} // namespace Engine

Engine::WaitLimits::WaitLimits(int lockMs, int statementMs)
    : m_lockMs(g_lockMs), m_statementMs(g_statementMs)
{
    g_lockMs = lockMs;
    g_statementMs = statementMs;
    g_limitsSet = true;
    applyWaitLimits();
}

Engine::WaitLimits::~WaitLimits()
{
    g_lockMs = m_lockMs;
    g_statementMs = m_statementMs;
    applyWaitLimits();
}

Transaction::Transaction()
{
    if (g_transactionDepth == 0) {
        Engine::EnsureOpen();
        // BEGIN IMMEDIATE takes SQLite's write lock at once; the server locks per table, and
        // its BEGIN travels with the transaction's first statement.
        if (g_server)
            ServerLink::Hold(QStringLiteral("BEGIN"));
        else
            Query(QStringLiteral("BEGIN IMMEDIATE")).ExecSQL();
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
    if (!m_outermost || !isOpen())
        return;
    Engine::ForgetLayout(); // a table or column made inside is gone again
    if (g_server) {
        const bool sent = ServerLink::Held().value(0) != QLatin1String("BEGIN");
        ServerLink::DropHeld();
        if (sent && ServerLink::Alive()) {
            try {
                ServerLink::Run(QStringLiteral("ROLLBACK"));
            } catch (const AppError&) {
                // Not even a rollback went through: a connection left inside the transaction
                // would hold its locks for everyone. Closed, the server rolls back on its own.
                ServerLink::Close();
            }
        }
        // What the transaction's first round trip set went with it.
        ServerLink::ForgetSession();
        return;
    }
    QSqlQuery q(QSqlDatabase::database(Engine::ConnectionName, false));
    q.exec(QStringLiteral("ROLLBACK"));
}

void Transaction::Commit()
{
    if (m_done)
        return;
    if (m_outermost) {
        if (!g_server)
            Query(QStringLiteral("COMMIT")).ExecSQL();
        else if (ServerLink::Held() == QStringList{QStringLiteral("BEGIN")})
            ServerLink::DropHeld(); // nothing was asked or written
        else
            ServerLink::Run(QStringLiteral("COMMIT"));
    }
    m_done = true;
    if (g_transactionDepth > 0)
        --g_transactionDepth;
}
