#include "storage/ServerLink.h"

#include "core/AppError.h"
#include "storage/Query.h"
#include "storage/SqlError.h"

#include <QHash>
#include <QScopeGuard>
#include <QSqlField>
#include <cmath>
#include <libpq-fe.h>
#include <memory>

namespace ServerLink {

namespace {

struct Statement
{
    QString sql;
    QVariantList params;
};

PGconn* g_conn = nullptr;
QString g_location;
QList<Statement> g_held;
qsizetype g_heldValues = 0;        // the parameters of what is held
QHash<QString, QString> g_wanted;  // the session's settings as they should be
QHash<QString, QString> g_applied; // as the server was last told them

using Result = std::unique_ptr<PGresult, void (*)(PGresult*)>;
Result own(PGresult* r)
{
    return Result(r, PQclear);
}

[[noreturn]] void raise(const QString& sqlState, const QString& detail)
{
    RaiseServerError(sqlState, detail, g_location);
}

[[noreturn]] void raiseConnection(PGconn* conn)
{
    raise(QString(), QString::fromUtf8(PQerrorMessage(conn)).trimmed());
}

[[noreturn]] void raiseResult(const PGresult* r)
{
    raise(QString::fromLatin1(PQresultErrorField(r, PG_DIAG_SQLSTATE)),
          QString::fromUtf8(PQresultErrorMessage(r)).trimmed());
}

PGconn* connect(const Connect& c)
{
    const QByteArray host = c.host.toUtf8(), port = QByteArray::number(c.port),
                     database = c.database.toUtf8(), user = c.user.toUtf8(),
                     sslmode = c.sslmode.toUtf8();
    // Every setting a session needs travels with the login: none costs a statement later.
    std::vector<const char*> keys{"host",
                                  "port",
                                  "dbname",
                                  "connect_timeout",
                                  "client_encoding",
                                  "options",
                                  "application_name"};
    std::vector<const char*> values{host.constData(),
                                    port.constData(),
                                    database.constData(),
                                    "5",
                                    "UTF8",
                                    "-c DateStyle=ISO -c client_min_messages=warning",
                                    "ondokanri"};
    if (!user.isEmpty()) {
        keys.push_back("user");
        values.push_back(user.constData());
    }
    if (!sslmode.isEmpty()) {
        keys.push_back("sslmode");
        values.push_back(sslmode.constData());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    PGconn* conn = PQconnectdbParams(keys.data(), values.data(), 0);
    if (PQstatus(conn) != CONNECTION_OK) {
        const QString detail = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
        PQfinish(conn);
        raise(QString(), detail);
    }
    PQsetNoticeProcessor(
        conn, [](void*, const char*) {}, nullptr);
    return conn;
}

QByteArray parameterText(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return v.toByteArray();
    case QMetaType::Bool:
        return v.toBool() ? QByteArrayLiteral("t") : QByteArrayLiteral("f");
    case QMetaType::Double: {
        const double d = v.toDouble();
        if (std::isnan(d))
            return QByteArrayLiteral("NaN");
        if (std::isinf(d))
            return d > 0 ? QByteArrayLiteral("Infinity") : QByteArrayLiteral("-Infinity");
        return QByteArray::number(d, 'g', QLocale::FloatingPointShortest);
    }
    case QMetaType::QDateTime:
        return DateTimeToStorage(v.toDateTime()).toLatin1();
    default: {
        QByteArray text = v.toString().toUtf8();
        // Sent as C strings: a NUL would cut the text short without a word.
        if (text.contains('\0'))
            raise(QStringLiteral("22P05"), QStringLiteral("0x00"));
        return text;
    }
    }
}

// Texts and pointers of one statement's parameters, alive while it is sent.
struct Parameters
{
    explicit Parameters(const QVariantList& params)
    {
        texts.reserve(params.size());
        for (const QVariant& v : params) {
            texts.push_back(v.isNull() ? QByteArray() : parameterText(v));
            pointers.push_back(v.isNull() ? nullptr : texts.back().constData());
        }
    }
    int count() const { return int(pointers.size()); }
    const char* const* values() const { return pointers.empty() ? nullptr : pointers.data(); }
    std::vector<QByteArray> texts;
    std::vector<const char*> pointers;
};

// The type ids of the server's built-in types, as its catalog fixes them.
enum : Oid {
    BoolOid = 16,
    Int8Oid = 20,
    Int2Oid = 21,
    Int4Oid = 23,
    OidOid = 26,
    Float4Oid = 700,
    Float8Oid = 701,
    DateOid = 1082,
    TimestampOid = 1114,
    TimestampTzOid = 1184,
    NumericOid = 1700,
};

QMetaType::Type columnType(Oid type)
{
    switch (type) {
    case BoolOid:
        return QMetaType::Bool;
    case Int8Oid:
        return QMetaType::LongLong;
    case Int2Oid:
    case Int4Oid:
    case OidOid:
        return QMetaType::Int;
    case Float4Oid:
    case Float8Oid:
    case NumericOid:
        return QMetaType::Double;
    case DateOid:
        return QMetaType::QDate;
    case TimestampOid:
    case TimestampTzOid:
        return QMetaType::QDateTime;
    default:
        return QMetaType::QString;
    }
}

QVariant columnValue(QMetaType::Type type, const char* text, int length)
{
    const QByteArray raw = QByteArray::fromRawData(text, length);
    switch (type) {
    case QMetaType::Bool:
        return QVariant(length > 0 && text[0] == 't');
    case QMetaType::LongLong:
        return QVariant(raw.toLongLong());
    case QMetaType::Int:
        return QVariant(raw.toInt());
    case QMetaType::Double:
        return QVariant(raw.toDouble());
    case QMetaType::QDate:
        return QVariant(QDate::fromString(QString::fromLatin1(raw), Qt::ISODate));
    case QMetaType::QDateTime: {
        const QString t = QString::fromLatin1(raw);
        if (t.size() == 19)
            return QVariant(DateTimeFromStorage(t));
        return QVariant(QDateTime::fromString(
            QString(t).replace(QLatin1Char(' '), QLatin1Char('T')), Qt::ISODateWithMs));
    }
    default:
        return QVariant(QString::fromUtf8(text, length));
    }
}

Rows rowsOf(const PGresult* r)
{
    Rows out;
    const int columns = PQnfields(r);
    const int rows = PQntuples(r);
    std::vector<QMetaType::Type> types(static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c) {
        types[size_t(c)] = columnType(PQftype(r, c));
        out.fields.append(QSqlField(QString::fromUtf8(PQfname(r, c)), QMetaType(types[size_t(c)])));
    }
    out.values.reserve(size_t(rows) * size_t(columns));
    for (int row = 0; row < rows; ++row) {
        for (int c = 0; c < columns; ++c) {
            if (PQgetisnull(r, row, c))
                out.values.emplace_back(QMetaType(types[size_t(c)]), nullptr);
            else
                out.values.push_back(
                    columnValue(types[size_t(c)], PQgetvalue(r, row, c), PQgetlength(r, row, c)));
        }
    }
    return out;
}

bool failed(const PGresult* r)
{
    const ExecStatusType s = PQresultStatus(r);
    return s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK;
}

// The SET statements the session still needs, as told from now on.
QList<Statement> settingsDue()
{
    QList<Statement> due;
    for (auto it = g_wanted.cbegin(); it != g_wanted.cend(); ++it) {
        if (g_applied.value(it.key()) == it.value() && g_applied.contains(it.key()))
            continue;
        due.append({QStringLiteral("SET %1 = %2").arg(it.key(), it.value()), {}});
        g_applied.insert(it.key(), it.value());
    }
    return due;
}

PGconn* link()
{
    if (!g_conn)
        raise(QString(), QStringLiteral("no connection to the server"));
    return g_conn;
}

// Several statements in one round trip: libpq's pipeline, ended by one sync. The answers of
// the last `answered` statements.
std::vector<Rows> runPipeline(PGconn* conn, const QList<Statement>& statements, int answered)
{
    // Every parameter is checked before the first statement goes: a refusal half-way would
    // leave a pipeline without its sync, and the transaction and its locks held on the server.
    std::vector<Parameters> parameters;
    parameters.reserve(size_t(statements.size()));
    for (const Statement& s : statements)
        parameters.emplace_back(s.params);
    if (!PQenterPipelineMode(conn))
        raiseConnection(conn);
    struct Leave
    {
        PGconn* conn;
        ~Leave() { PQexitPipelineMode(conn); }
    } leave{conn};
    for (int i = 0; i < statements.size(); ++i) {
        const Parameters& p = parameters[size_t(i)];
        if (!PQsendQueryParams(conn, statements.at(i).sql.toUtf8().constData(), p.count(), nullptr,
                               p.values(), nullptr, nullptr, 0))
            raiseConnection(conn);
    }
    if (!PQpipelineSync(conn))
        raiseConnection(conn);
    std::vector<Rows> answers;
    Result error = own(nullptr);
    for (int i = 0; i < statements.size(); ++i) {
        Result r = own(PQgetResult(conn));
        if (!r)
            raiseConnection(conn);
        if (PQresultStatus(r.get()) == PGRES_FATAL_ERROR && !error)
            error = std::move(r);
        else if (i >= statements.size() - answered && !error && !failed(r.get()))
            answers.push_back(rowsOf(r.get()));
        while (PGresult* more = PQgetResult(conn))
            PQclear(more);
    }
    Result sync = own(PQgetResult(conn));
    if (!sync || PQresultStatus(sync.get()) != PGRES_PIPELINE_SYNC)
        raiseConnection(conn);
    if (error)
        raiseResult(error.get());
    return answers;
}

} // namespace

void Open(const Connect& connect)
{
    Close();
    g_applied.clear(); // a new session starts from the server's own settings
    g_location = connect.location;
    g_conn = ServerLink::connect(connect);
}

void Test(const Connect& c)
{
    const QString location = g_location;
    g_location = c.location;
    try {
        PQfinish(connect(c));
    } catch (...) {
        g_location = location;
        throw;
    }
    g_location = location;
}

void Close()
{
    DropHeld();
    if (g_conn)
        PQfinish(g_conn);
    g_conn = nullptr;
}

bool IsOpen()
{
    return g_conn != nullptr;
}

bool Alive()
{
    return g_conn && PQstatus(g_conn) == CONNECTION_OK;
}

void ReadEach(const Connect& c, const QString& sql,
              const std::function<void(const QSqlRecord&)>& columns,
              const std::function<void(const QVariantList&)>& row)
{
    const QString location = g_location;
    g_location = c.location; // messages name the location read
    const auto restore = qScopeGuard([&location] { g_location = location; });
    const std::unique_ptr<PGconn, void (*)(PGconn*)> conn(connect(c), PQfinish);
    if (!PQsendQuery(conn.get(), sql.toUtf8().constData()) || !PQsetSingleRowMode(conn.get()))
        raiseConnection(conn.get());
    std::vector<QMetaType::Type> types;
    Result error = own(nullptr);
    QVariantList values;
    while (PGresult* next = PQgetResult(conn.get())) {
        Result r = own(next);
        const ExecStatusType status = PQresultStatus(r.get());
        if (status != PGRES_SINGLE_TUPLE && status != PGRES_TUPLES_OK) {
            if (!error)
                error = std::move(r);
            continue;
        }
        if (types.empty() && !error) { // the first answer, or the last of none
            QSqlRecord fields;
            for (int i = 0; i < PQnfields(r.get()); ++i) {
                types.push_back(columnType(PQftype(r.get(), i)));
                fields.append(
                    QSqlField(QString::fromUtf8(PQfname(r.get(), i)), QMetaType(types.back())));
            }
            columns(fields);
        }
        if (status != PGRES_SINGLE_TUPLE || error)
            continue;
        values.clear();
        for (int i = 0; i < int(types.size()); ++i)
            values << (PQgetisnull(r.get(), 0, i)
                           ? QVariant(QMetaType(types[size_t(i)]), nullptr)
                           : columnValue(types[size_t(i)], PQgetvalue(r.get(), 0, i),
                                         PQgetlength(r.get(), 0, i)));
        row(values);
    }
    if (error)
        raiseResult(error.get());
}

std::vector<Rows> RunAll(const QList<QPair<QString, QVariantList>>& statements)
{
    PGconn* conn = link();
    QList<Statement> all = settingsDue();
    all.append(g_held);
    g_held.clear();
    g_heldValues = 0;
    for (const auto& s : statements)
        all.append({s.first, s.second});
    try {
        return runPipeline(conn, all, int(statements.size()));
    } catch (...) {
        // A failed pipeline is one implicit transaction: what it set may not have stayed.
        g_applied.clear();
        throw;
    }
}

Rows Run(const QString& sql, const QVariantList& params)
{
    PGconn* conn = link();
    if (!g_held.isEmpty() || g_wanted != g_applied)
        return std::move(RunAll({{sql, params}}).front());
    const Parameters p(params);
    Result r = own(PQexecParams(conn, sql.toUtf8().constData(), p.count(), nullptr, p.values(),
                                nullptr, nullptr, 0));
    if (!r)
        raiseConnection(conn);
    if (failed(r.get()))
        raiseResult(r.get());
    return rowsOf(r.get());
}

void Hold(const QString& sql, const QVariantList& params)
{
    PGconn* conn = link();
    g_held.append({sql, params});
    g_heldValues += params.size();
    // A bulk writer's values go out in parts, so that they never pile up in memory.
    if (g_heldValues > 200000) {
        QList<Statement> statements;
        statements.swap(g_held);
        g_heldValues = 0;
        runPipeline(conn, statements, 0);
    }
}

QStringList Held()
{
    QStringList out;
    for (const Statement& s : g_held)
        out << s.sql;
    return out;
}

void DropHeld()
{
    g_held.clear();
    g_heldValues = 0;
}

void SetSession(const QString& name, const QString& value)
{
    g_wanted.insert(name, value);
}

void ForgetSession()
{
    g_applied.clear();
}

CopyStream::CopyStream(const QString& table, const QStringList& columns)
{
    if (!g_held.isEmpty() || g_wanted != g_applied)
        Run(QStringLiteral("select 1"));
    PGconn* conn = link();
    Result r = own(PQexec(conn, QStringLiteral("copy %1 (%2) from stdin")
                                    .arg(table, columns.join(QLatin1Char(',')))
                                    .toUtf8()
                                    .constData()));
    if (!r)
        raiseConnection(conn);
    if (PQresultStatus(r.get()) != PGRES_COPY_IN)
        raiseResult(r.get());
    m_open = true;
}

CopyStream::~CopyStream()
{
    if (!m_open)
        return;
    try {
        PGconn* conn = link();
        PQputCopyEnd(conn, "abandoned");
        while (PGresult* r = PQgetResult(conn))
            PQclear(r);
    } catch (...) {
        // The connection is gone, and the copy with it.
    }
}

void CopyStream::Add(const QVariantList& row)
{
    // COPY's text form: tab between values, \N for NULL, backslash escapes in texts.
    for (int i = 0; i < row.size(); ++i) {
        if (i > 0)
            m_chunk += '\t';
        const QVariant& v = row.at(i);
        if (v.isNull()) {
            m_chunk += "\\N";
            continue;
        }
        for (const char c : parameterText(v)) {
            switch (c) {
            case '\\':
                m_chunk += "\\\\";
                break;
            case '\t':
                m_chunk += "\\t";
                break;
            case '\n':
                m_chunk += "\\n";
                break;
            case '\r':
                m_chunk += "\\r";
                break;
            default:
                m_chunk += c;
            }
        }
    }
    m_chunk += '\n';
    if (m_chunk.size() > (1 << 20))
        send();
}

void CopyStream::send()
{
    if (PQputCopyData(link(), m_chunk.constData(), int(m_chunk.size())) != 1)
        raiseConnection(link());
    m_chunk.clear();
}

void CopyStream::End()
{
    if (!m_chunk.isEmpty())
        send();
    m_open = false;
    PGconn* conn = link();
    if (PQputCopyEnd(conn, nullptr) != 1)
        raiseConnection(conn);
    Result error = own(nullptr);
    while (PGresult* r = PQgetResult(conn)) {
        if (failed(r) && !error)
            error.reset(r);
        else
            PQclear(r);
    }
    if (error)
        raiseResult(error.get());
}

} // namespace ServerLink
