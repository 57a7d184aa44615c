#pragma once
// Painting placed characters, and sending them to the printer as one page. Screen, PDF and printer all
// go through paintPlaced, so the preview shows exactly what the paper gets.

#include "printing/Placement.h"
#include "printing/PrintOutcome.h"

class QPainter;

namespace vorlan::printing {

// The typeface of every printed value.
QString printFamily();

// The ascent of the print typeface as a fraction of its size: the baseline lies this far below a cell's top.
double printAscentPerEm();

// Paints the characters in "宋体" at their sizes, each cell's top at its y (the baseline one ascent
// lower), in the painter's pen colour. The painter's state is restored afterwards.
void paintPlaced(QPainter& painter, const QList<PlacedChar>& chars);

// Prints the characters as one page and one document on the default printer. Without a ready printer,
// or when the job cannot be started or completed, the document is abandoned and the outcome is
// PrinterFailed, with the cause for the diagnostic log. Nothing to print still needs a ready printer but
// sends no page. Nothing is shown to the user here.
PrintOutcome printPage(const QString& documentName, const QList<PlacedChar>& chars);

} // namespace vorlan::printing
