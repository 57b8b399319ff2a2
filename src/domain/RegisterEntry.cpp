#include "domain/RegisterEntry.h"

#include "domain/ListViewData.h"

void TRegisterEntry::Clear()
{
    Key.clear();
    Second.clear();
}

void TRegisterEntry::Load(const QString& key)
{
    Store::TRegisterRead read = PrepareLoad(key);
    read.Open();
    TakeLoad(read, key);
}

Store::TRegisterRead TRegisterEntry::PrepareLoad(const QString& key) const
{
    return Store::TRegisterRead(m_which, key);
}

void TRegisterEntry::TakeLoad(const Store::TRegisterRead& read, const QString& key)
{
    const std::optional<Store::TRegisterRow> row = read.Row();
    if (!row) {
        Key = key;
        // An unknown mix is its own print name.
        Second = m_which == Store::Register::Mixes ? key : QString();
        return;
    }
    Key = row->key;
    Second = row->second;
}

void TRegisterEntry::Save() const
{
    Store::SaveRegisterEntry(m_which, {Key, Second});
}

void TRegisterEntry::Delete() const
{
    Store::DeleteRegisterEntry(m_which, Key);
}

int TRegisterEntry::RecordCount() const
{
    return Store::RecordsNaming(m_which, Key);
}

void TRegisterEntry::GetList(QStringList& list) const
{
    list = Store::RegisterKeys(m_which);
}

TKoji::TKoji() : TRegisterEntry(Store::Register::Projects) {}

void TKoji::GetList(ListViewData& view) const
{
    view.Reset({{QStringLiteral("工事コード"), 70}, {QStringLiteral("工事名"), 400}});
    for (const Store::TRegisterRow& row : Store::RegisterRows(Store::Register::Projects))
        view.rows << ListViewRow{row.key, {row.second}};
}

bool TKoji::Exists(const QString& code)
{
    return Store::ProjectRegistered(code);
}

TGozai::TGozai() : TRegisterEntry(Store::Register::Mixes) {}

TSimei::TSimei() : TRegisterEntry(Store::Register::Names) {}

void CheckRegisterTables()
{
    Store::EnsureRegisterTables();
}
