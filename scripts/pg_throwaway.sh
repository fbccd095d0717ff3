#!/usr/bin/env bash
# Starts or stops a throwaway PostgreSQL server for the tests, without the system's clusters.
#   pg_throwaway.sh start DIR PORT   (prints nothing; the server listens on 127.0.0.1:PORT,
#                                     superuser postgres, password postgres)
#   pg_throwaway.sh stop DIR
set -euo pipefail
PGBIN=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -1)
cmd=$1
R=$2
as_postgres() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
case "$cmd" in
  start)
    P=$3
    mkdir -p "$R/sock"
    echo postgres >"$R/pw"
    if [ "$(id -u)" -eq 0 ]; then chown -R postgres:postgres "$R"; fi
    chmod 700 "$R"
    as_postgres "$PGBIN/initdb" -D "$R/data" -U postgres --pwfile="$R/pw" -E UTF8 \
      --locale=C.UTF-8 --auth-local=trust --auth-host=scram-sha-256 >"$R/initdb.log"
    as_postgres "$PGBIN/pg_ctl" -D "$R/data" -l "$R/server.log" -w -t 30 \
      -o "-p $P -k $R/sock -c listen_addresses=127.0.0.1 -c fsync=off" start >/dev/null
    ;;
  stop)
    as_postgres "$PGBIN/pg_ctl" -D "$R/data" -m fast -w stop >/dev/null || true
    rm -rf "$R"
    ;;
esac
