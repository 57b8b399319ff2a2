#include "entry_ui/ReadingsView.h"

#include "domain/DayEntry.h"
#include "widgets_ui/ErrorGuard.h"
#include "widgets_ui/WindowFont.h"

#include <QBrush>
#include <QClipboard>
#include <QColor>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyledItemDelegate>

TReadingsModel::TReadingsModel(TDayEntry& entry, QObject* parent)
    : QAbstractTableModel(parent), m_entry(entry), m_rows(entry.RowCount())
{
    connect(&entry, &TDayEntry::cellsChanged, this, [this](int first, int last) {
        last = qMin(last, m_rows);
        if (first <= last)
            Q_EMIT dataChanged(index(first - 1, 0), index(last - 1, TDayEntry::ColumnCount - 1));
    });
    // The marks of readings outside the 規格値 follow every change of the readings and of the
    // specified value.
    connect(&entry, &TDayEntry::statisticsChanged, this, [this] {
        Q_EMIT dataChanged(index(0, TDayEntry::TemperatureColumn),
                           index(m_rows - 1, TDayEntry::TemperatureColumn),
                           {Qt::ForegroundRole, Qt::BackgroundRole, Qt::ToolTipRole});
    });
    // The grid grows with the readings typed, one empty row below the last.
    connect(&entry, &TDayEntry::rowCountChanged, this, [this](int rows) {
        if (rows > m_rows) {
            beginInsertRows(QModelIndex(), m_rows, rows - 1);
            m_rows = rows;
            endInsertRows();
        } else if (rows < m_rows) {
            beginRemoveRows(QModelIndex(), rows, m_rows - 1);
            m_rows = rows;
            endRemoveRows();
        }
    });
    connect(&entry, &TDayEntry::headerChanged, this,
            [this] { Q_EMIT headerDataChanged(Qt::Horizontal, 0, 0); });
}

int TReadingsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int TReadingsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : TDayEntry::ColumnCount;
}

QVariant TReadingsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return QVariant();
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_entry.Cell(index.row() + 1, index.column());
    if (index.column() != TDayEntry::TemperatureColumn)
        return QVariant();
    const int lno = index.row() + 1;
    switch (role) {
    case Qt::ForegroundRole:
        if (m_entry.IsOutside(lno) || !m_entry.Refusal(lno).isEmpty())
            return QBrush(Qt::red);
        break;
    case Qt::BackgroundRole:
        if (!m_entry.Refusal(lno).isEmpty())
            return QBrush(QColor(0xff, 0xd8, 0xd8));
        break;
    case Qt::ToolTipRole: {
        const QString refusal = m_entry.Refusal(lno);
        if (!refusal.isEmpty())
            return refusal;
        break;
    }
    default:
        break;
    }
    return QVariant();
}

bool TReadingsModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    const QString text = value.toString();
    if (text == m_entry.Cell(index.row() + 1, index.column()))
        return true;
    // Called from the view's editor, outside any guarded action.
    RunGuarded(qobject_cast<QWidget*>(QObject::parent()),
               [&] { m_entry.SetCell(index.row() + 1, index.column(), text); });
    return true;
}

Qt::ItemFlags TReadingsModel::flags(const QModelIndex& index) const
{
    return QAbstractTableModel::flags(index) | Qt::ItemIsEditable;
}

QVariant TReadingsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case TDayEntry::LabelColumn: {
        // The category says what a row counts; before one is chosen, the plain caption.
        const QString interval = m_entry.Header().interval;
        return interval.isEmpty() ? QStringLiteral("単位") : interval;
    }
    case TDayEntry::TemperatureColumn:
        return QStringLiteral("温度");
    case TDayEntry::TimeColumn:
        return QStringLiteral("時刻");
    case TDayEntry::TruckColumn:
        return QStringLiteral("車番");
    default:
        return QStringLiteral("備考");
    }
}

namespace {

// The current cell bold; the temperature editor opens with the input method off; Return
// commits and moves as the direction button says.
class ReadingDelegate : public QStyledItemDelegate
{
public:
    ReadingDelegate(TReadingsView* view) : QStyledItemDelegate(view), m_view(view) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        // Temperatures and times are digits: the input method stays off.
        if ((index.column() == TDayEntry::TemperatureColumn ||
             index.column() == TDayEntry::TimeColumn) &&
            editor) {
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
        if (editor && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                Q_EMIT commitData(editor);
                Q_EMIT closeEditor(editor, QAbstractItemDelegate::NoHint);
                m_view->MoveAfterEnter();
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (m_view->currentIndex() == index)
            option->font.setBold(true);
    }

private:
    TReadingsView* m_view;
};

} // namespace

TReadingsView::TReadingsView(TDayEntry& entry, QWidget* parent) : QTableView(parent), m_entry(entry)
{
    setFont(WindowFont(QStringLiteral("Tahoma"), 9));
    // Drawn for 9 pt: a larger desktop font makes rows and columns larger alike, so that a
    // taller window shows more rows and no caption is cut.
    const auto px = [this](int at9) { return WindowPixels(font(), at9); };
    QFont bold = font();
    bold.setBold(true);
    horizontalHeader()->setFont(bold);
    // Set up before the rows arrive: a visible header measures the text of every section.
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(px(20));
    verticalHeader()->setMinimumSectionSize(16);
    horizontalHeader()->setDefaultSectionSize(px(72));
    setTabKeyNavigation(true); // Tab walks the cells; after the last it leaves the grid
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setItemDelegate(new ReadingDelegate(this));
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded); // the remark stretches, so rarely
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setModel(new TReadingsModel(entry, this));
    const int widths[TDayEntry::ColumnCount] = {44, 56, 50, 56, 80};
    for (int c = 0; c < TDayEntry::ColumnCount; ++c)
        setColumnWidth(c, px(widths[c]));
    // The remark takes what the window's width leaves.
    horizontalHeader()->setStretchLastSection(true);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, viewport(),
            qOverload<>(&QWidget::update));
}

void TReadingsView::MoveAfterEnter()
{
    const int row = qMax(0, currentIndex().row());
    const int column = qMax(0, currentIndex().column());
    const int lastRow = model()->rowCount() - 1;
    const int lastColumn = TDayEntry::ColumnCount - 1;
    QModelIndex next;
    switch (m_direction) {
    case TEnterDirection::Down:
        next = model()->index(qMin(row + 1, lastRow), TDayEntry::TemperatureColumn);
        break;
    case TEnterDirection::Up:
        next = model()->index(qMax(row - 1, 0), column);
        break;
    case TEnterDirection::Right:
        next = model()->index(row, qMin(column + 1, lastColumn));
        break;
    case TEnterDirection::Left:
        next = model()->index(row, qMax(column - 1, 0));
        break;
    }
    setCurrentIndex(next);
}

bool TReadingsView::focusNextPrevChild(bool next)
{
    // Inside the grid Tab moves from cell to cell; past its last or first cell it leaves.
    const QModelIndex at = currentIndex();
    const bool atEnd =
        next ? (at.row() == model()->rowCount() - 1 && at.column() == TDayEntry::ColumnCount - 1)
             : (at.row() <= 0 && at.column() <= 0);
    if (!at.isValid() || atEnd || state() == EditingState)
        return QAbstractScrollArea::focusNextPrevChild(next);
    return QTableView::focusNextPrevChild(next);
}

QString TReadingsView::SelectedText() const
{
    const QModelIndexList chosen = selectionModel()->selectedIndexes();
    if (chosen.isEmpty())
        return QString();
    int top = TDayEntry::MaxRows, bottom = -1, left = TDayEntry::ColumnCount, right = -1;
    for (const QModelIndex& i : chosen) {
        top = qMin(top, i.row());
        bottom = qMax(bottom, i.row());
        left = qMin(left, i.column());
        right = qMax(right, i.column());
    }
    return m_entry.CopyText(top + 1, left, bottom + 1, right);
}

void TReadingsView::PasteText(const QString& text)
{
    const QModelIndex at = currentIndex();
    m_entry.Paste(text, qMax(0, at.row()) + 1, qMax(0, at.column()));
}

void TReadingsView::CommitEditing()
{
    if (state() != EditingState)
        return;
    if (QWidget* editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void TReadingsView::CutSelected()
{
    QGuiApplication::clipboard()->setText(SelectedText());
    ClearSelected();
}

void TReadingsView::ClearSelected()
{
    QList<QPair<int, int>> cells;
    for (const QModelIndex& i : selectionModel()->selectedIndexes())
        cells << qMakePair(i.row() + 1, i.column());
    m_entry.ClearCells(cells);
}

void TReadingsView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete) {
        RunGuarded(window(), [this] { ClearSelected(); });
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        MoveAfterEnter();
        return;
    }
    if (event->matches(QKeySequence::Cut)) {
        RunGuarded(window(), [this] { CutSelected(); });
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        QGuiApplication::clipboard()->setText(SelectedText());
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        RunGuarded(window(), [this] { PasteText(QGuiApplication::clipboard()->text()); });
        return;
    }
    QTableView::keyPressEvent(event);
}
