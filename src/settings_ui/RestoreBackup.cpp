#include "settings_ui/RestoreBackup.h"

#include "core/AppError.h"
#include "domain/History.h"
#include "storage/Backup.h"
#include "storage/Engine.h"
#include "widgets_ui/ErrorGuard.h"
#include "widgets_ui/WindowFont.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QString WhenFormat = QStringLiteral("yyyy/MM/dd HH:mm:ss");

QTableWidgetItem* cell(const QString& text, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setTextAlignment(align);
    return item;
}

QString sizeText(qint64 bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 B").arg(bytes);
    if (bytes < 1024 * 1024)
        return QStringLiteral("%1 KB").arg(double(bytes) / 1024.0, 0, 'f', 1);
    return QStringLiteral("%1 MB").arg(double(bytes) / (1024.0 * 1024.0), 0, 'f', 1);
}

bool askAboutFile(const DataFile::Inspection& ins)
{
    QWidget* parent = QApplication::activeWindow();
    const QString folder = QFileInfo(ins.file).absolutePath() + QLatin1Char('/');
    if (ins.state == DataFile::State::Foreign) {
        // A server database is backed up by the server, not before our tables are added.
        const QString text =
            Engine::IsServerLocation(ins.file)
                ? QStringLiteral(
                      "サーバー %1 のデータベースには温度管理以外のテーブル（%2）があります。\n"
                      "このデータベースに温度管理のテーブルを追加しますか？")
                      .arg(Engine::DisplayName(ins.file), ins.tables.join(QStringLiteral(", ")))
                : QStringLiteral("データファイル %1 には温度管理以外のテーブル（%2）があります。\n"
                                 "このファイルに温度管理のテーブルを追加しますか？（追加の前にバッ"
                                 "クアップを取ります）")
                      .arg(QDir::toNativeSeparators(ins.file),
                           ins.tables.join(QStringLiteral(", ")));
        const auto answer =
            QMessageBox::question(parent, QStringLiteral("温度管理"), text,
                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        return answer == QMessageBox::Yes;
    }
    if (ins.state != DataFile::State::Damaged)
        return false;
    const QList<Backup::Entry> backups = Backup::List(folder);
    if (backups.isEmpty())
        return false;
    const Backup::Entry& newest = backups.first();
    const auto answer = QMessageBox::question(
        parent, QStringLiteral("温度管理"),
        ins.message +
            QStringLiteral("\n\n最新のバックアップ %1（%2）から復元しますか？")
                .arg(QDir::toNativeSeparators(newest.file), newest.when.toString(WhenFormat)),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (answer != QMessageBox::Yes)
        return false;
    return RunGuarded(parent, [&] { Backup::RestoreFile(newest.file, folder); });
}

} // namespace

TfRestoreBackup::TfRestoreBackup(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fRestoreBackup"));
    setWindowTitle(QStringLiteral("バックアップから復元"));
    setFont(WindowFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ListView1 = new QTableWidget(0, 6, this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setHorizontalHeaderLabels({QStringLiteral("日時"), QStringLiteral("サイズ"),
                                          QStringLiteral("記録"), QStringLiteral("試験日"),
                                          QStringLiteral("測定値"), QStringLiteral("状態")});
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->verticalHeader()->hide();
    ListView1->horizontalHeader()->setStretchLastSection(true);
    ListView1->setColumnWidth(0, 140);
    for (int c = 1; c <= 4; ++c)
        ListView1->setColumnWidth(c, 70);
    auto* note = new QLabel(
        QStringLiteral("復元すると、現在のデータは先にバックアップされてから置き換えられます。"),
        this);
    BitBtn1 = new QPushButton(QStringLiteral("復元"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2 = new QPushButton(QStringLiteral("キャンセル"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    // Replacing the data is never what Enter does.
    BitBtn1->setAutoDefault(false);
    BitBtn2->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(note, 1);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(ListView1, 1);
    layout->addLayout(buttons);

    connect(ListView1, &QTableWidget::itemSelectionChanged, this,
            [this] { BitBtn1->setEnabled(!ListView1->selectedItems().isEmpty()); });
    connect(ListView1, &QTableWidget::cellDoubleClicked, this, [this] {
        if (RestoreSelected())
            accept();
    });
    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        if (RestoreSelected())
            accept();
    });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    resize(600, 320);
}

void TfRestoreBackup::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_restored.clear();
    RunGuarded(this, [this] { Fill(); });
}

void TfRestoreBackup::Fill()
{
    const QString folder = Backup::FolderOf(Engine::CurrentFolder());
    const QList<Backup::Entry> entries = Backup::List(Engine::CurrentFolder(), true);
    Label1->setText(
        entries.isEmpty()
            ? QStringLiteral("%1 にバックアップがありません").arg(QDir::toNativeSeparators(folder))
            : QStringLiteral("バックアップフォルダ: %1").arg(QDir::toNativeSeparators(folder)));
    ListView1->setRowCount(0);
    m_files.clear();
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    for (const Backup::Entry& e : entries) {
        const int row = ListView1->rowCount();
        ListView1->insertRow(row);
        ListView1->setItem(row, 0, cell(e.when.toString(WhenFormat)));
        ListView1->setItem(row, 1, cell(sizeText(e.size), right));
        ListView1->setItem(row, 2, cell(e.healthy ? QString::number(e.records) : QString(), right));
        ListView1->setItem(row, 3, cell(e.healthy ? QString::number(e.days) : QString(), right));
        ListView1->setItem(row, 4,
                           cell(e.healthy ? QString::number(e.readings) : QString(), right));
        ListView1->setItem(
            row, 5, cell(e.healthy ? QStringLiteral("正常") : QStringLiteral("壊れています")));
        m_files << e.file;
    }
    if (!m_files.isEmpty())
        ListView1->selectRow(0);
    BitBtn1->setEnabled(!m_files.isEmpty());
}

bool TfRestoreBackup::RestoreSelected()
{
    const int row = ListView1->currentRow();
    if (row < 0 || row >= m_files.size())
        return false;
    const QString file = m_files.at(row);
    QString question = QStringLiteral("%1 のバックアップで現在のデータを置き換えますか？")
                           .arg(ListView1->item(row, 0)->text());
    if (!ListView1->item(row, 2)->text().isEmpty())
        question += QStringLiteral("\n（記録 %1 件、試験日 %2 日、測定値 %3 件）")
                        .arg(ListView1->item(row, 2)->text(), ListView1->item(row, 3)->text(),
                             ListView1->item(row, 4)->text());
    question += QStringLiteral("\n現在のデータは先にバックアップされます。");
    if (QMessageBox::question(this, windowTitle(), question, QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) != QMessageBox::Yes)
        return false;
    const bool ok = RunGuarded(this, [&] {
        Backup::Restore(file);
        History::NoteRestore(file);
    });
    if (ok)
        m_restored = file;
    else
        RunGuarded(this, [this] { Fill(); });
    return ok;
}

void InstallFileQuestions()
{
    Engine::SetFileQuestion(askAboutFile);
}

void BackUpAtStart()
{
    RunGuarded(nullptr, [] {
        try {
            Backup::WriteIfChanged(Engine::CurrentFolder());
        } catch (const AppError& e) {
            throw AppError(e.message() + QStringLiteral("\nバックアップなしで続けます。"));
        }
    });
}
