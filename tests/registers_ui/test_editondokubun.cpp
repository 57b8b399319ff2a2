#include "domain/OndoKanri.h"
#include "registers_ui/EditOndoKubun.h"
#include "storage/Query.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace {

struct Row
{
    QString name, interval, range;
    int id;
    bool operator==(const Row& o) const
    {
        return name == o.name && interval == o.interval && range == o.range && id == o.id;
    }
};

QList<Row> tableRows()
{
    QList<Row> rows;
    Query q(QStringLiteral("select * from OndoKubun order by ODR"));
    q.Open();
    for (; !q.Eof(); q.Next())
        rows << Row{q.FieldText(QStringLiteral("KubunName")),
                    q.FieldText(QStringLiteral("SokuteiKankaku")),
                    q.FieldText(QStringLiteral("OndoRange")), q.FieldInt(QStringLiteral("ID"))};
    return rows;
}

QStringList tableNames()
{
    QStringList names;
    for (const Row& r : tableRows())
        names << r.name;
    return names;
}

QStringList listNames(const TfEditOndoKubun& d)
{
    QStringList names;
    for (int i = 0; i < d.ListView1->topLevelItemCount(); ++i)
        names << d.ListView1->topLevelItem(i)->text(0);
    return names;
}

struct Message
{
    QString title, text;
};

// Runs the action; a message box it opens is closed and reported.
Message runAnswering(const std::function<void()>& action)
{
    auto seen = std::make_shared<Message>();
    QTimer::singleShot(0, [seen] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen->title = box->windowTitle();
            seen->text = box->text();
            box->accept();
        }
    });
    action();
    QCoreApplication::processEvents();
    return *seen;
}

void fill(TfEditOndoKubun& d, const QString& name, const QString& interval = QString(),
          const QString& range = QString())
{
    d.Edit1->setText(name);
    d.Edit2->setText(interval);
    d.Edit3->setText(range);
}

void select(TfEditOndoKubun& d, int row)
{
    d.ListView1->setCurrentItem(d.ListView1->topLevelItem(row));
}

class Opened
{
public:
    Opened()
    {
        TOndoKubun().CheckTable();
        TOndoKanri::CreateTables();
        dialog.show();
    }
    TfEditOndoKubun dialog;
};

} // namespace

class TestEditOndoKubun : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void addedAtOnceAndClickFillsFields()
    {
        TempProfile profile;
        Opened o;
        auto& d = o.dialog;
        QCOMPARE(listNames(d),
                 (QStringList{QStringLiteral("練上温度"), QStringLiteral("初期締固前温度")}));
        fill(d, QStringLiteral("舗設温度"), QStringLiteral("1台毎"), QStringLiteral("140_150"));
        d.Button1->click();
        QCOMPARE(d.Edit1->text(), QString());
        QCOMPARE(d.Edit3->text(), QString());
        QCOMPARE(tableRows().last(), (Row{QStringLiteral("舗設温度"), QStringLiteral("1台毎"),
                                          QStringLiteral("140_150"), 2}));

        QTreeWidgetItem* item = d.ListView1->topLevelItem(2);
        QCOMPARE(item->text(3), QStringLiteral("2"));
        const QRect rect = d.ListView1->visualItemRect(item);
        QTest::mouseClick(d.ListView1->viewport(), Qt::LeftButton, {},
                          QPoint(10, rect.center().y()));
        QCOMPARE(d.Edit1->text(), QStringLiteral("舗設温度"));
        QCOMPARE(d.Edit2->text(), QStringLiteral("1台毎"));
        QCOMPARE(d.Edit3->text(), QStringLiteral("140～150")); // as people write it

        // An update keeps the identifier and the position.
        d.Edit3->setText(QStringLiteral("145_155"));
        d.Button1->click();
        QCOMPARE(tableRows().last(), (Row{QStringLiteral("舗設温度"), QStringLiteral("1台毎"),
                                          QStringLiteral("145_155"), 2}));

        d.Edit2->setText(QStringLiteral("x"));
        d.BitBtn4->click(); // 入力欄クリア
        QCOMPARE(d.Edit2->text(), QString());
        QCOMPARE(d.focusWidget(), d.Edit1);

        // Reopening empties the name field only, and reads the table again.
        d.Edit2->setText(QStringLiteral("残る"));
        d.Edit1->setText(QStringLiteral("消える"));
        d.hide();
        d.show();
        QCOMPARE(d.Edit1->text(), QString());
        QCOMPARE(d.Edit2->text(), QStringLiteral("残る"));
        QCOMPARE(d.ListView1->topLevelItemCount(), 3);
    }

    void tenCategoriesAtMost()
    {
        TempProfile profile;
        Opened o;
        auto& d = o.dialog;
        for (int i = 3; i <= 10; ++i) {
            fill(d, QStringLiteral("区分%1").arg(i));
            QCOMPARE(runAnswering([&] { d.Button1->click(); }).title, QString());
        }
        QCOMPARE(tableRows().size(), 10);

        fill(d, QStringLiteral("十一番目"));
        const Message refused = runAnswering([&] { d.Button1->click(); });
        QCOMPARE(refused.title, QStringLiteral("温度区分は１０種類までです"));
        QCOMPARE(refused.text, QStringLiteral("注意"));
        QCOMPARE(tableRows().size(), 10);
        QCOMPARE(d.Edit1->text(), QStringLiteral("十一番目"));

        // Changing one of ten adds none, so it is not refused.
        fill(d, QStringLiteral("区分5"), QStringLiteral("10分"), QStringLiteral("1_2"));
        QCOMPARE(runAnswering([&] { d.Button1->click(); }).title, QString());
        QCOMPARE(tableRows()[4],
                 (Row{QStringLiteral("区分5"), QStringLiteral("10分"), QStringLiteral("1_2"), 4}));

        // 登録 with a new name: the message, and still the list is written.
        select(d, 9);
        d.SpeedButton1->click();
        fill(d, QStringLiteral("十一番目"));
        QCOMPARE(runAnswering([&] { d.BitBtn1->click(); }).title,
                 QStringLiteral("温度区分は１０種類までです"));
        QCOMPARE(tableNames()[8], QStringLiteral("区分10"));

        // 登録 with an empty name field writes without a message.
        select(d, 0);
        d.SpeedButton2->click();
        d.Edit1->clear();
        QCOMPARE(runAnswering([&] { d.BitBtn1->click(); }).title, QString());
        QCOMPARE(tableNames()[1], QStringLiteral("練上温度"));
        QCOMPARE(tableRows().size(), 10);
    }

    void textWiderThanItsColumnRefused()
    {
        TempProfile profile;
        Opened o;
        auto& d = o.dialog;
        const QList<Row> before = tableRows();
        struct Case
        {
            QString name, interval, range, field;
        };
        const QList<Case> cases = {
            {QString(13, QChar(0x6e29)), QString(), QString(), QStringLiteral("区分名")},
            {QStringLiteral("区分"), QStringLiteral("一二三四五"), QString(),
             QStringLiteral("計測")},
            {QStringLiteral("区分"), QString(), QString(25, QLatin1Char('1')),
             QStringLiteral("温度範囲")},
        };
        for (const Case& c : cases) {
            fill(d, c.name, c.interval, c.range);
            const Message m = runAnswering([&] { d.Button1->click(); });
            QVERIFY2(m.text.startsWith(c.field), qPrintable(m.text));
            QCOMPARE(tableRows(), before);
            QCOMPARE(d.ListView1->topLevelItemCount(), before.size());
        }
        // Exactly the widths fit.
        fill(d, QString(12, QChar(0x6e29)), QStringLiteral("一二三四"),
             QString(24, QLatin1Char('1')));
        QCOMPARE(runAnswering([&] { d.Button1->click(); }).text, QString());
        QCOMPARE(tableRows().size(), before.size() + 1);
    }

    void failedWriteLeavesTableAsItWas()
    {
        TempProfile profile;
        Opened o;
        auto& d = o.dialog;
        Query trigger(QStringLiteral(
            "create trigger refuse before insert on OndoKubun when new.KubunName='壊れ' "
            "begin select raise(abort, 'refused'); end"));
        trigger.ExecSQL();
        const QList<Row> before = tableRows();
        select(d, 1);
        d.SpeedButton1->click();
        fill(d, QStringLiteral("壊れ"));
        const Message m = runAnswering([&] { d.Button1->click(); });
        QVERIFY(!m.text.isEmpty()); // the error box
        QCOMPARE(tableRows(), before);
    }

    void removalRules()
    {
        TempProfile profile;
        Opened o;
        auto& d = o.dialog;
        TOndoKanri record;
        record.Koji.Code() = QStringLiteral("K1");
        record.Gozai.DataName() = QStringLiteral("密粒度13");
        record.Kubun.ID = 0;
        record.Hiduke = QDateTime(QDate(2024, 4, 1), QTime());
        record.Save();

        d.BitBtn3->click(); // nothing selected
        QCOMPARE(d.ListView1->topLevelItemCount(), 2);
        // In use: the question says how many records; いいえ keeps the row.
        select(d, 0);
        fill(d, QStringLiteral("残る"));
        QString question;
        QTimer::singleShot(0, [&question] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            question = box->text();
            box->button(QMessageBox::No)->click();
        });
        d.BitBtn3->click();
        QCOMPARE(question,
                 QStringLiteral("この温度区分は 1 件の記録で使われています。削除しますか？"));
        QCOMPARE(listNames(d).first(), QStringLiteral("練上温度"));
        QCOMPARE(d.Edit1->text(), QStringLiteral("残る"));

        select(d, 1);
        d.BitBtn3->click();
        QCOMPARE(listNames(d), QStringList{QStringLiteral("練上温度")});
        QCOMPARE(d.Edit1->text(), QString());
        // Closing without 登録 loses the removal.
        d.BitBtn2->click();
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QCOMPARE(tableRows().size(), 2);
        d.show();
        QCOMPARE(d.ListView1->topLevelItemCount(), 2);

        // The highest identifier, once removed and registered, is given again.
        select(d, 1);
        d.BitBtn3->click();
        d.BitBtn1->click();
        QCOMPARE(tableNames(), QStringList{QStringLiteral("練上温度")});
        fill(d, QStringLiteral("舗設温度"));
        d.Button1->click();
        QCOMPARE(tableRows().last().id, 1);
    }

    void typedRangesAndRemovedIdentifiers()
    {
        TempProfile profile;
        Opened o;
        auto& d = o.dialog;
        fill(d, QStringLiteral("舗設温度"), QStringLiteral("1台毎"),
             QStringLiteral("１３０～１４５"));
        QCOMPARE(runAnswering([&d] { d.Button1->click(); }).text, QString());
        QCOMPARE(tableRows().last(), (Row{QStringLiteral("舗設温度"), QStringLiteral("1台毎"),
                                          QStringLiteral("130_145"), 2}));
        fill(d, QStringLiteral("転圧温度"), QString(), QStringLiteral("高め"));
        const Message refused = runAnswering([&d] { d.Button1->click(); });
        QCOMPARE(
            refused.text,
            QStringLiteral("温度範囲は 150～160 のように入力してください（片側だけなら 110～）"));
        QCOMPARE(tableRows().size(), 3);

        // A removed category that records use keeps its identifier out of reach.
        TOndoKanri record;
        record.Kubun.ID = 2;
        record.Save();
        d.BitBtn4->click(); // 入力欄クリア
        select(d, 2);
        QTimer::singleShot(0, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->button(QMessageBox::Yes)->click();
        });
        d.BitBtn3->click();
        d.BitBtn1->click();
        QCOMPARE(tableRows().size(), 2);
        fill(d, QStringLiteral("到着温度"));
        d.Button1->click();
        QCOMPARE(tableRows().last().id, 3);

        // Return presses 登録.
        fill(d, QStringLiteral("到着温度"), QStringLiteral("毎回"));
        QTest::keyClick(d.Edit2, Qt::Key_Return);
        QCOMPARE(tableRows().last().interval, QStringLiteral("毎回"));
    }

    void movingRows()
    {
        TempProfile profile;
        Opened o;
        auto& d = o.dialog;
        fill(d, QStringLiteral("三番目"));
        d.Button1->click();
        const QStringList start = listNames(d);

        d.SpeedButton1->click(); // nothing selected
        select(d, 0);
        d.SpeedButton1->click();
        QCOMPARE(listNames(d), start);
        select(d, 2);
        d.SpeedButton2->click();
        QCOMPARE(listNames(d), start);

        // Repeated ↑ keeps moving the same category; identifiers travel with it.
        d.SpeedButton1->click();
        d.SpeedButton1->click();
        QCOMPARE(listNames(d).first(), QStringLiteral("三番目"));
        QCOMPARE(d.ListView1->topLevelItem(0)->text(3), QStringLiteral("2"));
        QCOMPARE(tableNames(), start); // not before 登録
        d.BitBtn1->click();
        QCOMPARE(tableNames(), (QStringList{QStringLiteral("三番目"), QStringLiteral("練上温度"),
                                            QStringLiteral("初期締固前温度")}));
        QCOMPARE(tableRows().first().id, 2);
    }

    void namesCompareExactly()
    {
        TempProfile profile;
        Opened o;
        auto& d = o.dialog;
        for (const QString& name : {QStringLiteral("練上温度 "), QStringLiteral("練上温度　"),
                                    QStringLiteral("ABC"), QStringLiteral("ＡＢＣ")}) {
            fill(d, name, QStringLiteral("別"));
            d.Button1->click();
        }
        QCOMPARE(tableRows().size(), 6);
        QCOMPARE(tableRows().first().interval, QString()); // "練上温度" untouched
        QCOMPARE(tableRows()[2].id, 2);
        QCOMPARE(tableRows()[5].id, 5);
    }

    void alwaysEndsCancelled()
    {
        TempProfile profile;
        TOndoKubun().CheckTable();
        TfEditOndoKubun d;
        QTimer::singleShot(0, [] {
            auto* w = qobject_cast<TfEditOndoKubun*>(QApplication::activeModalWidget());
            QVERIFY(w);
            QCOMPARE(w->ListView1->topLevelItemCount(), 2);
            w->BitBtn2->click();
        });
        QCOMPARE(d.exec(), int(QDialog::Rejected));
        for (QLineEdit* e : {d.Edit1, d.Edit2, d.Edit3})
            QVERIFY(!e->accessibleName().isEmpty());
    }
};

ONDO_TEST_MAIN(TestEditOndoKubun, QApplication)
#include "test_editondokubun.moc"
