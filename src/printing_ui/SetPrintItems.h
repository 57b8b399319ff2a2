#pragma once

#include "printing/PrintDocument.h"
#include "printing/PrinterSetup.h"

#include <QDialog>
#include <functional>
#include <memory>

class QCheckBox;
class QInputDialog;
class QSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QGroupBox;
class QPlainTextEdit;
class QTableWidget;
class QWidget;
class TChartMemo;
class TFormPreview;
class TOndoKanri;

// The print settings dialog: output form, categories, graph range, period and print font;
// builds the pages of the chosen form into the preview window. Created once at start and reused;
// each showing sets the period to the month of the main window's day.
class TfSetPrintItems : public QDialog
{
    Q_OBJECT

public:
    explicit TfSetPrintItems(QWidget* parent = nullptr);
    ~TfSetPrintItems() override;

    // The record the main window copied its boxes into, the preview window and the printer list
    // watch; all outlive the dialog's use.
    void SetRecord(TOndoKanri* record) { m_record = record; }
    void SetPreview(TFormPreview* preview) { m_preview = preview; }
    // A change of the printer list it notices reselects the chosen printer.
    void SetPrinterWatch(TPrinterWatch* watch);

    TPrinterSetup& PrinterSetup() { return m_printerSetup; }

    // The category rows as ticked now.
    QList<TPrintRow> Rows() const;
    bool Ticked(int row) const;
    void SetTicked(int row, bool ticked);

    // The face the pages are printed in: the stored one, else the default's stand-in.
    static QString FontInUse();
    static QString DefaultFaceInUse();
    // The installed faces that have Japanese.
    static QStringList JapaneseFaces();

    // Commands; each raises AppError, the buttons run them guarded.
    void ToggleAll();
    void ChangeFont();
    void Preview();

    QGroupBox* RadioGroup1;
    QRadioButton* RadioDataSheet;  // "データシート"
    QRadioButton* RadioChart;      // "管理図"
    QRadioButton* RadioXbar;       // "X̄-s管理図"
    QRadioButton* RadioCapability; // "工程能力図"
    QRadioButton* RadioXbarR;      // "x̄-R管理図"
    QRadioButton* RadioJourney;    // "温度低下記録"
    QRadioButton* RadioProfile;    // "敷均し温度分布"
    QCheckBox* CheckAutoRange;     // "自動": the statistical forms' range from the data
    QLineEdit* EditFrom;           // 印刷期間: the days printed; the month of the record's day
    QLineEdit* EditTo;
    QLineEdit* EditBaseFrom; // 基準期間
    QLineEdit* EditBaseTo;
    QCheckBox* CheckPanels; // the X chart: a panel per category
    QCheckBox* CheckBox1;
    QPushButton* Button1;
    QLabel* Label2;
    QLineEdit* Edit1;
    QLabel* Label3;
    QLineEdit* Edit2;
    QLabel* Label1;
    QTableWidget* SS1;
    QLabel* Label4;
    QLabel* Label5;
    QPushButton* Button2;
    QPushButton* BitBtn3;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QInputDialog* FontDialog1 = nullptr; // the installed Japanese faces; made on first use
    QCheckBox* CheckWareki;              // periods in the era
    QLineEdit* EditSyonin;               // approval boxes' titles, "、" between them
    QSpinBox* SpinKumi;                  // x̄-R subgroup size, 2 to 5
    QCheckBox* CheckKikakuSen;           // x̄-R: specified limits on the x̄ chart
    QLabel* LabelPrinter;                // the printer used, or that the chosen one has gone
    QPlainTextEdit* MemoChart;           // the mixes and days the last control chart showed

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FillGrid();
    void ShowFormSettings();
    void StoreFormSettings();
    void ShowPeriod();
    void UpdateRangeEdits();
    TPrintForm Form() const;
    void ShowPrinter();

    TPrinterSetup m_printerSetup;
    TOndoKanri* m_record = nullptr;
    TFormPreview* m_preview = nullptr;
    std::unique_ptr<TChartMemo> m_memo;
    TPrinterWatch* m_watch = nullptr;
    bool m_choicesShown = false;
};

// Has "プリンタ設定" run Qt's print dialog over parent for printer, paper and orientation.
void InstallPrinterSetupDialog(QWidget* parent = nullptr);
