#pragma once

#include "store/Registers.h"

#include <QString>
#include <QStringList>

struct ListViewData;

// One entry of a two-column register keyed by its first text.
class TRegisterEntry
{
public:
    explicit TRegisterEntry(Store::Register which) : m_which(which) {}
    virtual ~TRegisterEntry() = default;

    void Clear();
    void Load(const QString& key);
    // Load in two steps, so that several look-ups are asked at once (Store::OpenTogether).
    Store::TRegisterRead PrepareLoad(const QString& key) const;
    void TakeLoad(const Store::TRegisterRead& read, const QString& key);
    void Save() const;
    void Delete() const;
    // How many stored records name this entry's key.
    int RecordCount() const;
    // The keys in the register's list order.
    void GetList(QStringList& list) const;

    QString Key;
    QString Second;

private:
    Store::Register m_which;
};

// Projects: code and name.
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

// Mixes: name and print name; an unknown name is its own print name.
class TGozai : public TRegisterEntry
{
public:
    TGozai();
    QString& DataName() { return Key; }
    const QString& DataName() const { return Key; }
    QString& PrintName() { return Second; }
    const QString& PrintName() const { return Second; }
};

// Measurers: name and its reading, listed by reading.
class TSimei : public TRegisterEntry
{
public:
    TSimei();
    QString& Simei() { return Key; }
    const QString& Simei() const { return Key; }
    QString& Furigana() { return Second; }
    const QString& Furigana() const { return Second; }
};

// Creates the empty register tables of a new data folder.
void CheckRegisterTables();
