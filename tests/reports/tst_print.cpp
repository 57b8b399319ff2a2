#include "CanvasFixture.h"
#include "PdfLikeDevice.h"
#include "support/TestSupport.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <tuple>
#include <vector>

namespace {

std::vector<TDrawOp> Texts(const TRecordingCanvas& c)
{
    return OpsOf(c, TDrawOp::Kind::Text);
}

bool SameOps(const TRecordingCanvas& a, const TRecordingCanvas& b)
{
    const auto& x = a.Page().Ops();
    const auto& y = b.Page().Ops();
    if (x.size() != y.size())
        return false;
    for (size_t i = 0; i < x.size(); ++i)
        if (x[i].kind != y[i].kind || x[i].p1 != y[i].p1 || x[i].p2 != y[i].p2 ||
            x[i].text != y[i].text || x[i].font.height != y[i].font.height ||
            x[i].font.charWidth != y[i].font.charWidth)
            return false;
    return true;
}

// On a canvas at the paper's corner.
int DotX(float x)
{
    return SheetDots(TSheetOrigin()).X(x);
}

int DotY(float y)
{
    return SheetDots(TSheetOrigin()).Y(y);
}

} // namespace

class TestPrint : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { UseFakeDevice(); }

    void marginsMoveTheSheetOrigin()
    {
        const TSheetOrigin origin{1.5f, 2.5f};
        const TSheetDots dots = SheetDots(origin);
        QCOMPARE(dots.dpiX, 600);
        QCOMPARE(dots.offsetX, -254);
        QCOMPARE(dots.offsetY, 100 - 590);
        auto c = FixedCanvas();
        c->SetSheetOrigin(origin);
        PrintLine(*c, 0, 0, 1, 0, 1);
        const auto line = OpsOf(*c, TDrawOp::Kind::Line).at(0);
        QCOMPARE(line.p1, QPoint(254, 490));
        // 600 * 1 / 2.54 = 236.2 dots truncated, from dot 254.
        QCOMPARE(line.p2.x(), 254 + 236);
    }

    void printerChangeTakesEffectAtOnce()
    {
        auto c = FixedCanvas();
        PrintBox(*c, 1, 1, 2, 2, 1);
        UseFakeDevice(300, 300, 50);
        PrintBox(*c, 1, 1, 2, 2, 1);
        const auto lines = OpsOf(*c, TDrawOp::Kind::Line);
        QCOMPARE(int(lines.size()), 8);
        QCOMPARE(lines[0].p1, QPoint(236 - 100, 236 - 100));
        QCOMPARE(lines[4].p1, QPoint(118 - 50, 118 - 50));
    }

    void boxDrawsFourEdgesClockwise()
    {
        auto c = FixedCanvas();
        c->SetPenWidth(3);
        c->SetPenStyle(TPenStyle::Dash);
        PrintBox(*c, 1, 1, 3, 2, 1);
        const auto lines = OpsOf(*c, TDrawOp::Kind::Line);
        QCOMPARE(int(lines.size()), 4);
        const QPoint tl(DotX(1), DotY(1)), tr(DotX(3), DotY(1)), br(DotX(3), DotY(2)),
            bl(DotX(1), DotY(2));
        QCOMPARE(lines[0].p1, tl);
        QCOMPARE(lines[0].p2, tr);
        QCOMPARE(lines[1].p2, br);
        QCOMPARE(lines[2].p2, bl);
        QCOMPARE(lines[3].p2, tl);
        for (const auto& l : lines) {
            QCOMPARE(l.pen.style, TPenStyle::Dash); // the pen's own style, not a pattern
            QCOMPARE(l.pen.width, 3);
        }
    }

    void lineFollowsThePenStyle_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("drawn");
        QTest::addColumn<int>("skipped");
        QTest::newRow("dot") << int(TPenStyle::Dot) << 33 << 33;
        QTest::newRow("dash uses the default") << int(TPenStyle::Dash) << 20 << 20;
        QTest::newRow("dash-dot") << int(TPenStyle::DashDot) << 100 << 67;
    }
    void lineFollowsThePenStyle()
    {
        QFETCH(int, style);
        QFETCH(int, drawn);
        QFETCH(int, skipped);
        auto c = FixedCanvas();
        c->SetPenStyle(TPenStyle(style));
        c->SetPenWidth(5);
        PrintLine(*c, 1, 1, 10, 1, 1);
        const auto lines = OpsOf(*c, TDrawOp::Kind::Line);
        QVERIFY(lines.size() > 3);
        QCOMPARE(lines[0].p2.x() - lines[0].p1.x(), drawn);
        QCOMPARE(lines[1].p1.x() - lines[0].p2.x(), skipped);
        QCOMPARE(lines[0].pen.width, 5);
        QCOMPARE(c->PenStyle(), TPenStyle::Solid);
        QCOMPARE(c->PenWidth(), 5);
    }

    void solidLineIsOneStroke()
    {
        auto c = FixedCanvas();
        PrintLine(*c, 1, 1, 10, 5, 1);
        QCOMPARE(int(OpsOf(*c, TDrawOp::Kind::Line).size()), 1);
    }

    void zeroHeightBoxCentresOnTheLine()
    {
        auto c = FixedCanvas();
        c->SetFontHeight(-100);
        PrintText(*c, QStringLiteral("温度"), 1, 0, 3, 4, 3, 0);
        const auto t = Texts(*c).at(0);
        QCOMPARE(t.p1.y(), DotY(3) - 50);
        QCOMPARE(t.brush.style, TBrushStyle::Clear);
        QCOMPARE(c->BrushStyle(), TBrushStyle::Solid);
    }

    void horizontalAlignments()
    {
        auto c = FixedCanvas();
        c->SetFontHeight(-100);
        const int w = 200;
        PrintText(*c, QStringLiteral("温度"), 0, 1, 1, 5, 2, 0);
        PrintText(*c, QStringLiteral("温度"), 1, 1, 1, 5, 2, 0);
        PrintText(*c, QStringLiteral("温度"), 2, 1, 1, 5, 2, 0);
        PrintText(*c, QStringLiteral("温度"), 7, 1, 1, 5, 2, 0);
        const auto t = Texts(*c);
        QCOMPARE(int(t.size()), 3);
        const double x0 = 600 * 1 / 2.54 - 100;
        const int boxW = int(4 * 600 / 2.54);
        QCOMPARE(t[0].p1.x(), int(x0));
        QCOMPARE(t[1].p1.x(), int(x0 + (boxW - w) / 2.0));
        QCOMPARE(t[2].p1.x(), int(x0 + boxW - w));
    }

    void spreadAlignments()
    {
        auto c = FixedCanvas();
        c->SetFontHeight(-100);
        PrintText(*c, QStringLiteral("名"), 3, 0, 0, 3.2f, 1, 0);
        PrintText(*c, QStringLiteral("名"), 1, 0, 0, 3.2f, 1, 0);
        auto t = Texts(*c);
        QCOMPARE(t[0].p1, t[1].p1);

        auto s = FixedCanvas();
        s->SetFontHeight(-100);
        PrintText(*s, QStringLiteral("名称"), 4, 0, 0, 3.2f, 1, 0);
        t = Texts(*s);
        QCOMPARE(int(t.size()), 2);
        QCOMPARE(t[0].text, QStringLiteral("名"));
        QCOMPARE(t[0].p1.x(), DotX(0.32f));
        // The last character ends at the inner right edge, within the truncation.
        QVERIFY(qAbs(t[1].p1.x() + t[1].textWidth - DotX(2.88f)) <= 1);

        auto three = FixedCanvas();
        three->SetFontHeight(-100);
        PrintText(*three, QStringLiteral("ABC"), 3, 0, 0, 3, 1, 0);
        t = Texts(*three);
        QCOMPARE(int(t.size()), 3);
        const int gap1 = t[1].p1.x() - (t[0].p1.x() + t[0].textWidth);
        const int gap2 = t[2].p1.x() - (t[1].p1.x() + t[1].textWidth);
        QVERIFY(qAbs(gap1 - gap2) <= 1);
        QVERIFY(gap1 > 100);
    }

    void twoLineSplitDrawsTheHalves()
    {
        auto c = FixedCanvas();
        c->SetFontHeight(-100);
        PrintText(*c, QStringLiteral("規格\\\\限界"), 1, 1, 1, 4, 3, 0);
        auto halves = FixedCanvas();
        halves->SetFontHeight(-100);
        PrintText(*halves, QStringLiteral("規格"), 1, 1, 1, 4, 2, 0);
        PrintText(*halves, QStringLiteral("限界"), 1, 1, 2, 4, 3, 0);
        QVERIFY(SameOps(*c, *halves));
        QCOMPARE(Texts(*c).at(0).text, QStringLiteral("規格"));

        auto three = FixedCanvas();
        PrintText(*three, QStringLiteral("A\\\\B\\\\C"), 0, 1, 1, 4, 5, 0);
        const auto t = Texts(*three);
        QCOMPARE(int(t.size()), 3);
        QVERIFY(t[0].p1.y() < t[1].p1.y() && t[1].p1.y() < t[2].p1.y());

        auto columns = FixedCanvas();
        columns->SetFontHeight(-100);
        PrintText(*columns, QStringLiteral("上\\\\下"), 0, 1, 1, 3, 5, 1);
        const auto v = Texts(*columns);
        QCOMPARE(int(v.size()), 2);
        QVERIFY(v[0].p1.x() < v[1].p1.x());

        auto none = FixedCanvas();
        PrintText(*none, QStringLiteral("上\\\\下"), 0, 1, 1, 3, 5, 2);
        QVERIFY(none->Page().Ops().empty());
    }

    void wideTextWrapsIntoHalves()
    {
        auto c = FixedCanvas();
        c->SetFontHeight(-100);
        // 1 cm is 236 dots: "ABCD" (200) is the longest prefix narrower than the box.
        PrintText(*c, QStringLiteral("ABCDEFGH"), 0, 1, 1, 2, 3, 0);
        auto t = Texts(*c);
        QCOMPARE(int(t.size()), 2);
        QCOMPARE(t[0].text, QStringLiteral("ABCD"));
        QCOMPARE(t[1].text, QStringLiteral("EFGH"));
        QVERIFY(t[0].p1.y() < DotY(2) && t[1].p1.y() >= DotY(2) - 50);
        QCOMPARE(c->BrushStyle(), TBrushStyle::Solid);

        auto again = FixedCanvas();
        again->SetFontHeight(-100);
        PrintText(*again, QStringLiteral("ABCDEFGHIJKL"), 0, 1, 1, 2, 3, 0);
        t = Texts(*again);
        QCOMPARE(int(t.size()), 3);
        QCOMPARE(t[2].text, QStringLiteral("IJKL"));
    }

    void boxNarrowerThanOneCharacterDrawsTheTextWhole()
    {
        auto c = FixedCanvas();
        c->SetFontHeight(-100);
        PrintText(*c, QStringLiteral("日本"), 1, 1, 1, 1.1f, 2, 0);
        const auto t = Texts(*c);
        QCOMPARE(int(t.size()), 1);
        QCOMPARE(t[0].text, QStringLiteral("日本"));
    }

    void verticalText()
    {
        auto c = FixedCanvas();
        c->SetFontHeight(-100);
        PrintText(*c, QStringLiteral("ラーメン"), 0, 1, 1, 2, 6, 1);
        auto t = Texts(*c);
        QCOMPARE(int(t.size()), 4);
        QCOMPARE(t[1].text, QStringLiteral("｜"));
        for (int i = 1; i < 4; ++i) {
            QCOMPARE(t[i].p1.y() - t[i - 1].p1.y(), 100);
            QCOMPARE(t[i].p1.x(), t[0].p1.x());
        }
        QCOMPARE(t[0].p1.y(), int(600 * 1 / 2.54) - 100);

        auto bottom = FixedCanvas();
        bottom->SetFontHeight(-100);
        PrintText(*bottom, QStringLiteral("上下"), 2, 1, 1, 2, 6, 1);
        t = Texts(*bottom);
        QCOMPARE(t[1].p1.y() + 100, int(600 * 1 / 2.54) - 100 + int(5 * 600 / 2.54));

        auto spread = FixedCanvas();
        spread->SetFontHeight(-100);
        PrintText(*spread, QStringLiteral("上中下"), 4, 1, 1, 2, 6, 1);
        t = Texts(*spread);
        QCOMPARE(int(t.size()), 3);
        QCOMPARE(t[0].p1.y(), DotY(1.5f));
        QVERIFY(qAbs(t[2].p1.y() + 100 - DotY(5.5f)) <= 1);

        // One character has no gap to spread into: it does not fail and is centred.
        auto one = FixedCanvas();
        one->SetFontHeight(-100);
        PrintText(*one, QStringLiteral("印"), 3, 1, 1, 2, 6, 1);
        auto centred = FixedCanvas();
        centred->SetFontHeight(-100);
        PrintText(*centred, QStringLiteral("印"), 1, 1, 1, 2, 6, 1);
        QVERIFY(SameOps(*one, *centred));
    }

    void decimalSplit()
    {
        auto c = FixedCanvas();
        c->SetFontSize(10);
        const int height = c->FontHeight();
        PrintText(*c, QStringLiteral("12.5"), 5, 1, 1, 3, 2, 0);
        auto t = Texts(*c);
        QCOMPARE(int(t.size()), 2);
        QCOMPARE(t[0].text, QStringLiteral("12"));
        QCOMPARE(t[0].font.height, height);
        QCOMPARE(t[0].p1.x(), DotX(1.01f));
        QCOMPARE(t[1].text, QStringLiteral(".5"));
        QCOMPARE(t[1].font.height, -67); // 8 points at 600 dots per inch
        QVERIFY(t[1].p1.y() < t[0].p1.y());
        QCOMPARE(c->FontHeight(), height);

        auto whole = FixedCanvas();
        PrintText(*whole, QStringLiteral("125"), 5, 1, 1, 3, 2, 0);
        t = Texts(*whole);
        QCOMPARE(t.back().text, QStringLiteral("125"));
    }

    void fitTextSqueezesOnlyWhenTooWide()
    {
        auto c = FixedCanvas();
        c->SetFontHeight(-100);
        PrintFitText(*c, QStringLiteral("温度"), 2, 1, 1, 5, 2, 0);
        auto plain = FixedCanvas();
        plain->SetFontHeight(-100);
        PrintText(*plain, QStringLiteral("温度"), 2, 1, 1, 5, 2, 0);
        QVERIFY(SameOps(*c, *plain));

        // Ten characters of 100 dots measure 1000 * 2.55 / 600 = 4.25 cm; the box is half.
        auto wide = FixedCanvas();
        wide->SetFontHeight(-100);
        wide->SetBrushStyle(TBrushStyle::Solid);
        const QString text = QStringLiteral("あいうえおかきくけこ");
        PrintFitText(*wide, text, 2, 1, 1, 3.125f, 2, 0);
        const auto t = Texts(*wide);
        QCOMPARE(int(t.size()), 1);
        QCOMPARE(t[0].font.charWidth, 25); // average 50 dots at 50 %
        QCOMPARE(t[0].p1.x(), DotX(1));
        const float hcm = 100 * 2.55f / 600;
        QCOMPARE(t[0].p1.y(), DotY(1 + (1 - hcm) / 2));
        QCOMPARE(t[0].textWidth, 500);
        QCOMPARE(t[0].brush.style, TBrushStyle::Clear);
        QCOMPARE(wide->BrushStyle(), TBrushStyle::Solid);
        QCOMPARE(wide->FontHeight(), -100);
    }

    void fitTextOfNothingDrawsNothing()
    {
        auto c = FixedCanvas();
        PrintFitText(*c, QString(), 0, 3, 1, 1, 2, 0);
        PrintFitText(*c, QString(), 0, 1, 1, 3, 2, 0);
        QVERIFY(c->Page().Ops().empty());
    }

    void shrinkTextStepsDownThenCuts()
    {
        // Fixed metrics at 600 dpi: a full-width character is as wide as the font is high.
        auto c = FixedCanvas();
        c->SetFontSize(10); // 83 dots a character
        // Eight characters in 2.6 cm (614 dots): 10 pt is too wide, 9 pt (75 dots) fits.
        QCOMPARE(PrintShrinkText(*c, QStringLiteral("練上温度練上温度"), 1, 0, 0, 2.6f, 1), 9);
        // Twenty characters at 6 pt (50 dots) need 1000: eleven and "…" in 614.
        QCOMPARE(PrintShrinkText(*c, QStringLiteral("あいうえおかきくけこさしすせそたちつてと"), 0,
                                 0.1f, 1, 2.7f, 2),
                 6);
        const auto texts = OpsOf(*c, TDrawOp::Kind::Text);
        QCOMPARE(int(texts.size()), 2); // one piece each, never two halves
        QCOMPARE(texts[0].font.CharHeight(), 75);
        QCOMPARE(texts[1].text, QStringLiteral("あいうえおかきくけこさ…"));
        QVERIFY(texts[1].textWidth <= 614);
        QCOMPARE(c->FontSize(), 10); // left as found
    }

    void condensedTextTurns()
    {
        auto c = FixedCanvas();
        c->SetFontHeight(-80);
        PrintCondensedText(*c, 90, 50, 2, 2, QStringLiteral("縦"));
        const auto t = Texts(*c).at(0);
        QCOMPARE(t.font.escapement, 900);
        QCOMPARE(t.font.charWidth, 20);
        QCOMPARE(t.p1, QPoint(DotX(2), DotY(2)));
        QCOMPARE(c->Font().charWidth, 0);
    }

    void circles()
    {
        auto c = FixedCanvas();
        PrintCircle(*c, 2, 2, 0.1f);
        const auto e = OpsOf(*c, TDrawOp::Kind::Ellipse).at(0);
        QCOMPARE(e.p1, QPoint(DotX(1.9f), DotY(1.9f)));
        QCOMPARE(e.p2, QPoint(DotX(2.1f), DotY(2.1f)));
    }

    void halfCircles()
    {
        auto c = FixedCanvas();
        for (int kind = 0; kind < 4; ++kind)
            PrintHalfCircle(*c, kind, 2, 2, 0.1f);
        const auto pies = OpsOf(*c, TDrawOp::Kind::Pie);
        QCOMPARE(int(pies.size()), 4);
        const int l = DotX(1.9f), t = DotY(1.9f), r = DotX(2.1f), b = DotY(2.1f);
        const int mx = (l + r) / 2, my = (t + b) / 2;
        QCOMPARE(pies[0].p3, QPoint(r, my));
        QCOMPARE(pies[0].p4, QPoint(l, my));
        QCOMPARE(pies[1].p3, QPoint(mx, b));
        QCOMPARE(pies[1].p4, QPoint(mx, t));
        QCOMPARE(pies[2].p3, QPoint(l, my));
        QCOMPARE(pies[3].p3, QPoint(mx, t));
        QCOMPARE(pies[3].p4, QPoint(mx, b));

        auto other = FixedCanvas();
        other->SetBrushStyle(TBrushStyle::Clear);
        other->SetPenColor(clRed);
        other->SetBrushColor(clBlue);
        PrintHalfCircle(*other, 4, 2, 2, 0.1f);
        QVERIFY(other->Page().Ops().empty());
        QCOMPARE(other->BrushStyle(), TBrushStyle::Solid);
        QCOMPARE(other->PenColor(), clBlack);
        QCOMPARE(other->BrushColor(), clBlue);
    }

    void measuresUseTwoPointFiftyFive()
    {
        UseFakeDevice(600, 300, 100);
        auto c = FixedCanvas(600, 300);
        c->SetFontHeight(-100);
        QCOMPARE(TextWidthCm(*c, QStringLiteral("あいうえおか")), 2.55f);
        // The height too is taken at the horizontal resolution.
        QCOMPARE(TextHeightCm(*c, QStringLiteral("あ")), 0.425f);
    }

    void penWidthInMillimetres()
    {
        auto c = FixedCanvas();
        SetPenWidthMm(*c, 0.8f);
        QCOMPARE(c->PenWidth(), 19);
        SetPenWidthMm(*c, 0.4f);
        QCOMPARE(c->PenWidth(), 10);
        UseFakeDevice(254, 254, 0);
        SetPenWidthMm(*c, 2.0f); // 254 * 0.2 / 2.54 = 20, a hair off in single precision
        QCOMPARE(c->PenWidth(), 20);
    }

    void fontSizesResolveAtThePageResolution()
    {
        auto c = FixedCanvas(600, 300);
        c->SetFontSize(10);
        QCOMPARE(c->FontHeight(), -42); // 10 * 300 / 72 = 41.67
        QCOMPARE(c->FontSize(), 10);
        c->SetFontName(QString());
        QCOMPARE(c->FontName(), DefaultFaceName());
    }

    void replayScalesThePage()
    {
        TRecordingCanvas c(QSize(1000, 2000), 600, 600, DefaultTextMetrics());
        c.SetPenWidth(40);
        c.SetPenColor(clRed);
        c.MoveTo(0, 1000);
        c.LineTo(1000, 1000);
        QImage image(100, 200, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        c.Page().Replay(p, QRectF(0, 0, 100, 200));
        p.end();
        QCOMPARE(QColor(image.pixel(50, 100)), QColor(Qt::red));
        QCOMPARE(QColor(image.pixel(50, 150)), QColor(Qt::white));
    }

    void measuresFollowTheFontWhenRepeated()
    {
        // The same text measured again after switching faces and sizes must not take the
        // width of another font.
        TQtTextMetrics metrics;
        const QString text = QStringLiteral("練上温度 160.5");
        TFontState small{QStringLiteral("ＭＳ Ｐゴシック"), -50};
        TFontState large{QStringLiteral("ＭＳ Ｐゴシック"), -120};
        TFontState mincho{QStringLiteral("ＭＳ 明朝"), -120};
        for (int round = 0; round < 2; ++round) {
            for (const TFontState& f : {small, large, mincho, small}) {
                const QFontMetricsF fresh(MakeQFont(f));
                QCOMPARE(metrics.TextWidth(f, text),
                         int(std::lround(fresh.horizontalAdvance(text))));
                QCOMPARE(metrics.TextHeight(f, text), int(std::lround(fresh.height())));
                QCOMPARE(metrics.Ascent(f), int(std::lround(fresh.ascent())));
            }
        }
        QVERIFY(metrics.TextWidth(small, text) < metrics.TextWidth(large, text));
    }

    // Replayed text is shaped once per face, size and text and drawn from that: it must land
    // exactly where, and as, QPainter would draw it itself.
    void replayedTextIsDrawnAsQPainterDrawsIt()
    {
        TRecordingCanvas c(QSize(1200, 600), 600, 600, DefaultTextMetrics());
        c.SetBrushStyle(TBrushStyle::Clear);
        const QString text = QStringLiteral("練上 160.5");
        const std::vector<std::pair<QString, int>> fonts = {
            {QStringLiteral("ＭＳ Ｐゴシック"), -60},
            {QStringLiteral("ＭＳ Ｐゴシック"), -100},
            {QStringLiteral("ＭＳ 明朝"), -60}};
        for (int round = 0; round < 2; ++round) {
            for (size_t i = 0; i < fonts.size(); ++i) {
                c.SetFontName(fonts[i].first);
                c.SetFontHeight(fonts[i].second);
                c.TextOut(40 + 600 * round, 40 + 170 * int(i), text);
            }
        }
        QImage replayed(1200, 600, QImage::Format_RGB32);
        replayed.fill(Qt::white);
        QPainter p(&replayed);
        c.Page().ReplayAt(p, QPointF(0, 0));
        p.end();
        QImage drawn(1200, 600, QImage::Format_RGB32);
        drawn.fill(Qt::white);
        QPainter q(&drawn);
        q.setRenderHint(QPainter::Antialiasing);
        q.setRenderHint(QPainter::TextAntialiasing);
        for (const TDrawOp& op : Texts(c)) {
            q.setFont(MakeQFont(op.font));
            q.setPen(Qt::black);
            q.drawText(QPointF(op.p1.x(), op.p1.y() + op.ascent), op.text);
        }
        q.end();
        QVERIFY(replayed == drawn);
    }

    // A PDF page gets each disc once, its last time, as round points: the outline's under the
    // inside, the two touching discs one after the other.
    void pdfPagesWriteEachDiscOnceAsPoints()
    {
        TRecordingCanvas c(QSize(2000, 2000), 600, 600, DefaultTextMetrics());
        c.SetPenWidth(2);
        c.SetPenColor(clBlack);
        const auto disc = [&c](int x, TColor colour) {
            c.SetBrushColor(colour);
            c.Ellipse(x - 24, 976, x + 24, 1024);
        };
        c.MoveTo(100, 1000);
        c.LineTo(500, 1000);
        disc(100, clBlue);
        disc(500, clBlue);
        c.MoveTo(500, 1000);
        c.LineTo(900, 1000);
        disc(500, clBlue);
        disc(900, clRed);
        disc(920, clRed); // touches the one before
        TPdfLikeDevice device;
        QPainter p(&device);
        c.Page().ReplayAt(p, QPointF(0, 0));
        p.end();
        QCOMPARE(device.paths, 2); // the two lines
        std::vector<std::tuple<double, QColor, double>> drawn;
        for (const auto& point : device.points)
            drawn.emplace_back(point.at.x(), point.colour, point.width);
        const QColor black(Qt::black), blue(Qt::blue), red(Qt::red);
        const std::vector<std::tuple<double, QColor, double>> expected = {
            {100, black, 50}, {100, blue, 46}, // before the second line
            {500, black, 50}, {900, black, 50}, {500, blue, 46},
            {900, red, 46},   {920, black, 50}, {920, red, 46}};
        QCOMPARE(drawn.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            QCOMPARE(std::get<0>(drawn[i]), std::get<0>(expected[i]));
            QCOMPARE(std::get<1>(drawn[i]), std::get<1>(expected[i]));
            QCOMPARE(std::get<2>(drawn[i]), std::get<2>(expected[i]));
        }
    }

    // Lines in a row with one pen reach the page as one call; a new pen, anything else drawn
    // between and the page's end each close the run. Each line still lands where it was drawn,
    // in its own colour, and text in the font's.
    void linesInARowAreOneRunPerPen()
    {
        TRecordingCanvas c(QSize(2000, 2000), 600, 600, DefaultTextMetrics());
        c.SetPenWidth(10);
        const auto line = [&c](int y, TColor colour) {
            c.SetPenColor(colour);
            c.MoveTo(100, y);
            c.LineTo(1900, y);
        };
        line(100, clBlack);
        line(200, clBlack);
        line(300, clBlack);
        line(400, clRed);
        line(500, clRed);
        c.SetBrushStyle(TBrushStyle::Clear);
        c.TextOut(100, 600, QStringLiteral("温"));
        line(1000, clBlack);
        line(1100, clRed);
        line(1900, clBlack);

        TPdfLikeDevice device;
        QPainter pdf(&device);
        c.Page().ReplayAt(pdf, QPointF(0, 0));
        pdf.end();
        std::vector<std::pair<QColor, int>> runs;
        for (const auto& l : device.lines)
            runs.emplace_back(l.colour, l.count);
        const QColor black(Qt::black), red(Qt::red);
        const std::vector<std::pair<QColor, int>> expected = {
            {black, 3}, {red, 2}, {black, 1}, {red, 1}, {black, 1}};
        QCOMPARE(runs, expected);

        QImage image(2000, 2000, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter raster(&image);
        c.Page().ReplayAt(raster, QPointF(0, 0));
        raster.end();
        for (const auto& [y, colour] : std::vector<std::pair<int, QColor>>{{100, black},
                                                                           {300, black},
                                                                           {400, red},
                                                                           {500, red},
                                                                           {1000, black},
                                                                           {1100, red},
                                                                           {1900, black}})
            QCOMPARE(QColor(image.pixel(1000, y)), colour);
        // The text after the red lines is in its own black, not in the pen before it.
        int ink = 0, reddish = 0;
        for (int y = 600; y < 600 + c.TextHeight(QStringLiteral("温")); ++y)
            for (int x = 100; x < 100 + c.TextWidth(QStringLiteral("温")); ++x) {
                const QRgb px = image.pixel(x, y);
                ink += qGray(px) < 128;
                reddish += qRed(px) > 160 && qGreen(px) < 96;
            }
        QVERIFY(ink > 0);
        QCOMPARE(reddish, 0);
    }

    // Markers in a row with one pen and brush that do not touch are one path; one that touches
    // them, another brush or anything else drawn between starts the next. Each is still filled
    // and outlined where it was drawn.
    void polygonsInARowAreOnePathWhileApart()
    {
        TRecordingCanvas c(QSize(2000, 2000), 600, 600, DefaultTextMetrics());
        c.SetPenWidth(4);
        const auto square = [&c](int x, int y, TColor colour) {
            c.SetPenColor(colour);
            c.SetBrushColor(colour);
            c.Polygon(QPolygon(
                {QPoint(x, y), QPoint(x + 100, y), QPoint(x + 100, y + 100), QPoint(x, y + 100)}));
        };
        square(100, 100, clRed);
        square(400, 100, clRed);
        square(700, 100, clRed); // one path so far
        square(760, 160, clRed); // touches the one before
        square(1000, 100, clBlue);
        square(1300, 100, clBlue);
        c.SetPenColor(clBlack);
        c.MoveTo(100, 1000);
        c.LineTo(1900, 1000);
        square(1600, 100, clBlue);

        TPdfLikeDevice device;
        QPainter pdf(&device);
        c.Page().ReplayAt(pdf, QPointF(0, 0));
        pdf.end();
        QCOMPARE(device.paths, 5); // three red, one red, two blue, the line, one blue

        QImage image(2000, 2000, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter raster(&image);
        c.Page().ReplayAt(raster, QPointF(0, 0));
        raster.end();
        for (const auto& [x, y, colour] :
             std::vector<std::tuple<int, int, QColor>>{{150, 150, Qt::red},
                                                       {450, 150, Qt::red},
                                                       {750, 150, Qt::red},
                                                       {840, 240, Qt::red},
                                                       {1050, 150, Qt::blue},
                                                       {1350, 150, Qt::blue},
                                                       {1650, 150, Qt::blue},
                                                       {250, 150, Qt::white},
                                                       {1000, 1000, Qt::black}})
            QCOMPARE(QColor(image.pixel(x, y)), colour);
    }

    void textOutKeepsTheCellTopLeft()
    {
        TRecordingCanvas c(QSize(1000, 1000), 600, 600, DefaultTextMetrics());
        c.SetFontHeight(-200);
        c.SetBrushStyle(TBrushStyle::Clear);
        c.TextOut(100, 100, QStringLiteral("温"));
        QImage image(1000, 1000, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        c.Page().ReplayAt(p, QPointF(0, 0));
        p.end();
        int top = 1000, bottom = -1;
        for (int y = 0; y < 1000; ++y)
            for (int x = 0; x < 1000; ++x)
                if (qGray(image.pixel(x, y)) < 128) {
                    top = qMin(top, y);
                    bottom = qMax(bottom, y);
                }
        QVERIFY2(top >= 100 && bottom <= 100 + c.TextHeight(QStringLiteral("温")),
                 qPrintable(QStringLiteral("ink from %1 to %2").arg(top).arg(bottom)));
        QVERIFY(bottom - top > 120);
    }
};

ONDO_TEST_MAIN(TestPrint, QGuiApplication)
#include "tst_print.moc"
