#pragma once

#include "exchange/ParadoxImport.h"

#include <QDialog>
#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// ファイル → "旧データの取り込み…": the old folder is chosen, what it would bring and what
// collides is shown, and 取り込み imports it. Nothing is written before that button.
class TfParadoxImport : public QDialog
{
    Q_OBJECT
public:
    // Returns the chosen folder, empty when the person cancelled. Tests put their own in.
    using FolderPicker = std::function<QString(QWidget* parent)>;

    explicit TfParadoxImport(QWidget* parent = nullptr);
    void SetFolderPicker(FolderPicker picker) { m_picker = std::move(picker); }

    // Asks for a folder and shows its dry run; false when none was chosen. Raises AppError
    // when the folder cannot be read.
    bool ChooseFolder();
    // The whole flow: folder, preview, import on confirmation. True when data was imported.
    bool Run();
    // The plan of the last import.
    const ParadoxImport::Plan& Imported() const { return m_imported; }

    QLabel* FolderLabel = nullptr;
    QPlainTextEdit* SummaryText = nullptr;
    QPushButton* ImportButton = nullptr; // 取り込み
    QPushButton* CancelButton = nullptr; // キャンセル
    QPushButton* FolderButton = nullptr; // フォルダの選択…

private:
    void importNow();

    FolderPicker m_picker;
    QString m_folder;
    ParadoxImport::Plan m_imported;
};
