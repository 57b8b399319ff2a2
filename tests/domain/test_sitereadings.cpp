#include "core/AppError.h"
#include "core/Utility.h"
#include "domain/DayEntry.h"
#include "domain/SiteReadings.h"
#include "storage/Engine.h"
#include "storage/Query.h"
#include "support/TestSupport.h"

#include <QCoreApplication>

using namespace SiteReadings;

namespace {

const QString Mix = QStringLiteral("密粒度13");
const QString Kubun0 = QStringLiteral("練上温度");
const QString Phone = QStringLiteral("a1b2c3d4");

struct Fixture
{
    TempProfile profile;
    TSiteDay day{QStringLiteral("K001"), Mix, 0, QDate(2024, 11, 6)};
    int phone = 0;

    Fixture()
    {
        TOndoKanri::CreateTables();
        TKoji koji;
        koji.Code() = QStringLiteral("K001");
        koji.Kojimei() = QStringLiteral("国道1号舗装工事");
        koji.Save();
        TGozai gozai;
        gozai.DataName() = Mix;
        gozai.Save();
        Engine::Execute(QStringLiteral(
            "update OndoKubun set SokuteiKankaku = '1台毎', OndoRange = '150_160' where ID = 0"));
    }

    TSiteEntry entry(const QString& temperature, const QString& truck = QString(),
                     const QString& device = Phone)
    {
        TSiteEntry e;
        e.device = device;
        e.id = QStringLiteral("phone-%1").arg(++phone, 4, 10, QLatin1Char('0'));
        e.temperature = temperature;
        e.takenAt = QDateTime(day.day, QTime(8, phone));
        e.truck = truck;
        return e;
    }

    // "LNO Sokuten Ondo Jikoku Syaryo Uketuke" of the stored readings of the day.
    QStringList stored() const
    {
        Query q(QStringLiteral("select LNO, Sokuten, Ondo, Jikoku, Syaryo, Uketuke from OndoLine4 "
                               "order by LNO"));
        q.Open();
        QStringList rows;
        for (; !q.Eof(); q.Next()) {
            QStringList fields{QString::number(q.FieldInt(QStringLiteral("LNO"))),
                               q.FieldText(QStringLiteral("Sokuten")),
                               FormatGeneral(q.FieldDouble(QStringLiteral("Ondo"))),
                               q.FieldText(QStringLiteral("Jikoku")),
                               q.FieldText(QStringLiteral("Syaryo")),
                               q.FieldText(QStringLiteral("Uketuke"))};
            fields.removeAll(QString());
            rows << fields.join(QLatin1Char(' '));
        }
        return rows;
    }

    QString summaryRow() const
    {
        Query q(QStringLiteral("select Kosu, MaxOndo, MiniOndo, AvgOndo from OndoHead4"));
        q.Open();
        if (q.Eof())
            return QString();
        return QStringLiteral("%1 %2 %3 %4")
            .arg(q.FieldInt(QStringLiteral("Kosu")))
            .arg(FormatGeneral(q.FieldDouble(QStringLiteral("MaxOndo"))),
                 FormatGeneral(q.FieldDouble(QStringLiteral("MiniOndo"))),
                 FormatFixed(q.FieldDouble(QStringLiteral("AvgOndo")), 1));
    }
};

QString refusal(const std::function<void()>& command)
{
    try {
        command();
    } catch (const TRefused& e) {
        return e.message();
    }
    return QString();
}

} // namespace

class TestSiteReadings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each reading is its own load, numbered after what is stored, summarised as the session
    // summarises a day; a resend of an id is stored once.
    void readingsAppendUnderTheNextLoad()
    {
        Fixture f;
        const TSiteEntry first = f.entry(QStringLiteral("１５５"), QStringLiteral(" T-12 "));
        QCOMPARE(Append(f.day, first).lno, 1);
        const TAppended again = Append(f.day, first);
        QVERIFY(again.again);
        QCOMPARE(again.lno, 1);
        QCOMPARE(Append(f.day, f.entry(QStringLiteral("162"))).lno, 2);
        QCOMPARE(f.stored(),
                 (QStringList{"1 1 155 08:01 T-12 phone-0001", "2 2 162 08:02 phone-0002"}));
        QCOMPARE(f.summaryRow(), QStringLiteral("2 162 155 158.5"));
        // A new header starts with the category's range as its specified value.
        const TSiteSummary s = Summary(f.day);
        QCOMPARE(s.kikaku, QStringLiteral("150_160"));
        QCOMPARE(s.outsideCount, 1);
        QCOMPARE(s.last.size(), 2);
        QCOMPARE(s.last.first().reading.LNO, 2);
        QVERIFY(s.last.first().outside);
        QCOMPARE(s.last.last().id, QStringLiteral("phone-0001"));

        // Typed in the office and registered there: the phone's ids survive, its loads go on.
        TDayEntry office;
        office.ShowDay(f.day.kojiCode, Mix, Kubun0, QDateTime(f.day.day, QTime(0, 0)));
        office.SetCell(3, TDayEntry::TemperatureColumn, QStringLiteral("157"));
        QVERIFY(office.Register());
        QVERIFY(Append(f.day, first).again);
        QCOMPARE(Append(f.day, f.entry(QStringLiteral("151"))).lno, 4);
        QCOMPARE(f.summaryRow(), QStringLiteral("4 162 151 156.3"));
    }

    // What the session refuses is refused here with its words, and nothing is stored.
    void whatTheSessionRefusesIsNotStored()
    {
        Fixture f;
        QCOMPARE(refusal([&] { Append(f.day, f.entry(QStringLiteral("abc"))); }),
                 QStringLiteral("「abc」は温度として読めません"));
        QCOMPARE(refusal([&] { Append(f.day, f.entry(QStringLiteral("1350"))); }),
                 QStringLiteral("「1350」は温度の範囲 (−20〜300 ℃) の外です"));
        // Too long or with a control character is refused, never cut.
        TSiteEntry longTruck = f.entry(QStringLiteral("155"), QString(17, QLatin1Char('x')));
        QCOMPARE(refusal([&] { Append(f.day, longTruck); }),
                 QStringLiteral("車番は16文字までです（17 文字あります）"));
        for (const QChar control : {QChar(0), QChar('\n'), QChar('\r'), QChar('\t')}) {
            TSiteEntry remark = f.entry(QStringLiteral("155"));
            remark.remark = QStringLiteral("a") + control + QStringLiteral("b");
            QCOMPARE(refusal([&] { Append(f.day, remark); }),
                     QStringLiteral("備考に改行・タブなどの制御文字は使えません"));
        }
        TSiteDay unknown = f.day;
        unknown.kojiCode = QStringLiteral("K999");
        QCOMPARE(refusal([&] { Append(unknown, f.entry(QStringLiteral("155"))); }),
                 QStringLiteral("工事コード「K999」は工事に登録されていません"));
        TSiteDay noKubun = f.day;
        noKubun.kubunId = 42;
        QVERIFY(!refusal([&] { Append(noKubun, f.entry(QStringLiteral("155"))); }).isEmpty());
        // A day filled by シミュレーション takes no measured reading.
        TDayEntry office;
        office.ShowDay(f.day.kojiCode, Mix, Kubun0, QDateTime(f.day.day.addDays(1), QTime(0, 0)));
        office.NumberRows(QStringLiteral("3"));
        office.Simulate();
        QVERIFY(office.Register());
        TSiteDay simulated = f.day;
        simulated.day = f.day.day.addDays(1);
        QVERIFY(Summary(simulated).simulated);
        QVERIFY(!Summary(f.day).simulated);
        QCOMPARE(refusal([&] { Append(simulated, f.entry(QStringLiteral("155"))); }),
                 QStringLiteral("この試験日は模擬値（シミュレーション）の日のため、測定した温度は"
                                "送れません。事務所で日を確かめてください"));
        QCOMPARE(TOndoKanri::ReadDay(f.day.kojiCode, 0, QDateTime(simulated.day, QTime(0, 0)), Mix)
                     .size(),
                 3);
        TSiteEntry badId = f.entry(QStringLiteral("155"));
        badId.id = QStringLiteral("'; drop table OndoLine4; --");
        QVERIFY(!refusal([&] { Append(f.day, badId); }).isEmpty());
        QCOMPARE(f.stored().size(), 3); // the simulated day's
    }

    // Only the last readings may be corrected or removed; the loads after a removed one move
    // up, and a day left empty goes.
    void correctingAndRemovingTheLastReadings()
    {
        Fixture f;
        QList<TSiteEntry> sent;
        for (int i = 0; i < 12; ++i) {
            sent << f.entry(QString::number(150 + i));
            Append(f.day, sent.last());
        }
        TSiteEntry fix = sent.at(11);
        fix.temperature = QStringLiteral("158");
        fix.truck = QStringLiteral("T-3");
        Correct(f.day, fix);
        QCOMPARE(f.stored().at(11), QStringLiteral("12 12 158 08:12 T-3 phone-0012"));
        QCOMPARE(refusal([&] { Correct(f.day, sent.at(0)); }),
                 QStringLiteral("修正・削除できるのは最後の 10 件です（1 台目）。"
                                "それより前は事務所のパソコンで直してください"));
        fix.temperature = QStringLiteral("x");
        QVERIFY(!refusal([&] { Correct(f.day, fix); }).isEmpty());

        QVERIFY(Remove(f.day, sent.at(9)).removed);
        QVERIFY(!Remove(f.day, sent.at(9)).removed); // sent again: nothing more goes
        const QStringList rows = f.stored();
        QCOMPARE(rows.size(), 11);
        QCOMPARE(rows.at(9), QStringLiteral("10 10 160 08:11 phone-0011"));
        QCOMPARE(rows.at(10), QStringLiteral("11 11 158 08:12 T-3 phone-0012"));
        QCOMPARE(f.summaryRow(), QStringLiteral("11 160 150 154.9"));

        TSiteDay other = f.day;
        other.day = other.day.addDays(1);
        const TSiteEntry only = f.entry(QStringLiteral("155"));
        Append(other, only);
        QVERIFY(Remove(other, only).removed);
        QVERIFY(!TOndoKanri::HasDay(TOndoKanri::FindHeader(QStringLiteral("K001"), Mix, 0),
                                    QDateTime(other.day, QTime(0, 0))));
    }

    // The office's window follows the day it shows, but never drops its own unregistered
    // typing: registering it then asks as for another user's change.
    void theShownDayFollowsUnlessItHasChanges()
    {
        Fixture f;
        const QDateTime day(f.day.day, QTime(0, 0));
        TDayEntry office;
        QStringList asked;
        office.Confirm = [&asked](const QString& q, bool) {
            asked << q;
            return false;
        };
        office.ShowDay(f.day.kojiCode, Mix, Kubun0, day);
        Append(f.day, f.entry(QStringLiteral("155")));
        QCOMPARE(
            office.StoredDayChanged(f.day.kojiCode, Mix, QStringLiteral("初期締固前温度"), day),
            TDayEntry::StoredChange::NotShown);
        QCOMPARE(office.StoredDayChanged(f.day.kojiCode, Mix, Kubun0, day),
                 TDayEntry::StoredChange::Shown);
        QCOMPARE(office.Cell(1, TDayEntry::TemperatureColumn), QStringLiteral("155"));
        QCOMPARE(office.Cell(1, TDayEntry::TimeColumn), QStringLiteral("08:01"));
        QVERIFY(!office.IsModified());

        office.SetCell(1, TDayEntry::TemperatureColumn, QStringLiteral("150"));
        Append(f.day, f.entry(QStringLiteral("156")));
        QCOMPARE(office.StoredDayChanged(f.day.kojiCode, Mix, Kubun0, day),
                 TDayEntry::StoredChange::KeptChanges);
        QCOMPARE(office.Cell(1, TDayEntry::TemperatureColumn), QStringLiteral("150"));
        QVERIFY(!office.Register()); // asked, and the phone's reading was kept
        QCOMPARE(asked.last(),
                 QStringLiteral("この試験日は他の利用者が変更しています。上書きしますか？"));
        QCOMPARE(f.stored().size(), 2);
        QCOMPARE(office.Cell(2, TDayEntry::TemperatureColumn), QStringLiteral("156"));
    }

    // A phone corrects and removes only what it sent; the office's own registering keeps the
    // phones' marks, but a day replaced leaves them behind, so that a phone's correction never
    // reaches a reading it did not send.
    void eachPhoneChangesOnlyItsOwnReadings()
    {
        Fixture f;
        const TSiteEntry mine = f.entry(QStringLiteral("155"));
        const TSiteEntry theirs =
            f.entry(QStringLiteral("156"), QString(), QStringLiteral("ffff0000"));
        Append(f.day, mine);
        Append(f.day, theirs);
        TSiteEntry fix = theirs;
        fix.device = Phone;
        fix.temperature = QStringLiteral("150");
        QString forbidden;
        try {
            Correct(f.day, fix);
        } catch (const TForbidden& e) {
            forbidden = e.message();
        }
        QCOMPARE(forbidden, QStringLiteral("2 台目は別の端末から送られた記録のため、この端末では"
                                           "修正・削除できません"));
        TSiteEntry notMine = theirs;
        notMine.device = Phone;
        QVERIFY_THROWS_EXCEPTION(TForbidden, Remove(f.day, notMine));
        QCOMPARE(f.stored().size(), 2);
        fix.device = theirs.device;
        Correct(f.day, fix);
        QCOMPARE(f.stored().at(1), QStringLiteral("2 2 150 08:02 phone-0002"));

        // Registered again as shown: the marks stay, and the phone may still correct its own.
        const QDateTime day(f.day.day, QTime(0, 0));
        TDayEntry office;
        office.Confirm = [](const QString&, bool) { return true; };
        office.ShowDay(f.day.kojiCode, Mix, Kubun0, day);
        office.SetCell(3, TDayEntry::TemperatureColumn, QStringLiteral("157"));
        QVERIFY(office.Register());
        fix.temperature = QStringLiteral("151");
        Correct(f.day, fix);
        QCOMPARE(f.stored().at(1), QStringLiteral("2 2 151 08:02 phone-0002"));

        // Someone else's change overwritten: the day is replaced, and the marks go.
        Append(f.day, f.entry(QStringLiteral("158")));
        office.SetCell(1, TDayEntry::TemperatureColumn, QStringLiteral("154"));
        QVERIFY(office.Register());
        QCOMPARE(f.stored(), (QStringList{"1 1 154 08:01", "2 2 150 08:02", "3 3 157"}));
        QCOMPARE(
            refusal([&] { Correct(f.day, fix); }),
            QStringLiteral("修正する温度は登録されていません（事務所で削除されたかもしれません）"));
        QVERIFY(!Remove(f.day, mine).removed);
        QCOMPARE(f.stored().size(), 3);
    }
};

ONDO_TEST_MAIN(TestSiteReadings, QCoreApplication)
#include "test_sitereadings.moc"
