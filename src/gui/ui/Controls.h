#pragma once
// Making the everyday controls of the windows: named as the program names them, placed in twips.

#include "ui/Twips.h"

#include <QString>

#include <initializer_list>

class QDateEdit;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QVBoxLayout;
class QWidget;

namespace vorlan::ui {

// A push button that never becomes the default button (Enter stays with the focused box). It shows a
// thin blue frame while it has the focus, flat or not, and Enter presses it when it has the focus.
QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption);
// The focus frame and the Enter press of makeButton, for a button made elsewhere (its default-button
// setting stays as it is).
void prepareButton(QPushButton* button);
QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text);
// A one-line label at a twips position.
QLabel* placeLabel(QWidget* parent, const QString& text, Twips left, Twips top, Twips width);
// A date picker showing "yyyy-mm-dd" with a drop-down calendar.
QDateEdit* makeDatePicker(QWidget* parent, const QString& name);

// The layout of a small dialog's rows: 180 twips from its edges, `spacing` between the rows.
QVBoxLayout* dialogRows(QWidget* dialog, Twips spacing);
// A dialog's row of buttons: `leading` (if any) at its left, the others at its right, each at least
// 1335 x 420 twips.
QHBoxLayout* buttonRow(std::initializer_list<QPushButton*> right, QPushButton* leading = nullptr);

} // namespace vorlan::ui
