#include "widgets_ui/ListView.h"

#include "widgets_ui/WindowFont.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TfListView::TfListView(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fListView"));
    setWindowTitle(QStringLiteral("fListView"));
    setFont(WindowFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));

    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setAccessibleName(QStringLiteral("一覧"));
    ListView1->setRootIsDecorated(false);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setAllColumnsShowFocus(true);
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
    connect(ListView1, &QTreeWidget::itemSelectionChanged, this,
            [this] { OkButton->setEnabled(SelectedIndex() >= 0); });
    connect(OkButton, &QPushButton::clicked, this, [this] {
        if (SelectedIndex() >= 0)
            accept();
    });
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    // Enter on a row and a double-click choose it, as OK does.
    connect(ListView1, &QTreeWidget::itemActivated, this, [this] {
        if (SelectedIndex() >= 0)
            accept();
    });
}

void TfListView::Fill(const ListViewData& data)
{
    m_data = data;
    ListView1->clear();
    QStringList captions;
    for (const ListViewColumn& c : data.columns)
        captions << c.caption;
    ListView1->setColumnCount(qMax(1, int(captions.size())));
    ListView1->setHeaderLabels(captions);
    for (int i = 0; i < data.columns.size(); ++i)
        ListView1->setColumnWidth(i, data.columns[i].width);
    for (int r = 0; r < data.rows.size(); ++r) {
        const ListViewRow& row = data.rows[r];
        QStringList cells{row.caption};
        // Sub-items beyond the columns stay in m_data, unseen.
        for (int i = 0; i + 1 < data.columns.size() && i < row.subItems.size(); ++i)
            cells << row.subItems[i];
        auto* item = new QTreeWidgetItem(cells);
        item->setData(0, Qt::UserRole, r);
        ListView1->addTopLevelItem(item);
    }
    // Columns are at least their set width and wide enough for their texts; the last takes
    // what remains.
    for (int i = 0; i < data.columns.size(); ++i) {
        ListView1->resizeColumnToContents(i);
        if (ListView1->columnWidth(i) < data.columns[i].width)
            ListView1->setColumnWidth(i, data.columns[i].width);
    }
    int wanted = 40;
    for (int i = 0; i < data.columns.size(); ++i)
        wanted += ListView1->columnWidth(i);
    if (wanted > width())
        resize(qMin(wanted, 1000), height());
    // The first row stands chosen, so that Enter or OK act without a click first.
    if (QTreeWidgetItem* first = ListView1->topLevelItem(0))
        ListView1->setCurrentItem(first);
    OkButton->setEnabled(SelectedIndex() >= 0);
    ListView1->setFocus();
}

int TfListView::SelectedIndex() const
{
    const QList<QTreeWidgetItem*> chosen = ListView1->selectedItems();
    if (chosen.isEmpty())
        return -1;
    return chosen.first()->data(0, Qt::UserRole).toInt();
}

const ListViewRow* TfListView::SelectedRow() const
{
    const int i = SelectedIndex();
    return i >= 0 && i < m_data.rows.size() ? &m_data.rows[i] : nullptr;
}
