#include "environment/Engine.h"
#include "environment/ErrorGuard.h"
#include "environment/SetDataPath.h"
#include "records/DialogWiring.h"
#include "records/EditOndoData.h"
#include "records/ListView.h"
#include "registers/Calendar.h"
#include "registers/EditKoji.h"
#include "registers/EditOndoKubun.h"

#include <QApplication>
#include <QFont>
#include <QScreen>
#include <QStyle>

namespace {

void substituteWindowsFonts()
{
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ 明朝"), QStringLiteral("IPAMincho"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("IPAPMincho"));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ondokanri"));
    QApplication::setApplicationVersion(QStringLiteral(ONDOKANRI_VERSION));
    substituteWindowsFonts();

    RunGuarded(nullptr, [] { Engine::OpenDatabase(); });

    // The windows of the run, in their creation order; the dialogs are created once and
    // reused. Each later dialog takes its place in this list when it is built.
    TfEditOndoData fEditOndoData;
    TfListView fListView;
    TfEditOndoKubun fEditOndoKubun;
    TfCalendar fCalendar;
    TfEditKoji fEditKoji;
    TfEditGozai fEditGozai;
    TfEditSimei fEditSimei;
    // FormPreview (print preview)
    // fSetPrintItems (print settings)
    TfSetDataPath fSetDataPath;

    fEditOndoData.SetListView(&fListView);
    fEditOndoData.SetCalendar(&fCalendar);
    ConnectRegisterDialogs(fEditOndoData, {&fListView, &fEditOndoKubun, &fEditKoji, &fEditGozai,
                                           &fEditSimei, &fSetDataPath});

    fEditOndoData.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter,
                                                  fEditOndoData.size(),
                                                  app.primaryScreen()->availableGeometry()));
    fEditOndoData.show();
    return app.exec();
}
