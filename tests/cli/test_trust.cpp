// The record a reviewer can trust: every change kept with who, when and what, each day sealed,
// and --verify telling what was changed behind the program's back.
#include "domain/DayFixture.h"
#include "domain/History.h"
#include "domain/SiteReadings.h"
#include "domain/Verify.h"
#include "exchange/CsvImport.h"
#include "support/BatchRun.h"

#include <QTemporaryDir>

namespace {

const QString Day = QStringLiteral("2024/06/03");

QDateTime day()
{
    return ParseDate(Day);
}

// "what lno before → after (who)" of the project's entries, in their order.
QStringList changes()
{
    QStringList out;
    for (const History::TEntry& e : History::Read(QStringLiteral("K001"))) {
        out << QStringLiteral("%1 %2 %3 → %4 (%5)")
                   .arg(e.what)
                   .arg(e.lno)
                   .arg(e.before, e.after, e.who);
    }
    return out;
}

int rowsOf(const QString& sql)
{
    Query q(sql);
    q.Open();
    return q.RecordCount();
}

// A day registered through the session by 山田: three loads.
void registerDay(Fixture& f, const QStringList& temperatures)
{
    f.header(QStringLiteral("K001"), Mix13, Kubun0, Day);
    f.entry.SetSimei(QStringLiteral("山田"));
    f.type(temperatures);
    f.answers = {true, true};
    QVERIFY(f.entry.Register());
}

} // namespace

class TestTrust : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each kind of change writes its entries: the window's register and register again, the
    // phone's append, correction and removal, an import that replaces, a deletion and a
    // restore; each day's seal follows, and --verify finds nothing amiss.
    void everyChangeIsKept()
    {
        Fixture f;
        registerDay(f, {QStringLiteral("150"), QStringLiteral("152"), QStringLiteral("154")});
        // A new day is one entry; what is changed later, reading by reading.
        QCOMPARE(changes(), QStringList{"追加 0  → 3 件（最高 154 最低 150 平均 152.0） (山田)"});
        QCOMPARE(rowsOf(QStringLiteral("select * from OndoFuin")), 1);

        f.entry.SetCell(2, TDayEntry::TemperatureColumn, QStringLiteral("153"));
        f.entry.SetCell(3, TDayEntry::TemperatureColumn, QString());
        f.entry.SetCell(4, TDayEntry::TemperatureColumn, QStringLiteral("156"));
        QVERIFY(f.entry.Register());
        QCOMPARE(changes().mid(1), (QStringList{"修正 2 152 → 153 (山田)", "削除 3 154 →  (山田)",
                                                "追加 4  → 156 (山田)"}));
        // Registered again as it is: nothing to note.
        QVERIFY(f.entry.Register());
        QCOMPARE(changes().size(), 4);

        using namespace SiteReadings;
        const TSiteDay site{QStringLiteral("K001"), Mix13, 0, day().date()};
        TSiteEntry phone;
        phone.device = QStringLiteral("a1b2c3d4");
        phone.deviceName = QStringLiteral("山田のスマホ");
        phone.id = QStringLiteral("phone-0001");
        phone.temperature = QStringLiteral("157");
        phone.takenAt = QDateTime(day().date(), QTime(9, 5));
        Append(site, phone);
        phone.temperature = QStringLiteral("158");
        Correct(site, phone);
        Remove(site, phone);
        QCOMPARE(changes().mid(4), (QStringList{"追加 5  → 157 09:05 (山田のスマホ)",
                                                "修正 5 157 09:05 → 158 09:05 (山田のスマホ)",
                                                "削除 5 158 09:05 →  (山田のスマホ)"}));
        QCOMPARE(VerifyRecords().checked, 1);

        // A logger's file replaces the day: one entry for the day, what it held and holds.
        const CsvTable table = ParseCsv("2024/06/03 08:00,149\n2024/06/03 08:10,151\n");
        ImportCsvDays(CsvDays(table), {QStringLiteral("K001"), Mix13, Kubun0, QString()}, true);
        QCOMPARE(
            changes().last(),
            QStringLiteral("置換 0 3 件（最高 156 最低 150 平均 153.0） → 2 件（最高 151 最低 149 "
                           "平均 150.0） (山田)"));
        const TVerifyResult afterImport = VerifyRecords();
        QVERIFY2(afterImport.changed.isEmpty(), qPrintable(afterImport.changed.join('\n')));
        QCOMPARE(afterImport.checked, 1);

        f.entry.ShowDay(QStringLiteral("K001"), Mix13, Kubun0, day());
        f.answers = {true};
        f.entry.DeleteDay();
        QCOMPARE(changes().size(), 10);
        QVERIFY(changes().last().startsWith(QStringLiteral("削除 2 151 08:10 → ")));
        QCOMPARE(rowsOf(QStringLiteral("select * from OndoFuin")), 0);

        History::NoteRestore(QStringLiteral("/somewhere/kozeran-20240604-120000.sqlite"));
        const QList<History::TEntry> all = History::Read(QStringLiteral("K001"));
        QCOMPARE(all.last().what, History::Restored);
        QVERIFY(History::LineOf(all.last())
                    .endsWith(QStringLiteral(" 復元 kozeran-20240604-120000.sqlite")));
        QVERIFY(History::LineOf(all.at(1)).contains(
            QStringLiteral(" 山田 修正 密粒度13 練上温度 2024/06/03 2 台目 152 → 153")));
        for (int i = 0; i < all.size(); ++i)
            QCOMPARE(all.at(i).seq, i + 1);
        const TVerifyResult end = VerifyRecords();
        QVERIFY2(end.changed.isEmpty(), qPrintable(end.changed.join('\n')));

        // The command line prints the same lines, a period of test days too.
        const Run printed = Batch(
            {QStringLiteral("--history"), QStringLiteral("--project"), QStringLiteral("K001"),
             QStringLiteral("--from"), QStringLiteral("2024/06/03"), QStringLiteral("--to"),
             QStringLiteral("2024/06/03"), QStringLiteral("--data"), Engine::CurrentFolder()});
        QCOMPARE(printed.code, 0);
        QCOMPARE(printed.out.count(QLatin1Char('\n')), all.size());
        const Run none =
            Batch({QStringLiteral("--history"), QStringLiteral("--project"), QStringLiteral("K001"),
                   QStringLiteral("--mix"), QStringLiteral("粗粒"), QStringLiteral("--data"),
                   Engine::CurrentFolder()});
        QCOMPARE(none.out.count(QLatin1Char('\n')), 1); // the restore alone
    }

    // A change and its entries go together or not at all.
    void aFailedWriteLeavesNoEntry()
    {
        Fixture f;
        Engine::Execute(OnServer()
                            ? QStringLiteral("create function refuse() returns trigger language "
                                             "plpgsql as $$ begin raise exception 'refused'; "
                                             "end $$")
                            : QStringLiteral("create trigger refuse before insert on OndoLine4 "
                                             "begin select raise(abort, 'refused'); end"));
        if (OnServer())
            Engine::Execute(QStringLiteral("create trigger refuse before insert on OndoLine4 "
                                           "for each row execute function refuse()"));
        f.header(QStringLiteral("K001"), Mix13, Kubun0, Day);
        f.type({QStringLiteral("150")});
        QVERIFY(!Fixture::refusal([&] { f.entry.Register(); }).isEmpty());
        QCOMPARE(rowsOf(QStringLiteral("select * from OndoRireki")), 0);
        QCOMPARE(rowsOf(QStringLiteral("select * from OndoFuin")), 0);
        QCOMPARE(rowsOf(QStringLiteral("select * from OndoHead4")), 0);
    }

    // The seal is of the day's text in one fixed form (stored seals rely on it): readings in
    // load order whatever order they come in, a tab, line end or backslash escaped, UTF-8.
    void sealOfADayInItsFixedForm()
    {
        const History::TDayContent content{3, day(), false, 2, 170, 160.5, 165.25};
        const Reading second{2,
                             QStringLiteral("2"),
                             170,
                             QStringLiteral("08:02"),
                             QStringLiteral("品川\t1"),
                             QStringLiteral("a\\b\nc")};
        const Reading first{1,         QStringLiteral("1"), 160.5,
                            QString(), QString(),           QStringLiteral("備考")};
        const QString expected =
            QStringLiteral("98b9cc45539fab1e9dbe6c35127d279f8ebd7a1aeb60134dcfb56a9cd4969d74");
        QCOMPARE(History::DaySeal(content, {second, first}), expected);
        History::TSealText text;
        text.Begin(content);
        for (const Reading& r : {first, second})
            text.Add(r.LNO, r.Sokuten.toUtf8(), r.Ondo, r.Jikoku.toUtf8(), r.Syaryo.toUtf8(),
                     r.Biko.toUtf8());
        QCOMPARE(text.Seal(), expected);
        text.Begin(content);
        text.Add(1, "1", 160.5, {}, {}, QStringLiteral("備考 ").toUtf8());
        text.Add(2, "2", 170, "08:02", QStringLiteral("品川\t1").toUtf8(), "a\\b\nc");
        QVERIFY(text.Seal() != expected);
    }

    // What a SQLite tool or psql changes, adds or deletes, and an edited entry, is found and
    // named; a day stored before seals were kept is unsealed, never changed, until registered.
    void verifyFindsChangesBehindTheProgram()
    {
        Fixture f;
        registerDay(f, {QStringLiteral("150"), QStringLiteral("152"), QStringLiteral("154")});
        const int id = f.entry.ShownId();
        const auto verify = [] {
            return Batch(
                {QStringLiteral("--verify"), QStringLiteral("--data"), Engine::CurrentFolder()});
        };
        Run clean = verify();
        QCOMPARE(clean.code, 0);
        QCOMPARE(clean.out.trimmed(),
                 QStringLiteral("改ざんは見つかりませんでした（1 日を確認、封印のない 0 日）"));

        const QString named = QStringLiteral("工事 K001 / 密粒度13 / 練上温度 / 2024/06/03: "
                                             "温度が封印と違います");
        const QString where = QStringLiteral(" where KanriID = %1 and LNO = 2").arg(id);
        for (const QString& change :
             {QString(QStringLiteral("update OndoLine4 set Ondo = 162") + where),
              QString(QStringLiteral("delete from OndoLine4") + where),
              QStringLiteral("insert into OndoLine4 (KanriID, Hiduke, LNO, Sokuten, Ondo) select "
                             "KanriID, Hiduke, 9, '9', 155 from OndoHead4"),
              QStringLiteral("update OndoHead4 set Mogi = 1")}) {
            Engine::Execute(QStringLiteral("create table Saved as select * from OndoLine4"));
            Engine::Execute(QStringLiteral("create table SavedHead as select * from OndoHead4"));
            Engine::Execute(change);
            const Run found = verify();
            QCOMPARE(found.code, 1);
            QVERIFY2(found.out.contains(named), qPrintable(found.out + found.err));
            QVERIFY2(found.err.startsWith(QStringLiteral("封印と違うところが 1 か所あります")),
                     qPrintable(found.err));
            Engine::Execute(QStringLiteral("delete from OndoLine4"));
            Engine::Execute(QStringLiteral("insert into OndoLine4 select * from Saved"));
            Engine::Execute(QStringLiteral("delete from OndoHead4"));
            Engine::Execute(QStringLiteral("insert into OndoHead4 select * from SavedHead"));
            Engine::Execute(QStringLiteral("drop table Saved"));
            Engine::Execute(QStringLiteral("drop table SavedHead"));
            QCOMPARE(verify().code, 0);
        }

        // An entry edited: named by its number.
        Engine::Execute(QStringLiteral("update OndoRireki set Ato = Ato || '0' where Seq = 1"));
        Run edited = verify();
        QCOMPARE(edited.code, 1);
        QVERIFY2(edited.out.contains(QStringLiteral("履歴 1 番（")) &&
                     edited.out.contains(QStringLiteral("内容が封印と違います")),
                 qPrintable(edited.out));
        Engine::Execute(QStringLiteral(
            "update OndoRireki set Ato = substr(Ato, 1, length(Ato) - 1) where Seq = 1"));
        QCOMPARE(verify().code, 0);

        // A day of old: no seal, not changed; registered again, sealed.
        Engine::Execute(QStringLiteral("insert into OndoHead4 (KanriID, Hiduke, Kosu, MaxOndo, "
                                       "MiniOndo, AvgOndo, Mogi) values (%1, '2024-06-01 "
                                       "00:00:00', 1, 151, 151, 151, 0)")
                            .arg(id));
        Engine::Execute(QStringLiteral("insert into OndoLine4 (KanriID, Hiduke, LNO, Sokuten, "
                                       "Ondo) values (%1, '2024-06-01 00:00:00', 1, '1', 151)")
                            .arg(id));
        clean = verify();
        QCOMPARE(clean.code, 0);
        QCOMPARE(clean.out.trimmed(),
                 QStringLiteral("改ざんは見つかりませんでした（1 日を確認、封印のない 1 日）"));
        f.entry.ShowDay(QStringLiteral("K001"), Mix13, Kubun0,
                        ParseDate(QStringLiteral("2024/06/01")));
        QVERIFY(f.entry.Register());
        QCOMPARE(History::Read(QStringLiteral("K001")).last().what, History::Sealed);
        QVERIFY(verify().out.contains(QStringLiteral("2 日を確認、封印のない 0 日")));

        // Readings of one day lying apart in their table, as phones at two pavers write them:
        // still sealed, and a change among them still found.
        Engine::Execute(QStringLiteral("create table Saved as select * from OndoLine4"));
        Engine::Execute(QStringLiteral("delete from OndoLine4"));
        Engine::Execute(
            QStringLiteral("insert into OndoLine4 select * from Saved order by LNO desc, Hiduke"));
        Engine::Execute(QStringLiteral("drop table Saved"));
        QVERIFY(verify().out.contains(QStringLiteral("2 日を確認、封印のない 0 日")));
        Engine::Execute(QStringLiteral("update OndoLine4 set Ondo = 153") + where);
        const Run apart = verify();
        QCOMPARE(apart.code, 1);
        QVERIFY2(apart.out.contains(named), qPrintable(apart.out));
        Engine::Execute(QStringLiteral("update OndoLine4 set Ondo = 152") + where);
        QCOMPARE(verify().code, 0);

        // A day deleted behind the program's back leaves its seal.
        Engine::Execute(
            QStringLiteral("delete from OndoLine4 where Hiduke = '2024-06-01 00:00:00'"));
        Engine::Execute(
            QStringLiteral("delete from OndoHead4 where Hiduke = '2024-06-01 00:00:00'"));
        const Run gone = verify();
        QCOMPARE(gone.code, 1);
        QVERIFY2(gone.out.contains(QStringLiteral("2024/06/01: 封印のある日がありません")),
                 qPrintable(gone.out));
    }
};

ONDO_TEST_MAIN(TestTrust, QCoreApplication)
#include "test_trust.moc"
