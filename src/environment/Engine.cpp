#include "environment/Engine.h"

#include "environment/AppError.h"
#include "environment/Backup.h"
#include "environment/SqlError.h"

#include <QDir>
#include <QSet>
#include <QFileInfo>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>

namespace {

int g_transactionDepth = 0;
Engine::FileQuestion g_question;
QSet<QString> g_agreedForeign; // files whose owner agreed to our tables this run
bool g_backUpBeforeCreate = false; // the open file holds tables and has no backup of this open yet

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

QString typeName(const Engine::FieldDef& f)
{
    switch (f.type) {
    case Engine::FieldType::Integer:
        return QStringLiteral("integer");
    case Engine::FieldType::String:
        return QStringLiteral("varchar(%1)").arg(f.size);
    case Engine::FieldType::Float:
        return QStringLiteral("double");
    case Engine::FieldType::DateTime:
        return QStringLiteral("datetime");
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

void openChecked(const QString& folder, bool ask)
{
    Engine::CloseDatabase();
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir())
        throw AppError(QStringLiteral("データフォルダ %1 を作成できません").arg(QDir::toNativeSeparators(folder)));
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
    // DELETE journal and full sync stay safe on network shares.
    Engine::Execute(QStringLiteral("pragma journal_mode=DELETE"));
    Engine::Execute(QStringLiteral("pragma synchronous=FULL"));
}

} // namespace

namespace Engine {

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
    if (path.isEmpty()) {
        path = defaultDataFolder();
        QDir().mkpath(path);
    }
    return withSlash(path);
}

void SetAliasPath(const QString& path)
{
    QSettings conf(EngineConfigFile(), QSettings::IniFormat);
    conf.setValue(QStringLiteral("KOZERAN/Path"), withSlash(path));
    conf.sync();
    if (conf.status() != QSettings::NoError)
        throw AppError(QStringLiteral("データの格納場所を保存できません（%1）").arg(EngineConfigFile()));
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
}

void OpenDatabase(const QString& folderOverride)
{
    openChecked(folderOverride.isEmpty() ? GetAliasPath() : withSlash(folderOverride), true);
}

QString CurrentFolder()
{
    if (!QSqlDatabase::contains(ConnectionName))
        return GetAliasPath();
    const QString file = QSqlDatabase::database(ConnectionName, false).databaseName();
    return withSlash(QFileInfo(file).absolutePath());
}

QSqlDatabase Database()
{
    if (!QSqlDatabase::contains(ConnectionName))
        openChecked(GetAliasPath(), false);
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

bool TableExists(const QString& table)
{
    QSqlQuery q(Database());
    if (!q.prepare(QStringLiteral("select count(*) from sqlite_master where type='table' and lower(name)=lower(?)")))
        RaiseSqlError(q.lastError(), CurrentFolder());
    q.addBindValue(table);
    if (!q.exec() || !q.next())
        RaiseSqlError(q.lastError(), CurrentFolder());
    return q.value(0).toInt() > 0;
}

void CreateTable(const QString& table, const QList<FieldDef>& fields)
{
    // Tables added to a file that holds data: keep the file as it was first.
    if (g_backUpBeforeCreate) {
        g_backUpBeforeCreate = false;
        if (Backup::KeepCount() > 0) {
            Backup::Write(CurrentFolder());
            Backup::Rotate(CurrentFolder());
        }
    }
    QStringList columns;
    for (const FieldDef& f : fields)
        columns << f.name + QLatin1Char(' ') + typeName(f);
    Execute(QStringLiteral("create table %1 (%2)").arg(table, columns.join(QStringLiteral(", "))));
}

void CreateIndex(const QString& index, const QString& table, const QStringList& columns)
{
    Execute(QStringLiteral("create index if not exists %1 on %2 (%3)")
                .arg(index, table, columns.join(QStringLiteral(", "))));
}

} // namespace Engine

Transaction::Transaction()
{
    if (g_transactionDepth == 0) {
        Engine::Execute(QStringLiteral("BEGIN IMMEDIATE"));
        m_outermost = true;
    }
    ++g_transactionDepth;
}

Transaction::~Transaction()
{
    if (m_done)
        return;
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
        Engine::Execute(QStringLiteral("COMMIT"));
    m_done = true;
    --g_transactionDepth;
}
