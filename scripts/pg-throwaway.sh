# Sourced by run-tests.sh and run-bench.sh (which set $here): start_pg makes a throwaway PostgreSQL
# cluster (pg-test-server.sh) and exports its VORLAN_TEST_PG_* settings; stop_pg removes it again.
pg_dir=""
stop_pg() {
    if [ -n "$pg_dir" ]; then
        sh "$here/pg-test-server.sh" stop "$pg_dir" || true
        pg_dir=""
    fi
}
start_pg() {
    pg_dir=$(mktemp -d /tmp/vorlan-pg.XXXXXX)
    settings=$(sh "$here/pg-test-server.sh" start "$pg_dir") || settings=""
    echo "$settings" | grep '^#' || true
    eval "$(echo "$settings" | grep -v '^#')"
    if [ -n "${VORLAN_TEST_PG_HOST:-}" ]; then
        echo "PostgreSQL test server on 127.0.0.1:$VORLAN_TEST_PG_PORT (cluster in $pg_dir)."
    fi
}
