#pragma once
// Readable failure output for QCOMPARE on the printing notices.

#include "printing/PrintOutcome.h"

#include <QTest>

namespace vorlan::printing {

inline char* toString(const Notice& n) {
    static const char* const icons[] = {"none", "exclamation", "critical"};
    return QTest::toString(
        QStringLiteral("%1 [%2, %3]").arg(n.text, n.title, QLatin1String(icons[int(n.icon)])));
}

} // namespace vorlan::printing
