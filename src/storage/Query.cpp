#include "storage/Query.h"

#include "core/AppError.h"
#include "core/Utility.h"
#include "storage/Engine.h"
#include "storage/ServerLink.h"
#include "storage/SqlError.h"

#include <QPointer>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <limits>
#include <memory>

namespace {

bool isNameStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_');
}
bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// Rewrites ":Name" placeholders as positional "?" (or the server's "$1", "$2", ...), listing
// the name of each occurrence, so that a name standing twice is bound twice with one value.
// Quoted text is left alone.
QString numberPlaceholders(const QString& sql, QStringList& names, bool server = false)
{
    QString out;
    out.reserve(sql.size());
    QChar quote;
    for (int i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (!quote.isNull()) {
            out += c;
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
            out += c;
            continue;
        }
        if (c == QLatin1Char(':') && i + 1 < sql.size() && isNameStart(sql.at(i + 1))) {
            int j = i + 1;
            while (j < sql.size() && isNameChar(sql.at(j)))
                ++j;
            names << sql.mid(i + 1, j - i - 1).toUpper();
            if (server)
                out += QLatin1Char('$') + QString::number(names.size());
            else
                out += QLatin1Char('?');
            i = j - 1;
            continue;
        }
        out += c;
    }
    return out;
}

// A statement prepared once per connection and SQL text, re-bound at every run: preparing
// was most of the cost of a write. A statement that is running (a query opened inside the
// loop of the same one) is not shared; the next run prepares its own.
struct TPrepared
{
    QSqlQuery query;
    QStringList names; // the parameter name at each position
    bool busy = false;
};

class TStatementCache
{
public:
    std::shared_ptr<TPrepared> Acquire(const QSqlDatabase& db, const QString& sql)
    {
        // A closed connection takes its driver with it; a new one starts an empty cache.
        QSqlDriver* driver = db.driver();
        if (m_driver.isNull() || m_driver.data() != driver) {
            m_statements.clear();
            m_driver = driver;
        }
        auto it = m_statements.find(sql);
        if (it != m_statements.end() && !(*it)->busy)
            return *it;
        auto prepared = std::make_shared<TPrepared>();
        prepared->query = QSqlQuery(db);
        prepared->query.setForwardOnly(true);
        if (!prepared->query.prepare(numberPlaceholders(sql, prepared->names)))
            RaiseSqlError(prepared->query.lastError(), Engine::CurrentFolder());
        if (it == m_statements.end()) {
            // The texts are the program's own; the bound only guards against a run that
            // builds many.
            if (m_statements.size() >= 256)
                m_statements.clear();
            m_statements.insert(sql, prepared);
        }
        return prepared;
    }

private:
    QPointer<QSqlDriver> m_driver;
    QHash<QString, std::shared_ptr<TPrepared>> m_statements;
};

TStatementCache& Statements()
{
    static TStatementCache cache;
    return cache;
}

} // namespace

class TStatementInUse
{
public:
    explicit TStatementInUse(std::shared_ptr<TPrepared> prepared) : m_prepared(std::move(prepared))
    {
        m_prepared->busy = true;
    }
    ~TStatementInUse()
    {
        m_prepared->query.finish();
        m_prepared->busy = false;
    }
    TStatementInUse(const TStatementInUse&) = delete;
    TStatementInUse& operator=(const TStatementInUse&) = delete;
    QSqlQuery& query() { return m_prepared->query; }
    const QStringList& names() const { return m_prepared->names; }

private:
    std::shared_ptr<TPrepared> m_prepared;
};

QString DateTimeToStorage(const QDateTime& value)
{
    // Written for every reading of a day; QDateTime's formatter goes through the locale.
    const QDate d = value.date();
    const QTime t = value.time();
    if (!d.isValid() || !t.isValid() || d.year() < 1000 || d.year() > 9999)
        return value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    char text[20];
    const auto put = [&text](int at, int v, int digits) {
        for (int i = digits - 1; i >= 0; --i, v /= 10)
            text[at + i] = char('0' + v % 10);
    };
    put(0, d.year(), 4);
    text[4] = '-';
    put(5, d.month(), 2);
    text[7] = '-';
    put(8, d.day(), 2);
    text[10] = ' ';
    put(11, t.hour(), 2);
    text[13] = ':';
    put(14, t.minute(), 2);
    text[16] = ':';
    put(17, t.second(), 2);
    return QString::fromLatin1(text, 19);
}

QDateTime DateTimeFromStorage(const QString& text)
{
    // The stored form is fixed; reading its digits directly is many times faster than
    // QDateTime's format parser, which matters for lists of years of days.
    if (text.size() == 19 && text.at(4) == QLatin1Char('-') && text.at(10) == QLatin1Char(' ')) {
        const auto num = [&text](int from, int len) {
            int v = 0;
            for (int i = from; i < from + len; ++i) {
                const int d = text.at(i).unicode() - '0';
                if (d < 0 || d > 9)
                    return -1;
                v = v * 10 + d;
            }
            return v;
        };
        const QDate date(num(0, 4), num(5, 2), num(8, 2));
        const QTime time(num(11, 2), num(14, 2), num(17, 2));
        if (date.isValid() && time.isValid())
            return QDateTime(date, time);
    }
    QDateTime dt = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!dt.isValid())
        dt = QDateTime::fromString(text, Qt::ISODate);
    return dt.isValid() ? dt : DayZero();
}

Query::Query() = default;

Query::Query(const QString& firstLine)
{
    Add(firstLine);
}

Query::~Query() = default;

void Query::OpenForward()
{
    run(true, true);
}

Query& Query::Add(const QString& line)
{
    m_lines << line;
    return *this;
}

void Query::ClearSql()
{
    m_lines.clear();
    m_params.clear();
    m_live.reset();
    m_fields.clear();
    m_fieldIndex.clear();
    m_values.clear();
    m_columns = 0;
    m_row = 0;
}

void Query::BindText(const QString& name, const QString& value)
{
    // Either engine would cut a text at its NUL, or refuse it half-way through a write.
    if (value.contains(QChar(0)))
        throw AppError(
            QStringLiteral("保存できない文字（NUL）が含まれています: %1").arg(Excerpt(value, 30)));
    // An empty text is stored as '' rather than NULL; both read back as empty.
    m_params.insert(name.toUpper(), value.isNull() ? QString(QLatin1String("")) : value);
}

void Query::BindInt(const QString& name, int value)
{
    m_params.insert(name.toUpper(), value);
}

void Query::BindDouble(const QString& name, double value)
{
    m_params.insert(name.toUpper(), value);
}

void Query::BindDateTime(const QString& name, const QDateTime& value)
{
    m_params.insert(name.toUpper(), Engine::DateTimeParameter(value));
}

void Query::Open()
{
    run(true);
}

void Query::ExecSQL()
{
    run(false);
}

QVariantList Query::boundValues(const QStringList& names) const
{
    QVariantList values;
    values.reserve(names.size());
    for (const QString& name : names) {
        const auto it = m_params.constFind(name);
        if (it == m_params.constEnd())
            throw AppError(QStringLiteral("パラメータ ':%1' に値が設定されていません").arg(name));
        values << *it;
    }
    return values;
}

void Query::runOnServer(bool select)
{
    QStringList names;
    const QString sql = numberPlaceholders(Sql(), names, true);
    const QVariantList values = boundValues(names);
    if (!select) {
        Engine::NoteStatement(Sql());
        // A write inside a transaction travels with the next statement whose answer counts.
        if (Engine::InTransaction()) {
            ServerLink::Hold(sql, values);
            return;
        }
    }
    take(ServerLink::Run(sql, values));
}

void Query::take(ServerLink::Rows&& rows)
{
    m_fields = rows.fields;
    m_columns = m_fields.count();
    m_values = std::move(rows.values);
}

void Query::reset()
{
    m_live.reset();
    m_fields.clear();
    m_fieldIndex.clear();
    m_values.clear();
    m_columns = 0;
    m_row = 0;
}

void Query::OpenAll(const std::vector<Query*>& queries)
{
    Engine::EnsureOpen();
    if (!Engine::IsServer()) {
        for (Query* q : queries)
            q->Open();
        return;
    }
    QList<QPair<QString, QVariantList>> statements;
    for (Query* q : queries) {
        q->reset();
        QStringList names;
        const QString sql = numberPlaceholders(q->Sql(), names, true);
        statements.append({sql, q->boundValues(names)});
    }
    std::vector<ServerLink::Rows> answers = ServerLink::RunAll(statements);
    size_t i = 0;
    for (Query* q : queries)
        q->take(std::move(answers[i++]));
}

void Query::run(bool select, bool forward)
{
    reset();
    Engine::EnsureOpen();
    if (Engine::IsServer()) {
        runOnServer(select);
        return;
    }
    auto running =
        std::make_unique<TStatementInUse>(Statements().Acquire(Engine::Database(), Sql()));
    QSqlQuery& q = running->query();
    const QVariantList values = boundValues(running->names());
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values.at(i));
    if (!select)
        Engine::NoteStatement(Sql());
    if (!q.exec())
        RaiseSqlError(q.lastError(), Engine::CurrentFolder());
    if (!select)
        return;
    if (q.next()) {
        m_fields = q.record();
        m_columns = m_fields.count();
        if (forward && Engine::ReadsRowsInterleaved()) {
            m_live = std::move(running);
            readRow();
            return;
        }
        do {
            for (int i = 0; i < m_columns; ++i)
                m_values.push_back(q.value(i));
        } while (q.next());
    }
    if (q.lastError().isValid())
        RaiseSqlError(q.lastError(), Engine::CurrentFolder());
}

void Query::readRow()
{
    QSqlQuery& q = m_live->query();
    m_values.clear();
    for (int i = 0; i < m_columns; ++i)
        m_values.push_back(q.value(i));
}

void Query::Next()
{
    if (m_live) {
        if (m_live->query().next()) {
            readRow();
            return;
        }
        const QSqlError error = m_live->query().lastError();
        m_live.reset();
        m_values.clear();
        if (error.isValid())
            RaiseSqlError(error, Engine::CurrentFolder());
        return;
    }
    if (!Eof())
        ++m_row;
}

bool Query::HasField(const QString& name) const
{
    return RecordCount() > 0 && m_fields.indexOf(name) >= 0;
}

QVariant Query::value(const QString& name) const
{
    if (Eof())
        throw AppError(QStringLiteral("現在の行がありません（%1）").arg(name));
    auto found = m_fieldIndex.constFind(name);
    if (found == m_fieldIndex.constEnd()) // first match: the column of the first table
        found = m_fieldIndex.insert(name, m_fields.indexOf(name));
    const int index = *found;
    if (index < 0)
        throw AppError(QStringLiteral("フィールド '%1' が見つかりません").arg(name));
    return m_values[size_t(m_row) * size_t(m_columns) + size_t(index)];
}

QString Query::FieldText(const QString& name) const
{
    const QVariant v = value(name);
    if (v.isNull())
        return QString();
    if (v.typeId() == QMetaType::Double)
        return FormatGeneral(v.toDouble());
    if (v.typeId() == QMetaType::QDateTime)
        return DateTimeToStorage(Engine::DateTimeFromColumn(v));
    return v.toString();
}

int Query::FieldInt(const QString& name) const
{
    const QVariant v = value(name);
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::Double)
        return qRound(v.toDouble());
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    if (!ok) {
        const QString text = v.toString().trimmed();
        if (text.isEmpty())
            return 0;
        throw AppError(QStringLiteral("'%1' は整数ではありません").arg(Excerpt(text, 20)));
    }
    // A number no column of ours can hold is never wrapped into another one.
    if (n > std::numeric_limits<int>::max() || n < std::numeric_limits<int>::min())
        throw AppError(QStringLiteral("列 %1 の値 %2 は整数の範囲を超えています").arg(name).arg(n));
    return int(n);
}

double Query::FieldDouble(const QString& name) const
{
    const QVariant v = value(name);
    if (v.isNull())
        return 0.0;
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok) {
        const QString text = v.toString().trimmed();
        if (text.isEmpty())
            return 0.0;
        throw AppError(QStringLiteral("'%1' は正しい浮動小数点数ではありません").arg(text));
    }
    return d;
}

QDateTime Query::FieldDateTime(const QString& name) const
{
    return Engine::DateTimeFromColumn(value(name));
}
