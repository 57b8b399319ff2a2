#pragma once

#include <QFont>
#include <QString>

// A window font by the face name the forms are drawn for ("ＭＳ Ｐゴシック", "Tahoma"), as the
// face installed in its place. Qt looks a face it lacks up through fontconfig's whole fallback
// sort, once for every size and weight, before it tries the substitute; naming the substitute
// spares that work at every window's first show. Nothing is looked up here, so the font can be
// made before the font database is read.
QFont WindowFont(const QString& face, int points);
