#!/usr/bin/env bash
# `--verify` of a data folder whose days were all registered, and so sealed, by the program,
# against sha256sum of the same file's bytes.
#   bench/verify.sh [READINGS]   (default 11,000,000: 100 a day, imported a million at a time)
source "$(dirname "$0")/common.sh"
n=${1:-11000000}
chunk=1000000
mkdir -p "$work/d"
python3 "$bench/make_report_data.py" "$work/d" --days 1 --readings 1 >/dev/null
rm -f "$work/d/peer.db"
part=0
for ((start = 0; start < n; start += chunk)); do
  part=$((part + 1))
  count=$((n - start < chunk ? n - start : chunk))
  python3 "$bench/make_logger_csv.py" "$count" "$work/in.csv" 100
  "$app" --data "$work/d" --import-csv "$work/in.csv" --project K1 --mix "M$part" \
    --category 練上温度 >"$work/out" 2>&1 || { cat "$work/out" >&2; exit 1; }
done
rm -f "$work/in.csv"
"$app" --data "$work/d" --verify
echo "verify: $n readings, $(du -m "$work/d/kozeran.sqlite" | cut -f1) MiB, $runs rounds"
$alt "$runs" \
  "sha256sum of the file" "sha256sum '$work/d/kozeran.sqlite' >/dev/null" \
  "ondokanri --verify" "'$app' --data '$work/d' --verify >/dev/null"
