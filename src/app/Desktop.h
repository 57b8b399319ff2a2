#pragma once

#include <memory>

class TfEditOndoData;

// The windows of a run and how they meet: the main window at once, every dialog when first
// used, each made once and kept for the run.
class TDesktop
{
public:
    TDesktop();
    ~TDesktop();
    TDesktop(const TDesktop&) = delete;
    TDesktop& operator=(const TDesktop&) = delete;

    TfEditOndoData& MainWindow();
    // Centred on the primary screen.
    void Show();

private:
    struct Windows;
    std::unique_ptr<Windows> m_windows;
};

// What every start of the windowed program sets up before its first window: names, fonts,
// the Japanese locale and Qt's Japanese texts (its file dialogs' columns too), the program
// icon, the data opened and backed up.
void PrepareDesktopStart();
