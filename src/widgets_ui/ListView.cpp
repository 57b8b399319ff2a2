#include "widgets_ui/ListView.h"

#include "widgets_ui/WindowFont.h"

#include <QAbstractTableModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

// The rows of a list for its view, which asks only for those it shows: no item is made per row,
// and End or typing a code still reach every row.
class TListModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    void Reset(const ListViewData& data)
    {
        beginResetModel();
        m_data = data;
        endResetModel();
    }
    const ListViewData& Data() const { return m_data; }

    int rowCount(const QModelIndex& parent) const override
    {
        return parent.isValid() ? 0 : int(m_data.rows.size());
    }
    int columnCount(const QModelIndex& parent) const override
    {
        return parent.isValid() ? 0 : qMax(1, int(m_data.columns.size()));
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        const ListViewRow& row = m_data.rows.at(index.row());
        // Sub-items beyond the columns stay in the data, unseen.
        return index.column() == 0 ? row.caption : row.subItems.value(index.column() - 1);
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole ||
            section >= m_data.columns.size())
            return {};
        return m_data.columns.at(section).caption;
    }

private:
    ListViewData m_data;
};

TfListView::TfListView(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fListView"));
    setWindowTitle(QStringLiteral("fListView"));
    setFont(WindowFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));

    ListView1 = new QTreeView(this);
    m_model = new TListModel(this);
    ListView1->setModel(m_model);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setAccessibleName(QStringLiteral("一覧"));
    ListView1->setRootIsDecorated(false);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setUniformRowHeights(true);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->header()->setStretchLastSection(true);

    OkButton = new QPushButton(QStringLiteral("OK"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("キャンセル"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(OkButton);
    bottom->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(ListView1, 1);
    layout->addLayout(bottom);
    resize(563, 336);

    // Confirming needs a chosen row: the callers read it.
    OkButton->setEnabled(false);
    connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { OkButton->setEnabled(SelectedIndex() >= 0); });
    connect(OkButton, &QPushButton::clicked, this, [this] {
        if (SelectedIndex() >= 0)
            accept();
    });
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    // Enter on a row and a double-click choose it, as OK does.
    connect(ListView1, &QTreeView::activated, this, [this] {
        if (SelectedIndex() >= 0)
            accept();
    });
}

void TfListView::Fill(const ListViewData& data)
{
    m_model->Reset(data);
    const ListViewData& shown = m_model->Data();
    // Columns are at least their set width and wide enough for the texts of the rows in view;
    // the last takes what remains.
    for (int i = 0; i < shown.columns.size(); ++i) {
        ListView1->resizeColumnToContents(i);
        if (ListView1->columnWidth(i) < shown.columns[i].width)
            ListView1->setColumnWidth(i, shown.columns[i].width);
    }
    int wanted = 40;
    for (int i = 0; i < shown.columns.size(); ++i)
        wanted += ListView1->columnWidth(i);
    if (wanted > width())
        resize(qMin(wanted, 1000), height());
    // The first row stands chosen, so that Enter or OK act without a click first.
    if (!shown.rows.isEmpty())
        SelectRow(0);
    OkButton->setEnabled(SelectedIndex() >= 0);
    ListView1->setFocus();
}

void TfListView::SelectRow(int row)
{
    const QModelIndex index = m_model->index(row, 0);
    ListView1->setCurrentIndex(index);
    ListView1->scrollTo(index);
}

int TfListView::SelectedIndex() const
{
    const QModelIndexList chosen = ListView1->selectionModel()->selectedRows();
    return chosen.isEmpty() ? -1 : chosen.first().row();
}

const ListViewRow* TfListView::SelectedRow() const
{
    const int i = SelectedIndex();
    return i >= 0 && i < RowCount() ? &m_model->Data().rows[i] : nullptr;
}

int TfListView::RowCount() const
{
    return int(m_model->Data().rows.size());
}
