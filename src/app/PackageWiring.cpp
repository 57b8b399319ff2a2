#include "app/PackageWiring.h"

#include "domain/DayEntry.h"
#include "entry_ui/EditOndoData.h"
#include "printing_ui/PackageDialog.h"
#include "widgets_ui/ErrorGuard.h"

#include <QMessageBox>

void ConnectPackageDialog(TfEditOndoData& window, DialogRef<TfPackage> dialog)
{
    QObject::connect(&window, &TfEditOndoData::packageRequested, &window, [&window, dialog] {
        RunGuarded(&window, [&] {
            dialog->Prepare(window.Entry().Header().kojiCode.trimmed());
            if (dialog->exec() != QDialog::Accepted)
                return;
            const TPackageResult& result = dialog->Result();
            window.ShowStatus(PackageSummary(result), 15000);
            QString text = PackageSummary(result);
            if (!result.skipped.isEmpty())
                text += QStringLiteral("\n\n") + result.skipped.join(QLatin1Char('\n'));
            QMessageBox::information(&window, dialog->windowTitle(), text);
        });
    });
}
