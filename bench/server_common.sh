# Shared by the benchmarks that start their own PostgreSQL: a throwaway work folder and cluster
# (and the delay proxy when the script sets $proxy), all gone on exit. Sourced after $root is
# set; gives $work, $port and $near_uri, with the program's settings kept inside $work.
work=$(mktemp -d "${TMPDIR:-/tmp}/ondoserver.XXXXXX")
chmod 755 "$work" # the server runs as postgres when we are root
port=$((27000 + RANDOM % 1000))
cleanup() {
  [ -n "${proxy:-}" ] && kill "$proxy" 2>/dev/null || true
  "$root/tests/support/pg_cluster.sh" stop "$work/pg" "$port" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/xdg XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen
"$root/tests/support/pg_cluster.sh" start "$work/pg" "$port" >/dev/null
near_uri="postgresql://postgres@127.0.0.1:$port/postgres"
