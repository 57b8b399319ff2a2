#include "app/PrintWiring.h"

#include "domain/DayEntry.h"
#include "entry_ui/EditOndoData.h"
#include "printing_ui/SetPrintItems.h"
#include "widgets_ui/ErrorGuard.h"

void ConnectPrintDialog(TfEditOndoData& window, DialogRef<TfSetPrintItems> dialog)
{
    QObject::connect(&window, &TfEditOndoData::printRequested, &window, [&window, dialog] {
        RunGuarded(&window, [&] {
            TfSetPrintItems& d = *dialog;
            d.SetRecord(&window.Entry().ReadRecord());
            d.exec();
        });
    });
}
