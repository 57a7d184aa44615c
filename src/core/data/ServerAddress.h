#pragma once
// Where a shared database server is: the address of a PostgreSQL database that several counters use at
// once. The program never writes the server password anywhere: it is typed when the server asks for it,
// or libpq finds it in the user's own password file (~/.pgpass).

#include <QString>

#include <optional>

namespace vorlan::data {

struct ServerAddress {
    QString host; // a name, an address, or a folder holding the server's socket
    int port = 5432;
    QString database;
    QString user;     // the server role
    QString password; // in memory only; empty: none given (libpq may still find one)
    QString sslmode;  // libpq's sslmode; empty: libpq's default
    bool operator==(const ServerAddress&) const = default;
};

// Reads postgresql://user@host:port/db[?sslmode=…]. A password in the address is refused: it would stand
// in shell histories and process lists. Returns nothing and sets why (in Chinese) when it cannot be read.
std::optional<ServerAddress> parseServerUrl(const QString& url, QString* why);
// The address as parseServerUrl reads it, without the password.
QString serverUrl(const ServerAddress& a);
// How messages name it: "服务器 host:port 上的数据库“db”".
QString shownServer(const ServerAddress& a);

// What this computer uses: the server set in the database connection dialog, or none (the local file).
// Kept in the per-computer settings, without the password.
std::optional<ServerAddress> configuredServer();
void setConfiguredServer(const std::optional<ServerAddress>& a);

} // namespace vorlan::data
