#include "core/RegistryUtility.h"

#include "core/AppError.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

// The stored spelling of a name that matches `key` regardless of case, else `key`.
QString storedName(const QSettings& store, const QString& key)
{
    const QStringList keys = store.childKeys();
    for (const QString& k : keys) {
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return k;
    }
    return key;
}

bool openStore()
{
    const QString dir = QFileInfo(SettingsFile()).absolutePath();
    return QDir().mkpath(dir);
}

} // namespace

QString SettingsFile()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir::fromNativeSeparators(base) + QStringLiteral("/kozeran/kozeran.conf");
}

QString ReadSetting(const QString& key)
{
    if (!openStore())
        return QString();
    QSettings store(SettingsFile(), QSettings::IniFormat);
    if (store.status() == QSettings::FormatError)
        throw AppError(QStringLiteral("'%1' の取得に失敗しました").arg(key));
    const QString name = storedName(store, key);
    if (!store.contains(name))
        return QString();
    const QVariant value = store.value(name);
    if (value.typeId() != QMetaType::QString)
        throw AppError(QStringLiteral("'%1' のデータ型が不正です").arg(key));
    const QString text = value.toString();
    const int nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

void WriteSetting(const QString& key, const QString& value)
{
    if (!openStore())
        return;
    QSettings store(SettingsFile(), QSettings::IniFormat);
    store.setValue(storedName(store, key), value);
    store.sync();
    if (store.status() != QSettings::NoError)
        throw AppError(QStringLiteral("'%1' の設定に失敗しました").arg(key));
}

RoundingRule RoundingRuleSetting()
{
    return ReadSetting(QStringLiteral("RoundON")) == QLatin1String("TRUE") ? RoundingRule::HalfEven
                                                                           : RoundingRule::HalfUp;
}

int AverageDecimalsSetting()
{
    const QString stored = ReadSetting(QStringLiteral("OndoAvgKetasu"));
    return stored.trimmed().isEmpty() ? 1 : qBound(0, ParseWhole(stored), 3);
}
