#pragma once

#include "domain/RegisterEntry.h"

#include <QComboBox>
#include <QDialog>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;
struct ListViewData;

// An editable drop-down whose list is read afresh each time it opens.
class TRegisterCombo : public QComboBox
{
    Q_OBJECT
public:
    explicit TRegisterCombo(QWidget* parent = nullptr);
    std::function<void()> BeforePopup;
    void showPopup() override;
};

// The one design of the project, mix and measurer dialogs: a key and a second text, new,
// search, register, delete, and 選択 handing the key to the opener. Texts survive between
// openings; nothing is reloaded when the dialog opens.
class TfRegisterDialog : public QDialog
{
    Q_OBJECT
public:
    // After an accepted end: the key the opener loads.
    QString ChosenKey() const;
    QString SecondText() const;
    TRegisterEntry& Entry() { return *m_entry; }

    QAction* NewItem = nullptr;    // "新規"
    QAction* DeleteItem = nullptr; // "削除"
    QAction* CloseItem = nullptr;  // "閉じる"

    void New();
    void Register();
    void Delete();
    // Opens on this key: the registered entry, or the key alone to be registered.
    void SetKey(const QString& key);

protected:
    struct Design
    {
        const char* objectName;
        QString caption;
        QSize size;
        QString keyLabel;
        int keyMax;
        bool keyIsCombo;
        QString secondLabel;
        int secondMax;
        const char* secondName;
        QString searchCaption; // empty: the key box's drop-down finds entries
        const char* selectName;
        const char* registerName;
        const char* closeName;
        QString recordNoun; // "この{noun}は N 件の記録で使われています"
    };
    TfRegisterDialog(std::unique_ptr<TRegisterEntry> entry, const Design& design, QWidget* parent);

    // Shows the register object's two texts.
    void ShowEntry();
    void TakeFields();

    QLineEdit* m_keyEdit = nullptr; // the code field, or the drop-down's editor
    TRegisterCombo* m_keyCombo = nullptr;
    QLineEdit* m_second = nullptr;
    QPushButton* m_search = nullptr;
    QPushButton* m_select = nullptr;
    QPushButton* m_register = nullptr;
    QPushButton* m_close = nullptr;
    QLabel* m_status = nullptr; // what the last 登録 did

private:
    void reloadKeyList();
    QString m_recordNoun;
    QString m_keyLabel;
    void choose(int index);

    std::unique_ptr<TRegisterEntry> m_entry;
};

// "工事登録": projects, found through the list picker.
class TfEditKoji : public TfRegisterDialog
{
    Q_OBJECT
public:
    explicit TfEditKoji(QWidget* parent = nullptr);
    TKoji& Koji() { return static_cast<TKoji&>(Entry()); }

    // Shows the projects modally and gives the chosen row, or -1. The main window may put
    // its own list picker here.
    std::function<int(const ListViewData&)> PickFromList;

    void Search();

    QLineEdit* Edit1 = nullptr;     // 工事コード
    QLineEdit* Edit2 = nullptr;     // 工事名
    QPushButton* BitBtn1 = nullptr; // 工事検索
    QPushButton* BitBtn4 = nullptr; // 選択
    QPushButton* BitBtn2 = nullptr; // 登録
    QPushButton* BitBtn3 = nullptr; // 閉じる
};

// "合材の登録": mixes, found through the name box's drop-down.
class TfEditGozai : public TfRegisterDialog
{
    Q_OBJECT
public:
    explicit TfEditGozai(QWidget* parent = nullptr);
    TGozai& Gozai() { return static_cast<TGozai&>(Entry()); }

    TRegisterCombo* ComboBox1 = nullptr; // 合材名
    QLineEdit* Edit2 = nullptr;          // 印刷名
    QPushButton* BitBtn2 = nullptr;      // 選択
    QPushButton* BitBtn3 = nullptr;      // 登録
    QPushButton* BitBtn4 = nullptr;      // 閉じる
};

// "氏名の登録": measurers, found through the name box's drop-down.
class TfEditSimei : public TfRegisterDialog
{
    Q_OBJECT
public:
    explicit TfEditSimei(QWidget* parent = nullptr);
    TSimei& Simei() { return static_cast<TSimei&>(Entry()); }

    TRegisterCombo* ComboBox1 = nullptr; // 氏名
    QLineEdit* Edit1 = nullptr;          // ふりがな
    QPushButton* BitBtn1 = nullptr;      // 選択
    QPushButton* BitBtn2 = nullptr;      // 登録
    QPushButton* BitBtn3 = nullptr;      // 閉じる
};
