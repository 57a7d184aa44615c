#pragma once
// The database file, its location and the one shared connection.

#include "data/Engine.h"
#include "data/ServerAddress.h"

#include <QSqlDatabase>
#include <QString>

namespace vorlan::data {

inline constexpr auto kDatabaseFileName = "RavIZ.mdb";
inline constexpr auto kConnectionName = "vorlan";
// The folder of the backups, beside the database.
inline constexpr auto kBackupFolderName = "Backup";

// Where the data lives, and what the user must be told about it (empty when it is the usual place).
struct DataLocation {
    QString folder;
    QString notice;
};

// The program keeps its database beside itself. A database already there is always the one used, even
// when the folder cannot be written (the opening then says so); only when there is none and the folder
// cannot be written, or when an earlier run had to keep it in the per-user folder, is the per-user folder
// used, and the notice names the file and the reason.
DataLocation chooseDataLocation(const QString& programFolder, const QString& userFolder,
                                bool programFolderWritable);

// An installed program (the package's layout: <prefix>/bin beside <prefix>/share/vorlan/installed) keeps
// its data in the per-user folder as its designed place: it never writes beside its executable, whether
// that folder can be written or not.
bool isInstalledLayout(const QString& programFolder);

// The program's data folder (see chooseDataLocation). The database, Backup/, tmp.mdb and NowVer.txt
// live here.
QString dataFolder();
// What the user must be told about the data folder; empty when it is beside the program.
QString dataFolderNotice();
// Both follow app::Environment::dataLocation when it is set (tests and tools point it elsewhere).
QString databasePath();

// A folder where a new file can be made (probed by making one).
bool isWritableFolder(const QString& folder);
// A file the user has protected from writing: no write permission for this user, or no write bit at
// all (which counts even where the permission bits do not bind, as for the administrator).
bool isWriteProtected(const QString& path);

enum class OpenStatus {
    Opened,  // an existing database with every base table and column, found sound
    Created, // the file did not exist and was created with the schema
    Foreign, // the file is not a database of this program; it was not written
    Damaged, // the file is one of ours but its pages are damaged; it was not written
    Failed,  // the file could not be opened or created
};

struct OpenResult {
    OpenStatus status = OpenStatus::Failed;
    QString message; // for Foreign, Damaged and Failed: the text shown to the user, naming the file
    // Opened only for reading because the file or its folder cannot be written; notice says which.
    bool readOnly = false;
    QString notice;
    // A database made by an earlier run whose first user was never saved: ask for it again.
    bool needsFirstUser = false;
};

// Opens (or creates) the database at path as the shared connection. An existing file is checked (its
// tables, their columns and its pages) on a read-only connection before anything is written to it.
OpenResult openShared(const QString& path);
// Opens the database of this run: the server of app::Environment::server, else the server set on this
// computer (configuredServer), else the file at databasePath().
OpenResult openShared();
// Opens a server's database as the shared connection; an empty one is set up as a new file is (Created).
OpenResult openServer(const ServerAddress& address);
// The server of this run, if the program works on one (see openShared()).
std::optional<ServerAddress> chosenServer();
// How messages name the database in use: the file, or the server and database.
QString shownDatabase();
// For a server: checks the shared connection and, when it broke, opens it again (returns false, with
// why, when the server is still away). A file's connection is left as it is.
bool reconnectIfLost(QString* why = nullptr);
// The shared connection (invalid until openShared succeeded), and its engine.
QSqlDatabase shared();
Engine sharedEngine();
// Closes the shared connection, e.g. around a compaction.
void closeShared();

// What the engine's check of the pages finds (Engine::damageFound): empty when the file is sound,
// otherwise what was found (an error while checking counts as damage). Reads only.
QString damageFound(const QSqlDatabase& db);
// The message for a damaged database file: names it and where the backups are.
QString damagedText(const QString& path, const QString& found);

// Runs once after the schema has been created for a new file (the first-run sample content).
// Start-up puts the printing subsystem's one into app::Environment::seed; may be empty.
using SeedFunction = void (*)(const Engine&);

} // namespace vorlan::data
