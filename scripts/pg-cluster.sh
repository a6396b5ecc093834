#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the tests and benchmarks, listening only on 127.0.0.1.
#
#   scripts/pg-cluster.sh start DIR PORT   creates DIR (must be missing or empty), runs initdb and
#                                          pg_ctl there, creates the role and database "tarvex"
#                                          (password "tarvex") and prints the connection facts as
#                                          TARVEX_PG_*=value lines, ready for `export`
#   scripts/pg-cluster.sh stop DIR         stops the server of DIR and removes DIR
#
# The server runs as the invoking user, or as the system user "postgres" when run as root
# (PostgreSQL refuses to run as root). TCP connections authenticate with SCRAM passwords, so a
# wrong password is refused; the unix socket in DIR trusts its local users (for the set-up only).
# The cluster trades durability for speed (fsync off): it holds nothing worth keeping.
set -euo pipefail

die() { echo "pg-cluster.sh: $*" >&2; exit 1; }

# The folder of initdb/pg_ctl: pg_config's when on PATH, else the newest Debian install.
find_bindir() {
  if command -v pg_config >/dev/null 2>&1 && [ -x "$(pg_config --bindir)/initdb" ]; then
    pg_config --bindir
    return
  fi
  local d
  d="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)"
  [ -n "$d" ] && [ -x "$d/initdb" ] || die "initdb not found (install the Debian package postgresql)"
  echo "$d"
}

# Runs a command as the server's user.
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

marker=".tarvex-pg-cluster"

start() {
  local dir="$1" port="$2"
  [[ "$port" =~ ^[0-9]+$ ]] || die "port must be a number: $port"
  if [ -e "$dir" ] && [ -n "$(ls -A "$dir")" ]; then
    die "$dir is not empty"
  fi
  mkdir -p "$dir"
  dir="$(cd "$dir" && pwd)"
  local bin
  bin="$(find_bindir)"
  if [ "$(id -u)" -eq 0 ]; then
    id postgres >/dev/null 2>&1 ||
      useradd --system --home-dir /var/lib/postgresql --shell /bin/bash postgres
    chown postgres: "$dir"
    runuser -u postgres -- test -w "$dir" ||
      die "the user postgres cannot reach $dir (a parent folder is closed to it)"
  fi
  touch "$dir/$marker" 2>/dev/null || as_owner touch "$dir/$marker"

  local pwfile="$dir/superuser.pw"
  as_owner sh -c "umask 077; echo tarvex-admin > '$pwfile'"
  as_owner "$bin/initdb" -D "$dir/data" -U tarvex_admin --pwfile="$pwfile" -E UTF8 \
    --no-locale --auth-local=trust --auth-host=scram-sha-256 >"$dir/initdb.log" 2>&1 ||
    { cat "$dir/initdb.log" >&2; die "initdb failed"; }
  as_owner rm -f "$pwfile"
  as_owner sh -c "cat >> '$dir/data/postgresql.conf'" <<EOF
listen_addresses = '127.0.0.1'
port = $port
unix_socket_directories = '$dir'
fsync = off
synchronous_commit = off
full_page_writes = off
max_connections = 40
shared_buffers = 64MB
lc_messages = 'C'
EOF
  as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 start >/dev/null ||
    { cat "$dir/server.log" >&2; die "the server did not start"; }
  local psql
  psql="$(command -v psql || echo "$bin/psql")"
  as_owner "$psql" -X -q -h "$dir" -p "$port" -U tarvex_admin -d postgres -v ON_ERROR_STOP=1 \
    -c "CREATE ROLE tarvex LOGIN PASSWORD 'tarvex'" \
    -c "CREATE DATABASE tarvex OWNER tarvex ENCODING 'UTF8' TEMPLATE template0" >/dev/null ||
    die "could not create the role and database tarvex"
  cat <<EOF
TARVEX_PG_HOST=127.0.0.1
TARVEX_PG_PORT=$port
TARVEX_PG_USER=tarvex
TARVEX_PG_PASSWORD=tarvex
TARVEX_PG_DATABASE=tarvex
TARVEX_PG_SOCKET_DIR=$dir
EOF
}

stop() {
  local dir="$1"
  [ -d "$dir" ] || return 0
  [ -e "$dir/$marker" ] || die "$dir was not made by pg-cluster.sh"
  local bin
  bin="$(find_bindir)"
  if [ -f "$dir/data/postmaster.pid" ]; then
    as_owner "$bin/pg_ctl" -D "$dir/data" -m fast -w -t 60 stop >/dev/null ||
      die "the server of $dir did not stop"
  fi
  rm -rf "$dir"
}

case "${1:-}" in
  start) [ $# -eq 3 ] || die "usage: pg-cluster.sh start DIR PORT"; start "$2" "$3" ;;
  stop) [ $# -eq 2 ] || die "usage: pg-cluster.sh stop DIR"; stop "$2" ;;
  *) die "usage: pg-cluster.sh start DIR PORT | stop DIR" ;;
esac
