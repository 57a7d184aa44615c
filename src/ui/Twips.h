#pragma once
// Twips (1/1440 inch) are the unit of every layout, template and print position.
// This is the one place where twips become screen pixels or printer device units.

#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QSize>

class QPaintDevice;
class QWidget;

namespace vorlan::ui {

constexpr double kTwipsPerInch = 1440.0;
constexpr double kTwipsPerMm = 56.7;

// A rectangle in twips, single precision as the templates store it.
struct TwipsRect {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;

    float right() const { return left + width; }
    float bottom() const { return top + height; }
    bool operator==(const TwipsRect&) const = default;
};

// Logical screen DPI used for twips on screen: app::Environment::screenDpi when set (tests, screenshots),
// otherwise the screen's own (96 unless a screen says otherwise).
double screenDpi();

int toPixels(double twips);
double toTwips(double pixels);
QPoint toPixels(double leftTwips, double topTwips);
QSize toPixels(QSizeF twipsSize);
QRect toPixels(const TwipsRect& r);
TwipsRect toTwips(const QRect& pixels);

// Places a child widget at a twips rectangle of its parent's client area.
void place(QWidget* w, double left, double top, double width, double height);
// Sets a window's client size in twips.
void setClientSize(QWidget* w, double width, double height);

// Device units for a paint device (printer, PDF, image) per twip.
double deviceUnitsPerTwip(const QPaintDevice& device);

} // namespace vorlan::ui
