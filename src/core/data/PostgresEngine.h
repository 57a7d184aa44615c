#pragma once
// The shared server: the database on a PostgreSQL server that several counters use at once. Everything
// the program says only to the server is here: its catalogue, its identity keys, its text functions, the
// change counter other counters' writes move, and how its failures read to a user.

#include "data/Engine.h"
#include "data/ServerAddress.h"

#include <QString>

namespace vorlan::data::postgres {

inline constexpr auto kDriver = "QPSQL";

// What went wrong with a server: the kinds a user can act on, and a sentence for the user.
class ServerError : public DbError {
public:
    enum class Kind { NoRoute, BadPassword, PasswordNeeded, NoDatabase, NotOurs, TooNew, NoDriver, Other };
    ServerError(Kind kind, const QString& description) : DbError(description), kind_(kind) {}
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

// Is the server driver (libqt6sql6-psql) installed?
bool driverAvailable();

// Opens a connection of that name. Throws ServerError naming the server; the connection is then removed.
Engine open(const ServerAddress& address, const QString& connectionName);

// Connects, looks at the database and closes again. ok: the program can use it (empty: nothing of ours
// is there yet, it is set up on first use); otherwise kind and message say why not.
struct Probe {
    bool ok = false;
    bool empty = false;
    ServerError::Kind kind = ServerError::Kind::Other;
    QString message;
};
Probe probe(const ServerAddress& address);

// Has the database none of the program's tables (a new database, to be set up)?
bool isEmptyDatabase(const Engine& e);

// The sentence for a failure the driver reported while connected ("the connection broke" and the like
// read as such), or the driver's text.
QString describeFailure(const QString& driverText);
// Did describeFailure see a broken connection since the last call? (The next use reconnects.)
bool takeConnectionLost();

// The engine's operations, shared by every server connection.
std::shared_ptr<const EngineOps> ops();

// The notification every write to a base table sends: its table name is the payload.
inline constexpr auto kChangeChannel = "vorlan_changed";

} // namespace vorlan::data::postgres
