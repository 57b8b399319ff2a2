#include "exchange/CsvFile.h"

#include "core/AppError.h"

#include <sys/stat.h>

CsvSource::CsvSource(const QByteArray& bytes) : m_bytes(bytes), m_size(bytes.size())
{
    m_buffer.setBuffer(&m_bytes);
    m_buffer.open(QIODevice::ReadOnly);
    m_device = &m_buffer;
}

CsvSource::CsvSource(const QString& file) : m_name(file), m_file(file)
{
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        refuseUnreadable();
    const auto tooBig = [&file] {
        CsvFile::Refuse(QStringLiteral("ファイル '%1' は大きすぎます（%2 MB まで）。"
                                       "ファイルを分けて取り込んでください")
                            .arg(PathExcerpt(file))
                            .arg(MaxCsvBytes / (1024 * 1024)));
    };
    if (!m_file.isSequential()) {
        m_stamp = stamp();
        m_size = m_stamp.size;
        if (m_size > MaxCsvBytes)
            tooBig();
        m_device = &m_file;
        return;
    }
    // A pipe or a device is read once: kept aside, and stopped at the limit (/dev/zero ends
    // nowhere).
    if (!m_copy.open())
        CsvFile::Refuse(
            QStringLiteral("一時ファイルを作れないため '%1' を読めません").arg(PathExcerpt(file)));
    for (;;) {
        const QByteArray piece = m_file.read(qMin<qint64>(1 << 20, MaxCsvBytes + 1 - m_size));
        if (piece.isEmpty())
            break;
        if (m_copy.write(piece) != piece.size())
            CsvFile::Refuse(QStringLiteral("一時ファイルに書けないため '%1' を読めません")
                                .arg(PathExcerpt(file)));
        m_size += piece.size();
        if (m_size > MaxCsvBytes)
            tooBig();
    }
    if (m_file.error() != QFileDevice::NoError)
        refuseUnreadable();
    m_file.close();
    m_device = &m_copy;
}

CsvSource::Stamp CsvSource::stamp() const
{
    struct stat st;
    if (fstat(m_file.handle(), &st) != 0)
        refuseUnreadable();
    return {qint64(st.st_size), qint64(st.st_mtim.tv_sec), qint64(st.st_mtim.tv_nsec)};
}

void CsvSource::refuseUnreadable() const
{
    CsvFile::Refuse(QStringLiteral("ファイル '%1' を読めません").arg(PathExcerpt(m_name)));
}

void CsvSource::RefuseChanged() const
{
    CsvFile::Refuse(
        QStringLiteral("ファイル '%1' は読み込んだ後で変更されています。開き直してください")
            .arg(PathExcerpt(m_name)));
}

QByteArray CsvSource::Read(qint64 offset, qint64 length) const
{
    // A logger may write the file again while the dialog is open: what is stored must be
    // what was shown.
    if (m_device == &m_file && stamp() != m_stamp)
        RefuseChanged();
    if (!m_device->seek(offset))
        refuseUnreadable();
    const QByteArray bytes = m_device->read(qMin(length, m_size - offset));
    if (bytes.size() != qMin(length, m_size - offset))
        refuseUnreadable();
    return bytes;
}

namespace CsvFile {

void Refuse(const QString& why)
{
    throw AppError(why);
}

bool IsAscii(QByteArrayView line)
{
    for (const char c : line) {
        if (uchar(c) >= 0x80)
            return false;
    }
    return true;
}

FileShape Inspect(const CsvSource& source)
{
    FileShape shape;
    const QByteArray first = source.Read(0, 1 << 20);
    if (first.startsWith("\xFF\xFE") || first.startsWith("\xFE\xFF"))
        Refuse(QStringLiteral(
            "UTF-16 のファイルは読めません。UTF-8 か Shift-JIS で保存し直してください"));
    const bool bom = first.startsWith("\xEF\xBB\xBF");
    shape.body = bom ? 3 : 0;
    // Old Macintosh files end their lines with CR alone.
    shape.end = first.contains('\n') ? '\n' : '\r';
    int firstUtf8 = 0, firstOther = 0;
    LineCursor lines(source, shape.body, source.Size(), shape.end, 1);
    while (lines.Next()) {
        if (lines.tooLong)
            Refuse(QStringLiteral("%1 行目が長すぎます（1 行 %2 バイトまで）。温度計・記録計の CSV "
                                  "ファイルか確かめてください")
                       .arg(lines.number)
                       .arg(MaxCsvLineBytes));
        if (lines.number > MaxCsvLines)
            Refuse(QStringLiteral("行が多すぎます（%1 行まで）。ファイルを分けて取り込んでください")
                       .arg(MaxCsvLines));
        if (lines.line.contains('\0'))
            Refuse(QStringLiteral("%1 行目に NUL 文字があります。テキストの CSV ファイルか確かめて"
                                  "ください")
                       .arg(lines.number));
        if ((firstUtf8 && firstOther) || IsAscii(lines.line))
            continue;
        int& first = lines.line.isValidUtf8() ? firstUtf8 : firstOther;
        if (!first)
            first = lines.number;
    }
    if (!firstOther)
        shape.encoding = QStringLiteral("UTF-8");
    else if (firstUtf8 || bom)
        Refuse(QStringLiteral("文字コードが行によって違います（%1 行目は UTF-8 ではありません）。"
                              "一つの文字コードで保存し直してください")
                   .arg(firstOther));
    else
        shape.encoding = QStringLiteral("Shift-JIS");
    return shape;
}

QString LineDecoder::operator()(QByteArrayView line, int number)
{
    if (m_utf8 || IsAscii(line))
        return QString::fromUtf8(line);
    if (!m_sjis)
        m_sjis.emplace("CP932", QStringConverter::Flag::Stateless);
    const QString text = m_sjis->decode(line);
    if (!m_sjis->isValid() || m_sjis->hasError())
        Refuse(QStringLiteral("%1 行目は UTF-8 としても Shift-JIS としても読めません").arg(number));
    return text;
}

bool IsBlankText(const QString& text)
{
    for (const QChar c : text) {
        if (!c.isSpace())
            return false;
    }
    return true;
}

} // namespace CsvFile
