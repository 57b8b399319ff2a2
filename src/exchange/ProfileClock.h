#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QTime>

// The scanners' clocks as their files write them, read on the bytes: a day is 10⁵ lines.
namespace ProfileClock {

// "8:05:30", seconds maybe with a fraction, and nothing else around it.
bool ReadWholeClock(QByteArrayView t, QTime* time);

// "02.06.2024 08:24:18", "02/06/2024 …", "02-06-2024 … UTC + 02:00". The clock is the site's
// as written and a zone after it is dropped: the loads' times come from the same clock, and
// applying the zone would move every scan line away from them.
struct TStampReader
{
    bool operator()(QByteArrayView t, QDateTime* out);
    QByteArray zone; // the last one read, as every line repeats it
};

} // namespace ProfileClock
