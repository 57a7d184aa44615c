#include "data/SqliteEngine.h"

#include "data/IdList.h"
#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

namespace vorlan::data::sqlite {

namespace {

class SqliteOps final : public EngineOps {
public:
    int schemaVersion(const QSqlDatabase& db) const override {
        return scalar(db, QStringLiteral("PRAGMA user_version")).toInt();
    }
    // A pragma takes no bound parameters; the values are the program's own numbers.
    void setSchemaVersion(const QSqlDatabase& db, int version) const override {
        exec(db, QStringLiteral("PRAGMA user_version = %1").arg(version));
    }
    int fileMark(const QSqlDatabase& db) const override {
        return scalar(db, QStringLiteral("PRAGMA application_id")).toInt();
    }
    void setFileMark(const QSqlDatabase& db, int mark) const override {
        exec(db, QStringLiteral("PRAGMA application_id = %1").arg(mark));
    }
    void prepareConnection(const QSqlDatabase& db) const override {
        exec(db, QStringLiteral("PRAGMA foreign_keys = OFF"));
    }

    QStringList tables(const QSqlDatabase& db) const override {
        QStringList out;
        QSqlQuery q =
            exec(db, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"));
        while (q.next())
            out << q.value(0).toString();
        return out;
    }
    std::optional<SchemaObject> objectNamed(const QSqlDatabase& db, const QString& name) const override {
        QSqlQuery q = exec(db,
                           QStringLiteral("SELECT type, name, tbl_name FROM sqlite_master WHERE name = ? "
                                          "COLLATE NOCASE AND type IN ('table', 'index', 'view') "
                                          "ORDER BY name = ? DESC LIMIT 1"),
                           {name, name});
        if (!q.next())
            return std::nullopt;
        const QString type = q.value(0).toString();
        SchemaObject o;
        o.kind = type == QLatin1String("index")  ? SchemaObject::Kind::Index
                 : type == QLatin1String("view") ? SchemaObject::Kind::View
                                                 : SchemaObject::Kind::Table;
        o.name = q.value(1).toString();
        o.table = q.value(2).toString();
        return o;
    }
    QStringList columns(const QSqlDatabase& db, const QString& table) const override {
        QStringList cols;
        QSqlQuery q = exec(db, QStringLiteral("SELECT name FROM pragma_table_info(?) ORDER BY cid"), {table});
        while (q.next())
            cols << q.value(0).toString();
        return cols;
    }
    QString keyColumn(const QSqlDatabase& db, const QString& table) const override {
        // Only a single INTEGER PRIMARY KEY column is the table's own key (it keeps its numbers in VACUUM).
        QSqlQuery q =
            exec(db,
                 QStringLiteral("SELECT name, upper(type), (SELECT count(*) FROM pragma_table_info(?) "
                                "WHERE pk > 0) FROM pragma_table_info(?) WHERE pk = 1"),
                 {table, table});
        if (q.next() && q.value(1).toString() == QLatin1String("INTEGER") && q.value(2).toInt() == 1)
            return q.value(0).toString();
        return {};
    }
    QString keyColumnDefinition(const QString& name) const override {
        return quoteId(name) + QStringLiteral(" INTEGER PRIMARY KEY AUTOINCREMENT");
    }
    QString typeName(ColumnType type) const override {
        switch (type) {
        case ColumnType::Text:
            return QStringLiteral("TEXT");
        case ColumnType::Integer:
        case ColumnType::Key:
            return QStringLiteral("INTEGER");
        case ColumnType::Real:
            return QStringLiteral("REAL");
        case ColumnType::Blob:
            return QStringLiteral("BLOB");
        }
        return {};
    }
    LogLayout logLayout() const override { return LogLayout::TablePerTemplate; }
    void createEngineObjects(const QSqlDatabase&) const override {}
    void continueKeys(const QSqlDatabase&, const QString&, const QString&) const override {
        // AUTOINCREMENT continues after the largest key ever written, given ones included.
    }
    void addKeyColumn(const QSqlDatabase& db, const QString& table, const QString& key) const override {
        // SQLite adds no key to a table in place: the table is made anew with the key last, its rows
        // copied in their insertion order with their row numbers as keys, and its indexes made again.
        QStringList defs, names;
        {
            QSqlQuery q = exec(db,
                               QStringLiteral("SELECT name, type, dflt_value, \"notnull\" FROM "
                                              "pragma_table_info(?) ORDER BY cid"),
                               {table});
            while (q.next()) {
                QString def = quoteId(q.value(0).toString());
                if (const QString type = q.value(1).toString(); !type.isEmpty())
                    def += QLatin1Char(' ') + type;
                if (q.value(3).toInt() != 0)
                    def += QStringLiteral(" NOT NULL");
                if (!q.value(2).isNull())
                    def += QStringLiteral(" DEFAULT ") + q.value(2).toString();
                defs << def;
                names << quoteId(q.value(0).toString());
            }
        }
        if (names.isEmpty())
            throw DbError(QStringLiteral("数据表“%1”不存在").arg(table));
        QStringList indexes;
        {
            QSqlQuery q =
                exec(db,
                     QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'index' AND tbl_name = ? "
                                    "COLLATE NOCASE AND sql IS NOT NULL ORDER BY rowid"),
                     {table});
            while (q.next())
                indexes << q.value(0).toString();
        }
        const QString scratch = quoteId(QStringLiteral("__rekey_") + table);
        const QString cols = names.join(QLatin1Char(','));
        exec(db, QStringLiteral("CREATE TABLE %1 (%2, %3)")
                     .arg(scratch, defs.join(QLatin1Char(',')), keyColumnDefinition(key)));
        // The old row numbers become the keys. Where the table's columns hide every alias of the row
        // number, its column "rowid" is renamed for the copy, which brings the row number back to light.
        QStringList from = names;
        const QStringList present = columns(db, table);
        if (present.contains(QStringLiteral("rowid"), Qt::CaseInsensitive) &&
            present.contains(QStringLiteral("_rowid_"), Qt::CaseInsensitive) &&
            present.contains(QStringLiteral("oid"), Qt::CaseInsensitive)) {
            const QString hiding = *std::find_if(present.begin(), present.end(), [](const QString& c) {
                return c.compare(QLatin1String("rowid"), Qt::CaseInsensitive) == 0;
            });
            const QString aside = quoteId(QStringLiteral("__rekey_rowid"));
            exec(db, QStringLiteral("ALTER TABLE %1 RENAME COLUMN %2 TO %3")
                         .arg(quoteId(table), quoteId(hiding), aside));
            from[names.indexOf(quoteId(hiding))] = aside;
        }
        exec(db, QStringLiteral("INSERT INTO %1 (%2, %3) SELECT %4, rowid FROM %5 ORDER BY rowid")
                     .arg(scratch, cols, quoteId(key), from.join(QLatin1Char(',')), quoteId(table)));
        exec(db, QStringLiteral("DROP TABLE %1").arg(quoteId(table)));
        exec(db, QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(scratch, quoteId(table)));
        for (const QString& sql : indexes)
            exec(db, sql);
    }
    void showKeyColumn(const QSqlDatabase& db, const QString& table, const QString& key) const override {
        // A view in the connection's temporary schema is found before the file's table of that name.
        exec(db, QStringLiteral("CREATE TEMP VIEW IF NOT EXISTS %1 AS SELECT *, %2 AS %3 FROM main.%1")
                     .arg(quoteId(table), legacyRowKey(columns(db, table)), quoteId(key)));
    }
    QString legacyRowKey(const QStringList& columns) const override {
        // A column may itself be called rowid; take the first alias of the row number it does not hide.
        for (const char* alias : {"rowid", "_rowid_", "oid"}) {
            const QString a = QString::fromLatin1(alias);
            if (!columns.contains(a, Qt::CaseInsensitive))
                return a;
        }
        throw DbError(QStringLiteral("打印记录表的列名占用了记录标识，无法区分各条记录"));
    }

    QString equalsFolded(const QString& expr, const QString& value) const override {
        return expr + QStringLiteral(" = ") + value + QStringLiteral(" COLLATE NOCASE");
    }
    QString foldedIndexKey(const QString& expr) const override {
        return expr + QStringLiteral(" COLLATE NOCASE");
    }
    QString contains(const QString& hay, const QString& needle) const override {
        return QStringLiteral("instr(%1, %2) > 0").arg(hay, needle);
    }
    QString foldedAscii(const QString& expr) const override {
        // SQLite's lower() folds ASCII letters only.
        return QStringLiteral("lower(%1)").arg(expr);
    }
    QString likeFolded(const QString& expr, const QString& pattern) const override {
        // SQLite's LIKE folds ASCII letters itself.
        return QStringLiteral("%1 LIKE %2 ESCAPE '\\'").arg(expr, pattern);
    }
    QString joinedText(const QStringList& exprs, QChar separator) const override {
        // printf reads Null as the empty text.
        QStringList marks(exprs.size(), QStringLiteral("%s"));
        return QStringLiteral("printf('") + marks.join(separator) + QStringLiteral("', ") +
               exprs.join(QLatin1Char(',')) + QLatin1Char(')');
    }
    QString idListSource() const override {
        return QStringLiteral("(SELECT value AS id, key AS pos FROM json_each(?))");
    }
    QVariant idListValue(const std::vector<qint64>& ids) const override { return idListText(ids, '[', ']'); }
    QString gatheredIds(const QString& expr) const override {
        return QStringLiteral("group_concat(%1)").arg(expr);
    }
    QString temporaryTable(const QString& name) const override {
        return QStringLiteral("temp.") + quoteId(name);
    }
    QString createTemporaryTable(const QString& name, const QString& columns) const override {
        return QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)").arg(temporaryTable(name), columns);
    }
    ChangeStamp changeStamp(const QSqlDatabase& db) const override {
        // total_changes() counts this connection's writes, data_version moves with other connections'.
        const qint64 others = scalar(db, QStringLiteral("PRAGMA data_version")).toLongLong();
        return {scalar(db, QStringLiteral("SELECT total_changes()")).toLongLong(), others};
    }

    ChangeStamp afterOwnWrites(ChangeStamp stamp, int writes) const override {
        // total_changes() counts the writes to temporary tables too.
        stamp.own += writes;
        return stamp;
    }
    bool isServer() const override { return false; }
    void lockForWriting(const QSqlDatabase& db, const QString& table) const override {
        // A write statement takes the file's write lock, even one that changes no row.
        exec(db, QStringLiteral("DELETE FROM %1 WHERE 0 = 1").arg(quoteId(table)));
    }

    QString damageFound(const QSqlDatabase& db) const override {
        try {
            QSqlQuery q = exec(db, QStringLiteral("PRAGMA quick_check"));
            QStringList lines;
            while (q.next())
                lines << q.value(0).toString();
            if (lines == QStringList{QStringLiteral("ok")})
                return {};
            if (lines.isEmpty())
                return QStringLiteral("检查没有结果");
            // The first findings are enough to tell; the list can run to a hundred lines.
            QString text = lines.mid(0, 3).join(QStringLiteral("；"));
            if (text.size() > 300)
                text = text.left(300) + QStringLiteral("……");
            return text;
        } catch (const DbError& e) {
            return e.description();
        }
    }
    bool fileHoldsWholeDatabase(const QSqlDatabase& db) const override {
        // With a write-ahead log, or no journal on the disk, the file alone is not the whole database.
        const QString mode = scalar(db, QStringLiteral("PRAGMA journal_mode")).toString().toLower();
        return mode != QLatin1String("wal") && mode != QLatin1String("memory") &&
               mode != QLatin1String("off");
    }
    void copyInto(const QSqlDatabase& db, const QString& path, bool durable) const override {
        if (!durable)
            exec(db, QStringLiteral("PRAGMA synchronous = OFF"));
        exec(db, QStringLiteral("VACUUM INTO ?"), {path});
    }
    int objectCount(const QSqlDatabase& db) const override {
        return scalar(db, QStringLiteral("SELECT count(*) FROM sqlite_master")).toInt();
    }
    void compactInPlace(const QSqlDatabase&) const override {
        throw DbError(QStringLiteral("数据库文件只能通过复制来压缩"));
    }
    qint64 sizeOnDisk(const QSqlDatabase& db) const override {
        return scalar(db, QStringLiteral("PRAGMA page_count")).toLongLong() *
               scalar(db, QStringLiteral("PRAGMA page_size")).toLongLong();
    }
};

} // namespace

std::shared_ptr<const EngineOps> ops() {
    static const std::shared_ptr<const EngineOps> shared = std::make_shared<SqliteOps>();
    return shared;
}

Header readHeader(const QString& path, QString* why) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *why = f.errorString();
        return Header::Unreadable;
    }
    if (f.size() == 0)
        return Header::Other;
    return f.read(16) == QByteArray("SQLite format 3\0", 16) ? Header::Sqlite : Header::Other;
}

Engine open(const QString& path, const QString& connectionName, Access access) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QString::fromLatin1(kDriver), connectionName);
        db.setDatabaseName(path);
        if (access == Access::ReadOnly)
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
        else if (access == Access::ReadWrite)
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (db.open())
            return Engine(db);
    }
    QString why;
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        why = db.lastError().text();
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
    throw DbError(QStringLiteral("无法打开数据库文件“%1”：%2").arg(QDir::toNativeSeparators(path), why));
}

} // namespace vorlan::data::sqlite
