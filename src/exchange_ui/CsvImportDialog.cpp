#include "exchange_ui/CsvImportDialog.h"

#include "core/AppError.h"
#include "core/Utility.h"
#include "domain/OndoKubun.h"
#include "domain/RegisterEntry.h"
#include "widgets_ui/BusyCursor.h"
#include "widgets_ui/ErrorGuard.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int ShownRows = 20;

QTableWidgetItem* cell(const QString& text, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setTextAlignment(align);
    return item;
}

QString separatorName(QChar c)
{
    if (c == QLatin1Char('\t'))
        return QStringLiteral("タブ");
    if (c == QLatin1Char(';'))
        return QStringLiteral("セミコロン");
    return QStringLiteral("カンマ");
}

QComboBox* makeCombo(QWidget* parent, const char* name, bool editable)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setEditable(editable);
    return box;
}

void selectData(QComboBox* box, int value)
{
    const int at = box->findData(value);
    box->setCurrentIndex(at < 0 ? 0 : at);
}

} // namespace

TfCsvImport::TfCsvImport(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CsvImportDialog"));
    setWindowTitle(QStringLiteral("CSVから取り込み"));
    auto* layout = new QVBoxLayout(this);

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(new QLabel(QStringLiteral("ファイル"), this));
    FileEdit = new QLineEdit(this);
    FileEdit->setObjectName(QStringLiteral("FileEdit"));
    FileEdit->setReadOnly(true);
    fileRow->addWidget(FileEdit, 1);
    BrowseButton = new QPushButton(QStringLiteral("参照…"), this);
    BrowseButton->setObjectName(QStringLiteral("BrowseButton"));
    fileRow->addWidget(BrowseButton);
    layout->addLayout(fileRow);
    FormatLabel = new QLabel(this);
    FormatLabel->setObjectName(QStringLiteral("FormatLabel"));
    layout->addWidget(FormatLabel);

    auto* rowsBox =
        new QGroupBox(QStringLiteral("読み取った内容（先頭 %1 行）").arg(ShownRows), this);
    auto* rowsLayout = new QVBoxLayout(rowsBox);
    RowsGrid = new QTableWidget(rowsBox);
    RowsGrid->setObjectName(QStringLiteral("RowsGrid"));
    RowsGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    RowsGrid->verticalHeader()->setDefaultSectionSize(RowsGrid->fontMetrics().height() + 6);
    RowsGrid->setMinimumHeight(RowsGrid->verticalHeader()->defaultSectionSize() * 9);
    rowsLayout->addWidget(RowsGrid);
    layout->addWidget(rowsBox, 3);

    auto* columnsRow = new QHBoxLayout;
    DateColumn = makeCombo(this, "DateColumn", false);
    TimeColumn = makeCombo(this, "TimeColumn", false);
    TempColumn = makeCombo(this, "TempColumn", false);
    LabelColumn = makeCombo(this, "LabelColumn", false);
    TruckColumn = makeCombo(this, "TruckColumn", false);
    RemarkColumn = makeCombo(this, "RemarkColumn", false);
    for (auto [caption, box] :
         {std::pair{"日付・日時の列", DateColumn}, std::pair{"時刻の列", TimeColumn},
          std::pair{"温度の列", TempColumn}, std::pair{"測点の列", LabelColumn},
          std::pair{"車番の列", TruckColumn}, std::pair{"備考の列", RemarkColumn}}) {
        auto* label = new QLabel(QString::fromUtf8(caption), this);
        label->setBuddy(box);
        columnsRow->addWidget(label);
        columnsRow->addWidget(box, 1);
    }
    layout->addLayout(columnsRow);

    auto* daysBox = new QGroupBox(QStringLiteral("登録される試験日"), this);
    auto* daysLayout = new QVBoxLayout(daysBox);
    DaysGrid = new QTableWidget(0, 6, daysBox);
    DaysGrid->setObjectName(QStringLiteral("DaysGrid"));
    DaysGrid->setHorizontalHeaderLabels({QStringLiteral("試験日"), QStringLiteral("個数"),
                                         QStringLiteral("最高"), QStringLiteral("最低"),
                                         QStringLiteral("平均"), QStringLiteral("備考")});
    DaysGrid->horizontalHeader()->setStretchLastSection(true);
    DaysGrid->verticalHeader()->hide();
    DaysGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DaysGrid->verticalHeader()->setDefaultSectionSize(DaysGrid->fontMetrics().height() + 6);
    DaysGrid->setMinimumHeight(DaysGrid->verticalHeader()->defaultSectionSize() * 5);
    daysLayout->addWidget(DaysGrid);
    ProblemLabel = new QLabel(daysBox);
    ProblemLabel->setObjectName(QStringLiteral("ProblemLabel"));
    ProblemLabel->setStyleSheet(QStringLiteral("color: #c00000"));
    ProblemLabel->setWordWrap(true);
    ProblemLabel->setTextFormat(Qt::PlainText); // it quotes the file
    daysLayout->addWidget(ProblemLabel);
    layout->addWidget(daysBox, 2);

    auto* targetBox = new QGroupBox(QStringLiteral("登録先"), this);
    auto* form = new QFormLayout(targetBox);
    ProjectBox = makeCombo(targetBox, "ProjectBox", false);
    MixBox = makeCombo(targetBox, "MixBox", true);
    CategoryBox = makeCombo(targetBox, "CategoryBox", false);
    MeasurerBox = makeCombo(targetBox, "MeasurerBox", true);
    form->addRow(QStringLiteral("工事"), ProjectBox);
    form->addRow(QStringLiteral("合材名"), MixBox);
    form->addRow(QStringLiteral("区分"), CategoryBox);
    form->addRow(QStringLiteral("測定者"), MeasurerBox);
    layout->addWidget(targetBox);

    Buttons = new QDialogButtonBox(this);
    QPushButton* import =
        Buttons->addButton(QStringLiteral("取り込み"), QDialogButtonBox::AcceptRole);
    import->setObjectName(QStringLiteral("ImportButton"));
    Buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    layout->addWidget(Buttons);

    connect(BrowseButton, &QPushButton::clicked, this,
            [this] { RunGuarded(this, [this] { browse(); }); });
    for (QComboBox* box :
         {DateColumn, TimeColumn, TempColumn, LabelColumn, TruckColumn, RemarkColumn})
        connect(box, &QComboBox::currentIndexChanged, this, [this] {
            if (!m_filling)
                refreshDays();
        });
    for (QComboBox* box : {ProjectBox, CategoryBox})
        connect(box, &QComboBox::currentIndexChanged, this, [this] {
            if (!m_filling)
                refreshDays();
        });
    connect(MixBox, &QComboBox::currentTextChanged, this, [this] {
        if (!m_filling)
            refreshDays();
    });
    connect(Buttons, &QDialogButtonBox::accepted, this, [this] {
        bool done = false;
        RunGuarded(this, [this, &done] { done = ImportDays(); });
        if (done)
            accept();
    });
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(760, 700);
}

void TfCsvImport::Prepare(const CsvTarget& shown)
{
    m_filling = true;
    ProjectBox->clear();
    QStringList codes;
    TKoji koji;
    koji.TRegisterEntry::GetList(codes);
    for (const QString& code : codes) {
        koji.Load(code);
        ProjectBox->addItem(
            koji.Kojimei().isEmpty() ? code : code + QStringLiteral("  ") + koji.Kojimei(), code);
    }
    selectData(ProjectBox, 0);
    const int project = ProjectBox->findData(shown.kojiCode);
    if (project >= 0)
        ProjectBox->setCurrentIndex(project);

    QStringList names;
    TGozai().GetList(names);
    MixBox->clear();
    MixBox->addItems(names);
    MixBox->setEditText(shown.gozaiName);

    TOndoKubun().GetKubunNames(names);
    CategoryBox->clear();
    CategoryBox->addItems(names);
    if (names.contains(shown.kubunName))
        CategoryBox->setCurrentText(shown.kubunName);

    TSimei().GetList(names);
    MeasurerBox->clear();
    MeasurerBox->addItems(names);
    MeasurerBox->setEditText(shown.simei);
    m_filling = false;
    // The file may have grown since the dialog last read it.
    if (!FileEdit->text().isEmpty()) {
        try {
            OpenFile(FileEdit->text());
            return;
        } catch (const AppError&) {
            FileEdit->clear();
            RowsGrid->setRowCount(0);
            FormatLabel->clear();
        }
    }
    refreshDays();
}

void TfCsvImport::browse()
{
    const QString file = QFileDialog::getOpenFileName(
        this, QStringLiteral("CSVファイルを開く"), FileEdit->text(),
        QStringLiteral("CSVファイル (*.csv *.txt);;すべてのファイル (*)"));
    if (!file.isEmpty())
        OpenFile(file);
}

void TfCsvImport::OpenFile(const QString& file)
{
    const TBusyCursor busy;
    m_table = ReadCsvFile(file);
    FileEdit->setText(file);
    const QStringList names = m_table.Names();
    FormatLabel->setText(
        QStringLiteral("文字コード: %1　区切り: %2　見出し行: %3 行　データ: %4 行")
            .arg(m_table.encoding, separatorName(m_table.separator))
            .arg(qMax(0, m_table.firstData))
            .arg(QLocale(QLocale::Japanese, QLocale::Japan)
                     .toString(m_table.firstData < 0 ? 0 : m_table.rowCount - m_table.firstData)));

    int width = 0;
    for (const CsvRow& row : m_table.rows)
        width = qMax(width, int(row.fields.size()));
    const int shown = qMin(ShownRows, int(m_table.rows.size()));
    RowsGrid->clear();
    RowsGrid->setColumnCount(width);
    RowsGrid->setRowCount(shown);
    QStringList headers;
    for (int c = 0; c < width; ++c)
        headers << (c < names.size() && !names.at(c).isEmpty()
                        ? QStringLiteral("%1 %2").arg(c + 1).arg(names.at(c))
                        : QString::number(c + 1));
    RowsGrid->setHorizontalHeaderLabels(headers);
    QStringList lines;
    for (int r = 0; r < shown; ++r) {
        const CsvRow& row = m_table.rows.at(r);
        lines << QString::number(row.line);
        for (int c = 0; c < row.fields.size(); ++c) {
            QTableWidgetItem* item = cell(row.fields.at(c));
            if (r < m_table.firstData)
                item->setForeground(Qt::gray); // a title line
            RowsGrid->setItem(r, c, item);
        }
    }
    RowsGrid->setVerticalHeaderLabels(lines);
    RowsGrid->resizeColumnsToContents();
    fillColumnChoices();
    refreshDays();
}

void TfCsvImport::fillColumnChoices()
{
    m_filling = true;
    const QStringList names = m_table.Names();
    const int width = RowsGrid->columnCount();
    for (QComboBox* box :
         {DateColumn, TimeColumn, TempColumn, LabelColumn, TruckColumn, RemarkColumn}) {
        box->clear();
        if (box != DateColumn && box != TempColumn)
            box->addItem(QStringLiteral("なし"), -1);
        for (int c = 0; c < width; ++c)
            box->addItem(c < names.size() && !names.at(c).isEmpty()
                             ? QStringLiteral("%1: %2").arg(c + 1).arg(names.at(c))
                             : QStringLiteral("%1 列目").arg(c + 1),
                         c);
    }
    selectData(DateColumn, m_table.guess.date);
    selectData(TimeColumn, m_table.guess.time);
    selectData(TempColumn, m_table.guess.temperature);
    selectData(LabelColumn, -1);
    selectData(TruckColumn, -1);
    selectData(RemarkColumn, -1);
    m_filling = false;
}

CsvColumns TfCsvImport::chosenColumns() const
{
    CsvColumns c;
    c.date = DateColumn->currentData().isValid() ? DateColumn->currentData().toInt() : -1;
    c.time = TimeColumn->currentData().isValid() ? TimeColumn->currentData().toInt() : -1;
    c.temperature = TempColumn->currentData().isValid() ? TempColumn->currentData().toInt() : -1;
    c.label = LabelColumn->currentData().isValid() ? LabelColumn->currentData().toInt() : -1;
    c.truck = TruckColumn->currentData().isValid() ? TruckColumn->currentData().toInt() : -1;
    c.remark = RemarkColumn->currentData().isValid() ? RemarkColumn->currentData().toInt() : -1;
    return c;
}

QList<CsvDay> TfCsvImport::Days() const
{
    if (FileEdit->text().isEmpty())
        throw AppError(QStringLiteral("取り込むCSVファイルを選んでください"));
    const CsvColumns c = chosenColumns();
    if (!c.IsValid())
        throw AppError(QStringLiteral("日付と温度の列を選んでください"));
    return CsvDays(m_table, c);
}

CsvTarget TfCsvImport::Target() const
{
    return {ProjectBox->currentData().toString(), MixBox->currentText().trimmed(),
            CategoryBox->currentText(), MeasurerBox->currentText().trimmed()};
}

void TfCsvImport::refreshDays()
{
    DaysGrid->setRowCount(0);
    ProblemLabel->clear();
    if (FileEdit->text().isEmpty())
        return;
    const TBusyCursor busy;
    QList<CsvDay> days;
    try {
        days = Days();
    } catch (const AppError& e) {
        ProblemLabel->setText(e.message());
        return;
    }
    QList<QDate> stored;
    try {
        stored = StoredCsvDays(days, Target());
    } catch (const AppError&) {
        // The preview does without the stored days; 取り込み reports what is wrong.
    }
    DaysGrid->setRowCount(days.size());
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    for (int r = 0; r < days.size(); ++r) {
        const CsvDay& d = days.at(r);
        DaysGrid->setItem(r, 0, cell(FormatDate(QDateTime(d.day, QTime(0, 0)))));
        DaysGrid->setItem(r, 1, cell(QString::number(d.stats.count), right));
        DaysGrid->setItem(r, 2, cell(FormatGeneral(d.stats.maximum), right));
        DaysGrid->setItem(r, 3, cell(FormatGeneral(d.stats.minimum), right));
        DaysGrid->setItem(r, 4, cell(FormatFixed(d.stats.average, 1), right));
        QString note;
        if (d.stats.count > MaxReadingsPerDay)
            note = QStringLiteral("%1 件を超えるため取り込みません").arg(MaxReadingsPerDay);
        else if (stored.contains(d.day))
            note = QStringLiteral("登録済み（置き換え）");
        QTableWidgetItem* item = cell(note);
        if (!note.isEmpty())
            item->setForeground(QColor(0xc0, 0, 0));
        DaysGrid->setItem(r, 5, item);
    }
    DaysGrid->resizeColumnsToContents();
}

bool TfCsvImport::ImportDays()
{
    const QList<CsvDay> days = [this] {
        const TBusyCursor busy;
        return Days();
    }();
    const CsvTarget target = Target();
    if (target.kojiCode.isEmpty())
        throw AppError(QStringLiteral("工事を選んでください"));
    QStringList stored;
    const QList<QDate> agreed = StoredCsvDays(days, target);
    for (const QDate& d : agreed)
        stored << FormatDate(QDateTime(d, QTime(0, 0)));
    if (!stored.isEmpty()) {
        const auto answer = QMessageBox::question(
            this, windowTitle(),
            QStringLiteral("試験日 %1 はすでに登録されています。ファイルの温度で置き換えますか？")
                .arg(stored.join(QStringLiteral("、"))),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return false;
    }
    {
        const TBusyCursor busy;
        LastResult = ImportCsvDays(days, target, agreed);
    }
    FirstDay = QDate();
    for (const CsvDay& d : days) {
        if (d.stats.count <= MaxReadingsPerDay) {
            FirstDay = d.day;
            break;
        }
    }
    QString message =
        QStringLiteral("取り込み: %1 日 %2 件").arg(LastResult.days).arg(LastResult.readings);
    if (!LastResult.refused.isEmpty())
        message += QStringLiteral("\n\n") + LastResult.refused.join(QLatin1Char('\n'));
    QMessageBox::information(this, windowTitle(), message);
    return true;
}
