#pragma once
// Making the everyday controls of the windows: named as the program names them, placed in twips.

#include "ui/Twips.h"

#include <QString>

class QDateEdit;
class QLabel;
class QPushButton;
class QWidget;

namespace vorlan::ui {

// A push button that never becomes the default button (Enter stays with the focused box).
QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption);
QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text);
// A one-line label at a twips position.
QLabel* placeLabel(QWidget* parent, const QString& text, Twips left, Twips top, Twips width);
// A date picker showing "yyyy-mm-dd" with a drop-down calendar.
QDateEdit* makeDatePicker(QWidget* parent, const QString& name);

} // namespace vorlan::ui
