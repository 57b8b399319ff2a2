#pragma once

#include <QString>

// True when a record header exists for the project and the mix.
bool HasRecordHeaders(const QString& kojiCode, const QString& gozaiName);

// What the main window does after the mix dialog ended accepted: the record takes the chosen
// mix; when the project has no record of that mix, the record starts empty with the project
// and the mix kept. Returns true when the record was emptied (the window then shows it whole).
// Record: the record object with its Koji and Gozai entries and Clear().
template <class Record>
bool TakeChosenGozai(Record& record, const QString& kojiCode, const QString& chosenName)
{
    record.Gozai.Load(chosenName);
    const QString gozaiName = record.Gozai.DataName();
    if (HasRecordHeaders(kojiCode, gozaiName))
        return false;
    record.Clear();
    record.Koji.Load(kojiCode);
    record.Gozai.Load(gozaiName);
    return true;
}
