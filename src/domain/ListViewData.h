#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What a list view shows, without the widget: the windows put it into their list views.
// A row's caption is the first column; sub-items beyond the columns stay invisible but are
// kept (the record pickers read the hidden identifier from them).
struct ListViewColumn
{
    QString caption;
    int width = 0;
};

struct ListViewRow
{
    QString caption;
    QStringList subItems;
};

struct ListViewData
{
    QList<ListViewColumn> columns;
    QList<ListViewRow> rows;

    void Reset(QList<ListViewColumn> newColumns)
    {
        rows.clear();
        columns = std::move(newColumns);
    }
};
