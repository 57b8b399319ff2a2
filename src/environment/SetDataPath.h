#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

// "データの格納場所": shows the data folder and lets the user pick another one. Nothing is
// applied here; the opener applies ChosenFolder() after OK.
class TfSetDataPath : public QDialog
{
    Q_OBJECT
public:
    explicit TfSetDataPath(QWidget* parent = nullptr);

    // The folder OK applies: the current one until a folder is picked in this opening.
    QString ChosenFolder() const { return m_chosen; }

    // The folder picker: (parent, start folder) → the chosen folder, or empty when cancelled.
    std::function<QString(QWidget*, const QString&)> PickFolder;

    void Browse();

    QLineEdit* Edit1 = nullptr;
    QPushButton* Button1 = nullptr; // 参照
    QLabel* Label1 = nullptr;
    QPushButton* BitBtn1 = nullptr; // OK
    QPushButton* BitBtn2 = nullptr; // キャンセル

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString m_chosen;
};
