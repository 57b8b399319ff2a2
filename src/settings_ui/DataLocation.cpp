#include "settings_ui/DataLocation.h"

#include "core/AppError.h"
#include "settings_ui/SetDataPath.h"
#include "storage/Engine.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QWidget>

bool RunDataLocation(TfSetDataPath& dialog, QWidget* mainWindow)
{
    Q_UNUSED(mainWindow)
    if (dialog.exec() != QDialog::Accepted)
        return false;
    ApplyDataLocation(dialog.ChosenFolder(), mainWindow);
    return true;
}

bool ApplyDataLocation(const QString& folder, QWidget* messageParent)
{
    QString reason;
    try {
        // Open the new location before it is saved, so one that cannot hold the data never
        // becomes the configured one.
        Engine::OpenDatabase(folder);
        Engine::SetAliasPath(folder);
    } catch (const AppError& e) {
        reason = e.message();
    }
    if (!reason.isEmpty()) {
        QMessageBox box(QMessageBox::Warning, QGuiApplication::applicationDisplayName(),
                        QStringLiteral("Failed"), QMessageBox::Ok, messageParent);
        box.setInformativeText(reason);
        box.exec();
    }
    Engine::OpenDatabase();
    return reason.isEmpty();
}
