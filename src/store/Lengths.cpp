#include "store/Lengths.h"

#include "storage/Schema.h"

#include <QString>

namespace Store {

namespace {

int declared(const char* table, const char* column)
{
    for (const Schema::Column& c : Schema::Get(QString::fromLatin1(table)).columns) {
        if (c.name.compare(QLatin1String(column), Qt::CaseInsensitive) == 0)
            return c.size;
    }
    return 0;
}

} // namespace

int LengthOf(TextColumn column)
{
    static const int lengths[] = {
        declared("OndoLine4", "Sokuten"),        declared("OndoLine4", "Syaryo"),
        declared("OndoLine4", "Biko"),           declared("OndoHead4", "Tekiyo"),
        declared("OndoHead4", "Tenki"),          declared("OndoHead4", "Kion"),
        declared("OndoRireki", "Sousasya"),      declared("OndoRireki", "Mae"),
        declared("OndoBunpu", "Fairu"),          declared("OndoKubun", "KubunName"),
        declared("OndoKubun", "SokuteiKankaku"), declared("OndoKubun", "OndoRange"),
    };
    return lengths[int(column)];
}

} // namespace Store
