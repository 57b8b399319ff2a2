#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <initializer_list>

// SHA-256 as lowercase hex (sha256sum's form), through OpenSSL, which uses the processor's
// SHA instructions: a location's every day is hashed by --verify.
QString Sha256Hex(const QByteArray& data);
// The hash of the parts one after another, without joining them first.
QString Sha256Hex(std::initializer_list<QByteArrayView> parts);
