#pragma once

#include "printing/Printers.h"

#include <QList>
#include <QPageLayout>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

// What a catalog may say of its printers beyond their names. A catalog without it has every
// printer visible and no ports.
class TPrinterAttributes
{
public:
    virtual ~TPrinterAttributes() = default;
    virtual bool IsHidden(int index) const = 0;
    virtual QStringList Ports() const = 0;
};

struct TPrinterEntry
{
    QString name;
    bool hidden = false;
    bool operator==(const TPrinterEntry& other) const
    {
        return name == other.name && hidden == other.hidden;
    }
};
using TPrinterList = QList<TPrinterEntry>;

// The printers of the shared catalog, hidden ones included, in catalog order.
TPrinterList EnumPrinters();
// Port names of the shared catalog, each once, in the order first listed.
QStringList EnumPorts();

// Stored device settings of one printer: this program's stand-in for a driver's settings block.
struct TDeviceSettings
{
    QString printerName;
    TOrientation orientation = TOrientation::Portrait;
    int paperSize = PaperA4;
    int paperSource = SourceFormSource;
    QPageLayout layout;
};

// The printer the system means to print on, with its settings, kept by the print settings
// dialog. Construction reads the stored definition (the choice last confirmed in the setup
// dialog, kept in the settings store; at first no printer name, no settings block, portrait A4
// from the form source) and, when printers are listed, selects and applies.
class TPrinterSetup
{
public:
    TPrinterSetup();

    // Runs the platform's printer setup dialog on the shared printer; true on OK. A cancelled
    // dialog must leave the shared printer as it found it.
    using TSetupDialog = std::function<bool()>;
    static void SetDefaultSetupDialog(TSetupDialog dialog);
    TSetupDialog SetupDialog; // the default one when empty

    // On OK the choice is also written to the settings store, for the next runs.
    bool ExecuteSetup();

    // After the printers of the system changed: the chosen printer again when it is still
    // listed, otherwise the default printer with the chosen paper, orientation and source.
    void PrinterListChanged();
    // The chosen printer when it is not listed (the default one is used instead); else empty.
    QString MissingPrinter() const { return m_missingName; }

    QString PrinterName() const;
    void SetPrinterName(const QString& name);

    // Name of the first visible printer whose name lies within wanted (case ignored); empty
    // when none or wanted is empty. Counts the printers.
    QString FindPrinterName(const QString& wanted);
    // Position of that printer, hidden printers counted; -1 when none.
    int FindPrinterIndex(const QString& wanted);
    void SelectPrinter();
    bool ApplySettings();
    void MergeSettings();
    void CaptureSettings();
    void SyncPrinter();

    int PrinterCount() const { return m_printerCount; }
    int PrinterIndex() const { return m_printerIndex; }
    QString AppliedName() const { return m_appliedName; }
    TOrientation Orientation() const { return m_orientation; }
    int PaperSize() const { return m_paperSize; }
    int PaperSource() const { return m_paperSource; }
    const std::optional<TDeviceSettings>& DevData() const { return m_devData; }

    // Stored definition; the program's own is the default one.
    struct Definition
    {
        QString printerName;
        std::optional<TDeviceSettings> devData;
        TOrientation orientation = TOrientation::Portrait;
        QString designText;
        int paperSize = PaperA4;
        int paperSource = SourceFormSource;
        int designNumber = 0;
    };
    explicit TPrinterSetup(const Definition& definition);

    // The definition kept in the settings store; the program's own when nothing was stored.
    static Definition StoredDefinition();
    void StoreDefinition() const;

private:
    void Load(const Definition& definition);
    void RefreshCount();
    void NoteMissing();

    std::optional<TDeviceSettings> m_devData;
    int m_printerCount = 0;
    QString m_printerName;
    QString m_appliedName;
    int m_printerIndex = -1;
    TOrientation m_orientation = TOrientation::Portrait;
    QString m_designText;
    int m_paperSize = PaperA4;
    int m_paperSource = SourceFormSource;
    int m_designNumber = 0;
    QString m_wantedName; // as stored or last chosen; survives a printer that went away
    QString m_missingName;
};

// Notices a change of the installed printers: Check compares the list with the last snapshot
// and, when it changed, has the shared printer read the list afresh.
class TPrinterWatch
{
public:
    TPrinterWatch();

    // True when the printers changed (the printer object was reset). A change of ports alone
    // fires OnChange but keeps the printer object.
    bool Check();

    const TPrinterList& Snapshot() const { return m_snapshot; }
    const QStringList& PortList() const { return m_ports; }
    std::function<void()> OnChange;

private:
    TPrinterList m_snapshot;
    QStringList m_ports;
};
