#!/usr/bin/env bash
# Registering a day of 100 readings: CPU time of ours (history and seal kept) against the SQLite C
# library doing the same writes with the same settings, without a history and with one, data on
# tmpfs, and the forced disk writes of each (strace).
#   bench/register.sh [DAYS]   (default 200 days)
source "$(dirname "$0")/common.sh"
days=${1:-200}
shm=$(mktemp -d /dev/shm/ondobench.XXXXXX)
trap 'rm -rf "$work" "$shm"' EXIT
"$build/bench/bench_register" "$shm/d" "$days"
# fsyncs of registering alone: the difference between runs of 40 and 20 days, per day.
fsyncs() { # side days
  strace -f -c -e trace=fsync,fdatasync -o "$work/strace" "$build/bench/bench_register" "$shm/$1$2" "$2" --only "$1" >/dev/null 2>&1
  awk '$NF ~ /^(fsync|fdatasync)$/ {n += $4} END {print n + 0}' "$work/strace"
}
if command -v strace >/dev/null; then
  for side in ours raw rawhistory; do
    echo "forced writes per registered day ($side): $(awk -v a="$(fsyncs $side 40)" -v b="$(fsyncs $side 20)" 'BEGIN {printf "%.1f", (a - b) / 20}')"
  done
fi
