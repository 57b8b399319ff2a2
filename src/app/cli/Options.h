#pragma once

#include <QCommandLineOption>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class QCommandLineParser;

namespace Cli {

// Every option of the command line; All() gives them in the order --help lists them. Value
// names are Japanese, as --help shows them (<ファイル>); one of two words is shown as two values
// (<移行元> <移行先>), the second given as an argument.
struct Options
{
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("このヘルプを表示します")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("プログラム名とバージョンを表示します")};
    QCommandLineOption pdf{QStringLiteral("print-pdf"), QStringLiteral("書き出すPDFファイル"),
                           QStringLiteral("ファイル")};
    QCommandLineOption form{
        QStringLiteral("form"),
        QStringLiteral("chart (管理図)、sheet (データシート)、xbar (X̄-s管理図)、"
                       "xbar-r (x̄-R管理図)、capability (工程能力図)、journey "
                       "(温度低下記録、期間の日ごと) または profile (敷均し温度分布、--day の日)"),
        QStringLiteral("chart|sheet|xbar|xbar-r|capability|journey|profile")};
    QCommandLineOption baseFrom{QStringLiteral("base-from"),
                                QStringLiteral("xbar の基準期間の開始日"),
                                QStringLiteral("年/月/日")};
    QCommandLineOption baseTo{QStringLiteral("base-to"), QStringLiteral("xbar の基準期間の終了日"),
                              QStringLiteral("年/月/日")};
    QCommandLineOption project{QStringLiteral("project"), QStringLiteral("工事コード"),
                               QStringLiteral("コード")};
    QCommandLineOption mix{QStringLiteral("mix"), QStringLiteral("合材名"), QStringLiteral("名前")};
    QCommandLineOption day{
        QStringLiteral("day"),
        QStringLiteral("その1日だけを印刷します (journey の既定は今日、ほかは登録済みの全期間)"),
        QStringLiteral("年/月/日")};
    QCommandLineOption category{QStringLiteral("category"),
                                QStringLiteral("温度区分 (印刷では繰り返し可、既定はすべて)"),
                                QStringLiteral("名前")};
    QCommandLineOption perProject{QStringLiteral("per-project"), QStringLiteral("工事毎に印刷")};
    QCommandLineOption low{QStringLiteral("low"), QStringLiteral("グラフ表示範囲の下限"),
                           QStringLiteral("数値")};
    QCommandLineOption high{QStringLiteral("high"), QStringLiteral("グラフ表示範囲の上限"),
                            QStringLiteral("数値")};
    QCommandLineOption data{
        QStringLiteral("data"),
        QStringLiteral("この実行だけ使うデータ格納場所 (フォルダまたは postgresql://…)"),
        QStringLiteral("場所")};
    QCommandLineOption backup{
        QStringLiteral("backup"),
        QStringLiteral("データのバックアップを今作成し、そのパスを表示します")};
    QCommandLineOption restore{
        QStringLiteral("restore"),
        QStringLiteral("バックアップからデータを復元します (現在のデータは先にバックアップ)"),
        QStringLiteral("ファイル")};
    QCommandLineOption xlsx{
        QStringLiteral("export-xlsx"),
        QStringLiteral("工事の温度をExcelファイルに書き出します (--project、--mix)"),
        QStringLiteral("ファイル")};
    QCommandLineOption csv{
        QStringLiteral("export-csv"),
        QStringLiteral("工事の温度をCSVファイル (UTF-8) に書き出します (--project、--mix)"),
        QStringLiteral("ファイル")};
    QCommandLineOption importParadox{
        QStringLiteral("import-paradox"),
        QStringLiteral("旧プログラムのデータフォルダ (Paradox の表) を取り込みます"),
        QStringLiteral("フォルダ")};
    QCommandLineOption dryRun{
        QStringLiteral("dry-run"),
        QStringLiteral("--import-paradox で取り込む内容と重なりを表示するだけにします")};
    QCommandLineOption importCsv{
        QStringLiteral("import-csv"),
        QStringLiteral(
            "温度計・記録計のCSVの読み取りを登録します (--project、--mix、--category が必要)"),
        QStringLiteral("ファイル")};
    QCommandLineOption measurer{QStringLiteral("measurer"), QStringLiteral("取り込む記録の測定者"),
                                QStringLiteral("名前")};
    QCommandLineOption columns{
        QStringLiteral("columns"),
        QStringLiteral("取り込む列の番号 (1から、日付と時刻が別の列なら 3+4)"),
        QStringLiteral("日付,温度[,測点[,時刻[,車番[,備考]]]]")};
    QCommandLineOption replace{QStringLiteral("replace"),
                               QStringLiteral("登録済みの試験日も取り込みで置き換えます "
                                              "(--copy-data では移行先のデータを置き換えます)")};
    QCommandLineOption package{
        QStringLiteral("package"),
        QStringLiteral("工事の提出用一式 (PDF/A の書類、測定値のCSV、目録) を新しいフォルダに"
                       "書き出します (--project)"),
        QStringLiteral("フォルダ")};
    QCommandLineOption from{QStringLiteral("from"),
                            QStringLiteral("印刷・--package の期間の開始日 (統計もこの期間から)"),
                            QStringLiteral("年/月/日")};
    QCommandLineOption to{QStringLiteral("to"), QStringLiteral("印刷・--package の期間の終了日"),
                          QStringLiteral("年/月/日")};
    QCommandLineOption copyData{
        QStringLiteral("copy-data"),
        QStringLiteral("すべての表を移行元から移行先 (それぞれフォルダまたは postgresql://…) "
                       "へ移します"),
        QStringLiteral("移行元 移行先")};
    QCommandLineOption serve{
        QStringLiteral("serve"),
        QStringLiteral("現場入力のページを終了まで公開し、アドレスとペアリングコードを表示します")};
    QCommandLineOption listen{
        QStringLiteral("listen"),
        QStringLiteral("--serve で受け付けるアドレスとポート (既定は LAN のアドレス:8470)"),
        QStringLiteral("アドレス:ポート")};
    QCommandLineOption tls{
        QStringLiteral("tls"),
        QStringLiteral("--serve を HTTPS で公開し、証明書の指紋を表示します (証明書は初回に作って"
                       "設定と一緒に保存します)")};
    QCommandLineOption importProfile{
        QStringLiteral("import-profile"),
        QStringLiteral("フィニッシャの温度計測装置 (RoadScan、Pave-IR) のCSVを、その日の敷均し温度"
                       "分布として取り込みます (--project、--mix が必要)"),
        QStringLiteral("ファイル")};
    QCommandLineOption history{
        QStringLiteral("history"),
        QStringLiteral("工事 (--project、--mix) の温度の変更履歴 (いつ、誰が、何を) を1件1行で"
                       "表示します (--from、--to で試験日の期間)")};
    QCommandLineOption verify{
        QStringLiteral("verify"),
        QStringLiteral("登録した温度と変更履歴を封印と照らし、プログラムの外での書き換えがないか"
                       "確かめます (見つかれば終了コード 1)")};
    QCommandLineOption devices{
        QStringLiteral("devices"),
        QStringLiteral("ペアリングした端末 (番号、名前、ペアリング日時、最終接続) を表示します")};
    QCommandLineOption revokeDevice{
        QStringLiteral("revoke-device"),
        QStringLiteral("端末のペアリングを取り消します (動いている --serve にも数秒で届きます)"),
        QStringLiteral("番号")};

    // The documents' own: the x̄-R subgroup, the X chart's panels, the package's check.
    QCommandLineOption subgroup{
        QStringLiteral("subgroup"),
        QStringLiteral("xbar-r の組の大きさ (2〜5、既定は 4): その日の測定順に N 個ずつ"),
        QStringLiteral("N")};
    QCommandLineOption panels{
        QStringLiteral("panels"),
        QStringLiteral("chart を温度区分ごとの段に分け、段ごとに自動の温度範囲で描きます "
                       "(区分が4つ以上のとき向け)")};
    QCommandLineOption verifyPackage{
        QStringLiteral("verify-package"),
        QStringLiteral("提出用一式のファイルを目録 (00_目録.sha256) のハッシュ値と照合します"),
        QStringLiteral("フォルダ")};

    QList<QCommandLineOption> All() const
    {
        return {help, version, pdf, form, project, mix, day, category, perProject, low, high,
                baseFrom, baseTo, data, backup, restore, importCsv, measurer, columns, replace,
                xlsx, csv, package, from, to, importParadox, dryRun, copyData, serve, listen, tls,
                devices, revokeDevice, history, verify, importProfile,
                // The documents' own.
                subgroup, panels, verifyPackage};
    }
};

// What --help prints, in Japanese: the usage, the options with their descriptions aligned and
// wrapped at 80 terminal columns (a kanji takes two).
QString HelpText(const Options& o);

// The data location of this run: --data (a folder, made absolute and ending in '/', or a
// server), or the configured one. Raises AppError when the folder does not exist.
QString DataFolder(const QCommandLineParser& parser, const Options& o);

// The folders a written file must stay out of: this run's data and the configured one.
QStringList GuardedFolders(const QString& dataFolder);

// Opens `folder` and raises AppError unless it holds temperature records.
void OpenRecords(const QString& folder);

// --project, which the printouts and the export cannot do without.
QString RequiredProject(const QCommandLineParser& parser, const Options& o);

// The day an option gives ("yyyy/MM/dd"), or none when it is not given; AppError quoting a bad
// one. The period of --from and --to, refused when it ends before it starts.
QDate DateOption(const QCommandLineParser& parser, const QCommandLineOption& option);
void PeriodOptions(const QCommandLineParser& parser, const Options& o, QDate& from, QDate& to);

} // namespace Cli
