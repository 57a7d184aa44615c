#pragma once
// What became of a print, a preview or a log row, and what the user is told about it. Printing itself
// shows nothing: the print window, the test page and any later batch run decide how it reaches the user.

#include "printing/Placement.h"

#include <QString>

#include <functional>

namespace vorlan::printing {

enum class PrintStatus {
    Printed,       // the page went to the printer (or the preview was drawn whole)
    PrinterFailed, // no ready printer, or the job could not be started or completed
    OffsetInvalid, // an offset box does not hold a number; nothing was placed or sent
    OutOfRange,    // a value would land outside the page's coordinate range; nothing was sent
};

// The two offset boxes: Allup moves the print down, Allleft to the right.
enum class OffsetBox { Vertical, Horizontal };

// Where a printed job went: a print queue and the number the queue gave the job, or a PDF file, which
// has no job. Neither when it is not known (nothing was handed over).
struct SpooledAs {
    QString queue; // the queue itself, without an instance
    int jobId = 0; // the queue's number of the job; 0: none
    bool pdfFile = false;

    bool known() const { return pdfFile || (jobId > 0 && !queue.isEmpty()); }
    bool operator==(const SpooledAs&) const = default;
};

struct PrintOutcome {
    PrintStatus status = PrintStatus::Printed;
    // OutOfRange: the field at fault (its index in the sheet's fields), its name and why.
    int field = -1;
    QString fieldName;
    PlacementFault fault = PlacementFault::None;
    QString reason; // a Symbol fault: why the value cannot be printed as its symbol
    // OffsetInvalid: the box that does not hold a number and its text.
    OffsetBox offsetBox = OffsetBox::Vertical;
    QString offsetText;
    // PrinterFailed: what went wrong, for the diagnostic log; the user always sees one fixed message.
    QString problem;
    // The template's own printer is not installed (any status): its name, and the default printer that
    // took its place (empty when there is none).
    QString missingPrinter;
    QString printerUsed;
    // Printed: where the page went (every page of a job shares it).
    SpooledAs job;

    bool ok() const { return status == PrintStatus::Printed; }
};

// What became of a print job of one or more pages.
struct BatchOutcome {
    enum class Status { Printed, Cancelled, Failed };
    Status status = Status::Printed;
    int pages = 0;
    QString problem; // Failed: what went wrong, for the diagnostic log
    SpooledAs job;   // Printed: where the job went
    bool ok() const { return status == Status::Printed; }
};

// Told after each page has been drawn (done of total); returning false cancels the job.
using BatchProgress = std::function<bool(int done, int total)>;

// What writing the print log row came to. The sheet has been printed whatever it says.
struct LogResult {
    enum class Status {
        Logged,     // the row was written
        NoLogTable, // the template has no print log table yet (never saved in the designer)
        Failed,     // the database refused the row; description says why
    };
    Status status = Status::Logged;
    QString templateName;
    QString description;

    bool ok() const { return status == Status::Logged; }
};

// A message for the user: text, title and icon. An empty text means there is nothing to say.
struct Notice {
    enum class Icon { None, Exclamation, Critical };
    QString text;
    QString title;
    Icon icon = Icon::None;

    bool isEmpty() const { return text.isEmpty(); }
    bool operator==(const Notice&) const = default;
};

// The message of a print or preview outcome; empty for a sheet that was printed on its own printer.
//   PrinterFailed: "打印机未准备好或有故障!", title "错误", critical icon.
//   A template printer that is not there: says so and names the default printer used instead (before the
//   failure's text when the print failed as well).
//   OffsetInvalid: names the box (上下 or 左右) and its text; OutOfRange: names the input point and why.
Notice printNotice(const PrintOutcome& outcome);

// The message of a log result; empty when the row was written. Either failure says that the sheet was
// printed but not logged, and names the template.
Notice logNotice(const LogResult& result);

} // namespace vorlan::printing
