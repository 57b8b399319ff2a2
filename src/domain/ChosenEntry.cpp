#include "domain/ChosenEntry.h"

#include "storage/Query.h"

bool HasRecordHeaders(const QString& kojiCode, const QString& gozaiName)
{
    Query q(QStringLiteral("select * from OndoKanri4"));
    q.Add(QStringLiteral("where KojiCode=:A and GozaiName=:B"));
    q.BindText(QStringLiteral("A"), kojiCode);
    q.BindText(QStringLiteral("B"), gozaiName);
    q.Open();
    return !q.Eof();
}
