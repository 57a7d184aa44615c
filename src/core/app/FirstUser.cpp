#include "app/FirstUser.h"

#include "app/AppState.h"
#include "data/Schema.h"
#include "data/Sql.h"
#include "users/UserStore.h"

namespace vorlan::app {

void saveFirstUser(const data::Engine& db, const QString& uid, const QString& name, const QString& password) {
    data::Transaction t(db);
    users::UserStore(db).add(uid, name, password, QString::fromUtf8(kAdvancedLevel));
    data::schema::setFirstUserPending(db, false);
    t.commit();
}

} // namespace vorlan::app
