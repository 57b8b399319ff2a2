#pragma once

#include "core/AppError.h"
#include "domain/OndoKanri.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// Readings typed at the paver and sent from the site page. Each is appended to its stored day
// on its own, in one transaction, under the next load number taken inside the write lock, and
// is known by the id the phone made for it, so that a reading sent twice is stored once. What
// is typed is checked by the rules of the day of work; a failure raises AppError in Japanese
// with nothing stored.
namespace SiteReadings {

// What was sent cannot be stored as it is (as opposed to the data being out of reach now): a
// resend would be refused the same way.
class TRefused : public AppError
{
public:
    using AppError::AppError;
};

// What was sent may not be done by the phone that sent it: another phone's reading.
class TForbidden : public AppError
{
public:
    using AppError::AppError;
};

// The last readings of a day are the ones the page may still correct or remove.
inline constexpr int CorrectableCount = 10;

// A day of a project, mix and category, as the page chose it from the registers.
struct TSiteDay
{
    QString kojiCode;
    QString gozaiName;
    int kubunId = -1;
    QDate day;
};

// One reading as the phone sent it.
struct TSiteEntry
{
    QString device;      // the paired phone that sent it: only it may correct or remove it
    QString deviceName;  // as the history names who changed the day
    QString id;          // made on the phone: 8 to 40 letters, digits and '-'
    QString temperature; // as typed
    QDateTime takenAt;   // when it was read, on this computer's clock
    QString truck;
    QString remark;
};

// A reading as the page lists it.
struct TSiteReading
{
    Reading reading;
    QString id;           // the phone's id of it; empty for a reading typed in the office
    bool outside = false; // outside the specified value
};

// The day as the day-of-work session shows it: statistics, readings outside the 規格値, the last
// ones.
struct TSiteSummary
{
    QString kubunName;
    QString kikaku; // the 規格値 as a range, or empty
    DayStatistics statistics;
    int outsideCount = 0;
    bool simulated = false;   // the day was filled by シミュレーション
    QList<TSiteReading> last; // newest first, at most CorrectableCount
};

struct TRegisters
{
    QList<QPair<QString, QString>> projects; // code, name
    QStringList mixes;
    QList<TOndoKubun> categories;
};
TRegisters Registers();

// The category of the day; raises TRefused for a project, mix, category or date that the
// registers do not know.
TOndoKubun CheckDay(const TSiteDay& day);

// Each command answers with the day as it left it.
struct TAppended
{
    int lno = 0;
    bool again = false; // the id was stored before: nothing was written now
    TSiteSummary summary;
};
TAppended Append(const TSiteDay& day, const TSiteEntry& entry);

// The temperature, truck and remark of one of the last readings, found by its id; raises
// TForbidden when another phone sent it.
TSiteSummary Correct(const TSiteDay& day, const TSiteEntry& entry);

// Removes one of the last readings; the later ones move up a load. `removed` is false when no
// reading has the id (it was removed before). A day left without readings goes. Raises
// TForbidden when another phone sent it.
struct TRemoved
{
    bool removed = false;
    TSiteSummary summary;
};
TRemoved Remove(const TSiteDay& day, const TSiteEntry& entry);

TSiteSummary Summary(const TSiteDay& day);

} // namespace SiteReadings
