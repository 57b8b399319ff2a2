#include "support/BatchRun.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTcpServer>
#include <QTimer>
#include <csignal>

class TestServe : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // --serve prints the page's address, then its pairing code, serves the page, and ends
    // cleanly on SIGTERM.
    void servesUntilTerminated()
    {
        TempProfile profile;
        QTcpServer probe;
        probe.listen(QHostAddress(QHostAddress::LocalHost), 0);
        const quint16 port = probe.serverPort();
        probe.close();
        QProcess serve;
        serve.start(QStringLiteral(ONDOKANRI_EXE),
                    {QStringLiteral("--serve"), QStringLiteral("--listen"),
                     QStringLiteral("127.0.0.1:%1").arg(port), QStringLiteral("--data"),
                     profile.dataFolder()});
        QVERIFY(serve.waitForStarted());
        QStringList lines;
        QTRY_VERIFY_WITH_TIMEOUT((lines += QString::fromUtf8(serve.readAllStandardOutput())
                                               .split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                                  lines.size() >= 2),
                                 10000);
        QCOMPARE(lines.at(0), QStringLiteral("http://127.0.0.1:%1/").arg(port));
        QVERIFY2(QRegularExpression(QStringLiteral("^ペアリングコード: \\d{6}$"))
                     .match(lines.at(1))
                     .hasMatch(),
                 qPrintable(lines.at(1)));

        QNetworkAccessManager net;
        QNetworkReply* page = net.get(QNetworkRequest(QUrl(lines.at(0))));
        QEventLoop loop;
        connect(page, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        QCOMPARE(page->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
        delete page;

        ::kill(pid_t(serve.processId()), SIGTERM);
        QVERIFY(serve.waitForFinished(10000));
        QCOMPARE(serve.exitStatus(), QProcess::NormalExit);
        QCOMPARE(serve.exitCode(), 0);
    }

    void listenIsRefusedAlone()
    {
        Run run = Batch({QStringLiteral("--listen"), QStringLiteral("127.0.0.1:8470")});
        QCOMPARE(run.code, 2);
        QCOMPARE(run.err.trimmed(), QStringLiteral("--listen は --serve と一緒に指定してください"));
        run = Batch({QStringLiteral("--serve"), QStringLiteral("--listen"),
                     QStringLiteral("127.0.0.1:99999")});
        QCOMPARE(run.code, 1);
        QCOMPARE(run.err.trimmed(),
                 QStringLiteral("ポート番号「99999」が正しくありません（1〜65535）"));
    }
};

ONDO_TEST_MAIN(TestServe, QCoreApplication)
#include "test_serve.moc"
