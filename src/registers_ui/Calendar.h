#pragma once

#include <QDate>
#include <QDialog>

class QPushButton;
class QTableWidget;
class QToolButton;

// The date picker: a month grid in Japanese from Sunday, with year and month steps; OK accepts
// the shown date.
class TfCalendar : public QDialog
{
    Q_OBJECT
public:
    explicit TfCalendar(QWidget* parent = nullptr);

    // A time of day is ignored.
    void SetCalendar(const QDate& date);
    QDate GetCalendar() const { return m_date; }

    QTableWidget* Calendar1 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QPushButton* Button1 = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QToolButton* SpeedButton4 = nullptr;
    QPushButton* BitBtn1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // QDate::addMonths/addYears move to the last day of a shorter month.
    void stepTo(const QDate& date);
    void fillGrid();
    void updateCaption();

    QDate m_date;
    bool m_filling = false;
};
