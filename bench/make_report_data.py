#!/usr/bin/env python3
"""Writes a data folder for timing and looking at the printed documents.

  bench/make_report_data.py DIR [--days 880] [--readings 24] [--crowded] [--projects N]

Without --crowded: project K1, mix 密粒, categories 0 and 1, DAYS consecutive days from
2022/04/01 with READINGS readings each (a 40-page chart with 880 days).
With --crowded: five categories on two mixes from October to the following January (a year
boundary), the second mix measured by someone else, days of 3 to 16 readings, long labels.
With --projects N: N more projects (P001...), each with 2 mixes x 3 categories, 200 days a
year for 3 years, 30 readings a day: a head office's database around the measured project.
"""
import argparse
import datetime
import os
import random
import sqlite3

SCHEMA = [
    "create table OndoKanri4 (ID integer, KojiCode varchar(8), GozaiName varchar(64), "
    "Sokuteisya varchar(16), Kiji varchar(64), Kubun integer, Kikakuti varchar(32))",
    "create table OndoHead4 (KanriID integer, Hiduke datetime, Kosu integer, MaxOndo double, "
    "MiniOndo double, AvgOndo double, Tekiyo varchar(32))",
    "create table OndoLine4 (KanriID integer, Hiduke datetime, LNO integer, Sokuten varchar(16), "
    "Ondo double)",
    "create table OndoKubun (ID integer, ODR integer, KubunName varchar(24), OndoRange varchar(24), "
    "SokuteiKankaku varchar(8))",
    "create table Koji1 (CODE varchar(8), Kojimei varchar(64))",
    "create table GozaiDef (DataName varchar(64), PrintName varchar(64))",
    "create table SIMEI (SIMEI varchar(16), FURIGANA varchar(16))",
    "create index OndoKanri4_Key on OndoKanri4 (KojiCode, GozaiName, Kubun)",
    "create index OndoKanri4_ID on OndoKanri4 (ID)",
    "create index OndoHead4_Day on OndoHead4 (KanriID, Hiduke)",
    "create index OndoLine4_Day on OndoLine4 (KanriID, Hiduke)",
]

CATEGORIES = [(0, "練上温度", "160_180"), (1, "初期締固前温度", "110_140"), (2, "到着温度", "150_175"),
              (3, "舗設温度", "140_165"), (4, "二次転圧温度", "70_100")]


def add_day(db, kanri, day, values, labels):
    stamp = day.strftime("%Y-%m-%d 00:00:00")
    db.execute("insert into OndoHead4 values (?,?,?,?,?,?,'')",
               (kanri, stamp, len(values), max(values), min(values), sum(values) / len(values)))
    db.executemany("insert into OndoLine4 values (?,?,?,?,?)",
                   [(kanri, stamp, i + 1, labels[i], v) for i, v in enumerate(values)])


def main():
    p = argparse.ArgumentParser()
    p.add_argument("folder")
    p.add_argument("--days", type=int, default=880)
    p.add_argument("--readings", type=int, default=24)
    p.add_argument("--crowded", action="store_true")
    p.add_argument("--projects", type=int, default=0)
    a = p.parse_args()
    os.makedirs(a.folder, exist_ok=True)
    path = os.path.join(a.folder, "kozeran.sqlite")
    if os.path.exists(path):
        os.remove(path)
    db = sqlite3.connect(path)
    for s in SCHEMA:
        db.execute(s)
    rnd = random.Random(11)
    db.execute("insert into Koji1 values ('K1', '県道123号線舗装補修工事')")
    db.execute("insert into GozaiDef values ('密粒', '密粒度アスファルト混合物（13F）')")
    db.execute("insert into GozaiDef values ('粗粒', '再生粗粒度アスファルト混合物（20）改質Ⅱ型')")
    for name, kana in (("山田太郎", "やまだ"), ("佐藤花子", "さとう")):
        db.execute("insert into SIMEI values (?,?)", (name, kana))
    cats = CATEGORIES if a.crowded else CATEGORIES[:2]
    for cid, name, _ in CATEGORIES[:3] if a.projects and not a.crowded else cats:
        db.execute("insert into OndoKubun values (?,?,?,'','30分')", (cid, cid, name))
    kanri = 0
    if not a.crowded:
        first = datetime.date(2022, 4, 1)
        for cid, _, kikakuti in cats:
            kanri += 1
            db.execute("insert into OndoKanri4 values (?,?,?,?,?,?,?)",
                       (kanri, "K1", "密粒", "山田太郎", "", cid, kikakuti + "::"))
            lo = float(kikakuti.split("_")[0])
            for d in range(a.days):
                values = [lo + rnd.randint(0, 25) for _ in range(a.readings)]
                add_day(db, kanri, first + datetime.timedelta(days=d), values,
                        [str(i + 1) for i in range(a.readings)])
    else:
        first = datetime.date(2024, 10, 1)
        last = datetime.date(2025, 1, 15)
        for mix, who in (("密粒", "山田太郎"), ("粗粒", "佐藤花子")):
            for cid, _, kikakuti in cats:
                kanri += 1
                db.execute("insert into OndoKanri4 values (?,?,?,?,?,?,?)",
                           (kanri, "K1", mix, who, "", cid, kikakuti + ":" + kikakuti + ":" + "1台毎"))
                lo, hi = (float(x) for x in kikakuti.split("_"))
                day = first
                while day <= last:
                    if day.weekday() < 5 and rnd.random() < 0.7:
                        n = rnd.randint(3, 16)
                        values = [round(rnd.uniform(lo - 15, hi + 15), 1) for _ in range(n)]
                        labels = ["No.%d+%d.5（左側路肩）" % (i * 20, i) if i % 5 == 4 else
                                  "%d:%02d" % (8 + i // 2, (i % 2) * 30) for i in range(n)]
                        add_day(db, kanri, day, values, labels)
                    day += datetime.timedelta(days=1)
    add_projects(db, rnd, a.projects, kanri)
    db.commit()


def add_projects(db, rnd, count, kanri):
    days = [datetime.date(2021, 4, 1) + datetime.timedelta(days=d) for d in range(3 * 365)]
    worked = [d for d in days if d.weekday() < 5][:600]  # 200 days a year
    for p in range(1, count + 1):
        code = "P%03d" % p
        db.execute("insert into Koji1 values (?,?)", (code, "工事 %d" % p))
        for mix in ("密粒", "粗粒"):
            for cid, _, kikakuti in CATEGORIES[:3]:
                kanri += 1
                db.execute("insert into OndoKanri4 values (?,?,?,?,?,?,?)",
                           (kanri, code, mix, "山田太郎", "", cid, kikakuti + "::"))
                lo = float(kikakuti.split("_")[0])
                heads, lines = [], []
                for day in worked:
                    stamp = day.strftime("%Y-%m-%d 00:00:00")
                    values = [lo + rnd.randint(0, 25) for _ in range(30)]
                    heads.append((kanri, stamp, 30, max(values), min(values), sum(values) / 30))
                    lines.extend((kanri, stamp, i + 1, str(i + 1), v) for i, v in enumerate(values))
                db.executemany("insert into OndoHead4 values (?,?,?,?,?,?,'')", heads)
                db.executemany("insert into OndoLine4 values (?,?,?,?,?)", lines)


if __name__ == "__main__":
    main()
