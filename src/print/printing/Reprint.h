#pragma once
// Printing logged sheets again: each value from its column of the print log, placed with the template's
// points, paper and offsets as they are today, all sheets as one job. The sheets were logged when first
// printed, so a reprint adds log rows only when asked to; either way the job of the reprint is kept with
// the logged sheets, so that the history shows what became of it. No widgets: the history window and
// the command line both drive these functions.

#include "data/Engine.h"
#include "printing/Batch.h"
#include "printing/PrintOutcome.h"
#include "printing/PrintSheet.h"
#include "templates/PrintLogStore.h"
#include "templates/TemplateModel.h"

#include <QList>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <optional>

class QPrinter;

namespace vorlan::printing {

// A logged sheet: its key and its values in the log's columns (LogTable::columns), Null as empty.
struct LoggedSheet {
    qint64 id = 0;
    QStringList values;
};

// The sheets a log query selects (the key, then every column in table order, PrintLogStore::query).
QList<LoggedSheet> readLoggedSheets(QSqlQuery& query, const templates::LogTable& table);

// Which column of the log fills each live point of the template today: the column of the point's name
// (letter case aside, as the database compares names). The log's columns of no point are left out, and
// points that have no column print empty; both are named.
struct ReprintMapping {
    QList<int> columnOf;  // per batchPoints(tmpl): the index into the log's columns, or -1
    QStringList dropped;  // the log's columns (the print date aside) whose point is gone
    QStringList unfilled; // the points the log has no column for
};
ReprintMapping reprintMapping(const QStringList& logColumns, const QList<BatchPoint>& points);
// What the user is told of the mapping; empty when every column has its point and every point its column.
QString reprintMappingNotice(const QString& templateName, const ReprintMapping& mapping);
// Whether the reprint is logged, as the window and the command line say it.
QString reprintLogText(bool log);

// Everything a reprint needs: the template as it is today, its paper and offsets, and the sheets.
struct ReprintJob {
    templates::Template tmpl; // its name is the template's
    PrintSettings settings;
    templates::LogTable table;
    QList<LoggedSheet> sheets;
    ReprintMapping mapping;
};

// The template, its settings and its log table, read from the database; the problem for the user when
// the template or its log is not there. Throws DbError.
std::optional<ReprintJob> loadReprint(const data::Engine& engine, const QString& templateName,
                                      QString* problem);

// The sheet of the logged sheet i: every point's value from its column (an amount in words with the
// blanks the box held in front of the words), empty for a point without one.
PrintSheet reprintSheet(const ReprintJob& job, int i);
// Every sheet, checked before anything is printed: a sheet that cannot be placed today (a point moved
// off the page, a value grown too long) names the sheet, its print time and the input point.
BatchBuild buildReprint(const ReprintJob& job);

// Prints the sheets as one job. When it was accepted: logged as new sheets with the job when log is set,
// and the job kept with the logged sheets reprinted (marked as a reprint's).
struct ReprintRun {
    BatchOutcome printed;
    std::optional<LogResult> logged; // nothing when not logged (not asked for, cancelled or failed)
    QString jobNotKept;              // why the job could not be kept with the sheets; empty when it was
};
ReprintRun runReprint(QPrinter& printer, const ReprintJob& job, const QList<PrintSheet>& sheets, bool log,
                      const BatchProgress& progress = {});
// The part of it after the job was accepted: the log and the job kept (for a PDF file put in its place
// first, so that nothing is recorded of a file that is not there).
ReprintRun keepReprint(const ReprintJob& job, const QList<PrintSheet>& sheets, const BatchOutcome& printed,
                       bool log);
// What the user is told after a reprint that printed.
QString reprintDoneText(const ReprintRun& run, int sheets);

} // namespace vorlan::printing
