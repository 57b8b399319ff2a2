#include "core/AppError.h"
#include "core/Utility.h"
#include "domain/LoadJourney.h"
#include "domain/SiteReadings.h"
#include "site/SitePairing.h"
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
// A phone's clock stamp further from this computer's is no clock at all.
constexpr qint64 ClockSpanMs = qint64(10) * 366 * 24 * 3600 * 1000;

// What was sent is not a request the page makes: a field of the wrong kind.
class TUnreadable : public AppError
{
public:
    TUnreadable() : AppError(QStringLiteral("送られた内容を読み取れません")) {}
};

QString textField(const QJsonObject& o, const char* key)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (v.isUndefined() || v.isNull())
        return QString();
    if (!v.isString())
        throw TUnreadable();
    return v.toString();
}

bool hasControl(const QString& text)
{
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

// The day as chosen on the page; what no register could hold is refused here, quoted.
TSiteDay dayFrom(const QJsonObject& o, const QDate& today)
{
    TSiteDay d;
    d.kojiCode = textField(o, "koji");
    d.gozaiName = textField(o, "gozai");
    if (hasControl(d.kojiCode) || hasControl(d.gozaiName))
        throw TRefused(QStringLiteral("工事コードと合材名に制御文字は使えません"));
    const QJsonValue kubun = o.value(QStringLiteral("kubun"));
    QString kubunText;
    if (kubun.isDouble()) {
        const double k = kubun.toDouble();
        d.kubunId = k == std::floor(k) && std::fabs(k) < 1e9 ? int(k) : -1;
        kubunText = QString::number(k);
    } else if (kubun.isString()) {
        kubunText = kubun.toString();
        bool ok = false;
        d.kubunId = kubunText.toInt(&ok);
        if (!ok)
            d.kubunId = -1;
    } else {
        throw TUnreadable();
    }
    if (d.kubunId < 0)
        throw TRefused(QStringLiteral("温度区分「%1」は登録されていません。一覧を読み込み直して"
                                      "ください")
                           .arg(Excerpt(kubunText, 20)));
    const QString dayText = textField(o, "day");
    d.day = QDate::fromString(dayText, Qt::ISODate);
    if (!d.day.isValid() || d.day.year() < 1900)
        throw TRefused(QStringLiteral("試験日「%1」が正しくありません").arg(Excerpt(dayText, 20)));
    if (d.day > today.addDays(1))
        throw TRefused(QStringLiteral("試験日「%1」は明日より後です").arg(dayText));
    return d;
}

// A stamp of the phone's clock: a finite number of milliseconds near enough to this clock's,
// else none.
qint64 stampField(const QJsonObject& o, const char* key, qint64 now)
{
    const QJsonValue v = o.value(QLatin1String(key));
    if (!v.isDouble())
        return 0;
    const double ms = v.toDouble();
    if (!std::isfinite(ms) || std::fabs(ms - double(now)) > double(ClockSpanMs))
        return 0;
    return qint64(ms);
}

QJsonObject summaryJson(const TSiteSummary& s)
{
    QJsonArray last;
    for (const TSiteReading& r : s.last)
        last.append(QJsonObject{{QStringLiteral("lno"), r.reading.LNO},
                                {QStringLiteral("id"), r.id},
                                {QStringLiteral("ondo"), FormatGeneral(r.reading.Ondo)},
                                {QStringLiteral("time"), r.reading.Jikoku},
                                {QStringLiteral("truck"), r.reading.Syaryo},
                                {QStringLiteral("remark"), r.reading.Biko},
                                {QStringLiteral("outside"), r.outside}});
    const DayStatistics& d = s.statistics;
    const bool any = d.count > 0;
    return {{QStringLiteral("kubun"), s.kubunName},
            {QStringLiteral("kikaku"), s.kikaku},
            {QStringLiteral("count"), d.count},
            {QStringLiteral("max"), any ? FormatGeneral(d.maximum) : QString()},
            {QStringLiteral("min"), any ? FormatGeneral(d.minimum) : QString()},
            {QStringLiteral("avg"), any ? FormatFixed(d.average, 1) : QString()},
            {QStringLiteral("outside"), s.outsideCount},
            {QStringLiteral("simulated"), s.simulated},
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
    return answered([&] { return json(summaryJson(Summary(dayFrom(o, Now().date())))); });
}

TSiteServer::TReply TSiteServer::answered(const std::function<TReply()>& work)
{
    try {
        return work();
    } catch (const TUnreadable& e) {
        return error(400, e.message());
    } catch (const TRefused& e) {
        return error(422, e.message());
    } catch (const TForbidden& e) {
        return error(403, e.message());
    } catch (const TDataAway& e) {
        // The data cannot be reached now (locked, the server away): the phone sends again.
        return error(503, e.message(), 5);
    } catch (const AppError& e) {
        // Neither the phone's fault nor a passing one: the page keeps the reading for the
        // person to decide.
        return error(500, e.message());
    }
}

TSiteServer::TReply TSiteServer::reading(const QHttpServerRequest& request, const QByteArray& path,
                                         const QString& device)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(request.body(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject())
        return error(400, QStringLiteral("送られた内容を読み取れません"));
    return answered([&] { return reading(doc.object(), path, device); });
}

TSiteServer::TReply TSiteServer::reading(const QJsonObject& o, const QByteArray& path,
                                         const QString& device)
{
    const QDateTime now = Now();
    const TSiteDay siteDay = dayFrom(o, now.date());
    TSiteEntry entry;
    entry.device = device;
    entry.deviceName = m_pairing.NameOf(device);
    entry.id = textField(o, "id");
    entry.temperature = textField(o, "temperature");
    entry.truck = textField(o, "truck");
    entry.remark = textField(o, "remark");

    // The phone stamps the reading; its clock is checked against this one when it sends.
    const qint64 sentAt = stampField(o, "sentAt", now.toMSecsSinceEpoch());
    const qint64 takenAt = stampField(o, "takenAt", now.toMSecsSinceEpoch());
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

    {
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
            const TRemoved r = Remove(siteDay, entry);
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
    }
}
