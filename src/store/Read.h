#pragma once

#include <initializer_list>
#include <memory>
#include <vector>

class Query;

// The store: the one place that names our tables and columns. Callers ask for rows in the
// structs of store/Rows.h and never see a statement.
namespace Store {

// A read made first and taken later, so that the reads one action needs travel together (one
// round trip to a server, Query::OpenAll). Made, then opened alone or with OpenTogether, then
// taken through the subclass's typed answer.
class TRead
{
public:
    TRead() = default;
    virtual ~TRead() = default;
    TRead(const TRead&) = delete;
    TRead& operator=(const TRead&) = delete;

    void Open();

protected:
    // The statements of this read, in the order they are asked.
    virtual std::vector<Query*> queries() = 0;
    friend void OpenTogether(std::initializer_list<TRead*> reads);
    friend void OpenTogether(const std::vector<TRead*>& reads, const std::vector<Query*>& more);
};

// A read of one statement, which the subclass builds in its constructor and takes rows from.
class TQueryRead : public TRead
{
public:
    ~TQueryRead() override;

protected:
    TQueryRead();
    std::vector<Query*> queries() override;
    Query& q() const { return *m_q; }

private:
    std::unique_ptr<Query> m_q;
};

// Opens every read at once; a null entry is passed over.
void OpenTogether(std::initializer_list<TRead*> reads);
void OpenTogether(const std::vector<TRead*>& reads);
// With statements of callers not moved here yet, in the same round trip.
void OpenTogether(const std::vector<TRead*>& reads, const std::vector<Query*>& more);

} // namespace Store
