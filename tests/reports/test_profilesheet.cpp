// 敷均し温度分布 of a made day: 100 m of mat, a cold streak in the second sublot, and the loads
// of the mix in two categories and of another mix: the grading, the truck of each sublot, the
// map and the page.
#include "ReportFixture.h"
#include "core/AppError.h"
#include "exchange/ProfileImport.h"
#include "reports/ProfileSheet.h"
#include "storage/Engine.h"
#include "support/TestSupport.h"

#include <QGuiApplication>
#include <QTemporaryDir>

namespace {

const QString Mix = QStringLiteral("密粒度13");

// A RoadScan day: a line a metre from 0 to 100 m, six seconds apart from 08:00, eleven
// positions 0.25 m apart at 150 ℃; position 5 at 120 ℃ from 50 to 60 m.
QByteArray madeDay()
{
    QByteArray file = "Temperaturprofil RoadScan;B27;\n"
                      "Zeit;Distanz [m];Breitengrad;Längengrad;Signalqualität;"
                      "T0;T1;T2;T3;T4;T5;T6;T7;T8;T9;T10;\n";
    for (int m = 0; m <= 100; ++m) {
        const QTime at = QTime(8, 0).addSecs(6 * m);
        file += "03.06.2024 " + at.toString(QStringLiteral("HH:mm:ss")).toLatin1() + ";" +
                QByteArray::number(m) + ",0;48,1;9,1;4;";
        for (int p = 0; p < 11; ++p)
            file += (p == 5 && m >= 50 && m <= 60 ? "120,0;" : "150,0;");
        file += "\n";
    }
    return file;
}

void addLoad(const QString& mix, int kubun, int lno, const QString& time, const QString& truck)
{
    TOndoKanri r;
    r.Koji.Code() = QStringLiteral("K001");
    r.Gozai.DataName() = mix;
    r.Kubun.ID = kubun;
    r.Hiduke = QDateTime(QDate(2024, 6, 3), QTime(0, 0));
    r.LoadByDate();
    QList<Reading> readings = TOndoKanri::ReadDay(QStringLiteral("K001"), kubun, r.Hiduke, mix);
    readings << Reading{lno, QString::number(lno), 155, time, truck, QString()};
    r.Kosu = int(readings.size());
    QVERIFY(r.Register(readings, [] { return true; }));
}

} // namespace

class TestProfileSheet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theMatItsSublotsAndTheirTrucks()
    {
        TempProfile profile;
        PrepareTables();
        Engine::Execute(
            QStringLiteral("insert into Koji1 (Code, Kojimei) values ('K001', '県道')"));
        AddMix(Mix, QStringLiteral("密粒度アスコン13"));
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("scan.csv")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(madeDay());
        file.close();
        ImportProfile(file.fileName(), QStringLiteral("K001"), Mix, false);
        addLoad(Mix, 0, 1, QStringLiteral("08:00"), QStringLiteral("T-1"));
        addLoad(Mix, 0, 2, QStringLiteral("08:08"), QStringLiteral("T-3"));
        addLoad(Mix, 0, 3, QString(), QStringLiteral("T-0")); // no time: never the one
        addLoad(Mix, 1, 1, QStringLiteral("08:04"), QStringLiteral("T-2"));
        addLoad(QStringLiteral("粗粒"), 0, 1, QStringLiteral("08:09"), QStringLiteral("X-9"));

        const TProfileDocument doc =
            LoadProfileDocument(QStringLiteral("K001"), Mix, QDate(2024, 6, 3));
        QCOMPARE(doc.printName, QStringLiteral("密粒度アスコン13"));
        QCOMPARE(doc.lines, 101);
        QCOMPARE(doc.sublots.size(), size_t(3));
        const auto row = [&](size_t i) {
            const TProfileSublotRow& s = doc.sublots[i];
            return QStringLiteral("%1 %2-%3 %4 %5 %6 %7 %8")
                .arg(s.number)
                .arg(s.from, 0, 'f', 1)
                .arg(s.to, 0, 'f', 1)
                .arg(s.maximum, 0, 'f', 1)
                .arg(s.minimum, 0, 'f', 1)
                .arg(s.difference, 0, 'f', 1)
                .arg(s.grade, s.truck);
        };
        QCOMPARE(row(0), QStringLiteral("1 0.0-45.7 150.0 150.0 0.0 良好 T-1"));
        QCOMPARE(row(1), QStringLiteral("2 45.7-91.4 150.0 120.0 30.0 重度 T-2"));
        QCOMPARE(row(2), QStringLiteral("3 91.4-100.0 150.0 150.0 0.0 良好 T-3"));
        // Edges: 3 positions each side of the 2.5 m mat.
        QCOMPARE(doc.edges, qint64(101 * 6));
        QCOMPARE(doc.used, qint64(101 * 5));
        QCOMPARE(doc.scaleLow, 120.0);
        QVERIFY(doc.scaleHigh >= 150.0 && doc.scaleHigh <= 155.0);

        // One page: ten sublots' stretch, its map a pixel half a metre along and a position
        // across; the cold streak cold on it, the mat beyond 100 m grey.
        QCOMPARE(doc.pages.size(), size_t(1));
        const TProfilePage& page = doc.pages.front();
        QCOMPARE(page.map.size(), QSize(914, 11));
        QCOMPARE(page.map.pixel(110, 5), ProfileColour(120, doc.scaleLow, doc.scaleHigh));
        QCOMPARE(page.map.pixel(110, 4), ProfileColour(150, doc.scaleLow, doc.scaleHigh));
        QCOMPARE(page.map.pixel(400, 4), qRgb(0xdd, 0xdd, 0xdd));

        UseFakeDevice();
        SheetUnderTest() = ProfilePage.origin;
        TTestPane pane(false, true);
        DrawProfileSheet(doc, pane);
        QCOMPARE(pane.Count(), 1);
        const std::vector<TDrawOp>& ops = pane.Ops(0);
        QCOMPARE(OpsOfKind(ops, TDrawOp::Kind::Image).size(), size_t(2)); // the map, the scale
        QCOMPARE(TextsEqual(ops, QStringLiteral("敷均し温度分布")).size(), size_t(1));
        QCOMPARE(TextsEqual(ops, QStringLiteral("重度")).size(), size_t(1));
        QCOMPARE(TextsEqual(ops, QStringLiteral("T-2")).size(), size_t(1));
        QCOMPARE(TextsEqual(ops, QStringLiteral("45.7～91.4")).size(), size_t(1));
        int labelled = 0;
        for (const char* t : {"120", "135", "150"})
            labelled += !TextsEqual(ops, QString::fromLatin1(t)).empty();
        QVERIFY2(labelled >= 2, "the scale's temperatures are labelled");
    }

    void aDayWithoutAProfileIsRefused()
    {
        TempProfile profile;
        PrepareTables();
        QVERIFY_THROWS_EXCEPTION(
            AppError, LoadProfileDocument(QStringLiteral("K001"), Mix, QDate(2024, 6, 4)));
    }
};

ONDO_TEST_MAIN(TestProfileSheet, QGuiApplication)
#include "test_profilesheet.moc"
