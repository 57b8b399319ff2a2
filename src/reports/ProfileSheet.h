#pragma once

#include "reports/FormKit.h"
#include "reports/ReportModel.h"

#include <QDate>
#include <QImage>
#include <QString>
#include <vector>

class TPageSink;

// 敷均し温度分布: a paver's thermal profile of one project, mix and day (exchange/ProfileImport)
// as a colour map of the mat and its sublots graded as TxDOT Tex-244-F grades them, with the
// truck whose load was being laid where each began.

// One sublot as the table prints it.
struct TProfileSublotRow
{
    int number = 0;                                  // from 1 along the lane
    double from = 0, to = 0;                         // metres
    double maximum = 0, minimum = 0, difference = 0; // NaN: no reading used
    QString grade;                                   // 良好 / 中程度 / 重度
    QString truck;                                   // 運搬車, empty when no load came before
};

// One page: a stretch of the lane, its sublots, and the map of it — a pixel a bin along the
// lane and a position across, coloured on the document's scale, grey where nothing was read.
struct TProfilePage
{
    int firstSublot = 0, lastSublot = 0; // indexes into the document's sublots
    double from = 0, to = 0;             // metres the page's map spans
    QImage map;
};

struct TProfileDocument
{
    QString font;
    TTitleSettings title;
    QString kojiCode, kojiName, gozaiName, printName;
    QDate day;
    QString format; // the scanner's layout
    int positions = 0;
    double spacing = 0; // m across
    int lines = 0;
    double length = 0;                  // m along
    double scaleLow = 0, scaleHigh = 0; // ℃ of the colour scale's ends
    std::vector<TProfileSublotRow> sublots;
    std::vector<TProfilePage> pages;
    // What the grading left out, for the page's notes.
    qint64 standing = 0, missing = 0, cold = 0, edges = 0, used = 0;
};

// Sublots a page shows, and the map's bins along the lane.
constexpr int ProfileSublotsPerPage = 10;
constexpr double ProfileBinMetres = 0.5;

// The colour of a temperature on the scale from low (blue) through green to high (red).
QRgb ProfileColour(double celsius, double low, double high);

// Reads the day's profile a scan line at a time (a day of 10⁵ lines stays in bounded memory)
// and the day's loads of the mix, every category; raises AppError in Japanese when the day has
// no profile.
TProfileDocument LoadProfileDocument(const QString& kojiCode, const QString& gozaiName,
                                     const QDate& day);

// Landscape, as the control charts.
constexpr TFormPage ProfilePage{ChartOrigin};
// The pages of the document, numbered "n / N"; touches no table. The caller sets landscape.
void DrawProfileSheet(const TProfileDocument& doc, TPageSink& pane);
