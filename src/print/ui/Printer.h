#pragma once
// The seam to the printing system: the system's default printer, or for tests a PDF file or no printer
// at all. Pages are laid out in twips from the corner of the printable area.

#include "ui/PrinterTarget.h"

#include <QString>

#include <memory>

class QPrinter;

namespace vorlan::ui {

// Where pages go in this run (app::Environment::printer; SystemDefault normally).
PrinterTarget printerTarget();

// The name of the default printer, or an empty text when there is none.
QString defaultPrinterName();

// A printer for one job on the default printer: high resolution, coordinates from the corner of the
// printable area, the printer's own paper and orientation, one copy. No printer when there is no default
// printer or it reports an error; problem then says why (for the log, the user sees one fixed message).
std::unique_ptr<QPrinter> openDefaultPrinter(const QString& documentName, QString* problem = nullptr);

// A named printer (a print queue), checked as the default one is; the caller sets paper and job.
std::unique_ptr<QPrinter> openNamedPrinter(const QString& name, QString* problem = nullptr);

// Where a job goes, for a message: 打印机“name”, or PDF文件“path” for a PDF file.
QString printerShown(const QPrinter& printer);

} // namespace vorlan::ui
