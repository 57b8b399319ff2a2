#include "core/RegistryUtility.h"
#include "core/Utility.h"
#include "entry_ui/EditOndoData.h"
#include "registers_ui/Calendar.h"
#include "reports/TextMetrics.h"
#include "storage/Engine.h"
#include "storage/Query.h"
#include "support/TestSupport.h"
#include "widgets_ui/ListView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCompleter>
#include <QFontInfo>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <memory>

namespace {

const QString Kubun0 = QStringLiteral("練上温度");
const QString Kubun1 = QStringLiteral("初期締固前温度");
const QString Mix13 = QStringLiteral("密粒度13");

void seedRegisters()
{
    CheckRegisterTables();
    TKoji koji;
    koji.Code() = QStringLiteral("K001");
    koji.Kojimei() = QStringLiteral("国道1号舗装工事");
    koji.Save();
    koji.Code() = QStringLiteral("K002");
    koji.Kojimei() = QStringLiteral("県道舗装工事");
    koji.Save();
    TGozai gozai;
    gozai.DataName() = Mix13;
    gozai.PrintName() = QStringLiteral("密粒度アスコン13");
    gozai.Save();
    TSimei simei;
    simei.Simei() = QStringLiteral("山田");
    simei.Furigana() = QStringLiteral("やまだ");
    simei.Save();
    simei.Simei() = QStringLiteral("安藤");
    simei.Furigana() = QStringLiteral("あんどう");
    simei.Save();
    WriteSetting(QStringLiteral("OndoRangeNeri"), QStringLiteral("150_160"));
    WriteSetting(QStringLiteral("OndoAvgKetasu"), QStringLiteral("3"));
    TOndoKubun kubun;
    kubun.CheckTable();
    Engine::Execute(QStringLiteral("update OndoKubun set SokuteiKankaku = '1台毎' where ID = 0"));
}

// A fresh data folder with registers, and the windows of a run.
struct Fixture
{
    TempProfile profile;
    bool seeded = (seedRegisters(), true);
    TfEditOndoData w;
    TfListView lv;
    TfCalendar cal;
    Fixture()
    {
        w.SetListView(&lv);
        w.SetCalendar(&cal);
        w.show();
        if (!QTest::qWaitForWindowExposed(&w))
            qWarning("main window not exposed");
    }
};

// Acts on the next modal window, and closes it when the action left it open.
void whenModal(std::function<void(QWidget*)> act)
{
    QTimer::singleShot(0, qApp, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        act(modal);
        if (QApplication::activeModalWidget() == modal) {
            if (auto* d = qobject_cast<QDialog*>(modal))
                d->reject();
        }
    });
}

// Answers the next message box; its text lands in the returned string.
std::shared_ptr<QString> answerBox(QMessageBox::StandardButton button)
{
    auto text = std::make_shared<QString>();
    whenModal([text, button](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box)
            return;
        *text = box->text();
        box->button(button)->click();
    });
    return text;
}

void pickListRow(int row)
{
    whenModal([row](QWidget* modal) {
        auto* lv = qobject_cast<TfListView*>(modal);
        if (!lv || row >= lv->ListView1->topLevelItemCount())
            return;
        lv->ListView1->setCurrentItem(lv->ListView1->topLevelItem(row));
        QTest::mouseClick(lv->OkButton, Qt::LeftButton);
    });
}

void commitText(QWidget* editor, const QString& text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(editor, &event);
}

void typeInto(QLineEdit* edit, const QString& text)
{
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    commitText(edit, text);
}

QLineEdit* openEditor(QTableWidget* grid)
{
    for (QLineEdit* e : grid->viewport()->findChildren<QLineEdit*>())
        if (e->isVisible())
            return e;
    return nullptr;
}

// Types into a readings cell as a user does: F2, text, Return.
void typeCell(TfEditOndoData& w, int lno, int column, const QString& text)
{
    w.SS1->setCurrentCell(lno - 1, column);
    QTest::keyClick(w.SS1, Qt::Key_F2);
    QLineEdit* editor = openEditor(w.SS1);
    QVERIFY(editor);
    typeInto(editor, text);
    const QPointer<QLineEdit> open(editor);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!open || !open->isVisible()); // the commit arrives on a later turn
    QCOMPARE(w.ReadingCell(lno, column), text);
}

// Opens the cell's editor and commits `text` as the input method does; Return ends it.
QLineEdit* commitIntoCell(TfEditOndoData& w, int lno, int column, const QString& text)
{
    w.SS1->setCurrentCell(lno - 1, column);
    QTest::keyClick(w.SS1, Qt::Key_F2);
    QLineEdit* editor = openEditor(w.SS1);
    if (!editor)
        return nullptr;
    commitText(editor, text);
    return editor;
}

// Drops the box down and chooses `text` from its list by keyboard.
void chooseFromList(QComboBox* box, const QString& text)
{
    box->showPopup();
    const int i = box->findText(text);
    QVERIFY2(i >= 0, qPrintable(text));
    QAbstractItemView* view = box->view();
    view->setCurrentIndex(view->model()->index(i, box->modelColumn()));
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(box->currentText(), text);
}

QStringList statistics(const TfEditOndoData& w)
{
    QStringList values;
    for (int r = 0; r < 4; ++r)
        values << w.SS2->item(r, 1)->text();
    return values;
}

QStringList column(const TfEditOndoData& w, int c, int rows = 6)
{
    QStringList cells;
    for (int lno = 1; lno <= rows; ++lno)
        cells << w.ReadingCell(lno, c);
    return cells;
}

int countRows(const QString& sql)
{
    Query q(sql);
    q.Open();
    return q.RecordCount();
}

struct StoredReading
{
    int lno;
    QString label;
    double ondo;
    bool operator==(const StoredReading& o) const
    {
        return lno == o.lno && label == o.label && qFuzzyCompare(ondo, o.ondo);
    }
};

QList<StoredReading> storedReadings(int id, const QString& day)
{
    Query q(QStringLiteral("select LNO, Sokuten, Ondo from OndoLine4 where KanriID = :A and Hiduke "
                           "= :B order by LNO"));
    q.BindInt(QStringLiteral("A"), id);
    q.BindDateTime(QStringLiteral("B"), ParseDate(day));
    q.Open();
    QList<StoredReading> list;
    for (; !q.Eof(); q.Next())
        list << StoredReading{q.FieldInt(QStringLiteral("LNO")),
                              q.FieldText(QStringLiteral("Sokuten")),
                              q.FieldDouble(QStringLiteral("Ondo"))};
    return list;
}

// Fills the header boxes by typing, numbers the rows and types the temperatures.
void enterDay(TfEditOndoData& w, const QString& code, const QString& mix, const QString& kubun,
              const QString& day, const QStringList& temps)
{
    typeInto(w.Edit2, code);
    typeInto(w.ComboBox2->lineEdit(), mix);
    typeInto(w.ComboBox4->lineEdit(), kubun);
    typeInto(w.ComboBox3->lineEdit(), day);
    typeInto(w.Edit7, QString::number(temps.size()));
    QTest::keyClick(w.Edit7, Qt::Key_Return);
    for (int i = 0; i < temps.size(); ++i)
        typeCell(w, i + 1, 1, temps[i]);
}

} // namespace

[[maybe_unused]] char* toString(const StoredReading& r) // QCOMPARE failure output
{
    return QTest::toString(QStringLiteral("%1 %2 %3").arg(r.lno).arg(r.label).arg(r.ondo));
}

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The window and its grids draw with one installed face, the stand-in of the Windows faces
    // they name, never through fontconfig's fallback for a face that is missing.
    void windowFacesAreInstalled()
    {
        InstallFontSubstitutions();
        TempProfile profile;
        TfEditOndoData w;
        for (QWidget* widget : {static_cast<QWidget*>(&w), static_cast<QWidget*>(w.SS1),
                                static_cast<QWidget*>(w.SS1->horizontalHeader())}) {
            QVERIFY2(widget->font().family().compare(QStringLiteral("IPAPGothic"),
                                                     Qt::CaseInsensitive) == 0,
                     qPrintable(widget->font().family()));
            QCOMPARE(QFontInfo(widget->font()).family(), QStringLiteral("IPAPGothic"));
        }
    }

    // The entry boxes are made editable without building their lists at start; each list, made
    // at its first drop-down, must behave as that of a box made editable the usual way.
    void entryBoxesAreStandardEditableBoxes()
    {
        TempProfile profile;
        TfEditOndoData w;
        QComboBox plain;
        plain.setEditable(true);
        plain.setInsertPolicy(QComboBox::NoInsert);
        for (QComboBox* box :
             {static_cast<QComboBox*>(w.ComboBox1), static_cast<QComboBox*>(w.ComboBox2),
              static_cast<QComboBox*>(w.ComboBox3), static_cast<QComboBox*>(w.ComboBox4),
              static_cast<QComboBox*>(w.ComboBox5)}) {
            QVERIFY(box->isEditable());
            QCOMPARE(box->focusPolicy(), plain.focusPolicy());
            QCOMPARE(box->insertPolicy(), plain.insertPolicy());
            QCOMPARE(box->lineEdit()->completer()->completionMode(),
                     plain.lineEdit()->completer()->completionMode());
            QCOMPARE(box->lineEdit()->completer()->caseSensitivity(),
                     plain.lineEdit()->completer()->caseSensitivity());
            QCOMPARE(box->view()->verticalScrollBarPolicy(),
                     plain.view()->verticalScrollBarPolicy());
            QCOMPARE(box->itemDelegate()->metaObject()->className(),
                     plain.itemDelegate()->metaObject()->className());
        }
    }

    void firstStartOnEmptyFolder()
    {
        Fixture f;
        for (const char* table : {"OndoKanri4", "OndoHead4", "OndoLine4", "OndoKubun"})
            QVERIFY2(Engine::TableExists(QLatin1String(table)), table);
        QCOMPARE(countRows(QStringLiteral("select * from OndoKubun")), 2);
        QCOMPARE(f.w.windowTitle(), QStringLiteral("温度管理"));
        QCOMPARE(f.w.Label6->text(), QStringLiteral("0"));
        QCOMPARE(f.w.ComboBox3->currentText(),
                 QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")));
        QCOMPARE(statistics(f.w), QStringList(4)); // no reading, no statistics
        QCOMPARE(f.w.SS1->rowCount(), 100);
        QCOMPARE(f.w.SS1->columnCount(), 3);
        // Only the readings grid shows a header: its column captions, in bold.
        QVERIFY(f.w.SS1->verticalHeader()->isHidden());
        QVERIFY(f.w.SS1->horizontalHeader()->font().bold());
        QVERIFY(f.w.SS2->horizontalHeader()->isHidden() && f.w.SS2->verticalHeader()->isHidden());
        QCOMPARE(f.w.SS1->horizontalHeaderItem(0)->text(), QStringLiteral("単位"));
        QCOMPARE(f.w.SS1->horizontalHeaderItem(1)->text(), QStringLiteral("温度"));
        QCOMPARE(f.w.SS1->horizontalHeaderItem(2)->text(), QStringLiteral("備考"));
        QCOMPARE(f.w.SS2->item(3, 0)->text(), QStringLiteral("個数"));
        QCOMPARE(f.w.StatusPanel0->text(), QStringLiteral("Ver." ONDOKANRI_VERSION));
        QCOMPARE(f.w.Memo1->toPlainText(), QString());

        // The decimals box shows the stored setting and stores every change; the average
        // keeps one decimal.
        QCOMPARE(f.w.SpinEdit1->value(), 3);
        f.w.SpinEdit1->setValue(2);
        QCOMPARE(ReadSetting(QStringLiteral("OndoAvgKetasu")), QStringLiteral("2"));
        typeInto(f.w.Edit7, QStringLiteral("1"));
        QTest::keyClick(f.w.Edit7, Qt::Key_Return);
        typeCell(f.w, 1, 1, QStringLiteral("150.25"));
        QCOMPARE(f.w.SS2->item(2, 1)->text(), QStringLiteral("150.3"));

        // Four clicks bring the arrow round.
        QStringList captions;
        for (int i = 0; i < 4; ++i) {
            f.w.Button6->click();
            captions << f.w.Button6->text();
        }
        QCOMPARE(captions, (QStringList{"↓", "←", "↑", "→"}));
    }

    void tabWalksTheWindowTopToBottom()
    {
        Fixture f;
        const QList<QWidget*> order{f.w.Edit2,   f.w.ComboBox1, f.w.ComboBox2, f.w.Edit3,
                                    f.w.Button3, f.w.ComboBox3, f.w.ComboBox4, f.w.ComboBox5,
                                    f.w.Edit5,   f.w.SS1,       f.w.SS2,       f.w.SpinEdit1,
                                    f.w.Edit7,   f.w.Button10,  f.w.Memo1,     f.w.Button6,
                                    f.w.Button7, f.w.BitBtn2,   f.w.BitBtn3};
        QList<QWidget*> chain;
        for (QWidget* at = f.w.nextInFocusChain(); at != &f.w; at = at->nextInFocusChain())
            chain << at;
        for (int i = 0; i < order.size(); ++i) {
            QVERIFY2(order[i]->focusPolicy() & Qt::TabFocus, qPrintable(order[i]->objectName()));
            if (i > 0)
                QVERIFY2(chain.indexOf(order[i - 1]) < chain.indexOf(order[i]),
                         qPrintable(order[i]->objectName()));
        }
    }

    void numbering()
    {
        Fixture f;
        typeInto(f.w.Edit7, QStringLiteral("3"));
        f.w.Button10->click();
        typeCell(f.w, 2, 1, QStringLiteral("155"));
        typeCell(f.w, 2, 2, QStringLiteral("memo"));
        QCOMPARE(statistics(f.w), (QStringList{"155", "155", "155.0", "1"}));

        typeInto(f.w.Edit7, QStringLiteral("5"));
        f.w.Button10->click();
        QCOMPARE(column(f.w, 0), (QStringList{"1", "2", "3", "4", "5", ""}));
        QCOMPARE(column(f.w, 1), QStringList(6));
        QCOMPARE(column(f.w, 2), QStringList(6));
        QCOMPARE(statistics(f.w), QStringList(4)); // numbering recounts: no reading left

        typeInto(f.w.Edit7, QStringLiteral("150"));
        QTest::keyClick(f.w.Edit7, Qt::Key_Return);
        QCOMPARE(f.w.ReadingCell(100, 0), QStringLiteral("100"));

        typeInto(f.w.Edit7, QStringLiteral("abc"));
        f.w.Button10->click();
        QCOMPARE(column(f.w, 0, 100), QStringList(100));
    }

    void statisticsFollowEveryEdit()
    {
        Fixture f;
        // Nothing labelled: no reading, empty cells.
        typeCell(f.w, 1, 1, QStringLiteral("150"));
        QCOMPARE(statistics(f.w), QStringList(4));

        for (int lno = 1; lno <= 3; ++lno)
            typeCell(f.w, lno, 0, QString::number(lno));
        typeCell(f.w, 2, 1, QStringLiteral("152"));
        typeCell(f.w, 3, 1, QStringLiteral("148"));
        QCOMPARE(statistics(f.w), (QStringList{"152", "148", "150.0", "3"}));

        // A labelled row without a temperature is no reading; an unlabelled one is ignored.
        typeCell(f.w, 4, 0, QStringLiteral("4"));
        QCOMPARE(statistics(f.w), (QStringList{"152", "148", "150.0", "3"}));
        typeCell(f.w, 10, 1, QStringLiteral("5000"));
        QCOMPARE(statistics(f.w), (QStringList{"152", "148", "150.0", "3"}));

        // Deleting labels with the Delete key counts as an edit.
        f.w.SS1->clearSelection();
        f.w.SS1->setRangeSelected(QTableWidgetSelectionRange(2, 0, 3, 0), true);
        QTest::keyClick(f.w.SS1, Qt::Key_Delete);
        QCOMPARE(statistics(f.w), (QStringList{"152", "150", "151.0", "2"}));

        // Maximum and minimum are readings, whatever their size.
        typeCell(f.w, 1, 1, QStringLiteral("1200"));
        typeCell(f.w, 2, 1, QStringLiteral("1100"));
        QCOMPARE(statistics(f.w), (QStringList{"1200", "1100", "1150.0", "2"}));
        typeCell(f.w, 1, 1, QStringLiteral("-5"));
        typeCell(f.w, 2, 1, QStringLiteral("-10"));
        QCOMPARE(statistics(f.w), (QStringList{"-5", "-10", "-7.5", "2"}));

        // Single precision: 100.35 is 100.3499... as a float, so the average rounds down.
        typeCell(f.w, 2, 0, QString());
        typeCell(f.w, 1, 1, QStringLiteral("100.35"));
        QCOMPARE(statistics(f.w), (QStringList{"100.35", "100.35", "100.3", "1"}));
    }

    void simulation()
    {
        Fixture f;
        chooseFromList(f.w.ComboBox4, Kubun0);
        QCOMPARE(f.w.SS1->horizontalHeaderItem(0)->text(), QStringLiteral("1台毎"));
        typeInto(f.w.Edit7, QStringLiteral("5"));
        f.w.Button10->click();
        typeCell(f.w, 8, 1, QStringLiteral("999"));
        for (int round = 0; round < 20; ++round) {
            f.w.Button7->click();
            for (int lno = 1; lno <= 5; ++lno) {
                bool whole = false;
                const int v = f.w.ReadingCell(lno, 1).toInt(&whole);
                QVERIFY2(whole && v >= 150 && v <= 160, qPrintable(f.w.ReadingCell(lno, 1)));
            }
            QCOMPARE(f.w.ReadingCell(6, 1), QString());
            QCOMPARE(f.w.ReadingCell(8, 1), QStringLiteral("999"));
            QCOMPARE(f.w.SS2->item(3, 1)->text(), QStringLiteral("5"));
            const int max = f.w.SS2->item(0, 1)->text().toInt();
            const int min = f.w.SS2->item(1, 1)->text().toInt();
            QVERIFY(min >= 150 && max <= 160 && min <= max);
        }

        // A range without both bounds changes nothing and says what is missing.
        const QStringList temps = column(f.w, 1, 10);
        const QStringList stats = statistics(f.w);
        for (const QString& range : {QString(), QStringLiteral("150_")}) {
            Engine::Execute(
                QStringLiteral("update OndoKubun set OndoRange = '%1' where ID = 1").arg(range));
            chooseFromList(f.w.ComboBox4, Kubun1);
            typeInto(f.w.Edit7, QStringLiteral("5"));
            f.w.Button10->click();
            for (int lno = 1; lno <= 10; ++lno)
                typeCell(f.w, lno, 1, temps[lno - 1]);
            const auto message = answerBox(QMessageBox::Ok);
            f.w.Button7->click();
            QVERIFY2(message->contains(QStringLiteral("150_160")), qPrintable(*message));
            QCOMPARE(column(f.w, 1, 10), temps);
            QCOMPARE(statistics(f.w), stats);
        }
    }

    // A whole day of work: pickers, numbering, temperatures, register, another day.
    void dayOfWork()
    {
        Fixture f;
        TfEditOndoData& w = f.w;

        pickListRow(0);
        w.ComboBox1->showPopup();
        QCOMPARE(w.Edit2->text(), QStringLiteral("K001"));
        QCOMPARE(w.ComboBox1->currentText(), QStringLiteral("国道1号舗装工事"));
        QCOMPARE(f.lv.ListView1->columnWidth(1), 400);
        QCOMPARE(f.lv.windowTitle(), QStringLiteral("工事の選択"));
        pickListRow(0);
        w.ComboBox1->showPopup();
        QCOMPARE(w.ComboBox1->count(), 2); // names accumulate

        typeInto(w.ComboBox2->lineEdit(), Mix13);
        typeInto(w.ComboBox3->lineEdit(), QStringLiteral("2024/03/01"));
        whenModal([](QWidget* modal) {
            auto* cal = qobject_cast<TfCalendar*>(modal);
            if (!cal)
                return;
            QCOMPARE(cal->GetCalendar(), QDate(2024, 3, 1));
            cal->Calendar1->setCurrentCell(2, 0); // Sunday 10 March 2024
            cal->BitBtn1->click();
        });
        w.Button3->click();
        QCOMPARE(w.ComboBox3->currentText(), QStringLiteral("2024/03/10"));

        chooseFromList(w.ComboBox4, Kubun0);
        w.ComboBox5->showPopup();
        QCOMPARE(w.ComboBox5->count(), 2);
        QCOMPARE(w.ComboBox5->itemText(0), QStringLiteral("安藤")); // by reading
        w.ComboBox5->hidePopup();
        chooseFromList(w.ComboBox5, QStringLiteral("山田"));
        typeInto(w.Edit5, QStringLiteral("150_170"));

        typeInto(w.Edit7, QStringLiteral("3"));
        w.Button10->click();
        typeCell(w, 1, 1, QStringLiteral("152.4"));
        typeCell(w, 2, 1, QStringLiteral("150"));
        typeCell(w, 3, 1, QStringLiteral("148"));
        QCOMPARE(statistics(w), (QStringList{"152.4", "148", "150.1", "3"}));

        w.BitBtn2->click();
        QCOMPARE(w.Label6->text(), QStringLiteral("1"));
        {
            Query q(QStringLiteral("select * from OndoKanri4"));
            q.Open();
            QCOMPARE(q.RecordCount(), 1);
            QCOMPARE(q.FieldInt(QStringLiteral("ID")), 1);
            QCOMPARE(q.FieldText(QStringLiteral("KojiCode")), QStringLiteral("K001"));
            QCOMPARE(q.FieldText(QStringLiteral("GozaiName")), Mix13);
            QCOMPARE(q.FieldText(QStringLiteral("Sokuteisya")), QStringLiteral("山田"));
            QCOMPARE(q.FieldInt(QStringLiteral("Kubun")), 0);
            QVERIFY(q.FieldText(QStringLiteral("Kikakuti")).startsWith(QStringLiteral("150_170:")));
            Query h(QStringLiteral("select * from OndoHead4"));
            h.Open();
            QCOMPARE(h.RecordCount(), 1);
            QCOMPARE(h.FieldDateTime(QStringLiteral("Hiduke")),
                     ParseDate(QStringLiteral("2024/03/10")));
            QCOMPARE(h.FieldInt(QStringLiteral("Kosu")), 3);
            QCOMPARE(h.FieldDouble(QStringLiteral("MaxOndo")), 152.4);
            QCOMPARE(h.FieldDouble(QStringLiteral("MiniOndo")), 148.0);
            QCOMPARE(h.FieldDouble(QStringLiteral("AvgOndo")), 150.1);
        }
        QCOMPARE(storedReadings(1, QStringLiteral("2024/03/10")),
                 (QList<StoredReading>{{1, "1", 152.4}, {2, "2", 150}, {3, "3", 148}}));

        // Again without the label of row 2: the day is replaced, not doubled.
        w.SS1->clearSelection();
        w.SS1->setCurrentCell(1, 0);
        QTest::keyClick(w.SS1, Qt::Key_Delete);
        w.BitBtn2->click();
        QCOMPARE(storedReadings(1, QStringLiteral("2024/03/10")),
                 (QList<StoredReading>{{1, "1", 152.4}, {3, "3", 148}}));
        QCOMPARE(countRows(QStringLiteral("select * from OndoHead4")), 1);
        QCOMPARE(countRows(QStringLiteral("select * from OndoHead4 where Kosu = 2")), 1);

        // Another day under the same header; the date list then holds both.
        typeInto(w.ComboBox3->lineEdit(), QStringLiteral("2024/03/11"));
        typeCell(w, 1, 0, QStringLiteral("A-1")); // labels need not be numbers
        w.BitBtn2->click();
        QCOMPARE(countRows(QStringLiteral("select * from OndoKanri4")), 1);
        QCOMPARE(countRows(QStringLiteral("select * from OndoHead4 where KanriID = 1")), 2);
        QCOMPARE(storedReadings(1, QStringLiteral("2024/03/11")).first().label,
                 QStringLiteral("A-1"));

        chooseFromList(w.ComboBox3, QStringLiteral("2024/03/10"));
        QCOMPARE(w.ComboBox3->count(), 2);
        QCOMPARE(w.ComboBox3->itemText(1), QStringLiteral("2024/03/11"));
        QCOMPARE(column(w, 0, 3), (QStringList{"1", "", "3"}));
        QCOMPARE(column(w, 1, 3), (QStringList{"152.4", "", "148"})); // as stored
        QCOMPARE(w.SS2->item(3, 1)->text(), QStringLiteral("2"));
        QCOMPARE(w.Edit8->text(), QStringLiteral("1台毎"));

        // Registering what is shown changes no stored reading.
        w.BitBtn2->click();
        QCOMPARE(storedReadings(1, QStringLiteral("2024/03/10")).first().ondo, 152.4);
    }

    void categoryAndMixPickingLoadStoredHeaders()
    {
        Fixture f;
        TfEditOndoData& w = f.w;
        enterDay(w, QStringLiteral("K001"), Mix13, Kubun0, QStringLiteral("2024/04/01"),
                 {QStringLiteral("151"), QStringLiteral("153")});
        typeInto(w.ComboBox5->lineEdit(), QStringLiteral("山田"));
        w.BitBtn2->click();
        QCOMPARE(w.Label6->text(), QStringLiteral("1"));

        w.N3->trigger();
        typeInto(w.Edit2, QStringLiteral("K001"));
        typeInto(w.ComboBox2->lineEdit(), Mix13);
        typeInto(w.ComboBox3->lineEdit(), QStringLiteral("2024/04/01"));
        chooseFromList(w.ComboBox4, Kubun0);
        QCOMPARE(w.Label6->text(), QStringLiteral("1"));
        QCOMPARE(w.ComboBox5->currentText(), QStringLiteral("山田"));
        QCOMPARE(column(w, 1, 3), (QStringList{"151", "153", ""}));

        // No header for that category: only the grid empties.
        chooseFromList(w.ComboBox4, Kubun1);
        QCOMPARE(column(w, 0, 3), QStringList(3));
        QCOMPARE(column(w, 1, 3), QStringList(3));
        QCOMPARE(w.ComboBox5->currentText(), QStringLiteral("山田"));
        QCOMPARE(w.SS2->item(3, 1)->text(), QString()); // recounted: no reading
        QCOMPARE(w.Label6->text(), QStringLiteral("0"));

        // Mix picking lists the project's headers and opens the chosen one.
        w.N3->trigger();
        typeInto(w.Edit2, QStringLiteral("K001"));
        pickListRow(0);
        w.ComboBox2->showPopup();
        QCOMPARE(f.lv.ListView1->topLevelItemCount(), 1);
        QCOMPARE(w.ComboBox2->currentText(), Mix13);
        QCOMPARE(w.Edit3->text(), QStringLiteral("密粒度アスコン13"));
        QCOMPARE(w.ComboBox4->currentText(), Kubun0);
        QCOMPARE(column(w, 1, 2), (QStringList{"151", "153"}));
    }

    void anotherUsersDayIsNotOverwrittenUnasked()
    {
        Fixture f;
        TfEditOndoData& w = f.w;
        enterDay(w, QStringLiteral("K001"), Mix13, Kubun0, QStringLiteral("2024/05/01"),
                 {QStringLiteral("150"), QStringLiteral("160")});
        w.BitBtn2->click();
        // Someone else registers the same day in between.
        TOndoKanri other;
        other.LoadByID(1);
        other.Kosu = 3;
        QVERIFY(other.Register({{1, QStringLiteral("1"), 170.0},
                                {2, QStringLiteral("2"), 171.0},
                                {3, QStringLiteral("3"), 172.0}}));

        typeCell(w, 1, 1, QStringLiteral("155"));
        const auto question = answerBox(QMessageBox::No);
        w.BitBtn2->click();
        QCOMPARE(*question,
                 QStringLiteral("この試験日は他の利用者が変更しています。上書きしますか？"));
        QCOMPARE(column(w, 1, 4), (QStringList{"170", "171", "172", ""})); // theirs, shown again
        QCOMPARE(countRows(QStringLiteral("select * from OndoLine4")), 3);

        typeCell(w, 1, 1, QStringLiteral("155")); // now it is the day this window saw
        w.BitBtn2->click();
        QCOMPARE(countRows(QStringLiteral("select * from OndoLine4 where Ondo = 155")), 1);
    }

    void openNewAndDelete()
    {
        Fixture f;
        TfEditOndoData& w = f.w;
        enterDay(w, QStringLiteral("K001"), Mix13, Kubun0, QStringLiteral("2024/05/01"),
                 {QStringLiteral("150"), QStringLiteral("160")});
        w.BitBtn2->click();
        typeInto(w.ComboBox3->lineEdit(), QStringLiteral("2024/05/02"));
        w.BitBtn2->click();
        enterDay(w, QStringLiteral("K002"), QStringLiteral("粗粒度20"), Kubun0,
                 QStringLiteral("2024/05/01"), {QStringLiteral("140")});
        w.BitBtn2->click();
        QCOMPARE(w.Label6->text(), QStringLiteral("2"));

        // New: an empty record of today; the interval stays.
        w.N3->trigger();
        QCOMPARE(w.Label6->text(), QStringLiteral("0"));
        QCOMPARE(w.Edit2->text(), QString());
        QCOMPARE(w.ComboBox2->currentText(), QString());
        QCOMPARE(w.ComboBox3->currentText(),
                 QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")));
        QCOMPARE(statistics(w), QStringList(4));
        QCOMPARE(column(w, 0, 3), QStringList(3));
        QCOMPARE(w.Edit8->text(), QStringLiteral("1台毎"));
        QCOMPARE(w.SS1->horizontalHeaderItem(0)->text(), QStringLiteral("1台毎"));

        // Open lists by code descending; cancel changes nothing.
        whenModal([](QWidget* modal) {
            auto* lv = qobject_cast<TfListView*>(modal);
            if (lv && lv->ListView1->topLevelItemCount() == 2 &&
                lv->ListView1->topLevelItem(0)->text(0) == QStringLiteral("K002"))
                lv->CancelButton->click();
        });
        w.Open1->trigger();
        QVERIFY(!f.lv.isVisible());
        QCOMPARE(w.Label6->text(), QStringLiteral("0"));
        pickListRow(1);
        w.Open1->trigger();
        QCOMPARE(w.Label6->text(), QStringLiteral("1"));
        QCOMPARE(w.Edit2->text(), QStringLiteral("K001"));
        QCOMPARE(w.ComboBox1->currentText(), QStringLiteral("国道1号舗装工事"));
        QCOMPARE(w.SS2->item(3, 1)->text(), QStringLiteral("2"));
        QCOMPARE(column(w, 1, 2), (QStringList{"150", "160"}));

        // Delete asks first; No keeps everything.
        auto question = answerBox(QMessageBox::No);
        w.Delete1->trigger();
        QCOMPARE(
            *question,
            QStringLiteral("工事 K001 / 密粒度13 / 練上温度 の記録（2 日分）を削除しますか？"));
        QCOMPARE(countRows(QStringLiteral("select * from OndoKanri4 where ID = 1")), 1);
        answerBox(QMessageBox::Yes);
        w.Delete1->trigger();
        QCOMPARE(countRows(QStringLiteral("select * from OndoKanri4 where ID = 1")), 0);
        QCOMPARE(countRows(QStringLiteral("select * from OndoHead4 where KanriID = 1")), 0);
        QCOMPARE(countRows(QStringLiteral("select * from OndoLine4 where KanriID = 1")), 0);
        QCOMPARE(countRows(QStringLiteral("select * from OndoLine4 where KanriID = 2")), 1);
        QCOMPARE(w.Edit2->text(), QStringLiteral("K001")); // still on screen

        // Stored again it is a new header, and delete acts on that one.
        w.BitBtn2->click();
        QCOMPARE(w.Label6->text(), QStringLiteral("3"));
        answerBox(QMessageBox::Yes);
        w.Delete1->trigger();
        QCOMPARE(countRows(QStringLiteral("select * from OndoKanri4")), 1);
        QCOMPARE(countRows(QStringLiteral("select * from OndoKanri4 where ID = 2")), 1);
    }

    // Full-width typing, ranges as people write them, the input method of each column.
    void typedTextReadsAsTyped()
    {
        Fixture f;
        TfEditOndoData& w = f.w;
        QLineEdit* label = commitIntoCell(w, 1, 0, QStringLiteral("１"));
        QVERIFY(label);
        QVERIFY(label->testAttribute(Qt::WA_InputMethodEnabled)); // labels keep it on
        QTest::keyClick(label, Qt::Key_Escape);
        typeInto(w.Edit7, QStringLiteral("４"));
        QTest::keyClick(w.Edit7, Qt::Key_Return);
        QCOMPARE(w.ReadingCell(4, 0), QStringLiteral("4"));
        const QStringList typed{QStringLiteral("１５２"), QStringLiteral("152．5"),
                                QStringLiteral("－5"), QStringLiteral("−7")};
        for (int i = 0; i < typed.size(); ++i) {
            QLineEdit* editor = commitIntoCell(w, i + 1, 1, typed[i]);
            QVERIFY(editor);
            QVERIFY(!editor->testAttribute(Qt::WA_InputMethodEnabled));
            QVERIFY(editor->inputMethodHints() & Qt::ImhPreferNumbers);
            QTest::keyClick(editor, Qt::Key_Return);
        }
        QTRY_COMPARE(column(w, 1, 4), (QStringList{"152", "152.5", "-5", "-7"}));
        QCOMPARE(statistics(w), (QStringList{"152.5", "-7", "73.1", "4"}));

        // Outside the specified value: red, and counted under the statistics.
        typeInto(w.Edit5, QStringLiteral("１５０～１６５"));
        QCOMPARE(w.LabelKikakugai->text(), QStringLiteral("規格外 2 件"));
        QCOMPARE(w.SS1->item(3, 1)->foreground().color(), QColor(Qt::red));
        QCOMPARE(w.SS1->item(0, 1)->foreground().style(), Qt::NoBrush);

        typeInto(w.SpinEdit1->findChild<QLineEdit*>(), QStringLiteral("２"));
        QCOMPARE(w.SpinEdit1->value(), 2);

        typeInto(w.Edit2, QStringLiteral("K001"));
        typeInto(w.ComboBox2->lineEdit(), Mix13);
        typeInto(w.ComboBox4->lineEdit(), Kubun0);
        typeInto(w.ComboBox3->lineEdit(), QStringLiteral("２０２４／０７／０１"));
        typeInto(w.Edit5, QStringLiteral("高め"));
        const auto refused = answerBox(QMessageBox::Ok);
        w.BitBtn2->click();
        QCOMPARE(*refused, QStringLiteral("規格値は 150_160 のように入力してください"));
        QCOMPARE(countRows(QStringLiteral("select * from OndoKanri4")), 0);
        typeInto(w.Edit5, QStringLiteral("150-165"));
        w.BitBtn2->click();
        QCOMPARE(w.Edit5->text(), QStringLiteral("150_165"));
        QCOMPARE(
            storedReadings(1, QStringLiteral("2024/07/01")),
            (QList<StoredReading>{{1, "1", 152}, {2, "2", 152.5}, {3, "3", -5}, {4, "4", -7}}));
        Query q(QStringLiteral("select * from OndoKanri4 inner join OndoHead4 on KanriID = ID"));
        q.Open();
        QVERIFY(q.FieldText(QStringLiteral("Kikakuti")).startsWith(QStringLiteral("150_165:")));
        QCOMPARE(q.FieldDouble(QStringLiteral("MaxOndo")), 152.5);
        QCOMPARE(q.FieldInt(QStringLiteral("Kosu")), 4);
    }

    // Numbered rows without a temperature are no readings; the statistics follow every change.
    void onlyTemperaturesAreReadings()
    {
        Fixture f;
        TfEditOndoData& w = f.w;
        enterDay(w, QStringLiteral("K001"), Mix13, Kubun0, QStringLiteral("2024/08/01"), {});
        const auto none = answerBox(QMessageBox::Ok);
        w.BitBtn2->click();
        QCOMPARE(*none, QStringLiteral("温度が入力されていません"));
        typeInto(w.Edit7, QStringLiteral("5"));
        w.Button10->click();
        for (int lno : {1, 2, 4})
            typeCell(w, lno, 1, QString::number(150 + lno));
        QCOMPARE(statistics(w), (QStringList{"154", "151", "152.3", "3"}));
        w.BitBtn2->click();
        QCOMPARE(storedReadings(1, QStringLiteral("2024/08/01")).size(), 3);
        QCOMPARE(
            countRows(QStringLiteral("select * from OndoHead4 where Kosu = 3 and MiniOndo = 151")),
            1);
        QCOMPARE(w.focusWidget(), w.SS1); // not 閉じる

        w.N3->trigger();
        QCOMPARE(statistics(w), QStringList(4));
        pickListRow(0);
        w.Open1->trigger();
        QCOMPARE(f.lv.windowTitle(), QStringLiteral("記録の選択"));
        QCOMPARE(statistics(w), (QStringList{"154", "151", "152.3", "3"}));
        typeInto(w.Edit7, QStringLiteral("2"));
        w.Button10->click();
        QCOMPARE(statistics(w), QStringList(4));
    }

    // Label6, 削除 and この試験日を削除 always mean the record on screen.
    void deleteActsOnTheShownRecord()
    {
        Fixture f;
        TfEditOndoData& w = f.w;
        for (const char* day : {"2024/09/01", "2024/09/02"}) {
            enterDay(w, QStringLiteral("K001"), Mix13, Kubun0, QLatin1String(day),
                     {QStringLiteral("150")});
            w.BitBtn2->click();
        }
        enterDay(w, QStringLiteral("K002"), Mix13, Kubun0, QStringLiteral("2024/09/01"),
                 {QStringLiteral("140")});
        w.BitBtn2->click();

        // A category whose header lacks the typed day: that day, new and empty.
        w.N3->trigger();
        typeInto(w.Edit2, QStringLiteral("K001"));
        typeInto(w.ComboBox2->lineEdit(), Mix13);
        typeInto(w.ComboBox3->lineEdit(), QStringLiteral("2024/09/02"));
        chooseFromList(w.ComboBox4, Kubun0);
        QCOMPARE(column(w, 1, 1), QStringList{QStringLiteral("150")});
        typeInto(w.ComboBox3->lineEdit(), QStringLiteral("2024/09/03"));
        chooseFromList(w.ComboBox4, Kubun0);
        QCOMPARE(w.ComboBox3->currentText(), QStringLiteral("2024/09/03"));
        QCOMPARE(column(w, 1, 1), QStringList{QString()});
        QCOMPARE(w.Label6->text(), QStringLiteral("1"));
        const auto noDay = answerBox(QMessageBox::Ok);
        w.DeleteDay1->trigger();
        QCOMPARE(*noDay, QStringLiteral("表示中の試験日は登録されていません"));

        // Typing another mix shows a record that is not stored: 削除 removes nothing.
        typeInto(w.ComboBox2->lineEdit(), QStringLiteral("粗粒度20"));
        QCOMPARE(w.Label6->text(), QStringLiteral("0"));
        const auto nothing = answerBox(QMessageBox::Ok);
        w.Delete1->trigger();
        QCOMPARE(*nothing, QStringLiteral("表示中の記録は登録されていません"));
        QCOMPARE(countRows(QStringLiteral("select * from OndoKanri4")), 2);

        typeInto(w.ComboBox2->lineEdit(), Mix13);
        typeInto(w.ComboBox3->lineEdit(), QStringLiteral("2024/09/01"));
        for (int round = 0; round < 2; ++round) {
            const auto question = answerBox(QMessageBox::Yes);
            w.DeleteDay1->trigger();
            QCOMPARE(
                *question,
                QStringLiteral("工事 K001 / 密粒度13 / 練上温度 の %1 の記録を削除しますか？")
                    .arg(round == 0 ? QStringLiteral("2024/09/01") : QStringLiteral("2024/09/02")));
            typeInto(w.ComboBox3->lineEdit(), QStringLiteral("2024/09/02"));
        }
        QCOMPARE(countRows(QStringLiteral("select * from OndoHead4 where KanriID = 1")), 0);
        QCOMPARE(countRows(QStringLiteral("select * from OndoKanri4 where ID = 1")),
                 0); // with its last day
        QCOMPARE(countRows(QStringLiteral("select * from OndoLine4 where KanriID = 2")), 1);
        QCOMPARE(w.Label6->text(), QStringLiteral("0"));
    }

    // 登録 refuses records nobody could find again, and offers to register a new project.
    void registerRefusesUnreachableRecords()
    {
        Fixture f;
        TfEditOndoData& w = f.w;
        enterDay(w, QString(), Mix13, Kubun0, QStringLiteral("2024/10/01"),
                 {QStringLiteral("150")});
        const QList<std::pair<std::function<void()>, QString>> cases{
            {[] {}, QStringLiteral("工事コードが入力されていません")},
            {[&w] {
                 typeInto(w.Edit2, QStringLiteral("K009"));
                 typeInto(w.ComboBox2->lineEdit(), QString());
             },
             QStringLiteral("合材名が入力されていません")},
            {[&w] {
                 typeInto(w.ComboBox2->lineEdit(), Mix13);
                 typeInto(w.ComboBox4->lineEdit(), QString());
             },
             QStringLiteral("区分名が入力されていません")},
            {[&w] { typeInto(w.ComboBox4->lineEdit(), QStringLiteral("舗設温度")); },
             QStringLiteral("区分名「舗設温度」は温度区分に登録されていません")}};
        for (const auto& c : cases) {
            c.first();
            const auto message = answerBox(QMessageBox::Ok);
            w.BitBtn2->click();
            QCOMPARE(*message, c.second);
        }
        typeInto(w.ComboBox4->lineEdit(), Kubun0);
        w.ComboBox1->setEditText(QStringLiteral("市道工事"));
        for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
            const auto question = answerBox(answer);
            w.BitBtn2->click();
            QCOMPARE(*question,
                     QStringLiteral("工事コード「K009」は工事に登録されていません。"
                                    "工事名「市道工事」で登録してから記録を登録しますか？"));
            QCOMPARE(countRows(QStringLiteral("select * from OndoKanri4")),
                     answer == QMessageBox::No ? 0 : 1);
        }
        TKoji added;
        added.Load(QStringLiteral("K009"));
        QCOMPARE(added.Kojimei(), QStringLiteral("市道工事"));
    }

    // Enter, copy, paste and delete as in a spreadsheet column; keyboard shortcuts.
    void gridWorksLikeASpreadsheet()
    {
        Fixture f;
        TfEditOndoData& w = f.w;
        QLineEdit* editor = commitIntoCell(w, 1, 1, QStringLiteral("150"));
        QVERIFY(editor);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(w.SS1->currentRow(), 1);
        QCOMPARE(w.SS1->currentColumn(), 1);
        QCOMPARE(w.ReadingCell(1, 1), QStringLiteral("150"));
        w.SS1->setCurrentCell(2, 0);
        QTest::keyClick(w.SS1, Qt::Key_Return);
        QCOMPARE(w.SS1->currentRow(), 3);
        QCOMPARE(w.SS1->currentColumn(), 1);

        QGuiApplication::clipboard()->setText(QStringLiteral("151\t備考a\r\n１５２\n\n153\n"));
        w.SS1->setCurrentCell(1, 1);
        QTest::keyClick(w.SS1, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(column(w, 0, 5), (QStringList{"", "2", "3", "4", "5"}));
        QCOMPARE(column(w, 1, 5), (QStringList{"150", "151", "152", "", "153"}));
        QCOMPARE(w.ReadingCell(2, 2), QStringLiteral("備考a"));
        QCOMPARE(statistics(w), (QStringList{"153", "151", "152.0", "3"}));

        w.SS1->setCurrentCell(1, 0);
        w.SS1->setRangeSelected(QTableWidgetSelectionRange(1, 0, 2, 1), true);
        QTest::keyClick(w.SS1, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("2\t151\n3\t152\n"));
        QTest::keyClick(w.SS1, Qt::Key_Delete);
        QCOMPARE(column(w, 1, 3), (QStringList{"150", "", ""}));

        QStringList many;
        for (int i = 0; i < 105; ++i)
            many << QString::number(140 + i % 20);
        QGuiApplication::clipboard()->setText(many.join(QLatin1Char('\n')));
        w.SS1->setCurrentCell(0, 1);
        const auto leftOut = answerBox(QMessageBox::Ok);
        QTest::keyClick(w.SS1, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(*leftOut, QStringLiteral(
                               "貼り付けは 100 行目までです。残りの 5 行は取り込みませんでした。"));
        QCOMPARE(w.ReadingCell(100, 0), QStringLiteral("100"));
        QCOMPARE(w.SS2->item(3, 1)->text(), QStringLiteral("100"));

        QStringList titles;
        for (QAction* menu : w.menuBar()->actions())
            titles << menu->text();
        QCOMPARE(titles.mid(0, 4),
                 (QStringList{"ファイル(&F)", "編集(&E)", "データ(&D)", "オプション(&O)"}));
        typeInto(w.Edit2, QStringLiteral("K001"));
        typeInto(w.ComboBox2->lineEdit(), Mix13);
        typeInto(w.ComboBox4->lineEdit(), Kubun0);
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
        QTRY_COMPARE(countRows(QStringLiteral("select * from OndoLine4")),
                     100); // an animated click
        QTest::keyClick(&w, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(w.Edit2->text(), QString());
    }

    void registerRefusesAnInvalidDay()
    {
        Fixture f;
        enterDay(f.w, QStringLiteral("K001"), Mix13, Kubun0, QStringLiteral("3月の初め"),
                 {QStringLiteral("150")});
        const auto message = answerBox(QMessageBox::Ok);
        f.w.BitBtn2->click();
        QCOMPARE(*message, QStringLiteral("試験日が正しくありません"));
        QCOMPARE(countRows(QStringLiteral("select * from OndoKanri4")), 0);
        QCOMPARE(countRows(QStringLiteral("select * from OndoHead4")), 0);
        QVERIFY(f.w.BitBtn2->isEnabled());
    }

    void failedRegisterLeavesTheStoredDay()
    {
        Fixture f;
        TfEditOndoData& w = f.w;
        const QString day = QStringLiteral("2024/06/01");
        enterDay(w, QStringLiteral("K001"), Mix13, Kubun0, day,
                 {QStringLiteral("150"), QStringLiteral("152"), QStringLiteral("148")});
        w.BitBtn2->click();
        const QList<StoredReading> stored = storedReadings(1, day);
        QCOMPARE(stored.size(), 3);

        Engine::Execute(
            QStringLiteral("create trigger refuse before insert on OndoLine4 "
                           "when new.Sokuten = 'x' begin select raise(abort, 'refused'); end"));
        typeCell(w, 1, 1, QStringLiteral("170"));
        typeCell(w, 3, 0, QStringLiteral("x"));
        const auto message = answerBox(QMessageBox::Ok);
        w.BitBtn2->click();
        QVERIFY(!message->isEmpty());
        QVERIFY(w.BitBtn2->isEnabled());
        QCOMPARE(storedReadings(1, day), stored);
        QCOMPARE(countRows(QStringLiteral("select * from OndoHead4 where MaxOndo = 152")), 1);

        Engine::Execute(QStringLiteral("drop trigger refuse"));
        w.BitBtn2->click();
        QCOMPARE(storedReadings(1, day),
                 (QList<StoredReading>{{1, "1", 170}, {2, "2", 152}, {3, "x", 148}}));
        QCOMPARE(countRows(QStringLiteral("select * from OndoHead4 where MaxOndo = 170")), 1);
    }
};

ONDO_TEST_MAIN(TestMainWindow, QApplication)
#include "test_mainwindow.moc"
