#include "printing/Printers.h"

#include "core/AppError.h"
#include "printing/PdfPrinter.h"

namespace {

struct SharedPrinter
{
    std::shared_ptr<TPrinterCatalog> catalog;
    std::unique_ptr<TPrinterDevice> device;
    int index = -1;
    int knownCount = -1;
    TJobOptions options;
};

SharedPrinter& Shared()
{
    static SharedPrinter shared;
    return shared;
}

void EnsureCatalog()
{
    if (!Shared().catalog)
        SetPrinterCatalog(std::make_shared<TPdfOnlyCatalog>());
}

} // namespace

QStringList TPdfOnlyCatalog::Names() const
{
    return {TPdfPrinter::PrinterName()};
}

std::unique_ptr<TPrinterDevice> TPdfOnlyCatalog::Open(int) const
{
    return std::make_unique<TPdfPrinter>();
}

void SetPrinterCatalog(std::shared_ptr<TPrinterCatalog> catalog)
{
    Shared().catalog = std::move(catalog);
    ResetPrinter();
    SetPrintDevice([] { return SelectedPrinter().Caps(); });
}

const TPrinterCatalog& PrinterCatalog()
{
    EnsureCatalog();
    return *Shared().catalog;
}

QStringList PrinterNames()
{
    QStringList names = PrinterCatalog().Names();
    Shared().knownCount = int(names.size());
    return names;
}

int PrinterCount()
{
    return int(PrinterNames().size());
}

void SelectPrinter(int index)
{
    const TPrinterCatalog& catalog = PrinterCatalog();
    const int count = int(catalog.Names().size());
    if (index < 0)
        index = catalog.DefaultIndex();
    if (index < 0 || index >= count)
        throw AppError(count == 0 ? QStringLiteral("プリンタが登録されていません")
                                  : QStringLiteral("プリンタの番号 %1 は範囲外です").arg(index));
    Shared().device = catalog.Open(index);
    Shared().index = index;
}

int KnownPrinterCount()
{
    return Shared().knownCount >= 0 ? Shared().knownCount : PrinterCount();
}

int SelectedPrinterIndex()
{
    return Shared().device ? Shared().index : -1;
}

TPrinterDevice& SelectedPrinter()
{
    if (!Shared().device)
        SelectPrinter(-1);
    return *Shared().device;
}

void ResetPrinter()
{
    Shared().device.reset();
    Shared().index = -1;
    Shared().knownCount = -1;
}

void SetJobOptions(const TJobOptions& options)
{
    Shared().options = options;
}

const TJobOptions& JobOptions()
{
    return Shared().options;
}
