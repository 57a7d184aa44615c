#pragma once
// The print log: one row per printed sheet. In a local file every template has a table of its own, named
// like it, a column per input point. On a server several counters print at once, so its schema never
// changes while they do: one table holds every template's sheets (the template, the counter, the time and
// the values by input point), and a second the columns each template's log shows, in order. This store is
// the only code that finds, creates, alters, writes, reads, deletes from and drops either.

#include "data/Sql.h"
#include "templates/TemplateModel.h"

#include "data/Engine.h"
#include <QDate>
#include <QDateTime>
#include <QList>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <optional>

namespace vorlan::templates {

// Names of input points added and deleted since the print log table was last brought up to date.
struct PendingColumns {
    QStringList added;
    QStringList deleted;
    void clear() {
        added.clear();
        deleted.clear();
    }
};

// A template's print log table as the database holds it.
struct LogTable {
    QString name;        // the table's actual name (the template name, letter case as created)
    QStringList columns; // in table order, the key left out; the first is the print date
    QString key;         // selects the row's key: its own key column (quoted), kept in a compaction
    bool shared = false; // one of the templates of the shared table (name is then the template's name)
};

// One logged value: the input point's name (its column) and the text printed there.
struct LogValue {
    QString column;
    QString text;
};

// A search of the log: by print date and, when a column is given, by a text contained in it.
struct LogCriteria {
    QString column; // empty: no content condition, the text is ignored
    QString text;   // matched literally anywhere in the column's value
    QDate start;    // from 00:00:00 of this day
    QDate end;      // up to 23:59:59 of this day
};

struct LogStatement {
    QString sql;
    QVariantList params;
};

// The template has no print log table: it was never saved in the designer.
class MissingLogTable : public data::DbError {
public:
    using DbError::DbError;
};

class PrintLogStore {
public:
    // The date and time of the print, the first column of every log table.
    static inline const QString kDateColumn = QStringLiteral("打印日期");
    // Index names start with this, which no new template name may take, so an index never sits where a
    // template's table would go.
    static inline const QString kIndexPrefix = QStringLiteral("idx:");
    // The key column of a log table, last; a number follows it when an input point has that name.
    static inline const QString kKeyColumn = QStringLiteral("记录号");

    explicit PrintLogStore(data::Engine engine);

    // Why a template name can never name a log table (empty, blank, a base table's name), or empty.
    static QString nameProblem(const QString& templateName);
    // Two names of one table: the database compares names with ASCII letters folded, nothing else.
    static bool sameName(const QString& a, const QString& b);
    // The name of a log table's date index, and the name it had before index names were reserved (which
    // could be any template's name).
    static QString indexName(const QString& table);
    static QString legacyIndexName(const QString& table);

    // The one look-up of a template's log table: the table of exactly that name, else the one whose name
    // differs only in letter case. Empty for a blank or base table's name, or when there is none.
    // Throws DbError when the table list cannot be read.
    QString tableName(const QString& templateName) const;
    // The table with its columns; nullopt when there is none (or it has no columns).
    std::optional<LogTable> find(const QString& templateName) const;
    // Everything nameProblem checks, and whether the log table could be created under that name: the
    // names of log indexes are reserved, and an index or view of that name is in the way. A template
    // whose table already exists keeps working, whatever its name. Empty when usable.
    QString tableNameProblem(const QString& templateName) const;

    // The statements bringUpToDate would send to a table of its own: create the table with its date index,
    // or add the pending new columns and drop the pending deleted ones. None for the shared table, whose
    // columns are rows.
    QStringList updateStatements(const Template& t, const PendingColumns& pending) const;
    // Sends them and empties the pending lists. It opens no transaction of its own: it is one step of
    // the caller's (the template save), so that a failure leaves nothing half done. Throws DbError.
    void bringUpToDate(const Template& t, PendingColumns& pending) const;
    // Drops the template's log table, with its index, if there is one (never a base table), and forgets
    // the print jobs of its sheets.
    void drop(const QString& templateName) const;

    // Appends one row: when, as "yyyy-mm-dd hh:mm:ss", and each value in its column, exactly as given.
    // Throws MissingLogTable when the template has no log table, DbError when the row cannot be written
    // (then nothing is written).
    void insert(const QString& templateName, const QDateTime& when, const QList<LogValue>& values) const;
    // Appends one row per sheet of a batch, all at that time, in one transaction: all rows or none.
    // Returns the new rows' keys, in the order of the sheets. Throws as insert does.
    QList<qint64> insertMany(const QString& templateName, const QDateTime& when,
                             const QList<QList<LogValue>>& rows) const;
    // Selects the row's key, then every column in table order, oldest print first. Throws DbError
    // for a column the table does not have.
    static LogStatement buildQuery(const LogTable& table, const LogCriteria& c);
    // The statement query runs: buildQuery's, or its like for a template of the shared table.
    LogStatement statement(const LogTable& table, const LogCriteria& c) const;
    // Runs it forward-only. withJobs, for a table that keepsJobs: each row goes on with the job kept for
    // the sheet (printing::PrintJobStore::joinedJob reads it). Throws DbError.
    QSqlQuery query(const LogTable& table, const LogCriteria& c, bool withJobs = false) const;
    // Whether the sheets of the table can have jobs kept: not those of a file of an older version, read
    // by the engine's row numbers.
    static bool keepsJobs(const LogTable& table) { return table.shared || table.key.startsWith(u'"'); }
    // The rows of these keys, selected as query selects them and in its order; keys of no row are left
    // out. Throws DbError.
    QSqlQuery queryKeys(const LogTable& table, const QList<qint64>& keys) const;
    // Deletes exactly these rows, and the print jobs kept for them, all or none. Throws DbError.
    void deleteRows(const LogTable& table, const QList<qint64>& keys) const;
    // Gives every log table made by an older version its key, numbered in the order the sheets were
    // logged (a step of the schema's migration, in its transaction). Throws DbError.
    void addKeys() const;

    // Appends sheets copied from another database, as part of the caller's transaction: each at the time
    // it was logged and with its values as they were (Null kept), in these columns of the table (the
    // date left out), in this order. Rows are written many at a time; finish() writes the last ones.
    class Copier {
    public:
        Copier(const PrintLogStore& store, const LogTable& to, const QStringList& columns);
        void add(const QDateTime& when, const QVariantList& values);
        void finish() { insert_.finish(); }

    private:
        QString table_;
        QStringList columns_;
        bool shared_ = false;
        data::RowBatch insert_;
    };

    // The table of the server's log and that of its columns per template.
    static inline const QString kSharedTable = QStringLiteral("vorlan_log");
    static inline const QString kSharedColumns = QStringLiteral("vorlan_log_columns");
    // Makes them (a new server database).
    static void createShared(const data::Engine& e);

private:
    bool shared() const;
    void bringSharedUpToDate(const Template& t, PendingColumns& pending) const;
    QStringList sharedColumns(const QString& templateName) const;

    data::Engine engine_;
};

} // namespace vorlan::templates
