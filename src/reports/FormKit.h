#pragma once

#include "reports/CanvasTypes.h"
#include "reports/ReportModel.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

class TCanvas;
class TPageSink;

// The parts the printed forms share, so that each is drawn the same way wherever it appears.

// The smallest font size any form prints at, and the smallest for what a reviewer must read
// (title block, reference labels, legend): those are never smaller and never cut.
constexpr int SmallestPoints = 6;
constexpr int ReadablePoints = 7;

// A box on the sheet in centimetres, (x1, y1) its top left and (x2, y2) its bottom right corner.
struct TCmBox
{
    float x1 = 0;
    float y1 = 0;
    float x2 = 0;
    float y2 = 0;
};

// Where a form's pages lie on the paper; each form has its own.
struct TFormPage
{
    TSheetOrigin origin;
};

// The landscape sheet of the control charts: 1.5 cm in from the paper's left edge and 2 cm
// down, framed, its name in the band above the body.
constexpr TSheetOrigin ChartOrigin{1.5f, 2.0f};
constexpr TCmBox ChartBorder{0, 0, 26.7f, 15};
constexpr TCmBox ChartBody{0.2f, 1.1f, 26.5f, 14.8f};
constexpr TCmBox ChartNameBox{0, 0, 26.7f, 1.1f};

// A box four dots wide round the form and, when given, one two dots wide round its body. The
// pen is left solid, black and one dot wide.
void DrawFormFrame(TCanvas& canvas, const TCmBox& border,
                   const std::optional<TCmBox>& body = std::nullopt);
// The form's name in black at 20 pt, centred in the box; the font size is left as found.
void DrawFormName(TCanvas& canvas, const QString& name, const TCmBox& box);

// A label of a title block and the value beside it.
struct TTitleField
{
    QString label;
    QString value;
};

// Settings PrintSyonin (titles separated by "," or "、"; "なし" for none; empty: the default
// three) and PrintWareki ("TRUE" for the era).
TTitleSettings ReadTitleSettings();
void WriteTitleSettings(const TTitleSettings& settings);
// The approval titles as the setting is typed.
QStringList ParseApprovals(const QString& text);

// "2024年10月1日", or in the era "令和6年10月1日" (元年 for the first year, 平成 before May 2019).
QString DateText(const QDate& day, bool wareki);
// A page's period: "2024年10月1日～10月31日" (the year once when it does not change), one day
// alone, empty without days.
QString PeriodOf(const QDate& first, const QDate& last, bool wareki);
// The period a document covers, as its title blocks print it.
QString PeriodOf(const TDocumentHead& doc);
// A day with its year in a narrow cell: "2024/10/1" or "R6/10/1".
QString ShortDateWithYear(const QDate& day, bool wareki);

// What the title block of one page says. limit is the specified value as people write it
// ("—" is printed when empty); extra are the form's own cells.
struct TTitleBlock
{
    QString project, mix, category, period, limit, measurer;
    QList<TTitleField> extra;
    int page = 0;
    int pages = 0;
};

// The title block in `box`: the fields in rows of labelled cells at the left (工事名; 合材 and
// 区分; 期間 and the page "n / N", then the form's own cells; 規格値 and 測定者, each in a row of
// its own when the box is 2.8 cm or taller), the approval boxes at the right. Labels and values
// shrink down to ReadablePoints, then take two lines. The font size is left as found.
void DrawTitleBlock(TCanvas& canvas, const TTitleBlock& block, const TTitleSettings& settings,
                    const TCmBox& box);

// The names of a page's days, "・" joined, each once, in order; empty names left out.
QString JoinDistinct(const QStringList& names);
// Who measured the days (ascending): one name alone, else each name with the days it measured,
// runs of neighbouring days joined: "山田太郎 10/1～10/3, 10/7・佐藤花子 10/4～10/6"; with more
// than four runs the names alone, "（日により異なる）" after them.
QString MeasurersOfDays(const QList<QPair<QDate, QString>>& days);

// The title block of a statistical form's page covering days first .. first + count - 1 of the
// series (all of them when count < 0): the document's period, the measurers of those days.
TTitleBlock StatTitle(const TStatDocument& doc, const TStatSeries& series, int first = 0,
                      int count = -1);

// The days of a series filled by simulation: plotted hollow, never counted in its figures.
int SimulatedDays(const TStatSeries& series);
// What a statistical form says when it leaves them out: "模擬値の 2 日を除く".
QString SimulatedLeftOut(int days);
// A hollow marker of each (shape, colour) from x, then `text`, on the row from y to y2: the
// key of a simulated day's points. Returns where the key ends.
float DrawSimulatedKey(TCanvas& canvas, const QList<QPair<int, TColor>>& markers, float x, float y,
                       float y2, const QString& text);

// One line of text in the box at the largest size from the canvas font's down to smallest that
// fits; else two lines (split where the widths balance best) from that size down; else cut at
// smallest. Returns the point size used; the font is left as found.
int PrintFittedText(TCanvas& canvas, const QString& text, int align, const TCmBox& box,
                    int smallest = ReadablePoints);

// Pages of perPage days: as many as the days fill, and one without days.
int DayPages(int days, int perPage);

// The days page `page` (from 0) shows: indexes first to first + count - 1.
struct TDaySpan
{
    int first = 0;
    int count = 0;
};
TDaySpan PageDays(int page, int days, int perPage);

// The pages of one document of a form. Each page's canvas is placed on the form's sheet; a new
// page of the pane comes only between two pages. The number of the page begun last and the
// total are what its title block prints.
class TFormPages
{
public:
    // total: what the document will take.
    TFormPages(TPageSink& pane, const TFormPage& page, int total);

    // Starts the next page: the first page is the pane's current one. The canvas is valid until
    // the next call.
    TCanvas& Next();
    int Number() const { return m_number; }
    int Total() const { return m_total; }

private:
    TPageSink& m_pane;
    TFormPage m_page;
    int m_total;
    int m_number = 0;
};

// The day columns of a chart page: the label of the page's k-th day is centred on centre(k), at
// most halfWidth either side, in the band from top to bottom.
struct TDayColumns
{
    std::function<float(int)> centre;
    float halfWidth = 0;
    float top = 0;
    float bottom = 0;
};

// A label per day of the page, in the largest size at which every label fits its column: "11/10"
// on one line from the canvas font's size down to 8 pt, then month over day from 9 pt down, then
// one line at the smallest size, cut to fit. A day filled by simulation shows its date over a red
// "模擬値". The font size is left as found.
void DrawDayLabels(TCanvas& canvas, const QList<QDateTime>& days, const TDayColumns& columns,
                   const QList<bool>& simulated = {});

// Where the labels of a chart's horizontal reference lines go, in the column beside the plot.
struct TReferenceLabels
{
    int points = ReadablePoints;
    float pitch = 0; // room of one label, centre to centre
    std::vector<float> centres;
};

// lineY: where each line lies, top first, in the band of `height` from `top`; width(points):
// the widest label at that size. One line each, at the largest size from largestPoints down to
// ReadablePoints at which all fit the band and the width; each label centred on its line where
// there is room, labels that crowd each other moved apart as little as they can be, never out
// of the band (a label far from its line gets a leader line from its caller).
TReferenceLabels LayOutReferenceLabels(const std::vector<float>& lineY, float top, float height,
                                       int largestPoints, float width,
                                       const std::function<float(int)>& widest);
// Centres at least `pitch` apart, inside [top + pitch/2, bottom - pitch/2], as near to `wanted`
// (ascending) as they can be: crowded neighbours share the displacement.
std::vector<float> SpreadLabels(const std::vector<float>& wanted, float pitch, float top,
                                float bottom);

// The shape a series is told apart by: circle, square, triangle, diamond, … in this order.
int MarkerCount();
// A marker of radius r at (cx, cy): filled in the colour, or hollow (white inside, outlined in
// the colour). The pen is left black and one dot wide, the brush white.
void DrawMarker(TCanvas& canvas, int shape, float cx, float cy, float r, TColor colour,
                bool filled);

// A horizontal line across a plot and its label.
struct TLineLabel
{
    float y = 0; // where the line lies
    QString text;
    TColor colour = clBlack;
    float widthMm = 0.2f;
};
// Each line across the plot (lines beyond its height left out), then its label right-aligned
// in `column` (x1 to x2; y1 to y2 the band the labels keep to), at its line's height where there
// is room, moved apart otherwise and then joined to its line by a leader; from largestPoints down
// to ReadablePoints, never cut. The font size is left as found, pen and font black.
void DrawLineLabels(TCanvas& canvas, std::vector<TLineLabel> lines, const TCmBox& column,
                    const TCmBox& plot, int largestPoints);
