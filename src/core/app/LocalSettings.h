#pragma once
// What the program remembers on this computer for the person signed in to it, outside the database: the
// user who last logged in here, the size of a window. The database may be shared by several counters;
// these belong to one of them. Read failures give the defaults: nothing here is worth a message.

#include <QSettings>

#include <memory>

namespace vorlan::app {

// The settings of this computer and user: the system's place for them, or the file named here (tests
// and tools keep theirs apart; empty: the system's place).
std::unique_ptr<QSettings> localSettings();
QString& localSettingsFile();

// The user who last logged in on this computer (empty when none has yet).
QString lastLoginName();
void setLastLoginName(const QString& name);

} // namespace vorlan::app
