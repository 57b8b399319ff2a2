#pragma once

#include <QFont>
#include <QString>

// A window font by the face name the forms are drawn for ("ＭＳ Ｐゴシック", "Tahoma"), as the
// face this computer will draw it with. Qt looks a face it lacks up through fontconfig's whole
// fallback sort, once for every size and weight, before it tries the substitute; naming the face
// that will be used spares that work at every window's first show.
QFont WindowFont(const QString& face, int points);
