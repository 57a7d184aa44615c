#pragma once
// A fresh data folder with a new database for one test, the shared connection opened on it,
// and a scripted prompter installed. Everything is undone when the object goes away.

#include "ui/ScriptedPrompter.h"

#include <QSqlDatabase>
#include <QTemporaryDir>

namespace vorlan::test {

class TestEnv {
public:
    // createDatabase: make and open a new database (the first-run path, without the sample content).
    explicit TestEnv(bool createDatabase = true);
    ~TestEnv();

    QString folder() const { return dir_.path(); }
    QString databasePath() const;
    QSqlDatabase db() const;
    ui::ScriptedPrompter prompter;

    // Adds a user with a hashed password.
    void addUser(const QString& uid, const QString& name, const QString& password, const QString& level);

private:
    QTemporaryDir dir_;
};

// Qt's application object for tests that need widgets; call once in main via QTEST_MAIN.
void initTestApplication();

} // namespace vorlan::test
