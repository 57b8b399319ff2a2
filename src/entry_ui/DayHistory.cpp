#include "entry_ui/DayHistory.h"

#include "core/Utility.h"
#include "domain/History.h"
#include "domain/OndoKubun.h"
#include "widgets_ui/WindowFont.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

TfDayHistory::TfDayHistory(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fDayHistory"));
    setWindowTitle(QStringLiteral("変更の履歴"));
    setFont(WindowFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    LabelDay = new QLabel(this);
    LabelDay->setObjectName(QStringLiteral("LabelDay"));
    Grid = new QTableWidget(0, 6, this);
    Grid->setObjectName(QStringLiteral("HistoryGrid"));
    Grid->setAccessibleName(QStringLiteral("変更の履歴"));
    Grid->setHorizontalHeaderLabels({QStringLiteral("日時"), QStringLiteral("変更した人"),
                                     QStringLiteral("操作"), QStringLiteral("台目"),
                                     QStringLiteral("変更前"), QStringLiteral("変更後")});
    Grid->verticalHeader()->hide();
    Grid->verticalHeader()->setDefaultSectionSize(20);
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Grid->horizontalHeader()->setStretchLastSection(true);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("閉じる"), QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LabelDay);
    layout->addWidget(Grid, 1);
    layout->addWidget(buttons);
    resize(760, 420);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
}

void TfDayHistory::ShowDay(const TDayRow& day)
{
    TOndoKubun kubun;
    kubun.LoadByName(day.kubunName);
    const QList<History::TEntry> entries =
        History::ReadDay(day.kojiCode, day.gozaiName, kubun.ID, day.day);
    LabelDay->setText(QStringLiteral("工事 %1 / %2 / %3 / %4　%5 件")
                          .arg(day.kojiCode, day.gozaiName, day.kubunName, FormatDate(day.day))
                          .arg(entries.size()));
    Grid->setRowCount(int(entries.size()));
    for (int r = 0; r < entries.size(); ++r) {
        const History::TEntry& e = entries.at(r);
        const QStringList cells{
            e.when.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")),        e.who,    e.what,
            e.lno > 0 ? QString::number(e.lno) : QStringLiteral("日全体"), e.before, e.after};
        for (int c = 0; c < cells.size(); ++c)
            Grid->setItem(r, c, new QTableWidgetItem(cells.at(c)));
    }
}
