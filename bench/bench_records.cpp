// Registers 1,000 days of 100 readings on a fresh data folder, then times the look-ups of a
// day. Prints medians in milliseconds.
//   bench_records [DAYS] [LOCATION]
// LOCATION: a folder or postgresql://user@host:port/dbname holding no records yet (the
// server's password from PGPASSWORD or ~/.pgpass); a temporary folder when left out.
#include "core/AppError.h"
#include "domain/OndoKanri.h"
#include "storage/Engine.h"
#include "storage/Query.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", (dir.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (dir.path() + QStringLiteral("/data")).toUtf8());
    QCoreApplication app(argc, argv);
    const int days = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000;
    if (argc > 2)
        Engine::SetAliasPath(QString::fromLocal8Bit(argv[2]));

    Engine::OpenDatabase();
    TOndoKanri::CreateTables();
    TOndoKubun().CheckTable();
    CheckRegisterTables();

    {
        Query existing(QStringLiteral("select count(*) as N from OndoKanri4"));
        existing.Open();
        if (existing.FieldInt(QStringLiteral("N")) > 0) {
            std::fprintf(stderr, "the location holds records already\n");
            return 1;
        }
    }
    std::printf("location                  %s\n",
                qPrintable(Engine::DisplayName(Engine::CurrentFolder())));

    TOndoKanri record;
    record.Koji.Load(QStringLiteral("K001"));
    record.Gozai.Load(QStringLiteral("密粒度13"));
    record.Kubun.LoadByID(0);
    QList<Reading> readings;
    for (int i = 1; i <= 100; ++i)
        readings << Reading{i, QString::number(i), 150.0 + i % 10};

    const QDate first(2020, 1, 1);
    std::vector<double> registerMs, loadMs, readMs, listMs;
    QElapsedTimer t;
    for (int d = 0; d < days; ++d) {
        record.Hiduke = QDateTime(first.addDays(d), QTime(0, 0));
        record.Kosu = 100;
        t.start();
        record.Register(readings);
        registerMs.push_back(t.nsecsElapsed() / 1e6);
    }
    for (int i = 0; i < 200; ++i) {
        const QDateTime day(first.addDays((i * 37) % days), QTime(0, 0));
        record.Hiduke = day;
        t.start();
        record.LoadByDate();
        loadMs.push_back(t.nsecsElapsed() / 1e6);
        t.start();
        const QList<Reading> got =
            TOndoKanri::ReadDay(record.Koji.Code(), record.Kubun.ID, day, record.Gozai.DataName());
        readMs.push_back(t.nsecsElapsed() / 1e6);
        if (got.size() != 100) {
            std::fprintf(stderr, "expected 100 readings, got %lld\n",
                         static_cast<long long>(got.size()));
            return 1;
        }
        QStringList list;
        t.start();
        record.GetDateList(list);
        listMs.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("days registered           %d\n", days);
    std::printf("register one day (median) %.3f ms (target <= 3 ms)\n", median(registerMs));
    std::printf("LoadByDate (median)       %.3f ms (target <= 1 ms)\n", median(loadMs));
    std::printf("read a day (median)       %.3f ms (target <= 1 ms)\n", median(readMs));
    std::printf("GetDateList (median)      %.3f ms\n", median(listMs));
    return 0;
}
