#include "site/SitePairing.h"

#include "core/AppError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
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

} // namespace

TSitePairing::TSitePairing(QObject* parent) : QObject(parent)
{
    load();
}

TSitePairing::~TSitePairing() = default;

QString TSitePairing::StoreFile()
{
    return QDir::fromNativeSeparators(
               QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)) +
           QStringLiteral("/kozeran/genba.conf");
}

QString TSitePairing::Code()
{
    const QDateTime now = Now();
    if (m_lockedUntil.isValid() && now < m_lockedUntil)
        return QString();
    if (m_code.isEmpty() || now >= m_expires)
        NewCode();
    return m_code;
}

void TSitePairing::NewCode()
{
    m_code = QStringLiteral("%1").arg(QRandomGenerator::system()->bounded(1000000), 6, 10,
                                      QLatin1Char('0'));
    m_expires = Now().addSecs(CodeMinutes * 60);
    m_lockedUntil = QDateTime();
    m_wrong = 0;
    Q_EMIT codeChanged(m_code);
}

QString TSitePairing::Pair(const QString& code, const QString& deviceName)
{
    const QDateTime now = Now();
    if (m_lockedUntil.isValid() && now < m_lockedUntil)
        throw AppError(QStringLiteral("コードの入力が続けて違っていたため、受付を止めています。"
                                      "事務所のパソコンで新しいコードを表示してください"));
    if (m_code.isEmpty() || now >= m_expires)
        throw AppError(
            QStringLiteral("ペアリングコードの期限が切れています。"
                           "事務所のパソコンに表示されている新しいコードを入力してください"));
    if (!sameBytes(code.trimmed().toLatin1(), m_code.toLatin1())) {
        if (++m_wrong >= WrongCodesAllowed) {
            m_code.clear();
            m_lockedUntil = now.addSecs(LockedSeconds);
            Q_EMIT codeChanged(QString());
        }
        throw AppError(QStringLiteral("ペアリングコードが違います"));
    }
    if (m_devices.size() >= MaxDevices)
        throw AppError(QStringLiteral("接続できる端末は %1 台までです。使わない端末を事務所の"
                                      "パソコンで取り消してください")
                           .arg(MaxDevices));
    const QByteArray token =
        randomBytes(32).toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
    TDevice device;
    device.id = QString::fromLatin1(randomBytes(4).toHex());
    const QString name = deviceName.simplified().left(24);
    device.name = name.isEmpty() ? QStringLiteral("端末 %1").arg(m_devices.size() + 1) : name;
    device.paired = now;
    device.lastSeen = now;
    device.hash = hashOf(token);
    m_devices << device;
    save();
    Q_EMIT devicesChanged();
    return QString::fromLatin1(token);
}

QString TSitePairing::DeviceOf(const QByteArray& token)
{
    if (token.isEmpty() || token.size() > 128)
        return QString();
    const QByteArray hash = hashOf(token);
    int found = -1;
    for (int i = 0; i < m_devices.size(); ++i)
        if (sameBytes(hash, m_devices.at(i).hash))
            found = i;
    if (found < 0)
        return QString();
    m_devices[found].lastSeen = Now();
    return m_devices.at(found).id;
}

QString TSitePairing::NameOf(const QString& deviceId) const
{
    for (const TDevice& d : m_devices)
        if (d.id == deviceId)
            return d.name;
    return QString();
}

void TSitePairing::Revoke(const QString& deviceId)
{
    const auto gone = std::remove_if(m_devices.begin(), m_devices.end(),
                                     [&](const TDevice& d) { return d.id == deviceId; });
    if (gone == m_devices.end())
        return;
    m_devices.erase(gone, m_devices.end());
    save();
    Q_EMIT devicesChanged();
}

void TSitePairing::load()
{
    QSettings store(StoreFile(), QSettings::IniFormat);
    for (const QString& id : store.childGroups()) {
        store.beginGroup(id);
        TDevice d;
        d.id = id;
        d.name = store.value(QStringLiteral("Name")).toString();
        d.paired =
            QDateTime::fromString(store.value(QStringLiteral("Pairing")).toString(), Qt::ISODate);
        d.hash = QByteArray::fromHex(store.value(QStringLiteral("Hash")).toByteArray());
        store.endGroup();
        if (d.hash.size() == 32)
            m_devices << d;
    }
}

void TSitePairing::save() const
{
    QDir().mkpath(QFileInfo(StoreFile()).absolutePath());
    QSettings store(StoreFile(), QSettings::IniFormat);
    store.clear();
    for (const TDevice& d : m_devices) {
        store.beginGroup(d.id);
        store.setValue(QStringLiteral("Name"), d.name);
        store.setValue(QStringLiteral("Pairing"), d.paired.toString(Qt::ISODate));
        store.setValue(QStringLiteral("Hash"), QString::fromLatin1(d.hash.toHex()));
        store.endGroup();
    }
    store.sync();
    if (store.status() != QSettings::NoError)
        throw AppError(QStringLiteral("端末の一覧を保存できません（%1）")
                           .arg(QDir::toNativeSeparators(StoreFile())));
}
