#include "BothEngines.h"

#include "TestServer.h"
#include "app/Environment.h"
#include "data/Database.h"
#include "data/Engine.h"
#include "data/PostgresEngine.h"
#include "data/ServerAddress.h"
#include "templates/PrintLogStore.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSqlQuery>

namespace vorlan::test {

using templates::PrintLogStore;

namespace {

const data::ServerAddress& thisServer() {
    const auto& server = app::environment().server;
    if (!server)
        throw data::DbError(QStringLiteral("this test runs without a server database"));
    return *server;
}

// The name the shared log keeps the template under: as given, else differing only in ASCII letter case.
QString sharedLogName(const QSqlDatabase& db, const QString& templateName) {
    QString other;
    QSqlQuery q =
        data::exec(db, QStringLiteral("SELECT DISTINCT template FROM %1").arg(PrintLogStore::kSharedColumns));
    while (q.next()) {
        const QString name = q.value(0).toString();
        if (name == templateName)
            return name;
        if (PrintLogStore::sameName(name, templateName))
            other = name;
    }
    return other;
}

QStringList sharedColumns(const QSqlDatabase& db, const QString& name) {
    QStringList out;
    QSqlQuery q = data::exec(db,
                             QStringLiteral("SELECT name FROM %1 WHERE template = ? ORDER BY pos")
                                 .arg(PrintLogStore::kSharedColumns),
                             {name});
    while (q.next())
        out << q.value(0).toString();
    return out;
}

} // namespace

QStringList asCreated(const QStringList& names) {
    if (!onServer())
        return names;
    QStringList out;
    for (const QString& n : names)
        out << n.toLower();
    return out;
}

QSqlDatabase openAnother(const QString& connectionName) {
    if (onServer())
        return data::postgres::open(thisServer(), connectionName).db();
    QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    other.setDatabaseName(data::databasePath());
    if (!other.open())
        throw data::DbError(QStringLiteral("the database file cannot be opened a second time"));
    return other;
}

QStringList programDatabaseArguments(const QString& dataFolder) {
    QStringList args{QStringLiteral("--data-dir"), dataFolder};
    if (onServer())
        args << QStringLiteral("--database") << data::serverUrl(thisServer());
    return args;
}

QByteArray programServerPasswordLines() {
    if (!onServer())
        return {};
    return thisServer().password.toUtf8() + '\n';
}

bool hasLog(const QSqlDatabase& db, const QString& templateName) {
    if (onServer())
        return !sharedLogName(db, templateName).isEmpty();
    return data::tableExists(db, templateName);
}

QStringList logColumns(const QSqlDatabase& db, const QString& templateName) {
    if (onServer())
        return sharedColumns(db, sharedLogName(db, templateName));
    const data::Engine e(db);
    const QString table = e.tableNamed(templateName);
    QStringList out = e.columns(table);
    if (const QString key = e.keyColumn(table); !key.isEmpty())
        out.removeAll(key);
    return out;
}

int logCount(const QSqlDatabase& db, const QString& templateName) {
    if (onServer())
        return data::scalar(db,
                            QStringLiteral("SELECT count(*) FROM %1 WHERE template = ?")
                                .arg(PrintLogStore::kSharedTable),
                            {sharedLogName(db, templateName)})
            .toInt();
    return data::scalar(db, QStringLiteral("SELECT count(*) FROM ") + data::quoteId(templateName)).toInt();
}

QList<QStringList> logRows(const QSqlDatabase& db, const QString& templateName) {
    QList<QStringList> rows;
    const QStringList columns = logColumns(db, templateName);
    if (onServer()) {
        QSqlQuery q =
            data::exec(db,
                       QStringLiteral("SELECT printed_at, CAST(vals AS text) FROM %1 WHERE template = ? "
                                      "ORDER BY id")
                           .arg(PrintLogStore::kSharedTable),
                       {sharedLogName(db, templateName)});
        while (q.next()) {
            const QJsonObject vals = QJsonDocument::fromJson(q.value(1).toString().toUtf8()).object();
            QStringList row;
            for (const QString& c : columns) {
                if (c == PrintLogStore::kDateColumn)
                    row << q.value(0).toString();
                else if (!vals.contains(c))
                    row << QString();
                else if (const QString v = vals.value(c).toString(); !v.isNull())
                    row << v;
                else
                    row << QStringLiteral(""); // an empty value is not Null
            }
            rows << row;
        }
        return rows;
    }
    const data::Engine e(db);
    const QString table = e.tableNamed(templateName);
    const QString key = e.keyColumn(table);
    QStringList select;
    for (const QString& c : columns)
        select << data::quoteId(c);
    QSqlQuery q = data::exec(db, QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                                     .arg(select.join(QStringLiteral(", ")), data::quoteId(table),
                                          key.isEmpty() ? QStringLiteral("rowid") : data::quoteId(key)));
    while (q.next()) {
        QStringList row;
        for (int i = 0; i < columns.size(); ++i)
            row << q.value(i).toString();
        rows << row;
    }
    return rows;
}

void makeLog(const QSqlDatabase& db, const QString& templateName, const QStringList& columns) {
    if (onServer()) {
        for (const QString& c : columns)
            addLogColumn(db, templateName, c);
        return;
    }
    QStringList defs;
    for (const QString& c : columns)
        defs << data::quoteId(c) + (c == PrintLogStore::kDateColumn ? QStringLiteral(" datetime")
                                                                    : QStringLiteral(" varchar(255)"));
    data::exec(db, QStringLiteral("CREATE TABLE %1 (%2)").arg(data::quoteId(templateName), defs.join(u',')));
}

void addLogColumn(const QSqlDatabase& db, const QString& templateName, const QString& column) {
    if (onServer()) {
        data::exec(db,
                   QStringLiteral(
                       "INSERT INTO %1 (template, pos, name) SELECT CAST(? AS text), coalesce(max(pos) + 1, "
                       "0), CAST(? AS text) FROM %1 WHERE template = ?")
                       .arg(PrintLogStore::kSharedColumns),
                   {templateName, column, templateName});
        return;
    }
    data::exec(db, QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 varchar(255)")
                       .arg(data::quoteId(templateName), data::quoteId(column)));
}

void addLogSheet(const QSqlDatabase& db, const QString& templateName, const QStringList& columns,
                 const QVariantList& values) {
    if (onServer()) {
        QVariant when;
        QJsonObject vals;
        for (qsizetype i = 0; i < columns.size(); ++i) {
            if (columns.at(i) == PrintLogStore::kDateColumn)
                when = values.at(i);
            else if (!values.at(i).isNull())
                vals.insert(columns.at(i), values.at(i).toString());
        }
        data::exec(
            db,
            QStringLiteral("INSERT INTO %1 (template, printed_at, vals) VALUES (?, ?, CAST(? AS jsonb))")
                .arg(PrintLogStore::kSharedTable),
            {templateName, when, QString::fromUtf8(QJsonDocument(vals).toJson(QJsonDocument::Compact))});
        return;
    }
    QStringList names, marks;
    for (const QString& c : columns) {
        names << data::quoteId(c);
        marks << QStringLiteral("?");
    }
    data::exec(db,
               QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                   .arg(data::quoteId(templateName), names.join(QStringLiteral(", ")),
                        marks.join(QStringLiteral(", "))),
               values);
}

void runSetup(const QSqlDatabase& db, const QStringList& statements) {
    // CREATE TABLE "name" ("column" type, ...), a name in double quotes or without blanks.
    static const QRegularExpression table(
        QStringLiteral(R"(^CREATE TABLE (?:IF NOT EXISTS )?("(?:[^"]|"")*"|\S+) \((.*)\)$)"));
    static const QRegularExpression index(QStringLiteral(R"(^CREATE INDEX )"));
    auto unquoted = [](QString name) {
        if (name.startsWith(u'"'))
            name = name.mid(1, name.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
        return name;
    };
    for (const QString& sql : statements) {
        if (!onServer()) {
            data::exec(db, sql);
            continue;
        }
        if (index.match(sql).hasMatch())
            continue;
        const QRegularExpressionMatch m = table.match(sql);
        if (!m.hasMatch()) {
            data::exec(db, sql);
            continue;
        }
        const QString name = unquoted(m.captured(1));
        if (sql.contains(QLatin1String(" IF NOT EXISTS ")) && hasLog(db, name))
            continue;
        QStringList columns;
        for (const QString& def : m.captured(2).split(u','))
            columns << unquoted(def.trimmed().section(u' ', 0, 0));
        makeLog(db, name, columns);
    }
}

} // namespace vorlan::test
