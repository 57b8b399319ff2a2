#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// One table of the old program, read whole from its Paradox file.
struct ParadoxTable
{
    QStringList fields; // upper-cased
    QList<QList<QVariant>> rows;

    int column(const QString& name) const { return fields.indexOf(name.toUpper()); }
    bool has(const QString& name) const { return column(name) >= 0; }
    // Null where the table has no field of that name.
    QVariant value(int row, const QString& name) const
    {
        const int c = column(name);
        return c < 0 ? QVariant() : rows.at(row).at(c);
    }
    QString text(int row, const QString& name) const { return value(row, name).toString(); }
    int integer(int row, const QString& name) const { return value(row, name).toInt(); }
    QDateTime when(int row, const QString& name) const { return value(row, name).toDateTime(); }
};

// Texts are read as Shift-JIS. Raises AppError naming the file when it cannot be read.
ParadoxTable ReadParadoxTable(const QString& file);
