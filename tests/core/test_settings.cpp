#include "core/AppError.h"
#include "core/RegistryUtility.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QPoint>
#include <QSettings>

class TestSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void freshProfileReadsEmpty()
    {
        TempProfile profile;
        QCOMPARE(ReadSetting(QStringLiteral("OndoAvgKetasu")), QString());
        QCOMPARE(ReadSetting(QStringLiteral("hin_prnfont")), QString());
        QVERIFY(SettingsFile().startsWith(profile.root()));
    }

    void writeAndReadBack()
    {
        TempProfile profile;
        WriteSetting(QStringLiteral("hin_prnfont"), QStringLiteral("ＭＳ 明朝"));
        QCOMPARE(ReadSetting(QStringLiteral("hin_prnfont")), QStringLiteral("ＭＳ 明朝"));
        WriteSetting(QStringLiteral("OndoKanriGraphLow"), QStringLiteral("100, 120"));
        QCOMPARE(ReadSetting(QStringLiteral("OndoKanriGraphLow")), QStringLiteral("100, 120"));
        // An empty value reads like a missing one.
        WriteSetting(QStringLiteral("OndoKanriGraphLow"), QString());
        QCOMPARE(ReadSetting(QStringLiteral("OndoKanriGraphLow")), QString());
    }

    void namesIgnoreCase()
    {
        TempProfile profile;
        {
            QSettings outside(SettingsFile(), QSettings::IniFormat);
            outside.setValue(QStringLiteral("roundon"), QStringLiteral("TRUE"));
        }
        QCOMPARE(ReadSetting(QStringLiteral("RoundON")), QStringLiteral("TRUE"));
        WriteSetting(QStringLiteral("ROUNDON"), QStringLiteral("FALSE"));
        QSettings check(SettingsFile(), QSettings::IniFormat);
        QCOMPARE(check.childKeys(), QStringList{QStringLiteral("roundon")});
        QCOMPARE(check.value(QStringLiteral("roundon")).toString(), QStringLiteral("FALSE"));
    }

    void roundingRuleIsHalfEvenOnlyForExactlyTrue()
    {
        TempProfile profile;
        QCOMPARE(RoundingRuleSetting(), RoundingRule::HalfUp);
        WriteSetting(QStringLiteral("RoundON"), QStringLiteral("True"));
        QCOMPARE(RoundingRuleSetting(), RoundingRule::HalfUp);
        WriteSetting(QStringLiteral("roundon"), QStringLiteral("TRUE"));
        QCOMPARE(RoundingRuleSetting(), RoundingRule::HalfEven);
    }

    void wrongTypeRaises()
    {
        TempProfile profile;
        {
            QSettings outside(SettingsFile(), QSettings::IniFormat);
            outside.setValue(QStringLiteral("RoundON"), QPoint(1, 2));
        }
        try {
            ReadSetting(QStringLiteral("RoundON"));
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
        WriteSetting(QStringLiteral("OndoAvgKetasu"), QStringLiteral("1"));
        QCOMPARE(ReadSetting(QStringLiteral("OndoAvgKetasu")), QString());
    }
};

ONDO_TEST_MAIN(TestSettings, QCoreApplication)
#include "test_settings.moc"
