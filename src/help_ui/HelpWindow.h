#pragma once

#include <QDialog>
#include <functional>

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

// "使い方" and F1: the guide beside `window`, at the part about it (an anchor of the guide),
// brought to the front.
void ShowGuide(TfHelp& help, QWidget* window, const QString& anchor);
// The guide's part for a window, by the window's object name.
QString GuideAnchorOf(const QString& windowName);
// "バージョン情報": the version box over `window`.
void ShowAbout(QWidget* window);
