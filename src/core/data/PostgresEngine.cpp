#include "data/PostgresEngine.h"

#include "data/IdList.h"
#include "data/Schema.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QSqlDriver>
#include <QStandardPaths>

#include <QSqlError>
#include <QSqlQuery>
#include <atomic>

namespace vorlan::data::postgres {

namespace {

using Kind = ServerError::Kind;

// The engine's own tables: the schema's version and mark, beside the base tables.
constexpr auto kSchemaTable = "vorlan_schema";
constexpr auto kChangeSequence = "vorlan_change";

// ASCII letters folded and nothing else, as the local file compares names (lower() would fold every
// script's letters, and by the server's locale).
QString fold(const QString& expr) {
    return QStringLiteral("translate(%1, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz')")
        .arg(expr);
}

class PostgresOps final : public EngineOps {
public:
    int schemaVersion(const QSqlDatabase& db) const override {
        if (!hasTable(db, QString::fromLatin1(kSchemaTable)))
            return 0;
        return scalar(db, QStringLiteral("SELECT version FROM vorlan_schema")).toInt();
    }
    void setSchemaVersion(const QSqlDatabase& db, int version) const override {
        exec(db, QStringLiteral("UPDATE vorlan_schema SET version = ?"), {version});
    }
    int fileMark(const QSqlDatabase& db) const override {
        if (!hasTable(db, QString::fromLatin1(kSchemaTable)))
            return 0;
        return scalar(db, QStringLiteral("SELECT mark FROM vorlan_schema")).toInt();
    }
    void setFileMark(const QSqlDatabase& db, int mark) const override {
        exec(db, QStringLiteral("UPDATE vorlan_schema SET mark = ?"), {mark});
    }
    void prepareConnection(const QSqlDatabase& db) const override {
        // Texts are the program's own: times are stored as written, so the session's zone changes
        // nothing; a lock another counter holds is waited for a few seconds, not for ever.
        exec(db, QStringLiteral("SET client_min_messages = warning"));
        exec(db, QStringLiteral("SET lock_timeout = '10s'"));
        exec(db, QStringLiteral("SET TIME ZONE 'UTC'"));
    }

    QStringList tables(const QSqlDatabase& db) const override {
        QStringList out;
        QSqlQuery q = exec(db,
                           QStringLiteral("SELECT c.relname FROM pg_class c WHERE c.relnamespace = "
                                          "current_schema()::regnamespace AND c.relkind IN ('r', 'p') "
                                          "AND c.relname <> ? ORDER BY c.relname"),
                           {QString::fromLatin1(kSchemaTable)});
        while (q.next())
            out << q.value(0).toString();
        return out;
    }
    std::optional<SchemaObject> objectNamed(const QSqlDatabase& db, const QString& name) const override {
        QSqlQuery q =
            exec(db,
                 QStringLiteral("SELECT c.relkind, c.relname, coalesce(t.relname, c.relname) FROM "
                                "pg_class c LEFT JOIN pg_index i ON i.indexrelid = c.oid LEFT JOIN "
                                "pg_class t ON t.oid = i.indrelid WHERE c.relnamespace = "
                                "current_schema()::regnamespace AND c.relkind IN ('r', 'p', 'i', "
                                "'v') AND %1 = %2 ORDER BY c.relname = CAST(? AS text) DESC, "
                                "c.relname LIMIT 1")
                     .arg(fold(QStringLiteral("c.relname")), fold(QStringLiteral("CAST(? AS text)"))),
                 {name, name});
        if (!q.next())
            return std::nullopt;
        const QString kind = q.value(0).toString();
        SchemaObject o;
        o.kind = kind == QLatin1String("i")   ? SchemaObject::Kind::Index
                 : kind == QLatin1String("v") ? SchemaObject::Kind::View
                                              : SchemaObject::Kind::Table;
        o.name = q.value(1).toString();
        o.table = q.value(2).toString();
        return o;
    }
    QStringList columns(const QSqlDatabase& db, const QString& table) const override {
        QStringList cols;
        const auto t = objectNamed(db, table);
        if (!t || t->kind == SchemaObject::Kind::Index)
            return cols;
        QSqlQuery q = exec(db,
                           QStringLiteral("SELECT attname FROM pg_attribute WHERE attrelid = "
                                          "to_regclass(quote_ident(CAST(? AS text))) AND attnum > 0 AND NOT "
                                          "attisdropped ORDER BY attnum"),
                           {t->name});
        while (q.next())
            cols << q.value(0).toString();
        return cols;
    }
    QString keyColumn(const QSqlDatabase& db, const QString& table) const override {
        const auto t = objectNamed(db, table);
        if (!t || t->kind != SchemaObject::Kind::Table)
            return {};
        QSqlQuery q =
            exec(db,
                 QStringLiteral("SELECT a.attname FROM pg_index i JOIN pg_attribute a ON a.attrelid = "
                                "i.indrelid AND a.attnum = i.indkey[0] WHERE i.indrelid = "
                                "to_regclass(quote_ident(CAST(? AS text))) AND i.indisprimary AND "
                                "i.indnatts = 1 AND a.attidentity <> ''"),
                 {t->name});
        return q.next() ? q.value(0).toString() : QString();
    }
    QString keyColumnDefinition(const QString& name) const override {
        return quoteId(name) + QStringLiteral(" BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY");
    }
    QString typeName(ColumnType type) const override {
        switch (type) {
        case ColumnType::Text:
            return QStringLiteral("TEXT");
        case ColumnType::Integer:
            return QStringLiteral("INTEGER");
        case ColumnType::Key:
            return QStringLiteral("BIGINT");
        case ColumnType::Real:
            // The local file's REAL is a double; the server's REAL would keep only six digits.
            return QStringLiteral("DOUBLE PRECISION");
        case ColumnType::Blob:
            return QStringLiteral("BYTEA");
        }
        return {};
    }
    LogLayout logLayout() const override { return LogLayout::SharedTable; }
    void createEngineObjects(const QSqlDatabase& db) const override {
        exec(db, QStringLiteral("CREATE TABLE IF NOT EXISTS vorlan_schema (version INTEGER NOT NULL, mark "
                                "INTEGER NOT NULL)"));
        exec(db, QStringLiteral("INSERT INTO vorlan_schema SELECT 0, 0 WHERE NOT EXISTS (SELECT 1 FROM "
                                "vorlan_schema)"));
        // Every write to a base table moves the change counter and tells the other counters which table
        // changed (delivered when the writing transaction commits).
        exec(db, QStringLiteral("CREATE SEQUENCE IF NOT EXISTS vorlan_change"));
        exec(db,
             QStringLiteral("CREATE OR REPLACE FUNCTION vorlan_changed() RETURNS trigger LANGUAGE plpgsql "
                            "AS $$ BEGIN PERFORM nextval('vorlan_change'); PERFORM pg_notify('%1', "
                            "TG_TABLE_NAME); RETURN NULL; END $$")
                 .arg(QLatin1String(kChangeChannel)));
        QStringList watched = schema::baseTables();
        watched << QString::fromLatin1(schema::kPrintSettingsTable);
        for (const QString& table : watched) {
            const auto t = objectNamed(db, table);
            if (!t)
                continue;
            exec(db, QStringLiteral("DROP TRIGGER IF EXISTS vorlan_changed ON %1").arg(quoteId(t->name)));
            exec(db,
                 QStringLiteral("CREATE TRIGGER vorlan_changed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE "
                                "ON %1 FOR EACH STATEMENT EXECUTE FUNCTION vorlan_changed()")
                     .arg(quoteId(t->name)));
        }
    }
    void continueKeys(const QSqlDatabase& db, const QString& table, const QString& key) const override {
        const auto t = objectNamed(db, table);
        if (!t)
            return;
        exec(db,
             QStringLiteral(
                 "SELECT setval(pg_get_serial_sequence(quote_ident(CAST(? AS text)), CAST(? AS text)), "
                 "greatest(coalesce((SELECT max(%1) FROM %2), 0), 1), (SELECT count(*) > 0 FROM %2))")
                 .arg(quoteId(key), quoteId(t->name)),
             {t->name, key});
    }
    void addKeyColumn(const QSqlDatabase& db, const QString& table, const QString& key) const override {
        // Rows of a table made without a key are numbered in the order the server holds them.
        exec(db,
             QStringLiteral("ALTER TABLE %1 ADD COLUMN %2").arg(quoteId(table), keyColumnDefinition(key)));
    }
    void showKeyColumn(const QSqlDatabase&, const QString& table, const QString&) const override {
        throw DbError(QStringLiteral("数据表“%1”没有记录号").arg(table));
    }
    QString legacyRowKey(const QStringList&) const override {
        throw DbError(QStringLiteral("打印记录表没有记录号，无法区分各条记录"));
    }

    QString equalsFolded(const QString& expr, const QString& value) const override {
        return fold(expr) + QStringLiteral(" = ") + fold(castText(value));
    }
    QString foldedIndexKey(const QString& expr) const override {
        return QLatin1Char('(') + fold(expr) + QLatin1Char(')');
    }
    QString contains(const QString& hay, const QString& needle) const override {
        return QStringLiteral("strpos(%1, %2) > 0").arg(hay, castText(needle));
    }
    QString foldedAscii(const QString& expr) const override { return fold(castText(expr)); }
    QString likeFolded(const QString& expr, const QString& pattern) const override {
        return QStringLiteral("%1 LIKE %2 ESCAPE '\\'").arg(fold(expr), fold(castText(pattern)));
    }
    QString joinedText(const QStringList& exprs, QChar separator) const override {
        // concat() reads Null as the empty text.
        const QString sep = QStringLiteral(", chr(%1), ").arg(separator.unicode());
        QStringList texts;
        for (const QString& e : exprs)
            texts << QStringLiteral("CAST(%1 AS text)").arg(e);
        return QStringLiteral("concat(") + texts.join(sep) + QLatin1Char(')');
    }
    QString idListSource() const override {
        return QStringLiteral(
            "(SELECT u.id, u.pos FROM unnest(CAST(? AS bigint[])) WITH ORDINALITY AS u(id, pos))");
    }
    QVariant idListValue(const std::vector<qint64>& ids) const override { return idListText(ids, '{', '}'); }
    QString gatheredIds(const QString& expr) const override {
        return QStringLiteral("string_agg(CAST(%1 AS text), ',')").arg(expr);
    }
    QString temporaryTable(const QString& name) const override {
        return QStringLiteral("pg_temp.") + quoteId(name);
    }
    QString createTemporaryTable(const QString& name, const QString& columns) const override {
        return QStringLiteral("CREATE TEMPORARY TABLE IF NOT EXISTS %1 (%2)").arg(quoteId(name), columns);
    }
    ChangeStamp changeStamp(const QSqlDatabase& db) const override {
        // The counter moves with every counter's writes, this one's included; temporary tables move nothing.
        QSqlQuery q = exec(db, QStringLiteral("SELECT last_value, is_called FROM vorlan_change"));
        if (!q.next())
            return {};
        return {0, q.value(1).toBool() ? q.value(0).toLongLong() : 0};
    }
    ChangeStamp afterOwnWrites(ChangeStamp stamp, int) const override { return stamp; }
    bool isServer() const override { return true; }
    void lockForWriting(const QSqlDatabase& db, const QString& table) const override {
        // Readers go on; a second writer waits (lock_timeout) until this transaction ends.
        const auto t = objectNamed(db, table);
        exec(db,
             QStringLiteral("LOCK TABLE %1 IN SHARE ROW EXCLUSIVE MODE").arg(quoteId(t ? t->name : table)));
    }

    QString damageFound(const QSqlDatabase& db) const override {
        // The server keeps its own pages; what can be seen from here is whether it answers.
        try {
            scalar(db, QStringLiteral("SELECT 1"));
            return {};
        } catch (const DbError& e) {
            return e.description();
        }
    }
    bool fileHoldsWholeDatabase(const QSqlDatabase&) const override { return false; }
    void copyInto(const QSqlDatabase& db, const QString& path, bool) const override {
        // The server's own dump tool, in its custom format; the password goes in its environment, never
        // on its command line.
        QString tool = QStandardPaths::findExecutable(QStringLiteral("pg_dump"));
        if (tool.isEmpty())
            tool = QStandardPaths::findExecutable(QStringLiteral("pg_dump"),
                                                  {QStringLiteral("/usr/lib/postgresql/15/bin")});
        if (tool.isEmpty())
            throw DbError(QStringLiteral(
                "本机没有安装 pg_dump（Debian 软件包 postgresql-client），无法备份服务器上的数据库。"
                "请安装它，或由服务器的管理员备份。"));
        QProcess dump;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!db.password().isEmpty())
            env.insert(QStringLiteral("PGPASSWORD"), db.password());
        dump.setProcessEnvironment(env);
        dump.setProcessChannelMode(QProcess::MergedChannels);
        dump.start(tool,
                   {QStringLiteral("--format=custom"), QStringLiteral("--no-owner"), QStringLiteral("--file"),
                    path, QStringLiteral("--host"), db.hostName(), QStringLiteral("--port"),
                    QString::number(db.port()), QStringLiteral("--username"), db.userName(),
                    QStringLiteral("--no-password"), QStringLiteral("--dbname"), db.databaseName()});
        // A large database takes its time; one that has not finished in an hour is not coming.
        if (!dump.waitForStarted(10000) || !dump.waitForFinished(3600 * 1000))
            throw DbError(QStringLiteral("pg_dump 没有完成：%1").arg(dump.errorString()));
        if (dump.exitStatus() != QProcess::NormalExit || dump.exitCode() != 0)
            throw DbError(QStringLiteral("pg_dump 没有完成备份：%1")
                              .arg(QString::fromLocal8Bit(dump.readAll()).trimmed()));
    }
    void compactInPlace(const QSqlDatabase& db) const override {
        // The server's vacuum frees the room of deleted rows while the other counters go on working.
        exec(db, QStringLiteral("VACUUM (ANALYZE)"));
    }
    qint64 sizeOnDisk(const QSqlDatabase& db) const override {
        return scalar(db, QStringLiteral("SELECT pg_database_size(current_database())")).toLongLong();
    }
    int objectCount(const QSqlDatabase& db) const override {
        return scalar(db, QStringLiteral("SELECT count(*) FROM pg_class WHERE relnamespace = "
                                         "current_schema()::regnamespace"))
            .toInt();
    }

private:
    static QString castText(const QString& value) {
        return value == QLatin1String("?") ? QStringLiteral("CAST(? AS text)") : value;
    }
    static bool hasTable(const QSqlDatabase& db, const QString& name) {
        return scalar(db, QStringLiteral("SELECT to_regclass(quote_ident(CAST(? AS text))) IS NOT NULL"),
                      {name})
            .toBool();
    }
};

QString server(const ServerAddress& a) {
    return shownServer(a);
}

ServerError classify(const ServerAddress& a, const QString& why) {
    const QString text = why.trimmed();
    auto has = [&](const char* s) { return text.contains(QLatin1String(s), Qt::CaseInsensitive); };
    if (has("no password supplied") || has("password is required"))
        return {Kind::PasswordNeeded, QStringLiteral("%1要求输入密码：请在“数据库连接”中输入服务器用户“%"
                                                     "2”的密码，或把它写在 libpq 的密码文件 ~/.pgpass 中。")
                                          .arg(server(a), a.user)};
    if (has("password authentication failed") || has("authentication failed"))
        return {Kind::BadPassword,
                QStringLiteral("%1拒绝了服务器用户“%2”：密码不对，或没有这个用户。").arg(server(a), a.user)};
    if (has("role \"") && has("does not exist"))
        return {Kind::BadPassword, QStringLiteral("%1上没有服务器用户“%2”。").arg(server(a), a.user)};
    if (has("database \"") && has("does not exist"))
        return {Kind::NoDatabase, QStringLiteral("服务器 %1:%2 上没有数据库“%3”：请先建立它（见使用说明）。")
                                      .arg(a.host)
                                      .arg(a.port)
                                      .arg(a.database)};
    if (has("could not connect") || has("connection refused") || has("could not translate host name") ||
        has("timeout expired") || has("no route to host") || has("network is unreachable") ||
        has("no such file or directory") || has("connection timed out") ||
        has("server closed the connection"))
        return {Kind::NoRoute,
                QStringLiteral(
                    "无法连接到服务器 %1:%2（服务器没有运行、地址或端口不对，或网络不通）。\n详细信息：%3")
                    .arg(a.host)
                    .arg(a.port)
                    .arg(text)};
    if (has("ssl"))
        return {Kind::Other, QStringLiteral("与%1的加密连接（SSL）没有建立：%2").arg(server(a), text)};
    return {Kind::Other, QStringLiteral("无法使用%1：%2").arg(server(a), text)};
}

} // namespace

std::shared_ptr<const EngineOps> ops() {
    static const std::shared_ptr<const EngineOps> shared = std::make_shared<PostgresOps>();
    return shared;
}

bool driverAvailable() {
    return QSqlDatabase::isDriverAvailable(QString::fromLatin1(kDriver));
}

Engine open(const ServerAddress& address, const QString& connectionName) {
    if (!driverAvailable())
        throw ServerError(
            Kind::NoDriver,
            QStringLiteral(
                "本机没有安装 PostgreSQL 数据库驱动（Debian 软件包 libqt6sql6-psql），无法连接%1。")
                .arg(server(address)));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QString::fromLatin1(kDriver), connectionName);
        db.setHostName(address.host);
        db.setPort(address.port);
        db.setDatabaseName(address.database);
        db.setUserName(address.user);
        if (!address.password.isEmpty())
            db.setPassword(address.password);
        // A server that does not answer is given up after a few seconds, also in the middle of work.
        QString options =
            QStringLiteral("connect_timeout=5;keepalives=1;keepalives_idle=5;keepalives_interval=2;"
                           "keepalives_count=2;tcp_user_timeout=8000;application_name=vorlan");
        if (!address.sslmode.isEmpty())
            options += QStringLiteral(";sslmode=") + address.sslmode;
        db.setConnectOptions(options);
        if (db.open())
            return Engine(db);
    }
    QString why;
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        why = db.lastError().databaseText();
        if (why.isEmpty())
            why = db.lastError().text();
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
    throw classify(address, why);
}

bool isEmptyDatabase(const Engine& e) {
    for (const QString& t : schema::baseTables())
        if (e.tableExists(t))
            return false;
    return !e.tableExists(QString::fromLatin1(kSchemaTable));
}

Probe probe(const ServerAddress& address) {
    Probe p;
    const QString name = QStringLiteral("vorlan-probe");
    try {
        Engine e = open(address, name);
        try {
            if (isEmptyDatabase(e)) {
                p.ok = p.empty = true;
            } else if (const QStringList missing = schema::missingTables(e); !missing.isEmpty()) {
                p.kind = Kind::NotOurs;
                p.message = QStringLiteral("%1不是本系统的数据库（缺少数据表 %2），程序不能使用它。")
                                .arg(server(address), missing.join(QStringLiteral("、")));
            } else if (e.schemaVersion() > schema::kVersion) {
                p.kind = Kind::TooNew;
                p.message =
                    QStringLiteral(
                        "%1由更新版本的本系统建立（数据库版本 %2，本程序只认识到 %3），请先升级本程序。")
                        .arg(server(address))
                        .arg(e.schemaVersion())
                        .arg(schema::kVersion);
            } else {
                p.ok = true;
            }
        } catch (const DbError& err) {
            p.kind = Kind::Other;
            p.message = QStringLiteral("无法使用%1：%2").arg(server(address), err.description());
        }
        QSqlDatabase db = e.db();
        e = Engine();
        db.close();
    } catch (const ServerError& err) {
        p.kind = err.kind();
        p.message = err.description();
        return p;
    }
    QSqlDatabase::removeDatabase(name);
    return p;
}

namespace {
std::atomic<bool> connectionLost{false};
} // namespace

bool takeConnectionLost() {
    return connectionLost.exchange(false);
}

QString describeFailure(const QString& driverText) {
    auto has = [&](const char* s) { return driverText.contains(QLatin1String(s), Qt::CaseInsensitive); };
    if (has("server closed the connection") || has("no connection to the server") ||
        has("terminating connection") || has("connection to server") || has("could not send data") ||
        has("could not receive data") || has("SSL SYSCALL")) {
        connectionLost = true;
        return QStringLiteral("与数据库服务器的连接断开了，这次操作没有完成（没有写入一半的数据）。服务器恢复"
                              "后请再试一次。\n详细信息：%1")
            .arg(driverText.trimmed());
    }
    if (has("lock timeout") || has("canceling statement due to lock timeout"))
        return QStringLiteral("另一个柜台正在修改同样的数据，等待超时，这次操作没有完成。请稍后再试。");
    return driverText;
}

} // namespace vorlan::data::postgres
