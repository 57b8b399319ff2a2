#include "DayFixture.h"

class TestDayKeeping : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void categoryFollowsItsRename()
    {
        Fixture f;
        f.entry.SetKubunName(Kubun0);
        f.entry.ChooseKubun();
        QSignalSpy names(&f.entry, &TDayEntry::kubunsChanged);
        Engine::Execute(
            QStringLiteral("update OndoKubun set KubunName = '出荷温度', "
                           "SokuteiKankaku = '2台毎', OndoRange = '170_171' where ID = 0"));
        f.entry.RefreshKubun();
        QCOMPARE(names.count(), 1);
        QCOMPARE(f.entry.Header().kubunName, QStringLiteral("出荷温度"));
        QCOMPARE(f.entry.Header().interval, QStringLiteral("2台毎"));
        f.entry.NumberRows(QStringLiteral("3"));
        f.entry.Simulate();
        for (int lno = 1; lno <= 3; ++lno)
            QVERIFY(f.entry.Cell(lno, 1) == "170" || f.entry.Cell(lno, 1) == "171");
    }

    // 30 readings summing to 5149.5 average 171.65: 171.7 as 四捨五入 and Excel's ROUND give,
    // shown and stored alike; half to even with RoundON.
    void averageRoundsOnTheDecimalValue()
    {
        Fixture f;
        QStringList temps;
        for (int i = 0; i < 15; ++i)
            temps << QStringLiteral("171.5") << QStringLiteral("171.8");
        f.header(QStringLiteral("K001"), Mix13, Kubun0, QStringLiteral("2024/11/06"));
        f.type(temps);
        QCOMPARE(f.statistics().at(2), QStringLiteral("171.7"));
        QVERIFY(f.entry.Register());
        Query q(QStringLiteral("select AvgOndo from OndoHead4"));
        q.Open();
        QCOMPARE(q.FieldDouble(QStringLiteral("AvgOndo")), 171.7);
        QCOMPARE(f.registered,
                 QStringList{QStringLiteral("2024/11/06 練上温度 30 件を登録しました")});

        TSettings::SetText(QStringLiteral("RoundON"), QStringLiteral("TRUE"));
        f.entry.SetCell(1, 1, QStringLiteral("171.5"));
        QCOMPARE(f.statistics().at(2), QStringLiteral("171.6"));
        QCOMPARE(RoundedMean({0.1, 0.2}, 2, RoundingRule::HalfUp), 0.15);
        QCOMPARE(RoundedMean({-0.25}, 1, RoundingRule::HalfUp), -0.3);
        QCOMPARE(RoundedMean({0.25}, 1, RoundingRule::HalfEven), 0.2);
        TSettings::SetText(QStringLiteral("RoundON"), QString());
    }

    // Time, truck and remark of each load; measurer, weather, air temperature, remark and the
    // simulated mark of each day: all stored, shown again, and carried by a copy of the data.
    void whatADayCarriesSurvives()
    {
        Fixture f;
        const auto fillDay = [&f](const QString& day, const QString& measurer) {
            f.header(QStringLiteral("K001"), Mix13, Kubun0, day);
            f.entry.ChooseDay();
            f.entry.SetSimei(measurer);
            f.type({QStringLiteral("150"), QStringLiteral("152")});
        };
        fillDay(QStringLiteral("2024/11/06"), QStringLiteral("山田"));
        f.entry.SetCell(1, TDayEntry::TimeColumn, QStringLiteral("８：０５"));
        f.entry.SetCell(1, TDayEntry::TruckColumn, QStringLiteral("12"));
        f.entry.SetCell(2, TDayEntry::RemarkColumn, QStringLiteral("再測定"));
        f.entry.SetWeather(QStringLiteral("晴"));
        f.entry.SetAirTemperature(QStringLiteral("１８．５"));
        f.entry.SetRemark(QStringLiteral("午後から舗設"));
        QVERIFY(f.entry.Register());
        fillDay(QStringLiteral("2024/11/07"), QStringLiteral("佐藤"));
        f.answers = {true};
        f.entry.Simulate();
        QVERIFY(f.entry.Register());

        const auto check = [](TDayEntry& e) {
            e.SetDayText(QStringLiteral("2024/11/06"));
            e.ChooseDay();
            QCOMPARE(e.Header().simei, QStringLiteral("山田")); // not the later day's 佐藤
            QCOMPARE(e.Header().weather, QStringLiteral("晴"));
            QCOMPARE(e.Header().airTemperature, QStringLiteral("18.5"));
            QCOMPARE(e.Header().remark, QStringLiteral("午後から舗設"));
            QCOMPARE(e.Cell(1, TDayEntry::TimeColumn), QStringLiteral("08:05"));
            QCOMPARE(e.Cell(1, TDayEntry::TruckColumn), QStringLiteral("12"));
            QCOMPARE(e.Cell(2, TDayEntry::RemarkColumn), QStringLiteral("再測定"));
            QVERIFY(!e.IsSimulated());
            e.SetDayText(QStringLiteral("2024/11/07"));
            e.ChooseDay();
            QCOMPARE(e.Header().simei, QStringLiteral("佐藤"));
            QVERIFY(e.IsSimulated());
            QCOMPARE(e.Header().weather, QString());
        };
        {
            TDayEntry again; // the program opened anew
            again.Start();
            again.SetKojiCode(QStringLiteral("K001"));
            again.SetGozaiName(Mix13);
            again.SetKubunName(Kubun0);
            again.ChooseKubun();
            check(again);
        }
        const QString here = Engine::CurrentFolder();
        const QString there = f.profile.root() + QStringLiteral("/copy");
        // A number never given (an older program's day) stays unknown, not 0.
        Engine::Execute(QStringLiteral("update OndoHead4 set Mogi = null where Mogi = 0"));
        DataCopy::Copy(here, there, false);
        Engine::OpenDatabase(there);
        {
            Query unknown(QStringLiteral("select count(*) as N from OndoHead4 where Mogi is null"));
            unknown.Open();
            QCOMPARE(unknown.FieldInt(QStringLiteral("N")), 1);
            TDayEntry copied;
            copied.Start();
            copied.OpenRecord(1);
            QCOMPARE(copied.Header().dayText, QStringLiteral("2024/11/07")); // the latest day
            check(copied);
        }
        Engine::OpenDatabase(here);

        // What cannot be stored as typed is refused by name.
        f.entry.SetCell(1, TDayEntry::TimeColumn, QStringLiteral("25:00"));
        QCOMPARE(Fixture::refusal([&] { f.entry.Register(); }),
                 QStringLiteral("1 行目の時刻「25:00」は 8:30 のように入力してください"));
        f.entry.SetCell(1, TDayEntry::TimeColumn, QString());
        f.entry.SetAirTemperature(QStringLiteral("暖かい"));
        QVERIFY(Fixture::refusal([&] { f.entry.Register(); }).startsWith(QStringLiteral("気温")));
    }

    // A category that stamps times gives a typed temperature the time it was typed.
    void temperatureTypedStampsTheTime()
    {
        Fixture f;
        Engine::Execute(QStringLiteral("update OndoKubun set JikokuJido = 1 where ID = 0"));
        f.entry.Now = [] { return QDateTime(QDate(2024, 11, 6), QTime(8, 30, 12)); };
        f.entry.SetKubunName(Kubun0);
        f.entry.ChooseKubun();
        f.entry.SetCell(1, 1, QStringLiteral("165"));
        QCOMPARE(f.entry.Cell(1, TDayEntry::TimeColumn), QStringLiteral("08:30"));
        f.entry.SetCell(1, TDayEntry::TimeColumn, QStringLiteral("8:10"));
        f.entry.SetCell(1, 1, QStringLiteral("166")); // a correction keeps the time
        QCOMPARE(f.entry.Cell(1, TDayEntry::TimeColumn), QStringLiteral("08:10"));
    }

    // Every way to another day asks about what is typed: 登録 stores it under the day it was
    // typed for, 登録しない drops it, キャンセル leaves everything as it was.
    void unsavedChangesAreAskedAbout()
    {
        Fixture f;
        f.header(QStringLiteral("K001"), Mix13, Kubun0, QStringLiteral("2024/11/06"));
        f.type({QStringLiteral("150")});
        QVERIFY(f.entry.Register());
        f.entry.SetCell(1, 1, QStringLiteral("151"));

        // キャンセル, for each way.
        const QList<std::pair<const char*, std::function<void()>>> ways{
            {"day",
             [&] {
                 f.entry.SetDayText(QStringLiteral("2024/11/07"));
                 f.entry.ChooseDay();
             }},
            {"category",
             [&] {
                 f.entry.SetKubunName(Kubun1);
                 f.entry.ChooseKubun();
             }},
            {"new", [&] { f.entry.New(); }},
            {"open", [&] { f.entry.OpenRecord(1); }},
            {"settle", [&] { QVERIFY(!f.entry.SettleUnsaved()); }},
        };
        for (const auto& [name, way] : ways) {
            f.asked.clear();
            way();
            QCOMPARE(f.asked, QStringList{QStringLiteral("変更を登録しますか？")});
            QVERIFY2(f.entry.Cell(1, 1) == QStringLiteral("151"), name);
            QVERIFY2(f.entry.Header().dayText == QStringLiteral("2024/11/06"), name);
            QVERIFY2(f.entry.Header().kubunName == Kubun0, name);
            QVERIFY2(f.entry.IsModified(), name);
        }
        QCOMPARE(stored(1, QStringLiteral("2024/11/06")), QStringList{"1 1 150"});

        // 登録 while moving to another day: stored under the day it was typed for.
        f.unsaved = {TUnsavedAnswer::Register};
        f.entry.SetDayText(QStringLiteral("2024/11/07"));
        f.entry.ChooseDay();
        QCOMPARE(stored(1, QStringLiteral("2024/11/06")), QStringList{"1 1 151"});
        QCOMPARE(f.entry.Header().dayText, QStringLiteral("2024/11/07"));
        QCOMPARE(f.entry.Statistics().count, 0); // an unregistered day shows empty

        // 登録しない: dropped.
        f.entry.SetCell(1, 1, QStringLiteral("160"));
        f.unsaved = {TUnsavedAnswer::Discard};
        f.entry.New();
        QCOMPARE(f.entry.Header().kojiCode, QString());
        QVERIFY(!f.entry.IsModified());
        QCOMPARE(stored(1, QStringLiteral("2024/11/07")), QStringList());

        // Registering over another stored day says what it replaces; no keeps it.
        f.header(QStringLiteral("K001"), Mix13, Kubun0, QStringLiteral("2024/11/08"));
        f.entry.ChooseDay();
        f.type({QStringLiteral("170"), QStringLiteral("171")});
        f.entry.SetDayText(QStringLiteral("2024/11/06"));
        f.asked.clear();
        QVERIFY(!f.entry.Register());
        QCOMPARE(f.asked, QStringList{QStringLiteral(
                              "2024/11/06 の練上温度は登録済みです（1 件、平均 151.0）。"
                              "表示中の 2 件で置き換えますか？")});
        QCOMPARE(stored(1, QStringLiteral("2024/11/06")), QStringList{"1 1 151"});

        // A deleted day shows empty.
        f.entry.SetDayText(QStringLiteral("2024/11/06"));
        f.unsaved = {TUnsavedAnswer::Discard}; // the typed 170, 171 go
        f.entry.ChooseDay();
        QCOMPARE(f.column(1, 1), QStringList{"151"});
        f.answers = {true};
        f.entry.DeleteDay();
        QCOMPARE(f.column(1, 1), QStringList{QString()});
        QCOMPARE(f.entry.Header().dayText, QStringLiteral("2024/11/06"));
        QVERIFY(!f.entry.IsModified());
    }

    // A data location of the layout before times, trucks, remarks and day conditions is
    // brought up to date when opened, after a backup, with nothing of it lost.
    void anOldLayoutOpensWithEverythingKept()
    {
        TempProfile profile;
        TSettings::SetText(QStringLiteral("BackupKeep"), QStringLiteral("3"));
        {
            Transaction tx;
            for (const Schema::Table& table : Schema::Tables()) {
                QList<Schema::Column> first;
                for (const Schema::Column& c : table.columns)
                    if (!c.addedLater)
                        first << c;
                Engine::CreateTable(table.name, first);
            }
            tx.Commit();
        }
        Engine::Execute(QStringLiteral("insert into OndoKubun (ID, ODR, KubunName, OndoRange) "
                                       "values (0, 0, '練上温度', '150_160')"));
        Engine::Execute(
            QStringLiteral("insert into OndoKanri4 (ID, KojiCode, GozaiName, "
                           "Sokuteisya, Kiji, Kubun, Kikakuti) values (1, 'K1', '密粒', "
                           "'山田', '', 0, '150_170::')"));
        TOndoKanri day;
        Query head(
            QStringLiteral("insert into OndoHead4 (KanriID, Hiduke, Kosu, MaxOndo, MiniOndo, "
                           "AvgOndo, Tekiyo) values (1, :D, 1, 155, 155, 155, '')"));
        head.BindDateTime(QStringLiteral("D"), ParseDate(QStringLiteral("2024/04/01")));
        head.ExecSQL();
        Query line(QStringLiteral("insert into OndoLine4 (KanriID, Hiduke, LNO, Sokuten, Ondo) "
                                  "values (1, :D, 1, '1', 155)"));
        line.BindDateTime(QStringLiteral("D"), ParseDate(QStringLiteral("2024/04/01")));
        line.ExecSQL();
        QVERIFY(!Engine::ColumnExists(QStringLiteral("OndoLine4"), QStringLiteral("Jikoku")));

        Engine::OpenDatabase(OnServer() ? TestServerUri() : QString());
        for (const Schema::Table& table : Schema::Tables())
            for (const Schema::Column& c : table.columns)
                QVERIFY2(Engine::ColumnExists(table.name, c.name), qPrintable(c.name));
        if (!OnServer())
            QCOMPARE(Backup::List(Engine::CurrentFolder()).size(), 1); // taken before

        TDayEntry entry;
        entry.Start();
        entry.OpenRecord(1);
        QCOMPARE(entry.Header().simei, QStringLiteral("山田"));
        QCOMPARE(entry.Header().specValue, QStringLiteral("150～170"));
        QCOMPARE(entry.Cell(1, 1), QStringLiteral("155"));
        QVERIFY(!entry.IsSimulated());
    }
    // The days of a record, and of a search by project, mix, category and period, with their
    // statistics, count outside the 規格値, measurer and weather, newest first.
    void registeredDaysAreListed()
    {
        Fixture f;
        for (const auto& [day, temps] :
             {std::pair{"2024/11/05", QStringList{"150", "190"}},
              std::pair{"2024/11/06", QStringList{"160", "161", "162"}}}) {
            f.header(QStringLiteral("K001"), Mix13, Kubun0, QLatin1String(day));
            f.entry.ChooseDay();
            f.entry.SetSpecValue(QStringLiteral("150～185"));
            f.entry.SetWeather(QStringLiteral("晴"));
            f.type(temps);
            QVERIFY(f.entry.Register());
        }
        f.header(QStringLiteral("K002"), Mix13, Kubun1, QStringLiteral("2024/11/06"));
        f.entry.ChooseDay();
        f.type({QStringLiteral("120")});
        QVERIFY(f.entry.Register());

        TDayList one = FindDays({QStringLiteral("K001"), Mix13, Kubun0, {}, {}});
        QCOMPARE(one.rows.size(), 2);
        QCOMPARE(one.rows[0].day.date(), QDate(2024, 11, 6)); // newest first
        QCOMPARE(one.rows[1].count, 2);
        QCOMPARE(one.rows[1].outside, 1); // 190 against 150～185
        QCOMPARE(one.rows[0].outside, 0);
        QCOMPARE(one.rows[0].weather, QStringLiteral("晴"));
        QCOMPARE(one.rows[0].kojimei, QStringLiteral("国道1号舗装工事"));

        TDayList day = FindDays({{}, {}, {}, QDate(2024, 11, 6), QDate(2024, 11, 6)});
        QCOMPARE(day.rows.size(), 2);
        QCOMPARE(FindDays({{}, {}, Kubun1, {}, {}}).rows.size(), 1);
        TDayQuery few{{}, {}, {}, {}, {}};
        few.limit = 2;
        QVERIFY(FindDays(few).cut);
        QVERIFY(Fixture::refusal([] {
                    FindDays({{}, {}, {}, QDate(2024, 11, 7), QDate(2024, 11, 6)});
                }).contains(QStringLiteral("期間")));

        f.entry.OpenDay(QStringLiteral("K001"), Mix13, Kubun0, one.rows[1].day);
        QCOMPARE(f.column(1, 2), (QStringList{"150", "190"}));
    }
};

ONDO_TEST_MAIN(TestDayKeeping, QCoreApplication)
#include "test_daykeeping.moc"
