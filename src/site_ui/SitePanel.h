#pragma once

#include <QDialog>
#include <QImage>
#include <QString>
#include <QTimer>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class TSitePairing;
class TSiteServer;

// The page's address as a QR code (libqrencode), black modules on white with a quiet zone of
// four, `scale` pixels a module; a null image when the text does not fit a code.
QImage QrImage(const QString& text, int scale);

// "現場入力": the office's side of the site page. It starts and stops the server on the address
// chosen, shows the page's address as text and QR code with the pairing code and its time
// left, lists the paired phones with a button to revoke one, and logs each request. Closing it
// leaves the server as it is; the server ends with the program.
class TfSitePanel : public QDialog
{
    Q_OBJECT
public:
    explicit TfSitePanel(QWidget* parent = nullptr);
    ~TfSitePanel() override;

    TSiteServer& Server() { return *m_server; }
    TSitePairing& Pairing() { return *m_pairing; }

private:
    void toggle();
    void showState();
    void showCode();
    void showDevices();
    void revoke();
    void log(const QString& line);

    TSitePairing* m_pairing;
    TSiteServer* m_server;
    QLineEdit* m_listen = nullptr;
    QCheckBox* m_tls = nullptr;
    QLabel* m_fingerprint = nullptr;
    QPushButton* m_start = nullptr;
    QLabel* m_state = nullptr;
    QLabel* m_url = nullptr;
    QLabel* m_qr = nullptr;
    QLabel* m_code = nullptr;
    QLabel* m_expires = nullptr;
    QPushButton* m_newCode = nullptr;
    QTableWidget* m_devices = nullptr;
    QPushButton* m_revoke = nullptr;
    QPlainTextEdit* m_log = nullptr;
    QTimer m_tick;
};
