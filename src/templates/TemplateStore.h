#pragma once
// The statements on moban and mobanxywh, and the template's print log table.

#include "templates/TemplateModel.h"

#include <QSqlDatabase>
#include <QStringList>

#include <optional>

namespace vorlan::templates {

// Names of input points added and deleted since the print log table was last brought up to date.
struct PendingColumns {
    QStringList added;
    QStringList deleted;
    void clear()
    {
        added.clear();
        deleted.clear();
    }
};

struct LoadResult {
    Template tmpl;
    // Rows that were skipped (slot outside 1..100, a second row in one slot), one sentence each.
    QStringList skipped;
};

class TemplateStore {
public:
    explicit TemplateStore(QSqlDatabase db);

    // Reads a whole template: the ten types in order, the background rectangle, the header row with its
    // picture and offsets. A template without rows loads empty. Throws DbError when the rows cannot be
    // read, or a row holds Null in a numeric or boolean column (the message names the template).
    LoadResult load(const QString& name) const;

    // Rewrites the template's rows, stores newPicture when given, and brings the print log table up to
    // date, all in one transaction: on failure nothing has changed and DbError is thrown. On success the
    // pending lists are emptied.
    void save(const Template& t, const std::optional<QByteArray>& newPicture, PendingColumns& pending) const;

    // The print window's fine-tune save: every live point's rectangle and the offsets. Creates the header
    // row (without picture) when the template has none, so the offsets are kept.
    void saveGeometry(const Template& t) const;

    QByteArray readPicture(const QString& name) const;

    // Why a template name cannot be saved (empty, blank, a base table's name), or an empty text.
    static QString nameProblem(const QString& name);

    // Everything nameProblem checks, and what the database says about the name: the names of print log
    // indexes are reserved, an index or view of that name is in the way, and another template whose name
    // differs only in letter case would share the print log table. otherNames are names known besides
    // the stored templates and catalogue rows (the tree on screen). Empty text when the name is usable.
    QString checkName(const QString& name, const QStringList& otherNames = {}) const;

private:
    QSqlDatabase db_;
};

// The print log table of a template: "打印日期" first, then one text column per input point.
namespace logtable {
// Creates the table, or adds and drops the pending columns, as one step of a save (no transaction of its own).
void bringUpToDate(const QSqlDatabase& db, const Template& t, PendingColumns& pending);
// The statements that bringUpToDate would send, for tests and diagnostics.
QStringList statements(const QSqlDatabase& db, const Template& t, const PendingColumns& pending);
// The actual table name of a template's log table (matched without regard to case), or empty.
QString existingName(const QSqlDatabase& db, const QString& templateName);
// Drops the template's log table if there is one (never a base table).
void drop(const QSqlDatabase& db, const QString& templateName);

// Two names of one table: the database compares names with ASCII letters folded, nothing else.
bool sameName(const QString& a, const QString& b);
// The name of the date index of a log table. Index names start with kIndexPrefix, which no new
// template name may take, so an index never sits where a template's table would go.
inline const QString kIndexPrefix = QStringLiteral("idx:");
QString indexName(const QString& table);
// The name the date index had before: it could be any template's name.
QString legacyIndexName(const QString& table);
} // namespace logtable

} // namespace vorlan::templates
