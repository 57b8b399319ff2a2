#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>

namespace Engine {
class RowStream;
}

// A paver's thermal scans as imported (敷均し温度分布): written by the import, read for its page.
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

// Whether a project's mix has a day imported.
bool HasProfile(const QString& kojiCode, const QString& gozaiName, const QDate& day);

// The start of an import, inside the caller's transaction: other importers wait from here. Asked
// at once: whether the project is registered, the day's stored import if any, and the next number.
struct TProfileSlot
{
    bool projectRegistered = false;
    std::optional<int> storedId;
    int nextId = 1;
};
TProfileSlot LockProfileDay(const QString& kojiCode, const QString& gozaiName, const QDate& day);
// A stored import and its scan lines.
void DeleteProfile(int id);

// The scan lines of an import streamed to the table, numbered from 1 as they come.
class TProfileLineStream
{
public:
    explicit TProfileLineStream(int id);
    ~TProfileLineStream();
    // NaN for a speed, latitude or longitude the file lacks.
    void Add(const QDateTime& time, double distance, double speed, double latitude,
             double longitude, const QString& temperatures);
    void Finish();
    int Count() const { return m_count; }

private:
    int m_id;
    int m_count = 0;
    std::unique_ptr<Engine::RowStream> m_rows;
};

// The day's head, written once its lines are.
struct TProfileHeadRow
{
    int id = 0;
    QString kojiCode;
    QString gozaiName;
    QDate day;
    QString format;
    double spacing = 0;
    int positions = 0;
    int lines = 0;
    double length = 0;
    QString fileName; // cut to its column
    QDateTime imported;
};
void WriteProfileHead(const TProfileHeadRow& head);

} // namespace Store
