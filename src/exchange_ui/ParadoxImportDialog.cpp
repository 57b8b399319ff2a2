#include "exchange_ui/ParadoxImportDialog.h"

#include "widgets_ui/ErrorGuard.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfParadoxImport::TfParadoxImport(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fParadoxImport"));
    setWindowTitle(QStringLiteral("旧データの取り込み"));
    m_picker = [](QWidget* owner) {
        return QFileDialog::getExistingDirectory(owner, QStringLiteral("旧データのフォルダ"));
    };

    FolderLabel = new QLabel(this);
    FolderLabel->setObjectName(QStringLiteral("FolderLabel"));
    FolderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    FolderButton = new QPushButton(QStringLiteral("フォルダの選択…"), this);
    FolderButton->setObjectName(QStringLiteral("FolderButton"));
    SummaryText = new QPlainTextEdit(this);
    SummaryText->setObjectName(QStringLiteral("SummaryText"));
    SummaryText->setReadOnly(true);
    SummaryText->setLineWrapMode(QPlainTextEdit::NoWrap);
    ImportButton = new QPushButton(QStringLiteral("取り込み"), this);
    ImportButton->setObjectName(QStringLiteral("ImportButton"));
    ImportButton->setDefault(true);
    FolderButton->setAutoDefault(false);
    CancelButton = new QPushButton(QStringLiteral("キャンセル"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(new QLabel(QStringLiteral("フォルダ:"), this));
    folderRow->addWidget(FolderLabel, 1);
    folderRow->addWidget(FolderButton);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(new QLabel(QStringLiteral("取り込みの前にバックアップを作ります。"), this),
                       1);
    buttons->addWidget(ImportButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(folderRow);
    layout->addWidget(new QLabel(QStringLiteral("取り込む内容と、今のデータと重なる記録:"), this));
    layout->addWidget(SummaryText, 1);
    layout->addLayout(buttons);
    resize(640, 420);

    connect(FolderButton, &QPushButton::clicked, this,
            [this] { RunGuarded(this, [this] { ChooseFolder(); }); });
    connect(ImportButton, &QPushButton::clicked, this,
            [this] { RunGuarded(this, [this] { importNow(); }); });
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

bool TfParadoxImport::ChooseFolder()
{
    const QString folder = m_picker(isVisible() ? static_cast<QWidget*>(this) : parentWidget());
    if (folder.isEmpty())
        return false;
    const ParadoxImport::Plan plan = ParadoxImport::DryRun(folder);
    m_folder = folder;
    FolderLabel->setText(QDir::toNativeSeparators(plan.folder));
    SummaryText->setPlainText(ParadoxImport::Summary(plan));
    ImportButton->setEnabled(!plan.empty());
    return true;
}

bool TfParadoxImport::Run()
{
    m_imported = ParadoxImport::Plan();
    if (!ChooseFolder())
        return false;
    return exec() == QDialog::Accepted;
}

void TfParadoxImport::importNow()
{
    m_imported = ParadoxImport::Import(m_folder);
    accept();
}
