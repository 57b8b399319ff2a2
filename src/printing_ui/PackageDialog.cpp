#include "printing_ui/PackageDialog.h"

#include "core/AppError.h"
#include "core/Utility.h"
#include "storage/Engine.h"
#include "widgets_ui/ErrorGuard.h"
#include "widgets_ui/WindowFont.h"

#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>

namespace {

// A typed day, or none for an empty box; anything else is refused with the box's name.
QDate TypedDay(const QLineEdit* edit, const QString& name)
{
    const QString text = AsciiTyped(edit->text()).trimmed();
    if (text.isEmpty())
        return QDate();
    if (!IsDate(text))
        throw AppError(
            QStringLiteral("%1は 2024/04/01 のように年/月/日で入力してください").arg(name));
    return ParseDate(text).date();
}

} // namespace

TfPackage::TfPackage(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fPackage"));
    setWindowTitle(QStringLiteral("提出用一式を作成"));
    setFont(WindowFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    PickFolder = [](QWidget* owner, const QString& start) {
        return QFileDialog::getExistingDirectory(owner, QStringLiteral("出力先の親フォルダ"),
                                                 start);
    };

    auto* grid = new QGridLayout(this);
    const auto edit = [this](const char* name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        return e;
    };
    EditProject = edit("EditProject");
    EditFrom = edit("EditFrom");
    EditTo = edit("EditTo");
    EditFolder = edit("EditFolder");
    EditFrom->setPlaceholderText(QStringLiteral("年/月/日（空欄: 最初から）"));
    EditTo->setPlaceholderText(QStringLiteral("年/月/日（空欄: 最後まで）"));
    ButtonBrowse = new QPushButton(QStringLiteral("参照…"), this);
    ButtonBrowse->setObjectName(QStringLiteral("ButtonBrowse"));
    grid->addWidget(new QLabel(QStringLiteral("工事コード"), this), 0, 0);
    grid->addWidget(EditProject, 0, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("期間"), this), 1, 0);
    grid->addWidget(EditFrom, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("～"), this), 1, 2);
    grid->addWidget(EditTo, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("出力先"), this), 2, 0);
    grid->addWidget(EditFolder, 2, 1, 1, 3);
    grid->addWidget(ButtonBrowse, 2, 4);
    auto* note = new QLabel(QStringLiteral("記録表・X管理図・x̄-R管理図・工程能力図を書類ごとの "
                                           "PDF/A に、測定値を CSV に、目録を添えて新しいフォルダへ"
                                           "書き出します。"),
                            this);
    note->setWordWrap(true);
    grid->addWidget(note, 3, 0, 1, 5);
    auto* buttons = new QHBoxLayout;
    ButtonWrite = new QPushButton(QStringLiteral("作成"), this);
    ButtonWrite->setObjectName(QStringLiteral("ButtonWrite"));
    ButtonCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    buttons->addStretch(1);
    buttons->addWidget(ButtonWrite);
    buttons->addWidget(ButtonCancel);
    grid->addLayout(buttons, 4, 0, 1, 5);
    resize(520, sizeHint().height());

    connect(ButtonBrowse, &QPushButton::clicked, this,
            [this] { RunGuarded(this, [this] { Browse(); }); });
    connect(ButtonWrite, &QPushButton::clicked, this,
            [this] { RunGuarded(this, [this] { Write(); }); });
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfPackage::Prepare(const QString& kojiCode)
{
    m_result = TPackageResult();
    EditProject->setText(kojiCode);
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    EditFolder->setText(QDir(documents).filePath(
        QStringLiteral("提出用一式_%1_%2")
            .arg(kojiCode.isEmpty() ? QStringLiteral("工事") : kojiCode,
                 QDate::currentDate().toString(QStringLiteral("yyyyMMdd")))));
}

void TfPackage::Browse()
{
    const QFileInfo current(EditFolder->text());
    const QString parent = PickFolder(this, current.absolutePath());
    if (!parent.isEmpty())
        EditFolder->setText(QDir(parent).filePath(current.fileName()));
}

void TfPackage::Write()
{
    TPackageRequest request;
    request.kojiCode = EditProject->text().trimmed();
    if (request.kojiCode.isEmpty())
        throw AppError(QStringLiteral("工事コードを入力してください"));
    request.from = TypedDay(EditFrom, QStringLiteral("期間の開始日"));
    request.to = TypedDay(EditTo, QStringLiteral("期間の終了日"));
    if (request.from.isValid() && request.to.isValid() && request.to < request.from)
        throw AppError(QStringLiteral("期間は開始日≦終了日で指定してください"));
    request.folder = EditFolder->text().trimmed();
    m_result = WritePackage(request, {Engine::CurrentFolder(), Engine::GetAliasPath()});
    accept();
}
