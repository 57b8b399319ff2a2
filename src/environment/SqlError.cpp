#include "environment/SqlError.h"

#include "environment/AppError.h"

#include <QDir>
#include <QSqlError>

QString SqlErrorMessage(int code, const QString& detail, const QString& folder)
{
    const QString where = QDir::toNativeSeparators(folder);
    QString text;
    switch (code & 0xff) {
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        text = QStringLiteral("データフォルダ %1 のデータは他のプログラムが使用中です。"
                              "しばらくしてからやり直してください。");
        break;
    case 3:  // SQLITE_PERM
    case 8:  // SQLITE_READONLY
    case 23: // SQLITE_AUTH
        text = QStringLiteral("データフォルダ %1 に書き込めません。"
                              "フォルダの場所と書き込み権限を確認してください。");
        break;
    case 13: // SQLITE_FULL
        text = QStringLiteral("データフォルダ %1 のディスクに空きがないため書き込めません。"
                              "空き容量を確保してからやり直してください。");
        break;
    case 10: // SQLITE_IOERR
    case 22: // SQLITE_NOLFS
        text = QStringLiteral("データフォルダ %1 の読み書き中にディスクまたはネットワークのエラーが"
                              "発生しました。接続を確認してからやり直してください。");
        break;
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB
        text = QStringLiteral("データフォルダ %1 のデータファイルは壊れているか、データベースではありません。"
                              "「ファイル」→「バックアップから復元…」で復元してください。");
        break;
    case 14: // SQLITE_CANTOPEN
        text = QStringLiteral("データフォルダ %1 のデータファイルを開けません。"
                              "フォルダの場所と権限を確認してください。");
        break;
    default:
        return detail.isEmpty() ? QStringLiteral("データベースエラー") : detail;
    }
    text = text.arg(where);
    if (!detail.isEmpty())
        text += QStringLiteral("\n（") + detail + QStringLiteral("）");
    return text;
}

void RaiseSqlError(const QSqlError& error, const QString& folder)
{
    throw AppError(SqlErrorMessage(error.nativeErrorCode().toInt(), error.text().trimmed(), folder));
}
