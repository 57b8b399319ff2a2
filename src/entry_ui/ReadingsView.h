#pragma once

#include <QAbstractTableModel>
#include <QTableView>

class TDayEntry;

// The readings of the session as a table: label (headed by the category's interval),
// temperature, time, truck, remark. What is outside the specified value and what the rule
// refuses (and why) are the session's answers (TDayEntry::IsOutside, Refusal); the model only
// paints them: red text, a red ground with the reason as its tooltip.
class TReadingsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit TReadingsModel(TDayEntry& entry, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    TDayEntry& m_entry;
    int m_rows; // as last told to the views
};

// Where Return moves after a cell, as the direction button shows it.
enum class TEnterDirection { Right = 0, Down = 1, Left = 2, Up = 3 };

// The readings grid, kept as a spreadsheet column is: Return moves in the chosen direction
// (down goes to the next row's temperature), Tab and Shift+Tab walk the cells of a row and on
// to the next, leaving the grid after the last; Delete empties the chosen cells; cut, copy and
// paste take spreadsheet text.
class TReadingsView : public QTableView
{
    Q_OBJECT
public:
    explicit TReadingsView(TDayEntry& entry, QWidget* parent = nullptr);

    void SetEnterDirection(TEnterDirection direction) { m_direction = direction; }
    TEnterDirection EnterDirection() const { return m_direction; }
    void MoveAfterEnter();
    QString SelectedText() const;
    void PasteText(const QString& text);
    void ClearSelected();
    void CutSelected();
    // The open editor's text goes into the session, as Return would put it.
    void CommitEditing();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    TDayEntry& m_entry;
    TEnterDirection m_direction = TEnterDirection::Down;
};
