#include "statistics/ProfileGrade.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double NoValue = std::numeric_limits<double>::quiet_NaN();
// Offsets and distances are decimals summed in binary: a reading 0.6 m from the edge, or a
// scan line on a sublot's boundary, must not fall to the other side by a last bit.
constexpr double Slack = 1e-9;

// Linear interpolation between the closest ranks, NumPy's default: rank (n − 1)·p/100, and
// interpolated as NumPy does it, from the nearer rank, so that a NumPy reading of the same
// file prints the same figures.
double Percentile(std::vector<double>& values, double p)
{
    const size_t n = values.size();
    const double rank = double(n - 1) * (p / 100);
    const size_t below = size_t(std::floor(rank));
    if (below + 1 >= n)
        return *std::max_element(values.begin(), values.end());
    std::nth_element(values.begin(), values.begin() + below, values.end());
    const double a = values[below];
    const double b = *std::min_element(values.begin() + below + 1, values.end());
    const double t = rank - double(below);
    return t >= 0.5 ? b - (b - a) * (1 - t) : a + (b - a) * t;
}

// To one decimal, halves up, as the figure is printed.
long long Tenths(double value)
{
    return (long long)std::floor(value * 10 + 0.5);
}

} // namespace

QString ProfileGradeOf(double difference)
{
    if (std::isnan(difference))
        return QString();
    const long long tenths = std::llround(difference * 10);
    if (tenths <= std::llround(ProfileModerateFrom * 10))
        return QStringLiteral("良好");
    if (tenths <= std::llround(ProfileSevereFrom * 10))
        return QStringLiteral("中程度");
    return QStringLiteral("重度");
}

TProfileGrader::TProfileGrader(double spacing) : m_spacing(spacing) {}

void TProfileGrader::Add(const QDateTime& time, double distance, double speed,
                         const float* readings, int count)
{
    if (speed == 0 || (m_started && distance <= m_last)) {
        ++m_grade.standing;
        return;
    }
    if (!m_started)
        m_origin = distance;
    m_started = true;
    m_last = distance;
    const long index = long(std::floor((distance - m_origin) / ProfileSublotLength + Slack));
    if (index != m_index) {
        closeSublot();
        m_index = index;
        m_sublot = TProfileSublot();
        m_sublot.from = m_origin + double(index) * ProfileSublotLength;
        m_sublot.to = m_sublot.from + ProfileSublotLength;
        m_sublot.reached = time;
    }
    ++m_sublot.lines;
    // The mat runs from the first to the last reading warm enough to be it.
    int first = -1, last = -1;
    for (int i = 0; i < count; ++i) {
        if (readings[i] >= ProfileMatMinimum) {
            last = i;
            if (first < 0)
                first = i;
        }
    }
    const double edge = ProfileEdgeWidth - Slack;
    for (int i = 0; i < count; ++i) {
        const float r = readings[i];
        if (std::isnan(r))
            ++m_sublot.missing;
        else if (r < ProfileMatMinimum)
            ++m_sublot.cold;
        else if ((i - first) * m_spacing < edge || (last - i) * m_spacing < edge)
            ++m_sublot.edges;
        else
            m_readings.push_back(r);
    }
}

void TProfileGrader::closeSublot()
{
    if (m_index < 0)
        return;
    TProfileSublot& s = m_sublot;
    s.used = qint64(m_readings.size());
    s.maximum = s.minimum = s.difference = NoValue;
    if (!m_readings.empty()) {
        // 温度差 is the difference of the figures as printed, so that the table adds up.
        const long long high = Tenths(Percentile(m_readings, ProfileHighPercentile));
        const long long low = Tenths(Percentile(m_readings, ProfileLowPercentile));
        s.maximum = double(high) / 10;
        s.minimum = double(low) / 10;
        s.difference = double(high - low) / 10;
    }
    s.grade = ProfileGradeOf(s.difference);
    m_grade.used += s.used;
    m_grade.missing += s.missing;
    m_grade.cold += s.cold;
    m_grade.edges += s.edges;
    m_grade.sublots.push_back(s);
    m_readings.clear();
    m_index = -1;
}

TProfileGrade TProfileGrader::Finish()
{
    if (m_index >= 0)
        m_sublot.to = m_last; // the remainder, shorter than the rest
    closeSublot();
    TProfileGrade grade = std::move(m_grade);
    m_grade = TProfileGrade();
    m_started = false;
    return grade;
}

QString SublotTruck(const std::vector<TProfileLoad>& loads, const QDate& day,
                    const QDateTime& reached)
{
    QString truck;
    QDateTime latest;
    for (const TProfileLoad& load : loads) {
        const QString text = load.Jikoku.trimmed();
        QTime clock = QTime::fromString(text, QStringLiteral("H:mm"));
        if (!clock.isValid())
            clock = QTime::fromString(text, QStringLiteral("H:mm:ss"));
        if (!clock.isValid())
            continue;
        const QDateTime at(day, clock);
        // Of loads at the same minute, the one entered later.
        if (at <= reached && (!latest.isValid() || at >= latest)) {
            latest = at;
            truck = load.Syaryo;
        }
    }
    return truck;
}
