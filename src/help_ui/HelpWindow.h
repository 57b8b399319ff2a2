#pragma once

#include <QDialog>
#include <functional>

class QAction;
class QTextBrowser;

// "使い方": the Japanese guide compiled into the program, beside the main window (not modal,
// so it can stay open while the user works).
class TfHelp : public QDialog
{
    Q_OBJECT
public:
    explicit TfHelp(QWidget* parent = nullptr);
    QTextBrowser* Browser = nullptr;
};

// The text of "バージョン情報": version, the data location in use and the database engine.
QString AboutText();

// Connects the entries of the ヘルプ menu: usage shows `help`, about opens the version box
// over `window`.
void ConnectHelpMenu(QAction* usage, QAction* about, QWidget* window,
                     std::function<TfHelp&()> help);
