#include "environment/SetDataPath.h"

#include "environment/Engine.h"
#include "environment/ErrorGuard.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

TfSetDataPath::TfSetDataPath(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fSetDataPath"));
    setWindowTitle(QStringLiteral("データの格納場所"));
    setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setAccessibleName(QStringLiteral("データの格納場所"));
    // Only a picked folder is applied; typing would suggest otherwise.
    Edit1->setReadOnly(true);
    Edit1->setMinimumWidth(353);
    Button1 = new QPushButton(QStringLiteral("参照"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);
    Label1 = new QLabel(QStringLiteral("注意：品質管理のデータ格納場所が変更されます"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QPalette red = Label1->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    Label1->setPalette(red);
    Edit1->setAccessibleDescription(Label1->text());
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("キャンセル"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setAutoDefault(false);

    auto* folder = new QHBoxLayout;
    folder->addWidget(Edit1, 1);
    folder->addWidget(Button1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Label1);
    bottom->addStretch();
    bottom->addWidget(BitBtn1);
    bottom->addWidget(BitBtn2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(folder);
    layout->addStretch();
    layout->addLayout(bottom);

    setTabOrder(Button1, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);
    setTabOrder(BitBtn2, Edit1);

    PickFolder = [](QWidget* owner, const QString& start) {
        return QFileDialog::getExistingDirectory(owner, QString(), start);
    };
    connect(Button1, &QPushButton::clicked, this,
            [this] { RunGuarded(this, [this] { Browse(); }); });
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    resize(463, 98);
}

void TfSetDataPath::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    RunGuarded(this, [this] {
        m_chosen = Engine::GetAliasPath();
        Edit1->setText(QDir::toNativeSeparators(m_chosen));
        Button1->setFocus();
    });
}

void TfSetDataPath::Browse()
{
    const QString picked = PickFolder ? PickFolder(this, Engine::GetAliasPath()) : QString();
    if (picked.isEmpty())
        return;
    m_chosen = QDir::fromNativeSeparators(picked);
    QString shown = m_chosen;
    if (!shown.endsWith(QLatin1Char('/'))) // a root already ends in one
        shown += QLatin1Char('/');
    Edit1->setText(QDir::toNativeSeparators(shown));
}
