#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

// "データの格納場所": a folder on this computer or a PostgreSQL server. Nothing is applied
// here; the opener applies ChosenFolder() after OK. "接続テスト" tries the server shown.
class TfSetDataPath : public QDialog
{
    Q_OBJECT
public:
    explicit TfSetDataPath(QWidget* parent = nullptr);

    // The location OK applies: the folder (the current one until a folder is picked in this
    // opening) or the server URI made of the fields.
    QString ChosenFolder() const;

    // The folder picker: (parent, start folder) → the chosen folder, or empty when cancelled.
    std::function<QString(QWidget*, const QString&)> PickFolder;

    void Browse();
    // Tries the chosen location on a connection of its own; returns the text shown.
    QString TestConnection();

    QRadioButton* RadioFolder = nullptr; // このコンピュータ（フォルダ）
    QRadioButton* RadioServer = nullptr; // サーバー（PostgreSQL）
    QLineEdit* Edit1 = nullptr;
    QPushButton* Button1 = nullptr; // 参照
    QLineEdit* EditHost = nullptr;
    QSpinBox* EditPort = nullptr;
    QLineEdit* EditDatabase = nullptr;
    QLineEdit* EditUser = nullptr;
    QPushButton* ButtonTest = nullptr; // 接続テスト
    QLabel* LabelServer = nullptr;     // what a server means for backups
    QLabel* Label1 = nullptr;
    QPushButton* BitBtn1 = nullptr; // OK
    QPushButton* BitBtn2 = nullptr; // キャンセル

protected:
    void showEvent(QShowEvent* event) override;

private:
    void followChoice();

    QString m_chosen;     // the folder
    QString m_sslOptions; // a query part of the stored URI, kept as it was
};
