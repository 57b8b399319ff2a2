#pragma once

#include <QDialog>
#include <QPoint>
#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QToolButton;
class QWheelEvent;
class QWidget;
class TPrevX;
class TPrevXPane;

// The preview window: zoom, page selection and printing of the pane's document. Shown
// maximised and modal once the document is complete.
class TFormPreview : public QDialog
{
    Q_OBJECT

public:
    explicit TFormPreview(QWidget* parent = nullptr);
    ~TFormPreview() override;

    TPrevX& PrevX() const;

    QWidget* Panel1;
    QGroupBox* GroupBox2;
    QPushButton* Button5; // ＋
    QPushButton* Button6; // －
    QGroupBox* GroupBox4;
    QLineEdit* Edit1;
    QToolButton* UpDownDown;
    QToolButton* UpDownUp;
    QLabel* LabelPages; // "/ N": the pages of the document
    QGroupBox* GroupBox5;
    QPushButton* Button2;   // すべて印刷
    QPushButton* Button4;   // このページを印刷
    QPushButton* ButtonPdf; // PDF保存
    QPushButton* BitBtn1;   // 閉じる
    QScrollArea* ScrollBox1;
    TPrevXPane* PrevX1;

    int UpDownMax() const { return m_upDownMax; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Guarded(const std::function<void()>& action);
    void StepPage(int delta);
    void GoToPage(int page);
    bool PageKey(int key);
    bool Wheel(QWheelEvent* wheel);
    void ZoomIn();
    void ZoomOut();
    void PrintAll();
    void PrintThisPage();
    void SavePdf();

    QWidget* m_scrollContent;
    int m_upDownMax = 1;
    QPoint m_wheelRest; // eighths of a step not yet scrolled (fine-grained wheels)
};
