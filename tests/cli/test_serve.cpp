#include "site/SiteCertificate.h"
#include "support/BatchRun.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSslConfiguration>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <csignal>

namespace {

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress(QHostAddress::LocalHost), 0);
    return probe.serverPort();
}

// `ondokanri --serve --tls` on 127.0.0.1:port, with the lines it printed when it was ready.
struct Server
{
    QProcess process;
    QStringList lines;

    Server(quint16 port, const QString& data)
    {
        process.start(QStringLiteral(ONDOKANRI_EXE),
                      {QStringLiteral("--serve"), QStringLiteral("--tls"),
                       QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(port),
                       QStringLiteral("--data"), data});
        process.waitForStarted();
        QTRY_VERIFY_WITH_TIMEOUT((lines += QString::fromUtf8(process.readAllStandardOutput())
                                               .split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                                  lines.size() >= 3),
                                 10000);
    }
    void End()
    {
        ::kill(pid_t(process.processId()), SIGTERM);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 0);
    }
};

// Plain bytes to the port, and what comes back until the server closes.
QByteArray Raw(quint16 port, const QByteArray& request)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress(QHostAddress::LocalHost), port);
    if (!socket.waitForConnected(5000))
        return {};
    socket.write(request);
    QByteArray answer;
    while (socket.waitForReadyRead(5000))
        answer += socket.readAll();
    return answer;
}

} // namespace

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

    // --serve --tls serves the page over HTTPS with a certificate made once and kept (the same
    // fingerprint after a restart); plain HTTP on the port only sends the page on and refuses
    // the API. A phone paired there is listed by --devices and, revoked from another command
    // line, shut out by the running server.
    void httpsAndPhonesFromTheCommandLine()
    {
        TempProfile profile;
        const quint16 port = freePort();
        Server first(port, profile.dataFolder());
        QCOMPARE(first.lines.value(0), QStringLiteral("https://127.0.0.1:%1/").arg(port));
        QVERIFY2(first.lines.value(1).startsWith(QStringLiteral("証明書の指紋: ")),
                 qPrintable(first.lines.value(1)));
        QFile kept(TSiteCertificate::CertificateFile());
        QVERIFY(kept.open(QIODevice::ReadOnly));
        const QSslCertificate certificate(kept.readAll(), QSsl::Pem);
        QCOMPARE(first.lines.value(1).mid(8),
                 QString::fromLatin1(
                     certificate.digest(QCryptographicHash::Sha256).toHex(':').toUpper()));
        QVERIFY(!(QFileInfo(TSiteCertificate::KeyFile()).permissions() & QFileDevice::ReadOther));

        // The page and the API over HTTPS, the certificate trusted as a phone trusts it.
        QNetworkAccessManager net;
        const auto ask = [&](const QByteArray& method, const QString& path, const QByteArray& body,
                             const QByteArray& token) {
            QNetworkRequest request(QUrl(first.lines.value(0)).resolved(QUrl(path)));
            QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
            tls.setCaCertificates({certificate});
            request.setSslConfiguration(tls);
            request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
            if (!token.isEmpty())
                request.setRawHeader("Authorization", "Bearer " + token);
            QNetworkReply* reply = net.sendCustomRequest(request, method, body);
            QEventLoop loop;
            connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
            QTimer::singleShot(10000, &loop, &QEventLoop::quit);
            loop.exec();
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            const QJsonObject json = QJsonDocument::fromJson(reply->readAll()).object();
            reply->deleteLater();
            return std::pair{status, json};
        };
        QCOMPARE(ask("GET", QStringLiteral("/"), {}, {}).first, 200);
        const QString code = first.lines.value(2).mid(10);
        const auto [paired, answer] =
            ask("POST", QStringLiteral("/api/pair"),
                QJsonDocument(QJsonObject{{"code", code}, {"name", "山田のスマホ"}}).toJson(), {});
        QCOMPARE(paired, 200);
        const QByteArray token = answer.value(QStringLiteral("token")).toString().toLatin1();
        QCOMPARE(ask("GET", QStringLiteral("/api/registers"), {}, token).first, 200);

        // Plain HTTP on the same port: the page is sent on, the API refused.
        const QByteArray plainPage = Raw(port, "GET /site.js HTTP/1.1\r\nHost: evil\r\n\r\n");
        QVERIFY2(plainPage.startsWith("HTTP/1.1 301"), plainPage.left(80).constData());
        QVERIFY(plainPage.contains(
            QStringLiteral("Location: https://127.0.0.1:%1/site.js").arg(port).toLatin1()));
        QVERIFY(Raw(port, "POST /api/pair HTTP/1.1\r\nContent-Length: 2\r\n\r\n{}")
                    .startsWith("HTTP/1.1 403"));

        // Listed and revoked from other command lines while the server runs.
        const Run listed = Batch({QStringLiteral("--devices")});
        QCOMPARE(listed.code, 0);
        const QStringList rows = listed.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0), QStringLiteral("番号\t名前\tペアリング\t最終接続"));
        const QStringList phone = rows.at(1).split(QLatin1Char('\t'));
        QCOMPARE(phone.value(1), QStringLiteral("山田のスマホ"));
        const Run revoked = Batch({QStringLiteral("--revoke-device"), phone.value(0)});
        QCOMPARE(revoked.code, 0);
        QVERIFY2(revoked.out.contains(QStringLiteral("取り消しました")), qPrintable(revoked.out));
        QTRY_COMPARE_WITH_TIMEOUT(ask("GET", QStringLiteral("/api/registers"), {}, token).first,
                                  401, 5000);
        const Run again = Batch({QStringLiteral("--revoke-device"), phone.value(0)});
        QCOMPARE(again.code, 1);
        QVERIFY(again.err.startsWith(
            QStringLiteral("端末「%1」はペアリングされていません").arg(phone.value(0))));
        first.End();

        // Started again: the same certificate, so the phones that trusted it go on.
        Server second(port, profile.dataFolder());
        QCOMPARE(second.lines.value(1), first.lines.value(1));
        second.End();
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
