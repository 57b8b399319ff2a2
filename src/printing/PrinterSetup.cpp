#include "printing/PrinterSetup.h"

#include "core/Settings.h"

namespace {

TPrinterSetup::TSetupDialog& DefaultSetupDialog()
{
    static TPrinterSetup::TSetupDialog dialog;
    return dialog;
}

const TPrinterAttributes* Attributes()
{
    return dynamic_cast<const TPrinterAttributes*>(&PrinterCatalog());
}

// A settings block belongs to a printer by the same rule as the stored name.
bool BelongsTo(const TDeviceSettings& settings, const QString& printerName)
{
    return !printerName.isEmpty() && settings.printerName.toUpper().contains(printerName.toUpper());
}

// Sheet width and height, then the margins left, top, right, bottom, in points: any paper a
// driver offers, not only those with a size code.
QString LayoutText(const QPageLayout& layout)
{
    const QSizeF size = layout.pageSize().size(QPageSize::Point);
    const QMarginsF m = layout.margins(QPageLayout::Point);
    QStringList parts;
    for (double v : {size.width(), size.height(), m.left(), m.top(), m.right(), m.bottom()})
        parts << QString::number(v, 'f', 2);
    return parts.join(QLatin1Char(','));
}

QPageLayout LayoutOfText(const QString& text, TOrientation orientation, int paperSize)
{
    const auto qtOrientation =
        orientation == TOrientation::Landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
    const QStringList parts = text.split(QLatin1Char(','));
    QList<double> v;
    for (const QString& part : parts) {
        bool ok = false;
        v << part.toDouble(&ok);
        if (!ok)
            break;
    }
    if (parts.size() != 6 || v.size() != 6 || v[0] <= 0 || v[1] <= 0)
        return QPageLayout(PageSizeOfCode(paperSize), qtOrientation, QMarginsF());
    const QPageSize size(QSizeF(v[0], v[1]), QPageSize::Point, QString(), QPageSize::FuzzyMatch);
    return QPageLayout(size, qtOrientation, QMarginsF(v[2], v[3], v[4], v[5]), QPageLayout::Point);
}

} // namespace

TPrinterList EnumPrinters()
{
    const QStringList names = PrinterNames();
    const TPrinterAttributes* attributes = Attributes();
    TPrinterList list;
    for (int i = 0; i < names.size(); ++i)
        list.append(TPrinterEntry{names[i], attributes && attributes->IsHidden(i)});
    return list;
}

QStringList EnumPorts()
{
    const TPrinterAttributes* attributes = Attributes();
    QStringList ports = attributes ? attributes->Ports() : QStringList();
    ports.removeDuplicates();
    return ports;
}

void TPrinterSetup::SetDefaultSetupDialog(TSetupDialog dialog)
{
    DefaultSetupDialog() = std::move(dialog);
}

TPrinterSetup::TPrinterSetup()
{
    Load(StoredDefinition());
}

TPrinterSetup::Definition TPrinterSetup::StoredDefinition()
{
    Definition definition;
    definition.printerName = TSettings::PrinterName();
    if (definition.printerName.isEmpty())
        return definition;
    definition.orientation =
        TSettings::PrinterOrientation() == 1 ? TOrientation::Landscape : TOrientation::Portrait;
    const int paperSize = TSettings::PrinterPaperSize();
    const int paperSource = TSettings::PrinterPaperSource();
    definition.paperSize = paperSize < 0 ? PaperA4 : paperSize;
    definition.paperSource = paperSource < 0 ? SourceFormSource : paperSource;
    definition.devData = TDeviceSettings{
        definition.printerName, definition.orientation, definition.paperSize,
        definition.paperSource,
        LayoutOfText(TSettings::PrinterPageLayout(), definition.orientation, definition.paperSize)};
    return definition;
}

void TPrinterSetup::StoreDefinition() const
{
    TSettings::SetPrinter(m_printerName, int(m_orientation), m_paperSize, m_paperSource,
                          m_devData ? LayoutText(m_devData->layout) : QString());
}

TPrinterSetup::TPrinterSetup(const Definition& definition)
{
    Load(definition);
}

void TPrinterSetup::Load(const Definition& definition)
{
    m_printerName = definition.printerName;
    m_devData = definition.devData;
    m_orientation = definition.orientation;
    m_designText = definition.designText;
    m_paperSize = definition.paperSize;
    m_paperSource = definition.paperSource;
    m_designNumber = definition.designNumber;
    m_appliedName = m_printerName;
    m_wantedName = m_printerName;
    RefreshCount();
    if (m_printerCount > 0) {
        SelectPrinter();
        ApplySettings();
    }
    NoteMissing();
}

void TPrinterSetup::NoteMissing()
{
    m_missingName.clear();
    if (!m_wantedName.isEmpty() && FindPrinterIndex(m_wantedName) < 0)
        m_missingName = m_wantedName;
}

void TPrinterSetup::PrinterListChanged()
{
    RefreshCount();
    if (m_printerCount > 0) {
        m_printerName = m_wantedName;
        m_appliedName = m_printerName;
        SelectPrinter();
        ApplySettings();
    }
    NoteMissing();
}

void TPrinterSetup::RefreshCount()
{
    m_printerCount = int(EnumPrinters().size());
}

QString TPrinterSetup::PrinterName() const
{
    if (::PrinterCount() == 0)
        return QString();
    return const_cast<TPrinterSetup*>(this)->FindPrinterName(m_printerName);
}

void TPrinterSetup::SetPrinterName(const QString& name)
{
    RefreshCount();
    if (m_printerCount == 0) {
        m_printerName = name;
        return;
    }
    const QString found = FindPrinterName(name);
    if (!found.isEmpty()) {
        m_printerName = found;
    } else {
        ::SelectPrinter(-1);
        m_printerName = FindPrinterName(SelectedPrinter().Name());
    }
    m_wantedName = m_printerName;
    SelectPrinter();
    ApplySettings();
    NoteMissing();
}

QString TPrinterSetup::FindPrinterName(const QString& wanted)
{
    const int index = FindPrinterIndex(wanted);
    return index < 0 ? QString() : EnumPrinters().at(index).name;
}

int TPrinterSetup::FindPrinterIndex(const QString& wanted)
{
    const TPrinterList printers = EnumPrinters();
    m_printerCount = int(printers.size());
    if (wanted.isEmpty())
        return -1;
    const QString upper = wanted.toUpper();
    for (int i = 0; i < printers.size(); ++i) {
        if (!printers[i].hidden && !printers[i].name.isEmpty() &&
            upper.contains(printers[i].name.toUpper()))
            return i;
    }
    return -1;
}

void TPrinterSetup::SelectPrinter()
{
    m_printerIndex = FindPrinterIndex(m_printerName);
    // Selecting opens the printer afresh, at its driver's default settings.
    ::SelectPrinter(m_printerIndex);
    if (m_printerIndex == -1) {
        m_printerName = FindPrinterName(SelectedPrinter().Name());
        m_printerIndex = SelectedPrinterIndex();
    }
}

bool TPrinterSetup::ApplySettings()
{
    if (m_printerCount == 0)
        return true;
    bool success = false;
    TPrinterDevice& device = SelectedPrinter();
    if (m_appliedName == m_printerName) {
        success = true;
        if (m_devData) {
            if (BelongsTo(*m_devData, device.Name())) {
                device.SetPageLayout(m_devData->layout);
                device.SetOrientation(m_devData->orientation);
                // A paper without a size code is the layout's own.
                if (m_devData->paperSize != 0)
                    device.SetPaperSize(m_devData->paperSize);
                device.SetPaperSource(m_devData->paperSource);
            } else {
                success = false;
            }
        }
        if (success) {
            try {
                MergeSettings();
            } catch (...) {
                success = false;
            }
        }
    }
    if (!success) {
        m_devData.reset();
        device.SetOrientation(m_orientation);
        device.SetPaperSize(m_paperSize);
        device.SetPaperSource(m_paperSource);
        MergeSettings();
    }
    m_appliedName = m_printerName;
    return success;
}

void TPrinterSetup::MergeSettings()
{
    // The printer layer keeps only what its devices accept, so there is nothing to merge.
    CaptureSettings();
}

void TPrinterSetup::CaptureSettings()
{
    if (m_printerCount == 0)
        return;
    const TPrinterDevice& device = SelectedPrinter();
    m_devData = TDeviceSettings{device.Name(), device.Orientation(), device.PaperSize(),
                                device.PaperSource(), device.PageLayout()};
    m_orientation = device.Orientation();
    m_paperSize = device.PaperSize();
    m_paperSource = device.PaperSource();
}

void TPrinterSetup::SyncPrinter()
{
    if (FindPrinterName(SelectedPrinter().Name()) != m_printerName)
        SelectPrinter();
    ApplySettings();
}

bool TPrinterSetup::ExecuteSetup()
{
    RefreshCount();
    if (m_printerCount == 0)
        return false;
    SyncPrinter();
    const TSetupDialog& dialog = SetupDialog ? SetupDialog : DefaultSetupDialog();
    if (!dialog || !dialog())
        return false;
    m_printerIndex = SelectedPrinterIndex();
    m_printerName = FindPrinterName(SelectedPrinter().Name());
    m_appliedName = m_printerName;
    CaptureSettings();
    m_wantedName = m_printerName;
    m_missingName.clear();
    StoreDefinition();
    return true;
}

TPrinterWatch::TPrinterWatch() : m_snapshot(EnumPrinters()) {}

bool TPrinterWatch::Check()
{
    TPrinterList now = EnumPrinters();
    if (now == m_snapshot) {
        const QStringList old = m_ports;
        m_ports = EnumPorts();
        if (old != m_ports && OnChange)
            OnChange();
        return false;
    }
    ResetPrinter();
    m_snapshot = std::move(now);
    if (OnChange)
        OnChange();
    return true;
}
