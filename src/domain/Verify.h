#pragma once

#include <QString>
#include <QStringList>

// `ondokanri --verify`: every registered day's readings recomputed against their seal, every
// history entry against its hash and the chain, and each seal against the entry that wrote it.
// Days stored before seals were kept count as unsealed, never as changed.
struct TVerifyResult
{
    int checked = 0;     // sealed days found as sealed
    int unsealed = 0;    // days without a seal
    QStringList changed; // one line a day or entry that differs from its seal
    // "改ざんは見つかりませんでした（N 日を確認、封印のない M 日）", or the count of findings.
    QString Summary() const;
};

// Reads the open location a row at a time: years of readings are never held at once.
TVerifyResult VerifyRecords();
