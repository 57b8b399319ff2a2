#include "exchange/ProfileImport.h"
#include "support/BatchRun.h"
#include "support/TestSupport.h"

#define REFERENCE_DIR ""
#include "core/Settings.h"
#include "reports/ReportFixture.h"
#include "reports/XbarRChart.h"
#include "storage/Engine.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>

namespace {

// Two mixes: 密粒 with 24 days of two categories, timed and by truck (enough for every document
// of 練上温度 with subgroups of three, and the journey), 粗粒 with three days of one, so that
// most of its statistical documents are left out.
void Seed()
{
    PrepareTables();
    Engine::Execute(QStringLiteral("delete from OndoKubun"));
    AddCategory(0, QStringLiteral("練上温度"));
    AddCategory(1, QStringLiteral("初期締固前温度"));
    Query k(QStringLiteral("insert into Koji1 (Code, Kojimei) values ('K1', '県道工事')"));
    k.ExecSQL();
    AddMix(QStringLiteral("密粒"), QStringLiteral("密粒度アスコン"));
    AddMix(QStringLiteral("粗粒"), QStringLiteral("粗粒度アスコン"));
    for (int d = 0; d < 24; ++d) {
        const QDateTime day = Day(10, 1).addDays(d);
        AddDay(QStringLiteral("K1"), QStringLiteral("密粒"), 0, day,
               {160.0 + d % 5, 165.0 + d % 3, 170.0 - d % 4}, QStringLiteral("160_185"));
        AddDay(QStringLiteral("K1"), QStringLiteral("密粒"), 1, day, {140.0 + d % 6});
    }
    for (int d = 0; d < 3; ++d)
        AddDay(QStringLiteral("K1"), QStringLiteral("粗粒"), 0, Day(11, 4).addDays(d),
               {158.0, 175.0}, QStringLiteral("160_185"));
    Engine::Execute(QStringLiteral("update OndoLine4 set Syaryo = 'T' || LNO, Jikoku = '08:0' || "
                                   "LNO where KanriID in (select ID from OndoKanri4 where "
                                   "GozaiName = '密粒')"));
    WriteXbarRSettings(TXbarRSettings{3, true});
}

QString Sha256Of(const QString& file)
{
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    return QString::fromLatin1(
        QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex());
}

QStringList CsvLines(const QString& file, QByteArray* head = nullptr)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    if (head)
        *head = bytes.left(3);
    return QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

} // namespace

class TestPackage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The whole submission of a project: one PDF per document with a name that says what it
    // is, the readings as CSV, the index naming every file and what was left out; a second run
    // into the same folder and a period without data are refused and leave things as they were.
    void writesEveryDocumentNamedAndIndexed()
    {
        TempProfile profile;
        Seed();
        // The paver's scanner on one day of 密粒.
        QFile scan(profile.root() + QStringLiteral("/scan.csv"));
        QVERIFY(scan.open(QIODevice::WriteOnly));
        scan.write("RoadScan;K1;\nZeit;Distanz [m];Breite;Laenge;Q;T0;T1;T2;\n"
                   "01.10.2024 08:00:00;0,0;;;4;150,0;151,0;150,5;\n"
                   "01.10.2024 08:00:06;1,0;;;4;150,0;151,0;150,5;\n");
        scan.close();
        ImportProfile(scan.fileName(), QStringLiteral("K1"), QStringLiteral("密粒"), false);
        const QString folder = profile.root() + QStringLiteral("/提出");
        const Run run = Batch({QStringLiteral("--package"), folder, QStringLiteral("--project"),
                               QStringLiteral("K1")});
        QCOMPARE(run.code, 0);
        // A PDF per form and mix, and per category where the form has one, each named with its
        // mix; the journey of the mix measured in two categories.
        const QStringList expected{
            QStringLiteral("00_目録.csv"),
            QStringLiteral("00_目録.pdf"),
            QStringLiteral("00_目録.sha256"),
            QStringLiteral("記録表_K1_密粒_練上温度_2024-10.pdf"),
            QStringLiteral("記録表_K1_密粒_初期締固前温度_2024-10.pdf"),
            QStringLiteral("記録表_K1_粗粒_練上温度_2024-11.pdf"),
            QStringLiteral("X管理図_K1_密粒_2024-10.pdf"),
            QStringLiteral("X管理図_K1_粗粒_2024-11.pdf"),
            QStringLiteral("Xbar-s管理図_K1_密粒_練上温度_2024-10.pdf"),
            QStringLiteral("Xbar-s管理図_K1_粗粒_練上温度_2024-11.pdf"),
            QStringLiteral("Xbar-R管理図_K1_密粒_練上温度_2024-10.pdf"),
            QStringLiteral("工程能力図_K1_密粒_練上温度_2024-10.pdf"),
            QStringLiteral("温度低下記録_K1_密粒_2024-10.pdf"),
            QStringLiteral("敷均し温度分布_K1_密粒_2024-10-01_2024-10.pdf"),
            QStringLiteral("測定値_K1_2024-10_2024-11.csv"),
        };
        QStringList files = QDir(folder).entryList(QDir::Files, QDir::Name);
        std::sort(files.begin(), files.end());
        QStringList sorted = expected;
        std::sort(sorted.begin(), sorted.end());
        QCOMPARE(files, sorted);
        for (const QString& f : expected)
            QVERIFY2(run.out.contains(f), qPrintable(f));
        QVERIFY(run.out.contains(QStringLiteral("省略: ")));

        // Every PDF archival, its fonts embedded, its pages stating the project and the limit.
        for (const QString& f : files) {
            if (!f.endsWith(QStringLiteral(".pdf")))
                continue;
            QVERIFY2(f.startsWith(QStringLiteral("00_")) || f.contains(QStringLiteral("_密粒_")) ||
                         f.contains(QStringLiteral("_粗粒_")),
                     qPrintable(f));
            QFile pdf(folder + QLatin1Char('/') + f);
            QVERIFY(pdf.open(QIODevice::ReadOnly));
            const QByteArray bytes = pdf.readAll();
            QVERIFY2(bytes.contains("pdfaid:part"), qPrintable(f));
            QVERIFY2(bytes.contains("/FontFile"), qPrintable(f));
            // The font maps its wave dash back to U+301C.
            const QString text = PdfText(pdf.fileName()).replace(QChar(0x301C), QChar(0xFF5E));
            QVERIFY2(text.contains(QStringLiteral("県道工事")), qPrintable(f));
            // The profile is judged by its sublots' spread, not by a specified value.
            if (!f.startsWith(QStringLiteral("00_")) && !f.startsWith(QStringLiteral("X管理図")) &&
                !f.startsWith(QStringLiteral("温度低下")) &&
                !f.startsWith(QStringLiteral("敷均し")))
                QVERIFY2(text.contains(QStringLiteral("160～185℃")) ||
                             f.contains(QStringLiteral("初期締固前温度")),
                         qPrintable(f));
        }

        // The index lists each file once with its kind, and the documents left out.
        QByteArray bom;
        const QStringList index = CsvLines(folder + QStringLiteral("/00_目録.csv"), &bom);
        QCOMPARE(bom, QByteArrayLiteral("\xEF\xBB\xBF"));
        for (const QString& f : expected.mid(3))
            QVERIFY2(index.filter(f).size() == 1 &&
                         index.filter(f).front().endsWith(Sha256Of(folder + QLatin1Char('/') + f)),
                     qPrintable(f));
        QVERIFY(!index.filter(QStringLiteral("粗粒度アスコン"))
                     .filter(QStringLiteral("x̄-R管理図"))
                     .isEmpty());
        // The manifest: every file but itself, in sha256sum's format; the PDF index the same
        // names and hashes but its own.
        QFile manifest(folder + QStringLiteral("/00_目録.sha256"));
        QVERIFY(manifest.open(QIODevice::ReadOnly));
        const QStringList lines =
            QString::fromUtf8(manifest.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), expected.size() - 1);
        const QString indexText = PdfText(folder + QStringLiteral("/00_目録.pdf"));
        for (const QString& line : lines) {
            const QString hash = line.left(64), name = line.mid(66);
            QCOMPARE(line.mid(64, 2), QStringLiteral("  "));
            QVERIFY2(expected.contains(name) && name != QStringLiteral("00_目録.sha256"),
                     qPrintable(name));
            QCOMPARE(hash, Sha256Of(folder + QLatin1Char('/') + name));
            if (name != QStringLiteral("00_目録.pdf")) {
                QVERIFY2(indexText.contains(name), qPrintable(name));
                // Printed in two halves.
                QVERIFY2(indexText.contains(hash.left(32)) && indexText.contains(hash.mid(32)),
                         qPrintable(name));
            }
        }
        QVERIFY(indexText.contains(QStringLiteral("sha256sum-c00_目録.sha256")));
        QProcess check;
        check.setWorkingDirectory(folder);
        check.start(QStringLiteral("sha256sum"),
                    {QStringLiteral("-c"), QStringLiteral("00_目録.sha256")});
        QVERIFY(check.waitForFinished(60000));
        QCOMPARE(check.exitCode(), 0);

        // One row per reading: 24 × 3 + 24 + 3 × 2, each with its value and limit.
        QStringList readings =
            CsvLines(folder + QStringLiteral("/測定値_K1_2024-10_2024-11.csv"), &bom);
        QCOMPARE(bom, QByteArrayLiteral("\xEF\xBB\xBF"));
        QCOMPARE(readings.size(), 1 + 24 * 3 + 24 + 3 * 2);
        QVERIFY(!readings.filter(QStringLiteral("160～185 ℃")).isEmpty());

        // Not over a package already there; nothing in the period: nothing written.
        const Run again = Batch({QStringLiteral("--package"), folder, QStringLiteral("--project"),
                                 QStringLiteral("K1")});
        QVERIFY(again.code != 0);
        QVERIFY(again.err.contains(QStringLiteral("空ではありません")));
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), expected.size());
        const QString empty = profile.root() + QStringLiteral("/なし");
        const Run none =
            Batch({QStringLiteral("--package"), empty, QStringLiteral("--project"),
                   QStringLiteral("K1"), QStringLiteral("--from"), QStringLiteral("2025/01/01")});
        QVERIFY(none.code != 0);
        QVERIFY(none.err.contains(QStringLiteral("測定値がありません")));
        QVERIFY(!QFileInfo::exists(empty));
        QCOMPARE(QDir(profile.root())
                     .entryList(QDir::AllDirs | QDir::Hidden | QDir::NoDotAndDotDot)
                     .filter(QStringLiteral("ondokanri-package")),
                 QStringList());
    }

    // A simulated day is in none of the documents: the index names it (project, mix, category,
    // day), the command says so, and the readings' CSV keeps its rows marked 模擬値 1.
    void simulatedDaysAreNamedNotDocumented()
    {
        TempProfile profile;
        Seed();
        Engine::Execute(QStringLiteral("update OndoHead4 set Mogi = 1 where Hiduke = '%1' and "
                                       "KanriID in (select ID from OndoKanri4 where Kubun = 0 "
                                       "and GozaiName = '密粒')")
                            .arg(DateTimeToStorage(Day(10, 5))));
        const QString folder = profile.root() + QStringLiteral("/提出");
        const Run run = Batch({QStringLiteral("--package"), folder, QStringLiteral("--project"),
                               QStringLiteral("K1")});
        QCOMPARE(run.code, 0);
        const QString named = QStringLiteral(
            "模擬値のため除外: 県道工事（K1） / 密粒度アスコン / 練上温度 / 2024年10月5日");
        QVERIFY2(run.out.contains(named), qPrintable(run.out));
        QVERIFY(
            CsvLines(folder + QStringLiteral("/00_目録.csv")).contains(QLatin1Char(',') + named));
        const QString index = PdfText(folder + QStringLiteral("/00_目録.pdf"));
        QVERIFY2(index.contains(QStringLiteral("2024年10月5日")), qPrintable(index));
        QVERIFY(index.contains(QStringLiteral("模擬値（シミュレーション）の日")));

        for (const QString& f : QDir(folder).entryList({QStringLiteral("*.pdf")}, QDir::Files)) {
            if (f.startsWith(QStringLiteral("00_")))
                continue;
            const QString text = PdfText(folder + QLatin1Char('/') + f);
            QVERIFY2(!text.contains(QStringLiteral("模擬値")), qPrintable(f));
            if (f == QStringLiteral("記録表_K1_密粒_練上温度_2024-10.pdf"))
                QVERIFY2(!text.contains(QStringLiteral("2024/10/5")) &&
                             text.contains(QStringLiteral("2024/10/6")),
                         qPrintable(text));
        }

        const QStringList readings =
            CsvLines(folder + QStringLiteral("/測定値_K1_2024-10_2024-11.csv"));
        QVERIFY(readings.at(0).endsWith(QStringLiteral(",備考,模擬値")));
        const QStringList marked = readings.filter(QRegularExpression(QStringLiteral(",1$")));
        QCOMPARE(marked.size(), 3);
        for (const QString& line : marked)
            QVERIFY2(line.startsWith(QStringLiteral("練上温度,2024/10/05,密粒,")),
                     qPrintable(line));
        QCOMPARE(readings.filter(QRegularExpression(QStringLiteral(",0$"))).size(),
                 readings.size() - 1 - 3);
    }

    // The period keeps only its days: November alone is one mix's documents.
    void periodChoosesTheDays()
    {
        TempProfile profile;
        Seed();
        const QString folder = profile.root() + QStringLiteral("/11月");
        const Run run =
            Batch({QStringLiteral("--package"), folder, QStringLiteral("--project"),
                   QStringLiteral("K1"), QStringLiteral("--from"), QStringLiteral("2024/11/01"),
                   QStringLiteral("--to"), QStringLiteral("2024/11/30")});
        QCOMPARE(run.code, 0);
        QStringList files = QDir(folder).entryList(QDir::Files, QDir::Name);
        QVERIFY(files.contains(QStringLiteral("X管理図_K1_粗粒_2024-11.pdf")));
        QVERIFY(files.contains(QStringLiteral("記録表_K1_粗粒_練上温度_2024-11.pdf")));
        QCOMPARE(int(files.filter(QStringLiteral("密粒")).size()), 0);
        QCOMPARE(CsvLines(folder + QStringLiteral("/測定値_K1_2024-11.csv")).size(), 1 + 6);
        // The documents cover the period given, and are named for it.
        const Run week = Batch({QStringLiteral("--package"), profile.root() + QStringLiteral("/週"),
                                QStringLiteral("--project"), QStringLiteral("K1"),
                                QStringLiteral("--from"), QStringLiteral("2024/10/07"),
                                QStringLiteral("--to"), QStringLiteral("2024/10/13")});
        QCOMPARE(week.code, 0);
        const QString chart = profile.root() + QStringLiteral("/週/X管理図_K1_密粒_2024-10.pdf");
        const QString text = PdfText(chart);
        QVERIFY(text.contains(QStringLiteral("2024年10月7日～10月13日")));
        QVERIFY(text.contains(QStringLiteral("10/7")) && !text.contains(QStringLiteral("10/6")));
        const QString journey =
            PdfText(profile.root() + QStringLiteral("/週/温度低下記録_K1_密粒_2024-10.pdf"));
        QVERIFY(journey.contains(QStringLiteral("2024年10月13日")));
        QVERIFY(!journey.contains(QStringLiteral("2024年10月14日")));
    }

    // The client's check: every file as written passes; one changed byte, a removed file and
    // an added one are each named on a line of their own, and the check fails.
    void verifyPackageAgainstItsManifest()
    {
        TempProfile profile;
        Seed();
        const QString folder = profile.root() + QStringLiteral("/提出");
        QCOMPARE(Batch({QStringLiteral("--package"), folder, QStringLiteral("--project"),
                        QStringLiteral("K1")})
                     .code,
                 0);
        const int files = int(QDir(folder).entryList(QDir::Files).size());
        Run run = Batch({QStringLiteral("--verify-package"), folder});
        QCOMPARE(run.code, 0);
        QCOMPARE(run.err, QString());
        QCOMPARE(run.out.trimmed(),
                 QStringLiteral("提出用一式の %1 ファイルはすべて目録 00_目録.sha256 のとおりです")
                     .arg(files - 1));

        const QString changed = QStringLiteral("X管理図_K1_密粒_2024-10.pdf");
        QFile pdf(folder + QLatin1Char('/') + changed);
        QVERIFY(pdf.open(QIODevice::ReadWrite));
        QByteArray bytes = pdf.readAll();
        bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 1);
        pdf.seek(0);
        pdf.write(bytes);
        pdf.close();
        run = Batch({QStringLiteral("--verify-package"), folder});
        QCOMPARE(run.code, 1);
        QCOMPARE(run.out.trimmed(), QStringLiteral("内容が変わっています: ") + changed);

        const QString removed = QStringLiteral("00_目録.csv");
        QVERIFY(QFile::remove(folder + QLatin1Char('/') + removed));
        QVERIFY(QDir(folder).mkdir(QStringLiteral("追加")));
        QFile added(folder + QStringLiteral("/追加/メモ.txt"));
        QVERIFY(added.open(QIODevice::WriteOnly));
        added.write("memo");
        added.close();
        run = Batch({QStringLiteral("--verify-package"), folder});
        QCOMPARE(run.code, 1);
        QCOMPARE(run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts),
                 (QStringList{QStringLiteral("内容が変わっています: ") + changed,
                              QStringLiteral("ファイルがありません: ") + removed,
                              QStringLiteral("目録にないファイルです: 追加/メモ.txt")}));
        QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
        QVERIFY(run.err.contains(QStringLiteral("3 件")));

        // Not a package at all.
        run = Batch({QStringLiteral("--verify-package"), profile.root()});
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.contains(QStringLiteral("00_目録.sha256")), qPrintable(run.err));
    }
};

ONDO_TEST_MAIN(TestPackage, QGuiApplication)
#include "test_package.moc"
