#pragma once
// Batch printing: many sheets of one template from the ticked customers of the register or from the rows
// of a spreadsheet, sent as one print job with one page per sheet and logged together. No widgets: the
// batch dialog of the print window and the command line both drive these functions.

#include "customers/CustomerStore.h"
#include "customers/SpreadsheetReader.h"
#include "printing/PrintOutcome.h"
#include "printing/PrintSheet.h"
#include "templates/TemplateModel.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPrinter;

namespace vorlan::printing {

// A live input point of the template, in the order of the sheet's fields.
struct BatchPoint {
    finetune::SlotRef ref;
    QString name;
    QString type;
};
QList<BatchPoint> batchPoints(const templates::Template& t);

// A name compared loosely: blanks (also full-width ones) removed, letter case folded.
QString looseName(const QString& name);

// Which column fills each point (its index in header, -1 for none): the column named exactly like the
// point, else the one whose name equals it without regard to blanks and case. A column fills one point.
QList<int> mapColumns(const QStringList& header, const QList<BatchPoint>& points);
// The names of the points no column fills: they keep the texts typed in the print window.
QStringList unfilledPoints(const QList<BatchPoint>& points, const QList<int>& map);
// The mapping after the user gives the column (-1: none) to the point: the point that had the column lets
// it go, since a column fills one point. Unchanged for a point that is not in the map.
QList<int> assignColumn(QList<int> map, int point, int column);
// The line under the mapping: which points keep the print window's texts.
QString unfilledNotice(const QStringList& unfilled);

struct BatchJob;

// The rows a batch can print.
struct BatchData {
    enum class Source { Customers, Spreadsheet };
    Source source = Source::Spreadsheet;
    QStringList header;      // the column names (for customers: the twelve customer columns)
    QList<QStringList> rows; // the values, in header order
    QList<int> rowNumbers;   // each row's number: its row in the worksheet, or its place in the list
    QString sheet;           // the worksheet read
    // Cells of the rows read (row number, column from 1) whose value the file does not give: unreadable
    // ones (a formula without a stored result, a text the reader cannot expand) stop the batch, imprecise
    // ones (numbers beyond 2^53 held as binary values) are asked about.
    std::vector<customers::CellRef> unreadable;
    std::vector<customers::CellRef> imprecise;
};

// The named worksheet (the first when the name is empty): the first row gives the column names, every
// later row from firstRow to lastRow that holds a value is a row of the batch. Only those rows are read,
// so that a batch of a few rows of a large file holds no more than those. Throws SpreadsheetError.
BatchData readBatchData(customers::SpreadsheetReader& reader, const QString& sheet = QString(),
                        int firstRow = 2, int lastRow = customers::kMaxRows);

// The cells of the chosen rows, in the columns the mapping uses, that the batch cannot print as the
// file holds them, named: the refusal for unreadable ones, the question (Yes prints on) for imprecise
// ones. Empty when there are none.
QString unreadableBatchCells(const BatchJob& job);
QString impreciseBatchQuestion(const BatchJob& job);
// Customers of the register, numbered 1.. in the given order.
BatchData customerData(const std::vector<customers::Customer>& customers);

// "A-B" or "A": the rows from A to B (row numbers as BatchData counts them). Nothing for another text.
std::optional<std::pair<int, int>> parseRowRange(const QString& text);
// The indices (into data.rows) of the rows whose numbers lie in the range.
QList<int> rowsInRange(const BatchData& data, int first, int last);
QList<int> allRows(const BatchData& data);

// The rows the batch dialog prints: all of them, the range typed (nothing for a text that is not one) or
// the ticked ones.
enum class RowChoice { All, Range, Ticked };
QList<int> chosenRows(const BatchData& data, RowChoice choice, const QString& range,
                      const QList<int>& ticked);

// The column (index in data.header, -1 for none) that fills each point: the mapping for spreadsheet rows;
// for customers, the customer column the point is bound to, as a pick fills it.
QList<int> filledColumns(const templates::Template& t, const BatchData& data, const QList<BatchPoint>& points,
                         const QList<int>& map);

// Everything a batch needs to build its sheets.
struct BatchJob {
    templates::Template tmpl;
    BoxTexts common; // the print window's texts: what the points no column fills print
    int allup = 0;   // the offsets in whole units
    int allleft = 0;
    BatchData data;
    QList<int> map;         // per batchPoints(tmpl): the column that fills it, or -1 (spreadsheet rows only)
    QList<int> chosen;      // the rows to print, indices into data.rows, in printing order
    PrintSettings settings; // the template's paper and origin, carried by every sheet
};

// The sheet of the chosen row number i (0-based within job.chosen): the common texts, then the row's
// values as a pick (customers) or the mapping (spreadsheet) puts them, amounts in words converted as
// Enter converts them. An empty text and a problem when the row's amount is not a number or too large.
PrintSheet batchSheet(const BatchJob& job, int i, QString* problem = nullptr);

// Every chosen sheet, checked before anything is printed: an amount that cannot be converted names its row
// and column, a sheet that cannot be placed names the sheet, its row and the input point.
struct BatchBuild {
    QList<PrintSheet> sheets;
    QString problem; // empty when every sheet can be printed
    bool ok() const { return problem.isEmpty(); }
};
BatchBuild buildBatch(const BatchJob& job);

// A printer for the batch with the template's paper and orientation: the named queue, or else the
// template's own printer as a single sheet would use it (the default one in place of a printer that is
// gone: missingNotice then holds the message for the user). Nothing, with the reason in problem, when
// there is no such printer or it cannot be used.
std::unique_ptr<QPrinter> openBatchPrinter(const QString& documentName, const QString& queue = QString(),
                                           QString* problem = nullptr,
                                           const PrintSettings& settings = PrintSettings(),
                                           QString* missingNotice = nullptr);

// Sends the sheets as one job, one page per sheet, through the page renderer's page loop (printPages):
// the job reaches the printer only when every page is drawn; a cancelled or failed job sends nothing, and
// a PDF file is only written whole (the file is not there or unchanged otherwise). A sheet that cannot be
// placed whole fails the job.
BatchOutcome printBatch(QPrinter& printer, const QList<PrintSheet>& sheets,
                        const BatchProgress& progress = {});

// Logs every sheet with its own values, in one transaction: all rows or none. The job the sheets were
// printed in is kept with them (printing::PrintJobStore) in the same transaction; reprint marks it as a
// reprint's.
LogResult logBatch(const QList<PrintSheet>& sheets, const SpooledAs& job = {}, bool reprint = false);

// A whole batch: printed as one job and, when the job was accepted and log is set, logged with its job.
struct BatchRun {
    BatchOutcome printed;
    std::optional<LogResult> logged; // nothing when not logged (not asked for, cancelled or failed)
};
BatchRun runBatch(QPrinter& printer, const QList<PrintSheet>& sheets, bool log,
                  const BatchProgress& progress = {});

// Messages of the batch.
QString batchPrinterFailedText();
QString batchNothingChosenText();

} // namespace vorlan::printing
