#!/usr/bin/python3
"""The peer: a RoadScan day read and graded with plain Python and NumPy, as such files are
processed today (the whole file into an array, then the rules on it).

  bench/profile_peer.py FILE

Debian's python3-numpy (scripts/setup.sh), hence the system interpreter. Prints one line
per sublot, tab-separated: from, to [m], the time the paver reached it, 最高, 最低, 温度差,
判定, then the readings used, missing, below 80 ℃ and at the edges; then the totals.
"""
import decimal
import math
import sys

import numpy as np

SPACING = 0.25      # m across, RoadScan's
MAT = 80.0          # ℃: below is not the mat
EDGE = 0.6          # m left out at either side of the mat
SUBLOT = 45.7       # m
SLACK = 1e-9        # a last bit of binary arithmetic never moves a reading or a line


def read(path):
    raw = open(path, "rb").read()
    text = raw.decode("utf-8-sig") if raw.isascii() or _utf8(raw) else raw.decode("cp1252")
    lines = text.splitlines()
    times, distances, rows = [], [], []
    for line in lines[2:]:
        if not line[:1].isdigit():
            break  # the footer
        f = line.split(";")
        times.append(f[0][11:19])
        distances.append(float(f[1].replace(",", ".")))
        rows.append([float(v.replace(",", ".")) if v else math.nan for v in f[5:-1]])
    # The readings as a float32 scanner writes them, graded in float64.
    return times, np.array(distances), np.array(rows, dtype=np.float32).astype(np.float64)


def _utf8(raw):
    try:
        raw.decode("utf-8")
        return True
    except UnicodeDecodeError:
        return False


def tenths(x):
    return math.floor(x * 10 + 0.5)


def metres(x):
    # The binary value to one decimal, an exact half up, as Qt prints it.
    return str(decimal.Decimal(x).quantize(decimal.Decimal("0.1"), decimal.ROUND_HALF_UP))


def grade(difference_tenths):
    if difference_tenths <= 139:
        return "良好"
    return "中程度" if difference_tenths <= 278 else "重度"


def main():
    times, distance, t = read(sys.argv[1])
    # 1. The paver stands: no further than the last line kept (RoadScan has no speed).
    keep = np.zeros(len(distance), dtype=bool)
    last = -math.inf
    for i, d in enumerate(distance):
        if d > last:
            keep[i] = True
            last = d
    standing = int((~keep).sum())
    t, distance = t[keep], distance[keep]
    times = [s for s, k in zip(times, keep) if k]
    # 2. Missing and below 80 ℃ are ignored; 3. the mat from the first to the last warm
    # reading, less 0.6 m at either side.
    missing = np.isnan(t)
    hot = t >= MAT
    cold = ~missing & ~hot
    positions = np.arange(t.shape[1])
    first = np.argmax(hot, axis=1)[:, None]
    last = (t.shape[1] - 1 - np.argmax(hot[:, ::-1], axis=1))[:, None]
    edge = hot & (((positions - first) * SPACING < EDGE - SLACK) |
                  ((last - positions) * SPACING < EDGE - SLACK))
    used = hot & ~edge
    # 4. Sublots of 45.7 m from the first line kept; the remainder its own.
    sublot = np.floor((distance - distance[0]) / SUBLOT + SLACK).astype(np.int64)
    totals = [0, 0, 0, 0]
    for k in np.unique(sublot):
        rows = np.nonzero(sublot == k)[0]
        start = distance[0] + k * SUBLOT
        end = start + SUBLOT if rows[-1] + 1 < len(distance) else distance[rows[-1]]
        values = t[rows][used[rows]]
        counts = [int(values.size), int(missing[rows].sum()), int(cold[rows].sum()),
                  int(edge[rows].sum())]
        totals = [a + b for a, b in zip(totals, counts)]
        if values.size:
            # 5. NumPy's default percentile: linear between the closest ranks.
            high = tenths(np.percentile(values, 98.5))
            low = tenths(np.percentile(values, 1))
            figures = ["%.1f" % (high / 10), "%.1f" % (low / 10), "%.1f" % ((high - low) / 10),
                       grade(high - low)]
        else:
            figures = ["-", "-", "-", ""]
        print("\t".join([metres(start), metres(end), times[rows[0]]] + figures +
                        [str(c) for c in counts]))
    print("\t".join(["standing", str(standing)] + [str(c) for c in totals]))


if __name__ == "__main__":
    main()
