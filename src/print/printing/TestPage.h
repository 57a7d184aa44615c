#pragma once
// The printer test page of the main window's tools panel.

#include "printing/Placement.h"
#include "printing/PrintOutcome.h"

namespace vorlan::printing {

// The one line of the test page, at the corner of the printable area.
QString testPageText();
Placement testPagePlacement();

// Prints the test page: no offsets and no log row, it only shows whether the printer is ready.
PrintOutcome printTestPage();

} // namespace vorlan::printing
