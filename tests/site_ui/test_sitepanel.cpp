#include "site/SitePairing.h"
#include "site/SiteServer.h"
#include "site_ui/SitePanel.h"
#include "support/TestSupport.h"
#include "support/WindowProbe.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTcpServer>

class TestSitePanel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A QR code keeps its quiet zone and its three finder patterns at the module size asked.
    void qrCodeOfTheAddress()
    {
        const QImage code = QrImage(QStringLiteral("http://192.168.1.5:8470/"), 3);
        QVERIFY(!code.isNull());
        const int modules = code.width() / 3;
        QCOMPARE(code.width(), code.height());
        QVERIFY(modules >= 21 + 8 && (modules - 8 - 21) % 4 == 0); // a version's size
        const auto dark = [&](int x, int y) {
            return qGray(code.pixel(x * 3 + 1, y * 3 + 1)) < 128;
        };
        for (const auto& [x0, y0] : {std::pair{4, 4}, {modules - 11, 4}, {4, modules - 11}}) {
            QVERIFY(dark(x0, y0) && dark(x0 + 6, y0 + 6) && dark(x0 + 3, y0 + 3));
            QVERIFY(!dark(x0 + 1, y0 + 1) && !dark(x0 - 1, y0 - 1));
        }
    }

    // The button starts and stops the server on the address typed; the code, the address and the
    // devices show, a device can be revoked, and each request is logged.
    void startPairRevokeStop()
    {
        TempProfile profile;
        TfSitePanel panel;
        QTcpServer probe;
        probe.listen(QHostAddress(QHostAddress::LocalHost), 0);
        const quint16 port = probe.serverPort();
        probe.close();
        auto* onOff = Child<QPushButton>(&panel, "ButtonStart");
        Child<QLineEdit>(&panel, "EditListen")->setText(QStringLiteral("127.0.0.1:%1").arg(port));
        onOff->click();
        QVERIFY(panel.Server().IsListening());
        QCOMPARE(onOff->text(), QStringLiteral("停止"));
        QCOMPARE(Child<QLabel>(&panel, "LabelUrl")->text(),
                 QStringLiteral("http://127.0.0.1:%1/").arg(port));
        QVERIFY(!Child<QLabel>(&panel, "LabelQr")->pixmap().isNull());
        const QString code = Child<QLabel>(&panel, "LabelCode")->text();
        QCOMPARE(code, panel.Pairing().Code());
        QVERIFY(Child<QLabel>(&panel, "LabelExpires")->text().contains(QStringLiteral("分")));

        panel.Pairing().Pair(code, QStringLiteral("測定用スマホ"));
        auto* devices = Child<QTableWidget>(&panel, "ListDevices");
        QCOMPARE(devices->rowCount(), 1);
        QCOMPARE(devices->item(0, 0)->text(), QStringLiteral("測定用スマホ"));
        devices->setCurrentCell(0, 0);
        Child<QPushButton>(&panel, "ButtonRevoke")->click();
        QCOMPARE(devices->rowCount(), 0);
        QVERIFY(panel.Pairing().Devices().isEmpty());
        QVERIFY(Child<QPlainTextEdit>(&panel, "MemoLog")
                    ->toPlainText()
                    .contains(QStringLiteral("端末「測定用スマホ」の接続を取り消しました")));

        Child<QPushButton>(&panel, "ButtonNewCode")->click();
        QCOMPARE(Child<QLabel>(&panel, "LabelCode")->text(), panel.Pairing().Code());
        onOff->click();
        QVERIFY(!panel.Server().IsListening());
        QCOMPARE(onOff->text(), QStringLiteral("開始"));
        QCOMPARE(Child<QLabel>(&panel, "LabelCode")->text(), QStringLiteral("------"));

        // An address that cannot be listened on is told, and the server stays off.
        Child<QLineEdit>(&panel, "EditListen")->setText(QStringLiteral("127.0.0.1:99999"));
        WhenModal([](QWidget* box) { QVERIFY(box->findChildren<QLabel*>().size() > 0); });
        onOff->click();
        QVERIFY(!panel.Server().IsListening());

        // Over HTTPS: the address and its QR code say https, the fingerprint is shown with how
        // to trust it, and the choice is kept for the next start.
        Child<QLineEdit>(&panel, "EditListen")->setText(QStringLiteral("127.0.0.1:%1").arg(port));
        Child<QCheckBox>(&panel, "CheckTls")->setChecked(true);
        onOff->click();
        QVERIFY(panel.Server().IsEncrypted());
        QCOMPARE(Child<QLabel>(&panel, "LabelUrl")->text(),
                 QStringLiteral("https://127.0.0.1:%1/").arg(port));
        auto* fingerprint = Child<QLabel>(&panel, "LabelFingerprint");
        QVERIFY(!fingerprint->isHidden());
        QVERIFY(fingerprint->text().startsWith(QStringLiteral("証明書の指紋: ") +
                                               panel.Server().Fingerprint()));
        QCOMPARE(panel.Server().Fingerprint().count(QLatin1Char(':')), 31);
        onOff->click();
        TfSitePanel later;
        QVERIFY(Child<QCheckBox>(&later, "CheckTls")->isChecked());
    }
};

ONDO_TEST_MAIN(TestSitePanel, QApplication)
#include "test_sitepanel.moc"
