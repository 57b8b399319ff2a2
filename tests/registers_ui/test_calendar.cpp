#include "registers_ui/Calendar.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

class TestCalendar : public QObject
{
    Q_OBJECT

    // The caption of the month shown, as a Japanese calendar heads it.
    static QString monthCaption(const QDate& date)
    {
        return QStringLiteral("%1年%2月").arg(date.year()).arg(date.month());
    }

    // The grid cell showing `day` of the shown month.
    static QPoint cellOf(const TfCalendar& cal, int day)
    {
        for (int r = 0; r < cal.Calendar1->rowCount(); ++r)
            for (int c = 0; c < cal.Calendar1->columnCount(); ++c)
                if (cal.Calendar1->item(r, c) &&
                    cal.Calendar1->item(r, c)->text() == QString::number(day))
                    return {c, r};
        return {-1, -1};
    }

private Q_SLOTS:
    void yearAndMonthSteps_data()
    {
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QDate>("expected");
        QTest::newRow("year forward") << QDate(2024, 3, 31) << "SpeedButton4" << QDate(2025, 3, 31);
        QTest::newRow("year back") << QDate(2024, 3, 31) << "SpeedButton1" << QDate(2023, 3, 31);
        QTest::newRow("January back")
            << QDate(2024, 1, 15) << "SpeedButton2" << QDate(2023, 12, 15);
        QTest::newRow("December forward")
            << QDate(2023, 12, 15) << "SpeedButton3" << QDate(2024, 1, 15);
        // A day the target month lacks becomes its last day.
        QTest::newRow("31st into February")
            << QDate(2024, 1, 31) << "SpeedButton3" << QDate(2024, 2, 29);
        QTest::newRow("31st into April")
            << QDate(2024, 3, 31) << "SpeedButton3" << QDate(2024, 4, 30);
        QTest::newRow("29 Feb a year on")
            << QDate(2024, 2, 29) << "SpeedButton4" << QDate(2025, 2, 28);
    }

    void yearAndMonthSteps()
    {
        QFETCH(QDate, start);
        QFETCH(QString, button);
        QFETCH(QDate, expected);
        TfCalendar cal;
        cal.SetCalendar(start);
        QCOMPARE(cal.Button1->text(), monthCaption(start));
        cal.findChild<QToolButton*>(button)->click();
        QCOMPARE(cal.GetCalendar(), expected);
        QCOMPARE(cal.Button1->text(), monthCaption(expected));
        // The grid shows the new month with the day as its current cell.
        const QTableWidgetItem* current = cal.Calendar1->currentItem();
        QVERIFY(current);
        QCOMPARE(current->text(), QString::number(expected.day()));
        QCOMPARE(cellOf(cal, expected.daysInMonth()).x() >= 0, true);
        QCOMPARE(cellOf(cal, expected.daysInMonth() + 1), QPoint(-1, -1));
    }

    // A Japanese week from Sunday under the tests' English locale (C.UTF-8), as on a site PC
    // set up in English.
    void gridLayoutAndDayChoice()
    {
        TfCalendar cal;
        QStringList week;
        for (int c = 0; c < cal.Calendar1->columnCount(); ++c)
            week << cal.Calendar1->horizontalHeaderItem(c)->text();
        QCOMPARE(week, (QStringList{"日", "月", "火", "水", "木", "金", "土"}));
        cal.SetCalendar(QDate(2024, 3, 10)); // 1 March 2024 is a Friday
        QCOMPARE(cellOf(cal, 1), QPoint(5, 0));
        QCOMPARE(cellOf(cal, 31), QPoint(0, 5));
        cal.show();
        QVERIFY(QTest::qWaitForWindowExposed(&cal));

        const QPoint day20 = cellOf(cal, 20);
        QTest::mouseClick(
            cal.Calendar1->viewport(), Qt::LeftButton, {},
            cal.Calendar1->visualRect(cal.Calendar1->model()->index(day20.y(), day20.x()))
                .center());
        QCOMPARE(cal.GetCalendar(), QDate(2024, 3, 20));
        QCOMPARE(cal.Button1->text(), QStringLiteral("2024年3月"));

        // Cells outside the month cannot be chosen.
        QTest::mouseClick(cal.Calendar1->viewport(), Qt::LeftButton, {},
                          cal.Calendar1->visualRect(cal.Calendar1->model()->index(0, 0)).center());
        QCOMPARE(cal.GetCalendar(), QDate(2024, 3, 20));

        cal.Button1->click();
        QCOMPARE(cal.GetCalendar(), QDate::currentDate());
        QCOMPARE(cal.Button1->text(), monthCaption(QDate::currentDate()));
    }

    void reopenedForShorterMonthShowsThatDate()
    {
        TfCalendar cal;
        cal.SetCalendar(QDate(2024, 1, 31));
        cal.SetCalendar(QDate(2024, 4, 30));
        QCOMPARE(cal.GetCalendar(), QDate(2024, 4, 30));
        cal.SetCalendar(QDate(2024, 2, 29));
        QCOMPARE(cal.GetCalendar(), QDate(2024, 2, 29));
        QCOMPARE(cal.Calendar1->currentItem()->text(), QStringLiteral("29"));
    }

    void okAcceptsAndCloseBoxRejects()
    {
        TfCalendar cal;
        cal.SetCalendar(QDate(2024, 5, 5));
        QTimer::singleShot(0, &cal, [&cal] { cal.BitBtn1->click(); });
        QCOMPARE(cal.exec(), int(QDialog::Accepted));
        QTimer::singleShot(0, &cal, [&cal] { cal.close(); });
        QCOMPARE(cal.exec(), int(QDialog::Rejected));
        QCOMPARE(cal.GetCalendar(), QDate(2024, 5, 5));
    }
};

ONDO_TEST_MAIN(TestCalendar, QApplication)
#include "test_calendar.moc"
