#include "site/SitePairing.h"

#include "core/AppError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QSettings>
#include <QStandardPaths>

namespace {

QByteArray hashOf(const QByteArray& token)
{
    return QCryptographicHash::hash(token, QCryptographicHash::Sha256);
}

// Equal lengths compared without an early exit: the time does not tell how much matched.
bool sameBytes(const QByteArray& a, const QByteArray& b)
{
    if (a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (int i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a.at(i) ^ b.at(i));
    return diff == 0;
}

QByteArray randomBytes(int count)
{
    QByteArray bytes(count, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(bytes.data()), count / 4);
    return bytes;
}

// The devices as the file holds them, and the file's stamp, which tells when another program
// changed it.
struct TStore
{
    QList<TSitePairing::TDevice> devices;
    QDateTime time;
    qint64 size = -1;
};

TStore readStore()
{
    TStore out;
    const QFileInfo info(TSitePairing::StoreFile());
    out.time = info.exists() ? info.lastModified() : QDateTime();
    out.size = info.exists() ? info.size() : -1;
    QSettings store(TSitePairing::StoreFile(), QSettings::IniFormat);
    for (const QString& id : store.childGroups()) {
        store.beginGroup(id);
        TSitePairing::TDevice d;
        d.id = id;
        d.name = store.value(QStringLiteral("Name")).toString();
        d.paired =
            QDateTime::fromString(store.value(QStringLiteral("Pairing")).toString(), Qt::ISODate);
        d.lastSeen =
            QDateTime::fromString(store.value(QStringLiteral("LastSeen")).toString(), Qt::ISODate);
        d.hash = QByteArray::fromHex(store.value(QStringLiteral("Hash")).toByteArray());
        store.endGroup();
        if (d.hash.size() == 32)
            out.devices << d;
    }
    return out;
}

void writeStore(const QList<TSitePairing::TDevice>& devices)
{
    QDir().mkpath(QFileInfo(TSitePairing::StoreFile()).absolutePath());
    QSettings store(TSitePairing::StoreFile(), QSettings::IniFormat);
    store.clear();
    for (const TSitePairing::TDevice& d : devices) {
        store.beginGroup(d.id);
        store.setValue(QStringLiteral("Name"), d.name);
        store.setValue(QStringLiteral("Pairing"), d.paired.toString(Qt::ISODate));
        if (d.lastSeen.isValid())
            store.setValue(QStringLiteral("LastSeen"), d.lastSeen.toString(Qt::ISODate));
        store.setValue(QStringLiteral("Hash"), QString::fromLatin1(d.hash.toHex()));
        store.endGroup();
    }
    store.sync();
    if (store.status() != QSettings::NoError)
        throw AppError(QStringLiteral("端末の一覧を保存できません（%1）")
                           .arg(QDir::toNativeSeparators(TSitePairing::StoreFile())));
}

// The list is read, changed and written under a lock of its own: the server and a command
// line revoking a phone change it from two programs.
class TStoreLock
{
public:
    TStoreLock() : m_lock(TSitePairing::StoreFile() + QStringLiteral(".tanmatu-lock"))
    {
        QDir().mkpath(QFileInfo(TSitePairing::StoreFile()).absolutePath());
        if (!m_lock.tryLock(5000))
            throw AppError(QStringLiteral("端末の一覧を他のプログラムが使用中です。"
                                          "しばらくしてからやり直してください"));
    }

private:
    QLockFile m_lock;
};

} // namespace

TSitePairing::TSitePairing(QObject* parent) : QObject(parent)
{
    reload();
}

TSitePairing::~TSitePairing()
{
    try {
        KeepLastSeen();
    } catch (const AppError&) {
    }
}

QString TSitePairing::StoreFile()
{
    return QDir::fromNativeSeparators(
               QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)) +
           QStringLiteral("/kozeran/genba.conf");
}

QString TSitePairing::Code()
{
    if (m_code.isEmpty() || Now() >= m_expires)
        NewCode();
    return m_code;
}

void TSitePairing::NewCode()
{
    m_code = QStringLiteral("%1").arg(QRandomGenerator::system()->bounded(1000000), 6, 10,
                                      QLatin1Char('0'));
    m_expires = Now().addSecs(CodeMinutes * 60);
    m_wrong = 0;
    Q_EMIT codeChanged(m_code);
}

QString TSitePairing::Pair(const QString& code, const QString& deviceName)
{
    const QDateTime now = Now();
    if (m_code.isEmpty() || now >= m_expires)
        throw AppError(
            QStringLiteral("ペアリングコードの期限が切れています。"
                           "事務所のパソコンに表示されている新しいコードを入力してください"));
    if (!sameBytes(code.trimmed().toLatin1(), m_code.toLatin1())) {
        // Guesses from many addresses together: the code they aim at goes.
        if (++m_wrong >= WrongCodesBeforeNewCode)
            NewCode();
        throw AppError(QStringLiteral("ペアリングコードが違います"));
    }
    const QByteArray token =
        randomBytes(32).toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
    {
        TStoreLock lock;
        TStore store = readStore();
        if (store.devices.size() >= MaxDevices)
            throw AppError(QStringLiteral("接続できる端末は %1 台までです。使わない端末を事務所の"
                                          "パソコンで取り消してください")
                               .arg(MaxDevices));
        TDevice device;
        device.id = QString::fromLatin1(randomBytes(4).toHex());
        const QString name = deviceName.simplified().left(24);
        device.name =
            name.isEmpty() ? QStringLiteral("端末 %1").arg(store.devices.size() + 1) : name;
        device.paired = now;
        device.lastSeen = now;
        device.hash = hashOf(token);
        store.devices << device;
        writeStore(store.devices);
        m_devices = store.devices;
        const QFileInfo written(StoreFile());
        m_fileTime = written.lastModified();
        m_fileSize = written.size();
    }
    // One code, one phone: the next phone is shown a code of its own.
    NewCode();
    Q_EMIT devicesChanged();
    return QString::fromLatin1(token);
}

QString TSitePairing::DeviceOf(const QByteArray& token)
{
    if (token.isEmpty() || token.size() > 128)
        return QString();
    reload();
    const QByteArray hash = hashOf(token);
    int found = -1;
    for (int i = 0; i < m_devices.size(); ++i)
        if (sameBytes(hash, m_devices.at(i).hash))
            found = i;
    if (found < 0)
        return QString();
    const QDateTime now = Now();
    m_devices[found].lastSeen = now;
    const QString id = m_devices.at(found).id; // the list is read again below
    if (!m_keptSeen.isValid() || m_keptSeen.secsTo(now) >= 60) {
        try {
            KeepLastSeen();
        } catch (const AppError&) {
            // Kept at the next chance: a phone is not refused for it.
        }
    }
    return id;
}

QString TSitePairing::NameOf(const QString& deviceId) const
{
    for (const TDevice& d : m_devices)
        if (d.id == deviceId)
            return d.name;
    return QString();
}

QList<TSitePairing::TDevice> TSitePairing::Devices()
{
    reload();
    return m_devices;
}

bool TSitePairing::Revoke(const QString& deviceId)
{
    {
        TStoreLock lock;
        TStore store = readStore();
        const auto gone = std::remove_if(store.devices.begin(), store.devices.end(),
                                         [&](const TDevice& d) { return d.id == deviceId; });
        if (gone == store.devices.end())
            return false;
        store.devices.erase(gone, store.devices.end());
        writeStore(store.devices);
    }
    m_fileSize = -1; // read again
    reload();
    Q_EMIT devicesChanged();
    return true;
}

void TSitePairing::KeepLastSeen()
{
    const QDateTime now = Now();
    TStoreLock lock;
    TStore store = readStore();
    bool changed = false;
    for (TDevice& d : store.devices) {
        for (const TDevice& mine : qAsConst(m_devices)) {
            if (mine.id == d.id && mine.lastSeen.isValid() &&
                (!d.lastSeen.isValid() || mine.lastSeen > d.lastSeen)) {
                d.lastSeen = mine.lastSeen;
                changed = true;
            }
        }
    }
    m_keptSeen = now;
    if (!changed)
        return;
    writeStore(store.devices);
    const QFileInfo written(StoreFile());
    m_fileTime = written.lastModified();
    m_fileSize = written.size();
    m_devices = store.devices;
}

void TSitePairing::reload()
{
    const QFileInfo info(StoreFile());
    const QDateTime time = info.exists() ? info.lastModified() : QDateTime();
    const qint64 size = info.exists() ? info.size() : -1;
    if (size == m_fileSize && time == m_fileTime && m_fileSize != -1)
        return;
    TStore store = readStore();
    // What a phone did since the last write is newer than the file.
    for (TDevice& d : store.devices) {
        for (const TDevice& mine : qAsConst(m_devices)) {
            if (mine.id == d.id && mine.lastSeen > d.lastSeen)
                d.lastSeen = mine.lastSeen;
        }
    }
    const bool changed = store.devices.size() != m_devices.size();
    m_devices = store.devices;
    m_fileTime = store.time;
    m_fileSize = store.size;
    if (changed)
        Q_EMIT devicesChanged();
}
