#include "exchange/ParadoxTable.h"

#include "core/AppError.h"

#include <QDate>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>
#include <QTime>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern "C" {
#include <paradox.h>
}

namespace {

// Paradox counts days from 1 January of year 1 (day 1); Julian day 1721425 is the day before.
constexpr qint64 ParadoxEpochJulianDay = 1721425;

// What the child sends of each value, in record order.
enum Tag : char { Null = 0, Whole = 1, Real = 2, Bytes = 3, Failed = 4 };

[[noreturn]] void Damaged(const QString& file, const QString& why)
{
    throw AppError(QStringLiteral("%1 は壊れているため読めません（%2）。何も取り込んでいません")
                       .arg(Excerpt(QFileInfo(file).fileName(), 40), why));
}

quint32 Le(const QByteArray& b, int at, int bytes)
{
    quint32 v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | uchar(b.at(at + i));
    return v;
}

// The width each field type takes in a record: the length the field list gives, which pxlib
// reads by, and which a fixed-width type must have as its own. 0 for types an old table of
// ours never had (memos and pictures live in a second file pxlib would go looking for), -1
// for a length the type cannot have.
int WidthOf(int type, int size)
{
    int fixed = 0;
    switch (type) {
    case pxfAlpha:
    case pxfBytes:
        return size >= 1 ? size : -1;
    case pxfBCD:
        return size <= 32 ? 17 : -1;
    case pxfDate:
    case pxfLong:
    case pxfTime:
    case pxfAutoInc:
        fixed = 4;
        break;
    case pxfShort:
        fixed = 2;
        break;
    case pxfCurrency:
    case pxfNumber:
    case pxfTimestamp:
        fixed = 8;
        break;
    case pxfLogical:
        fixed = 1;
        break;
    default:
        return 0;
    }
    return size == fixed ? fixed : -1;
}

// The layout as pxlib will read it, checked against the file before pxlib touches it: the
// header and field list inside the header, the fields filling the record, every block of
// the chain inside the file and met once, and the records of the chain those the header
// counts. What passes is read by pxlib without a loop or a read outside the file.
ParadoxLayout CheckLayout(const QString& file)
{
    const QFileInfo info(file);
    if (!info.isFile())
        Damaged(file, QStringLiteral("通常のファイルではありません"));
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("%1 を開けません").arg(PathExcerpt(file)));
    const qint64 size = f.size();
    const QByteArray head = f.read(0x10000);
    if (head.size() < 0x58)
        Damaged(file, QStringLiteral("表の見出しが途中で切れています"));
    ParadoxLayout layout;
    layout.recordSize = int(Le(head, 0x00, 2));
    const int headerSize = int(Le(head, 0x02, 2));
    const int fileType = uchar(head.at(0x04));
    const int blockSize = uchar(head.at(0x05)) * 0x400;
    layout.records = qint64(Le(head, 0x06, 4));
    const int fileBlocks = int(Le(head, 0x0C, 2));
    const int firstBlock = int(Le(head, 0x0E, 2));
    const int fieldCount = int(Le(head, 0x21, 2));
    const int version = uchar(head.at(0x39));
    if (fileType != pxfFileTypIndexDB && fileType != pxfFileTypNonIndexDB)
        Damaged(file, QStringLiteral("表の種類 %1").arg(fileType));
    if (version < 3 || version > 15 || blockSize < 0x400 || blockSize > 32 * 0x400)
        Damaged(file, QStringLiteral("版 %1、ブロック %2").arg(version).arg(blockSize));
    if (headerSize < 0x58 || headerSize > head.size() || headerSize > size)
        Damaged(file, QStringLiteral("見出しの大きさ %1").arg(headerSize));
    if (layout.recordSize < 1 || layout.recordSize > blockSize - 6)
        Damaged(file, QStringLiteral("行の大きさ %1").arg(layout.recordSize));
    if (fieldCount < 1 || fieldCount > 255)
        Damaged(file, QStringLiteral("列の数 %1").arg(fieldCount));
    const bool dataHeader = version >= 5;
    quint32 encryption = Le(head, 0x25, 4);
    if (encryption == 0xFF00FF00)
        encryption = dataHeader ? Le(head, 0x5C, 4) : 0;
    if (encryption != 0)
        Damaged(file, QStringLiteral("暗号化されています"));

    // Field types and sizes, the pointers pxlib skips, the table name, then the field names.
    int at = dataHeader ? 0x78 : 0x58;
    if (at + fieldCount * 2 > headerSize)
        Damaged(file, QStringLiteral("列の定義が見出しの外にあります"));
    int width = 0;
    for (int i = 0; i < fieldCount; ++i, at += 2) {
        const int type = uchar(head.at(at));
        const int w = WidthOf(type, uchar(head.at(at + 1)));
        if (w <= 0)
            Damaged(file, QStringLiteral("%1 列目の型 %2、長さ %3")
                              .arg(i + 1)
                              .arg(type)
                              .arg(uchar(head.at(at + 1))));
        layout.types << type;
        width += w;
    }
    if (width != layout.recordSize)
        Damaged(file, QStringLiteral("列の長さの合計 %1 が行の大きさ %2 と違います")
                          .arg(width)
                          .arg(layout.recordSize));
    at += 4 + fieldCount * 4 + (version == 12 ? 261 : 79);
    for (int i = 0; i < fieldCount; ++i) {
        const int end = at < headerSize ? head.indexOf('\0', at) : -1;
        if (end < 0 || end >= headerSize)
            Damaged(file, QStringLiteral("列名が見出しの外にあります"));
        layout.fields << QString::fromLatin1(head.mid(at, end - at)).toUpper();
        at = end + 1;
    }

    // The chain of data blocks, as pxlib follows it.
    if (qint64(headerSize) + qint64(fileBlocks) * blockSize > size)
        Damaged(file, QStringLiteral("ファイルが途中で切れています"));
    const int perBlock = (blockSize - 6) / layout.recordSize;
    QSet<int> seen;
    qint64 records = 0;
    for (int block = firstBlock; block != 0;) {
        if (block < 1 || block > fileBlocks)
            Damaged(file, QStringLiteral("ブロック %1 はファイルの外です").arg(block));
        if (seen.contains(block))
            Damaged(file, QStringLiteral("ブロックのつながりが輪になっています"));
        seen.insert(block);
        if (!f.seek(headerSize + qint64(block - 1) * blockSize))
            Damaged(file, QStringLiteral("ブロック %1 を読めません").arg(block));
        const QByteArray blockHead = f.read(6);
        if (blockHead.size() != 6)
            Damaged(file, QStringLiteral("ブロック %1 を読めません").arg(block));
        const int used = qint16(Le(blockHead, 4, 2));
        if (used % layout.recordSize != 0 || used / layout.recordSize + 1 < 0 ||
            used / layout.recordSize + 1 > perBlock)
            Damaged(file, QStringLiteral("ブロック %1 の行数").arg(block));
        records += used / layout.recordSize + 1;
        block = int(Le(blockHead, 0, 2));
    }
    if (records != layout.records)
        Damaged(file, QStringLiteral("見出しの行数 %1 とブロックの行数 %2 が違います")
                          .arg(layout.records)
                          .arg(records));
    return layout;
}

// --- the child: pxlib reads the table and sends its values down a pipe -------------------

class PipeWriter
{
public:
    explicit PipeWriter(int fd) : m_fd(fd) {}
    void Put(const void* data, size_t n)
    {
        m_buffer.append(static_cast<const char*>(data), n);
        if (m_buffer.size() >= 65536)
            Flush();
    }
    void Put(char tag) { Put(&tag, 1); }
    void Flush()
    {
        size_t done = 0;
        while (done < m_buffer.size()) {
            const ssize_t n = ::write(m_fd, m_buffer.data() + done, m_buffer.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                _exit(5);
            done += size_t(n);
        }
        m_buffer.clear();
    }

private:
    int m_fd;
    std::string m_buffer;
};

void Silent(pxdoc_t*, int, const char*, void*) {}

[[noreturn]] void ReadInChild(const QByteArray& path, int fd)
{
    pxdoc_t* px = PX_new3(Silent, nullptr, nullptr, nullptr, nullptr);
    if (!px || PX_open_file(px, path.constData()) < 0)
        _exit(2);
    PipeWriter out(fd);
    const int fields = PX_get_num_fields(px);
    const int records = PX_get_num_records(px);
    for (int r = 0; r < records; ++r) {
        pxval_t** values = PX_retrieve_record(px, r);
        if (!values) {
            out.Put(Failed);
            out.Flush();
            _exit(3);
        }
        for (int i = 0; i < fields; ++i) {
            const pxval_t& v = *values[i];
            switch (PX_get_field(px, i)->px_ftype) {
            case pxfAlpha:
            case pxfBytes:
            case pxfBCD:
                if (v.isnull || !v.value.str.val) {
                    out.Put(Null);
                } else {
                    const quint32 n = quint32(qMax(0, v.value.str.len));
                    out.Put(Bytes);
                    out.Put(&n, sizeof n);
                    out.Put(v.value.str.val, n);
                    px->free(px, v.value.str.val);
                }
                break;
            case pxfNumber:
            case pxfCurrency:
            case pxfTimestamp:
                if (v.isnull) {
                    out.Put(Null);
                } else {
                    out.Put(Real);
                    out.Put(&v.value.dval, sizeof(double));
                }
                break;
            default: {
                if (v.isnull) {
                    out.Put(Null);
                } else {
                    const qint64 n = v.value.lval;
                    out.Put(Whole);
                    out.Put(&n, sizeof n);
                }
            }
            }
            px->free(px, values[i]);
        }
        px->free(px, values);
    }
    out.Flush();
    _exit(0);
}

// --- the program: waits for the child with a time limit, then decodes ---------------------

[[noreturn]] void Stop(pid_t child, const QString& file, const QString& why)
{
    ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    Damaged(file, why);
}

QByteArray ReadFromChild(const QString& file, const ParadoxLayout& layout, int timeLimitMs)
{
    // Every value is at most its tag, a length and the record's own bytes.
    const qint64 cap =
        1024 + layout.records * (layout.recordSize + qint64(layout.types.size()) * 16);
    const QByteArray path = QFile::encodeName(file);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw AppError(QStringLiteral("旧データを読む準備ができません"));
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw AppError(QStringLiteral("旧データを読む準備ができません"));
    }
    if (child == 0) {
        ::close(fds[0]);
        ReadInChild(path, fds[1]);
    }
    ::close(fds[1]);
    struct Closer
    {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fds[0]};

    QDeadlineTimer deadline(timeLimitMs);
    QByteArray bytes;
    char chunk[65536];
    for (;;) {
        pollfd p{fds[0], POLLIN, 0};
        const int ready = ::poll(&p, 1, int(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            Stop(child, file, QStringLiteral("%1 秒で読み終わりません").arg(timeLimitMs / 1000.0));
        const ssize_t n = ::read(fds[0], chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        bytes.append(chunk, n);
        if (bytes.size() > cap)
            Stop(child, file, QStringLiteral("見出しより多くの値があります"));
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        Damaged(file, QStringLiteral("行を最後まで読めません"));
    return bytes;
}

QDateTime FromParadoxDays(qint64 days, qint64 msOfDay)
{
    const QDate date = QDate::fromJulianDay(days + ParadoxEpochJulianDay);
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(msOfDay)));
}

} // namespace

ParadoxLayout CheckParadoxLayout(const QString& file)
{
    return CheckLayout(file);
}

ParadoxTable ReadParadoxTable(const QString& file, int timeLimitMs)
{
    const ParadoxLayout layout = CheckLayout(file);
    if (timeLimitMs < 0)
        timeLimitMs = 5000 + int(qMin<qint64>(QFileInfo(file).size() / 1000, 600000));
    const QByteArray bytes = ReadFromChild(file, layout, timeLimitMs);

    QStringDecoder decoder("Shift_JIS");
    if (!decoder.isValid())
        throw AppError(QStringLiteral("この環境では Shift-JIS の文字を読めません"));
    ParadoxTable table;
    table.fields = layout.fields;
    qsizetype at = 0;
    const auto take = [&](void* out, qsizetype n) {
        if (at + n > bytes.size())
            Damaged(file, QStringLiteral("行を最後まで読めません"));
        std::memcpy(out, bytes.constData() + at, size_t(n));
        at += n;
    };
    for (qint64 r = 0; r < layout.records; ++r) {
        QList<QVariant> row;
        for (const int type : layout.types) {
            char tag = Null;
            take(&tag, 1);
            if (tag == Null) {
                row << QVariant();
            } else if (tag == Whole) {
                qint64 n = 0;
                take(&n, sizeof n);
                row << (type == pxfDate ? QVariant(FromParadoxDays(n, 0))
                        : type == pxfTime
                            ? QVariant(QTime::fromMSecsSinceStartOfDay(int(n % 86400000)))
                            : QVariant(qlonglong(n)));
            } else if (tag == Real) {
                double d = 0;
                take(&d, sizeof d);
                if (type == pxfTimestamp) {
                    // Past year 9999 or not a number: no day at all, which the import skips.
                    const bool day = std::isfinite(d) && d >= 0 && d < 4e14;
                    const qint64 ms = day ? qint64(d) : 0;
                    row << (day ? FromParadoxDays(ms / 86400000, ms % 86400000) : QDateTime());
                } else {
                    row << d;
                }
            } else if (tag == Bytes) {
                quint32 n = 0;
                take(&n, sizeof n);
                if (n > quint32(layout.recordSize))
                    Damaged(file, QStringLiteral("列の長さを超える値があります"));
                QByteArray text(int(n), Qt::Uninitialized);
                take(text.data(), n);
                const int nul = text.indexOf('\0');
                if (nul >= 0)
                    text.truncate(nul);
                row << QString(decoder.decode(text)).trimmed();
            } else {
                Damaged(file, QStringLiteral("%1 行目を読めません").arg(r + 1));
            }
        }
        table.rows << row;
    }
    if (at != bytes.size())
        Damaged(file, QStringLiteral("見出しより多くの値があります"));
    return table;
}

bool ParadoxTable::id(int row, const QString& name, int* out) const
{
    const QVariant v = value(row, name);
    double d = 0;
    if (v.typeId() == QMetaType::LongLong)
        d = double(v.toLongLong());
    else if (v.typeId() == QMetaType::Double)
        d = v.toDouble();
    else
        return false;
    if (!std::isfinite(d) || d != std::trunc(d) || d < std::numeric_limits<int>::min() ||
        d > std::numeric_limits<int>::max())
        return false;
    *out = int(d);
    return true;
}
