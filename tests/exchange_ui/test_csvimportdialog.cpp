#include "app/ExchangeWiring.h"
#include "core/AppError.h"
#include "domain/DayEntry.h"
#include "entry_ui/EditOndoData.h"
#include "exchange_ui/CsvImportDialog.h"
#include "storage/Engine.h"
#include "storage/Query.h"
#include "support/TestSupport.h"
#include "widgets_ui/ErrorGuard.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

namespace {

// Answers the message boxes that open from now on with `buttons` in turn, keeping their texts.
void answerBoxes(QList<QMessageBox::StandardButton> buttons, QStringList* texts)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, buttons, texts]() mutable {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || box->property("answered").toBool())
            return;
        box->setProperty("answered", true);
        *texts << box->text();
        box->button(buttons.takeFirst())->click();
        if (buttons.isEmpty())
            poll->deleteLater();
    });
    poll->start(10);
}

} // namespace

class TestCsvImportDialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // From the menu: the file's rows and days as they will be stored, 取り込み registers them,
    // a second import asks before replacing, and the window shows the first day imported.
    void importFromTheMenu()
    {
        TempProfile profile;
        TOndoKanri::CreateTables();
        Query k(QStringLiteral("insert into Koji1 (Code, Kojimei) values ('K1', '県道工事')"));
        k.ExecSQL();
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("logger.csv"));
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(
                "\xEF\xBB\xBF記録計\n日付;時刻;温度\n2024/04/01;8:00;150,5\n2024/04/01;8:30;152\n"
                "2024/04/02;9:00;148\n");
        }
        TDayEntry entry;
        TfEditOndoData window(entry, {}, {});
        TfCsvImport dialog;
        ConnectCsvImportDialog(window, &dialog);
        auto* item = window.findChild<QAction*>(QStringLiteral("ImportCsvItem"));
        QVERIFY(item && item->isEnabled());

        for (int round = 0; round < 2; ++round) {
            QStringList texts;
            QTimer::singleShot(0, [&] {
                auto* dlg = qobject_cast<TfCsvImport*>(QApplication::activeModalWidget());
                QVERIFY(dlg);
                // A failed check closes the dialog rather than leave it waiting.
                auto check = [&] {
                    if (round == 0)
                        dlg->OpenFile(file);
                    QCOMPARE(dlg->RowsGrid->rowCount(), 5);
                    QCOMPARE(dlg->TimeColumn->currentData().toInt(), 1);
                    QCOMPARE(dlg->DaysGrid->rowCount(), 2);
                    QCOMPARE(dlg->DaysGrid->item(0, 1)->text(), QStringLiteral("2"));
                    QCOMPARE(dlg->DaysGrid->item(0, 2)->text(), QStringLiteral("152"));
                    QCOMPARE(dlg->DaysGrid->item(0, 4)->text(), QStringLiteral("151.3"));
                    dlg->MixBox->setEditText(QStringLiteral("密粒"));
                    QCOMPARE(dlg->DaysGrid->item(1, 5)->text().isEmpty(), round == 0);
                };
                check();
                if (QTest::currentTestFailed()) {
                    dlg->reject();
                    return;
                }
                if (round == 1)
                    answerBoxes({QMessageBox::Yes, QMessageBox::Ok}, &texts);
                else
                    answerBoxes({QMessageBox::Ok}, &texts);
                dlg->findChild<QPushButton*>(QStringLiteral("ImportButton"))->click();
            });
            item->trigger();
            QCOMPARE(texts.size(), round + 1);
            QCOMPARE(texts.last(), QStringLiteral("取り込み: 2 日 3 件"));
            if (round == 1)
                QVERIFY(texts.first().contains(QStringLiteral("2024/04/02")));
        }
        QCOMPARE(entry.Header().dayText, QStringLiteral("2024/04/01"));
        QCOMPARE(entry.Cell(2, 0), QStringLiteral("08:30"));
        QCOMPARE(entry.Cell(1, 1), QStringLiteral("150.5"));
        Query q(QStringLiteral("select count(*) as N from OndoLine4"));
        q.Open();
        QCOMPARE(q.FieldInt(QStringLiteral("N")), 3);
    }

    // Texts quoted from a file or a name reach a person as written, never as markup, and
    // in two short lines at most: the preview's problem and the one error box.
    void quotedTextsShowAsPlainText()
    {
        TempProfile profile;
        TOndoKanri::CreateTables();
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("markup.csv"));
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("2024/04/01 8:00,150\n2024/04/01 8:10,<b>151</b>" + QByteArray(3000, 'x') +
                    "\n");
        }
        TfCsvImport dialog;
        dialog.OpenFile(file);
        auto* problem = dialog.findChild<QLabel*>(QStringLiteral("ProblemLabel"));
        QVERIFY(problem);
        QCOMPARE(problem->textFormat(), Qt::PlainText);
        QVERIFY2(problem->text().startsWith(QStringLiteral("2 行目を読み取れません")) &&
                     problem->text().contains(QStringLiteral("<b>151</b>")) &&
                     problem->text().size() < 120,
                 qPrintable(problem->text()));

        QString shown;
        Qt::TextFormat format = Qt::AutoText;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            shown = box->text();
            format = box->textFormat();
            box->button(QMessageBox::Ok)->click();
        });
        QVERIFY(!RunGuarded(&dialog, [] {
            throw AppError(QStringLiteral("<i>斜体</i> ") + QString(5000, QLatin1Char('y')) +
                           QStringLiteral("\n二行目\n三行目"));
        }));
        QCOMPARE(format, Qt::PlainText);
        QVERIFY2(shown.startsWith(QStringLiteral("<i>斜体</i> yyy")) &&
                     shown.endsWith(QStringLiteral("\n二行目")) && shown.size() < 300,
                 qPrintable(shown));
    }
};

ONDO_TEST_MAIN(TestCsvImportDialog, QApplication)
#include "test_csvimportdialog.moc"
