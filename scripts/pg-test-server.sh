#!/bin/sh
# A throwaway PostgreSQL 15 cluster for the tests: made in a temporary folder, owned by an unprivileged
# user, listening on 127.0.0.1 at a private port and on a socket in that folder, and removed again.
#
#   pg-test-server.sh start FOLDER   makes and starts it; prints the lines to eval (VORLAN_TEST_PG_*)
#   pg-test-server.sh stop FOLDER    stops it and removes the folder
#
# The counters' role "vorlan" may create databases but is no superuser; its password is asked for over
# TCP (scram-sha-256), the socket trusts it, as the tests want both.
set -e
cmd=$1
dir=$2
bin=/usr/lib/postgresql/15/bin
[ -n "$dir" ] || { echo "usage: $0 start|stop FOLDER" >&2; exit 2; }

as_owner() {
    if [ "$(id -u)" = "0" ]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

case "$cmd" in
start)
    if [ ! -x "$bin/initdb" ]; then
        echo "# PostgreSQL 15 is not installed: the server tests are skipped."
        exit 0
    fi
    if [ "$(id -u)" = "0" ] && ! id postgres >/dev/null 2>&1; then
        echo "# There is no user postgres to own a cluster: the server tests are skipped."
        exit 0
    fi
    mkdir -p "$dir"
    [ "$(id -u)" = "0" ] && chown postgres "$dir"
    as_owner "$bin/initdb" -D "$dir/data" -U postgres --auth-local=trust --auth-host=scram-sha-256 \
        -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 || { echo "# initdb failed (see $dir/initdb.log): the server tests are skipped."; exit 0; }
    # A free port: the first of a few that nothing listens on.
    port=""
    for p in 55432 55433 55434 55435 55436 55437 55438 55439; do
        if ! (echo >"/dev/tcp/127.0.0.1/$p") 2>/dev/null && ! ss -ltn 2>/dev/null | grep -q ":$p "; then
            port=$p
            break
        fi
    done
    [ -n "$port" ] || port=55440
    as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
        -o "-c listen_addresses=127.0.0.1 -p $port -k $dir -c fsync=off -c max_connections=60 -c shared_buffers=64MB" \
        start >/dev/null || { echo "# The test server did not start (see $dir/server.log): the server tests are skipped."; exit 0; }
    as_owner "$bin/psql" -h "$dir" -p "$port" -U postgres -d postgres -q -v ON_ERROR_STOP=1 \
        -c "CREATE ROLE vorlan LOGIN CREATEDB PASSWORD 'vorlan-test'" >/dev/null
    echo "VORLAN_TEST_PG_HOST=$dir; export VORLAN_TEST_PG_HOST"
    echo "VORLAN_TEST_PG_PORT=$port; export VORLAN_TEST_PG_PORT"
    echo "VORLAN_TEST_PG_USER=vorlan; export VORLAN_TEST_PG_USER"
    echo "VORLAN_TEST_PG_PASSWORD=vorlan-test; export VORLAN_TEST_PG_PASSWORD"
    ;;
stop)
    if [ -d "$dir/data" ]; then
        as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
    ;;
*)
    echo "usage: $0 start|stop FOLDER" >&2
    exit 2
    ;;
esac
