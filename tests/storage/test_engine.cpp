#include "core/AppError.h"
#include "storage/DataFile.h"
#include "storage/Engine.h"
#include "storage/Query.h"
#include "storage/Schema.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QUrl>
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
void makeTable()
{
    Engine::CreateTable(QStringLiteral("T1"), {{QStringLiteral("ID"), Schema::Type::Integer},
                                               {QStringLiteral("Name"), Schema::Type::String, 8},
                                               {QStringLiteral("Val"), Schema::Type::Float},
                                               {QStringLiteral("Day"), Schema::Type::DateTime}});
}
int countRows(const QString& table)
{
    Query q(QStringLiteral("select count(*) as N from ") + table);
    q.Open();
    return q.FieldInt(QStringLiteral("N"));
}
} // namespace

class TestEngine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void aliasPath()
    {
        if (OnServer())
            QSKIP("folder locations only");
        TempProfile profile;
        const QString def = Engine::GetAliasPath();
        QCOMPARE(def, profile.root() + QStringLiteral("/data/kozeran/data/"));
        QVERIFY(QDir(def).exists());
        QVERIFY(QFile::exists(def + QStringLiteral("kozeran.sqlite")));

        const QString other = profile.root() + QStringLiteral("/elsewhere");
        Engine::SetAliasPath(other);
        QCOMPARE(Engine::GetAliasPath(), other + QLatin1Char('/'));
        Engine::OpenDatabase();
        QCOMPARE(Engine::CurrentFolder(), other + QLatin1Char('/'));
        QVERIFY(QFile::exists(other + QStringLiteral("/kozeran.sqlite")));
    }

    void tablesAndNamesIgnoreCase()
    {
        TempProfile profile;
        QVERIFY(!Engine::TableExists(QStringLiteral("T1")));
        makeTable();
        QVERIFY(Engine::TableExists(QStringLiteral("t1")));
        Query ins(QStringLiteral("insert into t1 (ID,NAME) values (:A,:B)"));
        ins.BindInt(QStringLiteral("A"), 3);
        ins.BindText(QStringLiteral("b"), QStringLiteral("x"));
        ins.ExecSQL();
        Query sel(QStringLiteral("select * from T1"));
        sel.Open();
        QCOMPARE(sel.FieldText(QStringLiteral("name")), QStringLiteral("x"));
        QCOMPARE(sel.FieldInt(QStringLiteral("id")), 3);
    }

    // Inside a check the layout is read once and follows what is changed there; outside
    // one, a table another program makes is seen at once.
    void layoutCheckFollowsTheChangesMadeInIt()
    {
        TempProfile profile;
        {
            const Engine::LayoutCheck check;
            QVERIFY(!Engine::TableExists(QStringLiteral("T1")));
            makeTable();
            QVERIFY(Engine::TableExists(QStringLiteral("t1")));
            QVERIFY(Engine::ColumnExists(QStringLiteral("t1"), QStringLiteral("NAME")));
            QVERIFY(!Engine::ColumnExists(QStringLiteral("T1"), QStringLiteral("Extra")));
            Engine::AddColumn(QStringLiteral("T1"),
                              {QStringLiteral("Extra"), Schema::Type::Integer});
            QVERIFY(Engine::ColumnExists(QStringLiteral("t1"), QStringLiteral("extra")));
            QVERIFY(!Engine::IndexExists(QStringLiteral("T1_Extra")));
            Engine::CreateIndex(QStringLiteral("T1_Extra"), QStringLiteral("T1"),
                                {QStringLiteral("Extra")});
            QVERIFY(Engine::IndexExists(QStringLiteral("t1_extra")));
            Engine::Execute(QStringLiteral("insert into T1 (ID, Extra) values (1, 2)"));
            QCOMPARE(countRows(QStringLiteral("T1")), 1);
        }
        if (OnServer())
            return;
        {
            QSqlDatabase other =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            other.setDatabaseName(Engine::CurrentFolder() +
                                  QLatin1String(Engine::DatabaseFileName));
            QVERIFY(other.open());
            QVERIFY(QSqlQuery(other).exec(QStringLiteral("create table T2 (A integer)")));
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        QVERIFY(Engine::TableExists(QStringLiteral("T2")));
        QVERIFY(!Engine::IndexExists(QStringLiteral("T1_Extra"))); // asked of the file: unknown
    }

    void repeatedAndUnboundParameters()
    {
        TempProfile profile;
        makeTable();
        Query ins(QStringLiteral("insert into T1 (ID,Name,Val) values (:A,:B,:A)"));
        ins.BindInt(QStringLiteral("A"), 7);
        ins.BindText(QStringLiteral("B"), QStringLiteral("it's :B"));
        ins.ExecSQL();
        Query sel;
        sel.Add(QStringLiteral("select * from T1"));
        sel.Add(QStringLiteral("where ID = :A and Val = :A and Name <> ':A'"));
        sel.BindInt(QStringLiteral("A"), 7);
        sel.Open();
        QCOMPARE(sel.RecordCount(), 1);
        QCOMPARE(sel.FieldText(QStringLiteral("Name")), QStringLiteral("it's :B"));

        Query unbound(QStringLiteral("delete from T1 where ID = :A or Name = :B"));
        unbound.BindInt(QStringLiteral("A"), 1);
        QVERIFY_THROWS_EXCEPTION(AppError, unbound.ExecSQL());
        QCOMPARE(countRows(QStringLiteral("T1")), 1);
    }

    void nullsAndAggregates()
    {
        TempProfile profile;
        makeTable();
        Query max(QStringLiteral("select Max(ID) as MaxID from T1"));
        max.Open();
        QVERIFY(!max.Eof());
        QCOMPARE(max.FieldInt(QStringLiteral("MaxID")), 0);
        QCOMPARE(max.FieldText(QStringLiteral("MaxID")), QString());

        Query ins(QStringLiteral("insert into T1 (ID) values (:A)"));
        ins.BindInt(QStringLiteral("A"), 1);
        ins.ExecSQL();
        Query sel(QStringLiteral("select * from T1"));
        sel.Open();
        QCOMPARE(sel.FieldDouble(QStringLiteral("Val")), 0.0);
        QCOMPARE(sel.FieldText(QStringLiteral("Name")), QString());
        QCOMPARE(sel.FieldDateTime(QStringLiteral("Day")).date(), QDate(1899, 12, 30));
        QVERIFY_THROWS_EXCEPTION(AppError, sel.FieldText(QStringLiteral("NoSuchColumn")));
        sel.Next();
        QVERIFY(sel.Eof());
    }

    void dateTimesStoredAsText()
    {
        TempProfile profile;
        makeTable();
        const QDateTime day(QDate(2024, 3, 31), QTime(0, 0));
        Query ins(QStringLiteral("insert into T1 (ID,Day) values (1,:D)"));
        ins.BindDateTime(QStringLiteral("D"), day);
        ins.ExecSQL();
        // SQLite keeps the text form; the server a timestamp without zone.
        Query raw(OnServer() ? QStringLiteral("select to_char(Day, 'YYYY-MM-DD HH24:MI:SS') "
                                              "as T from T1")
                             : QStringLiteral("select Day as T from T1"));
        raw.Open();
        QCOMPARE(raw.FieldText(QStringLiteral("T")), QStringLiteral("2024-03-31 00:00:00"));
        Query sel(QStringLiteral("select * from T1 where Day = :D"));
        sel.BindDateTime(QStringLiteral("D"), day);
        sel.Open();
        QCOMPARE(sel.RecordCount(), 1);
        QCOMPARE(sel.FieldDateTime(QStringLiteral("Day")), day);

        for (const QDateTime& t : {QDateTime(QDate(1899, 12, 30), QTime(0, 0)),
                                   QDateTime(QDate(2009, 1, 2), QTime(3, 4, 5)),
                                   QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59)),
                                   QDateTime(QDate(12, 5, 6), QTime(7, 8, 9))}) {
            QCOMPARE(DateTimeToStorage(t), t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
            QCOMPARE(DateTimeFromStorage(DateTimeToStorage(t)), t);
        }
    }

    // Writes inside a transaction may travel with the next read: that read sees them, several
    // reads opened together each get their own rows, and values come back as they went.
    void readsSeeTheTransactionsWritesAndOpenTogether()
    {
        TempProfile profile;
        makeTable();
        const QString odd = QStringLiteral("a'b\\c\t温");
        const QDateTime day(QDate(2024, 2, 29), QTime(23, 59, 58));
        Transaction tx;
        for (int id = 1; id <= 3; ++id) {
            Query ins(QStringLiteral("insert into T1 (ID, Name, Val, Day) values (:A,:B,:C,:D)"));
            ins.BindInt(QStringLiteral("A"), id);
            ins.BindText(QStringLiteral("B"), id == 2 ? odd : QString());
            ins.BindDouble(QStringLiteral("C"), 0.1 + 0.2 * id);
            ins.BindDateTime(QStringLiteral("D"), day.addDays(id));
            ins.ExecSQL();
        }
        Query all(QStringLiteral("select ID, Name, Val, Day from T1 order by ID"));
        Query two(QStringLiteral("select Name from T1 where ID = :A"));
        two.BindInt(QStringLiteral("A"), 2);
        Query none(QStringLiteral("select ID from T1 where ID > 9"));
        Query::OpenAll({&all, &two, &none});
        tx.Commit();
        QCOMPARE(all.RecordCount(), 3);
        for (int id = 1; id <= 3; ++id, all.Next()) {
            QCOMPARE(all.FieldInt(QStringLiteral("ID")), id);
            QCOMPARE(all.FieldDouble(QStringLiteral("Val")), 0.1 + 0.2 * id);
            QCOMPARE(all.FieldDateTime(QStringLiteral("Day")), day.addDays(id));
        }
        QCOMPARE(two.FieldText(QStringLiteral("Name")), odd);
        QVERIFY(none.Eof());
        QCOMPARE(countRows(QStringLiteral("T1")), 3);
    }

    void preparedStatementsFollowTheConnection()
    {
        TempProfile profile;
        const QString sql = QStringLiteral("select Name from T1 where ID = :A order by Name");
        const auto names = [&sql](int id) {
            Query q(sql);
            q.BindInt(QStringLiteral("A"), id);
            q.Open();
            QStringList out;
            for (; !q.Eof(); q.Next()) {
                // The same text run inside the loop of the first must not disturb it.
                Query inner(sql);
                inner.BindInt(QStringLiteral("A"), id + 1);
                inner.Open();
                out << q.FieldText(QStringLiteral("Name")) + QLatin1Char('/') +
                           (inner.Eof() ? QString() : inner.FieldText(QStringLiteral("Name")));
            }
            return out;
        };
        const auto fill = [](const QStringList& rows) {
            makeTable();
            Query ins(QStringLiteral("insert into T1 (ID, Name) values (:A, :B)"));
            for (int i = 0; i < rows.size(); ++i) {
                ins.BindInt(QStringLiteral("A"), i % 2 + 1);
                ins.BindText(QStringLiteral("B"), rows.at(i));
                ins.ExecSQL();
            }
        };
        fill({QStringLiteral("a1"), QStringLiteral("b2"), QStringLiteral("a3")});
        QCOMPARE(names(1), (QStringList{QStringLiteral("a1/b2"), QStringLiteral("a3/b2")}));

        // A forward pass reads row by row; the same text opened meanwhile gets its own statement.
        {
            Query q(QStringLiteral("select Name from T1 order by Name"));
            q.OpenForward();
            QStringList seen;
            for (; !q.Eof(); q.Next()) {
                Query inner(QStringLiteral("select Name from T1 order by Name"));
                inner.Open();
                seen << q.FieldText(QStringLiteral("Name")) + QString::number(inner.RecordCount());
            }
            QCOMPARE(seen, (QStringList{QStringLiteral("a13"), QStringLiteral("a33"),
                                        QStringLiteral("b23")}));
            q.Next();
            QVERIFY(q.Eof());
        }
        QCOMPARE(names(2), QStringList{QStringLiteral("b2/")});

        // Another data folder: the statements of the closed connection are not reused.
        Engine::OpenDatabase(profile.root() + QStringLiteral("/other"));
        fill({QStringLiteral("x1")});
        QCOMPARE(names(1), QStringList{QStringLiteral("x1/")});
        Engine::CloseDatabase();
        Engine::OpenDatabase(profile.root() + QStringLiteral("/third"));
        fill({QStringLiteral("y1"), QStringLiteral("z2")});
        QCOMPARE(names(1), QStringList{QStringLiteral("y1/z2")});
    }

    // An older location holding one of our tables, without its later columns: the others
    // are created, the later columns added, its rows kept; the check calls it ours throughout.
    void olderLocationGainsTheDeclaredTablesAndIndexes()
    {
        TempProfile profile;
        const auto inspect = [] {
            return OnServer()
                       ? DataFile::InspectServer(Engine::ServerColumns(), Engine::CurrentFolder())
                       : DataFile::Inspect(Engine::CurrentFolder() +
                                           QLatin1String(Engine::DatabaseFileName));
        };
        const Schema::Table& kubun = Schema::Get(QStringLiteral("ondokubun"));
        QList<Schema::Column> first;
        for (const Schema::Column& c : kubun.columns) {
            if (!c.addedLater)
                first << c;
        }
        QVERIFY(first.size() < kubun.columns.size());
        Engine::CreateTable(kubun.name, first);
        Engine::Execute(QStringLiteral("insert into OndoKubun (ID, KubunName) values (7, 'A')"));
        const DataFile::Inspection before = inspect();
        QVERIFY(before.state == DataFile::State::Ours);
        QCOMPARE(before.missingTables.size(), Schema::Tables().size() - 1);

        Transaction tx;
        {
            const Engine::LayoutCheck check; // as the start makes them
            for (const Schema::Table& t : Schema::Tables())
                QCOMPARE(Schema::Ensure(t), t.name != kubun.name);
        }
        tx.Commit();
        const DataFile::Inspection after = inspect();
        QVERIFY(after.state == DataFile::State::Ours);
        QCOMPARE(after.missingTables, QStringList());
        int indexes = 0;
        for (const Schema::Table& t : Schema::Tables()) {
            for (const Schema::Column& c : t.columns)
                QVERIFY2(Engine::ColumnExists(t.name, c.name), qPrintable(t.name + c.name));
            indexes += t.indexes.size();
            QVERIFY(!Schema::Ensure(t)); // nothing left to do
        }
        Query found(OnServer() ? QStringLiteral("select count(*) as N from pg_indexes "
                                                "where schemaname = current_schema()")
                               : QStringLiteral("select count(*) as N from sqlite_master "
                                                "where type = 'index'"));
        found.Open();
        QCOMPARE(found.FieldInt(QStringLiteral("N")), indexes);
        Query row(QStringLiteral("select * from OndoKubun"));
        row.Open();
        QCOMPARE(row.RecordCount(), 1);
        QCOMPARE(row.FieldText(QStringLiteral("KubunName")), QStringLiteral("A"));
        QCOMPARE(row.FieldText(QStringLiteral("SokuteiKankaku")), QString());
    }

    void missingColumnFailsToOpen()
    {
        TempProfile profile;
        makeTable();
        Query q(QStringLiteral("select Nothing from T1"));
        QVERIFY_THROWS_EXCEPTION(AppError, q.Open());
    }

    void transactionRollsBackOnError()
    {
        TempProfile profile;
        makeTable();
        try {
            Transaction tx;
            Query ins(QStringLiteral("insert into T1 (ID) values (1)"));
            ins.ExecSQL();
            Query bad(QStringLiteral("insert into NoTable (ID) values (1)"));
            bad.ExecSQL();
            tx.Commit();
            QFAIL("the failing statement must raise");
        } catch (const AppError& e) {
            QVERIFY(e.message().contains(QStringLiteral("NoTable"), Qt::CaseInsensitive));
        }
        QCOMPARE(countRows(QStringLiteral("T1")), 0);

        { // nested helpers join the outer transaction
            Transaction outer;
            {
                Transaction inner;
                Query ins(QStringLiteral("insert into T1 (ID) values (2)"));
                ins.ExecSQL();
                inner.Commit();
            }
        } // outer not committed
        QCOMPARE(countRows(QStringLiteral("T1")), 0);

        Transaction ok;
        Query ins(QStringLiteral("insert into T1 (ID) values (3)"));
        ins.ExecSQL();
        ok.Commit();
        QCOMPARE(countRows(QStringLiteral("T1")), 1);
    }

    void unwritableFolderNamesIt()
    {
        TempProfile profile;
        QFile blocker(profile.root() + QStringLiteral("/file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString bad = profile.root() + QStringLiteral("/file/data");
        try {
            Engine::OpenDatabase(bad);
            QFAIL("a folder that cannot be made must raise");
        } catch (const AppError& e) {
            QVERIFY2(e.message().contains(bad), qPrintable(e.message()));
        }
    }

    void serverRefusalsNameTheServer()
    {
        if (!OnServer())
            QSKIP("server locations only");
        TempProfile profile;
        const QString ours = Engine::CurrentFolder();
        const QUrl base(TestServerUri());
        QUrl down(base);
        down.setPort(1); // nothing listens there
        qputenv("PGPASSWORD", "wrong");
        const struct
        {
            QString uri;
            QString expected;
        } cases[] = {
            {down.toString(),
             QStringLiteral("サーバー 127.0.0.1:1/%1 に接続できません").arg(base.path().mid(1))},
            {TestServerUriFor(base.path().mid(1), QStringLiteral("pwuser")),
             QStringLiteral("にログインできません")},
            {TestServerUriFor(QStringLiteral("no_such_db")),
             QStringLiteral("にデータベースがありません")},
        };
        for (const auto& c : cases) {
            for (int open = 0; open < 2; ++open) {
                try {
                    open ? Engine::OpenDatabase(c.uri) : Engine::TestConnection(c.uri);
                    QFAIL(qPrintable(c.uri));
                } catch (const AppError& e) {
                    QVERIFY2(e.message().contains(c.expected), qPrintable(e.message()));
                    QVERIFY2(!e.message().contains(QLatin1Char('\n')), qPrintable(e.message()));
                }
            }
        }
        qunsetenv("PGPASSWORD");
        QVERIFY_THROWS_EXCEPTION(AppError,
                                 Engine::ParseLocation(QStringLiteral("postgresql://u:pw@h/db")));
        QVERIFY_THROWS_EXCEPTION(AppError,
                                 Engine::ParseLocation(QStringLiteral("postgresql://h/")));
        QCOMPARE(Engine::GetAliasPath(), ours);
    }

    // An option value that carries another key (a host, a port, a password) for libpq is
    // refused before any connection: the listener here, which such an address would reach,
    // is never called.
    void serverAddressTakesNoSmuggledOptions()
    {
        const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        QVERIFY(listener >= 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        QCOMPARE(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        QCOMPARE(::listen(listener, 8), 0);
        QCOMPARE(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
        const QString port = QString::number(ntohs(address.sin_port));
        const QStringList smuggled{
            QStringLiteral(
                "postgresql://u@127.0.0.2:1/db?sslmode=disable%3Bhost%3D127.0.0.1%3Bport%3D") +
                port,
            QStringLiteral(
                "postgresql://u@127.0.0.2:1/db?sslmode=disable%20host%3D127.0.0.1%20port%3D") +
                port,
            QStringLiteral("postgresql://u@127.0.0.1:%1/db?sslmode=disable%3Bpassword%3Dsecret")
                .arg(port),
            QStringLiteral("postgresql://u@127.0.0.1:%1/db?sslmode=disable&password=secret")
                .arg(port),
            QStringLiteral("postgresql://u@127.0.0.2,127.0.0.1:%1/db").arg(port),
        };
        TempProfile profile;
        for (const QString& uri : smuggled) {
            QVERIFY_THROWS_EXCEPTION(AppError, Engine::ParseLocation(uri));
            QVERIFY_THROWS_EXCEPTION(AppError, Engine::TestConnection(uri));
            QVERIFY_THROWS_EXCEPTION(AppError, Engine::OpenDatabase(uri));
            QVERIFY_THROWS_EXCEPTION(AppError, Engine::SetAliasPath(uri));
        }
        QVERIFY(::accept(listener, nullptr, nullptr) < 0 && errno == EAGAIN);
        ::close(listener);
        // libpq's own words pass, and stay in the address.
        QCOMPARE(
            Engine::ParseLocation(QStringLiteral("postgresql://u@db.example/k?sslmode=verify-full"))
                .text,
            QStringLiteral("postgresql://u@db.example/k?sslmode=verify-full"));
    }

    void droppedConnectionRollsBackAndReconnects()
    {
        if (!OnServer())
            QSKIP("server locations only");
        TempProfile profile;
        makeTable();
        try {
            Transaction tx;
            Query ins(QStringLiteral("insert into T1 (ID) values (1)"));
            ins.ExecSQL();
            Query pid(QStringLiteral("select pg_backend_pid() as P"));
            pid.Open();
            ServerAdmin(QStringLiteral("select pg_terminate_backend(%1)")
                            .arg(pid.FieldInt(QStringLiteral("P"))));
            Query more(QStringLiteral("insert into T1 (ID) values (2)"));
            more.ExecSQL();
            tx.Commit();
            QFAIL("a lost connection must raise");
        } catch (const AppError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("サーバー 127.0.0.1:")),
                     qPrintable(e.message()));
            QVERIFY2(e.message().contains(QStringLiteral("との接続が切れました")),
                     qPrintable(e.message()));
        }
        QCOMPARE(countRows(QStringLiteral("T1")), 0); // the next action reconnects
        Transaction tx;
        Query ins(QStringLiteral("insert into T1 (ID) values (3)"));
        ins.ExecSQL();
        tx.Commit();
        QCOMPARE(countRows(QStringLiteral("T1")), 1);
    }

    void busyDatabaseSaysSo()
    {
        if (OnServer())
            QSKIP("a file held by another program is a folder location's case");
        TempProfile profile;
        makeTable();
        const QString file = Engine::CurrentFolder() + QStringLiteral("kozeran.sqlite");
        {
            QSqlDatabase other =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            other.setDatabaseName(file);
            QVERIFY(other.open());
            QSqlQuery lock(other);
            QVERIFY(lock.exec(QStringLiteral("BEGIN EXCLUSIVE")));
            try {
                Query ins(QStringLiteral("insert into T1 (ID) values (1)"));
                ins.ExecSQL();
                QFAIL("a held database must raise");
            } catch (const AppError& e) {
                QVERIFY2(e.message().contains(QStringLiteral("他のプログラムが使用中")),
                         qPrintable(e.message()));
                QVERIFY(e.message().contains(Engine::CurrentFolder()));
            }
            lock.exec(QStringLiteral("ROLLBACK"));
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
    }
};

ONDO_TEST_MAIN(TestEngine, QCoreApplication)
#include "test_engine.moc"
