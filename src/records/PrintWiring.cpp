#include "records/PrintWiring.h"

#include "environment/ErrorGuard.h"
#include "printing/SetPrintItems.h"
#include "records/EditOndoData.h"

#include <QPlainTextEdit>
#include <QPushButton>

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
    // Owned by the memo, so it lives exactly as long as the widget it writes to.
    struct MemoHolder : QObject
    {
        explicit MemoHolder(QPlainTextEdit* memo) : QObject(memo), lines(memo) {}
        TMemoLines lines;
    };
    auto* holder = new MemoHolder(window.Memo1);
    dialog.SetRecord(&window.OndoKanri());
    dialog.SetChartMemo(&holder->lines);
    window.BitBtn1->setEnabled(true);
    QObject::connect(window.BitBtn1, &QPushButton::clicked, &window, [&window, &dialog] {
        RunGuarded(&window, [&window, &dialog] {
            window.ReadRecord();
            dialog.exec();
        });
    });
}
