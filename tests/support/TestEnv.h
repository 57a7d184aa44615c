#pragma once
// A fresh data folder with a new database for one test, the shared connection opened on it, and the
// test side of every seam installed (see ScopedEnvironment). Everything is undone when the object goes away.

#include "ScopedEnvironment.h"

#include <QSqlDatabase>

namespace vorlan::test {

class TestEnv : public ScopedEnvironment {
public:
    // createDatabase: make and open a new database (the first-run path, without the sample content).
    explicit TestEnv(bool createDatabase = true);
    ~TestEnv();

    QString databasePath() const;
    QSqlDatabase db() const;

    // Adds a user with a hashed password.
    void addUser(const QString& uid, const QString& name, const QString& password, const QString& level);
};

// Qt's application object for tests that need widgets; call once in main via QTEST_MAIN.
void initTestApplication();

} // namespace vorlan::test
