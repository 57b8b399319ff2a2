#!/usr/bin/env bash
# The growth table of the README: chart and record table at growing sizes, ours and the peer.
#   bench/growth.sh   (RUNS rounds each, default 3; takes a few minutes)
bench=$(cd "$(dirname "$0")" && pwd)
export RUNS=${RUNS:-3}
row() { # kind size script args…
  local kind=$1 size=$2; shift 2
  "$@" | awk -v kind="$kind" -v size="$size" '
    / median / { for (i = 1; i <= NF; i++) { if ($i == "median") t[++n] = $(i + 1); if ($i == "peak") m[n] = $(i + 1); if ($i ~ /^x[0-9.]+$/) r = substr($i, 2) } }
    /^pages:/ { p = $2 }
    END { printf "| %s | %s | %s | %.0f ms, %.0f MiB | %.0f ms, %.0f MiB | %s |\n", kind, size, p, t[2], m[2], t[1], m[1], r }'
}
echo "| document | days | pages | ours | peer | ours / peer |"
echo "|---|---|---|---|---|---|"
for d in 22 220 880 3520; do row "chart (24 readings a day)" "$d" "$bench/chart.sh" "$d"; done
for d in 30 365 1460; do row "record table (100 readings a day)" "$d" "$bench/sheet.sh" "$d" 100; done
