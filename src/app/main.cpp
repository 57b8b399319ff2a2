#include "app/Desktop.h"
#include "app/cli/BatchPrint.h"
#include "core/Utility.h"

#include <QApplication>

int main(int argc, char** argv)
{
    ReadLocalZoneOnce();
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (IsBatchCommand(arguments))
        return RunCommandLine(argc, argv);

    QApplication app(argc, argv);
    PrepareDesktopStart();
    TDesktop desktop;
    desktop.Show();
    return app.exec();
}
