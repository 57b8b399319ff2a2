#include "core/AppError.h"
#include "exchange/ProfileRead.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QStringEncoder>
#include <cmath>
#include <cstdlib>

namespace {

QByteArray Windows1252(const char* text)
{
    QStringEncoder e("windows-1252");
    return e.encode(QString::fromUtf8(text));
}

// A MOBA header block of `count` lines: the title, the date, `lines` at their places, and
// name;value lines between that are neither the sensors nor the width.
QByteArray MobaHeader(int count, const QMap<int, QByteArray>& lines)
{
    QByteArray out;
    for (int n = 1; n <= count; ++n) {
        if (lines.contains(n))
            out += lines.value(n);
        else
            out += "Operator " + QByteArray::number(n) + ";Smith;";
        out += "\r\n";
    }
    return out;
}

// Scan lines as "time distance speed | readings", for one comparison per file.
QString Dump(TProfileReader& reader)
{
    QStringList out;
    while (const TProfileLine* l = reader.Next()) {
        QStringList temperatures;
        for (const float t : l->temperatures)
            temperatures << QString::number(t);
        out << QStringLiteral("%1 %2 %3 %4,%5,%6 | %7")
                   .arg(l->time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                   .arg(l->distance)
                   .arg(l->speed)
                   .arg(l->latitude)
                   .arg(l->longitude)
                   .arg(l->altitude)
                   .arg(temperatures.join(QLatin1Char(' ')));
    }
    return out.join(QLatin1Char('\n'));
}

const char* const German = "Temperaturprofil RoadScan;B27 Spur 1;\n"
                           "Zeit;Distanz [m];Breitengrad;Längengrad;Signalqualität;T0 [°C];T1 "
                           "[°C];T2 [°C];T3 [°C];\n";

} // namespace

class TestProfileRead : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readsEachLayout_data();
    void readsEachLayout();
    void refusesBrokenFiles_data();
    void refusesBrokenFiles();
    void streamsADayFromDisk();
    void numbersAreReadExactly();
};

void TestProfileRead::readsEachLayout_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("head");
    QTest::addColumn<QString>("lines");

    const QByteArray germanLines = "02.06.2024 08:24:18;0,0;48,7712;9,1829;4;150,2;151,8;;149;\n"
                                   "02.06.2024 08:24:19;0,3;48,7713;;4;148,5;152,0;153,1;79,5;\n"
                                   "Keine Daten vorhanden\n";
    const QString germanDump =
        "2024-06-02 08:24:18 0 nan 48.7712,9.1829,nan | 150.2 151.8 nan 149\n"
        "2024-06-02 08:24:19 0.3 nan 48.7713,nan,nan | 148.5 152 153.1 79.5";
    QTest::newRow("RoadScan, decimal comma, footer")
        << QByteArray(German) + germanLines << "Vögele RoadScan 2024-06-02 4 0.25" << germanDump;
    QTest::newRow("RoadScan, Windows-1252, CRLF")
        << Windows1252(German).replace("\n", "\r\n") + QByteArray(germanLines).replace("\n", "\r\n")
        << "Vögele RoadScan 2024-06-02 4 0.25" << germanDump;
    // The clock is kept as written and the zone dropped.
    QTest::newRow("RoadScan English, quoted, BOM, UTC offset")
        << QByteArray(
               "\xEF\xBB\xBF\"Temperature profile\",\"RoadScan\"\n\"Job\",\"B27\"\n"
               "\"Time\",\"Distance [m]\",\"Latitude\",\"Longitude\",\"Quality\",\"T0\",\"T1\"\n"
               "\"02/06/2024 08:24:18 UTC + 02:00\",\"12.5\",\"55.1\",\"9.5\",\"4\",\"150.2\","
               "\"\"\n"
               "\"02/06/2024 08:24:19 UTC + 02:00\",\"12.75\",\"55.1\",\"9.5\",\"4\",\"151\","
               "\"149.5\"\n"
               "\"No data to display\"\n")
        << "Vögele RoadScan 2024-06-02 2 0.25"
        << "2024-06-02 08:24:18 12.5 nan 55.1,9.5,nan | 150.2 nan\n"
           "2024-06-02 08:24:19 12.75 nan 55.1,9.5,nan | 151 149.5";
    QTest::newRow("RoadScan English, dashes")
        << QByteArray("\"Title\"\n\"Job\"\n\"Time\",\"Distance\",\"Lat\",\"Lon\",\"Q\",\"T0\"\n"
                      "\"30-12-2023 23:59:59\",\"1.0\",\"\",\"\",\"0\",\"140.0\"\n")
        << "Vögele RoadScan 2023-12-30 1 0.25"
        << "2023-12-30 23:59:59 1 nan nan,nan,nan | 140";
    // The date from the header, a day on past midnight; "Invalid" is a missing reading; the
    // width in metres, not the thickness in millimetres, shares out the sensors.
    QTest::newRow("MOBA, header date, Invalid, midnight")
        << MobaHeader(27, {{1, "Pave-IR Scan Report;"},
                           {2, "Date;Thursday, June 06, 2019;"},
                           {13, "Layer thickness [mm];4;"},
                           {14, "Number of sensors;4;"},
                           {15, "Paving width [m];2.00;"}}) +
               "Index;Distance [m];Speed [m/min];Time;Longitude;Latitude;GPS;Satellites;"
               "T1;T2;T3;T4;\r\n"
               "1;0.00;3.0;23:59:58;9.1829;48.7712;4;9;150.2;Invalid;151.0;149.5;\r\n"
               "2;0.25;0.0;00:00:01;9.1830;48.7713;4;9;150.0;150.1;150.2;150.3;\r\n"
               "Min;140.0;\r\nMax;155.0;\r\n"
        << "MOBA Pave-IR 2019-06-06 4 0.5"
        << "2019-06-06 23:59:58 0 3 48.7712,9.1829,nan | 150.2 nan 151 149.5\n"
           "2019-06-07 00:00:01 0.25 0 48.7713,9.183,nan | 150 150.1 150.2 150.3";
    // Whatever the firmware puts before the numbered temperatures; the screed's widths share
    // out the sensors when the header has no width.
    QTest::newRow("MOBA newer: date and time, altitude, screed widths")
        << MobaHeader(33, {{1, "MOBA Pave-IR;Export 2.1;"}, {7, "Sensors;3;"}}) +
               "Time;Distance [m];Latitude;Longitude;Altitude [m];Humidity [%];Wind [km/h];"
               "Temp 1 [°C];Temp 2 [°C];Temp 3 [°C];ScreedWidthLeft;ScreedWidthRight\r\n"
               "06.06.2023 08:00:00;10.5;48.7712;9.1829;312.5;55;3.2;150.2;Invalid;149.5;1.5;"
               "1.5\r\n"
               "06.06.2023 08:00:01;10.7;48.7713;9.1830;312.6;55;3.1;151;152;153;1.5;1.5\r\n"
        << "MOBA Pave-IR 2023-06-06 3 1"
        << "2023-06-06 08:00:00 10.5 nan 48.7712,9.1829,312.5 | 150.2 nan 149.5\n"
           "2023-06-06 08:00:01 10.7 nan 48.7713,9.183,312.6 | 151 152 153";
}

void TestProfileRead::readsEachLayout()
{
    QFETCH(QByteArray, bytes);
    TProfileReader reader(bytes);
    const TProfileHead& h = reader.Head();
    QFETCH(QString, head);
    QCOMPARE(QStringLiteral("%1 %2 %3 %4")
                 .arg(h.format, h.day.toString(Qt::ISODate))
                 .arg(h.positions)
                 .arg(h.spacing),
             head);
    QFETCH(QString, lines);
    QCOMPARE(Dump(reader), lines);
}

void TestProfileRead::refusesBrokenFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("before"); // scan lines read before the refusal
    QTest::addColumn<QString>("message");

    const QByteArray good =
        QByteArray(German) + "02.06.2024 08:24:18;0,0;48,77;9,18;4;150;151;;149;\n";
    QTest::newRow("cut mid-line") << good + "02.06.2024 08:24:19;0,3;48,77;9,18;4;150;15" << 1
                                  << "4 行目を読み取れません（途中で切れています）: 02.06.2024 "
                                     "08:24:19;0,3;48,77;9,18;4;150;15";
    QTest::newRow("column too many")
        << good + "02.06.2024 08:24:19;0,3;48,77;9,18;4;150;151;152;149;148;\n" +
               good.mid(good.lastIndexOf("02."))
        << 1
        << "4 行目を読み取れません（列の数が違います）: 02.06.2024 "
           "08:24:19;0,3;48,77;9,18;4;150;151;152;149;148;";
    QTest::newRow("bad number") << good + "02.06.2024 08:24:19;0,3;48,77;9,18;4;150;15x,2;;149;\n"
                                << 1 << "4 行目を読み取れません（7 列目の値が読めません）: 15x,2";
    QTest::newRow("impossible date")
        << good + "31.02.2024 08:24:19;0,3;48,77;9,18;4;150;151;;149;\n"
        << 1 << "4 行目を読み取れません（日時が読めません）: 31.02.2024 08:24:19";
    QTest::newRow("a word amid the data")
        << good + Windows1252("Störung;;\n") + good.mid(good.lastIndexOf("02.")) << 1
        << "4 行目を読み取れません（この行の後にも走査データがあります）: Störung;;";
    QTest::newRow("quote left open")
        << QByteArray("\"T\"\n\"J\"\n\"Time\",\"D\",\"La\",\"Lo\",\"Q\",\"T0\"\n"
                      "\"02/06/2024 08:24:18\",\"1\",\"\",\"\",\"0\",\"140\"\n"
                      "\"02/06/2024 08:24:19\",\"2\",\"\",\"\",\"0\",\"14\n"
                      "\"02/06/2024 08:24:20\",\"3\",\"\",\"\",\"0\",\"140\"\n")
        << 1
        << "5 行目を読み取れません（引用符が閉じていません）: "
           "\"02/06/2024 08:24:19\",\"2\",\"\",\"\",\"0\",\"14";
    QTest::newRow("MOBA clock")
        << MobaHeader(27, {{2, "Date;Thursday, June 06, 2019;"}, {15, "Width [m];2;"}}) +
               "Index;D;S;Time;Lo;La;G;N;T1;T2;\n1;0.0;3;08:00:00;9;48;4;9;150;151;\n"
               "2;0.1;3;08:00:61;9;48;4;9;150;151;\n"
        << 1 << "30 行目を読み取れません（時刻が読めません）: 08:00:61";
    QTest::newRow("the loggers' CSV")
        << QByteArray("日時,温度\n2024/04/01 08:15:00,150.5\n") << 0
        << "2 行目までに走査データの行がありません（RoadScan・Pave-IR の CSV ではありません）: "
           "日時,温度";
    QTest::newRow("a header of neither length")
        << QByteArray("a;\nb;\nc;\nd;\ne;\nf;\n") + good.mid(good.lastIndexOf("02.")) << 0
        << "7 行目を読み取れません（RoadScan・Pave-IR のどちらの形式とも合いません）: 02.06.2024 "
           "08:24:18;0,0;48,77;9,18;4;150;151;;149;";
}

void TestProfileRead::refusesBrokenFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, before);
    QFETCH(QString, message);
    int read = 0;
    try {
        TProfileReader reader(bytes);
        while (reader.Next())
            ++read;
        QFAIL("a broken file was read whole");
    } catch (const AppError& e) {
        QCOMPARE(e.message(), message);
    }
    QCOMPARE(read, before);
}

// Every value is the double the C library's parse gives for the same digits, short or long,
// with a comma or a point, signed or not.
void TestProfileRead::numbersAreReadExactly()
{
    const QList<QByteArray> values{"0,1",
                                   "-3,5",
                                   "150,05",
                                   "3147,25",
                                   "48,7712345",
                                   "9,1234567891",
                                   "123456789,12345",
                                   "-0,0",
                                   "7",
                                   "1234567890123456",
                                   "0,000000001",
                                   "+2,5"};
    QByteArray file = German;
    for (int k = 0; k < values.size(); ++k)
        file += "02.06.2024 08:00:" + QByteArray::number(10 + k) + ';' + values[k] + ';' +
                values[k] + ';' + values[(k + 1) % values.size()] + ";4;" + values[k] + ';' +
                values[k] + ";150;151;\n";
    const auto parsed = [](QByteArray text) {
        return std::strtod(text.replace(',', '.').constData(), nullptr);
    };
    TProfileReader reader(file);
    int k = 0;
    while (const TProfileLine* l = reader.Next()) {
        const double expected = parsed(values[k]);
        QVERIFY2(l->distance == expected, values[k].constData());
        QVERIFY2(l->latitude == expected, values[k].constData());
        QVERIFY2(l->longitude == parsed(values[(k + 1) % values.size()]), values[k].constData());
        QVERIFY2(l->temperatures.at(0) == float(expected), values[k].constData());
        ++k;
    }
    QCOMPARE(k, int(values.size()));
}

void TestProfileRead::streamsADayFromDisk()
{
    // Larger than the pieces the file is read in, so that lines straddle them.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("day.csv"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(Windows1252(German));
    const int count = 30000, positions = 51;
    for (int k = 0; k < count; ++k) {
        QByteArray line =
            QTime(6, 0).addSecs(k).toString(QStringLiteral("'02.06.2024 'HH:mm:ss")).toLatin1();
        line +=
            ';' + QByteArray::number(k / 10) + ',' + QByteArray::number(k % 10) + ";48,7;9,1;4;";
        for (int p = 0; p < positions; ++p)
            line += p == k % positions ? QByteArray(";")
                                       : QByteArray::number(100 + (k + p) % 60) + ",5;";
        f.write(line + "\r\n");
    }
    f.write("Keine Daten vorhanden\r\n");
    f.close();

    TProfileReader reader(path);
    QCOMPARE(reader.Head().positions, positions);
    int k = 0;
    while (const TProfileLine* l = reader.Next()) {
        QCOMPARE(l->line, k + 3);
        QCOMPARE(l->time, QDateTime(QDate(2024, 6, 2), QTime(6, 0).addSecs(k)));
        QCOMPARE(l->distance, QStringLiteral("%1.%2").arg(k / 10).arg(k % 10).toDouble());
        for (int p = 0; p < positions; ++p) {
            const float t = l->temperatures[p];
            if (p == k % positions ? !std::isnan(t) : t != 100 + (k + p) % 60 + 0.5f)
                QFAIL(qPrintable(QStringLiteral("line %1 position %2: %3").arg(k).arg(p).arg(t)));
        }
        ++k;
    }
    QCOMPARE(k, count);
}

ONDO_TEST_MAIN(TestProfileRead, QCoreApplication)
#include "test_profileread.moc"
