#pragma once
// The first advanced user of a new database, saved together with the end of the first run: by the
// first-user dialog of the login and by the command line's first start.

#include "data/Engine.h"
#include <QString>

namespace vorlan::app {

// Saves the user (number, name, password, level "高级用户") and clears the first-run mark, in one
// transaction. Throws DbError; nothing is saved then.
void saveFirstUser(const data::Engine& db, const QString& uid, const QString& name, const QString& password);

} // namespace vorlan::app
