#include "TestEnv.h"

#include "app/AppState.h"
#include "app/Startup.h"
#include "data/Database.h"
#include "users/UserStore.h"

namespace vorlan::test {

TestEnv::TestEnv(bool createDatabase) {
    app::initApplication();
    app::state().reset();
    if (createDatabase) {
        const auto r = data::openShared();
        if (r.status != data::OpenStatus::Created)
            qFatal("test database not created: %s", qPrintable(r.message));
        app::state().connectionOpened = true;
    }
}

TestEnv::~TestEnv() {
    data::closeShared();
    app::state().reset();
}

QString TestEnv::databasePath() const {
    return data::databasePath();
}

QSqlDatabase TestEnv::db() const {
    return data::shared();
}

void TestEnv::addUser(const QString& uid, const QString& name, const QString& password,
                      const QString& level) {
    users::UserStore(db()).add(uid, name, password, level);
}

void initTestApplication() {
    app::initApplication();
}

} // namespace vorlan::test
