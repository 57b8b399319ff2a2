#pragma once

#include <QByteArray>
#include <QString>

// SHA-256 as lowercase hex (sha256sum's form), through OpenSSL, which uses the processor's
// SHA instructions: a location's every day is hashed by --verify.
QString Sha256Hex(const QByteArray& data);
