#pragma once

#include "domain/LoadJourney.h"

#include <QDialog>

class QDateEdit;
class QGridLayout;
class QLabel;
class QTableWidget;
class TJourneyChart;

// データ → "温度低下…": each load of a day followed through the categories it was measured in.
class TfJourney : public QDialog
{
    Q_OBJECT

public:
    explicit TfJourney(QWidget* parent = nullptr);

    // Shows the day of a project and mix; reads it again when called again.
    void ShowDay(const QString& kojiCode, const QString& gozaiName, const QDate& day);
    const TJourney& Shown() const { return m_journey; }

    QTableWidget* Grid = nullptr;
    QDateEdit* EditDay = nullptr;
    QLabel* LabelFit = nullptr;
    TJourneyChart* Chart = nullptr;

private:
    void reload();
    void fill();
    void fillLimits();

    QString m_koji;
    QString m_gozai;
    TJourney m_journey;
    QLabel* m_title = nullptr;
    QGridLayout* m_limits = nullptr;
    QWidget* m_limitsBox = nullptr;
};
