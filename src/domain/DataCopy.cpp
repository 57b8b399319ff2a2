#include "domain/DataCopy.h"

#include "core/AppError.h"
#include "domain/OndoKanri.h"
#include "storage/Backup.h"
#include "storage/Engine.h"
#include "store/Copy.h"

namespace DataCopy {

Counts Copy(const QString& from, const QString& to, bool replace,
            const std::function<bool(int)>& confirm)
{
    const QString source = Engine::ParseLocation(from).text;
    const QString target = Engine::ParseLocation(to).text;
    if (source == target)
        throw AppError(
            QStringLiteral("移行元と移行先が同じです（%1）").arg(Engine::DisplayName(source)));

    // The source is checked as any location opened; its tables then stream from a
    // connection of their own as they are written, never held whole.
    Engine::OpenDatabase(source);
    const QList<QPair<QString, bool>> tables = Store::TablesPresent(); // in the source
    bool any = false;
    for (const auto& table : tables)
        any = any || table.second;
    Engine::CloseDatabase();
    if (!any)
        throw AppError(QStringLiteral("移行元 %1 に温度管理のデータがありません")
                           .arg(Engine::DisplayName(source)));

    Engine::OpenDatabase(target);
    Transaction tx;
    TOndoKanri::CreateTables();
    const int there = Store::EnteredRows();
    if (there > 0 && !replace && !(confirm && confirm(there)))
        throw AppError(
            QStringLiteral("移行先 %1 には既にデータがあります（%2 行）。何も変更していません。"
                           "置き換えるには --replace を指定してください")
                .arg(Engine::DisplayName(target))
                .arg(there));
    // What is replaced is kept first (a server keeps its own backups).
    if (there > 0)
        Backup::WriteBeforeRewrite(target);
    Counts counts;
    for (const auto& [name, present] : tables) {
        int copied = 0;
        if (present) { // else the target keeps its own
            copied = Store::ReplaceTableFrom(source, name);
        }
        counts.append({name, copied});
    }
    tx.Commit();
    return counts;
}

QStringList CountLines(const Counts& counts)
{
    QStringList lines;
    for (const auto& [name, n] : counts)
        lines << QStringLiteral("%1: %2 件").arg(name).arg(n);
    return lines;
}

} // namespace DataCopy
