#include "StartAhead.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>

#include <dlfcn.h>
#include <fontconfig/fontconfig.h>

namespace {

// Kept open for the run, as Qt keeps its plugins.
void openPlugins(const QString& plugins)
{
    const auto open = [](const QString& path) { dlopen(QFile::encodeName(path).constData(), RTLD_LAZY); };
    open(plugins + QStringLiteral("/sqldrivers/libqsqlite.so"));
    const QDir formats(plugins + QStringLiteral("/imageformats"), QStringLiteral("*.so"));
    for (const QString& name : formats.entryList(QDir::Files))
        open(formats.filePath(name));
}

} // namespace

TStartAhead::TStartAhead(const QString& plugins) : m_thread([this, plugins] { run(plugins); }) {}

TStartAhead::~TStartAhead()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stage == Stage::Started)
            m_stage = Stage::Abandoned;
    }
    m_changed.notify_all();
    m_thread.join();
}

void TStartAhead::ApplicationMade()
{
    {
        std::lock_guard lock(m_mutex);
        m_stage = Stage::ApplicationMade;
    }
    m_changed.notify_all();
}

void TStartAhead::WaitForFonts()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stage == Stage::FontsReady; });
}

void TStartAhead::run(const QString& plugins)
{
    FcInit();
    openPlugins(plugins);
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stage != Stage::Started; });
    const bool application = m_stage == Stage::ApplicationMade;
    lock.unlock();
    if (application)
        QFontDatabase::families();
    lock.lock();
    m_stage = Stage::FontsReady;
    lock.unlock();
    m_changed.notify_all();
}
