// Opens the print preview of the X control chart (or the record table) of K1 / 密粒, all
// categories ticked, as the プレビュー button does, and times each opening up to the first
// painted page.
//   bench_preview LOCATION [OPENINGS [chart|sheet]]
// (data from make_report_data.py; 880 days: a 40-page chart)
#include "domain/OndoKanri.h"
#include "printing_ui/FormPreview.h"
#include "printing_ui/PrevXPane.h"
#include "printing_ui/SetPrintItems.h"
#include "printing_ui/SystemPrinters.h"
#include "storage/Engine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Notes the time of the pane's first paint and closes the preview right after it.
class FirstPaint : public QObject
{
public:
    FirstPaint(TFormPreview& preview, QElapsedTimer& clock) : m_preview(preview), m_clock(clock) {}
    double ms = -1;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && ms < 0) {
            ms = m_clock.nsecsElapsed() / 1e6;
            QTimer::singleShot(0, &m_preview, [this] { m_preview.done(0); });
        }
        return false;
    }

private:
    TFormPreview& m_preview;
    QElapsedTimer& m_clock;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_preview LOCATION [OPENINGS [chart|sheet]]\n");
        return 2;
    }
    const int openings = args.size() > 2 ? args.at(2).toInt() : 10;
    const bool sheet = args.size() > 3 && args.at(3) == QLatin1String("sheet");
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ 明朝"), QStringLiteral("IPAMincho"));
    Engine::OpenDatabase(args.at(1));
    InstallSystemPrinters();

    TOndoKanri record;
    record.Koji.Load(QStringLiteral("K1"));
    record.Gozai.Load(QStringLiteral("密粒"));
    record.Kubun.LoadByID(0);
    record.Hiduke = QDateTime(QDate(2022, 4, 1), QTime(0, 0));
    record.LoadByDate();

    TFormPreview preview;
    TfSetPrintItems dialog;
    dialog.SetRecord(&record);
    dialog.SetPreview(&preview);
    dialog.show();
    QApplication::processEvents();
    (sheet ? dialog.RadioDataSheet : dialog.RadioChart)->setChecked(true);
    for (int row = 0; row < dialog.SS1->rowCount(); ++row)
        dialog.SetTicked(row, true);

    std::vector<double> times;
    int pages = 0;
    for (int i = 0; i < openings; ++i) {
        QElapsedTimer clock;
        FirstPaint watch(preview, clock);
        preview.PrevX1->installEventFilter(&watch);
        clock.start();
        dialog.Preview();
        preview.PrevX1->removeEventFilter(&watch);
        pages = preview.UpDownMax();
        times.push_back(watch.ms);
    }
    std::printf("preview of the %s: %d pages, first opening %.1f ms",
                sheet ? "record table" : "chart", pages, times.front());
    if (times.size() > 1) {
        std::vector<double> rest(times.begin() + 1, times.end());
        std::sort(rest.begin(), rest.end());
        std::printf(", later openings median %.1f ms (min %.1f, max %.1f)", rest[rest.size() / 2],
                    rest.front(), rest.back());
    }
    std::printf("\n");
    return 0;
}
