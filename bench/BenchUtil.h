#pragma once
// Small helpers for the benchmarks: best-of-n timing and a verdict line per target.

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace vorlan::bench {

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
    std::printf("%-55s %9.2f ms  (target %g ms)  %s\n", what, ms, targetMs, ok ? "ok" : "MISSED");
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
