#include "environment/SqlError.h"

#include "environment/AppError.h"

#include <QDir>
#include <QSqlError>

void RaiseSqlError(const QSqlError& error, const QString& folder)
{
    const int code = error.nativeErrorCode().toInt() & 0xff;
    const QString where = QDir::toNativeSeparators(folder);
    const QString detail = error.text().trimmed();
    switch (code) {
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        throw AppError(QStringLiteral("データフォルダ %1 のデータは他のプログラムが使用中です。"
                                      "しばらくしてからやり直してください。（%2）")
                           .arg(where, detail));
    case 8:  // SQLITE_READONLY
    case 14: // SQLITE_CANTOPEN
    case 23: // SQLITE_AUTH
        throw AppError(QStringLiteral("データフォルダ %1 に書き込めません。"
                                      "フォルダの場所と書き込み権限を確認してください。（%2）")
                           .arg(where, detail));
    default:
        throw AppError(detail.isEmpty() ? QStringLiteral("データベースエラー") : detail);
    }
}
