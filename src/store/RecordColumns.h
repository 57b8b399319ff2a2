#pragma once

#include "store/Rows.h"

#include <QStringList>
#include <QVariant>

class Query;

// Inside the store: how the record tables' rows are read and written, for every part of the
// store that meets them.
namespace Store {

// The statements' parameter names, :A to :F.
inline const QString A = QStringLiteral("A");
inline const QString B = QStringLiteral("B");
inline const QString C = QStringLiteral("C");
inline const QString D = QStringLiteral("D");
inline const QString E = QStringLiteral("E");
inline const QString F = QStringLiteral("F");

// A reading of a row that holds LNO, Sokuten, Ondo, Jikoku, Syaryo and Biko.
Reading ReadingOf(const Query& q);
// A header of a row that holds the record's columns.
TRecordRow RecordRowOf(const Query& q);
// The columns of a reading's row, and a row of them: each reading keeps the phone's marks it
// had, so that the phone's resend of it is still known as stored.
const QStringList& LineColumns();
QVariantList LineRow(int id, const QVariant& stamp, const Reading& r, const PhoneMarks& marks);

} // namespace Store
