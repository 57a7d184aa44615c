#pragma once
// The embedded engine: the database in one SQLite file. Everything the program says only to SQLite is
// here: its pragmas, its catalogue, its row numbers, its functions and VACUUM.

#include "data/Engine.h"

#include <QString>

namespace vorlan::data::sqlite {

inline constexpr auto kDriver = "QSQLITE";

// Does the file start like a SQLite database? Unreadable: why is set.
enum class Header { Sqlite, Other, Unreadable };
Header readHeader(const QString& path, QString* why);

enum class Access { ReadWrite, ReadOnly, Create };

// Opens the file as a connection of that name, waiting up to five seconds for another writer. Throws
// DbError naming the file when it cannot be opened; the connection is then removed again.
Engine open(const QString& path, const QString& connectionName, Access access);

// The engine's operations, shared by every SQLite connection.
std::shared_ptr<const EngineOps> ops();

} // namespace vorlan::data::sqlite
