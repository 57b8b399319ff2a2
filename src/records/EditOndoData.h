#pragma once

#include "records/OndoKanri.h"

#include <QMainWindow>
#include <memory>

class QLabel;

// The main window: one record of a project, mix, category and day.
class TfEditOndoData : public QMainWindow
{
    Q_OBJECT
public:
    explicit TfEditOndoData(QWidget* parent = nullptr);
    ~TfEditOndoData() override;

    TOndoKanri& OndoKanri() { return *m_ondoKanri; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void createRecordTables();

    std::unique_ptr<TOndoKanri> m_ondoKanri;
    QLabel* m_versionPanel = nullptr;
    QLabel* m_secondPanel = nullptr;
    bool m_shownOnce = false;
};
