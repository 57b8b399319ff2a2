#pragma once

#include <QDate>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>
#include <functional>
#include <optional>

// A paver's thermal scans as imported (敷均し温度分布): read for its page.
namespace Store {

struct TProfileHead
{
    int id = 0;
    QString format;     // the file's layout
    double spacing = 0; // metres between two positions across
    int positions = 0;
    int lines = 0;
    double length = 0; // metres along the lane
};

// A project's mix on a day, asked at once: its scans' head (none when not imported), the
// project's name, the mix's print name (none when the mix is not registered), and the day's
// loads of the mix, whatever their category, as time and truck.
struct TProfileDay
{
    std::optional<TProfileHead> head;
    QString kojiName;
    std::optional<QString> printName;
    QList<QPair<QString, QString>> loads;
};
TProfileDay ProfileDayOf(const QString& kojiCode, const QString& gozaiName, const QDate& day);

// Each scan line of an imported day in order, read row by row: its clock as stored, the distance,
// the speed (null where the file has none) and the readings' text.
void EachProfileLine(
    int id, const std::function<void(const QVariant& clock, double distance, const QVariant& speed,
                                     const QString& readings)>& line);

} // namespace Store
