#pragma once
// The printing subsystem's side of the window system: its notices shown through the ui seam. The
// entries the main window calls (the print window, the test page) are declared in app/Windows.h.

#include "printing/PrintOutcome.h"

class QWidget;

namespace vorlan::printing {

// Shows the notice as a message box over parent; an empty notice shows nothing.
void showNotice(QWidget* parent, const Notice& notice);

} // namespace vorlan::printing
