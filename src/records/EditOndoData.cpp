#include "records/EditOndoData.h"

#include "environment/ErrorGuard.h"
#include "environment/Utility.h"

#include <QCoreApplication>
#include <QLabel>
#include <QStatusBar>

TfEditOndoData::TfEditOndoData(QWidget* parent)
    : QMainWindow(parent), m_ondoKanri(std::make_unique<TOndoKanri>())
{
    setObjectName(QStringLiteral("fEditOndoData"));
    setWindowTitle(QStringLiteral("温度管理"));
    resize(538, 698);

    m_versionPanel = new QLabel(this);
    m_versionPanel->setObjectName(QStringLiteral("StatusBar1Panel0"));
    m_versionPanel->setAlignment(Qt::AlignCenter);
    m_versionPanel->setMinimumWidth(100);
    m_secondPanel = new QLabel(this);
    m_secondPanel->setObjectName(QStringLiteral("StatusBar1Panel1"));
    m_secondPanel->setMinimumWidth(50);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(m_versionPanel);
    statusBar()->addWidget(m_secondPanel);

    createRecordTables();
}

TfEditOndoData::~TfEditOndoData() = default;

void TfEditOndoData::createRecordTables()
{
    // An error here is shown; the remaining steps are skipped and the window still opens.
    RunGuarded(this, [this] {
        TOndoKanri::CreateTables();
        m_ondoKanri->Kubun.CheckTable();
        CheckRegisterTables();
        m_ondoKanri->Clear();
    });
}

void TfEditOndoData::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    m_versionPanel->setText(QStringLiteral("Ver.") +
                            ReadVersionString(QCoreApplication::applicationFilePath(),
                                              QStringLiteral("FileVersion")));
}
