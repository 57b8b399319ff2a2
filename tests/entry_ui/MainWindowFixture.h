#pragma once

// The main window on a fresh data folder with its registers, and what its tests do with it.

#include "core/Settings.h"
#include "domain/DayEntry.h"
#include "entry_ui/EditOndoData.h"
#include "entry_ui/MainWindowNames.h"
#include "registers_ui/Calendar.h"
#include "reports/TextMetrics.h"
#include "storage/Engine.h"
#include "storage/Query.h"
#include "support/TestSupport.h"
#include "support/WindowProbe.h"
#include "widgets_ui/ListView.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QCompleter>
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>
#include <QTreeWidget>
#include <memory>

namespace N = MainWindowNames;

inline const QString Kubun0 = QStringLiteral("練上温度");
inline const QString Mix13 = QStringLiteral("密粒度13");

inline void seedRegisters()
{
    TOndoKanri::CreateTables();
    for (const auto& [code, name] :
         {std::pair{"K001", "国道1号舗装工事"}, {"K002", "県道舗装工事"}}) {
        TKoji koji;
        koji.Code() = QString::fromUtf8(code);
        koji.Kojimei() = QString::fromUtf8(name);
        koji.Save();
    }
    Engine::Execute(QStringLiteral("update OndoKubun set SokuteiKankaku = '1台毎' where ID = 0"));
}

// A fresh data folder with registers, and the main window with its pickers.
struct Fixture
{
    TempProfile profile;
    bool seeded = (seedRegisters(), true);
    TDayEntry entry;
    TfListView lv;
    TfCalendar cal;
    TfEditOndoData w{entry, &lv, &cal};
    QTableView* grid = Child<QTableView>(&w, N::Readings);
    QTableWidget* stats = Child<QTableWidget>(&w, N::Statistics);

    Fixture()
    {
        w.show();
        if (!QTest::qWaitForWindowExposed(&w))
            qWarning("main window not exposed");
    }
    QLineEdit* edit(const char* name) const { return Child<QLineEdit>(&w, name); }
    QComboBox* box(const char* name) const { return Child<QComboBox>(&w, name); }
    void click(const char* button) const { Child<QPushButton>(&w, button)->click(); }
    void trigger(const char* action) const { Child<QAction>(&w, action)->trigger(); }
    // Answers the next message box.
    void answers(QMessageBox::StandardButton button) const
    {
        WhenModal([button](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal))
                box->button(button)->click();
        });
    }

    QStringList statistics() const
    {
        QStringList values;
        for (int r = 0; r < 4; ++r)
            values << stats->item(r, 1)->text();
        return values;
    }

    QLineEdit* openEditor() const
    {
        for (QLineEdit* e : grid->viewport()->findChildren<QLineEdit*>())
            if (e->isVisible())
                return e;
        return nullptr;
    }

    // Opens the cell's editor with F2 and commits `text` as the input method does.
    QLineEdit* commitIntoCell(int lno, int column, const QString& text) const
    {
        grid->setCurrentIndex(grid->model()->index(lno - 1, column));
        QTest::keyClick(grid, Qt::Key_F2);
        QLineEdit* editor = openEditor();
        if (editor)
            CommitText(editor, text);
        return editor;
    }

    // Types into a cell as a user does: F2, text, Return.
    void typeCell(int lno, int column, const QString& text) const
    {
        QLineEdit* editor = commitIntoCell(lno, column, text);
        QVERIFY(editor);
        const QPointer<QLineEdit> open(editor);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!open || !open->isVisible()); // the commit arrives on a later turn
    }
};

// Answers the next message box; its text lands in the returned string.
inline std::shared_ptr<QString> answerBox(QMessageBox::StandardButton button)
{
    auto text = std::make_shared<QString>();
    WhenModal([text, button](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box)
            return;
        *text = box->text();
        box->button(button)->click();
    });
    return text;
}

inline void pickListRow(int row)
{
    WhenModal([row](QWidget* modal) {
        auto* lv = qobject_cast<TfListView*>(modal);
        if (!lv || row >= lv->RowCount())
            return;
        lv->SelectRow(row);
        QTest::mouseClick(lv->OkButton, Qt::LeftButton);
    });
}

// Drops the box down and chooses `text` from its list by keyboard.
inline void chooseFromList(QComboBox* box, const QString& text)
{
    box->showPopup();
    const int i = box->findText(text);
    QVERIFY2(i >= 0, qPrintable(text));
    QAbstractItemView* view = box->view();
    view->setCurrentIndex(view->model()->index(i, box->modelColumn()));
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(box->currentText(), text);
}

inline int countRows(const QString& sql)
{
    Query q(sql);
    q.Open();
    return q.RecordCount();
}
