#include "core/Settings.h"
#include "domain/ListViewData.h"
#include "domain/OndoKubun.h"
#include "domain/RegisterEntry.h"
#include "storage/Engine.h"
#include "storage/Query.h"
#include "support/TestSupport.h"

#include <QCoreApplication>

namespace {
void exec(const QString& sql)
{
    Engine::Execute(sql);
}
} // namespace

class TestRegisters : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void categoryTableCreatedWithDefaults()
    {
        TempProfile profile;
        TSettings::SetText(QStringLiteral("OndoRangeNeri"), QStringLiteral("150_160"));
        TOndoKubun kubun;
        kubun.CheckTable();
        QStringList names;
        kubun.GetKubunNames(names);
        QCOMPARE(names,
                 (QStringList{QStringLiteral("練上温度"), QStringLiteral("初期締固前温度")}));
        kubun.LoadByID(0);
        QCOMPARE(kubun.OndoRange, QStringLiteral("150_160"));
        QCOMPARE(kubun.SokuteiKankaku, QString());
        kubun.LoadByName(QStringLiteral("初期締固前温度"));
        QCOMPARE(kubun.ID, 1);
        QCOMPARE(kubun.OndoRange, QString()); // OndoRangeSiki never written
        QCOMPARE(kubun.GetNewID(), 2);

        // A second check changes nothing.
        kubun.CheckTable();
        kubun.GetKubunNames(names);
        QCOMPARE(names.size(), 2);
    }

    void olderCategoryTableUpgraded()
    {
        TempProfile profile;
        exec(QStringLiteral("create table OndoKubun (ID integer, ODR integer, KubunName "
                            "varchar(24), OndoRange varchar(24))"));
        exec(QStringLiteral("insert into OndoKubun values (5, 0, '舗設温度', '140_150')"));
        TOndoKubun kubun;
        kubun.SokuteiKankaku = QStringLiteral("前の値");
        kubun.CheckTable();
        kubun.LoadByID(5);
        QCOMPARE(kubun.KubunName, QStringLiteral("舗設温度"));
        QCOMPARE(kubun.SokuteiKankaku, QString());
        QStringList names;
        kubun.GetKubunNames(names);
        QCOMPARE(names, QStringList{QStringLiteral("舗設温度")}); // no defaults added
    }

    void categoryMissesKeepInterval()
    {
        TempProfile profile;
        exec(QStringLiteral("create table OndoKubun (ID integer, ODR integer, KubunName "
                            "varchar(24), OndoRange varchar(24), SokuteiKankaku varchar(8))"));
        TOndoKubun kubun;
        QCOMPARE(kubun.GetNewID(), 1); // empty table
        exec(QStringLiteral(
            "insert into OndoKubun values (3, 1, 'B', '1_2', '5分'), (7, 0, 'A', '3_4', NULL)"));
        kubun.LoadByName(QStringLiteral("B"));
        QCOMPARE(kubun.ID, 3);
        QCOMPARE(kubun.SokuteiKankaku, QStringLiteral("5分"));
        kubun.LoadByName(QStringLiteral("nothing"));
        QCOMPARE(kubun.ID, -1);
        QCOMPARE(kubun.KubunName, QString());
        QCOMPARE(kubun.OndoRange, QString());
        QCOMPARE(kubun.SokuteiKankaku, QStringLiteral("5分"));
        kubun.LoadByID(3);
        kubun.LoadByID(99);
        QCOMPARE(kubun.ID, -1);
        QCOMPARE(kubun.SokuteiKankaku, QStringLiteral("5分"));
        kubun.LoadByID(7);
        QCOMPARE(kubun.SokuteiKankaku, QString()); // NULL reads empty
        kubun.Clear();
        QCOMPARE(kubun.ID, -1);
        QCOMPARE(kubun.OndoRange, QStringLiteral("3_4"));
        QStringList names;
        kubun.GetKubunNames(names);
        QCOMPARE(names, (QStringList{QStringLiteral("A"), QStringLiteral("B")})); // by ODR
        QCOMPARE(kubun.GetNewID(), 8);
        // An imported category holding the largest number: the first free one, not an overflow.
        exec(QStringLiteral("insert into OndoKubun values (2147483647, 2, 'C', '', ''), "
                            "(1, 3, 'D', '', '')"));
        QCOMPARE(kubun.GetNewID(), 2);
    }

    void canDeleteKubun()
    {
        TempProfile profile;
        TOndoKubun kubun;
        kubun.CheckTable();
        exec(QStringLiteral(
            "create table OndoKanri4 (ID integer, KojiCode varchar(8), GozaiName varchar(64), "
            "Sokuteisya varchar(16), Kiji varchar(64), Kubun integer, Kikakuti varchar(32))"));
        exec(QStringLiteral("insert into OndoKanri4 (ID, KojiCode, Kubun) values (1, 'K1', 1)"));
        QVERIFY(!CanDeleteKubun(QStringLiteral("初期締固前温度")));
        QVERIFY(CanDeleteKubun(QStringLiteral("練上温度")));
        QVERIFY(CanDeleteKubun(QStringLiteral("登録されていない")));
    }

    void registerTablesCreatedEmpty()
    {
        TempProfile profile;
        CheckRegisterTables();
        QVERIFY(Engine::TableExists(QStringLiteral("Koji1")));
        QVERIFY(Engine::TableExists(QStringLiteral("GozaiDef")));
        QVERIFY(Engine::TableExists(QStringLiteral("SIMEI")));
        TKoji koji;
        ListViewData view;
        koji.GetList(view);
        QCOMPARE(view.rows.size(), 0);
        QCOMPARE(view.columns.size(), 2);
        QCOMPARE(view.columns.at(1).caption, QStringLiteral("工事名"));
        QCOMPARE(view.columns.at(1).width, 400);
    }

    void projectsSaveLoadDelete()
    {
        TempProfile profile;
        CheckRegisterTables();
        TKoji koji;
        koji.Code() = QStringLiteral("K2");
        koji.Kojimei() = QStringLiteral("県道工事");
        koji.Save();
        koji.Code() = QStringLiteral("K1");
        koji.Kojimei() = QStringLiteral("国道工事");
        koji.Save();
        koji.Kojimei() = QStringLiteral("国道改良工事");
        koji.Save(); // updates only K1

        ListViewData view;
        koji.GetList(view);
        QCOMPARE(view.rows.size(), 2);
        QCOMPARE(view.rows.at(0).caption, QStringLiteral("K1"));
        QCOMPARE(view.rows.at(0).subItems, QStringList{QStringLiteral("国道改良工事")});
        QCOMPARE(view.rows.at(1).subItems, QStringList{QStringLiteral("県道工事")});

        TKoji other;
        other.Load(QStringLiteral("K2"));
        QCOMPARE(other.Kojimei(), QStringLiteral("県道工事"));
        other.Load(QStringLiteral("K9"));
        QCOMPARE(other.Code(), QStringLiteral("K9"));
        QCOMPARE(other.Kojimei(), QString());

        koji.Delete();
        koji.GetList(view);
        QCOMPARE(view.rows.size(), 1);
        QCOMPARE(view.rows.at(0).caption, QStringLiteral("K2"));
    }

    void mixesAndMeasurersMissRulesAndOrder()
    {
        TempProfile profile;
        CheckRegisterTables();
        TGozai gozai;
        gozai.Load(QStringLiteral("密粒度13"));
        QCOMPARE(gozai.DataName(), QStringLiteral("密粒度13"));
        QCOMPARE(gozai.PrintName(), QStringLiteral("密粒度13"));
        gozai.PrintName() = QStringLiteral("密粒度ｱｽｺﾝ(13)");
        gozai.Save();
        TGozai again;
        again.Load(QStringLiteral("密粒度13"));
        QCOMPARE(again.PrintName(), QStringLiteral("密粒度ｱｽｺﾝ(13)"));

        TSimei simei;
        simei.Simei() = QStringLiteral("Aさん");
        simei.Furigana() = QStringLiteral("ワタナベ");
        simei.Save();
        simei.Simei() = QStringLiteral("Bさん");
        simei.Furigana() = QStringLiteral("アオキ");
        simei.Save();
        QStringList names;
        simei.GetList(names);
        QCOMPARE(names,
                 (QStringList{QStringLiteral("Bさん"), QStringLiteral("Aさん")})); // by reading
        simei.Load(QStringLiteral("Cさん"));
        QCOMPARE(simei.Simei(), QStringLiteral("Cさん"));
        QCOMPARE(simei.Furigana(), QString());
        simei.Clear();
        QCOMPARE(simei.Simei(), QString());
    }
};

ONDO_TEST_MAIN(TestRegisters, QCoreApplication)
#include "test_registers.moc"
