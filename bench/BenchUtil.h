#pragma once
// Small helpers for the benchmarks: the engine measured, best-of-n timing and a verdict line per target.

#include "TestServer.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace vorlan::bench {

// Is this run measuring the PostgreSQL server (VORLAN_BENCH_ENGINE=postgresql) rather than the local file?
inline bool onServer() {
    return qEnvironmentVariable("VORLAN_BENCH_ENGINE") == QLatin1String("postgresql");
}

// Call once the application object exists. On the server, every TestEnv then gets a new database of its
// own on the test server (the tests' VORLAN_TEST_ENGINE); with no server configured the benchmark says
// so and ends as passed, since there is nothing to measure.
inline void chooseEngine() {
    if (!onServer())
        return;
    QString why;
    if (!test::testServer(&why)) {
        std::printf("SKIPPED: no server (%s)\n", qPrintable(why));
        std::fflush(stdout);
        std::exit(0);
    }
    qputenv("VORLAN_TEST_ENGINE", "postgresql");
    std::printf("(engine: PostgreSQL server at 127.0.0.1:%d)\n",
                qEnvironmentVariableIntValue("VORLAN_TEST_PG_PORT"));
}

// The fastest of n runs, in milliseconds.
inline double bestOf(int n, const std::function<void()>& f) {
    double best = 1e300;
    for (int i = 0; i < n; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

// Prints the figure against its target; returns false when the target is missed.
inline bool report(const char* what, double ms, double targetMs) {
    const bool ok = ms <= targetMs;
    std::printf("%s%-55s %9.2f ms  (target %g ms)  %s\n", onServer() ? "[server] " : "", what, ms, targetMs,
                ok ? "ok" : "MISSED");
    std::fflush(stdout);
    return ok;
}

// The peak resident memory of this process so far, in MB (VmHWM); -1 where it cannot be read.
inline double peakMb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

} // namespace vorlan::bench
