#include "core/AppError.h"
#include "core/Settings.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPoint>
#include <QSettings>

class TestSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void freshProfileReadsEmpty()
    {
        TempProfile profile;
        QCOMPARE(TSettings::Text(QStringLiteral("OndoAvgKetasu")), QString());
        QCOMPARE(TSettings::Text(QStringLiteral("hin_prnfont")), QString());
        QVERIFY(TSettings::File().startsWith(profile.root()));
    }

    void writeAndReadBack()
    {
        TempProfile profile;
        TSettings::SetText(QStringLiteral("hin_prnfont"), QStringLiteral("ＭＳ 明朝"));
        QCOMPARE(TSettings::Text(QStringLiteral("hin_prnfont")), QStringLiteral("ＭＳ 明朝"));
        TSettings::SetText(QStringLiteral("OndoKanriGraphLow"), QStringLiteral("100, 120"));
        QCOMPARE(TSettings::Text(QStringLiteral("OndoKanriGraphLow")), QStringLiteral("100, 120"));
        // An empty value reads like a missing one.
        TSettings::SetText(QStringLiteral("OndoKanriGraphLow"), QString());
        QCOMPARE(TSettings::Text(QStringLiteral("OndoKanriGraphLow")), QString());
    }

    void namesIgnoreCase()
    {
        TempProfile profile;
        {
            QSettings outside(TSettings::File(), QSettings::IniFormat);
            outside.setValue(QStringLiteral("roundon"), QStringLiteral("TRUE"));
        }
        QCOMPARE(TSettings::Text(QStringLiteral("RoundON")), QStringLiteral("TRUE"));
        TSettings::SetText(QStringLiteral("ROUNDON"), QStringLiteral("FALSE"));
        QSettings check(TSettings::File(), QSettings::IniFormat);
        QCOMPARE(check.childKeys(), QStringList{QStringLiteral("roundon")});
        QCOMPARE(check.value(QStringLiteral("roundon")).toString(), QStringLiteral("FALSE"));
    }

    void roundingRuleIsHalfEvenOnlyForExactlyTrue()
    {
        TempProfile profile;
        QCOMPARE(TSettings::Rounding(), RoundingRule::HalfUp);
        TSettings::SetText(QStringLiteral("RoundON"), QStringLiteral("True"));
        QCOMPARE(TSettings::Rounding(), RoundingRule::HalfUp);
        TSettings::SetText(QStringLiteral("roundon"), QStringLiteral("TRUE"));
        QCOMPARE(TSettings::Rounding(), RoundingRule::HalfEven);
    }

    // Each key reads its default until set, and is stored in the spelling older versions read.
    void typedKeysHaveDefaultsAndStoredForms()
    {
        TempProfile profile;
        QCOMPARE(TSettings::AverageDecimals(), 1);
        QCOMPARE(TSettings::EnterDirection(), 1);
        QCOMPARE(TSettings::BackupKeep(), 10);
        QCOMPARE(TSettings::GraphLow(), QStringLiteral("100"));
        QCOMPARE(TSettings::GraphHigh(), QStringLiteral("200"));
        QVERIFY(TSettings::XbarRSpecLines());
        QVERIFY(!TSettings::Wareki() && !TSettings::SiteTls() && !TSettings::PrintPanels());
        QCOMPARE(TSettings::ChartGridColour(), -1);
        QCOMPARE(TSettings::PrinterPaperSize(), -1);
        QCOMPARE(TSettings::DropLimit(0, 2), 0.0);
        QCOMPARE(TSettings::DataLocation(), QString());

        TSettings::SetAverageDecimals(7);
        QCOMPARE(TSettings::Text(QStringLiteral("OndoAvgKetasu")), QStringLiteral("3"));
        TSettings::SetWareki(true);
        QCOMPARE(TSettings::Text(QStringLiteral("PrintWareki")), QStringLiteral("TRUE"));
        TSettings::SetXbarRSpecLines(false);
        QCOMPARE(TSettings::Text(QStringLiteral("XbarRKikakuSen")), QStringLiteral("FALSE"));
        QVERIFY(!TSettings::XbarRSpecLines());
        TSettings::SetDropLimit(0, 2, 12.5);
        QCOMPARE(TSettings::Text(QStringLiteral("OndoTeikaGendo_0_2")), QStringLiteral("12.5"));
        QCOMPARE(TSettings::DropLimit(0, 2), 12.5);
        TSettings::SetText(QStringLiteral("BackupKeep"), QStringLiteral("-3"));
        QCOMPARE(TSettings::BackupKeep(), 10);
        TSettings::SetLastChoice({QStringLiteral("K1"), QStringLiteral("密粒"), QString()});
        QCOMPARE(TSettings::LastChoice().gozaiName, QStringLiteral("密粒"));
        QCOMPARE(TSettings::Text(QStringLiteral("LastKojiCode")), QStringLiteral("K1"));
        const QByteArray geometry("\x01\xd9\xd0\xcb\x00", 5);
        TSettings::SetMainWindowGeometry(geometry);
        QCOMPARE(TSettings::MainWindowGeometry(), geometry);
        TSettings::SetPrinter(QStringLiteral("PDF"), 1, 9, 7, QString());
        QCOMPARE(TSettings::PrinterOrientation(), 1);
        QCOMPARE(TSettings::Text(QStringLiteral("PrinterPaperSize")), QStringLiteral("9"));
        TSettings::SetDataLocation(QStringLiteral("/srv/温度/"));
        QCOMPARE(TSettings::DataLocation(), QStringLiteral("/srv/温度/"));
        QVERIFY(QFile::exists(QFileInfo(TSettings::File()).absolutePath() +
                              QStringLiteral("/engine.conf")));
    }

    void wrongTypeRaises()
    {
        TempProfile profile;
        {
            QSettings outside(TSettings::File(), QSettings::IniFormat);
            outside.setValue(QStringLiteral("RoundON"), QPoint(1, 2));
        }
        try {
            TSettings::Text(QStringLiteral("RoundON"));
            QFAIL("a value that is not text must raise");
        } catch (const AppError& e) {
            QCOMPARE(e.message(), QStringLiteral("'RoundON' のデータ型が不正です"));
        }
    }

    void unwritableStoreIsSilent()
    {
        TempProfile profile;
        // The config "folder" is a plain file: the store cannot be opened.
        QFile blocker(profile.root() + QStringLiteral("/config/kozeran"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        TSettings::SetText(QStringLiteral("OndoAvgKetasu"), QStringLiteral("1"));
        QCOMPARE(TSettings::Text(QStringLiteral("OndoAvgKetasu")), QString());
    }
};

ONDO_TEST_MAIN(TestSettings, QCoreApplication)
#include "test_settings.moc"
