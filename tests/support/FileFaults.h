#pragma once
// Faults of the file system for tests: a damaged page in a database file, and whether permission
// bits stop this process at all (they do not for the administrator).

#include <QSqlDatabase>
#include <QString>

namespace vorlan::test {

// Fills a table "sheets" with rows enough for a file of many pages (about 2 MB for 3000 rows).
void fillSheets(const QSqlDatabase& db, int rows = 3000);

// Overwrites one whole page in the middle of a SQLite file with garbage, as a bad disk sector would.
// False when the file is too small to have a middle page.
bool damageMiddlePage(const QString& path);

// True when a folder without write permission stops this process from making files in it.
bool permissionBitsBind();

// The permission bits of a file (Unix: st_mode & 0777).
int fileMode(const QString& path);
bool setFileMode(const QString& path, int mode);

} // namespace vorlan::test
