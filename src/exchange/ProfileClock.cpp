#include "exchange/ProfileClock.h"

#include <QRegularExpression>

namespace ProfileClock {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

int Digits(QByteArrayView t, qsizetype* i, int least, int most)
{
    int value = 0, n = 0;
    for (; *i < t.size() && n < most && IsDigit(t[*i]); ++*i, ++n)
        value = value * 10 + (t[*i] - '0');
    return n >= least ? value : -1;
}

// "8:05:30", seconds maybe with a fraction.
bool ReadClock(QByteArrayView t, qsizetype* i, QTime* time)
{
    const int h = Digits(t, i, 1, 2);
    if (h < 0 || *i >= t.size() || t[(*i)++] != ':')
        return false;
    const int m = Digits(t, i, 2, 2);
    if (m < 0 || *i >= t.size() || t[(*i)++] != ':')
        return false;
    const int s = Digits(t, i, 2, 2);
    if (s < 0)
        return false;
    int ms = 0;
    if (*i < t.size() && t[*i] == '.') {
        ++*i;
        const qsizetype from = *i;
        const int fraction = Digits(t, i, 1, 3);
        if (fraction < 0)
            return false;
        ms = fraction * (*i - from == 1 ? 100 : *i - from == 2 ? 10 : 1);
        Digits(t, i, 0, 6);
    }
    *time = QTime(h, m, s, ms);
    return time->isValid();
}

// What may follow the clock: a zone as the exports write it ("UTC + 02:00", "+0200", "MESZ").
bool IsZone(QByteArrayView rest)
{
    static const QRegularExpression zone(
        QStringLiteral("^\\s*[A-Za-z]{0,5}\\s*(?:[+-]\\s*\\d{1,2}(?::?\\d{2})?)?\\s*$"));
    return zone.match(QString::fromLatin1(rest)).hasMatch();
}

} // namespace

bool ReadWholeClock(QByteArrayView t, QTime* time)
{
    t = t.trimmed();
    qsizetype i = 0;
    return ReadClock(t, &i, time) && i == t.size();
}

bool TStampReader::operator()(QByteArrayView t, QDateTime* out)
{
    t = t.trimmed();
    qsizetype i = 0;
    const int day = Digits(t, &i, 1, 2);
    if (day < 0 || i >= t.size() || !QByteArrayView("./-").contains(t[i]))
        return false;
    const char separator = t[i++];
    const int month = Digits(t, &i, 1, 2);
    if (month < 0 || i >= t.size() || t[i++] != separator)
        return false;
    const int year = Digits(t, &i, 4, 4);
    if (year < 0 || i >= t.size() || t[i] != ' ')
        return false;
    while (i < t.size() && t[i] == ' ')
        ++i;
    QTime clock;
    if (!ReadClock(t, &i, &clock))
        return false;
    const QByteArrayView rest = t.sliced(i);
    if (!rest.isEmpty() && rest != QByteArrayView(zone)) {
        if (!IsZone(rest))
            return false;
        zone = rest.toByteArray();
    }
    const QDate date(year, month, day);
    if (!date.isValid())
        return false;
    *out = QDateTime(date, clock, Qt::UTC);
    return true;
}

} // namespace ProfileClock
