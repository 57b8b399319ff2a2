#include "domain/History.h"

#include "core/AppError.h"
#include "core/Sha256.h"
#include "core/Utility.h"
#include "storage/Engine.h"
#include "storage/Query.h" // DateTimeToStorage: the seal covers the stored form
#include "store/Lengths.h"

#include <QMap>
#include <QSet>
#include <algorithm>
#include <charconv>
#include <pwd.h>
#include <unistd.h>

namespace History {

namespace {

// A text in a sealed form: a tab, a line end or a backslash in it cannot pass for a separator.
QString sealed(QString text)
{
    if (std::none_of(text.cbegin(), text.cend(), [](QChar c) {
            return c == QLatin1Char('\\') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
                   c == QLatin1Char('\r');
        }))
        return text;
    return text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('\t'), QStringLiteral("\\t"))
        .replace(QLatin1Char('\n'), QStringLiteral("\\n"))
        .replace(QLatin1Char('\r'), QStringLiteral("\\r"));
}

// The same for a UTF-8 text: the characters replaced are ASCII, so its bytes match the
// text's sealed form's.
void appendSealed(QByteArray& to, const QByteArray& text)
{
    if (std::none_of(text.cbegin(), text.cend(),
                     [](char c) { return c == '\\' || c == '\t' || c == '\n' || c == '\r'; })) {
        to += text;
        return;
    }
    for (const char c : text) {
        switch (c) {
        case '\\':
            to += "\\\\";
            break;
        case '\t':
            to += "\\t";
            break;
        case '\n':
            to += "\\n";
            break;
        case '\r':
            to += "\\r";
            break;
        default:
            to += c;
        }
    }
}

QString dayKey(const QDateTime& day)
{
    return day.isValid() ? day.date().toString(Qt::ISODate) : QString();
}

QString sha256(const QString& text)
{
    return Sha256Hex(text.toUtf8());
}

// What each column of an entry holds, cut to the column.
QString fit(const QString& text, int characters)
{
    return text.size() <= characters ? text : text.left(characters - 1) + QChar(0x2026);
}

} // namespace

QString OperatingSystemUser()
{
    for (const char* name : {"USER", "LOGNAME"}) {
        const QString user = qEnvironmentVariable(name).trimmed();
        if (!user.isEmpty())
            return user;
    }
    if (const passwd* pw = ::getpwuid(::getuid()))
        return QString::fromLocal8Bit(pw->pw_name);
    return QStringLiteral("（不明な利用者）");
}

QString ReadingText(const Reading& r)
{
    QString text = FormatGeneral(r.Ondo);
    if (!r.Jikoku.isEmpty())
        text += QLatin1Char(' ') + r.Jikoku;
    if (!r.Syaryo.isEmpty())
        text += QStringLiteral(" 車番 ") + r.Syaryo;
    if (!r.Sokuten.isEmpty() && r.Sokuten != QString::number(r.LNO) && r.Sokuten != r.Jikoku)
        text += QStringLiteral(" 単位 ") + r.Sokuten;
    if (!r.Biko.isEmpty())
        text += QStringLiteral(" 備考 ") + r.Biko;
    return text;
}

QString DayText(int count, double maximum, double minimum, double average)
{
    return QStringLiteral("%1 件（最高 %2 最低 %3 平均 %4）")
        .arg(count)
        .arg(FormatGeneral(maximum), FormatGeneral(minimum), FormatFixed(average, 1));
}

QString DaySeal(const TDayContent& day, const QList<Reading>& readings)
{
    TSealText text;
    text.Begin(day);
    for (const Reading& r : readings)
        text.Add(r.LNO, r.Sokuten.toUtf8(), r.Ondo, r.Jikoku.toUtf8(), r.Syaryo.toUtf8(),
                 r.Biko.toUtf8());
    return text.Seal();
}

void TSealText::Begin(const TDayContent& day)
{
    const QChar tab(QLatin1Char('\t'));
    m_head = (QStringLiteral("ondokanri-day/1\n") % QString::number(day.kanriId) % tab %
              dayKey(day.day) % tab % QString::number(day.mogi ? 1 : 0) % tab %
              QString::number(day.kosu) % tab % FormatGeneral(day.maxOndo) % tab %
              FormatGeneral(day.miniOndo) % tab % FormatGeneral(day.avgOndo) % QLatin1Char('\n'))
                 .toUtf8();
    m_lines.clear();
    m_order.clear();
    m_inOrder = true;
}

void TSealText::Add(int lno, const QByteArray& sokuten, double ondo, const QByteArray& jikoku,
                    const QByteArray& syaryo, const QByteArray& biko)
{
    const qsizetype from = m_lines.size();
    char number[32];
    m_lines.append(number, std::to_chars(number, number + sizeof number, lno).ptr - number);
    m_lines += '\t';
    appendSealed(m_lines, sokuten);
    m_lines += '\t';
    m_lines.append(number, WriteGeneral(number, ondo));
    m_lines += '\t';
    appendSealed(m_lines, jikoku);
    m_lines += '\t';
    appendSealed(m_lines, syaryo);
    m_lines += '\t';
    appendSealed(m_lines, biko);
    m_lines += '\n';
    if (!m_order.empty() && lno < m_order.back().lno)
        m_inOrder = false;
    m_order.push_back(TLine{lno, from, m_lines.size() - from});
}

QString TSealText::Seal() const
{
    if (m_inOrder)
        return Sha256Hex({m_head, m_lines});
    std::vector<TLine> order = m_order;
    std::stable_sort(order.begin(), order.end(),
                     [](const TLine& a, const TLine& b) { return a.lno < b.lno; });
    QByteArray text = m_head;
    text.reserve(m_head.size() + m_lines.size());
    for (const TLine& l : order)
        text.append(m_lines.constData() + l.from, l.size);
    return Sha256Hex(text);
}

QString EntryHash(const TEntry& e, const QString& previous)
{
    const QChar tab(QLatin1Char('\t'));
    return sha256(previous % QLatin1Char('\n') % QStringLiteral("ondokanri-entry/1\n") %
                  QString::number(e.seq) % tab % DateTimeToStorage(e.when) % tab % sealed(e.who) %
                  tab % sealed(e.what) % tab % sealed(e.kojiCode) % tab % sealed(e.gozaiName) %
                  tab % QString::number(e.kubun) % tab % sealed(e.kubunName) % tab % dayKey(e.day) %
                  tab % QString::number(e.lno) % tab % sealed(e.before) % tab % sealed(e.after) %
                  tab % e.seal);
}

TWriter::TWriter(const QString& who, const QString& kojiCode, const QString& gozaiName, int kubun,
                 const QString& kubunName)
    : m_who(fit(who.trimmed().isEmpty() ? OperatingSystemUser() : who.trimmed(),
                Store::LengthOf(Store::TextColumn::HistoryWho))),
      m_kojiCode(kojiCode), m_gozaiName(gozaiName), m_kubunName(kubunName), m_kubun(kubun)
{
    // Seconds, as the column keeps it: the hash is of what is stored.
    const QDateTime now = QDateTime::currentDateTime();
    m_now =
        QDateTime(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second()));
}

void TWriter::Begin(const Store::THistoryTailRead& openedTail)
{
    m_lastSeq = openedTail.Seq();
    m_lastHash = openedTail.Hash();
    m_begun = true;
}

void TWriter::Add(const QString& what, const QDateTime& day, int lno, const QString& before,
                  const QString& after)
{
    TEntry e;
    e.when = m_now;
    e.who = m_who;
    e.what = what;
    e.kojiCode = m_kojiCode;
    e.gozaiName = m_gozaiName;
    e.kubun = m_kubun;
    e.kubunName = m_kubunName;
    e.day = day;
    e.lno = lno;
    const int length = Store::LengthOf(Store::TextColumn::HistoryValue);
    e.before = fit(before, length);
    e.after = fit(after, length);
    m_entries.push_back(e);
}

void TWriter::AddDifferences(const QDateTime& day, const QList<Reading>& before,
                             const QList<Reading>& after)
{
    QMap<int, Reading> was, is;
    for (const Reading& r : before)
        was.insert(r.LNO, r);
    for (const Reading& r : after)
        is.insert(r.LNO, r);
    QList<int> numbers = was.keys() + is.keys();
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    for (const int lno : numbers) {
        const auto b = was.constFind(lno), a = is.constFind(lno);
        if (b == was.constEnd())
            Add(Added, day, lno, QString(), ReadingText(*a));
        else if (a == is.constEnd())
            Add(Deleted, day, lno, ReadingText(*b), QString());
        else if (!(*a == *b))
            Add(Corrected, day, lno, ReadingText(*b), ReadingText(*a));
    }
}

void TWriter::Seal(const QDateTime& day, int kanriId, const QString& seal, const QString& had)
{
    int last = -1;
    for (int i = int(m_entries.size()) - 1; i >= 0 && last < 0; --i) {
        if (m_entries[size_t(i)].day == day)
            last = i;
    }
    if (last < 0 && !seal.isEmpty() && seal == had)
        return;
    if (last < 0) {
        Add(Sealed, day, 0, QString(), QString());
        last = int(m_entries.size()) - 1;
    }
    m_entries[size_t(last)].seal = seal;
    m_seals.push_back({kanriId, day, seal, last});
}

void TWriter::Finish()
{
    if (!m_begun)
        throw AppError(QStringLiteral("履歴の続きが読まれていません"));
    for (TEntry& e : m_entries) {
        e.seq = ++m_lastSeq;
        e.hash = EntryHash(e, m_lastHash);
        m_lastHash = e.hash;
    }
    for (Store::TSealRow& s : m_seals)
        s.entry = m_entries[size_t(s.entry)].seq;
    Store::WriteHistory(m_entries, m_seals);
    m_entries.clear();
    m_seals.clear();
}

void NoteRestore(const QString& backupFile)
{
    Transaction tx;
    Store::LockRecords();
    Store::THistoryTailRead tail;
    tail.Open();
    TWriter history(OperatingSystemUser(), QString(), QString(), -1, QString());
    history.Begin(tail);
    history.Add(Restored, QDateTime(), 0, QString(), backupFile.section(QLatin1Char('/'), -1));
    history.Finish();
    tx.Commit();
}

QList<TEntry> Read(const QString& kojiCode, const QString& gozaiName, const QDateTime& from,
                   const QDateTime& to)
{
    // A restore changed every project's days.
    return Store::HistoryOf(kojiCode, gozaiName, from, to, Restored);
}

QList<TEntry> ReadDay(const QString& kojiCode, const QString& gozaiName, int kubun,
                      const QDateTime& day)
{
    return Store::HistoryOfDay(kojiCode, gozaiName, kubun, day);
}

QString LineOf(const TEntry& e)
{
    QStringList parts{e.when.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")), e.who, e.what};
    if (e.what == Restored)
        return (parts << e.after).join(QLatin1Char(' '));
    parts << e.gozaiName << e.kubunName << FormatDate(e.day)
          << (e.lno > 0 ? QStringLiteral("%1 台目").arg(e.lno) : QStringLiteral("（日全体）"));
    if (!e.before.isEmpty() || !e.after.isEmpty())
        parts << (e.before.isEmpty() ? QStringLiteral("－") : e.before) + QStringLiteral(" → ") +
                     (e.after.isEmpty() ? QStringLiteral("－") : e.after);
    return parts.join(QLatin1Char(' '));
}

} // namespace History
