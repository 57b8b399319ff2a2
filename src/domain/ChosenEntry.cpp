#include "domain/ChosenEntry.h"

#include "store/Records.h"

bool HasRecordHeaders(const QString& kojiCode, const QString& gozaiName)
{
    return Store::HasRecords(kojiCode, gozaiName);
}
