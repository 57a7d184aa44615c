#pragma once
// The database file, its location and the one shared connection.

#include <QSqlDatabase>
#include <QString>

namespace vorlan::data {

inline constexpr auto kDatabaseFileName = "RavIZ.mdb";
inline constexpr auto kConnectionName = "vorlan";

// The program's data folder: the executable's folder, or the per-user data folder when that is not
// writable. The database, Backup/, tmp.mdb and NowVer.txt live here.
QString dataFolder();
// Tests and tools point the program at another folder; an empty text restores the default.
void setDataFolder(const QString& folder);
QString databasePath();

enum class OpenStatus {
    Opened,  // an existing database with every base table
    Created, // the file did not exist and was created with the schema
    Foreign, // the file is not a database of this program; it was not written
    Failed,  // the file could not be opened or created
};

struct OpenResult {
    OpenStatus status = OpenStatus::Failed;
    QString message; // for Foreign and Failed: the text shown to the user, naming the file
};

// Opens (or creates) the database at path as the shared connection.
OpenResult openShared(const QString& path = databasePath());
// The shared connection (invalid until openShared succeeded).
QSqlDatabase shared();
// Closes the shared connection, e.g. around a compaction.
void closeShared();

// Runs once after the schema has been created for a new file (the first-run sample content).
// Registered by the printing subsystem; may be empty.
using SeedFunction = void (*)(const QSqlDatabase&);
void setSeedFunction(SeedFunction f);

} // namespace vorlan::data
