#include "entry_ui/EditOndoData.h"

#include "core/AppError.h"
#include "core/Settings.h"
#include "core/Utility.h"
#include "domain/ChosenEntry.h"
#include "domain/DayEntry.h"
#include "entry_ui/ReadingsView.h"
#include "registers_ui/Calendar.h"
#include "widgets_ui/ErrorGuard.h"
#include "widgets_ui/ListView.h"
#include "widgets_ui/WindowFont.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QTableWidget>
#include <QTimer>
#include <QUndoStack>
#include <QVBoxLayout>
#include <climits>

namespace {

// In the order the direction button steps through them, as TEnterDirection numbers them.
const QStringList ArrowCaptions{QStringLiteral("→"), QStringLiteral("↓"), QStringLiteral("←"),
                                QStringLiteral("↑")};

const QString Title = QStringLiteral("温度管理");

const QStringList StatisticCaptions{QStringLiteral("最高"), QStringLiteral("最低"),
                                    QStringLiteral("平均"), QStringLiteral("個数")};

// Text shown in a box only when it differs, so that the cursor stays where the user typed.
void showText(QLineEdit* edit, const QString& text)
{
    if (edit->text() != text)
        edit->setText(text);
}

void showText(QComboBox* box, const QString& text)
{
    if (box->currentText() != text)
        box->setEditText(text);
}

} // namespace

void TDropDownCombo::showPopup()
{
    bool showList = true;
    if (OnDropDown)
        RunGuarded(window(), [&] { showList = OnDropDown(); });
    if (showList && count() > 0)
        QComboBox::showPopup();
}

TfEditOndoData::TfEditOndoData(TDayEntry& entry, DialogRef<TfListView> listView,
                               DialogRef<TfCalendar> calendar, QWidget* parent)
    : QMainWindow(parent), m_entry(entry), m_listView(std::move(listView)),
      m_calendar(std::move(calendar))
{
    setObjectName(QStringLiteral("fEditOndoData"));
    setWindowTitle(Title);
    setFont(WindowFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));

    buildMenus();
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(4);
    layout->addWidget(buildHeader());
    layout->addWidget(buildSpec());
    layout->addWidget(buildMiddle(), 1);
    setCentralWidget(central);

    m_version = new QLabel(this);
    m_version->setObjectName(QStringLiteral("StatusBar1Panel0"));
    m_version->setAlignment(Qt::AlignCenter);
    m_version->setFixedWidth(px(100));
    auto* second = new QLabel(this);
    second->setObjectName(QStringLiteral("StatusBar1Panel1"));
    second->setFixedWidth(px(50));
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(m_version);
    statusBar()->addWidget(second);

    resize(px(760), px(698));
    connectEntry();
    connectControls();
    // An error here is shown; the window still opens.
    RunGuarded(this, [this] { m_entry.Start(); });
    showHeader();
    showStatistics();
    showSimulated();
}

TfEditOndoData::~TfEditOndoData()
{
    // An open cell editor commits on focus-out while the window is being destroyed.
    m_readings->setModel(nullptr);
    m_entry.disconnect(this);
}

void TfEditOndoData::connectEntry()
{
    m_entry.Confirm = [this](const QString& question, bool yesByDefault) {
        return QMessageBox::question(
                   this, windowTitle(), question, QMessageBox::Yes | QMessageBox::No,
                   yesByDefault ? QMessageBox::Yes : QMessageBox::No) == QMessageBox::Yes;
    };
    m_entry.Inform = [this](const QString& text) {
        QMessageBox::information(this, windowTitle(), text);
    };
    m_entry.AskUnsaved = [this](const QString& question) {
        QMessageBox box(QMessageBox::Question, windowTitle(), question, QMessageBox::NoButton,
                        this);
        QPushButton* save = box.addButton(QStringLiteral("登録"), QMessageBox::AcceptRole);
        QPushButton* discard =
            box.addButton(QStringLiteral("登録しない"), QMessageBox::DestructiveRole);
        box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
        box.setDefaultButton(save);
        box.exec();
        if (box.clickedButton() == save)
            return TUnsavedAnswer::Register;
        return box.clickedButton() == discard ? TUnsavedAnswer::Discard : TUnsavedAnswer::Cancel;
    };
    connect(&m_entry, &TDayEntry::registered, this,
            [this](const QString& message) { ShowStatus(message, 15000); });
    connect(&m_entry, &TDayEntry::temperatureRefused, this, [this](int lno, const QString& reason) {
        ShowStatus(QStringLiteral("%1 行目: %2").arg(lno).arg(reason), 15000);
    });
    connect(&m_entry, &TDayEntry::headerChanged, this, &TfEditOndoData::showHeader);
    connect(&m_entry, &TDayEntry::statisticsChanged, this, &TfEditOndoData::showStatistics);
    connect(&m_entry, &TDayEntry::shownIdChanged, this,
            [this](int id) { m_shownId->setText(QString::number(id)); });
    connect(&m_entry, &TDayEntry::kubunsChanged, this,
            [this] { refill(m_kubun, m_entry.KubunNames()); });
    // The session flags a simulated day after its statistics, before the step it pushes for
    // undo: the undo stack's index is the last word of a simulation and of its undoing.
    connect(&m_entry, &TDayEntry::statisticsChanged, this, &TfEditOndoData::showSimulated);
    connect(&m_entry, &TDayEntry::headerChanged, this, &TfEditOndoData::showSimulated);
    connect(&m_entry, &TDayEntry::registered, this, &TfEditOndoData::showSimulated);
    connect(&m_entry.UndoStack(), &QUndoStack::indexChanged, this, &TfEditOndoData::showSimulated);
}

void TfEditOndoData::connectControls()
{
    // What the user types goes into the session; what the session shows comes back through
    // showHeader, which is no edit.
    const auto typed = [this](void (TDayEntry::*set)(const QString&)) {
        return [this, set](const QString& text) {
            if (!m_updating)
                RunGuarded(this, [&] { (m_entry.*set)(text); });
        };
    };
    connect(m_kojiCode, &QLineEdit::textChanged, this, typed(&TDayEntry::SetKojiCode));
    connect(m_kojiName, &QComboBox::editTextChanged, this, typed(&TDayEntry::SetKojiName));
    connect(m_gozaiName, &QComboBox::editTextChanged, this, typed(&TDayEntry::SetGozaiName));
    connect(m_printName, &QLineEdit::textChanged, this, typed(&TDayEntry::SetPrintName));
    connect(m_day, &QComboBox::editTextChanged, this, typed(&TDayEntry::SetDayText));
    connect(m_kubun, &QComboBox::editTextChanged, this, typed(&TDayEntry::SetKubunName));
    connect(m_simei, &QComboBox::editTextChanged, this, typed(&TDayEntry::SetSimei));
    connect(m_specValue, &QLineEdit::textChanged, this, typed(&TDayEntry::SetSpecValue));
    connect(m_weather, &QComboBox::editTextChanged, this, typed(&TDayEntry::SetWeather));
    connect(m_airTemperature, &QLineEdit::textChanged, this, typed(&TDayEntry::SetAirTemperature));
    connect(m_memo, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_updating)
            m_entry.SetRemark(m_memo->toPlainText());
    });
    // Enter in the day box shows the day typed.
    connect(m_day->lineEdit(), &QLineEdit::returnPressed, this, &TfEditOndoData::chooseDay);

    m_kojiName->OnDropDown = [this] { return !pickProject(); };
    m_gozaiName->OnDropDown = [this] {
        pickRecord(false);
        return false;
    };
    m_day->OnDropDown = [this] {
        refill(m_day, m_entry.DayList());
        return true;
    };
    m_kubun->OnDropDown = [this] {
        refill(m_kubun, m_entry.KubunNames());
        return true;
    };
    m_simei->OnDropDown = [this] {
        refill(m_simei, m_entry.SimeiNames());
        return true;
    };
    connect(m_day, &QComboBox::activated, this, &TfEditOndoData::chooseDay);
    connect(m_kubun, &QComboBox::activated, this,
            [this] { RunGuarded(this, [this] { m_entry.ChooseKubun(); }); });
    connect(m_avgDecimals, &QSpinBox::valueChanged, this, [this](int value) {
        RunGuarded(this, [value] { TSettings::SetAverageDecimals(value); });
        showStatistics();
    });
    // A code typed and left: the registered project's name, or the offer to register it.
    connect(m_kojiCode, &QLineEdit::editingFinished, this, &TfEditOndoData::lookUpTypedProject);
}

void TfEditOndoData::lookUpTypedProject()
{
    if (m_updating || !m_kojiCode->isModified())
        return;
    m_kojiCode->setModified(false);
    RunGuarded(this, [this] {
        const QString code = m_entry.Header().kojiCode.trimmed();
        if (code.isEmpty() || m_entry.TakeTypedProject())
            return;
        if (QMessageBox::question(
                this, windowTitle(),
                QStringLiteral("工事コード「%1」は工事に登録されていません。登録しますか？")
                    .arg(code),
                QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes)
            Q_EMIT projectDialogRequested(true);
    });
}

void TfEditOndoData::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    for (int r = 0; r < StatisticCaptions.size(); ++r)
        m_statistics->item(r, 0)->setText(StatisticCaptions[r]);
    RunGuarded(this, [this] {
        const QSignalBlocker quiet(m_avgDecimals); // showing the stored value is no change
        m_avgDecimals->setValue(TSettings::AverageDecimals());
        const int direction = TSettings::EnterDirection();
        m_readings->SetEnterDirection(TEnterDirection(direction));
        m_arrow->setText(ArrowCaptions[direction]);
    });
    showStatistics();
    m_version->setText(
        QStringLiteral("Ver.") +
        ReadVersionString(QCoreApplication::applicationFilePath(), QStringLiteral("FileVersion")));
}

void TfEditOndoData::showHeader()
{
    const bool wasUpdating = m_updating;
    m_updating = true;
    const TDayHeader& h = m_entry.Header();
    showText(m_kojiCode, h.kojiCode);
    showText(m_kojiName, h.kojiName);
    showText(m_gozaiName, h.gozaiName);
    showText(m_printName, h.printName);
    showText(m_kubun, h.kubunName);
    showText(m_simei, h.simei);
    showText(m_specValue, h.specValue);
    showText(m_specRange, h.specRange);
    showText(m_interval, h.interval);
    showText(m_day, h.dayText);
    showText(m_weather, h.weather);
    showText(m_airTemperature, h.airTemperature);
    if (m_memo->toPlainText() != h.remark)
        m_memo->setPlainText(h.remark);
    m_updating = wasUpdating;
}

void TfEditOndoData::showStatistics()
{
    const DayStatistics day = m_entry.Statistics();
    const QStringList values =
        day.count == 0 ? QStringList(4)
                       : QStringList{FormatGeneral(day.maximum), FormatGeneral(day.minimum),
                                     FormatFixed(m_entry.AverageAt(m_avgDecimals->value()),
                                                 m_avgDecimals->value()),
                                     QString::number(day.count)};
    for (int r = 0; r < 4; ++r)
        m_statistics->item(r, 1)->setText(values[r]);
    m_outsideCount->setText(
        m_entry.HasSpec() ? QStringLiteral("規格外 %1 件").arg(m_entry.OutsideCount()) : QString());
}

// A simulated day is never taken for a measured one: named in the title, banded over the grid.
void TfEditOndoData::showSimulated()
{
    const bool simulated = m_entry.IsSimulated();
    setWindowTitle(simulated ? Title + QStringLiteral(" ― 模擬値") : Title);
    m_simulatedBand->setVisible(simulated);
}

// Adding to an empty editable box would replace its text with the first item.
void TfEditOndoData::refill(QComboBox* box, const QStringList& items)
{
    const bool wasUpdating = m_updating;
    m_updating = true;
    const QString text = box->currentText();
    box->clear();
    box->addItems(items);
    box->setCurrentIndex(-1);
    box->setEditText(text);
    m_updating = wasUpdating;
}

void TfEditOndoData::ShowStatus(const QString& text, int milliseconds)
{
    statusBar()->showMessage(text, milliseconds);
}

bool TfEditOndoData::pickProject()
{
    if (!m_listView)
        throw AppError(QStringLiteral("一覧画面がありません"));
    m_listView->Fill(m_entry.ProjectList());
    m_listView->setWindowTitle(QStringLiteral("工事の選択"));
    if (m_listView->exec() != QDialog::Accepted)
        return false;
    const ListViewRow* row = m_listView->SelectedRow();
    if (!row)
        return false;
    m_entry.TakeProject(row->caption);
    // Chosen names stay in the box's list for the run.
    const bool wasUpdating = m_updating;
    m_updating = true;
    m_kojiName->addItem(m_entry.Header().kojiName);
    m_kojiName->setCurrentIndex(m_kojiName->count() - 1);
    m_updating = wasUpdating;
    return true;
}

void TfEditOndoData::pickRecord(bool all)
{
    if (!m_listView)
        throw AppError(QStringLiteral("一覧画面がありません"));
    m_listView->Fill(m_entry.RecordList(all));
    m_listView->setWindowTitle(QStringLiteral("記録の選択"));
    if (m_listView->exec() != QDialog::Accepted)
        return;
    const ListViewRow* row = m_listView->SelectedRow();
    if (!row)
        return;
    m_entry.OpenRecord(row->subItems.value(3).toInt());
}

void TfEditOndoData::pickDate()
{
    if (!m_calendar)
        throw AppError(QStringLiteral("日付選択画面がありません"));
    const QString text = AsciiTyped(m_day->currentText());
    m_calendar->SetCalendar(IsDate(text) ? ParseDate(text).date() : QDate::currentDate());
    if (m_calendar->exec() != QDialog::Accepted)
        return;
    m_day->setEditText(FormatDate(QDateTime(m_calendar->GetCalendar(), QTime(0, 0))));
    m_entry.ChooseDay();
}

void TfEditOndoData::chooseDay()
{
    RunGuarded(this, [this] { m_entry.ChooseDay(); });
}

bool TfEditOndoData::SettleBeforeQuit()
{
    // A value still in the cell's editor is typed all the same: it is asked about too.
    m_readings->CommitEditing();
    bool settled = false;
    RunGuarded(this, [&] { settled = m_entry.SettleUnsaved(); });
    return settled;
}

void TfEditOndoData::closeEvent(QCloseEvent* event)
{
    if (!SettleBeforeQuit()) {
        event->ignore();
        return;
    }
    RunGuarded(this, [this] {
        TSettings::SetMainWindowGeometry(saveGeometry());
        keepChoices();
    });
    event->accept();
}

void TfEditOndoData::paintEvent(QPaintEvent* event)
{
    QMainWindow::paintEvent(event);
    if (m_restoreAsked)
        return;
    m_restoreAsked = true;
    // The window shows at once; the day it was left on follows, a few statements later.
    QTimer::singleShot(0, this, &TfEditOndoData::restoreChoices);
}

void TfEditOndoData::keepChoices()
{
    const TDayHeader& h = m_entry.Header();
    const bool chosen =
        !h.kojiCode.trimmed().isEmpty() || !h.gozaiName.isEmpty() || !h.kubunName.isEmpty();
    if (!m_choicesRestored && !chosen)
        return;
    TSettings::SetLastChoice({h.kojiCode.trimmed(), h.gozaiName, h.kubunName});
}

void TfEditOndoData::restoreChoices()
{
    const TDayHeader& h = m_entry.Header();
    // Only onto the empty day the window starts with, never over what was typed since.
    if (m_entry.IsModified() || !h.kojiCode.isEmpty() || !h.gozaiName.isEmpty() ||
        !h.kubunName.isEmpty()) {
        m_choicesRestored = true;
        return;
    }
    try {
        const TSettings::TLastChoice last = TSettings::LastChoice();
        const QString& code = last.kojiCode;
        const QString& mix = last.gozaiName;
        const QString& kubun = last.kubunName;
        if (!code.isEmpty() && TKoji::Exists(code))
            m_entry.TakeProject(code);
        if (!mix.isEmpty()) {
            QStringList mixes;
            TGozai().GetList(mixes);
            if (mixes.contains(mix) || HasRecordHeaders(h.kojiCode, mix))
                m_entry.TakeGozai(mix);
        }
        if (!kubun.isEmpty() && m_entry.KubunNames().contains(kubun)) {
            m_entry.SetKubunName(kubun);
            m_entry.ChooseKubun();
        }
    } catch (const std::exception&) {
        // Data out of reach was told at the start; what is stored waits for the next start.
        return;
    }
    m_choicesRestored = true;
}

void TfEditOndoData::stepArrow()
{
    const int next = (int(m_readings->EnterDirection()) + 1) % 4;
    m_readings->SetEnterDirection(TEnterDirection(next));
    m_arrow->setText(ArrowCaptions[next]);
    RunGuarded(this, [next] { TSettings::SetEnterDirection(next); });
}

void TfEditOndoData::editCommand(EditCommand command)
{
    QWidget* focus = QApplication::focusWidget();
    // A text box keeps its own editing; the readings have the session's.
    if (auto* edit = qobject_cast<QLineEdit*>(focus)) {
        switch (command) {
        case EditUndo:
            edit->undo();
            break;
        case EditRedo:
            edit->redo();
            break;
        case EditCut:
            edit->cut();
            break;
        case EditCopy:
            edit->copy();
            break;
        case EditPaste:
            edit->paste();
            break;
        case EditClear:
            edit->del();
            break;
        case EditSelectAll:
            edit->selectAll();
            break;
        }
        return;
    }
    if (auto* text = qobject_cast<QPlainTextEdit*>(focus)) {
        switch (command) {
        case EditUndo:
            text->undo();
            break;
        case EditRedo:
            text->redo();
            break;
        case EditCut:
            text->cut();
            break;
        case EditCopy:
            text->copy();
            break;
        case EditPaste:
            text->paste();
            break;
        case EditClear:
            text->textCursor().removeSelectedText();
            break;
        case EditSelectAll:
            text->selectAll();
            break;
        }
        return;
    }
    RunGuarded(this, [this, command] {
        switch (command) {
        case EditUndo:
            m_entry.UndoStack().undo();
            break;
        case EditRedo:
            m_entry.UndoStack().redo();
            break;
        case EditCut:
            m_readings->CutSelected();
            break;
        case EditCopy:
            QGuiApplication::clipboard()->setText(m_readings->SelectedText());
            break;
        case EditPaste:
            m_readings->PasteText(QGuiApplication::clipboard()->text());
            break;
        case EditClear:
            m_readings->ClearSelected();
            break;
        case EditSelectAll:
            m_readings->setFocus();
            m_readings->selectAll();
            break;
        }
    });
}

void TfEditOndoData::PlaceOnScreen(const QRect& screen)
{
    const QByteArray saved = TSettings::MainWindowGeometry();
    if (!saved.isEmpty() && restoreGeometry(saved))
        return;
    // As tall as the screen allows, so that a day's readings show without scrolling.
    const QSize size(qMin(px(860), screen.width()), qMax(600, screen.height() - 40));
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, screen));
}

void TfEditOndoData::registerDay()
{
    m_register->setEnabled(false);
    m_readings->CommitEditing();
    // The refused cell is where the error box sends the user.
    if (const int refused = m_entry.FirstRefused())
        m_readings->setCurrentIndex(
            m_readings->model()->index(refused - 1, TDayEntry::TemperatureColumn));
    RunGuarded(this, [this] { m_entry.Register(); });
    m_register->setEnabled(true);
    // Not on 閉じる, where a Space would end the program.
    m_readings->setFocus();
}
