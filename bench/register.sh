#!/usr/bin/env bash
# Registering a day of 100 readings: CPU time of ours against the SQLite C library doing the same
# writes with the same settings, data on tmpfs, and the forced disk writes of each (strace).
#   bench/register.sh [DAYS]   (default 200 days)
source "$(dirname "$0")/common.sh"
days=${1:-200}
shm=$(mktemp -d /dev/shm/ondobench.XXXXXX)
trap 'rm -rf "$work" "$shm"' EXIT
"$build/bench/bench_register" "$shm/d" "$days"
if command -v strace >/dev/null; then
  for side in ours raw; do
    n=$(strace -f -c -e trace=fsync,fdatasync -o "$work/strace.$side" "$build/bench/bench_register" "$shm/$side" 20 --only $side >/dev/null 2>&1;
        awk '$NF ~ /^(fsync|fdatasync)$/ {n += $4} END {print n + 0}' "$work/strace.$side")
    echo "forced writes per day ($side): $(awk -v n="$n" 'BEGIN {printf "%.1f", n / 20}')"
  done
fi
