#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

namespace ServerLink {
struct Rows;
}

// One statement on the connection "kozeran", built line by line, with named parameters
// (":A", ":ID", ...) bound by name. A name may stand several times; every name must be
// bound before the statement runs. An opened select stands on its first row.
class Query
{
public:
    Query();
    explicit Query(const QString& firstLine);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    Query& Add(const QString& line);
    void ClearSql();
    QString Sql() const { return m_lines.join(QLatin1Char('\n')); }

    void BindText(const QString& name, const QString& value);
    void BindInt(const QString& name, int value);
    void BindDouble(const QString& name, double value);
    void BindDateTime(const QString& name, const QDateTime& value);

    void Open();
    // Open for one pass over many rows: each row is read as Next reaches it, so memory does
    // not grow with the result. RecordCount is then 1 until the end, 0 after it.
    void OpenForward();
    void ExecSQL();
    // Opens several selects at once: on the server in one round trip.
    static void OpenAll(const std::vector<Query*>& queries);

    bool Eof() const { return m_row >= RecordCount(); }
    void Next();
    int RecordCount() const { return m_columns == 0 ? 0 : int(m_values.size() / m_columns); }

    bool HasField(const QString& name) const;
    QString FieldText(const QString& name) const;
    int FieldInt(const QString& name) const;
    double FieldDouble(const QString& name) const;
    QDateTime FieldDateTime(const QString& name) const;

private:
    QVariant value(const QString& name) const;
    void run(bool select, bool forward = false);
    void runOnServer(bool select);
    void reset();
    void take(ServerLink::Rows&& rows);
    QVariantList boundValues(const QStringList& names) const;
    void readRow();

    QStringList m_lines;
    QHash<QString, QVariant> m_params; // upper-cased names
    // The rows one after another; the field names once, for the look-up by name.
    QSqlRecord m_fields;
    mutable QHash<QString, int> m_fieldIndex; // names as asked, for rows read by the thousand
    std::vector<QVariant> m_values;
    int m_columns = 0;
    int m_row = 0;
    std::unique_ptr<class TStatementInUse> m_live; // the statement of an OpenForward pass
};

// The one stored form of date-times: "yyyy-MM-dd HH:mm:ss", local time.
QString DateTimeToStorage(const QDateTime& value);
QDateTime DateTimeFromStorage(const QString& text);
