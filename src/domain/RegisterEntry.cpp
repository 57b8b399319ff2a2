#include "domain/RegisterEntry.h"

#include "domain/ListViewData.h"
#include "storage/Engine.h"
#include "storage/Query.h"
#include "storage/Schema.h"

namespace {

const RegisterStatements kojiSql = {
    "select Code,Kojimei from Koji1 where Code = :A",
    "CODE",
    "Kojimei",
    false,
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
    true,
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
    false,
    "select * from SIMEI where SIMEI=:A",
    "insert into SIMEI (SIMEI,FURIGANA) values (:A,:B)",
    "update SIMEI set SIMEI=:A, FURIGANA=:B where SIMEI=:A",
    "delete from SIMEI where SIMEI=:A",
    "select * from SIMEI order by FURIGANA",
    "Sokuteisya",
};

const QString A = QStringLiteral("A");
const QString B = QStringLiteral("B");

} // namespace

void TRegisterEntry::Clear()
{
    Key.clear();
    Second.clear();
}

void TRegisterEntry::Load(const QString& key)
{
    Query q;
    PrepareLoad(q, key);
    q.Open();
    TakeLoad(q, key);
}

void TRegisterEntry::PrepareLoad(Query& q, const QString& key) const
{
    q.Add(QString::fromUtf8(m_sql.load));
    q.BindText(A, key);
}

void TRegisterEntry::TakeLoad(const Query& q, const QString& key)
{
    if (q.Eof()) {
        Key = key;
        Second = m_sql.missTakesKey ? key : QString();
        return;
    }
    Key = q.FieldText(QString::fromUtf8(m_sql.keyColumn));
    Second = q.FieldText(QString::fromUtf8(m_sql.secondColumn));
}

void TRegisterEntry::Save() const
{
    Query q(QString::fromUtf8(m_sql.probe));
    q.BindText(A, Key);
    q.Open();
    const bool found = !q.Eof();
    q.ClearSql();
    q.Add(QString::fromUtf8(found ? m_sql.update : m_sql.insert));
    q.BindText(A, Key);
    q.BindText(B, Second);
    q.ExecSQL();
}

void TRegisterEntry::Delete() const
{
    Query q(QString::fromUtf8(m_sql.remove));
    q.BindText(A, Key);
    q.ExecSQL();
}

int TRegisterEntry::RecordCount() const
{
    if (!Engine::TableExists(QStringLiteral("OndoKanri4")))
        return 0;
    Query q(QStringLiteral("select count(*) as N from OndoKanri4 where %1 = :A")
                .arg(QString::fromLatin1(m_sql.recordColumn)));
    q.BindText(A, Key);
    q.Open();
    return q.FieldInt(QStringLiteral("N"));
}

void TRegisterEntry::GetList(QStringList& list) const
{
    list.clear();
    Query q(QString::fromUtf8(m_sql.list));
    q.Open();
    for (; !q.Eof(); q.Next())
        list << q.FieldText(QString::fromUtf8(m_sql.keyColumn));
}

TKoji::TKoji() : TRegisterEntry(kojiSql) {}

void TKoji::GetList(ListViewData& view) const
{
    view.Reset({{QStringLiteral("工事コード"), 70}, {QStringLiteral("工事名"), 400}});
    Query q(QString::fromUtf8(kojiSql.list));
    q.Open();
    for (; !q.Eof(); q.Next())
        view.rows << ListViewRow{q.FieldText(QStringLiteral("Code")),
                                 {q.FieldText(QStringLiteral("Kojimei"))}};
}

bool TKoji::Exists(const QString& code)
{
    Query q(QStringLiteral("select Code from Koji1 where Code = :A"));
    q.BindText(A, code);
    q.Open();
    return !q.Eof();
}

TGozai::TGozai() : TRegisterEntry(gozaiSql) {}

TSimei::TSimei() : TRegisterEntry(simeiSql) {}

void CheckRegisterTables()
{
    for (const char* table : {"Koji1", "GozaiDef", "SIMEI"})
        Schema::Ensure(Schema::Get(QString::fromLatin1(table)));
}
