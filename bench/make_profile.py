#!/usr/bin/env python3
"""Writes a day of a paver's thermal scanner as Vögele RoadScan exports it.

  bench/make_profile.py FILE [--lines 100000] [--seed 1]

Two header lines in Windows-1252, then LINES scan lines of 51 readings 0.25 m apart, `;`
between fields, decimal commas, a trailing `;`, and "Keine Daten vorhanden" at the end. The
mat lies across the middle of the scan with its edges wandering a little; now and then the
paver waits for a truck, standing with its distance held, and the mat laid after a wait is
cold in streaks. A few readings are missing (empty fields).
"""
import argparse
import datetime
import random

POSITIONS = 51
# The readings as the file writes them, by tenths of a degree.
TEXT = ["%d,%d" % (t // 10, t % 10) for t in range(0, 3001)]


def main():
    p = argparse.ArgumentParser()
    p.add_argument("file")
    p.add_argument("--lines", type=int, default=100000)
    p.add_argument("--seed", type=int, default=1)
    a = p.parse_args()
    rnd = random.Random(a.seed)
    start = datetime.datetime(2024, 6, 3, 6, 0, 0)
    with open(a.file, "w", encoding="cp1252", newline="") as f:
        f.write("Temperaturprofil RoadScan;Baustelle B27 Spur 1;\r\n")
        f.write("Zeit;Distanz [m];Breitengrad;Längengrad;Signalqualität;"
                + "".join("T%d [°C];" % i for i in range(POSITIONS)) + "\r\n")
        distance, latitude, longitude = 0.0, 48.771200, 9.182900
        standing = 0   # scan lines left of a wait
        cooled = 0.0   # how much colder the mat laid now is, after a wait
        streak = (0, 0)  # positions of a cold streak
        left, right = 6, 44
        for k in range(a.lines):
            # About 2.8 scan lines a second: a day of 100,000 runs from 6:00 to 16:00.
            when = start + datetime.timedelta(seconds=int(k * 0.36))
            if standing == 0 and rnd.random() < 1 / 2500:
                standing = rnd.randint(80, 600)
            if standing > 0:
                standing -= 1
                cooled = min(40.0, cooled + 0.15)
                streak = (rnd.randint(8, 30), rnd.randint(4, 12))
            else:
                distance += rnd.uniform(0.02, 0.05)
                latitude += 0.0000003
                cooled = max(0.0, cooled - 0.05)
            if rnd.random() < 0.01:
                left = min(9, max(3, left + rnd.choice((-1, 1))))
                right = min(47, max(41, right + rnd.choice((-1, 1))))
            fields = [when.strftime("%d.%m.%Y %H:%M:%S"), ("%.2f" % distance).replace(".", ","),
                      ("%.6f" % latitude).replace(".", ","), ("%.6f" % longitude).replace(".", ","),
                      "4"]
            for i in range(POSITIONS):
                if rnd.random() < 0.001:
                    fields.append("")
                    continue
                if i < left or i > right:
                    t = rnd.gauss(35, 4)  # the road beside the mat
                else:
                    t = rnd.gauss(152, 2.5)
                    if streak[0] <= i < streak[0] + streak[1]:
                        t -= cooled
                fields.append(TEXT[min(3000, max(0, int(round(t * 10))))])
            f.write(";".join(fields) + ";\r\n")
        f.write("Keine Daten vorhanden\r\n")


if __name__ == "__main__":
    main()
