#include "core/Sha256.h"

#include <openssl/sha.h>

QString Sha256Hex(const QByteArray& data)
{
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(data.constData()), size_t(data.size()), digest);
    return QString::fromLatin1(
        QByteArray::fromRawData(reinterpret_cast<const char*>(digest), sizeof digest).toHex());
}
