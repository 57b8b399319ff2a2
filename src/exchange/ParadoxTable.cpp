#include "exchange/ParadoxTable.h"

#include "core/AppError.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTime>

extern "C" {
#include <paradox.h>
}

namespace {

// Paradox counts days from 1 January of year 1 (day 1); Julian day 1721425 is the day before.
constexpr qint64 ParadoxEpochJulianDay = 1721425;

void CollectError(pxdoc_t*, int, const char* message, void* data)
{
    auto* errors = static_cast<QString*>(data);
    if (errors->isEmpty())
        *errors = QString::fromLocal8Bit(message).trimmed();
}

QDateTime FromParadoxDays(qint64 days, qint64 msOfDay)
{
    const QDate date = QDate::fromJulianDay(days + ParadoxEpochJulianDay);
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(msOfDay)));
}

QVariant ToVariant(const pxval_t& v, int fieldType, QStringDecoder& decoder)
{
    if (v.isnull)
        return {};
    switch (fieldType) {
    case pxfShort:
    case pxfLong:
    case pxfAutoInc:
    case pxfLogical:
        return QVariant(qlonglong(v.value.lval));
    case pxfNumber:
    case pxfCurrency:
        return QVariant(v.value.dval);
    case pxfTimestamp: {
        const qint64 ms = qint64(v.value.dval);
        return FromParadoxDays(ms / 86400000, ms % 86400000);
    }
    case pxfDate:
        return FromParadoxDays(v.value.lval, 0);
    default: {
        QByteArray bytes(v.value.str.val, v.value.str.len);
        const int nul = bytes.indexOf('\0');
        if (nul >= 0)
            bytes.truncate(nul);
        return QString(decoder.decode(bytes)).trimmed();
    }
    }
}

bool IsNumeric(int fieldType)
{
    switch (fieldType) {
    case pxfShort:
    case pxfLong:
    case pxfAutoInc:
    case pxfLogical:
    case pxfNumber:
    case pxfCurrency:
    case pxfTimestamp:
    case pxfDate:
    case pxfTime:
        return true;
    default:
        return false;
    }
}

} // namespace

ParadoxTable ReadParadoxTable(const QString& file)
{
    QString errors;
    pxdoc_t* px = PX_new3(CollectError, nullptr, nullptr, nullptr, &errors);
    if (!px)
        throw AppError(QStringLiteral("'%1' を読めません").arg(QDir::toNativeSeparators(file)));
    struct Closer
    {
        pxdoc_t* px;
        bool open = false;
        ~Closer()
        {
            if (open)
                PX_close(px);
            PX_delete(px);
        }
    } closer{px};
    if (PX_open_file(px, QFile::encodeName(file).constData()) < 0)
        throw AppError(QStringLiteral("'%1' は Paradox の表として読めません%2")
                           .arg(QDir::toNativeSeparators(file),
                                errors.isEmpty() ? QString() : QStringLiteral(": ") + errors));
    closer.open = true;

    QStringDecoder decoder("Shift_JIS");
    if (!decoder.isValid())
        throw AppError(QStringLiteral("この環境では Shift-JIS の文字を読めません"));

    ParadoxTable table;
    const int fieldCount = PX_get_num_fields(px);
    QList<int> types;
    for (int i = 0; i < fieldCount; ++i) {
        const pxfield_t* f = PX_get_field(px, i);
        table.fields << QString::fromLatin1(f->px_fname).toUpper();
        types << f->px_ftype;
    }
    const int rowCount = PX_get_num_records(px);
    for (int r = 0; r < rowCount; ++r) {
        pxval_t** values = PX_retrieve_record(px, r);
        if (!values)
            throw AppError(QStringLiteral("'%1' の %2 行目を読めません")
                               .arg(QDir::toNativeSeparators(file))
                               .arg(r + 1));
        QList<QVariant> row;
        for (int i = 0; i < fieldCount; ++i) {
            row << ToVariant(*values[i], types.at(i), decoder);
            if (!values[i]->isnull && !IsNumeric(types.at(i)))
                px->free(px, values[i]->value.str.val);
            px->free(px, values[i]);
        }
        px->free(px, values);
        table.rows << row;
    }
    return table;
}
