#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The manifest of a submission package: a line "<SHA-256 in hex>  <file name>" per file it
// wrote, in the format of sha256sum, so that the client can check the package with
// `sha256sum -c` as well as with this program. Names are relative to the package's folder,
// UTF-8; the manifest does not list itself.

// "00_目録.sha256"
QString ManifestName();

struct TManifestEntry
{
    QString file;   // relative to the package's folder
    QString sha256; // lower-case hex
};

// The SHA-256 of a file, read a piece at a time. Raises AppError when it cannot be read.
QString FileSha256(const QString& path);

// Writes the manifest of the entries into `folder`. Raises AppError.
void WriteManifest(const QString& folder, const QList<TManifestEntry>& entries);

// What a package's folder holds against its manifest.
struct TPackageCheck
{
    int matched = 0;
    QStringList changed; // listed, but with another hash
    QStringList missing; // listed, but not there
    QStringList extra;   // there, but not listed
    bool Clean() const { return changed.isEmpty() && missing.isEmpty() && extra.isEmpty(); }
    // One Japanese line per file that differs, in the manifest's order, the extra ones last.
    QStringList Lines() const;
};

// Each file of the manifest in `folder`, and every file of the folder and its subfolders that
// it does not name. Raises AppError for a folder without a manifest or a manifest line that is
// none.
TPackageCheck VerifyPackage(const QString& folder);
