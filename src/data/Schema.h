#pragma once
// The base tables of the database, their creation and the check that a file holds them.

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace vorlan::data::schema {

inline constexpr int kVersion = 1;

// The base tables; no print log table may carry one of these names (compared without regard to case).
const QStringList& baseTables();
bool isBaseTable(const QString& name);

// Creates every base table in an empty database and records the schema version. Throws DbError.
void create(const QSqlDatabase& db);
// Brings an older schema up to the current version. Throws DbError.
void migrate(const QSqlDatabase& db);
// The base tables missing from db (empty when the database is one of ours).
QStringList missingTables(const QSqlDatabase& db);

// The twelve customer columns of Basic_Khgl, in order.
const QStringList& customerColumns();

} // namespace vorlan::data::schema
