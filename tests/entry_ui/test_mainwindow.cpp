#include "MainWindowFixture.h"
#include "entry_ui/MainWindowNames.h"

namespace N = MainWindowNames;

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The window and its grids draw with one installed face, the stand-in of the Windows faces
    // they name, never through fontconfig's fallback for a face that is missing.
    void windowFacesAreInstalled()
    {
        InstallFontSubstitutions();
        Fixture f;
        for (QWidget* widget : {static_cast<QWidget*>(&f.w), static_cast<QWidget*>(f.grid),
                                static_cast<QWidget*>(f.grid->horizontalHeader())}) {
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
        Fixture f;
        QComboBox plain;
        plain.setEditable(true);
        plain.setInsertPolicy(QComboBox::NoInsert);
        for (const char* name : {N::KojiName, N::GozaiName, N::Day, N::Kubun, N::Simei}) {
            QComboBox* box = f.box(name);
            QVERIFY(box->isEditable());
            QCOMPARE(box->focusPolicy(), plain.focusPolicy());
            QCOMPARE(box->insertPolicy(), plain.insertPolicy());
            QCOMPARE(box->lineEdit()->completer()->completionMode(),
                     plain.lineEdit()->completer()->completionMode());
            QCOMPARE(box->view()->verticalScrollBarPolicy(),
                     plain.view()->verticalScrollBarPolicy());
            QCOMPARE(box->itemDelegate()->metaObject()->className(),
                     plain.itemDelegate()->metaObject()->className());
        }
    }

    void firstStartShowsTheSessionsEmptyDay()
    {
        Fixture f;
        QCOMPARE(f.w.windowTitle(), QStringLiteral("温度管理"));
        QCOMPARE(Child<QLabel>(&f.w, N::ShownId)->text(), QStringLiteral("0"));
        QCOMPARE(f.box("ComboBox3")->currentText(), f.entry.Header().dayText);
        QCOMPARE(f.statistics(), QStringList(4));
        QCOMPARE(f.grid->model()->rowCount(), 100);
        QCOMPARE(f.grid->model()->columnCount(), 5);
        QVERIFY(f.grid->verticalHeader()->isHidden());
        QVERIFY(f.grid->horizontalHeader()->font().bold());
        QVERIFY(f.stats->horizontalHeader()->isHidden() && f.stats->verticalHeader()->isHidden());
        QStringList captions;
        for (int c = 0; c < 5; ++c)
            captions << f.grid->model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(captions, (QStringList{"単位", "温度", "時刻", "車番", "備考"}));
        for (const char* spoken : {"天候", "気温", "記事"}) {
            bool found = false;
            for (QWidget* w : f.w.findChildren<QWidget*>())
                found = found || w->accessibleName() == QString::fromUtf8(spoken);
            QVERIFY2(found, spoken);
        }
        QCOMPARE(f.stats->item(3, 0)->text(), QStringLiteral("個数"));
        QCOMPARE(Child<QLabel>(&f.w, "StatusBar1Panel0")->text(),
                 QStringLiteral("Ver." ONDOKANRI_VERSION));

        // The decimals box (one until chosen) sets the average shown, and is kept.
        auto* decimals = Child<QSpinBox>(&f.w, N::AverageDecimals);
        QCOMPARE(decimals->value(), 1);
        f.entry.Paste(QStringLiteral("150\n151\n151\n"), 1, 1);
        QCOMPARE(f.statistics().at(2), QStringLiteral("150.7"));
        TypeInto(decimals->findChild<QLineEdit*>(), QStringLiteral("２"));
        QCOMPARE(TSettings::Text(QStringLiteral("OndoAvgKetasu")), QStringLiteral("2"));
        QCOMPARE(f.statistics().at(2), QStringLiteral("150.67"));
        QCOMPARE(Child<QGroupBox>(&f.w, N::DecimalsBox)->title(), QStringLiteral("表示小数桁"));

        // Four clicks bring the arrow round from ↓, and the direction is kept.
        QStringList arrows;
        for (int i = 0; i < 4; ++i) {
            f.click("Button6");
            arrows << Child<QPushButton>(&f.w, N::DirectionButton)->text();
        }
        QCOMPARE(arrows, (QStringList{"←", "↑", "→", "↓"}));
        QCOMPARE(TSettings::Text(QStringLiteral("EnterDirection")), QStringLiteral("1"));
    }

    void tabWalksTheWindowTopToBottom()
    {
        Fixture f;
        QList<QWidget*> order;
        for (const char* name :
             {N::KojiCode, N::KojiName, N::GozaiName, N::PrintName, N::DayButton, N::Day, N::Kubun,
              N::Simei, N::SpecValue, N::Readings, N::Statistics, N::AverageDecimals, N::RowCount,
              N::NumberRowsButton, N::Memo, N::DirectionButton, N::SimulateButton,
              N::RegisterButton, N::CloseButton})
            order << Child(&f.w, name);
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

    // What is typed into the boxes and the grid reaches the day; what the day computes is shown.
    void typingReachesTheDayAndItsStatisticsShow()
    {
        Fixture f;
        TypeInto(f.edit("Edit7"), QStringLiteral("４"));
        QTest::keyClick(f.edit("Edit7"), Qt::Key_Return);
        QCOMPARE(f.entry.Cell(4, 0), QStringLiteral("4"));

        QLineEdit* label = f.commitIntoCell(1, 0, QStringLiteral("１"));
        QVERIFY(label && label->testAttribute(Qt::WA_InputMethodEnabled)); // labels keep it on
        QTest::keyClick(label, Qt::Key_Escape);
        const QStringList typed{QStringLiteral("１５２"), QStringLiteral("152．5"),
                                QStringLiteral("－5"), QStringLiteral("−7")};
        for (int i = 0; i < typed.size(); ++i) {
            QLineEdit* editor = f.commitIntoCell(i + 1, 1, typed[i]);
            QVERIFY(editor);
            QVERIFY(!editor->testAttribute(Qt::WA_InputMethodEnabled));
            QVERIFY(editor->inputMethodHints() & Qt::ImhPreferNumbers);
            QTest::keyClick(editor, Qt::Key_Return);
            QTRY_COMPARE(f.grid->currentIndex().row(), i + 1); // Return walks down
        }
        QTRY_COMPARE(f.entry.Cell(4, 1), QStringLiteral("-7"));
        QCOMPARE(f.grid->model()->index(1, 1).data().toString(), QStringLiteral("152.5"));
        QCOMPARE(f.statistics(), (QStringList{"152.5", "-7", "73.1", "4"}));

        TypeInto(f.edit("Edit5"), QStringLiteral("１５０～１６５"));
        QCOMPARE(Child<QLabel>(&f.w, N::OutsideCount)->text(), QStringLiteral("規格外 2 件"));
        const auto colour = [&f](int row) {
            return f.grid->model()->index(row, 1).data(Qt::ForegroundRole).value<QBrush>();
        };
        QCOMPARE(colour(3).color(), QColor(Qt::red));
        QCOMPARE(colour(0).style(), Qt::NoBrush);

        TypeInto(f.edit("Edit2"), QStringLiteral("K001"));
        TypeInto(f.box("ComboBox2")->lineEdit(), Mix13);
        TypeInto(f.box("ComboBox4")->lineEdit(), Kubun0);
        TypeInto(f.box("ComboBox3")->lineEdit(), QStringLiteral("2024/07/01"));
        QCOMPARE(f.entry.Header().kojiCode, QStringLiteral("K001"));
        QCOMPARE(f.entry.Header().dayText, QStringLiteral("2024/07/01"));
        QApplication::setActiveWindow(&f.w);
        QVERIFY(QTest::qWaitForWindowActive(&f.w));
        QTest::keyClick(&f.w, Qt::Key_S, Qt::ControlModifier);
        QTRY_COMPARE(countRows(QStringLiteral("select * from OndoLine4")), 4); // animated click
        QCOMPARE(f.edit("Edit5")->text(), QStringLiteral("150～165"));         // as people write it
        QCOMPARE(Child<QLabel>(&f.w, N::ShownId)->text(), QStringLiteral("1"));
        QCOMPARE(f.w.focusWidget(), f.grid); // not 閉じる
        QTest::keyClick(&f.w, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(f.edit("Edit2")->text(), QString());
        QCOMPARE(Child<QLabel>(&f.w, N::ShownId)->text(), QStringLiteral("0"));
    }

    // Delete, copy and paste as in a spreadsheet column.
    void gridKeysWorkLikeASpreadsheet()
    {
        Fixture f;
        QGuiApplication::clipboard()->setText(QStringLiteral("151\t8:10\t12\t備考a\n152\n"));
        f.grid->setCurrentIndex(f.grid->model()->index(1, 1));
        QTest::keyClick(f.grid, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(f.grid->model()->index(1, 2).data().toString(), QStringLiteral("08:10"));
        QCOMPARE(f.entry.Cell(2, TDayEntry::RemarkColumn), QStringLiteral("備考a"));
        QCOMPARE(f.statistics(), (QStringList{"152", "151", "151.5", "2"}));

        f.grid->selectionModel()->select(
            QItemSelection(f.grid->model()->index(1, 0), f.grid->model()->index(2, 1)),
            QItemSelectionModel::ClearAndSelect);
        QTest::keyClick(f.grid, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("2\t151\n3\t152\n"));
        QTest::keyClick(f.grid, Qt::Key_Delete);
        QCOMPARE(f.statistics(), QStringList(4));

        f.grid->setCurrentIndex(f.grid->model()->index(2, 0));
        QTest::keyClick(f.grid, Qt::Key_Return);
        QCOMPARE(f.grid->currentIndex(), f.grid->model()->index(3, 1));

        // The grid grows with what is pasted, one empty row past the last.
        QStringList many;
        for (int i = 0; i < 150; ++i)
            many << QStringLiteral("150");
        QGuiApplication::clipboard()->setText(many.join(QLatin1Char('\n')));
        f.grid->setCurrentIndex(f.grid->model()->index(0, 1));
        QTest::keyClick(f.grid, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(f.grid->model()->rowCount(), 151);
        QCOMPARE(f.stats->item(3, 1)->text(), QStringLiteral("150"));
    }

    // The pickers of the header, the questions and the refusals reach the user.
    void pickersQuestionsAndRefusals()
    {
        Fixture f;
        pickListRow(0);
        f.box("ComboBox1")->showPopup();
        QCOMPARE(f.edit("Edit2")->text(), QStringLiteral("K001"));
        QCOMPARE(f.box("ComboBox1")->currentText(), QStringLiteral("国道1号舗装工事"));
        QCOMPARE(f.lv.windowTitle(), QStringLiteral("工事の選択"));
        pickListRow(1);
        f.box("ComboBox1")->showPopup();
        QCOMPARE(f.box("ComboBox1")->count(), 2); // names accumulate
        QCOMPARE(f.entry.Header().kojiCode, QStringLiteral("K002"));

        TypeInto(f.box("ComboBox3")->lineEdit(), QStringLiteral("2024/03/01"));
        WhenModal([](QWidget* modal) {
            auto* cal = qobject_cast<TfCalendar*>(modal);
            if (!cal)
                return;
            QCOMPARE(cal->GetCalendar(), QDate(2024, 3, 1));
            cal->Calendar1->setCurrentCell(2, 0); // Sunday 10 March 2024
            cal->BitBtn1->click();
        });
        f.click("Button3");
        QCOMPARE(f.entry.Header().dayText, QStringLiteral("2024/03/10"));

        chooseFromList(f.box("ComboBox4"), Kubun0);
        QCOMPARE(f.edit("Edit8")->text(), QStringLiteral("1台毎"));
        QCOMPARE(f.grid->model()->headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral("1台毎"));

        const auto refused = answerBox(QMessageBox::Ok);
        f.click("BitBtn2");
        QCOMPARE(*refused, QStringLiteral("合材名が入力されていません"));
        QVERIFY(Child<QPushButton>(&f.w, N::RegisterButton)->isEnabled());

        TypeInto(f.box("ComboBox2")->lineEdit(), Mix13);
        TypeInto(f.edit("Edit7"), QStringLiteral("1"));
        f.click("Button10");
        f.typeCell(1, 1, QStringLiteral("150"));
        f.click("BitBtn2");
        chooseFromList(f.box("ComboBox3"), QStringLiteral("2024/03/10"));
        QCOMPARE(f.box("ComboBox3")->count(), 1);

        const auto question = answerBox(QMessageBox::No);
        f.trigger("Delete1");
        QCOMPARE(
            *question,
            QStringLiteral("工事 K002 / 密粒度13 / 練上温度 の記録（1 日分）を削除しますか？"));
        QCOMPARE(countRows(QStringLiteral("select * from OndoKanri4")), 1);

        f.trigger("N3");
        pickListRow(0);
        f.trigger("Open1");
        QCOMPARE(f.lv.windowTitle(), QStringLiteral("記録の選択"));
        QCOMPARE(f.edit("Edit2")->text(), QStringLiteral("K002"));
        QCOMPARE(f.statistics(), (QStringList{"150", "150", "150.0", "1"}));
    }

    // Commands of other windows are asked for; the application connects them.
    void otherWindowsAreAskedFor()
    {
        Fixture f;
        QStringList asked;
        const auto note = [&asked](const QString& what) {
            return [&asked, what] { asked << what; };
        };
        connect(&f.w, &TfEditOndoData::printRequested, this, note("print"));
        connect(&f.w, &TfEditOndoData::projectDialogRequested, this,
                [&asked](bool choose) { asked << (choose ? "project chosen" : "project"); });
        connect(&f.w, &TfEditOndoData::exportRequested, this, note("export"));
        connect(&f.w, &TfEditOndoData::helpRequested, this, note("help"));
        f.click("BitBtn1");
        f.click("Button1");
        f.trigger("KojiItem");
        f.trigger("ExportItem");
        f.trigger("HelpUsage");
        QCOMPARE(asked, (QStringList{"print", "project chosen", "project", "export", "help"}));
        QStringList titles;
        for (QAction* menu : f.w.menuBar()->actions())
            titles << menu->text();
        QCOMPARE(titles, (QStringList{"ファイル(&F)", "編集(&E)", "データ(&D)", "オプション(&O)",
                                      "ヘルプ(&H)"}));
    }

    // Nothing typed goes without the question: 閉じる asks, キャンセル keeps the window and what
    // was typed, 登録 stores it and says so in the status bar.
    void closingAsksAboutUnsavedChanges()
    {
        Fixture f;
        TypeInto(f.edit("Edit2"), QStringLiteral("K001"));
        TypeInto(f.box("ComboBox2")->lineEdit(), Mix13);
        TypeInto(f.box("ComboBox4")->lineEdit(), Kubun0);
        TypeInto(f.box("ComboBox3")->lineEdit(), QStringLiteral("2024/11/06"));
        f.typeCell(1, 1, QStringLiteral("160"));
        TypeInto(Child<QComboBox>(&f.w, N::Weather)->lineEdit(), QStringLiteral("曇"));
        CommitText(Child<QPlainTextEdit>(&f.w, N::Memo), QStringLiteral("午前のみ"));
        QCOMPARE(f.entry.Header().weather, QStringLiteral("曇"));
        QCOMPARE(f.entry.Header().remark, QStringLiteral("午前のみ"));

        const auto press = [](const QString& caption) {
            auto seen = std::make_shared<QStringList>();
            WhenModal([seen, caption](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                if (!box)
                    return;
                *seen << box->text();
                for (QAbstractButton* b : box->buttons()) {
                    *seen << b->text();
                    if (b->text() == caption)
                        b->click();
                }
            });
            return seen;
        };
        auto seen = press(QStringLiteral("キャンセル"));
        QVERIFY(!f.w.close());
        QCOMPARE(seen->value(0), QStringLiteral("変更を登録しますか？"));
        QVERIFY(seen->contains(QStringLiteral("登録")) &&
                seen->contains(QStringLiteral("登録しない")));
        QVERIFY(f.w.isVisible());
        QCOMPARE(f.entry.Cell(1, 1), QStringLiteral("160"));

        seen = press(QStringLiteral("登録"));
        QVERIFY(f.w.close());
        QCOMPARE(countRows(QStringLiteral("select * from OndoHead4 where Tenki = '曇'")), 1);
        QCOMPARE(f.w.statusBar()->currentMessage(),
                 QStringLiteral("2024/11/06 練上温度 1 件を登録しました"));
    }

    // However the window is closed (here the close event itself, as the title bar's × and Alt+F4
    // send it), a value still in the cell's editor is asked about with the rest.
    void closeEventWithAnOpenEditorAsks()
    {
        Fixture f;
        TypeInto(f.edit("Edit2"), QStringLiteral("K001"));
        TypeInto(f.box("ComboBox2")->lineEdit(), Mix13);
        TypeInto(f.box("ComboBox4")->lineEdit(), Kubun0);
        TypeInto(f.box("ComboBox3")->lineEdit(), QStringLiteral("2024/11/07"));
        QVERIFY(!f.entry.IsModified());
        QVERIFY(f.commitIntoCell(1, 1, QStringLiteral("161")));
        QCOMPARE(f.entry.Cell(1, 1), QString()); // still in the editor

        auto asked = std::make_shared<QString>();
        WhenModal([asked](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                *asked = box->text();
                for (QAbstractButton* b : box->buttons())
                    if (b->text() == QStringLiteral("キャンセル"))
                        b->click();
            }
        });
        QCloseEvent cancelled;
        QApplication::sendEvent(&f.w, &cancelled);
        QVERIFY(!cancelled.isAccepted());
        QCOMPARE(*asked, QStringLiteral("変更を登録しますか？"));
        QCOMPARE(f.entry.Cell(1, 1), QStringLiteral("161"));

        QVERIFY(f.commitIntoCell(2, 1, QStringLiteral("162")));
        WhenModal([](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal))
                for (QAbstractButton* b : box->buttons())
                    if (b->text() == QStringLiteral("登録"))
                        b->click();
        });
        QCloseEvent registered;
        QApplication::sendEvent(&f.w, &registered);
        QVERIFY(registered.isAccepted());
        QCOMPARE(countRows(QStringLiteral("select * from OndoLine4")), 2);
    }

    // A typo keeps its text on a red ground with the reason as its tooltip and in the status
    // bar, counts for nothing, and 登録 sends the user to it.
    void refusedCellsStayMarked()
    {
        Fixture f;
        f.typeCell(1, 1, QStringLiteral("155"));
        f.typeCell(2, 1, QStringLiteral("13.5.2"));
        const QModelIndex typo = f.grid->model()->index(1, 1);
        QCOMPARE(typo.data().toString(), QStringLiteral("13.5.2"));
        QCOMPARE(typo.data(Qt::ToolTipRole).toString(),
                 QStringLiteral("「13.5.2」は温度として読めません"));
        QVERIFY(typo.data(Qt::BackgroundRole).value<QBrush>().style() != Qt::NoBrush);
        QVERIFY(!f.grid->model()->index(0, 1).data(Qt::ToolTipRole).isValid());
        QCOMPARE(f.w.statusBar()->currentMessage(),
                 QStringLiteral("2 行目: 「13.5.2」は温度として読めません"));
        QCOMPARE(f.statistics(), (QStringList{"155", "155", "155.0", "1"}));

        f.grid->setCurrentIndex(f.grid->model()->index(5, 1));
        const auto told = answerBox(QMessageBox::Ok);
        f.click("BitBtn2");
        QCOMPARE(*told, QStringLiteral("2 行目の温度を直してから登録してください。"
                                       "「13.5.2」は温度として読めません"));
        QCOMPARE(f.grid->currentIndex().row(), 1);
        QCOMPARE(countRows(QStringLiteral("select * from OndoLine4")), 0);
    }

    // Enter moves as the arrow says; Tab walks a row and on to the next; the 編集 menu undoes
    // and redoes typing, a paste and a numbering.
    void keysAndUndoWorkAsInASpreadsheet()
    {
        Fixture f;
        const auto at = [&f] {
            return qMakePair(f.grid->currentIndex().row(), f.grid->currentIndex().column());
        };
        f.typeCell(1, 1, QStringLiteral("150"));
        QCOMPARE(at(), qMakePair(1, 1)); // ↓: the next row's temperature
        f.click("Button6");              // ←
        f.click("Button6");              // ↑
        f.click("Button6");              // →
        f.typeCell(3, 0, QStringLiteral("A"));
        QCOMPARE(at(), qMakePair(2, 1)); // →: the next cell of the row

        f.grid->setFocus();
        f.grid->setCurrentIndex(f.grid->model()->index(0, 3));
        QTest::keyClick(f.grid, Qt::Key_Tab);
        QCOMPARE(at(), qMakePair(0, 4));
        QTest::keyClick(f.grid, Qt::Key_Tab);
        QCOMPARE(at(), qMakePair(1, 0)); // on to the next row
        QTest::keyClick(f.grid, Qt::Key_Backtab);
        QCOMPARE(at(), qMakePair(0, 4));

        QAction* undo = Child<QAction>(&f.w, N::UndoItem);
        QAction* redo = Child<QAction>(&f.w, N::RedoItem);
        QCOMPARE(undo->text(), QStringLiteral("元に戻す(&U)"));
        QCOMPARE(redo->text(), QStringLiteral("やり直し(&R)"));
        f.grid->setFocus();
        undo->trigger();
        QCOMPARE(f.entry.Cell(3, 0), QString());
        undo->trigger();
        QCOMPARE(f.entry.Cell(1, 1), QString());
        QVERIFY(!undo->isEnabled());
        redo->trigger();
        QCOMPARE(f.entry.Cell(1, 1), QStringLiteral("150"));

        QGuiApplication::clipboard()->setText(QStringLiteral("151\n152\n"));
        f.grid->setCurrentIndex(f.grid->model()->index(1, 1));
        Child<QAction>(&f.w, N::PasteItem)->trigger();
        QCOMPARE(f.statistics().at(3), QStringLiteral("3"));
        TypeInto(f.edit("Edit7"), QStringLiteral("1"));
        f.answers(QMessageBox::Yes);
        f.click("Button10");
        QCOMPARE(f.statistics().at(3), QStringLiteral("1"));
        f.grid->setFocus();
        undo->trigger(); // the numbering
        QCOMPARE(f.statistics().at(3), QStringLiteral("3"));
        undo->trigger(); // the paste
        QCOMPARE(f.statistics().at(3), QStringLiteral("1"));
    }

    // A simulated day is marked in the title and by the band over the readings for as long as
    // the session says it is simulated: simulated, undone, redone, registered, another day
    // opened, and the registered day opened again.
    void simulatedDayIsMarkedWhileShown()
    {
        Fixture f;
        Engine::Execute(QStringLiteral("update OndoKubun set OndoRange = '150_160' where ID = 0"));
        auto* band = Child<QLabel>(&f.w, N::SimulatedBand);
        // 1 marked, 0 plain; -1 when title and band disagree.
        const auto shown = [&] {
            const bool titled = f.w.windowTitle().contains(QStringLiteral("模擬値"));
            const bool plain = f.w.windowTitle() == QStringLiteral("温度管理");
            if (titled != band->isVisible() || titled == plain)
                return -1;
            return int(titled);
        };
        QCOMPARE(shown(), 0);
        TypeInto(f.edit("Edit2"), QStringLiteral("K001"));
        TypeInto(f.box("ComboBox2")->lineEdit(), Mix13);
        chooseFromList(f.box("ComboBox4"), Kubun0);
        TypeInto(f.box("ComboBox3")->lineEdit(), QStringLiteral("2024/07/01"));
        TypeInto(f.edit("Edit7"), QStringLiteral("3"));
        f.click("Button10");
        f.click("Button7");
        QVERIFY(f.entry.IsSimulated());
        QCOMPARE(shown(), 1);
        QVERIFY(band->text().startsWith(QStringLiteral("模擬値（シミュレーション）の日です")));
        QVERIFY(band->y() + band->height() <= f.grid->y());

        f.grid->setFocus();
        Child<QAction>(&f.w, N::UndoItem)->trigger();
        QVERIFY(!f.entry.IsSimulated());
        QCOMPARE(shown(), 0);
        Child<QAction>(&f.w, N::RedoItem)->trigger();
        QCOMPARE(shown(), 1);
        f.click("BitBtn2");
        QCOMPARE(countRows(QStringLiteral("select * from OndoHead4 where Mogi = 1")), 1);
        QCOMPARE(shown(), 1);

        TypeInto(f.box("ComboBox3")->lineEdit(), QStringLiteral("2024/07/02"));
        QTest::keyClick(f.box("ComboBox3")->lineEdit(), Qt::Key_Return);
        QVERIFY(!f.entry.IsSimulated());
        QCOMPARE(shown(), 0);
        TypeInto(f.box("ComboBox3")->lineEdit(), QStringLiteral("2024/07/01"));
        QTest::keyClick(f.box("ComboBox3")->lineEdit(), Qt::Key_Return);
        QCOMPARE(f.statistics().at(3), QStringLiteral("3"));
        QCOMPARE(shown(), 1);
    }

    // Every command a menu has shows its shortcut there, and no button keeps a key of its own.
    void menusShowTheShortcuts()
    {
        Fixture f;
        QHash<QString, QKeySequence> shortcuts;
        for (QAction* menu : f.w.menuBar()->actions())
            for (QAction* a : menu->menu()->actions())
                if (!a->shortcut().isEmpty())
                    shortcuts.insert(a->objectName(), a->shortcut());
        const QList<std::pair<const char*, QKeySequence>> expected{
            {N::OpenItem, QKeySequence::Open},
            {N::NewItem, QKeySequence::New},
            {N::RegisterItem, QKeySequence::Save},
            {N::PrintItem, QKeySequence::Print},
            {N::UndoItem, QKeySequence::Undo},
            {N::RedoItem, QKeySequence::Redo},
            {N::CutItem, QKeySequence::Cut},
            {N::CopyItem, QKeySequence::Copy},
            {N::PasteItem, QKeySequence::Paste},
            {N::SelectAllItem, QKeySequence::SelectAll},
            {N::HelpUsageItem, QKeySequence(Qt::Key_F1)}};
        for (const auto& [name, key] : expected)
            QVERIFY2(shortcuts.value(QLatin1String(name)) == key, name);
        for (QAbstractButton* b : f.w.findChildren<QAbstractButton*>())
            QVERIFY2(b->shortcut().isEmpty() || shortcuts.values().contains(b->shortcut()),
                     qPrintable(b->objectName()));
    }

    // A registered code typed and left fills 工事名; an unknown one is offered for registering.
    void typedProjectCodeIsLookedUp()
    {
        Fixture f;
        QLineEdit* code = f.edit("Edit2");
        code->setFocus();
        TypeInto(code, QStringLiteral("K002"));
        QTest::keyClick(code, Qt::Key_Tab);
        QCOMPARE(f.box("ComboBox1")->currentText(), QStringLiteral("県道舗装工事"));

        bool asked = false;
        connect(&f.w, &TfEditOndoData::projectDialogRequested, this, [&asked] { asked = true; });
        code->setFocus();
        TypeInto(code, QStringLiteral("K9"));
        const auto question = answerBox(QMessageBox::Yes);
        QTest::keyClick(code, Qt::Key_Tab);
        QCOMPARE(*question,
                 QStringLiteral("工事コード「K9」は工事に登録されていません。登録しますか？"));
        QVERIFY(asked);
    }
};

ONDO_TEST_MAIN(TestMainWindow, QApplication)
#include "test_mainwindow.moc"
