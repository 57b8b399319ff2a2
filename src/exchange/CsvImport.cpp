#include "exchange/CsvImport.h"

#include "core/AppError.h"
#include "core/SpecText.h"
#include "core/Utility.h"
#include "domain/OndoKubun.h"
#include "domain/RegisterEntry.h"
#include "storage/Backup.h"
#include "storage/Engine.h"
#include "storage/Query.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextStream>

namespace {

QString Decode(const QByteArray& bytes, QString* encoding)
{
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(body);
    if (!utf8.hasError()) {
        *encoding = QStringLiteral("UTF-8");
        return text;
    }
    // Japanese Windows writes CP932; what is not UTF-8 is taken for it.
    QStringDecoder sjis("CP932");
    if (sjis.isValid()) {
        *encoding = QStringLiteral("Shift-JIS");
        return sjis.decode(body);
    }
    *encoding = QStringLiteral("UTF-8");
    return text;
}

QStringList SplitLine(const QString& line, QChar separator)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < line.size() && line.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == separator) {
            fields << field.trimmed();
            field.clear();
        } else {
            field += c;
        }
    }
    fields << field.trimmed();
    return fields;
}

// The separator that gives the most lines of one shape; on a tie tab, then semicolon (a
// semicolon file may still carry decimal commas).
QChar DetectSeparator(const QStringList& lines)
{
    QChar best = QLatin1Char(',');
    int bestScore = -1;
    for (const QChar candidate :
         {QChar(QLatin1Char('\t')), QChar(QLatin1Char(';')), QChar(QLatin1Char(','))}) {
        QHash<int, int> shapes;
        for (const QString& line : lines) {
            const int n = SplitLine(line, candidate).size();
            if (n >= 2)
                ++shapes[n];
        }
        int score = 0;
        for (auto it = shapes.cbegin(); it != shapes.cend(); ++it)
            score = qMax(score, it.value());
        if (score > bestScore) {
            bestScore = score;
            best = candidate;
        }
    }
    return best;
}

QString Field(const CsvRow& row, int column)
{
    return column >= 0 && column < row.fields.size() ? row.fields.at(column) : QString();
}

struct RowValue
{
    QDate day;
    QTime time;
    bool hasTime = false;
    double value = 0.0;
    QString label;
    QString truck;
    QString remark;
};

bool ReadRow(const CsvRow& row, const CsvColumns& c, RowValue* out)
{
    if (!ParseCsvDateTime(Field(row, c.date), &out->day, &out->time, &out->hasTime))
        return false;
    if (c.time >= 0) {
        if (out->hasTime || !ParseCsvTime(Field(row, c.time), &out->time))
            return false;
        out->hasTime = true;
    }
    if (!ParseCsvTemperature(Field(row, c.temperature), &out->value))
        return false;
    if (c.label >= 0) {
        if (c.label >= row.fields.size())
            return false;
        out->label = row.fields.at(c.label);
    }
    // Truck and remark are optional in each row: a short row just lacks them.
    out->truck = c.truck >= 0 ? Field(row, c.truck).trimmed() : QString();
    out->remark = c.remark >= 0 ? Field(row, c.remark).trimmed() : QString();
    return true;
}

bool IsBlank(const CsvRow& row)
{
    for (const QString& f : row.fields) {
        if (!f.isEmpty())
            return false;
    }
    return true;
}

// The columns a row would be read with: the first date field (with the time field after it
// when the date has none) and the first temperature after them.
bool GuessColumns(const CsvRow& row, CsvColumns* out)
{
    CsvColumns c;
    QDate d;
    QTime t;
    bool hasTime = false;
    for (int i = 0; i < row.fields.size(); ++i) {
        if (ParseCsvDateTime(row.fields.at(i), &d, &t, &hasTime)) {
            c.date = i;
            break;
        }
    }
    if (c.date < 0)
        return false;
    int next = c.date + 1;
    if (!hasTime && ParseCsvTime(Field(row, next), &t))
        c.time = next++;
    for (int i = next; i < row.fields.size(); ++i) {
        double v = 0;
        if (ParseCsvTemperature(row.fields.at(i), &v)) {
            c.temperature = i;
            break;
        }
    }
    if (c.temperature < 0)
        return false;
    *out = c;
    return true;
}

// False when the row after `i` looks like the column row (neither its date nor its
// temperature reads): row `i` is then a title line that looks like a reading
// ("開始,2024/04/01 08:00,1"). A reading followed by a broken one stays data.
bool NextReads(const CsvTable& table, const CsvColumns& c, int i)
{
    for (int k = i + 1; k < table.rows.size(); ++k) {
        const CsvRow& row = table.rows.at(k);
        if (IsBlank(row))
            continue;
        QDate d;
        QTime t;
        bool timed = false;
        double v = 0;
        return ParseCsvDateTime(Field(row, c.date), &d, &t, &timed) ||
               ParseCsvTemperature(Field(row, c.temperature), &v);
    }
    return true;
}

// The first row that reads under fixed columns, with the next one reading too.
int FindFirstData(const CsvTable& table, const CsvColumns& c)
{
    RowValue v;
    for (int i = 0; i < table.rows.size(); ++i) {
        if (ReadRow(table.rows.at(i), c, &v) && NextReads(table, c, i))
            return i;
    }
    return -1;
}

const QRegularExpression& DateTimePattern()
{
    static const QRegularExpression re(
        QStringLiteral("^(\\d{4})\\s*[-/.年]\\s*(\\d{1,2})\\s*[-/.月]\\s*(\\d{1,2})\\s*日?"
                       "(?:(?:\\s+|T)(\\d{1,2}):(\\d{2})(?::(\\d{2})(?:\\.\\d+)?)?)?$"));
    return re;
}

} // namespace

QStringList CsvTable::Names() const
{
    if (firstData <= 0)
        return {};
    const CsvRow& above = rows.at(firstData - 1);
    return above.fields.size() == rows.at(firstData).fields.size() ? above.fields : QStringList();
}

bool ParseCsvTime(const QString& text, QTime* time)
{
    static const QRegularExpression re(
        QStringLiteral("^(\\d{1,2}):(\\d{2})(?::(\\d{2})(?:\\.\\d+)?)?$"));
    const QRegularExpressionMatch m =
        re.match(AsciiTyped(text).trimmed().replace(QChar(0xFF1A), QLatin1Char(':')));
    if (!m.hasMatch())
        return false;
    const QTime t(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!t.isValid())
        return false;
    *time = t;
    return true;
}

bool ParseCsvDateTime(const QString& text, QDate* date, QTime* time, bool* hasTime)
{
    const QString t = AsciiTyped(text).trimmed().replace(QChar(0xFF1A), QLatin1Char(':'));
    const QRegularExpressionMatch m = DateTimePattern().match(t);
    if (!m.hasMatch())
        return false;
    const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!d.isValid())
        return false;
    QTime clock(0, 0);
    const bool timed = m.capturedLength(4) > 0;
    if (timed) {
        clock = QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
        if (!clock.isValid())
            return false;
    }
    *date = d;
    *time = clock;
    *hasTime = timed;
    return true;
}

bool ParseCsvTemperature(const QString& text, double* value)
{
    QString t = AsciiTyped(text);
    for (const QString& unit : {QStringLiteral("℃"), QStringLiteral("°C"), QStringLiteral("°")}) {
        if (t.trimmed().endsWith(unit))
            t = t.trimmed().chopped(unit.size());
    }
    t.remove(QLatin1Char(' '));
    if (t.contains(QLatin1Char(',')) && !t.contains(QLatin1Char('.')))
        t.replace(QLatin1Char(','), QLatin1Char('.'));
    static const QRegularExpression number(QStringLiteral("^[-+]?(\\d+(\\.\\d*)?|\\.\\d+)$"));
    if (!number.match(t).hasMatch())
        return false;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok)
        return false;
    *value = v;
    return true;
}

CsvTable ParseCsv(const QByteArray& bytes)
{
    CsvTable table;
    const QString text = Decode(bytes, &table.encoding);
    // Old Macintosh files end their lines with CR alone.
    QStringList lines =
        text.split(text.contains(QLatin1Char('\n')) ? QLatin1Char('\n') : QLatin1Char('\r'));
    QStringList nonBlank;
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (!line.trimmed().isEmpty())
            nonBlank << line;
    }
    table.separator = DetectSeparator(nonBlank);
    for (int i = 0; i < lines.size(); ++i) {
        if (lines.at(i).trimmed().isEmpty())
            continue;
        table.rows << CsvRow{i + 1, lines.at(i), SplitLine(lines.at(i), table.separator)};
    }
    for (int i = 0; i < table.rows.size(); ++i) {
        CsvColumns c;
        if (GuessColumns(table.rows.at(i), &c) && NextReads(table, c, i)) {
            table.firstData = i;
            table.guess = c;
            break;
        }
    }
    return table;
}

CsvTable ReadCsvFile(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("ファイル '%1' を読めません: %2").arg(file, f.errorString()));
    return ParseCsv(f.readAll());
}

CsvColumns ParseColumnsOption(const QString& text)
{
    const QString bad =
        QStringLiteral("--columns は 日時,温度[,測点[,時刻[,車番[,備考]]]] の列番号で"
                       "指定してください（ない列は 0。例: 1,2 または 3+4,5,0,6）: %1")
            .arg(text.left(60));
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() < 2 || parts.size() > 6)
        throw AppError(bad);
    // Required columns count from 1; the optional ones may be 0, for none.
    auto number = [&bad](const QString& s, bool optional) {
        bool ok = false;
        const int n = s.trimmed().toInt(&ok);
        if (!ok || n < (optional ? 0 : 1))
            throw AppError(bad);
        return n - 1;
    };
    CsvColumns c;
    const QStringList date = parts.at(0).split(QLatin1Char('+'));
    if (date.size() > 2)
        throw AppError(bad);
    c.date = number(date.at(0), false);
    if (date.size() == 2)
        c.time = number(date.at(1), false);
    c.temperature = number(parts.at(1), false);
    if (parts.size() > 2)
        c.label = number(parts.at(2), true);
    if (parts.size() > 3) {
        const int time = number(parts.at(3), true);
        if (time >= 0 && c.time >= 0)
            throw AppError(bad);
        if (time >= 0)
            c.time = time;
    }
    if (parts.size() > 4)
        c.truck = number(parts.at(4), true);
    if (parts.size() > 5)
        c.remark = number(parts.at(5), true);
    return c;
}

QList<CsvDay> CsvDays(const CsvTable& table, const CsvColumns& columns)
{
    const CsvColumns c = columns.IsValid() ? columns : table.guess;
    const int first =
        c.IsValid() ? (c == table.guess ? table.firstData : FindFirstData(table, c)) : -1;
    if (first < 0)
        throw AppError(QStringLiteral("日時と温度の列が読み取れる行がありません"));
    QList<CsvDay> days;
    QHash<QDate, int> index;
    RowValue v;
    for (int i = first; i < table.rows.size(); ++i) {
        const CsvRow& row = table.rows.at(i);
        if (IsBlank(row))
            continue;
        if (!ReadRow(row, c, &v))
            throw AppError(QStringLiteral("%1 行目を読み取れません: %2")
                               .arg(row.line)
                               .arg(row.text.trimmed()));
        auto it = index.constFind(v.day);
        if (it == index.constEnd()) {
            it = index.insert(v.day, days.size());
            days << CsvDay{v.day, {}, {}};
        }
        CsvDay& day = days[it.value()];
        const int lno = day.readings.size() + 1;
        // A reading needs a label to show in the main window's grid.
        QString label = c.label >= 0 && !v.label.isEmpty() ? v.label
                        : v.hasTime ? v.time.toString(QStringLiteral("HH:mm"))
                                    : QString::number(lno);
        day.readings << Reading{lno,
                                SjisLeft(label, 16),
                                v.value,
                                v.hasTime ? v.time.toString(QStringLiteral("HH:mm")) : QString(),
                                v.truck.left(16),
                                v.remark.left(64)};
    }
    for (CsvDay& day : days)
        day.stats = StatisticsOf(day.readings);
    return days;
}

namespace {

int HeaderOf(const CsvTarget& target)
{
    TOndoKubun kubun;
    kubun.LoadByName(target.kubunName);
    return TOndoKanri::FindHeader(target.kojiCode, target.gozaiName, kubun.ID);
}

QDateTime StoredDay(const QDate& day)
{
    return QDateTime(day, QTime(0, 0));
}

} // namespace

QList<QDate> StoredCsvDays(const QList<CsvDay>& days, const CsvTarget& target)
{
    QList<QDate> stored;
    const int id = HeaderOf(target);
    if (id == 0)
        return stored;
    for (const CsvDay& day : days) {
        if (TOndoKanri::HasDay(id, StoredDay(day.day)))
            stored << day.day;
    }
    return stored;
}

CsvImportResult ImportCsvDays(const QList<CsvDay>& days, const CsvTarget& target, bool replace)
{
    TOndoKanri record;
    if (target.kojiCode.isEmpty() || !TKoji::Exists(target.kojiCode))
        throw AppError(QStringLiteral("工事コード '%1' は登録されていません").arg(target.kojiCode));
    if (target.gozaiName.trimmed().isEmpty())
        throw AppError(QStringLiteral("合材名が指定されていません"));
    record.Kubun.LoadByName(target.kubunName);
    if (target.kubunName.isEmpty() || record.Kubun.ID < 0)
        throw AppError(QStringLiteral("温度区分 '%1' は登録されていません").arg(target.kubunName));

    // A stored header keeps its specified value, note and (unless given) measurer.
    const int id = HeaderOf(target);
    if (id != 0) {
        Query q(QStringLiteral("select * from OndoKanri4 where ID = :A"));
        q.BindInt(QStringLiteral("A"), id);
        q.Open();
        record.Simei.Load(q.FieldText(QStringLiteral("Sokuteisya")));
        record.Kiji = q.FieldText(QStringLiteral("Kiji"));
        const TSpecText spec = TSpecText::Parse(q.FieldText(QStringLiteral("Kikakuti")));
        record.SpecValue = spec.value;
        record.SpecRange = spec.range;
        record.SpecInterval = spec.interval;
    } else {
        // A new record's specified value starts as its category's range, as in the window.
        record.SpecValue = record.Kubun.OndoRange;
        record.SpecRange = record.Kubun.OndoRange;
        record.SpecInterval = record.Kubun.SokuteiKankaku;
    }
    record.Koji.Load(target.kojiCode);
    record.Gozai.Load(target.gozaiName);
    if (!target.simei.isEmpty())
        record.Simei.Load(target.simei);

    CsvImportResult result;
    QList<const CsvDay*> wanted;
    for (const CsvDay& day : days) {
        if (day.readings.size() > MaxReadingsPerDay)
            result.refused << QStringLiteral("%1: %2 件は1日の上限 %3 件を超えるため取り込みません")
                                  .arg(FormatDate(StoredDay(day.day)))
                                  .arg(day.readings.size())
                                  .arg(MaxReadingsPerDay);
        else if (!day.readings.isEmpty())
            wanted << &day;
    }
    if (wanted.isEmpty())
        throw AppError(result.refused.isEmpty() ? QStringLiteral("取り込む温度がありません")
                                                : result.refused.join(QStringLiteral(" / ")));
    if (!replace) {
        QStringList stored;
        QList<CsvDay> kept;
        for (const CsvDay* day : wanted)
            kept << *day;
        for (const QDate& d : StoredCsvDays(kept, target))
            stored << FormatDate(StoredDay(d));
        if (!stored.isEmpty())
            throw AppError(
                QStringLiteral(
                    "試験日 %1 はすでに登録されています（置き換えるには --replace を指定）")
                    .arg(stored.join(QStringLiteral("、"))));
    }

    Backup::WriteIfChanged(Engine::CurrentFolder());
    Transaction tx;
    for (const CsvDay* day : wanted) {
        record.Hiduke = StoredDay(day->day);
        record.Kosu = day->stats.count;
        record.MaxOndo = day->stats.maximum;
        record.MiniOndo = day->stats.minimum;
        record.AvgOndo = day->stats.average;
        record.Tekiyo.clear();
        record.Tenki.clear();
        record.Kion.clear();
        record.DaySimei = record.Simei.Simei();
        record.Mogi = false; // read from a logger: measured
        if (id != 0 && TOndoKanri::HasDay(id, record.Hiduke)) {
            // A replaced day keeps its note and conditions.
            Query q(QStringLiteral(
                "select Tekiyo, Tenki, Kion from OndoHead4 where KanriID = :A and Hiduke = :B"));
            q.BindInt(QStringLiteral("A"), id);
            q.BindDateTime(QStringLiteral("B"), record.Hiduke);
            q.Open();
            record.Tekiyo = q.FieldText(QStringLiteral("Tekiyo"));
            record.Tenki = q.FieldText(QStringLiteral("Tenki"));
            record.Kion = q.FieldText(QStringLiteral("Kion"));
        }
        record.Register(day->readings);
        ++result.days;
        result.readings += day->readings.size();
    }
    tx.Commit();
    return result;
}

void RunCsvImportCommand(const CsvCommand& command, QTextStream& out)
{
    const CsvColumns columns =
        command.columns.isEmpty() ? CsvColumns() : ParseColumnsOption(command.columns);
    if (!Engine::TableExists(QStringLiteral("OndoKubun")) ||
        !Engine::TableExists(QStringLiteral("Koji1")) ||
        !Engine::TableExists(QStringLiteral("OndoKanri4")))
        throw AppError(QStringLiteral("データ格納場所 '%1' に温度管理のデータがありません")
                           .arg(Engine::CurrentFolder()));
    const CsvTable table = ReadCsvFile(command.file);
    const QList<CsvDay> days = CsvDays(table, columns);
    const CsvImportResult result = ImportCsvDays(days, command.target, command.replace);
    for (const QString& refused : result.refused)
        out << refused << Qt::endl;
    out << QStringLiteral("取り込み: %1 日 %2 件").arg(result.days).arg(result.readings)
        << Qt::endl;
}
