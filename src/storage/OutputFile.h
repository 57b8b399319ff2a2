#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

// What an output file is, so that an existing file of another kind is never replaced.
struct OutputKind
{
    QString name;     // shown in the refusal, e.g. "PDF"
    QByteArray magic; // the first bytes of such a file; empty: judged by suffix
    QString suffix;   // lower case, without the dot, used when magic is empty
};

// Raises AppError when `file` is the data or lies in one of `dataFolders` (their backup
// folders included, wherever they are), is a folder, or exists as a file of another kind.
void RefuseOutput(const QString& file, const QStringList& dataFolders, const OutputKind& kind);

// Writes `file` through `write`, which is given a temporary path beside it; the result is
// moved over the target only when `write` returns, so a failure leaves no file and an old
// file as it was. Errors naming the temporary path are raised naming `file`.
void WriteReplacing(const QString& file,
                    const std::function<void(const QString& temporary)>& write);
