#!/bin/sh
# The program starts to a painted main window and ends on its own with
# ONDOKANRI_QUIT_ON_FIRST_PAINT: on a new data folder, then on the data that start made.
# A start that hangs (the start-up thread, a plugin opened ahead) ends in the timeout.
set -eu
app=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work"
export QT_QPA_PLATFORM=offscreen ONDOKANRI_QUIT_ON_FIRST_PAINT=1
data="$XDG_DATA_HOME/kozeran/data"
for start in new existing; do
  timeout 30 "$app" 2>"$work/stderr" || { echo "start on $start data failed ($?)"; cat "$work/stderr"; exit 1; }
  [ -s "$data/kozeran.sqlite" ] || { echo "no data file after the start on $start data"; exit 1; }
done
ls "$data/backup/"kozeran-*.sqlite >/dev/null 2>&1 || { echo "the second start took no backup"; exit 1; }
