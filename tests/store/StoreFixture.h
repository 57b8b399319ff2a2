#pragma once

#include "store/Records.h"
#include "store/Registers.h"

// A location with our tables, a project K1, a mix and the two default categories.
inline void PrepareStore()
{
    Store::EnsureCategoryTable([] {
        return QList<Store::TDefaultCategory>{{0, QStringLiteral("練上温度"), QString()},
                                              {1, QStringLiteral("初期締固前温度"), QString()}};
    });
    Store::EnsureTables();
    Store::SaveRegisterEntry(Store::Register::Projects,
                             {QStringLiteral("K1"), QStringLiteral("県道")});
    Store::SaveRegisterEntry(Store::Register::Mixes,
                             {QStringLiteral("密粒"), QStringLiteral("密粒度13")});
}

inline QDateTime Day(int d)
{
    return QDateTime(QDate(2024, 5, d), QTime(0, 0));
}

inline Reading Load(int lno, double ondo)
{
    return {lno,
            QString::number(lno),
            ondo,
            QStringLiteral("08:%1").arg(lno, 2, 10, QLatin1Char('0')),
            QStringLiteral("T%1").arg(lno),
            QString()};
}
