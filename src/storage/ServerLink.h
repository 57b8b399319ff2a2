#pragma once

#include <QPair>
#include <QSqlRecord>
#include <QString>
#include <QVariant>
#include <functional>
#include <vector>

// The one connection to a PostgreSQL server, spoken through libpq itself: a statement is one
// round trip (Qt's driver spends three, and five more on every open), and the writes of a
// transaction travel together with the next statement whose answer is awaited.
namespace ServerLink {

struct Connect
{
    QString host;
    int port = 5432;
    QString database;
    QString user;
    QString sslmode;  // empty: libpq's default
    QString location; // as messages name it
};

// Opens the link; raises AppError with the user's reason when the server cannot be reached or
// refuses the login. `test` opens a link of its own, checks it and closes it again.
void Open(const Connect& connect);
void Test(const Connect& connect);
void Close();
bool IsOpen();
// False once the server went away: the next use opens the link again.
bool Alive();

// A statement's answer: the columns as Qt's drivers name and type them, and the values row by
// row (integers, doubles, date-times, texts; NULL as an invalid QVariant of the column's type).
struct Rows
{
    QSqlRecord fields;
    std::vector<QVariant> values;
};

// Sends what is held and then `sql` with `params` ($1, $2, ... in order), in one round trip;
// the answer of `sql`. A held statement that fails raises its error, and nothing after it runs.
Rows Run(const QString& sql, const QVariantList& params = {});
// The same for several statements whose answers are all needed, in one round trip.
std::vector<Rows> RunAll(const QList<QPair<QString, QVariantList>>& statements);
// Holds a statement whose answer is not needed (a write inside a transaction) until the next
// Run. Its failure then raises there, still inside the transaction.
void Hold(const QString& sql, const QVariantList& params = {});
// What is held and not yet sent, first statement first.
QStringList Held();
void DropHeld();

// A setting of the session ("SET name = value"), sent ahead of the next statement whenever it
// differs from what the server was last told: it costs no round trip of its own, and a link
// opened again is told again. Set between transactions.
void SetSession(const QString& name, const QString& value);
// After a rollback, which takes back what the transaction's first round trip set.
void ForgetSession();

// Runs `sql` on a connection of its own to `connect` (beside the open link, which may write
// elsewhere meanwhile) and hands its answer over a row at a time: the columns first, then each
// row's values as Rows holds them. Raises AppError naming that location.
void ReadEach(const Connect& connect, const QString& sql,
              const std::function<void(const QSqlRecord&)>& columns,
              const std::function<void(const QVariantList&)>& row);

// Rows into `table` in one stream (COPY ... FROM STDIN), added one at a time: the values as Run
// takes them. Nothing else goes to the server until End; a stream not ended is abandoned, and
// its transaction with it.
class CopyStream
{
public:
    CopyStream(const QString& table, const QStringList& columns);
    ~CopyStream();
    CopyStream(const CopyStream&) = delete;
    CopyStream& operator=(const CopyStream&) = delete;
    void Add(const QVariantList& row);
    void End();

private:
    void send();
    QByteArray m_chunk;
    bool m_open = false;
};

} // namespace ServerLink
