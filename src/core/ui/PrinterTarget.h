#pragma once
// Where this run's pages go: chosen in the environment (app::Environment::printer), used by the printer
// seam of src/print (ui/Printer.h).

namespace vorlan::ui {

enum class PrinterTarget {
    SystemDefault, // the system's default printer (CUPS)
    PdfFile,       // a PDF file, as if it were a ready printer
    None,          // as if no printer were installed
};

} // namespace vorlan::ui
