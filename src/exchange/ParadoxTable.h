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
    // A whole number that fits our 32-bit identifiers; false for anything else (a text, a
    // fraction, NaN, a number out of range, null).
    bool id(int row, const QString& name, int* out) const;
    QDateTime when(int row, const QString& name) const { return value(row, name).toDateTime(); }
};

// What the file's header says of the table, once it was found to agree with the file.
struct ParadoxLayout
{
    QStringList fields; // upper-cased
    QList<int> types;   // pxlib's field types
    int recordSize = 0;
    qint64 records = 0;
};
// Raises AppError naming the file and what is wrong unless the header, the field list and the
// chain of data blocks agree with the file's size and with each other (no block outside the
// file or met twice, fields filling the record, the records of the chain those counted).
ParadoxLayout CheckParadoxLayout(const QString& file);

// The whole table, or AppError: the layout is checked first, then pxlib reads the file in a
// child process that is stopped after `timeLimitMs` (default: 5 s and 1 s a MB), so that a
// table pxlib loops on or misreads cannot take the program with it; a table is returned only
// when every record the header counts was read. Texts are read as Shift-JIS.
ParadoxTable ReadParadoxTable(const QString& file, int timeLimitMs = -1);
