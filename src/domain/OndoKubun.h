#pragma once

#include "store/Registers.h"

#include <QList>
#include <QString>
#include <QStringList>

// One temperature category (温度区分).

class TOndoKubun
{
public:
    int ID = -1; // -1: no category
    QString KubunName;
    QString SokuteiKankaku;
    QString OndoRange;
    bool StampsTime = false;    // a typed temperature stamps its row's time
    bool NumberedAlike = false; // its loads are numbered as in the other categories

    int GetNewID() const;
    void GetKubunNames(QStringList& list) const;
    void Clear();
    void LoadByID(int id);
    void LoadByName(const QString& name);
    // LoadByName in two steps, so that several look-ups are asked at once
    // (Store::OpenTogether).
    static Store::TCategoryRead PrepareLoadByName(const QString& name);
    void TakeLoadByName(const Store::TCategoryRead& read, const QString& name);
    // Creates the table with its two default rows, or adds the later columns to an older one.
    void CheckTable();

    // Every category in list order.
    static QList<TOndoKubun> ReadAll();
    // Replaces the whole list in one transaction, in the order given.
    static void WriteAll(const QList<TOndoKubun>& kubuns);
};

// True when no record uses the named category (an unknown name included).
bool CanDeleteKubun(const QString& name);
// How many stored records use the named category.
int KubunRecordCount(const QString& name);
