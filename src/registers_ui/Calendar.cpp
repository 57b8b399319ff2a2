#include "registers_ui/Calendar.h"

#include "widgets_ui/WindowFont.h"

#include <QColor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// A Japanese calendar whatever the system locale: 日 月 火 … from Sunday, 日 in red and 土 in
// blue.
QLocale japanese()
{
    return QLocale(QLocale::Japanese, QLocale::Japan);
}

void colourWeekend(QTableWidgetItem* item, int column)
{
    if (column == 0)
        item->setForeground(QColor(0xc0, 0x00, 0x00));
    else if (column == 6)
        item->setForeground(QColor(0x00, 0x40, 0xc0));
}

QToolButton* makeStep(QWidget* parent, const char* name, const QString& caption,
                      const QString& spoken)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(caption);
    b->setAccessibleName(spoken);
    b->setFocusPolicy(Qt::StrongFocus);
    b->setAutoRaise(false);
    return b;
}

} // namespace

TfCalendar::TfCalendar(QWidget* parent) : QDialog(parent), m_date(QDate::currentDate())
{
    setObjectName(QStringLiteral("fCalendar"));
    setWindowTitle(QStringLiteral("日付選択"));
    setFont(WindowFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));

    Calendar1 = new QTableWidget(6, 7, this);
    Calendar1->setObjectName(QStringLiteral("Calendar1"));
    Calendar1->setAccessibleName(QStringLiteral("日付"));
    Calendar1->verticalHeader()->hide();
    Calendar1->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    Calendar1->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    Calendar1->horizontalHeader()->setSectionsClickable(false);
    Calendar1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Calendar1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Calendar1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Calendar1->setSelectionMode(QAbstractItemView::SingleSelection);
    Calendar1->setTabKeyNavigation(false);
    const QLocale locale = japanese();
    for (int column = 0; column < 7; ++column) {
        const int weekday = column == 0 ? Qt::Sunday : column;
        auto* header =
            new QTableWidgetItem(locale.standaloneDayName(weekday, QLocale::ShortFormat));
        colourWeekend(header, column);
        Calendar1->setHorizontalHeaderItem(column, header);
    }
    Calendar1->setMinimumSize(226, 177);

    SpeedButton1 = makeStep(this, "SpeedButton1", QStringLiteral("<<"), QStringLiteral("前の年"));
    SpeedButton2 = makeStep(this, "SpeedButton2", QStringLiteral("<"), QStringLiteral("前の月"));
    SpeedButton3 = makeStep(this, "SpeedButton3", QStringLiteral(">"), QStringLiteral("次の月"));
    SpeedButton4 = makeStep(this, "SpeedButton4", QStringLiteral(">>"), QStringLiteral("次の年"));
    Button1 = new QPushButton(this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);
    Button1->setAccessibleDescription(QStringLiteral("今日に戻る"));
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);

    auto* steps = new QHBoxLayout;
    steps->addWidget(SpeedButton1);
    steps->addWidget(SpeedButton2);
    steps->addStretch();
    steps->addWidget(Button1);
    steps->addStretch();
    steps->addWidget(SpeedButton3);
    steps->addWidget(SpeedButton4);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(BitBtn1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(Calendar1, 1);
    layout->addLayout(steps);
    layout->addLayout(bottom);
    resize(226, 246);

    connect(SpeedButton1, &QToolButton::clicked, this, [this] { stepTo(m_date.addYears(-1)); });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { stepTo(m_date.addMonths(-1)); });
    connect(SpeedButton3, &QToolButton::clicked, this, [this] { stepTo(m_date.addMonths(1)); });
    connect(SpeedButton4, &QToolButton::clicked, this, [this] { stepTo(m_date.addYears(1)); });
    connect(Button1, &QPushButton::clicked, this, [this] { stepTo(QDate::currentDate()); });
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Calendar1, &QTableWidget::currentCellChanged, this, [this](int row, int column) {
        if (m_filling)
            return;
        const QTableWidgetItem* item = Calendar1->item(row, column);
        if (item && (item->flags() & Qt::ItemIsSelectable))
            m_date = QDate(m_date.year(), m_date.month(), item->text().toInt());
    });
    connect(Calendar1, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
        const QTableWidgetItem* item = Calendar1->item(row, column);
        if (item && (item->flags() & Qt::ItemIsSelectable))
            accept();
    });

    fillGrid();
    updateCaption();
}

void TfCalendar::SetCalendar(const QDate& date)
{
    m_date = date.isValid() ? date : QDate::currentDate();
    fillGrid();
    updateCaption();
}

void TfCalendar::showEvent(QShowEvent* event)
{
    updateCaption();
    Calendar1->setFocus();
    QDialog::showEvent(event);
}

void TfCalendar::stepTo(const QDate& date)
{
    m_date = date;
    fillGrid();
    updateCaption();
}

void TfCalendar::fillGrid()
{
    m_filling = true;
    Calendar1->clearContents();
    const QDate first(m_date.year(), m_date.month(), 1);
    const int lead = first.dayOfWeek() % 7; // Sunday is column 0
    for (int cell = 0; cell < 42; ++cell) {
        auto* item = new QTableWidgetItem;
        item->setTextAlignment(Qt::AlignCenter);
        const int day = cell - lead + 1;
        if (day >= 1 && day <= first.daysInMonth()) {
            item->setText(QString::number(day));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            colourWeekend(item, cell % 7);
        } else {
            item->setFlags(Qt::NoItemFlags);
        }
        Calendar1->setItem(cell / 7, cell % 7, item);
    }
    const int cell = lead + m_date.day() - 1;
    Calendar1->setCurrentCell(cell / 7, cell % 7);
    m_filling = false;
}

void TfCalendar::updateCaption()
{
    Button1->setText(japanese().toString(m_date, QStringLiteral("yyyy年M月")));
}
