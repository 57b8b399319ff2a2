#include "reports/ProfileSheet.h"

#include "core/AppError.h"
#include "core/Settings.h"
#include "core/Utility.h"
#include "reports/Canvas.h"
#include "reports/PageSink.h"
#include "reports/Print.h"
#include "statistics/ProfileGrade.h"
#include "storage/Engine.h"
#include "store/Profiles.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace {

// What a page shows, in centimetres of the landscape sheet.
constexpr float MapLeft = 1.9f, MapRight = 23.6f, MapTop = 4.05f, MapBottom = 8.05f;
constexpr float ScaleLeft = 24.3f, ScaleRight = 24.8f;
constexpr float TableTop = 8.85f, RowHeight = 0.44f;

// An orange for 中程度 and the red of 重度, as the marks above the map and the table show them.
constexpr TColor Moderate = 0x0080FF, Severe = clRed;

TColor gradeColour(const QString& grade)
{
    return grade == QStringLiteral("重度") ? Severe : Moderate;
}

QString figure(double value)
{
    return std::isnan(value) ? QStringLiteral("—") : QString::number(value, 'f', 1);
}

QString metres(double value)
{
    return QString::number(value, 'f', 1);
}

// The map's cells of the whole day: the sum and count of the readings falling in each bin along
// and position across.
struct TBins
{
    int positions = 0;
    std::vector<float> sum;
    std::vector<int> count;
    void Add(long bin, int position, float value)
    {
        const size_t at = size_t(bin) * size_t(positions) + size_t(position);
        if (at >= sum.size()) {
            sum.resize((size_t(bin) + 1) * size_t(positions), 0.f);
            count.resize(sum.size(), 0);
        }
        sum[at] += value;
        ++count[at];
    }
    long Bins() const { return positions > 0 ? long(sum.size() / size_t(positions)) : 0; }
};

// The temperatures across as the import stored them ("152.3;151.8;;150.2"), read by hand: a day
// is five million of them, and a general number parser was most of the page's time.
void readingsOf(const QString& text, std::vector<float>& out)
{
    out.clear();
    const QChar* p = text.constData();
    const QChar* const end = p + text.size();
    for (;;) {
        const QChar* const start = p;
        while (p < end && *p != QLatin1Char(';'))
            ++p;
        float value = std::nanf("");
        if (p > start) {
            const QChar* q = start;
            const bool negative = *q == QLatin1Char('-');
            q += negative;
            double whole = 0, fraction = 0, scale = 1;
            bool plain = q < p;
            for (; q < p && *q != QLatin1Char('.'); ++q) {
                plain = plain && q->isDigit();
                whole = whole * 10 + (q->unicode() - '0');
            }
            for (q += q < p; q < p; ++q) {
                plain = plain && q->isDigit();
                fraction = fraction * 10 + (q->unicode() - '0');
                scale *= 10;
            }
            value = plain ? float((whole + fraction / scale) * (negative ? -1 : 1))
                          : QStringView(start, p).toFloat();
        }
        out.push_back(value);
        if (p == end)
            break;
        ++p;
    }
}

// "2024-06-03 08:24:18" as a clock without its zone: looking the zone up for every line of a
// day took as long as the rest. The sublots' times are made local again once graded.
QDateTime clockOf(const QVariant& stored)
{
    const QString text = stored.toString();
    if (text.size() != 19)
        return Engine::DateTimeFromColumn(stored);
    const auto number = [&text](int at, int length) {
        int value = 0;
        for (int i = at; i < at + length; ++i)
            value = value * 10 + (text.at(i).unicode() - '0');
        return value;
    };
    return QDateTime(QDate(number(0, 4), number(5, 2), number(8, 2)),
                     QTime(number(11, 2), number(14, 2), number(17, 2)), Qt::UTC);
}

} // namespace

QRgb ProfileColour(double celsius, double low, double high)
{
    const double t = std::clamp((celsius - low) / std::max(1e-9, high - low), 0.0, 1.0);
    // Blue, cyan, green, yellow, red: cold to hot as thermal cameras show it.
    static const QColor stops[] = {QColor(0, 0, 200), QColor(0, 190, 255), QColor(0, 200, 0),
                                   QColor(255, 230, 0), QColor(220, 0, 0)};
    const double at = t * 4;
    const int i = std::min(3, int(at));
    const double f = at - i;
    const QColor& a = stops[i];
    const QColor& b = stops[i + 1];
    return qRgb(int(a.red() + (b.red() - a.red()) * f),
                int(a.green() + (b.green() - a.green()) * f),
                int(a.blue() + (b.blue() - a.blue()) * f));
}

TProfileDocument LoadProfileDocument(const QString& kojiCode, const QString& gozaiName,
                                     const QDate& day)
{
    TProfileDocument doc;
    doc.kojiCode = kojiCode;
    doc.gozaiName = gozaiName;
    doc.day = day;
    doc.font = TSettings::PrintFont();
    doc.title = ReadTitleSettings();
    const QDateTime stored(day, QTime(0, 0));
    const Store::TProfileDay found = Store::ProfileDayOf(kojiCode, gozaiName, day);
    if (!found.head)
        throw AppError(QStringLiteral("工事 %1 / %2 の %3 の敷均し温度分布は取り込まれていません")
                           .arg(kojiCode, gozaiName, FormatDate(stored)));
    const int id = found.head->id;
    doc.format = found.head->format;
    doc.spacing = found.head->spacing;
    doc.positions = found.head->positions;
    doc.lines = found.head->lines;
    doc.length = found.head->length;
    doc.kojiName = found.kojiName;
    doc.printName = found.printName.value_or(gozaiName);
    // The day's loads of the mix, whatever their category: the trucks the paver laid.
    std::vector<TProfileLoad> deliveries;
    for (const auto& [jikoku, syaryo] : found.loads)
        deliveries.push_back({jikoku, syaryo});

    // One pass over the scan lines: graded, and binned for the map, as the paver moved.
    TProfileGrader grader(doc.spacing);
    TBins bins;
    bins.positions = doc.positions;
    std::vector<qint64> histogram(size_t((300 - ProfileMatMinimum) * 2) + 1, 0); // half degrees
    bool started = false;
    double origin = 0, last = 0;
    std::vector<float> readings;
    Store::EachProfileLine(id, [&](const QVariant& clock, double distance, const QVariant& sokudo,
                                   const QString& ondo) {
        const QDateTime time = clockOf(clock);
        const double speed = sokudo.isNull() ? std::nan("") : sokudo.toDouble();
        readingsOf(ondo, readings);
        grader.Add(time, distance, speed, readings.data(), int(readings.size()));
        // The map keeps to the lines the grading keeps: none while the paver stands.
        if (speed == 0 || (started && distance <= last))
            return;
        if (!started) {
            started = true;
            origin = distance;
        }
        last = distance;
        const long bin = long((distance - origin) / ProfileBinMetres);
        for (int p = 0; p < int(readings.size()) && p < bins.positions; ++p) {
            const float t = readings[size_t(p)];
            if (std::isnan(t) || t < ProfileMatMinimum)
                continue;
            bins.Add(bin, p, t);
            histogram[std::min(histogram.size() - 1, size_t((t - ProfileMatMinimum) * 2))]++;
        }
    });
    const TProfileGrade grade = grader.Finish();
    doc.standing = grade.standing;
    doc.missing = grade.missing;
    doc.cold = grade.cold;
    doc.edges = grade.edges;
    doc.used = grade.used;
    for (size_t i = 0; i < grade.sublots.size(); ++i) {
        const TProfileSublot& s = grade.sublots[i];
        const QDateTime reached(s.reached.date(), s.reached.time()); // the site's clock
        doc.sublots.push_back({int(i) + 1, s.from, s.to, s.maximum, s.minimum, s.difference,
                               s.grade, SublotTruck(deliveries, day, reached)});
    }

    // The scale spans the mat's readings from their 0.5th to their 99.5th percentile, in 5 ℃
    // steps: one hot or cold pixel does not squeeze it, a streak a sublot's 1 % is on it.
    qint64 total = 0;
    for (const qint64 n : histogram)
        total += n;
    const auto percentile = [&](double share) {
        qint64 seen = 0;
        for (size_t i = 0; i < histogram.size(); ++i) {
            seen += histogram[i];
            if (seen >= share * double(total))
                return ProfileMatMinimum + double(i) / 2;
        }
        return 300.0;
    };
    doc.scaleLow = total > 0 ? std::floor(percentile(0.005) / 5) * 5 : 100;
    doc.scaleHigh = total > 0 ? std::ceil(percentile(0.995) / 5) * 5 : 180;
    if (doc.scaleHigh < doc.scaleLow + 10)
        doc.scaleHigh = doc.scaleLow + 10;

    // A page a stretch of ten sublots; its map at the same scale along as every other page.
    const double stretch = ProfileSublotsPerPage * ProfileSublotLength;
    const int pages = std::max(1, int(std::ceil((doc.length + 1e-6) / stretch)));
    const long perPage = long(std::lround(stretch / ProfileBinMetres));
    for (int p = 0; p < pages; ++p) {
        TProfilePage page;
        page.from = origin + p * stretch;
        page.to = page.from + stretch;
        page.firstSublot = -1;
        for (int i = 0; i < int(doc.sublots.size()); ++i) {
            if (doc.sublots[size_t(i)].from >= page.from - 1e-6 &&
                doc.sublots[size_t(i)].from < page.to - 1e-6) {
                if (page.firstSublot < 0)
                    page.firstSublot = i;
                page.lastSublot = i;
            }
        }
        if (page.firstSublot < 0)
            page.lastSublot = -2; // no sublot
        page.map = QImage(int(perPage), std::max(1, doc.positions), QImage::Format_RGB32);
        page.map.fill(qRgb(0xdd, 0xdd, 0xdd));
        for (long b = 0; b < perPage; ++b) {
            const long bin = p * perPage + b;
            if (bin >= bins.Bins())
                break;
            for (int pos = 0; pos < doc.positions; ++pos) {
                const size_t at = size_t(bin) * size_t(doc.positions) + size_t(pos);
                if (bins.count[at] > 0)
                    page.map.setPixel(int(b), pos,
                                      ProfileColour(bins.sum[at] / float(bins.count[at]),
                                                    doc.scaleLow, doc.scaleHigh));
            }
        }
        doc.pages.push_back(std::move(page));
    }
    return doc;
}

void DrawProfileSheet(const TProfileDocument& doc, TPageSink& pane)
{
    TFormPages pages(pane, ProfilePage, int(doc.pages.size()));
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    for (const TProfilePage& page : doc.pages) {
        TCanvas& c = pages.Next();
        c.SetFontName(doc.font);
        DrawFormFrame(c, ChartBorder);
        DrawFormName(c, QStringLiteral("敷均し温度分布"), ChartNameBox);
        TTitleBlock title;
        title.project = doc.kojiCode + QLatin1Char(' ') + doc.kojiName;
        title.mix = doc.printName;
        title.category = QStringLiteral("敷均し温度（フィニッシャ計測）");
        title.period = DateText(doc.day, doc.title.wareki);
        title.extra = {{QStringLiteral("区間"),
                        QStringLiteral("%1～%2 m").arg(metres(page.from), metres(page.to))},
                       {QStringLiteral("計測装置"), doc.format}};
        title.page = pages.Number();
        title.pages = pages.Total();
        DrawTitleBlock(c, title, doc.title, TCmBox{0.3f, 1.25f, 26.4f, 3.3f});

        // The map: along the lane left to right, across the mat top to bottom, stretched
        // across so that a streak of a metre shows.
        const double span = page.to - page.from;
        const auto X = [&](double m) {
            return float(MapLeft + (MapRight - MapLeft) * (m - page.from) / span);
        };
        PrintImage(c, MapLeft, MapTop, MapRight, MapBottom, page.map);
        PrintBox(c, MapLeft, MapTop, MapRight, MapBottom, 1);
        c.SetFontSize(ReadablePoints);
        const double width = doc.spacing * std::max(0, doc.positions - 1);
        PrintText(c, QStringLiteral("0 m"), 2, 0.3f, MapTop - 0.1f, MapLeft - 0.08f, MapTop + 0.25f,
                  0);
        PrintText(c, metres(width) + QStringLiteral(" m"), 2, 0.3f, MapBottom - 0.35f,
                  MapLeft - 0.08f, MapBottom, 0);
        PrintText(c, QStringLiteral("幅"), 2, 0.3f, (MapTop + MapBottom) / 2 - 0.2f,
                  MapLeft - 0.08f, (MapTop + MapBottom) / 2 + 0.2f, 0);
        for (int i = page.firstSublot; i >= 0 && i <= page.lastSublot; ++i) {
            const TProfileSublotRow& s = doc.sublots[size_t(i)];
            const float x1 = X(s.from), x2 = X(s.to);
            c.SetPenColor(clBlack);
            PrintLine(c, x1, MapTop - 0.55f, x1, MapBottom + 0.15f, 1);
            PrintText(c, QString::number(s.number), 1, x1, MapTop - 0.55f, x2, MapTop - 0.25f, 0);
            PrintText(c, metres(s.from), 0, x1 + 0.03f, MapBottom + 0.05f, x2, MapBottom + 0.4f, 0);
            // A cold or uneven sublot is marked over the map, in its grade's colour.
            if (s.grade == QStringLiteral("中程度") || s.grade == QStringLiteral("重度")) {
                c.SetBrushColor(gradeColour(s.grade));
                c.SetPenColor(gradeColour(s.grade));
                PrintPolygon(c, {{x1, MapTop - 0.23f},
                                 {x2, MapTop - 0.23f},
                                 {x2, MapTop - 0.03f},
                                 {x1, MapTop - 0.03f}});
                SetPenWidthMm(c, 0.5f);
                PrintBox(c, x1, MapTop, std::min(x2, MapRight), MapBottom, 1);
                c.SetPenWidth(1);
                c.SetBrushColor(clWhite);
                c.SetPenColor(clBlack);
            }
        }
        PrintText(c, QStringLiteral("距離 (m)"), 2, MapRight - 3, MapBottom + 0.4f, MapRight,
                  MapBottom + 0.75f, 0);

        // The scale: at least its ends and middle labelled.
        QImage ramp(1, 64, QImage::Format_RGB32);
        for (int y = 0; y < ramp.height(); ++y)
            ramp.setPixel(0, y,
                          ProfileColour(doc.scaleHigh - (doc.scaleHigh - doc.scaleLow) * y /
                                                            (ramp.height() - 1),
                                        doc.scaleLow, doc.scaleHigh));
        PrintImage(c, ScaleLeft, MapTop, ScaleRight, MapBottom, ramp);
        PrintBox(c, ScaleLeft, MapTop, ScaleRight, MapBottom, 1);
        for (int k = 0; k <= 4; ++k) {
            const double t = doc.scaleHigh - (doc.scaleHigh - doc.scaleLow) * k / 4;
            const float y = MapTop + (MapBottom - MapTop) * float(k) / 4;
            PrintLine(c, ScaleRight, y, ScaleRight + 0.12f, y, 1);
            PrintText(c, QString::number(t, 'f', 0), 0, ScaleRight + 0.15f, y - 0.18f,
                      ChartBorder.x2 - 0.05f, y + 0.18f, 0);
        }
        PrintText(c, QStringLiteral("℃"), 1, ScaleLeft - 0.2f, MapTop - 0.5f, ScaleRight + 0.4f,
                  MapTop - 0.1f, 0);

        // The sublots of the page.
        const float cols[] = {1.0f, 2.4f, 7.0f, 9.4f, 11.8f, 14.2f, 16.6f, 22.4f};
        const QStringList heads{QStringLiteral("区間"),     QStringLiteral("距離 (m)"),
                                QStringLiteral("最高 ℃"),   QStringLiteral("最低 ℃"),
                                QStringLiteral("温度差 ℃"), QStringLiteral("判定"),
                                QStringLiteral("運搬車")};
        c.SetFontSize(8);
        float y = TableTop;
        for (int k = 0; k < heads.size(); ++k) {
            PrintBox(c, cols[k], y, cols[k + 1], y + RowHeight, 1);
            PrintText(c, heads[k], 1, cols[k], y, cols[k + 1], y + RowHeight, 0);
        }
        for (int i = page.firstSublot; i >= 0 && i <= page.lastSublot; ++i) {
            const TProfileSublotRow& s = doc.sublots[size_t(i)];
            y += RowHeight;
            const QStringList cells{QString::number(s.number),
                                    QStringLiteral("%1～%2").arg(metres(s.from), metres(s.to)),
                                    figure(s.maximum),
                                    figure(s.minimum),
                                    figure(s.difference),
                                    s.grade.isEmpty() ? QStringLiteral("—") : s.grade,
                                    s.truck.isEmpty() ? QStringLiteral("—") : s.truck};
            for (int k = 0; k < cells.size(); ++k) {
                PrintBox(c, cols[k], y, cols[k + 1], y + RowHeight, 1);
                const bool marked = k == 5 && (s.grade == QStringLiteral("中程度") ||
                                               s.grade == QStringLiteral("重度"));
                if (marked) {
                    c.SetFontColor(gradeColour(s.grade));
                    c.SetFontBold(true);
                }
                PrintShrinkText(c, cells[k], k == 6 ? 0 : 1, cols[k] + 0.1f, y, cols[k + 1] - 0.1f,
                                y + RowHeight, SmallestPoints);
                c.SetFontColor(clBlack);
                c.SetFontBold(false);
            }
        }

        // What was left out, and how each sublot is judged.
        c.SetFontSize(ReadablePoints);
        const QString notes =
            QStringLiteral(
                "区間は最初の走査線から 45.7 m（150 ft）ごと。除外: 停止中の走査線 %1 本、"
                "欠測 %2 点、80 ℃未満 %3 点、両端 0.6 m の %4 点（使用 %5 点）。")
                .arg(japanese.toString(doc.standing), japanese.toString(doc.missing),
                     japanese.toString(doc.cold), japanese.toString(doc.edges),
                     japanese.toString(doc.used));
        const QString rule = QStringLiteral(
            "最高は 98.5 パーセンタイル、最低は 1 パーセンタイル、温度差 = 最高 − 最低。"
            "判定（TxDOT Tex-244-F）: 13.9 ℃以下 良好、27.8 ℃以下 中程度、それを超え"
            "ると重度。運搬車は区間の始まりまでに記録された最後の積み荷の車番。");
        PrintFittedText(c, notes, 0, TCmBox{1.0f, 13.85f, 26.2f, 14.3f}, SmallestPoints);
        PrintFittedText(c, rule, 0, TCmBox{1.0f, 14.3f, 26.2f, 14.8f}, SmallestPoints);
    }
}
