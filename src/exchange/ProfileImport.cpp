#include "exchange/ProfileImport.h"

#include "core/AppError.h"
#include "core/Utility.h"
#include "exchange/ProfileRead.h"
#include "storage/Backup.h"
#include "storage/Engine.h"
#include "storage/Query.h"

#include <QFileInfo>
#include <QLocale>
#include <cmath>

namespace {

QVariant number(double value)
{
    return std::isnan(value) ? QVariant() : QVariant(value);
}

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
    Engine::LockForNewID(QStringLiteral("OndoBunpu"));
    Query koji(QStringLiteral("select Code from Koji1 where Code = :A"));
    koji.BindText(QStringLiteral("A"), kojiCode);
    Query stored(QStringLiteral("select ID from OndoBunpu where KojiCode = :A and GozaiName = :B "
                                "and Hiduke = :C"));
    stored.BindText(QStringLiteral("A"), kojiCode);
    stored.BindText(QStringLiteral("B"), gozaiName);
    stored.BindDateTime(QStringLiteral("C"), day);
    Query next(QStringLiteral("select max(ID) as N from OndoBunpu"));
    Query::OpenAll({&koji, &stored, &next});
    if (kojiCode.isEmpty() || koji.Eof())
        throw AppError(
            QStringLiteral("工事コード '%1' は登録されていません").arg(Excerpt(kojiCode)));
    if (!stored.Eof()) {
        if (!replace)
            throw AppError(QStringLiteral("試験日 %1 の敷均し温度分布はすでに取り込まれています"
                                          "（置き換えるには --replace を指定）")
                               .arg(FormatDate(day)));
        for (const char* sql : {"delete from OndoBunpuLine where BunpuID = :A",
                                "delete from OndoBunpu where ID = :A"}) {
            Query del{QString::fromLatin1(sql)};
            del.BindInt(QStringLiteral("A"), stored.FieldInt(QStringLiteral("ID")));
            del.ExecSQL();
        }
    }
    const int id = next.FieldInt(QStringLiteral("N")) + 1;

    TProfileImported imported;
    imported.day = head.day;
    imported.format = head.format;
    double first = 0, last = 0;
    {
        Engine::RowStream lines(QStringLiteral("OndoBunpuLine"),
                                {QStringLiteral("BunpuID"), QStringLiteral("Seq"),
                                 QStringLiteral("Jikoku"), QStringLiteral("Kyori"),
                                 QStringLiteral("Sokudo"), QStringLiteral("Ido"),
                                 QStringLiteral("Keido"), QStringLiteral("Ondo")});
        while (const TProfileLine* line = reader.Next()) {
            if (imported.lines == 0)
                first = line->distance;
            last = qMax(last, line->distance);
            lines.Add({id, ++imported.lines, Engine::DateTimeParameter(line->time), line->distance,
                       number(line->speed), number(line->latitude), number(line->longitude),
                       temperaturesText(line->temperatures)});
        }
        lines.Finish();
    }
    if (imported.lines == 0)
        throw AppError(QStringLiteral("ファイル '%1' に走査線がありません").arg(PathExcerpt(file)));
    imported.length = last - first;
    Query header(QStringLiteral("insert into OndoBunpu (ID, KojiCode, GozaiName, Hiduke, "
                                "Keisiki, Kankaku, Itisu, Gyosu, Kyori, Fairu, Torikomi) values "
                                "(:A, :B, :C, :D, :E, :F, :G, :H, :I, :J, :K)"));
    header.BindInt(QStringLiteral("A"), id);
    header.BindText(QStringLiteral("B"), kojiCode);
    header.BindText(QStringLiteral("C"), gozaiName);
    header.BindDateTime(QStringLiteral("D"), day);
    header.BindText(QStringLiteral("E"), head.format);
    header.BindDouble(QStringLiteral("F"), head.spacing);
    header.BindInt(QStringLiteral("G"), head.positions);
    header.BindInt(QStringLiteral("H"), imported.lines);
    header.BindDouble(QStringLiteral("I"), imported.length);
    header.BindText(QStringLiteral("J"), QFileInfo(file).fileName().left(128));
    header.BindDateTime(QStringLiteral("K"), QDateTime::currentDateTime());
    header.ExecSQL();
    tx.Commit();
    return imported;
}

QDate ProfileDay(const QString& file)
{
    return TProfileReader(file).Head().day;
}

bool HasProfile(const QString& kojiCode, const QString& gozaiName, const QDate& day)
{
    Query q(QStringLiteral("select ID from OndoBunpu where KojiCode = :A and GozaiName = :B and "
                           "Hiduke = :C"));
    q.BindText(QStringLiteral("A"), kojiCode);
    q.BindText(QStringLiteral("B"), gozaiName);
    q.BindDateTime(QStringLiteral("C"), QDateTime(day, QTime(0, 0)));
    q.Open();
    return !q.Eof();
}

QString ProfileImportLine(const TProfileImported& imported)
{
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    return QStringLiteral("取り込み: %1 行、長さ %2 m（%3、%4）")
        .arg(japanese.toString(imported.lines), japanese.toString(imported.length, 'f', 1),
             FormatDate(QDateTime(imported.day, QTime(0, 0))), imported.format);
}
