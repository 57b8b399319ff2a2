#pragma once

#include <QString>

class QWidget;
class TfSetDataPath;

// The data location command of the main window: shows the dialog at the window's position
// and, on OK, applies the chosen folder. Returns true when the dialog ended with OK.
bool RunDataLocation(TfSetDataPath& dialog, QWidget* mainWindow);

// Moves the program to `folder` (a folder or a server URI): one that cannot be reached or
// cannot hold the data is refused with "Failed" and the reason, and the program goes on in
// the location the configuration names. Either way the
// category table and the empty register tables are made sure of in the folder now in use.
// Returns false when "Failed" was shown.
bool ApplyDataLocation(const QString& folder, QWidget* messageParent);
