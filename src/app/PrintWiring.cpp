#include "app/PrintWiring.h"

#include "entry_ui/EditOndoData.h"
#include "printing_ui/SetPrintItems.h"
#include "widgets_ui/ErrorGuard.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <memory>

void TMemoLines::Clear()
{
    m_memo->clear();
}

void TMemoLines::AddLine(const QString& line)
{
    m_memo->appendPlainText(line);
}

void ConnectPrintDialog(TfEditOndoData& window, TfSetPrintItems& dialog)
{
    ConnectPrintDialog(window, [&dialog]() -> TfSetPrintItems& { return dialog; });
}

void ConnectPrintDialog(TfEditOndoData& window, std::function<TfSetPrintItems&()> dialog)
{
    // Owned by the memo, so it lives exactly as long as the widget it writes to.
    struct MemoHolder : QObject
    {
        explicit MemoHolder(QPlainTextEdit* memo) : QObject(memo), lines(memo) {}
        TMemoLines lines;
    };
    auto* holder = new MemoHolder(window.Memo1);
    auto ready = std::make_shared<TfSetPrintItems*>(nullptr);
    const auto get = [&window, holder, dialog, ready]() -> TfSetPrintItems& {
        if (!*ready) {
            *ready = &dialog();
            (*ready)->SetRecord(&window.OndoKanri());
            (*ready)->SetChartMemo(&holder->lines);
        }
        return **ready;
    };
    window.BitBtn1->setEnabled(true);
    QObject::connect(window.BitBtn1, &QPushButton::clicked, &window, [&window, get] {
        RunGuarded(&window, [&window, &get] {
            window.ReadRecord();
            get().exec();
        });
    });
}
