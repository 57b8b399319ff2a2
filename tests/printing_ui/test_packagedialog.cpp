#include "support/TestSupport.h"

#define REFERENCE_DIR ""
#include "app/PackageWiring.h"
#include "core/Settings.h"
#include "domain/DayEntry.h"
#include "entry_ui/EditOndoData.h"
#include "printing_ui/PackageDialog.h"
#include "reports/ReportFixture.h"
#include "storage/Engine.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace {

// The text of the next message box, closed once it is up.
void ReadMessage(QString& text)
{
    QTimer::singleShot(0, [&text] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            text = box->text();
            box->close();
        }
    });
}

} // namespace

class TestPackageDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // ファイル → 提出用一式を作成… opens the dialog on the shown project; a bad day is named
    // and keeps it open; 作成 writes the folder and tells what was written.
    void menuOpensDialogThatWritesThePackage()
    {
        TempProfile profile;
        PrepareTables();
        Engine::Execute(QStringLiteral("delete from OndoKubun"));
        AddCategory(0, QStringLiteral("練上温度"));
        Query k(QStringLiteral("insert into Koji1 (Code, Kojimei) values ('K1', '県道工事')"));
        k.ExecSQL();
        AddMix(QStringLiteral("密粒"), QStringLiteral("密粒度アスコン"));
        for (int d = 1; d <= 3; ++d)
            AddDay(QStringLiteral("K1"), QStringLiteral("密粒"), 0, Day(4, d), {160.0 + d});

        TDayEntry entry;
        TfEditOndoData window(entry, {}, {});
        TfPackage dialog(&window);
        ConnectPackageDialog(window, &dialog);
        entry.TakeProject(QStringLiteral("K1"));
        const QString folder = profile.root() + QStringLiteral("/提出");
        QString suggested, refused, summary;
        QTimer::singleShot(0, [&] {
            suggested = dialog.EditFolder->text();
            dialog.EditFolder->setText(folder);
            dialog.EditFrom->setText(QStringLiteral("2024/4/31"));
            ReadMessage(refused);
            dialog.ButtonWrite->click();
            QVERIFY(dialog.isVisible());
            dialog.EditFrom->setText(QStringLiteral("２０２４/０４/０２"));
            ReadMessage(summary);
            dialog.ButtonWrite->click();
        });
        window.findChild<QAction*>(QStringLiteral("PackageItem"))->trigger();
        QVERIFY2(suggested.contains(QStringLiteral("提出用一式_K1_")), qPrintable(suggested));
        QCOMPARE(refused,
                 QStringLiteral("期間の開始日は 2024/04/01 のように年/月/日で入力してください"));
        QVERIFY2(summary.contains(QStringLiteral("提出用一式: ")), qPrintable(summary));
        QVERIFY(!dialog.isVisible());
        const QStringList files = QDir(folder).entryList(QDir::Files);
        QVERIFY(files.contains(QStringLiteral("記録表_K1_密粒_練上温度_2024-04.pdf")));
        QVERIFY(files.contains(QStringLiteral("00_目録.csv")));
        QCOMPARE(dialog.Result().files.size(), files.size());
    }
};

ONDO_TEST_MAIN(TestPackageDialog, QApplication)
#include "test_packagedialog.moc"
