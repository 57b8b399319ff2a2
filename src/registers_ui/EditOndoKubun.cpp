#include "registers_ui/EditOndoKubun.h"

#include "core/AppError.h"
#include "core/KikakuText.h"
#include "core/Utility.h"
#include "store/Lengths.h"
#include "widgets_ui/ErrorGuard.h"
#include "widgets_ui/WindowFont.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column {
    NameColumn,
    IntervalColumn,
    RangeColumn,
    IdColumn,
    StampColumn,
    NumberColumn,
    ColumnCount
};

const QString Stamped = QStringLiteral("自動");
const QString Numbered = QStringLiteral("共通");

void checkWidth(const QString& text, const QString& field, int bytes)
{
    if (SjisLength(text) > bytes)
        throw AppError(QStringLiteral("%1は半角%2文字（全角%3文字）までです")
                           .arg(field)
                           .arg(bytes)
                           .arg(bytes / 2));
}

} // namespace

TfEditOndoKubun::TfEditOndoKubun(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fEditOndoKubun"));
    setWindowTitle(QStringLiteral("温度区分の登録"));
    setFont(WindowFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));

    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setAccessibleName(QStringLiteral("温度区分"));
    ListView1->setRootIsDecorated(false);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setHeaderLabels({QStringLiteral("区分名"), QStringLiteral("測定間隔"),
                                QStringLiteral("温度範囲"), QStringLiteral("区分番号"),
                                QStringLiteral("時刻"), QStringLiteral("台数番号")});
    ListView1->header()->setStretchLastSection(false);
    ListView1->setColumnWidth(NameColumn, 250);
    ListView1->setFixedWidth(249);

    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setText(QStringLiteral("↑"));
    SpeedButton1->setAccessibleName(QStringLiteral("上へ移動"));
    SpeedButton1->setFocusPolicy(Qt::StrongFocus);
    BitBtn3 = new QPushButton(QStringLiteral("削除"), this);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    SpeedButton2 = new QToolButton(this);
    SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    SpeedButton2->setText(QStringLiteral("↓"));
    SpeedButton2->setAccessibleName(QStringLiteral("下へ移動"));
    SpeedButton2->setFocusPolicy(Qt::StrongFocus);

    auto makeEdit = [this](const char* name, const QString& label) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setAccessibleName(label);
        return e;
    };
    Edit1 = makeEdit("Edit1", QStringLiteral("区分名"));
    Edit2 = makeEdit("Edit2", QStringLiteral("計測"));
    Edit3 = makeEdit("Edit3", QStringLiteral("温度範囲"));
    Edit3->setPlaceholderText(QStringLiteral("150～160 / 110～"));
    Edit3->setToolTip(QStringLiteral("下限～上限（例 150～160）。片側だけなら 110～ や ～185。"
                                     "新しい記録の規格値と、シミュレーションの範囲になります"));
    Edit2->setPlaceholderText(QStringLiteral("1台毎"));
    Edit2->setToolTip(QStringLiteral("何ごとに測るか（例 1台毎、10分毎）。"
                                     "主画面の温度の表の1列目の見出しになります"));
    Edit3->setInputMethodHints(Qt::ImhPreferNumbers | Qt::ImhPreferLatin);

    CheckStamp = new QCheckBox(QStringLiteral("温度を入力した時刻を記録する"), this);
    CheckStamp->setObjectName(QStringLiteral("CheckJikoku"));
    CheckStamp->setToolTip(
        QStringLiteral("入れると、温度を入力した行の「時刻」に、その時の時刻が自動で入ります。"));
    CheckNumbered = new QCheckBox(QStringLiteral("台数の番号で他の区分の運搬車と対応させる"), this);
    CheckNumbered->setObjectName(QStringLiteral("CheckDaisu"));
    CheckNumbered->setToolTip(QStringLiteral(
        "車番が入力されていない行を、単位の列の番号が同じ他の区分の行と同じ運搬車とみなします"
        "（温度低下の表）。"));

    Button1 = new QPushButton(QStringLiteral("項目追加/更新"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    BitBtn4 = new QPushButton(QStringLiteral("入力欄クリア"), this);
    BitBtn4->setObjectName(QStringLiteral("BitBtn4"));
    BitBtn1 = new QPushButton(QStringLiteral("登録"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2 = new QPushButton(QStringLiteral("閉じる"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    for (QPushButton* b : {BitBtn3, Button1, BitBtn4, BitBtn1, BitBtn2})
        b->setAutoDefault(false);
    BitBtn1->setDefault(true); // Return registers; Escape closes

    auto* side = new QVBoxLayout;
    side->addWidget(SpeedButton1);
    side->addWidget(BitBtn3);
    side->addWidget(SpeedButton2);
    side->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(ListView1);
    top->addLayout(side);

    auto* fields = new QGridLayout;
    const QList<QPair<QString, QLineEdit*>> rows = {{QStringLiteral("区分名"), Edit1},
                                                    {QStringLiteral("計測"), Edit2},
                                                    {QStringLiteral("温度範囲"), Edit3}};
    for (int i = 0; i < rows.size(); ++i) {
        auto* label = new QLabel(rows[i].first, this);
        label->setBuddy(rows[i].second);
        fields->addWidget(label, i, 0);
        fields->addWidget(rows[i].second, i, 1);
    }
    fields->addWidget(CheckStamp, 3, 1);
    fields->addWidget(CheckNumbered, 4, 1);
    fields->addWidget(Button1, 0, 2, 3, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(BitBtn4);
    bottom->addStretch();
    bottom->addWidget(BitBtn1);
    bottom->addWidget(BitBtn2);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(top, 1);
    layout->addLayout(fields);
    layout->addLayout(bottom);

    setTabOrder(ListView1, SpeedButton1);
    setTabOrder(SpeedButton1, BitBtn3);
    setTabOrder(BitBtn3, SpeedButton2);
    setTabOrder(SpeedButton2, Edit1);
    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, Edit3);
    setTabOrder(Edit3, CheckStamp);
    setTabOrder(CheckStamp, CheckNumbered);
    setTabOrder(CheckNumbered, Button1);
    setTabOrder(Button1, BitBtn4);
    setTabOrder(BitBtn4, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);

    auto guarded = [this](void (TfEditOndoKubun::*action)()) {
        return [this, action] { RunGuarded(this, [this, action] { (this->*action)(); }); };
    };
    // Enter on a row stands for the click, so the fields can be filled from the keyboard.
    connect(ListView1, &QTreeWidget::itemClicked, this, guarded(&TfEditOndoKubun::FillFields));
    connect(ListView1, &QTreeWidget::itemActivated, this, guarded(&TfEditOndoKubun::FillFields));
    connect(SpeedButton1, &QToolButton::clicked, this, guarded(&TfEditOndoKubun::MoveUp));
    connect(SpeedButton2, &QToolButton::clicked, this, guarded(&TfEditOndoKubun::MoveDown));
    connect(BitBtn3, &QPushButton::clicked, this, guarded(&TfEditOndoKubun::Remove));
    connect(Button1, &QPushButton::clicked, this, guarded(&TfEditOndoKubun::AddOrUpdate));
    connect(BitBtn4, &QPushButton::clicked, this, guarded(&TfEditOndoKubun::ClearFields));
    connect(BitBtn1, &QPushButton::clicked, this, guarded(&TfEditOndoKubun::Register));
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    resize(319, 284);
}

void TfEditOndoKubun::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    RunGuarded(this, [this] { Reload(); });
}

void TfEditOndoKubun::Reload()
{
    ListView1->clear();
    Edit1->clear();
    for (const TOndoKubun& k : TOndoKubun::ReadAll())
        ListView1->addTopLevelItem(new QTreeWidgetItem(QStringList{
            k.KubunName, k.SokuteiKankaku, RangeForPeople(k.OndoRange), QString::number(k.ID),
            k.StampsTime ? Stamped : QString(), k.NumberedAlike ? Numbered : QString()}));
}

int TfEditOndoKubun::selectedRow() const
{
    const QList<QTreeWidgetItem*> items = ListView1->selectedItems();
    return items.isEmpty() ? -1 : ListView1->indexOfTopLevelItem(items.first());
}

void TfEditOndoKubun::FillFields()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const QTreeWidgetItem* item = ListView1->topLevelItem(row);
    Edit1->setText(item->text(NameColumn));
    Edit2->setText(item->text(IntervalColumn));
    Edit3->setText(item->text(RangeColumn));
    CheckStamp->setChecked(item->text(StampColumn) == Stamped);
    CheckNumbered->setChecked(item->text(NumberColumn) == Numbered);
}

void TfEditOndoKubun::ClearFields()
{
    Edit1->clear();
    Edit2->clear();
    Edit3->clear();
    CheckStamp->setChecked(false);
    CheckNumbered->setChecked(false);
    Edit1->setFocus();
}

bool TfEditOndoKubun::addOrUpdateRow()
{
    const QString name = Edit1->text();
    if (name.isEmpty())
        return false;
    const QString range = TypedRange(Edit3->text());
    if (!TKikakuText::OfValue(range).IsValid())
        throw AppError(
            QStringLiteral("温度範囲は 150～160 のように入力してください（片側だけなら 110～）"));
    Edit3->setText(RangeForPeople(range));
    using Store::TextColumn;
    checkWidth(name, QStringLiteral("区分名"), Store::LengthOf(TextColumn::CategoryName));
    checkWidth(Edit2->text(), QStringLiteral("計測"),
               Store::LengthOf(TextColumn::CategoryInterval));
    checkWidth(range, QStringLiteral("温度範囲"), Store::LengthOf(TextColumn::CategoryRange));

    QTreeWidgetItem* found = nullptr;
    for (int i = 0; i < ListView1->topLevelItemCount() && !found; ++i)
        if (ListView1->topLevelItem(i)->text(NameColumn) == name)
            found = ListView1->topLevelItem(i);

    int id = 0;
    if (found) {
        m_kubun.LoadByName(name);
        id = m_kubun.ID;
    } else {
        // The limit is on the number of categories; an update adds none.
        if (ListView1->topLevelItemCount() >= MaxKubun) {
            QMessageBox::warning(this, QStringLiteral("温度区分は１０種類までです"),
                                 QStringLiteral("注意"));
            return false;
        }
        id = m_kubun.GetNewID();
        found = new QTreeWidgetItem;
        ListView1->addTopLevelItem(found);
    }
    found->setText(NameColumn, name);
    found->setText(IntervalColumn, Edit2->text());
    found->setText(RangeColumn, Edit3->text());
    found->setText(IdColumn, QString::number(id));
    found->setText(StampColumn, CheckStamp->isChecked() ? Stamped : QString());
    found->setText(NumberColumn, CheckNumbered->isChecked() ? Numbered : QString());

    Edit1->clear();
    Edit2->clear();
    Edit3->clear();
    CheckStamp->setChecked(false);
    CheckNumbered->setChecked(false);
    return true;
}

void TfEditOndoKubun::AddOrUpdate()
{
    if (addOrUpdateRow())
        writeTable();
}

void TfEditOndoKubun::Register()
{
    addOrUpdateRow();
    writeTable();
}

void TfEditOndoKubun::writeTable()
{
    QList<TOndoKubun> kubuns;
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = ListView1->topLevelItem(i);
        TOndoKubun k;
        k.KubunName = item->text(NameColumn);
        k.SokuteiKankaku = item->text(IntervalColumn);
        k.OndoRange = TypedRange(item->text(RangeColumn));
        k.ID = item->text(IdColumn).toInt();
        k.StampsTime = item->text(StampColumn) == Stamped;
        k.NumberedAlike = item->text(NumberColumn) == Numbered;
        kubuns << k;
    }
    TOndoKubun::WriteAll(kubuns);
}

void TfEditOndoKubun::Remove()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    // The records stay; they only lose their category's name.
    const int used = KubunRecordCount(ListView1->topLevelItem(row)->text(NameColumn));
    if (used > 0 &&
        QMessageBox::question(
            this, windowTitle(),
            QStringLiteral("この温度区分は %1 件の記録で使われています。削除しますか？").arg(used),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    delete ListView1->takeTopLevelItem(row);
    Edit1->clear();
    Edit2->clear();
    Edit3->clear();
    CheckStamp->setChecked(false);
    CheckNumbered->setChecked(false);
}

void TfEditOndoKubun::swapRows(int a, int b)
{
    QTreeWidgetItem* first = ListView1->topLevelItem(a);
    QTreeWidgetItem* second = ListView1->topLevelItem(b);
    for (int c = 0; c < ColumnCount; ++c) {
        const QString text = first->text(c);
        first->setText(c, second->text(c));
        second->setText(c, text);
    }
    ListView1->setCurrentItem(second);
}

void TfEditOndoKubun::MoveUp()
{
    const int row = selectedRow();
    if (row > 0)
        swapRows(row, row - 1);
}

void TfEditOndoKubun::MoveDown()
{
    const int row = selectedRow();
    if (row >= 0 && row < ListView1->topLevelItemCount() - 1)
        swapRows(row, row + 1);
}
