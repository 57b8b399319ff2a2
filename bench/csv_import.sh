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


echo "# ENGINE READINGS seconds peak_MiB"
for n in "${sizes[@]}"; do
  python3 "$bench/make_logger_csv.py" "$n" "$work/in.csv"
  for engine in file server; do
    target=$work/file
    [ $engine = server ] && target=$uri
    /usr/bin/time -f '%e %M' -o "$work/time" "$app" --data "$target" --import-csv "$work/in.csv" \
      --project K1 --mix "CSV$n" --category 練上温度 >"$work/out" 2>&1 || { cat "$work/out" >&2; exit 1; }
    read -r seconds kib <"$work/time"
    echo "$engine $n $seconds $((kib / 1024))"
  done
done
