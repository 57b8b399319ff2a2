#!/usr/bin/env bash
# Opening the print preview of the 40-page chart (880 days), as the プレビュー button does.
#   bench/preview.sh [DAYS [OPENINGS]]
source "$(dirname "$0")/common.sh"
days=${1:-880}
python3 "$bench/make_report_data.py" "$work/d" --days "$days" --readings 24
"$build/bench/bench_preview" "$work/d" "${2:-10}"
