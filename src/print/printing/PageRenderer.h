#pragma once
// Painting placed items, and the one page loop that sends pages to the printer. Screen, PDF and printer
// all go through paintItems, so the preview shows exactly what the paper gets; a single sheet, the test
// page and a batch all go through printPages.

#include "printing/Placement.h"
#include "printing/PrintOutcome.h"
#include "printing/PrintSettings.h"

#include <functional>
#include <optional>

class QPainter;
class QPrinter;

namespace vorlan::printing {

// The typeface of every printed value.
QString printFamily();

// The ascent of the print typeface as a fraction of its size: the baseline lies this far below a cell's top.
double printAscentPerEm();

// Paints the items, each as its kind asks: a character in "宋体" at its size, its cell's top at the
// rectangle's top (the baseline one ascent lower), in the painter's pen colour. The painter's state is
// restored afterwards.
void paintItems(QPainter& painter, const QList<PlacedItem>& items);

// The resolution symbols are laid out for on the printer: its own, or kPdfDotsPerInch for a PDF file,
// which has none (its page is drawn at a resolution finer still).
int symbolDotsPerInch(const QPrinter& printer);

// One page of a job: what is painted on it and the corner its positions count from.
struct PrintPage {
    QList<PlacedItem> items;
    PrintOrigin origin = PrintOrigin::PrintableArea;
};
// The page of that index (0-based); nothing when it cannot be placed whole, which fails the job.
using PageSource = std::function<std::optional<PrintPage>(int index)>;

// The page loop: draws count pages one after the other into one document for the printer, telling
// progress after each, and hands the document to the printer only when every page is drawn. A cancel,
// a page that cannot be placed or a printer error sends nothing at all (ui::SpooledJob).
BatchOutcome printPages(QPrinter& printer, int count, const PageSource& pageAt,
                        const BatchProgress& progress = {});

// Runs one job on the settings' printer, opened as openPrinter opens it, and says what became of it:
// PrinterFailed without a ready printer or when the job failed (with the cause for the diagnostic log),
// the missing printer named either way. Nothing to print (empty) still needs a ready printer but runs no job.
PrintOutcome printOn(const QString& documentName, const PrintSettings& settings, bool empty,
                     const std::function<BatchOutcome(QPrinter&)>& job);

// Prints the items as one page and one document on the settings' printer and paper (by default the
// default printer with its own paper), positions from the settings' origin. Without a ready printer, or
// when the job cannot be started or completed, the document is abandoned and the outcome is
// PrinterFailed, with the cause for the diagnostic log. Nothing to print still needs a ready printer but
// sends no page. A settings' printer that is not installed is replaced by the default one and named in
// the outcome. Nothing is shown to the user here.
PrintOutcome printPage(const QString& documentName, const QList<PlacedItem>& items,
                       const PrintSettings& settings = {});

// Paints the preview of a sheet's page: the paper's outline with the printable area inside it, the paper's
// corner at the painter's origin, and the items from the corner positions count from.
void paintPreviewPage(QPainter& painter, const PageGeometry& page, const QList<PlacedItem>& items);

} // namespace vorlan::printing
