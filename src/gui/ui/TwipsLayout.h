#pragma once
// Laying out widgets in twips: the windows' side of ui/Twips.h.

#include "ui/Twips.h"

class QWidget;

namespace vorlan::ui {

// Places a child widget at a twips rectangle of its parent's client area.
void place(QWidget* w, const TwipsRect& r);
// Sets a window's client size in twips.
void setClientSize(QWidget* w, const TwipsSize& s);

} // namespace vorlan::ui
