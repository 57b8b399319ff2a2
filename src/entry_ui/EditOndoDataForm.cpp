#include "core/Utility.h"
#include "domain/DayEntry.h"
#include "entry_ui/EditOndoData.h"
#include "entry_ui/ReadingsView.h"
#include "widgets_ui/ErrorGuard.h"

#include <QAction>
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
#include <QVBoxLayout>
#include <climits>

// The window's controls, laid out as the form was designed; each keeps its designer name.

namespace {

constexpr int HeaderButtonWidth = 96;

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

void TfEditOndoData::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    QAction* open = menuItem(file, "Open1", QStringLiteral("開く"), Qt::CTRL | Qt::Key_O);
    QAction* newRecord = menuItem(file, "N3", QStringLiteral("新規"), Qt::CTRL | Qt::Key_N);
    QAction* remove = menuItem(file, "Delete1", QStringLiteral("削除"));
    QAction* removeDay = menuItem(file, "DeleteDay1", QStringLiteral("この試験日を削除"));
    file->addSeparator();
    m_restoreItem = menuItem(file, "RestoreItem", QStringLiteral("バックアップから復元…"));
    QAction* importCsv = menuItem(file, "ImportCsvItem", QStringLiteral("CSVから取り込み…"));
    QAction* exportItem = menuItem(file, "ExportItem", QStringLiteral("Excelに出力…"));
    QAction* importOld = menuItem(file, "ImportOldItem", QStringLiteral("旧データの取り込み…"));
    QAction* copyData = menuItem(file, "CopyDataItem", QStringLiteral("データの移行…"));
    QAction* site = menuItem(file, "SiteItem", QStringLiteral("現場入力を開始…"));
    file->addSeparator();
    QAction* close = menuItem(file, "Close1", QStringLiteral("閉じる"));
    // A server's backups are the server's own.
    connect(file, &QMenu::aboutToShow, this,
            [this] { m_restoreItem->setEnabled(!TDayEntry::DataOnServer()); });

    menuBar()->addMenu(QStringLiteral("編集(&E)"));

    QMenu* data = menuBar()->addMenu(QStringLiteral("データ(&D)"));
    QAction* koji = menuItem(data, "KojiItem", QStringLiteral("工事"));
    QAction* gozai = menuItem(data, "GozaiItem", QStringLiteral("合材"));
    QAction* simei = menuItem(data, "SimeiItem", QStringLiteral("氏名"));
    QAction* kubun = menuItem(data, "KubunItem", QStringLiteral("温度区分"));

    QMenu* options = menuBar()->addMenu(QStringLiteral("オプション(&O)"));
    QAction* dataPath = menuItem(options, "DataPathItem", QStringLiteral("データ格納場所の設定"));

    QMenu* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    help->setObjectName(QStringLiteral("HelpMenu"));
    QAction* usage = menuItem(help, "HelpUsage", QStringLiteral("使い方"));
    QAction* about = menuItem(help, "HelpAbout", QStringLiteral("バージョン情報"));

    const auto guarded = [this](std::function<void()> command) {
        return [this, command] { RunGuarded(this, command); };
    };
    connect(open, &QAction::triggered, this, guarded([this] { pickRecord(true); }));
    connect(newRecord, &QAction::triggered, this, guarded([this] { m_entry.New(); }));
    connect(remove, &QAction::triggered, this, guarded([this] { m_entry.DeleteRecord(); }));
    connect(removeDay, &QAction::triggered, this, guarded([this] { m_entry.DeleteDay(); }));
    connect(m_restoreItem, &QAction::triggered, this, &TfEditOndoData::restoreRequested);
    connect(importCsv, &QAction::triggered, this, &TfEditOndoData::csvImportRequested);
    connect(exportItem, &QAction::triggered, this, &TfEditOndoData::exportRequested);
    connect(importOld, &QAction::triggered, this, &TfEditOndoData::oldDataImportRequested);
    connect(copyData, &QAction::triggered, this, &TfEditOndoData::copyDataRequested);
    connect(site, &QAction::triggered, this, &TfEditOndoData::siteRequested);
    connect(close, &QAction::triggered, this, &QWidget::close);
    connect(koji, &QAction::triggered, this, [this] { Q_EMIT projectDialogRequested(false); });
    connect(gozai, &QAction::triggered, this, [this] { Q_EMIT mixDialogRequested(false); });
    connect(simei, &QAction::triggered, this, [this] { Q_EMIT measurerDialogRequested(false); });
    connect(kubun, &QAction::triggered, this, &TfEditOndoData::categoryDialogRequested);
    connect(dataPath, &QAction::triggered, this, &TfEditOndoData::dataLocationRequested);
    connect(usage, &QAction::triggered, this, &TfEditOndoData::helpRequested);
    connect(about, &QAction::triggered, this, &TfEditOndoData::aboutRequested);
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

    QPushButton* projectButton = makeButton(panel, "Button1", QStringLiteral("工事名"));
    m_kojiCode = makeEdit(panel, "Edit2", QStringLiteral("工事コード"));
    m_kojiCode->setFixedWidth(60);
    paintAqua(m_kojiCode);
    m_kojiName = makeCombo(panel, "ComboBox1", QStringLiteral("工事名"));
    m_kojiName->setMinimumWidth(289);
    QHBoxLayout* row = addRow(projectButton);
    row->addWidget(m_kojiCode);
    row->addWidget(m_kojiName, 1);

    QPushButton* mixButton = makeButton(panel, "Button2", QStringLiteral("合材名"));
    m_gozaiName = makeCombo(panel, "ComboBox2", QStringLiteral("合材名"));
    m_gozaiName->setMinimumWidth(345);
    paintAqua(m_gozaiName);
    row = addRow(mixButton);
    row->addWidget(m_gozaiName, 1);

    auto* printNameLabel = new QLabel(QStringLiteral("合材名(印刷名)"), panel);
    printNameLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_printName = makeEdit(panel, "Edit3", QStringLiteral("合材名(印刷名)"));
    m_printName->setMinimumWidth(345);
    printNameLabel->setBuddy(m_printName);
    row = addRow(printNameLabel);
    row->addWidget(m_printName, 1);

    QPushButton* dayButton = makeButton(panel, "Button3", QStringLiteral("試験日"));
    m_day = makeCombo(panel, "ComboBox3", QStringLiteral("試験日"));
    m_day->setFixedWidth(110);
    paintAqua(m_day);
    row = addRow(dayButton);
    row->addWidget(m_day);
    row->addStretch(1);

    QPushButton* kubunButton = makeButton(panel, "Button4", QStringLiteral("区分名"));
    m_kubun = makeCombo(panel, "ComboBox4", QStringLiteral("区分名"));
    m_kubun->setMinimumWidth(145);
    paintAqua(m_kubun);
    QPushButton* simeiButton = makeButton(panel, "Button9", QStringLiteral("測定者"));
    m_simei = makeCombo(panel, "ComboBox5", QStringLiteral("測定者"));
    m_simei->setMinimumWidth(120);
    row = addRow(kubunButton);
    row->addWidget(m_kubun, 1);
    row->addWidget(simeiButton);
    row->addWidget(m_simei, 1);

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
    panel->setObjectName(QStringLiteral("SpecPanel"));
    auto* rows = new QVBoxLayout(panel);
    rows->setContentsMargins(0, 2, 0, 2);
    rows->setSpacing(3);
    auto* row = new QHBoxLayout;
    rows->addLayout(row);

    auto* specLabel = new QLabel(QStringLiteral("規格値"), panel);
    m_specValue = makeEdit(panel, "Edit5", QStringLiteral("規格値"));
    specLabel->setBuddy(m_specValue);
    auto* rangeLabel = new QLabel(QStringLiteral("温度範囲"), panel);
    rangeLabel->setEnabled(false);
    m_specRange = makeEdit(panel, "Edit6", QStringLiteral("温度範囲"));
    m_specRange->setEnabled(false);
    auto* intervalLabel = new QLabel(QStringLiteral("計測"), panel);
    intervalLabel->setEnabled(false);
    m_interval = makeEdit(panel, "Edit8", QStringLiteral("計測"));
    m_interval->setEnabled(false);
    m_interval->setFixedWidth(60);

    row->addWidget(specLabel);
    row->addWidget(m_specValue, 2);
    row->addSpacing(6);
    row->addWidget(rangeLabel);
    row->addWidget(m_specRange, 2);
    row->addSpacing(6);
    row->addWidget(intervalLabel);
    row->addWidget(m_interval);

    // The day's conditions, printed with it.
    auto* weatherLabel = new QLabel(QStringLiteral("天候"), panel);
    m_weather = makeCombo(panel, "ComboTenki", QStringLiteral("天候"));
    m_weather->addItems({QStringLiteral("晴"), QStringLiteral("曇"), QStringLiteral("雨"),
                         QStringLiteral("小雨"), QStringLiteral("雪")});
    m_weather->setCurrentIndex(-1);
    m_weather->setFixedWidth(90);
    weatherLabel->setBuddy(m_weather);
    auto* airLabel = new QLabel(QStringLiteral("気温"), panel);
    m_airTemperature = makeEdit(panel, "EditKion", QStringLiteral("気温"));
    m_airTemperature->setFixedWidth(50);
    m_airTemperature->setAttribute(Qt::WA_InputMethodEnabled, false);
    airLabel->setBuddy(m_airTemperature);
    auto* conditions = new QHBoxLayout;
    conditions->addWidget(weatherLabel);
    conditions->addWidget(m_weather);
    conditions->addSpacing(6);
    conditions->addWidget(airLabel);
    conditions->addWidget(m_airTemperature);
    conditions->addWidget(new QLabel(QStringLiteral("℃"), panel));
    conditions->addStretch(1);
    rows->addLayout(conditions);
    return panel;
}

QWidget* TfEditOndoData::buildMiddle()
{
    auto* panel = new QWidget(this);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);

    m_readings = new TReadingsView(m_entry, panel);
    m_readings->setObjectName(QStringLiteral("SS1"));
    m_readings->setAccessibleName(QStringLiteral("温度データ"));
    row->addWidget(m_readings, 1);

    auto* right = new QVBoxLayout;
    m_statistics = new QTableWidget(panel);
    m_statistics->setObjectName(QStringLiteral("SS2"));
    m_statistics->setAccessibleName(QStringLiteral("統計"));
    m_statistics->setFont(m_readings->font());
    m_statistics->horizontalHeader()->hide();
    m_statistics->verticalHeader()->hide();
    m_statistics->verticalHeader()->setDefaultSectionSize(21);
    m_statistics->verticalHeader()->setMinimumSectionSize(16);
    m_statistics->horizontalHeader()->setDefaultSectionSize(85);
    m_statistics->setTabKeyNavigation(false);
    m_statistics->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_statistics->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_statistics->setSelectionMode(QAbstractItemView::SingleSelection);
    // Derived from the readings only, so that what is shown is what 登録 stores.
    m_statistics->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_statistics->setColumnCount(2);
    m_statistics->setRowCount(4);
    m_statistics->setFixedSize(2 * 85 + 2 * m_statistics->frameWidth(),
                               4 * 21 + 2 * m_statistics->frameWidth());
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
    m_outsideCount->setObjectName(QStringLiteral("LabelKikakugai"));
    right->addWidget(m_outsideCount);

    auto* decimals = new QGroupBox(QStringLiteral("表示少数桁"), panel);
    decimals->setObjectName(QStringLiteral("GroupBox1"));
    auto* decimalsRow = new QHBoxLayout(decimals);
    auto* avgLabel = new QLabel(QStringLiteral("平均値"), decimals);
    m_avgDecimals = new TypedSpinBox(decimals);
    m_avgDecimals->setObjectName(QStringLiteral("SpinEdit1"));
    m_avgDecimals->setAccessibleName(QStringLiteral("平均値"));
    m_avgDecimals->setRange(INT_MIN, INT_MAX);
    m_avgDecimals->setFixedWidth(60);
    avgLabel->setBuddy(m_avgDecimals);
    decimalsRow->addWidget(avgLabel);
    decimalsRow->addWidget(m_avgDecimals);
    decimalsRow->addStretch(1);
    right->addWidget(decimals);

    auto* countRow = new QHBoxLayout;
    m_rowCount = makeEdit(panel, "Edit7", QStringLiteral("台数"));
    m_rowCount->setFixedWidth(60);
    m_rowCount->setAttribute(Qt::WA_InputMethodEnabled, false);
    QPushButton* numberRows = makeButton(panel, "Button10", QStringLiteral("台数セット"));
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
    m_memo->setObjectName(QStringLiteral("Memo1"));
    m_memo->setAccessibleName(QStringLiteral("記事"));
    m_memo->setPlaceholderText(QStringLiteral("この日の記事（全角16文字まで）"));
    m_memo->setMinimumSize(161, 137);
    m_memo->setTabChangesFocus(true);
    right->addWidget(remarkLabel);
    right->addWidget(m_memo);

    m_shownId = new QLabel(QStringLiteral("0"), panel);
    m_shownId->setObjectName(QStringLiteral("Label6"));
    m_shownId->hide();
    right->addWidget(m_shownId);
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
    m_arrow = makeButton(panel, "Button6", QStringLiteral("→"));
    m_arrow->setAccessibleName(QStringLiteral("方向"));
    m_arrow->setFixedWidth(40);
    QPushButton* simulate = makeButton(panel, "Button7", QStringLiteral("シミュレーション"));
    QPushButton* print = makeButton(panel, "BitBtn1", QStringLiteral("印刷"));
    print->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    m_register = makeButton(panel, "BitBtn2", QStringLiteral("登録"));
    m_register->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    QPushButton* close = makeButton(panel, "BitBtn3", QStringLiteral("閉じる"));
    row->addWidget(m_arrow);
    row->addWidget(simulate);
    row->addStretch(1);
    row->addWidget(print);
    row->addWidget(m_register);
    row->addWidget(close);

    connect(m_arrow, &QPushButton::clicked, this, &TfEditOndoData::stepArrow);
    connect(simulate, &QPushButton::clicked, this,
            [this] { RunGuarded(this, [this] { m_entry.Simulate(); }); });
    connect(print, &QPushButton::clicked, this, &TfEditOndoData::printRequested);
    connect(m_register, &QPushButton::clicked, this, &TfEditOndoData::registerDay);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    return panel;
}
