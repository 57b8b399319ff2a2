#include "core/AppError.h"
#include "core/RegistryUtility.h"
#include "core/Utility.h"
#include "domain/DataCopy.h"
#include "domain/DayEntry.h"
#include "domain/RegisteredDays.h"
#include "storage/Backup.h"
#include "storage/Engine.h"
#include "storage/Query.h"
#include "storage/Schema.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QSignalSpy>

namespace {

const QString Kubun0 = QStringLiteral("練上温度");
const QString Kubun1 = QStringLiteral("初期締固前温度");
const QString Mix13 = QStringLiteral("密粒度13");

void seedRegisters()
{
    TOndoKanri::CreateTables();
    for (const auto& [code, name] :
         {std::pair{"K001", "国道1号舗装工事"}, {"K002", "県道舗装工事"}}) {
        TKoji koji;
        koji.Code() = QString::fromUtf8(code);
        koji.Kojimei() = QString::fromUtf8(name);
        koji.Save();
    }
    TGozai gozai;
    gozai.DataName() = Mix13;
    gozai.PrintName() = QStringLiteral("密粒度アスコン13");
    gozai.Save();
    for (const auto& [name, reading] : {std::pair{"山田", "やまだ"}, {"安藤", "あんどう"}}) {
        TSimei simei;
        simei.Simei() = QString::fromUtf8(name);
        simei.Furigana() = QString::fromUtf8(reading);
        simei.Save();
    }
    Engine::Execute(QStringLiteral(
        "update OndoKubun set SokuteiKankaku = '1台毎', OndoRange = '150_160' where ID = 0"));
    Engine::Execute(QStringLiteral("update OndoKubun set OndoRange = '140_170' where ID = 1"));
}

// A fresh data folder with registers and a session started on it, whose questions are answered
// from a list and recorded.
struct Fixture
{
    TempProfile profile;
    TDayEntry entry;
    QStringList asked;
    QStringList told;
    QList<bool> answers; // the next answers; none left: no
    QList<TUnsavedAnswer> unsaved; // the next answers to 変更を登録しますか？; none: キャンセル
    QStringList registered;

    Fixture()
    {
        seedRegisters();
        entry.Confirm = [this](const QString& question, bool) {
            asked << question;
            return !answers.isEmpty() && answers.takeFirst();
        };
        entry.Inform = [this](const QString& text) { told << text; };
        entry.AskUnsaved = [this](const QString& question) {
            asked << question;
            return unsaved.isEmpty() ? TUnsavedAnswer::Cancel : unsaved.takeFirst();
        };
        QObject::connect(&entry, &TDayEntry::registered,
                         [this](const QString& message) { registered << message; });
        entry.Start();
    }

    void header(const QString& code, const QString& mix, const QString& kubun, const QString& day)
    {
        entry.SetKojiCode(code);
        entry.SetGozaiName(mix);
        entry.SetKubunName(kubun);
        entry.SetDayText(day);
    }

    void type(const QStringList& temperatures)
    {
        entry.NumberRows(QString::number(temperatures.size()));
        for (int i = 0; i < temperatures.size(); ++i)
            entry.SetCell(i + 1, TDayEntry::TemperatureColumn, temperatures[i]);
    }

    QStringList column(int c, int rows = 6) const
    {
        QStringList cells;
        for (int lno = 1; lno <= rows; ++lno)
            cells << entry.Cell(lno, c);
        return cells;
    }

    QStringList statistics() const
    {
        const DayStatistics s = entry.Statistics();
        if (s.count == 0)
            return QStringList(4);
        return {FormatGeneral(s.maximum), FormatGeneral(s.minimum), FormatFixed(s.average, 1),
                QString::number(s.count)};
    }

    // The AppError text of a command, or empty when it passed.
    static QString refusal(const std::function<void()>& command)
    {
        try {
            command();
        } catch (const AppError& e) {
            return e.message();
        }
        return QString();
    }
};

int countRows(const QString& sql)
{
    Query q(sql);
    q.Open();
    return q.RecordCount();
}

QStringList stored(int id, const QString& day)
{
    Query q(QStringLiteral("select LNO, Sokuten, Ondo from OndoLine4 where KanriID = :A and "
                           "Hiduke = :B order by LNO"));
    q.BindInt(QStringLiteral("A"), id);
    q.BindDateTime(QStringLiteral("B"), ParseDate(day));
    q.Open();
    QStringList rows;
    for (; !q.Eof(); q.Next())
        rows << QStringLiteral("%1 %2 %3")
                    .arg(q.FieldInt(QStringLiteral("LNO")))
                    .arg(q.FieldText(QStringLiteral("Sokuten")))
                    .arg(FormatGeneral(q.FieldDouble(QStringLiteral("Ondo"))));
    return rows;
}

} // namespace

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
        QCOMPARE(f.entry.Header().dayText, FormatDate(QDateTime::currentDateTime()));
        QCOMPARE(f.statistics(), QStringList(4));
        QVERIFY(!f.entry.IsModified());
    }

    // Numbering, typing, deleting and pasting: only labelled rows with a temperature are
    // readings, and the statistics and out-of-spec marks follow every change.
    void readingsAndTheirStatistics()
    {
        Fixture f;
        QSignalSpy changed(&f.entry, &TDayEntry::statisticsChanged);
        f.entry.SetCell(10, TDayEntry::TemperatureColumn, QStringLiteral("5000"));
        QCOMPARE(f.entry.Cell(10, 0), QStringLiteral("10")); // typed, it is a reading
        QCOMPARE(f.statistics(), (QStringList{"5000", "5000", "5000.0", "1"}));
        QVERIFY(f.entry.IsModified());

        // Numbering keeps what is typed; rows beyond the count go only when the user agrees.
        f.entry.SetCell(2, TDayEntry::TemperatureColumn, QStringLiteral("155"));
        f.entry.NumberRows(QStringLiteral("５")); // typed full-width; no: nothing changes
        QCOMPARE(f.asked.last(), QStringLiteral("5 行目より後の 1 行の入力を消しますか？"));
        QCOMPARE(f.entry.Cell(10, 1), QStringLiteral("5000"));
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
             QStringLiteral("1 行目の温度「-」は数値ではありません")},
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

        WriteSetting(QStringLiteral("RoundON"), QStringLiteral("TRUE"));
        f.entry.SetCell(1, 1, QStringLiteral("171.5"));
        QCOMPARE(f.statistics().at(2), QStringLiteral("171.6"));
        QCOMPARE(RoundedMean({0.1, 0.2}, 2, RoundingRule::HalfUp), 0.15);
        QCOMPARE(RoundedMean({-0.25}, 1, RoundingRule::HalfUp), -0.3);
        QCOMPARE(RoundedMean({0.25}, 1, RoundingRule::HalfEven), 0.2);
        WriteSetting(QStringLiteral("RoundON"), QString());
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
        DataCopy::Copy(here, there, false);
        Engine::OpenDatabase(there);
        {
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
        WriteSetting(QStringLiteral("BackupKeep"), QStringLiteral("3"));
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
    // statistics, out-of-spec count, measurer and weather, newest first.
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

ONDO_TEST_MAIN(TestDayEntry, QCoreApplication)
#include "test_dayentry.moc"
