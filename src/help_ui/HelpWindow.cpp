#include "help_ui/HelpWindow.h"

#include "storage/Engine.h"
#include "widgets_ui/ErrorGuard.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHash>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

TfHelp::TfHelp(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fHelp"));
    setWindowTitle(QStringLiteral("温度管理の使い方"));
    setModal(false);
    resize(640, 600);
    auto* layout = new QVBoxLayout(this);
    Browser = new QTextBrowser(this);
    Browser->setObjectName(QStringLiteral("HelpBrowser"));
    Browser->setOpenExternalLinks(false);
    Browser->setSource(QUrl(QStringLiteral("qrc:/help/guide.html")));
    layout->addWidget(Browser);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(QStringLiteral("閉じる"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("HelpClose"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    layout->addWidget(buttons);
}

QString AboutText()
{
    QString engine = QStringLiteral("(未接続)");
    if (Engine::IsOpen())
        engine = Engine::IsServer() ? QStringLiteral("PostgreSQL") : QStringLiteral("SQLite");
    return QStringLiteral("温度管理\nバージョン %1\n\nデータ格納場所: %2\nデータベース: %3\nQt %4")
        .arg(QStringLiteral(ONDOKANRI_VERSION), Engine::DisplayName(Engine::CurrentFolder()),
             engine, QString::fromLatin1(qVersion()));
}

void ShowGuide(TfHelp& help, QWidget* window, const QString& anchor)
{
    // Beside a modal dialog it must be that dialog's own, or it would wait for it to close.
    if (window && help.parentWidget() != window) {
        const bool shown = help.isVisible();
        help.setParent(window, help.windowFlags());
        if (shown)
            help.show();
    }
    help.Browser->scrollToAnchor(anchor);
    help.show();
    help.raise();
    help.activateWindow();
}

QString GuideAnchorOf(const QString& windowName)
{
    static const QHash<QString, QString> anchors{
        {QStringLiteral("fEditOndoData"), QStringLiteral("day")},
        {QStringLiteral("fListView"), QStringLiteral("day")},
        {QStringLiteral("fCalendar"), QStringLiteral("day")},
        {QStringLiteral("fDayList"), QStringLiteral("days")},
        {QStringLiteral("fJourney"), QStringLiteral("journey")},
        {QStringLiteral("fEditKoji"), QStringLiteral("registers")},
        {QStringLiteral("fEditGozai"), QStringLiteral("registers")},
        {QStringLiteral("fEditSimei"), QStringLiteral("registers")},
        {QStringLiteral("fEditOndoKubun"), QStringLiteral("categories")},
        {QStringLiteral("fSetPrintItems"), QStringLiteral("print")},
        {QStringLiteral("FormPreview"), QStringLiteral("print")},
        {QStringLiteral("fExport"), QStringLiteral("io")},
        {QStringLiteral("fCsvImport"), QStringLiteral("io")},
        {QStringLiteral("fParadoxImport"), QStringLiteral("io")},
        {QStringLiteral("fRestoreBackup"), QStringLiteral("backup")},
        {QStringLiteral("fSetDataPath"), QStringLiteral("data")},
        {QStringLiteral("fCopyData"), QStringLiteral("data")},
        {QStringLiteral("fSitePanel"), QStringLiteral("site")},
        {QStringLiteral("fPackage"), QStringLiteral("package")},
    };
    return anchors.value(windowName, QStringLiteral("day"));
}

void ShowAbout(QWidget* window)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("バージョン情報"), AboutText(),
                    QMessageBox::Ok, window);
    box.setObjectName(QStringLiteral("AboutBox"));
    box.setIconPixmap(window->windowIcon().pixmap(64, 64));
    box.exec();
}
