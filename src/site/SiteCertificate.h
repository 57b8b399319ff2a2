#pragma once

#include <QSslCertificate>
#include <QSslKey>
#include <QString>

// The certificate the site page is served with over HTTPS: made once on this computer
// (self-signed, an EC P-256 key, ten years), kept beside the settings and used by every later
// run, so that a phone that trusted it once goes on trusting it. The key file is readable by
// this user alone.
struct TSiteCertificate
{
    QSslCertificate certificate;
    QSslKey key;

    // The kept certificate, made and kept first when there is none. Raises AppError in Japanese
    // when it can be neither read nor made.
    static TSiteCertificate LoadOrMake();
    // Where it is kept.
    static QString CertificateFile();
    static QString KeyFile();
    // SHA-256 of the certificate, as hex pairs joined by colons, for a person to compare with
    // what the phone's browser shows.
    QString Fingerprint() const;
};
