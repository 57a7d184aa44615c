#pragma once
// The printer test page of the main window's tools panel.

#include "printing/Placement.h"

namespace vorlan::printing {

// The one line of the test page, at the corner of the printable area.
QString testPageText();
Placement testPagePlacement();

} // namespace vorlan::printing
