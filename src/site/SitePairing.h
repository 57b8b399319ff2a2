#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>

// Which phones may use the site page. The office shows a six-digit code for ten minutes; the
// first phone that sends it gets a device token, which only its browser keeps, and a new code is
// shown for the next phone. Here only the token's SHA-256 is stored (genba.conf beside the
// settings), and a token is compared with each in constant time. Wrong codes are counted
// against the address that sent them (by the server); after WrongCodesBeforeNewCode in all the
// code is replaced, so that guessing across many addresses gets nowhere either. The file is
// read again when another program (ondokanri --revoke-device) changed it.
class TSitePairing : public QObject
{
    Q_OBJECT
public:
    static constexpr int CodeMinutes = 10;
    static constexpr int WrongCodesBeforeNewCode = 50;
    static constexpr int MaxDevices = 100;

    struct TDevice
    {
        QString id;   // shown and revoked by it
        QString name; // as the phone named itself
        QDateTime paired;
        QDateTime lastSeen;
        QByteArray hash;
    };

    explicit TSitePairing(QObject* parent = nullptr);
    ~TSitePairing() override;

    // The clock; replaceable for tests.
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };

    // The code to show: a fresh one once the last has expired or was used.
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
    QList<TDevice> Devices();
    // False when no phone has the id.
    bool Revoke(const QString& deviceId);
    // When each phone was last seen, kept for `ondokanri --devices` (at most once a minute a
    // phone while it works, and at the end).
    void KeepLastSeen();
    // Where the devices are kept.
    static QString StoreFile();

Q_SIGNALS:
    void codeChanged(const QString& code);
    void devicesChanged();

private:
    // The devices as the file holds them now, when another program changed it.
    void reload();
    // Writes the devices under the file's lock, merged with what another program wrote since:
    // a revoked phone stays revoked.
    void save();

    QString m_code;
    QDateTime m_expires;
    int m_wrong = 0;
    QList<TDevice> m_devices;
    QDateTime m_fileTime; // of the file as last read or written
    qint64 m_fileSize = -1;
    QDateTime m_keptSeen; // when last seen was last written
};
