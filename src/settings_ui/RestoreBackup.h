#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;
class QTableWidget;

// "バックアップから復元": the backups of the data folder with their date, size and counts;
// "復元" replaces the data with the chosen one after a question and closes with OK.
class TfRestoreBackup : public QDialog
{
    Q_OBJECT
public:
    explicit TfRestoreBackup(QWidget* parent = nullptr);

    // Reads the backup list again.
    void Fill();
    // Restores the selected backup after asking; false when nothing was restored.
    bool RestoreSelected();
    // The backup restored in the last opening, empty if none.
    QString RestoredFrom() const { return m_restored; }

    QLabel* Label1 = nullptr; // the backup folder
    QTableWidget* ListView1 = nullptr;
    QPushButton* BitBtn1 = nullptr; // 復元
    QPushButton* BitBtn2 = nullptr; // キャンセル

protected:
    void showEvent(QShowEvent* event) override;

private:
    QStringList m_files;
    QString m_restored;
};

// The engine's questions about a data file at start and at a data-folder change: a damaged
// file offers its newest backup, another program's database asks before our tables are added.
void InstallFileQuestions();

// The backup at start, when the data changed since the newest one. A backup that cannot be
// written is shown and the program goes on.
void BackUpAtStart();
