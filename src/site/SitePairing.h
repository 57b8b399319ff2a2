#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>

// Which phones may use the site page. The office shows a six-digit code for ten minutes; a
// phone that sends it gets a device token, which only its browser keeps: here only the token's
// SHA-256 is stored (genba.conf beside the settings), and a token is compared with each in
// constant time. A few wrong codes void the shown code for a minute.
class TSitePairing : public QObject
{
    Q_OBJECT
public:
    static constexpr int CodeMinutes = 10;
    static constexpr int WrongCodesAllowed = 5;
    static constexpr int LockedSeconds = 60;
    static constexpr int MaxDevices = 100;

    struct TDevice
    {
        QString id;   // shown and revoked by it
        QString name; // as the phone named itself
        QDateTime paired;
        QDateTime lastSeen; // this run only
        QByteArray hash;
    };

    explicit TSitePairing(QObject* parent = nullptr);
    ~TSitePairing() override;

    // The clock; replaceable for tests.
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };

    // The code to show: a fresh one once the last has expired, empty while voided.
    QString Code();
    QDateTime CodeExpires() const { return m_expires; }
    // Replaces the code shown now (the office asked for another).
    void NewCode();

    // The token of a newly paired phone when `code` is the code shown; raises AppError with the
    // reason otherwise.
    QString Pair(const QString& code, const QString& deviceName);
    // The id of the device holding `token`, or empty. Notes that it was seen.
    QString DeviceOf(const QByteArray& token);
    QString NameOf(const QString& deviceId) const;
    QList<TDevice> Devices() const { return m_devices; }
    void Revoke(const QString& deviceId);
    // Where the devices are kept.
    static QString StoreFile();

Q_SIGNALS:
    void codeChanged(const QString& code);
    void devicesChanged();

private:
    void load();
    void save() const;

    QString m_code;
    QDateTime m_expires;
    QDateTime m_lockedUntil;
    int m_wrong = 0;
    QList<TDevice> m_devices;
};
