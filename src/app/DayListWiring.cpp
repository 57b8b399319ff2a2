#include "app/DayListWiring.h"

#include "domain/DayEntry.h"
#include "entry_ui/DayList.h"
#include "entry_ui/EditOndoData.h"
#include "widgets_ui/ErrorGuard.h"

#include <memory>

void ConnectDayList(TfEditOndoData& window, DialogRef<TfDayList> list)
{
    // The list is made at its first opening; its choice is connected then, once.
    auto connected = std::make_shared<bool>(false);
    QObject::connect(
        &window, &TfEditOndoData::dayListRequested, &window, [&window, list, connected] {
            RunGuarded(&window, [&] {
                TfDayList& days = *list;
                if (!*connected) {
                    *connected = true;
                    QObject::connect(
                        &days, &TfDayList::dayChosen, &window, [&window](const TDayRow& d) {
                            RunGuarded(&window, [&] {
                                window.Entry().OpenDay(d.kojiCode, d.gozaiName, d.kubunName, d.day);
                                window.raise();
                                window.activateWindow();
                            });
                        });
                }
                const TDayHeader& h = window.Entry().Header();
                days.ShowRecord(h.kojiCode, h.gozaiName, h.kubunName);
                days.show();
                days.raise();
            });
        });
}
