#pragma once

#include <QString>
#include <QStringList>

struct ListViewData;

// The statements and columns that tell the project, mix and measurer registers apart.
struct RegisterStatements
{
    const char* load;
    const char* keyColumn;
    const char* secondColumn;
    bool missTakesKey; // a miss copies the key into the second text (mixes)
    const char* probe;
    const char* insert;
    const char* update;
    const char* remove;
    const char* list;
    const char* recordColumn; // the column of OndoKanri4 that names the entry
};

// One entry of a two-column register keyed by its first text.
class Query;

class TRegisterEntry
{
public:
    explicit TRegisterEntry(const RegisterStatements& statements) : m_sql(statements) {}
    virtual ~TRegisterEntry() = default;

    void Clear();
    void Load(const QString& key);
    // Load in two steps, so that several look-ups are asked at once (Query::OpenAll).
    void PrepareLoad(Query& q, const QString& key) const;
    void TakeLoad(const Query& q, const QString& key);
    void Save() const;
    void Delete() const;
    // How many stored records name this entry's key.
    int RecordCount() const;
    // The keys in the register's list order.
    void GetList(QStringList& list) const;

    QString Key;
    QString Second;

private:
    const RegisterStatements& m_sql;
};

// Projects: Code and Kojimei in Koji1.
class TKoji : public TRegisterEntry
{
public:
    TKoji();
    QString& Code() { return Key; }
    const QString& Code() const { return Key; }
    QString& Kojimei() { return Second; }
    const QString& Kojimei() const { return Second; }
    // Projects go into a list view: code, and the name as the one sub-item.
    void GetList(ListViewData& view) const;
    // True when a project of exactly this code is registered.
    static bool Exists(const QString& code);
};

// Mixes: DataName and PrintName in GozaiDef; an unknown name is its own print name.
class TGozai : public TRegisterEntry
{
public:
    TGozai();
    QString& DataName() { return Key; }
    const QString& DataName() const { return Key; }
    QString& PrintName() { return Second; }
    const QString& PrintName() const { return Second; }
};

// Measurers: SIMEI and FURIGANA in SIMEI, listed by reading.
class TSimei : public TRegisterEntry
{
public:
    TSimei();
    QString& Simei() { return Key; }
    const QString& Simei() const { return Key; }
    QString& Furigana() { return Second; }
    const QString& Furigana() const { return Second; }
};

// Creates the empty Koji1, GozaiDef and SIMEI tables of a new data folder.
void CheckRegisterTables();
