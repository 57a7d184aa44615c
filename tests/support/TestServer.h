#pragma once
// The throwaway PostgreSQL server of the tests (scripts/pg-test-server.sh starts it and sets
// VORLAN_TEST_PG_*). A test binary run with VORLAN_TEST_ENGINE=postgresql gives every ScopedEnvironment a
// new database of its own on it, so one test body runs on both engines.

#include "data/ServerAddress.h"

#include <QString>

#include <optional>

namespace vorlan::test {

// The server's address without a database, or nothing (with the reason) when none was started.
std::optional<data::ServerAddress> testServer(QString* why = nullptr);
// Does this run put its databases on the server?
bool onServer();
// A new empty database on the test server (its address, the password included); throws on failure.
data::ServerAddress newServerDatabase();
// Drops it again, whoever is still connected.
void dropServerDatabase(const data::ServerAddress& a);
// For a run on the server without one: prints the reason and ends the binary as skipped (ctest's 77).
void skipWithoutServer();

// Skips the test function where it needs the local database file.
#define VORLAN_FILE_ONLY(why)                                                                                \
    do {                                                                                                     \
        if (::vorlan::test::onServer())                                                                      \
            QSKIP("the local database file only: " why);                                                     \
    } while (false)

// Skips the test function on the local file: it needs a server.
#define VORLAN_SERVER_ONLY(why)                                                                              \
    do {                                                                                                     \
        if (!::vorlan::test::onServer())                                                                     \
            QSKIP("a server only: " why);                                                                    \
    } while (false)

} // namespace vorlan::test
