#include "printing_ui/SetPrintItems.h"

#include "core/Settings.h"
#include "domain/OndoKanri.h"
#include "printing/PdfPrinter.h"
#include "printing/PrevX.h"
#include "printing_ui/FormPreview.h"
#include "printing_ui/SystemPrinters.h"
#include "reports/ChartMemo.h"
#include "reports/FormKit.h"
#include "reports/TextMetrics.h"
#include "reports/XbarRChart.h"
#include "widgets_ui/ErrorGuard.h"
#include "widgets_ui/WindowFont.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>

namespace {

// At the place the form was drawn with for 9 pt text, grown with the dialog's text.
template <typename W> W* Place(W* widget, const char* name, int x, int y, int w, int h)
{
    widget->setObjectName(QString::fromLatin1(name));
    const QFont& font = widget->parentWidget()->font();
    widget->setGeometry(WindowPixels(font, x), WindowPixels(font, y), WindowPixels(font, w),
                        WindowPixels(font, h));
    return widget;
}

QCheckBox* CellCheckBox(const QTableWidget* grid, int row)
{
    QWidget* cell = grid->cellWidget(row, 0);
    return cell ? cell->findChild<QCheckBox*>() : nullptr;
}

class TPlainTextMemo : public TChartMemo
{
public:
    explicit TPlainTextMemo(QPlainTextEdit* edit) : m_edit(edit) {}
    void Clear() override { m_edit->clear(); }
    void AddLine(const QString& line) override { m_edit->appendPlainText(line); }

private:
    QPlainTextEdit* m_edit;
};

} // namespace

TfSetPrintItems::TfSetPrintItems(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fSetPrintItems"));
    setWindowTitle(QStringLiteral("印刷設定"));
    // 9 pt, or the desktop's size when it is larger.
    setFont(WindowFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    // Three rows under the range: the period, the base period and the chart's panels.
    constexpr int below = 75;
    setFixedSize(WindowPixels(font(), 487), WindowPixels(font(), 536 + below));

    RadioGroup1 =
        Place(new QGroupBox(QStringLiteral("出力形式"), this), "RadioGroup1", 8, 2, 291, 66);
    auto* radios = new QGridLayout(RadioGroup1);
    radios->setContentsMargins(8, 0, 8, 0);
    radios->setVerticalSpacing(0);
    RadioDataSheet = new QRadioButton(QStringLiteral("データシート"), RadioGroup1);
    RadioDataSheet->setObjectName(QStringLiteral("RadioGroup1Item0"));
    RadioChart = new QRadioButton(QStringLiteral("管理図"), RadioGroup1);
    RadioChart->setObjectName(QStringLiteral("RadioGroup1Item1"));
    RadioXbar = new QRadioButton(QStringLiteral("X̄-s管理図"), RadioGroup1);
    RadioXbar->setObjectName(QStringLiteral("RadioXbar"));
    RadioCapability = new QRadioButton(QStringLiteral("工程能力図"), RadioGroup1);
    RadioCapability->setObjectName(QStringLiteral("RadioCapability"));
    RadioXbarR = new QRadioButton(QStringLiteral("x̄-R管理図"), RadioGroup1);
    RadioXbarR->setObjectName(QStringLiteral("RadioXbarR"));
    RadioJourney = new QRadioButton(QStringLiteral("温度低下記録"), RadioGroup1);
    RadioJourney->setObjectName(QStringLiteral("RadioJourney"));
    RadioJourney->setToolTip(
        QStringLiteral("主画面の試験日について、運搬車ごとの区分間の温度低下（すべての区分）"));
    RadioProfile = new QRadioButton(QStringLiteral("敷均し温度分布"), RadioGroup1);
    RadioProfile->setObjectName(QStringLiteral("RadioProfile"));
    RadioProfile->setToolTip(QStringLiteral("主画面の試験日について、フィニッシャの温度計測装置から"
                                            "取り込んだマットの温度と区間の判定"));
    radios->addWidget(RadioDataSheet, 0, 0);
    radios->addWidget(RadioChart, 0, 1);
    radios->addWidget(RadioXbar, 0, 2);
    radios->addWidget(RadioCapability, 1, 0);
    radios->addWidget(RadioXbarR, 1, 1);
    radios->addWidget(RadioJourney, 1, 2);
    radios->addWidget(RadioProfile, 2, 0, 1, 3);
    RadioDataSheet->setChecked(true);

    CheckBox1 =
        Place(new QCheckBox(QStringLiteral("工事毎に印刷"), this), "CheckBox1", 10, 76, 120, 20);
    Button1 =
        Place(new QPushButton(QStringLiteral("プリンタ設定"), this), "Button1", 200, 72, 99, 25);

    Label2 = Place(new QLabel(QStringLiteral("グラフ表示範囲"), this), "Label2", 10, 108, 90, 16);
    Edit1 = Place(new QLineEdit(this), "Edit1", 100, 105, 60, 21);
    Label3 = Place(new QLabel(QStringLiteral("～"), this), "Label3", 165, 108, 14, 16);
    Edit2 = Place(new QLineEdit(this), "Edit2", 182, 105, 60, 21);
    CheckAutoRange =
        Place(new QCheckBox(QStringLiteral("自動"), this), "CheckAutoRange", 248, 106, 55, 20);
    CheckAutoRange->setChecked(true);
    Place(new QLabel(QStringLiteral("印刷期間"), this), "LabelPeriod", 10, 133, 90, 16);
    EditFrom = Place(new QLineEdit(this), "EditFrom", 100, 130, 80, 21);
    Place(new QLabel(QStringLiteral("～"), this), "LabelPeriodTo", 183, 133, 14, 16);
    EditTo = Place(new QLineEdit(this), "EditTo", 198, 130, 80, 21);
    EditFrom->setToolTip(QStringLiteral("この期間の日を印刷し、統計と管理限界もこの期間から求めます"
                                        "（空欄: 登録済みのすべての日）"));
    EditTo->setToolTip(EditFrom->toolTip());
    Place(new QLabel(QStringLiteral("基準期間"), this), "LabelBase", 10, 158, 90, 16);
    EditBaseFrom = Place(new QLineEdit(this), "EditBaseFrom", 100, 155, 80, 21);
    Place(new QLabel(QStringLiteral("～"), this), "LabelBaseTo", 183, 158, 14, 16);
    EditBaseTo = Place(new QLineEdit(this), "EditBaseTo", 198, 155, 80, 21);
    for (QLineEdit* edit : {EditFrom, EditTo, EditBaseFrom, EditBaseTo})
        edit->setPlaceholderText(QStringLiteral("年/月/日"));
    CheckPanels = Place(new QCheckBox(QStringLiteral("管理図を温度区分ごとの段に分ける"), this),
                        "CheckPanels", 10, 180, 290, 20);
    CheckPanels->setToolTip(QStringLiteral(
        "区分が多い（4つ以上）とき、区分ごとの段に分け、段ごとに自動の温度範囲で描きます"));

    Label1 = Place(new QLabel(QStringLiteral("印刷項目"), this), "Label1", 10, 156 + below, 80, 16);
    SS1 = Place(new QTableWidget(0, 3, this), "SS1", 8, 174 + below, 291, 164);
    SS1->setFont(WindowFont(QStringLiteral("Tahoma"), 9));
    SS1->horizontalHeader()->hide();
    SS1->verticalHeader()->hide();
    SS1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    SS1->verticalHeader()->setDefaultSectionSize(WindowPixels(font(), 21));
    SS1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    SS1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The identifiers stay with the rows but are no one's business.
    SS1->setColumnHidden(2, true);

    Label4 =
        Place(new QLabel(QStringLiteral("使用フォント"), this), "Label4", 10, 350 + below, 70, 16);
    Label5 = Place(new QLabel(this), "Label5", 82, 350 + below, 122, 16);
    Button2 = Place(new QPushButton(QStringLiteral("フォント変更"), this), "Button2", 206,
                    345 + below, 93, 25);

    LabelPrinter = Place(new QLabel(this), "LabelPrinter", 10, 374 + below, 289, 30);
    LabelPrinter->setWordWrap(true);
    LabelPrinter->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // What every form's title block and the x̄-R chart follow; stored at "プレビュー".
    auto* forms =
        Place(new QGroupBox(QStringLiteral("帳票"), this), "GroupForms", 8, 406 + below, 471, 78);
    CheckWareki =
        Place(new QCheckBox(QStringLiteral("期間を和暦で"), forms), "CheckWareki", 10, 20, 110, 20);
    Place(new QLabel(QStringLiteral("承認欄"), forms), "LabelSyonin", 130, 22, 44, 16);
    EditSyonin = Place(new QLineEdit(forms), "EditSyonin", 176, 19, 285, 21);
    EditSyonin->setPlaceholderText(
        QStringLiteral("監督員、現場代理人、主任技術者（なし: 欄なし）"));
    Place(new QLabel(QStringLiteral("x̄-R 組の大きさ"), forms), "LabelKumi", 10, 50, 100, 16);
    SpinKumi = Place(new QSpinBox(forms), "SpinKumi", 112, 47, 70, 21);
    SpinKumi->setRange(SmallestXbarRSize, LargestXbarRSize);
    SpinKumi->setSuffix(QStringLiteral(" 個"));
    SpinKumi->setToolTip(QStringLiteral("同じ日の測定順に、この数ずつを1組にします"));
    CheckKikakuSen = Place(new QCheckBox(QStringLiteral("x̄-R に規格値の線"), forms),
                           "CheckKikakuSen", 196, 48, 160, 20);

    // The control chart lists here what it showed; the main window's memo is the user's own.
    Place(new QLabel(QStringLiteral("管理図の合材と試験日"), this), "LabelMemoChart", 310, 4, 170,
          16);
    MemoChart = Place(new QPlainTextEdit(this), "MemoChart", 308, 22, 171, 376 + below);
    MemoChart->setReadOnly(true);
    m_memo = std::make_unique<TPlainTextMemo>(MemoChart);

    BitBtn3 =
        Place(new QPushButton(QStringLiteral("チェック"), this), "BitBtn3", 8, 496 + below, 91, 30);
    BitBtn1 = Place(new QPushButton(QStringLiteral("プレビュー"), this), "BitBtn1", 108,
                    496 + below, 91, 30);
    BitBtn2 =
        Place(new QPushButton(QStringLiteral("閉じる"), this), "BitBtn2", 208, 496 + below, 91, 30);

    connect(Button1, &QPushButton::clicked, this, [this] {
        RunGuarded(this, [this] {
            m_printerSetup.ExecuteSetup();
            ShowPrinter();
        });
    });
    connect(Button2, &QPushButton::clicked, this,
            [this] { RunGuarded(this, [this] { ChangeFont(); }); });
    connect(BitBtn3, &QPushButton::clicked, this,
            [this] { RunGuarded(this, [this] { ToggleAll(); }); });
    connect(BitBtn1, &QPushButton::clicked, this,
            [this] { RunGuarded(this, [this] { Preview(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::close);
    for (QAbstractButton* b :
         {static_cast<QAbstractButton*>(RadioDataSheet), static_cast<QAbstractButton*>(RadioChart),
          static_cast<QAbstractButton*>(RadioXbar), static_cast<QAbstractButton*>(RadioCapability),
          static_cast<QAbstractButton*>(RadioXbarR), static_cast<QAbstractButton*>(RadioJourney),
          static_cast<QAbstractButton*>(RadioProfile),
          static_cast<QAbstractButton*>(CheckAutoRange),
          static_cast<QAbstractButton*>(CheckPanels)})
        connect(b, &QAbstractButton::toggled, this, [this] { UpdateRangeEdits(); });
    UpdateRangeEdits();
    ShowPrinter();
}

TfSetPrintItems::~TfSetPrintItems()
{
    if (m_watch)
        m_watch->OnChange = nullptr;
}

void TfSetPrintItems::SetPrinterWatch(TPrinterWatch* watch)
{
    if (m_watch)
        m_watch->OnChange = nullptr;
    m_watch = watch;
    if (m_watch)
        m_watch->OnChange = [this] {
            m_printerSetup.PrinterListChanged();
            ShowPrinter();
        };
}

void TfSetPrintItems::ShowPrinter()
{
    const QString missing = m_printerSetup.MissingPrinter();
    const QString used = m_printerSetup.PrinterName();
    if (!missing.isEmpty()) {
        LabelPrinter->setStyleSheet(QStringLiteral("color: #c00000;"));
        LabelPrinter->setText(
            used.isEmpty() ? QStringLiteral("プリンタ「%1」が見つかりません").arg(missing)
                           : QStringLiteral("プリンタ「%1」が見つかりません。「%2」に出力します")
                                 .arg(missing, used));
    } else {
        LabelPrinter->setStyleSheet(QString());
        LabelPrinter->setText(used.isEmpty() ? QStringLiteral("プリンタ：なし")
                                             : QStringLiteral("プリンタ：%1").arg(used));
    }
}

void TfSetPrintItems::showEvent(QShowEvent* event)
{
    if (parentWidget()) {
        QRect frame = frameGeometry();
        frame.moveCenter(parentWidget()->frameGeometry().center());
        move(frame.topLeft());
    }
    RunGuarded(this, [this] {
        if (m_watch)
            m_watch->Check();
        FillGrid();
        Edit1->setText(GraphLowSetting());
        Edit2->setText(GraphHighSetting());
        Label5->setText(FontInUse());
        ShowFormSettings();
        ShowPeriod();
    });
    ShowPrinter();
    QDialog::showEvent(event);
}

void TfSetPrintItems::FillGrid()
{
    SS1->setColumnWidth(0, WindowPixels(font(), 30));
    SS1->setColumnWidth(1, WindowPixels(font(), 240));
    SS1->clearContents();
    SS1->setRowCount(0);
    const QList<TPrintRow> rows = CategoryRows();
    SS1->setRowCount(int(rows.size()));
    for (int i = 0; i < rows.size(); ++i) {
        auto* cell = new QWidget(SS1);
        auto* layout = new QHBoxLayout(cell);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setAlignment(Qt::AlignCenter);
        layout->addWidget(new QCheckBox(cell));
        SS1->setCellWidget(i, 0, cell);
        SS1->setItem(i, 1, new QTableWidgetItem(rows[i].name));
        SS1->setItem(i, 2, new QTableWidgetItem(rows[i].id));
    }
    // The category shown in the main window is what is usually printed.
    if (m_record)
        for (int i = 0; i < rows.size(); ++i)
            if (rows[i].id == QString::number(m_record->Kubun.ID))
                SetTicked(i, true);
}

void TfSetPrintItems::ShowFormSettings()
{
    const TTitleSettings title = ReadTitleSettings();
    CheckWareki->setChecked(title.wareki);
    EditSyonin->setText(title.approvals.isEmpty() ? QStringLiteral("なし")
                                                  : title.approvals.join(QStringLiteral("、")));
    const TXbarRSettings xbarR = ReadXbarRSettings();
    SpinKumi->setValue(xbarR.size);
    CheckKikakuSen->setChecked(xbarR.specLines);
    // The form and boxes last printed with in an earlier run; later showings keep the dialog's.
    if (m_choicesShown)
        return;
    m_choicesShown = true;
    if (auto* form = RadioGroup1->findChild<QRadioButton*>(TSettings::PrintForm()))
        form->setChecked(true);
    CheckBox1->setChecked(TSettings::PrintPerProject());
    CheckAutoRange->setChecked(TSettings::PrintAutoRange());
    CheckPanels->setChecked(TSettings::PrintPanels());
}

void TfSetPrintItems::StoreFormSettings()
{
    TTitleSettings title;
    title.wareki = CheckWareki->isChecked();
    title.approvals = ParseApprovals(EditSyonin->text());
    WriteTitleSettings(title);
    WriteXbarRSettings(TXbarRSettings{SpinKumi->value(), CheckKikakuSen->isChecked()});
    for (auto* form : RadioGroup1->findChildren<QRadioButton*>())
        if (form->isChecked())
            TSettings::SetPrintForm(form->objectName());
    TSettings::SetPrintPerProject(CheckBox1->isChecked());
    TSettings::SetPrintAutoRange(CheckAutoRange->isChecked());
    TSettings::SetPrintPanels(CheckPanels->isChecked());
}

void TfSetPrintItems::ShowPeriod()
{
    // The month of the day the main window shows.
    if (!m_record || !m_record->Hiduke.isValid())
        return;
    const QDate day = m_record->Hiduke.date();
    const QDate first(day.year(), day.month(), 1);
    EditFrom->setText(first.toString(QStringLiteral("yyyy/MM/dd")));
    EditTo->setText(first.addMonths(1).addDays(-1).toString(QStringLiteral("yyyy/MM/dd")));
}

// The installed face the forms' default resolves to, as the font list names it.
QString TfSetPrintItems::DefaultFaceInUse()
{
    InstallFontSubstitutions();
    return QFontInfo(QFont(DefaultFaceName())).family();
}

QString TfSetPrintItems::FontInUse()
{
    const QString stored = TSettings::PrintFont();
    if (!stored.isEmpty())
        return stored;
    InstallFontSubstitutions();
    return QStringLiteral("既定（%1）").arg(DefaultFaceInUse());
}

QStringList TfSetPrintItems::JapaneseFaces()
{
    QStringList faces;
    for (const QString& family : QFontDatabase::families(QFontDatabase::Japanese))
        if (!QFontDatabase::isPrivateFamily(family))
            faces << family;
    return faces;
}

QList<TPrintRow> TfSetPrintItems::Rows() const
{
    QList<TPrintRow> rows;
    for (int i = 0; i < SS1->rowCount(); ++i) {
        const QTableWidgetItem* name = SS1->item(i, 1);
        const QTableWidgetItem* id = SS1->item(i, 2);
        rows.append(
            TPrintRow{Ticked(i), name ? name->text() : QString(), id ? id->text() : QString()});
    }
    return rows;
}

bool TfSetPrintItems::Ticked(int row) const
{
    const QCheckBox* box = CellCheckBox(SS1, row);
    return box && box->isChecked();
}

void TfSetPrintItems::SetTicked(int row, bool ticked)
{
    if (QCheckBox* box = CellCheckBox(SS1, row))
        box->setChecked(ticked);
}

void TfSetPrintItems::ToggleAll()
{
    if (SS1->rowCount() == 0)
        return;
    const bool tick = !Ticked(0);
    for (int i = 0; i < SS1->rowCount(); ++i)
        SetTicked(i, tick);
}

void TfSetPrintItems::ChangeFont()
{
    // Only faces that print Japanese are offered; the list is read when first asked for.
    if (!FontDialog1) {
        FontDialog1 = new QInputDialog(this);
        FontDialog1->setObjectName(QStringLiteral("FontDialog1"));
        FontDialog1->setWindowTitle(QStringLiteral("フォント変更"));
        FontDialog1->setLabelText(QStringLiteral("印刷に使うフォント"));
        FontDialog1->setOption(QInputDialog::UseListViewForComboBoxItems);
    }
    const QStringList faces = JapaneseFaces();
    if (faces.isEmpty())
        throw AppError(QStringLiteral("日本語のフォントがインストールされていません"));
    FontDialog1->setComboBoxItems(faces);
    const QString stored = TSettings::PrintFont();
    const QString current = stored.isEmpty() ? DefaultFaceInUse() : stored;
    FontDialog1->setTextValue(faces.contains(current) ? current : faces.first());
    if (FontDialog1->exec() != QDialog::Accepted)
        return;
    TSettings::SetPrintFont(FontDialog1->textValue());
    Label5->setText(FontInUse());
}

TPrintForm TfSetPrintItems::Form() const
{
    if (RadioXbar->isChecked())
        return TPrintForm::XbarChart;
    if (RadioCapability->isChecked())
        return TPrintForm::Capability;
    if (RadioXbarR->isChecked())
        return TPrintForm::XbarRChart;
    if (RadioJourney->isChecked())
        return TPrintForm::Journey;
    if (RadioProfile->isChecked())
        return TPrintForm::Profile;
    return RadioChart->isChecked() ? TPrintForm::ControlChart : TPrintForm::DataSheet;
}

// The typed range counts for the X chart, and for the X̄–s chart when not automatic; the base
// period only for the X̄–s chart.
void TfSetPrintItems::UpdateRangeEdits()
{
    const TPrintForm form = Form();
    CheckAutoRange->setEnabled(form == TPrintForm::XbarChart);
    CheckPanels->setEnabled(form == TPrintForm::ControlChart);
    const bool untyped = form == TPrintForm::Capability || form == TPrintForm::XbarRChart ||
                         form == TPrintForm::Journey || form == TPrintForm::Profile ||
                         (form == TPrintForm::XbarChart && CheckAutoRange->isChecked()) ||
                         (form == TPrintForm::ControlChart && CheckPanels->isChecked());
    Edit1->setEnabled(!untyped);
    Edit2->setEnabled(!untyped);
    EditBaseFrom->setEnabled(form == TPrintForm::XbarChart);
    EditBaseTo->setEnabled(form == TPrintForm::XbarChart);
}

void TfSetPrintItems::Preview()
{
    if (!m_record || !m_preview)
        throw AppError(QStringLiteral("プレビューの準備ができていません"));
    TPrintRequest request{Form(), Rows(), CheckBox1->isChecked(), Edit1->text(), Edit2->text()};
    request.autoRange = CheckAutoRange->isChecked();
    request.baseFrom = EditBaseFrom->text();
    request.baseTo = EditBaseTo->text();
    request.from = EditFrom->text();
    request.to = EditTo->text();
    request.panels = CheckPanels->isChecked();
    StoreFormSettings();
    TPrevX& prev = m_preview->PrevX();
    BuildPrintDocument(*m_record, prev, request, m_memo.get(), m_watch);
    prev.SetZoomScale(80);
    m_preview->exec();
}

namespace {

// Qt's dialog lists its file printer last; here it is the built-in PDF printer, which asks for
// its file when a job starts, so the dialog's own file box is left out.
void ShowPdfPrinterInDialog(QPrintDialog& dialog)
{
    auto* printers = dialog.findChild<QComboBox*>(QStringLiteral("printers"));
    if (!printers || printers->count() == 0)
        return;
    const int pdf = printers->count() - 1;
    printers->setItemText(pdf, TPdfPrinter::PrinterName());
    const bool isPdf = printers->currentIndex() == pdf;
    for (const char* name : {"filename", "fileBrowser", "lOutput"}) {
        if (auto* w = dialog.findChild<QWidget*>(QString::fromLatin1(name))) {
            w->setEnabled(!isPdf && w->isEnabled());
            w->setVisible(false);
        }
    }
}

} // namespace

void InstallPrinterSetupDialog(QWidget* parent)
{
    QPointer<QWidget> owner(parent);
    TPrinterSetup::SetDefaultSetupDialog([owner] {
        TPrinterDevice& device = SelectedPrinter();
        // A copy for the dialog, so that cancel leaves the shared printer untouched.
        QPrinter printer(QPrinter::HighResolution);
        if (auto* system = dynamic_cast<TSystemPrinter*>(&device))
            printer.setPrinterName(system->Printer().printerName());
        else
            printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageLayout(device.PageLayout());
        ApplyJobOptions(printer);
        QPrintDialog dialog(&printer, owner);
        dialog.setWindowTitle(QStringLiteral("プリンタの設定"));
        dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
        dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
        dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
        // The printer list is filled when the dialog shows.
        QTimer::singleShot(0, &dialog, [&dialog] {
            ShowPdfPrinterInDialog(dialog);
            // It only chooses; printing starts from the preview.
            if (auto* buttons = dialog.findChild<QDialogButtonBox*>())
                if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok))
                    ok->setText(QStringLiteral("OK"));
            if (auto* printers = dialog.findChild<QComboBox*>(QStringLiteral("printers")))
                QObject::connect(printers, &QComboBox::currentIndexChanged, &dialog,
                                 [&dialog] { ShowPdfPrinterInDialog(dialog); });
        });
        if (dialog.exec() != QDialog::Accepted)
            return false;
        const QString chosen = printer.outputFormat() == QPrinter::PdfFormat
                                   ? TPdfPrinter::PrinterName()
                                   : printer.printerName();
        const int index = int(PrinterNames().indexOf(chosen));
        if (index >= 0 && index != SelectedPrinterIndex())
            SelectPrinter(index);
        TPrinterDevice& target = SelectedPrinter();
        target.SetPageLayout(printer.pageLayout());
        if (const int code = CodeOfPageSize(printer.pageLayout().pageSize()))
            target.SetPaperSize(code);
        SetJobOptions(TJobOptions{printer.copyCount(), printer.collateCopies(),
                                  int(printer.duplex()), printer.colorMode() == QPrinter::GrayScale,
                                  printer.pageOrder() == QPrinter::LastPageFirst});
        return true;
    });
}
