#pragma once
// Moving this computer's database onto a server: every table, every print log and every picture is
// copied into an empty database in one transaction, and the copy is proved before it is committed: the
// rows and a SHA-256 checksum of each table, read back from the target, must equal the source's. The
// source is only read.

#include "data/Engine.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

namespace vorlan::maintenance {

// One table of the copy and its proof.
struct TableCheck {
    QString name;     // as the source names it
    bool log = false; // a template's print log
    qint64 sourceRows = 0;
    qint64 targetRows = 0;
    QByteArray sourceSum; // SHA-256 of the rows, raw bytes
    QByteArray targetSum;
    bool equal() const { return sourceRows == targetRows && sourceSum == targetSum; }
};

struct MigrationReport {
    QString target;           // how messages name the target database
    QList<TableCheck> tables; // in the order they were copied
    QStringList skipped;      // tables of the source that are not the program's: left where they are
    bool committed = false;   // every table proved equal and the copy committed
    bool allEqual() const;
};

// Where the copy is: the table being copied (empty once everything is copied and checked), its place
// among all of them and the rows copied of it so far.
struct MigrationStep {
    QString table;
    int index = 0;
    int count = 0;
    qint64 rows = 0;
};
// Called at each table and every few hundred rows; false stops the copy, which is then rolled back.
using MigrationProgress = std::function<bool(const MigrationStep&)>;

// How messages name a database: the server's database, or the file.
QString shownDatabase(const data::Engine& e);

// Copies the database of source into target, which must be empty: a target with any row in any table
// is refused (DbError naming it and the table), so is a target holding other tables than the program's,
// or a source that is not a database of this version. An empty target gets the schema first. When a
// table's rows or checksum differ, nothing is committed and the report says which (committed false).
// Throws DbError for a refusal, a failed statement or a stop through progress; the target then holds no
// row.
MigrationReport migrate(const data::Engine& source, const data::Engine& target,
                        const MigrationProgress& progress = {});

// The bytes one value adds to a row's checksum. Every value counts as its text, whatever type the engine
// keeps it in (a number as its shortest decimal, a date-time as "yyyy-mm-dd hh:mm:ss", a blob as its
// bytes), so that both engines give the same bytes for the same data; Null differs from the empty text.
QByteArray canonicalValue(const QVariant& v);

// A checksum as the report shows it: the first hex digits (all of them with full).
QString shownSum(const QByteArray& sum, bool full = false);

// The report in lines of text: one per table with its rows and checksums, and the verdict.
QString reportText(const MigrationReport& r);

} // namespace vorlan::maintenance
