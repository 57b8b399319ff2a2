#include "settings_ui/SetDataPath.h"

#include "core/AppError.h"
#include "storage/Engine.h"
#include "widgets_ui/ErrorGuard.h"
#include "widgets_ui/WindowFont.h"

#include <QButtonGroup>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QVBoxLayout>

TfSetDataPath::TfSetDataPath(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fSetDataPath"));
    setWindowTitle(QStringLiteral("データの格納場所"));
    setFont(WindowFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));

    const auto named = [](QWidget* w, const char* name) {
        w->setObjectName(QLatin1String(name));
        return w;
    };
    RadioFolder = new QRadioButton(QStringLiteral("このコンピュータ（フォルダ）"), this);
    named(RadioFolder, "RadioFolder");
    RadioServer = new QRadioButton(QStringLiteral("サーバー（PostgreSQL）"), this);
    named(RadioServer, "RadioServer");
    auto* choice = new QButtonGroup(this);
    choice->addButton(RadioFolder);
    choice->addButton(RadioServer);

    Edit1 = new QLineEdit(this);
    named(Edit1, "Edit1");
    Edit1->setAccessibleName(QStringLiteral("データの格納場所"));
    // Only a picked folder is applied; typing would suggest otherwise.
    Edit1->setReadOnly(true);
    Edit1->setMinimumWidth(353);
    Button1 = new QPushButton(QStringLiteral("参照"), this);
    named(Button1, "Button1");
    Button1->setAutoDefault(false);

    EditHost = new QLineEdit(this);
    named(EditHost, "EditHost");
    EditPort = new QSpinBox(this);
    named(EditPort, "EditPort");
    EditPort->setRange(1, 65535);
    EditPort->setValue(5432);
    EditDatabase = new QLineEdit(this);
    named(EditDatabase, "EditDatabase");
    EditUser = new QLineEdit(this);
    named(EditUser, "EditUser");
    ButtonTest = new QPushButton(QStringLiteral("接続テスト"), this);
    named(ButtonTest, "ButtonTest");
    ButtonTest->setAutoDefault(false);
    LabelServer = new QLabel(
        QStringLiteral("パスワードは保存しません（PGPASSWORD または ~/.pgpass を使います）。\n"
                       "サーバーのデータのバックアップはサーバー側（pg_dump）で行います。\n"
                       "このプログラムの自動バックアップと「バックアップから復元」は使いません。"),
        this);
    named(LabelServer, "LabelServer");

    Label1 = new QLabel(QStringLiteral("注意：品質管理のデータ格納場所が変更されます"), this);
    named(Label1, "Label1");
    QPalette red = Label1->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    Label1->setPalette(red);
    Edit1->setAccessibleDescription(Label1->text());
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    named(BitBtn1, "BitBtn1");
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("キャンセル"), this);
    named(BitBtn2, "BitBtn2");
    BitBtn2->setAutoDefault(false);

    auto* folder = new QHBoxLayout;
    folder->setContentsMargins(20, 0, 0, 0);
    folder->addWidget(Edit1, 1);
    folder->addWidget(Button1);
    auto* server = new QFormLayout;
    server->setContentsMargins(20, 0, 0, 0);
    server->addRow(QStringLiteral("ホスト"), EditHost);
    server->addRow(QStringLiteral("ポート"), EditPort);
    server->addRow(QStringLiteral("データベース"), EditDatabase);
    server->addRow(QStringLiteral("ユーザー"), EditUser);
    auto* test = new QHBoxLayout;
    test->addStretch();
    test->addWidget(ButtonTest);
    server->addRow(test);
    server->addRow(LabelServer);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Label1);
    bottom->addStretch();
    bottom->addWidget(BitBtn1);
    bottom->addWidget(BitBtn2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RadioFolder);
    layout->addLayout(folder);
    layout->addWidget(RadioServer);
    layout->addLayout(server);
    layout->addStretch();
    layout->addLayout(bottom);

    PickFolder = [](QWidget* owner, const QString& start) {
        return QFileDialog::getExistingDirectory(owner, QString(), start);
    };
    connect(Button1, &QPushButton::clicked, this,
            [this] { RunGuarded(this, [this] { Browse(); }); });
    connect(ButtonTest, &QPushButton::clicked, this, [this] { TestConnection(); });
    connect(RadioFolder, &QRadioButton::toggled, this, [this] { followChoice(); });
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    RadioFolder->setChecked(true);
    followChoice();
    resize(463, 98);
}

void TfSetDataPath::followChoice()
{
    const bool server = RadioServer->isChecked();
    Edit1->setEnabled(!server);
    Button1->setEnabled(!server);
    for (QWidget* w : std::initializer_list<QWidget*>{EditHost, EditPort, EditDatabase, EditUser,
                                                      ButtonTest, LabelServer})
        w->setEnabled(server);
}

QString TfSetDataPath::ChosenFolder() const
{
    if (!RadioServer->isChecked())
        return m_chosen;
    return Engine::ServerUri(EditHost->text(), EditPort->value(), EditDatabase->text(),
                             EditUser->text(), m_sslOptions);
}

void TfSetDataPath::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    RunGuarded(this, [this] {
        const QString current = Engine::GetAliasPath();
        m_sslOptions.clear();
        if (Engine::IsServerLocation(current)) {
            const Engine::Location loc = Engine::ParseLocation(current);
            EditHost->setText(loc.host);
            EditPort->setValue(loc.port);
            EditDatabase->setText(loc.database);
            EditUser->setText(loc.user);
            m_sslOptions = loc.options;
            RadioServer->setChecked(true);
            if (m_chosen.isEmpty() || Engine::IsServerLocation(m_chosen))
                m_chosen = QDir::fromNativeSeparators(QStandardPaths::writableLocation(
                               QStandardPaths::GenericDataLocation)) +
                           QStringLiteral("/kozeran/data/");
            Edit1->setText(QDir::toNativeSeparators(m_chosen));
            EditHost->setFocus();
        } else {
            m_chosen = current;
            Edit1->setText(QDir::toNativeSeparators(m_chosen));
            RadioFolder->setChecked(true);
            Button1->setFocus();
        }
        followChoice();
    });
}

void TfSetDataPath::Browse()
{
    const QString current = Engine::GetAliasPath();
    const QString start = Engine::IsServerLocation(current) ? m_chosen : current;
    const QString picked = PickFolder ? PickFolder(this, start) : QString();
    if (picked.isEmpty())
        return;
    m_chosen = QDir::fromNativeSeparators(picked);
    QString shown = m_chosen;
    if (!shown.endsWith(QLatin1Char('/'))) // a root already ends in one
        shown += QLatin1Char('/');
    Edit1->setText(QDir::toNativeSeparators(shown));
}

QString TfSetDataPath::TestConnection()
{
    QString text = QStringLiteral("接続できました");
    bool ok = true;
    try {
        Engine::TestConnection(ChosenFolder());
    } catch (const AppError& e) {
        text = e.message();
        ok = false;
    }
    QMessageBox box(ok ? QMessageBox::Information : QMessageBox::Warning, windowTitle(), text,
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("TestResult"));
    box.exec();
    return text;
}
