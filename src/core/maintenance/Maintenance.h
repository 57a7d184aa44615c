#pragma once
// Backup, compaction and deletion of data. Failures throw data::DbError whose description is the
// sentence shown to the user.

#include "data/Database.h"

#include <QDate>
#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

namespace vorlan::maintenance {

inline constexpr auto kBackupFolder = data::kBackupFolderName;
inline constexpr auto kScratchFileName = "tmp.mdb";

// "#,###": groups of three digits separated by commas; nothing at all for zero.
QString formatThousands(qint64 n);

// "RavIZ" + YYYYMMDDHH + ".mdb" for a backup made at that local time.
QString backupFileName(const QDateTime& at);

// Copies the live database of db into <folder>/Backup/ under the name for that hour, replacing a
// backup of the same hour, while the connection stays open. The copy is a consistent state of the
// database: it is taken while nothing can write to the file. The copy is checked before it takes the
// backup's name: a damaged database is refused, and no earlier backup is replaced by its damage.
// Returns the backup's full path. A server's database is written as its dump (pg_dump's custom format,
// RavIZ + YYYYMMDDHH + ".dump"), restored with pg_restore into an empty database.
QString backupDatabase(const QSqlDatabase& db, const QString& folder, const QDateTime& at);

struct CompactResult {
    qint64 before = 0; // bytes of the live file before
    qint64 after = 0;  // bytes of the compacted file that replaced it
};

// Compacts <folder>/RavIZ.mdb: writes a compact copy to <folder>/tmp.mdb on a connection of its own,
// checks and flushes it to disk and renames it over the live file in one step; the new file keeps the
// old one's permissions. A write-protected database is refused, and so is a compaction while a job that
// prints holds the database (data::UseLock), naming that job. The shared connection must be closed. On
// failure the live file is unchanged.
CompactResult compactDatabase(const QString& folder);

// Compacts a server's database in place by the server's own vacuum, while the other counters work on.
CompactResult compactServer(const data::Engine& e);
// Its report, naming the server.
QString serverCompactReport(const CompactResult& r);

// The report after a compaction: "明细数据删除且压缩成功！", the sizes before and after.
QString compactReport(const CompactResult& r);

// Deletes the detail records from the start day at 00:00:00 up to the end day at 00:00:00, both
// included. Returns how many went.
int deleteDetailRange(const QSqlDatabase& db, const QDate& from, const QDate& to);

// Empties the common uses and the customer register in one transaction; print logs stay.
void deleteCustomersAndCommonUses(const QSqlDatabase& db);

} // namespace vorlan::maintenance
