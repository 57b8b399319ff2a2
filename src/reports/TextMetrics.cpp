#include "reports/TextMetrics.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QVector>
#include <cmath>

void InstallFontSubstitutions()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ 明朝"), QStringLiteral("IPAMincho"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("IPAPMincho"));
}

QString DefaultFaceName()
{
    return QStringLiteral("ＭＳ Ｐゴシック");
}

namespace {

// The face a page font is drawn with: a Windows face itself where it is installed, else its
// stand-in. Qt looks a face it lacks up through fontconfig's whole fallback sort, once for
// every style, before it tries the substitute; naming the stand-in spares that.
QString DrawnFace(const QString& name)
{
    static QHash<QString, QString> faces;
    auto it = faces.constFind(name);
    if (it == faces.constEnd()) {
        const QString substitute = QFont::substitute(name);
        const bool installed = substitute == name || QFontDatabase::hasFamily(name);
        it = faces.insert(name, installed ? name : substitute);
    }
    return *it;
}

} // namespace

QFont MakeQFont(const TFontState& font)
{
    InstallFontSubstitutions();
    QFont f(DrawnFace(font.name.isEmpty() ? DefaultFaceName() : font.name));
    f.setPixelSize(qMax(1, font.CharHeight()));
    f.setBold(font.bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(false);
    return f;
}

TQtTextMetrics::Face::Face(const QFont& font)
    : metrics(font), height(int(std::lround(metrics.height()))),
      ascent(int(std::lround(metrics.ascent()))),
      averageCharWidth(int(std::lround(metrics.averageCharWidth())))
{
}

TQtTextMetrics::Face& TQtTextMetrics::FaceOf(const TFontState& font) const
{
    // Bold is kept apart by the sign of the height.
    const int height = font.bold ? -font.CharHeight() : font.CharHeight();
    if (m_last && height == m_lastHeight && font.name == m_lastName)
        return *m_last;
    const auto key = std::make_pair(font.name, height);
    auto it = m_cache.find(key);
    if (it == m_cache.end())
        it = m_cache.emplace(key, Face(MakeQFont(font))).first;
    m_last = &it->second;
    m_lastName = font.name;
    m_lastHeight = height;
    return *m_last;
}

int TQtTextMetrics::TextWidth(const TFontState& font, const QString& text) const
{
    Face& face = FaceOf(font);
    const auto it = face.widths.constFind(text);
    if (it != face.widths.constEnd())
        return *it;
    // Bounded for a long run of the program; the texts of one document fit many times over.
    if (face.widths.size() >= 200000)
        face.widths.clear();
    const int width = int(std::lround(face.metrics.horizontalAdvance(text)));
    face.widths.insert(text, width);
    return width;
}

int TQtTextMetrics::TextHeight(const TFontState& font, const QString&) const
{
    return FaceOf(font).height;
}

int TQtTextMetrics::AverageCharWidth(const TFontState& font) const
{
    return FaceOf(font).averageCharWidth;
}

int TQtTextMetrics::Ascent(const TFontState& font) const
{
    return FaceOf(font).ascent;
}

int TFixedTextMetrics::TextWidth(const TFontState& font, const QString& text) const
{
    const int h = font.CharHeight();
    int w = 0;
    for (char32_t cp : text.toUcs4())
        w += cp <= 0xFF ? h / 2 : h;
    return w;
}

int TFixedTextMetrics::TextHeight(const TFontState& font, const QString&) const
{
    return font.CharHeight();
}

int TFixedTextMetrics::AverageCharWidth(const TFontState& font) const
{
    return font.CharHeight() / 2;
}

int TFixedTextMetrics::Ascent(const TFontState& font) const
{
    return font.CharHeight() * 4 / 5;
}
