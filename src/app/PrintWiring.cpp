#include "app/PrintWiring.h"

#include "domain/DayEntry.h"
#include "entry_ui/EditOndoData.h"
#include "printing_ui/SetPrintItems.h"
#include "widgets_ui/ErrorGuard.h"

#include <memory>

void TMemoLines::Clear()
{
    m_window.ClearMemo();
}

void TMemoLines::AddLine(const QString& line)
{
    m_window.AddMemoLine(line);
}

void ConnectPrintDialog(TfEditOndoData& window, DialogRef<TfSetPrintItems> dialog)
{
    // Owned by the connection's context, so it lives exactly as long as the window.
    auto memo = std::make_shared<TMemoLines>(window);
    QObject::connect(&window, &TfEditOndoData::printRequested, &window, [&window, dialog, memo] {
        RunGuarded(&window, [&] {
            TfSetPrintItems& d = *dialog;
            d.SetRecord(&window.Entry().ReadRecord());
            d.SetChartMemo(memo.get());
            d.exec();
        });
    });
}
