#include "printing/PrinterSetup.h"
#include "printing/Printers.h"
#include "support/FakePrinter.h"
#include "support/TestSupport.h"

#include <QGuiApplication>

namespace {

std::shared_ptr<TFakeListCatalog> Install(TPrinterList printers, int defaultIndex = 0)
{
    auto catalog = std::make_shared<TFakeListCatalog>(std::move(printers));
    catalog->defaultIndex = defaultIndex;
    SetPrinterCatalog(catalog);
    return catalog;
}

TDeviceSettings Settings(const QString& name, TOrientation orientation, int paper, int source)
{
    TDeviceSettings s;
    s.printerName = name;
    s.orientation = orientation;
    s.paperSize = paper;
    s.paperSource = source;
    s.layout = QPageLayout(PageSizeOfCode(paper),
                           orientation == TOrientation::Landscape ? QPageLayout::Landscape
                                                                  : QPageLayout::Portrait,
                           QMarginsF());
    return s;
}

} // namespace

class TestPrinterSetup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void nameLookupRules();
    void programDefinitionTakesDefaultPrinterWithDesignValues();
    void shortStoredNameFallsBackToDefaultWithDesignValues();
    void serverPrefixFindsLocalPrinterAndAppliesItsSettings();
    void settingsOfAnotherPrinterAreReplacedByDesignValues();
    void setupDialogOkCapturesCancelKeeps();
    void choiceSurvivesRestartAndPrinterListChanges();
    void noPrinterDoesNothing();
    void watchNoticesInstalledPrinterButNotPortsAlone();
};

void TestPrinterSetup::nameLookupRules()
{
    Install({{QStringLiteral("Default"), false},
             {QStringLiteral("LBP"), true},
             {QStringLiteral("lbp-1"), false},
             {QStringLiteral("LBP-1 Extra"), false}});
    TPrinterSetup setup;
    // The installed name lies within the wanted one; the hidden "LBP" is passed over but counted.
    QCOMPARE(setup.FindPrinterIndex(QStringLiteral("\\\\SERVER\\LBP-1")), 2);
    QCOMPARE(setup.FindPrinterName(QStringLiteral("\\\\SERVER\\LBP-1")), QStringLiteral("lbp-1"));
    QCOMPARE(setup.PrinterCount(), 4);
    // Not the reverse: a short wanted name does not find a longer installed one.
    QCOMPARE(setup.FindPrinterIndex(QStringLiteral("Extra")), -1);
    QCOMPARE(setup.FindPrinterName(QString()), QString());
    QCOMPARE(setup.FindPrinterIndex(QString()), -1);
}

void TestPrinterSetup::programDefinitionTakesDefaultPrinterWithDesignValues()
{
    Install({{QStringLiteral("First"), false}, {QStringLiteral("Office"), false}}, 1);
    TPrinterSetup setup;
    QCOMPARE(SelectedPrinterIndex(), 1);
    QCOMPARE(setup.PrinterName(), QStringLiteral("Office"));
    QCOMPARE(setup.PrinterIndex(), 1);
    QCOMPARE(setup.AppliedName(), QStringLiteral("Office"));
    QCOMPARE(SelectedPrinter().Orientation(), TOrientation::Portrait);
    QCOMPARE(SelectedPrinter().PaperSize(), PaperA4);
    QCOMPARE(SelectedPrinter().PaperSource(), SourceFormSource);
    QVERIFY(setup.DevData().has_value());
    QCOMPARE(setup.DevData()->printerName, QStringLiteral("Office"));
}

void TestPrinterSetup::shortStoredNameFallsBackToDefaultWithDesignValues()
{
    Install({{QStringLiteral("Canon LBP-1"), false}, {QStringLiteral("Other"), false}}, 1);
    TPrinterSetup::Definition definition;
    definition.printerName = QStringLiteral("LBP");
    definition.devData = Settings(QStringLiteral("LBP"), TOrientation::Portrait, PaperA3, 1);
    definition.orientation = TOrientation::Landscape;
    definition.paperSize = PaperB5;
    definition.paperSource = 7;
    TPrinterSetup setup(definition);
    QCOMPARE(SelectedPrinter().Name(), QStringLiteral("Other"));
    QCOMPARE(setup.PrinterName(), QStringLiteral("Other"));
    QCOMPARE(SelectedPrinter().Orientation(), TOrientation::Landscape);
    QCOMPARE(SelectedPrinter().PaperSize(), PaperB5);
    QCOMPARE(SelectedPrinter().PaperSource(), 7);
    QCOMPARE(setup.DevData()->paperSize, PaperB5);
}

void TestPrinterSetup::serverPrefixFindsLocalPrinterAndAppliesItsSettings()
{
    Install({{QStringLiteral("Other"), false}, {QStringLiteral("LBP-1"), false}});
    TPrinterSetup::Definition definition;
    definition.printerName = QStringLiteral("\\\\SERVER\\LBP-1");
    definition.devData =
        Settings(QStringLiteral("\\\\SERVER\\LBP-1"), TOrientation::Landscape, PaperA3, 4);
    TPrinterSetup setup(definition);
    QCOMPARE(SelectedPrinterIndex(), 1);
    QCOMPARE(setup.PrinterName(), QStringLiteral("LBP-1"));
    QCOMPARE(SelectedPrinter().Orientation(), TOrientation::Landscape);
    QCOMPARE(SelectedPrinter().PaperSize(), PaperA3);
    QCOMPARE(SelectedPrinter().PaperSource(), 4);
    QVERIFY(setup.ApplySettings());
}

void TestPrinterSetup::settingsOfAnotherPrinterAreReplacedByDesignValues()
{
    Install({{QStringLiteral("LBP-1"), false}});
    TPrinterSetup::Definition definition;
    definition.printerName = QStringLiteral("LBP-1");
    definition.devData = Settings(QStringLiteral("XYZ-9"), TOrientation::Landscape, PaperA3, 4);
    TPrinterSetup setup(definition);
    QCOMPARE(SelectedPrinter().Orientation(), TOrientation::Portrait);
    QCOMPARE(SelectedPrinter().PaperSize(), PaperA4);
    QCOMPARE(setup.DevData()->printerName, QStringLiteral("LBP-1"));
    QCOMPARE(setup.DevData()->orientation, TOrientation::Portrait);
}

void TestPrinterSetup::setupDialogOkCapturesCancelKeeps()
{
    TempProfile profile;
    Install({{QStringLiteral("A"), false}, {QStringLiteral("B"), false}});
    TPrinterSetup setup;
    int shown = 0;
    QString openedOn;
    TOrientation openedWith = TOrientation::Landscape;
    int openedPaper = 0;
    auto look = [&] {
        ++shown;
        openedOn = SelectedPrinter().Name();
        openedWith = SelectedPrinter().Orientation();
        openedPaper = SelectedPrinter().PaperSize();
        return false;
    };
    setup.SetupDialog = look;
    SelectedPrinter().SetOrientation(TOrientation::Landscape); // as a chart preview leaves it
    QVERIFY(!setup.ExecuteSetup());
    QCOMPARE(shown, 1);
    // It opens on the stored printer with the stored settings.
    QCOMPARE(openedOn, QStringLiteral("A"));
    QCOMPARE(openedWith, TOrientation::Portrait);
    QCOMPARE(SelectedPrinter().Orientation(), TOrientation::Portrait);
    QCOMPARE(setup.PrinterName(), QStringLiteral("A"));
    QCOMPARE(setup.Orientation(), TOrientation::Portrait);

    setup.SetupDialog = [] {
        SelectPrinter(1);
        SelectedPrinter().SetOrientation(TOrientation::Landscape);
        SelectedPrinter().SetPaperSize(PaperB4);
        return true;
    };
    QVERIFY(setup.ExecuteSetup());
    QCOMPARE(setup.PrinterName(), QStringLiteral("B"));
    QCOMPARE(setup.PrinterIndex(), 1);
    QCOMPARE(setup.Orientation(), TOrientation::Landscape);
    QCOMPARE(setup.PaperSize(), PaperB4);

    // A later preview sets portrait; the next setup opens on the captured choice again.
    SelectedPrinter().SetOrientation(TOrientation::Portrait);
    SelectPrinter(0);
    setup.SetupDialog = look;
    QVERIFY(!setup.ExecuteSetup());
    QCOMPARE(openedOn, QStringLiteral("B"));
    QCOMPARE(openedWith, TOrientation::Landscape);
    QCOMPARE(openedPaper, PaperB4);
    QCOMPARE(setup.PrinterName(), QStringLiteral("B"));
}

void TestPrinterSetup::choiceSurvivesRestartAndPrinterListChanges()
{
    TempProfile profile;
    const TPrinterList installed{{QStringLiteral("A"), false}, {QStringLiteral("B"), false}};
    {
        Install(installed);
        TPrinterSetup setup;
        setup.SetupDialog = [] {
            SelectPrinter(1);
            SelectedPrinter().SetOrientation(TOrientation::Landscape);
            SelectedPrinter().SetPaperSize(PaperB4);
            SelectedPrinter().SetPaperSource(7);
            return true;
        };
        QVERIFY(setup.ExecuteSetup());
    }
    // The next run: a new printer object, the store read again.
    auto catalog = Install(installed);
    TPrinterSetup setup;
    QCOMPARE(SelectedPrinter().Name(), QStringLiteral("B"));
    QCOMPARE(SelectedPrinter().Orientation(), TOrientation::Landscape);
    QCOMPARE(SelectedPrinter().PaperSize(), PaperB4);
    QCOMPARE(SelectedPrinter().PaperSource(), 7);
    QCOMPARE(setup.MissingPrinter(), QString());

    TPrinterWatch watch;
    watch.OnChange = [&] { setup.PrinterListChanged(); };
    catalog->printers.prepend({QStringLiteral("New"), false});
    QVERIFY(watch.Check());
    QCOMPARE(SelectedPrinter().Name(), QStringLiteral("B"));
    QCOMPARE(SelectedPrinterIndex(), 2);
    QCOMPARE(SelectedPrinter().PaperSize(), PaperB4);

    // Gone: the default printer with the chosen paper; back again: the chosen printer.
    catalog->printers.removeLast();
    QVERIFY(watch.Check());
    QCOMPARE(setup.MissingPrinter(), QStringLiteral("B"));
    QCOMPARE(SelectedPrinter().Name(), QStringLiteral("New"));
    QCOMPARE(SelectedPrinter().Orientation(), TOrientation::Landscape);
    QCOMPARE(SelectedPrinter().PaperSize(), PaperB4);
    catalog->printers.append({QStringLiteral("B"), false});
    QVERIFY(watch.Check());
    QCOMPARE(setup.MissingPrinter(), QString());
    QCOMPARE(SelectedPrinter().Name(), QStringLiteral("B"));

    // Gone at start: named as missing, and the store still holds it for a later run.
    Install({{QStringLiteral("A"), false}});
    TPrinterSetup without;
    QCOMPARE(without.MissingPrinter(), QStringLiteral("B"));
    QCOMPARE(without.PrinterName(), QStringLiteral("A"));
    QCOMPARE(SelectedPrinter().PaperSize(), PaperB4);
    Install(installed);
    QCOMPARE(TPrinterSetup().PrinterName(), QStringLiteral("B"));
}

void TestPrinterSetup::noPrinterDoesNothing()
{
    TempProfile profile;
    Install({});
    TPrinterSetup setup;
    bool shown = false;
    setup.SetupDialog = [&] { return shown = true; };
    QVERIFY(!setup.ExecuteSetup());
    QVERIFY(!shown);
    QCOMPARE(setup.PrinterName(), QString());
    QVERIFY(!setup.DevData().has_value());
}

void TestPrinterSetup::watchNoticesInstalledPrinterButNotPortsAlone()
{
    auto catalog = Install({{QStringLiteral("A"), false}});
    TPrinterWatch watch;
    int changes = 0;
    watch.OnChange = [&] { ++changes; };
    SelectPrinter(0);
    const TPrinterDevice* before = &SelectedPrinter();

    QVERIFY(!watch.Check());
    QCOMPARE(changes, 0);

    catalog->ports << QStringLiteral("USB001") << QStringLiteral("USB001");
    QVERIFY(!watch.Check());
    QCOMPARE(changes, 1);
    QCOMPARE(watch.PortList(), QStringList{QStringLiteral("USB001")});
    QCOMPARE(&SelectedPrinter(), before);
    QCOMPARE(SelectedPrinterIndex(), 0);

    catalog->printers.append({QStringLiteral("New"), false});
    QVERIFY(watch.Check());
    QCOMPARE(changes, 2);
    QCOMPARE(SelectedPrinterIndex(), -1); // read afresh at the next use
    QCOMPARE(watch.Snapshot().size(), 2);
    QVERIFY(!watch.Check());

    // Hiding a printer is a change of the list too.
    catalog->printers[1].hidden = true;
    QVERIFY(watch.Check());
}

ONDO_TEST_MAIN(TestPrinterSetup, QGuiApplication)
#include "test_printersetup.moc"
