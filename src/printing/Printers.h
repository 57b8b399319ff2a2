#pragma once

#include "printing/PrinterDevice.h"

#include <QStringList>
#include <memory>

// The list of installed printers.
class TPrinterCatalog
{
public:
    virtual ~TPrinterCatalog() = default;
    virtual QStringList Names() const = 0;
    // Position of the default printer; -1 when the list is empty.
    virtual int DefaultIndex() const = 0;
    virtual std::unique_ptr<TPrinterDevice> Open(int index) const = 0;
};

// Only the built-in PDF printer: what a machine without printing support has.
class TPdfOnlyCatalog : public TPrinterCatalog
{
public:
    QStringList Names() const override;
    int DefaultIndex() const override { return 0; }
    std::unique_ptr<TPrinterDevice> Open(int index) const override;
};

// The process's shared printer: one catalog and the printer selected from it. Drawing
// (SheetDots) reads the selected printer once a catalog is set.
void SetPrinterCatalog(std::shared_ptr<TPrinterCatalog> catalog);
const TPrinterCatalog& PrinterCatalog();
// Both ask the catalog afresh.
QStringList PrinterNames();
int PrinterCount();
// The count as last asked, asked once after the catalog or the printer object was reset:
// for the paint path, which must not query the system at every repaint.
int KnownPrinterCount();
// Selects by position in the catalog; -1 selects the default printer.
void SelectPrinter(int index);
// Position of the selected printer; -1 while none is selected or the list is empty.
int SelectedPrinterIndex();
// The selected printer, the default one when none was chosen. Raises AppError
// "プリンタが登録されていません" when the list is empty.
TPrinterDevice& SelectedPrinter();
// Forgets the printer object, so that the next use reads the list afresh and starts from the
// default printer (after the printers of the system changed).
void ResetPrinter();

// What the setup dialog offers beyond the printer and its paper; kept for the print jobs of
// the run, not stored. Duplex: 0 none, 1 long side, 2 short side, 3 as the printer says.
struct TJobOptions
{
    int copies = 1;
    bool collate = true;
    int duplex = 0;
    bool grayscale = false;
    bool reverse = false;
    bool operator==(const TJobOptions& o) const
    {
        return copies == o.copies && collate == o.collate && duplex == o.duplex &&
               grayscale == o.grayscale && reverse == o.reverse;
    }
};
void SetJobOptions(const TJobOptions& options);
const TJobOptions& JobOptions();
