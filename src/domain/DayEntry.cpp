#include "domain/DayEntry.h"

#include "core/KikakuText.h"
#include "core/Settings.h"
#include "core/Utility.h"
#include "domain/Temperature.h"

#include <algorithm>

namespace {

// "8:5", "0805", "805" and "８：０５" read as "08:05"; anything else stays as typed, to be
// refused when registered.
QString normalTime(const QString& typed)
{
    const QString t = AsciiTyped(typed).trimmed();
    int hour = -1, minute = -1;
    const int colon = t.indexOf(QLatin1Char(':'));
    bool okH = false, okM = false;
    if (colon > 0) {
        hour = t.left(colon).toInt(&okH);
        minute = t.mid(colon + 1).toInt(&okM);
    } else if (t.size() == 3 || t.size() == 4) {
        hour = t.left(t.size() - 2).toInt(&okH);
        minute = t.right(2).toInt(&okM);
    }
    if (!okH || !okM || hour < 0 || hour > 23 || minute < 0 || minute > 59)
        return t;
    return QStringLiteral("%1:%2")
        .arg(hour, 2, 10, QLatin1Char('0'))
        .arg(minute, 2, 10, QLatin1Char('0'));
}

QString typedDay(const TDayHeader& h)
{
    return AsciiTyped(h.dayText);
}

} // namespace

TDayEntry::TDayEntry(QObject* parent)
    : QObject(parent), m_rows(MaxRows), m_outside(MaxRows + 1, false), m_unchangedRows(MaxRows)
{
}

TDayEntry::~TDayEntry() = default;

void TDayEntry::Start()
{
    TOndoKanri::CreateTables();
    Reset();
}

// ---- the header as typed ----

void TDayEntry::SetKojiCode(const QString& text)
{
    m_header.kojiCode = text;
    refreshShownId();
}

void TDayEntry::SetKojiName(const QString& text)
{
    m_header.kojiName = text;
}

void TDayEntry::SetGozaiName(const QString& text)
{
    m_header.gozaiName = text;
    refreshShownId();
}

void TDayEntry::SetPrintName(const QString& text)
{
    m_header.printName = text;
}

void TDayEntry::SetDayText(const QString& text)
{
    m_header.dayText = text;
}

void TDayEntry::SetKubunName(const QString& text)
{
    m_header.kubunName = text;
    refreshShownId();
}

void TDayEntry::SetSimei(const QString& text)
{
    m_header.simei = text;
    edited();
}

void TDayEntry::SetSpecValue(const QString& text)
{
    m_header.specValue = text;
    edited();
    calcStatistics();
}

void TDayEntry::SetWeather(const QString& text)
{
    m_header.weather = text;
    edited();
}

void TDayEntry::SetAirTemperature(const QString& text)
{
    m_header.airTemperature = text;
    edited();
}

void TDayEntry::SetRemark(const QString& text)
{
    m_header.remark = text;
    edited();
}

// ---- readings ----

QString TDayEntry::Cell(int lno, int column) const
{
    if (lno < 1 || lno > m_rows.size())
        return QString();
    const TTypedReading& row = m_rows.at(lno - 1);
    switch (column) {
    case LabelColumn:
        return row.label;
    case TemperatureColumn:
        return row.temperature;
    case TimeColumn:
        return row.time;
    case TruckColumn:
        return row.truck;
    case RemarkColumn:
        return row.remark;
    default:
        return QString();
    }
}

void TDayEntry::setCellQuietly(int lno, int column, const QString& text)
{
    if (lno < 1 || lno > m_rows.size())
        return;
    TTypedReading& row = m_rows[lno - 1];
    switch (column) {
    case LabelColumn:
        row.label = text;
        break;
    case TemperatureColumn:
        row.temperature = NormalTemperatureText(text);
        break;
    case TimeColumn:
        row.time = normalTime(text);
        break;
    case TruckColumn:
        row.truck = text.trimmed();
        break;
    case RemarkColumn:
        row.remark = text;
        break;
    default:
        break;
    }
}

void TDayEntry::SetCell(int lno, int column, const QString& text)
{
    if (lno < 1 || lno > MaxRows)
        return;
    const QVector<TTypedReading> before = m_rows;
    const bool simulatedBefore = m_simulated;
    setCellQuietly(lno, column, text);
    TTypedReading& row = m_rows[lno - 1];
    // A temperature typed in a row without a label is a reading all the same.
    if (column == TemperatureColumn && !row.temperature.isEmpty()) {
        if (row.label.isEmpty())
            row.label = QString::number(lno);
        if (row.time.isEmpty() && shownKubun().StampsTime)
            row.time = Now().toString(QStringLiteral("HH:mm"));
    }
    edited();
    Q_EMIT cellsChanged(lno, lno);
    updateRowCount();
    calcStatistics();
    pushRows(QStringLiteral("%1 行目の入力").arg(lno), before, simulatedBefore);
    if (column == TemperatureColumn) {
        const QString refusal = Refusal(lno);
        if (!refusal.isEmpty())
            Q_EMIT temperatureRefused(lno, refusal);
    }
}

void TDayEntry::ClearCells(const QList<QPair<int, int>>& cells)
{
    if (cells.isEmpty())
        return;
    const QVector<TTypedReading> before = m_rows;
    const bool simulatedBefore = m_simulated;
    int first = MaxRows, last = 1;
    for (const auto& c : cells) {
        setCellQuietly(c.first, c.second, QString());
        first = qMin(first, c.first);
        last = qMax(last, c.first);
    }
    edited();
    Q_EMIT cellsChanged(first, last);
    updateRowCount();
    calcStatistics();
    pushRows(QStringLiteral("削除"), before, simulatedBefore);
}

int TDayEntry::Paste(const QString& text, int firstLno, int firstColumn)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (lines.isEmpty())
        return 0;
    firstLno = qMax(1, firstLno);
    firstColumn = qMax(0, firstColumn);
    const int taken = qMax(0, qMin(int(lines.size()), MaxRows - firstLno + 1));
    const QVector<TTypedReading> before = m_rows;
    const bool simulatedBefore = m_simulated;
    for (int i = 0; i < taken; ++i) {
        const int lno = firstLno + i;
        const QStringList cells = lines[i].split(QLatin1Char('\t'));
        for (int j = 0; j < cells.size() && firstColumn + j < ColumnCount; ++j)
            setCellQuietly(lno, firstColumn + j, cells[j]);
        // Temperatures pasted alone become readings: their rows get their numbers.
        if (firstColumn == TemperatureColumn && Cell(lno, LabelColumn).isEmpty())
            setCellQuietly(lno, LabelColumn, QString::number(lno));
    }
    edited();
    Q_EMIT cellsChanged(firstLno, firstLno + taken - 1);
    updateRowCount();
    calcStatistics();
    pushRows(QStringLiteral("貼り付け"), before, simulatedBefore);
    for (int lno = firstLno; lno < firstLno + taken; ++lno) {
        const QString refusal = Refusal(lno);
        if (!refusal.isEmpty()) {
            Q_EMIT temperatureRefused(lno, refusal);
            break;
        }
    }
    const int leftOut = int(lines.size()) - taken;
    if (leftOut > 0 && Inform)
        Inform(QStringLiteral("貼り付けは %1 行目までです。残りの %2 行は取り込みませんでした。")
                   .arg(MaxRows)
                   .arg(leftOut));
    return leftOut;
}

QString TDayEntry::CopyText(int topLno, int leftColumn, int bottomLno, int rightColumn) const
{
    QStringList lines;
    for (int lno = topLno; lno <= bottomLno; ++lno) {
        QStringList cells;
        for (int c = leftColumn; c <= rightColumn; ++c)
            cells << Cell(lno, c);
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.isEmpty() ? QString() : lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QList<Reading> TDayEntry::Readings() const
{
    // A row is a reading when it has a label and a temperature the rule takes; a refused one
    // stays typed, for the user to correct, and counts for nothing.
    QList<Reading> readings;
    for (int lno = 1; lno <= m_rows.size(); ++lno) {
        const TTypedReading& row = m_rows.at(lno - 1);
        if (row.label.isEmpty() || row.temperature.isEmpty())
            continue;
        const TTemperature t = ReadTemperature(row.temperature);
        if (t.IsValid())
            readings << Reading{lno, row.label, t.value, row.time, row.truck, row.remark};
    }
    return readings;
}

QString TDayEntry::Refusal(int lno) const
{
    if (lno < 1 || lno > m_rows.size() || m_rows.at(lno - 1).temperature.isEmpty())
        return QString();
    return ReadTemperature(m_rows.at(lno - 1).temperature).refusal;
}

int TDayEntry::FirstRefused() const
{
    for (int lno = 1; lno <= m_rows.size(); ++lno) {
        if (!Refusal(lno).isEmpty())
            return lno;
    }
    return 0;
}

double TDayEntry::AverageAt(int decimals) const
{
    QList<double> values;
    for (const Reading& r : Readings())
        values << r.Ondo;
    return RoundedMean(values, decimals, TSettings::Rounding());
}

bool TDayEntry::IsOutside(int lno) const
{
    return lno >= 1 && lno < m_outside.size() && m_outside.at(lno);
}

void TDayEntry::calcStatistics()
{
    const QList<Reading> readings = Readings();
    m_statistics = StatisticsOf(readings);
    if (readings.isEmpty())
        m_simulated = false; // nothing left of what was simulated
    const TKikakuBounds kikaku = TKikakuText::OfValue(TypedRange(m_header.specValue)).Bounds();
    m_hasSpec = kikaku.any;
    m_outside.fill(false);
    m_outsideCount = 0;
    for (const Reading& r : readings) {
        if (kikaku.IsOutside(r.Ondo)) {
            m_outside[r.LNO] = true;
            ++m_outsideCount;
        }
    }
    Q_EMIT statisticsChanged();
}

void TDayEntry::clearRows()
{
    std::fill(m_rows.begin(), m_rows.end(), TTypedReading());
}

void TDayEntry::edited()
{
    // Once changed, the day stays changed until shown or registered again, even typed back.
    const TDayHeader& a = m_header;
    const TDayHeader& b = m_unchangedHeader;
    if (!m_showing && !m_modified &&
        (a.simei != b.simei || a.specValue != b.specValue || a.weather != b.weather ||
         a.airTemperature != b.airTemperature || a.remark != b.remark || m_rows != m_unchangedRows))
        setModified(true);
}

void TDayEntry::setModified(bool modified)
{
    if (!modified) {
        m_unchangedHeader = m_header;
        m_unchangedRows = m_rows;
    }
    if (m_modified == modified)
        return;
    m_modified = modified;
    Q_EMIT modifiedChanged(modified);
}

namespace {

// A change of the readings kept as the rows before and after it.
class TRowsChange : public QUndoCommand
{
public:
    using Apply = std::function<void(const QVector<TTypedReading>&, bool)>;
    TRowsChange(const QString& text, QVector<TTypedReading> before, bool simulatedBefore,
                QVector<TTypedReading> after, bool simulatedAfter, Apply apply)
        : QUndoCommand(text), m_before(std::move(before)), m_after(std::move(after)),
          m_simulatedBefore(simulatedBefore), m_simulatedAfter(simulatedAfter),
          m_apply(std::move(apply))
    {
    }
    void undo() override { m_apply(m_before, m_simulatedBefore); }
    void redo() override
    {
        // Pushed after the change was made.
        if (m_done)
            m_apply(m_after, m_simulatedAfter);
        m_done = true;
    }

private:
    QVector<TTypedReading> m_before, m_after;
    bool m_simulatedBefore, m_simulatedAfter;
    Apply m_apply;
    bool m_done = false;
};

} // namespace

void TDayEntry::pushRows(const QString& what, const QVector<TTypedReading>& before,
                         bool simulatedBefore)
{
    if (before == m_rows && simulatedBefore == m_simulated)
        return;
    m_undo.push(new TRowsChange(what, before, simulatedBefore, m_rows, m_simulated,
                                [this](const QVector<TTypedReading>& rows, bool simulated) {
                                    restoreRows(rows, simulated);
                                }));
}

void TDayEntry::restoreRows(const QVector<TTypedReading>& rows, bool simulated)
{
    m_rows = rows;
    edited();
    Q_EMIT cellsChanged(1, MaxRows);
    updateRowCount();
    calcStatistics();
    m_simulated = simulated && m_statistics.count > 0;
}

void TDayEntry::updateRowCount()
{
    int last = 0;
    for (int lno = MaxRows; lno >= 1 && last == 0; --lno)
        if (!m_rows.at(lno - 1).IsEmpty())
            last = lno;
    const int rows = qBound(int(ShownRows), last + 1, int(MaxRows));
    if (rows != m_rowCount) {
        m_rowCount = rows;
        Q_EMIT rowCountChanged(rows);
    }
}

// ---- record and screen ----

void TDayEntry::showRecord()
{
    m_showing = true;
    const TOndoKanri& r = m_record;
    m_header.kojiCode = r.Koji.Code();
    m_header.kojiName = r.Koji.Kojimei();
    m_header.gozaiName = r.Gozai.DataName();
    m_header.printName = r.Gozai.PrintName();
    m_header.kubunName = r.Kubun.KubunName;
    m_header.simei = r.DaySimei.isEmpty() ? r.Simei.Simei() : r.DaySimei;
    m_header.specValue = RangeForPeople(r.SpecValue);
    m_header.specRange = RangeForPeople(r.SpecRange);
    m_header.interval = r.Kubun.SokuteiKankaku;
    m_header.dayText = FormatDate(r.Hiduke);
    m_header.weather = r.Tenki;
    m_header.airTemperature = r.Kion;
    m_header.remark = r.Tekiyo;

    clearRows();
    const QList<Reading> readings =
        TOndoKanri::ReadDay(r.Koji.Code(), r.Kubun.ID, r.Hiduke, r.Gozai.DataName());
    for (const Reading& reading : readings) {
        if (reading.LNO < 1 || reading.LNO > MaxRows)
            continue;
        TTypedReading& row = m_rows[reading.LNO - 1];
        row.label = reading.Sokuten;
        // As stored: registering what is shown never changes a reading.
        row.temperature = FormatGeneral(reading.Ondo);
        row.time = reading.Jikoku;
        row.truck = reading.Syaryo;
        row.remark = reading.Biko;
    }
    m_record.RememberDay(readings);
    m_simulated = r.Mogi && !readings.isEmpty();
    m_undo.clear();
    m_loaded = m_header;
    m_showing = false;
    setModified(false);
    Q_EMIT headerChanged();
    Q_EMIT cellsChanged(1, MaxRows);
    updateRowCount();
    refreshShownId();
    calcStatistics();
}

TRecordLookups::TRecordLookups(const TDayHeader& header)
    : koji(Store::Register::Projects, header.kojiCode),
      gozai(Store::Register::Mixes, header.gozaiName), kubun(header.kubunName),
      simei(Store::Register::Names, header.simei), m_header(header)
{
}

void TRecordLookups::Open(const std::vector<Store::TRead*>& more)
{
    std::vector<Store::TRead*> all{&koji, &gozai, &kubun, &simei};
    all.insert(all.end(), more.begin(), more.end());
    Store::OpenTogether(all);
}

TOndoKubun TRecordLookups::Kubun() const
{
    TOndoKubun k;
    k.TakeLoadByName(kubun, m_header.kubunName);
    return k;
}

void TDayEntry::readRecordInto(TOndoKanri& record) const
{
    TRecordLookups lookups(m_header);
    lookups.Open();
    fillRecord(record, lookups);
}

void TDayEntry::fillRecord(TOndoKanri& record, const TRecordLookups& lookups) const
{
    record.Koji.TakeLoad(lookups.koji, m_header.kojiCode);
    record.Gozai.TakeLoad(lookups.gozai, m_header.gozaiName);
    record.Hiduke = ParseDate(typedDay(m_header));
    record.Kubun = lookups.Kubun();
    record.Simei.TakeLoad(lookups.simei, m_header.simei);
    record.DaySimei = m_header.simei;
    record.Tenki = m_header.weather;
    record.Kion = AsciiTyped(m_header.airTemperature).trimmed();
    record.Mogi = m_simulated;
    record.SpecValue = TypedRange(m_header.specValue);
    record.SpecRange = TypedRange(m_header.specRange);
    record.SpecInterval = m_header.interval;
    record.Tekiyo = m_header.remark;
    const DayStatistics day = StatisticsOf(Readings());
    record.MaxOndo = day.maximum;
    record.MiniOndo = day.minimum;
    record.AvgOndo = day.average;
    record.Kosu = day.count;
}

TOndoKanri TDayEntry::RecordAsShown() const
{
    TOndoKanri record;
    readRecordInto(record);
    return record;
}

TOndoKanri& TDayEntry::ReadRecord()
{
    readRecordInto(m_record);
    return m_record;
}

TOndoKubun TDayEntry::shownKubun() const
{
    if (m_record.Kubun.ID >= 0 && m_record.Kubun.KubunName == m_header.kubunName)
        return m_record.Kubun;
    // Asked at every typed temperature: a distant server would make each Enter wait.
    if (!m_kubunAsked || m_askedKubun.KubunName != m_header.kubunName) {
        m_askedKubun.LoadByName(m_header.kubunName);
        m_askedKubun.KubunName = m_header.kubunName;
        m_kubunAsked = true;
    }
    return m_askedKubun;
}

void TDayEntry::refreshShownId()
{
    if (m_showing)
        return;
    const int id =
        TOndoKanri::FindHeader(m_header.kojiCode, m_header.gozaiName, m_header.kubunName);
    if (id != m_shownId) {
        m_shownId = id;
        Q_EMIT shownIdChanged(id);
    }
}
