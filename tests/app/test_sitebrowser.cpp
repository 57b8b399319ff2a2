#include "app/Desktop.h"
#include "core/Utility.h"
#include "domain/DayEntry.h"
#include "entry_ui/EditOndoData.h"
#include "entry_ui/MainWindowNames.h"
#include "reports/TextMetrics.h"
#include "site/SiteServer.h"
#include "site_ui/SitePanel.h"
#include "storage/Engine.h"
#include "storage/Query.h"
#include "support/TestSupport.h"
#include "support/WindowProbe.h"
#include "widgets_ui/WindowFont.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTcpServer>
#include <QTimer>

namespace N = MainWindowNames;

namespace {

const QString Mix = QStringLiteral("密粒度13");
const QString Kubun0 = QStringLiteral("練上温度");

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress(QHostAddress::LocalHost), 0);
    return probe.serverPort();
}

} // namespace

// The page in headless Chromium against the desktop program's own server on 127.0.0.1: paired
// with the code the panel shows, 30 readings entered, the server stopped and started again in
// the middle, and the main window showing that day lists all 30, once each, with their times.
class TestSiteBrowser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void thirtyReadingsThroughADroppedConnection()
    {
        QVERIFY2(QFile::exists(QStringLiteral("/usr/bin/chromium")) &&
                     QFile::exists(QStringLiteral("/usr/bin/chromedriver")),
                 "chromium and chromium-driver are missing: run scripts/setup.sh");
        TempProfile profile;
        InstallFontSubstitutions();
        QApplication::setFont(WindowFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
        TDesktop desktop;
        TfEditOndoData& main = desktop.MainWindow();
        TKoji koji;
        koji.Code() = QStringLiteral("K001");
        koji.Kojimei() = QStringLiteral("国道1号舗装工事");
        koji.Save();
        TGozai gozai;
        gozai.DataName() = Mix;
        gozai.Save();
        Engine::Execute(QStringLiteral("update OndoKubun set OndoRange = '150_160' where ID = 0"));
        const QDateTime today(QDate::currentDate(), QTime(0, 0));
        main.Entry().ShowDay(QStringLiteral("K001"), Mix, Kubun0, today);

        Child<QAction>(&main, N::SiteItem)->trigger();
        auto* panel = main.findChild<TfSitePanel*>();
        QVERIFY(panel && panel->isVisible());
        auto* onOff = Child<QPushButton>(panel, "ButtonStart");
        Child<QLineEdit>(panel, "EditListen")
            ->setText(QStringLiteral("127.0.0.1:%1").arg(freePort()));
        onOff->click();
        QVERIFY(panel->Server().IsListening());
        auto* on = Child<QLabel>(&main, "LabelSite");
        QVERIFY(!on->isHidden() && on->text().contains(panel->Server().PageUrl().toString()));
        const QString code = Child<QLabel>(panel, "LabelCode")->text();
        QVERIFY2(code.size() == 6, qPrintable(code));

        const QString shots = qEnvironmentVariable("ONDO_SCREENSHOTS");
        QProcess browser;
        browser.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList said;
        QEventLoop loop;
        connect(&browser, &QProcess::readyReadStandardOutput, &loop, [&] {
            while (browser.canReadLine()) {
                const QString line = QString::fromUtf8(browser.readLine()).trimmed();
                said << line;
                if (line == QLatin1String("STOP") || line == QLatin1String("START")) {
                    onOff->click();
                    QCOMPARE(panel->Server().IsListening(), line == QLatin1String("START"));
                    QCOMPARE(!on->isHidden(), line == QLatin1String("START"));
                    browser.write("ok\n");
                } else if (line == QLatin1String("RENAME") || line == QLatin1String("RESTORE")) {
                    const bool away = line == QLatin1String("RENAME");
                    Query rename(QStringLiteral("update GozaiDef set DataName = :A where "
                                                "DataName = :B"));
                    rename.BindText(QStringLiteral("A"), away ? Mix + QStringLiteral("改") : Mix);
                    rename.BindText(QStringLiteral("B"), away ? Mix : Mix + QStringLiteral("改"));
                    rename.ExecSQL();
                    if (away)
                        onOff->click();
                    browser.write("ok\n");
                }
            }
        });
        connect(&browser, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(240000, &loop, &QEventLoop::quit);
        browser.start(QStringLiteral("/usr/bin/python3"),
                      {QStringLiteral(SITE_BROWSER_SCRIPT), panel->Server().PageUrl().toString(),
                       code, QStringLiteral("30"), shots});
        loop.exec();
        if (browser.state() != QProcess::NotRunning) {
            browser.kill();
            browser.waitForFinished();
        }
        QVERIFY2(said.contains(QStringLiteral("DONE")), qPrintable(said.join(QLatin1Char('\n'))));
        QCOMPARE(browser.exitCode(), 0);

        Query q(QStringLiteral("select count(*) as N, count(distinct Uketuke) as U, min(LNO) as A, "
                               "max(LNO) as B from OndoLine4"));
        q.Open();
        QCOMPARE(q.FieldInt(QStringLiteral("N")), 30);
        QCOMPARE(q.FieldInt(QStringLiteral("U")), 30);
        QCOMPARE(q.FieldInt(QStringLiteral("A")), 1);
        QCOMPARE(q.FieldInt(QStringLiteral("B")), 30);
        // The window showing the day took each as it arrived.
        QTRY_COMPARE(main.Entry().Readings().size(), 30);
        for (const Reading& r : main.Entry().Readings()) {
            QCOMPARE(r.Syaryo, QStringLiteral("T-%1").arg(r.LNO));
            QVERIFY2(QTime::fromString(r.Jikoku, QStringLiteral("HH:mm")).isValid(),
                     qPrintable(r.Jikoku));
        }
        QVERIFY(!main.Entry().IsModified());
        if (!shots.isEmpty()) {
            panel->grab().save(shots + QStringLiteral("/site-panel.png"));
            main.resize(900, 760);
            main.grab().save(shots + QStringLiteral("/site-main-window.png"));
        }
    }
};

ONDO_TEST_MAIN(TestSiteBrowser, QApplication)
#include "test_sitebrowser.moc"
