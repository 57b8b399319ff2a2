// The peer of the start-up benchmark: a bare Qt widgets main window of our window's size that
// quits once it has been painted, as start_app.cpp does with ondokanri's main window. With
// --text it also shows a label, a field and a button in Japanese: what any window with text
// pays and a bare one does not (the font database, fontconfig's set-up, the accessibility
// bridge a button's caption wakes), measured beside the goal's peer, not instead of it.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

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
    if (app.arguments().contains(QStringLiteral("--text"))) {
        auto* panel = new QWidget;
        auto* layout = new QVBoxLayout(panel);
        layout->addWidget(new QLabel(QStringLiteral("工事名")));
        layout->addWidget(new QLineEdit(QStringLiteral("県道123号線舗装補修工事")));
        layout->addWidget(new QPushButton(QStringLiteral("登録")));
        window.setCentralWidget(panel);
    }
    QuitOnFirstPaint quit;
    window.installEventFilter(&quit);
    window.show();
    return app.exec();
}
