#include "StartAhead.h"
#include "environment/AppError.h"
#include "environment/Engine.h"
#include "environment/ErrorGuard.h"
#include "environment/RestoreBackup.h"
#include "environment/SetDataPath.h"
#include "environment/WindowFont.h"
#include "exchange/CsvImportDialog.h"
#include "exchange/ExportDialog.h"
#include "exchange/ParadoxImportDialog.h"
#include "help/HelpWindow.h"
#include "printing/BatchPrint.h"
#include "printing/FormPreview.h"
#include "printing/PrinterSetup.h"
#include "printing/SetPrintItems.h"
#include "printing/SystemPrinters.h"
#include "records/CsvImportWiring.h"
#include "records/DialogWiring.h"
#include "records/EditOndoData.h"
#include "records/ExportWiring.h"
#include "records/LazyDialog.h"
#include "records/ListView.h"
#include "records/OldDataWiring.h"
#include "records/PrintWiring.h"
#include "records/RestoreWiring.h"
#include "registers/Calendar.h"
#include "registers/EditKoji.h"
#include "registers/EditOndoKubun.h"
#include "reports/TextMetrics.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QLibraryInfo>
#include <QPixmap>
#include <QScreen>
#include <QStyle>
#include <QTextStream>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace {

QString iconFile(int size)
{
    return QStringLiteral(":/icons/ondokanri-%1.png").arg(size);
}

// Title bars and task switchers take the size nearest theirs. The large one, for task switchers
// only, is added once the window has painted.
QIcon programIcon(const QList<QImage>& images, QIcon icon = QIcon())
{
    for (const QImage& image : images)
        icon.addPixmap(QPixmap::fromImage(image));
    return icon;
}

// The start-up benchmark times a run up to the main window's first paint.
class QuitOnFirstPaint : public QObject
{
protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return false;
    }
};

// Runs `work` once the window has painted for the first time, so that it never delays
// what the user first sees.
class AfterFirstPaint : public QObject
{
public:
    explicit AfterFirstPaint(std::function<void()> work) : m_work(std::move(work)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && m_work) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, std::exchange(m_work, nullptr));
        }
        return false;
    }

private:
    std::function<void()> m_work;
};

} // namespace

int runBatch(int argc, char** argv)
{
    // No window opens, so no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("ondokanri"));
    QGuiApplication::setApplicationVersion(QStringLiteral(ONDOKANRI_VERSION));
    InstallFontSubstitutions();
    QTextStream out(stdout);
    QTextStream err(stderr);
    return RunBatchPrint(QGuiApplication::arguments(), out, err);
}

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (IsBatchCommand(arguments))
        return runBatch(argc, argv);

    TStartAhead ahead(QLibraryInfo::path(QLibraryInfo::PluginsPath),
                      {iconFile(16), iconFile(32), iconFile(48)});
    QApplication app(argc, argv);
    ahead.ApplicationMade();
    QApplication::setApplicationName(QStringLiteral("ondokanri"));
    QApplication::setApplicationVersion(QStringLiteral(ONDOKANRI_VERSION));
    // Desktop shells match the window to ondokanri.desktop (name and icon in the task bar).
    QGuiApplication::setDesktopFileName(QStringLiteral("ondokanri"));
    InstallFontSubstitutions();
    // Menus, message boxes and Qt's own dialogs in the windows' face.
    QApplication::setFont(WindowFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    // Qt's own buttons and dialogs in Japanese (はい / いいえ), whatever the system locale.
    QTranslator qtJapanese;
    if (qtJapanese.load(QStringLiteral("qtbase_ja"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtJapanese);

    // The data file is checked before anything touches it. A refused file is reported by the
    // main window's first use of the data, which tries the same open again.
    InstallFileQuestions();
    try {
        Engine::OpenDatabase();
        BackUpAtStart();
    } catch (const AppError&) {
    }
    InstallSystemPrinters();
    ahead.WaitForFonts();
    QApplication::setWindowIcon(programIcon(ahead.Images()));
    // The first question to CUPS loads its plugin: asked once the window has painted, or when the
    // print settings are first opened, whichever comes first.
    std::optional<TPrinterWatch> printerWatch;
    const auto watch = [&printerWatch] {
        if (!printerWatch)
            printerWatch.emplace();
        return &*printerWatch;
    };

    // The windows of the run, in their creation order; the dialogs are created once and
    // reused. Each later dialog takes its place in this list when it is built.
    TfEditOndoData fEditOndoData;
    // The pickers and the registers are made when first opened.
    std::unique_ptr<TfListView> fListView;
    std::unique_ptr<TfEditOndoKubun> fEditOndoKubun;
    std::unique_ptr<TfCalendar> fCalendar;
    std::unique_ptr<TfEditKoji> fEditKoji;
    std::unique_ptr<TfEditGozai> fEditGozai;
    std::unique_ptr<TfEditSimei> fEditSimei;
    std::unique_ptr<TFormPreview> FormPreview;       // made with the print settings
    std::unique_ptr<TfSetPrintItems> fSetPrintItems; // made at the first "印刷"
    std::unique_ptr<TfSetDataPath> fSetDataPath;
    // Made when their command is first chosen.
    std::unique_ptr<TfRestoreBackup> fRestoreBackup;
    std::unique_ptr<TfExport> fExport;
    std::unique_ptr<TfParadoxImport> fParadoxImport;
    std::unique_ptr<TfCsvImport> fCsvImport;
    std::unique_ptr<TfHelp> fHelp; // made at the first "使い方"

    const DialogRef<TfListView> listView = OnFirstUse(fListView);
    fEditOndoData.SetListView(listView);
    fEditOndoData.SetCalendar(OnFirstUse(fCalendar));
    ConnectRegisterDialogs(fEditOndoData, {listView, OnFirstUse(fEditOndoKubun),
                                           OnFirstUse(fEditKoji), OnFirstUse(fEditGozai),
                                           OnFirstUse(fEditSimei), OnFirstUse(fSetDataPath)});
    ConnectPrintDialog(fEditOndoData, [&]() -> TfSetPrintItems& {
        if (!fSetPrintItems) {
            FormPreview = std::make_unique<TFormPreview>();
            fSetPrintItems = std::make_unique<TfSetPrintItems>(&fEditOndoData);
            fSetPrintItems->SetPreview(FormPreview.get());
            fSetPrintItems->SetPrinterWatch(watch());
            InstallPrinterSetupDialog(fSetPrintItems.get());
        }
        return *fSetPrintItems;
    });
    ConnectRestoreDialog(fEditOndoData, OnFirstUse(fRestoreBackup));
    ConnectExportDialog(fEditOndoData, OnFirstUse(fExport));
    ConnectOldDataImport(fEditOndoData, OnFirstUse(fParadoxImport, &fEditOndoData));
    ConnectCsvImportDialog(fEditOndoData, OnFirstUse(fCsvImport));
    ConnectHelpMenu(fEditOndoData.HelpUsage, fEditOndoData.HelpAbout, &fEditOndoData,
                    OnFirstUse(fHelp, static_cast<QWidget*>(&fEditOndoData)));

    fEditOndoData.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter,
                                                  fEditOndoData.size(),
                                                  app.primaryScreen()->availableGeometry()));
    // The start-up benchmark ends at the first paint, before the work that waits for it.
    QuitOnFirstPaint quitOnFirstPaint;
    AfterFirstPaint finishStart([watch] {
        QApplication::setWindowIcon(
            programIcon({TStartAhead::ReadPng(iconFile(256))}, QApplication::windowIcon()));
        watch();
    });
    if (qEnvironmentVariableIsSet("ONDOKANRI_QUIT_ON_FIRST_PAINT"))
        fEditOndoData.installEventFilter(&quitOnFirstPaint);
    else
        fEditOndoData.installEventFilter(&finishStart);
    fEditOndoData.show();
    return app.exec();
}
