#include "support/TestSupport.h"

#define REFERENCE_DIR ""
#include "app/PrintWiring.h"
#include "core/Settings.h"
#include "domain/DayEntry.h"
#include "entry_ui/EditOndoData.h"
#include "printing/PdfPrinter.h"
#include "printing/PrevX.h"
#include "printing/PrinterSetup.h"
#include "printing_ui/FormPreview.h"
#include "printing_ui/SetPrintItems.h"
#include "reports/ReportFixture.h"
#include "reports/XbarRChart.h"
#include "storage/Engine.h"
#include "support/FakePrinter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>

namespace {

// Acts on the next modal dialog once it is up.
void OnModal(std::function<void(QWidget*)> action)
{
    QTimer::singleShot(0, [action] {
        if (QWidget* w = QApplication::activeModalWidget())
            action(w);
    });
}

void CloseModal()
{
    OnModal([](QWidget* w) { w->close(); });
}

struct Fixture
{
    TempProfile profile;
    TOndoKanri record;
    TFormPreview preview;
    std::unique_ptr<TfSetPrintItems> dialog;
    int previews = 0;

    explicit Fixture(int categories = 4)
    {
        SetPrinterCatalog(
            std::make_shared<TFakeListCatalog>(TPrinterList{{QStringLiteral("Fake"), false}}));
        PrepareTables();
        Engine::Execute(QStringLiteral("delete from OndoKubun"));
        for (int i = 0; i < categories; ++i)
            AddCategory(i, QStringLiteral("区分%1").arg(i));
        Query k(QStringLiteral("insert into Koji1 (Code, Kojimei) values ('K1', '県道工事')"));
        k.ExecSQL();
        AddDay(QStringLiteral("K1"), QStringLiteral("密粒"), 0, Day(4, 1), {151, 153});
        LoadRecord(record, QStringLiteral("K1"), QStringLiteral("密粒"), 0, Day(4, 1));
        dialog = std::make_unique<TfSetPrintItems>();
        dialog->SetRecord(&record);
        dialog->SetPreview(&preview);
        QObject::connect(&preview, &QDialog::finished, [this] { ++previews; });
    }
    void Show()
    {
        dialog->show();
        QApplication::processEvents();
    }
    // "プレビュー", closing the preview window when it opens.
    void PressPreview()
    {
        CloseModal();
        dialog->BitBtn1->click();
    }
};

} // namespace

class TestSetPrintItems : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstShowingTicksTheShownCategory();
    void checkTicksAndUnticksAll();
    void fontListOffersJapaneseFaces();
    void nothingTickedIsAMessageAndTheDocumentIsNamed();
    void chartTakesTickedCategoriesAndOpensAtZoom80();
    void rangeTextsAreStoredAsTyped();
    void formAndBoxesAreRememberedForTheNextStart();
    void growsWithTheDesktopText();
    void invertedRangeStopsBeforeAnyPage();
    void printButtonReadsWindowThenOpensDialog();
    void goneChosenPrinterIsNamedInTheDialog();
    void setupDialogOffersPdfPrinterAndKeepsCopies();
    void periodSubgroupAndPanelsReachTheDocument();
};

namespace {

QStringList PreviewTexts(TFormPreview& preview)
{
    QStringList texts;
    for (int p = 1; p <= preview.PrevX().PageCount(); ++p)
        for (const TDrawOp& op : preview.PrevX().Page(p).Ops())
            if (op.kind == TDrawOp::Kind::Text)
                texts << op.text;
    return texts;
}

} // namespace

// The period shows the month of the main window's day and is what the document covers; a day
// that is none is refused quoting it; both left empty print every day. The x̄-R subgroup size
// is 2 to 5 and reaches the sheet; the panels are the X chart's only.
void TestSetPrintItems::periodSubgroupAndPanelsReachTheDocument()
{
    Fixture f;
    AddDay(QStringLiteral("K1"), QStringLiteral("密粒"), 0, Day(3, 31), {141, 142});
    AddDay(QStringLiteral("K1"), QStringLiteral("密粒"), 0, Day(5, 1), {171, 172});
    f.Show();
    QCOMPARE(f.dialog->EditFrom->text(), QStringLiteral("2024/04/01"));
    QCOMPARE(f.dialog->EditTo->text(), QStringLiteral("2024/04/30"));
    f.PressPreview();
    QCOMPARE(f.previews, 1);
    QCOMPARE(f.preview.PrevX().Title, QStringLiteral("記録表_K1_密粒_区分0_2024-04"));
    QStringList texts = PreviewTexts(f.preview);
    QVERIFY(texts.contains(QStringLiteral("2024年4月1日～4月30日")));
    QVERIFY(texts.contains(QStringLiteral("151")));
    QVERIFY(!texts.contains(QStringLiteral("141")) && !texts.contains(QStringLiteral("171")));

    f.dialog->EditTo->setText(QStringLiteral("2024/04/31"));
    QString message;
    OnModal([&message](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w))
            message = box->text();
        w->close();
    });
    f.dialog->BitBtn1->click();
    QVERIFY2(message.contains(QStringLiteral("'2024/04/31'")), qPrintable(message));
    QCOMPARE(f.previews, 1);

    f.dialog->EditFrom->clear();
    f.dialog->EditTo->clear();
    f.PressPreview();
    QCOMPARE(f.preview.PrevX().Title, QStringLiteral("記録表_K1_密粒_区分0_2024-03_2024-05"));
    texts = PreviewTexts(f.preview);
    QVERIFY(texts.contains(QStringLiteral("141")) && texts.contains(QStringLiteral("171")));

    QCOMPARE(f.dialog->SpinKumi->minimum(), 2);
    QCOMPARE(f.dialog->SpinKumi->maximum(), 5);
    f.dialog->SpinKumi->setValue(2);
    f.dialog->RadioXbarR->setChecked(true);
    QVERIFY(!f.dialog->CheckPanels->isEnabled());
    f.PressPreview();
    QCOMPARE(ReadXbarRSettings().size, 2);
    texts = PreviewTexts(f.preview);
    QVERIFY(texts.contains(QStringLiteral("2個")));
    QVERIFY(texts.contains(QStringLiteral("x2")) && !texts.contains(QStringLiteral("x3")));

    f.dialog->RadioChart->setChecked(true);
    QVERIFY(f.dialog->CheckPanels->isEnabled());
    f.dialog->CheckPanels->setChecked(true);
    QVERIFY(!f.dialog->Edit1->isEnabled()); // each panel has its own range
    f.dialog->SetTicked(1, true);
    AddDay(QStringLiteral("K1"), QStringLiteral("密粒"), 1, Day(4, 1), {120, 121});
    f.PressPreview();
    // Each panel names its category at its top.
    texts = PreviewTexts(f.preview);
    QCOMPARE(texts.count(QStringLiteral("区分0")), 2); // legend and panel
    QCOMPARE(texts.count(QStringLiteral("区分1")), 2);
    f.dialog->CheckPanels->setChecked(false);
    f.PressPreview();
    texts = PreviewTexts(f.preview);
    QCOMPARE(texts.count(QStringLiteral("区分0")), 1);
}

// The range as stored, the face in use named, categories by name alone with the one the main
// window shows ticked, again at every showing.
void TestSetPrintItems::firstShowingTicksTheShownCategory()
{
    Fixture f;
    QCOMPARE(TSettings::Text(QStringLiteral("OndoKanriGraphLow")), QString());
    f.Show();
    QCOMPARE(f.dialog->Edit1->text(), QStringLiteral("100"));
    QCOMPARE(f.dialog->Edit2->text(), QStringLiteral("200"));
    QCOMPARE(TSettings::Text(QStringLiteral("OndoKanriGraphLow")), QStringLiteral("100"));
    QCOMPARE(TSettings::Text(QStringLiteral("OndoKanriGraphHigh")), QStringLiteral("200"));
    QVERIFY2(f.dialog->Label5->text().startsWith(QStringLiteral("既定（")),
             qPrintable(f.dialog->Label5->text()));
    // Named as the font list names it.
    QVERIFY(TfSetPrintItems::JapaneseFaces().contains(TfSetPrintItems::DefaultFaceInUse()));
    QCOMPARE(f.dialog->Label5->text(),
             QStringLiteral("既定（%1）").arg(TfSetPrintItems::DefaultFaceInUse()));
    QCOMPARE(f.dialog->SS1->rowCount(), 4);
    QCOMPARE(f.dialog->SS1->item(2, 1)->text(), QStringLiteral("区分2"));
    QVERIFY(f.dialog->SS1->isColumnHidden(2));
    QCOMPARE(f.dialog->SS1->columnWidth(0), 30);
    QCOMPARE(f.dialog->SS1->columnWidth(1), 240);
    QCOMPARE(TickedKubunIds(f.dialog->Rows()), QList<int>{0});

    // Other ticks go, form and per-project stay, at the next showing.
    f.dialog->SetTicked(1, true);
    f.dialog->RadioChart->setChecked(true);
    f.dialog->CheckBox1->setChecked(true);
    f.dialog->hide();
    AddCategory(7, QStringLiteral("区分7"));
    f.record.Kubun.LoadByID(7);
    f.Show();
    QCOMPARE(f.dialog->SS1->rowCount(), 5);
    QCOMPARE(TickedKubunIds(f.dialog->Rows()), QList<int>{7});
    QVERIFY(f.dialog->RadioChart->isChecked());
    QVERIFY(f.dialog->CheckBox1->isChecked());
}

void TestSetPrintItems::checkTicksAndUnticksAll()
{
    Fixture f;
    f.Show();
    f.dialog->SetTicked(0, true);
    f.dialog->BitBtn3->click();
    for (int i = 0; i < 4; ++i)
        QVERIFY(!f.dialog->Ticked(i));
    f.dialog->SetTicked(2, true);
    f.dialog->BitBtn3->click();
    for (int i = 0; i < 4; ++i)
        QVERIFY(f.dialog->Ticked(i));
}

// フォント変更 lists the installed faces that print Japanese, opens at the stored one, and keeps
// it when cancelled.
void TestSetPrintItems::fontListOffersJapaneseFaces()
{
    Fixture f;
    TSettings::SetText(QStringLiteral("hin_prnfont"), QStringLiteral("IPAGothic"));
    f.Show();
    QCOMPARE(f.dialog->Label5->text(), QStringLiteral("IPAGothic"));
    QStringList offered;
    QString opened;
    OnModal([&](QWidget* w) {
        auto* box = qobject_cast<QInputDialog*>(w);
        QVERIFY(box);
        offered = box->comboBoxItems();
        opened = box->textValue();
        box->setTextValue(QStringLiteral("IPAMincho"));
        box->reject();
    });
    f.dialog->Button2->click();
    QCOMPARE(opened, QStringLiteral("IPAGothic"));
    QVERIFY(offered.contains(QStringLiteral("IPAMincho")));
    QVERIFY(!offered.contains(QStringLiteral("DejaVu Sans")));
    QCOMPARE(TSettings::Text(QStringLiteral("hin_prnfont")), QStringLiteral("IPAGothic"));

    OnModal([](QWidget* w) {
        auto* box = qobject_cast<QInputDialog*>(w);
        box->setTextValue(QStringLiteral("IPAMincho"));
        box->accept();
    });
    f.dialog->Button2->click();
    QCOMPARE(TSettings::Text(QStringLiteral("hin_prnfont")), QStringLiteral("IPAMincho"));
    QCOMPARE(f.dialog->Label5->text(), QStringLiteral("IPAMincho"));
}

// No tick: a message and no preview. Ticked: the record table on portrait pages whatever the
// printer setup, the document named after what it holds, the preview stating the page total.
void TestSetPrintItems::nothingTickedIsAMessageAndTheDocumentIsNamed()
{
    Fixture f;
    f.dialog->PrinterSetup().SetupDialog = [] {
        SelectedPrinter().SetOrientation(TOrientation::Landscape);
        return true;
    };
    QVERIFY(f.dialog->PrinterSetup().ExecuteSetup());
    f.Show();
    f.dialog->SetTicked(0, false);
    QString message;
    OnModal([&message](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w))
            message = box->text();
        w->close();
    });
    f.dialog->BitBtn1->click();
    QCOMPARE(message, QStringLiteral("印刷する温度区分にチェックを付けてください"));
    QCOMPARE(f.previews, 0);

    f.dialog->SetTicked(0, true);
    QString total;
    OnModal([&total](QWidget* w) {
        if (auto* label = w->findChild<QLabel*>(QStringLiteral("LabelPages")))
            total = label->text();
        w->close();
    });
    f.dialog->BitBtn1->click();
    QCOMPARE(f.previews, 1);
    QCOMPARE(total, QStringLiteral("/ 1"));
    QVERIFY(!f.preview.PrevX().Page(1).Ops().empty());
    QCOMPARE(SelectedPrinter().Orientation(), TOrientation::Portrait);
    QCOMPARE(f.preview.PrevX().Title, QStringLiteral("記録表_K1_密粒_区分0_2024-04"));
    QCOMPARE(f.record.Kubun.KubunName, QStringLiteral("区分0"));
}

void TestSetPrintItems::chartTakesTickedCategoriesAndOpensAtZoom80()
{
    Fixture f;
    f.Show();
    f.dialog->RadioChart->setChecked(true);
    f.dialog->SetTicked(0, false);
    f.dialog->SetTicked(1, true);
    f.dialog->SetTicked(3, true);
    QCOMPARE(TickedKubunIds(f.dialog->Rows()), (QList<int>{1, 3}));
    f.PressPreview();
    QCOMPARE(f.previews, 1);
    QCOMPARE(SelectedPrinter().Orientation(), TOrientation::Landscape);
    QCOMPARE(f.preview.PrevX().ZoomScale(), 80);
    QVERIFY(f.preview.PrevX().PageCount() >= 1);
    // The chart's sheet lies 1.5 cm in from the paper's left edge and 2 cm down: its frame
    // starts 354 and 472 dots from the edges, 100 dots of them outside the printable area.
    QCOMPARE(f.preview.PrevX().Page(1).Ops().front().p1, QPoint(254, 372));

    f.preview.PrevX().SetZoomScale(150);
    f.PressPreview();
    QCOMPARE(f.preview.PrevX().ZoomScale(), 80);
}

void TestSetPrintItems::rangeTextsAreStoredAsTyped()
{
    Fixture f;
    f.Show();
    f.dialog->RadioChart->setChecked(true);
    f.dialog->Edit1->setText(QStringLiteral("120℃"));
    f.PressPreview();
    QCOMPARE(f.previews, 1);
    QCOMPARE(TSettings::Text(QStringLiteral("OndoKanriGraphLow")), QStringLiteral("120℃"));

    f.dialog->Edit1->clear();
    f.PressPreview();
    QCOMPARE(f.previews, 2);
    QCOMPARE(TSettings::Text(QStringLiteral("OndoKanriGraphLow")), QString());
    f.dialog->hide();
    f.Show();
    QCOMPARE(f.dialog->Edit1->text(), QStringLiteral("100"));
}

// Printed with once, the form and its boxes come back in a dialog of a later run; a dialog only
// looked at and closed changes nothing.
void TestSetPrintItems::formAndBoxesAreRememberedForTheNextStart()
{
    Fixture f;
    f.Show();
    QVERIFY(f.dialog->RadioDataSheet->isChecked());
    f.dialog->RadioChart->setChecked(true);
    f.dialog->CheckPanels->setChecked(true);
    f.dialog->CheckBox1->setChecked(true);
    f.PressPreview();
    QCOMPARE(f.previews, 1);
    f.dialog->hide();
    f.dialog->RadioXbarR->setChecked(true); // not printed with

    f.dialog = std::make_unique<TfSetPrintItems>();
    f.dialog->SetRecord(&f.record);
    f.dialog->SetPreview(&f.preview);
    f.Show();
    QVERIFY(f.dialog->RadioChart->isChecked());
    QVERIFY(f.dialog->CheckPanels->isChecked());
    QVERIFY(f.dialog->CheckBox1->isChecked());
    QVERIFY(!f.dialog->CheckAutoRange->isChecked());
    QVERIFY(!f.dialog->Edit1->isEnabled()); // the panels take their own ranges
}

// On a desktop set to 12 pt the dialog, its places and its text grow alike, and no caption is
// cut.
void TestSetPrintItems::growsWithTheDesktopText()
{
    Fixture f;
    const QFont before = QGuiApplication::font();
    QGuiApplication::setFont(QFont(before.family(), 12));
    f.dialog = std::make_unique<TfSetPrintItems>();
    QGuiApplication::setFont(before);
    f.dialog->SetRecord(&f.record);
    f.dialog->SetPreview(&f.preview);
    f.Show();
    QCOMPARE(f.dialog->font().pointSizeF(), 12.0);
    QCOMPARE(f.dialog->width(), 649); // 487 at 9 pt
    QCOMPARE(f.dialog->Edit1->geometry(), QRect(133, 140, 80, 28));
    QCOMPARE(f.dialog->SS1->columnWidth(1), 320);
    for (auto* box : f.dialog->findChildren<QAbstractButton*>()) {
        if (box->isVisible() && !box->text().isEmpty() && !qobject_cast<QPushButton*>(box))
            QVERIFY2(box->sizeHint().width() <= box->width(), qPrintable(box->text()));
    }
}

void TestSetPrintItems::invertedRangeStopsBeforeAnyPage()
{
    Fixture f;
    f.Show();
    f.dialog->SetTicked(0, true);
    f.PressPreview(); // a data sheet document to keep
    const int pages = f.preview.PrevX().PageCount();
    f.dialog->RadioChart->setChecked(true);
    f.dialog->Edit1->setText(QStringLiteral("200"));
    f.dialog->Edit2->setText(QStringLiteral("150"));
    QString message;
    OnModal([&message](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w))
            message = box->text();
        w->close();
    });
    f.dialog->BitBtn1->click();
    QCOMPARE(message, QStringLiteral("グラフ表示範囲は下限＜上限で指定してください"));
    QCOMPARE(f.previews, 1);
    QCOMPARE(f.preview.PrevX().PageCount(), pages);
    QCOMPARE(TSettings::Text(QStringLiteral("OndoKanriGraphLow")), QStringLiteral("200"));
    QCOMPARE(TSettings::Text(QStringLiteral("OndoKanriGraphHigh")), QStringLiteral("150"));

    // Typed with the input method on, the range still reads as 150 to 200.
    f.dialog->Edit1->setText(QStringLiteral("１５０"));
    f.dialog->Edit2->setText(QStringLiteral("２００"));
    f.PressPreview();
    QCOMPARE(f.previews, 2);
}

void TestSetPrintItems::printButtonReadsWindowThenOpensDialog()
{
    Fixture f;
    TDayEntry entry;
    TfEditOndoData window(entry, {}, {});
    ConnectPrintDialog(window, f.dialog.get());
    entry.TakeProject(QStringLiteral("K1"));
    entry.Record().Koji.Code() = QStringLiteral("ZZ"); // not on screen
    bool opened = false;
    OnModal([&opened](QWidget* w) {
        opened = qobject_cast<TfSetPrintItems*>(w) != nullptr;
        w->close();
    });
    window.findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
    QVERIFY(opened);
    QCOMPARE(entry.Record().Koji.Code(), QStringLiteral("K1"));
}

void TestSetPrintItems::goneChosenPrinterIsNamedInTheDialog()
{
    Fixture f;
    auto catalog = std::make_shared<TFakeListCatalog>(
        TPrinterList{{QStringLiteral("Fake"), false}, {QStringLiteral("Office LBP"), false}});
    SetPrinterCatalog(catalog);
    f.dialog->PrinterSetup().SetupDialog = [] {
        SelectPrinter(1);
        return true;
    };
    f.dialog->Button1->click();
    QCOMPARE(f.dialog->LabelPrinter->text(), QStringLiteral("プリンタ：Office LBP"));

    // The next run, without that printer.
    catalog->printers.removeLast();
    SetPrinterCatalog(catalog);
    TPrinterWatch watch;
    TfSetPrintItems second;
    second.SetPrinterWatch(&watch);
    second.SetRecord(&f.record);
    second.show();
    QApplication::processEvents();
    QVERIFY(second.LabelPrinter->isVisible());
    QCOMPARE(second.LabelPrinter->text(),
             QStringLiteral("プリンタ「Office LBP」が見つかりません。「Fake」に出力します"));
    QCOMPARE(SelectedPrinter().Name(), QStringLiteral("Fake"));

    // It comes back while the program runs; another one added later keeps it chosen.
    second.hide();
    catalog->printers.append({QStringLiteral("Office LBP"), false});
    second.show();
    QCOMPARE(second.LabelPrinter->text(), QStringLiteral("プリンタ：Office LBP"));
    second.hide();
    catalog->printers.prepend({QStringLiteral("Another"), false});
    second.show();
    QCOMPARE(SelectedPrinter().Name(), QStringLiteral("Office LBP"));
    QCOMPARE(second.LabelPrinter->text(), QStringLiteral("プリンタ：Office LBP"));
}

void TestSetPrintItems::setupDialogOffersPdfPrinterAndKeepsCopies()
{
    Fixture f;
    SetPrinterCatalog(std::make_shared<TFakeListCatalog>(
        TPrinterList{{QStringLiteral("Fake"), false}, {TPdfPrinter::PrinterName(), false}}));
    InstallPrinterSetupDialog(f.dialog.get());
    QStringList offered;
    bool acted = false;
    // The dialog fills its list once shown; act when the PDF printer is there.
    std::function<void()> act = [&] {
        auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        auto* printers =
            dialog ? dialog->findChild<QComboBox*>(QStringLiteral("printers")) : nullptr;
        if (!printers || printers->findText(TPdfPrinter::PrinterName()) < 0) {
            QTimer::singleShot(10, act);
            return;
        }
        for (int i = 0; i < printers->count(); ++i)
            offered << printers->itemText(i);
        printers->setCurrentIndex(printers->findText(TPdfPrinter::PrinterName()));
        if (auto* copies = dialog->findChild<QSpinBox*>(QStringLiteral("copies")))
            copies->setValue(3);
        acted = true;
        dialog->accept();
    };
    QTimer::singleShot(0, act);
    f.dialog->Button1->click();
    QVERIFY2(acted, qPrintable(offered.join(QLatin1Char('|'))));
    QVERIFY(offered.contains(TPdfPrinter::PrinterName()));
    QCOMPARE(f.dialog->PrinterSetup().PrinterName(), TPdfPrinter::PrinterName());
    QCOMPARE(TSettings::Text(QStringLiteral("PrinterName")), TPdfPrinter::PrinterName());
    QCOMPARE(JobOptions().copies, 3);

    f.Show();
    f.PressPreview();
    f.preview.PrevX().PrintPages();
    auto& printer = dynamic_cast<TFakePrinter&>(SelectedPrinter());
    QCOMPARE(printer.Name(), TPdfPrinter::PrinterName());
    QCOMPARE(int(printer.jobs.size()), 1);
    QCOMPARE(printer.jobs[0].options.copies, 3);
    SetJobOptions(TJobOptions());
}

ONDO_TEST_MAIN(TestSetPrintItems, QApplication)
#include "test_setprintitems.moc"
