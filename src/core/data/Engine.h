#pragma once
// The engine seam: a connection and the few operations whose SQL differs from one database engine to
// the next. Stores receive an Engine; SQL that every engine understands stays in the store, what
// differs is asked of the engine here, once.

#include "data/Sql.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>
#include <vector>

namespace vorlan::data {

// A table, index or view by its name.
struct SchemaObject {
    enum class Kind { Table, Index, View };
    Kind kind = Kind::Table;
    QString name;
    QString table; // for an index: the table it belongs to
};

// What an engine reports about writes, for caches kept per connection: equal stamps, nothing written.
struct ChangeStamp {
    qint64 own = 0;    // writes of this connection
    qint64 others = 0; // writes of other connections
    bool operator==(const ChangeStamp&) const = default;
};

// The types of the program's columns, named as each engine calls them.
// Key: a 64-bit whole number (for a key column of a file, the row number itself).
enum class ColumnType { Text, Integer, Key, Real, Blob };

// Where the print log lives: a table per template (the local file), or one table shared by every template,
// so that a server never changes its schema while other counters print (see templates::PrintLogStore).
enum class LogLayout { TablePerTemplate, SharedTable };

// The operations one kind of engine implements (SqliteEngine.h holds SQLite's, PostgresEngine.h the
// server's).
class EngineOps {
public:
    virtual ~EngineOps() = default;

    // The schema version and the file's mark (see schema::firstUserPending), both kept by the engine.
    virtual int schemaVersion(const QSqlDatabase& db) const = 0;
    virtual void setSchemaVersion(const QSqlDatabase& db, int version) const = 0;
    virtual int fileMark(const QSqlDatabase& db) const = 0;
    virtual void setFileMark(const QSqlDatabase& db, int mark) const = 0;
    // Settings every connection of the program runs with, once after it opened.
    virtual void prepareConnection(const QSqlDatabase& db) const = 0;

    virtual QStringList tables(const QSqlDatabase& db) const = 0;
    virtual std::optional<SchemaObject> objectNamed(const QSqlDatabase& db, const QString& name) const = 0;
    virtual QStringList columns(const QSqlDatabase& db, const QString& table) const = 0;
    // The table's own key column, or empty.
    virtual QString keyColumn(const QSqlDatabase& db, const QString& table) const = 0;
    // The definition of a key column: numbers given in ascending order of insertion, never reused.
    virtual QString keyColumnDefinition(const QString& name) const = 0;
    virtual QString typeName(ColumnType type) const = 0;
    virtual LogLayout logLayout() const = 0;
    // Objects of the engine's own that a new database needs beside the base tables.
    virtual void createEngineObjects(const QSqlDatabase& db) const = 0;
    // After a write, makes a new key continue after the largest key of the table (keys written as given).
    virtual void continueKeys(const QSqlDatabase& db, const QString& table, const QString& key) const = 0;
    // Gives a table made by an older version a key column (last), numbered in its insertion order,
    // keeping its rows, columns and indexes. Part of the caller's transaction.
    virtual void addKeyColumn(const QSqlDatabase& db, const QString& table, const QString& key) const = 0;
    virtual void showKeyColumn(const QSqlDatabase& db, const QString& table, const QString& key) const = 0;
    virtual QString legacyRowKey(const QStringList& columns) const = 0;

    virtual QString equalsFolded(const QString& expr, const QString& value) const = 0;
    virtual QString foldedIndexKey(const QString& expr) const = 0;
    virtual QString contains(const QString& hay, const QString& needle) const = 0;
    virtual QString likeFolded(const QString& expr, const QString& pattern) const = 0;
    virtual QString foldedAscii(const QString& expr) const = 0;
    virtual QString joinedText(const QStringList& exprs, QChar separator) const = 0;
    virtual QString idListSource() const = 0;
    virtual QVariant idListValue(const std::vector<qint64>& ids) const = 0;
    virtual QString gatheredIds(const QString& expr) const = 0;
    virtual QString temporaryTable(const QString& name) const = 0;
    virtual QString createTemporaryTable(const QString& name, const QString& columns) const = 0;
    virtual ChangeStamp changeStamp(const QSqlDatabase& db) const = 0;
    virtual ChangeStamp afterOwnWrites(ChangeStamp stamp, int writes) const = 0;
    virtual void lockForWriting(const QSqlDatabase& db, const QString& table) const = 0;
    // A server several counters share (no file of this computer holds the data)?
    virtual bool isServer() const = 0;

    virtual QString damageFound(const QSqlDatabase& db) const = 0;
    virtual bool fileHoldsWholeDatabase(const QSqlDatabase& db) const = 0;
    virtual void copyInto(const QSqlDatabase& db, const QString& path, bool durable) const = 0;
    virtual int objectCount(const QSqlDatabase& db) const = 0;
    virtual void compactInPlace(const QSqlDatabase& db) const = 0;
    virtual qint64 sizeOnDisk(const QSqlDatabase& db) const = 0;
};

class Engine {
public:
    Engine() = default;
    // The engine of an open connection, by its driver. Not explicit: a store handed a connection works
    // on that connection's engine.
    Engine(QSqlDatabase db); // NOLINT(google-explicit-constructor)

    const QSqlDatabase& db() const { return db_; }
    bool isOpen() const { return db_.isOpen(); }

    // The schema version of the database and the file's mark: with a foreign file's the program
    // refuses it, and a new file is marked until its first user is saved.
    int schemaVersion() const { return ops().schemaVersion(db_); }
    void setSchemaVersion(int version) const { ops().setSchemaVersion(db_, version); }
    int fileMark() const { return ops().fileMark(db_); }
    void setFileMark(int mark) const { ops().setFileMark(db_, mark); }
    void prepareConnection() const { ops().prepareConnection(db_); }

    // Introspection. Table names compare with ASCII letters folded, as the engines keep them.
    QStringList tables() const { return ops().tables(db_); }
    bool tableExists(const QString& name) const;
    // The table of exactly that name, else the one whose name differs only in letter case; empty if none.
    QString tableNamed(const QString& name) const;
    std::optional<SchemaObject> objectNamed(const QString& name) const {
        return ops().objectNamed(db_, name);
    }
    // The table's columns in table order (empty when there is no such table).
    QStringList columns(const QString& table) const { return ops().columns(db_, table); }
    QString keyColumn(const QString& table) const { return ops().keyColumn(db_, table); }
    QString keyColumnDefinition(const QString& name) const { return ops().keyColumnDefinition(name); }
    void addKeyColumn(const QString& table, const QString& key) const { ops().addKeyColumn(db_, table, key); }
    QString typeName(ColumnType type) const { return ops().typeName(type); }
    LogLayout logLayout() const { return ops().logLayout(); }
    void createEngineObjects() const { ops().createEngineObjects(db_); }
    void continueKeys(const QString& table, const QString& key) const { ops().continueKeys(db_, table, key); }
    bool isServer() const { return ops().isServer(); }
    // In a transaction: no other connection writes the table until it ends (it waits, or is refused),
    // so that what was read after this still holds when the transaction writes.
    void lockForWriting(const QString& table) const { ops().lockForWriting(db_, table); }
    // For this connection only, shows such a table as if it had the key (a file opened only for
    // reading is not migrated). Writes nothing to the file.
    void showKeyColumn(const QString& table, const QString& key) const {
        ops().showKeyColumn(db_, table, key);
    }
    // What selects the key of a row of a table made by an older version, for reading only; throws
    // DbError when the table's columns hide it.
    QString legacyRowKey(const QStringList& columns) const { return ops().legacyRowKey(columns); }

    // SQL fragments. expr = value with ASCII letters folded (value is usually "?").
    QString equalsFolded(const QString& expr, const QString& value = QStringLiteral("?")) const {
        return ops().equalsFolded(expr, value);
    }
    // An index key comparing as equalsFolded does.
    QString foldedIndexKey(const QString& expr) const { return ops().foldedIndexKey(expr); }
    // Does hay contain needle, exactly (fold both for a search without regard to case)?
    QString contains(const QString& hay, const QString& needle) const { return ops().contains(hay, needle); }
    // The text with ASCII letters in lower case and nothing else changed.
    QString foldedAscii(const QString& expr) const { return ops().foldedAscii(expr); }
    // expr LIKE pattern (escape character \\) with ASCII letters folded on both sides.
    QString likeFolded(const QString& expr, const QString& pattern = QStringLiteral("?")) const {
        return ops().likeFolded(expr, pattern);
    }
    // The texts of the expressions joined by separator, Null as empty: one value per row.
    QString joinedText(const QStringList& exprs, QChar separator) const {
        return ops().joinedText(exprs, separator);
    }
    // A row source "(...)" of an ordered list of ids bound as one parameter (idListValue): columns id
    // and pos, pos ascending in the list's order.
    QString idListSource() const { return ops().idListSource(); }
    QVariant idListValue(const std::vector<qint64>& ids) const { return ops().idListValue(ids); }
    // An aggregate gathering expr of every row into one text of numbers; read it with readIds.
    QString gatheredIds(const QString& expr) const { return ops().gatheredIds(expr); }
    static std::vector<qint64> readIds(const QString& text);
    // The name of a table of this connection only, never stored, and the statement making it.
    QString temporaryTable(const QString& name) const { return ops().temporaryTable(name); }
    QString createTemporaryTable(const QString& name, const QString& columns) const {
        return ops().createTemporaryTable(name, columns);
    }
    ChangeStamp changeStamp() const { return ops().changeStamp(db_); }
    // The stamp as it will read after this connection's next writes to its temporary tables.
    ChangeStamp afterOwnWrites(ChangeStamp stamp, int writes) const {
        return ops().afterOwnWrites(stamp, writes);
    }

    // What a check of the pages finds: empty when the database is sound (an error counts as damage).
    QString damageFound() const { return ops().damageFound(db_); }
    // Does the database's file alone hold the committed database while a read transaction is open?
    bool fileHoldsWholeDatabase() const { return ops().fileHoldsWholeDatabase(db_); }
    // Writes a compact copy of the database into a new file; durable: flushed as the engine writes. A
    // server writes its dump (pg_dump's custom format), which only its own tools restore.
    void copyInto(const QString& path, bool durable = true) const { ops().copyInto(db_, path, durable); }
    // Tables, indexes and the like in the database: a copy holds as many.
    int objectCount() const { return ops().objectCount(db_); }
    // Compacts the database while the connection stays open and others go on working (a server's own
    // vacuum); a file is compacted by copying (maintenance::compactDatabase) and refuses this.
    void compactInPlace() const { ops().compactInPlace(db_); }
    // The bytes the database takes where the engine keeps it.
    qint64 sizeOnDisk() const { return ops().sizeOnDisk(db_); }

private:
    const EngineOps& ops() const;

    QSqlDatabase db_;
    std::shared_ptr<const EngineOps> ops_;
};

// Runs a statement on the engine's connection (see Sql.h).
inline QSqlQuery exec(const Engine& e, const QString& sql, const QVariantList& params = {}) {
    return exec(e.db(), sql, params);
}
inline QVariant scalar(const Engine& e, const QString& sql, const QVariantList& params = {}) {
    return scalar(e.db(), sql, params);
}
inline QSqlQuery prepare(const Engine& e, const QString& sql) {
    return prepare(e.db(), sql);
}

} // namespace vorlan::data
