#include "entry_ui/JourneyWindow.h"

#include "core/Utility.h"
#include "entry_ui/JourneyChart.h"
#include "widgets_ui/ErrorGuard.h"
#include "widgets_ui/WindowFont.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>

namespace {

QTableWidgetItem* cell(const QString& text, bool number = true)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (number)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

QString temp(double t)
{
    return FormatFixed(t, 1);
}

} // namespace

TfJourney::TfJourney(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fJourney"));
    setWindowTitle(QStringLiteral("温度低下"));
    setFont(WindowFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));

    m_title = new QLabel(this);
    EditDay = new QDateEdit(this);
    EditDay->setObjectName(QStringLiteral("EditDay"));
    EditDay->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    EditDay->setCalendarPopup(true);
    EditDay->setAccessibleName(QStringLiteral("試験日"));
    auto* previous = new QPushButton(QStringLiteral("◀ 前日"), this);
    auto* next = new QPushButton(QStringLiteral("翌日 ▶"), this);
    auto* top = new QHBoxLayout;
    top->addWidget(m_title, 1);
    top->addWidget(new QLabel(QStringLiteral("試験日"), this));
    top->addWidget(previous);
    top->addWidget(EditDay);
    top->addWidget(next);

    Grid = new QTableWidget(this);
    Grid->setObjectName(QStringLiteral("JourneyGrid"));
    Grid->setAccessibleName(QStringLiteral("運搬車ごとの温度低下"));
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid->verticalHeader()->setDefaultSectionSize(WindowPixels(font(), 20));
    Grid->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);

    LabelFit = new QLabel(this);
    LabelFit->setObjectName(QStringLiteral("LabelFit"));
    LabelFit->setWordWrap(true);
    m_limitsBox = new QWidget(this);
    m_limits = new QGridLayout(m_limitsBox);
    m_limits->setContentsMargins(0, 0, 0, 0);

    Chart = new TJourneyChart(this);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(Grid);
    splitter->addWidget(Chart);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("閉じる"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(splitter, 1);
    layout->addWidget(m_limitsBox);
    layout->addWidget(LabelFit);
    layout->addWidget(buttons);
    resize(980, 700);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    connect(EditDay, &QDateEdit::dateChanged, this,
            [this] { RunGuarded(this, [this] { reload(); }); });
    connect(previous, &QPushButton::clicked, this,
            [this] { EditDay->setDate(EditDay->date().addDays(-1)); });
    connect(next, &QPushButton::clicked, this,
            [this] { EditDay->setDate(EditDay->date().addDays(1)); });
}

void TfJourney::ShowDay(const QString& kojiCode, const QString& gozaiName, const QDate& day)
{
    m_koji = kojiCode;
    m_gozai = gozaiName;
    m_title->setText(QStringLiteral("工事 %1　合材 %2").arg(kojiCode, gozaiName));
    if (EditDay->date() == day)
        reload();
    else
        EditDay->setDate(day); // reloads
}

void TfJourney::reload()
{
    m_journey = ReadJourney(m_koji, m_gozai, EditDay->date());
    fill();
    fillLimits();
}

void TfJourney::fill()
{
    const TJourneyDay& day = m_journey.day;
    const int stages = int(day.stages.size());
    // 車番, then per stage its temperature and time, and from the second on the step into it.
    QStringList headers{QStringLiteral("車番")};
    QList<int> stageColumn;
    for (int s = 0; s < stages; ++s) {
        stageColumn << int(headers.size());
        headers << day.stages[s].name + QStringLiteral("\n℃") << QStringLiteral("時刻");
        if (s > 0)
            headers << QStringLiteral("低下\n℃") << QStringLiteral("\n分")
                    << QStringLiteral("\n℃/分");
    }
    const int leftColumn = int(headers.size());
    headers << QStringLiteral("%1 ℃まで\nあと（分）").arg(FormatGeneral(day.compactionLimit))
            << QStringLiteral("※");
    Grid->clear();
    Grid->setColumnCount(int(headers.size()));
    Grid->setHorizontalHeaderLabels(headers);
    Grid->setRowCount(int(day.loads.size()) + (day.loads.isEmpty() ? 0 : 1));

    for (int i = 0; i < day.loads.size(); ++i) {
        const TLoad& load = day.loads[i];
        Grid->setItem(i, 0, cell(load.name, false));
        for (int s = 0; s < stages; ++s) {
            if (!load.at[s])
                continue;
            QTableWidgetItem* t = cell(temp(load.at[s]->temp));
            if (s == load.LastStage() && load.belowLast)
                t->setForeground(Qt::red);
            Grid->setItem(i, stageColumn[s], t);
            Grid->setItem(i, stageColumn[s] + 1,
                          cell(load.at[s]->time.isValid()
                                   ? load.at[s]->time.toString(QStringLiteral("H:mm"))
                                   : QString()));
        }
        for (const TLoadStep& step : load.steps) {
            const int c = stageColumn[step.to] + 2;
            QTableWidgetItem* drop = cell(temp(step.drop));
            if (step.tooMuch)
                drop->setForeground(Qt::red);
            Grid->setItem(i, c, drop);
            if (step.minutes)
                Grid->setItem(i, c + 1, cell(QString::number(*step.minutes)));
            if (step.rate)
                Grid->setItem(i, c + 2, cell(FormatFixed(*step.rate, 2)));
        }
        if (load.left) {
            QTableWidgetItem* left = cell(QStringLiteral("約 %1（%2〜%3）")
                                              .arg(load.left->minutes)
                                              .arg(load.left->shortest)
                                              .arg(load.left->longest));
            left->setToolTip(load.left->Text(day.compactionLimit) +
                             QStringLiteral("\n推定です。測った温度ではありません。"));
            left->setForeground(Qt::darkBlue);
            Grid->setItem(i, leftColumn, left);
        } else if (load.untold) {
            QTableWidgetItem* left = cell(QStringLiteral("台数不足"));
            left->setToolTip(
                QStringLiteral("まだ台数が少なく、締固めまでの時間を 30 分の幅で推定できません。"));
            left->setForeground(Qt::gray);
            Grid->setItem(i, leftColumn, left);
        }
        if (load.Marked()) {
            QTableWidgetItem* mark = cell(QStringLiteral("※"), false);
            mark->setForeground(Qt::red);
            Grid->setItem(i, leftColumn + 1, mark);
        }
    }
    if (!day.loads.isEmpty()) {
        const int row = int(day.loads.size());
        Grid->setItem(row, 0, cell(QStringLiteral("平均"), false));
        for (int s = 0; s < stages; ++s)
            if (!std::isnan(day.averages.value(s)))
                Grid->setItem(row, stageColumn[s], cell(temp(day.averages[s])));
        for (int c = 0; c < Grid->columnCount(); ++c)
            if (QTableWidgetItem* item = Grid->item(row, c))
                item->setBackground(QColor(0xee, 0xee, 0xee));
    }
    Chart->SetDay(day);

    QString text;
    if (stages < 2)
        text = QStringLiteral("この工事・合材で2つ以上の温度区分に記録がありません。");
    else if (day.loads.isEmpty())
        text = QStringLiteral("この日の温度はありません。");
    else
        text =
            QStringLiteral("運搬車 %1 台（※ %2 "
                           "台：区分間の低下が限度を超えたか、最後の温度が規格値を下回ったもの）。")
                .arg(day.loads.size())
                .arg(std::count_if(day.loads.begin(), day.loads.end(),
                                   [](const TLoad& l) { return l.Marked(); }));
    const TCoolingFit& fit = m_journey.fit;
    if (stages >= 2) {
        if (fit.Usable())
            text += QStringLiteral(
                        "\n締固めまでの時間の推定：直近 14 日の %1 台（%2 組）から求めた冷え方"
                        "（%3 /分 ±%4）、気温 %5 ℃%6。推定であり、測定値ではありません。")
                        .arg(fit.loads)
                        .arg(fit.pairs)
                        .arg(FormatFixed(fit.rate, 4), FormatFixed(fit.spread, 4),
                             FormatGeneral(day.air),
                             day.airTyped ? QString() : QStringLiteral("（未入力のため仮定）"));
        else
            text += QStringLiteral("\n締固めまでの時間は、2つ以上の区分で測った運搬車が %1 "
                                   "台以上そろうと推定します（今は %2 台）。")
                        .arg(TCoolingFit::MinimumLoads)
                        .arg(fit.loads);
    }
    LabelFit->setText(text);
}

void TfJourney::fillLimits()
{
    while (QLayoutItem* item = m_limits->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const QList<TJourneyStage>& stages = m_journey.day.stages;
    if (stages.size() < 2)
        return;
    m_limits->addWidget(new QLabel(QStringLiteral("低下の限度"), m_limitsBox), 0, 0);
    for (int s = 1; s < stages.size(); ++s) {
        auto* label = new QLabel(QStringLiteral("%1 → %2").arg(stages[s - 1].name, stages[s].name),
                                 m_limitsBox);
        auto* spin = new QDoubleSpinBox(m_limitsBox);
        spin->setObjectName(QStringLiteral("SpinLimit%1").arg(s));
        spin->setRange(1, 100);
        spin->setDecimals(0);
        spin->setSuffix(QStringLiteral(" ℃"));
        spin->setValue(DropLimit(stages[s - 1].kubunId, stages[s].kubunId));
        spin->setAccessibleName(label->text() + QStringLiteral(" の低下の限度"));
        m_limits->addWidget(label, 0, 2 * s - 1);
        m_limits->addWidget(spin, 0, 2 * s);
        const int from = stages[s - 1].kubunId, to = stages[s].kubunId;
        connect(spin, &QDoubleSpinBox::editingFinished, this, [this, spin, from, to] {
            RunGuarded(this, [&] {
                if (DropLimit(from, to) == spin->value())
                    return;
                SetDropLimit(from, to, spin->value());
                Measure(m_journey.day);
                fill();
            });
        });
    }
    m_limits->setColumnStretch(2 * int(stages.size()), 1);
}
