#pragma once

#include "domain/RegisteredDays.h"

#include <QDialog>

class QLabel;
class QTableWidget;

// "変更の履歴": every change to one registered day's readings, oldest first: when, who, what,
// which load, the value before and after. What the history keeps is shown as kept.
class TfDayHistory : public QDialog
{
    Q_OBJECT
public:
    explicit TfDayHistory(QWidget* parent = nullptr);

    // Reads the day's entries; raises AppError.
    void ShowDay(const TDayRow& day);

    QLabel* LabelDay = nullptr;
    QTableWidget* Grid = nullptr;
};
