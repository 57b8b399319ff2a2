#include "support/TestSupport.h"
#include "widgets_ui/ListView.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

class TestListView : public QObject
{
    Q_OBJECT

    static ListViewData records()
    {
        ListViewData data;
        data.Reset({{QStringLiteral("工事コード"), 70},
                    {QStringLiteral("工事名"), 200},
                    {QStringLiteral("合材名"), 200},
                    {QStringLiteral("区分"), 70}});
        data.rows << ListViewRow{QStringLiteral("K002"),
                                 {QStringLiteral("県道"), QStringLiteral("粗粒度20"),
                                  QStringLiteral("練上温度"), QStringLiteral("7")}};
        data.rows << ListViewRow{
            QStringLiteral("K001"),
            {QStringLiteral("国道"), QStringLiteral("密粒度13"), QString(), QStringLiteral("3")}};
        return data;
    }

private Q_SLOTS:
    void showsColumnsAndKeepsHiddenIdentifier()
    {
        TfListView lv;
        lv.Fill(records());
        const QAbstractItemModel* model = lv.ListView1->model();
        QCOMPARE(model->columnCount(), 4); // the identifier has no column
        QCOMPARE(model->rowCount(), 2);
        QCOMPARE(model->index(1, 2).data().toString(), QStringLiteral("密粒度13"));

        // The first row stands chosen, so that Enter or OK act at once.
        QCOMPARE(lv.SelectedRow()->caption, QStringLiteral("K002"));
        QVERIFY(lv.OkButton->isEnabled());
        lv.SelectRow(1);
        QVERIFY(lv.OkButton->isEnabled());
        QCOMPARE(lv.SelectedRow()->subItems.value(3), QStringLiteral("3"));

        // A refill forgets the old choice.
        ListViewData projects;
        projects.Reset({{QStringLiteral("工事コード"), 70}, {QStringLiteral("工事名"), 400}});
        projects.rows << ListViewRow{QStringLiteral("K009"), {QStringLiteral("市道")}};
        lv.Fill(projects);
        QCOMPARE(model->columnCount(), 2);
        QCOMPARE(lv.SelectedRow()->caption, QStringLiteral("K009")); // the old choice forgotten
        lv.Fill(ListViewData());
        QVERIFY(!lv.SelectedRow());
        QVERIFY(!lv.OkButton->isEnabled());
    }

    void okDoubleClickAndCancel()
    {
        TfListView lv;
        lv.Fill(records());
        QTimer::singleShot(0, &lv, [&lv] {
            lv.SelectRow(0);
            QTest::mouseClick(lv.OkButton, Qt::LeftButton);
            if (lv.isVisible())
                lv.reject(); // fail rather than hang
        });
        QCOMPARE(lv.exec(), int(QDialog::Accepted));
        QCOMPARE(lv.SelectedRow()->caption, QStringLiteral("K002"));

        lv.Fill(records());
        QTimer::singleShot(0, &lv, [&lv] {
            const QPoint at = lv.ListView1->visualRect(lv.ListView1->model()->index(1, 0)).center();
            QTest::mouseClick(lv.ListView1->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(lv.ListView1->viewport(), Qt::LeftButton, {}, at);
            if (lv.isVisible())
                lv.reject();
        });
        QCOMPARE(lv.exec(), int(QDialog::Accepted));
        QCOMPARE(lv.SelectedRow()->caption, QStringLiteral("K001"));

        lv.Fill(records());
        QTimer::singleShot(0, &lv, [&lv] {
            lv.SelectRow(0);
            lv.CancelButton->click();
        });
        QCOMPARE(lv.exec(), int(QDialog::Rejected));
    }

    // A head office's long list: End and typing a code reach rows far below the first screen.
    void longListReachesEveryRow()
    {
        ListViewData data;
        data.Reset({{QStringLiteral("工事コード"), 70}, {QStringLiteral("工事名"), 200}});
        for (int i = 0; i < 20000; ++i)
            data.rows << ListViewRow{QStringLiteral("K%1").arg(i, 5, 10, QLatin1Char('0')),
                                     {QStringLiteral("工事 %1").arg(i)}};
        TfListView lv;
        lv.Fill(data);
        lv.show();
        QTest::keyClick(lv.ListView1, Qt::Key_End);
        QCOMPARE(lv.SelectedRow()->subItems.value(0), QStringLiteral("工事 19999"));
        QTest::keyClicks(lv.ListView1, QStringLiteral("K12345"));
        QCOMPARE(lv.SelectedIndex(), 12345);
        QVERIFY(lv.ListView1->viewport()->rect().contains(
            lv.ListView1->visualRect(lv.ListView1->currentIndex()).center()));
    }
};

ONDO_TEST_MAIN(TestListView, QApplication)
#include "test_listview.moc"
