#pragma once

#include <QImage>
#include <QList>
#include <QStringList>
#include <condition_variable>
#include <mutex>
#include <thread>

// Start-up work that needs neither the display nor the main thread, done on the other core while
// the main thread connects to the display and opens the data:
//  - fontconfig reads its configuration and caches;
//  - the plugins Qt opens after connecting to the display are mapped and relocated: the embedded
//    database's driver, and the image formats, each of which the menu bar's standard icon asks
//    whether it reads PNG;
//  - the window icon's PNG files are decoded;
//  - once the application object exists, Qt's font database is filled.
// Whatever Qt reaches first it does itself; the results are the same.
class TStartAhead
{
public:
    // `plugins`: Qt's plugin folder; `images`: PNG files to decode.
    TStartAhead(const QString& plugins, QStringList images);
    ~TStartAhead();
    TStartAhead(const TStartAhead&) = delete;
    TStartAhead& operator=(const TStartAhead&) = delete;

    // The QGuiApplication now exists: the font database may be filled. The caller then waits
    // for the fonts before the application object goes.
    void ApplicationMade();
    // Blocks until the font database is filled (or, without an application, fontconfig loaded).
    void WaitForFonts();
    // The decoded `images`, in their order; read after WaitForFonts.
    const QList<QImage>& Images() const { return m_images; }

    // A PNG file decoded by the built-in reader: left to guess the format, Qt would load every
    // image plugin to ask it about the file.
    static QImage ReadPng(const QString& path);

private:
    void run(const QString& plugins, const QStringList& images);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    enum class Stage { Started, ApplicationMade, Abandoned, FontsReady } m_stage = Stage::Started;
    QList<QImage> m_images;
    std::thread m_thread;
};
