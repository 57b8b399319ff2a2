#include "printing/PdfPrinter.h"
#include "printing/PrevX.h"
#include "printing/Printers.h"
#include "reports/Print.h"
#include "support/FakePrinter.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

namespace {

TFakePrinter& Fake()
{
    return dynamic_cast<TFakePrinter&>(SelectedPrinter());
}

// A document whose page n shows the text "頁n".
void DrawPages(TPrevX& prev, int count)
{
    prev.BeginDocument();
    for (int n = 1; n <= count; ++n) {
        if (n > 1)
            prev.NewPage();
        PrintText(prev.PageCanvas(), QStringLiteral("頁%1").arg(n), 0, 1, 1, 10, 2, 0);
    }
    prev.EndDocument();
}

QString TextOf(const TRecordedPage& page)
{
    QString out;
    for (const TDrawOp& op : page.Ops())
        out += op.text;
    return out;
}

QStringList SheetsOf(const TFakePrinter::Job& job)
{
    QStringList out;
    for (const auto& sheet : job.sheets) {
        QString s;
        for (const TRecordedPage& p : sheet)
            s += TextOf(p);
        out << s;
    }
    return out;
}

} // namespace

class TestPrevX : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TPrevX> prev;
    int invalidations = 0;

private Q_SLOTS:
    void init()
    {
        SetPrinterCatalog(std::make_shared<TFakeCatalog>());
        prev = std::make_unique<TPrevX>();
        prev->SetTextMetrics(std::make_shared<TFixedTextMetrics>());
        invalidations = 0;
        prev->OnInvalidate = [this] { ++invalidations; };
    }

    void drawingReadsTheSelectedPrinter()
    {
        const TSheetDots dots = SheetDots(TSheetOrigin{1.5f, 0});
        QCOMPARE(dots.dpiX, 600);
        QCOMPARE(dots.offsetX, -254);
        SelectedPrinter().SetOrientation(TOrientation::Landscape);
        QCOMPARE(SelectedPrinter().PhysicalSize(), QSize(7016, 4960));
        QCOMPARE(SelectedPrinter().PrintableSize(), QSize(6816, 4760));
    }

    void sizesAtZoom100()
    {
        prev->SetZoomScale(100);
        prev->UpdateScale();
        QCOMPARE(prev->SheetWidth(), 794);
        QCOMPARE(prev->SheetHeight(), 1123);
        QCOMPARE(prev->PaneSize(), QSize(814, 1143));
        QCOMPARE(prev->PrintableArea(), QRect(16, 16, 762, 1091));
        prev->SetZoomScale(50);
        prev->UpdateScale();
        QCOMPARE(prev->SheetWidth(), 397);
    }

    void zoomAcceptsTwentyFiveToTwoHundred()
    {
        QCOMPARE(prev->ZoomScale(), 25);
        prev->SetZoomScale(80);
        QCOMPARE(invalidations, 1);
        for (int bad : {24, 201, 0, -100}) {
            prev->SetZoomScale(bad);
            QCOMPARE(prev->ZoomScale(), 80);
        }
        prev->SetZoomScale(80);
        QCOMPARE(invalidations, 1);
        prev->SetZoomScale(200);
        QCOMPARE(prev->ZoomScale(), 200);
        prev->SetZoomScale(25);
        QCOMPARE(prev->ZoomScale(), 25);
    }

    void pagesFollowThePrinter()
    {
        SelectedPrinter().SetOrientation(TOrientation::Landscape);
        DrawPages(*prev, 3);
        QCOMPARE(prev->PageCount(), 3);
        QCOMPARE(prev->Page(2).Size(), QSize(6816, 4760));
        QCOMPARE(TextOf(prev->Page(2)), QStringLiteral("頁2"));
        QCOMPARE(prev->CurrentPage(), 1);
        QVERIFY(!prev->HasOpenCanvas());
        QVERIFY_THROWS_EXCEPTION(EPrevError, prev->PageCanvas());

        SetPrinterCatalog(std::make_shared<TFakeCatalog>());
        prev->BeginDocument();
        QCOMPARE(prev->PageCount(), 1);
        QCOMPARE(prev->Page(1).Size(), QSize(4760, 6816));
        QCOMPARE(prev->PageCanvas().DpiY(), 600);
        prev->PageCanvas().SetFontSize(10);
        QCOMPARE(prev->PageCanvas().FontHeight(), -83);
    }

    void showPageAcceptsOnlyExistingPages()
    {
        DrawPages(*prev, 3);
        for (int bad : {0, 4, -1, 1}) {
            prev->ShowPage(bad);
            QCOMPARE(prev->CurrentPage(), 1);
        }
        const int before = invalidations;
        prev->ShowPage(2);
        QCOMPARE(prev->CurrentPage(), 2);
        QCOMPARE(invalidations, before + 1);
        prev->NewPage(); // a page added later does not move the view
        QCOMPARE(prev->CurrentPage(), 2);
    }

    void printRanges()
    {
        DrawPages(*prev, 5);
        prev->ShowPage(3);
        prev->SetPrintFrom(prev->CurrentPage());
        prev->SetPrintTo(prev->CurrentPage());
        prev->PrintPages();
        QCOMPARE(int(Fake().jobs.size()), 1);
        QCOMPARE(SheetsOf(Fake().jobs[0]), QStringList{QStringLiteral("頁3")});
        QVERIFY(Fake().jobs[0].ended);

        prev->SetPrintFrom(1);
        prev->SetPrintTo(prev->PageCount());
        prev->PrintPages();
        QCOMPARE(int(Fake().jobs.size()), 2);
        QCOMPARE(SheetsOf(Fake().jobs[1]),
                 (QStringList{QStringLiteral("頁1"), QStringLiteral("頁2"), QStringLiteral("頁3"),
                              QStringLiteral("頁4"), QStringLiteral("頁5")}));

        prev->SetPrintFrom(prev->CurrentPage());
        prev->SetPrintTo(prev->CurrentPage());
        prev->PrintPages();
        QCOMPARE(SheetsOf(Fake().jobs[2]), QStringList{QStringLiteral("頁3")});
    }

    void streamedPagesGoOutInOrderAndAreNotKept()
    {
        QStringList streamed;
        int keptWhenStreamed = -1;
        prev->SetPageStream([&](const TRecordedPage& page) {
            streamed << TextOf(page);
            keptWhenStreamed = qMax(keptWhenStreamed, prev->HasOpenCanvas() ? 1 : 0);
        });
        DrawPages(*prev, 4);
        QCOMPARE(streamed, (QStringList{QStringLiteral("頁1"), QStringLiteral("頁2"),
                                        QStringLiteral("頁3"), QStringLiteral("頁4")}));
        QCOMPARE(keptWhenStreamed, 0); // a page is handed on only once closed
        QCOMPARE(prev->PageCount(), 4);
        prev->PrintPages(); // nothing kept, nothing printed
        QVERIFY(Fake().jobs.empty());

        // A failing stream stops the document; the next one starts clean and keeps its pages.
        prev->SetPageStream(
            [](const TRecordedPage&) { throw AppError(QStringLiteral("書き込めません")); });
        QVERIFY_THROWS_EXCEPTION(AppError, DrawPages(*prev, 3));
        prev->SetPageStream({});
        DrawPages(*prev, 2);
        QCOMPARE(TextOf(prev->Page(1)), QStringLiteral("頁1"));
        QCOMPARE(TextOf(prev->Page(2)), QStringLiteral("頁2"));
        prev->PrintPages();
        QCOMPARE(SheetsOf(Fake().jobs.at(0)),
                 (QStringList{QStringLiteral("頁1"), QStringLiteral("頁2")}));
    }

    void printRangeLimits()
    {
        DrawPages(*prev, 3);
        prev->SetPrintFrom(4);
        QCOMPARE(prev->PrintFrom(), 1);
        prev->SetPrintTo(0);
        QCOMPARE(prev->PrintTo(), 9999);
        prev->SetPrintFrom(2);
        prev->PrintPages(); // print to 9999 is capped by the page count
        QCOMPARE(SheetsOf(Fake().jobs.back()),
                 (QStringList{QStringLiteral("頁2"), QStringLiteral("頁3")}));

        Fake().declineJobs = true;
        prev->PrintPages();
        QCOMPARE(int(Fake().jobs.size()), 1);
    }

    void newDocumentResetsTheRange()
    {
        DrawPages(*prev, 5);
        prev->ShowPage(3);
        prev->SetPrintFrom(3);
        prev->SetPrintTo(3);
        prev->PrintPages();
        DrawPages(*prev, 2);
        QCOMPARE(prev->CurrentPage(), 1);
        QCOMPARE(prev->PrintFrom(), 1);
        QCOMPARE(prev->PrintTo(), 9999);
        prev->PrintPages();
        QCOMPARE(SheetsOf(Fake().jobs.back()),
                 (QStringList{QStringLiteral("頁1"), QStringLiteral("頁2")}));
    }

    void nothingToPrintWithoutADocument()
    {
        prev->PrintPages();
        QVERIFY(Fake().jobs.empty());
    }

    void missingPrinterFails()
    {
        DrawPages(*prev, 2);
        SetPrinterCatalog(std::make_shared<TFakeCatalog>(QStringList{}));
        QCOMPARE(PrinterCount(), 0);
        for (auto action : std::vector<std::function<void()>>{
                 [&] { prev->BeginDocument(); }, [&] { prev->NewPage(); },
                 [&] { prev->PrintPages(); }, [&] { prev->UpdateScale(); }}) {
            try {
                action();
                QFAIL("no error");
            } catch (const EPrevError& e) {
                QCOMPARE(e.message(), QStringLiteral("プリンタが登録されていません"));
            }
        }
        QVERIFY_THROWS_EXCEPTION(AppError, SheetDots(TSheetOrigin()));
    }

    void selectingPrinters()
    {
        SetPrinterCatalog(std::make_shared<TFakeCatalog>(QStringList{"A", "B"}));
        QCOMPARE(SelectedPrinterIndex(), -1);
        QCOMPARE(SelectedPrinter().Name(), QStringLiteral("A"));
        SelectPrinter(1);
        QCOMPARE(SelectedPrinter().Name(), QStringLiteral("B"));
        QCOMPARE(SelectedPrinterIndex(), 1);
        QVERIFY_THROWS_EXCEPTION(AppError, SelectPrinter(2));
        ResetPrinter();
        QCOMPARE(SelectedPrinter().Name(), QStringLiteral("A"));

        QPageLayout layout = SelectedPrinter().PageLayout();
        QCOMPARE(layout.pageSize().id(), QPageSize::A4);
        layout.setOrientation(QPageLayout::Landscape);
        layout.setPageSize(QPageSize(QPageSize::A3));
        SelectedPrinter().SetPageLayout(layout);
        QCOMPARE(SelectedPrinter().PaperSize(), PaperA3);
        QCOMPARE(SelectedPrinter().Orientation(), TOrientation::Landscape);
    }

    void pdfKeepsJapaneseText()
    {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext is not installed");
        QTemporaryDir dir;
        const QString file = dir.filePath("preview.pdf");
        SetPrinterCatalog(std::make_shared<TPdfOnlyCatalog>());
        QString askedTitle;
        SetPdfFileAsker([&](const QString& title) {
            askedTitle = title;
            return file;
        });
        SelectedPrinter().SetOrientation(TOrientation::Landscape);
        TPrevX pdf; // the machine's fonts, as the program draws
        pdf.Title = QStringLiteral("管理図");
        pdf.BeginDocument();
        pdf.PageCanvas().SetFontSize(14);
        PrintText(pdf.PageCanvas(), QStringLiteral("Ｘ 管 理 図"), 1, 1, 1, 20, 2, 0);
        pdf.NewPage();
        pdf.PageCanvas().SetFontSize(14);
        PrintText(pdf.PageCanvas(), QStringLiteral("練上温度 記録表"), 0, 1, 1, 20, 2, 0);
        pdf.EndDocument();
        pdf.PrintPages();
        SetPdfFileAsker(nullptr);
        QCOMPARE(askedTitle, QStringLiteral("管理図"));

        QProcess text;
        text.start("pdftotext", {"-layout", file, "-"});
        QVERIFY(text.waitForFinished(30000));
        QString out = QString::fromUtf8(text.readAllStandardOutput());
        out.remove(QChar(' '));
        QVERIFY2(out.contains(QStringLiteral("Ｘ管理図")), qPrintable(out));
        QVERIFY2(out.contains(QStringLiteral("練上温度記録表")), qPrintable(out));
        QCOMPARE(out.count(QChar('\f')), 2);

        QProcess info;
        info.start("pdfinfo", {file});
        QVERIFY(info.waitForFinished(30000));
        const QString meta = QString::fromUtf8(info.readAllStandardOutput());
        QVERIFY2(meta.contains(QRegularExpression("Page size:\\s+84[12](\\.\\d+)? x 595")),
                 qPrintable(meta));
    }

    void declinedPdfWritesNothing()
    {
        SetPrinterCatalog(std::make_shared<TPdfOnlyCatalog>());
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("頁.pdf"));
        int asked = 0;
        QString answer;
        SetPdfFileAsker([&](const QString&) {
            ++asked;
            return answer;
        });
        DrawPages(*prev, 1);
        prev->PrintPages(); // declined: nothing thrown, nothing written
        QCOMPARE(asked, 1);
        QVERIFY(QDir(dir.path()).isEmpty());
        // The document stays for the next try.
        answer = file;
        prev->PrintPages();
        SetPdfFileAsker(nullptr);
        QCOMPARE(asked, 2);
        QVERIFY(QFileInfo(file).size() > 0);
    }
};

ONDO_TEST_MAIN(TestPrevX, QGuiApplication)
#include "tst_prevx.moc"
