#pragma once
// The base tables of the database, their creation and the check that a file holds them.

#include "data/Engine.h"

#include <QString>
#include <QStringList>

namespace vorlan::data::schema {

// 1: the base tables; 2: the print settings of the templates (kPrintSettingsTable); 3: keys of their own
// for the rows of keyedTables() and of the print log tables; 4: mobanxywh.tabOrder, the order of the print
// window's boxes; 5: how points print, fixed texts, parties, picture digests; 6: the print job of each
// logged sheet (Schema.cpp lists the steps).
inline constexpr int kVersion = 6;

// The key column of the keyedTables(): numbered in the order the rows were written, it is their order
// too, and it stays with the row through a compaction.
inline constexpr auto kKeyColumn = "id";
const QStringList& keyedTables();

// The table of the templates' print settings (printing::PrintSettingsStore), one row per template. A
// database of version 1 gets it when it is opened for writing; until then the settings read as defaults.
inline constexpr auto kPrintSettingsTable = "mobanprint";

// The base tables: every database of ours has them (a file without one is not ours).
const QStringList& baseTables();
// A base table or a table added by a later version: no print log table may carry one of these names
// (compared without regard to case).
bool isBaseTable(const QString& name);

// Creates every base table in an empty database and records the schema version. Throws DbError.
void create(const Engine& e);
// Brings an older schema up to the current version. Throws DbError.
void migrate(const Engine& e);
// For a file of an older version opened only for reading (so not migrated): shows its keyed tables with
// their key column on this connection, numbered as migrate would number them. Writes nothing.
void showKeys(const Engine& e);
// The base tables missing from db (empty when the database is one of ours).
QStringList missingTables(const Engine& e);

// What is wrong with a base table whose columns are these, in order: an empty text when the program
// can use it, otherwise a sentence naming the table and the columns. Columns the program inserts by
// position (basic_user, yongtu) must stand in their order and number (a key column after them does not
// count); the others only need to be there. Names compare without regard to case.
QString columnProblem(const QString& table, QStringList columns);
// columnProblem for every base table of db that exists; read only.
QStringList columnProblems(const Engine& e);

// A new database carries a mark until its first advanced user has been saved, so that a first run
// that was broken off asks again at the next start instead of leaving a file nobody can log into.
bool firstUserPending(const Engine& e);
void setFirstUserPending(const Engine& e, bool pending);

// The twelve customer columns of Basic_Khgl, in order.
const QStringList& customerColumns();

} // namespace vorlan::data::schema
