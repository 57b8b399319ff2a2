#include "support/TestSupport.h"

#include "storage/Engine.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <cstdlib>

namespace {
QTemporaryDir* g_processDir = nullptr;
QString g_database; // this program's database on the test server

void runOn(const QString& uri, const QString& name, const QStringList& statements)
{
    {
        const QUrl url(uri);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(url.host());
        db.setPort(url.port(5432));
        db.setUserName(url.userName());
        db.setDatabaseName(url.path().mid(1));
        if (!db.open())
            qFatal("test server: %s", qPrintable(db.lastError().text()));
        QSqlQuery q(db);
        q.exec(QStringLiteral("set client_min_messages = warning"));
        for (const QString& sql : statements) {
            if (!q.exec(sql))
                qFatal("test server: %s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
        }
    }
    QSqlDatabase::removeDatabase(name);
}
} // namespace

bool OnServer()
{
    return qEnvironmentVariable("ONDO_TEST_LOCATION") == QLatin1String("postgres");
}

QString TestServerUriFor(const QString& database, const QString& user)
{
    QUrl url(qEnvironmentVariable("ONDO_TEST_PG_URI"));
    if (!user.isEmpty())
        url.setUserName(user);
    url.setPath(QLatin1Char('/') + database);
    return url.toString();
}

void ServerAdmin(const QString& sql)
{
    runOn(TestServerUriFor(QStringLiteral("postgres")), QStringLiteral("test-admin"), {sql});
}

QString TestServerUri()
{
    if (!OnServer())
        return QString();
    if (g_database.isEmpty()) {
        if (qEnvironmentVariableIsEmpty("ONDO_TEST_PG_URI"))
            qFatal("ONDO_TEST_LOCATION=postgres needs ONDO_TEST_PG_URI");
        g_database = QStringLiteral("ondo_%1_%2")
                         .arg(QCoreApplication::applicationName().toLower().remove(
                             QRegularExpression(QStringLiteral("[^a-z0-9_]"))))
                         .arg(QCoreApplication::applicationPid());
        ServerAdmin(QStringLiteral("drop database if exists ") + g_database);
        ServerAdmin(QStringLiteral("create database ") + g_database);
    }
    return TestServerUriFor(g_database);
}

QSqlDatabase OtherConnection(const QString& name)
{
    if (!OnServer()) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(Engine::CurrentFolder() + QLatin1String(Engine::DatabaseFileName));
        if (!db.open())
            qFatal("other connection: %s", qPrintable(db.lastError().text()));
        return db;
    }
    const QUrl url(TestServerUri());
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(url.host());
    db.setPort(url.port(5432));
    db.setUserName(url.userName());
    db.setDatabaseName(url.path().mid(1));
    if (!db.open())
        qFatal("other connection: %s", qPrintable(db.lastError().text()));
    return db;
}

void PrepareTestProcess()
{
    g_processDir = new QTemporaryDir(); // lives until the process ends
    const QString root = g_processDir->path();
    QDir().mkpath(root + QStringLiteral("/config"));
    QDir().mkpath(root + QStringLiteral("/data"));
    qputenv("XDG_CONFIG_HOME", (root + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (root + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", (root + QStringLiteral("/run")).toUtf8());
    QDir().mkpath(root + QStringLiteral("/run"));
    QFile::setPermissions(root + QStringLiteral("/run"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

TempProfile::TempProfile()
    : m_oldConfig(qgetenv("XDG_CONFIG_HOME")), m_oldData(qgetenv("XDG_DATA_HOME"))
{
    QDir().mkpath(m_dir.path() + QStringLiteral("/config"));
    QDir().mkpath(m_dir.path() + QStringLiteral("/data"));
    qputenv("XDG_CONFIG_HOME", (m_dir.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (m_dir.path() + QStringLiteral("/data")).toUtf8());
    if (OnServer()) {
        const QString uri = TestServerUri();
        Engine::CloseDatabase();
        runOn(
            uri, QStringLiteral("test-clean"),
            {QStringLiteral("drop schema public cascade"), QStringLiteral("create schema public")});
        Engine::SetAliasPath(uri);
    }
    Engine::OpenDatabase();
}

TempProfile::~TempProfile()
{
    Engine::CloseDatabase();
    qputenv("XDG_CONFIG_HOME", m_oldConfig);
    qputenv("XDG_DATA_HOME", m_oldData);
}

QString TempProfile::dataFolder() const
{
    return Engine::GetAliasPath();
}
