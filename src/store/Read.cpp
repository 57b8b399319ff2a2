#include "store/Read.h"

#include "storage/Query.h"

namespace Store {

TQueryRead::TQueryRead() : m_q(std::make_unique<Query>()) {}

TQueryRead::~TQueryRead() = default;

std::vector<Query*> TQueryRead::queries()
{
    return {m_q.get()};
}

void TRead::Open()
{
    OpenTogether({this});
}

void OpenTogether(std::initializer_list<TRead*> reads)
{
    OpenTogether(std::vector<TRead*>(reads));
}

void OpenTogether(const std::vector<TRead*>& reads)
{
    OpenTogether(reads, {});
}

void OpenTogether(const std::vector<TRead*>& reads, const std::vector<Query*>& more)
{
    std::vector<Query*> all;
    for (TRead* read : reads) {
        if (!read)
            continue;
        const std::vector<Query*> own = read->queries();
        all.insert(all.end(), own.begin(), own.end());
    }
    all.insert(all.end(), more.begin(), more.end());
    if (all.empty())
        return;
    if (all.size() == 1)
        all.front()->Open();
    else
        Query::OpenAll(all);
}

} // namespace Store
