#include "core/AppError.h"
#include "domain/OndoKanri.h"
#include "site/SiteListener.h"
#include "site/SitePairing.h"
#include "site/SiteServer.h"
#include "storage/Engine.h"
#include "storage/Query.h"
#include "support/TcpRelay.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTimer>

namespace {

struct TAnswer
{
    int status = 0;
    QJsonObject json;
    QByteArray body;
    QByteArray retryAfter;
};

// A server on 127.0.0.1 over a fresh data location with one project, mix and category, and a
// client that waits for each answer while the server runs in the same event loop.
struct Fixture
{
    TempProfile profile;
    TSitePairing pairing;
    TSiteServer server{pairing};
    QNetworkAccessManager net;
    int made = 0;

    Fixture()
    {
        TOndoKanri::CreateTables();
        TKoji koji;
        koji.Code() = QStringLiteral("K001");
        koji.Kojimei() = QStringLiteral("国道1号舗装工事");
        koji.Save();
        TGozai gozai;
        gozai.DataName() = QStringLiteral("密粒度13");
        gozai.Save();
        Engine::Execute(QStringLiteral("update OndoKubun set OndoRange = '150_160' where ID = 0"));
        server.Start(QHostAddress(QHostAddress::LocalHost), 0);
    }

    TAnswer call(const QByteArray& method, const QString& path, const QByteArray& body = {},
                 const QByteArray& token = {})
    {
        QNetworkRequest request(server.PageUrl().resolved(QUrl(path)));
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        if (!token.isEmpty())
            request.setRawHeader("Authorization", "Bearer " + token);
        QNetworkReply* reply = net.sendCustomRequest(request, method, body);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        TAnswer a;
        a.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        a.body = reply->readAll();
        a.json = QJsonDocument::fromJson(a.body).object();
        a.retryAfter = reply->rawHeader("Retry-After");
        reply->deleteLater();
        return a;
    }

    QByteArray pair(const QString& name = QString())
    {
        const TAnswer a =
            call("POST", QStringLiteral("/api/pair"),
                 QJsonDocument(QJsonObject{{"code", pairing.Code()}, {"name", name}}).toJson());
        return a.json.value(QStringLiteral("token")).toString().toLatin1();
    }

    QJsonObject reading(const QString& temperature, QString id = QString())
    {
        if (id.isEmpty())
            id = QStringLiteral("reading-%1").arg(++made);
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        return {{"koji", "K001"},
                {"gozai", QStringLiteral("密粒度13")},
                {"kubun", 0},
                {"day", "2024-11-06"},
                {"id", id},
                {"temperature", temperature},
                {"takenAt", double(now)},
                {"sentAt", double(now)}};
    }

    TAnswer post(const QJsonObject& o, const QByteArray& token,
                 const QString& path = QStringLiteral("/api/readings"))
    {
        return call("POST", path, QJsonDocument(o).toJson(QJsonDocument::Compact), token);
    }

    // Raw bytes to the server, and its answer: until a whole response came (its Content-Length
    // read), the server closed, or a few seconds passed.
    QByteArray raw(const QByteArray& request, const QString& from = QString())
    {
        QTcpSocket socket;
        if (!from.isEmpty())
            socket.bind(QHostAddress(from));
        QByteArray answer;
        QEventLoop loop;
        QObject::connect(&socket, &QTcpSocket::connected, [&] { socket.write(request); });
        QObject::connect(&socket, &QTcpSocket::readyRead, [&] {
            answer += socket.readAll();
            const qsizetype end = answer.indexOf("\r\n\r\n");
            const QRegularExpressionMatch length =
                QRegularExpression(QStringLiteral("(?i)\r\ncontent-length: *(\\d+)"))
                    .match(QString::fromLatin1(answer.left(end)));
            if (end >= 0 && length.hasMatch() &&
                answer.size() >= end + 4 + length.captured(1).toLongLong())
                loop.quit();
        });
        QObject::connect(&socket, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
        QObject::connect(&socket, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        socket.connectToHost(QHostAddress(QHostAddress::LocalHost), server.PageUrl().port());
        loop.exec();
        return answer;
    }

    static int rows()
    {
        Query q(QStringLiteral("select count(*) as N from OndoLine4"));
        q.Open();
        return q.FieldInt(QStringLiteral("N"));
    }
};

QString error(const TAnswer& a)
{
    return a.json.value(QStringLiteral("error")).toString();
}

} // namespace

class TestSiteApi : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Without a token nothing but the pairing page; a right code gives a token that works until
    // revoked; wrong codes void the code, and a code expires.
    void pairingAndTokens()
    {
        Fixture f;
        const TAnswer page = f.call("GET", QStringLiteral("/"));
        QCOMPARE(page.status, 200);
        QVERIFY(page.body.contains("ペアリングコード"));
        QCOMPARE(f.call("GET", QStringLiteral("/site.js")).status, 200);
        const TAnswer refused = f.call("GET", QStringLiteral("/api/registers"));
        QCOMPARE(refused.status, 401);
        QVERIFY(error(refused).contains(QStringLiteral("ペアリングコード")));
        QCOMPARE(f.call("GET", QStringLiteral("/api/registers"), {}, "forged-token").status, 401);
        QCOMPARE(f.call("GET", QStringLiteral("/../kozeran.sqlite")).status, 404);

        const QByteArray token = f.pair(QStringLiteral("山田のスマホ"));
        QVERIFY(token.size() >= 40);
        const TAnswer lists = f.call("GET", QStringLiteral("/api/registers"), {}, token);
        QCOMPARE(lists.status, 200);
        QCOMPARE(lists.json.value("projects").toArray().first().toObject().value("code").toString(),
                 QStringLiteral("K001"));
        QCOMPARE(f.pairing.Devices().size(), 1);
        QCOMPARE(f.pairing.Devices().first().name, QStringLiteral("山田のスマホ"));
        // Only a hash is kept.
        QFile store(TSitePairing::StoreFile());
        QVERIFY(store.open(QIODevice::ReadOnly));
        QVERIFY(!store.readAll().contains(token));

        // One code, one phone: the code used is gone, and a new one is shown.
        const QString used = f.pairing.Code();
        QVERIFY(!f.pair().isEmpty());
        QVERIFY(f.pairing.Code() != used);
        QCOMPARE(f.call("POST", QStringLiteral("/api/pair"),
                        QJsonDocument(QJsonObject{{"code", used}}).toJson())
                     .status,
                 403);

        // Wrong codes shut out the address that sends them, not the others.
        const QString code = f.pairing.Code();
        const QString wrong = code == QLatin1String("000000") ? "111111" : "000000";
        for (int i = 1; i <= TSiteServer::WrongCodesPerAddress; ++i) { // the used code was one
            const TAnswer a = f.call("POST", QStringLiteral("/api/pair"),
                                     QJsonDocument(QJsonObject{{"code", wrong}}).toJson());
            QCOMPARE(a.status, i < TSiteServer::WrongCodesPerAddress ? 403 : 429);
        }
        const TAnswer locked = f.call("POST", QStringLiteral("/api/pair"),
                                      QJsonDocument(QJsonObject{{"code", code}}).toJson());
        QCOMPARE(locked.status, 429);
        QVERIFY(!locked.retryAfter.isEmpty());
        const QByteArray body = QJsonDocument(QJsonObject{{"code", code}}).toJson();
        const QByteArray other = f.raw("POST /api/pair HTTP/1.1\r\nHost: x\r\nConnection: "
                                       "close\r\nContent-Type: "
                                       "application/json\r\nContent-Length: " +
                                           QByteArray::number(body.size()) + "\r\n\r\n" + body,
                                       QStringLiteral("127.0.0.2"));
        QVERIFY2(other.startsWith("HTTP/1.1 200"), other.left(80).constData());
        QVERIFY(other.contains("token"));

        // Guesses from many addresses: after so many in all the code is replaced.
        const QString aimed = f.pairing.Code();
        for (int i = 0; i < TSitePairing::WrongCodesBeforeNewCode; ++i)
            QVERIFY_THROWS_EXCEPTION(AppError, f.pairing.Pair(aimed == QLatin1String("000000")
                                                                  ? QStringLiteral("111111")
                                                                  : QStringLiteral("000000"),
                                                              QString()));
        QVERIFY(f.pairing.Code() != aimed);

        // A fresh pairing object: a code ten minutes old has expired.
        TSitePairing later;
        const QString fresh = later.Code();
        const QDateTime shown = QDateTime::currentDateTime();
        later.Now = [shown] { return shown.addSecs(TSitePairing::CodeMinutes * 60 + 1); };
        QVERIFY_THROWS_EXCEPTION(AppError, later.Pair(fresh, QString()));

        QVERIFY(f.pairing.Revoke(f.pairing.DeviceOf(token)));
        QCOMPARE(f.call("GET", QStringLiteral("/api/registers"), {}, token).status, 401);
    }

    // Readings are stored once per id whatever the resends, two phones on one day get distinct
    // loads, a refused value stores nothing, and the phone's clock is checked.
    void readingsThroughTheApi()
    {
        Fixture f;
        const QByteArray a = f.pair(), b = f.pair();
        QSignalSpy changed(&f.server, &TSiteServer::dayChanged);
        const QJsonObject first = f.reading(QStringLiteral("155"));
        TAnswer r = f.post(first, a);
        QCOMPARE(r.status, 200);
        QCOMPARE(r.json.value("lno").toInt(), 1);
        QCOMPARE(f.post(first, a).json.value("again").toBool(), true);
        QCOMPARE(f.post(first, b).json.value("lno").toInt(), 1); // the id, not the phone, counts
        QCOMPARE(f.post(f.reading(QStringLiteral("161")), b).json.value("lno").toInt(), 2);
        r = f.post(f.reading(QStringLiteral("158")), a);
        QCOMPARE(r.json.value("lno").toInt(), 3);
        const QJsonObject summary = r.json.value("summary").toObject();
        QCOMPARE(summary.value("count").toInt(), 3);
        QCOMPARE(summary.value("max").toString(), QStringLiteral("161"));
        QCOMPARE(summary.value("avg").toString(), QStringLiteral("158.0"));
        QCOMPARE(summary.value("outside").toInt(), 1);
        QCOMPARE(Fixture::rows(), 3);
        QCOMPARE(changed.count(), 3);
        QCOMPARE(changed.first().at(2).toString(), QStringLiteral("練上温度"));

        const TAnswer bad = f.post(f.reading(QStringLiteral("高い")), a);
        QCOMPARE(bad.status, 422);
        QCOMPARE(error(bad), QStringLiteral("「高い」は温度として読めません"));
        QCOMPARE(Fixture::rows(), 3);

        QJsonObject slow = f.reading(QStringLiteral("152"));
        slow["sentAt"] = slow["sentAt"].toDouble() - 15 * 60 * 1000;
        slow["takenAt"] = slow["takenAt"].toDouble() - 15 * 60 * 1000;
        r = f.post(slow, a);
        QCOMPARE(r.status, 200);
        QVERIFY(r.json.value("clock").toString().contains(QStringLiteral("15 分遅れて")));
        const QString stamped = r.json.value("summary")
                                    .toObject()
                                    .value("last")
                                    .toArray()
                                    .first()
                                    .toObject()
                                    .value("time")
                                    .toString();
        QVERIFY2(qAbs(QTime::fromString(stamped, "HH:mm").secsTo(QTime::currentTime())) < 120,
                 qPrintable(stamped));

        // Only the phone that sent a reading corrects or removes it.
        QJsonObject fix = first;
        fix["temperature"] = QStringLiteral("157");
        const TAnswer notTheirs = f.post(fix, b, QStringLiteral("/api/readings/correct"));
        QCOMPARE(notTheirs.status, 403);
        QVERIFY(error(notTheirs).contains(QStringLiteral("別の端末")));
        QCOMPARE(f.post(first, b, QStringLiteral("/api/readings/remove")).status, 403);
        QCOMPARE(f.post(fix, a, QStringLiteral("/api/readings/correct")).status, 200);
        QCOMPARE(f.post(first, a, QStringLiteral("/api/readings/remove")).status, 200);
        QCOMPARE(Fixture::rows(), 3);
        const TAnswer day = f.call(
            "GET",
            QStringLiteral("/api/day?koji=K001&gozai=%1&kubun=0&day=2024-11-06")
                .arg(QString::fromLatin1(QUrl::toPercentEncoding(QStringLiteral("密粒度13")))),
            {}, a);
        QCOMPARE(day.json.value("count").toInt(), 3);
        QCOMPARE(day.json.value("last").toArray().last().toObject().value("ondo").toString(),
                 QStringLiteral("161"));
    }

    // What is refused as sent is 422 with the reason, what no page sends 400, a failure that a
    // resend would meet again 500; only data out of reach is 503, to be sent again. Nothing
    // refused is stored, and absurd clock stamps count as none.
    void refusalsAndTheirStatuses()
    {
        Fixture f;
        const QByteArray token = f.pair();
        const auto with = [&f](const char* key, const QJsonValue& value) {
            QJsonObject o = f.reading(QStringLiteral("155"));
            o[QLatin1String(key)] = value;
            return o;
        };
        const QList<std::pair<QJsonObject, QString>> refused{
            {f.reading(QStringLiteral("13.5.2")),
             QStringLiteral("「13.5.2」は温度として読めません")},
            {f.reading(QStringLiteral("1350")),
             QStringLiteral("「1350」は温度の範囲 (−20〜300 ℃) の外です")},
            {f.reading(QStringLiteral("ー155")), QStringLiteral("「ー155」は温度として読めません")},
            {with("kubun", QStringLiteral("abc")),
             QStringLiteral("温度区分「abc」は登録されていません。一覧を読み込み直してください")},
            {with("kubun", 42),
             QStringLiteral("温度区分「42」は登録されていません。一覧を読み込み直してください")},
            {with("day", QStringLiteral("9999-12-31")),
             QStringLiteral("試験日「9999-12-31」は明日より後です")},
            {with("day", QStringLiteral("2024-13-40")),
             QStringLiteral("試験日「2024-13-40」が正しくありません")},
            {with("truck", QString(QStringLiteral("T") + QChar(0) + QStringLiteral("1"))),
             QStringLiteral("車番に改行・タブなどの制御文字は使えません")},
            {with("remark", QString(65, QChar(0x3042))),
             QStringLiteral("備考は64文字までです（65 文字あります）")},
            {with("gozai", QStringLiteral("密粒度13\n")),
             QStringLiteral("工事コードと合材名に制御文字は使えません")},
            {with("gozai", QStringLiteral("密粒度13 改")),
             QStringLiteral("合材「密粒度13 改」は合材に登録されていません。一覧を読み込み直して"
                            "ください")},
        };
        for (const auto& [body, why] : refused) {
            const TAnswer a = f.post(body, token);
            QCOMPARE(a.status, 422);
            QCOMPARE(error(a), why);
            QVERIFY(a.retryAfter.isEmpty());
        }
        for (const QJsonObject& body :
             {with("temperature", 155), with("kubun", QJsonArray{0}), with("truck", true)}) {
            const TAnswer a = f.post(body, token);
            QCOMPARE(a.status, 400);
            QCOMPARE(error(a), QStringLiteral("送られた内容を読み取れません"));
        }
        QCOMPARE(f.call("POST", QStringLiteral("/api/readings"), "[1]", token).status, 400);
        QCOMPARE(Fixture::rows(), 0);

        // Clock stamps that are no clock: the reading is stamped now, without a word on clocks.
        QJsonObject absurd = with("sentAt", 1e300);
        absurd["takenAt"] = -1e300;
        const TAnswer stamped = f.post(absurd, token);
        QCOMPARE(stamped.status, 200);
        QVERIFY(!stamped.json.contains(QStringLiteral("clock")));
        const QString time = stamped.json.value("summary")
                                 .toObject()
                                 .value("last")
                                 .toArray()
                                 .first()
                                 .toObject()
                                 .value("time")
                                 .toString();
        QVERIFY2(qAbs(QTime::fromString(time, "HH:mm").secsTo(QTime::currentTime())) < 120,
                 qPrintable(time));

        // A failure the same request would meet again is no reason to send it again.
        Engine::Execute(OnServer()
                            ? QStringLiteral("create function refuse() returns trigger language "
                                             "plpgsql as $$ begin raise exception 'refused'; "
                                             "end $$")
                            : QStringLiteral("create trigger refuse before insert on OndoLine4 "
                                             "begin select raise(abort, 'refused'); end"));
        if (OnServer())
            Engine::Execute(QStringLiteral("create trigger refuse before insert on OndoLine4 "
                                           "for each row execute function refuse()"));
        const TAnswer failed = f.post(f.reading(QStringLiteral("156")), token);
        QCOMPARE(failed.status, 500);
        QVERIFY(failed.retryAfter.isEmpty());
        QVERIFY(!error(failed).isEmpty());
        QCOMPARE(Fixture::rows(), 1);
    }

    // Data held by another program (a backup, psql, another office waiting on a question) is
    // waited for a few seconds at most: 503 with Retry-After, and sent again later. A failed
    // write in the middle of a transaction holding the write lock leaves neither the lock nor
    // the transaction behind.
    void locksHeldElsewhereAreAnsweredInSeconds()
    {
        Fixture f;
        const QByteArray token = f.pair();
        QCOMPARE(f.post(f.reading(QStringLiteral("154")), token).status, 200);
        {
            QSqlDatabase other = OtherConnection(QStringLiteral("other"));
            QSqlQuery lock(other);
            QVERIFY(lock.exec(OnServer() ? QStringLiteral("begin")
                                         : QStringLiteral("begin exclusive")));
            if (OnServer())
                QVERIFY(lock.exec(QStringLiteral("lock table OndoLine4 in access exclusive mode")));
            const TAnswer busy = f.post(f.reading(QStringLiteral("155")), token);
            QCOMPARE(busy.status, 503);
            QVERIFY(!busy.retryAfter.isEmpty());
            QVERIFY2(error(busy).contains(QStringLiteral("他のプログラムが使用中")),
                     qPrintable(error(busy)));
            lock.exec(QStringLiteral("rollback"));
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        QCOMPARE(f.post(f.reading(QStringLiteral("155")), token).status, 200);

        // A write refused half-way through its transaction, under the write lock.
        {
            Transaction tx;
            Engine::LockForNewID(QStringLiteral("OndoKanri4"));
            Query bad(QStringLiteral("update OndoLine4 set Biko = :A"));
            QVERIFY_THROWS_EXCEPTION(
                AppError, bad.BindText(QStringLiteral("A"), QStringLiteral("a") + QChar(0)));
            Query unknown(QStringLiteral("select Nothing from OndoLine4"));
            QVERIFY_THROWS_EXCEPTION(AppError, unknown.Open());
        }
        {
            // Another program takes the lock at once: nothing was left holding it.
            QSqlDatabase other = OtherConnection(QStringLiteral("after"));
            QSqlQuery lock(other);
            if (OnServer()) {
                QVERIFY(lock.exec(QStringLiteral("set lock_timeout = 2000")));
                QVERIFY(lock.exec(QStringLiteral("begin")));
                QVERIFY2(lock.exec(QStringLiteral("lock table OndoKanri4 in share row exclusive "
                                                  "mode")),
                         qPrintable(lock.lastError().text()));
            } else {
                QVERIFY(lock.exec(QStringLiteral("begin immediate")));
            }
            lock.exec(QStringLiteral("rollback"));
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("after"));
        QCOMPARE(f.post(f.reading(QStringLiteral("156")), token).status, 200);
        QCOMPARE(Fixture::rows(), 3);
    }

    // The server the data lives on away for a moment: the phones are told to send again, and
    // nothing is ever written anywhere else (the default data folder above all).
    void aServerAwayIsWaitedForNeverReplaced()
    {
        if (!OnServer())
            QSKIP("a data folder does not go away");
        Fixture f;
        const QByteArray token = f.pair();
        TcpRelay relay(quint16(QUrl(TestServerUri()).port()));
        QUrl through(TestServerUri());
        through.setPort(relay.Port());
        Engine::OpenDatabase(through.toString());
        QCOMPARE(f.post(f.reading(QStringLiteral("155")), token).status, 200);

        relay.Stop();
        for (int i = 0; i < 3; ++i) {
            const TAnswer away = f.post(f.reading(QStringLiteral("156")), token);
            QCOMPARE(away.status, 503);
            QVERIFY(!away.retryAfter.isEmpty());
        }
        const QString defaultFolder =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
            QStringLiteral("/kozeran/data/");
        QVERIFY(!QFile::exists(defaultFolder + QLatin1String(Engine::DatabaseFileName)));
        QCOMPARE(Engine::CurrentFolder(), through.toString());

        relay.Start();
        QCOMPARE(f.post(f.reading(QStringLiteral("157")), token).status, 200);
        QCOMPARE(Fixture::rows(), 2);
        QVERIFY(!QFile::exists(defaultFolder + QLatin1String(Engine::DatabaseFileName)));
    }

    // One address holding many connections shuts out only itself; idle ones are closed.
    void oneAddressCannotShutOutTheOthers()
    {
        Fixture f;
        f.server.Stop();
        f.server.SetIdleMilliseconds(1500);
        f.server.Start(QHostAddress(QHostAddress::LocalHost), 0);
        QList<QTcpSocket*> idle;
        for (int i = 0; i < TSiteListener::MaxPerAddress + 1; ++i) {
            auto* s = new QTcpSocket(this);
            s->connectToHost(QHostAddress(QHostAddress::LocalHost), f.server.PageUrl().port());
            QVERIFY(s->waitForConnected(5000));
            idle << s;
        }
        // The one too many is closed at once.
        QTRY_COMPARE_WITH_TIMEOUT(idle.last()->state(), QAbstractSocket::UnconnectedState, 5000);
        QVERIFY(idle.first()->state() == QAbstractSocket::ConnectedState);
        const QByteArray page =
            f.raw("GET / HTTP/1.1\r\nHost: x\r\n\r\n", QStringLiteral("127.0.0.2"));
        QVERIFY2(page.startsWith("HTTP/1.1 200"), page.left(80).constData());
        // Idle ones go, and the address is heard again.
        for (QTcpSocket* s : qAsConst(idle))
            QTRY_COMPARE_WITH_TIMEOUT(s->state(), QAbstractSocket::UnconnectedState, 10000);
        QCOMPARE(f.call("GET", QStringLiteral("/")).status, 200);
        qDeleteAll(idle);
    }

    // Only this page is heard: a body is JSON, and another site's page is refused.
    void onlyJsonFromTheOwnPage()
    {
        Fixture f;
        const QByteArray token = f.pair();
        const QByteArray body = QJsonDocument(f.reading(QStringLiteral("155"))).toJson();
        const auto post = [&](const QByteArray& type, const QByteArray& origin) {
            QByteArray request =
                "POST /api/readings HTTP/1.1\r\nConnection: close\r\nHost: 127.0.0.1:" +
                QByteArray::number(f.server.PageUrl().port()) + "\r\nAuthorization: Bearer " +
                token + "\r\n";
            if (!type.isEmpty())
                request += "Content-Type: " + type + "\r\n";
            if (!origin.isEmpty())
                request += "Origin: " + origin + "\r\n";
            return f.raw(request + "Content-Length: " + QByteArray::number(body.size()) +
                         "\r\n\r\n" + body);
        };
        const QByteArray own = "http://127.0.0.1:" + QByteArray::number(f.server.PageUrl().port());
        QVERIFY(post("text/plain", own).startsWith("HTTP/1.1 415"));
        QVERIFY(post("", own).startsWith("HTTP/1.1 415"));
        QVERIFY(post("application/json", "http://evil.example").startsWith("HTTP/1.1 403"));
        QVERIFY(post("application/json", "null").startsWith("HTTP/1.1 403"));
        QCOMPARE(Fixture::rows(), 0);
        const QByteArray stored = post("application/json; charset=utf-8", own);
        QVERIFY2(stored.startsWith("HTTP/1.1 200"), stored.left(80).constData());
        QCOMPARE(Fixture::rows(), 1);
    }

    // Too large, malformed, chunked, too many, or arriving inside the office's own write: each
    // gets a short Japanese answer and nothing is stored.
    void hostileRequests()
    {
        Fixture f;
        const QByteArray token = f.pair();
        const QByteArray big(20000, 'x');
        QByteArray answer = f.raw("POST /api/readings HTTP/1.1\r\nHost: x\r\nContent-Length: " +
                                  QByteArray::number(big.size()) + "\r\n\r\n" + big);
        QVERIFY2(answer.startsWith("HTTP/1.1 413"), answer.left(80).constData());
        QVERIFY(answer.contains("送られた内容が大きすぎます"));
        answer = f.raw("GET / HTTP/1.1\r\nX-Long: " + QByteArray(10000, 'y') + "\r\n\r\n");
        QVERIFY2(answer.startsWith("HTTP/1.1 431"), answer.left(80).constData());
        answer =
            f.raw("POST /api/pair HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0"
                  "\r\n\r\n");
        QVERIFY2(answer.startsWith("HTTP/1.1 411"), answer.left(80).constData());
        // A body between the limits of the page and of the connection.
        QJsonObject padded = f.reading(QStringLiteral("155"));
        padded["remark"] = QString(TSiteServer::MaxBodyBytes, QLatin1Char('z'));
        QCOMPARE(f.post(padded, token).status, 413);
        const TAnswer malformed =
            f.call("POST", QStringLiteral("/api/readings"), "{\"id\":", token);
        QCOMPARE(malformed.status, 400);
        QCOMPARE(error(malformed), QStringLiteral("送られた内容を読み取れません"));
        QCOMPARE(Fixture::rows(), 0);
        // The server still answers after all that.
        QCOMPARE(f.post(f.reading(QStringLiteral("155")), token).status, 200);

        {
            Transaction openInTheOffice;
            const TAnswer busy = f.post(f.reading(QStringLiteral("156")), token);
            QCOMPARE(busy.status, 503);
            QVERIFY(!busy.retryAfter.isEmpty());
        }
        QCOMPARE(Fixture::rows(), 1);

        int limited = 0;
        TAnswer last;
        for (int i = 0; i < TSiteServer::Burst + 10 && limited == 0; ++i) {
            last = f.call("GET", QStringLiteral("/api/registers"), {}, token);
            limited += last.status == 429;
        }
        QCOMPARE(limited, 1);
        QVERIFY(error(last).contains(QStringLiteral("要求が多すぎます")));
        QVERIFY(!last.retryAfter.isEmpty());
    }
};

ONDO_TEST_MAIN(TestSiteApi, QCoreApplication)
#include "test_siteapi.moc"
