// A paver's thermal profile from the command line into the data: stored a scan line a row,
// the day kept apart from other days and mixes, a broken file storing nothing, and a second
// import of the day asking for --replace.
#include "domain/OndoKanri.h"
#include "storage/Engine.h"
#include "storage/Query.h"
#include "support/BatchRun.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

namespace {

const QByteArray Head = "Temperaturprofil RoadScan;B27 Spur 1;\n"
                        "Zeit;Distanz [m];Breitengrad;Längengrad;Signalqualität;T0 [°C];T1 "
                        "[°C];T2 [°C];\n";

QString write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile f(dir.filePath(name));
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return f.fileName();
}

int count(const QString& sql)
{
    Query q(sql);
    q.Open();
    return q.FieldInt(QStringLiteral("N"));
}

} // namespace

class TestProfileImport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void importsADayOfScanLines()
    {
        TempProfile profile;
        TOndoKanri::CreateTables();
        Engine::Execute(QStringLiteral("insert into Koji1 (Code, Kojimei) values ('K1', '県道')"));
        QTemporaryDir dir;
        const QString day = write(dir, QStringLiteral("scan.csv"),
                                  Head + "02.06.2024 08:24:18;0,0;48,77;9,18;4;150,2;151,8;;\n"
                                         "02.06.2024 08:24:19;0,3;48,77;;4;148,5;152,0;153,1;\n"
                                         "02.06.2024 08:24:21;12,5;48,77;;4;149,5;150,0;151,1;\n"
                                         "Keine Daten vorhanden\n");
        const QStringList target{QStringLiteral("--project"), QStringLiteral("K1"),
                                 QStringLiteral("--mix"),     QStringLiteral("密粒"),
                                 QStringLiteral("--data"),    Engine::CurrentFolder()};
        Run run = Batch(QStringList{QStringLiteral("--import-profile"), day} + target);
        QCOMPARE(run.err, QString());
        QCOMPARE(run.out.trimmed(),
                 QStringLiteral("取り込み: 3 行、長さ 12.5 m（2024/06/02、Vögele RoadScan）"));
        QCOMPARE(count(QStringLiteral("select count(*) as N from OndoBunpuLine")), 3);
        Query line(QStringLiteral("select Seq, Jikoku, Kyori, Sokudo, Ondo from OndoBunpuLine "
                                  "order by Seq"));
        line.Open();
        QCOMPARE(line.FieldText(QStringLiteral("Ondo")), QStringLiteral("150.2;151.8;"));
        QCOMPARE(line.FieldDateTime(QStringLiteral("Jikoku")),
                 QDateTime(QDate(2024, 6, 2), QTime(8, 24, 18)));
        Query head(
            QStringLiteral("select KojiCode, GozaiName, Hiduke, Itisu, Kankaku, Gyosu, Kyori "
                           "from OndoBunpu"));
        head.Open();
        QCOMPARE(head.FieldText(QStringLiteral("GozaiName")), QStringLiteral("密粒"));
        QCOMPARE(head.FieldDateTime(QStringLiteral("Hiduke")),
                 QDateTime(QDate(2024, 6, 2), QTime(0, 0)));
        QCOMPARE(head.FieldInt(QStringLiteral("Itisu")), 3);
        QCOMPARE(head.FieldDouble(QStringLiteral("Kankaku")), 0.25);

        // The same day again: asked for --replace; with it, replaced whole.
        run = Batch(QStringList{QStringLiteral("--import-profile"), day} + target);
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.startsWith(QStringLiteral("試験日 2024/06/02 の敷均し温度分布はすでに"
                                                   "取り込まれています")),
                 qPrintable(run.err));
        const QString shorter = write(dir, QStringLiteral("again.csv"),
                                      Head + "02.06.2024 09:00:00;0,0;;;4;150,0;150,0;150,0;\n");
        run = Batch(
            QStringList{QStringLiteral("--import-profile"), shorter, QStringLiteral("--replace")} +
            target);
        QCOMPARE(run.code, 0);
        QCOMPARE(count(QStringLiteral("select count(*) as N from OndoBunpuLine")), 1);
        QCOMPARE(count(QStringLiteral("select count(*) as N from OndoBunpu")), 1);

        // A file broken half-way stores nothing; nor does an unknown project.
        const QString broken = write(dir, QStringLiteral("broken.csv"),
                                     Head + "03.06.2024 08:00:00;0,0;;;4;150,0;150,0;150,0;\n"
                                            "03.06.2024 08:00:01;0,3;;;4;150,0;15x,0;150,0;\n");
        run = Batch(QStringList{QStringLiteral("--import-profile"), broken} + target);
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.startsWith(QStringLiteral("4 行目")), qPrintable(run.err));
        QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
        QCOMPARE(count(QStringLiteral("select count(*) as N from OndoBunpu")), 1);
        QCOMPARE(count(QStringLiteral("select count(*) as N from OndoBunpuLine")), 1);
        run = Batch({QStringLiteral("--import-profile"), day, QStringLiteral("--project"),
                     QStringLiteral("K9"), QStringLiteral("--mix"), QStringLiteral("密粒"),
                     QStringLiteral("--data"), Engine::CurrentFolder()});
        QCOMPARE(run.code, 1);
        QCOMPARE(count(QStringLiteral("select count(*) as N from OndoBunpu")), 1);
    }
};

ONDO_TEST_MAIN(TestProfileImport, QCoreApplication)
#include "test_profileimport.moc"
