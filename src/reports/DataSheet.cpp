#include "reports/DataSheet.h"

#include "environment/Query.h"
#include "environment/RegistryUtility.h"
#include "environment/Utility.h"
#include "records/OndoKanri.h"
#include "reports/Canvas.h"
#include "reports/PageSink.h"
#include "reports/Print.h"

#include <QDateTime>

namespace {

constexpr int RowsPerBlock = 15;
constexpr int BlocksPerPage = 6;
constexpr float BlockWidth = 5.1f;
constexpr float RowHeight = 0.44f;
constexpr float ReadingsTop = 2.5f;
constexpr float StatisticsTop = 9.1f;

float BlockLeft(int block)
{
    return float(block % 3) * 5.7f;
}

float BlockTop(int block)
{
    return float(block / 3) * 12 + 2.2f;
}

QString MonthDay(const QDateTime& d)
{
    return QStringLiteral("%1/%2").arg(d.date().month()).arg(d.date().day());
}

// Where the next reading goes; a new mix or day, or a full block, moves to the next block.
struct TSheetCursor
{
    int block = -1;
    int row = -1;
    int page = -1;

    void NextBlock()
    {
        if (++block >= BlocksPerPage) {
            ++page;
            block = 0;
        }
        row = -1;
    }

    void NextRow()
    {
        if (++row >= RowsPerBlock) {
            NextBlock();
            row = 0;
        }
    }
};

} // namespace

void LoadDaySummary(TOndoKanri& record)
{
    Query q;
    q.Add(QStringLiteral(
        "select KojiCode, GozaiName, Hiduke, Kosu ,MaxOndo, MinioNDO, AvgOndo from OndoHead4"));
    q.Add(QStringLiteral("inner join OndoKanri4 on OndoKanri4.ID = OndoHead4.KanriID"));
    q.Add(QStringLiteral("where KojiCode=:A and Kubun = :B and Hiduke = :C"));
    q.Add(QStringLiteral("and GozaiName = :D"));
    q.Add(QStringLiteral("order by GozaiName, Hiduke"));
    q.BindText(QStringLiteral("A"), record.Koji.Code());
    q.BindInt(QStringLiteral("B"), record.Kubun.ID);
    q.BindDateTime(QStringLiteral("C"), record.Hiduke);
    q.BindText(QStringLiteral("D"), record.Gozai.DataName());
    q.Open();
    if (q.Eof())
        return;
    record.Kosu = q.FieldInt(QStringLiteral("Kosu"));
    record.MaxOndo = q.FieldDouble(QStringLiteral("MaxOndo"));
    record.MiniOndo = q.FieldDouble(QStringLiteral("MiniOndo"));
    record.AvgOndo = q.FieldDouble(QStringLiteral("AvgOndo"));
}

void DrawRecordBlock(TPageSink& pane, int block)
{
    TCanvas& c = pane.PageCanvas();
    const float L = BlockLeft(block);
    const float T = BlockTop(block);
    const float R = L + BlockWidth;

    c.SetFontSize(10);
    PrintText(c, QStringLiteral("合材名"), 1, L, T, L + 1.1f, T + 0.5f, 0);
    PrintLine(c, L + 1.1f, T + 0.5f, R, T + 0.5f, 1);
    c.SetFontSize(9);
    SetPenWidthMm(c, 0.8f);
    PrintBox(c, L, T + 1.0f, R, T + 10.86f, 1);
    PrintLine(c, L, T + ReadingsTop, R, T + ReadingsTop, 1);
    PrintLine(c, L, T + StatisticsTop, R, T + StatisticsTop, 1);
    PrintLine(c, L + 1.7f, T + 1.0f, L + 1.7f, T + StatisticsTop, 1);
    PrintLine(c, L + 3.4f, T + 1.0f, L + 3.4f, T + StatisticsTop, 1);
    SetPenWidthMm(c, 0.4f);
    for (int i = 0; i < 20; ++i) {
        const float y = T + ReadingsTop + RowHeight * float(i);
        PrintLine(c, L, y, R, y, 1);
    }
    PrintText(c, QStringLiteral("月　日"), 1, L, T + 1.75f, L + 1.7f, T + 1.75f, 0);
    PrintText(c, QStringLiteral("温　度"), 1, L + 3.4f, T + 1.75f, R, T + 1.75f, 0);
    PrintText(c, QStringLiteral("（℃）"), 1, L + 3.4f, T + 2.15f, R, T + 2.15f, 0);
    static const char* const labels[] = {"個　数=", "最大値=", "最小値=", "平均値="};
    for (int i = 0; i < 4; ++i) {
        const float y = T + StatisticsTop + RowHeight * float(i);
        PrintText(c, QString::fromUtf8(labels[i]), 4, L + 1.7f, y, L + 3.4f, y + 0.425f, 0);
    }
}

void DrawRecordPage(TOndoKanri& record, TPageSink& pane)
{
    TCanvas& c = pane.PageCanvas();
    c.SetFontSize(16);
    PrintText(c, record.Kubun.KubunName + QStringLiteral("記録表"), 4, 2.5f, 0, 13.5f, 0.8f, 0);
    PrintLine(c, 2.5f, 0.8f, 13.5f, 0.8f, 1);
    PrintLine(c, 2.5f, 0.9f, 13.5f, 0.9f, 1);
    for (int b = 0; b < BlocksPerPage; ++b)
        DrawRecordBlock(pane, b);
}

void DrawDataSheet(TOndoKanri& record, TPageSink& pane, bool& printed, bool perProject)
{
    PrintMarginX = -2.0f;
    PrintMarginY = -2.0f;

    Query q;
    q.Add(QStringLiteral("select * from OndoLine4"));
    q.Add(QStringLiteral("inner join OndoKanri4 on OndoKanri4.ID = OndoLine4.KanriID"));
    q.Add(QStringLiteral("inner join OndoKubun on OndoKubun.ID = OndoKanri4.Kubun"));
    q.Add(QStringLiteral("where KojiCode = :A and Kubun = :B"));
    if (!perProject) {
        q.Add(QStringLiteral(" and KanriID = :C"));
        q.BindInt(QStringLiteral("C"), record.ID);
    }
    q.Add(QStringLiteral("order by GozaiName, Hiduke, Kubun, LNO"));
    q.BindText(QStringLiteral("A"), record.Koji.Code());
    q.BindInt(QStringLiteral("B"), record.Kubun.ID);
    q.Open();

    TSheetCursor at;
    QString lastMix;
    QDateTime lastDay = DayZero();
    if (printed && !q.Eof())
        pane.NewPage();
    const QString font = ReadSetting(QStringLiteral("hin_prnfont"));
    pane.PageCanvas().SetFontName(font);
    pane.PageCanvas().SetFontSize(9);

    for (; !q.Eof(); q.Next()) {
        const QDateTime day = q.FieldDateTime(QStringLiteral("Hiduke"));
        const QString mix = q.FieldText(QStringLiteral("GozaiName"));
        const bool newDay = mix != lastMix || day != lastDay;
        if (newDay)
            at.NextBlock();
        at.NextRow();
        if (at.block == 0 && at.row == 0) {
            if (at.page > -1) {
                pane.NewPage();
                pane.PageCanvas().SetFontName(font);
            }
            DrawRecordPage(record, pane);
        }
        TCanvas& c = pane.PageCanvas();
        const float L = BlockLeft(at.block);
        const float T = BlockTop(at.block);
        const float R = L + BlockWidth;

        record.LoadByDate();
        if (at.row == 0) {
            if (record.SpecInterval.isEmpty())
                record.SpecInterval = record.Kubun.SokuteiKankaku;
            const QString heading =
                record.SpecInterval.isEmpty() ? QStringLiteral("時刻") : record.SpecInterval;
            PrintText(c, heading, 3, L + 2.1f, T + 1.0f, L + 3.0f, T + ReadingsTop, 0);
        }
        // A day that runs on into the next block gets neither mix name nor statistics again.
        if (at.row == 0 && newDay) {
            record.Gozai.Load(mix);
            record.Hiduke = day;
            LoadDaySummary(record);
            c.SetFontSize(11);
            PrintFitText(c, record.Gozai.PrintName(), 0, L + 1.1f, T, R, T + 0.5f, 0);
            c.SetFontSize(9);
            const QString stats[] = {QString::number(record.Kosu), FormatGeneral(record.MaxOndo),
                                     FormatGeneral(record.MiniOndo),
                                     FormatFixed(record.AvgOndo, 1)};
            for (int i = 0; i < 4; ++i) {
                const float y = T + StatisticsTop + RowHeight * float(i);
                PrintText(c, stats[i], 1, L + 3.4f, y, R, y + RowHeight, 0);
            }
        }
        const float y = T + ReadingsTop + RowHeight * float(at.row);
        PrintText(c, at.row == 0 ? MonthDay(day) : QStringLiteral("〃"), 1, L, y, L + 1.7f,
                  y + RowHeight, 0);
        PrintText(c, q.FieldText(QStringLiteral("Sokuten")), 1, L + 1.7f, y, L + 3.4f,
                  y + RowHeight, 0);
        PrintText(c, FormatGeneral(q.FieldDouble(QStringLiteral("Ondo"))), 1, L + 3.4f, y, R,
                  y + RowHeight, 0);
        lastMix = mix;
        lastDay = day;
        printed = true;
    }
}
