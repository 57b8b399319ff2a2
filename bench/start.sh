#!/usr/bin/env bash
# Start to the main window's first paint on a 1,000-day database, against a bare Qt widgets
# window, both on the same Xvfb display. start_app starts as ondokanri does and quits there.
# A third line, the bare window with a label, a field and a button, shows what text alone costs.
#   bench/start.sh [DAYS]   (default 1000 days × 24 readings per category, two categories)
source "$(dirname "$0")/common.sh"
# A start takes a tenth of a second, where this machine's swings show most: more rounds.
runs=${RUNS:-15}
days=${1:-1000}
start_app=$build/bench/start_app
[ -x "$start_app" ] || { echo "build first: $start_app is missing" >&2; exit 1; }
python3 "$bench/make_report_data.py" "$XDG_DATA_HOME/kozeran/data" --days "$days" --readings 24
display=:$(( 90 + RANDOM % 100 ))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
sleep 1
export DISPLAY=$display QT_QPA_PLATFORM=xcb
# The first start takes the backup of new data; the warm-up round of alt.py absorbs it.
echo "start-up: $days days per category on $display, $runs rounds"
$alt "$runs" \
  "bare Qt widgets window" "timeout 30 '$build/bench/bare_window'" \
  "ondokanri" "timeout 30 '$start_app'" \
  "bare window with text" "timeout 30 '$build/bench/bare_window' --text"
