#include "core/Utility.h"
#include "domain/DayEntry.h"
#include "entry_ui/EditOndoData.h"
#include "entry_ui/MainWindowNames.h"
#include "entry_ui/ReadingsView.h"
#include "widgets_ui/ErrorGuard.h"
#include "widgets_ui/WindowFont.h"

#include <QAction>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QUndoStack>
#include <QVBoxLayout>
#include <climits>

// The window's controls, laid out as the form was designed; each keeps its designer name.

namespace N = MainWindowNames;

namespace {

void paintAqua(QWidget* w)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Base, QColor(0x00, 0xFF, 0xFF));
    w->setPalette(p);
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

QLineEdit* makeEdit(QWidget* parent, const char* name, const QString& spoken)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setAccessibleName(spoken);
    return e;
}

TDropDownCombo* makeCombo(QWidget* parent, const char* name, const QString& spoken)
{
    auto* c = new TDropDownCombo(parent);
    c->setObjectName(QLatin1String(name));
    c->setAccessibleName(spoken);
    // Made editable through its own line edit: setEditable(true) would also build the box's
    // drop-down list now. Made at the first drop-down, the list is the same.
    auto* edit = new QLineEdit(c);
    edit->setPalette(c->palette());
    c->setLineEdit(edit);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setMaxVisibleItems(16);
    return c;
}

QAction* menuItem(QMenu* menu, const char* name, const QString& caption,
                  QKeySequence shortcut = QKeySequence())
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(QLatin1String(name));
    if (!shortcut.isEmpty())
        a->setShortcut(shortcut);
    return a;
}

// The decimals box takes digits typed with the input method on.
class TypedSpinBox : public QSpinBox
{
public:
    using QSpinBox::QSpinBox;

protected:
    QValidator::State validate(QString& input, int& pos) const override
    {
        input = AsciiTyped(input);
        return QSpinBox::validate(input, pos);
    }
    int valueFromText(const QString& text) const override
    {
        return QSpinBox::valueFromText(AsciiTyped(text));
    }
};

} // namespace

int TfEditOndoData::px(int at9) const
{
    return WindowPixels(font(), at9);
}

void TfEditOndoData::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    QAction* open = menuItem(file, N::OpenItem, QStringLiteral("開く(&O)…"), QKeySequence::Open);
    QAction* newRecord = menuItem(file, N::NewItem, QStringLiteral("新規(&N)"), QKeySequence::New);
    QAction* registerItem =
        menuItem(file, N::RegisterItem, QStringLiteral("登録(&S)"), QKeySequence::Save);
    QAction* print = menuItem(file, N::PrintItem, QStringLiteral("印刷(&P)…"), QKeySequence::Print);
    file->addSeparator();
    // Readings typed at the paver join the day shown here.
    QAction* site = menuItem(file, N::SiteItem, QStringLiteral("現場入力を開始(&G)…"));
    file->addSeparator();
    QAction* remove = menuItem(file, N::DeleteItem, QStringLiteral("削除"));
    QAction* removeDay = menuItem(file, N::DeleteDayItem, QStringLiteral("この試験日を削除"));
    file->addSeparator();
    m_restoreItem = menuItem(file, N::RestoreItem, QStringLiteral("バックアップから復元…"));
    QAction* importCsv = menuItem(file, N::ImportCsvItem, QStringLiteral("CSVから取り込み…"));
    QAction* importProfile =
        menuItem(file, N::ImportProfileItem, QStringLiteral("敷均し温度分布の取り込み…"));
    QAction* exportItem = menuItem(file, N::ExportItem, QStringLiteral("Excelに出力…"));
    QAction* package = menuItem(file, N::PackageItem, QStringLiteral("提出用一式を作成…"));
    QAction* importOld = menuItem(file, N::ImportOldItem, QStringLiteral("旧データの取り込み…"));
    QAction* copyData = menuItem(file, N::CopyDataItem, QStringLiteral("データの移行…"));
    file->addSeparator();
    QAction* close = menuItem(file, N::CloseItem, QStringLiteral("閉じる(&X)"));
    // A server's backups are the server's own.
    connect(file, &QMenu::aboutToShow, this,
            [this] { m_restoreItem->setEnabled(!TDayEntry::DataOnServer()); });

    QMenu* edit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
    QAction* undo = menuItem(edit, N::UndoItem, QStringLiteral("元に戻す(&U)"), QKeySequence::Undo);
    QAction* redo = menuItem(edit, N::RedoItem, QStringLiteral("やり直し(&R)"));
    // Ctrl+Y as in Excel first, so that the menu shows it; the desktop's own redo key also works.
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    edit->addSeparator();
    QAction* cut = menuItem(edit, N::CutItem, QStringLiteral("切り取り(&T)"), QKeySequence::Cut);
    QAction* copy = menuItem(edit, N::CopyItem, QStringLiteral("コピー(&C)"), QKeySequence::Copy);
    QAction* paste =
        menuItem(edit, N::PasteItem, QStringLiteral("貼り付け(&P)"), QKeySequence::Paste);
    QAction* clear = menuItem(edit, N::ClearItem, QStringLiteral("削除(&D)"), QKeySequence::Delete);
    edit->addSeparator();
    QAction* all =
        menuItem(edit, N::SelectAllItem, QStringLiteral("すべて選択(&A)"), QKeySequence::SelectAll);
    QUndoStack& stack = m_entry.UndoStack();
    undo->setEnabled(stack.canUndo());
    redo->setEnabled(stack.canRedo());
    connect(&stack, &QUndoStack::canUndoChanged, undo, &QAction::setEnabled);
    connect(&stack, &QUndoStack::canRedoChanged, redo, &QAction::setEnabled);
    connect(&stack, &QUndoStack::undoTextChanged, undo, [undo](const QString& what) {
        undo->setStatusTip(what.isEmpty() ? QString() : QStringLiteral("元に戻す: ") + what);
    });
    // The grid's commands while it has the focus; a text box's own otherwise.
    connect(undo, &QAction::triggered, this, [this] { editCommand(EditUndo); });
    connect(redo, &QAction::triggered, this, [this] { editCommand(EditRedo); });
    connect(cut, &QAction::triggered, this, [this] { editCommand(EditCut); });
    connect(copy, &QAction::triggered, this, [this] { editCommand(EditCopy); });
    connect(paste, &QAction::triggered, this, [this] { editCommand(EditPaste); });
    connect(clear, &QAction::triggered, this, [this] { editCommand(EditClear); });
    connect(all, &QAction::triggered, this, [this] { editCommand(EditSelectAll); });

    QMenu* data = menuBar()->addMenu(QStringLiteral("データ(&D)"));
    QAction* days =
        menuItem(data, N::DayListItem, QStringLiteral("登録済みの試験日…"), Qt::CTRL | Qt::Key_L);
    QAction* journey = menuItem(data, N::JourneyItem, QStringLiteral("温度低下…"));
    data->addSeparator();
    QAction* koji = menuItem(data, N::KojiItem, QStringLiteral("工事"));
    QAction* gozai = menuItem(data, N::GozaiItem, QStringLiteral("合材"));
    QAction* simei = menuItem(data, N::SimeiItem, QStringLiteral("氏名"));
    QAction* kubun = menuItem(data, N::KubunItem, QStringLiteral("温度区分"));

    QMenu* options = menuBar()->addMenu(QStringLiteral("オプション(&O)"));
    QAction* dataPath = menuItem(options, N::DataPathItem, QStringLiteral("データ格納場所の設定…"));

    QMenu* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    help->setObjectName(QLatin1String(N::HelpMenu));
    QAction* usage =
        menuItem(help, N::HelpUsageItem, QStringLiteral("使い方(&H)"), QKeySequence::HelpContents);
    QAction* about = menuItem(help, N::HelpAboutItem, QStringLiteral("バージョン情報(&A)"));

    const auto guarded = [this](std::function<void()> command) {
        return [this, command] { RunGuarded(this, command); };
    };
    connect(open, &QAction::triggered, this, guarded([this] { pickRecord(true); }));
    connect(newRecord, &QAction::triggered, this, guarded([this] { m_entry.New(); }));
    connect(registerItem, &QAction::triggered, this, &TfEditOndoData::registerDay);
    connect(print, &QAction::triggered, this, &TfEditOndoData::printRequested);
    connect(remove, &QAction::triggered, this, guarded([this] { m_entry.DeleteRecord(); }));
    connect(removeDay, &QAction::triggered, this, guarded([this] { m_entry.DeleteDay(); }));
    connect(m_restoreItem, &QAction::triggered, this, &TfEditOndoData::restoreRequested);
    connect(importCsv, &QAction::triggered, this, &TfEditOndoData::csvImportRequested);
    connect(importProfile, &QAction::triggered, this, &TfEditOndoData::profileImportRequested);
    connect(exportItem, &QAction::triggered, this, &TfEditOndoData::exportRequested);
    connect(package, &QAction::triggered, this, &TfEditOndoData::packageRequested);
    connect(importOld, &QAction::triggered, this, &TfEditOndoData::oldDataImportRequested);
    connect(copyData, &QAction::triggered, this, &TfEditOndoData::copyDataRequested);
    connect(site, &QAction::triggered, this, &TfEditOndoData::siteRequested);
    connect(close, &QAction::triggered, this, &QWidget::close);
    connect(days, &QAction::triggered, this, &TfEditOndoData::dayListRequested);
    connect(journey, &QAction::triggered, this, &TfEditOndoData::journeyRequested);
    connect(koji, &QAction::triggered, this, [this] { Q_EMIT projectDialogRequested(false); });
    connect(gozai, &QAction::triggered, this, [this] { Q_EMIT mixDialogRequested(false); });
    connect(simei, &QAction::triggered, this, [this] { Q_EMIT measurerDialogRequested(false); });
    connect(kubun, &QAction::triggered, this, &TfEditOndoData::categoryDialogRequested);
    connect(dataPath, &QAction::triggered, this, &TfEditOndoData::dataLocationRequested);
    connect(usage, &QAction::triggered, this, &TfEditOndoData::helpRequested);
    connect(about, &QAction::triggered, this, &TfEditOndoData::aboutRequested);
}

// Project, mix and print name on the left; day, category and measurer on the right: three rows
// leave the readings the height of the screen.
QWidget* TfEditOndoData::buildHeader()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QLatin1String(N::HeaderPanel));
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(3);
    auto place = [&](int row, int column, QWidget* first, QLayout* rest) {
        first->setFixedWidth(px(84));
        grid->addWidget(first, row, column);
        grid->addLayout(rest, row, column + 1);
    };

    QPushButton* projectButton = makeButton(panel, N::KojiButton, QStringLiteral("工事名"));
    m_kojiCode = makeEdit(panel, N::KojiCode, QStringLiteral("工事コード"));
    m_kojiCode->setFixedWidth(px(70));
    m_kojiCode->setPlaceholderText(QStringLiteral("コード"));
    m_kojiCode->setToolTip(QStringLiteral("工事コードを入れて Tab で工事名が入ります"));
    paintAqua(m_kojiCode);
    m_kojiName = makeCombo(panel, N::KojiName, QStringLiteral("工事名"));
    m_kojiName->setMinimumWidth(px(220));
    auto* projectRow = new QHBoxLayout;
    projectRow->addWidget(m_kojiCode);
    projectRow->addWidget(m_kojiName, 1);
    place(0, 0, projectButton, projectRow);

    QPushButton* mixButton = makeButton(panel, N::GozaiButton, QStringLiteral("合材名"));
    m_gozaiName = makeCombo(panel, N::GozaiName, QStringLiteral("合材名"));
    paintAqua(m_gozaiName);
    auto* mixRow = new QHBoxLayout;
    mixRow->addWidget(m_gozaiName, 1);
    place(1, 0, mixButton, mixRow);

    auto* printNameLabel = new QLabel(QStringLiteral("合材名(印刷名)"), panel);
    printNameLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_printName = makeEdit(panel, N::PrintName, QStringLiteral("合材名(印刷名)"));
    printNameLabel->setBuddy(m_printName);
    auto* printRow = new QHBoxLayout;
    printRow->addWidget(m_printName, 1);
    place(2, 0, printNameLabel, printRow);

    QPushButton* dayButton = makeButton(panel, N::DayButton, QStringLiteral("試験日"));
    m_day = makeCombo(panel, N::Day, QStringLiteral("試験日"));
    m_day->setFixedWidth(px(120));
    m_day->setToolTip(QStringLiteral("日付を入れて Enter でその日を表示します"));
    paintAqua(m_day);
    auto* dayRow = new QHBoxLayout;
    dayRow->addWidget(m_day);
    dayRow->addStretch(1);
    place(0, 2, dayButton, dayRow);

    QPushButton* kubunButton = makeButton(panel, N::KubunButton, QStringLiteral("区分名"));
    m_kubun = makeCombo(panel, N::Kubun, QStringLiteral("区分名"));
    m_kubun->setMinimumWidth(px(150));
    paintAqua(m_kubun);
    auto* kubunRow = new QHBoxLayout;
    kubunRow->addWidget(m_kubun, 1);
    place(1, 2, kubunButton, kubunRow);

    QPushButton* simeiButton = makeButton(panel, N::SimeiButton, QStringLiteral("測定者"));
    m_simei = makeCombo(panel, N::Simei, QStringLiteral("測定者"));
    m_simei->setMinimumWidth(px(120));
    auto* simeiRow = new QHBoxLayout;
    simeiRow->addWidget(m_simei, 1);
    place(2, 2, simeiButton, simeiRow);
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(3, 2);

    for (QComboBox* c : {m_gozaiName, m_day, m_kubun})
        paintAqua(c->lineEdit());

    connect(projectButton, &QPushButton::clicked, this,
            [this] { Q_EMIT projectDialogRequested(true); });
    connect(mixButton, &QPushButton::clicked, this, [this] { Q_EMIT mixDialogRequested(true); });
    connect(simeiButton, &QPushButton::clicked, this,
            [this] { Q_EMIT measurerDialogRequested(true); });
    connect(kubunButton, &QPushButton::clicked, this, &TfEditOndoData::categoryDialogRequested);
    connect(dayButton, &QPushButton::clicked, this,
            [this] { RunGuarded(this, [this] { pickDate(); }); });
    return panel;
}

QWidget* TfEditOndoData::buildSpec()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QLatin1String(N::SpecPanel));
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 2, 0, 2);

    auto* specLabel = new QLabel(QStringLiteral("規格値"), panel);
    m_specValue = makeEdit(panel, N::SpecValue, QStringLiteral("規格値"));
    m_specValue->setPlaceholderText(QStringLiteral("150～160 / 110～"));
    m_specValue->setToolTip(
        QStringLiteral("下限～上限（例 150～160）。片側だけなら 110～（以上）や ～185（以下）"));
    specLabel->setBuddy(m_specValue);
    auto* rangeLabel = new QLabel(QStringLiteral("温度範囲"), panel);
    rangeLabel->setEnabled(false);
    m_specRange = makeEdit(panel, N::SpecRange, QStringLiteral("温度範囲"));
    m_specRange->setEnabled(false);
    m_specRange->setToolTip(QStringLiteral("温度区分の温度範囲（シミュレーションの範囲）"));
    auto* intervalLabel = new QLabel(QStringLiteral("計測"), panel);
    intervalLabel->setEnabled(false);
    m_interval = makeEdit(panel, N::Interval, QStringLiteral("計測"));
    m_interval->setEnabled(false);
    m_interval->setFixedWidth(px(60));
    m_interval->setToolTip(
        QStringLiteral("温度区分の計測（何ごとに測るか）。表の1列目の見出しになります"));

    // The day's conditions, printed with it.
    auto* weatherLabel = new QLabel(QStringLiteral("天候"), panel);
    m_weather = makeCombo(panel, N::Weather, QStringLiteral("天候"));
    m_weather->addItems({QStringLiteral("晴"), QStringLiteral("曇"), QStringLiteral("雨"),
                         QStringLiteral("小雨"), QStringLiteral("雪")});
    m_weather->setCurrentIndex(-1);
    m_weather->setFixedWidth(px(80));
    weatherLabel->setBuddy(m_weather);
    auto* airLabel = new QLabel(QStringLiteral("気温"), panel);
    m_airTemperature = makeEdit(panel, N::AirTemperature, QStringLiteral("気温"));
    m_airTemperature->setFixedWidth(px(50));
    m_airTemperature->setAttribute(Qt::WA_InputMethodEnabled, false);
    airLabel->setBuddy(m_airTemperature);

    row->addWidget(specLabel);
    row->addWidget(m_specValue, 2);
    row->addSpacing(6);
    row->addWidget(rangeLabel);
    row->addWidget(m_specRange, 2);
    row->addSpacing(6);
    row->addWidget(intervalLabel);
    row->addWidget(m_interval);
    row->addSpacing(12);
    row->addWidget(weatherLabel);
    row->addWidget(m_weather);
    row->addSpacing(6);
    row->addWidget(airLabel);
    row->addWidget(m_airTemperature);
    row->addWidget(new QLabel(QStringLiteral("℃"), panel));
    return panel;
}

// The readings take all the height; beside them the statistics, numbering, the day's remark
// and the commands.
QWidget* TfEditOndoData::buildMiddle()
{
    auto* panel = new QWidget(this);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);

    m_readings = new TReadingsView(m_entry, panel);
    m_readings->setObjectName(QLatin1String(N::Readings));
    m_readings->setAccessibleName(QStringLiteral("温度データ"));
    // Shown over the readings while they are simulated (showSimulated).
    m_simulatedBand = new QLabel(
        QStringLiteral("模擬値（シミュレーション）の日です　実測値ではありません"), panel);
    m_simulatedBand->setObjectName(QLatin1String(N::SimulatedBand));
    m_simulatedBand->setAlignment(Qt::AlignCenter);
    m_simulatedBand->setAutoFillBackground(true);
    m_simulatedBand->setMargin(4);
    QPalette band = m_simulatedBand->palette();
    band.setColor(QPalette::Window, QColor(0xFF, 0xE6, 0x00));
    band.setColor(QPalette::WindowText, Qt::black);
    m_simulatedBand->setPalette(band);
    QFont bold = m_simulatedBand->font();
    bold.setBold(true);
    m_simulatedBand->setFont(bold);
    m_simulatedBand->hide();
    auto* readings = new QVBoxLayout;
    readings->setSpacing(2);
    readings->addWidget(m_simulatedBand);
    readings->addWidget(m_readings, 1);
    row->addLayout(readings, 1);

    auto* right = new QVBoxLayout;
    m_statistics = new QTableWidget(panel);
    m_statistics->setObjectName(QLatin1String(N::Statistics));
    m_statistics->setAccessibleName(QStringLiteral("最高・最低・平均・個数"));
    m_statistics->setFont(m_readings->font());
    m_statistics->horizontalHeader()->hide();
    m_statistics->verticalHeader()->hide();
    const int statRow = px(21), statColumn = px(85);
    m_statistics->verticalHeader()->setDefaultSectionSize(statRow);
    m_statistics->verticalHeader()->setMinimumSectionSize(16);
    m_statistics->horizontalHeader()->setDefaultSectionSize(statColumn);
    m_statistics->setTabKeyNavigation(false);
    m_statistics->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_statistics->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_statistics->setSelectionMode(QAbstractItemView::SingleSelection);
    // Derived from the readings only, so that what is shown is what 登録 stores.
    m_statistics->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_statistics->setColumnCount(2);
    m_statistics->setRowCount(4);
    m_statistics->setFixedSize(2 * statColumn + 2 * m_statistics->frameWidth(),
                               4 * statRow + 2 * m_statistics->frameWidth());
    for (int r = 0; r < 4; ++r) {
        auto* label = new QTableWidgetItem;
        label->setFlags(Qt::ItemIsEnabled);
        label->setTextAlignment(Qt::AlignCenter);
        label->setBackground(palette().brush(QPalette::Button));
        m_statistics->setItem(r, 0, label);
        m_statistics->setItem(r, 1, new QTableWidgetItem);
    }
    right->addWidget(m_statistics);
    m_outsideCount = new QLabel(panel);
    m_outsideCount->setObjectName(QLatin1String(N::OutsideCount));
    right->addWidget(m_outsideCount);

    auto* decimals = new QGroupBox(QStringLiteral("表示小数桁"), panel);
    decimals->setObjectName(QLatin1String(N::DecimalsBox));
    auto* decimalsRow = new QHBoxLayout(decimals);
    auto* avgLabel = new QLabel(QStringLiteral("平均値"), decimals);
    m_avgDecimals = new TypedSpinBox(decimals);
    m_avgDecimals->setObjectName(QLatin1String(N::AverageDecimals));
    m_avgDecimals->setAccessibleName(QStringLiteral("平均値の小数桁"));
    m_avgDecimals->setToolTip(
        QStringLiteral("画面と帳票の平均値の小数桁。登録する値は変わりません"));
    m_avgDecimals->setRange(0, 3);
    m_avgDecimals->setValue(1);
    m_avgDecimals->setFixedWidth(px(60));
    avgLabel->setBuddy(m_avgDecimals);
    decimalsRow->addWidget(avgLabel);
    decimalsRow->addWidget(m_avgDecimals);
    decimalsRow->addStretch(1);
    right->addWidget(decimals);

    auto* countRow = new QHBoxLayout;
    m_rowCount = makeEdit(panel, N::RowCount, QStringLiteral("台数"));
    m_rowCount->setFixedWidth(px(60));
    m_rowCount->setAttribute(Qt::WA_InputMethodEnabled, false);
    m_rowCount->setToolTip(QStringLiteral("台数を入れて「台数セット」で行に番号を付けます"));
    QPushButton* numberRows = makeButton(panel, N::NumberRowsButton, QStringLiteral("台数セット"));
    countRow->addWidget(m_rowCount);
    countRow->addWidget(numberRows);
    countRow->addStretch(1);
    right->addLayout(countRow);
    const auto number = [this] {
        RunGuarded(this, [this] { m_entry.NumberRows(m_rowCount->text()); });
    };
    connect(numberRows, &QPushButton::clicked, this, number);
    connect(m_rowCount, &QLineEdit::returnPressed, this, number);

    auto* remarkLabel = new QLabel(QStringLiteral("記事"), panel);
    m_memo = new QPlainTextEdit(panel);
    m_memo->setObjectName(QLatin1String(N::Memo));
    m_memo->setAccessibleName(QStringLiteral("記事"));
    m_memo->setPlaceholderText(QStringLiteral("この日の記事（全角16文字まで）"));
    m_memo->setMinimumSize(px(161), px(60));
    m_memo->setTabChangesFocus(true);
    remarkLabel->setBuddy(m_memo);
    right->addWidget(remarkLabel);
    right->addWidget(m_memo, 1);

    m_shownId = new QLabel(QStringLiteral("0"), panel);
    m_shownId->setObjectName(QLatin1String(N::ShownId));
    m_shownId->hide();
    right->addWidget(m_shownId);
    right->addWidget(buildCommands(panel));
    row->addLayout(right);
    return panel;
}

QWidget* TfEditOndoData::buildCommands(QWidget* parent)
{
    auto* panel = new QWidget(parent);
    panel->setObjectName(QLatin1String(N::BottomPanel));
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 4, 0, 0);
    m_arrow = makeButton(panel, N::DirectionButton, QStringLiteral("↓"));
    m_arrow->setAccessibleName(QStringLiteral("Enter で移動する向き"));
    m_arrow->setToolTip(QStringLiteral("Enter で次に移るセルの向き（押すたびに → ↓ ← ↑）"));
    m_arrow->setFixedWidth(px(40));
    QPushButton* simulate =
        makeButton(panel, N::SimulateButton, QStringLiteral("シミュレーション"));
    simulate->setToolTip(QStringLiteral(
        "温度区分の温度範囲から試しの値を入れます。登録すると模擬値として記録されます"));
    QPushButton* print = makeButton(panel, N::PrintButton, QStringLiteral("印刷"));
    m_register = makeButton(panel, N::RegisterButton, QStringLiteral("登録"));
    QPushButton* close = makeButton(panel, N::CloseButton, QStringLiteral("閉じる"));
    print->setToolTip(QStringLiteral("印刷設定を開きます（Ctrl+P）"));
    m_register->setToolTip(QStringLiteral("表示中の試験日を登録します（Ctrl+S）"));
    grid->addWidget(m_arrow, 0, 0);
    grid->addWidget(simulate, 0, 1, 1, 2);
    grid->addWidget(print, 1, 0);
    grid->addWidget(m_register, 1, 1);
    grid->addWidget(close, 1, 2);

    connect(m_arrow, &QPushButton::clicked, this, &TfEditOndoData::stepArrow);
    connect(simulate, &QPushButton::clicked, this,
            [this] { RunGuarded(this, [this] { m_entry.Simulate(); }); });
    connect(print, &QPushButton::clicked, this, &TfEditOndoData::printRequested);
    connect(m_register, &QPushButton::clicked, this, &TfEditOndoData::registerDay);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    return panel;
}
