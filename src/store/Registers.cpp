#include "store/Registers.h"

#include "storage/Engine.h"
#include "storage/Query.h"
#include "storage/Schema.h"
#include "store/RecordColumns.h"

#include <QSet>
#include <limits>

namespace Store {

namespace {

// The statements and columns that tell the project, mix and measurer registers apart.
struct RegisterStatements
{
    const char* load;
    const char* keyColumn;
    const char* secondColumn;
    const char* probe;
    const char* insert;
    const char* update;
    const char* remove;
    const char* list;
    const char* recordColumn; // the column of the record that names the entry
};

const RegisterStatements kojiSql = {
    "select Code,Kojimei from Koji1 where Code = :A",
    "CODE",
    "Kojimei",
    "select * from Koji1 where CODE = :A",
    "insert into Koji1 (CODE,KOJIMEI) values (:A,:B)",
    "update Koji1 set CODE=:A, KOJIMEI=:B where CODE=:A",
    "delete from KOJI1 where CODE = :A",
    "select Code, Kojimei from Koji1 order by Code",
    "KojiCode",
};

const RegisterStatements gozaiSql = {
    "select DataName,PrintName from GozaiDef where DataName = :A",
    "DataName",
    "PrintName",
    "select * from GozaiDef where DataName=:A",
    "insert into GozaiDef (DataName,PrintName) values (:A,:B)",
    "update GozaiDef set DataName=:A, PrintName=:B where DataName=:A",
    "delete from GozaiDef where DataName=:A",
    "select DataName,PrintName from GozaiDef order by DataName",
    "GozaiName",
};

const RegisterStatements simeiSql = {
    "select * from SIMEI where SIMEI=:A",
    "SIMEI",
    "FURIGANA",
    "select * from SIMEI where SIMEI=:A",
    "insert into SIMEI (SIMEI,FURIGANA) values (:A,:B)",
    "update SIMEI set SIMEI=:A, FURIGANA=:B where SIMEI=:A",
    "delete from SIMEI where SIMEI=:A",
    "select * from SIMEI order by FURIGANA",
    "Sokuteisya",
};

const RegisterStatements& sqlOf(Register which)
{
    switch (which) {
    case Register::Projects:
        return kojiSql;
    case Register::Mixes:
        return gozaiSql;
    case Register::Names:
        break;
    }
    return simeiSql;
}

QString text(const char* s)
{
    return QString::fromUtf8(s);
}

TRegisterRow rowOf(const Query& q, const RegisterStatements& sql)
{
    return {q.FieldText(text(sql.keyColumn)), q.FieldText(text(sql.secondColumn))};
}

// A table made before the column existed reads as not stamping.
bool flag(const Query& q, const char* column)
{
    const QString name = QString::fromLatin1(column);
    return q.HasField(name) && q.FieldInt(name) != 0;
}

TCategoryRow categoryOf(const Query& q)
{
    return {q.FieldInt(QStringLiteral("ID")),
            q.FieldText(QStringLiteral("KubunName")),
            q.FieldText(QStringLiteral("SokuteiKankaku")),
            q.FieldText(QStringLiteral("OndoRange")),
            flag(q, "JikokuJido"),
            flag(q, "DaisuTaio")};
}

bool recordsStored()
{
    return Engine::TableExists(QStringLiteral("OndoKanri4"));
}

} // namespace

TRegisterRead::TRegisterRead(Register which, const QString& key)
    : m_which(which), m_q(std::make_unique<Query>(text(sqlOf(which).load)))
{
    m_q->BindText(A, key);
}

TRegisterRead::~TRegisterRead() = default;

std::vector<Query*> TRegisterRead::queries()
{
    return {m_q.get()};
}

std::optional<TRegisterRow> TRegisterRead::Row() const
{
    if (m_q->Eof())
        return std::nullopt;
    return rowOf(*m_q, sqlOf(m_which));
}

void SaveRegisterEntry(Register which, const TRegisterRow& row)
{
    const RegisterStatements& sql = sqlOf(which);
    Query q(text(sql.probe));
    q.BindText(A, row.key);
    q.Open();
    const bool found = !q.Eof();
    q.ClearSql();
    q.Add(text(found ? sql.update : sql.insert));
    q.BindText(A, row.key);
    q.BindText(B, row.second);
    q.ExecSQL();
}

void DeleteRegisterEntry(Register which, const QString& key)
{
    Query q(text(sqlOf(which).remove));
    q.BindText(A, key);
    q.ExecSQL();
}

QList<TRegisterRow> RegisterRows(Register which)
{
    const RegisterStatements& sql = sqlOf(which);
    Query q(text(sql.list));
    q.Open();
    QList<TRegisterRow> rows;
    for (; !q.Eof(); q.Next())
        rows << rowOf(q, sql);
    return rows;
}

QStringList RegisterKeys(Register which)
{
    QStringList keys;
    for (const TRegisterRow& row : RegisterRows(which))
        keys << row.key;
    return keys;
}

int RecordsNaming(Register which, const QString& key)
{
    if (!recordsStored())
        return 0;
    Query q(QStringLiteral("select count(*) as N from OndoKanri4 where %1 = :A")
                .arg(QString::fromLatin1(sqlOf(which).recordColumn)));
    q.BindText(A, key);
    q.Open();
    return q.FieldInt(QStringLiteral("N"));
}

bool ProjectRegistered(const QString& code)
{
    Query q(QStringLiteral("select Code from Koji1 where Code = :A"));
    q.BindText(A, code);
    q.Open();
    return !q.Eof();
}

TRegistered ProjectAndMixRegistered(const QString& code, const QString& mix)
{
    Query q(QStringLiteral("select (select count(*) from Koji1 where Code = :A) as K, "
                           "(select count(*) from GozaiDef where DataName = :B) as G"));
    q.BindText(A, code);
    q.BindText(B, mix);
    q.Open();
    return {q.FieldInt(QStringLiteral("K")) != 0, q.FieldInt(QStringLiteral("G")) != 0};
}

void EnsureTables()
{
    const Engine::LayoutCheck check;
    for (const Schema::Table& table : Schema::Tables())
        Schema::Ensure(table);
}

void EnsureRegisterTables()
{
    const Engine::LayoutCheck check;
    for (const char* table : {"Koji1", "GozaiDef", "SIMEI"})
        Schema::Ensure(Schema::Get(QString::fromLatin1(table)));
}

TCategoryRead::TCategoryRead(const QString& name)
    : m_q(std::make_unique<Query>(QStringLiteral("select * from OndoKubun where KubunName = :A")))
{
    m_q->BindText(A, name);
}

TCategoryRead::~TCategoryRead() = default;

std::vector<Query*> TCategoryRead::queries()
{
    return {m_q.get()};
}

std::optional<TCategoryRow> TCategoryRead::Row() const
{
    if (m_q->Eof())
        return std::nullopt;
    return categoryOf(*m_q);
}

TCategoriesRead::TCategoriesRead()
    : m_q(std::make_unique<Query>(QStringLiteral("select * from OndoKubun order by ODR")))
{
}

TCategoriesRead::~TCategoriesRead() = default;

std::vector<Query*> TCategoriesRead::queries()
{
    return {m_q.get()};
}

QList<TCategoryRow> TCategoriesRead::Rows() const
{
    QList<TCategoryRow> rows;
    for (; !m_q->Eof(); m_q->Next())
        rows << categoryOf(*m_q);
    return rows;
}

std::optional<TCategoryRow> CategoryByID(int id)
{
    Query q(QStringLiteral("select * from OndoKubun where ID = :A"));
    q.BindInt(A, id);
    q.Open();
    if (q.Eof())
        return std::nullopt;
    return categoryOf(q);
}

QList<TCategoryRow> Categories()
{
    Query q(QStringLiteral("select * from OndoKubun order by ODR"));
    q.Open();
    QList<TCategoryRow> rows;
    for (; !q.Eof(); q.Next())
        rows << categoryOf(q);
    return rows;
}

QStringList CategoryNames()
{
    QStringList names;
    for (const TCategoryRow& row : Categories())
        names << row.name;
    return names;
}

void WriteCategories(const QList<TCategoryRow>& categories)
{
    Transaction tx;
    Query remove(QStringLiteral("delete from OndoKubun"));
    remove.ExecSQL();
    Query insert(QStringLiteral("insert into OndoKubun (KubunName,SokuteiKankaku,OndoRange,ID,Odr,"
                                "JikokuJido,DaisuTaio) values (:A,:B,:C,:D,:E,:F,:G)"));
    for (int i = 0; i < categories.size(); ++i) {
        const TCategoryRow& k = categories.at(i);
        insert.BindText(A, k.name);
        insert.BindText(B, k.interval);
        insert.BindText(QStringLiteral("C"), k.range);
        insert.BindInt(QStringLiteral("D"), k.id);
        insert.BindInt(QStringLiteral("E"), i);
        insert.BindInt(QStringLiteral("F"), k.stampsTime ? 1 : 0);
        insert.BindInt(QStringLiteral("G"), k.numberedAlike ? 1 : 0);
        insert.ExecSQL();
    }
    tx.Commit();
}

int NewCategoryID()
{
    // Records may keep the identifier of a removed category; a new one must not take it.
    Query q(QStringLiteral("select ID from OndoKubun") +
            (recordsStored() ? QStringLiteral(" union select Kubun from OndoKanri4") : QString()));
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

void EnsureCategoryTable(const std::function<QList<TDefaultCategory>()>& defaults)
{
    Transaction tx;
    if (Schema::Ensure(Schema::Get(QStringLiteral("OndoKubun")))) {
        Query insert(QStringLiteral(
            "Insert Into OndoKubun (ID,KUBUNNAME,ONDORANGE,ODR) values (:A,:B,:C,:D)"));
        for (const TDefaultCategory& row : defaults()) {
            insert.BindInt(A, row.id);
            insert.BindText(B, row.name);
            insert.BindText(QStringLiteral("C"), row.range);
            insert.BindInt(QStringLiteral("D"), row.id);
            insert.ExecSQL();
        }
    }
    tx.Commit();
}

int RecordsOfCategory(int id)
{
    if (id < 0 || !recordsStored())
        return 0;
    Query q(QStringLiteral("select count(*) as N from OndoKanri4 where Kubun=:A"));
    q.BindInt(A, id);
    q.Open();
    return q.FieldInt(QStringLiteral("N"));
}

bool CategoryUnused(int id)
{
    Query q(QStringLiteral("select * from OndoKanri4 where kubun=:A"));
    q.BindInt(A, id);
    q.Open();
    return q.Eof();
}

} // namespace Store
