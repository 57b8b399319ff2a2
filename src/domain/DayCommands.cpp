#include "core/AppError.h"
#include "core/Utility.h"
#include "domain/ChosenEntry.h"
#include "domain/DayEntry.h"
#include "storage/Engine.h"
#include "storage/Query.h"

#include <algorithm>
#include <cmath>

namespace {

QString typedDay(const TDayHeader& h)
{
    return AsciiTyped(h.dayText);
}

// "%1.0n": no decimals, thousands separated.
QString formatWithThousands(double value)
{
    QString digits = FormatFixed(value, 0);
    const bool negative = digits.startsWith(QLatin1Char('-'));
    if (negative)
        digits.remove(0, 1);
    for (int i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return negative ? QLatin1Char('-') + digits : digits;
}

} // namespace

// ---- commands ----

void TDayEntry::TakeProject(const QString& code)
{
    m_record.Koji.Load(code);
    m_header.kojiCode = m_record.Koji.Code();
    m_header.kojiName = m_record.Koji.Kojimei();
    Q_EMIT headerChanged();
    refreshShownId();
}

void TDayEntry::TakeGozai(const QString& name)
{
    if (TakeChosenGozai(m_record, m_header.kojiCode, name)) {
        showRecord();
        return;
    }
    m_header.gozaiName = m_record.Gozai.DataName();
    m_header.printName = m_record.Gozai.PrintName();
    Q_EMIT headerChanged();
    refreshShownId();
}

void TDayEntry::TakeSimei(const QString& name)
{
    m_record.Simei.Load(name);
    m_header.simei = m_record.Simei.Simei();
    edited();
    Q_EMIT headerChanged();
}

void TDayEntry::ChooseDay()
{
    readRecordInto(m_record);
    m_record.LoadByDate();
    showRecord();
}

void TDayEntry::ChooseKubun()
{
    TOndoKubun& kubun = m_record.Kubun;
    kubun.LoadByName(m_header.kubunName);
    m_header.interval = kubun.SokuteiKankaku;

    const int id = TOndoKanri::FindHeader(m_header.kojiCode, m_header.gozaiName, kubun.ID);
    if (id == 0) {
        clearRows();
        const QString typed = typedDay(m_header);
        m_record.RememberDay(m_header.kojiCode, m_header.gozaiName, kubun.ID,
                             IsDate(typed) ? ParseDate(typed) : DayZero());
        m_record.ID = 0;
        m_modified = false;
        Q_EMIT headerChanged();
        Q_EMIT cellsChanged(1, RowCount);
        refreshShownId();
        calcStatistics();
        return;
    }
    // The day in the date box: its stored readings, or a new day of this header.
    const QString typedText = m_header.dayText;
    const bool isDay = IsDate(AsciiTyped(typedText));
    m_record.LoadByID(id);
    m_record.Hiduke = isDay ? ParseDate(AsciiTyped(typedText)) : DayZero();
    if (isDay && TOndoKanri::HasDay(id, m_record.Hiduke)) {
        m_record.LoadByDate();
    } else {
        m_record.Kosu = 0;
        m_record.MaxOndo = m_record.MiniOndo = m_record.AvgOndo = 0.0;
        m_record.Tekiyo.clear();
    }
    showRecord();
    if (!isDay) {
        m_header.dayText = typedText;
        Q_EMIT headerChanged();
    }
}

void TDayEntry::RefreshKubun()
{
    TOndoKubun& kubun = m_record.Kubun;
    TOndoKubun fresh;
    // The category on screen keeps its identifier through a rename.
    if (kubun.ID >= 0 && kubun.KubunName == m_header.kubunName)
        fresh.LoadByID(kubun.ID);
    if (fresh.ID < 0)
        fresh.LoadByName(m_header.kubunName);
    if (fresh.ID >= 0) {
        kubun = fresh;
        m_header.kubunName = kubun.KubunName;
    } else {
        kubun.ID = -1;
        kubun.OndoRange.clear();
    }
    m_header.interval = kubun.SokuteiKankaku;
    Q_EMIT headerChanged();
    Q_EMIT kubunsChanged();
    refreshShownId();
}

bool TDayEntry::DataOnServer()
{
    return Engine::IsServer();
}

void TDayEntry::NumberRows(const QString& countText)
{
    clearRows();
    const int n = qMin(ParseWhole(AsciiTyped(countText)), int(RowCount));
    for (int lno = 1; lno <= n; ++lno)
        m_rows[lno - 1].label = QString::number(lno);
    edited();
    Q_EMIT cellsChanged(1, RowCount);
    calcStatistics();
}

void TDayEntry::Simulate()
{
    const TOndoKubun& kubun = m_record.Kubun;
    const double low = RangeLow(kubun.OndoRange);
    const double high = RangeHigh(kubun.OndoRange);
    if (std::fabs(low) >= RangeUnbounded || std::fabs(high) >= RangeUnbounded)
        throw AppError(QStringLiteral("区分「%1」に温度範囲がありません。"
                                      "150_160 のように下限と上限を温度区分に登録してください。")
                           .arg(kubun.KubunName));
    for (TEntryRow& row : m_rows) {
        if (row.label.isEmpty())
            continue;
        const float v = static_cast<float>(RandomInRange(kubun.OndoRange));
        row.temperature = formatWithThousands(v);
    }
    edited();
    Q_EMIT cellsChanged(1, RowCount);
    calcStatistics();
}

void TDayEntry::checkBeforeRegister()
{
    if (!IsDate(typedDay(m_header)))
        throw AppError(QStringLiteral("試験日が正しくありません"));
    if (m_header.kojiCode.trimmed().isEmpty())
        throw AppError(QStringLiteral("工事コードが入力されていません"));
    if (m_header.gozaiName.trimmed().isEmpty())
        throw AppError(QStringLiteral("合材名が入力されていません"));
    if (m_header.kubunName.trimmed().isEmpty())
        throw AppError(QStringLiteral("区分名が入力されていません"));
    TOndoKubun kubun;
    kubun.LoadByName(m_header.kubunName);
    if (kubun.ID < 0)
        throw AppError(
            QStringLiteral("区分名「%1」は温度区分に登録されていません").arg(m_header.kubunName));
    for (int lno = 1; lno <= m_rows.size(); ++lno) {
        const TEntryRow& row = m_rows.at(lno - 1);
        if (row.label.isEmpty() || row.temperature.isEmpty())
            continue;
        if (!std::any_of(row.temperature.begin(), row.temperature.end(),
                         [](QChar c) { return c.isDigit(); }))
            throw AppError(QStringLiteral("%1 行目の温度「%2」は数値ではありません")
                               .arg(lno)
                               .arg(row.temperature));
    }
    if (Readings().isEmpty())
        throw AppError(QStringLiteral("温度が入力されていません"));
    const QString kikaku = TypedRange(m_header.specValue);
    if (!kikaku.isEmpty() && !IsRangeText(kikaku))
        throw AppError(QStringLiteral("規格値は 150_160 のように入力してください"));
    if (m_header.specValue != kikaku) {
        m_header.specValue = kikaku;
        Q_EMIT headerChanged();
    }
}

bool TDayEntry::projectRegisteredOrAdded()
{
    const QString code = m_header.kojiCode;
    Query q(QStringLiteral("select Code from Koji1 where Code = :A"));
    q.BindText(QStringLiteral("A"), code);
    q.Open();
    if (!q.Eof())
        return true;
    const QString name = m_header.kojiName;
    const QString question = name.isEmpty()
                                 ? QStringLiteral("工事コード「%1」は工事に登録されていません。"
                                                  "登録してから記録を登録しますか？")
                                       .arg(code)
                                 : QStringLiteral("工事コード「%1」は工事に登録されていません。"
                                                  "工事名「%2」で登録してから記録を登録しますか？")
                                       .arg(code, name);
    if (!confirm(question, true))
        return false;
    TKoji koji;
    koji.Code() = code;
    koji.Kojimei() = name;
    koji.Save();
    return true;
}

bool TDayEntry::Register()
{
    checkBeforeRegister();
    if (!projectRegisteredOrAdded())
        return false;
    readRecordInto(m_record);
    const bool stored = m_record.Register(Readings(), [this] {
        return confirm(QStringLiteral("この試験日は他の利用者が変更しています。上書きしますか？"));
    });
    if (!stored) {
        // Theirs was kept: show it.
        m_record.LoadByDate();
        showRecord();
        return false;
    }
    m_modified = false;
    refreshShownId();
    return true;
}

void TDayEntry::OpenRecord(int id)
{
    m_record.LoadByID(id);
    showRecord();
}

void TDayEntry::New()
{
    m_record.Clear();
    showRecord();
}

void TDayEntry::ShowDay(const QString& kojiCode, const QString& gozaiName, const QString& kubunName,
                        const QDateTime& day)
{
    m_record.Clear();
    m_record.Koji.Load(kojiCode);
    m_record.Gozai.Load(gozaiName);
    m_record.Kubun.LoadByName(kubunName);
    m_record.Hiduke = day;
    m_record.LoadByDate();
    showRecord();
}

QString TDayEntry::shownRecordName() const
{
    return QStringLiteral("工事 %1 / %2 / %3")
        .arg(m_header.kojiCode, m_header.gozaiName, m_header.kubunName);
}

bool TDayEntry::confirm(const QString& question, bool yesByDefault) const
{
    return Confirm && Confirm(question, yesByDefault);
}

void TDayEntry::DeleteRecord()
{
    refreshShownId();
    const int id = m_shownId;
    if (id == 0)
        throw AppError(QStringLiteral("表示中の記録は登録されていません"));
    if (!confirm(QStringLiteral("%1 の記録（%2 日分）を削除しますか？")
                     .arg(shownRecordName())
                     .arg(TOndoKanri::DayCount(id))))
        return;
    m_record.ID = id;
    m_record.DeleteRecord();
    // The data stays on screen; registering it again makes a new header.
    m_record.ID = 0;
    refreshShownId();
}

void TDayEntry::DeleteDay()
{
    refreshShownId();
    const int id = m_shownId;
    const QString dayText = typedDay(m_header);
    const QDateTime day = ParseDate(dayText);
    if (id == 0 || !IsDate(dayText) || !TOndoKanri::HasDay(id, day))
        throw AppError(QStringLiteral("表示中の試験日は登録されていません"));
    if (!confirm(QStringLiteral("%1 の %2 の記録を削除しますか？")
                     .arg(shownRecordName(), FormatDate(day))))
        return;
    TOndoKanri::DeleteDay(id, day);
    m_record.RefreshSeenDay();
    refreshShownId();
    m_record.ID = m_shownId;
}
