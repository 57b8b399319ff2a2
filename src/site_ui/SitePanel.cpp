#include "site_ui/SitePanel.h"

#include "core/Settings.h"
#include "site/SitePairing.h"
#include "site/SiteServer.h"
#include "widgets_ui/ErrorGuard.h"
#include "widgets_ui/WindowFont.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <qrencode.h>

QImage QrImage(const QString& text, int scale)
{
    QRcode* code = QRcode_encodeString(text.toUtf8().constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1);
    if (!code)
        return QImage();
    const int quiet = 4;
    const int modules = code->width + 2 * quiet;
    QImage image(modules * scale, modules * scale, QImage::Format_Grayscale8);
    image.fill(255);
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            if (!(code->data[y * code->width + x] & 1))
                continue;
            for (int dy = 0; dy < scale; ++dy) {
                uchar* line = image.scanLine((y + quiet) * scale + dy);
                std::fill(line + (x + quiet) * scale, line + (x + quiet + 1) * scale, uchar(0));
            }
        }
    }
    QRcode_free(code);
    return image;
}

namespace {

// Whether the page was last served over HTTPS: the next start does the same.

QPushButton* button(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

QLabel* label(QWidget* parent, const char* name)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

} // namespace

TfSitePanel::TfSitePanel(QWidget* parent)
    : QDialog(parent), m_pairing(new TSitePairing(this)),
      m_server(new TSiteServer(*m_pairing, this))
{
    setObjectName(QStringLiteral("fSitePanel"));
    setWindowTitle(QStringLiteral("現場入力"));
    setFont(WindowFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    setModal(false);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* listenLabel = new QLabel(QStringLiteral("受付のアドレス"), this);
    m_listen = new QLineEdit(this);
    m_listen->setObjectName(QStringLiteral("EditListen"));
    m_listen->setAccessibleName(QStringLiteral("受付のアドレス"));
    m_listen->setText(QStringLiteral("%1:%2")
                          .arg(TSiteServer::LanAddress().toString())
                          .arg(TSiteServer::DefaultPort));
    listenLabel->setBuddy(m_listen);
    m_tls = new QCheckBox(QStringLiteral("HTTPS（暗号化）"), this);
    m_tls->setObjectName(QStringLiteral("CheckTls"));
    m_tls->setToolTip(QStringLiteral("現場の無線LANで温度と端末の鍵が読まれないよう、暗号化して"
                                     "受け付けます"));
    m_tls->setChecked(TSettings::SiteTls());
    m_start = button(this, "ButtonStart", QStringLiteral("開始"));
    m_state = label(this, "LabelState");
    top->addWidget(listenLabel);
    top->addWidget(m_listen, 1);
    top->addWidget(m_tls);
    top->addWidget(m_start);
    top->addWidget(m_state);
    layout->addLayout(top);

    auto* pairingBox = new QGroupBox(QStringLiteral("スマートフォンの接続"), this);
    auto* grid = new QGridLayout(pairingBox);
    m_qr = label(pairingBox, "LabelQr");
    m_qr->setFixedSize(220, 220);
    m_qr->setAlignment(Qt::AlignCenter);
    m_qr->setAccessibleName(QStringLiteral("ページのアドレスのQRコード"));
    m_url = label(pairingBox, "LabelUrl");
    m_url->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_code = label(pairingBox, "LabelCode");
    QFont big = m_code->font();
    big.setPixelSize(40);
    big.setBold(true);
    big.setLetterSpacing(QFont::AbsoluteSpacing, 6);
    m_code->setFont(big);
    m_code->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_expires = label(pairingBox, "LabelExpires");
    m_newCode = button(pairingBox, "ButtonNewCode", QStringLiteral("新しいコード"));
    auto* steps =
        new QLabel(QStringLiteral("1. スマートフォンでQRコードを読み取るか、アドレスを開きます\n"
                                  "2. 下のペアリングコードを入力して「接続」を押します"),
                   pairingBox);
    grid->addWidget(m_qr, 0, 0, 5, 1);
    grid->addWidget(steps, 0, 1);
    grid->addWidget(m_url, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("ペアリングコード"), pairingBox), 2, 1);
    grid->addWidget(m_code, 3, 1);
    auto* codeRow = new QHBoxLayout;
    codeRow->addWidget(m_expires, 1);
    codeRow->addWidget(m_newCode);
    grid->addLayout(codeRow, 4, 1);
    m_fingerprint = label(pairingBox, "LabelFingerprint");
    m_fingerprint->setWordWrap(true);
    m_fingerprint->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(m_fingerprint, 5, 0, 1, 2);
    layout->addWidget(pairingBox);

    auto* devicesBox = new QGroupBox(QStringLiteral("接続した端末"), this);
    auto* devicesLayout = new QHBoxLayout(devicesBox);
    m_devices = new QTableWidget(0, 3, devicesBox);
    m_devices->setObjectName(QStringLiteral("ListDevices"));
    m_devices->setAccessibleName(QStringLiteral("接続した端末"));
    m_devices->setHorizontalHeaderLabels(
        {QStringLiteral("端末名"), QStringLiteral("接続した日時"), QStringLiteral("最後の通信")});
    // The dates keep to one line; the name takes what is left.
    m_devices->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_devices->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_devices->verticalHeader()->hide();
    m_devices->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_devices->setSelectionMode(QAbstractItemView::SingleSelection);
    m_devices->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_devices->setMinimumHeight(90);
    m_revoke = button(devicesBox, "ButtonRevoke", QStringLiteral("取り消し"));
    devicesLayout->addWidget(m_devices, 1);
    devicesLayout->addWidget(m_revoke, 0, Qt::AlignTop);
    layout->addWidget(devicesBox);

    auto* logBox = new QGroupBox(QStringLiteral("受付の記録"), this);
    auto* logLayout = new QVBoxLayout(logBox);
    m_log = new QPlainTextEdit(logBox);
    m_log->setObjectName(QStringLiteral("MemoLog"));
    m_log->setAccessibleName(QStringLiteral("受付の記録"));
    m_log->setReadOnly(true);
    m_log->setMaximumBlockCount(1000);
    m_log->setMinimumHeight(110);
    logLayout->addWidget(m_log);
    layout->addWidget(logBox, 1);

    auto* close = button(this, "ButtonClose", QStringLiteral("閉じる"));
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(close);
    layout->addLayout(bottom);

    connect(m_start, &QPushButton::clicked, this,
            [this] { RunGuarded(this, [this] { toggle(); }); });
    connect(m_newCode, &QPushButton::clicked, this, [this] {
        m_pairing->NewCode();
        showCode();
    });
    connect(m_revoke, &QPushButton::clicked, this,
            [this] { RunGuarded(this, [this] { revoke(); }); });
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
    connect(m_server, &TSiteServer::listeningChanged, this, &TfSitePanel::showState);
    connect(m_server, &TSiteServer::requestLogged, this, &TfSitePanel::log);
    connect(m_pairing, &TSitePairing::codeChanged, this, &TfSitePanel::showCode);
    connect(m_pairing, &TSitePairing::devicesChanged, this, &TfSitePanel::showDevices);
    connect(&m_tick, &QTimer::timeout, this, [this] {
        showCode();
        showDevices();
    });
    m_tick.setInterval(1000);
    resize(560, 640);
    showState();
    showDevices();
}

TfSitePanel::~TfSitePanel() = default;

void TfSitePanel::toggle()
{
    if (m_server->IsListening()) {
        m_server->Stop();
        log(QStringLiteral("受付を止めました"));
        return;
    }
    const auto [address, port] = TSiteServer::ParseListen(m_listen->text());
    TSettings::SetSiteTls(m_tls->isChecked());
    m_server->Start(address, port, m_tls->isChecked());
    log(QStringLiteral("%1 で受付を始めました").arg(m_server->PageUrl().toString()));
}

void TfSitePanel::showState()
{
    const bool on = m_server->IsListening();
    m_start->setText(on ? QStringLiteral("停止") : QStringLiteral("開始"));
    m_listen->setEnabled(!on);
    m_tls->setEnabled(!on);
    m_state->setText(on ? QStringLiteral("● 受付中") : QStringLiteral("停止中"));
    m_state->setStyleSheet(on ? QStringLiteral("color: #007a1e; font-weight: bold;") : QString());
    m_newCode->setEnabled(on);
    const QString url = m_server->PageUrl().toString();
    m_url->setText(on ? url : QStringLiteral("受付を始めると、ここにページのアドレスが出ます"));
    m_qr->setPixmap(on ? QPixmap::fromImage(QrImage(url, 5)) : QPixmap());
    m_fingerprint->setVisible(on && m_server->IsEncrypted());
    m_fingerprint->setText(
        QStringLiteral("証明書の指紋: %1\n初めて開くとブラウザが警告を出します。「詳細」から"
                       "このページに進み、ブラウザが示す証明書の指紋（SHA-256）がこれと同じか"
                       "確かめてください。同じなら、次からは警告なしで開けます。")
            .arg(m_server->Fingerprint()));
    if (on)
        m_tick.start();
    else
        m_tick.stop();
    showCode();
}

void TfSitePanel::showCode()
{
    if (!m_server->IsListening()) {
        m_code->setText(QStringLiteral("------"));
        m_expires->clear();
        return;
    }
    m_code->setText(m_pairing->Code());
    const qint64 left = m_pairing->Now().secsTo(m_pairing->CodeExpires());
    m_expires->setText(QStringLiteral("あと %1 分 %2 秒有効").arg(left / 60).arg(left % 60));
}

void TfSitePanel::showDevices()
{
    const QList<TSitePairing::TDevice> devices = m_pairing->Devices();
    const QString selected =
        m_devices->currentRow() >= 0 && m_devices->item(m_devices->currentRow(), 0)
            ? m_devices->item(m_devices->currentRow(), 0)->data(Qt::UserRole).toString()
            : QString();
    m_devices->setRowCount(int(devices.size()));
    for (int r = 0; r < devices.size(); ++r) {
        const TSitePairing::TDevice& d = devices.at(r);
        const QString when = QStringLiteral("yyyy/MM/dd HH:mm");
        const QStringList cells{d.name, d.paired.toString(when),
                                d.lastSeen.isValid() ? d.lastSeen.toString(when) : QString()};
        for (int c = 0; c < 3; ++c) {
            auto* item = m_devices->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                m_devices->setItem(r, c, item);
            }
            item->setText(cells[c]);
            item->setData(Qt::UserRole, d.id);
        }
        if (d.id == selected)
            m_devices->setCurrentCell(r, 0);
    }
    m_revoke->setEnabled(!devices.isEmpty());
}

void TfSitePanel::revoke()
{
    const int row = m_devices->currentRow();
    if (row < 0 || !m_devices->item(row, 0))
        return;
    const QString name = m_devices->item(row, 0)->text();
    m_pairing->Revoke(m_devices->item(row, 0)->data(Qt::UserRole).toString());
    log(QStringLiteral("端末「%1」の接続を取り消しました").arg(name));
}

void TfSitePanel::log(const QString& line)
{
    m_log->appendPlainText(line);
}
