#!/usr/bin/env bash
# The X control chart of one mix against the sqlite3 + gnuplot pipeline, same readings.
#   bench/chart.sh [DAYS]   (default 880 days × 24 readings: 40 pages)
source "$(dirname "$0")/common.sh"
days=${1:-880}
make_data "$work/d" --days "$days" --readings 24
echo "chart: $days days × 24 readings, $runs rounds"
$alt "$runs" \
  "peer (sqlite3 + gnuplot)" "cd '$peers' && sh xchart.sh '$work/d/peer.db' 1 $days '$work/peer.pdf'" \
  "ondokanri --form chart" "'$app' --print-pdf '$work/ours.pdf' --form chart --project K1 --mix 密粒 --data '$work/d'"
echo "pages: $(pages "$work/ours.pdf") ours, $(pages "$work/peer.pdf") peer"
