#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QtTest>

// A throw-away profile: XDG_CONFIG_HOME and XDG_DATA_HOME point into a temporary folder and
// the "kozeran" connection is reopened on its (empty) default data folder.
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

// Sets a fresh profile for the whole test program before QApplication exists.
void PrepareTestProcess();

// QTEST_MAIN with a fresh profile. AppClass: QCoreApplication, QGuiApplication or QApplication.
#define ONDO_TEST_MAIN(TestClass, AppClass)                                                       \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        PrepareTestProcess();                                                                      \
        AppClass app(argc, argv);                                                                  \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestClass tc;                                                                              \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
