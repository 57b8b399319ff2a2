#pragma once

#include "widgets_ui/LazyDialog.h"

class TfEditOndoData;
class TfPackage;

// "提出用一式を作成…": the dialog opens on the project shown; what it wrote is told afterwards.
void ConnectPackageDialog(TfEditOndoData& window, DialogRef<TfPackage> dialog);
