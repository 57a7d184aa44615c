#pragma once
// The printer of one template: its own printer, paper and orientation (PrintSettings) put on the system's
// printers, or on the PDF file and the missing printer of the test runs (ui/Printer.h).

#include "printing/PrintSettings.h"

#include <QList>
#include <QPageSize>
#include <QString>
#include <QStringList>

#include <memory>

class QPrinter;

namespace vorlan::printing {

struct OpenedPrinter {
    std::unique_ptr<QPrinter> printer; // none when there is no ready printer
    QString problem;                   // then: why, for the diagnostic log
    QString missingPrinter;            // the settings' printer, when it is not installed
    QString printerUsed;               // the printer used in its place (empty when there is none)
};

// A printer for one job as the settings ask: their printer (or the default one in its place when it is
// not installed; missingPrinter says so), paper and orientation, one copy, coordinates from the corner
// of the printable area. Without a ready printer, printer is empty and problem says why.
OpenedPrinter openPrinter(const QString& documentName, const PrintSettings& s);

// Puts paper and orientation on a printer that is already set to its printer: a chosen size, a chosen
// orientation; what is not chosen stays the printer's own. Positions always count from the printable
// area for the printer itself; the origin is applied when painting (originShift).
void applySettings(QPrinter& printer, const PrintSettings& s, const QList<QPageSize>& printerSizes);

// The printers the user can choose from, and the system's default one (empty when there is none).
QStringList availablePrinters();
QString systemDefaultPrinter();

// The paper sizes a printer offers (an empty name: the default printer); the common sizes when it is not
// installed or lists none, so that a paper can always be chosen.
QList<QPageSize> printerPageSizes(const QString& printerName);
// The paper a printer uses when none is chosen; A4 when it is not installed.
QPageSize printerDefaultPageSize(const QString& printerName);

// The sheet as the settings would print it, for the preview: its paper, the printable area and where
// positions count from. Without a printer, the chosen (or A4) paper with no unprintable margin.
PageGeometry previewGeometry(const PrintSettings& s);

} // namespace vorlan::printing
