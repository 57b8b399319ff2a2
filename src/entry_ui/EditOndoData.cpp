#include "entry_ui/EditOndoData.h"

#include "core/AppError.h"
#include "core/RegistryUtility.h"
#include "core/Utility.h"
#include "domain/ListViewData.h"
#include "registers_ui/Calendar.h"
#include "settings_ui/CopyDataDialog.h"
#include "storage/Query.h"
#include "widgets_ui/ErrorGuard.h"
#include "widgets_ui/ListView.h"
#include "widgets_ui/WindowFont.h"

#include <QAbstractItemView>
#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
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
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr int ReadingRows = 100;
constexpr int HeaderButtonWidth = 96;

const QStringList ArrowCaptions{QStringLiteral("→"), QStringLiteral("↓"), QStringLiteral("←"),
                                QStringLiteral("↑")};

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

// Adding to an empty editable box would replace its text with the first item.
void refillKeepingText(QComboBox* box, const QStringList& items)
{
    const QString text = box->currentText();
    box->clear();
    box->addItems(items);
    box->setCurrentIndex(-1);
    box->setEditText(text);
}

// "%1.0n": no decimals, thousands separated.
QString formatWithThousands(double value)
{
    QString digits = FormatFixed(value, 0);
    const bool negative = digits.startsWith(QLatin1Char('-'));
    if (negative)
        digits.remove(0, 1);
    for (int i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return negative ? QLatin1Char('-') + digits : digits;
}

// The readings grid's cells: the current one bold; the temperature editor opens with the
// input method off; Return commits and walks down the temperature column.
class ReadingDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    std::function<void()> OnReturn;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (index.column() == 1 && editor) {
            editor->setInputMethodHints(Qt::ImhPreferNumbers | Qt::ImhPreferLatin |
                                        Qt::ImhNoPredictiveText);
            editor->setAttribute(Qt::WA_InputMethodEnabled, false);
        }
        return editor;
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* editor = qobject_cast<QWidget*>(object);
        if (editor && event->type() == QEvent::KeyPress && OnReturn) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                Q_EMIT commitData(editor);
                Q_EMIT closeEditor(editor, QAbstractItemDelegate::NoHint);
                OnReturn();
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const auto* view = qobject_cast<const QAbstractItemView*>(parent());
        if (view && view->currentIndex() == index)
            option->font.setBold(true);
    }
};

// The rows and columns are added last, once the headers are set up: a header that is visible
// when they arrive measures the text of every section, 100 row numbers for the readings.
QTableWidget* makeGrid(QWidget* parent, int rows, int columns, int columnWidth,
                       Qt::Orientations headers)
{
    auto* g = new QTableWidget(parent);
    g->setFont(WindowFont(QStringLiteral("Tahoma"), 9));
    QFont bold = g->font();
    bold.setBold(true);
    g->horizontalHeader()->setFont(bold);
    if (!(headers & Qt::Horizontal))
        g->horizontalHeader()->hide();
    if (!(headers & Qt::Vertical))
        g->verticalHeader()->hide();
    g->verticalHeader()->setDefaultSectionSize(21);
    g->verticalHeader()->setMinimumSectionSize(16);
    g->horizontalHeader()->setDefaultSectionSize(columnWidth);
    g->setTabKeyNavigation(false); // Tab leaves the grid; arrows move inside
    g->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                       QAbstractItemView::AnyKeyPressed);
    g->setColumnCount(columns);
    g->setRowCount(rows);
    return g;
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

void TDropDownCombo::showPopup()
{
    bool showList = true;
    if (OnDropDown)
        RunGuarded(window(), [&] { showList = OnDropDown(); });
    if (showList && count() > 0)
        QComboBox::showPopup();
}

TfEditOndoData::TfEditOndoData(QWidget* parent)
    : QMainWindow(parent), m_ondoKanri(std::make_unique<TOndoKanri>())
{
    setObjectName(QStringLiteral("fEditOndoData"));
    setWindowTitle(QStringLiteral("温度管理"));
    setFont(WindowFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    TOndoKanri::SetConflictQuestion([this] {
        return QMessageBox::question(
                   this, windowTitle(),
                   QStringLiteral("この試験日は他の利用者が変更しています。上書きしますか？"),
                   QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
    });

    buildMenus();
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(4);
    layout->addWidget(buildHeader());
    layout->addWidget(buildSpec());
    layout->addWidget(buildMiddle(), 1);
    layout->addWidget(buildBottom());
    setCentralWidget(central);

    StatusPanel0 = new QLabel(this);
    StatusPanel0->setObjectName(QStringLiteral("StatusBar1Panel0"));
    StatusPanel0->setAlignment(Qt::AlignCenter);
    StatusPanel0->setFixedWidth(100);
    StatusPanel1 = new QLabel(this);
    StatusPanel1->setObjectName(QStringLiteral("StatusBar1Panel1"));
    StatusPanel1->setFixedWidth(50);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(StatusPanel0);
    statusBar()->addWidget(StatusPanel1);

    resize(538, 698);
    connectActions();
    createRecord();
}

TfEditOndoData::~TfEditOndoData()
{
    TOndoKanri::SetConflictQuestion({});
    // An open cell editor commits on focus-out while the window is being destroyed.
    SS1->removeEventFilter(this);
    SS1->disconnect(this);
    SS2->disconnect(this);
}

void TfEditOndoData::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    Open1 = file->addAction(QStringLiteral("開く"));
    Open1->setObjectName(QStringLiteral("Open1"));
    Open1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    N3 = file->addAction(QStringLiteral("新規"));
    N3->setObjectName(QStringLiteral("N3"));
    N3->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    Delete1 = file->addAction(QStringLiteral("削除"));
    Delete1->setObjectName(QStringLiteral("Delete1"));
    DeleteDay1 = file->addAction(QStringLiteral("この試験日を削除"));
    DeleteDay1->setObjectName(QStringLiteral("DeleteDay1"));
    file->addSeparator();
    QAction* restore = file->addAction(QStringLiteral("バックアップから復元…"));
    restore->setObjectName(QStringLiteral("RestoreItem"));
    restore->setEnabled(false); // its dialog does not exist yet
    ImportCsvItem = file->addAction(QStringLiteral("CSVから取り込み…"));
    ImportCsvItem->setObjectName(QStringLiteral("ImportCsvItem"));
    ImportCsvItem->setEnabled(false);
    ExportItem = file->addAction(QStringLiteral("Excelに出力…"));
    ExportItem->setObjectName(QStringLiteral("ExportItem"));
    ExportItem->setEnabled(false); // until its dialog is wired
    ImportOldItem = file->addAction(QStringLiteral("旧データの取り込み…"));
    ImportOldItem->setObjectName(QStringLiteral("ImportOldItem"));
    ImportOldItem->setEnabled(false); // until its dialog is connected
    CopyDataItem = file->addAction(QStringLiteral("データの移行…"));
    CopyDataItem->setObjectName(QStringLiteral("CopyDataItem"));
    connect(CopyDataItem, &QAction::triggered, this, [this] {
        TfCopyData dialog(this);
        dialog.exec();
        if (!dialog.CopiedAny)
            return;
        // The copy may have replaced the data this window shows.
        RunGuarded(this, [this] {
            TOndoKanri::CreateTables();
            NewRecord();
        });
    });
    file->addSeparator();
    Close1 = file->addAction(QStringLiteral("閉じる"));
    Close1->setObjectName(QStringLiteral("Close1"));

    menuBar()->addMenu(QStringLiteral("編集(&E)"));

    QMenu* data = menuBar()->addMenu(QStringLiteral("データ(&D)"));
    KojiItem = data->addAction(QStringLiteral("工事"));
    KojiItem->setObjectName(QStringLiteral("KojiItem"));
    GozaiItem = data->addAction(QStringLiteral("合材"));
    GozaiItem->setObjectName(QStringLiteral("GozaiItem"));
    SimeiItem = data->addAction(QStringLiteral("氏名"));
    SimeiItem->setObjectName(QStringLiteral("SimeiItem"));
    KubunItem = data->addAction(QStringLiteral("温度区分"));
    KubunItem->setObjectName(QStringLiteral("KubunItem"));

    QMenu* options = menuBar()->addMenu(QStringLiteral("オプション(&O)"));
    DataPathItem = options->addAction(QStringLiteral("データ格納場所の設定"));
    DataPathItem->setObjectName(QStringLiteral("DataPathItem"));

    HelpMenu = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    HelpUsage = HelpMenu->addAction(QStringLiteral("使い方"));
    HelpUsage->setObjectName(QStringLiteral("HelpUsage"));
    HelpAbout = HelpMenu->addAction(QStringLiteral("バージョン情報"));
    HelpAbout->setObjectName(QStringLiteral("HelpAbout"));

    // Their dialogs do not exist yet.
    for (QAction* a : {KojiItem, GozaiItem, SimeiItem, KubunItem, DataPathItem})
        a->setEnabled(false);
}

QWidget* TfEditOndoData::buildHeader()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("HeaderPanel"));
    auto* rows = new QVBoxLayout(panel);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(3);
    auto addRow = [&](QWidget* first) {
        auto* row = new QHBoxLayout;
        first->setFixedWidth(HeaderButtonWidth);
        row->addWidget(first);
        rows->addLayout(row);
        return row;
    };

    Button1 = makeButton(panel, "Button1", QStringLiteral("工事名"));
    Edit2 = makeEdit(panel, "Edit2", QStringLiteral("工事コード"));
    Edit2->setFixedWidth(60);
    paintAqua(Edit2);
    ComboBox1 = makeCombo(panel, "ComboBox1", QStringLiteral("工事名"));
    ComboBox1->setMinimumWidth(289);
    QHBoxLayout* row = addRow(Button1);
    row->addWidget(Edit2);
    row->addWidget(ComboBox1, 1);

    Button2 = makeButton(panel, "Button2", QStringLiteral("合材名"));
    ComboBox2 = makeCombo(panel, "ComboBox2", QStringLiteral("合材名"));
    ComboBox2->setMinimumWidth(345);
    paintAqua(ComboBox2);
    row = addRow(Button2);
    row->addWidget(ComboBox2, 1);

    auto* printNameLabel = new QLabel(QStringLiteral("合材名(印刷名)"), panel);
    printNameLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Edit3 = makeEdit(panel, "Edit3", QStringLiteral("合材名(印刷名)"));
    Edit3->setMinimumWidth(345);
    printNameLabel->setBuddy(Edit3);
    row = addRow(printNameLabel);
    row->addWidget(Edit3, 1);

    Button3 = makeButton(panel, "Button3", QStringLiteral("試験日"));
    ComboBox3 = makeCombo(panel, "ComboBox3", QStringLiteral("試験日"));
    ComboBox3->setFixedWidth(110);
    paintAqua(ComboBox3);
    row = addRow(Button3);
    row->addWidget(ComboBox3);
    row->addStretch(1);

    Button4 = makeButton(panel, "Button4", QStringLiteral("区分名"));
    ComboBox4 = makeCombo(panel, "ComboBox4", QStringLiteral("区分名"));
    ComboBox4->setMinimumWidth(145);
    paintAqua(ComboBox4);
    Button9 = makeButton(panel, "Button9", QStringLiteral("測定者"));
    ComboBox5 = makeCombo(panel, "ComboBox5", QStringLiteral("測定者"));
    ComboBox5->setMinimumWidth(120);
    row = addRow(Button4);
    row->addWidget(ComboBox4, 1);
    row->addWidget(Button9);
    row->addWidget(ComboBox5, 1);

    // Their register dialogs do not exist yet.
    for (QPushButton* b : {Button1, Button2, Button4, Button9})
        b->setEnabled(false);
    for (QComboBox* c : {ComboBox2, ComboBox3, ComboBox4})
        paintAqua(c->lineEdit());
    return panel;
}

QWidget* TfEditOndoData::buildSpec()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("SpecPanel"));
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 2, 0, 2);

    auto* specLabel = new QLabel(QStringLiteral("規格値"), panel);
    Edit5 = makeEdit(panel, "Edit5", QStringLiteral("規格値"));
    specLabel->setBuddy(Edit5);
    auto* rangeLabel = new QLabel(QStringLiteral("温度範囲"), panel);
    rangeLabel->setEnabled(false);
    Edit6 = makeEdit(panel, "Edit6", QStringLiteral("温度範囲"));
    Edit6->setEnabled(false);
    auto* intervalLabel = new QLabel(QStringLiteral("計測"), panel);
    intervalLabel->setEnabled(false);
    Edit8 = makeEdit(panel, "Edit8", QStringLiteral("計測"));
    Edit8->setEnabled(false);
    Edit8->setFixedWidth(60);

    row->addWidget(specLabel);
    row->addWidget(Edit5, 2);
    row->addSpacing(6);
    row->addWidget(rangeLabel);
    row->addWidget(Edit6, 2);
    row->addSpacing(6);
    row->addWidget(intervalLabel);
    row->addWidget(Edit8);
    return panel;
}

QWidget* TfEditOndoData::buildMiddle()
{
    auto* panel = new QWidget(this);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);

    SS1 = makeGrid(panel, ReadingRows, 3, 72, Qt::Horizontal);
    SS1->setObjectName(QStringLiteral("SS1"));
    SS1->setAccessibleName(QStringLiteral("温度データ"));
    auto* delegate = new ReadingDelegate(SS1);
    delegate->OnReturn = [this] { moveToNextTemperature(); };
    SS1->setItemDelegate(delegate);
    SS1->setSelectionMode(QAbstractItemView::ContiguousSelection);
    SS1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    SS1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    SS1->installEventFilter(this);
    connect(SS1, &QTableWidget::currentCellChanged, SS1->viewport(), qOverload<>(&QWidget::update));
    row->addWidget(SS1, 1);

    auto* right = new QVBoxLayout;
    SS2 = makeGrid(panel, 4, 2, 85, {});
    SS2->setObjectName(QStringLiteral("SS2"));
    SS2->setAccessibleName(QStringLiteral("統計"));
    SS2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SS2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SS2->setSelectionMode(QAbstractItemView::SingleSelection);
    // Derived from the readings only, so that what is shown is what 登録 stores.
    SS2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SS2->setFixedSize(2 * 85 + 2 * SS2->frameWidth(), 4 * 21 + 2 * SS2->frameWidth());
    const QStringList labels{QStringLiteral("最高"), QStringLiteral("最低"), QStringLiteral("平均"),
                             QStringLiteral("個数")};
    for (int r = 0; r < 4; ++r) {
        auto* label = new QTableWidgetItem;
        label->setFlags(Qt::ItemIsEnabled);
        label->setTextAlignment(Qt::AlignCenter);
        label->setBackground(palette().brush(QPalette::Button));
        SS2->setItem(r, 0, label);
        SS2->setItem(r, 1, new QTableWidgetItem);
    }
    right->addWidget(SS2);
    LabelKikakugai = new QLabel(panel);
    LabelKikakugai->setObjectName(QStringLiteral("LabelKikakugai"));
    right->addWidget(LabelKikakugai);

    auto* decimals = new QGroupBox(QStringLiteral("表示少数桁"), panel);
    decimals->setObjectName(QStringLiteral("GroupBox1"));
    auto* decimalsRow = new QHBoxLayout(decimals);
    auto* avgLabel = new QLabel(QStringLiteral("平均値"), decimals);
    SpinEdit1 = new TypedSpinBox(decimals);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setAccessibleName(QStringLiteral("平均値"));
    SpinEdit1->setRange(INT_MIN, INT_MAX);
    SpinEdit1->setFixedWidth(60);
    avgLabel->setBuddy(SpinEdit1);
    decimalsRow->addWidget(avgLabel);
    decimalsRow->addWidget(SpinEdit1);
    decimalsRow->addStretch(1);
    right->addWidget(decimals);

    auto* countRow = new QHBoxLayout;
    Edit7 = makeEdit(panel, "Edit7", QStringLiteral("台数"));
    Edit7->setFixedWidth(60);
    Edit7->setAttribute(Qt::WA_InputMethodEnabled, false);
    Button10 = makeButton(panel, "Button10", QStringLiteral("台数セット"));
    countRow->addWidget(Edit7);
    countRow->addWidget(Button10);
    countRow->addStretch(1);
    right->addLayout(countRow);

    Memo1 = new QPlainTextEdit(panel);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setAccessibleName(QStringLiteral("メモ"));
    Memo1->setMinimumSize(161, 137);
    Memo1->setTabChangesFocus(true);
    right->addWidget(Memo1);

    Label6 = new QLabel(QStringLiteral("0"), panel);
    Label6->setObjectName(QStringLiteral("Label6"));
    Label6->hide();
    right->addWidget(Label6);
    right->addStretch(1);
    row->addLayout(right);
    return panel;
}

QWidget* TfEditOndoData::buildBottom()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("BottomPanel"));
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 4, 0, 4);
    Button6 = makeButton(panel, "Button6", ArrowCaptions[0]);
    Button6->setAccessibleName(QStringLiteral("方向"));
    Button6->setFixedWidth(40);
    Button7 = makeButton(panel, "Button7", QStringLiteral("シミュレーション"));
    BitBtn1 = makeButton(panel, "BitBtn1", QStringLiteral("印刷"));
    BitBtn1->setEnabled(false); // until the print settings dialog exists
    BitBtn1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    BitBtn2 = makeButton(panel, "BitBtn2", QStringLiteral("登録"));
    BitBtn2->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    BitBtn3 = makeButton(panel, "BitBtn3", QStringLiteral("閉じる"));
    row->addWidget(Button6);
    row->addWidget(Button7);
    row->addStretch(1);
    row->addWidget(BitBtn1);
    row->addWidget(BitBtn2);
    row->addWidget(BitBtn3);
    return panel;
}

void TfEditOndoData::connectActions()
{
    auto guarded = [this](void (TfEditOndoData::*command)()) {
        return [this, command] { RunGuarded(this, [this, command] { (this->*command)(); }); };
    };
    ComboBox1->OnDropDown = [this] { return !pickProject(); };
    ComboBox2->OnDropDown = [this] {
        pickRecord(false);
        return false;
    };
    ComboBox3->OnDropDown = [this] {
        dropDownDates();
        return true;
    };
    ComboBox4->OnDropDown = [this] {
        dropDownKubun();
        return true;
    };
    ComboBox5->OnDropDown = [this] {
        dropDownSimei();
        return true;
    };
    connect(ComboBox3, &QComboBox::activated, this, guarded(&TfEditOndoData::chooseDay));
    connect(ComboBox4, &QComboBox::activated, this, guarded(&TfEditOndoData::chooseKubun));
    connect(Button3, &QPushButton::clicked, this, guarded(&TfEditOndoData::pickDate));

    connect(SS1, &QTableWidget::cellChanged, this, [this](int row, int column) {
        if (!m_filling)
            RunGuarded(this, [this, row, column] { readingEdited(row + 1, column); });
    });
    connect(Edit5, &QLineEdit::textChanged, this,
            [this] { RunGuarded(this, [this] { CalcStatistics(); }); });
    auto followShown = [this] {
        if (!m_showing)
            RunGuarded(this, [this] { refreshShownId(); });
    };
    connect(Edit2, &QLineEdit::textChanged, this, followShown);
    connect(ComboBox2, &QComboBox::editTextChanged, this, followShown);
    connect(ComboBox4, &QComboBox::editTextChanged, this, followShown);
    connect(Button10, &QPushButton::clicked, this, guarded(&TfEditOndoData::NumberRows));
    connect(Edit7, &QLineEdit::returnPressed, this, guarded(&TfEditOndoData::NumberRows));
    connect(SpinEdit1, &QSpinBox::valueChanged, this, [this](int value) {
        RunGuarded(this, [value] {
            WriteSetting(QStringLiteral("OndoAvgKetasu"), QString::number(value));
        });
    });
    connect(Button6, &QPushButton::clicked, this, guarded(&TfEditOndoData::StepArrow));
    connect(Button7, &QPushButton::clicked, this, guarded(&TfEditOndoData::Simulate));
    connect(BitBtn2, &QPushButton::clicked, this, [this] { RegisterRecord(); });
    connect(BitBtn3, &QPushButton::clicked, this, &QWidget::close);
    connect(Close1, &QAction::triggered, this, &QWidget::close);
    connect(Open1, &QAction::triggered, this, guarded(&TfEditOndoData::OpenRecord));
    connect(N3, &QAction::triggered, this, guarded(&TfEditOndoData::NewRecord));
    connect(Delete1, &QAction::triggered, this, guarded(&TfEditOndoData::DeleteShownRecord));
    connect(DeleteDay1, &QAction::triggered, this, guarded(&TfEditOndoData::DeleteShownDay));
}

void TfEditOndoData::createRecord()
{
    // An error here is shown; the remaining steps are skipped and the window still opens.
    RunGuarded(this, [this] {
        TOndoKanri::CreateTables();
        m_ondoKanri->Clear();
        ShowRecord();
    });
}

void TfEditOndoData::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    SS1->setHorizontalHeaderLabels(
        {QStringLiteral("単位"), QStringLiteral("温度"), QStringLiteral("備考")});
    const QStringList labels{QStringLiteral("最高"), QStringLiteral("最低"), QStringLiteral("平均"),
                             QStringLiteral("個数")};
    for (int r = 0; r < labels.size(); ++r)
        SS2->item(r, 0)->setText(labels[r]);
    RunGuarded(this, [this] {
        const QSignalBlocker quiet(SpinEdit1); // showing the stored value is no change
        SpinEdit1->setValue(ParseWhole(ReadSetting(QStringLiteral("OndoAvgKetasu"))));
    });
    StatusPanel0->setText(
        QStringLiteral("Ver.") +
        ReadVersionString(QCoreApplication::applicationFilePath(), QStringLiteral("FileVersion")));
}

bool TfEditOndoData::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != SS1 || event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Delete) {
        for (QTableWidgetItem* item : SS1->selectedItems())
            item->setText(QString());
        return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        moveToNextTemperature();
        return true;
    }
    if (key->matches(QKeySequence::Copy)) {
        QGuiApplication::clipboard()->setText(SelectedReadingsText());
        return true;
    }
    if (key->matches(QKeySequence::Paste)) {
        RunGuarded(this, [this] { PasteReadings(QGuiApplication::clipboard()->text()); });
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfEditOndoData::moveToNextTemperature()
{
    const int row = qMax(0, SS1->currentRow());
    SS1->setCurrentCell(qMin(row + 1, ReadingRows - 1), 1);
}

QString TfEditOndoData::SelectedReadingsText() const
{
    const QModelIndexList chosen = SS1->selectionModel()->selectedIndexes();
    if (chosen.isEmpty())
        return QString();
    int top = ReadingRows, bottom = -1, left = 3, right = -1;
    for (const QModelIndex& i : chosen) {
        top = qMin(top, i.row());
        bottom = qMax(bottom, i.row());
        left = qMin(left, i.column());
        right = qMax(right, i.column());
    }
    QStringList lines;
    for (int r = top; r <= bottom; ++r) {
        QStringList cells;
        for (int c = left; c <= right; ++c)
            cells << ReadingCell(r + 1, c);
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void TfEditOndoData::PasteReadings(const QString& text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (lines.isEmpty())
        return;
    const int firstRow = qMax(0, SS1->currentRow()) + 1;
    const int firstColumn = qMax(0, SS1->currentColumn());
    const int taken = qMin(int(lines.size()), ReadingRows - firstRow + 1);
    m_filling = true;
    for (int i = 0; i < taken; ++i) {
        const int lno = firstRow + i;
        const QStringList cells = lines[i].split(QLatin1Char('\t'));
        for (int j = 0; j < cells.size() && firstColumn + j < 3; ++j) {
            const int c = firstColumn + j;
            setReadingCell(lno, c, c == 1 ? AsciiTyped(cells[j]).trimmed() : cells[j]);
        }
        if (firstColumn == 1 && ReadingCell(lno, 0).isEmpty())
            setReadingCell(lno, 0, QString::number(lno));
    }
    m_filling = false;
    CalcStatistics();
    if (taken < lines.size())
        QMessageBox::information(
            this, windowTitle(),
            QStringLiteral("貼り付けは %1 行目までです。残りの %2 行は取り込みませんでした。")
                .arg(ReadingRows)
                .arg(lines.size() - taken));
}

// ---- record and window ----

QString TfEditOndoData::ReadingCell(int lno, int column) const
{
    const QTableWidgetItem* item = SS1->item(lno - 1, column);
    return item ? item->text() : QString();
}

void TfEditOndoData::setReadingCell(int lno, int column, const QString& text)
{
    const bool wasFilling = m_filling;
    m_filling = true;
    QTableWidgetItem* item = SS1->item(lno - 1, column);
    if (item)
        item->setText(text);
    else if (!text.isEmpty())
        SS1->setItem(lno - 1, column, new QTableWidgetItem(text));
    m_filling = wasFilling;
}

void TfEditOndoData::setStatistic(int row, const QString& text)
{
    SS2->item(row, 1)->setText(text);
}

void TfEditOndoData::clearReadings()
{
    for (int lno = 1; lno <= ReadingRows; ++lno)
        for (int c = 0; c < 3; ++c)
            setReadingCell(lno, c, QString());
}

void TfEditOndoData::ShowRecord(TOndoKanri& record)
{
    m_showing = true;
    Label6->setText(QString::number(record.ID));
    Edit2->setText(record.Koji.Code());
    ComboBox1->setEditText(record.Koji.Kojimei());
    ComboBox2->setEditText(record.Gozai.DataName());
    Edit3->setText(record.Gozai.PrintName());
    ComboBox4->setEditText(record.Kubun.KubunName);
    ComboBox5->setEditText(record.Simei.Simei());
    Edit5->setText(record.SpecValue);
    Edit6->setText(record.SpecRange);
    Edit8->setText(record.Kubun.SokuteiKankaku);
    ComboBox3->setEditText(FormatDate(record.Hiduke));

    clearReadings();
    SS1->setHorizontalHeaderItem(0, new QTableWidgetItem(record.Kubun.SokuteiKankaku));
    const QList<Reading> readings = TOndoKanri::ReadDay(record.Koji.Code(), record.Kubun.ID,
                                                        record.Hiduke, record.Gozai.DataName());
    for (const Reading& r : readings) {
        if (r.LNO < 1 || r.LNO > ReadingRows)
            continue;
        setReadingCell(r.LNO, 0, r.Sokuten);
        // As stored: registering what is shown never changes a reading.
        setReadingCell(r.LNO, 1, FormatGeneral(r.Ondo));
    }
    record.RememberDay(readings);
    m_showing = false;
    refreshShownId();
    CalcStatistics();
}

void TfEditOndoData::ReadRecord(TOndoKanri& record)
{
    record.Koji.Load(Edit2->text());
    record.Gozai.Load(ComboBox2->currentText());
    record.Hiduke = ParseDate(AsciiTyped(ComboBox3->currentText()));
    record.Kubun.LoadByName(ComboBox4->currentText());
    record.Simei.Load(ComboBox5->currentText());
    record.SpecValue = Edit5->text();
    record.SpecRange = Edit6->text();
    record.SpecInterval = Edit8->text();
    const DayStatistics day = statisticsOf(readingsOnScreen());
    record.MaxOndo = day.maximum;
    record.MiniOndo = day.minimum;
    record.AvgOndo = day.average;
    record.Kosu = day.count;
}

int TfEditOndoData::ShownHeaderId() const
{
    TOndoKubun kubun;
    kubun.LoadByName(ComboBox4->currentText());
    return TOndoKanri::FindHeader(Edit2->text(), ComboBox2->currentText(), kubun.ID);
}

void TfEditOndoData::refreshShownId()
{
    Label6->setText(QString::number(ShownHeaderId()));
}

void TfEditOndoData::RefreshKubun()
{
    TOndoKubun& kubun = m_ondoKanri->Kubun;
    const QString shown = ComboBox4->currentText();
    TOndoKubun fresh;
    // The category on screen keeps its identifier through a rename.
    if (kubun.ID >= 0 && kubun.KubunName == shown)
        fresh.LoadByID(kubun.ID);
    if (fresh.ID < 0)
        fresh.LoadByName(shown);
    if (fresh.ID >= 0) {
        kubun = fresh;
        const QSignalBlocker quiet(ComboBox4);
        ComboBox4->setEditText(kubun.KubunName);
    } else {
        kubun.ID = -1;
        kubun.OndoRange.clear();
    }
    Edit8->setText(kubun.SokuteiKankaku);
    SS1->setHorizontalHeaderItem(0, new QTableWidgetItem(kubun.SokuteiKankaku));
    dropDownKubun();
    refreshShownId();
}

// ---- readings grid ----

void TfEditOndoData::readingEdited(int lno, int column)
{
    if (column == 1) {
        const QString typed = ReadingCell(lno, 1);
        const QString ascii = AsciiTyped(typed).trimmed();
        if (ascii != typed)
            setReadingCell(lno, 1, ascii);
    }
    CalcStatistics();
}

void TfEditOndoData::CalcStatistics()
{
    const QList<Reading> readings = readingsOnScreen();
    const DayStatistics day = statisticsOf(readings);
    if (day.count == 0) {
        for (int row = 0; row < 4; ++row)
            setStatistic(row, QString());
    } else {
        setStatistic(0, FormatGeneral(day.maximum));
        setStatistic(1, FormatGeneral(day.minimum));
        setStatistic(2, FormatFixed(day.average, 1));
        setStatistic(3, QString::number(day.count));
    }

    const QString kikaku = TypedRange(Edit5->text());
    const bool hasKikaku = !kikaku.isEmpty() && IsRangeText(kikaku);
    const double low = RangeLow(kikaku);
    const double high = RangeHigh(kikaku);
    QList<bool> outside(ReadingRows + 1, false);
    int outsideCount = 0;
    for (const Reading& r : readings) {
        if (hasKikaku && (r.Ondo < low || r.Ondo > high)) {
            outside[r.LNO] = true;
            ++outsideCount;
        }
    }
    const bool wasFilling = m_filling;
    m_filling = true;
    for (int lno = 1; lno <= ReadingRows; ++lno) {
        QTableWidgetItem* item = SS1->item(lno - 1, 1);
        if (item)
            item->setForeground(outside[lno] ? QBrush(Qt::red) : QBrush());
    }
    m_filling = wasFilling;
    LabelKikakugai->setText(hasKikaku ? QStringLiteral("規格外 %1 件").arg(outsideCount)
                                      : QString());
}

void TfEditOndoData::NumberRows()
{
    clearReadings();
    const int n = qMin(ParseWhole(AsciiTyped(Edit7->text())), ReadingRows);
    for (int lno = 1; lno <= n; ++lno)
        setReadingCell(lno, 0, QString::number(lno));
    CalcStatistics();
}

void TfEditOndoData::Simulate()
{
    const TOndoKubun& kubun = m_ondoKanri->Kubun;
    const double low = RangeLow(kubun.OndoRange);
    const double high = RangeHigh(kubun.OndoRange);
    if (std::fabs(low) >= RangeUnbounded || std::fabs(high) >= RangeUnbounded)
        throw AppError(QStringLiteral("区分「%1」に温度範囲がありません。"
                                      "150_160 のように下限と上限を温度区分に登録してください。")
                           .arg(kubun.KubunName));
    for (int lno = 1; lno <= ReadingRows; ++lno) {
        if (ReadingCell(lno, 0).isEmpty())
            continue;
        const float v = static_cast<float>(RandomInRange(kubun.OndoRange));
        setReadingCell(lno, 1, formatWithThousands(v));
    }
    CalcStatistics();
}

void TfEditOndoData::StepArrow()
{
    m_arrow = (m_arrow + 1) % 4;
    Button6->setText(ArrowCaptions[m_arrow]);
}

QList<Reading> TfEditOndoData::readingsOnScreen() const
{
    // A row is a reading when it has a label and a temperature.
    QList<Reading> readings;
    for (int lno = 1; lno <= ReadingRows; ++lno) {
        const QString label = ReadingCell(lno, 0);
        const QString temperature = AsciiTyped(ReadingCell(lno, 1)).trimmed();
        if (!label.isEmpty() && !temperature.isEmpty())
            readings << Reading{lno, label, ParseNumber(temperature)};
    }
    return readings;
}

// ---- commands ----

void TfEditOndoData::checkBeforeRegister()
{
    if (!IsDate(AsciiTyped(ComboBox3->currentText())))
        throw AppError(QStringLiteral("試験日が正しくありません"));
    if (Edit2->text().trimmed().isEmpty())
        throw AppError(QStringLiteral("工事コードが入力されていません"));
    if (ComboBox2->currentText().trimmed().isEmpty())
        throw AppError(QStringLiteral("合材名が入力されていません"));
    const QString kubunName = ComboBox4->currentText();
    if (kubunName.trimmed().isEmpty())
        throw AppError(QStringLiteral("区分名が入力されていません"));
    TOndoKubun kubun;
    kubun.LoadByName(kubunName);
    if (kubun.ID < 0)
        throw AppError(QStringLiteral("区分名「%1」は温度区分に登録されていません").arg(kubunName));
    for (int lno = 1; lno <= ReadingRows; ++lno) {
        const QString temperature = AsciiTyped(ReadingCell(lno, 1)).trimmed();
        if (ReadingCell(lno, 0).isEmpty() || temperature.isEmpty())
            continue;
        if (!std::any_of(temperature.begin(), temperature.end(),
                         [](QChar c) { return c.isDigit(); }))
            throw AppError(QStringLiteral("%1 行目の温度「%2」は数値ではありません")
                               .arg(lno)
                               .arg(temperature));
    }
    if (readingsOnScreen().isEmpty())
        throw AppError(QStringLiteral("温度が入力されていません"));
    const QString kikaku = TypedRange(Edit5->text());
    if (!kikaku.isEmpty() && !IsRangeText(kikaku))
        throw AppError(QStringLiteral("規格値は 150_160 のように入力してください"));
    Edit5->setText(kikaku);
}

bool TfEditOndoData::projectRegisteredOrAdded()
{
    const QString code = Edit2->text();
    Query q(QStringLiteral("select Code from Koji1 where Code = :A"));
    q.BindText(QStringLiteral("A"), code);
    q.Open();
    if (!q.Eof())
        return true;
    const QString name = ComboBox1->currentText();
    const QString question =
        name.isEmpty()
            ? QStringLiteral(
                  "工事コード「%1」は工事に登録されていません。登録してから記録を登録しますか？")
                  .arg(code)
            : QStringLiteral("工事コード「%1」は工事に登録されていません。工事名「%"
                             "2」で登録してから記録を登録しますか？")
                  .arg(code, name);
    const auto answer = QMessageBox::question(this, windowTitle(), question,
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (answer != QMessageBox::Yes)
        return false;
    TKoji koji;
    koji.Code() = code;
    koji.Kojimei() = ComboBox1->currentText();
    koji.Save();
    return true;
}

void TfEditOndoData::RegisterRecord()
{
    BitBtn2->setEnabled(false);
    RunGuarded(this, [this] {
        checkBeforeRegister();
        if (!projectRegisteredOrAdded())
            return;
        ReadRecord();
        if (!m_ondoKanri->Register(readingsOnScreen())) {
            // Theirs was kept: show it.
            m_ondoKanri->LoadByDate();
            ShowRecord();
            return;
        }
        refreshShownId();
    });
    BitBtn2->setEnabled(true);
    // Not on 閉じる, where a Space would end the program.
    SS1->setFocus();
}

void TfEditOndoData::OpenRecord()
{
    pickRecord(true);
}

void TfEditOndoData::NewRecord()
{
    m_ondoKanri->Clear();
    ShowRecord();
}

QString TfEditOndoData::shownRecordName() const
{
    return QStringLiteral("工事 %1 / %2 / %3")
        .arg(Edit2->text(), ComboBox2->currentText(), ComboBox4->currentText());
}

bool TfEditOndoData::confirm(const QString& question)
{
    return QMessageBox::question(this, windowTitle(), question, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void TfEditOndoData::DeleteShownRecord()
{
    const int id = ShownHeaderId();
    Label6->setText(QString::number(id));
    if (id == 0)
        throw AppError(QStringLiteral("表示中の記録は登録されていません"));
    if (!confirm(QStringLiteral("%1 の記録（%2 日分）を削除しますか？")
                     .arg(shownRecordName())
                     .arg(TOndoKanri::DayCount(id))))
        return;
    m_ondoKanri->ID = id;
    m_ondoKanri->DeleteRecord();
    // The data stays on screen; registering it again makes a new header.
    m_ondoKanri->ID = 0;
    refreshShownId();
}

void TfEditOndoData::DeleteShownDay()
{
    const int id = ShownHeaderId();
    const QString dayText = AsciiTyped(ComboBox3->currentText());
    const QDateTime day = ParseDate(dayText);
    if (id == 0 || !IsDate(dayText) || !TOndoKanri::HasDay(id, day))
        throw AppError(QStringLiteral("表示中の試験日は登録されていません"));
    if (!confirm(QStringLiteral("%1 の %2 の記録を削除しますか？")
                     .arg(shownRecordName(), FormatDate(day))))
        return;
    TOndoKanri::DeleteDay(id, day);
    m_ondoKanri->RefreshSeenDay();
    refreshShownId();
    m_ondoKanri->ID = Label6->text().toInt();
}

// ---- header pickers ----

bool TfEditOndoData::pickProject()
{
    if (!m_listView)
        throw AppError(QStringLiteral("一覧画面がありません"));
    ListViewData data;
    m_ondoKanri->Koji.GetList(data);
    m_listView->Fill(data);
    m_listView->setWindowTitle(QStringLiteral("工事の選択"));
    if (m_listView->exec() != QDialog::Accepted)
        return false;
    const ListViewRow* row = m_listView->SelectedRow();
    if (!row)
        return false;
    m_ondoKanri->Koji.Load(row->caption);
    Edit2->setText(m_ondoKanri->Koji.Code());
    ComboBox1->addItem(m_ondoKanri->Koji.Kojimei());
    ComboBox1->setCurrentIndex(ComboBox1->count() - 1);
    CalcStatistics();
    update();
    return true;
}

void TfEditOndoData::pickRecord(bool all)
{
    if (!m_listView)
        throw AppError(QStringLiteral("一覧画面がありません"));
    ListViewData data;
    if (all)
        TOndoKanri::ListAll(data);
    else
        TOndoKanri::ListByKoji(data, Edit2->text());
    m_listView->Fill(data);
    m_listView->setWindowTitle(QStringLiteral("記録の選択"));
    if (m_listView->exec() != QDialog::Accepted)
        return;
    const ListViewRow* row = m_listView->SelectedRow();
    if (!row)
        return;
    m_ondoKanri->LoadByID(row->subItems.value(3).toInt());
    ShowRecord();
    update();
}

void TfEditOndoData::pickDate()
{
    if (!m_calendar)
        throw AppError(QStringLiteral("日付選択画面がありません"));
    const QString text = AsciiTyped(ComboBox3->currentText());
    m_calendar->SetCalendar(IsDate(text) ? ParseDate(text).date() : QDate::currentDate());
    if (m_calendar->exec() == QDialog::Accepted)
        ComboBox3->setEditText(FormatDate(QDateTime(m_calendar->GetCalendar(), QTime(0, 0))));
}

void TfEditOndoData::dropDownDates()
{
    QStringList days;
    m_ondoKanri->GetDateList(days);
    refillKeepingText(ComboBox3, days);
}

void TfEditOndoData::chooseDay()
{
    ReadRecord();
    m_ondoKanri->LoadByDate();
    ShowRecord();
}

void TfEditOndoData::dropDownKubun()
{
    QStringList names;
    m_ondoKanri->Kubun.GetKubunNames(names);
    refillKeepingText(ComboBox4, names);
}

void TfEditOndoData::chooseKubun()
{
    TOndoKubun& kubun = m_ondoKanri->Kubun;
    kubun.LoadByName(ComboBox4->currentText());
    SS1->setHorizontalHeaderItem(0, new QTableWidgetItem(kubun.SokuteiKankaku));
    Edit8->setText(kubun.SokuteiKankaku);

    const int id = TOndoKanri::FindHeader(Edit2->text(), ComboBox2->currentText(), kubun.ID);
    if (id == 0) {
        clearReadings();
        const QString typed = AsciiTyped(ComboBox3->currentText());
        m_ondoKanri->RememberDay(Edit2->text(), ComboBox2->currentText(), kubun.ID,
                                 IsDate(typed) ? ParseDate(typed) : DayZero());
        m_ondoKanri->ID = 0;
        refreshShownId();
        CalcStatistics();
        return;
    }
    // The day in the date box: its stored readings, or a new day of this header.
    const QString typedDay = ComboBox3->currentText();
    const bool isDay = IsDate(AsciiTyped(typedDay));
    m_ondoKanri->LoadByID(id);
    m_ondoKanri->Hiduke = isDay ? ParseDate(AsciiTyped(typedDay)) : DayZero();
    if (isDay && TOndoKanri::HasDay(id, m_ondoKanri->Hiduke)) {
        m_ondoKanri->LoadByDate();
    } else {
        m_ondoKanri->Kosu = 0;
        m_ondoKanri->MaxOndo = m_ondoKanri->MiniOndo = m_ondoKanri->AvgOndo = 0.0;
        m_ondoKanri->Tekiyo.clear();
    }
    ShowRecord();
    if (!isDay)
        ComboBox3->setEditText(typedDay);
}

void TfEditOndoData::dropDownSimei()
{
    QStringList names;
    m_ondoKanri->Simei.GetList(names);
    refillKeepingText(ComboBox5, names);
}
