// The peer of the start-up benchmark: a bare Qt widgets main window of our window's size that
// quits once it has been painted, as start_app.cpp does with ondokanri's main window.
#include <QApplication>
#include <QMainWindow>
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
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("温度管理"));
    window.resize(538, 698);
    QuitOnFirstPaint quit;
    window.installEventFilter(&quit);
    window.show();
    return app.exec();
}
