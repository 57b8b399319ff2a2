#include "app/SiteWiring.h"

#include "domain/DayEntry.h"
#include "entry_ui/EditOndoData.h"
#include "site/SiteServer.h"
#include "site_ui/SitePanel.h"
#include "widgets_ui/ErrorGuard.h"

#include <QLabel>
#include <QStatusBar>

void ConnectSitePanel(TfEditOndoData& window, DialogRef<TfSitePanel> panel)
{
    auto connected = std::make_shared<bool>(false);
    QObject::connect(&window, &TfEditOndoData::siteRequested, &window, [&window, panel, connected] {
        TfSitePanel& p = *panel;
        if (!*connected) {
            *connected = true;
            TSiteServer& server = p.Server();
            // Queued: the phone has its answer before the window reads the day again.
            QObject::connect(
                &server, &TSiteServer::dayChanged, &window,
                [&window](const QString& koji, const QString& gozai, const QString& kubun,
                          const QDateTime& day) {
                    RunGuarded(&window, [&] {
                        using Change = TDayEntry::StoredChange;
                        const Change change =
                            window.Entry().StoredDayChanged(koji, gozai, kubun, day);
                        if (change == Change::Shown)
                            window.ShowStatus(QStringLiteral("現場からの温度を表示しました"),
                                              15000);
                        else if (change == Change::KeptChanges)
                            window.ShowStatus(
                                QStringLiteral(
                                    "現場から温度が届きました。表示中の未登録の変更はそのま"
                                    "まです（登録するときに確認します）"),
                                0);
                    });
                },
                Qt::QueuedConnection);
            // Stays at the status bar's right while the server listens, whatever it shows.
            auto* on = new QLabel(&window);
            on->setObjectName(QStringLiteral("LabelSite"));
            on->setStyleSheet(QStringLiteral("color: #007a1e; font-weight: bold;"));
            on->hide();
            window.statusBar()->addPermanentWidget(on);
            QObject::connect(
                &server, &TSiteServer::listeningChanged, on,
                [&window, &server, on](bool listening) {
                    on->setText(
                        QStringLiteral("● 現場入力 受付中 %1").arg(server.PageUrl().toString()));
                    on->setVisible(listening);
                    if (!listening)
                        window.ShowStatus(QStringLiteral("現場入力の受付を止めました"), 15000);
                });
        }
        p.show();
        p.raise();
        p.activateWindow();
    });
}
