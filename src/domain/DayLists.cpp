// The lists the day's boxes and pickers offer.
#include "domain/DayEntry.h"

ListViewData TDayEntry::ProjectList() const
{
    ListViewData data;
    m_record.Koji.GetList(data);
    return data;
}

ListViewData TDayEntry::RecordList(bool all) const
{
    ListViewData data;
    if (all)
        TOndoKanri::ListAll(data);
    else
        TOndoKanri::ListByKoji(data, m_header.kojiCode);
    return data;
}

QStringList TDayEntry::DayList() const
{
    TOndoKanri shown;
    shown.Koji.Code() = m_header.kojiCode;
    shown.Gozai.DataName() = m_header.gozaiName;
    QStringList days;
    shown.GetDateList(days);
    return days;
}

QStringList TDayEntry::KubunNames() const
{
    QStringList names;
    m_record.Kubun.GetKubunNames(names);
    return names;
}

QStringList TDayEntry::SimeiNames() const
{
    QStringList names;
    m_record.Simei.GetList(names);
    return names;
}
