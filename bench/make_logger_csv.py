#!/usr/bin/env python3
"""Writes a logger's CSV file of READINGS readings, PER_DAY a day from 1990/01/01, every PER_DAY
readings a new day: date and time, temperature, measuring point, truck.

  bench/make_logger_csv.py READINGS FILE [PER_DAY]   (default 30 a day)
"""
import datetime
import sys

n, path = int(sys.argv[1]), sys.argv[2]
per_day = int(sys.argv[3]) if len(sys.argv) > 3 else 30
step = max(1, 600 // per_day)  # minutes apart over the ten hours from 07:00
day = datetime.date(1990, 1, 1)
with open(path, "w", encoding="utf-8", newline="\n") as f:
    f.write("日時,温度,測点,車番\n")
    for i in range(n):
        if i and i % per_day == 0:
            day += datetime.timedelta(days=1)
        k = i % per_day
        minutes = 7 * 60 + k * step
        f.write(f"{day:%Y/%m/%d} {minutes // 60:02d}:{minutes % 60:02d},"
                f"{150 + (i * 7) % 31 / 10:.1f},No.{k + 1},{k % 9 + 1}号車\n")
