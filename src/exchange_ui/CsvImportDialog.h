#pragma once

#include "exchange/CsvImport.h"

#include <QDialog>

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// ファイル → "CSVから取り込み…": a CSV file's first rows as read, the columns to take, what
// each day would store, and where it goes. 取り込み registers the days.
class TfCsvImport : public QDialog
{
    Q_OBJECT
public:
    explicit TfCsvImport(QWidget* parent = nullptr);

    // Fills the register choices, preselecting the given target (the main window's record).
    void Prepare(const CsvTarget& shown);
    // Reads the file into the preview; raises AppError when it cannot be read.
    void OpenFile(const QString& file);
    // The days of the chosen columns, or the reason they cannot be read.
    QList<CsvDay> Days() const;
    CsvTarget Target() const;
    // Registers the days after asking about stored ones; returns false when not done.
    bool ImportDays();

    CsvImportResult LastResult;
    QDate FirstDay; // of the last import

    QLineEdit* FileEdit = nullptr;
    QPushButton* BrowseButton = nullptr;
    QLabel* FormatLabel = nullptr;
    QTableWidget* RowsGrid = nullptr;
    QComboBox* DateColumn = nullptr;
    QComboBox* TimeColumn = nullptr;
    QComboBox* TempColumn = nullptr;
    QComboBox* LabelColumn = nullptr;
    QComboBox* TruckColumn = nullptr;
    QComboBox* RemarkColumn = nullptr;
    QTableWidget* DaysGrid = nullptr;
    QLabel* ProblemLabel = nullptr;
    QComboBox* ProjectBox = nullptr;
    QComboBox* MixBox = nullptr;
    QComboBox* CategoryBox = nullptr;
    QComboBox* MeasurerBox = nullptr;
    QDialogButtonBox* Buttons = nullptr;

private:
    CsvColumns chosenColumns() const;
    void fillColumnChoices();
    void refreshDays();
    void browse();

    CsvTable m_table;
    bool m_filling = false;
};
