// Registers days of 100 readings through the record (the 登録 path, which keeps the history and
// the day's seal) and, alternately, with the SQLite C library doing the same writes with the
// same settings (DELETE journal, full sync, statements prepared once): once without a history
// (the register before there was one) and once with the history entry and the seal written the
// plain way (the day hashed as text, the entry chained to the last one's hash). Prints the
// median CPU time of each and the ratios.
//   bench_register FOLDER [DAYS] [--only ours|raw|rawhistory]
// FOLDER should be on tmpfs so that the disk does not decide; `--only` runs one side (for strace
// -c).
#include "domain/OndoKanri.h"
#include "domain/OndoKubun.h"
#include "domain/RegisterEntry.h"
#include "storage/Engine.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sqlite3.h>
#include <vector>

namespace {

double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

void check(int rc, sqlite3* db)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
}

// What a programmer writing straight to the SQLite library would do for one day.
class RawRegister
{
public:
    RawRegister(const QByteArray& file, bool history) : m_history(history)
    {
        check(sqlite3_open(file.constData(), &m_db), m_db);
        for (const char* sql :
             {"pragma journal_mode=DELETE", "pragma synchronous=FULL",
              "create table OndoKanri4 (ID integer, KojiCode varchar(8), GozaiName varchar(64), "
              "Sokuteisya varchar(16), "
              "Kiji varchar(64), Kubun integer, Kikakuti varchar(32))",
              "create table OndoHead4 (KanriID integer, Hiduke datetime, Kosu integer, MaxOndo "
              "double, MiniOndo double, "
              "AvgOndo double, Tekiyo varchar(32))",
              "create table OndoLine4 (KanriID integer, Hiduke datetime, LNO integer, Sokuten "
              "varchar(16), Ondo double)",
              "create index OndoHead4_Day on OndoHead4 (KanriID, Hiduke)",
              "create index OndoLine4_Day on OndoLine4 (KanriID, Hiduke)",
              "create table OndoRireki (Seq integer, Nitiji datetime, Sousasya varchar(32), "
              "Sousa varchar(8), KojiCode varchar(8), GozaiName varchar(64), Kubun integer, "
              "KubunName varchar(24), Hiduke datetime, LNO integer, Mae varchar(160), "
              "Ato varchar(160), Fuin varchar(64), Hash varchar(64))",
              "create index OndoRireki_Seq on OndoRireki (Seq)",
              "create table OndoFuin (KanriID integer, Hiduke datetime, Fuin varchar(64), "
              "Rireki integer)",
              "create index OndoFuin_Day on OndoFuin (KanriID, Hiduke)",
              "insert into OndoKanri4 values (1, 'K001', '密粒度13', '', '', 0, '::')"})
            check(sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr), m_db);
        const char* statements[] = {
            "begin immediate",
            "update OndoKanri4 set Sokuteisya=?, Kiji=?, Kikakuti=? where ID=1",
            "delete from OndoHead4 where KanriID=1 and Hiduke=?",
            "insert into OndoHead4 values (1, ?, ?, ?, ?, ?, '')",
            "delete from OndoLine4 where KanriID=1 and Hiduke=?",
            "insert into OndoLine4 values (1, ?, ?, ?, ?)",
            "commit",
            "select Seq, Hash from OndoRireki order by Seq desc limit 1",
            "insert into OndoRireki values (?, datetime('now'), 'bench', '追加', 'K001', "
            "'密粒度13', 0, '練上温度', ?, 0, '', ?, ?, ?)",
            "delete from OndoFuin where KanriID=1 and Hiduke=?",
            "insert into OndoFuin values (1, ?, ?, ?)"};
        for (const char* sql : statements) {
            sqlite3_stmt* s = nullptr;
            check(sqlite3_prepare_v2(m_db, sql, -1, &s, nullptr), m_db);
            m_stmts.push_back(s);
        }
    }
    ~RawRegister()
    {
        for (sqlite3_stmt* s : m_stmts)
            sqlite3_finalize(s);
        sqlite3_close(m_db);
    }

    void Day(const QByteArray& stamp, const QList<Reading>& readings)
    {
        double max = -1e9, min = 1e9, sum = 0;
        for (const Reading& r : readings) {
            max = std::max(max, r.Ondo);
            min = std::min(min, r.Ondo);
            sum += r.Ondo;
        }
        step(0);
        sqlite3_bind_text(m_stmts[1], 1, "", -1, SQLITE_STATIC);
        sqlite3_bind_text(m_stmts[1], 2, "", -1, SQLITE_STATIC);
        sqlite3_bind_text(m_stmts[1], 3, "::", -1, SQLITE_STATIC);
        step(1);
        sqlite3_bind_text(m_stmts[2], 1, stamp.constData(), -1, SQLITE_TRANSIENT);
        step(2);
        sqlite3_bind_text(m_stmts[3], 1, stamp.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(m_stmts[3], 2, readings.size());
        sqlite3_bind_double(m_stmts[3], 3, max);
        sqlite3_bind_double(m_stmts[3], 4, min);
        sqlite3_bind_double(m_stmts[3], 5, sum / readings.size());
        step(3);
        sqlite3_bind_text(m_stmts[4], 1, stamp.constData(), -1, SQLITE_TRANSIENT);
        step(4);
        for (const Reading& r : readings) {
            const QByteArray label = r.Sokuten.toUtf8();
            sqlite3_bind_text(m_stmts[5], 1, stamp.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(m_stmts[5], 2, r.LNO);
            sqlite3_bind_text(m_stmts[5], 3, label.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_double(m_stmts[5], 4, r.Ondo);
            step(5);
        }
        if (m_history)
            writeHistory(stamp, readings, max, min, sum / readings.size());
        step(6);
    }

private:
    void writeHistory(const QByteArray& stamp, const QList<Reading>& readings, double max,
                      double min, double avg)
    {
        QByteArray day = stamp + '\t' + QByteArray::number(readings.size()) + '\t' +
                         QByteArray::number(max) + '\t' + QByteArray::number(min) + '\t' +
                         QByteArray::number(avg) + '\n';
        for (const Reading& r : readings)
            day += QByteArray::number(r.LNO) + '\t' + r.Sokuten.toUtf8() + '\t' +
                   QByteArray::number(r.Ondo) + '\n';
        const QByteArray seal =
            QCryptographicHash::hash(QByteArrayView(day), QCryptographicHash::Sha256).toHex();
        sqlite3_stmt* tail = m_stmts[7];
        int seq = 1;
        QByteArray previous;
        if (sqlite3_step(tail) == SQLITE_ROW) {
            seq = sqlite3_column_int(tail, 0) + 1;
            previous = reinterpret_cast<const char*>(sqlite3_column_text(tail, 1));
        }
        sqlite3_reset(tail);
        const QByteArray after = QByteArray::number(readings.size()) + " 件";
        const QByteArray entry = previous + '\n' + QByteArray::number(seq) + stamp + after + seal;
        const QByteArray hash = QCryptographicHash::hash(entry, QCryptographicHash::Sha256).toHex();
        sqlite3_bind_int(m_stmts[8], 1, seq);
        sqlite3_bind_text(m_stmts[8], 2, stamp.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(m_stmts[8], 3, after.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(m_stmts[8], 4, seal.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(m_stmts[8], 5, hash.constData(), -1, SQLITE_TRANSIENT);
        step(8);
        sqlite3_bind_text(m_stmts[9], 1, stamp.constData(), -1, SQLITE_TRANSIENT);
        step(9);
        sqlite3_bind_text(m_stmts[10], 1, stamp.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(m_stmts[10], 2, seal.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(m_stmts[10], 3, seq);
        step(10);
    }

    void step(int i)
    {
        check(sqlite3_step(m_stmts[i]), m_db);
        sqlite3_reset(m_stmts[i]);
    }

    bool m_history = false;
    sqlite3* m_db = nullptr;
    std::vector<sqlite3_stmt*> m_stmts;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_register FOLDER [DAYS] [--only ours|raw]\n");
        return 2;
    }
    const QString folder = args.at(1);
    const int days =
        args.size() > 2 && !args.at(2).startsWith(QLatin1Char('-')) ? args.at(2).toInt() : 200;
    const int only = args.indexOf(QStringLiteral("--only"));
    const QString side = only > 0 && only + 1 < args.size() ? args.at(only + 1) : QString();
    QDir(folder).removeRecursively();
    QDir().mkpath(folder + QStringLiteral("/ours"));
    qputenv("XDG_CONFIG_HOME", (folder + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (folder + QStringLiteral("/xdg")).toUtf8());

    Engine::OpenDatabase(folder + QStringLiteral("/ours"));
    TOndoKanri::CreateTables();
    TOndoKubun().CheckTable();
    CheckRegisterTables();
    TOndoKanri record;
    record.Koji.Load(QStringLiteral("K001"));
    record.Gozai.Load(QStringLiteral("密粒度13"));
    record.Kubun.LoadByID(0);
    RawRegister raw((folder + QStringLiteral("/raw.sqlite")).toUtf8(), false);
    RawRegister rawHistory((folder + QStringLiteral("/rawhistory.sqlite")).toUtf8(), true);

    QList<Reading> readings;
    for (int i = 1; i <= 100; ++i)
        readings << Reading{i, QString::number(i), 150.0 + i % 10};
    const QDate first(2020, 1, 1);
    std::vector<double> oursMs, rawMs, rawHistoryMs;
    for (int d = 0; d < days; ++d) {
        const QDateTime day(first.addDays(d), QTime(0, 0));
        if (side.isEmpty() || side == QLatin1String("ours")) {
            const double t = cpuMs();
            const DayStatistics s = StatisticsOf(readings);
            record.Hiduke = day;
            record.Kosu = s.count;
            record.MaxOndo = s.maximum;
            record.MiniOndo = s.minimum;
            record.AvgOndo = s.average;
            record.Register(readings);
            oursMs.push_back(cpuMs() - t);
        }
        const QByteArray stamp = day.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
        if (side.isEmpty() || side == QLatin1String("raw")) {
            const double t = cpuMs();
            raw.Day(stamp, readings);
            rawMs.push_back(cpuMs() - t);
        }
        if (side.isEmpty() || side == QLatin1String("rawhistory")) {
            const double t = cpuMs();
            rawHistory.Day(stamp, readings);
            rawHistoryMs.push_back(cpuMs() - t);
        }
    }
    std::printf("days registered: %d × 100 readings in %s\n", days, qPrintable(folder));
    if (!oursMs.empty())
        std::printf("ondokanri register   median CPU %.3f ms\n", median(oursMs));
    if (!rawMs.empty())
        std::printf("raw SQLite           median CPU %.3f ms\n", median(rawMs));
    if (!rawHistoryMs.empty())
        std::printf("raw SQLite + history median CPU %.3f ms\n", median(rawHistoryMs));
    if (!oursMs.empty() && !rawMs.empty())
        std::printf("ratio ours (with history) / raw without   x%.2f\n",
                    median(oursMs) / median(rawMs));
    if (!rawHistoryMs.empty() && !rawMs.empty())
        std::printf("ratio raw with history / raw without      x%.2f\n",
                    median(rawHistoryMs) / median(rawMs));
    return 0;
}
