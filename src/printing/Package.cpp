#include "printing/Package.h"

#include "core/AppError.h"
#include "core/Settings.h"
#include "exchange/Export.h"
#include "printing/PackageManifest.h"
#include "printing/PrintDocument.h"
#include "reports/Canvas.h"
#include "reports/CapabilitySheet.h"
#include "reports/ControlChart.h"
#include "reports/DataSheet.h"
#include "reports/JourneySheet.h"
#include "reports/PackageIndex.h"
#include "reports/PageSink.h"
#include "reports/Print.h"
#include "reports/ProfileSheet.h"
#include "reports/ReportLoader.h"
#include "reports/XbarChart.h"
#include "reports/XbarRChart.h"
#include "storage/Engine.h"
#include "storage/OutputFile.h"
#include "store/Days.h"
#include "store/Registers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>

namespace {

constexpr int Dpi = 600;

// One PDF file of A4 pages, each replayed into the file as soon as the next one starts.
class TPdfFile : public TPageSink
{
public:
    TPdfFile(const QString& file, const QString& title, bool landscape) : m_writer(file)
    {
        m_writer.setResolution(Dpi);
        // Archival PDF: fonts embedded, readable the same years later.
        m_writer.setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
        m_writer.setTitle(title);
        m_writer.setCreator(QStringLiteral("温度管理"));
        m_writer.setPageLayout(QPageLayout(
            QPageSize(QPageSize::A4), landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
            QMarginsF(0, 0, 0, 0)));
        if (!m_painter.begin(&m_writer))
            throw AppError(QStringLiteral("PDFファイル '%1' に書き込めません").arg(file));
        m_size = QSize(m_writer.width(), m_writer.height());
        Open();
    }
    ~TPdfFile() override
    {
        if (m_painter.isActive())
            m_painter.end();
    }
    TCanvas& PageCanvas() override { return *m_canvas; }
    void NewPage() override
    {
        Flush();
        m_writer.newPage();
        Open();
    }
    // The pages written.
    int Finish()
    {
        Flush();
        m_painter.end();
        return m_pages;
    }

private:
    void Open()
    {
        m_page = std::make_unique<TRecordedPage>(m_size);
        m_canvas = std::make_unique<TRecordingCanvas>(m_page.get(), Dpi, Dpi, DefaultTextMetrics());
        ++m_pages;
    }
    void Flush()
    {
        m_canvas.reset();
        if (m_page)
            m_page->ReplayAt(m_painter, QPointF(0, 0));
        m_page.reset();
    }

    QPdfWriter m_writer;
    QPainter m_painter;
    QSize m_size;
    std::unique_ptr<TRecordedPage> m_page;
    std::unique_ptr<TRecordingCanvas> m_canvas;
    int m_pages = 0;
};

// While the package is drawn, every page is an A4 sheet of 600 dots per inch without margins,
// whatever printer is selected.
class TPackageDevice
{
public:
    TPackageDevice() : m_old(SetPrintDevice([] { return TPrintDeviceCaps{Dpi, Dpi, 0, 0}; })) {}
    ~TPackageDevice() { SetPrintDevice(m_old); }
    TPackageDevice(const TPackageDevice&) = delete;
    TPackageDevice& operator=(const TPackageDevice&) = delete;

private:
    std::function<TPrintDeviceCaps()> m_old;
};

struct TCategory
{
    int id;
    QString name;
};

// What the package covers: the categories (in list order) with measured readings of each mix
// in the period, and the simulated days it leaves out.
struct TContents
{
    QList<QPair<QString, QList<TCategory>>> mixes;
    QList<TIndexLeftOut> simulated; // by day, mix and category
};

TContents Contents(const TPackageRequest& r)
{
    const Store::TPackageDays days = Store::PackageDays(r.kojiCode, r.from, r.to);
    QList<TCategory> categories;
    for (const Store::TCategoryRow& c : days.categories)
        categories.append({c.id, c.name});
    const auto place = [&](int id) {
        for (int i = 0; i < categories.size(); ++i)
            if (categories[i].id == id)
                return i;
        return -1;
    };
    TContents out;
    for (const auto& [mix, kubun] : days.measured) {
        if (out.mixes.isEmpty() || out.mixes.last().first != mix)
            out.mixes.append({mix, {}});
        const int at = place(kubun);
        if (at >= 0)
            out.mixes.last().second.append(categories[at]);
    }
    // Each mix's categories in the list's order.
    for (auto& mix : out.mixes)
        std::sort(
            mix.second.begin(), mix.second.end(),
            [&](const TCategory& a, const TCategory& b) { return place(a.id) < place(b.id); });

    for (const Store::TPackageDays::TSimulated& d : days.simulated) {
        const int at = place(d.kubunId);
        out.simulated.append(
            {days.printNames.value(d.gozaiName, d.gozaiName),
             at >= 0 ? categories[at].name : QStringLiteral("区分%1").arg(d.kubunId), d.day});
    }
    // By day, mix and category as the list orders them.
    std::stable_sort(out.simulated.begin(), out.simulated.end(),
                     [](const TIndexLeftOut& a, const TIndexLeftOut& b) { return a.day < b.day; });
    return out;
}

// The X chart's categories in the index: a long list by its count.
QString CategoriesText(const QStringList& names)
{
    return names.size() > 2 ? QStringLiteral("全%1区分").arg(names.size())
                            : names.join(QStringLiteral("・"));
}

void Widen(QDate& first, QDate& last, const QDate& day)
{
    if (!first.isValid() || day < first)
        first = day;
    if (!last.isValid() || day > last)
        last = day;
}

class TPackageWriter
{
public:
    TPackageWriter(const TPackageRequest& request, const QString& folder)
        : m_request(request), m_folder(folder), m_title(ReadTitleSettings())
    {
    }

    TIndexDocument index;
    QStringList skipped;
    QDate first, last; // of every document

    // A PDF named after the form, the subject and the document's period.
    template <class TDraw>
    void Pdf(TPrintForm form, const QString& subject, const TDocumentHead& doc, TIndexEntry entry,
             bool landscape, TDraw draw)
    {
        const QString name = DocumentName(form, m_request.kojiCode, subject, doc.first, doc.last) +
                             QStringLiteral(".pdf");
        const QString path = m_folder + QLatin1Char('/') + name;
        {
            TPdfFile file(path, QFileInfo(name).completeBaseName(), landscape);
            draw(file);
            entry.pages = file.Finish();
        }
        entry.file = name;
        entry.kind = FormName(form);
        entry.period = PeriodOf(doc);
        entry.sha256 = FileSha256(path);
        index.entries.append(entry);
        index.project = doc.project;
        index.font = doc.font;
        Widen(first, last, doc.first);
        Widen(first, last, doc.last);
    }

    // Measured days only: a simulated one is named in the index instead.
    TReportScope Scope(const QString& mix, QList<int> ids) const
    {
        TReportScope s;
        s.kojiCode = m_request.kojiCode;
        s.gozaiName = mix;
        s.kubunIds = std::move(ids);
        s.from = m_request.from;
        s.to = m_request.to;
        s.measuredOnly = true;
        return s;
    }

    const TTitleSettings& Title() const { return m_title; }

private:
    TPackageRequest m_request;
    QString m_folder;
    TTitleSettings m_title;
};

// The statistical documents of one mix and category that have the data they need.
void WriteStatistics(TPackageWriter& w, const QString& mix, const TCategory& c,
                     const TXbarRSettings& xbarR)
{
    const TStatDocument stat = LoadStatDocument(w.Scope(mix, {c.id}));
    if (stat.series.empty() || stat.series.front().days.empty())
        return;
    const TStatSeries& s = stat.series.front();
    const QString subject = mix + QLatin1Char('_') + c.name;
    const TIndexEntry entry{{}, {}, s.mixPrintName, c.name, {}, 0, {}};
    if (XbarStats(s, TBasePeriod()).limits.valid)
        w.Pdf(TPrintForm::XbarChart, subject, stat, entry, true,
              [&](TPageSink& sink) { DrawXbarChart(stat, sink, std::nullopt, TBasePeriod()); });
    else
        w.skipped << QStringLiteral("X̄-s管理図 %1 %2: 測定値が2個以上の日がありません")
                         .arg(s.mixPrintName, c.name);
    if (EnoughForXbarR(s, xbarR.size))
        w.Pdf(TPrintForm::XbarRChart, subject, stat, entry, true,
              [&](TPageSink& sink) { DrawXbarRChart(stat, sink, xbarR); });
    else
        w.skipped << QStringLiteral("x̄-R管理図 %1 %2: %3個そろう組がありません")
                         .arg(s.mixPrintName, c.name)
                         .arg(xbarR.size);
    size_t readings = 0;
    for (const TStatDay& d : s.days)
        readings += d.readings.size();
    if (!s.lowerLimit && !s.upperLimit)
        w.skipped
            << QStringLiteral("工程能力図 %1 %2: 規格値がありません").arg(s.mixPrintName, c.name);
    else if (readings < size_t(CapabilityMinimumReadings))
        w.skipped << QStringLiteral("工程能力図 %1 %2: 測定値が%3個に足りません")
                         .arg(s.mixPrintName, c.name)
                         .arg(CapabilityMinimumReadings);
    else
        w.Pdf(TPrintForm::Capability, subject, stat, entry, false,
              [&](TPageSink& sink) { DrawCapabilitySheet(stat, sink); });
}

// Every day of the mix with a timed reading, through all its categories.
void WriteJourney(TPackageWriter& w, const QString& mix)
{
    const TReportScope scope = w.Scope(mix, {});
    TJourneyDocument journey = LoadJourneyDocument(scope);
    journey.days.erase(std::remove_if(journey.days.begin(), journey.days.end(),
                                      [](const TJourneyDay& d) { return !HasTimes(d); }),
                       journey.days.end());
    if (journey.days.isEmpty()) {
        w.skipped << QStringLiteral("温度低下記録 %1: 時刻のある日がありません")
                         .arg(journey.mixPrintName);
        return;
    }
    // An open period ends at the days it holds.
    if (!scope.from.isValid())
        journey.first = journey.days.first().day;
    if (!scope.to.isValid())
        journey.last = journey.days.last().day;
    w.Pdf(TPrintForm::Journey, mix, journey,
          TIndexEntry{{}, {}, journey.mixPrintName, QStringLiteral("全区分"), {}, 0, {}}, true,
          [&](TPageSink& sink) { DrawJourneySheet(journey, sink); });
}

// Each day of the period the paver's scanner was imported for: its 敷均し温度分布, a file a day.
void WriteProfiles(TPackageWriter& w, const QString& mix)
{
    const TReportScope scope = w.Scope(mix, {});
    for (const QDate& day : Store::ProfileDays(scope.kojiCode, mix)) {
        if ((scope.from.isValid() && day < scope.from) || (scope.to.isValid() && day > scope.to))
            continue;
        const TProfileDocument profile = LoadProfileDocument(scope.kojiCode, mix, day);
        TDocumentHead head;
        head.kojiCode = scope.kojiCode;
        head.project = profile.kojiCode + QLatin1Char(' ') + profile.kojiName;
        head.font = profile.font;
        head.title = profile.title;
        head.first = head.last = day;
        w.Pdf(TPrintForm::Profile, mix + QLatin1Char('_') + day.toString(Qt::ISODate), head,
              TIndexEntry{{}, {}, profile.printName, QStringLiteral("敷均し温度"), {}, 0, {}}, true,
              [&](TPageSink& sink) { DrawProfileSheet(profile, sink); });
    }
}

void WriteAll(TPackageWriter& w, const TPackageRequest& request, const QString& folder)
{
    const TContents found = Contents(request);
    const auto& contents = found.mixes;
    if (contents.isEmpty())
        throw AppError(QStringLiteral("工事コード '%1' には対象期間の測定値がありません")
                           .arg(request.kojiCode));
    w.index.simulated = found.simulated;

    // Per mix: the record table and the statistics of each category, the X chart of them all,
    // the journey through them.
    const TXbarRSettings xbarR = ReadXbarRSettings();
    for (const auto& [mix, categories] : contents) {
        QList<int> ids;
        QStringList names;
        for (const TCategory& c : categories) {
            ids << c.id;
            names << c.name;
            const TSheetDocument sheet = LoadSheetDocument(w.Scope(mix, {c.id}));
            if (sheet.categories.front().days.empty())
                continue;
            const TSheetDay& some = sheet.categories.front().days.front();
            w.Pdf(TPrintForm::DataSheet, mix + QLatin1Char('_') + c.name, sheet,
                  TIndexEntry{{}, {}, some.mixPrintName, c.name, {}, 0, {}}, false,
                  [&](TPageSink& sink) { DrawDataSheet(sheet, sink); });
        }
        const TChartDocument chart = LoadChartDocument(w.Scope(mix, ids));
        if (!chart.mixes.empty() && !chart.mixes.front().days.isEmpty()) {
            const TChartMix& m = chart.mixes.front();
            double low = 0, high = 0;
            AutomaticChartRange(chart, low, high);
            w.Pdf(TPrintForm::ControlChart, mix, chart,
                  TIndexEntry{{}, {}, m.printName, CategoriesText(names), {}, 0, {}}, true,
                  [&](TPageSink& sink) { DrawControlChart(chart, sink, low, high); });
        }
        for (const TCategory& c : categories)
            WriteStatistics(w, mix, c, xbarR);
        if (categories.size() >= 2)
            WriteJourney(w, mix);
        WriteProfiles(w, mix);
    }

    // The readings, one row each, as the export writes them.
    ExportData data = LoadExport(request.kojiCode);
    const auto inPeriod = [&](const QDateTime& day) {
        return (!request.from.isValid() || day.date() >= request.from) &&
               (!request.to.isValid() || day.date() <= request.to);
    };
    for (ExportCategory& c : data.categories)
        c.readings.erase(std::remove_if(c.readings.begin(), c.readings.end(),
                                        [&](const ExportReading& r) { return !inPeriod(r.day); }),
                         c.readings.end());
    const QDate whole1 = request.from.isValid() ? request.from : w.first;
    const QDate whole2 = request.to.isValid() ? request.to : w.last;
    const QString csv =
        DocumentName(QStringLiteral("測定値"), request.kojiCode, QString(), whole1, whole2) +
        QStringLiteral(".csv");
    WriteCsv(data, folder + QLatin1Char('/') + csv);
    w.index.entries.append(TIndexEntry{csv, QStringLiteral("測定値（CSV）"),
                                       QStringLiteral("全合材"), QStringLiteral("全区分"),
                                       PeriodOf(whole1, whole2, w.Title().wareki), 0,
                                       FileSha256(folder + QLatin1Char('/') + csv)});

    w.index.period = PeriodOf(whole1, whole2, w.Title().wareki);
    w.index.title = w.Title();
    w.index.notes = w.skipped;
    w.index.manifest = ManifestName();
    // The CSV index lists the documents with their hashes; the PDF index those and the CSV
    // index; the manifest every file.
    const QString indexCsv = QStringLiteral("00_目録.csv");
    const QString indexPdf = QStringLiteral("00_目録.pdf");
    QFile out(folder + QLatin1Char('/') + indexCsv);
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(QByteArrayLiteral("\xEF\xBB\xBF") + IndexCsv(w.index).toUtf8()) < 0)
        throw AppError(QStringLiteral("ファイル '%1' に書き込めません").arg(out.fileName()));
    out.close();
    QList<TManifestEntry> manifest;
    for (const TIndexEntry& e : w.index.entries)
        manifest.append({e.file, e.sha256});
    manifest.append({indexCsv, FileSha256(out.fileName())});
    for (const TManifestEntry& m : manifest)
        w.index.hashes.append({m.file, m.sha256});
    {
        TPdfFile file(folder + QLatin1Char('/') + indexPdf, QStringLiteral("提出書類目録"), false);
        DrawPackageIndex(w.index, file);
        file.Finish();
    }
    manifest.prepend({indexPdf, FileSha256(folder + QLatin1Char('/') + indexPdf)});
    WriteManifest(folder, manifest);
}

} // namespace

TPackageResult WritePackage(const TPackageRequest& request, const QStringList& guarded)
{
    if (request.folder.trimmed().isEmpty())
        throw AppError(QStringLiteral("出力先のフォルダを指定してください"));
    const QString folder = QDir::cleanPath(QFileInfo(request.folder).absoluteFilePath());
    RefuseOutput(folder + QStringLiteral("/00_目録.pdf"), guarded,
                 {QStringLiteral("PDF"), QByteArrayLiteral("%PDF-"), QString()});
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        throw AppError(QStringLiteral("'%1' はフォルダではありません").arg(folder));
    if (info.exists() &&
        !QDir(folder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        throw AppError(QStringLiteral("出力先フォルダ '%1' は空ではありません").arg(folder));
    if (!Store::ProjectRegistered(request.kojiCode))
        throw AppError(
            QStringLiteral("工事コード '%1' は登録されていません").arg(request.kojiCode));
    const QString parent = QFileInfo(folder).absolutePath();
    if (!QDir().mkpath(parent))
        throw AppError(QStringLiteral("フォルダ '%1' を作成できません").arg(parent));
    QTemporaryDir work(parent + QStringLiteral("/.ondokanri-package-XXXXXX"));
    if (!work.isValid())
        throw AppError(QStringLiteral("フォルダ '%1' に書き込めません").arg(parent));

    TPackageResult result;
    {
        const TPackageDevice device;
        TPackageWriter writer(request, work.path());
        WriteAll(writer, request, work.path());
        result.skipped = writer.skipped;
        for (const TIndexLeftOut& day : writer.index.simulated)
            result.simulated << LeftOutText(writer.index, day);
        result.files << QStringLiteral("00_目録.pdf") << QStringLiteral("00_目録.csv")
                     << ManifestName();
        for (const TIndexEntry& e : writer.index.entries)
            result.files << e.file;
    }
    if (info.exists())
        QDir().rmdir(folder);
    if (!QDir().rename(work.path(), folder))
        throw AppError(QStringLiteral("フォルダ '%1' を作成できません").arg(folder));
    work.setAutoRemove(false);
    // A temporary folder is the owner's alone; the package is for passing on.
    QFile::setPermissions(folder, QFile::permissions(parent));
    result.folder = folder;
    return result;
}

QString PackageSummary(const TPackageResult& result)
{
    QString text = QStringLiteral("提出用一式: %1 ファイルを %2 に書き出しました")
                       .arg(result.files.size())
                       .arg(QDir::toNativeSeparators(result.folder));
    if (!result.skipped.isEmpty())
        text += QStringLiteral("（データ不足で省略: %1 件）").arg(result.skipped.size());
    if (!result.simulated.isEmpty())
        text += QStringLiteral("（模擬値のため除外: %1 日）").arg(result.simulated.size());
    return text;
}
