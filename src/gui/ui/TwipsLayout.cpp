#include "ui/TwipsLayout.h"

#include <QWidget>

namespace vorlan::ui {

void place(QWidget* w, const TwipsRect& r) {
    w->setGeometry(toPixels(r));
}

void setClientSize(QWidget* w, const TwipsSize& s) {
    w->resize(toPixels(s));
}

} // namespace vorlan::ui
