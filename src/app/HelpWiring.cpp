#include "app/HelpWiring.h"

#include "entry_ui/EditOndoData.h"
#include "help_ui/HelpWindow.h"
#include "widgets_ui/ErrorGuard.h"

#include <QApplication>
#include <QKeyEvent>

namespace {

// F1 wherever it is pressed, modal dialogs included, where the main window's shortcut is
// blocked.
class TF1Filter : public QObject
{
public:
    TF1Filter(QObject* parent, DialogRef<TfHelp> help) : QObject(parent), m_help(std::move(help)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress ||
            static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1)
            return false;
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != modal)
            return false;
        ShowGuide(*m_help, modal, GuideAnchorOf(modal->objectName()));
        return true;
    }

private:
    DialogRef<TfHelp> m_help;
};

} // namespace

void ConnectHelp(TfEditOndoData& window, DialogRef<TfHelp> help)
{
    QObject::connect(&window, &TfEditOndoData::helpRequested, &window, [&window, help] {
        ShowGuide(*help, &window, GuideAnchorOf(window.objectName()));
    });
    QObject::connect(&window, &TfEditOndoData::aboutRequested, &window,
                     [&window] { RunGuarded(&window, [&window] { ShowAbout(&window); }); });
    qApp->installEventFilter(new TF1Filter(&window, help));
}
