#include "site/SiteCertificate.h"

#include "core/AppError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QSaveFile>
#include <QStandardPaths>
#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace {

QString configFolder()
{
    return QDir::fromNativeSeparators(
               QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)) +
           QStringLiteral("/kozeran/");
}

[[noreturn]] void cannotMake(const char* step)
{
    throw AppError(QStringLiteral("現場入力の証明書を作れません（%1）").arg(QLatin1String(step)));
}

// The names a phone may reach this computer by: the loopback, its addresses on the networks
// it is on now, and its host name.
QByteArray alternativeNames()
{
    QByteArrayList names{"DNS:localhost", "IP:127.0.0.1"};
    for (const QHostAddress& a : QNetworkInterface::allAddresses()) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback() && !a.isLinkLocal())
            names << "IP:" + a.toString().toLatin1();
    }
    const QByteArray host = QHostInfo::localHostName().toLatin1();
    static const QByteArray allowed =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-.";
    if (!host.isEmpty() &&
        std::all_of(host.begin(), host.end(), [](char c) { return allowed.contains(c); }))
        names << "DNS:" + host;
    return names.join(',');
}

QByteArray pem(const std::function<int(BIO*)>& write)
{
    const std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), BIO_free);
    if (!bio || write(bio.get()) != 1)
        cannotMake("PEM");
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return QByteArray(data, int(size));
}

// A self-signed server certificate and its key, as PEM.
std::pair<QByteArray, QByteArray> makeCertificate()
{
    const std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(EVP_EC_gen("P-256"),
                                                                  EVP_PKEY_free);
    if (!key)
        cannotMake("key");
    const std::unique_ptr<X509, decltype(&X509_free)> x(X509_new(), X509_free);
    if (!x || X509_set_version(x.get(), 2) != 1)
        cannotMake("X509");
    unsigned char serial[16];
    if (RAND_bytes(serial, sizeof serial) != 1)
        cannotMake("serial");
    serial[0] &= 0x7f; // a positive number
    const std::unique_ptr<BIGNUM, decltype(&BN_free)> number(
        BN_bin2bn(serial, sizeof serial, nullptr), BN_free);
    if (!number || !BN_to_ASN1_INTEGER(number.get(), X509_get_serialNumber(x.get())))
        cannotMake("serial");
    X509_gmtime_adj(X509_getm_notBefore(x.get()), -24L * 3600);
    X509_gmtime_adj(X509_getm_notAfter(x.get()), 10L * 366 * 24 * 3600);
    X509_set_pubkey(x.get(), key.get());
    X509_NAME* name = X509_get_subject_name(x.get());
    const QByteArray common = QStringLiteral("温度管理 現場入力").toUtf8();
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(common.constData()), -1, -1,
                               0);
    X509_set_issuer_name(x.get(), name);
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, x.get(), x.get(), nullptr, nullptr, 0);
    const QByteArray names = alternativeNames();
    const std::pair<int, const char*> extensions[] = {
        {NID_subject_alt_name, names.constData()},
        {NID_basic_constraints, "critical,CA:FALSE"},
        {NID_key_usage, "critical,digitalSignature"},
        {NID_ext_key_usage, "serverAuth"},
    };
    for (const auto& [nid, value] : extensions) {
        X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
        if (!ext || X509_add_ext(x.get(), ext, -1) != 1)
            cannotMake("extension");
        X509_EXTENSION_free(ext);
    }
    if (X509_sign(x.get(), key.get(), EVP_sha256()) == 0)
        cannotMake("sign");
    return {pem([&](BIO* b) { return PEM_write_bio_X509(b, x.get()); }), pem([&](BIO* b) {
                return PEM_write_bio_PrivateKey(b, key.get(), nullptr, nullptr, 0, nullptr,
                                                nullptr);
            })};
}

void keep(const QString& file, const QByteArray& bytes, QFileDevice::Permissions permissions)
{
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || !out.setPermissions(permissions) ||
        out.write(bytes) != bytes.size() || !out.commit())
        throw AppError(QStringLiteral("現場入力の証明書を保存できません（%1）")
                           .arg(QDir::toNativeSeparators(file)));
}

} // namespace

QString TSiteCertificate::CertificateFile()
{
    return configFolder() + QStringLiteral("genba-cert.pem");
}

QString TSiteCertificate::KeyFile()
{
    return configFolder() + QStringLiteral("genba-key.pem");
}

TSiteCertificate TSiteCertificate::LoadOrMake()
{
    QFile cert(CertificateFile()), key(KeyFile());
    if (!cert.exists() || !key.exists()) {
        const auto [certificate, privateKey] = makeCertificate();
        keep(KeyFile(), privateKey, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        keep(CertificateFile(), certificate,
             QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                 QFileDevice::ReadOther);
    }
    TSiteCertificate kept;
    if (cert.open(QIODevice::ReadOnly))
        kept.certificate = QSslCertificate(cert.readAll(), QSsl::Pem);
    if (key.open(QIODevice::ReadOnly))
        kept.key = QSslKey(key.readAll(), QSsl::Ec, QSsl::Pem);
    if (kept.certificate.isNull() || kept.key.isNull())
        throw AppError(QStringLiteral("現場入力の証明書を読めません。%1 と %2 を消すと作り直します")
                           .arg(QDir::toNativeSeparators(CertificateFile()),
                                QDir::toNativeSeparators(KeyFile())));
    return kept;
}

QString TSiteCertificate::Fingerprint() const
{
    return QString::fromLatin1(certificate.digest(QCryptographicHash::Sha256).toHex(':').toUpper());
}
