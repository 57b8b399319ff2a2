#include "core/AppError.h"
#include "storage/EngineInternal.h"
#include "storage/ServerLink.h"
#include "storage/SqlError.h"

#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <sqlite3.h>

// Many rows written at once, and tables copied between locations a row at a time.

namespace {

// The library's own handle of the open SQLite connection (null on the server). Inserting many
// rows through it costs a fraction of QtSql's binding, inside the same transaction.
sqlite3* sqliteHandle()
{
    if (Engine::IsServer())
        return nullptr;
    const QVariant handle = Engine::Database().driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

[[noreturn]] void raiseDirect(sqlite3* handle)
{
    RaiseSqliteError(sqlite3_extended_errcode(handle), QString::fromUtf8(sqlite3_errmsg(handle)),
                     Engine::CurrentFolder());
}

// A prepared insert bound a row at a time.
class DirectInsert
{
public:
    DirectInsert(sqlite3* handle, const QString& table, const QStringList& columns)
        : m_handle(handle), m_statement(nullptr, sqlite3_finalize), m_lastText(columns.size())
    {
        const QString sql =
            QStringLiteral("insert into %1 (%2) values (%3)")
                .arg(table, columns.join(QLatin1Char(',')),
                     QStringList(QList<QString>(columns.size(), QStringLiteral("?")))
                         .join(QLatin1Char(',')));
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(handle, sql.toUtf8().constData(), -1, &raw, nullptr) != SQLITE_OK)
            raiseDirect(handle);
        m_statement.reset(raw);
    }

    void Add(const QVariantList& row)
    {
        sqlite3_stmt* raw = m_statement.get();
        for (int i = 0; i < row.size(); ++i) {
            const QVariant& v = row.at(i);
            int rc = SQLITE_OK;
            // A typed NULL (a server's, a column's) holds a 0 that must not be stored.
            switch (v.isNull() ? QMetaType::UnknownType : v.typeId()) {
            case QMetaType::Int:
                rc = sqlite3_bind_int(raw, i + 1, *static_cast<const int*>(v.constData()));
                break;
            case QMetaType::LongLong:
            case QMetaType::Bool:
                rc = sqlite3_bind_int64(raw, i + 1, v.toLongLong());
                break;
            case QMetaType::Double:
                rc = sqlite3_bind_double(raw, i + 1, *static_cast<const double*>(v.constData()));
                break;
            default:
                if (v.isNull()) {
                    rc = sqlite3_bind_null(raw, i + 1);
                } else {
                    // UTF-8, the file's own encoding: SQLite would otherwise translate each text.
                    QPair<QString, QByteArray>& last = m_lastText[i];
                    const QString text = v.toString();
                    if (!text.isSharedWith(last.first))
                        last = {text, text.toUtf8()};
                    rc = sqlite3_bind_text(raw, i + 1, last.second.constData(),
                                           int(last.second.size()), SQLITE_STATIC);
                }
            }
            if (rc != SQLITE_OK)
                raiseDirect(m_handle);
        }
        if (sqlite3_step(raw) != SQLITE_DONE)
            raiseDirect(m_handle);
        sqlite3_reset(raw);
    }

private:
    sqlite3* m_handle;
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> m_statement;
    // A column often holds one shared text in every row (the day): converted once.
    QList<QPair<QString, QByteArray>> m_lastText;
};

// Every row of a table of a QtSql connection, one at a time; either engine's date-time is given
// in the one stored form.
void readRows(const QSqlDatabase& db, const QString& location, const QString& table,
              const std::function<void(const QStringList&)>& columns,
              const std::function<void(const QVariantList&)>& row)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("select * from ") + table))
        RaiseSqlError(q.lastError(), location);
    const QSqlRecord record = q.record();
    QStringList names;
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i);
    columns(names);
    QVariantList values;
    while (q.next()) {
        values.clear();
        for (int i = 0; i < record.count(); ++i) {
            const QVariant v = q.value(i);
            values << (v.typeId() == QMetaType::QDateTime
                           ? Engine::DateTimeParameter(Engine::DateTimeFromColumn(v))
                           : v);
        }
        row(values);
    }
    if (q.lastError().isValid())
        RaiseSqlError(q.lastError(), location);
}

} // namespace

namespace Engine {

void SetBusyTimeout(int milliseconds)
{
    if (sqlite3* handle = sqliteHandle())
        sqlite3_busy_timeout(handle, milliseconds);
}

void InsertRows(const QString& table, const TableRows& rows)
{
    if (rows.rows.isEmpty())
        return;
    if (sqlite3* handle = sqliteHandle()) {
        DirectInsert insert(handle, table, rows.columns);
        for (const QVariantList& row : rows.rows)
            insert.Add(row);
        return;
    }
    // Multi-row inserts, held with the transaction's other writes; more rows than a day's go
    // through RowStream.
    const int columns = int(rows.columns.size());
    // A few thousand values a statement: the server parses a longer one slower per row.
    const int batch = std::max(1, 2000 / std::max(1, columns));
    for (int from = 0; from < rows.rows.size(); from += batch) {
        const int n = std::min(batch, int(rows.rows.size()) - from);
        QStringList values;
        QVariantList params;
        params.reserve(n * columns);
        for (int r = from; r < from + n; ++r) {
            QStringList one;
            for (const QVariant& v : rows.rows.at(r)) {
                params << v;
                one << QLatin1Char('$') + QString::number(params.size());
            }
            values << QLatin1Char('(') + one.join(QLatin1Char(',')) + QLatin1Char(')');
        }
        const QString sql =
            QStringLiteral("insert into %1 (%2) values %3")
                .arg(table, rows.columns.join(QLatin1Char(',')), values.join(QLatin1Char(',')));
        if (InTransaction())
            ServerLink::Hold(sql, params);
        else
            ServerLink::Run(sql, params);
    }
}

struct RowStream::Impl
{
    std::optional<DirectInsert> file;
    std::optional<ServerLink::CopyStream> server;
};

RowStream::RowStream(const QString& table, const QStringList& columns) : d(new Impl)
{
    EnsureOpen();
    if (sqlite3* handle = sqliteHandle())
        d->file.emplace(handle, table, columns);
    else
        d->server.emplace(table, columns);
}

RowStream::~RowStream() = default;

void RowStream::Add(const QVariantList& row)
{
    if (d->file)
        d->file->Add(row);
    else
        d->server->Add(row);
}

void RowStream::Finish()
{
    if (d->server)
        d->server->End();
    d.reset(new Impl);
}

namespace {

// A select on the data file stepped through, each row handed over on its statement.
void stepEach(const QString& sql, const std::function<void(sqlite3_stmt*)>& row)
{
    sqlite3* handle = sqliteHandle();
    sqlite3_stmt* statement = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(handle, text.constData(), int(text.size()), &statement, nullptr) !=
        SQLITE_OK)
        raiseDirect(handle);
    const auto done = qScopeGuard([statement] { sqlite3_finalize(statement); });
    int step = 0;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW)
        row(statement);
    if (step != SQLITE_DONE)
        raiseDirect(handle);
}

} // namespace

void ReadEach(const QString& sql, const std::function<void(const QVariantList&)>& row)
{
    EnsureOpen();
    if (IsServer()) {
        // A connection of its own, row by row: the open one would read the result whole.
        QVariantList stored;
        ServerLink::ReadEach(
            ServerConnect(ParseLocation(CurrentFolder())), sql, [](const QSqlRecord&) {},
            [&](const QVariantList& values) {
                stored.clear();
                for (const QVariant& v : values)
                    stored << (v.typeId() == QMetaType::QDateTime && !v.isNull()
                                   ? DateTimeParameter(DateTimeFromColumn(v))
                                   : v);
                row(stored);
            });
        return;
    }
    QVariantList values; // one list for every row
    stepEach(sql, [&row, &values](sqlite3_stmt* statement) {
        values.clear();
        const int columns = sqlite3_column_count(statement);
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(statement, c)) {
            case SQLITE_INTEGER:
                values << QVariant(qlonglong(sqlite3_column_int64(statement, c)));
                break;
            case SQLITE_FLOAT:
                values << QVariant(sqlite3_column_double(statement, c));
                break;
            case SQLITE_NULL:
                values << QVariant();
                break;
            default:
                values << QVariant(QString::fromUtf8(
                    reinterpret_cast<const char*>(sqlite3_column_text(statement, c)),
                    sqlite3_column_bytes(statement, c)));
            }
        }
        row(values);
    });
}

namespace {

class FileRow : public RowView
{
public:
    explicit FileRow(sqlite3_stmt* statement) : m_statement(statement) {}
    bool IsNull(int c) const override { return sqlite3_column_type(m_statement, c) == SQLITE_NULL; }
    qint64 Int(int c) const override { return sqlite3_column_int64(m_statement, c); }
    double Double(int c) const override { return sqlite3_column_double(m_statement, c); }
    QString Text(int c) const override
    {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, c));
        return QString::fromUtf8(text, sqlite3_column_bytes(m_statement, c));
    }
    QByteArray Utf8(int c) const override
    {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, c));
        return QByteArray::fromRawData(text, sqlite3_column_bytes(m_statement, c));
    }

private:
    sqlite3_stmt* m_statement;
};

class ValuesRow : public RowView
{
public:
    explicit ValuesRow(const QVariantList& values) : m_values(values) {}
    bool IsNull(int c) const override { return m_values.at(c).isNull(); }
    qint64 Int(int c) const override { return m_values.at(c).toLongLong(); }
    double Double(int c) const override { return m_values.at(c).toDouble(); }
    QString Text(int c) const override { return m_values.at(c).toString(); }
    QByteArray Utf8(int c) const override { return m_values.at(c).toString().toUtf8(); }

private:
    const QVariantList& m_values;
};

} // namespace

void ReadEachRow(const QString& sql, const std::function<void(const RowView&)>& row)
{
    EnsureOpen();
    if (!sqliteHandle()) {
        ReadEach(sql, [&row](const QVariantList& values) { row(ValuesRow(values)); });
        return;
    }
    stepEach(sql, [&row](sqlite3_stmt* statement) { row(FileRow(statement)); });
}

int CopyFrom(const QString& location, const QString& table)
{
    const Location from = ParseLocation(location);
    std::unique_ptr<RowStream> into;
    int copied = 0;
    const auto add = [&](const QVariantList& row) {
        into->Add(row);
        ++copied;
    };
    if (from.server) {
        QVariantList stored;
        ServerLink::ReadEach(
            ServerConnect(from), QStringLiteral("select * from ") + table,
            [&](const QSqlRecord& fields) {
                QStringList columns;
                for (int i = 0; i < fields.count(); ++i)
                    columns << fields.fieldName(i);
                into = std::make_unique<RowStream>(table, columns);
            },
            [&](const QVariantList& row) {
                stored.clear();
                for (const QVariant& v : row)
                    stored << (v.typeId() == QMetaType::QDateTime && !v.isNull()
                                   ? DateTimeParameter(DateTimeFromColumn(v))
                                   : v);
                add(stored);
            });
    } else {
        // A connection of its own, read-only, beside the open one that writes.
        const QString name = QStringLiteral("kozeran-source");
        const auto forget = qScopeGuard([&name] { QSqlDatabase::removeDatabase(name); });
        QSqlDatabase source = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        source.setDatabaseName(from.folder + QLatin1String(DatabaseFileName));
        source.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
        if (!source.open())
            RaiseSqlError(source.lastError(), location);
        readRows(
            source, location, table,
            [&](const QStringList& columns) { into = std::make_unique<RowStream>(table, columns); },
            add);
    }
    into->Finish();
    // The planner learns the new size now, not when the server's own analyse comes by.
    if (IsServer() && copied > 0)
        Execute(QStringLiteral("analyze ") + table);
    return copied;
}

} // namespace Engine
