#include "app/cli/Options.h"

#include "core/AppError.h"
#include "storage/Engine.h"
#include "store/Records.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

namespace {

constexpr int HelpWidth = 80;
// Where the descriptions start; a longer option has a line of its own.
constexpr int DescriptionColumn = 32;

// Terminal columns: two for kanji, kana and full-width forms, none for a combining mark.
int columnsOf(char32_t c)
{
    if (QChar::category(c) == QChar::Mark_NonSpacing)
        return 0;
    const bool wide = (c >= 0x1100 && c <= 0x115f) || (c >= 0x2e80 && c <= 0xa4cf && c != 0x303f) ||
                      (c >= 0xac00 && c <= 0xd7a3) || (c >= 0xf900 && c <= 0xfaff) ||
                      (c >= 0xfe30 && c <= 0xfe4f) || (c >= 0xff00 && c <= 0xff60) ||
                      (c >= 0xffe0 && c <= 0xffe6) || (c >= 0x20000 && c <= 0x3fffd);
    return wide ? 2 : 1;
}

int columnsOf(const QString& text)
{
    int columns = 0;
    for (char32_t c : text.toUcs4())
        columns += columnsOf(c);
    return columns;
}

struct TPiece
{
    QString text;
    bool spaceBefore = false;
};

// What a line may break between: Japanese breaks between any two characters, Latin text at
// spaces only; punctuation that may not start a line (、。）) or end one (（「) stays with
// its neighbour.
QList<TPiece> piecesOf(const QString& text)
{
    static const QString noStart = QStringLiteral("、。，．）」』】・ー～…々),.:;]");
    static const QString noEnd = QStringLiteral("（「『【([");
    QList<TPiece> pieces;
    bool space = false;
    for (char32_t c : text.toUcs4()) {
        if (c == U' ') {
            space = true;
            continue;
        }
        const QString ch = QString::fromUcs4(&c, 1);
        if (!pieces.isEmpty() && !space) {
            const QString& last = pieces.last().text;
            const bool narrowRun = columnsOf(c) < 2 && columnsOf(last.toUcs4().last()) < 2;
            if (narrowRun || noStart.contains(ch) || noEnd.contains(last.right(1))) {
                pieces.last().text += ch;
                continue;
            }
        }
        pieces << TPiece{ch, space};
        space = false;
    }
    return pieces;
}

QStringList wrapped(const QString& text, int width)
{
    QStringList lines;
    QString line;
    int used = 0;
    for (const TPiece& piece : piecesOf(text)) {
        const int gap = piece.spaceBefore && used > 0 ? 1 : 0;
        const int columns = columnsOf(piece.text);
        if (used > 0 && used + gap + columns > width) {
            lines << line;
            line.clear();
            used = 0;
        } else if (gap > 0) {
            line += QLatin1Char(' ');
            ++used;
        }
        line += piece.text;
        used += columns;
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

} // namespace

namespace Cli {

QString HelpText(const Options& o)
{
    QString text = QStringLiteral("使い方: ondokanri [オプション]\n\n");
    for (const QString& line : wrapped(
             QStringLiteral("温度管理: 管理図・データシートのPDF出力、提出用一式、CSVの取り込み、"
                            "Excel・CSVへの書き出し、データのバックアップと復元、旧データの取り込み"
                            "、現場入力のページ。オプションを付けずに起動すると主画面が開きます。"),
             HelpWidth))
        text += line + QLatin1Char('\n');
    text += QStringLiteral("\nオプション:\n");
    for (const QCommandLineOption& option : o.All()) {
        QStringList names;
        for (const QString& name : option.names())
            names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
        QString head = QStringLiteral("  ") + names.join(QStringLiteral(", "));
        for (const QString& value : option.valueName().split(QLatin1Char(' '), Qt::SkipEmptyParts))
            head += QStringLiteral(" <%1>").arg(value);
        const QString indent(DescriptionColumn, QLatin1Char(' '));
        const QStringList lines = wrapped(option.description(), HelpWidth - DescriptionColumn);
        if (columnsOf(head) + 2 > DescriptionColumn)
            text += head + QLatin1Char('\n') + indent;
        else
            text += head + QString(DescriptionColumn - columnsOf(head), QLatin1Char(' '));
        text += lines.join(QLatin1Char('\n') + indent) + QLatin1Char('\n');
    }
    return text;
}

QString DataFolder(const QCommandLineParser& parser, const Options& o)
{
    if (!parser.isSet(o.data))
        return Engine::GetAliasPath();
    const QString folder = parser.value(o.data);
    if (Engine::IsServerLocation(folder))
        return Engine::ParseLocation(folder).text;
    if (!QFileInfo(folder).isDir())
        throw AppError(QStringLiteral("データ格納場所 '%1' がありません").arg(folder));
    QString path = QDir::fromNativeSeparators(QFileInfo(folder).absoluteFilePath());
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

QStringList GuardedFolders(const QString& dataFolder)
{
    return {dataFolder, Engine::GetAliasPath()};
}

void OpenRecords(const QString& folder)
{
    Engine::OpenDatabase(folder);
    if (!Store::HoldsRecords())
        throw AppError(QStringLiteral("データ格納場所 '%1' に温度管理のデータがありません")
                           .arg(Engine::DisplayName(Engine::CurrentFolder())));
}

QString RequiredProject(const QCommandLineParser& parser, const Options& o)
{
    const QString code = parser.value(o.project);
    if (code.isEmpty())
        throw AppError(QStringLiteral("--project で工事コードを指定してください"));
    return code;
}

QDate DateOption(const QCommandLineParser& parser, const QCommandLineOption& option)
{
    if (!parser.isSet(option))
        return QDate();
    const QDate day = QDate::fromString(parser.value(option), QStringLiteral("yyyy/MM/dd"));
    if (!day.isValid())
        throw AppError(QStringLiteral("--%1 の日付が不正です: %2")
                           .arg(option.names().constFirst(), parser.value(option)));
    return day;
}

void PeriodOptions(const QCommandLineParser& parser, const Options& o, QDate& from, QDate& to)
{
    from = DateOption(parser, o.from);
    to = DateOption(parser, o.to);
    if (from.isValid() && to.isValid() && to < from)
        throw AppError(QStringLiteral("--from は --to 以前の日付にしてください: %1 > %2")
                           .arg(parser.value(o.from), parser.value(o.to)));
}

} // namespace Cli
