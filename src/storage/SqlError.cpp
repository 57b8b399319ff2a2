#include "storage/SqlError.h"

#include "core/AppError.h"
#include "storage/Engine.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QStringList>

namespace {

// The engine's own words, in English: a short second line for whoever helps. The server's
// "ERROR:" says nothing the first line does not; a constraint's name ends its sentence.
QString driverWords(const QString& detail)
{
    static const QRegularExpression severity(QStringLiteral("^(ERROR|FATAL|PANIC):\\s*"));
    const QString line = detail.section(QLatin1Char('\n'), 0, 0).trimmed().remove(severity);
    return line.isEmpty() ? QString()
                          : QStringLiteral("\n（") + Excerpt(line, 80) + QStringLiteral("）");
}

bool says(const QString& detail, std::initializer_list<const char*> words)
{
    for (const char* w : words) {
        if (detail.contains(QLatin1String(w), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// libpq's words when a connection it had went away, and when none could be made.
bool connectionLostWords(const QString& detail)
{
    return says(detail, {"server closed the connection", "terminating connection",
                         "no connection to the server", "connection to server was lost",
                         "could not receive data", "could not send data"});
}
bool cannotConnectWords(const QString& detail)
{
    return says(detail, {"could not connect", "connection refused", "could not translate host",
                         "timeout expired", "network is unreachable", "no route to host",
                         "connection to server at"});
}

} // namespace

QString SqlErrorMessage(int code, const QString& detail, const QString& folder)
{
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
        text = QStringLiteral(
            "データフォルダ %1 のデータファイルは壊れているか、データベースではありません。"
            "「ファイル」→「バックアップから復元…」で復元してください。");
        break;
    case 14: // SQLITE_CANTOPEN
        text = QStringLiteral("データフォルダ %1 のデータファイルを開けません。"
                              "フォルダの場所と権限を確認してください。");
        break;
    default:
        return QStringLiteral("データフォルダ %1 のデータベースでエラーが発生しました。")
                   .arg(PathExcerpt(folder)) +
               driverWords(detail);
    }
    return text.arg(PathExcerpt(folder)) + driverWords(detail);
}

QString ServerErrorMessage(const QString& sqlState, const QString& detail, const QString& location,
                           bool* connectionLost)
{
    const QString server = Engine::DisplayName(location);
    const auto has = [&detail](const char* text) {
        return detail.contains(QLatin1String(text), Qt::CaseInsensitive);
    };
    QString text;
    bool lost = false;
    if (sqlState == QLatin1String("28P01") || has("password authentication failed")) {
        text = QStringLiteral("サーバー %1 にログインできません。ユーザー名とパスワード"
                              "（PGPASSWORD または ~/.pgpass）を確認してください。");
    } else if (has("no password supplied")) {
        text = QStringLiteral("サーバー %1 はパスワードを求めていますが、パスワードがありません。"
                              "PGPASSWORD または ~/.pgpass にパスワードを設定してください。");
    } else if (sqlState == QLatin1String("28000") || has("no pg_hba.conf entry") ||
               has("role \"")) {
        text = QStringLiteral("サーバー %1 はこのユーザーの接続を許可していません。"
                              "ユーザー名とサーバーの設定を確認してください。");
    } else if (sqlState == QLatin1String("3D000") ||
               (has("database \"") && has("does not exist"))) {
        text = QStringLiteral(
            "サーバー %1 にデータベースがありません。データベース名を確認してください。");
    } else if (connectionLostWords(detail) || sqlState.startsWith(QLatin1String("08")) ||
               sqlState == QLatin1String("57P01")) {
        text = QStringLiteral("サーバー %1 との接続が切れました。書きかけの内容は取り消されました。"
                              "次の操作で接続し直します。");
        lost = true;
    } else if (cannotConnectWords(detail)) {
        text = QStringLiteral("サーバー %1 に接続できません。サーバーが動いているか、"
                              "ホスト名とポート番号を確認してください。");
    } else if (sqlState == QLatin1String("55P03")) {
        text = QStringLiteral("サーバー %1 のデータは他のプログラムが使用中です。"
                              "しばらくしてからやり直してください。");
    } else if (sqlState == QLatin1String("57014")) {
        text = QStringLiteral("サーバー %1 での処理が時間内に終わりませんでした。"
                              "しばらくしてからやり直してください。");
    } else if (sqlState == QLatin1String("40P01") || sqlState == QLatin1String("40001")) {
        text = QStringLiteral("サーバー %1 で他の利用者の書き込みと重なったため取り消されました。"
                              "やり直してください。");
    } else if (sqlState == QLatin1String("42501") || has("permission denied")) {
        text = QStringLiteral("サーバー %1 でこのユーザーには必要な権限（表の作成・書き込み）が"
                              "ありません。サーバーの管理者に確認してください。");
    } else if (sqlState == QLatin1String("22021") || sqlState == QLatin1String("22P05") ||
               has("invalid byte sequence") || has("0x00")) {
        text = QStringLiteral(
            "サーバー %1 に保存できない文字（NUL などの制御文字）が含まれています。");
    } else if (sqlState == QLatin1String("53100") || has("could not extend")) {
        text = QStringLiteral("サーバー %1 のディスクに空きがないため書き込めません。");
    } else {
        // Only here the server's own words are the one clue.
        return QStringLiteral("サーバー %1 でエラーが発生しました。").arg(server) +
               driverWords(detail);
    }
    if (connectionLost)
        *connectionLost = lost;
    return text.arg(server);
}

bool IsSqliteAway(int code)
{
    switch (code & 0xff) {
    case 5:  // SQLITE_BUSY
    case 6:  // SQLITE_LOCKED
    case 10: // SQLITE_IOERR: a network share gone for a moment
    case 14: // SQLITE_CANTOPEN
        return true;
    default:
        return false;
    }
}

bool IsServerAway(const QString& sqlState, const QString& detail)
{
    // Connection exceptions, a lock not granted in time, a statement cancelled by its timeout,
    // a deadlock or a serialisation failure, the server shutting down or starting.
    static const QStringList states{QStringLiteral("55P03"), QStringLiteral("57014"),
                                    QStringLiteral("40P01"), QStringLiteral("40001"),
                                    QStringLiteral("57P01"), QStringLiteral("57P02"),
                                    QStringLiteral("57P03"), QStringLiteral("53300")};
    if (sqlState.startsWith(QLatin1String("08")) || states.contains(sqlState))
        return true;
    if (!sqlState.isEmpty())
        return false;
    // No state: libpq's own words about the connection.
    return connectionLostWords(detail) || cannotConnectWords(detail);
}

void RaiseSqliteError(int code, const QString& detail, const QString& folder)
{
    const QString message = SqlErrorMessage(code, detail, folder);
    if (IsSqliteAway(code))
        throw TDataAway(message);
    throw AppError(message);
}

void RaiseServerError(const QString& sqlState, const QString& detail, const QString& location)
{
    const QString message = ServerErrorMessage(sqlState, detail, location);
    if (IsServerAway(sqlState, detail))
        throw TDataAway(message);
    throw AppError(message);
}

void RaiseSqlError(const QSqlError& error, const QString& folder)
{
    if (Engine::IsServerLocation(folder))
        RaiseServerError(error.nativeErrorCode(), error.text().trimmed(), folder);
    RaiseSqliteError(error.nativeErrorCode().toInt(), error.text().trimmed(), folder);
}
