#pragma once
// The print log table of a template as the history query sees it: its columns, the search by date
// range and content, and the deletion of chosen sheets by their row identity.

#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <optional>

namespace vorlan::history {

inline constexpr auto kPrintDateColumn = "打印日期";

struct LogTable {
    QString name;        // the table's actual name (the template name, letter case as created)
    QStringList columns; // in table order; the first is the print date
    QString rowId;       // the name under which SQLite's row identity can be selected
};

// The template's print log table, matched without regard to case; nullopt when there is none.
// Throws DbError when the table list cannot be read.
std::optional<LogTable> findLogTable(const QSqlDatabase& db, const QString& templateName);

struct Criteria {
    QString column; // empty: no content condition, the text is ignored
    QString text;   // matched literally anywhere in the column's value
    QDate start;    // from 00:00:00 of this day
    QDate end;      // up to 23:59:59 of this day
};

struct Statement {
    QString sql;
    QVariantList params;
};

// Selects the row identity, then every column in table order, oldest print first.
Statement buildQuery(const LogTable& table, const Criteria& c);
// Runs the query forward-only. Throws DbError.
QSqlQuery runQuery(const QSqlDatabase& db, const LogTable& table, const Criteria& c);

// Deletes exactly these rows, all or none. Throws DbError.
void deleteRows(const QSqlDatabase& db, const LogTable& table, const QList<qint64>& rowIds);

// A print date as shown: "yyyy-mm-dd hh:mm:ss"; Null reads as empty, unreadable text stays as it is.
QString printTimeText(const QVariant& v);

} // namespace vorlan::history
