#include "storage/SqliteFile.h"

#include <QFile>
#include <sqlite3.h>

SqliteFile::SqliteFile(const QString& file, int flags)
{
    const int rc = sqlite3_open_v2(QFile::encodeName(file).constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        fail(rc);
        return;
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, 5000);
}

SqliteFile::~SqliteFile()
{
    sqlite3_close_v2(m_db);
}

void SqliteFile::fail(int code)
{
    m_code = code;
    m_error =
        m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(code));
}

bool SqliteFile::Rows(const QString& sql, QStringList* out, const QStringList& values)
{
    if (!m_db)
        return false;
    sqlite3_stmt* stmt = nullptr;
    const QByteArray text = sql.toUtf8();
    int rc = sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &stmt, nullptr);
    if (rc != SQLITE_OK) {
        fail(rc);
        sqlite3_finalize(stmt);
        return false;
    }
    for (int i = 0; i < values.size(); ++i) {
        const QByteArray value = values.at(i).toUtf8();
        sqlite3_bind_text(stmt, i + 1, value.constData(), int(value.size()), SQLITE_TRANSIENT);
    }
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        if (out) {
            const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
            *out << QString::fromUtf8(value ? value : "");
        }
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) {
        fail(rc);
        return false;
    }
    m_code = 0;
    return true;
}

bool SqliteFile::CopyFrom(SqliteFile& source)
{
    if (!m_db || !source.m_db)
        return false;
    sqlite3_backup* backup = sqlite3_backup_init(m_db, "main", source.m_db, "main");
    if (!backup) {
        fail(sqlite3_errcode(m_db));
        return false;
    }
    const int step = sqlite3_backup_step(backup, -1);
    const int finish = sqlite3_backup_finish(backup);
    if (step != SQLITE_DONE) {
        m_code = step;
        m_error = QString::fromUtf8(sqlite3_errstr(step));
        return false;
    }
    if (finish != SQLITE_OK) {
        fail(finish);
        return false;
    }
    m_code = 0;
    return true;
}

bool SqliteFile::QuickCheck()
{
    QStringList result;
    if (!Rows(QStringLiteral("pragma quick_check"), &result))
        return false;
    if (result == QStringList{QStringLiteral("ok")})
        return true;
    m_code = SQLITE_CORRUPT;
    m_error = result.value(0);
    return false;
}

QByteArray SqliteFile::Header()
{
    sqlite3_file* file = nullptr;
    if (!m_db ||
        sqlite3_file_control(m_db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK ||
        !file || !file->pMethods)
        return QByteArray();
    QByteArray header(100, '\0');
    if (file->pMethods->xRead(file, header.data(), int(header.size()), 0) != SQLITE_OK)
        return QByteArray();
    return header;
}
