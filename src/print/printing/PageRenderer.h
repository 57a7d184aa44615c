#pragma once
// Painting placed characters, and sending them to the printer as one page. Screen, PDF and printer all
// go through paintPlaced, so the preview shows exactly what the paper gets.

#include "printing/Placement.h"
#include "printing/PrintOutcome.h"
#include "printing/PrintSettings.h"

class QPainter;

namespace vorlan::printing {

// The typeface of every printed value.
QString printFamily();

// The ascent of the print typeface as a fraction of its size: the baseline lies this far below a cell's top.
double printAscentPerEm();

// Paints the characters in "宋体" at their sizes, each cell's top at its y (the baseline one ascent
// lower), in the painter's pen colour. The painter's state is restored afterwards.
void paintPlaced(QPainter& painter, const QList<PlacedChar>& chars);

// Prints the characters as one page and one document on the settings' printer and paper (by default the
// default printer with its own paper), positions from the settings' origin. Without a ready printer, or
// when the job cannot be started or completed, the document is abandoned and the outcome is
// PrinterFailed, with the cause for the diagnostic log. Nothing to print still needs a ready printer but
// sends no page. A settings' printer that is not installed is replaced by the default one and named in
// the outcome. Nothing is shown to the user here.
PrintOutcome printPage(const QString& documentName, const QList<PlacedChar>& chars,
                       const PrintSettings& settings = {});

// Paints the preview of a sheet's page: the paper's outline with the printable area inside it, the paper's
// corner at the painter's origin, and the characters from the corner positions count from.
void paintPreviewPage(QPainter& painter, const PageGeometry& page, const QList<PlacedChar>& chars);

} // namespace vorlan::printing
