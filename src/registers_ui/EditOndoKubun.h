#pragma once

#include "domain/OndoKubun.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QToolButton;
class QTreeWidget;

// "温度区分の登録": a working list of the categories, written whole by 登録. Additions and
// updates are written at once; removals and moves wait for 登録. Always ends cancelled.
class TfEditOndoKubun : public QDialog
{
    Q_OBJECT
public:
    explicit TfEditOndoKubun(QWidget* parent = nullptr);

    static constexpr int MaxKubun = 10;

    // The list from the table, the name field emptied (done on every opening).
    void Reload();
    void FillFields();
    void ClearFields();
    void AddOrUpdate();
    void Register();
    void Remove();
    void MoveUp();
    void MoveDown();

    QTreeWidget* ListView1 = nullptr;
    QToolButton* SpeedButton1 = nullptr; // ↑
    QPushButton* BitBtn3 = nullptr;      // 削除
    QToolButton* SpeedButton2 = nullptr; // ↓
    QLineEdit* Edit1 = nullptr;          // 区分名
    QLineEdit* Edit2 = nullptr;          // 計測
    QLineEdit* Edit3 = nullptr;          // 温度範囲
    QCheckBox* CheckStamp = nullptr;     // 時刻を自動で記録
    QCheckBox* CheckNumbered = nullptr;  // 台数の番号で対応
    QPushButton* Button1 = nullptr;      // 項目追加/更新
    QPushButton* BitBtn4 = nullptr;      // 入力欄クリア
    QPushButton* BitBtn1 = nullptr;      // 登録
    QPushButton* BitBtn2 = nullptr;      // 閉じる

protected:
    void showEvent(QShowEvent* event) override;

private:
    // False when nothing was added or changed.
    bool addOrUpdateRow();
    void writeTable();
    void swapRows(int a, int b);
    int selectedRow() const;

    TOndoKubun m_kubun;
};
