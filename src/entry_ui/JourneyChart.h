#pragma once

#include "domain/LoadJourney.h"

#include <QWidget>

// Every load's temperature against the time of day, a line per load and a marker per stage;
// marked loads in red.
class TJourneyChart : public QWidget
{
    Q_OBJECT

public:
    explicit TJourneyChart(QWidget* parent = nullptr);
    void SetDay(const TJourneyDay& day);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TJourneyDay m_day;
};
