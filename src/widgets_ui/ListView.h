#pragma once

#include "domain/ListViewData.h"

#include <QDialog>

class QPushButton;
class QTreeWidget;

// The list picker the header pickers share: the caller fills it, shows it modally and
// reads the chosen row (its hidden sub-items included).
class TfListView : public QDialog
{
    Q_OBJECT
public:
    explicit TfListView(QWidget* parent = nullptr);

    void Fill(const ListViewData& data);
    // -1 when no row is chosen.
    int SelectedIndex() const;
    // The chosen row, or nullptr.
    const ListViewRow* SelectedRow() const;

    QTreeWidget* ListView1 = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;

private:
    ListViewData m_data;
};
