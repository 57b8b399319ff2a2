#pragma once

#include "printing/Package.h"

#include <QDialog>
#include <functional>

class QLineEdit;
class QPushButton;

// "提出用一式を作成": the project, an optional period and the folder the package is written to;
// 作成 writes it and closes.
class TfPackage : public QDialog
{
    Q_OBJECT
public:
    explicit TfPackage(QWidget* parent = nullptr);

    // The folder chooser: (parent, folder to start in) → the folder, empty when cancelled.
    std::function<QString(QWidget*, const QString&)> PickFolder;

    // The project shown in the main window; the folder is suggested from it.
    void Prepare(const QString& kojiCode);
    void Browse();
    // Writes the package; raises AppError and stays open on failure.
    void Write();
    const TPackageResult& Result() const { return m_result; }

    QLineEdit* EditProject = nullptr;
    QLineEdit* EditFrom = nullptr;
    QLineEdit* EditTo = nullptr;
    QLineEdit* EditFolder = nullptr;
    QPushButton* ButtonBrowse = nullptr; // 参照…
    QPushButton* ButtonWrite = nullptr;  // 作成
    QPushButton* ButtonCancel = nullptr;

private:
    TPackageResult m_result;
};
