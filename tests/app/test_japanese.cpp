#include "app/Desktop.h"
#include "entry_ui/EditOndoData.h"
#include "entry_ui/MainWindowNames.h"
#include "support/BatchRun.h"
#include "support/TestSupport.h"
#include "support/WindowProbe.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSpinBox>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTextDocumentFragment>
#include <QTreeView>
#include <functional>

namespace N = MainWindowNames;

namespace {

// Latin words a Japanese engineer reads as they are.
const QSet<QString> TechnicalTerms{
    // kinds of file and text, the statistics, the network, a button as Japanese buttons read
    "PDF", "CSV", "Excel", "UTF", "Cp", "Cpk", "Cpl", "Cpu", "QR", "URL", "HTTPS", "LAN", "OK",
    // a certificate's fingerprint, as browsers name it; the version, as Japanese software writes it
    "SHA", "Ver",
    // the programs the data lives in or comes from, by their names
    "SQLite", "PostgreSQL", "postgresql", "Paradox", "Qt",
    // the pavers' scanners whose files are read
    "RoadScan", "Pave", "IR", "MOBA", "Vögele",
    // a server's password variable and backup command, named as the system knows them
    "PGPASSWORD", "pg_dump",
    // keys, as the keyboard names them
    "Ctrl", "Shift", "Alt", "Tab", "Enter", "Esc", "Del", "Ins", "Home", "End", "PgUp", "PgDown",
    "Space", "Backspace"};

// A font is named as the system names it (既定（IPAPGothic）).
QSet<QString> withFontNames(QSet<QString> allowed)
{
    static const QRegularExpression word(QStringLiteral("[A-Za-z]+"));
    for (const QString& family : QFontDatabase::families()) {
        for (auto it = word.globalMatch(family); it.hasNext();)
            allowed << it.next().captured();
    }
    return allowed;
}

struct TShown
{
    QString where;
    QString text;
};

// The Latin words of `text` of two letters or more that are no technical term. A file
// ending (*.csv, .xlsx) and a path (/tmp/…, ~/.pgpass) are data, not words.
QStringList englishIn(QString text, const QSet<QString>& allowed)
{
    static const QRegularExpression data(
        QStringLiteral("(?<![A-Za-z0-9])\\*?\\.[A-Za-z0-9]+|(^|[\\s（(])~?/[^\\s）)]*"));
    text.remove(data);
    QStringList words;
    static const QRegularExpression word(QStringLiteral("[A-Za-z][A-Za-z_]+"));
    for (auto it = word.globalMatch(text); it.hasNext();) {
        const QString w = it.next().captured();
        if (!allowed.contains(w))
            words << w;
    }
    return words;
}

QString plain(const QString& text)
{
    return Qt::mightBeRichText(text) ? QTextDocumentFragment::fromHtml(text).toPlainText() : text;
}

// Every text `window` shows or speaks: its title, each control's caption, placeholder, tooltip,
// status tip and accessible name, menu titles and items with their keys, list headers, drop-down
// items. What a list or a field holds is data, not caption.
QList<TShown> textsOf(QWidget* window)
{
    QList<TShown> shown;
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets.prepend(window);
    for (QWidget* w : widgets) {
        const QString where =
            QStringLiteral("%1 %2#%3")
                .arg(window->objectName(), w->metaObject()->className(), w->objectName());
        const auto add = [&](const char* what, const QString& text) {
            if (!text.trimmed().isEmpty())
                shown << TShown{where + QLatin1Char(' ') + QLatin1String(what), plain(text)};
        };
        if (w->isWindow())
            add("windowTitle", w->windowTitle());
        add("toolTip", w->toolTip());
        add("statusTip", w->statusTip());
        add("whatsThis", w->whatsThis());
        add("accessibleName", w->accessibleName());
        add("accessibleDescription", w->accessibleDescription());
        if (auto* label = qobject_cast<QLabel*>(w))
            add("text", label->text());
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            add("text", button->text());
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            add("placeholderText", edit->placeholderText());
        if (auto* box = qobject_cast<QGroupBox*>(w))
            add("title", box->title());
        if (auto* menu = qobject_cast<QMenu*>(w))
            add("title", menu->title());
        if (auto* spin = qobject_cast<QSpinBox*>(w)) {
            add("prefix", spin->prefix());
            add("suffix", spin->suffix());
            add("specialValueText", spin->specialValueText());
        }
        if (auto* tabs = qobject_cast<QTabBar*>(w)) {
            for (int i = 0; i < tabs->count(); ++i) {
                add("tab", tabs->tabText(i));
                add("tabToolTip", tabs->tabToolTip(i));
            }
        }
        if (auto* combo = qobject_cast<QComboBox*>(w)) {
            for (int i = 0; i < combo->count(); ++i)
                add("item", combo->itemText(i));
        }
        if (auto* header = qobject_cast<QHeaderView*>(w); header && header->model()) {
            for (int i = 0; i < header->count(); ++i)
                add("header", header->model()->headerData(i, header->orientation()).toString());
        }
        for (QAction* a : w->actions()) {
            add("action", a->text());
            add("actionToolTip", a->toolTip());
            add("actionStatusTip", a->statusTip());
            add("shortcut", a->shortcut().toString(QKeySequence::NativeText));
        }
    }
    return shown;
}

// The windows `open` shows, walked while open and then closed: a modal one as it runs, any
// other that appears.
QList<TShown> textsOfOpened(const std::function<void()>& open)
{
    QList<TShown> shown;
    QList<QWidget*> before;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible())
            before << w;
    }
    WhenModal([&shown](QWidget* modal) { shown << textsOf(modal); });
    open();
    QCoreApplication::processEvents(); // the modal probe, when nothing modal opened
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && !before.contains(w)) {
            shown << textsOf(w);
            w->close();
        }
    }
    return shown;
}

// Fails with every English text found, after reporting the shown English others mend.
void expectJapanese(const QList<TShown>& shown, const QSet<QString>& allowed)
{
    QStringList english;
    for (const TShown& s : shown) {
        const QString words = englishIn(s.text, allowed).join(QLatin1Char(' '));
        if (!words.isEmpty())
            english << QStringLiteral("%1: \"%2\" (%3)").arg(s.where, s.text, words);
    }
    english.removeDuplicates();
    QVERIFY2(english.isEmpty(), qPrintable(english.join('\n')));
}

// Terminal columns, counted independently of the program's own count: two for a character
// past the Latin and general punctuation blocks, none for a combining mark.
int columnsOf(const QString& line)
{
    int columns = 0;
    for (char32_t c : line.toUcs4()) {
        if (QChar::category(c) == QChar::Mark_NonSpacing)
            continue;
        columns += c >= 0x1100 && !(c >= 0x2000 && c <= 0x206f) ? 2 : 1;
    }
    return columns;
}

} // namespace

class TestJapanese : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The tests run under C.UTF-8, as a site PC set up in English; the program starts as main
    // does.
    void initTestCase() { PrepareDesktopStart(); }

    // The main window with its menus, the register dialogs, the date picker and every other
    // window the menus open show no English.
    void windowsShowNoEnglish()
    {
        TempProfile profile;
        TDesktop desktop;
        desktop.Show();
        TfEditOndoData& main = desktop.MainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QList<TShown> shown = textsOf(&main);
        shown << textsOfOpened([&main] { Child<QPushButton>(&main, N::DayButton)->click(); });
        for (const char* item :
             {N::KojiItem, N::GozaiItem, N::SimeiItem, N::KubunItem, N::OpenItem, N::DayListItem,
              N::JourneyItem, N::PrintItem, N::ExportItem, N::ImportCsvItem, N::PackageItem,
              N::ImportOldItem, N::CopyDataItem, N::RestoreItem, N::DataPathItem, N::SiteItem,
              N::HelpUsageItem, N::HelpAboutItem})
            shown << textsOfOpened([&main, item] { Child<QAction>(&main, item)->trigger(); });
        QSet<QString> windows;
        for (const TShown& s : shown)
            windows << s.where.section(QLatin1Char(' '), 0, 0);
        for (const char* name : {"fEditOndoData", "fCalendar", "fEditKoji", "fEditGozai",
                                 "fEditSimei", "fEditOndoKubun"})
            QVERIFY2(windows.contains(QLatin1String(name)), name);
        expectJapanese(shown, withFontNames(TechnicalTerms));
    }

    // Qt's file dialog lists a folder's entries with Japanese types, sizes and dates, and its
    // own captions in Japanese.
    void fileDialogListsInJapanese()
    {
        TempProfile profile;
        TDesktop desktop;
        QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/温度XXXXXX"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("写真")));
        QFile csv(dir.filePath(QStringLiteral("記録.csv")));
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write("日付,温度\n2026/12/10,160.5\n");
        csv.close();

        QList<TShown> shown;
        QMap<QString, QStringList> rows;
        WhenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog);
            auto* details = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
            QVERIFY(details);
            const QAbstractItemModel* model = details->model();
            QTRY_COMPARE(model->rowCount(details->rootIndex()), 2);
            for (int row = 0; row < 2; ++row) {
                QStringList columns;
                for (int column = 0; column < model->columnCount(); ++column)
                    columns << model->index(row, column, details->rootIndex()).data().toString();
                rows.insert(columns.takeFirst(), columns);
            }
            shown << textsOf(dialog);
            // Chosen as a person does, by a click in the list.
            auto* list = Child<QAbstractItemView>(dialog, "listView");
            const QModelIndexList found =
                list->model()->match(list->model()->index(0, 0, list->rootIndex()), Qt::DisplayRole,
                                     QStringLiteral("記録.csv"), 1, Qt::MatchExactly);
            QCOMPARE(found.size(), 1);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualRect(found.first()).center());
            Child<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Open)->click();
        });
        // The choice still comes through the Japanese columns.
        QCOMPARE(QFileDialog::getOpenFileName(
                     &desktop.MainWindow(), QStringLiteral("CSVファイルを開く"), dir.path(),
                     QStringLiteral("CSVファイル (*.csv);;すべてのファイル (*)")),
                 QFileInfo(csv).absoluteFilePath());

        QCOMPARE(rows.keys(), (QStringList{"写真", "記録.csv"}));
        const QStringList folder = rows.value(QStringLiteral("写真"));
        const QStringList file = rows.value(QStringLiteral("記録.csv"));
        QCOMPARE(folder.value(0), QString());
        QCOMPARE(folder.value(1), QStringLiteral("フォルダ"));
        QCOMPARE(file.value(0), QStringLiteral("%1 バイト").arg(csv.size()));
        QVERIFY2(file.value(1).startsWith(QStringLiteral("CSV")), qPrintable(file.value(1)));
        // Japanese order, year first: 2026/12/10 9:05.
        static const QRegularExpression japaneseDate(
            QStringLiteral("^\\d{4}/\\d{2}/\\d{2} \\d{1,2}:\\d{2}$"));
        for (const QStringList& entry : {folder, file}) {
            QVERIFY2(japaneseDate.match(entry.value(2)).hasMatch(), qPrintable(entry.value(2)));
            for (const QString& text : entry)
                shown << TShown{QStringLiteral("file list"), text};
        }
        expectJapanese(shown, TechnicalTerms);
    }

    // --help is the program's own Japanese text: Qt's English lines are gone, the options'
    // descriptions start in one column and no line is wider than a terminal.
    void helpIsJapanese()
    {
        const Run help = Batch({QStringLiteral("--help")});
        QCOMPARE(help.code, 0);
        const QStringList lines = help.out.split(QLatin1Char('\n'));
        QList<TShown> shown;
        QSet<int> descriptionColumns;
        QStringList options;
        static const QRegularExpression optionLine(QStringLiteral("^  (-\\S.*?)(  +)(\\S.*)?$"));
        static const QRegularExpression continued(QStringLiteral("^( {3,})\\S"));
        for (const QString& line : lines) {
            QVERIFY2(columnsOf(line) <= 80, qPrintable(line));
            QString text = line;
            text.remove(QRegularExpression(QStringLiteral("-{1,2}[a-z][a-z-]*")));
            shown << TShown{QStringLiteral("--help"), text};
            if (const auto m = optionLine.match(line); m.hasMatch()) {
                options << m.captured(1);
                descriptionColumns
                    << columnsOf(QStringLiteral("  ") + m.captured(1) + m.captured(2));
            } else if (const auto c = continued.match(line); c.hasMatch()) {
                descriptionColumns << c.capturedLength(1);
            }
        }
        QVERIFY2(options.size() >= 20, qPrintable(help.out));
        QCOMPARE(descriptionColumns.size(), 1);
        expectJapanese(shown, TechnicalTerms + QSet<QString>{"ondokanri", "chart", "sheet", "xbar",
                                                             "capability", "journey", "profile"});
    }
};

ONDO_TEST_MAIN(TestJapanese, QApplication)
#include "test_japanese.moc"
