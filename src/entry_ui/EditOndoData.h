#pragma once

#include "domain/OndoKanri.h"
#include "widgets_ui/LazyDialog.h"

#include <QComboBox>
#include <QMainWindow>
#include <functional>
#include <memory>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;
class TfCalendar;
class TfListView;

// A drop-down box whose drop-down runs the window's own code first. The hook returns
// whether the box's own list is then shown.
class TDropDownCombo : public QComboBox
{
public:
    using QComboBox::QComboBox;
    std::function<bool()> OnDropDown;
    void showPopup() override;
};

// The main window: one record of a project, mix, category and day, with its readings.
class TfEditOndoData : public QMainWindow
{
    Q_OBJECT
public:
    explicit TfEditOndoData(QWidget* parent = nullptr);
    ~TfEditOndoData() override;

    TOndoKanri& OndoKanri() { return *m_ondoKanri; }

    // The dialogs the pickers open; created after this window, as at program start.
    void SetListView(DialogRef<TfListView> listView) { m_listView = std::move(listView); }
    void SetCalendar(DialogRef<TfCalendar> calendar) { m_calendar = std::move(calendar); }

    // Record into the window (readings of its day included), and the window back into it.
    void ShowRecord(TOndoKanri& record);
    void ShowRecord() { ShowRecord(*m_ondoKanri); }
    void ReadRecord(TOndoKanri& record);
    void ReadRecord() { ReadRecord(*m_ondoKanri); }
    void CalcStatistics();

    // Commands; each raises AppError, the connected controls run them guarded.
    void NumberRows();
    void Simulate();
    void StepArrow();
    void RegisterRecord();
    void OpenRecord();
    void NewRecord();
    void DeleteShownRecord();
    void DeleteShownDay();
    // The category's name, range and interval afresh after the category dialog.
    void RefreshKubun();
    // The stored header of the project, mix and category on screen, or 0.
    int ShownHeaderId() const;

    // Spreadsheet text (tabs and newlines) from the current cell down; at most row 100.
    void PasteReadings(const QString& text);
    QString SelectedReadingsText() const;

    // Rows 1..100 of the readings grid are the grid's rows 0..99.
    QString ReadingCell(int lno, int column) const;

    QLineEdit* Edit2 = nullptr;
    TDropDownCombo* ComboBox1 = nullptr;
    TDropDownCombo* ComboBox2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    TDropDownCombo* ComboBox3 = nullptr;
    TDropDownCombo* ComboBox4 = nullptr;
    TDropDownCombo* ComboBox5 = nullptr;
    QPushButton* Button1 = nullptr; // project register dialog
    QPushButton* Button2 = nullptr; // mix register dialog
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr; // category dialog
    QPushButton* Button9 = nullptr; // measurer register dialog
    QLineEdit* Edit5 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QLineEdit* Edit8 = nullptr;
    QTableWidget* SS1 = nullptr;
    QTableWidget* SS2 = nullptr;
    QSpinBox* SpinEdit1 = nullptr;
    QLineEdit* Edit7 = nullptr;
    QPushButton* Button10 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* LabelKikakugai = nullptr; // "規格外 N 件"
    QPushButton* Button6 = nullptr;
    QPushButton* Button7 = nullptr;
    QPushButton* BitBtn1 = nullptr; // print settings dialog
    QPushButton* BitBtn2 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QLabel* StatusPanel0 = nullptr;
    QLabel* StatusPanel1 = nullptr;

    QAction* Open1 = nullptr;
    QAction* N3 = nullptr;
    QAction* Delete1 = nullptr;
    QAction* DeleteDay1 = nullptr;    // "この試験日を削除"
    QAction* ExportItem = nullptr;    // "Excelに出力…"
    QAction* CopyDataItem = nullptr;  // "データの移行…"
    QAction* ImportCsvItem = nullptr; // "CSVから取り込み…", enabled by its wiring
    QAction* Close1 = nullptr;
    QAction* ImportOldItem = nullptr; // "旧データの取り込み…"
    QAction* KojiItem = nullptr;      // "工事"
    QAction* GozaiItem = nullptr;     // "合材"
    QAction* SimeiItem = nullptr;     // "氏名"
    QAction* KubunItem = nullptr;     // "温度区分"
    QAction* DataPathItem = nullptr;  // "データ格納場所の設定"
    QMenu* HelpMenu = nullptr;
    QAction* HelpUsage = nullptr; // "使い方"
    QAction* HelpAbout = nullptr; // "バージョン情報"

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    QWidget* buildHeader();
    QWidget* buildSpec();
    QWidget* buildMiddle();
    QWidget* buildBottom();
    void connectActions();
    void createRecord();

    bool pickProject();
    void pickRecord(bool all);
    void pickDate();
    void dropDownDates();
    void chooseDay();
    void dropDownKubun();
    void chooseKubun();
    void dropDownSimei();

    static DayStatistics statisticsOf(const QList<Reading>& readings)
    {
        return StatisticsOf(readings);
    }
    void readingEdited(int lno, int column);
    void moveToNextTemperature();
    void refreshShownId();
    void checkBeforeRegister();
    bool projectRegisteredOrAdded();
    QString shownRecordName() const;
    bool confirm(const QString& question);

    void setReadingCell(int lno, int column, const QString& text);
    void setStatistic(int row, const QString& text);
    void clearReadings();
    QList<Reading> readingsOnScreen() const;

    std::unique_ptr<TOndoKanri> m_ondoKanri;
    DialogRef<TfListView> m_listView;
    DialogRef<TfCalendar> m_calendar;
    int m_arrow = 0;
    bool m_filling = false; // our own cell writes are not edits
    bool m_showing = false; // ShowRecord fills the boxes one by one
    bool m_shownOnce = false;
};
