// The day-of-work actions against one data location, each timed and, when ROUND_TRIPS names
// the counting file of bench/delay_proxy.py, counted in round trips to the server.
//   bench_distance LOCATION KOJI MIX KUBUN
// Prints "ACTION ms round_trips" per action; record_list is read, filled and shown in its window.
#include "domain/DayEntry.h"
#include "domain/ListViewData.h"
#include "domain/OndoKanri.h"
#include "storage/Engine.h"
#include "widgets_ui/ListView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

namespace {

long trips()
{
    QFile f(QString::fromLocal8Bit(qgetenv("ROUND_TRIPS")));
    if (f.fileName().isEmpty() || !f.open(QIODevice::ReadOnly))
        return -1;
    return f.readAll().trimmed().toLong();
}

void measure(const char* action, const std::function<void()>& run)
{
    const long before = trips();
    QElapsedTimer t;
    t.start();
    run();
    const double ms = t.nsecsElapsed() / 1e6;
    const long after = trips();
    std::printf("%s %.1f %ld\n", action, ms, before < 0 ? -1 : after - before);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir dir;
    // The caller's settings when given: a data file checked in full once is then known.
    if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME"))
        qputenv("XDG_CONFIG_HOME", (dir.path() + QStringLiteral("/config")).toUtf8());
    // The offscreen platform's notes on window sizes would break the lines read by the scripts.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QApplication app(argc, argv);
    if (argc < 5) {
        std::fprintf(stderr, "bench_distance LOCATION KOJI MIX KUBUN\n");
        return 2;
    }
    const QString koji = QString::fromLocal8Bit(argv[2]);
    const QString mix = QString::fromLocal8Bit(argv[3]);
    const QString kubun = QString::fromLocal8Bit(argv[4]);
    Engine::SetAliasPath(QString::fromLocal8Bit(argv[1]));

    std::unique_ptr<TDayEntry> entry;
    measure("start", [&] {
        Engine::OpenDatabase();
        TOndoKanri::CreateTables();
        TOndoKubun().CheckTable();
        CheckRegisterTables();
        entry = std::make_unique<TDayEntry>();
    });
    entry->Confirm = [](const QString&, bool) { return true; };
    measure("pick_project", [&] { entry->SetKojiCode(koji); });
    measure("pick_mix", [&] { entry->SetGozaiName(mix); });
    measure("pick_category", [&] { entry->SetKubunName(kubun); });
    entry->SetDayText(QStringLiteral("2030/01/01"));
    for (int i = 1; i <= 100; ++i)
        entry->SetCell(i, 1, QString::number(150 + i % 10));
    measure("register_100", [&] { entry->Register(); });
    measure("record_list", [&] {
        ListViewData view;
        TOndoKanri::ListAll(view);
        TfListView window;
        window.Fill(view);
        window.show();
        QApplication::processEvents();
    });
    entry->DeleteDay();
    return 0;
}
