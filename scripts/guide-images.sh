#!/usr/bin/env bash
# Retakes the guide's pictures from the running program on a 1366x768 virtual screen:
#   scripts/guide-images.sh build/src/app/ondokanri
# Needs Xvfb, xdotool and ImageMagick (not part of the build).
set -euo pipefail
app=$(realpath "$1")
here=$(cd "$(dirname "$0")/.." && pwd)
out=$here/src/help_ui/images
work=$(mktemp -d)
trap 'kill $p $x 2>/dev/null || true; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/c XDG_DATA_HOME=$work/d XDG_RUNTIME_DIR=$work/r
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
python3 "$here/bench/make_report_data.py" "$XDG_DATA_HOME/kozeran/data" >/dev/null
export DISPLAY=:$((150 + RANDOM % 50))
Xvfb "$DISPLAY" -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 & x=$!
sleep 1
QT_QPA_PLATFORM=xcb "$app" >/dev/null 2>&1 & p=$!
sleep 3
# No window manager: give the front window the keyboard before each key.
front() { xdotool windowfocus --sync "$(xdotool search --onlyvisible --name . | tail -1)"; }
shot() { import -window root "$work/$1.png"; }
front; xdotool key ctrl+o; sleep 1
front; xdotool key Return; sleep 1.5; shot main
front; xdotool key ctrl+l; sleep 1.5; shot days
crop() { # name: the window's geometry on the screen
    local g; g=$(xdotool search --onlyvisible --name "$2" getwindowgeometry --shell | tail -n 5)
    eval "$g"
    convert "$work/$1.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" -resize 75% -strip "$out/$1.png"
}
crop days 登録済みの試験日
front; xdotool key Escape; sleep 0.5
crop main 温度管理
