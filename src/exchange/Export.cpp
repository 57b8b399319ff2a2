#include "exchange/Export.h"

#include "core/AppError.h"
#include "core/KikakuText.h"
#include "core/Utility.h"
#include "storage/OutputFile.h"
#include "store/Exports.h"
#include "store/Registers.h"

#include <QFile>
#include <QSet>
#include <algorithm>
#include <memory>
#include <xlsxwriter.h>

namespace {

const QString SummarySheet = QStringLiteral("日別集計");
// Columns added since come last, so that sheets made from older exports still find theirs.
const QStringList ReadingHeader{QStringLiteral("試験日"), QStringLiteral("合材名"),
                                QStringLiteral("測点"),   QStringLiteral("温度"),
                                QStringLiteral("測定者"), QStringLiteral("規格値"),
                                QStringLiteral("時刻"),   QStringLiteral("車番"),
                                QStringLiteral("備考"),   QStringLiteral("模擬値")};
const QStringList DayHeader{
    QStringLiteral("試験日"), QStringLiteral("合材名"), QStringLiteral("温度区分"),
    QStringLiteral("個数"),   QStringLiteral("最高"),   QStringLiteral("最低"),
    QStringLiteral("平均"),   QStringLiteral("測定者"), QStringLiteral("天候"),
    QStringLiteral("気温"),   QStringLiteral("記事"),   QStringLiteral("模擬値")};

// Columns as wide as their widest text, counting a full-width character as two.
double Width(const QString& text)
{
    double width = 0;
    for (const QChar c : text)
        width +=
            c.unicode() < 0x2E80 || (c.unicode() >= 0xFF61 && c.unicode() <= 0xFF9F) ? 1.0 : 2.0;
    return width;
}

// A removed category keeps its number as its name.
QString CategoryLabel(const ExportCategory& category)
{
    return category.name.isEmpty() ? QStringLiteral("区分%1").arg(category.id) : category.name;
}

class Workbook
{
public:
    explicit Workbook(const QString& file)
        : m_file(file), m_book(workbook_new(QFile::encodeName(file).constData()))
    {
        if (!m_book)
            Fail(LXW_ERROR_MEMORY_MALLOC_FAILED);
        m_header = workbook_add_format(m_book);
        format_set_bold(m_header);
        format_set_bg_color(m_header, 0xD9E1F2);
        format_set_bottom(m_header, LXW_BORDER_THIN);
        format_set_align(m_header, LXW_ALIGN_CENTER);
        m_date = workbook_add_format(m_book);
        format_set_num_format(m_date, "yyyy/mm/dd");
        m_temperature = workbook_add_format(m_book);
        format_set_num_format(m_temperature, "0.0");
    }
    ~Workbook()
    {
        if (m_book)
            workbook_close(m_book); // after a failure: frees it; the file is thrown away
    }

    lxw_worksheet* AddSheet(const QString& name, const QStringList& header)
    {
        lxw_worksheet* sheet = workbook_add_worksheet(m_book, name.toUtf8().constData());
        if (!sheet)
            throw AppError(QStringLiteral("シート '%1' を作成できません").arg(Excerpt(name)));
        m_widths = QList<double>(header.size(), 0.0);
        for (int c = 0; c < header.size(); ++c)
            Text(sheet, 0, c, header[c], m_header);
        worksheet_freeze_panes(sheet, 1, 0);
        return sheet;
    }
    // Column widths and the filter over the rows written; the filter's button needs room
    // beside the header text.
    void FinishSheet(lxw_worksheet* sheet, int rows)
    {
        for (int c = 0; c < m_widths.size(); ++c) {
            const double width = std::clamp(m_widths[c] + 3.0, 8.0, 60.0);
            Check(worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), width, nullptr));
        }
        Check(worksheet_autofilter(sheet, 0, 0, lxw_row_t(rows), lxw_col_t(m_widths.size() - 1)));
    }
    void Text(lxw_worksheet* sheet, int row, int col, const QString& text,
              lxw_format* format = nullptr)
    {
        Widen(col, Width(text));
        Check(worksheet_write_string(sheet, lxw_row_t(row), lxw_col_t(col),
                                     text.toUtf8().constData(), format));
    }
    void Number(lxw_worksheet* sheet, int row, int col, double value, bool temperature)
    {
        Widen(col, 7);
        Check(worksheet_write_number(sheet, lxw_row_t(row), lxw_col_t(col), value,
                                     temperature ? m_temperature : nullptr));
    }
    void Date(lxw_worksheet* sheet, int row, int col, const QDateTime& value)
    {
        // Excel counts days from 1900: an earlier day (an old file's typo) stays readable as
        // text instead of becoming a negative serial.
        if (value.date().year() < 1900) {
            Text(sheet, row, col, value.date().toString(QStringLiteral("yyyy/MM/dd")));
            return;
        }
        Widen(col, 10);
        lxw_datetime when{value.date().year(),   value.date().month(),
                          value.date().day(),    value.time().hour(),
                          value.time().minute(), double(value.time().second())};
        Check(worksheet_write_datetime(sheet, lxw_row_t(row), lxw_col_t(col), &when, m_date));
    }
    void Close()
    {
        lxw_workbook* book = m_book;
        m_book = nullptr;
        Check(workbook_close(book));
    }

private:
    void Widen(int col, double width)
    {
        if (col < m_widths.size())
            m_widths[col] = std::max(m_widths[col], width);
    }
    void Check(lxw_error error) const
    {
        if (error != LXW_NO_ERROR)
            Fail(error);
    }
    [[noreturn]] void Fail(lxw_error error) const
    {
        throw AppError(
            QStringLiteral("Excelファイル '%1' を書き出せません（%2）")
                .arg(PathExcerpt(m_file), Excerpt(QString::fromUtf8(lxw_strerror(error)))));
    }

    QString m_file;
    lxw_workbook* m_book = nullptr;
    lxw_format* m_header = nullptr;
    lxw_format* m_date = nullptr;
    lxw_format* m_temperature = nullptr;
    QList<double> m_widths;
};

QString CsvField(const QString& text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

// A text a spreadsheet would take for a formula (=, +, -, @, or a tab or line end before one)
// starts with an apostrophe, as spreadsheets mark a typed text; numbers are ours and left as
// they are.
QString CsvText(const QString& text)
{
    if (!text.isEmpty() && QStringLiteral("=+-@\t\r").contains(text.at(0)))
        return QLatin1Char('\'') + text;
    return text;
}

} // namespace

int ExportData::ReadingCount() const
{
    int n = 0;
    for (const ExportCategory& c : categories)
        n += int(c.readings.size());
    return n;
}

QList<QPair<QString, QString>> ExportProjects()
{
    QList<QPair<QString, QString>> projects;
    for (const Store::TRegisterRow& row : Store::RegisterRows(Store::Register::Projects))
        projects.append({row.key, row.second});
    return projects;
}

QStringList ExportMixes(const QString& kojiCode)
{
    return Store::MixesOfProject(kojiCode);
}

ExportData LoadExport(const QString& kojiCode, const QString& mix)
{
    ExportData data;
    data.kojiCode = kojiCode;
    data.mix = mix;
    {
        Store::TRegisterRead project(Store::Register::Projects, kojiCode);
        project.Open();
        if (!project.Row())
            throw AppError(
                QStringLiteral("工事コード '%1' は登録されていません").arg(Excerpt(kojiCode)));
        data.kojimei = project.Row()->second;
    }
    Store::EachExportReading(kojiCode, mix, [&](const Store::TExportReadingRow& row) {
        if (data.categories.isEmpty() || data.categories.constLast().id != row.kubunId)
            data.categories.append({row.kubunId, row.kubunName, {}});
        ExportReading r;
        r.day = row.day;
        r.mix = row.gozaiName;
        r.label = row.sokuten;
        r.ondo = row.ondo;
        r.measurer = row.measurer;
        r.kikaku = TKikakuText::Parse(row.kikakuti).value;
        r.time = row.jikoku;
        r.truck = row.syaryo;
        r.remark = row.biko;
        r.simulated = row.mogi;
        data.categories.last().readings.append(r);
    });
    Store::EachExportDay(kojiCode, mix, [&](const Store::TExportDayRow& d) {
        data.days.append({d.day, d.gozaiName, d.kubunName, d.kosu, d.maxOndo, d.miniOndo, d.avgOndo,
                          d.measurer, d.tenki, d.kion, d.tekiyo, d.mogi});
    });
    if (data.categories.isEmpty() && data.days.isEmpty()) {
        if (mix.isEmpty())
            throw AppError(QStringLiteral("工事コード '%1' には書き出す記録がありません")
                               .arg(Excerpt(kojiCode)));
        throw AppError(QStringLiteral("工事コード '%1'、合材 '%2' には書き出す記録がありません")
                           .arg(Excerpt(kojiCode), Excerpt(mix)));
    }
    return data;
}

QString ExcelSheetName(const QString& wanted, const QStringList& taken)
{
    QString name = wanted.simplified();
    for (QChar& c : name) {
        if (QStringLiteral("[]:*?/\\").contains(c))
            c = QLatin1Char('_');
    }
    while (name.startsWith(QLatin1Char('\'')))
        name.remove(0, 1);
    while (name.endsWith(QLatin1Char('\'')))
        name.chop(1);
    if (name.isEmpty())
        name = QStringLiteral("区分");
    if (name.compare(QLatin1String("History"), Qt::CaseInsensitive) == 0)
        name += QStringLiteral("_");
    // Excel counts UTF-16 units; a surrogate pair is never cut in half.
    auto cut = [](const QString& text, int length) {
        if (text.size() <= length)
            return text;
        return text.left(text.at(length - 1).isHighSurrogate() ? length - 1 : length);
    };
    QSet<QString> used;
    for (const QString& t : taken)
        used.insert(t.toCaseFolded());
    QString result = cut(name, 31);
    for (int n = 2; used.contains(result.toCaseFolded()); ++n) {
        const QString suffix = QStringLiteral("(%1)").arg(n);
        result = cut(name, 31 - int(suffix.size())) + suffix;
    }
    return result;
}

void WriteXlsx(const ExportData& data, const QString& file)
{
    Workbook book(file);
    QStringList names{SummarySheet};
    lxw_worksheet* summary = book.AddSheet(SummarySheet, DayHeader);
    int row = 0;
    for (const ExportDay& d : data.days) {
        ++row;
        book.Date(summary, row, 0, d.day);
        book.Text(summary, row, 1, d.mix);
        book.Text(summary, row, 2, d.category);
        book.Number(summary, row, 3, d.count, false);
        book.Number(summary, row, 4, d.max, true);
        book.Number(summary, row, 5, d.min, true);
        book.Number(summary, row, 6, d.avg, true);
        book.Text(summary, row, 7, d.measurer);
        book.Text(summary, row, 8, d.weather);
        book.Text(summary, row, 9, d.airTemperature);
        book.Text(summary, row, 10, d.remark);
        book.Number(summary, row, 11, d.simulated ? 1 : 0, false);
    }
    book.FinishSheet(summary, row);
    for (const ExportCategory& category : data.categories) {
        const QString name = ExcelSheetName(CategoryLabel(category), names);
        names << name;
        lxw_worksheet* sheet = book.AddSheet(name, ReadingHeader);
        row = 0;
        for (const ExportReading& r : category.readings) {
            ++row;
            book.Date(sheet, row, 0, r.day);
            book.Text(sheet, row, 1, r.mix);
            book.Text(sheet, row, 2, r.label);
            book.Number(sheet, row, 3, r.ondo, true);
            book.Text(sheet, row, 4, r.measurer);
            book.Text(sheet, row, 5, ReadableRange(r.kikaku));
            book.Text(sheet, row, 6, r.time);
            book.Text(sheet, row, 7, r.truck);
            book.Text(sheet, row, 8, r.remark);
            book.Number(sheet, row, 9, r.simulated ? 1 : 0, false);
        }
        book.FinishSheet(sheet, row);
    }
    book.Close();
}

void WriteCsv(const ExportData& data, const QString& file)
{
    QString text =
        QStringLiteral("温度区分,") + ReadingHeader.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    for (const ExportCategory& category : data.categories) {
        for (const ExportReading& r : category.readings) {
            const QStringList fields{CsvText(CategoryLabel(category)),
                                     r.day.toString(QStringLiteral("yyyy/MM/dd")),
                                     CsvText(r.mix),
                                     CsvText(r.label),
                                     QString::number(r.ondo, 'g', QLocale::FloatingPointShortest),
                                     CsvText(r.measurer),
                                     CsvText(ReadableRange(r.kikaku)),
                                     CsvText(r.time),
                                     CsvText(r.truck),
                                     CsvText(r.remark),
                                     r.simulated ? QStringLiteral("1") : QStringLiteral("0")};
            QStringList quoted;
            for (const QString& f : fields)
                quoted << CsvField(f);
            text += quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
        }
    }
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        out.write(QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8()) < 0 || !out.flush())
        throw AppError(QStringLiteral("CSVファイル '%1' に書き込めません").arg(PathExcerpt(file)));
}

void RefuseExportTarget(const QString& file, ExportFormat format, const QStringList& dataFolders)
{
    if (file.isEmpty())
        throw AppError(QStringLiteral("出力ファイルを指定してください"));
    if (format == ExportFormat::Xlsx)
        RefuseOutput(file, dataFolders,
                     {QStringLiteral("Excelファイル"), QByteArrayLiteral("PK\x03\x04"), QString()});
    else
        RefuseOutput(file, dataFolders,
                     {QStringLiteral("CSVファイル"), QByteArray(), QStringLiteral("csv")});
}

ExportData ExportFile(const QString& file, ExportFormat format, const QString& kojiCode,
                      const QString& mix, const QStringList& dataFolders)
{
    RefuseExportTarget(file, format, dataFolders);
    const ExportData data = LoadExport(kojiCode, mix);
    WriteReplacing(file, [&](const QString& temporary) {
        if (format == ExportFormat::Xlsx)
            WriteXlsx(data, temporary);
        else
            WriteCsv(data, temporary);
    });
    return data;
}

QString ExportSummary(const ExportData& data)
{
    QSet<QDate> dates;
    for (const ExportDay& d : data.days)
        dates.insert(d.day.date());
    return QStringLiteral("書き出し: %1 日 %2 件").arg(dates.size()).arg(data.ReadingCount());
}
