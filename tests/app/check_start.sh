#!/bin/sh
# The program starts and keeps running until it is ended: on a new data folder, then on the data
# that start made, which the second start backs up. A crash or an abort at start fails.
set -eu
app=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work"
export QT_QPA_PLATFORM=offscreen
data="$XDG_DATA_HOME/kozeran/data"
for start in new existing; do
  status=0
  timeout 4 "$app" 2>"$work/stderr" || status=$?
  [ "$status" -eq 124 ] || { echo "start on $start data ended with $status"; cat "$work/stderr"; exit 1; }
  [ -s "$data/kozeran.sqlite" ] || { echo "no data file after the start on $start data"; exit 1; }
done
ls "$data/backup/"kozeran-*.sqlite >/dev/null 2>&1 || { echo "the second start took no backup"; exit 1; }
