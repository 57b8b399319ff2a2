// The registers and a session on a fresh data folder, for the tests of the day of work.
#pragma once

#include "core/AppError.h"
#include "core/Settings.h"
#include "core/Utility.h"
#include "domain/DataCopy.h"
#include "domain/DayEntry.h"
#include "domain/RegisteredDays.h"
#include "storage/Backup.h"
#include "storage/Engine.h"
#include "storage/Query.h"
#include "storage/Schema.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QSignalSpy>

namespace {

const QString Kubun0 = QStringLiteral("練上温度");
const QString Kubun1 = QStringLiteral("初期締固前温度");
const QString Mix13 = QStringLiteral("密粒度13");

void seedRegisters()
{
    TOndoKanri::CreateTables();
    for (const auto& [code, name] :
         {std::pair{"K001", "国道1号舗装工事"}, {"K002", "県道舗装工事"}}) {
        TKoji koji;
        koji.Code() = QString::fromUtf8(code);
        koji.Kojimei() = QString::fromUtf8(name);
        koji.Save();
    }
    TGozai gozai;
    gozai.DataName() = Mix13;
    gozai.PrintName() = QStringLiteral("密粒度アスコン13");
    gozai.Save();
    for (const auto& [name, reading] : {std::pair{"山田", "やまだ"}, {"安藤", "あんどう"}}) {
        TSimei simei;
        simei.Simei() = QString::fromUtf8(name);
        simei.Furigana() = QString::fromUtf8(reading);
        simei.Save();
    }
    Engine::Execute(QStringLiteral(
        "update OndoKubun set SokuteiKankaku = '1台毎', OndoRange = '150_160' where ID = 0"));
    Engine::Execute(QStringLiteral("update OndoKubun set OndoRange = '140_170' where ID = 1"));
}

// A fresh data folder with registers and a session started on it, whose questions are answered
// from a list and recorded.
struct Fixture
{
    TempProfile profile;
    TDayEntry entry;
    QStringList asked;
    QStringList told;
    QList<bool> answers; // the next answers; none left: no
    QList<TUnsavedAnswer> unsaved; // the next answers to 変更を登録しますか？; none: キャンセル
    QStringList registered;

    Fixture()
    {
        seedRegisters();
        entry.Confirm = [this](const QString& question, bool) {
            asked << question;
            return !answers.isEmpty() && answers.takeFirst();
        };
        entry.Inform = [this](const QString& text) { told << text; };
        entry.AskUnsaved = [this](const QString& question) {
            asked << question;
            return unsaved.isEmpty() ? TUnsavedAnswer::Cancel : unsaved.takeFirst();
        };
        QObject::connect(&entry, &TDayEntry::registered,
                         [this](const QString& message) { registered << message; });
        entry.Start();
    }

    void header(const QString& code, const QString& mix, const QString& kubun, const QString& day)
    {
        entry.SetKojiCode(code);
        entry.SetGozaiName(mix);
        entry.SetKubunName(kubun);
        entry.SetDayText(day);
    }

    void type(const QStringList& temperatures)
    {
        entry.NumberRows(QString::number(temperatures.size()));
        for (int i = 0; i < temperatures.size(); ++i)
            entry.SetCell(i + 1, TDayEntry::TemperatureColumn, temperatures[i]);
    }

    QStringList column(int c, int rows = 6) const
    {
        QStringList cells;
        for (int lno = 1; lno <= rows; ++lno)
            cells << entry.Cell(lno, c);
        return cells;
    }

    QStringList statistics() const
    {
        const DayStatistics s = entry.Statistics();
        if (s.count == 0)
            return QStringList(4);
        return {FormatGeneral(s.maximum), FormatGeneral(s.minimum), FormatFixed(s.average, 1),
                QString::number(s.count)};
    }

    // The AppError text of a command, or empty when it passed.
    static QString refusal(const std::function<void()>& command)
    {
        try {
            command();
        } catch (const AppError& e) {
            return e.message();
        }
        return QString();
    }
};

[[maybe_unused]] int countRows(const QString& sql)
{
    Query q(sql);
    q.Open();
    return q.RecordCount();
}

[[maybe_unused]] QStringList stored(int id, const QString& day)
{
    Query q(QStringLiteral("select LNO, Sokuten, Ondo from OndoLine4 where KanriID = :A and "
                           "Hiduke = :B order by LNO"));
    q.BindInt(QStringLiteral("A"), id);
    q.BindDateTime(QStringLiteral("B"), ParseDate(day));
    q.Open();
    QStringList rows;
    for (; !q.Eof(); q.Next())
        rows << QStringLiteral("%1 %2 %3")
                    .arg(q.FieldInt(QStringLiteral("LNO")))
                    .arg(q.FieldText(QStringLiteral("Sokuten")))
                    .arg(FormatGeneral(q.FieldDouble(QStringLiteral("Ondo"))));
    return rows;
}

} // namespace
