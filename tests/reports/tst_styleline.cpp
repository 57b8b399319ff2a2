#include "CanvasFixture.h"
#include "reports/StyleLine.h"
#include "support/TestSupport.h"

#include <QGuiApplication>

namespace {

// Drawn stretches of a horizontal line as (from x, to x).
QList<QPair<int, int>> Dashes(const TRecordingCanvas& c)
{
    QList<QPair<int, int>> out;
    for (const TDrawOp& op : OpsOf(c, TDrawOp::Kind::Line))
        out << qMakePair(op.p1.x(), op.p2.x());
    return out;
}

using Dash = QPair<int, int>;

} // namespace

class TestStyleLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void patternsFollowTheResolution_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("code");
        QTest::addColumn<QList<int>>("segments");
        QTest::newRow("dotted 600") << 600 << 2 << QList<int>{33, 33};
        QTest::newRow("dashed 600") << 600 << 3 << QList<int>{200, 67};
        QTest::newRow("dash-dot 600") << 600 << 4 << QList<int>{100, 67, 33, 67};
        QTest::newRow("dash-dot-dot 600") << 600 << 5 << QList<int>{100, 33, 33, 33, 33, 33};
        // u = 0.125: 1.5 and 0.5 dots round to the even neighbour.
        QTest::newRow("halves to even") << 9 << 4 << QList<int>{2, 1, 0, 1};
        QTest::newRow("solid keeps the default") << 600 << 1 << QList<int>{20, 20};
        QTest::newRow("unknown keeps the default") << 600 << 9 << QList<int>{20, 20};
    }
    void patternsFollowTheResolution()
    {
        QFETCH(int, dpi);
        QFETCH(int, code);
        QFETCH(QList<int>, segments);
        auto canvas = FixedCanvas(dpi, dpi);
        TStyleLine line;
        line.Canvas = canvas.get();
        line.SetStyle(code);
        QList<int> got;
        int sum = 0;
        for (int i = 1; i <= line.SegmentCount; ++i) {
            got << line.Segments[i];
            sum += line.Segments[i];
        }
        QCOMPARE(got, segments);
        QCOMPARE(line.CycleLength, sum);
        QCOMPARE(int(line.Style), code);
    }

    void linesAlternateDrawnAndSkipped()
    {
        auto canvas = FixedCanvas();
        TStyleLine line;
        line.Canvas = canvas.get();
        line.MoveTo(0, 0);
        line.LineTo(100, 0);
        QCOMPARE(Dashes(*canvas), (QList<Dash>{{0, 20}, {40, 60}, {80, 100}}));
        QCOMPARE(canvas->PenPos(), QPoint(100, 0));

        auto dotted = FixedCanvas();
        TStyleLine dots;
        dots.Canvas = dotted.get();
        dots.SetStyle(2);
        dots.MoveTo(0, 0);
        dots.LineTo(100, 0);
        QCOMPARE(Dashes(*dotted), (QList<Dash>{{0, 33}, {66, 99}}));
        QCOMPARE(dotted->PenPos(), QPoint(100, 0));
    }

    void slantedLineEndsExactlyAtItsEnd()
    {
        auto canvas = FixedCanvas();
        TStyleLine line;
        line.Canvas = canvas.get();
        line.MoveTo(0, 0);
        line.LineTo(30, 40);
        const auto ops = OpsOf(*canvas, TDrawOp::Kind::Line);
        QCOMPARE(int(ops.size()), 2);
        QCOMPARE(ops[0].p1, QPoint(0, 0));
        QCOMPARE(ops[0].p2, QPoint(12, 16));
        QCOMPARE(ops[1].p1, QPoint(24, 32));
        QCOMPARE(ops[1].p2, QPoint(30, 40));
    }

    void patternContinuesAcrossLineTo()
    {
        auto canvas = FixedCanvas();
        TStyleLine line;
        line.Canvas = canvas.get();
        line.MoveTo(0, 0);
        line.LineTo(30, 0);
        QCOMPARE(Dashes(*canvas), (QList<Dash>{{0, 20}}));
        QCOMPARE(line.CurrentSegment, 2);
        QCOMPARE(line.SegmentPos, 11);
        line.LineTo(60, 0);
        QCOMPARE(Dashes(*canvas), (QList<Dash>{{0, 20}, {40, 60}}));

        // A MoveTo starts the pattern afresh.
        line.MoveTo(0, 100);
        QCOMPARE(line.CurrentSegment, 1);
        QCOMPARE(line.SegmentPos, 1);
    }

    void zeroLengthLineChangesNothing()
    {
        auto canvas = FixedCanvas();
        TStyleLine line;
        line.Canvas = canvas.get();
        line.MoveTo(0, 0);
        line.LineTo(30, 0);
        const int segment = line.CurrentSegment, pos = line.SegmentPos;
        const size_t ops = canvas->Page().Ops().size();
        line.LineTo(30, 0);
        QCOMPARE(canvas->Page().Ops().size(), ops);
        QCOMPARE(line.CurrentSegment, segment);
        QCOMPARE(line.SegmentPos, pos);
    }

    void solidDrawsOneLineWithTheLineWidth()
    {
        auto canvas = FixedCanvas();
        canvas->SetPenStyle(TPenStyle::Dot);
        TStyleLine line;
        line.Canvas = canvas.get();
        line.SetWidth(7);
        line.SetStyle(1);
        line.MoveTo(5, 5);
        line.LineTo(500, 5);
        const auto ops = OpsOf(*canvas, TDrawOp::Kind::Line);
        QCOMPARE(int(ops.size()), 1);
        QCOMPARE(ops[0].pen.width, 7);
        QCOMPARE(ops[0].pen.style, TPenStyle::Solid);
    }

    void widthIsAtLeastOne()
    {
        TStyleLine line;
        QCOMPARE(line.Width, 1);
        line.SetWidth(0);
        QCOMPARE(line.Width, 1);
        line.SetWidth(-3);
        QCOMPARE(line.Width, 1);
        line.SetWidth(4);
        QCOMPARE(line.Width, 4);
    }
};

ONDO_TEST_MAIN(TestStyleLine, QGuiApplication)
#include "tst_styleline.moc"
