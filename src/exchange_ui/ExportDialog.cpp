#include "exchange_ui/ExportDialog.h"

#include "core/AppError.h"
#include "storage/Engine.h"
#include "widgets_ui/ErrorGuard.h"
#include "widgets_ui/WindowFont.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {
QString SuffixOf(ExportFormat format)
{
    return format == ExportFormat::Xlsx ? QStringLiteral("xlsx") : QStringLiteral("csv");
}
} // namespace

TfExport::TfExport(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fExport"));
    setWindowTitle(QStringLiteral("Excelに出力"));
    setFont(WindowFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));

    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setAccessibleName(QStringLiteral("工事"));
    ComboBox2 = new QComboBox(this);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->setAccessibleName(QStringLiteral("合材"));
    RadioXlsx = new QRadioButton(QStringLiteral("Excel (.xlsx)"), this);
    RadioXlsx->setObjectName(QStringLiteral("RadioXlsx"));
    RadioXlsx->setChecked(true);
    RadioCsv = new QRadioButton(QStringLiteral("CSV (UTF-8)"), this);
    RadioCsv->setObjectName(QStringLiteral("RadioCsv"));
    auto* formats = new QButtonGroup(this);
    formats->addButton(RadioXlsx);
    formats->addButton(RadioCsv);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setAccessibleName(QStringLiteral("出力ファイル"));
    Edit1->setMinimumWidth(300);
    Button1 = new QPushButton(QStringLiteral("参照…"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);
    BitBtn1 = new QPushButton(QStringLiteral("出力"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("キャンセル"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setAutoDefault(false);

    auto* formatRow = new QHBoxLayout;
    formatRow->addWidget(RadioXlsx);
    formatRow->addWidget(RadioCsv);
    formatRow->addStretch();
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(Edit1, 1);
    fileRow->addWidget(Button1);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("工事"), ComboBox1);
    form->addRow(QStringLiteral("合材"), ComboBox2);
    form->addRow(QStringLiteral("形式"), formatRow);
    form->addRow(QStringLiteral("出力先"), fileRow);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(BitBtn1);
    bottom->addWidget(BitBtn2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch();
    layout->addLayout(bottom);

    PickFile = [](QWidget* owner, const QString& suggested, ExportFormat format) {
        const QString filter = format == ExportFormat::Xlsx
                                   ? QStringLiteral("Excelファイル (*.xlsx)")
                                   : QStringLiteral("CSVファイル (*.csv)");
        return QFileDialog::getSaveFileName(owner, QStringLiteral("出力先"), suggested, filter);
    };
    connect(ComboBox1, &QComboBox::currentIndexChanged, this,
            [this] { RunGuarded(this, [this] { FillMixes(); }); });
    connect(RadioXlsx, &QRadioButton::toggled, this, [this] { MatchSuffix(); });
    connect(Button1, &QPushButton::clicked, this,
            [this] { RunGuarded(this, [this] { Browse(); }); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        if (RunGuarded(this, [this] { Export(); }))
            accept();
    });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TfExport::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_written.clear();
    RunGuarded(this, [this] { Fill(ComboBox1->currentData().toString()); });
}

void TfExport::Fill(const QString& kojiCode)
{
    const QSignalBlocker block(ComboBox1);
    ComboBox1->clear();
    for (const auto& project : ExportProjects())
        ComboBox1->addItem(project.first + QStringLiteral("  ") + project.second, project.first);
    const int index = ComboBox1->findData(kojiCode);
    ComboBox1->setCurrentIndex(index >= 0 ? index : 0);
    FillMixes();
}

void TfExport::FillMixes()
{
    const QString code = ComboBox1->currentData().toString();
    ComboBox2->clear();
    ComboBox2->addItem(QStringLiteral("（すべての合材）"), QString());
    if (!code.isEmpty()) {
        for (const QString& mix : ExportMixes(code))
            ComboBox2->addItem(mix, mix);
    }
    if (Edit1->text().isEmpty() && !code.isEmpty()) {
        QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (!QFileInfo(folder).isDir())
            folder = QDir::homePath();
        Edit1->setText(QDir::toNativeSeparators(folder + QLatin1Char('/') + code +
                                                QLatin1Char('.') + SuffixOf(Format())));
    }
}

ExportFormat TfExport::Format() const
{
    return RadioCsv->isChecked() ? ExportFormat::Csv : ExportFormat::Xlsx;
}

void TfExport::MatchSuffix()
{
    const QString file = Edit1->text();
    const QFileInfo info(file);
    const QString other =
        Format() == ExportFormat::Xlsx ? QStringLiteral("csv") : QStringLiteral("xlsx");
    if (info.suffix().compare(other, Qt::CaseInsensitive) == 0)
        Edit1->setText(file.left(file.size() - other.size()) + SuffixOf(Format()));
}

void TfExport::Browse()
{
    const QString picked = PickFile ? PickFile(this, Edit1->text(), Format()) : QString();
    if (!picked.isEmpty())
        Edit1->setText(QDir::toNativeSeparators(picked));
}

void TfExport::Export()
{
    const QString code = ComboBox1->currentData().toString();
    if (code.isEmpty())
        throw AppError(QStringLiteral("工事を選んでください"));
    QString file = QDir::fromNativeSeparators(Edit1->text().trimmed());
    if (!file.isEmpty() && QFileInfo(file).suffix().isEmpty())
        file += QLatin1Char('.') + SuffixOf(Format());
    const ExportData data = ExportFile(file, Format(), code, ComboBox2->currentData().toString(),
                                       {Engine::CurrentFolder(), Engine::GetAliasPath()});
    m_written = ExportSummary(data) + QStringLiteral("（%1）").arg(QDir::toNativeSeparators(file));
}
