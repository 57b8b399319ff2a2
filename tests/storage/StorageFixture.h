#pragma once

#include "core/AppError.h"
#include "domain/OndoKanri.h"
#include "storage/Engine.h"
#include "storage/Query.h"
#include "storage/Schema.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QTest>
#include <functional>

// What the storage tests share: a seeded data file, its rows as text, and files made by
// other programs.

inline QString dataFile()
{
    return Engine::CurrentFolder() + QStringLiteral("kozeran.sqlite");
}

inline QByteArray digest(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// A database made by some other program.
inline void makeDatabase(const QString& file, const QStringList& statements)
{
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        db.setDatabaseName(file);
        QVERIFY(db.open());
        QSqlQuery q(db);
        for (const QString& sql : statements)
            QVERIFY2(q.exec(sql), qPrintable(sql));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
}

inline void exec(const QString& sql)
{
    Query q(sql);
    q.ExecSQL();
}

// Rows in every table of ours, each table with one header and two days of readings.
inline void seed()
{
    TOndoKanri::CreateTables();
    exec(QStringLiteral("insert into Koji1 (CODE,KOJIMEI) values ('K1','県道工事')"));
    exec(QStringLiteral(
        "insert into GozaiDef (DataName,PrintName) values ('密粒','密粒度アスコン')"));
    exec(QStringLiteral("insert into SIMEI (SIMEI,FURIGANA) values ('山田','やまだ')"));
    exec(QStringLiteral(
        "insert into OndoKanri4 (ID,KojiCode,GozaiName,Sokuteisya,Kiji,Kubun,Kikakuti) "
        "values (1,'K1','密粒','山田','',0,'150_160::')"));
    for (int d = 1; d <= 2; ++d) {
        exec(QStringLiteral(
                 "insert into OndoHead4 (KanriID,Hiduke,Kosu,MaxOndo,MiniOndo,AvgOndo,Tekiyo) "
                 "values (1,'2024-04-0%1 00:00:00',2,156,152,154,'')")
                 .arg(d));
        for (int r = 1; r <= 2; ++r)
            exec(QStringLiteral("insert into OndoLine4 (KanriID,Hiduke,LNO,Sokuten,Ondo) "
                                "values (1,'2024-04-0%1 00:00:00',%2,'%2',15%3)")
                     .arg(d)
                     .arg(r)
                     .arg(r * 2));
    }
}

// Every row of every table of ours, as text.
inline QStringList dump()
{
    QStringList rows;
    for (const Schema::Table& t : Schema::Tables()) {
        Query q(QStringLiteral("select * from %1 order by 1, 2").arg(t.name));
        q.Open();
        for (; !q.Eof(); q.Next()) {
            QStringList values;
            for (const Schema::Column& c : t.columns)
                values << q.FieldText(c.name);
            rows << t.name + QLatin1Char(':') + values.join(QLatin1Char('|'));
        }
    }
    return rows;
}

inline QString errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const AppError& e) {
        return e.message();
    }
    return QString();
}
