#pragma once

#include "domain/RegisteredDays.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// "登録済みの試験日": the registered days of the record shown, or of a search over every record
// by project, mix, category and period, sortable by any column. Enter or a double-click opens
// the day in the main window; 履歴… shows what changed on it.
class TfDayList : public QDialog
{
    Q_OBJECT
public:
    explicit TfDayList(QWidget* parent = nullptr);

    // The days of one record (empty texts: that part is not searched); raises AppError.
    void ShowRecord(const QString& kojiCode, const QString& gozaiName, const QString& kubunName);
    // Searches with the fields as typed; raises AppError.
    void Search();
    const QList<TDayRow>& Rows() const { return m_list.rows; }

    QLineEdit* EditKoji = nullptr;
    QLineEdit* EditGozai = nullptr;
    QComboBox* ComboKubun = nullptr;
    QLineEdit* EditFrom = nullptr;
    QLineEdit* EditTo = nullptr;
    QPushButton* ButtonSearch = nullptr;
    QTableWidget* Grid = nullptr;
    QLabel* LabelCount = nullptr;

Q_SIGNALS:
    void dayChosen(const TDayRow& day);
    // 履歴…: the changes of the day chosen.
    void historyRequested(const TDayRow& day);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fill();
    // The row chosen in the grid, or none.
    const TDayRow* current() const;
    void chooseCurrent();

    TDayList m_list;
};
