#!/usr/bin/env bash
# A throw-away PostgreSQL cluster for the tests: pg_cluster.sh start|stop DIR PORT.
# start: initdb in DIR (C locale, trust on 127.0.0.1 except the role pwuser, whose
# password "secret" is checked), then the server on PORT with its socket in DIR.
# Run as root (as CI does), the cluster belongs to the postgres user.
set -euo pipefail
action=$1 dir=$2 port=$3
bin=${PG_BIN:-$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n1)}
as_pg=()
if [ "$(id -u)" -eq 0 ]; then
  as_pg=(runuser -u postgres --)
fi

case $action in
start)
  if [ -f "$dir/data/postmaster.pid" ]; then
    "${as_pg[@]}" "$bin/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
  mkdir -p "$dir"
  [ ${#as_pg[@]} -eq 0 ] || chown postgres: "$dir"
  "${as_pg[@]}" "$bin/initdb" -D "$dir/data" -U postgres -A trust --no-locale -E UTF8 >"$dir/initdb.log"
  cat >"$dir/data/pg_hba.conf" <<HBA
local all all trust
host all pwuser 127.0.0.1/32 scram-sha-256
host all all 127.0.0.1/32 trust
HBA
  cat >>"$dir/data/postgresql.conf" <<CONF
listen_addresses = '127.0.0.1'
port = $port
unix_socket_directories = '$dir'
fsync = off
synchronous_commit = off
full_page_writes = off
max_connections = 60
CONF
  "${as_pg[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 start >/dev/null
  "${as_pg[@]}" "$bin/psql" -h "$dir" -p "$port" -U postgres -d postgres -qAt \
    -c "create role pwuser login password 'secret' createdb" >/dev/null
  ;;
stop)
  if [ -d "$dir/data" ]; then
    "${as_pg[@]}" "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
  ;;
*)
  echo "usage: $0 start|stop DIR PORT" >&2
  exit 2
  ;;
esac
