#pragma once
// The steps of a spreadsheet import without the window: the checks of the panel's texts, the plan of
// what a read takes from the worksheet, the formula cells it would miss, reading one row into a
// record, and reading every row from the start row on into the table. The window collects the
// texts, asks the questions and shows the outcome.

#include "customers/CustomerStore.h"
#include "customers/ImportRules.h"
#include "customers/SpreadsheetReader.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vorlan::customers {

enum class ReadAction { Next, NextAndSave, All };

// The panel's texts when a read starts.
struct PanelTexts {
    QString sheet;
    QString startRow;
    QStringList letters; // the twelve column-letter boxes, in field order
};

// A box that must not be empty for a read to start; the window names it and does nothing else.
enum class MissingBox { StartRow, Sheet, NameColumn };
// The start row and the sheet for every read, and the name's column letter for reading all.
std::optional<MissingBox> missingBox(const PanelTexts& texts, ReadAction action);

// A read that cannot go on, with the description the user is told.
struct ImportStop {
    QString description;
};

// To be called while a read's failure is handled (inside a catch): what the user is told about it. A
// worksheet that is not there is named; any other SpreadsheetError, DbError or ImportStop is described,
// by the saving reads with the program as its source. Anything else is thrown on.
QString failureMessage(ReadAction action, const QString& sheet);

// The spreadsheet the panel reads: the path as chosen and, while it is open, its reader with the size
// of the first worksheet's used range, taken when it was opened.
class ImportFile {
public:
    // Closes what was open, then opens the path (trimmed). An empty path opens nothing. Throws
    // SpreadsheetError; nothing is open then, and the path stays as chosen.
    void open(const QString& path);
    // The reader goes; the path and the sizes stay.
    void close() { reader_.reset(); }

    const QString& path() const { return path_; }
    bool isOpen() const { return reader_ != nullptr; }
    int usedRows() const { return usedRows_; }
    int usedColumns() const { return usedColumns_; }
    // Throws ImportStop when the file has been closed.
    SpreadsheetReader& reader();

private:
    QString path_;
    std::unique_ptr<SpreadsheetReader> reader_;
    int usedRows_ = 0;
    int usedColumns_ = 0;
};

// What one read takes from the worksheet: rows firstRow to lastRow of the sheet, each field from its
// column (0: the field is not read and keeps what it holds).
struct ReadPlan {
    QString sheet;
    int firstRow = 1;
    int lastRow = 0;
    FieldColumns columns{};
};

// The plan of a read over a file whose first worksheet has that used range: one row for the two
// single reads, every row up to the last used one for reading all. Throws ImportStop when the start
// row is no whole number from 1 on.
ReadPlan planRead(const PanelTexts& texts, ReadAction action, int usedRows, int usedColumns);

// The start row box after a single read of row `row`: the next row (also after the largest int row).
QString rowAfter(int row);

// The cells without a readable value (formulas without a stored result, texts the reader cannot
// expand) among the cells a plan reads, by row, then column.
struct UnreadableCells {
    int count = 0;
    QStringList named; // the first ones as "第2行B列", at most kNamed
    static constexpr int kNamed = 20;
};
UnreadableCells unreadableCells(SpreadsheetReader& reader, const ReadPlan& plan);
// The question whether to read on with those cells as empty ones; Yes reads on.
QString unreadableQuestion(const QString& sheet, const UnreadableCells& cells);
// The number cells among the cells a plan reads that the file holds only as binary values beyond 2^53
// (their last digits are lost), and the question whether to read them as they are; Yes reads on.
UnreadableCells impreciseCells(SpreadsheetReader& reader, const ReadPlan& plan);
QString impreciseQuestion(const QString& sheet, const UnreadableCells& cells);

// Reads row `row` into c: each field with a column takes that cell's text, the others keep theirs.
// A failure leaves the fields read before it in c.
void readRow(SpreadsheetReader& reader, const ReadPlan& plan, int row, Customer& c);

// The answer to "a customer of that name is there already".
enum class ExistingAnswer { Replace, Skip, Stop };
// The question behind that answer: Yes replaces, No skips, Cancel stops.
QString existingQuestion(const QString& trimmedName);

struct ImportHooks {
    // The record the edit boxes are to show now: the row read last, or nothing once it was saved.
    // Told before a question, at a stop, at the end and at a failure, not for every row.
    std::function<void(const Customer& row)> show;
    // Asked for a row whose name the table holds, given the trimmed name; rows saved before are
    // durable by then. Without it the import stops there.
    std::function<ExistingAnswer(const QString& name)> existing;
    // A row written (new or replacing others), with its row id and its trimmed fields.
    std::function<void(RowId id, const Customer& row)> saved;
    // The rows an overwrite removed.
    std::function<void(const std::vector<RowId>& ids)> removed;
};

struct ImportSummary {
    enum class End {
        Done,       // every row up to the last used one was read
        PastTheEnd, // the start row lay beyond the row after the last one: nothing was read
        EmptyName,  // a row without a name met a customer without a name
        Stopped,    // the user stopped at an existing name
    };
    End end = End::Done;
    int nextRow = 0; // after Done and PastTheEnd: the start row box's new value
    int added = 0;
    int replaced = 0;
    int skipped = 0;
};

// Reads every row of the plan into the table, starting from empty edit boxes: a new name is saved at
// once, an existing one as the user answers, a row without a name that is there already stops the
// import. Rows saved stay saved whatever happens later; an overwrite is all or nothing. Throws
// SpreadsheetError and DbError.
ImportSummary readAll(SpreadsheetReader& reader, const ReadPlan& plan, const QSqlDatabase& db,
                      const ImportHooks& hooks);

} // namespace vorlan::customers
