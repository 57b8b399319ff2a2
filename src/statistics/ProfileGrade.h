#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <vector>

// The grading of a paver's thermal profile by TxDOT Tex-244-F: the mat cut into sublots
// along the lane, each graded by the spread of its temperatures.

inline constexpr double ProfileMatMinimum = 80;       // ℃: below is not the mat
inline constexpr double ProfileEdgeWidth = 0.6;       // m (2 ft) left out at either side
inline constexpr double ProfileSublotLength = 45.7;   // m (150 ft)
inline constexpr double ProfileModerateFrom = 13.9;   // ℃ (25 °F): a larger spread is 中程度
inline constexpr double ProfileSevereFrom = 27.8;     // ℃ (50 °F): a larger spread is 重度
inline constexpr double ProfileHighPercentile = 98.5; // 最高
inline constexpr double ProfileLowPercentile = 1;     // 最低

struct TProfileSublot
{
    double from = 0, to = 0; // m along the lane; the last sublot ends at its last scan line
    QDateTime reached;       // when the paver was at its first scan line
    // One decimal each, 温度差 = 最高 − 最低 as printed; NaN when no reading was used.
    double maximum = 0, minimum = 0, difference = 0;
    QString grade; // 良好 / 中程度 / 重度; empty when no reading was used
    int lines = 0; // scan lines graded
    qint64 used = 0;
    qint64 missing = 0, cold = 0, edges = 0; // the readings left out, by why
};

struct TProfileGrade
{
    std::vector<TProfileSublot> sublots; // along the lane; a stretch without scan lines has none
    qint64 standing = 0;                 // scan lines dropped while the paver stood
    qint64 used = 0;
    qint64 missing = 0, cold = 0, edges = 0;
};

// 良好 up to 13.9 ℃, 中程度 up to 27.8 ℃, 重度 above; the spread is taken to one decimal.
QString ProfileGradeOf(double difference);

// Fed the scan lines in file order; holds the readings of one sublot at a time.
class TProfileGrader
{
public:
    explicit TProfileGrader(double spacing); // metres between positions across
    // speed NaN when the file has none; readings NaN where missing.
    void Add(const QDateTime& time, double distance, double speed, const float* readings,
             int count);
    TProfileGrade Finish();

private:
    void closeSublot();

    double m_spacing;
    bool m_started = false;
    double m_origin = 0, m_last = 0; // distances of the first and the last graded line
    long m_index = -1;               // of the sublot being filled
    TProfileSublot m_sublot;
    std::vector<double> m_readings;
    TProfileGrade m_grade;
};

// One delivery of a mix as the day's records hold it.
struct TProfileLoad
{
    QString Jikoku; // "HH:mm", or empty
    QString Syaryo;
};

// The truck whose load was the latest at or before the paver reached a sublot: the loads are
// one mix's on `day`, those without a time left out; empty when none came before.
QString SublotTruck(const std::vector<TProfileLoad>& loads, const QDate& day,
                    const QDateTime& reached);
