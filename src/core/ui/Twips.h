#pragma once
// Twips (1/1440 inch) are the unit of every layout, template and print position.
// This is the one place where twips become screen pixels or printer device units.
//
// A length in twips is a Twips, never a bare number: its constructor is explicit, so a pixel count or any
// other number becomes twips only where someone writes Twips(...) or a literal such as 120_tw. Lengths
// are kept in double precision; a template keeps its geometry in single precision, as it is stored, and
// rounds with toSingle() wherever a position or size of a template is set.
//
// Only QtCore and QtGui here: the conversions are shared by windows, the renderer and headless printing.
// Placing widgets lives in ui/TwipsLayout.h.

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>

#include <compare>
#include <type_traits>

class QDebug;
class QPaintDevice;

namespace vorlan::ui {

constexpr double kTwipsPerInch = 1440.0;
constexpr double kTwipsPerMm = 56.7;

// v rounded to the nearest single precision number (what a float holds), as a double.
double singlePrecision(double v);

class Twips {
public:
    constexpr Twips() = default;
    constexpr explicit Twips(double value) : value_(value) {}

    constexpr double value() const { return value_; }
    // The nearest single precision value, as templates store their geometry.
    constexpr Twips toSingle() const {
        if (std::is_constant_evaluated())
            return Twips(double(float(value_)));
        return Twips(singlePrecision(value_));
    }

    constexpr Twips& operator+=(Twips o) {
        value_ += o.value_;
        return *this;
    }
    constexpr Twips& operator-=(Twips o) {
        value_ -= o.value_;
        return *this;
    }
    friend constexpr Twips operator+(Twips a, Twips b) { return Twips(a.value_ + b.value_); }
    friend constexpr Twips operator-(Twips a, Twips b) { return Twips(a.value_ - b.value_); }
    friend constexpr Twips operator-(Twips a) { return Twips(-a.value_); }
    friend constexpr Twips operator*(Twips a, double k) { return Twips(a.value_ * k); }
    friend constexpr Twips operator*(double k, Twips a) { return Twips(k * a.value_); }
    friend constexpr Twips operator/(Twips a, double k) { return Twips(a.value_ / k); }

    friend constexpr auto operator<=>(const Twips&, const Twips&) = default;

private:
    double value_ = 0;
};

struct TwipsPoint {
    Twips x;
    Twips y;

    friend constexpr TwipsPoint operator+(TwipsPoint a, TwipsPoint b) { return {a.x + b.x, a.y + b.y}; }
    friend constexpr TwipsPoint operator-(TwipsPoint a, TwipsPoint b) { return {a.x - b.x, a.y - b.y}; }
    bool operator==(const TwipsPoint&) const = default;
};

struct TwipsSize {
    Twips width;
    Twips height;

    bool operator==(const TwipsSize&) const = default;
};

// Left, top, width and height, in this order everywhere.
struct TwipsRect {
    Twips left;
    Twips top;
    Twips width;
    Twips height;

    constexpr Twips right() const { return left + width; }
    constexpr Twips bottom() const { return top + height; }
    constexpr TwipsPoint topLeft() const { return {left, top}; }
    constexpr TwipsSize size() const { return {width, height}; }
    constexpr TwipsRect toSingle() const {
        return {left.toSingle(), top.toSingle(), width.toSingle(), height.toSingle()};
    }
    bool operator==(const TwipsRect&) const = default;
};

namespace literals {
// 120_tw, 67.5_tw: layout constants. A literal with a decimal fraction that a binary number cannot hold
// exactly (26.7) is better written Twips(26.7), which rounds it once.
constexpr Twips operator""_tw(unsigned long long v) {
    return Twips(double(v));
}
constexpr Twips operator""_tw(long double v) {
    return Twips(double(v));
}
} // namespace literals

// Logical screen DPI used for twips on screen: app::Environment::screenDpi when set (tests, screenshots),
// otherwise the screen's own (96 unless a screen says otherwise).
double screenDpi();

// Screen pixels, rounded to whole pixels (halves away from zero).
int toPixels(Twips t);
QPoint toPixels(TwipsPoint p);
QSize toPixels(TwipsSize s);
QRect toPixels(const TwipsRect& r);
// Screen pixels without rounding, for drawing between pixels.
double toPixelsF(Twips t);
QPointF toPixelsF(TwipsPoint p);
// A screen distance or position (a mouse position, a widget's size) in twips.
Twips fromPixels(double pixels);
TwipsPoint fromPixels(QPointF pixels);

// Device units (dots) per twip at a resolution in dots per inch.
double dotsPerTwip(double dpi);
// Device units per twip for a paint device (printer, PDF, image): its logical resolution.
double deviceUnitsPerTwip(const QPaintDevice& device);
// A twips position in a paint device's units.
QPointF toDevice(const QPaintDevice& device, TwipsPoint p);

// For test failure messages and the diagnostic log: "1440tw".
QDebug operator<<(QDebug d, Twips t);
QDebug operator<<(QDebug d, const TwipsPoint& p);
QDebug operator<<(QDebug d, const TwipsSize& s);
QDebug operator<<(QDebug d, const TwipsRect& r);

} // namespace vorlan::ui

namespace vorlan {
// The twips literals, visible throughout the program's namespaces.
using namespace ui::literals;
} // namespace vorlan
