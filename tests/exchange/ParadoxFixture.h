#pragma once

#include "storage/Engine.h"
#include "storage/Query.h"

#include <QDateTime>
#include <QFile>
#include <QList>
#include <QStringEncoder>
#include <QTest>
#include <QVariant>

extern "C" {
#include <paradox.h>
}

// The old program's tables, written here for the Paradox import tests.

// Old tables are made here with pxlib's own writer: integers 'I', numbers 'N', timestamps
// and Shift-JIS alpha fields of the old widths.
struct Field
{
    const char* name;
    char type;
    int len;
};
inline const Field I(const char* n)
{
    return {n, pxfLong, 4};
}
inline const Field N(const char* n)
{
    return {n, pxfNumber, 8};
}
inline const Field T(const char* n)
{
    return {n, pxfTimestamp, 8};
}
inline const Field A(const char* n, int len)
{
    return {n, pxfAlpha, len};
}

inline void WriteTable(const QString& file, const QList<Field>& fields,
                       const QList<QVariantList>& rows)
{
    pxdoc_t* px = PX_new();
    auto* pxf =
        static_cast<pxfield_t*>(px->malloc(px, sizeof(pxfield_t) * fields.size(), "fields"));
    for (int i = 0; i < fields.size(); ++i) {
        pxf[i].px_fname = PX_strdup(px, fields[i].name);
        pxf[i].px_ftype = fields[i].type;
        pxf[i].px_flen = fields[i].len;
        pxf[i].px_fdc = 0;
    }
    QVERIFY(PX_create_file(px, pxf, fields.size(), QFile::encodeName(file).constData(),
                           pxfFileTypNonIndexDB) == 0);
    QStringEncoder sjis("Shift_JIS");
    for (const QVariantList& row : rows) {
        QList<pxval_t> values(fields.size());
        QList<QByteArray> texts(fields.size());
        QList<pxval_t*> pointers;
        for (int i = 0; i < fields.size(); ++i) {
            pxval_t& v = values[i];
            v = pxval_t{};
            v.type = fields[i].type;
            v.isnull = row.at(i).isNull();
            if (fields[i].type == pxfLong)
                v.value.lval = row.at(i).toInt();
            else if (fields[i].type == pxfNumber)
                v.value.dval = row.at(i).toDouble();
            else if (fields[i].type == pxfTimestamp && !v.isnull) {
                const QDateTime t = row.at(i).toDateTime();
                pxval_t* made =
                    PX_make_timestamp(px, t.date().year(), t.date().month(), t.date().day(),
                                      t.time().hour(), t.time().minute(), t.time().second());
                v.value.dval = made->value.dval;
                px->free(px, made);
            } else {
                texts[i] = sjis.encode(row.at(i).toString());
                v.value.str.val = texts[i].data();
                v.value.str.len = texts[i].size();
            }
            pointers << &v;
        }
        QVERIFY(PX_insert_record(px, pointers.data()) >= 0);
    }
    PX_close(px);
    PX_delete(px);
}

inline QDateTime Day(int d)
{
    return QDateTime(QDate(2003, 4, d), QTime(0, 0));
}

inline void WriteKubun(const QString& dir, bool older, const QList<QVariantList>& rows)
{
    QList<Field> fields{I("ID"), I("ODR"), A("KubunName", 24), A("OndoRange", 24)};
    if (!older)
        fields << A("SokuteiKankaku", 8);
    WriteTable(dir + QStringLiteral("/OndoKubun.DB"), fields, rows);
}
inline void WriteKanri(const QString& dir, const QList<QVariantList>& rows)
{
    WriteTable(dir + QStringLiteral("/OndoKanri4.DB"),
               {I("ID"), A("KojiCode", 8), A("GozaiName", 64), A("Sokuteisya", 16), A("Kiji", 64),
                I("Kubun"), A("Kikakuti", 32)},
               rows);
}
inline void WriteHead(const QString& dir, const QList<QVariantList>& rows)
{
    WriteTable(dir + QStringLiteral("/OndoHead4.DB"),
               {I("KanriID"), T("Hiduke"), I("Kosu"), N("MaxOndo"), N("MiniOndo"), N("AvgOndo"),
                A("Tekiyo", 32)},
               rows);
}
inline void WriteLine(const QString& dir, const QList<QVariantList>& rows)
{
    WriteTable(dir + QStringLiteral("/OndoLine4.DB"),
               {I("KanriID"), T("Hiduke"), I("LNO"), A("Sokuten", 16), N("Ondo")}, rows);
}
inline void WriteRegister(const QString& dir, const char* table, const char* key, int keyLen,
                          const char* second, int secondLen, const QList<QVariantList>& rows)
{
    WriteTable(dir + QLatin1Char('/') + QLatin1String(table) + QStringLiteral(".DB"),
               {A(key, keyLen), A(second, secondLen)}, rows);
}

// A complete old folder: one project, mix, measurer, two categories, one record of two days.
inline void WriteFullFolder(const QString& dir)
{
    WriteKubun(
        dir, false,
        {{0, 0, QStringLiteral("練上温度"), QStringLiteral("150_160"), QStringLiteral("3分")},
         {5, 1, QStringLiteral("舗装温度"), QStringLiteral("140_150"), QStringLiteral("台毎")}});
    WriteRegister(dir, "Koji1", "CODE", 8, "KOJIMEI", 64,
                  {{QStringLiteral("K001"), QStringLiteral("国道１号舗装工事")}});
    WriteRegister(dir, "GozaiDef", "DataName", 64, "PrintName", 64,
                  {{QStringLiteral("密粒度13"), QStringLiteral("密粒度アスコン13")}});
    WriteRegister(dir, "SIMEI", "SIMEI", 16, "FURIGANA", 16,
                  {{QStringLiteral("山田"), QStringLiteral("ヤマダ")}});
    WriteKanri(dir, {{4, QStringLiteral("K001"), QStringLiteral("密粒度13"), QStringLiteral("山田"),
                      QStringLiteral("記事"), 5, QStringLiteral("150_160:140_150:台毎")}});
    WriteHead(dir, {{4, Day(5), 2, 161.5, 150.0, 155.75, QStringLiteral("晴れ")},
                    {4, Day(6), 1, 152.25, 152.25, 152.25, QString()}});
    WriteLine(dir, {{4, Day(5), 1, QStringLiteral("1"), 161.5},
                    {4, Day(5), 2, QStringLiteral("2"), 150.0},
                    {4, Day(6), 1, QStringLiteral("1"), 152.25}});
}

inline int Count(const QString& table)
{
    if (!Engine::TableExists(table))
        return 0;
    Query q(QStringLiteral("select count(*) as N from %1").arg(table));
    q.Open();
    return q.FieldInt(QStringLiteral("N"));
}

inline QList<double> Readings(int id, const QDateTime& day)
{
    Query q(
        QStringLiteral("select Ondo from OndoLine4 where KanriID=:A and Hiduke=:B order by LNO"));
    q.BindInt(QStringLiteral("A"), id);
    q.BindDateTime(QStringLiteral("B"), day);
    q.Open();
    QList<double> values;
    for (; !q.Eof(); q.Next())
        values << q.FieldDouble(QStringLiteral("Ondo"));
    return values;
}
