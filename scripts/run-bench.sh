#!/bin/sh
# Runs every benchmark on the local database file, then those that touch the database once more on a
# throwaway PostgreSQL server of their own (VORLAN_BENCH_ENGINE=postgresql), stopped and removed
# afterwards. Without PostgreSQL those say "SKIPPED: no server". Fails when any target was missed.
BUILD=${1:-build}
export QT_QPA_PLATFORM=offscreen
here=$(cd "$(dirname "$0")" && pwd)

. "$here/pg-throwaway.sh"
trap stop_pg EXIT
trap 'stop_pg; exit 130' INT TERM

failed=0
for b in "$BUILD"/bench/bench_*; do
    [ "$(basename "$b")" = bench_server ] && continue
    echo "== $b"
    "$b" || failed=1
done

start_pg
for name in printwindow batch search history server; do
    echo "== $BUILD/bench/bench_$name on the server"
    VORLAN_BENCH_ENGINE=postgresql "$BUILD/bench/bench_$name" || failed=1
done

if [ $failed = 1 ]; then
    echo "some targets were missed (see MISSED above)"
    exit 1
fi
