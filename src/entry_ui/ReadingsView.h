#pragma once

#include <QAbstractTableModel>
#include <QTableView>

class TDayEntry;

// The readings of the day as a table: label (headed by the category's interval), temperature,
// remark; temperatures outside the specified value in red.
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

// The readings grid: Return walks down the temperatures; Delete empties the chosen cells;
// copy and paste take spreadsheet text.
class TReadingsView : public QTableView
{
    Q_OBJECT
public:
    explicit TReadingsView(TDayEntry& entry, QWidget* parent = nullptr);

    void MoveToNextTemperature();
    QString SelectedText() const;
    void PasteText(const QString& text);
    void ClearSelected();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    TDayEntry& m_entry;
};
