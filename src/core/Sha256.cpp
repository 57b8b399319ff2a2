#include "core/Sha256.h"

#include "core/AppError.h"

#include <memory>
#include <openssl/evp.h>
#include <openssl/sha.h>

namespace {

QString hex(const unsigned char* digest, int length)
{
    return QString::fromLatin1(
        QByteArray::fromRawData(reinterpret_cast<const char*>(digest), length).toHex());
}

} // namespace

QString Sha256Hex(const QByteArray& data)
{
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(data.constData()), size_t(data.size()), digest);
    return hex(digest, sizeof digest);
}

QString Sha256Hex(std::initializer_list<QByteArrayView> parts)
{
    // One context a thread, made once: --verify hashes every day of a location.
    thread_local const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(
        EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    bool done = ctx && EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) == 1;
    for (const QByteArrayView& part : parts)
        done = done && EVP_DigestUpdate(ctx.get(), part.data(), size_t(part.size())) == 1;
    done = done && EVP_DigestFinal_ex(ctx.get(), digest, &length) == 1;
    if (!done)
        throw AppError(QStringLiteral("SHA-256 を計算できませんでした（OpenSSL）。"));
    return hex(digest, int(length));
}
