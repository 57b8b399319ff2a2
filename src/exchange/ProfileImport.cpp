#include "exchange/ProfileImport.h"

#include "core/AppError.h"
#include "core/Utility.h"
#include "exchange/ProfileRead.h"
#include "storage/Backup.h"
#include "storage/Engine.h"
#include "store/Profiles.h"

#include <QFileInfo>
#include <QLocale>
#include <cmath>

namespace {

// The temperatures across as stored: one decimal, as the scanners write them, empty where
// missing. Written by hand: a day is five million of them.
QString temperaturesText(const std::vector<float>& readings)
{
    char text[4096];
    int n = 0;
    for (size_t i = 0; i < readings.size() && n < int(sizeof text) - 24; ++i) {
        if (i > 0)
            text[n++] = ';';
        const float v = readings[i];
        if (std::isnan(v))
            continue;
        long tenths = std::lround(double(v) * 10);
        if (tenths < 0) {
            text[n++] = '-';
            tenths = -tenths;
        }
        char digits[24];
        int d = 0;
        long whole = tenths / 10;
        do {
            digits[d++] = char('0' + whole % 10);
            whole /= 10;
        } while (whole > 0);
        while (d > 0)
            text[n++] = digits[--d];
        text[n++] = '.';
        text[n++] = char('0' + tenths % 10);
    }
    return QString::fromLatin1(text, n);
}

} // namespace

TProfileImported ImportProfile(const QString& file, const QString& kojiCode,
                               const QString& gozaiName, bool replace)
{
    if (gozaiName.trimmed().isEmpty())
        throw AppError(QStringLiteral("合材名が指定されていません"));
    TProfileReader reader(file);
    const TProfileHead head = reader.Head();
    const QDateTime day(head.day, QTime(0, 0));

    Backup::WriteIfChanged(Engine::CurrentFolder());
    Transaction tx;
    const Store::TProfileSlot slot = Store::LockProfileDay(kojiCode, gozaiName, head.day);
    if (!slot.projectRegistered)
        throw AppError(
            QStringLiteral("工事コード '%1' は登録されていません").arg(Excerpt(kojiCode)));
    if (slot.storedId) {
        if (!replace)
            throw AppError(QStringLiteral("試験日 %1 の敷均し温度分布はすでに取り込まれています"
                                          "（置き換えるには --replace を指定）")
                               .arg(FormatDate(day)));
        Store::DeleteProfile(*slot.storedId);
    }
    const int id = slot.nextId;

    TProfileImported imported;
    imported.day = head.day;
    imported.format = head.format;
    double first = 0, last = 0;
    {
        Store::TProfileLineStream lines(id);
        while (const TProfileLine* line = reader.Next()) {
            if (lines.Count() == 0)
                first = line->distance;
            last = qMax(last, line->distance);
            lines.Add(line->time, line->distance, line->speed, line->latitude, line->longitude,
                      temperaturesText(line->temperatures));
        }
        lines.Finish();
        imported.lines = lines.Count();
    }
    if (imported.lines == 0)
        throw AppError(QStringLiteral("ファイル '%1' に走査線がありません").arg(PathExcerpt(file)));
    imported.length = last - first;
    Store::WriteProfileHead({id, kojiCode, gozaiName, head.day, head.format, head.spacing,
                             head.positions, imported.lines, imported.length,
                             QFileInfo(file).fileName(), QDateTime::currentDateTime()});
    tx.Commit();
    return imported;
}

QDate ProfileDay(const QString& file)
{
    return TProfileReader(file).Head().day;
}

bool HasProfile(const QString& kojiCode, const QString& gozaiName, const QDate& day)
{
    return Store::HasProfile(kojiCode, gozaiName, day);
}

QString ProfileImportLine(const TProfileImported& imported)
{
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    return QStringLiteral("取り込み: %1 行、長さ %2 m（%3、%4）")
        .arg(japanese.toString(imported.lines), japanese.toString(imported.length, 'f', 1),
             FormatDate(QDateTime(imported.day, QTime(0, 0))), imported.format);
}
