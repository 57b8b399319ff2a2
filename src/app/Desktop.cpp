#include "app/Desktop.h"

#include "app/DayListWiring.h"
#include "app/DialogWiring.h"
#include "app/ExchangeWiring.h"
#include "app/HelpWiring.h"
#include "app/PackageWiring.h"
#include "app/PrintWiring.h"
#include "app/SiteWiring.h"
#include "core/AppError.h"
#include "domain/DayEntry.h"
#include "entry_ui/DayHistory.h"
#include "entry_ui/DayList.h"
#include "entry_ui/EditOndoData.h"
#include "entry_ui/JourneyWindow.h"
#include "exchange_ui/CsvImportDialog.h"
#include "exchange_ui/ExportDialog.h"
#include "exchange_ui/ParadoxImportDialog.h"
#include "help_ui/HelpWindow.h"
#include "printing/PrinterSetup.h"
#include "printing_ui/FormPreview.h"
#include "printing_ui/PackageDialog.h"
#include "printing_ui/SetPrintItems.h"
#include "printing_ui/SystemPrinters.h"
#include "registers_ui/Calendar.h"
#include "registers_ui/EditKoji.h"
#include "registers_ui/EditOndoKubun.h"
#include "reports/TextMetrics.h"
#include "settings_ui/CopyDataDialog.h"
#include "settings_ui/RestoreBackup.h"
#include "settings_ui/SetDataPath.h"
#include "site_ui/SitePanel.h"
#include "storage/Engine.h"
#include "widgets_ui/ErrorGuard.h"
#include "widgets_ui/LazyDialog.h"
#include "widgets_ui/ListView.h"
#include "widgets_ui/WindowFont.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHash>
#include <QIcon>
#include <QIdentityProxyModel>
#include <QImage>
#include <QLibraryInfo>
#include <QLocale>
#include <QPixmap>
#include <QScreen>
#include <QSessionManager>
#include <QStyle>
#include <QTranslator>
#include <QTreeView>
#include <optional>

struct TDesktop::Windows
{
    TDayEntry entry;
    // Every dialog is the main window's child, so that it opens over it; they are declared after
    // it and so go before it.
    TfEditOndoData fEditOndoData{entry, OnFirstUse(fListView, main()),
                                 OnFirstUse(fCalendar, main())};
    std::unique_ptr<TfListView> fListView;
    std::unique_ptr<TfCalendar> fCalendar;
    std::unique_ptr<TfDayList> fDayList;
    std::unique_ptr<TfDayHistory> fDayHistory;
    std::unique_ptr<TfJourney> fJourney;
    std::unique_ptr<TfEditOndoKubun> fEditOndoKubun;
    std::unique_ptr<TfEditKoji> fEditKoji;
    std::unique_ptr<TfEditGozai> fEditGozai;
    std::unique_ptr<TfEditSimei> fEditSimei;
    std::unique_ptr<TFormPreview> FormPreview; // made with the print settings
    std::unique_ptr<TfSetPrintItems> fSetPrintItems;
    std::unique_ptr<TfSetDataPath> fSetDataPath;
    std::unique_ptr<TfCopyData> fCopyData;
    std::unique_ptr<TfRestoreBackup> fRestoreBackup;
    std::unique_ptr<TfExport> fExport;
    std::unique_ptr<TfParadoxImport> fParadoxImport;
    std::unique_ptr<TfCsvImport> fCsvImport;
    std::unique_ptr<TfHelp> fHelp;
    std::unique_ptr<TfSitePanel> fSitePanel;
    std::unique_ptr<TfPackage> fPackage;
    // The first question to CUPS loads its plugin: asked when the print settings first open.
    std::optional<TPrinterWatch> printerWatch;

    QWidget* main() { return &fEditOndoData; }
};

TDesktop::TDesktop() : m_windows(std::make_unique<Windows>())
{
    Windows& w = *m_windows;
    TfEditOndoData& main = w.fEditOndoData;
    QWidget* parent = w.main();
    ConnectRegisterDialogs(main,
                           {OnFirstUse(w.fListView, parent), OnFirstUse(w.fEditOndoKubun, parent),
                            OnFirstUse(w.fEditKoji, parent), OnFirstUse(w.fEditGozai, parent),
                            OnFirstUse(w.fEditSimei, parent)});
    ConnectDayList(main, OnFirstUse(w.fDayList, parent), OnFirstUse(w.fDayHistory, parent));
    ConnectJourney(main, OnFirstUse(w.fJourney, parent));
    ConnectDataLocationDialog(main, OnFirstUse(w.fSetDataPath, parent));
    ConnectCopyDataDialog(main, OnFirstUse(w.fCopyData, parent));
    ConnectRestoreDialog(main, OnFirstUse(w.fRestoreBackup, parent));
    ConnectPrintDialog(main, std::function<TfSetPrintItems&()>([&w]() -> TfSetPrintItems& {
                           if (!w.fSetPrintItems) {
                               w.FormPreview = std::make_unique<TFormPreview>();
                               w.fSetPrintItems =
                                   std::make_unique<TfSetPrintItems>(&w.fEditOndoData);
                               w.fSetPrintItems->SetPreview(w.FormPreview.get());
                               w.fSetPrintItems->SetPrinterWatch(&w.printerWatch.emplace());
                               InstallPrinterSetupDialog(w.fSetPrintItems.get());
                           }
                           return *w.fSetPrintItems;
                       }));
    ConnectExportDialog(main, OnFirstUse(w.fExport, parent));
    ConnectOldDataImport(main, OnFirstUse(w.fParadoxImport, parent));
    ConnectCsvImportDialog(main, OnFirstUse(w.fCsvImport, parent));
    ConnectProfileImport(main);
    ConnectSitePanel(main, OnFirstUse(w.fSitePanel, parent));
    ConnectPackageDialog(main, OnFirstUse(w.fPackage, parent));
    ConnectHelp(main, OnFirstUse(w.fHelp, parent));
    // The desktop session ending asks what closing the window asks; a cancel keeps it going.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &main,
                     [&main](QSessionManager& manager) {
                         if (manager.allowsInteraction()) {
                             const bool settled = main.SettleBeforeQuit();
                             manager.release();
                             if (!settled)
                                 manager.cancel();
                         }
                     });
}

TDesktop::~TDesktop() = default;

TfEditOndoData& TDesktop::MainWindow()
{
    return m_windows->fEditOndoData;
}

void TDesktop::Show()
{
    TfEditOndoData& main = MainWindow();
    main.PlaceOnScreen(QGuiApplication::primaryScreen()->availableGeometry());
    main.show();
}

namespace {

// Qt's texts that qtbase_ja leaves in English; asked before it.
class TQtJapaneseGaps : public QTranslator
{
public:
    QString translate(const char* context, const char* source, const char*, int) const override
    {
        // The type column of the file dialogs for what is not a file.
        static const QHash<QByteArray, QString> fileTypes{
            {"Folder", QStringLiteral("フォルダ")},
            {"Drive", QStringLiteral("ドライブ")},
            {"Shortcut", QStringLiteral("ショートカット")},
            {"File", QStringLiteral("ファイル")},
            {"Unknown", QStringLiteral("不明")}};
        if (qstrcmp(context, "QAbstractFileIconProvider") == 0)
            return fileTypes.value(source);
        return {};
    }
    bool isEmpty() const override { return false; }
};

// QFileSystemModel writes sizes and dates in the system locale, English on a site PC set up
// so; these columns follow the default locale instead.
class TJapaneseFileColumns : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        enum { SizeColumn = 1, DateColumn = 3 }; // QFileSystemModel's
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files ||
            (index.column() != SizeColumn && index.column() != DateColumn))
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        const QLocale japanese;
        if (index.column() == DateColumn)
            return japanese.toString(files->lastModified(source), QLocale::ShortFormat);
        if (files->isDir(source))
            return QString();
        // KB and MB as Japanese desktops write them, not KiB.
        return japanese.formattedDataSize(files->size(source), 1,
                                          QLocale::DataSizeTraditionalFormat);
    }
};

// Qt's file dialogs are made inside QFileDialog's static functions, so each is given its
// columns as it is first polished, before it shows.
class TFileDialogColumns : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Polish) {
            auto* dialog = qobject_cast<QFileDialog*>(watched);
            // A platform's own dialog has no views to give a model to.
            if (dialog && !dialog->proxyModel() && dialog->findChild<QTreeView*>())
                dialog->setProxyModel(new TJapaneseFileColumns(dialog));
        }
        return false;
    }
};

// The program is Japanese whatever the system locale: dates, numbers, weekday and month
// names, file types, and the texts of Qt's own buttons and dialogs (はい / いいえ).
void InstallJapanese()
{
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    static QTranslator qtJapanese;
    if (qtJapanese.load(QStringLiteral("qtbase_ja"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtJapanese);
    static TQtJapaneseGaps gaps;
    QApplication::installTranslator(&gaps);
    qApp->installEventFilter(new TFileDialogColumns(qApp));
}

} // namespace

void PrepareDesktopStart()
{
    QApplication::setApplicationName(QStringLiteral("ondokanri"));
    QApplication::setApplicationVersion(QStringLiteral(ONDOKANRI_VERSION));
    // Desktop shells match the window to ondokanri.desktop (name and icon in the task bar).
    QGuiApplication::setDesktopFileName(QStringLiteral("ondokanri"));
    InstallFontSubstitutions();
    // Menus, message boxes and Qt's own dialogs in the windows' face.
    QApplication::setFont(WindowFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    InstallJapanese();
    // Title bars and task switchers take the size nearest theirs. The format is named: guessing
    // it would load every image plugin. Larger sizes come from the installed icon theme; the
    // 256 px image alone took most of the decoding before the first paint.
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addPixmap(QPixmap::fromImage(
            QImage(QStringLiteral(":/icons/ondokanri-%1.png").arg(size), "PNG")));
    QApplication::setWindowIcon(icon);

    // The data file is checked before anything touches it. A refused file is reported by the
    // main window's first use of the data, which tries the same open again.
    InstallFileQuestions();
    try {
        Engine::OpenDatabase();
        BackUpAtStart();
    } catch (const AppError&) {
    }
    InstallSystemPrinters();
}
