#pragma once

#include <QAbstractHttpServer>
#include <QDateTime>
#include <QHash>
#include <QHostAddress>
#include <QJsonObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <functional>

class QTcpServer;
class QTimer;
class TSitePairing;

// The site page's server: Qt's HTTP server on the address the office chose, listening only
// between Start and Stop. Without a device token it answers nothing but the pairing page; with
// one, the registers' lists, a day's summary, and the readings the phone sends, each through
// the day-of-work rules (domain/SiteReadings). Requests are small and counted per device; a
// line per request goes to requestLogged. Runs on the thread that opened the data.
class TSiteServer : public QAbstractHttpServer
{
    Q_OBJECT
public:
    static constexpr quint16 DefaultPort = 8470;
    static constexpr int MaxBodyBytes = 4096;
    static constexpr int MaxHeaderBytes = 8192;
    // Per device: a burst, then so many requests a second.
    static constexpr int Burst = 30;
    static constexpr int PerSecond = 10;
    // Wrong pairing codes an address may send in so long.
    static constexpr int WrongCodesPerAddress = 5;
    static constexpr qint64 WrongCodesWindowMs = 10 * 60 * 1000;
    // The longest a request waits for data another program holds, and runs.
    static constexpr int LockWaitMs = 3000;
    static constexpr int StatementMs = 5000;

    explicit TSiteServer(TSitePairing& pairing, QObject* parent = nullptr);
    ~TSiteServer() override;

    // Raises AppError in Japanese when the address cannot be listened on. `encrypted`: HTTPS with
    // the certificate kept beside the settings (made on first use); plain HTTP on the same port
    // is then sent to the https:// page, and its API refused.
    void Start(const QHostAddress& address, quint16 port, bool encrypted = false);
    void Stop();
    bool IsListening() const;
    // The page's address, "http://192.168.1.5:8470/".
    QUrl PageUrl() const;
    // Served over HTTPS, with the certificate of this fingerprint (TSiteCertificate).
    bool IsEncrypted() const { return m_encrypted; }
    QString Fingerprint() const { return m_fingerprint; }
    // How long an idle connection stays open; for the tests of the limit.
    void SetIdleMilliseconds(int ms) { m_idleMs = ms; }
    TSitePairing& Pairing() { return m_pairing; }

    // The clock readings are checked against; replaceable for tests.
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };

    // The machine's address on the site's network, for the default: the first IPv4 address of
    // an interface that is up and not the loopback, else 127.0.0.1.
    static QHostAddress LanAddress();
    // "ADDR:PORT", "ADDR" or ":PORT"; raises AppError for anything else.
    static QPair<QHostAddress, quint16> ParseListen(const QString& text);

Q_SIGNALS:
    void listeningChanged(bool listening);
    void requestLogged(const QString& line);
    // A day's stored readings changed through the page.
    void dayChanged(const QString& kojiCode, const QString& gozaiName, const QString& kubunName,
                    const QDateTime& day);

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    struct TReply
    {
        int status = 200;
        QByteArray body;
        QByteArray type = "application/json; charset=utf-8";
        int retryAfter = 0;
    };
    static TReply json(const QJsonObject& object, int status = 200);
    static TReply error(int status, const QString& message, int retryAfter = 0);
    TReply route(const QHttpServerRequest& request, const QByteArray& path, QString& device);
    TReply page(const QByteArray& path) const;
    TReply pair(const QHttpServerRequest& request, const QString& from);
    TReply registers();
    TReply day(const QHttpServerRequest& request);
    TReply reading(const QHttpServerRequest& request, const QByteArray& path,
                   const QString& device);
    TReply reading(const QJsonObject& body, const QByteArray& path, const QString& device);
    bool sameOrigin(const QHttpServerRequest& request, const QByteArray& origin) const;
    // The work's answer, or the status its failure calls for: 400 for what no page sends, 422
    // for what is refused as sent, 503 while the data is out of reach, 500 otherwise.
    static TReply answered(const std::function<TReply()>& work);
    bool allowed(const QString& key, int burst, int perSecond);
    void send(QTcpSocket* socket, const QHttpServerRequest& request, const TReply& reply);

    TSitePairing& m_pairing;
    QPointer<QTcpServer> m_listener;
    struct TBucket
    {
        double tokens = 0;
        qint64 at = 0;
    };
    QHash<QString, TBucket> m_buckets;
    QHash<QString, QList<qint64>> m_wrongCodes; // per address, when each was sent
    bool m_encrypted = false;
    QString m_fingerprint;
    int m_idleMs = 0; // 0: the listener's own
    QTimer* m_devicesRead = nullptr;
};
