#!/usr/bin/env bash
# A paver's day of thermal scans (LINES scan lines x 51 positions, RoadScan layout): imported
# with --import-profile and printed as the 敷均し温度分布 form, against the peer that reads and
# grades the same file with plain Python and NumPy (bench/profile_peer.py), alternately.
#   bench/profile.sh [LINES]    (default 100000; RUNS rounds, default 5)
# Prints the medians (seconds, peak MiB) of each side and of ours' two steps, and the ratio.
set -euo pipefail
lines=${1:-100000}
bench=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$bench")
build=${BUILD:-$root/build}
runs=${RUNS:-5}
app=$build/src/app/ondokanri
[ -x "$app" ] || { echo "build first: $app is missing" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time missing: run scripts/setup.sh" >&2; exit 1; }
/usr/bin/python3 -c 'import numpy' 2>/dev/null || { echo "python3-numpy missing: run scripts/setup.sh" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/ondoprofile.XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/xdg XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

/usr/bin/python3 "$bench/make_profile.py" "$work/day.csv" --lines "$lines" >/dev/null
python3 "$bench/make_report_data.py" "$work/fresh" --days 1 --readings 24 >/dev/null
mix=$(sqlite3 "$work/fresh/kozeran.sqlite" "select GozaiName from OndoKanri4 limit 1")
koji=$(sqlite3 "$work/fresh/kozeran.sqlite" "select KojiCode from OndoKanri4 limit 1")

timed() { # out-file command...
  local out=$1; shift
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" >"$out" 2>&1 || { cat "$out" >&2; exit 1; }
  cat "$work/time"
}

: >"$work/ours" ; : >"$work/import" ; : >"$work/print" ; : >"$work/peer"
for ((i = 0; i < runs; i++)); do
  # A day imported afresh each round, as at the end of a day's paving.
  rm -rf "$work/data" && cp -r "$work/fresh" "$work/data"
  read -r s1 m1 < <(timed "$work/out" "$app" --data "$work/data" --import-profile "$work/day.csv" \
    --project "$koji" --mix "$mix")
  read -r s2 m2 < <(timed "$work/out" "$app" --data "$work/data" --print-pdf "$work/p.pdf" \
    --form profile --project "$koji" --mix "$mix" --day 2024/06/03)
  read -r s3 m3 < <(timed "$work/peer.out" /usr/bin/python3 "$bench/profile_peer.py" "$work/day.csv")
  echo "$s1 $((m1 / 1024))" >>"$work/import"
  echo "$s2 $((m2 / 1024))" >>"$work/print"
  awk -v a="$s1" -v b="$s2" -v m="$m1" -v n="$m2" 'BEGIN {print a + b, (m > n ? m : n) / 1024}' >>"$work/ours"
  echo "$s3 $((m3 / 1024))" >>"$work/peer"
done

median() { sort -n -k"$2" "$1" | awk -v k="$2" '{v[NR] = $k} END {print v[int((NR + 1) / 2)]}'; }
printf '# %d scan lines x 51, %d rounds (medians)\n' "$lines" "$runs"
printf 'import   %s s  %s MiB\n' "$(median "$work/import" 1)" "$(median "$work/import" 2)"
printf 'print    %s s  %s MiB  (%s pages)\n' "$(median "$work/print" 1)" "$(median "$work/print" 2)" \
  "$(pdfinfo "$work/p.pdf" | awk '/^Pages:/ {print $2}')"
printf 'ours     %s s  %.0f MiB\n' "$(median "$work/ours" 1)" "$(median "$work/ours" 2)"
printf 'peer     %s s  %s MiB\n' "$(median "$work/peer" 1)" "$(median "$work/peer" 2)"
awk -v a="$(median "$work/ours" 1)" -v b="$(median "$work/peer" 1)" \
  'BEGIN {printf "ours / peer  %.2f  (goal <= 0.2, and <= 100 MiB)\n", a / b}'
