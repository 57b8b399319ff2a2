#pragma once

#include "store/Read.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class Query;

// The registers: projects (工事), mixes (合材), measurers (氏名) and temperature categories
// (温度区分).
namespace Store {

enum class Register { Projects, Mixes, Names };

// An entry of a two-column register: its key (project code, mix name, measurer's name) and
// its second text (project name, print name, reading of the name).
struct TRegisterRow
{
    QString key;
    QString second;
};

// One entry by its key; no row when the key is not registered.
class TRegisterRead : public TRead
{
public:
    TRegisterRead(Register which, const QString& key);
    ~TRegisterRead() override;
    std::optional<TRegisterRow> Row() const;

protected:
    std::vector<Query*> queries() override;

private:
    Register m_which;
    std::unique_ptr<Query> m_q;
};

// Inserted, or updated when the key is registered.
void SaveRegisterEntry(Register which, const TRegisterRow& row);
void DeleteRegisterEntry(Register which, const QString& key);
// The register in its list order (projects and mixes by key, measurers by reading).
QList<TRegisterRow> RegisterRows(Register which);
QStringList RegisterKeys(Register which);
// How many stored records name the key.
int RecordsNaming(Register which, const QString& key);
bool ProjectRegistered(const QString& code);
// Whether the project and the mix are both registered, asked at once.
struct TRegistered
{
    bool project = false;
    bool mix = false;
};
TRegistered ProjectAndMixRegistered(const QString& code, const QString& mix);
// Creates the empty register tables of a new data folder.
void EnsureRegisterTables();
// Every table a location lacks, and the later columns of those it has.
void EnsureTables();

// A temperature category.
struct TCategoryRow
{
    int id = -1;
    QString name;
    QString interval; // 測定間隔
    QString range;    // the stored range text of its specified value
    bool stampsTime = false;
    bool numberedAlike = false;
};

// One category by its name; no row when none has it.
class TCategoryRead : public TRead
{
public:
    explicit TCategoryRead(const QString& name);
    ~TCategoryRead() override;
    std::optional<TCategoryRow> Row() const;

protected:
    std::vector<Query*> queries() override;

private:
    std::unique_ptr<Query> m_q;
};

// Every category in list order, read with other reads; its rows are taken once.
class TCategoriesRead : public TRead
{
public:
    TCategoriesRead();
    ~TCategoriesRead() override;
    QList<TCategoryRow> Rows() const;

protected:
    std::vector<Query*> queries() override;

private:
    std::unique_ptr<Query> m_q;
};

std::optional<TCategoryRow> CategoryByID(int id);
// Every category in list order.
QList<TCategoryRow> Categories();
QStringList CategoryNames();
// Replaces the whole list in one transaction, in the order given.
void WriteCategories(const QList<TCategoryRow>& categories);
// A number no category and no record holds.
int NewCategoryID();
// Creates the table with its two default rows (named, with the ranges given), or adds the later
// columns to an older one.
struct TDefaultCategory
{
    int id;
    QString name;
    QString range;
};
void EnsureCategoryTable(const std::function<QList<TDefaultCategory>()>& defaults);
// How many stored records are of the category (none when there is no record table yet).
int RecordsOfCategory(int id);
bool CategoryUnused(int id);

} // namespace Store
