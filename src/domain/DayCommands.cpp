#include "core/AppError.h"
#include "core/KikakuText.h"
#include "core/Utility.h"
#include "domain/ChosenEntry.h"
#include "domain/DayEntry.h"
#include "domain/Temperature.h"
#include "storage/Engine.h"
#include "store/Lengths.h"

#include <QTime>
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

// The fields that say which day is shown, as opposed to what the day holds.
void takeNavigation(TDayHeader& to, const TDayHeader& from)
{
    to.kojiCode = from.kojiCode;
    to.kojiName = from.kojiName;
    to.gozaiName = from.gozaiName;
    to.printName = from.printName;
    to.dayText = from.dayText;
    to.kubunName = from.kubunName;
}

// "12 行目の", or nothing for a reading that is not a row of the grid.
QString rowPrefix(int lno)
{
    return lno > 0 ? QStringLiteral("%1 行目の").arg(lno) : QString();
}

void checkText(int lno, const QString& column, const QString& text, int characters)
{
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            throw AppError(QStringLiteral("%1%2に改行・タブなどの制御文字は使えません")
                               .arg(rowPrefix(lno), column));
    }
    // Refused, never cut: the rest of what was typed would be lost without a word.
    if (text.size() > characters)
        throw AppError(QStringLiteral("%1%2は%3文字までです（%4 文字あります）")
                           .arg(rowPrefix(lno), column)
                           .arg(characters)
                           .arg(text.size()));
}

bool sameDay(const TDayHeader& a, const TDayHeader& b)
{
    return a.kojiCode == b.kojiCode && a.gozaiName == b.gozaiName && a.kubunName == b.kubunName &&
           ParseDate(typedDay(a)) == ParseDate(typedDay(b));
}

} // namespace

void CheckEntryRow(int lno, const TTypedReading& row)
{
    const TTemperature t = ReadTemperature(row.temperature);
    if (!t.IsValid())
        throw AppError(lno > 0 ? QStringLiteral("%1 行目: %2").arg(lno).arg(t.refusal) : t.refusal);
    CheckEntryTexts(lno, row);
}

void CheckEntryTexts(int lno, const TTypedReading& row)
{
    if (!row.time.isEmpty() && !QTime::fromString(row.time, QStringLiteral("HH:mm")).isValid())
        throw AppError(QStringLiteral("%1時刻「%2」は 8:30 のように入力してください")
                           .arg(rowPrefix(lno), Excerpt(row.time, 20)));
    using Store::TextColumn;
    checkText(lno, QStringLiteral("単位"), row.label, Store::LengthOf(TextColumn::ReadingLabel));
    checkText(lno, QStringLiteral("車番"), row.truck, Store::LengthOf(TextColumn::ReadingTruck));
    checkText(lno, QStringLiteral("備考"), row.remark, Store::LengthOf(TextColumn::ReadingRemark));
}

// ---- unregistered changes ----

bool TDayEntry::SettleUnsaved()
{
    if (!m_modified)
        return true;
    const TUnsavedAnswer answer =
        AskUnsaved ? AskUnsaved(QStringLiteral("変更を登録しますか？")) : TUnsavedAnswer::Cancel;
    if (answer == TUnsavedAnswer::Cancel)
        return false;
    if (answer == TUnsavedAnswer::Register)
        return Register();
    return true;
}

bool TDayEntry::settleBefore(TDayHeader wanted)
{
    if (!m_modified)
        return true;
    // What is asked about is the day shown, under the header it was shown with.
    takeNavigation(m_header, m_loaded);
    bool settled = false;
    try {
        settled = SettleUnsaved();
    } catch (...) {
        Q_EMIT headerChanged();
        refreshShownId();
        throw;
    }
    if (!settled) {
        Q_EMIT headerChanged();
        refreshShownId();
        return false;
    }
    takeNavigation(m_header, wanted);
    return true;
}

// ---- commands ----

void TDayEntry::TakeProject(const QString& code)
{
    m_record.Koji.Load(code);
    m_header.kojiCode = m_record.Koji.Code();
    m_header.kojiName = m_record.Koji.Kojimei();
    Q_EMIT headerChanged();
    refreshShownId();
}

bool TDayEntry::TakeTypedProject()
{
    const QString code = m_header.kojiCode.trimmed();
    if (!TKoji::Exists(code))
        return false;
    TakeProject(code);
    return true;
}

void TDayEntry::OpenDay(const QString& kojiCode, const QString& gozaiName, const QString& kubunName,
                        const QDateTime& day)
{
    if (SettleUnsaved())
        ShowDay(kojiCode, gozaiName, kubunName, day);
}

void TDayEntry::TakeGozai(const QString& name)
{
    TGozai chosen;
    chosen.Load(name);
    if (!HasRecordHeaders(m_header.kojiCode, chosen.DataName()) && !SettleUnsaved())
        return;
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
    if (!settleBefore(m_header))
        return;
    readRecordInto(m_record);
    if (!m_record.LoadByDate()) {
        // A day not registered yet starts empty; its measurer is the one shown.
        m_record.Tekiyo.clear();
        m_record.Tenki.clear();
        m_record.Kion.clear();
        m_record.Mogi = false;
    }
    showRecord();
}

void TDayEntry::ChooseKubun()
{
    if (!settleBefore(m_header))
        return;
    TOndoKubun& kubun = m_record.Kubun;
    kubun.LoadByName(m_header.kubunName);
    m_header.interval = kubun.SokuteiKankaku;

    const int id = TOndoKanri::FindHeader(m_header.kojiCode, m_header.gozaiName, kubun.ID);
    if (id == 0) {
        // A new record: its specified value and range start as the category's range.
        clearRows();
        m_header.specRange = RangeForPeople(kubun.OndoRange);
        if (m_header.specValue.isEmpty())
            m_header.specValue = RangeForPeople(kubun.OndoRange);
        const QString typed = typedDay(m_header);
        m_record.RememberDay(m_header.kojiCode, m_header.gozaiName, kubun.ID,
                             IsDate(typed) ? ParseDate(typed) : DayZero());
        m_record.ID = 0;
        m_loaded = m_header;
        m_undo.clear();
        setModified(false);
        Q_EMIT headerChanged();
        Q_EMIT cellsChanged(1, MaxRows);
        updateRowCount();
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
    m_kubunAsked = false;
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
    const int n = qBound(0, ParseWhole(AsciiTyped(countText)), int(MaxRows));
    int typedBeyond = 0;
    for (int lno = n + 1; lno <= MaxRows; ++lno)
        if (m_rows.at(lno - 1).HasTyping())
            ++typedBeyond;
    if (typedBeyond > 0 &&
        !confirm(
            QStringLiteral("%1 行目より後の %2 行の入力を消しますか？").arg(n).arg(typedBeyond)))
        return;
    const QVector<TTypedReading> before = m_rows;
    const bool simulatedBefore = m_simulated;
    for (int lno = 1; lno <= MaxRows; ++lno) {
        TTypedReading& row = m_rows[lno - 1];
        if (lno > n)
            row = TTypedReading();
        else if (row.label.isEmpty())
            row.label = QString::number(lno);
    }
    edited();
    Q_EMIT cellsChanged(1, MaxRows);
    updateRowCount();
    calcStatistics();
    pushRows(QStringLiteral("台数セット"), before, simulatedBefore);
}

void TDayEntry::Simulate()
{
    const TOndoKubun& kubun = m_record.Kubun;
    const TKikakuText range = TKikakuText::OfValue(kubun.OndoRange);
    if (!range.HasLow() || !range.HasHigh())
        throw AppError(QStringLiteral("区分「%1」に温度範囲がありません。"
                                      "150～160 のように下限と上限を温度区分に登録してください。")
                           .arg(kubun.KubunName));
    const int typed = int(std::count_if(m_rows.begin(), m_rows.end(), [](const TTypedReading& r) {
        return !r.label.isEmpty() && !r.temperature.isEmpty();
    }));
    if (typed > 0 && !confirm(QStringLiteral("入力済みの温度 %1 件をシミュレーションの値で"
                                             "置き換えますか？")
                                  .arg(typed)))
        return;
    const QVector<TTypedReading> before = m_rows;
    const bool simulatedBefore = m_simulated;
    for (TTypedReading& row : m_rows) {
        if (row.label.isEmpty())
            continue;
        const float v = static_cast<float>(RandomInRange(kubun.OndoRange));
        row.temperature = formatWithThousands(v);
    }
    edited();
    Q_EMIT cellsChanged(1, MaxRows);
    calcStatistics();
    m_simulated = m_statistics.count > 0;
    pushRows(QStringLiteral("シミュレーション"), before, simulatedBefore);
}

void TDayEntry::checkNamesTyped() const
{
    if (!IsDate(typedDay(m_header)))
        throw AppError(QStringLiteral("試験日が正しくありません"));
    if (m_header.kojiCode.trimmed().isEmpty())
        throw AppError(QStringLiteral("工事コードが入力されていません"));
    if (m_header.gozaiName.trimmed().isEmpty())
        throw AppError(QStringLiteral("合材名が入力されていません"));
    if (m_header.kubunName.trimmed().isEmpty())
        throw AppError(QStringLiteral("区分名が入力されていません"));
}

void TDayEntry::checkBeforeRegister(const TOndoKubun& kubun)
{
    if (kubun.ID < 0)
        throw AppError(
            QStringLiteral("区分名「%1」は温度区分に登録されていません").arg(m_header.kubunName));
    for (int lno = 1; lno <= m_rows.size(); ++lno) {
        const TTypedReading& row = m_rows.at(lno - 1);
        if (!row.label.isEmpty() && !row.temperature.isEmpty())
            CheckEntryRow(lno, row);
    }
    const QString air = AsciiTyped(m_header.airTemperature).trimmed();
    bool airIsNumber = air.isEmpty();
    if (!airIsNumber)
        air.toDouble(&airIsNumber);
    using Store::TextColumn;
    if (!airIsNumber || air.size() > Store::LengthOf(TextColumn::DayAirTemperature))
        throw AppError(QStringLiteral("気温「%1」は 12.5 のように数値で入力してください")
                           .arg(m_header.airTemperature.left(20)));
    const int weather = Store::LengthOf(TextColumn::DayWeather);
    if (m_header.weather.size() > weather)
        throw AppError(QStringLiteral("天候は%1文字までです").arg(weather));
    if (Readings().isEmpty())
        throw AppError(QStringLiteral("温度が入力されていません"));
    const QString kikaku = TypedRange(m_header.specValue);
    if (!TKikakuText::OfValue(kikaku).IsValid())
        throw AppError(
            QStringLiteral("規格値は 150～160 のように入力してください（片側だけなら 110～）"));
    const int note = Store::LengthOf(TextColumn::DayNote);
    if (SjisLength(m_header.remark) > note)
        throw AppError(
            QStringLiteral("記事は全角%1文字（半角%2文字）までです").arg(note / 2).arg(note));
    if (m_header.specValue != RangeForPeople(kikaku)) {
        m_header.specValue = RangeForPeople(kikaku);
        Q_EMIT headerChanged();
    }
}

bool TDayEntry::projectRegisteredOrAdded(bool registered)
{
    if (registered)
        return true;
    const QString code = m_header.kojiCode;
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

// A stored day other than the one shown is replaced only when the user agrees, told what it
// holds.
bool TDayEntry::replacesNoOtherDay(const DayAsStored& there)
{
    if (!there.present)
        return true;
    return confirm(QStringLiteral("%1 の%2は登録済みです（%3 件、平均 %4）。"
                                  "表示中の %5 件で置き換えますか？")
                       .arg(FormatDate(ParseDate(typedDay(m_header))), m_header.kubunName)
                       .arg(there.kosu)
                       .arg(FormatFixed(there.avg, 1))
                       .arg(m_statistics.count));
}

bool TDayEntry::Register()
{
    // A typo is what the user is in the middle of: told before anything of the header.
    if (const int lno = FirstRefused())
        throw AppError(QStringLiteral("%1 行目の温度を直してから登録してください。%2")
                           .arg(lno)
                           .arg(Refusal(lno)));
    checkNamesTyped();
    // The registers' entries and, for a day other than the one shown, what is stored on it (its
    // category known by name):
    // asked at once, before anything is written.
    TRecordLookups lookups(m_header);
    const bool otherDay = !sameDay(m_header, m_loaded);
    std::optional<Store::TStoredDayRead> there;
    if (otherDay)
        there.emplace(m_header.kojiCode, m_header.gozaiName, m_header.kubunName,
                      ParseDate(typedDay(m_header)));
    lookups.Open({there ? &*there : nullptr});
    checkBeforeRegister(lookups.Kubun());
    if (!projectRegisteredOrAdded(lookups.koji.Row().has_value()) ||
        (there && !replacesNoOtherDay(there->Day())))
        return false;
    fillRecord(m_record, lookups);
    const bool stored = m_record.Register(Readings(), [this] {
        return confirm(QStringLiteral("この試験日は他の利用者が変更しています。上書きしますか？"));
    });
    if (!stored) {
        // Theirs was kept: show it.
        m_record.LoadByDate();
        showRecord();
        return false;
    }
    m_loaded = m_header;
    setModified(false);
    if (!m_showing && m_record.ID != m_shownId) {
        m_shownId = m_record.ID;
        Q_EMIT shownIdChanged(m_shownId);
    }
    Q_EMIT registered(QStringLiteral("%1 %2 %3 件を登録しました")
                          .arg(FormatDate(m_record.Hiduke), m_header.kubunName)
                          .arg(m_record.Kosu));
    return true;
}

void TDayEntry::OpenRecord(int id)
{
    if (!SettleUnsaved())
        return;
    m_record.LoadByID(id);
    showRecord();
}

void TDayEntry::New()
{
    if (SettleUnsaved())
        Reset();
}

void TDayEntry::Reset()
{
    m_record.Clear();
    m_record.Hiduke = Now(); // a new day is today, as the session's clock tells
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

TDayEntry::StoredChange TDayEntry::StoredDayChanged(const QString& kojiCode,
                                                    const QString& gozaiName,
                                                    const QString& kubunName, const QDateTime& day)
{
    if (m_loaded.kojiCode != kojiCode || m_loaded.gozaiName != gozaiName ||
        m_loaded.kubunName != kubunName || ParseDate(typedDay(m_loaded)) != day)
        return StoredChange::NotShown;
    if (m_modified || !sameDay(m_header, m_loaded))
        return StoredChange::KeptChanges;
    ShowDay(kojiCode, gozaiName, kubunName, day);
    return StoredChange::Shown;
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
    m_record.DeleteRecord(m_header.simei);
    // The data stays on screen, no longer stored: registering it again makes a new header.
    m_record.ID = 0;
    setModified(m_statistics.count > 0);
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
    TOndoKanri::DeleteDay(id, day, m_header.simei);
    // The day is gone: it shows empty.
    readRecordInto(m_record);
    m_record.ID = TOndoKanri::FindHeader(m_header.kojiCode, m_header.gozaiName, m_record.Kubun.ID);
    m_record.Kosu = 0;
    m_record.Tekiyo.clear();
    m_record.Tenki.clear();
    m_record.Kion.clear();
    m_record.Mogi = false;
    showRecord();
}
