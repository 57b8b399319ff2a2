#include "support/TestSupport.h"

#include "environment/Engine.h"

#include <QDir>
#include <cstdlib>

namespace {
QTemporaryDir* g_processDir = nullptr;
}

void PrepareTestProcess()
{
    g_processDir = new QTemporaryDir(); // lives until the process ends
    const QString root = g_processDir->path();
    QDir().mkpath(root + QStringLiteral("/config"));
    QDir().mkpath(root + QStringLiteral("/data"));
    qputenv("XDG_CONFIG_HOME", (root + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (root + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", (root + QStringLiteral("/run")).toUtf8());
    QDir().mkpath(root + QStringLiteral("/run"));
    QFile::setPermissions(root + QStringLiteral("/run"), QFileDevice::ReadOwner |
                                                            QFileDevice::WriteOwner |
                                                            QFileDevice::ExeOwner);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

TempProfile::TempProfile()
    : m_oldConfig(qgetenv("XDG_CONFIG_HOME")), m_oldData(qgetenv("XDG_DATA_HOME"))
{
    QDir().mkpath(m_dir.path() + QStringLiteral("/config"));
    QDir().mkpath(m_dir.path() + QStringLiteral("/data"));
    qputenv("XDG_CONFIG_HOME", (m_dir.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (m_dir.path() + QStringLiteral("/data")).toUtf8());
    Engine::OpenDatabase();
}

TempProfile::~TempProfile()
{
    Engine::CloseDatabase();
    qputenv("XDG_CONFIG_HOME", m_oldConfig);
    qputenv("XDG_DATA_HOME", m_oldData);
}

QString TempProfile::dataFolder() const { return Engine::GetAliasPath(); }
