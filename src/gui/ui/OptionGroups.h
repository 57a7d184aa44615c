#pragma once
// Groups of option buttons and the keyboard: Tab into a group lands on the ticked button, and the arrows
// move within the group. Left alone, Tab stops at the first button of a group the keyboard has not been
// in yet, even when another one is ticked.

class QWidget;

namespace vorlan::ui {

// Every group among the window's option buttons (those of one parent, or of one button group) has the
// ticked button as its one Tab stop, now and after every change of the tick; a group with none ticked
// keeps them all. May be called again on the same window.
void tabToTickedOptions(QWidget* window);

} // namespace vorlan::ui
