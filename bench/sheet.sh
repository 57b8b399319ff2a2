#!/usr/bin/env bash
# The record table (記録表) of one category against the sqlite3 + R script, same readings.
#   bench/sheet.sh [DAYS [READINGS]]   (default 365 days × 100 readings: 426 pages)
source "$(dirname "$0")/common.sh"
days=${1:-365}
readings=${2:-100}
make_data "$work/d" --days "$days" --readings "$readings"
echo "record table: $days days × $readings readings, $runs rounds"
$alt "$runs" \
  "peer (sqlite3 + R)" "Rscript '$peers/xsheet.R' '$work/d/peer.db' 1 '$work/peer.pdf'" \
  "ondokanri --form sheet" "'$app' --print-pdf '$work/ours.pdf' --form sheet --project K1 --mix 密粒 --category 練上温度 --data '$work/d'"
echo "pages: $(pages "$work/ours.pdf") ours, $(pages "$work/peer.pdf") peer"
