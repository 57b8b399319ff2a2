#include "settings_ui/CopyDataDialog.h"

#include "core/AppError.h"
#include "domain/DataCopy.h"
#include "storage/Engine.h"
#include "widgets_ui/WindowFont.h"

#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

TfCopyData::TfCopyData(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fCopyData"));
    setWindowTitle(QStringLiteral("データの移行"));
    setFont(WindowFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    EditFrom = new QLineEdit(this);
    EditFrom->setObjectName(QStringLiteral("EditFrom"));
    EditFrom->setMinimumWidth(380);
    EditTo = new QLineEdit(this);
    EditTo->setObjectName(QStringLiteral("EditTo"));
    EditTo->setPlaceholderText(
        QStringLiteral("フォルダ または postgresql://ユーザー@ホスト:ポート/データベース"));
    LabelResult = new QLabel(this);
    LabelResult->setObjectName(QStringLiteral("LabelResult"));
    LabelResult->setWordWrap(true);
    ButtonCopy = new QPushButton(QStringLiteral("移行"), this);
    ButtonCopy->setObjectName(QStringLiteral("ButtonCopy"));
    ButtonClose = new QPushButton(QStringLiteral("閉じる"), this);
    ButtonClose->setObjectName(QStringLiteral("ButtonClose"));
    ButtonClose->setAutoDefault(false);

    // A folder is picked; a server is typed.
    const auto withBrowse = [this](QLineEdit* edit, const char* name) {
        auto* row = new QHBoxLayout;
        auto* browse = new QPushButton(QStringLiteral("参照…"), this);
        browse->setObjectName(QLatin1String(name));
        browse->setAutoDefault(false);
        row->addWidget(edit, 1);
        row->addWidget(browse);
        connect(browse, &QPushButton::clicked, this, [this, edit] {
            const QString start = Engine::IsServerLocation(edit->text()) ? QString() : edit->text();
            const QString folder = PickFolder ? PickFolder(this, start) : QString();
            if (!folder.isEmpty())
                edit->setText(QDir::toNativeSeparators(folder));
        });
        return row;
    };
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("移行元"), withBrowse(EditFrom, "ButtonBrowseFrom"));
    form->addRow(QStringLiteral("移行先"), withBrowse(EditTo, "ButtonBrowseTo"));
    auto* note = new QLabel(QStringLiteral("すべての表を移行先へ写します。移行先にデータがあるとき"
                                           "は置き換えるかどうかを尋ねます。"),
                            this);
    note->setWordWrap(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonCopy);
    buttons->addWidget(ButtonClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(LabelResult);
    layout->addLayout(buttons);

    EditFrom->setText(Engine::IsServerLocation(Engine::CurrentFolder())
                          ? Engine::CurrentFolder()
                          : QDir::toNativeSeparators(Engine::CurrentFolder()));
    PickFolder = [](QWidget* parent, const QString& start) {
        return QFileDialog::getExistingDirectory(parent, QStringLiteral("フォルダの選択"), start);
    };
    connect(ButtonCopy, &QPushButton::clicked, this, [this] { CopyNow(); });
    connect(ButtonClose, &QPushButton::clicked, this, &QDialog::accept);
}

bool TfCopyData::CopyNow()
{
    const QString own = Engine::CurrentFolder();
    const auto location = [](const QLineEdit* edit) {
        const QString text = edit->text().trimmed();
        return Engine::IsServerLocation(text) ? text : QDir::fromNativeSeparators(text);
    };
    bool copied = false;
    try {
        if (EditFrom->text().trimmed().isEmpty() || EditTo->text().trimmed().isEmpty())
            throw AppError(QStringLiteral("移行元と移行先を入れてください"));
        const DataCopy::Counts counts =
            DataCopy::Copy(location(EditFrom), location(EditTo), false, [this](int rows) {
                return QMessageBox::question(
                           this, windowTitle(),
                           QStringLiteral(
                               "移行先には既にデータがあります（%1 行）。置き換えますか？")
                               .arg(rows),
                           QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
            });
        LabelResult->setText(QStringLiteral("移行しました。\n") +
                             DataCopy::CountLines(counts).join(QLatin1Char('\n')));
        copied = true;
        CopiedAny = true;
    } catch (const AppError& e) {
        LabelResult->setText(QStringLiteral("データを移行できません: ") + e.message());
    }
    try {
        Engine::OpenDatabase(own);
    } catch (const AppError& e) {
        LabelResult->setText(LabelResult->text() + QLatin1Char('\n') + e.message());
    }
    return copied;
}
