#include "ParadoxFixture.h"
#include "app/ExchangeWiring.h"
#include "app/cli/BatchPrint.h"
#include "core/AppError.h"
#include "domain/DayEntry.h"
#include "domain/OndoKanri.h"
#include "entry_ui/EditOndoData.h"
#include "exchange/ParadoxImport.h"
#include "exchange/ParadoxTable.h"
#include "exchange_ui/ParadoxImportDialog.h"
#include "storage/Backup.h"
#include "storage/Engine.h"
#include "storage/Query.h"
#include "support/BatchRun.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTimer>
#include <cstdlib>
#include <limits>

extern "C" {
#include <paradox.h>
}

namespace {

const ParadoxImport::TableReport& Report(const ParadoxImport::Plan& plan, const char* table)
{
    for (const ParadoxImport::TableReport& t : plan.tables) {
        if (t.table == QLatin1String(table))
            return t;
    }
    static ParadoxImport::TableReport none;
    return none;
}

} // namespace

class TestParadox : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_profile.reset(new TempProfile);
        TOndoKanri::CreateTables();
    }
    void cleanup() { m_profile.reset(); }

    // Everything of the folder arrives as it was stored: texts, numbers, days, readings, IDs.
    void roundTrip()
    {
        QTemporaryDir old;
        WriteFullFolder(old.path());

        const ParadoxImport::Plan plan = ParadoxImport::DryRun(old.path());
        QCOMPARE(Report(plan, "OndoKanri4").added, 1);
        QCOMPARE(Report(plan, "OndoHead4").added, 2);
        QCOMPARE(Report(plan, "OndoLine4").added, 3);
        QCOMPARE(Report(plan, "OndoKubun").added, 1);   // ID 5
        QCOMPARE(Report(plan, "OndoKubun").updated, 1); // ID 0 is a default category
        QVERIFY(plan.collisions.isEmpty());
        QCOMPARE(Count(QStringLiteral("OndoKanri4")), 0);
        QCOMPARE(Count(QStringLiteral("Koji1")), 0);
        QVERIFY(Backup::List(m_profile->dataFolder()).isEmpty());

        const ParadoxImport::Plan done = ParadoxImport::Import(old.path());
        QCOMPARE(Backup::List(m_profile->dataFolder()).size(), 1);
        QCOMPARE(ParadoxImport::ResultLine(done),
                 QStringLiteral(
                     "取り込み: 温度区分 2、工事 1、合材 1、測定者 1、記録 1、日 2、測定値 3"));

        TOndoKanri record;
        record.LoadByID(4);
        QCOMPARE(record.ID, 4);
        QCOMPARE(record.Koji.Kojimei(), QStringLiteral("国道１号舗装工事"));
        QCOMPARE(record.Gozai.PrintName(), QStringLiteral("密粒度アスコン13"));
        QCOMPARE(record.Simei.Furigana(), QStringLiteral("ヤマダ"));
        QCOMPARE(record.Kiji, QStringLiteral("記事"));
        QCOMPARE(record.Kubun.KubunName, QStringLiteral("舗装温度"));
        QCOMPARE(record.Kubun.SokuteiKankaku, QStringLiteral("台毎"));
        QCOMPARE(record.Kubun.OndoRange, QStringLiteral("140_150"));
        QCOMPARE(record.SpecInterval, QStringLiteral("台毎"));

        Query day(QStringLiteral("select * from OndoHead4 where KanriID=4 and Hiduke=:B"));
        day.BindDateTime(QStringLiteral("B"), Day(5));
        day.Open();
        QCOMPARE(day.FieldInt(QStringLiteral("Kosu")), 2);
        QCOMPARE(day.FieldDouble(QStringLiteral("MaxOndo")), 161.5);
        QCOMPARE(day.FieldDouble(QStringLiteral("MiniOndo")), 150.0);
        QCOMPARE(day.FieldDouble(QStringLiteral("AvgOndo")), 155.75);
        QCOMPARE(day.FieldText(QStringLiteral("Tekiyo")), QStringLiteral("晴れ"));
        QCOMPARE(Readings(4, Day(5)), (QList<double>{161.5, 150.0}));
        QCOMPARE(Readings(4, Day(6)), (QList<double>{152.25}));
        QCOMPARE(TOndoKanri::ReadDay(QStringLiteral("K001"), 5, Day(5), QStringLiteral("密粒度13"))
                     .size(),
                 2);
    }

    // A record whose key already has a header joins it without touching its stored days; one
    // whose ID is taken gets a new ID with its days; a missing table and the older category
    // layout are reported, not fatal.
    void collisionsMissingTableAndOlderLayout()
    {
        auto store = [](const QString& koji, const QString& gozai, double reading) {
            TOndoKanri r;
            r.Koji.Code() = koji;
            r.Gozai.DataName() = gozai;
            r.Kubun.ID = 0;
            r.Hiduke = Day(5);
            r.Register({{1, QStringLiteral("1"), reading}});
            return r.ID;
        };
        QCOMPARE(store(QStringLiteral("K001"), QStringLiteral("A"), 160.0), 1);
        QCOMPARE(store(QStringLiteral("K002"), QStringLiteral("B"), 158.0), 2);
        Query interval(QStringLiteral("update OndoKubun set SokuteiKankaku='台毎' where ID=0"));
        interval.ExecSQL();

        QTemporaryDir old;
        WriteKubun(old.path(), true,
                   {{0, 0, QStringLiteral("練上温度"), QStringLiteral("150_160")},
                    {7, 1, QStringLiteral("敷均し温度"), QStringLiteral("130_140")}});
        WriteKanri(
            old.path(),
            {{1, QStringLiteral("K001"), QStringLiteral("A"), QString(), QString(), 0, QString()},
             {2, QStringLiteral("K009"), QStringLiteral("C"), QString(), QString(), 7, QString()}});
        WriteHead(old.path(), {{1, Day(5), 1, 999.0, 999.0, 999.0, QString()},
                               {1, Day(6), 1, 170.0, 170.0, 170.0, QString()},
                               {2, Day(5), 1, 135.0, 135.0, 135.0, QString()},
                               {9, Day(5), 1, 1.0, 1.0, 1.0, QString()}});
        WriteLine(old.path(), {{1, Day(5), 1, QStringLiteral("1"), 999.0},
                               {1, Day(6), 1, QStringLiteral("1"), 170.0},
                               {2, Day(5), 1, QStringLiteral("1"), 135.0}});

        const ParadoxImport::Plan plan = ParadoxImport::DryRun(old.path());
        QVERIFY(plan.olderKubunLayout);
        QVERIFY(!Report(plan, "SIMEI").present);
        QCOMPARE(plan.collisions.size(), 1);
        QVERIFY(
            plan.collisions.first().contains(QStringLiteral("区分 練上温度): 現在の記録 ID 1")));
        QCOMPARE(plan.renumbered, 1);
        QCOMPARE(Report(plan, "OndoKanri4").joined, 1);
        QCOMPARE(Report(plan, "OndoHead4").added, 2);
        QCOMPARE(Report(plan, "OndoHead4").skipped,
                 2); // the stored day and the day without a record
        const QString summary = ParadoxImport::Summary(plan);
        QVERIFY(summary.contains(QStringLiteral("SIMEI.DB: ありません")));
        QVERIFY(summary.contains(QStringLiteral("古い形式")));

        ParadoxImport::Import(old.path());
        QCOMPARE(Readings(1, Day(5)), (QList<double>{160.0}));
        QCOMPARE(Readings(1, Day(6)), (QList<double>{170.0}));
        QCOMPARE(Readings(3, Day(5)), (QList<double>{135.0}));
        QCOMPARE(TOndoKanri::FindHeader(QStringLiteral("K009"), QStringLiteral("C"), 7), 3);
        QCOMPARE(TOndoKanri::FindHeader(QStringLiteral("K002"), QStringLiteral("B"), 0), 2);
        QCOMPARE(Readings(2, Day(5)), (QList<double>{158.0}));
        QCOMPARE(Count(QStringLiteral("OndoKanri4")), 3);
        QCOMPARE(Count(QStringLiteral("OndoHead4")), 4);
        TOndoKubun kubun;
        kubun.SokuteiKankaku = QStringLiteral("前の値");
        kubun.LoadByID(7);
        QCOMPARE(kubun.KubunName, QStringLiteral("敷均し温度"));
        QCOMPARE(kubun.SokuteiKankaku, QString());
        kubun.LoadByID(0); // updated from the old row, which had no interval to give
        QCOMPARE(kubun.OndoRange, QStringLiteral("150_160"));
        QCOMPARE(kubun.SokuteiKankaku, QStringLiteral("台毎"));
    }

    // The command: a dry run stores nothing, the import stores, a failure is one line and
    // leaves the store as it was.
    void commandLine()
    {
        QTemporaryDir old, data, empty;
        WriteFullFolder(old.path());

        Run dry = Batch({QStringLiteral("--import-paradox"), old.path(),
                         QStringLiteral("--dry-run"), QStringLiteral("--data"), data.path()});
        QCOMPARE(dry.code, 0);
        QVERIFY2(dry.out.contains(QStringLiteral("OndoKanri4.DB: 1 行、追加 1")),
                 qPrintable(dry.out));
        // A look at a folder without data leaves none behind, not even an empty file.
        QVERIFY(!QFileInfo::exists(data.filePath(QStringLiteral("kozeran.sqlite"))));

        Run done = Batch({QStringLiteral("--import-paradox"), old.path(), QStringLiteral("--data"),
                          data.path()});
        QCOMPARE(done.code, 0);
        QVERIFY2(done.out.startsWith(QStringLiteral("取り込み: ")), qPrintable(done.out));
        QCOMPARE(Count(QStringLiteral("OndoLine4")), 3);
        QCOMPARE(Count(QStringLiteral("OndoKubun")),
                 3); // the new store's default ID 0 is updated, not doubled

        Run none = Batch({QStringLiteral("--import-paradox"), empty.path(),
                          QStringLiteral("--data"), data.path()});
        QCOMPARE(none.code, 1);
        QCOMPARE(none.err.count(QLatin1Char('\n')), 1);

        // A damaged table stops the whole import before anything is written.
        WriteFullFolder(empty.path());
        QFile broken(empty.path() + QStringLiteral("/OndoLine4.DB"));
        QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
        broken.write("not a table");
        broken.close();
        QFile::remove(data.path() + QStringLiteral("/kozeran.sqlite"));
        Run bad = Batch({QStringLiteral("--import-paradox"), empty.path(), QStringLiteral("--data"),
                         data.path()});
        QCOMPARE(bad.code, 1);
        QVERIFY2(bad.err.contains(QStringLiteral("OndoLine4.DB")), qPrintable(bad.err));
        QVERIFY(!QFileInfo::exists(data.filePath(QStringLiteral("kozeran.sqlite"))));
    }

    // The menu item: the preview shows first and nothing is stored until 取り込み; then the
    // result is shown and the window's categories include the imported one.
    void dialogFromMenu()
    {
        QTemporaryDir old;
        WriteFullFolder(old.path());
        TDayEntry entry;
        TfEditOndoData window(entry, {}, {});
        TfParadoxImport dialog(&window);
        dialog.SetFolderPicker([&old](QWidget*) { return old.path(); });
        ConnectOldDataImport(window, &dialog);
        QSignalSpy kubuns(&entry, &TDayEntry::kubunsChanged);

        QString preview, result;
        int storedAtPreview = -1;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == &dialog && preview.isEmpty()) {
                preview = dialog.SummaryText->toPlainText();
                storedAtPreview = Count(QStringLiteral("OndoKanri4"));
                dialog.ImportButton->click();
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                result = box->text();
                box->accept();
            }
        });
        answer.start(10);
        window.findChild<QAction*>(QStringLiteral("ImportOldItem"))->trigger();
        answer.stop();

        QVERIFY2(preview.contains(QStringLiteral("OndoKanri4.DB: 1 行、追加 1")),
                 qPrintable(preview));
        QCOMPARE(storedAtPreview, 0);
        QVERIFY2(result.startsWith(QStringLiteral("取り込み: ")), qPrintable(result));
        QCOMPARE(Count(QStringLiteral("OndoKanri4")), 1);
        QCOMPARE(kubuns.count(), 1);
        QVERIFY(entry.KubunNames().contains(QStringLiteral("舗装温度")));
        QVERIFY(window.findChild<QComboBox*>(QStringLiteral("ComboBox4"))
                    ->findText(QStringLiteral("舗装温度")) >= 0);

        // Cancelled after the preview: nothing more is written.
        QTimer::singleShot(0, &dialog, [&dialog] { dialog.CancelButton->click(); });
        QVERIFY(!dialog.Run());
        QCOMPARE(Count(QStringLiteral("OndoHead4")), 2);
    }

    // Numbers at the edge of their range stay in it: a record of 2147483647 keeps it, one
    // whose number is taken gets a free one (never a negative one shared with the next), and
    // so does the next record a person registers. Rows the store cannot take are left out,
    // each kind with a note: a negative category, a second reading of one number, a reading
    // without its day, a temperature that is not a number.
    // A reading the temperature rule refuses refuses the whole folder, naming the table, the
    // record and the value; nothing is stored.
    void aTypoInTheOldDataRefusesTheFolder()
    {
        QTemporaryDir old;
        WriteFullFolder(old.path());
        WriteLine(old.path(), {{4, Day(5), 1, QStringLiteral("1"), 161.5},
                               {4, Day(5), 2, QStringLiteral("2"), 1505.0},
                               {4, Day(6), 1, QStringLiteral("1"), 152.25}});
        QString why;
        try {
            ParadoxImport::Import(old.path());
        } catch (const AppError& e) {
            why = e.message();
        }
        QCOMPARE(why,
                 QStringLiteral("OndoLine4.DB の 2 件目（記録 4、%1、2 番）: 「1505」は温度の範囲 "
                                "(−20〜300 ℃) の外です。何も取り込んでいません")
                     .arg(FormatDate(Day(5))));
        QCOMPARE(Count(QStringLiteral("OndoKanri4")), 0);
        QCOMPARE(Count(QStringLiteral("OndoLine4")), 0);
    }

    void identifiersStayInRangeAndOddRowsAreNamed()
    {
        TOndoKanri stored;
        stored.Koji.Code() = QStringLiteral("K001");
        stored.Gozai.DataName() = QStringLiteral("A");
        stored.Kubun.ID = 0;
        stored.Hiduke = Day(5);
        stored.Register({{1, QStringLiteral("1"), 160.0}});
        QCOMPARE(stored.ID, 1);

        const int top = std::numeric_limits<int>::max();
        QTemporaryDir old;
        WriteKubun(old.path(), false,
                   {{0, 0, QStringLiteral("練上温度"), QStringLiteral("150_160"), QString()},
                    {-3, 1, QStringLiteral("負の区分"), QStringLiteral("1_2"), QString()}});
        const auto kanri = [](int id, const char* koji) {
            return QVariantList{
                id,       QString::fromLatin1(koji), QStringLiteral("X"), QString(), QString(), 0,
                QString()};
        };
        WriteKanri(old.path(), {kanri(top, "K010"), kanri(1, "K011"), kanri(5, "K012")});
        WriteHead(old.path(), {{top, Day(5), 1, 150.0, 150.0, 150.0, QString()},
                               {1, Day(5), 1, 151.0, 151.0, 151.0, QString()},
                               {5, Day(5), 1, 152.0, 152.0, 152.0, QString()}});
        WriteLine(old.path(), {{top, Day(5), 1, QStringLiteral("1"), 150.0},
                               {1, Day(5), 1, QStringLiteral("1"), 151.0},
                               {5, Day(5), 1, QStringLiteral("1"), 152.0},
                               {5, Day(5), 1, QStringLiteral("again"), 153.0},
                               {5, Day(6), 1, QStringLiteral("dayless"), 154.0},
                               {5, Day(5), 2, QStringLiteral("nan"), 12345.0}});
        {
            // pxlib writes a NaN as a tiny number: the NaN an old program left is put in by hand,
            // as the file keeps a positive double (big-endian, sign bit set).
            QFile line(old.filePath(QStringLiteral("OndoLine4.DB")));
            QVERIFY(line.open(QIODevice::ReadWrite));
            QByteArray bytes = line.readAll();
            const QByteArray marker = QByteArray::fromHex("c0c81c8000000000"); // 12345.0
            const int at = bytes.indexOf(marker);
            QVERIFY(at > 0);
            bytes.replace(at, 8, QByteArray::fromHex("fff8000000000000"));
            QVERIFY(line.seek(0));
            QCOMPARE(line.write(bytes), bytes.size());
        }

        const ParadoxImport::Plan plan = ParadoxImport::Import(old.path());
        QCOMPARE(TOndoKanri::FindHeader(QStringLiteral("K010"), QStringLiteral("X"), 0), top);
        QCOMPARE(Readings(top, Day(5)), QList<double>{150.0});
        const int moved = TOndoKanri::FindHeader(QStringLiteral("K011"), QStringLiteral("X"), 0);
        QVERIFY2(moved > 1 && moved != 5 && moved != top, qPrintable(QString::number(moved)));
        QCOMPARE(Readings(moved, Day(5)), QList<double>{151.0});
        QCOMPARE(Readings(5, Day(5)), QList<double>{152.0});
        QCOMPARE(Readings(1, Day(5)), QList<double>{160.0});
        const QString notes = plan.notes.join(QLatin1Char('\n'));
        for (const char* note :
             {"温度区分「負の区分」の ID '-3' は 0 以上の整数ではない",
              "日 (OndoHead4.DB) のない測定値 1 行", "同じ日・同じ番号の二つ目の行 1 行",
              "温度が数値でない測定値 1 行"})
            QVERIFY2(notes.contains(QString::fromUtf8(note)), qPrintable(notes));

        TOndoKanri next;
        next.Koji.Code() = QStringLiteral("K020");
        next.Gozai.DataName() = QStringLiteral("B");
        next.Kubun.ID = 0;
        next.Hiduke = Day(7);
        next.Register({{1, QStringLiteral("1"), 149.0}});
        QVERIFY2(next.ID > 0 && !QList<int>({1, 5, moved, top}).contains(next.ID),
                 qPrintable(QString::number(next.ID)));
        QCOMPARE(Readings(next.ID, Day(7)), QList<double>{149.0});
    }

private:
    std::unique_ptr<TempProfile> m_profile;
};

ONDO_TEST_MAIN(TestParadox, QApplication)
#include "test_paradox.moc"
