#include "domain/OndoKubun.h"

#include "core/AppError.h"
#include "core/Settings.h"
#include "storage/Engine.h"
#include "storage/Query.h"
#include "storage/Schema.h"

#include <QSet>
#include <limits>

namespace {

// A table made before the column existed reads as not stamping.
bool stampsTime(const Query& q)
{
    return q.HasField(QStringLiteral("JikokuJido")) &&
           q.FieldInt(QStringLiteral("JikokuJido")) != 0;
}

bool numberedAlike(const Query& q)
{
    return q.HasField(QStringLiteral("DaisuTaio")) && q.FieldInt(QStringLiteral("DaisuTaio")) != 0;
}

} // namespace

int TOndoKubun::GetNewID() const
{
    // Records may keep the identifier of a removed category; a new one must not take it.
    const bool records = Engine::TableExists(QStringLiteral("OndoKanri4"));
    Query q(QStringLiteral("select ID from OndoKubun") +
            (records ? QStringLiteral(" union select Kubun from OndoKanri4") : QString()));
    q.Open();
    QSet<qint64> used;
    qint64 largest = 0;
    for (; !q.Eof(); q.Next()) {
        const qint64 id = q.FieldInt(QStringLiteral("ID"));
        used.insert(id);
        largest = qMax(largest, id);
    }
    if (largest < std::numeric_limits<int>::max())
        return int(largest) + 1;
    // An imported category may hold the largest number there is: the first one free.
    int free = 1;
    while (used.contains(free))
        ++free;
    return free;
}

void TOndoKubun::GetKubunNames(QStringList& list) const
{
    list.clear();
    Query q(QStringLiteral("select * from OndoKubun order by ODR"));
    q.Open();
    for (; !q.Eof(); q.Next())
        list << q.FieldText(QStringLiteral("KubunName"));
}

void TOndoKubun::Clear()
{
    ID = -1;
    KubunName.clear();
    StampsTime = false;
    NumberedAlike = false;
}

void TOndoKubun::LoadByID(int id)
{
    Query q(QStringLiteral("select * from OndoKubun where ID = :A"));
    q.BindInt(QStringLiteral("A"), id);
    q.Open();
    if (q.Eof()) {
        ID = -1;
        KubunName.clear();
        OndoRange.clear();
        StampsTime = false;
        NumberedAlike = false;
        NumberedAlike = false;
        return;
    }
    ID = id;
    KubunName = q.FieldText(QStringLiteral("KubunName"));
    OndoRange = q.FieldText(QStringLiteral("OndoRange"));
    SokuteiKankaku = q.FieldText(QStringLiteral("SokuteiKankaku"));
    StampsTime = stampsTime(q);
    NumberedAlike = numberedAlike(q);
}

void TOndoKubun::LoadByName(const QString& name)
{
    Query q;
    PrepareLoadByName(q, name);
    q.Open();
    TakeLoadByName(q, name);
}

void TOndoKubun::PrepareLoadByName(Query& q, const QString& name)
{
    q.Add(QStringLiteral("select * from OndoKubun where KubunName = :A"));
    q.BindText(QStringLiteral("A"), name);
}

void TOndoKubun::TakeLoadByName(const Query& q, const QString& name)
{
    if (q.Eof()) {
        ID = -1;
        KubunName.clear();
        OndoRange.clear();
        StampsTime = false;
        NumberedAlike = false;
        return;
    }
    ID = q.FieldInt(QStringLiteral("ID"));
    KubunName = name;
    OndoRange = q.FieldText(QStringLiteral("ONDORANGE"));
    SokuteiKankaku = q.FieldText(QStringLiteral("SokuteiKankaku"));
    StampsTime = stampsTime(q);
    NumberedAlike = numberedAlike(q);
}

QList<TOndoKubun> TOndoKubun::ReadAll()
{
    Query q(QStringLiteral("select * from OndoKubun order by ODR"));
    q.Open();
    QList<TOndoKubun> kubuns;
    for (; !q.Eof(); q.Next()) {
        TOndoKubun k;
        k.ID = q.FieldInt(QStringLiteral("ID"));
        k.KubunName = q.FieldText(QStringLiteral("KubunName"));
        k.SokuteiKankaku = q.FieldText(QStringLiteral("SokuteiKankaku"));
        k.OndoRange = q.FieldText(QStringLiteral("OndoRange"));
        k.StampsTime = stampsTime(q);
        k.NumberedAlike = numberedAlike(q);
        kubuns << k;
    }
    return kubuns;
}

void TOndoKubun::WriteAll(const QList<TOndoKubun>& kubuns)
{
    Transaction tx;
    Query remove(QStringLiteral("delete from OndoKubun"));
    remove.ExecSQL();
    Query insert(QStringLiteral("insert into OndoKubun (KubunName,SokuteiKankaku,OndoRange,ID,Odr,"
                                "JikokuJido,DaisuTaio) values (:A,:B,:C,:D,:E,:F,:G)"));
    for (int i = 0; i < kubuns.size(); ++i) {
        const TOndoKubun& k = kubuns.at(i);
        insert.BindText(QStringLiteral("A"), k.KubunName);
        insert.BindText(QStringLiteral("B"), k.SokuteiKankaku);
        insert.BindText(QStringLiteral("C"), k.OndoRange);
        insert.BindInt(QStringLiteral("D"), k.ID);
        insert.BindInt(QStringLiteral("E"), i);
        insert.BindInt(QStringLiteral("F"), k.StampsTime ? 1 : 0);
        insert.BindInt(QStringLiteral("G"), k.NumberedAlike ? 1 : 0);
        insert.ExecSQL();
    }
    tx.Commit();
}

namespace {

// The two categories every new data location starts with.
void insertDefaults()
{
    struct DefaultRow
    {
        int id;
        const char* name;
        QString range;
    };
    const DefaultRow defaults[] = {{0, "練上温度", TSettings::OldRangeNeri()},
                                   {1, "初期締固前温度", TSettings::OldRangeSiki()}};
    Query insert(
        QStringLiteral("Insert Into OndoKubun (ID,KUBUNNAME,ONDORANGE,ODR) values (:A,:B,:C,:D)"));
    for (const DefaultRow& row : defaults) {
        insert.BindInt(QStringLiteral("A"), row.id);
        insert.BindText(QStringLiteral("B"), QString::fromUtf8(row.name));
        insert.BindText(QStringLiteral("C"), row.range);
        insert.BindInt(QStringLiteral("D"), row.id);
        insert.ExecSQL();
    }
}

} // namespace

void TOndoKubun::CheckTable()
{
    Transaction tx;
    if (Schema::Ensure(Schema::Get(QStringLiteral("OndoKubun"))))
        insertDefaults();
    tx.Commit();
}

bool CanDeleteKubun(const QString& name)
{
    TOndoKubun kubun;
    kubun.LoadByName(name);
    Query q(QStringLiteral("select * from OndoKanri4 where kubun=:A"));
    q.BindInt(QStringLiteral("A"), kubun.ID);
    q.Open();
    return q.Eof();
}

int KubunRecordCount(const QString& name)
{
    TOndoKubun kubun;
    kubun.LoadByName(name);
    if (kubun.ID < 0 || !Engine::TableExists(QStringLiteral("OndoKanri4")))
        return 0;
    Query q(QStringLiteral("select count(*) as N from OndoKanri4 where Kubun=:A"));
    q.BindInt(QStringLiteral("A"), kubun.ID);
    q.Open();
    return q.FieldInt(QStringLiteral("N"));
}
