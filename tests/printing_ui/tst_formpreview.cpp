#include "printing/PdfPrinter.h"
#include "printing/PrevX.h"
#include "printing/PrinterSetup.h"
#include "printing/Printers.h"
#include "printing_ui/FormPreview.h"
#include "printing_ui/PrevXPane.h"
#include "reports/Print.h"
#include "support/FakePrinter.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolButton>

namespace {

TFakePrinter& Fake()
{
    return dynamic_cast<TFakePrinter&>(SelectedPrinter());
}

// A small document: page n carries "頁n" and a sample of every primitive.
void DrawSample(TPrevX& prev, int count)
{
    prev.BeginDocument();
    for (int n = 1; n <= count; ++n) {
        if (n > 1)
            prev.NewPage();
        TCanvas& c = prev.PageCanvas();
        c.SetSheetOrigin(TSheetOrigin{1.5f, 2.0f});
        c.SetPenWidth(4);
        PrintBox(c, 0, 0, 18, 25, 1);
        c.SetPenWidth(1);
        c.SetFontSize(16);
        PrintText(c, QStringLiteral("練上温度記録表"), 4, 2.5f, 0.5f, 13.5f, 1.5f, 0);
        c.SetFontSize(10);
        PrintText(c, QStringLiteral("頁%1").arg(n), 2, 14, 0.5f, 17.5f, 1.5f, 0);
        PrintText(c, QStringLiteral("規格\\\\限界"), 1, 1, 3, 4, 4, 0);
        PrintFitText(c, QStringLiteral("とても長い合材の名前が入ります"), 0, 5, 3, 9, 3.5f, 0);
        c.SetPenStyle(TPenStyle::Dot);
        PrintLine(c, 1, 5, 17, 5, 1);
        c.SetPenStyle(TPenStyle::DashDot);
        PrintLine(c, 1, 6, 17, 8, 1);
        c.SetPenColor(clRed);
        PrintLine(c, 1, 9, 17, 9, 1);
        c.SetPenColor(clBlack);
        for (int i = 0; i < 10; ++i) {
            c.SetBrushColor(clRed);
            PrintCircle(c, 2 + i * 1.5f, 11 + (i % 3) * 0.5f, 0.1f);
            c.SetBrushColor(clBlue);
            PrintHalfCircle(c, 2, 2 + i * 1.5f, 13, 0.1f);
        }
        PrintText(c, QStringLiteral("縦書きテスト"), 3, 16, 10, 17, 20, 1);
        PrintText(c, QStringLiteral("123.4"), 5, 1, 15, 3, 16, 0);
    }
    prev.EndDocument();
}

// Closes every modal message box as it appears and counts them.
class BoxCloser : public QObject
{
public:
    int seen = 0;
    QString lastText;
    BoxCloser() { startTimer(5); }

protected:
    void timerEvent(QTimerEvent*) override
    {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++seen;
            lastText = box->text();
            box->done(QMessageBox::Ok);
        }
    }
};

// The wheel turned with the pointer at the centre of over (target by default), sent to target.
void Wheel(QWidget* target, QPoint angle, QPoint pixels = QPoint(),
           Qt::KeyboardModifiers modifiers = Qt::NoModifier, QWidget* over = nullptr)
{
    const QPoint global =
        (over ? over : target)->mapToGlobal((over ? over : target)->rect().center());
    const QPoint local = target->mapFromGlobal(global);
    QWheelEvent ev(local, global, pixels, angle, Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &ev);
}

void Wheel(QWidget* target, int delta, QWidget* over = nullptr)
{
    Wheel(target, QPoint(0, delta), QPoint(), Qt::NoModifier, over);
}

} // namespace

class TestFormPreview : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TFormPreview> form;

private Q_SLOTS:
    void init()
    {
        SetPrinterCatalog(std::make_shared<TFakeCatalog>());
        form = std::make_unique<TFormPreview>();
        DrawSample(form->PrevX(), 5);
        form->PrevX().SetZoomScale(80);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup() { form.reset(); }

    void showsMaximisedOnPageOne()
    {
        QVERIFY(form->windowState() & Qt::WindowMaximized);
        QCOMPARE(form->Edit1->text(), QStringLiteral("1"));
        QCOMPARE(form->UpDownMax(), 5);
        QCOMPARE(form->PrevX().CurrentPage(), 1);
        QCOMPARE(form->PrevX1->pos(), QPoint(32, 17));
        QTRY_COMPARE(form->PrevX1->size(), form->PrevX().PaneSize());
        QCOMPARE(form->GroupBox2->title(), QStringLiteral("表示倍率"));
        QCOMPARE(form->GroupBox4->title(), QStringLiteral("ページ切替"));
        QCOMPARE(form->GroupBox5->title(), QStringLiteral("印刷"));
        QCOMPARE(form->Panel1->height(), 90);

        if (const QByteArray shot = qgetenv("ONDO_PREVIEW_SHOT"); !shot.isEmpty()) {
            form->resize(1200, 900);
            QTest::qWait(50);
            form->grab().save(QString::fromLocal8Bit(shot));
        }
    }

    void zoomSteps()
    {
        for (int i = 0; i < 12; ++i)
            form->Button5->click();
        QCOMPARE(form->PrevX().ZoomScale(), 200);
        QTRY_COMPARE(form->PrevX1->width(), 1587 + 20); // 4960 * 96 / 600 * 2 = 1587.2
        form->PrevX().SetZoomScale(80);
        for (int i = 0; i < 5; ++i)
            form->Button6->click();
        QCOMPARE(form->PrevX().ZoomScale(), 30);
        form->Button6->click();
        QCOMPARE(form->PrevX().ZoomScale(), 30);
    }

    void pageBox()
    {
        for (const char* bad : {"0", "9", "x"}) {
            form->Edit1->clear();
            QTest::keyClicks(form->Edit1, bad);
            QCOMPARE(form->PrevX().CurrentPage(), 1);
        }
        form->Edit1->clear();
        QTest::keyClicks(form->Edit1, "2");
        QCOMPARE(form->PrevX().CurrentPage(), 2);

        form->UpDownUp->click();
        QCOMPARE(form->Edit1->text(), QStringLiteral("3"));
        QCOMPARE(form->PrevX().CurrentPage(), 3);
        for (int i = 0; i < 4; ++i)
            form->UpDownUp->click();
        QCOMPARE(form->Edit1->text(), QStringLiteral("5"));
        for (int i = 0; i < 7; ++i)
            form->UpDownDown->click();
        QCOMPARE(form->PrevX().CurrentPage(), 1);
    }

    void printButtons()
    {
        form->Edit1->setText(QStringLiteral("3"));
        form->Button4->click();
        QCOMPARE(int(Fake().jobs.size()), 1);
        QCOMPARE(int(Fake().jobs[0].sheets.size()), 1);
        form->Button2->click();
        QCOMPARE(int(Fake().jobs.size()), 2);
        QCOMPARE(int(Fake().jobs[1].sheets.size()), 5);
        form->Button4->click();
        QCOMPARE(int(Fake().jobs[2].sheets.size()), 1);
        auto textOf = [](const TRecordedPage& page) {
            QString s;
            for (const TDrawOp& op : page.Ops())
                s += op.text;
            return s;
        };
        QVERIFY(textOf(Fake().jobs[2].sheets[0].at(0)).contains(QStringLiteral("頁3")));
    }

    void savesPdf()
    {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext is not installed");
        QTemporaryDir dir;
        const QString file = dir.filePath("saved.pdf");
        SetPdfFileAsker([&](const QString&) { return file; });
        form->ButtonPdf->click();
        SetPdfFileAsker(nullptr);
        QProcess text;
        text.start("pdftotext", {file, "-"});
        QVERIFY(text.waitForFinished(30000));
        const QString out = QString::fromUtf8(text.readAllStandardOutput());
        QCOMPARE(out.count(QChar('\f')), 5);
        QVERIFY2(out.contains(QStringLiteral("頁5")), qPrintable(out));
        QVERIFY2(out.contains(QStringLiteral("規格")), qPrintable(out));
        if (const QByteArray keep = qgetenv("ONDO_SAMPLE_PDF"); !keep.isEmpty()) {
            QFile::remove(QString::fromLocal8Bit(keep));
            QFile::copy(file, QString::fromLocal8Bit(keep));
        }
    }

    void escapeCloses()
    {
        QVERIFY(form->isVisible());
        QTest::keyClick(form.get(), Qt::Key_Escape);
        QVERIFY(!form->isVisible());
    }

    void wheelScrollsOneStep()
    {
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        form->PrevX().SetZoomScale(200);
        QScrollBar* bar = form->ScrollBox1->verticalScrollBar();
        QTRY_VERIFY(bar->isVisible());
        Wheel(form->ScrollBox1->viewport(), -120);
        QCOMPARE(bar->value(), 32);
        Wheel(form->PrevX1, -120, form->ScrollBox1->viewport());
        QCOMPARE(bar->value(), 64);
        Wheel(form->ScrollBox1->viewport(), 120);
        QCOMPARE(bar->value(), 32);
        Wheel(form->Panel1, -120);
        QCOMPARE(bar->value(), 32);
        QCOMPARE(form->PrevX().CurrentPage(), 1);

        form->PrevX().SetZoomScale(25);
        QTRY_VERIFY(!bar->isVisible());
        QScrollBar* side = form->ScrollBox1->horizontalScrollBar();
        const int sideways = side->value();
        Wheel(form->ScrollBox1->viewport(), -120);
        QCOMPARE(side->value(), sideways);
    }

    void wheelFollowsItsDeltaAndShiftScrollsSideways()
    {
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        form->PrevX().SetZoomScale(200);
        QScrollBar* bar = form->ScrollBox1->verticalScrollBar();
        QScrollBar* side = form->ScrollBox1->horizontalScrollBar();
        QTRY_VERIFY(bar->isVisible() && side->isVisible());
        QWidget* view = form->ScrollBox1->viewport();
        // A touchpad: its pixels, not a whole step.
        Wheel(view, QPoint(0, -15), QPoint(0, -5));
        QCOMPARE(bar->value(), 5);
        Wheel(view, QPoint(0, 15), QPoint(0, 3));
        QCOMPARE(bar->value(), 2);
        // A fine wheel: eight eighths of a notch make one step.
        for (int i = 0; i < 8; ++i)
            Wheel(view, -15);
        QCOMPARE(bar->value(), 34);

        Wheel(view, QPoint(0, -120), QPoint(), Qt::ShiftModifier);
        QCOMPARE(side->value(), 32);
        QCOMPARE(bar->value(), 34);
        Wheel(view, QPoint(-60, 0));
        QCOMPARE(side->value(), 48);
        Wheel(view, QPoint(0, 0), QPoint(7, 0));
        QCOMPARE(side->value(), 41);
        QCOMPARE(form->PrevX().CurrentPage(), 1);
    }

    void pageKeysInThePageBox()
    {
        auto key = [this](Qt::Key k) {
            QTest::keyClick(form->Edit1, k);
            return form->PrevX().CurrentPage();
        };
        QCOMPARE(key(Qt::Key_PageDown), 2);
        QCOMPARE(key(Qt::Key_Down), 3);
        QCOMPARE(key(Qt::Key_End), 5);
        QCOMPARE(key(Qt::Key_Right), 5);
        QCOMPARE(key(Qt::Key_PageUp), 4);
        QCOMPARE(key(Qt::Key_Left), 3);
        QCOMPARE(key(Qt::Key_Up), 2);
        QCOMPARE(key(Qt::Key_Home), 1);
        QCOMPARE(form->Edit1->text(), QStringLiteral("1"));
        // Typing still works after a key moved the page.
        QCOMPARE(key(Qt::Key_End), 5);
        QTest::keyClicks(form->Edit1, "2");
        QCOMPARE(form->PrevX().CurrentPage(), 2);
    }

    void repaintDoesNotAskThePrinterList()
    {
        auto catalog =
            std::make_shared<TFakeListCatalog>(TPrinterList{{QStringLiteral("Fake"), false}});
        SetPrinterCatalog(catalog);
        DrawSample(form->PrevX(), 2);
        form->PrevX1->repaint();
        const int asked = catalog->namesAsked;
        for (int i = 0; i < 5; ++i)
            form->PrevX1->repaint();
        form->PrevX().SetZoomScale(120);
        form->PrevX1->repaint();
        QCOMPARE(catalog->namesAsked, asked);
        QCOMPARE(form->PrevX1->size(), form->PrevX().PaneSize());
    }

    void lostPrinterIsReportedOnce()
    {
        BoxCloser closer;
        SetPrinterCatalog(std::make_shared<TFakeCatalog>(QStringList{}));
        for (int i = 0; i < 5; ++i) {
            form->PrevX1->repaint();
            QTest::qWait(20);
        }
        QTRY_COMPARE(closer.seen, 1);
        QTest::qWait(100);
        QCOMPARE(closer.seen, 1);
        QCOMPARE(closer.lastText, QStringLiteral("プリンタが登録されていません"));

        SetPrinterCatalog(std::make_shared<TFakeCatalog>());
        form->PrevX1->repaint();
        SetPrinterCatalog(std::make_shared<TFakeCatalog>(QStringList{}));
        form->PrevX1->repaint();
        QTRY_COMPARE(closer.seen, 2);
    }
};

ONDO_TEST_MAIN(TestFormPreview, QApplication)
#include "tst_formpreview.moc"
