#include "registers_ui/EditKoji.h"

#include "core/AppError.h"
#include "domain/ListViewData.h"
#include "widgets_ui/ErrorGuard.h"
#include "widgets_ui/WindowFont.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// Used until the main window hands over its own list picker.
int pickInPlainList(QWidget* parent, const ListViewData& data)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("工事の選択"));
    auto* list = new QTreeWidget(&dialog);
    list->setRootIsDecorated(false);
    list->setAccessibleName(QStringLiteral("工事一覧"));
    QStringList headers;
    for (const ListViewColumn& c : data.columns)
        headers << c.caption;
    list->setHeaderLabels(headers);
    for (int i = 0; i < data.columns.size(); ++i)
        list->setColumnWidth(i, data.columns[i].width);
    for (const ListViewRow& row : data.rows)
        list->addTopLevelItem(new QTreeWidgetItem(QStringList{row.caption} + row.subItems));
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QTreeWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(list);
    layout->addWidget(buttons);
    dialog.resize(500, 300);
    if (dialog.exec() != QDialog::Accepted)
        return -1;
    QTreeWidgetItem* item = list->currentItem();
    return item && item->isSelected() ? list->indexOfTopLevelItem(item) : -1;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

} // namespace

TRegisterCombo::TRegisterCombo(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
}

void TRegisterCombo::showPopup()
{
    if (BeforePopup)
        BeforePopup();
    QComboBox::showPopup();
}

TfRegisterDialog::TfRegisterDialog(std::unique_ptr<TRegisterEntry> entry, const Design& d,
                                   QWidget* parent)
    : QDialog(parent), m_recordNoun(d.recordNoun), m_keyLabel(d.keyLabel), m_entry(std::move(entry))
{
    setObjectName(QLatin1String(d.objectName));
    setWindowTitle(d.caption);
    setFont(WindowFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));

    auto* menuBar = new QMenuBar(this);
    QMenu* file = menuBar->addMenu(QStringLiteral("ファイル"));
    NewItem = file->addAction(QStringLiteral("新規"));
    NewItem->setShortcut(QKeySequence::New);
    DeleteItem = file->addAction(QStringLiteral("削除"));
    DeleteItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    file->addSeparator();
    CloseItem = file->addAction(QStringLiteral("閉じる"));
    // The window owns the shortcuts, so they work while the menu is closed.
    addActions({NewItem, DeleteItem, CloseItem});

    QWidget* keyControl = nullptr;
    if (d.keyIsCombo) {
        m_keyCombo = new TRegisterCombo(this);
        m_keyCombo->setObjectName(QStringLiteral("ComboBox1"));
        m_keyEdit = m_keyCombo->lineEdit();
        m_keyCombo->BeforePopup = [this] { RunGuarded(this, [this] { reloadKeyList(); }); };
        connect(m_keyCombo, qOverload<int>(&QComboBox::activated), this,
                [this](int index) { RunGuarded(this, [this, index] { choose(index); }); });
        keyControl = m_keyCombo;
    } else {
        m_keyEdit = new QLineEdit(this);
        m_keyEdit->setObjectName(QStringLiteral("Edit1"));
        keyControl = m_keyEdit;
    }
    m_keyEdit->setMaxLength(d.keyMax);
    keyControl->setAccessibleName(d.keyLabel);

    m_second = new QLineEdit(this);
    m_second->setObjectName(QLatin1String(d.secondName));
    m_second->setMaxLength(d.secondMax);
    m_second->setAccessibleName(d.secondLabel);
    if (!d.keyIsCombo) // project codes are typed in Latin letters and digits
        m_keyEdit->setInputMethodHints(Qt::ImhPreferLatin);

    auto* keyLabel = new QLabel(d.keyLabel, this);
    keyLabel->setBuddy(keyControl);
    auto* secondLabel = new QLabel(d.secondLabel, this);
    secondLabel->setBuddy(m_second);

    if (!d.searchCaption.isEmpty())
        m_search = makeButton(this, "BitBtn1", d.searchCaption);
    m_select = makeButton(this, d.selectName, QStringLiteral("選択"));
    m_register = makeButton(this, d.registerName, QStringLiteral("登録"));
    m_close = makeButton(this, d.closeName, QStringLiteral("閉じる"));
    // Return in a field never closes the dialog: in the key it moves on, in the second text it
    // registers. 選択 is pressed, or reached with Tab; Escape closes.
    for (QPushButton* b : {m_search, m_select, m_register, m_close})
        if (b)
            b->setAutoDefault(false);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("LabelStatus"));

    auto* form = new QFormLayout;
    form->addRow(keyLabel, keyControl);
    form->addRow(secondLabel, m_second);
    auto* buttons = new QHBoxLayout;
    if (m_search)
        buttons->addWidget(m_search);
    buttons->addStretch();
    buttons->addWidget(m_select);
    buttons->addWidget(m_register);
    buttons->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar);
    layout->addLayout(form);
    layout->addWidget(m_status);
    layout->addStretch();
    layout->addLayout(buttons);

    setTabOrder(keyControl, m_second);
    QWidget* previous = m_second;
    for (QPushButton* b : {m_search, m_select, m_register, m_close})
        if (b) {
            setTabOrder(previous, b);
            previous = b;
        }

    connect(NewItem, &QAction::triggered, this, [this] { RunGuarded(this, [this] { New(); }); });
    connect(DeleteItem, &QAction::triggered, this,
            [this] { RunGuarded(this, [this] { Delete(); }); });
    connect(CloseItem, &QAction::triggered, this, &QDialog::reject);
    connect(m_register, &QPushButton::clicked, this,
            [this] { RunGuarded(this, [this] { Register(); }); });
    connect(m_keyEdit, &QLineEdit::returnPressed, this, [this] {
        m_second->setFocus();
        m_second->selectAll();
    });
    connect(m_second, &QLineEdit::returnPressed, this,
            [this] { RunGuarded(this, [this] { Register(); }); });
    connect(m_select, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);

    resize(d.size);
}

QString TfRegisterDialog::ChosenKey() const
{
    return m_keyEdit->text();
}

QString TfRegisterDialog::SecondText() const
{
    return m_second->text();
}

void TfRegisterDialog::ShowEntry()
{
    m_keyEdit->setText(m_entry->Key);
    m_second->setText(m_entry->Second);
}

void TfRegisterDialog::TakeFields()
{
    m_entry->Key = m_keyEdit->text();
    m_entry->Second = m_second->text();
}

void TfRegisterDialog::New()
{
    m_entry->Clear();
    ShowEntry();
}

void TfRegisterDialog::Register()
{
    TakeFields();
    if (m_entry->Key.trimmed().isEmpty())
        throw AppError(QStringLiteral("%1を入力してください").arg(m_keyLabel));
    m_entry->Save();
    m_status->setText(QStringLiteral("「%1」を登録しました").arg(m_entry->Key));
}

void TfRegisterDialog::SetKey(const QString& key)
{
    m_entry->Load(key);
    ShowEntry();
    m_status->clear();
}

void TfRegisterDialog::Delete()
{
    TakeFields();
    const int used = m_entry->RecordCount();
    if (used > 0 && QMessageBox::question(
                        this, windowTitle(),
                        QStringLiteral("この%1は %2 件の記録で使われています。削除しますか？")
                            .arg(m_recordNoun)
                            .arg(used),
                        QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    m_entry->Delete();
}

void TfRegisterDialog::reloadKeyList()
{
    QStringList keys;
    m_entry->GetList(keys);
    const QString typed = m_keyEdit->text();
    const QSignalBlocker block(m_keyCombo);
    m_keyCombo->clear();
    m_keyCombo->addItems(keys);
    m_keyCombo->setCurrentIndex(keys.indexOf(typed));
    m_keyEdit->setText(typed);
}

void TfRegisterDialog::choose(int index)
{
    if (index < 0)
        return;
    m_entry->Load(m_keyCombo->itemText(index));
    ShowEntry();
}

TfEditKoji::TfEditKoji(QWidget* parent)
    : TfRegisterDialog(std::make_unique<TKoji>(),
                       {"fEditKoji", QStringLiteral("工事登録"), QSize(519, 169),
                        QStringLiteral("工事コード"), 8, false, QStringLiteral("工事名"), 64,
                        "Edit2", QStringLiteral("工事検索"), "BitBtn4", "BitBtn2", "BitBtn3",
                        QStringLiteral("工事")},
                       parent)
{
    Edit1 = m_keyEdit;
    Edit2 = m_second;
    BitBtn1 = m_search;
    BitBtn4 = m_select;
    BitBtn2 = m_register;
    BitBtn3 = m_close;
    PickFromList = [this](const ListViewData& data) { return pickInPlainList(this, data); };
    connect(BitBtn1, &QPushButton::clicked, this,
            [this] { RunGuarded(this, [this] { Search(); }); });
}

void TfEditKoji::Search()
{
    ListViewData data;
    Koji().GetList(data);
    const int row = PickFromList ? PickFromList(data) : -1;
    if (row < 0 || row >= data.rows.size())
        return;
    Koji().Load(data.rows[row].caption);
    ShowEntry();
}

TfEditGozai::TfEditGozai(QWidget* parent)
    : TfRegisterDialog(std::make_unique<TGozai>(),
                       {"fEditGozai", QStringLiteral("合材の登録"), QSize(423, 188),
                        QStringLiteral("合材名"), 64, true, QStringLiteral("印刷名"), 64, "Edit2",
                        QString(), "BitBtn2", "BitBtn3", "BitBtn4", QStringLiteral("合材")},
                       parent)
{
    ComboBox1 = m_keyCombo;
    Edit2 = m_second;
    BitBtn2 = m_select;
    BitBtn3 = m_register;
    BitBtn4 = m_close;
}

TfEditSimei::TfEditSimei(QWidget* parent)
    : TfRegisterDialog(std::make_unique<TSimei>(),
                       {"fEditSimei", QStringLiteral("氏名の登録"), QSize(282, 185),
                        QStringLiteral("氏名"), 16, true, QStringLiteral("ふりがな"), 16, "Edit1",
                        QString(), "BitBtn1", "BitBtn2", "BitBtn3", QStringLiteral("測定者")},
                       parent)
{
    ComboBox1 = m_keyCombo;
    Edit1 = m_second;
    BitBtn1 = m_select;
    BitBtn2 = m_register;
    BitBtn3 = m_close;
}
