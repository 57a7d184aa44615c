#pragma once
// Painting placed characters, and sending them to the printer as one page. Screen, PDF and printer all
// go through paintPlaced, so the preview shows exactly what the paper gets.

#include "printing/Placement.h"

#include <QPointF>

class QPainter;
class QPaintDevice;
class QWidget;

namespace vorlan::printing {

// The typeface of every printed value.
QString printFamily();

// The ascent of the print typeface as a fraction of its size: the baseline lies this far below a cell's top.
double printAscentPerEm();

// The device position of a twips point on a device: twips times the device's units per twip.
QPointF toDevice(const QPaintDevice& device, double xTwips, double yTwips);

// Paints the characters in "宋体" at their sizes, each cell's top at its y (the baseline one ascent
// lower), in the painter's pen colour. The painter's state is restored afterwards.
void paintPlaced(QPainter& painter, const QList<PlacedChar>& chars);

// The fixed message of every printing failure ("打印机未准备好或有故障!", title "错误", critical icon).
void reportPrinterNotReady(QWidget* parent);

// Prints the characters as one page and one document on the default printer. Without a ready printer,
// or when the job cannot be started or completed, the document is abandoned, the user is told once and
// false is returned. Nothing to print still needs a ready printer but sends no page.
bool printPage(QWidget* parent, const QString& documentName, const QList<PlacedChar>& chars);

} // namespace vorlan::printing
