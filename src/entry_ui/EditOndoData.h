#pragma once

#include "widgets_ui/LazyDialog.h"

#include <QComboBox>
#include <QMainWindow>
#include <functional>

class QAction;
class QRect;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;
class TDayEntry;
class TReadingsView;
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

// The main window: the day of work of the session it is given, shown and edited. Commands that
// belong to other windows are asked for through the signals; the application connects them.
class TfEditOndoData : public QMainWindow
{
    Q_OBJECT
public:
    TfEditOndoData(TDayEntry& entry, DialogRef<TfListView> listView, DialogRef<TfCalendar> calendar,
                   QWidget* parent = nullptr);
    ~TfEditOndoData() override;

    TDayEntry& Entry() { return m_entry; }

    void ShowStatus(const QString& text, int milliseconds);
    // Where the window was last closed, or large enough for the readings on `screen`.
    void PlaceOnScreen(const QRect& screen);
    // Before the program ends, however it is closed: what is typed and not registered, the
    // cell being edited included, is asked about. False when the user stays.
    bool SettleBeforeQuit();

Q_SIGNALS:
    void printRequested();
    // `fromHeader`: asked for by the header's button or a code typed there, rather than the menu.
    void projectDialogRequested(bool fromHeader);
    void mixDialogRequested(bool fromHeader);
    void measurerDialogRequested(bool fromHeader);
    void categoryDialogRequested();
    void dataLocationRequested();
    void copyDataRequested();
    void restoreRequested();
    void exportRequested();
    void packageRequested();
    void csvImportRequested();
    // A paver's thermal profile for the project and mix shown.
    void profileImportRequested();
    void oldDataImportRequested();
    void siteRequested();
    void dayListRequested();
    void journeyRequested();
    void helpRequested();
    void aboutRequested();

protected:
    void showEvent(QShowEvent* event) override;
    // The first paint brings back the project, mix and category the window was closed on.
    void paintEvent(QPaintEvent* event) override;
    // Unregistered changes are asked about first; the window's place and choices are kept.
    void closeEvent(QCloseEvent* event) override;

private:
    // A size the form was drawn with at 9 pt, at the windows' text size.
    int px(int at9) const;
    void buildMenus();
    QWidget* buildHeader();
    QWidget* buildSpec();
    QWidget* buildMiddle();
    QWidget* buildCommands(QWidget* parent);
    void connectEntry();
    void connectControls();

    enum EditCommand { EditUndo, EditRedo, EditCut, EditCopy, EditPaste, EditClear, EditSelectAll };
    void editCommand(EditCommand command);
    void lookUpTypedProject();
    void showHeader();
    void showStatistics();
    void showSimulated();
    bool pickProject();
    void pickRecord(bool all);
    void pickDate();
    void chooseDay();
    void stepArrow();
    void registerDay();
    void refill(QComboBox* box, const QStringList& items);
    // What no longer exists is left out.
    void restoreChoices();
    void keepChoices();

    TDayEntry& m_entry;
    DialogRef<TfListView> m_listView;
    DialogRef<TfCalendar> m_calendar;

    QLineEdit* m_kojiCode = nullptr;
    TDropDownCombo* m_kojiName = nullptr;
    TDropDownCombo* m_gozaiName = nullptr;
    QLineEdit* m_printName = nullptr;
    TDropDownCombo* m_day = nullptr;
    TDropDownCombo* m_kubun = nullptr;
    TDropDownCombo* m_simei = nullptr;
    QLineEdit* m_specValue = nullptr;
    QLineEdit* m_specRange = nullptr;
    QLineEdit* m_interval = nullptr;
    TDropDownCombo* m_weather = nullptr;
    QLineEdit* m_airTemperature = nullptr;
    TReadingsView* m_readings = nullptr;
    QLabel* m_simulatedBand = nullptr;
    QTableWidget* m_statistics = nullptr;
    QLabel* m_outsideCount = nullptr;
    QSpinBox* m_avgDecimals = nullptr;
    QLineEdit* m_rowCount = nullptr;
    QPlainTextEdit* m_memo = nullptr;
    QLabel* m_shownId = nullptr;
    QPushButton* m_arrow = nullptr;
    QPushButton* m_register = nullptr;
    QLabel* m_version = nullptr;
    QAction* m_restoreItem = nullptr;

    bool m_updating = false; // boxes being filled from the session are no edits
    bool m_shownOnce = false;
    bool m_restoreAsked = false;
    // Until then an empty header is not the user's choice: the choices stored stay.
    bool m_choicesRestored = false;
};
