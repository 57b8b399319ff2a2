#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

// What an export writes of a project (or one of its mixes), read a row at a time.
namespace Store {

// The mixes a project has records of, by name.
QStringList MixesOfProject(const QString& kojiCode);

// A reading with its record and day, by category number, day, mix and reading number.
struct TExportReadingRow
{
    int kubunId = 0;
    QString kubunName; // empty for a category since removed
    QString gozaiName;
    QString kikakuti; // the stored specified value
    QString measurer; // the day's, else the record's
    QDateTime day;
    QString sokuten, jikoku, syaryo, biko;
    double ondo = 0;
    bool mogi = false;
};
// An empty mix: every mix of the project.
void EachExportReading(const QString& kojiCode, const QString& gozaiName,
                       const std::function<void(const TExportReadingRow&)>& row);

// A day's summary, by day, mix and category number.
struct TExportDayRow
{
    int kubunId = 0;
    QString kubunName;
    QString gozaiName;
    QDateTime day;
    int kosu = 0;
    double maxOndo = 0, miniOndo = 0, avgOndo = 0;
    QString measurer;
    QString tenki, kion, tekiyo;
    bool mogi = false;
};
void EachExportDay(const QString& kojiCode, const QString& gozaiName,
                   const std::function<void(const TExportDayRow&)>& row);

} // namespace Store
