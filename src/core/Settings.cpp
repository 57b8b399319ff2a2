#include "core/Settings.h"

#include "core/AppError.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

QString configFolder()
{
    return QDir::fromNativeSeparators(
               QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)) +
           QStringLiteral("/kozeran/");
}

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
    return QDir().mkpath(QFileInfo(TSettings::File()).absolutePath());
}

const QString True = QStringLiteral("TRUE");
const QString False = QStringLiteral("FALSE");

bool isTrue(const QString& key)
{
    return TSettings::Text(key).compare(True, Qt::CaseInsensitive) == 0;
}

bool isNotFalse(const QString& key)
{
    return TSettings::Text(key).compare(False, Qt::CaseInsensitive) != 0;
}

void setFlag(const QString& key, bool on)
{
    TSettings::SetText(key, on ? True : False);
}

int number(const QString& key, int fallback)
{
    bool ok = false;
    const int v = TSettings::Text(key).trimmed().toInt(&ok);
    return ok ? v : fallback;
}

QString textOr(const QString& key, const QString& fallback)
{
    const QString stored = TSettings::Text(key);
    return stored.isEmpty() ? fallback : stored;
}

QString dropLimitKey(int from, int to)
{
    return QStringLiteral("OndoTeikaGendo_%1_%2").arg(from).arg(to);
}

const QString LocationKey = QStringLiteral("KOZERAN/Path");

} // namespace

QString TSettings::File()
{
    return configFolder() + QStringLiteral("kozeran.conf");
}

QString TSettings::Text(const QString& key)
{
    if (!openStore())
        return QString();
    QSettings store(File(), QSettings::IniFormat);
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

void TSettings::SetText(const QString& key, const QString& value)
{
    if (!openStore())
        return;
    QSettings store(File(), QSettings::IniFormat);
    const QString name = storedName(store, key);
    // Each write is a synced file: a quit that changed nothing writes nothing.
    if (store.contains(name) && store.value(name) == QVariant(value))
        return;
    store.setValue(name, value);
    store.sync();
    if (store.status() != QSettings::NoError)
        throw AppError(QStringLiteral("'%1' の設定に失敗しました").arg(key));
}

RoundingRule TSettings::Rounding()
{
    return Text(QStringLiteral("RoundON")) == True ? RoundingRule::HalfEven : RoundingRule::HalfUp;
}

void TSettings::SetRounding(RoundingRule rule)
{
    setFlag(QStringLiteral("RoundON"), rule == RoundingRule::HalfEven);
}

int TSettings::AverageDecimals()
{
    const QString stored = Text(QStringLiteral("OndoAvgKetasu"));
    return stored.trimmed().isEmpty() ? 1 : qBound(0, ParseWhole(stored), 3);
}

void TSettings::SetAverageDecimals(int decimals)
{
    SetText(QStringLiteral("OndoAvgKetasu"), QString::number(qBound(0, decimals, 3)));
}

int TSettings::EnterDirection()
{
    const QString stored = Text(QStringLiteral("EnterDirection"));
    return stored.trimmed().isEmpty() ? 1 : qBound(0, ParseWhole(stored), 3);
}

void TSettings::SetEnterDirection(int direction)
{
    SetText(QStringLiteral("EnterDirection"), QString::number(qBound(0, direction, 3)));
}

QByteArray TSettings::MainWindowGeometry()
{
    return QByteArray::fromBase64(Text(QStringLiteral("MainWindowGeometry")).toLatin1());
}

void TSettings::SetMainWindowGeometry(const QByteArray& geometry)
{
    SetText(QStringLiteral("MainWindowGeometry"), QString::fromLatin1(geometry.toBase64()));
}

TSettings::TLastChoice TSettings::LastChoice()
{
    return {Text(QStringLiteral("LastKojiCode")), Text(QStringLiteral("LastGozaiName")),
            Text(QStringLiteral("LastKubunName"))};
}

void TSettings::SetLastChoice(const TLastChoice& choice)
{
    SetText(QStringLiteral("LastKojiCode"), choice.kojiCode);
    SetText(QStringLiteral("LastGozaiName"), choice.gozaiName);
    SetText(QStringLiteral("LastKubunName"), choice.kubunName);
}

QString TSettings::PrintForm()
{
    return Text(QStringLiteral("PrintForm"));
}

void TSettings::SetPrintForm(const QString& form)
{
    SetText(QStringLiteral("PrintForm"), form);
}

bool TSettings::PrintPerProject()
{
    return isTrue(QStringLiteral("PrintKojiGoto"));
}

void TSettings::SetPrintPerProject(bool on)
{
    setFlag(QStringLiteral("PrintKojiGoto"), on);
}

bool TSettings::PrintAutoRange()
{
    return isTrue(QStringLiteral("PrintAutoRange"));
}

void TSettings::SetPrintAutoRange(bool on)
{
    setFlag(QStringLiteral("PrintAutoRange"), on);
}

bool TSettings::PrintPanels()
{
    return isTrue(QStringLiteral("PrintPanels"));
}

void TSettings::SetPrintPanels(bool on)
{
    setFlag(QStringLiteral("PrintPanels"), on);
}

QString TSettings::GraphLow()
{
    return textOr(QStringLiteral("OndoKanriGraphLow"), QStringLiteral("100"));
}

void TSettings::SetGraphLow(const QString& text)
{
    SetText(QStringLiteral("OndoKanriGraphLow"), text);
}

QString TSettings::GraphHigh()
{
    return textOr(QStringLiteral("OndoKanriGraphHigh"), QStringLiteral("200"));
}

void TSettings::SetGraphHigh(const QString& text)
{
    SetText(QStringLiteral("OndoKanriGraphHigh"), text);
}

QString TSettings::PrintFont()
{
    return Text(QStringLiteral("hin_prnfont"));
}

void TSettings::SetPrintFont(const QString& face)
{
    SetText(QStringLiteral("hin_prnfont"), face);
}

QString TSettings::Approvals()
{
    return Text(QStringLiteral("PrintSyonin"));
}

void TSettings::SetApprovals(const QString& text)
{
    SetText(QStringLiteral("PrintSyonin"), text);
}

bool TSettings::Wareki()
{
    return isTrue(QStringLiteral("PrintWareki"));
}

void TSettings::SetWareki(bool on)
{
    setFlag(QStringLiteral("PrintWareki"), on);
}

int TSettings::XbarRSubgroup()
{
    return ParseIntOrZero(Text(QStringLiteral("XbarRKumi")));
}

void TSettings::SetXbarRSubgroup(int size)
{
    SetText(QStringLiteral("XbarRKumi"), QString::number(size));
}

bool TSettings::XbarRSpecLines()
{
    return isNotFalse(QStringLiteral("XbarRKikakuSen"));
}

void TSettings::SetXbarRSpecLines(bool on)
{
    setFlag(QStringLiteral("XbarRKikakuSen"), on);
}

int TSettings::ChartGridColour()
{
    const QString stored = Text(QStringLiteral("HotbinMemoriColor"));
    return stored.isEmpty() ? -1 : ParseWhole(stored);
}

void TSettings::SetChartGridColour(int colour)
{
    SetText(QStringLiteral("HotbinMemoriColor"), colour < 0 ? QString() : QString::number(colour));
}

QString TSettings::PrinterName()
{
    return Text(QStringLiteral("PrinterName"));
}

int TSettings::PrinterOrientation()
{
    return number(QStringLiteral("PrinterOrientation"), -1);
}

int TSettings::PrinterPaperSize()
{
    return number(QStringLiteral("PrinterPaperSize"), -1);
}

int TSettings::PrinterPaperSource()
{
    return number(QStringLiteral("PrinterPaperSource"), -1);
}

QString TSettings::PrinterPageLayout()
{
    return Text(QStringLiteral("PrinterPageLayout"));
}

void TSettings::SetPrinter(const QString& name, int orientation, int paperSize, int paperSource,
                           const QString& pageLayout)
{
    SetText(QStringLiteral("PrinterName"), name);
    SetText(QStringLiteral("PrinterOrientation"), QString::number(orientation));
    SetText(QStringLiteral("PrinterPaperSize"), QString::number(paperSize));
    SetText(QStringLiteral("PrinterPaperSource"), QString::number(paperSource));
    SetText(QStringLiteral("PrinterPageLayout"), pageLayout);
}

int TSettings::BackupKeep()
{
    const int keep = number(QStringLiteral("BackupKeep"), 10);
    return keep >= 0 ? keep : 10;
}

void TSettings::SetBackupKeep(int count)
{
    SetText(QStringLiteral("BackupKeep"), QString::number(count));
}

bool TSettings::SiteTls()
{
    return Text(QStringLiteral("GenbaTls")) == True;
}

void TSettings::SetSiteTls(bool on)
{
    setFlag(QStringLiteral("GenbaTls"), on);
}

double TSettings::DropLimit(int fromKubunId, int toKubunId)
{
    bool ok = false;
    const double v = Text(dropLimitKey(fromKubunId, toKubunId)).trimmed().toDouble(&ok);
    return ok && v > 0 ? v : 0;
}

void TSettings::SetDropLimit(int fromKubunId, int toKubunId, double limit)
{
    SetText(dropLimitKey(fromKubunId, toKubunId), FormatGeneral(limit));
}

QString TSettings::OldRangeNeri()
{
    return Text(QStringLiteral("OndoRangeNeri"));
}

QString TSettings::OldRangeSiki()
{
    return Text(QStringLiteral("OndoRangeSiki"));
}

QString TSettings::DataLocation()
{
    return QSettings(configFolder() + QStringLiteral("engine.conf"), QSettings::IniFormat)
        .value(LocationKey)
        .toString()
        .trimmed();
}

void TSettings::SetDataLocation(const QString& location)
{
    const QString file = configFolder() + QStringLiteral("engine.conf");
    QSettings conf(file, QSettings::IniFormat);
    conf.setValue(LocationKey, location);
    conf.sync();
    if (conf.status() != QSettings::NoError)
        throw AppError(QStringLiteral("データの格納場所を保存できません（%1）").arg(file));
}
