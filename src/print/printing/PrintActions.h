#pragma once
// Printing, previewing and logging one sheet, without any window: the outcome says what happened.

#include "printing/PrintOutcome.h"
#include "printing/PrintSheet.h"

class QPainter;

namespace vorlan::printing {

// Prints the sheet as one page on the printer and paper of its settings (the system's default printer and
// its own paper unless set), positions from the settings' origin. An offset box that does not hold a number
// (OffsetInvalid) or a value that would land outside the page's coordinate range (OutOfRange, naming the
// input point) is refused before anything is sent; a printer that is not ready gives PrinterFailed.
// Nothing is shown to the user: printNotice says what to tell them.
PrintOutcome printSheet(const PrintSheet& sheet);

// Paints the sheet's texts as the printer would place them, on any device (preview surface, image, PDF).
// Like the paper, the device shows what was placed before a failure; the outcome says what failed.
PrintOutcome drawSheet(QPainter& painter, const PrintSheet& sheet);

// The preview of the sheet's page: drawSheet on the page of its settings, with the paper's outline, the
// paper's corner at the painter's origin.
PrintOutcome drawPreview(QPainter& painter, const PrintSheet& sheet, const PageGeometry& page);

// Appends the print log row of the sheet: the time of logging and every named field's text without its
// outer blanks, and the job it was printed in (the outcome's). A template without a log table, a base
// table's name or a refused row is reported in the result (logNotice says what to tell the user); nothing
// is written then.
LogResult logSheet(const PrintSheet& sheet, const SpooledAs& job = {});

} // namespace vorlan::printing
