#pragma once
// What a test reads or sets up the same way on either engine: the local file (a log table per template,
// names kept as written) or the test server (one shared log table, unquoted names folded to lower case).
// Each reads the database directly, not through the store under test.

#include "TestServer.h"

#include <QByteArray>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace vorlan::test {

// Names as the schema made them without quotes: a server keeps them in lower case.
QStringList asCreated(const QStringList& names);

// A second connection of that name to this test's database (the file, or the database on the server).
// Close it and remove it by name when done.
QSqlDatabase openAnother(const QString& connectionName);

// The arguments that point the built program at this test's database, and the standard input lines it
// then reads after the user's password (the server's password; none for the file).
QStringList programDatabaseArguments(const QString& dataFolder);
QByteArray programServerPasswordLines();

// A template's print log: does it have one, its columns (the date first, the key left out), how many
// sheets, and each sheet's values in column order (Null as a null text), oldest first.
bool hasLog(const QSqlDatabase& db, const QString& templateName);
QStringList logColumns(const QSqlDatabase& db, const QString& templateName);
int logCount(const QSqlDatabase& db, const QString& templateName);
QList<QStringList> logRows(const QSqlDatabase& db, const QString& templateName);

// A log as an older version left it, without a key: a table of the template's name with these columns
// (the date column datetime, the others varchar(255)), or on a server the template's columns in the
// shared log.
void makeLog(const QSqlDatabase& db, const QString& templateName, const QStringList& columns);
// A column added to it last, as by another counter's save.
void addLogColumn(const QSqlDatabase& db, const QString& templateName, const QString& column);
// A sheet written straight into it: the values of these columns (the date column among them; a Null
// value is left out of a server's sheet, which reads it back as Null).
void addLogSheet(const QSqlDatabase& db, const QString& templateName, const QStringList& columns,
                 const QVariantList& values);
// Statements setting up an existing database. On a server a CREATE TABLE of a template's log makes that
// log with makeLog, and an index on it is left out (the shared log has one for every template).
void runSetup(const QSqlDatabase& db, const QStringList& statements);

} // namespace vorlan::test
