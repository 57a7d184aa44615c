#pragma once
// The statements on moban and mobanxywh; the template's print log table is PrintLogStore's.

#include "templates/PrintLogStore.h"
#include "templates/TemplateModel.h"

#include "data/Engine.h"

#include <QSqlDatabase>
#include <QStringList>

#include <optional>

namespace vorlan::templates {

struct LoadResult {
    Template tmpl;
    // Rows that were skipped (slot outside 1..100, a second row in one slot), one sentence each.
    QStringList skipped;
};

class TemplateStore {
public:
    explicit TemplateStore(data::Engine engine);

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

    // Why a template name cannot be saved (empty, blank, a base table's name), or an empty text. The
    // name is also its print log table's, so the rule is the log store's.
    static QString nameProblem(const QString& name) { return PrintLogStore::nameProblem(name); }

    // Everything nameProblem checks, what the print log store says about the name as a table's (the
    // names of print log indexes are reserved, an index or view of that name is in the way), and whether
    // another template whose name differs only in letter case would share the print log table.
    // otherNames are names known besides the stored templates and catalogue rows (the tree on screen).
    // Empty text when the name is usable.
    QString checkName(const QString& name, const QStringList& otherNames = {}) const;

    // The names of every stored template but the one given (points or header rows).
    QStringList storedNames(const QString& except) const;
    // Deletes the template's points and header rows; part of the caller's transaction.
    void remove(const QString& name) const;

private:
    // The header row on a server: the picture from this computer's copy when it has that one.
    void loadHeaderKept(Template& t) const;
    data::Engine engine_;
};

} // namespace vorlan::templates
