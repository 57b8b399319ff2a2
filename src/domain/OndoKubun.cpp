#include "domain/OndoKubun.h"

#include "core/Settings.h"

namespace {

TOndoKubun kubunOf(const Store::TCategoryRow& row)
{
    TOndoKubun k;
    k.ID = row.id;
    k.KubunName = row.name;
    k.SokuteiKankaku = row.interval;
    k.OndoRange = row.range;
    k.StampsTime = row.stampsTime;
    k.NumberedAlike = row.numberedAlike;
    return k;
}

} // namespace

int TOndoKubun::GetNewID() const
{
    return Store::NewCategoryID();
}

void TOndoKubun::GetKubunNames(QStringList& list) const
{
    list = Store::CategoryNames();
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
    const std::optional<Store::TCategoryRow> row = Store::CategoryByID(id);
    if (!row) {
        ID = -1;
        KubunName.clear();
        OndoRange.clear();
        StampsTime = false;
        NumberedAlike = false;
        return;
    }
    *this = kubunOf(*row);
    ID = id;
}

void TOndoKubun::LoadByName(const QString& name)
{
    Store::TCategoryRead read = PrepareLoadByName(name);
    read.Open();
    TakeLoadByName(read, name);
}

Store::TCategoryRead TOndoKubun::PrepareLoadByName(const QString& name)
{
    return Store::TCategoryRead(name);
}

void TOndoKubun::TakeLoadByName(const Store::TCategoryRead& read, const QString& name)
{
    const std::optional<Store::TCategoryRow> row = read.Row();
    if (!row) {
        ID = -1;
        KubunName.clear();
        OndoRange.clear();
        StampsTime = false;
        NumberedAlike = false;
        return;
    }
    *this = kubunOf(*row);
    KubunName = name;
}

QList<TOndoKubun> TOndoKubun::ReadAll()
{
    QList<TOndoKubun> kubuns;
    for (const Store::TCategoryRow& row : Store::Categories())
        kubuns << kubunOf(row);
    return kubuns;
}

void TOndoKubun::WriteAll(const QList<TOndoKubun>& kubuns)
{
    QList<Store::TCategoryRow> rows;
    for (const TOndoKubun& k : kubuns)
        rows << Store::TCategoryRow{k.ID,        k.KubunName,  k.SokuteiKankaku,
                                    k.OndoRange, k.StampsTime, k.NumberedAlike};
    Store::WriteCategories(rows);
}

void TOndoKubun::CheckTable()
{
    // The two categories every new data location starts with.
    Store::EnsureCategoryTable([] {
        return QList<Store::TDefaultCategory>{
            {0, QStringLiteral("練上温度"), TSettings::OldRangeNeri()},
            {1, QStringLiteral("初期締固前温度"), TSettings::OldRangeSiki()}};
    });
}

bool CanDeleteKubun(const QString& name)
{
    TOndoKubun kubun;
    kubun.LoadByName(name);
    return Store::CategoryUnused(kubun.ID);
}

int KubunRecordCount(const QString& name)
{
    TOndoKubun kubun;
    kubun.LoadByName(name);
    return Store::RecordsOfCategory(kubun.ID);
}
