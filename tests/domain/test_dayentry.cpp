#include "DayFixture.h"

class TestDayEntry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startShowsAnEmptyDayOfToday()
    {
        Fixture f;
        for (const char* table : {"OndoKanri4", "OndoHead4", "OndoLine4", "OndoKubun"})
            QVERIFY2(Engine::TableExists(QLatin1String(table)), table);
        QCOMPARE(f.entry.ShownId(), 0);
        QCOMPARE(f.statistics(), QStringList(4));
        QVERIFY(!f.entry.IsModified());
        // Today as the session's clock tells, a minute before the year ends.
        f.entry.Now = [] { return QDateTime(QDate(2026, 12, 31), QTime(23, 59)); };
        f.entry.Start();
        QCOMPARE(f.entry.Header().dayText, QStringLiteral("2026/12/31"));
        f.entry.New();
        QCOMPARE(f.entry.Header().dayText, QStringLiteral("2026/12/31"));
    }

    // Numbering, typing, deleting and pasting: only labelled rows with a temperature are
    // readings, and the statistics and the marks outside the 規格値 follow every change.
    void readingsAndTheirStatistics()
    {
        Fixture f;
        QSignalSpy changed(&f.entry, &TDayEntry::statisticsChanged);
        f.entry.SetCell(10, TDayEntry::TemperatureColumn, QStringLiteral("250"));
        QCOMPARE(f.entry.Cell(10, 0), QStringLiteral("10")); // typed, it is a reading
        QCOMPARE(f.statistics(), (QStringList{"250", "250", "250.0", "1"}));
        QVERIFY(f.entry.IsModified());

        // Numbering keeps what is typed; rows beyond the count go only when the user agrees.
        f.entry.SetCell(2, TDayEntry::TemperatureColumn, QStringLiteral("155"));
        f.entry.NumberRows(QStringLiteral("５")); // typed full-width; no: nothing changes
        QCOMPARE(f.asked.last(), QStringLiteral("5 行目より後の 1 行の入力を消しますか？"));
        QCOMPARE(f.entry.Cell(10, 1), QStringLiteral("250"));
        QCOMPARE(f.column(0), (QStringList{"", "2", "", "", "", ""}));
        f.answers = {true};
        f.entry.NumberRows(QStringLiteral("５"));
        QCOMPARE(f.column(0), (QStringList{"1", "2", "3", "4", "5", ""}));
        QCOMPARE(f.entry.Cell(2, 1), QStringLiteral("155"));
        QCOMPARE(f.entry.Cell(10, 1), QString());
        const QStringList typed{QStringLiteral("１５２"), QStringLiteral("152．5"),
                                QStringLiteral("－5"), QStringLiteral("−7")};
        for (int i = 0; i < typed.size(); ++i)
            f.entry.SetCell(i + 1, TDayEntry::TemperatureColumn, typed[i]);
        QCOMPARE(f.column(1, 4), (QStringList{"152", "152.5", "-5", "-7"}));
        QCOMPARE(f.statistics(), (QStringList{"152.5", "-7", "73.1", "4"}));
        QVERIFY(changed.count() >= 5);

        f.entry.SetSpecValue(QStringLiteral("１５０～１６５"));
        QVERIFY(f.entry.HasSpec());
        QCOMPARE(f.entry.OutsideCount(), 2);
        QVERIFY(f.entry.IsOutside(3) && f.entry.IsOutside(4) && !f.entry.IsOutside(1));
        f.entry.SetSpecValue(QStringLiteral("高め"));
        QVERIFY(!f.entry.HasSpec());
        QVERIFY(!f.entry.IsOutside(3));

        f.entry.ClearCells({{3, 0}, {4, 0}});
        QCOMPARE(f.statistics(), (QStringList{"152.5", "152", "152.3", "2"}));

        f.answers = {true};
        f.entry.NumberRows(QStringLiteral("1000"));
        QCOMPARE(f.entry.Cell(999, 0), QStringLiteral("999"));
        QCOMPARE(f.entry.RowCount(), 999);
        f.answers = {true};
        f.entry.NumberRows(QStringLiteral("abc"));
        QCOMPARE(f.column(0, 100), QStringList(100));
        QCOMPARE(f.entry.RowCount(), TDayEntry::ShownRows);
    }

    void pasteAndCopyAsSpreadsheetText()
    {
        Fixture f;
        f.entry.SetCell(1, 1, QStringLiteral("150"));
        f.entry.Paste(QStringLiteral("151\t8:5\t12\t備考a\r\n１５２\n\n153\n"), 2, 1);
        QCOMPARE(f.column(0, 5), (QStringList{"1", "2", "3", "4", "5"}));
        QCOMPARE(f.column(1, 5), (QStringList{"150", "151", "152", "", "153"}));
        QCOMPARE(f.entry.Cell(2, TDayEntry::TimeColumn), QStringLiteral("08:05"));
        QCOMPARE(f.entry.Cell(2, TDayEntry::TruckColumn), QStringLiteral("12"));
        QCOMPARE(f.entry.Cell(2, TDayEntry::RemarkColumn), QStringLiteral("備考a"));
        QCOMPARE(f.statistics(), (QStringList{"153", "150", "151.5", "4"}));
        QCOMPARE(f.entry.CopyText(2, 0, 3, 1), QStringLiteral("2\t151\n3\t152\n"));

        // A large paving day: up to 999 loads, the grid growing one row past the last.
        QStringList many;
        for (int i = 0; i < 1005; ++i)
            many << QString::number(140 + i % 20);
        QCOMPARE(f.entry.Paste(many.join(QLatin1Char('\n')), 1, 1), 6);
        QCOMPARE(f.told, QStringList{QStringLiteral(
                             "貼り付けは 999 行目までです。残りの 6 行は取り込みませんでした。")});
        QCOMPARE(f.entry.Statistics().count, 999);
        QCOMPARE(f.entry.RowCount(), 999);
    }

    void simulationStaysInTheCategorysRange()
    {
        Fixture f;
        f.entry.SetKubunName(Kubun0);
        f.entry.ChooseKubun();
        QCOMPARE(f.entry.Header().interval, QStringLiteral("1台毎"));
        f.entry.NumberRows(QStringLiteral("5"));
        f.entry.SetCell(8, 2, QStringLiteral("08:00")); // a time, no temperature: no reading
        QVERIFY(!f.entry.IsSimulated());
        for (int round = 0; round < 20; ++round) {
            f.answers = {true}; // replace what the last round filled
            f.entry.Simulate();
            QVERIFY(f.entry.IsSimulated());
            for (int lno = 1; lno <= 5; ++lno) {
                bool whole = false;
                const int v = f.entry.Cell(lno, 1).toInt(&whole);
                QVERIFY2(whole && v >= 150 && v <= 160, qPrintable(f.entry.Cell(lno, 1)));
            }
            QCOMPARE(f.entry.Cell(8, 1), QString()); // unlabelled: left alone
            QCOMPARE(f.entry.Statistics().count, 5);
        }
        // Typed readings are replaced only when the user agrees.
        f.entry.SetCell(1, 1, QStringLiteral("120"));
        f.entry.Simulate();
        QCOMPARE(f.asked.last(),
                 QStringLiteral("入力済みの温度 5 件をシミュレーションの値で置き換えますか？"));
        QCOMPARE(f.entry.Cell(1, 1), QStringLiteral("120"));
        // A range without both bounds changes nothing and says what is missing.
        const QStringList temps = f.column(1, 10);
        for (const QString& range : {QString(), QStringLiteral("150_")}) {
            Engine::Execute(
                QStringLiteral("update OndoKubun set OndoRange = '%1' where ID = 1").arg(range));
            f.entry.SetKubunName(Kubun1);
            f.unsaved = {TUnsavedAnswer::Discard};
            f.entry.ChooseKubun();
            f.entry.Paste(temps.join(QLatin1Char('\n')), 1, 1);
            const QStringList before = f.column(1, 10);
            f.answers = {true};
            const QString refused = Fixture::refusal([&] { f.entry.Simulate(); });
            QVERIFY2(refused.contains("150～160"), qPrintable(refused));
            QCOMPARE(f.column(1, 10), before);
        }
    }

    // A whole day of work: register, register again, another day, back to the first.
    void dayOfWork()
    {
        Fixture f;
        f.entry.TakeProject(QStringLiteral("K001"));
        QCOMPARE(f.entry.Header().kojiName, QStringLiteral("国道1号舗装工事"));
        f.header(QStringLiteral("K001"), Mix13, Kubun0, QStringLiteral("2024/03/10"));
        f.entry.ChooseKubun();
        QCOMPARE(f.entry.SimeiNames().first(), QStringLiteral("安藤")); // by reading
        f.entry.SetSimei(QStringLiteral("山田"));
        f.entry.SetSpecValue(QStringLiteral("150_170"));
        f.type({QStringLiteral("152.4"), QStringLiteral("150"), QStringLiteral("148")});
        QCOMPARE(f.statistics(), (QStringList{"152.4", "148", "150.1", "3"}));
        QVERIFY(f.entry.IsModified());

        QSignalSpy idChanged(&f.entry, &TDayEntry::shownIdChanged);
        QVERIFY(f.entry.Register());
        QCOMPARE(f.entry.ShownId(), 1);
        QCOMPARE(idChanged.count(), 1);
        QVERIFY(!f.entry.IsModified());
        {
            Query q(
                QStringLiteral("select * from OndoKanri4 inner join OndoHead4 on KanriID = ID"));
            q.Open();
            QCOMPARE(q.RecordCount(), 1);
            QCOMPARE(q.FieldText(QStringLiteral("Sokuteisya")), QStringLiteral("山田"));
            QCOMPARE(q.FieldInt(QStringLiteral("Kubun")), 0);
            QVERIFY(q.FieldText(QStringLiteral("Kikakuti")).startsWith(QStringLiteral("150_170:")));
            QCOMPARE(q.FieldDateTime(QStringLiteral("Hiduke")),
                     ParseDate(QStringLiteral("2024/03/10")));
            QCOMPARE(q.FieldInt(QStringLiteral("Kosu")), 3);
            QCOMPARE(q.FieldDouble(QStringLiteral("AvgOndo")), 150.1);
        }
        QCOMPARE(stored(1, QStringLiteral("2024/03/10")),
                 (QStringList{"1 1 152.4", "2 2 150", "3 3 148"}));

        // Again without the label of row 2: the day is replaced, not doubled.
        f.entry.ClearCells({{2, 0}});
        QVERIFY(f.entry.Register());
        QCOMPARE(stored(1, QStringLiteral("2024/03/10")), (QStringList{"1 1 152.4", "3 3 148"}));
        QCOMPARE(countRows(QStringLiteral("select * from OndoHead4 where Kosu = 2")), 1);

        // Another day under the same header; the day list then holds both.
        f.entry.SetDayText(QStringLiteral("2024/03/11"));
        f.entry.SetCell(1, 0, QStringLiteral("A-1")); // labels need not be numbers
        QVERIFY(f.entry.Register());
        QCOMPARE(countRows(QStringLiteral("select * from OndoHead4 where KanriID = 1")), 2);
        QCOMPARE(f.entry.DayList(), (QStringList{"2024/03/10", "2024/03/11"}));

        f.entry.SetDayText(QStringLiteral("2024/03/10"));
        f.entry.ChooseDay();
        QCOMPARE(f.column(0, 3), (QStringList{"1", "", "3"}));
        QCOMPARE(f.column(1, 3), (QStringList{"152.4", "", "148"})); // as stored
        QCOMPARE(f.entry.Header().interval, QStringLiteral("1台毎"));
        QVERIFY(!f.entry.IsModified());
        QVERIFY(f.entry.Register()); // what is shown changes no stored reading
        QCOMPARE(stored(1, QStringLiteral("2024/03/10")).first(), QStringLiteral("1 1 152.4"));
    }

    // Nothing typed, nothing asked: a registered day opened and left for another day, category,
    // stored day or record asks no question, whatever set its boxes to what they show (the
    // window filling them, an input method's empty event, the measurer chosen again). What was
    // typed is asked about, even typed back as it was.
    void openedDaysAskNothingUntilTyped()
    {
        Fixture f;
        for (const char* day : {"2024/07/01", "2024/07/02"}) {
            f.header(QStringLiteral("K001"), Mix13, Kubun0, QLatin1String(day));
            f.entry.SetSimei(QStringLiteral("山田"));
            f.entry.SetSpecValue(QStringLiteral("150-160"));
            f.entry.SetWeather(QStringLiteral("曇"));
            f.entry.SetAirTemperature(QStringLiteral("12"));
            f.entry.SetRemark(QStringLiteral("午前"));
            const bool second = QLatin1String(day).endsWith(QLatin1String("02"));
            f.type({second ? QStringLiteral("155") : QStringLiteral("151"), QStringLiteral("153")});
            f.entry.SetCell(1, TDayEntry::RemarkColumn, QStringLiteral("1台目"));
            QVERIFY(f.entry.Register());
        }
        const QDateTime first = ParseDate(QStringLiteral("2024/07/01"));
        const auto open = [&] {
            f.entry.New();
            f.entry.OpenDay(QStringLiteral("K001"), Mix13, Kubun0, first);
            QCOMPARE(f.entry.Cell(1, 1), QStringLiteral("151"));
        };
        const auto setAsShown = [&] {
            const TDayHeader h = f.entry.Header();
            f.entry.SetSimei(h.simei);
            f.entry.TakeSimei(h.simei);
            f.entry.SetSpecValue(h.specValue);
            f.entry.SetWeather(h.weather);
            f.entry.SetAirTemperature(h.airTemperature);
            f.entry.SetRemark(h.remark);
            f.entry.SetCell(1, TDayEntry::RemarkColumn, f.entry.Cell(1, TDayEntry::RemarkColumn));
        };
        const QList<std::pair<const char*, std::function<void()>>> ways{
            {"day",
             [&] {
                 f.entry.SetDayText(QStringLiteral("2024/07/02"));
                 f.entry.ChooseDay();
             }},
            {"category",
             [&] {
                 f.entry.SetKubunName(Kubun1);
                 f.entry.ChooseKubun();
             }},
            {"stored day",
             [&] {
                 f.entry.OpenDay(QStringLiteral("K001"), Mix13, Kubun0,
                                 ParseDate(QStringLiteral("2024/07/02")));
             }},
            {"record", [&] { f.entry.OpenRecord(1); }},
            {"new", [&] { f.entry.New(); }},
        };
        for (const auto& [name, way] : ways) {
            open();
            setAsShown();
            QVERIFY2(!f.entry.IsModified(), name);
            f.asked.clear();
            way();
            QVERIFY2(f.asked.isEmpty(), qPrintable(f.asked.join(QLatin1Char('\n'))));
            QVERIFY2(f.entry.Cell(1, 1) != QStringLiteral("151") || QLatin1String(name) == "record",
                     name); // the other day shows
        }

        const QList<std::pair<const char*, std::function<void()>>> typings{
            {"remark typed back",
             [&] {
                 f.entry.SetRemark(QStringLiteral("午後"));
                 f.entry.SetRemark(QStringLiteral("午前"));
             }},
            {"another measurer", [&] { f.entry.TakeSimei(QStringLiteral("安藤")); }},
            {"a cell", [&] { f.entry.SetCell(2, 1, QStringLiteral("154")); }},
        };
        for (const auto& [name, typing] : typings) {
            open();
            typing();
            QVERIFY2(f.entry.IsModified(), name);
            f.asked.clear();
            f.unsaved = {TUnsavedAnswer::Discard};
            f.entry.SetDayText(QStringLiteral("2024/07/02"));
            f.entry.ChooseDay();
            QCOMPARE(f.asked, QStringList{QStringLiteral("変更を登録しますか？")});
        }
        QCOMPARE(stored(1, QStringLiteral("2024/07/01")), (QStringList{"1 1 151", "2 2 153"}));
    }

    // Choosing a category or a mix loads the stored header; a category without one empties
    // only the readings.
    void choosingLoadsStoredHeaders()
    {
        Fixture f;
        f.header(QStringLiteral("K001"), Mix13, Kubun0, QStringLiteral("2024/04/01"));
        f.entry.SetSimei(QStringLiteral("山田"));
        f.type({QStringLiteral("151"), QStringLiteral("153")});
        QVERIFY(f.entry.Register());

        f.entry.New();
        QCOMPARE(f.entry.Header().kojiCode, QString());
        f.header(QStringLiteral("K001"), Mix13, Kubun0, QStringLiteral("2024/04/01"));
        f.entry.ChooseKubun();
        QCOMPARE(f.entry.ShownId(), 1);
        QCOMPARE(f.entry.Header().simei, QStringLiteral("山田"));
        QCOMPARE(f.column(1, 3), (QStringList{"151", "153", ""}));

        f.entry.SetKubunName(Kubun1);
        f.entry.ChooseKubun();
        QCOMPARE(f.column(1, 3), QStringList(3));
        QCOMPARE(f.entry.Header().simei, QStringLiteral("山田"));
        QCOMPARE(f.entry.ShownId(), 0);
        // A new record's specified value and range start as its category's range.
        QCOMPARE(f.entry.Header().specRange, QStringLiteral("140～170")); // seeded for ID 1
        QCOMPARE(f.entry.Header().specValue, QStringLiteral("140～170"));

        // A day the header lacks: that day, new and empty.
        f.header(QStringLiteral("K001"), Mix13, Kubun0, QStringLiteral("2024/04/02"));
        f.entry.ChooseKubun();
        QCOMPARE(f.entry.Header().dayText, QStringLiteral("2024/04/02"));
        QCOMPARE(f.column(1, 1), QStringList{QString()});
        QCOMPARE(f.entry.ShownId(), 1);

        // The mix picker lists the project's records; the chosen one opens.
        f.entry.New();
        f.entry.SetKojiCode(QStringLiteral("K001"));
        const ListViewData records = f.entry.RecordList(false);
        QCOMPARE(records.rows.size(), 1);
        f.entry.OpenRecord(records.rows.first().subItems.value(3).toInt());
        QCOMPARE(f.entry.Header().gozaiName, Mix13);
        QCOMPARE(f.entry.Header().printName, QStringLiteral("密粒度アスコン13"));
        QCOMPARE(f.entry.Header().kubunName, Kubun0);
        QCOMPARE(f.column(1, 2), (QStringList{"151", "153"}));

        // A mix chosen in its register without a record of the project empties the record,
        // after asking about what was typed.
        f.entry.SetSpecValue(QStringLiteral("150_160"));
        f.entry.TakeGozai(QStringLiteral("新合材")); // キャンセル: as it was
        QCOMPARE(f.entry.Header().gozaiName, Mix13);
        QCOMPARE(f.entry.Header().specValue, QStringLiteral("150_160")); // as typed
        f.unsaved = {TUnsavedAnswer::Discard};
        f.entry.TakeGozai(QStringLiteral("新合材"));
        QCOMPARE(f.entry.Header().gozaiName, QStringLiteral("新合材"));
        QCOMPARE(f.entry.Header().printName, QStringLiteral("新合材"));
        QCOMPARE(f.entry.Header().kojiCode, QStringLiteral("K001"));
        QCOMPARE(f.entry.Header().specValue, QString());
    }

    void anotherUsersDayIsNotOverwrittenUnasked()
    {
        Fixture f;
        f.header(QStringLiteral("K001"), Mix13, Kubun0, QStringLiteral("2024/05/01"));
        f.type({QStringLiteral("150"), QStringLiteral("160")});
        QVERIFY(f.entry.Register());
        TOndoKanri other; // someone else registers the same day in between
        other.LoadByID(1);
        other.Kosu = 3;
        QVERIFY(other.Register({{1, QStringLiteral("1"), 170.0},
                                {2, QStringLiteral("2"), 171.0},
                                {3, QStringLiteral("3"), 172.0}}));

        f.entry.SetCell(1, 1, QStringLiteral("155"));
        QVERIFY(!f.entry.Register());
        QCOMPARE(f.asked, QStringList{QStringLiteral(
                              "この試験日は他の利用者が変更しています。上書きしますか？")});
        QCOMPARE(f.column(1, 4), (QStringList{"170", "171", "172", ""})); // theirs, shown
        QCOMPARE(countRows(QStringLiteral("select * from OndoLine4")), 3);

        f.entry.SetCell(1, 1, QStringLiteral("155")); // now it is the day this session saw
        QVERIFY(f.entry.Register());
        QCOMPARE(f.asked.size(), 1);
        QCOMPARE(countRows(QStringLiteral("select * from OndoLine4 where Ondo = 155")), 1);
    }

    // 削除 and この試験日を削除 act on the record and day shown, after asking.
    void deletingTheShownRecordAndDay()
    {
        Fixture f;
        for (const char* day : {"2024/09/01", "2024/09/02"}) {
            f.header(QStringLiteral("K001"), Mix13, Kubun0, QLatin1String(day));
            f.type({QStringLiteral("150")});
            QVERIFY(f.entry.Register());
        }
        f.header(QStringLiteral("K002"), Mix13, Kubun0, QStringLiteral("2024/09/01"));
        f.type({QStringLiteral("140")});
        QVERIFY(f.entry.Register());

        f.header(QStringLiteral("K001"), QStringLiteral("粗粒度20"), Kubun0,
                 QStringLiteral("2024/09/01"));
        QCOMPARE(f.entry.ShownId(), 0);
        QCOMPARE(Fixture::refusal([&] { f.entry.DeleteRecord(); }),
                 QStringLiteral("表示中の記録は登録されていません"));
        f.header(QStringLiteral("K001"), Mix13, Kubun0, QStringLiteral("2024/09/03"));
        QCOMPARE(Fixture::refusal([&] { f.entry.DeleteDay(); }),
                 QStringLiteral("表示中の試験日は登録されていません"));

        for (const char* day : {"2024/09/01", "2024/09/02"}) {
            f.entry.SetDayText(QLatin1String(day));
            f.answers = {true};
            f.entry.DeleteDay();
            QCOMPARE(f.asked.last(),
                     QStringLiteral("工事 K001 / 密粒度13 / 練上温度 の %1 の記録を削除しますか？")
                         .arg(QLatin1String(day)));
        }
        QCOMPARE(countRows(QStringLiteral("select * from OndoKanri4 where ID = 1")), 0);
        QCOMPARE(f.entry.ShownId(), 0); // the header went with its last day

        f.header(QStringLiteral("K002"), Mix13, Kubun0, QStringLiteral("2024/09/01"));
        f.entry.DeleteRecord(); // no: nothing changes
        QCOMPARE(
            f.asked.last(),
            QStringLiteral("工事 K002 / 密粒度13 / 練上温度 の記録（1 日分）を削除しますか？"));
        QCOMPARE(countRows(QStringLiteral("select * from OndoKanri4")), 1);
        f.answers = {true};
        f.entry.DeleteRecord();
        QCOMPARE(countRows(QStringLiteral("select * from OndoKanri4")), 0);
        QCOMPARE(countRows(QStringLiteral("select * from OndoLine4")), 0);
        QCOMPARE(f.entry.Header().kojiCode, QStringLiteral("K002")); // still shown

        // Stored again it is a new header.
        f.type({QStringLiteral("141")});
        QVERIFY(f.entry.Register());
        QCOMPARE(f.entry.ShownId(), 1); // numbered anew: no header is left
    }

    // 登録 refuses what nobody could find again, and offers to register a new project.
    void registerRefusesUnreachableDays()
    {
        Fixture f;
        f.type({QStringLiteral("150")});
        const QList<std::pair<std::function<void()>, QString>> cases{
            {[&] { f.entry.SetDayText(QStringLiteral("3月の初め")); },
             QStringLiteral("試験日が正しくありません")},
            {[&] { f.entry.SetDayText(QStringLiteral("２０２４／１０／０１")); },
             QStringLiteral("工事コードが入力されていません")},
            {[&] { f.entry.SetKojiCode(QStringLiteral("K009")); },
             QStringLiteral("合材名が入力されていません")},
            {[&] { f.entry.SetGozaiName(Mix13); }, QStringLiteral("区分名が入力されていません")},
            {[&] { f.entry.SetKubunName(QStringLiteral("舗設温度")); },
             QStringLiteral("区分名「舗設温度」は温度区分に登録されていません")},
            {[&] {
                 f.entry.SetKubunName(Kubun0);
                 f.entry.SetCell(1, 1, QStringLiteral("-"));
             },
             QStringLiteral(
                 "1 行目の温度を直してから登録してください。「-」は温度として読めません")},
            {[&] { f.entry.SetCell(1, 1, QString()); }, QStringLiteral("温度が入力されていません")},
            {[&] {
                 f.entry.SetCell(1, 1, QStringLiteral("150"));
                 f.entry.SetSpecValue(QStringLiteral("高め"));
             },
             QStringLiteral("規格値は 150～160 のように入力してください（片側だけなら 110～）")},
        };
        for (const auto& c : cases) {
            c.first();
            QCOMPARE(Fixture::refusal([&] { f.entry.Register(); }), c.second);
        }
        QCOMPARE(countRows(QStringLiteral("select * from OndoKanri4")), 0);

        f.entry.SetSpecValue(QStringLiteral("150-165"));
        f.entry.SetKojiName(QStringLiteral("市道工事"));
        QVERIFY(!f.entry.Register()); // no to registering the project
        QCOMPARE(f.asked.last(),
                 QStringLiteral("工事コード「K009」は工事に登録されていません。"
                                "工事名「市道工事」で登録してから記録を登録しますか？"));
        QCOMPARE(countRows(QStringLiteral("select * from OndoKanri4")), 0);
        f.answers = {true};
        QVERIFY(f.entry.Register());
        QCOMPARE(f.entry.Header().specValue, QStringLiteral("150～165")); // as people write it
        TKoji added;
        added.Load(QStringLiteral("K009"));
        QCOMPARE(added.Kojimei(), QStringLiteral("市道工事"));
    }

    // A typo stays as typed, with its reason; it is no reading until corrected, and 登録 asks
    // for the correction first, storing nothing.
    void typosStayTypedAndCountForNothing()
    {
        Fixture f;
        const QString day = QStringLiteral("2024/06/03");
        f.header(QStringLiteral("K001"), Mix13, Kubun0, day);
        QSignalSpy refused(&f.entry, &TDayEntry::temperatureRefused);
        f.type({QStringLiteral("150"), QStringLiteral("13.5.2"), QStringLiteral("152"),
                QStringLiteral("1350")});
        QCOMPARE(f.column(1, 4), (QStringList{"150", "13.5.2", "152", "1350"}));
        QCOMPARE(f.statistics(), (QStringList{"152", "150", "151.0", "2"}));
        QCOMPARE(refused.count(), 2);
        QCOMPARE(refused.at(0).at(0).toInt(), 2);
        QCOMPARE(refused.at(1).at(1).toString(),
                 QStringLiteral("「1350」は温度の範囲 (−20〜300 ℃) の外です"));
        QCOMPARE(f.entry.Refusal(2), QStringLiteral("「13.5.2」は温度として読めません"));
        QVERIFY(f.entry.Refusal(1).isEmpty() && f.entry.Refusal(5).isEmpty());
        QCOMPARE(f.entry.FirstRefused(), 2);
        QCOMPARE(Fixture::refusal([&] { f.entry.Register(); }),
                 QStringLiteral("2 行目の温度を直してから登録してください。"
                                "「13.5.2」は温度として読めません"));
        QCOMPARE(countRows(QStringLiteral("select * from OndoLine4")), 0);

        f.entry.Paste(QStringLiteral("153\nl62\n"), 2, TDayEntry::TemperatureColumn);
        QCOMPARE(f.entry.FirstRefused(), 3);
        QCOMPARE(refused.last().at(1).toString(), QStringLiteral("「l62」は温度として読めません"));
        f.entry.SetCell(3, TDayEntry::TemperatureColumn, QStringLiteral("１６２"));
        f.entry.SetCell(4, TDayEntry::TemperatureColumn, QStringLiteral("135.5"));
        QCOMPARE(f.entry.FirstRefused(), 0);
        QCOMPARE(f.statistics(), (QStringList{"162", "135.5", "150.1", "4"}));
        QVERIFY(f.entry.Register());
        QCOMPARE(stored(1, day), (QStringList{"1 1 150", "2 2 153", "3 3 162", "4 4 135.5"}));
    }

    void failedRegisterLeavesTheStoredDay()
    {
        if (OnServer())
            QSKIP("the refusing trigger is written for SQLite");
        Fixture f;
        const QString day = QStringLiteral("2024/06/01");
        f.header(QStringLiteral("K001"), Mix13, Kubun0, day);
        f.type({QStringLiteral("150"), QStringLiteral("152"), QStringLiteral("148")});
        QVERIFY(f.entry.Register());
        const QStringList before = stored(1, day);
        Engine::Execute(
            QStringLiteral("create trigger refuse before insert on OndoLine4 "
                           "when new.Sokuten = 'x' begin select raise(abort, 'refused'); end"));
        f.entry.SetCell(1, 1, QStringLiteral("170"));
        f.entry.SetCell(3, 0, QStringLiteral("x"));
        QVERIFY(!Fixture::refusal([&] { f.entry.Register(); }).isEmpty());
        QCOMPARE(stored(1, day), before);
        QCOMPARE(countRows(QStringLiteral("select * from OndoHead4 where MaxOndo = 152")), 1);
        QVERIFY(f.entry.IsModified());

        Engine::Execute(QStringLiteral("drop trigger refuse"));
        QVERIFY(f.entry.Register());
        QCOMPARE(stored(1, day), (QStringList{"1 1 170", "2 2 152", "3 x 148"}));
    }

    // The categories edited elsewhere: the shown one keeps its identifier through a rename.
};

ONDO_TEST_MAIN(TestDayEntry, QCoreApplication)
#include "test_dayentry.moc"
