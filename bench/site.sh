#!/usr/bin/env bash
# The site page under load: PHONES simulated phones on 127.0.0.1 each post a reading a second for
# SECONDS to `ondokanri --serve`, first on an SQLite folder, then on PostgreSQL (a throw-away
# cluster with its writes made durable as a real one). Per engine: the median and 99th
# percentile from request to stored (the answer comes after the commit), and the readings lost
# (acknowledged but not stored) and duplicated (stored twice). Goal: p99 <= 50 ms, 0 and 0.
# Between the two, the floor under the SQLite figures: what one bare commit costs on this disk.
#   bench/site.sh [PHONES] [SECONDS]   (default 50 phones, 60 s)
set -euo pipefail
bench=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$bench")
build=${BUILD:-$root/build}
app=$build/src/app/ondokanri
phones=${1:-50}
seconds=${2:-60}
[ -x "$app" ] || { echo "build first: $app is missing" >&2; exit 1; }
for tool in sqlite3 psql python3; do
  command -v "$tool" >/dev/null || { echo "$tool missing: run scripts/setup.sh" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/ondosite.XXXXXX")
chmod 755 "$work" # the cluster runs as the postgres user
pgport=$(( 27000 + RANDOM % 2000 ))
server=
cleanup() {
  [ -z "$server" ] || kill "$server" 2>/dev/null || true
  "$root/tests/support/pg_cluster.sh" stop "$work/pg" "$pgport" >/dev/null 2>&1 || true
  [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/xdg XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen

seed="insert into Koji1 (CODE, KOJIMEI) values ('K001', '国道1号舗装工事');
insert into GozaiDef (DataName, PrintName) values ('密粒度13', '密粒度13');
update OndoKubun set OndoRange = '150_160' where ID = 0;"
count="select count(*), count(distinct Uketuke) from OndoLine4 where Uketuke like 'bench-%';"

# run NAME LOCATION SQL...: serve LOCATION, seed it, load it, count what it stored.
run() {
  local name=$1 location=$2; shift 2
  local port=$(( 18000 + RANDOM % 2000 ))
  "$app" --serve --listen "127.0.0.1:$port" --data "$location" >"$work/$name.out" 2>"$work/$name.log" &
  server=$!
  for _ in $(seq 50); do grep -q 'ペアリングコード' "$work/$name.out" 2>/dev/null && break; sleep 0.1; done
  local code
  code=$(sed -n 's/^ペアリングコード: \([0-9]\{6\}\)$/\1/p' "$work/$name.out" | head -n1)
  [ -n "$code" ] || { cat "$work/$name.log" >&2; echo "$name: the server did not start" >&2; exit 1; }
  "$@" <<<"$seed" >/dev/null
  local figures
  figures=$(python3 "$bench/site_phones.py" 127.0.0.1 "$port" "$work/$name.out" "$phones" "$seconds")
  kill -TERM "$server"; wait "$server" || { echo "$name: the server did not end cleanly" >&2; exit 1; }
  server=
  local stored distinct acknowledged
  IFS='|' read -r stored distinct < <("$@" <<<"$count" | tail -n1)
  acknowledged=$(awk '{print $4}' <<<"$figures")
  echo "$name: $phones phones, ${seconds} s: $figures; stored $stored, lost $(( acknowledged - distinct )), duplicated $(( stored - distinct ))"
}

mkdir -p "$work/data"
run sqlite "$work/data" sqlite3 "$work/data/kozeran.sqlite"
# The floor under the SQLite figures: a bare one-row commit in the same folder with the data
# file's journal and sync settings, one after another, nothing else running in this process.
python3 - "$work/data/floor.sqlite" <<'PY'
import sqlite3, statistics, sys, time
db = sqlite3.connect(sys.argv[1], isolation_level=None)
db.execute('pragma journal_mode=DELETE')
db.execute('pragma synchronous=FULL')
db.execute('create table t (a integer, b text)')
took = []
for i in range(200):
    t0 = time.perf_counter()
    db.execute('begin immediate')
    db.execute('insert into t values (?, ?)', (i, 'x' * 40))
    db.execute('commit')
    took.append((time.perf_counter() - t0) * 1000)
took.sort()
print('sqlite floor: one-row commit, 200 in a row: median %.1f ms p99 %.1f ms'
      % (statistics.median(took), took[int(len(took) * 0.99)]))
PY

"$root/tests/support/pg_cluster.sh" start "$work/pg" "$pgport" >/dev/null
psql_pg=(psql -h 127.0.0.1 -p "$pgport" -U postgres -d postgres -qAt)
"${psql_pg[@]}" -c "alter system set fsync = on" -c "alter system set synchronous_commit = on" \
  -c "alter system set full_page_writes = on" -c "select pg_reload_conf()" >/dev/null
run postgresql "postgresql://postgres@127.0.0.1:$pgport/postgres" "${psql_pg[@]}"
