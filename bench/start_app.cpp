// The start-up benchmark's ondokanri: the program's own start (src/app/main.cpp) up to the main
// window's first paint, where it quits. bare_window.cpp is the peer it is timed against.
#include "app/Desktop.h"
#include "core/Utility.h"
#include "entry_ui/EditOndoData.h"

#include <QApplication>
#include <QTimer>

namespace {

class QuitOnFirstPaint : public QObject
{
protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return false;
    }
};

} // namespace

int main(int argc, char** argv)
{
    ReadLocalZoneOnce();
    QApplication app(argc, argv);
    PrepareDesktopStart();
    TDesktop desktop;
    QuitOnFirstPaint quit;
    desktop.MainWindow().installEventFilter(&quit);
    desktop.Show();
    return app.exec();
}
