#include "app/DayListWiring.h"

#include "core/AppError.h"
#include "domain/DayEntry.h"
#include "entry_ui/DayHistory.h"
#include "entry_ui/DayList.h"
#include "entry_ui/EditOndoData.h"
#include "entry_ui/JourneyWindow.h"
#include "widgets_ui/ErrorGuard.h"

#include <QDateEdit>
#include <memory>

void ConnectDayList(TfEditOndoData& window, DialogRef<TfDayList> list,
                    DialogRef<TfDayHistory> history)
{
    // The list is made at its first opening; its choice is connected then, once.
    auto connected = std::make_shared<bool>(false);
    QObject::connect(
        &window, &TfEditOndoData::dayListRequested, &window, [&window, list, history, connected] {
            RunGuarded(&window, [&] {
                TfDayList& days = *list;
                if (!*connected) {
                    *connected = true;
                    QObject::connect(&days, &TfDayList::historyRequested, &days,
                                     [&days, history](const TDayRow& d) {
                                         RunGuarded(&days, [&] {
                                             TfDayHistory& shown = *history;
                                             shown.ShowDay(d);
                                             shown.show();
                                             shown.raise();
                                         });
                                     });
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

void ConnectJourney(TfEditOndoData& window, DialogRef<TfJourney> journey)
{
    auto opened = std::make_shared<bool>(false);
    QObject::connect(&window, &TfEditOndoData::journeyRequested, &window,
                     [&window, journey, opened] {
                         RunGuarded(&window, [&] {
                             const TDayHeader& h = window.Entry().Header();
                             if (h.kojiCode.isEmpty() || h.gozaiName.isEmpty())
                                 throw AppError(QStringLiteral("工事と合材を選んでください"));
                             QDate day = QDate::fromString(h.dayText, QStringLiteral("yyyy/MM/dd"));
                             if (!day.isValid())
                                 day = QDate::currentDate();
                             TfJourney& shown = *journey;
                             *opened = true;
                             shown.ShowDay(h.kojiCode, h.gozaiName, day);
                             shown.show();
                             shown.raise();
                         });
                     });
    // What is registered in the window shows in the table at once.
    QObject::connect(&window.Entry(), &TDayEntry::registered, &window, [&window, journey, opened] {
        if (*opened && journey->isVisible())
            RunGuarded(&window, [&] {
                const TDayHeader& h = window.Entry().Header();
                journey->ShowDay(h.kojiCode, h.gozaiName, journey->EditDay->date());
            });
    });
}
