#!/bin/sh
# Runs every test headless. Services the tests need are started here and stopped afterwards.
set -e
BUILD=${1:-build}
[ $# -gt 0 ] && shift # anything further goes to ctest, e.g. -R printing
export QT_QPA_PLATFORM=offscreen

# The printing tests want a real print queue: a CUPS scheduler whose default printer is a cups-pdf
# queue, which writes every job as a PDF file into $HOME/PDF. It is started here only when no scheduler
# runs yet and we may run one; otherwise those tests skip and say why.
cups_pid=""

stop_cups() {
    if [ -n "$cups_pid" ]; then
        kill "$cups_pid" 2>/dev/null || true
        wait "$cups_pid" 2>/dev/null || true
        cups_pid=""
    fi
}

scheduler_running() {
    LC_ALL=C lpstat -r 2>/dev/null | grep -q "scheduler is running"
}

start_cups() {
    if [ ! -x /usr/sbin/cupsd ] || ! command -v lpadmin >/dev/null 2>&1; then
        echo "CUPS is not installed: the tests on a real print queue are skipped."
        return 0
    fi
    if scheduler_running; then
        echo "A CUPS scheduler is already running; its printers are left as they are."
        return 0
    fi
    if [ "$(id -u)" != "0" ]; then
        echo "Not running as root: no CUPS scheduler is started, the tests on a real print queue are skipped."
        return 0
    fi
    # Started directly (not in a subshell), so that $! is cupsd itself.
    /usr/sbin/cupsd -f >/dev/null 2>&1 &
    cups_pid=$!
    tries=0
    until scheduler_running; do
        tries=$((tries + 1))
        if [ "$tries" -gt 100 ] || ! kill -0 "$cups_pid" 2>/dev/null; then
            echo "The CUPS scheduler did not start: the tests on a real print queue are skipped."
            stop_cups
            return 0
        fi
        sleep 0.1
    done
    if lpadmin -p PDF -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null &&
        lpadmin -d PDF 2>/dev/null; then
        echo "CUPS started (pid $cups_pid) with the cups-pdf queue PDF as default printer."
    else
        echo "The cups-pdf queue could not be set up: the tests on a real print queue are skipped."
    fi
}

# The server tests want a PostgreSQL server: a throwaway cluster of their own, removed afterwards.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/pg-throwaway.sh"

stop_all() {
    stop_cups
    stop_pg
}

trap stop_all EXIT
trap 'stop_all; exit 130' INT TERM

start_cups
start_pg
cd "$BUILD"
ctest --output-on-failure -j 2 "$@"
