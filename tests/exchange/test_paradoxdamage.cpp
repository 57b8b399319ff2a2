#include "ParadoxFixture.h"
#include "core/AppError.h"
#include "domain/OndoKanri.h"
#include "exchange/ParadoxImport.h"
#include "exchange/ParadoxTable.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <memory>

// Old tables broken on disk: what the import makes of them.
class TestParadoxDamage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Old tables broken the ways a disk, a crash or a hand breaks them, made here from a good
    // folder: truncations, block chains that loop or leave the file, wrong field lengths and
    // counts, and bytes flipped at random in the header and the block heads. Each import
    // ends in a short message within seconds and stores nothing; where a flip touched nothing
    // that is read, the table comes in whole and as the good one.
    void damagedTablesStoreNothing()
    {
        QTemporaryDir good;
        WriteFullFolder(good.path());
        QList<QVariantList> lines;
        QList<double> expected;
        for (int i = 0; i < 300; ++i) {
            lines.append({4, Day(7), i + 1, QString::number(i + 1), 140.0 + i % 30});
            expected << 140.0 + i % 30;
        }
        WriteLine(good.path(), lines);
        WriteHead(good.path(), {{4, Day(7), 300, 169.0, 140.0, 154.5, QString()}});
        QFile file(good.path() + QStringLiteral("/OndoLine4.DB"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const auto le = [&bytes](int at, int n) {
            quint32 v = 0;
            for (int i = n - 1; i >= 0; --i)
                v = (v << 8) | uchar(bytes.at(at + i));
            return int(v);
        };
        const int recordSize = le(0, 2), headerSize = le(2, 2), blockSize = le(5, 1) * 1024;
        const int records = le(6, 4), blocks = le(0x0C, 2), fields = le(0x21, 2);
        QCOMPARE(records, 300);
        QVERIFY(blocks >= 3);

        QList<QPair<QString, QByteArray>> corpus;
        const auto put = [&](const QString& name, int at, int n, quint32 value) {
            QByteArray b = bytes;
            for (int i = 0; i < n; ++i)
                b[at + i] = char((value >> (8 * i)) & 0xff);
            corpus.append({name, b});
        };
        for (const int cut : {0, 1, 0x57, 0x58, 0x80, headerSize - 1, headerSize + 3,
                              headerSize + blockSize - 1, int(bytes.size()) - 1})
            corpus.append({QStringLiteral("cut %1").arg(cut), bytes.left(cut)});
        for (const quint32 v : {0u, quint32(recordSize + 1), quint32(recordSize - 1), 0xFFFFu})
            put(QStringLiteral("record size %1").arg(v), 0, 2, v);
        for (const quint32 v : {0u, 0x58u, quint32(bytes.size() + 1), 0xFFFFu})
            put(QStringLiteral("header size %1").arg(v), 2, 2, v);
        for (const quint32 v : {1u, 7u, 0xFFu})
            put(QStringLiteral("file type %1").arg(v), 4, 1, v);
        for (const quint32 v : {0u, 33u, 0xFFu})
            put(QStringLiteral("block size %1").arg(v), 5, 1, v);
        for (const quint32 v : {0u, 299u, 301u, 0x7FFFFFFFu, 0xFFFFFFFFu})
            put(QStringLiteral("records %1").arg(v), 6, 4, v);
        for (const quint32 v : {0u, quint32(blocks - 1), quint32(blocks + 1), 0xFFFFu})
            put(QStringLiteral("blocks %1").arg(v), 0x0C, 2, v);
        for (const quint32 v : {0u, quint32(blocks + 1), 0xFFFFu})
            put(QStringLiteral("first block %1").arg(v), 0x0E, 2, v);
        for (const quint32 v : {0u, quint32(fields - 1), quint32(fields + 1), 0xFFFFu})
            put(QStringLiteral("fields %1").arg(v), 0x21, 2, v);
        for (const quint32 v : {0u, 2u, 16u})
            put(QStringLiteral("version %1").arg(v), 0x39, 1, v);
        for (int f = 0; f < fields; ++f) {
            for (const quint32 type : {0x0Cu, 0x30u})
                put(QStringLiteral("field %1 type %2").arg(f).arg(type), 0x78 + 2 * f, 1, type);
            for (const int delta : {-1, 1, 200})
                put(QStringLiteral("field %1 length %2").arg(f).arg(delta), 0x79 + 2 * f, 1,
                    quint32(uchar(bytes.at(0x79 + 2 * f)) + delta));
        }
        for (int b = 1; b <= blocks; ++b) {
            const int at = headerSize + (b - 1) * blockSize;
            for (const quint32 next : {quint32(b), 1u, quint32(blocks + 1), 0xFFFFu})
                put(QStringLiteral("block %1 next %2").arg(b).arg(next), at, 2, next);
            for (const quint32 used : {1u, 0x7FFFu, 0x8000u, quint32(blockSize)})
                put(QStringLiteral("block %1 used %2").arg(b).arg(used), at + 4, 2, used);
        }
        QRandomGenerator random(29);
        for (int i = 0; i < 100; ++i) {
            const int at = i % 3 ? int(random.bounded(0x78 + 2 * fields))
                                 : headerSize + int(random.bounded(blocks)) * blockSize +
                                       int(random.bounded(6));
            put(QStringLiteral("flip %1").arg(at), at, 1,
                uchar(bytes.at(at)) ^ (1u << random.bounded(8)));
        }

        // Each damaged table is read as the import reads it; the named damages go through the
        // whole import, which must store nothing of the folder.
        const ParadoxTable whole = ReadParadoxTable(good.path() + QStringLiteral("/OndoLine4.DB"));
        int refused = 0;
        std::unique_ptr<TempProfile> profile;
        for (const auto& [name, damaged] : corpus) {
            QTemporaryDir dir;
            for (const QString& table : QDir(good.path()).entryList(QDir::Files))
                QVERIFY(QFile::copy(good.path() + QLatin1Char('/') + table, dir.filePath(table)));
            QFile broken(dir.filePath(QStringLiteral("OndoLine4.DB")));
            QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
            broken.write(damaged);
            broken.close();
            const bool flipped = name.startsWith(QStringLiteral("flip"));
            if (!flipped && (!profile || Count(QStringLiteral("OndoLine4")) > 0)) {
                profile = std::make_unique<TempProfile>(); // the last import's data goes
                TOndoKanri::CreateTables();
            }
            QString message;
            ParadoxTable read;
            try {
                if (flipped)
                    read = ReadParadoxTable(broken.fileName());
                else
                    ParadoxImport::Import(dir.path());
            } catch (const AppError& e) {
                message = e.message();
            }
            if (message.isEmpty()) {
                QVERIFY2(flipped ? read.fields == whole.fields && read.rows == whole.rows
                                 : Readings(4, Day(7)) == expected,
                         qPrintable(name));
                continue;
            }
            ++refused;
            QVERIFY2(message.contains(QStringLiteral("OndoLine4.DB")) && !message.contains('\n') &&
                         message.size() < 160,
                     qPrintable(name + QStringLiteral(": ") + message));
            for (const char* table : {"OndoKanri4", "OndoHead4", "OndoLine4", "Koji1"})
                QVERIFY2(Count(QString::fromLatin1(table)) == 0, qPrintable(name));
        }
        // Most flips land on bytes pxlib reads by; those that do not leave the table whole.
        QVERIFY2(refused > corpus.size() / 2, qPrintable(QString::number(refused)));

        // A reader that does not finish in its time is stopped: the table is not taken.
        try {
            ReadParadoxTable(good.path() + QStringLiteral("/OndoLine4.DB"), 0);
            QFAIL("a read past its time must raise");
        } catch (const AppError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("秒で読み終わりません")),
                     qPrintable(e.message()));
        }
    }
};

ONDO_TEST_MAIN(TestParadoxDamage, QCoreApplication)
#include "test_paradoxdamage.moc"
