// Placing widgets by twips: the widget side of the twips conversions.
#include "ui/Twips.h"

#include <QWidget>

namespace vorlan::ui {

void place(QWidget* w, double left, double top, double width, double height)
{
    w->setGeometry(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

void setClientSize(QWidget* w, double width, double height)
{
    w->resize(toPixels(width), toPixels(height));
}

} // namespace vorlan::ui
