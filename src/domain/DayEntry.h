#pragma once

#include "domain/ListViewData.h"
#include "domain/OndoKanri.h"

#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QUndoStack>
#include <QVector>
#include <functional>

// What the header of a day shows, as typed.
struct TDayHeader
{
    QString kojiCode;
    QString kojiName;
    QString gozaiName;
    QString printName;
    QString dayText;
    QString kubunName;
    QString simei;
    QString specValue;      // 規格値
    QString specRange;      // 温度範囲, from the record
    QString interval;       // 計測, from the category
    QString weather;        // 天候 of the day
    QString airTemperature; // 気温 of the day, as typed
    QString remark;         // 記事 of the day
};

// One row of the readings as typed: its label, temperature, the time it was measured, the truck
// or delivery ticket, and a remark.
struct TTypedReading
{
    QString label;
    QString temperature;
    QString time;
    QString truck;
    QString remark;
    bool IsEmpty() const
    {
        return label.isEmpty() && temperature.isEmpty() && time.isEmpty() && truck.isEmpty() &&
               remark.isEmpty();
    }
    bool operator==(const TTypedReading& o) const
    {
        return label == o.label && temperature == o.temperature && time == o.time &&
               truck == o.truck && remark == o.remark;
    }
    bool HasTyping() const // more than a label
    {
        return !temperature.isEmpty() || !time.isEmpty() || !truck.isEmpty() || !remark.isEmpty();
    }
};

// Raises AppError naming row `lno` (none when 0) when what is typed in it cannot be registered:
// a temperature the one rule refuses, a time other than "HH:mm", a control character, a text
// longer than its column.
void CheckEntryRow(int lno, const TTypedReading& row);
// The same but for the temperature, for a reading whose value was checked as a number.
void CheckEntryTexts(int lno, const TTypedReading& row);

// What to do with changes not yet registered.
enum class TUnsavedAnswer { Register, Discard, Cancel };

// The register entries a day's header names, asked at once (one round trip to a server), and
// with them any other read of the store a command needs before it writes.
class TRecordLookups
{
public:
    explicit TRecordLookups(const TDayHeader& header);
    // Opens the look-ups together with `more`.
    void Open(const std::vector<Store::TRead*>& more = {});
    TOndoKubun Kubun() const;
    Store::TRegisterRead koji, gozai;
    Store::TCategoryRead kubun;
    Store::TRegisterRead simei;

private:
    TDayHeader m_header;
};

// A day of work: the record of a project, mix and category shown on one day, its readings as
// typed, their statistics, and the commands that number, fill, register, open and delete. Every
// front end shows and edits the day through this session; it holds no widget and no statement:
// what is stored is read and written through TOndoKanri and the store. Commands raise
// AppError; questions go to Confirm and AskUnsaved, notices to Inform. Nothing typed is dropped
// without AskUnsaved.
class TDayEntry : public QObject
{
    Q_OBJECT
public:
    static constexpr int ShownRows = 100; // at least, however few readings
    static constexpr int MaxRows = 999;
    enum Column {
        LabelColumn = 0,
        TemperatureColumn,
        TimeColumn,
        TruckColumn,
        RemarkColumn,
        ColumnCount
    };

    explicit TDayEntry(QObject* parent = nullptr);
    ~TDayEntry() override;

    // Asked before a command changes stored data or the day shown; unset, the answer is no.
    std::function<bool(const QString& question, bool yesByDefault)> Confirm;
    // Told what a command left undone.
    std::function<void(const QString& text)> Inform;
    // "変更を登録しますか？" before the shown day is replaced; unset, changes are kept (Cancel).
    std::function<TUnsavedAnswer(const QString& question)> AskUnsaved;
    // The clock that stamps readings; replaceable for tests.
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };

    // Makes the tables of the data location sure, and shows an empty record dated today.
    void Start();

    const TDayHeader& Header() const { return m_header; }
    void SetKojiCode(const QString& text);
    void SetKojiName(const QString& text);
    void SetGozaiName(const QString& text);
    void SetPrintName(const QString& text);
    void SetDayText(const QString& text);
    void SetKubunName(const QString& text);
    void SetSimei(const QString& text);
    void SetSpecValue(const QString& text);
    void SetWeather(const QString& text);
    void SetAirTemperature(const QString& text);
    void SetRemark(const QString& text);

    // The rows a grid shows: ShownRows, or up to one past the last typed row, at most MaxRows.
    int RowCount() const { return m_rowCount; }
    // Rows 1..MaxRows; columns as Column.
    QString Cell(int lno, int column) const;
    // A typed temperature is read with full-width digits and signs turned into ASCII; typed
    // into a row without a label, it gives the row its number, and where the category stamps
    // times, the row its time. One the temperature rule refuses stays as typed, is told by
    // temperatureRefused and is no reading until corrected.
    void SetCell(int lno, int column, const QString& text);
    // Empties the given cells: (lno, column) pairs.
    void ClearCells(const QList<QPair<int, int>>& cells);
    // Spreadsheet text (tabs and newlines) from the cell down; returns the lines left out
    // below the last row.
    int Paste(const QString& text, int lno, int column);
    // The block of cells as spreadsheet text.
    QString CopyText(int topLno, int leftColumn, int bottomLno, int rightColumn) const;

    // Labelled rows with a temperature the rule takes, by row.
    QList<Reading> Readings() const;
    // Why the row's temperature is refused; empty when it is a temperature or none is typed.
    QString Refusal(int lno) const;
    // The first row whose temperature is refused, or 0.
    int FirstRefused() const;
    DayStatistics Statistics() const { return m_statistics; }
    // The average at that many decimals, as shown; the stored one keeps one.
    double AverageAt(int decimals) const;
    // The specified value, read as a range; false when none or unreadable.
    bool HasSpec() const { return m_hasSpec; }
    bool IsOutside(int lno) const;
    int OutsideCount() const { return m_outsideCount; }

    // The stored header of the project, mix and category shown, or 0.
    int ShownId() const { return m_shownId; }
    // Typed or changed since the day was shown or registered.
    bool IsModified() const { return m_modified; }
    // Edits of the readings, numbering, paste and simulation, to undo and redo; emptied when
    // another day is shown.
    QUndoStack& UndoStack() { return m_undo; }

    // Filled by シミュレーション: registered so, and printed as 模擬値.
    bool IsSimulated() const { return m_simulated; }
    // Before the shown day goes (another window replaces the data, the program ends): asks
    // about unregistered changes. True when the day may go; false when the user cancelled or
    // registering failed to store it.
    bool SettleUnsaved();

    // Lists the header's pickers offer.
    ListViewData ProjectList() const;
    ListViewData RecordList(bool all) const;
    QStringList DayList() const;
    QStringList KubunNames() const;
    QStringList SimeiNames() const;

    // Commands.
    void TakeProject(const QString& code);
    // The typed project code, when registered: its name is taken. False for an unknown code.
    bool TakeTypedProject();
    // Shows a stored day chosen from a list, after asking about unregistered changes.
    void OpenDay(const QString& kojiCode, const QString& gozaiName, const QString& kubunName,
                 const QDateTime& day);
    // The mix chosen in its register: a project without a record of it starts an empty one.
    void TakeGozai(const QString& name);
    void TakeSimei(const QString& name);
    void ChooseDay();
    void ChooseKubun();
    // The category's name, range and interval afresh, after the categories were edited.
    void RefreshKubun();
    void NumberRows(const QString& countText);
    void Simulate();
    // True when stored; false when the user kept the stored day or the project unregistered.
    bool Register();
    void OpenRecord(int id);
    void New();
    // An empty record without asking: the data under the day changed (restore, another
    // location), after SettleUnsaved.
    void Reset();
    void DeleteRecord();
    void DeleteDay();
    // The stored day of a project, mix, category and date was changed elsewhere (the site
    // page): the day shown is read again, unless it has unregistered changes, which stay (their
    // register then asks as for another user's change).
    enum class StoredChange { NotShown, Shown, KeptChanges };
    StoredChange StoredDayChanged(const QString& kojiCode, const QString& gozaiName,
                                  const QString& kubunName, const QDateTime& day);
    // Shows a stored day of a project, mix and category (after an import).
    void ShowDay(const QString& kojiCode, const QString& gozaiName, const QString& kubunName,
                 const QDateTime& day);

    // The record the printouts read: the shown header and statistics are copied in first.
    TOndoKanri& ReadRecord();
    // The same, into a record of its own.
    TOndoKanri RecordAsShown() const;
    TOndoKanri& Record() { return m_record; }
    // True when the data lives on a server, whose backups are its own.
    static bool DataOnServer();

Q_SIGNALS:
    void headerChanged();
    void cellsChanged(int firstLno, int lastLno);
    void statisticsChanged();
    void shownIdChanged(int id);
    // The categories were edited: their names may have changed.
    void kubunsChanged();
    void rowCountChanged(int rows);
    void modifiedChanged(bool modified);
    // What was typed or pasted into the row is no temperature: "「13.5.2」は温度として読めません".
    void temperatureRefused(int lno, const QString& reason);
    // After a day was stored: "2024/11/06 練上温度 30 件を登録しました".
    void registered(const QString& message);

private:
    void showRecord();
    void readRecordInto(TOndoKanri& record) const;
    void clearRows();
    void setCellQuietly(int lno, int column, const QString& text);
    void calcStatistics();
    void refreshShownId();
    // The category shown, as registered now.
    TOndoKubun shownKubun() const;
    void checkNamesTyped() const;
    void checkBeforeRegister(const TOndoKubun& kubun);
    bool projectRegisteredOrAdded(bool registered);
    void fillRecord(TOndoKanri& record, const TRecordLookups& lookups) const;
    QString shownRecordName() const;
    bool confirm(const QString& question, bool yesByDefault = false) const;
    // A change of what setModified(false) last saw marks the day; the same value set again does
    // not (a box filled from the day, an input method's empty event, a measurer chosen again).
    void edited();
    void setModified(bool modified);
    // After a change of the readings made from `before`: one step to undo.
    void pushRows(const QString& what, const QVector<TTypedReading>& before, bool simulatedBefore);
    void restoreRows(const QVector<TTypedReading>& rows, bool simulated);
    void updateRowCount();
    // Asks about unregistered changes before navigation to `wanted`; on Cancel the shown
    // header comes back.
    bool settleBefore(TDayHeader wanted);
    bool replacesNoOtherDay(const DayAsStored& there);

    TOndoKanri m_record;
    // The category last asked by name, until the categories are edited.
    mutable TOndoKubun m_askedKubun;
    mutable bool m_kubunAsked = false;
    TDayHeader m_header;
    TDayHeader m_loaded; // the header of the day whose readings are shown
    QVector<TTypedReading> m_rows;
    DayStatistics m_statistics;
    QVector<bool> m_outside;
    bool m_hasSpec = false;
    int m_outsideCount = 0;
    int m_shownId = 0;
    bool m_showing = false;
    bool m_modified = false;
    bool m_simulated = false;
    // The day as shown or registered, where nothing is typed yet.
    TDayHeader m_unchangedHeader;
    QVector<TTypedReading> m_unchangedRows;
    int m_rowCount = ShownRows;
    QUndoStack m_undo;
};
