#include "registers/DataLocation.h"

#include "environment/AppError.h"
#include "environment/Engine.h"
#include "environment/SetDataPath.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QWidget>

bool RunDataLocation(TfSetDataPath& dialog, QWidget* mainWindow)
{
    if (mainWindow)
        dialog.move(mainWindow->pos());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    ApplyDataLocation(dialog.ChosenFolder(), mainWindow);
    return true;
}

bool ApplyDataLocation(const QString& folder, QWidget* messageParent)
{
    bool applied = true;
    try {
        // Open the new folder before it is saved, so a folder that cannot hold the data
        // never becomes the configured one.
        Engine::OpenDatabase(folder);
        Engine::SetAliasPath(folder);
    } catch (const AppError&) {
        applied = false;
    }
    if (!applied)
        QMessageBox::warning(messageParent, QGuiApplication::applicationDisplayName(),
                             QStringLiteral("Failed"));
    Engine::OpenDatabase();
    return applied;
}
