#pragma once

#include "exchange/Export.h"

#include <QDialog>
#include <QString>
#include <functional>

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "Excelに出力": project, optional mix, Excel or CSV and the file; 出力 writes it and closes.
class TfExport : public QDialog
{
    Q_OBJECT
public:
    explicit TfExport(QWidget* parent = nullptr);

    // The save-file chooser: (parent, suggested path, format) → the path, empty when cancelled.
    std::function<QString(QWidget*, const QString&, ExportFormat)> PickFile;

    // Reads the projects and mixes again; `kojiCode` is chosen when listed.
    void Fill(const QString& kojiCode = QString());
    void Browse();
    // Writes the chosen export; raises AppError and stays open on failure.
    void Export();
    ExportFormat Format() const;
    // What the last 出力 wrote ("書き出し: …"), empty if nothing.
    QString Written() const { return m_written; }

    QComboBox* ComboBox1 = nullptr; // project
    QComboBox* ComboBox2 = nullptr; // mix, first item every mix
    QRadioButton* RadioXlsx = nullptr;
    QRadioButton* RadioCsv = nullptr;
    QLineEdit* Edit1 = nullptr;     // file
    QPushButton* Button1 = nullptr; // 参照
    QPushButton* BitBtn1 = nullptr; // 出力
    QPushButton* BitBtn2 = nullptr; // キャンセル

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FillMixes();
    void MatchSuffix();

    QString m_written;
};
