#pragma once

#include "exchange/ParadoxImport.h"
#include "exchange/ParadoxTable.h"
#include "store/Legacy.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QSet>
#include <QString>

// Within the Paradox import only: what the planning (ParadoxImport.cpp) hands the writing
// (ParadoxWrite.cpp).
namespace ParadoxImport {

// In the store's order of the old tables.
enum TableIndex { Kubun, Koji, Gozai, Simei, Kanri, Head, Line, TableTotal };
static_assert(TableTotal == Store::LegacyTableCount);
inline Store::LegacyTable LegacyOf(int t)
{
    return Store::LegacyTable(t);
}

// Everything read and decided; Import carries it out.
struct Work
{
    Plan plan;
    ParadoxTable tables[TableTotal];
    bool present[TableTotal] = {};
    QHash<int, int> kubunTarget;        // old category ID -> stored ID
    QHash<int, QString> kubunNames;     // stored ID -> name, after the import
    QSet<int> kubunInsert, kubunUpdate; // stored IDs
    QList<int> kanriRows;               // rows of the old records that become new headers
    QHash<int, int> recordTarget;       // old record ID -> stored ID
    QSet<QString> takenDays;            // DayKey of stored days a joining record must not touch
    QList<QPair<int, int>> headRows;    // rows of the old days to insert, with their stored ID
    QList<QPair<int, int>> lineRows;    // rows of the old readings, with their stored ID
};

// Reads every table of the folder whole; raises AppError before anything is stored.
void ReadFolder(Work& w, const QString& folder);
// Decides against the store as it is now (the caller holds the transaction).
void Decide(Work& w);

} // namespace ParadoxImport
