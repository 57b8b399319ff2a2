#include "core/AppError.h"
#include "core/Utility.h"
#include "domain/LoadJourney.h"
#include "domain/SiteReadings.h"
#include "site/SiteServer.h"

#include <QHttpServerRequest>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUrlQuery>
#include <cmath>

// The JSON answers of the page's calls. Names and values come only from the registers and the
// phone's typing; nothing the page sends is a path or a statement.

using namespace SiteReadings;

namespace {

// A phone clock further off than this is corrected, and the phone told.
constexpr qint64 ClockSlackMs = 2 * 60 * 1000;

TSiteDay dayFrom(const QJsonObject& o)
{
    TSiteDay d;
    d.kojiCode = o.value(QStringLiteral("koji")).toString().left(64);
    d.gozaiName = o.value(QStringLiteral("gozai")).toString().left(128);
    const QJsonValue kubun = o.value(QStringLiteral("kubun"));
    d.kubunId = kubun.isString() ? kubun.toString().toInt() : kubun.toInt(-1);
    d.day = QDate::fromString(o.value(QStringLiteral("day")).toString(), Qt::ISODate);
    return d;
}

QJsonObject summaryJson(const TSiteSummary& s)
{
    QJsonArray last;
    for (const TSiteReading& r : s.last)
        last.append(QJsonObject{{QStringLiteral("lno"), r.lno},
                                {QStringLiteral("id"), r.id},
                                {QStringLiteral("ondo"), FormatGeneral(r.ondo)},
                                {QStringLiteral("time"), r.time},
                                {QStringLiteral("truck"), r.truck},
                                {QStringLiteral("remark"), r.remark},
                                {QStringLiteral("outside"), r.outside}});
    const DayStatistics& d = s.statistics;
    const bool any = d.count > 0;
    return {{QStringLiteral("kubun"), s.kubunName},
            {QStringLiteral("spec"), s.spec},
            {QStringLiteral("count"), d.count},
            {QStringLiteral("max"), any ? FormatGeneral(d.maximum) : QString()},
            {QStringLiteral("min"), any ? FormatGeneral(d.minimum) : QString()},
            {QStringLiteral("avg"), any ? FormatFixed(d.average, 1) : QString()},
            {QStringLiteral("outside"), s.outsideCount},
            {QStringLiteral("last"), last}};
}

QString minutesText(qint64 ms)
{
    return QString::number(std::llabs(ms) / 60000);
}

} // namespace

TSiteServer::TReply TSiteServer::registers()
{
    const TRegisters r = Registers();
    QJsonArray projects, mixes, categories;
    for (const auto& [code, name] : r.projects)
        projects.append(
            QJsonObject{{QStringLiteral("code"), code}, {QStringLiteral("name"), name}});
    for (const QString& m : r.mixes)
        mixes.append(m);
    for (const TOndoKubun& k : r.categories)
        categories.append(QJsonObject{{QStringLiteral("id"), k.ID},
                                      {QStringLiteral("name"), k.KubunName},
                                      {QStringLiteral("range"), k.OndoRange}});
    const QDateTime now = Now();
    return json({{QStringLiteral("projects"), projects},
                 {QStringLiteral("mixes"), mixes},
                 {QStringLiteral("categories"), categories},
                 {QStringLiteral("today"), now.date().toString(Qt::ISODate)},
                 {QStringLiteral("now"), now.toMSecsSinceEpoch()}});
}

TSiteServer::TReply TSiteServer::day(const QHttpServerRequest& request)
{
    const QUrlQuery q = request.query();
    QJsonObject o;
    for (const char* key : {"koji", "gozai", "kubun", "day"})
        o.insert(QLatin1String(key), q.queryItemValue(QLatin1String(key), QUrl::FullyDecoded));
    try {
        return json(summaryJson(Summary(dayFrom(o))));
    } catch (const TRefused& e) {
        return error(422, e.message());
    } catch (const AppError& e) {
        return error(503, e.message(), 5);
    }
}

TSiteServer::TReply TSiteServer::reading(const QHttpServerRequest& request, const QByteArray& path)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(request.body(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject())
        return error(400, QStringLiteral("送られた内容を読み取れません"));
    const QJsonObject o = doc.object();
    const TSiteDay siteDay = dayFrom(o);
    TSiteEntry entry;
    entry.id = o.value(QStringLiteral("id")).toString();
    entry.temperature = o.value(QStringLiteral("temperature")).toString();
    entry.truck = o.value(QStringLiteral("truck")).toString();
    entry.remark = o.value(QStringLiteral("remark")).toString();

    // The phone stamps the reading; its clock is checked against this one when it sends.
    const QDateTime now = Now();
    const qint64 sentAt = qint64(o.value(QStringLiteral("sentAt")).toDouble());
    const qint64 takenAt = qint64(o.value(QStringLiteral("takenAt")).toDouble());
    const qint64 skew = sentAt > 0 ? now.toMSecsSinceEpoch() - sentAt : 0;
    QString clock;
    QDateTime taken = takenAt > 0 ? QDateTime::fromMSecsSinceEpoch(takenAt) : now;
    if (std::llabs(skew) > ClockSlackMs) {
        taken = taken.addMSecs(skew);
        clock = QStringLiteral("この端末の時計が %1 分%2います。記録の時刻は事務所のパソコンの時計"
                               "に合わせました")
                    .arg(minutesText(skew),
                         skew > 0 ? QStringLiteral("遅れて") : QStringLiteral("進んで"));
    }
    if (taken > now)
        taken = now;
    entry.takenAt = taken;

    try {
        QJsonObject answer;
        TSiteSummary s;
        bool changed = true;
        if (path == "/api/readings") {
            const TAppended a = Append(siteDay, entry);
            answer.insert(QStringLiteral("lno"), a.lno);
            answer.insert(QStringLiteral("again"), a.again);
            changed = !a.again;
            s = a.summary;
            // Never a measurement: the page shows it apart from the readings.
            const QString left = MinutesLeftText(siteDay.kojiCode, siteDay.gozaiName, siteDay.day,
                                                 siteDay.kubunId, entry.truck);
            if (!left.isEmpty())
                answer.insert(QStringLiteral("estimate"), left);
        } else if (path == "/api/readings/correct") {
            s = Correct(siteDay, entry);
        } else if (path == "/api/readings/remove") {
            const TRemoved r = Remove(siteDay, entry.id);
            changed = r.removed;
            s = r.summary;
        } else {
            return error(404, QStringLiteral("ありません"));
        }
        if (changed)
            Q_EMIT dayChanged(siteDay.kojiCode, siteDay.gozaiName, s.kubunName,
                              QDateTime(siteDay.day, QTime(0, 0)));
        answer.insert(QStringLiteral("summary"), summaryJson(s));
        if (!clock.isEmpty())
            answer.insert(QStringLiteral("clock"), clock);
        return json(answer);
    } catch (const TRefused& e) {
        return error(422, e.message());
    } catch (const AppError& e) {
        // The data cannot be reached now (locked, the server away): the phone sends again.
        return error(503, e.message(), 5);
    }
}
