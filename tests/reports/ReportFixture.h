#pragma once

#include "CanvasFixture.h"
#include "core/Utility.h"
#include "domain/OndoKanri.h"
#include "domain/OndoKubun.h"
#include "reports/Canvas.h"
#include "reports/PageSink.h"
#include "reports/Print.h"
#include "reports/TextMetrics.h"
#include "storage/Query.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTextStream>
#include <cmath>
#include <deque>
#include <memory>
#include <numeric>

// A page sink standing in for the preview pane: pages recorded at 600 dpi, fixed metrics unless
// the machine's fonts are asked for (to look at the result).
class TTestPane : public TPageSink
{
public:
    explicit TTestPane(bool realFonts = false, bool landscape = false)
        : m_size(landscape ? QSize(6816, 4760) : QSize(4760, 6816)),
          m_metrics(realFonts ? DefaultTextMetrics()
                              : std::shared_ptr<const TTextMetrics>(new TFixedTextMetrics))
    {
        NewPage();
    }
    TCanvas& PageCanvas() override { return *m_canvas; }
    void NewPage() override
    {
        pages.emplace_back(m_size);
        m_canvas = std::make_unique<TRecordingCanvas>(&pages.back(), 600, 600, m_metrics);
    }
    int Count() const { return int(pages.size()); }
    const std::vector<TDrawOp>& Ops(int page) const { return pages.at(size_t(page)).Ops(); }

    std::deque<TRecordedPage> pages;

private:
    QSize m_size;
    std::shared_ptr<const TTextMetrics> m_metrics;
    std::unique_ptr<TRecordingCanvas> m_canvas;
};

inline QDateTime Day(int month, int d)
{
    return QDateTime(QDate(2024, month, d), QTime(0, 0));
}

inline void PrepareTables()
{
    TOndoKanri::CreateTables();
    TOndoKubun().CheckTable();
    CheckRegisterTables();
}

inline void AddCategory(int id, const QString& name, const QString& interval = QString())
{
    Query q(QStringLiteral("insert into OndoKubun (ID,KUBUNNAME,ONDORANGE,ODR,SokuteiKankaku) "
                           "values (:A,:B,'',:A,:C)"));
    q.BindInt(QStringLiteral("A"), id);
    q.BindText(QStringLiteral("B"), name);
    q.BindText(QStringLiteral("C"), interval);
    q.ExecSQL();
}

inline void AddMix(const QString& name, const QString& printName)
{
    TGozai g;
    g.DataName() = name;
    g.PrintName() = printName;
    g.Save();
}

// Registers one day of readings (labelled 1, 2, ...) with their statistics.
inline void AddDay(const QString& koji, const QString& mix, int kubunId, const QDateTime& day,
                   const QList<double>& values,
                   const QString& specValue = QStringLiteral("150_170"),
                   const QString& interval = QString())
{
    TOndoKanri r;
    r.Koji.Load(koji);
    r.Gozai.Load(mix);
    r.Kubun.LoadByID(kubunId);
    r.Simei.Load(QStringLiteral("山田太郎"));
    r.SpecValue = specValue;
    r.SpecInterval = interval;
    r.Hiduke = day;
    r.Kosu = int(values.size());
    r.MaxOndo = *std::max_element(values.begin(), values.end());
    r.MiniOndo = *std::min_element(values.begin(), values.end());
    r.AvgOndo = std::accumulate(values.begin(), values.end(), 0.0) / double(values.size());
    QList<Reading> readings;
    for (int i = 0; i < values.size(); ++i)
        readings << Reading{i + 1, QString::number(i + 1), values[i]};
    r.Register(readings);
}

// The record the main window would hold for a project, mix and category.
inline void LoadRecord(TOndoKanri& r, const QString& koji, const QString& mix, int kubunId,
                       const QDateTime& day)
{
    r.Clear();
    r.Koji.Load(koji);
    r.Gozai.Load(mix);
    r.Kubun.LoadByID(kubunId);
    r.Hiduke = day;
    r.LoadByDate();
}

// Where the form under test lies on the paper: what the conversions below and the dumps use.
inline TSheetOrigin& SheetUnderTest()
{
    static TSheetOrigin origin;
    return origin;
}

// Dots of the selected printer back to centimetres of the sheet under test, and on.
inline double CmX(int dot)
{
    const TSheetDots d = SheetDots(SheetUnderTest());
    return (dot + d.offsetX) * 2.54 / d.dpiX;
}
inline double CmY(int dot)
{
    const TSheetDots d = SheetDots(SheetUnderTest());
    return (dot + d.offsetY) * 2.54 / d.dpiY;
}
inline int DotX(float x)
{
    return SheetDots(SheetUnderTest()).X(x);
}
inline int DotY(float y)
{
    return SheetDots(SheetUnderTest()).Y(y);
}

inline std::vector<TDrawOp> OpsOfKind(const std::vector<TDrawOp>& ops, TDrawOp::Kind kind)
{
    std::vector<TDrawOp> out;
    for (const TDrawOp& op : ops)
        if (op.kind == kind)
            out.push_back(op);
    return out;
}

inline std::vector<TDrawOp> TextsEqual(const std::vector<TDrawOp>& ops, const QString& text)
{
    std::vector<TDrawOp> out;
    for (const TDrawOp& op : ops)
        if (op.kind == TDrawOp::Kind::Text && op.text == text)
            out.push_back(op);
    return out;
}

// One line per operation, positions in centimetres of the sheet: layout changes show in review.
inline QString DumpPages(const TTestPane& pane)
{
    QString out;
    QTextStream s(&out);
    auto pt = [](QPoint p) {
        return QStringLiteral("%1,%2").arg(CmX(p.x()), 0, 'f', 2).arg(CmY(p.y()), 0, 'f', 2);
    };
    auto hex = [](TColor c) { return QStringLiteral("%1").arg(c, 6, 16, QLatin1Char('0')); };
    for (int p = 0; p < pane.Count(); ++p) {
        s << "page " << p + 1 << "\n";
        for (const TDrawOp& op : pane.Ops(p)) {
            switch (op.kind) {
            case TDrawOp::Kind::Line:
                s << "line " << pt(op.p1) << " " << pt(op.p2) << " w" << op.pen.width << " "
                  << hex(op.pen.color) << "\n";
                break;
            case TDrawOp::Kind::Text:
                s << "text " << pt(op.p1) << " h" << op.font.CharHeight() << " "
                  << hex(op.font.color);
                if (op.font.charWidth)
                    s << " cw" << op.font.charWidth;
                if (op.font.bold)
                    s << " bold";
                s << " " << op.text << "\n";
                break;
            case TDrawOp::Kind::Ellipse:
                s << "disc " << pt(op.p1) << " " << pt(op.p2) << " " << hex(op.brush.color) << "\n";
                break;
            case TDrawOp::Kind::Polygon:
                s << "poly";
                for (const QPoint& p : op.polygon)
                    s << " " << pt(p);
                s << " " << hex(op.pen.color) << " " << hex(op.brush.color)
                  << (op.brush.style == TBrushStyle::Clear ? " clear" : "") << "\n";
                break;
            case TDrawOp::Kind::Pie:
                s << "pie " << pt(op.p1) << " " << pt(op.p2) << " from " << pt(op.p3) << " to "
                  << pt(op.p4) << " " << hex(op.brush.color) << "\n";
                break;
            case TDrawOp::Kind::Image:
                s << "image " << pt(op.p1) << " " << pt(op.p2) << " " << op.image.width() << "x"
                  << op.image.height() << "\n";
                break;
            }
        }
    }
    return out;
}

// Compares with the checked-in dump; ONDO_UPDATE_REFERENCE=1 rewrites it instead.
inline bool MatchesReference(const QString& name, const QString& dump, QString& why)
{
    const QString path = QStringLiteral(REFERENCE_DIR "/") + name;
    if (qEnvironmentVariableIntValue("ONDO_UPDATE_REFERENCE")) {
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(dump.toUtf8());
        return true;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        why = QStringLiteral("no reference ") + path;
        return false;
    }
    const QStringList want = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    const QStringList got = dump.split(QLatin1Char('\n'));
    for (int i = 0; i < std::max(want.size(), got.size()); ++i) {
        const QString a = want.value(i), b = got.value(i);
        if (a != b) {
            why = QStringLiteral("line %1: expected '%2' got '%3'").arg(i + 1).arg(a, b);
            return false;
        }
    }
    return true;
}

// Replays the pages into a PDF as the printer would place them (offsets of 100 dots).
inline void WritePdf(const TTestPane& pane, const QString& file, bool landscape)
{
    QPdfWriter pdf(file);
    pdf.setResolution(600);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&pdf);
    for (int p = 0; p < pane.Count(); ++p) {
        if (p > 0)
            pdf.newPage();
        pane.pages.at(size_t(p)).ReplayAt(painter, QPointF(100, 100));
    }
}

inline QString PdfText(const QString& file)
{
    QProcess run;
    run.start(QStringLiteral("pdftotext"),
              {QStringLiteral("-enc"), QStringLiteral("UTF-8"), file, QStringLiteral("-")});
    run.waitForFinished(60000);
    // Spaces and line breaks fall where the PDF's text runs do: leave them out.
    QString text = QString::fromUtf8(run.readAllStandardOutput());
    text.remove(QRegularExpression(QStringLiteral("\\s")));
    // The fonts map the full-width tilde's glyph back to the wave dash.
    text.replace(QChar(0x301C), QChar(0xFF5E));
    return text;
}
