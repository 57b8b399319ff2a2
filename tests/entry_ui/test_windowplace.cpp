#include "MainWindowFixture.h"
#include "entry_ui/MainWindowNames.h"

#include <QGuiApplication>

namespace N = MainWindowNames;

namespace {

// A second start on the same profile: a window of its own, shown where Desktop shows it.
struct Restart
{
    TDayEntry entry;
    TfEditOndoData w;
    explicit Restart(Fixture& f) : w(entry, &f.lv, &f.cal)
    {
        w.PlaceOnScreen(QRect(0, 0, 1366, 768));
        w.show();
        if (!QTest::qWaitForWindowExposed(&w))
            qWarning("restarted window not exposed");
    }
};

// The desktop's text size while it lives, as the platform theme gives the application font.
struct DesktopFont
{
    QFont before = QGuiApplication::font();
    explicit DesktopFont(int points) { QGuiApplication::setFont(QFont(before.family(), points)); }
    ~DesktopFont() { QGuiApplication::setFont(before); }
};

} // namespace

class TestWindowPlace : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The project, mix and category the window was closed on come back at the next start with
    // the window's size, and today's readings of them; the day brought back is no change, so
    // an input method's empty event and closing ask nothing. A choice that no longer exists is
    // left out without a word.
    void restartKeepsTheChoices()
    {
        Fixture f;
        TGozai mix;
        mix.DataName() = Mix13;
        mix.PrintName() = QStringLiteral("密粒度アスコン13");
        mix.Save();
        TypeInto(f.edit("Edit2"), QStringLiteral("K001"));
        QTest::keyClick(f.edit("Edit2"), Qt::Key_Tab);
        TypeInto(f.box("ComboBox2")->lineEdit(), Mix13);
        chooseFromList(f.box("ComboBox4"), Kubun0);
        f.typeCell(1, 1, QStringLiteral("155"));
        f.click("BitBtn2");
        f.w.resize(900, 700);
        QVERIFY(f.w.close());

        {
            Restart again(f);
            QTRY_COMPARE(again.entry.Header().kubunName, Kubun0);
            const TDayHeader& h = again.entry.Header();
            QCOMPARE(h.kojiCode, QStringLiteral("K001"));
            QCOMPARE(h.kojiName, QStringLiteral("国道1号舗装工事"));
            QCOMPARE(h.printName, QStringLiteral("密粒度アスコン13"));
            QCOMPARE(Child<QComboBox>(&again.w, N::GozaiName)->currentText(), Mix13);
            QCOMPARE(again.entry.Cell(1, 1), QStringLiteral("155"));
            QCOMPARE(again.w.size(), QSize(900, 700));
            auto* memo = Child<QPlainTextEdit>(&again.w, N::Memo);
            memo->setFocus();
            QInputMethodEvent nothing;
            QApplication::sendEvent(memo, &nothing);
            QVERIFY(!again.entry.IsModified());
            const auto asked = answerBox(QMessageBox::Cancel);
            QVERIFY(again.w.close());
            QVERIFY2(asked->isEmpty(), qPrintable(*asked));
        }

        // The project deleted and the category renamed since: the mix alone comes back.
        Query rename(QStringLiteral("update OndoKubun set KubunName = '練上' where ID = 0"));
        rename.ExecSQL();
        TKoji gone;
        gone.Code() = QStringLiteral("K001");
        gone.Delete();
        Restart third(f);
        QTRY_COMPARE(third.entry.Header().gozaiName, Mix13);
        QCOMPARE(third.entry.Header().kojiCode, QString());
        QCOMPARE(third.entry.Header().kubunName, QString());
        QVERIFY(!QApplication::activeModalWidget());
    }

    // A desktop whose text is larger than the forms' 9 pt draws the window at its size in the
    // window's own face, with nothing cut at 1366 × 768: every caption fits its button, label
    // and column, and the rows are as tall as their text. A 1920 × 1080 screen shows more rows.
    void windowFollowsTheDesktopsTextSize()
    {
        InstallFontSubstitutions();
        for (int points : {9, 11}) {
            const DesktopFont desktop(points);
            Fixture f;
            QCOMPARE(f.w.font().pointSizeF(), double(points));
            QCOMPARE(f.grid->font().pointSizeF(), double(points));
            QCOMPARE(QFontInfo(f.w.font()).family(), QStringLiteral("IPAPGothic"));

            QList<int> rowsShown;
            for (const QRect& screen : {QRect(0, 0, 1366, 768), QRect(0, 0, 1920, 1080)}) {
                f.w.PlaceOnScreen(screen);
                QTRY_COMPARE(f.w.height(), screen.height() - 40);
                rowsShown << f.grid->rowAt(f.grid->viewport()->height() - 1);
            }
            QVERIFY2(rowsShown[1] > rowsShown[0],
                     qPrintable(
                         QStringLiteral("%1 rows against %2").arg(rowsShown[1]).arg(rowsShown[0])));
            f.w.PlaceOnScreen(QRect(0, 0, 1366, 768));
            QTRY_COMPARE(f.w.height(), 728);

            // Captions fit across; boxes are as tall as their text.
            for (QWidget* w : f.w.findChildren<QWidget*>()) {
                if (!w->isVisible())
                    continue;
                const QString name = QStringLiteral("%1 at %2 pt").arg(w->objectName()).arg(points);
                QString caption;
                if (auto* b = qobject_cast<QAbstractButton*>(w))
                    caption = b->text();
                else if (auto* l = qobject_cast<QLabel*>(w))
                    caption = l->text();
                if (!caption.isEmpty())
                    QVERIFY2(w->fontMetrics().horizontalAdvance(caption.remove(QLatin1Char('&'))) <=
                                 w->contentsRect().width() -
                                     (qobject_cast<QAbstractButton*>(w) ? 8 : 0),
                             qPrintable(name + QLatin1Char(' ') + caption));
                const bool inBox = qobject_cast<QComboBox*>(w->parentWidget()) ||
                                   qobject_cast<QAbstractSpinBox*>(w->parentWidget());
                if ((qobject_cast<QLineEdit*>(w) && !inBox) || qobject_cast<QComboBox*>(w) ||
                    qobject_cast<QAbstractSpinBox*>(w))
                    QVERIFY2(w->height() >= w->minimumSizeHint().height(), qPrintable(name));
            }
            QHeaderView* header = f.grid->horizontalHeader();
            const QFontMetrics captions(header->font());
            for (int c = 0; c < f.grid->model()->columnCount(); ++c) {
                const QString caption = f.grid->model()->headerData(c, Qt::Horizontal).toString();
                QVERIFY2(captions.horizontalAdvance(caption) + 8 <= header->sectionSize(c),
                         qPrintable(caption));
            }
            QVERIFY(f.grid->rowHeight(0) >= QFontMetrics(f.grid->font()).height() + 4);
        }
    }
};

ONDO_TEST_MAIN(TestWindowPlace, QApplication)
#include "test_windowplace.moc"
