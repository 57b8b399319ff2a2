#!/usr/bin/env bash
# A logger's CSV file of many readings imported from the command line into a data folder and
# into a PostgreSQL server (a throwaway cluster on a local port).
#   bench/csv_import.sh [READINGS ...]    (default: 250000 500000 1000000)
# Prints "ENGINE READINGS seconds peak_MiB" per import: 30 readings a day, a new mix each time,
# peak memory as the kernel counted it for the process (/usr/bin/time).
set -euo pipefail
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(250000 500000 1000000)
bench=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$bench")
build=${BUILD:-$root/build}
app=$build/src/app/ondokanri
[ -x "$app" ] || { echo "build first: $app is missing" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time missing: run scripts/setup.sh" >&2; exit 1; }
source "$bench/server_common.sh"
python3 "$bench/make_report_data.py" "$work/file" --projects 0 >/dev/null
uri=$near_uri
"$app" --copy-data "$work/file" "$uri" >/dev/null

write_csv() { # readings file
  python3 - "$1" "$2" <<'PY'
import datetime, sys
n, path = int(sys.argv[1]), sys.argv[2]
day = datetime.date(1990, 1, 1)
with open(path, "w", encoding="utf-8", newline="\n") as f:
    f.write("日時,温度,測点,車番\n")
    for i in range(n):
        if i and i % 30 == 0:
            day += datetime.timedelta(days=1)
        k = i % 30
        f.write(f"{day:%Y/%m/%d} {7 + k // 6:02d}:{k % 6 * 10:02d},{150 + (i * 7) % 31 / 10:.1f},No.{k + 1},{k % 9 + 1}号車\n")
PY
}

echo "# ENGINE READINGS seconds peak_MiB"
for n in "${sizes[@]}"; do
  write_csv "$n" "$work/in.csv"
  for engine in file server; do
    target=$work/file
    [ $engine = server ] && target=$uri
    /usr/bin/time -f '%e %M' -o "$work/time" "$app" --data "$target" --import-csv "$work/in.csv" \
      --project K1 --mix "CSV$n" --category 練上温度 >"$work/out" 2>&1 || { cat "$work/out" >&2; exit 1; }
    read -r seconds kib <"$work/time"
    echo "$engine $n $seconds $((kib / 1024))"
  done
done
