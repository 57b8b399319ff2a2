#include "reports/TextMetrics.h"

#include <QFontMetricsF>
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

QFont MakeQFont(const TFontState& font)
{
    InstallFontSubstitutions();
    QFont f(font.name.isEmpty() ? DefaultFaceName() : font.name);
    f.setPixelSize(qMax(1, font.CharHeight()));
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(false);
    return f;
}

const QFontMetricsF& TQtTextMetrics::Metrics(const TFontState& font) const
{
    const auto key = std::make_pair(font.name, font.CharHeight());
    auto it = m_cache.find(key);
    if (it == m_cache.end())
        it = m_cache.emplace(key, QFontMetricsF(MakeQFont(font))).first;
    return it->second;
}

int TQtTextMetrics::TextWidth(const TFontState& font, const QString& text) const
{
    return int(std::lround(Metrics(font).horizontalAdvance(text)));
}

int TQtTextMetrics::TextHeight(const TFontState& font, const QString&) const
{
    return int(std::lround(Metrics(font).height()));
}

int TQtTextMetrics::AverageCharWidth(const TFontState& font) const
{
    return int(std::lround(Metrics(font).averageCharWidth()));
}

int TQtTextMetrics::Ascent(const TFontState& font) const
{
    return int(std::lround(Metrics(font).ascent()));
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
