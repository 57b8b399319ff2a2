#include "StartAhead.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QImageReader>
#include <dlfcn.h>
#include <fontconfig/fontconfig.h>

namespace {

// Kept open for the run, as Qt keeps its plugins.
void openPlugins(const QString& plugins)
{
    const auto open = [](const QString& path) {
        dlopen(QFile::encodeName(path).constData(), RTLD_LAZY);
    };
    open(plugins + QStringLiteral("/sqldrivers/libqsqlite.so"));
    const QDir formats(plugins + QStringLiteral("/imageformats"), QStringLiteral("*.so"));
    for (const QString& name : formats.entryList(QDir::Files))
        open(formats.filePath(name));
}

} // namespace

TStartAhead::TStartAhead(const QString& plugins, QStringList images)
    : m_thread([this, plugins, images = std::move(images)] { run(plugins, images); })
{
}

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

QImage TStartAhead::ReadPng(const QString& path)
{
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

void TStartAhead::run(const QString& plugins, const QStringList& images)
{
    FcInit();
    openPlugins(plugins);
    for (const QString& path : images)
        m_images << ReadPng(path);
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
