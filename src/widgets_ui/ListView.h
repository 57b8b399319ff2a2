#pragma once

#include "domain/ListViewData.h"

#include <QDialog>

class QPushButton;
class QTreeView;
class TListModel;

// The list picker the header pickers share: the caller fills it, shows it modally and
// reads the chosen row (its hidden sub-items included). The view draws the rows as it scrolls
// to them, so a head office's twenty thousand records open about as fast as twenty.
class TfListView : public QDialog
{
    Q_OBJECT
public:
    explicit TfListView(QWidget* parent = nullptr);

    void Fill(const ListViewData& data);
    int RowCount() const;
    // Chooses row `row` of the data, bringing it into the view.
    void SelectRow(int row);
    // -1 when no row is chosen.
    int SelectedIndex() const;
    // The chosen row, or nullptr.
    const ListViewRow* SelectedRow() const;

    QTreeView* ListView1 = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;

private:
    TListModel* m_model = nullptr; // holds the rows
};
