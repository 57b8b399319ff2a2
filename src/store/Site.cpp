#include "store/Site.h"

#include "storage/Query.h"
#include "store/RecordColumns.h"

namespace Store {

TSiteRecordRead::TSiteRecordRead(const QString& kojiCode, const QString& gozaiName, int kubun)
    : m_q(std::make_unique<Query>(
          QStringLiteral("select ID, Kikakuti from OndoKanri4 where KojiCode = :A and "
                         "GozaiName = :B and Kubun = :C")))
{
    m_q->BindText(A, kojiCode);
    m_q->BindText(B, gozaiName);
    m_q->BindInt(C, kubun);
}

TSiteRecordRead::~TSiteRecordRead() = default;

std::vector<Query*> TSiteRecordRead::queries()
{
    return {m_q.get()};
}

std::optional<TSiteRecordRead::TRecord> TSiteRecordRead::Record() const
{
    if (m_q->Eof())
        return std::nullopt;
    return TRecord{m_q->FieldInt(QStringLiteral("ID")), m_q->FieldText(QStringLiteral("Kikakuti"))};
}

TSiteDayRead::TSiteDayRead(int kanriId, const QDateTime& day)
    : m_head(std::make_unique<Query>(
          QStringLiteral("select Kosu, Mogi from OndoHead4 where KanriID = :A and Hiduke = :B"))),
      m_lines(std::make_unique<Query>(
          QStringLiteral("select LNO, Sokuten, Ondo, Jikoku, Syaryo, Biko, Uketuke, Tanmatu "
                         "from OndoLine4 where KanriID = :A and Hiduke = :B order by LNO")))
{
    for (Query* q : {m_head.get(), m_lines.get()}) {
        q->BindInt(A, kanriId);
        q->BindDateTime(B, day);
    }
}

TSiteDayRead::~TSiteDayRead() = default;

std::vector<Query*> TSiteDayRead::queries()
{
    return {m_head.get(), m_lines.get()};
}

bool TSiteDayRead::Present() const
{
    return !m_head->Eof();
}

bool TSiteDayRead::Simulated() const
{
    return Present() && m_head->FieldInt(QStringLiteral("Mogi")) != 0;
}

QList<TSiteRow> TSiteDayRead::Rows()
{
    QList<TSiteRow> rows;
    for (Query& q = *m_lines; !q.Eof(); q.Next())
        rows << TSiteRow{ReadingOf(q), q.FieldText(QStringLiteral("Uketuke")),
                         q.FieldText(QStringLiteral("Tanmatu"))};
    return rows;
}

void UpdateDayFigures(int kanriId, const QDateTime& day, int kosu, double maxOndo, double miniOndo,
                      double avgOndo)
{
    Query q(QStringLiteral("update OndoHead4 set Kosu = :C, MaxOndo = :D, MiniOndo = :E, "
                           "AvgOndo = :F where KanriID = :A and Hiduke = :B"));
    q.BindInt(A, kanriId);
    q.BindDateTime(B, day);
    q.BindInt(C, kosu);
    q.BindDouble(D, maxOndo);
    q.BindDouble(E, miniOndo);
    q.BindDouble(F, avgOndo);
    q.ExecSQL();
}

void AppendReading(int kanriId, const QDateTime& day, const TSiteRow& row)
{
    const Reading& reading = row.reading;
    Query insert;
    insert.Add(QStringLiteral("insert into OndoLine4 (KanriID,Hiduke,LNO,Sokuten,Ondo,Jikoku,"
                              "Syaryo,Biko,Uketuke,Tanmatu)"));
    insert.Add(QStringLiteral("values (:A,:B,:C,:D,:E,:F,:G,:H,:I,:J)"));
    insert.BindInt(A, kanriId);
    insert.BindDateTime(B, day);
    insert.BindInt(C, reading.LNO);
    insert.BindText(D, reading.Sokuten);
    insert.BindDouble(E, reading.Ondo);
    insert.BindText(F, reading.Jikoku);
    insert.BindText(QStringLiteral("G"), reading.Syaryo);
    insert.BindText(QStringLiteral("H"), reading.Biko);
    insert.BindText(QStringLiteral("I"), row.id);
    insert.BindText(QStringLiteral("J"), row.device);
    insert.ExecSQL();
}

void CorrectReading(int kanriId, const QDateTime& day, const Reading& reading)
{
    Query update(QStringLiteral("update OndoLine4 set Ondo = :D, Syaryo = :E, Biko = :F "
                                "where KanriID = :A and Hiduke = :B and LNO = :C"));
    update.BindInt(A, kanriId);
    update.BindDateTime(B, day);
    update.BindInt(C, reading.LNO);
    update.BindDouble(D, reading.Ondo);
    update.BindText(E, reading.Syaryo);
    update.BindText(F, reading.Biko);
    update.ExecSQL();
}

void RemoveReading(int kanriId, const QDateTime& day, int lno)
{
    Query remove(
        QStringLiteral("delete from OndoLine4 where KanriID = :A and Hiduke = :B and LNO = :C"));
    remove.BindInt(A, kanriId);
    remove.BindDateTime(B, day);
    remove.BindInt(C, lno);
    remove.ExecSQL();
}

void MoveReading(int kanriId, const QDateTime& day, int lno, int to, const QString& label)
{
    Query move(QStringLiteral("update OndoLine4 set LNO = :D, Sokuten = :E "
                              "where KanriID = :A and Hiduke = :B and LNO = :C"));
    move.BindInt(A, kanriId);
    move.BindDateTime(B, day);
    move.BindInt(C, lno);
    move.BindInt(D, to);
    move.BindText(E, label);
    move.ExecSQL();
}

} // namespace Store
