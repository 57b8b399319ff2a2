#pragma once

#include <QGuiApplication>

// The wait cursor while a long piece of work runs on the window's thread (a logger's file of
// years, an import of a million readings). Never held across a question to the user.
class TBusyCursor
{
public:
    TBusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};
