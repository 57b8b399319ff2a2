#include "help_ui/HelpWindow.h"

#include "storage/Engine.h"
#include "widgets_ui/ErrorGuard.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QSqlDatabase>
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
    if (QSqlDatabase::contains(QLatin1String(Engine::ConnectionName))) {
        const QString driver =
            QSqlDatabase::database(QLatin1String(Engine::ConnectionName), false).driverName();
        if (driver == QLatin1String("QSQLITE"))
            engine = QStringLiteral("SQLite");
        else if (driver == QLatin1String("QPSQL"))
            engine = QStringLiteral("PostgreSQL");
        else
            engine = driver;
    }
    return QStringLiteral("温度管理\nバージョン %1\n\nデータ格納場所: %2\nデータベース: %3\nQt %4")
        .arg(QStringLiteral(ONDOKANRI_VERSION), Engine::DisplayName(Engine::CurrentFolder()),
             engine, QString::fromLatin1(qVersion()));
}

void ShowGuide(TfHelp& help)
{
    help.show();
    help.raise();
    help.activateWindow();
}

void ShowAbout(QWidget* window)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("バージョン情報"), AboutText(),
                    QMessageBox::Ok, window);
    box.setObjectName(QStringLiteral("AboutBox"));
    box.setIconPixmap(window->windowIcon().pixmap(64, 64));
    box.exec();
}
