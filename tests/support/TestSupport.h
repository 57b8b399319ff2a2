#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QtTest>

// A throw-away profile: XDG_CONFIG_HOME and XDG_DATA_HOME point into a temporary folder and
// the "kozeran" connection is reopened on its (empty) default data folder, or, when the test
// program runs with ONDO_TEST_LOCATION=postgres, on an emptied database of the test server
// (ONDO_TEST_PG_URI) kept as the profile's location.
class TempProfile
{
public:
    TempProfile();
    ~TempProfile();
    QString root() const { return m_dir.path(); }
    QString dataFolder() const; // with trailing '/'

private:
    QTemporaryDir m_dir;
    QByteArray m_oldConfig, m_oldData;
};

// True when the tests run on the PostgreSQL server.
bool OnServer();
// The URI of this test program's own database on the test server (empty on SQLite).
QString TestServerUri();
// The server URI with the database replaced (for tests naming another database).
QString TestServerUriFor(const QString& database, const QString& user = QString());
// Runs one statement on the test server's maintenance database "postgres".
void ServerAdmin(const QString& sql);
// A second connection to the data the engine has open (the data file, or this program's
// database on the test server), as another program would hold it; named `name`, to be removed
// with QSqlDatabase::removeDatabase once closed.
class QSqlDatabase;
QSqlDatabase OtherConnection(const QString& name);

// Sets a fresh profile for the whole test program before QApplication exists.
void PrepareTestProcess();

// QTEST_MAIN with a fresh profile. AppClass: QCoreApplication, QGuiApplication or QApplication.
#define ONDO_TEST_MAIN(TestClass, AppClass)                                                        \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        PrepareTestProcess();                                                                      \
        AppClass app(argc, argv);                                                                  \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestClass tc;                                                                              \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
