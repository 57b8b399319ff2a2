#pragma once

#include "core/Utility.h"

#include <QByteArray>
#include <QString>

// The per-user settings: $XDG_CONFIG_HOME/kozeran/kozeran.conf, and the data location in
// engine.conf beside it. Each key's stored name (kept from earlier versions and matched
// regardless of case), its type and its default are written here and nowhere else; this is
// the one class that reads or writes them. A value that cannot be stored raises AppError.
class TSettings
{
public:
    static QString File();

    // 平均値の丸め: half to even when RoundON is exactly "TRUE", else half up.
    static RoundingRule Rounding();
    static void SetRounding(RoundingRule rule);
    // The decimals of averages on screen and in print (OndoAvgKetasu): 1 until chosen, 0 to 3.
    static int AverageDecimals();
    static void SetAverageDecimals(int decimals);

    // The main window: where Return moves in the grid (EnterDirection, 0 → 1 ↓ 2 ← 3 ↑;
    // 1 until chosen), its geometry as saveGeometry wrote it, and the last project, mix and
    // category chosen (LastKojiCode, LastGozaiName, LastKubunName).
    static int EnterDirection();
    static void SetEnterDirection(int direction);
    static QByteArray MainWindowGeometry();
    static void SetMainWindowGeometry(const QByteArray& geometry);
    struct TLastChoice
    {
        QString kojiCode;
        QString gozaiName;
        QString kubunName;
    };
    static TLastChoice LastChoice();
    static void SetLastChoice(const TLastChoice& choice);

    // The print dialog's last form, by its button's name (PrintForm, "" until chosen), and its
    // boxes: 工事毎に印刷, 自動, 区分ごとに分ける (PrintKojiGoto, PrintAutoRange,
    // PrintPanels; all off until chosen).
    static QString PrintForm();
    static void SetPrintForm(const QString& form);
    static bool PrintPerProject();
    static void SetPrintPerProject(bool on);
    static bool PrintAutoRange();
    static void SetPrintAutoRange(bool on);
    static bool PrintPanels();
    static void SetPrintPanels(bool on);
    // The X chart's range as typed, ℃ kept (OndoKanriGraphLow/High); empty until typed.
    static QString GraphLow();
    static void SetGraphLow(const QString& text);
    static QString GraphHigh();
    static void SetGraphHigh(const QString& text);
    // The face the forms print in (hin_prnfont); empty for the default.
    static QString PrintFont();
    static void SetPrintFont(const QString& face);
    // The title block: the approval boxes as typed (PrintSyonin, "" for the default, "なし"
    // for none) and 和暦 dates (PrintWareki, off until chosen).
    static QString Approvals();
    static void SetApprovals(const QString& text);
    static bool Wareki();
    static void SetWareki(bool on);
    // The x̄-R data sheet: the subgroup size (XbarRKumi, 0 until chosen) and its
    // 規格値 lines (XbarRKikakuSen, on until turned off).
    static int XbarRSubgroup();
    static void SetXbarRSubgroup(int size);
    static bool XbarRSpecLines();
    static void SetXbarRSpecLines(bool on);
    // The X chart's grid colour as a Windows colour number (HotbinMemoriColor); -1 for aqua.
    static int ChartGridColour();
    static void SetChartGridColour(int colour);

    // The printer chosen in the program (PrinterName, "" for the system's default), and its
    // orientation, paper size and source as numbers (-1 until chosen), and its page layout text.
    static QString PrinterName();
    static int PrinterOrientation();
    static int PrinterPaperSize();
    static int PrinterPaperSource();
    static QString PrinterPageLayout();
    static void SetPrinter(const QString& name, int orientation, int paperSize, int paperSource,
                           const QString& pageLayout);

    // How many backups of a data folder are kept (BackupKeep): 10 until set, 0 for none.
    static int BackupKeep();
    static void SetBackupKeep(int count);
    // Whether the phone server is started over HTTPS (GenbaTls, off until chosen).
    static bool SiteTls();
    static void SetSiteTls(bool on);
    // The drop in ℃ a load may lose between two categories, by their ids (OndoTeikaGendo_A_B);
    // 0 until set, for the caller's default.
    static double DropLimit(int fromKubunId, int toKubunId);
    static void SetDropLimit(int fromKubunId, int toKubunId, double limit);
    // The ranges an older version kept for its two first categories (OndoRangeNeri,
    // OndoRangeSiki), used once when the category register is made.
    static QString OldRangeNeri();
    static QString OldRangeSiki();

    // The data location (engine.conf, KOZERAN/Path): a folder or a server's URI, "" until chosen.
    static QString DataLocation();
    static void SetDataLocation(const QString& location);

    // A key's stored text as it is, "" when missing: for tests of the stored form.
    static QString Text(const QString& key);
    static void SetText(const QString& key, const QString& value);
};
