#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

// "データの移行": copies every table from one location (folder or server) to another. The
// program stays on its own location.
class TfCopyData : public QDialog
{
    Q_OBJECT
public:
    explicit TfCopyData(QWidget* parent = nullptr);

    // Copies FROM to TO, asking before a target with data is replaced; the counts or the
    // reason are shown in LabelResult. True when copied.
    bool CopyNow();

    // The folder picker of 参照…: (parent, start folder) → the folder, or empty when cancelled.
    std::function<QString(QWidget*, const QString&)> PickFolder;

    QLineEdit* EditFrom = nullptr;
    QLineEdit* EditTo = nullptr;
    QPushButton* ButtonCopy = nullptr;  // 移行
    QPushButton* ButtonClose = nullptr; // 閉じる
    QLabel* LabelResult = nullptr;
    bool CopiedAny = false; // in this opening
};
