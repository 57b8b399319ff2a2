#include "entry_ui/DayList.h"

#include "core/AppError.h"
#include "core/Utility.h"
#include "domain/OndoKubun.h"
#include "widgets_ui/ErrorGuard.h"
#include "widgets_ui/WindowFont.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column {
    DayColumn,
    KojiColumn,
    GozaiColumn,
    KubunColumn,
    CountColumn,
    MaxColumn,
    MinColumn,
    AvgColumn,
    OutsideColumn,
    MeasurerColumn,
    WeatherColumn,
    SimulatedColumn,
    ColumnCount
};

// An item that sorts by its value, a number or a date, and shows its text.
// Shows the text as this program writes it (2024/08/27, 122.5) and sorts by the value.
class SortedItem : public QTableWidgetItem
{
public:
    bool operator<(const QTableWidgetItem& other) const override
    {
        const QVariant a = data(SortRole), b = other.data(SortRole);
        if (a.typeId() == QMetaType::QDate)
            return a.toDate() < b.toDate();
        return a.toDouble() < b.toDouble();
    }
    static constexpr int SortRole = Qt::UserRole + 1;
};

QTableWidgetItem* cell(const QString& text, const QVariant& sortValue = QVariant())
{
    auto* item = new SortedItem;
    item->setText(text);
    item->setData(SortedItem::SortRole, sortValue.isValid() ? sortValue : text);
    if (sortValue.isValid() && sortValue.typeId() != QMetaType::QDate)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

QDate typedDate(QLineEdit* edit, const QString& what)
{
    const QString text = AsciiTyped(edit->text()).trimmed();
    if (text.isEmpty())
        return QDate();
    if (!IsDate(text))
        throw AppError(QStringLiteral("%1「%2」は 2024/11/06 のように入力してください")
                           .arg(what, text.left(20)));
    return ParseDate(text).date();
}

} // namespace

TfDayList::TfDayList(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fDayList"));
    setWindowTitle(QStringLiteral("登録済みの試験日"));
    setFont(WindowFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    setModal(false);
    // Drawn for 9 pt; a larger desktop font widens the fields and the rows alike.
    const auto px = [this](int at9) { return WindowPixels(font(), at9); };

    auto makeEdit = [this, px](const char* name, const QString& spoken, int width) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setAccessibleName(spoken);
        e->setFixedWidth(px(width));
        return e;
    };
    EditKoji = makeEdit("EditKoji", QStringLiteral("工事コード"), 80);
    EditGozai = makeEdit("EditGozai", QStringLiteral("合材名"), 140);
    ComboKubun = new QComboBox(this);
    ComboKubun->setObjectName(QStringLiteral("ComboKubun"));
    ComboKubun->setAccessibleName(QStringLiteral("区分名"));
    EditFrom = makeEdit("EditFrom", QStringLiteral("期間の始め"), 90);
    EditTo = makeEdit("EditTo", QStringLiteral("期間の終わり"), 90);
    for (QLineEdit* e : {EditFrom, EditTo})
        e->setPlaceholderText(QStringLiteral("年/月/日"));
    EditKoji->setPlaceholderText(QStringLiteral("すべて"));
    EditGozai->setPlaceholderText(QStringLiteral("すべて"));
    ButtonSearch = new QPushButton(QStringLiteral("検索"), this);
    ButtonSearch->setObjectName(QStringLiteral("ButtonSearch"));
    ButtonSearch->setDefault(true);

    auto* filters = new QHBoxLayout;
    const auto add = [&](const QString& caption, QWidget* field) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        filters->addWidget(label);
        filters->addWidget(field);
    };
    add(QStringLiteral("工事"), EditKoji);
    add(QStringLiteral("合材"), EditGozai);
    add(QStringLiteral("区分"), ComboKubun);
    add(QStringLiteral("期間"), EditFrom);
    filters->addWidget(new QLabel(QStringLiteral("～"), this));
    filters->addWidget(EditTo);
    filters->addWidget(ButtonSearch);
    filters->addStretch(1);

    Grid = new QTableWidget(0, ColumnCount, this);
    Grid->setObjectName(QStringLiteral("DaysGrid"));
    Grid->setAccessibleName(QStringLiteral("登録済みの試験日"));
    Grid->setHorizontalHeaderLabels(
        {QStringLiteral("試験日"), QStringLiteral("工事"), QStringLiteral("合材"),
         QStringLiteral("区分"), QStringLiteral("個数"), QStringLiteral("最高"),
         QStringLiteral("最低"), QStringLiteral("平均"), QStringLiteral("規格外"),
         QStringLiteral("測定者"), QStringLiteral("天候"), QStringLiteral("模擬値")});
    Grid->verticalHeader()->hide();
    Grid->verticalHeader()->setDefaultSectionSize(px(20));
    Grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->setSortingEnabled(true);
    Grid->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Grid->horizontalHeader()->setStretchLastSection(true);

    LabelCount = new QLabel(this);
    LabelCount->setObjectName(QStringLiteral("LabelCount"));
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* open =
        buttons->addButton(QStringLiteral("この日を開く"), QDialogButtonBox::AcceptRole);
    open->setObjectName(QStringLiteral("ButtonOpen"));
    open->setAutoDefault(false);
    QPushButton* history =
        buttons->addButton(QStringLiteral("履歴…"), QDialogButtonBox::ActionRole);
    history->setObjectName(QStringLiteral("ButtonHistory"));
    history->setAutoDefault(false);
    QPushButton* close = buttons->addButton(QStringLiteral("閉じる"), QDialogButtonBox::RejectRole);
    close->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(Grid, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(LabelCount, 1);
    bottom->addWidget(buttons);
    layout->addLayout(bottom);
    resize(px(900), px(480));

    connect(ButtonSearch, &QPushButton::clicked, this,
            [this] { RunGuarded(this, [this] { Search(); }); });
    connect(Grid, &QTableWidget::cellDoubleClicked, this, [this] { chooseCurrent(); });
    connect(open, &QPushButton::clicked, this, [this] { chooseCurrent(); });
    connect(history, &QPushButton::clicked, this, [this] {
        if (const TDayRow* day = current())
            Q_EMIT historyRequested(*day);
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
}

void TfDayList::ShowRecord(const QString& kojiCode, const QString& gozaiName,
                           const QString& kubunName)
{
    EditKoji->setText(kojiCode);
    EditGozai->setText(gozaiName);
    ComboKubun->clear();
    ComboKubun->addItem(QStringLiteral("（すべて）"));
    QStringList names;
    TOndoKubun().GetKubunNames(names);
    ComboKubun->addItems(names);
    ComboKubun->setCurrentIndex(qMax(0, ComboKubun->findText(kubunName)));
    EditFrom->clear();
    EditTo->clear();
    Search();
}

void TfDayList::Search()
{
    TDayQuery query;
    query.kojiCode = EditKoji->text().trimmed();
    query.gozaiName = EditGozai->text().trimmed();
    query.kubunName = ComboKubun->currentIndex() > 0 ? ComboKubun->currentText() : QString();
    query.from = typedDate(EditFrom, QStringLiteral("期間の始め"));
    query.to = typedDate(EditTo, QStringLiteral("期間の終わり"));
    m_list = FindDays(query);
    fill();
}

void TfDayList::fill()
{
    Grid->setSortingEnabled(false);
    Grid->setRowCount(0);
    Grid->setRowCount(int(m_list.rows.size()));
    for (int i = 0; i < m_list.rows.size(); ++i) {
        const TDayRow& r = m_list.rows.at(i);
        QTableWidgetItem* first = cell(FormatDate(r.day), r.day.date());
        first->setData(Qt::UserRole, i); // the row of m_list, whatever the sort
        Grid->setItem(i, DayColumn, first);
        Grid->setItem(
            i, KojiColumn,
            cell(r.kojimei.isEmpty() ? r.kojiCode : r.kojiCode + QLatin1Char(' ') + r.kojimei));
        Grid->setItem(i, GozaiColumn, cell(r.gozaiName));
        Grid->setItem(i, KubunColumn, cell(r.kubunName));
        Grid->setItem(i, CountColumn, cell(QString::number(r.count), r.count));
        Grid->setItem(i, MaxColumn, cell(FormatGeneral(r.max), r.max));
        Grid->setItem(i, MinColumn, cell(FormatGeneral(r.min), r.min));
        Grid->setItem(i, AvgColumn, cell(FormatFixed(r.avg, 1), r.avg));
        Grid->setItem(i, OutsideColumn, cell(QString::number(r.outside), r.outside));
        Grid->setItem(i, MeasurerColumn, cell(r.measurer));
        Grid->setItem(i, WeatherColumn, cell(r.weather));
        Grid->setItem(i, SimulatedColumn, cell(r.simulated ? QStringLiteral("模擬値") : QString()));
        if (r.outside > 0)
            Grid->item(i, OutsideColumn)->setForeground(Qt::red);
    }
    Grid->setSortingEnabled(true);
    if (!m_list.rows.isEmpty())
        Grid->selectRow(0);
    LabelCount->setText(
        m_list.cut ? QStringLiteral("新しい方から %1 日を表示しています（期間を狭めてください）")
                         .arg(m_list.rows.size())
                   : QStringLiteral("%1 日").arg(m_list.rows.size()));
}

const TDayRow* TfDayList::current() const
{
    const int row = Grid->currentRow();
    if (row < 0 || !Grid->item(row, DayColumn))
        return nullptr;
    const int at = Grid->item(row, DayColumn)->data(Qt::UserRole).toInt();
    return at >= 0 && at < m_list.rows.size() ? &m_list.rows.at(at) : nullptr;
}

void TfDayList::chooseCurrent()
{
    if (const TDayRow* day = current())
        Q_EMIT dayChosen(*day);
}

void TfDayList::keyPressEvent(QKeyEvent* event)
{
    // Enter on the list opens the day; in a search field it searches.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        focusWidget() == Grid) {
        chooseCurrent();
        return;
    }
    QDialog::keyPressEvent(event);
}
