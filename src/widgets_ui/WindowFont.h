#pragma once

#include <QFont>
#include <QString>

// A window font by the face name the forms are drawn for ("ＭＳ Ｐゴシック", "Tahoma"), as the
// face installed in its place. Qt looks a face it lacks up through fontconfig's whole fallback
// sort, once for every size and weight, before it tries the substitute; naming the substitute
// spares that work at every window's first show. Nothing is looked up here, so the font can be
// made before the font database is read.
// The size is the desktop's (the application's font, which the platform theme gives before the
// program sets its own) when that is larger: a desktop set to 11 pt reads the windows at 11 pt.
// A size of 0 or less is left to the widget's parent.
QFont WindowFont(const QString& face, int points);

// A size the forms were drawn with for 9 pt text, grown alike when the font is larger.
int WindowPixels(const QFont& font, int at9);
