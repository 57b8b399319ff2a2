#!/usr/bin/env bash
# The day's actions and the 40-page chart on a PostgreSQL server near (a local TCP port) and far
# (bench/delay_proxy.py holding each packet 15 ms each way: a 30 ms round trip).
#   bench/distance.sh [--size small|full]
# Prints "ACTION local_ms distance_ms round_trips" per action (round trips at distance), on the
# report data set (one project, 880 days); print_chart is the 40-page chart and print_sheet the
# record table, both from the command line (--print-pdf). The same actions on a data folder
# follow as "file:ACTION ms - -".
# --size full adds 100 projects of 3 years around it on the server (about 11 M readings; the
# copy to the server takes a minute or two) and 10 on the data folder.
set -euo pipefail
size=small
if [ "${1:-}" = --size ]; then size=${2:-}; fi
case $size in small) projects=0 file_projects=0 ;; full) projects=100 file_projects=10 ;;
*) echo "bench/distance.sh [--size small|full]" >&2; exit 2 ;; esac
bench=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$bench")
build=${BUILD:-$root/build}
app=$build/src/app/ondokanri
source "$bench/server_common.sh"
far=$((28000 + RANDOM % 1000))
python3 "$bench/make_report_data.py" "$work/data" --projects $projects >/dev/null
python3 "$bench/make_report_data.py" "$work/file" --projects $file_projects >/dev/null
far_uri="postgresql://postgres@127.0.0.1:$far/postgres"
"$app" --copy-data "$work/data" "$near_uri" >/dev/null
python3 "$bench/delay_proxy.py" "$far" "$port" 15 "$work/trips" & proxy=$!
for _ in $(seq 50); do [ -f "$work/trips" ] && break; sleep 0.1; done

declare -A near_ms far_ms far_trips
run_actions() { # uri label
  ROUND_TRIPS=$work/trips "$build/bench/bench_distance" "$1" K1 密粒 練上温度 >"$work/$2.txt"
}
run_actions "$near_uri" near
run_actions "$far_uri" far
while read -r action ms _; do near_ms[$action]=$ms; done <"$work/near.txt"
while read -r action ms n; do far_ms[$action]=$ms; far_trips[$action]=$n; done <"$work/far.txt"

print_form() { # uri form → ms
  local t0 t1
  t0=$(date +%s%N)
  "$app" --data "$1" --print-pdf "$work/$2.pdf" --form "$2" --project K1 --mix 密粒 >/dev/null 2>&1
  t1=$(date +%s%N)
  echo $(((t1 - t0) / 1000000))
}
for form in chart sheet; do
  print_form "$near_uri" $form >/dev/null # warm the server's cache
  near_ms[print_$form]=$(print_form "$near_uri" $form)
  before=$(cat "$work/trips")
  far_ms[print_$form]=$(print_form "$far_uri" $form)
  far_trips[print_$form]=$(($(cat "$work/trips") - before))
done

echo "# $size data set; server 30 ms away through bench/delay_proxy.py"
for action in start pick_project pick_mix pick_category register_100 record_list print_chart print_sheet; do
  echo "$action ${near_ms[$action]} ${far_ms[$action]} ${far_trips[$action]}"
done

# The data folder: the first open checks the whole file once, as a first start would.
"$build/bench/bench_distance" "$work/file" K1 密粒 練上温度 >/dev/null
"$build/bench/bench_distance" "$work/file" K1 密粒 練上温度 >"$work/file.txt"
while read -r action ms _; do echo "file:$action $ms - -"; done <"$work/file.txt"
for form in chart sheet; do echo "file:print_$form $(print_form "$work/file" $form) - -"; done
