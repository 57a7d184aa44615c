#include "ui/Twips.h"

#include "app/AppState.h"

#include <QDebug>
#include <QGuiApplication>
#include <QLocale>
#include <QPaintDevice>
#include <QScreen>

#include <cmath>

namespace vorlan::ui {

double screenDpi() {
    if (const double fixed = app::environment().screenDpi; fixed > 0)
        return fixed;
    if (auto* s = QGuiApplication::primaryScreen()) {
        const double dpi = s->logicalDotsPerInchX();
        if (dpi > 0)
            return dpi;
    }
    return 96.0;
}

double singlePrecision(double v) {
    // Through memory: GCC 12 at -O2 vectorizes two neighbouring double-to-float-to-double conversions into
    // none at all, which would leave a template's geometry in double precision.
    volatile float f = float(v);
    return f;
}

int toPixels(Twips t) {
    return int(std::lround(t.value() * screenDpi() / kTwipsPerInch));
}

QPoint toPixels(TwipsPoint p) {
    return {toPixels(p.x), toPixels(p.y)};
}

QSize toPixels(TwipsSize s) {
    return {toPixels(s.width), toPixels(s.height)};
}

QRect toPixels(const TwipsRect& r) {
    return QRect(toPixels(r.left), toPixels(r.top), toPixels(r.width), toPixels(r.height));
}

double toPixelsF(Twips t) {
    return t.value() * (screenDpi() / kTwipsPerInch);
}

QPointF toPixelsF(TwipsPoint p) {
    return {toPixelsF(p.x), toPixelsF(p.y)};
}

Twips fromPixels(double pixels) {
    return Twips(pixels * kTwipsPerInch / screenDpi());
}

TwipsPoint fromPixels(QPointF pixels) {
    return {fromPixels(pixels.x()), fromPixels(pixels.y())};
}

double dotsPerTwip(double dpi) {
    return dpi / kTwipsPerInch;
}

double deviceUnitsPerTwip(const QPaintDevice& device) {
    return dotsPerTwip(device.logicalDpiX());
}

QPointF toDevice(const QPaintDevice& device, TwipsPoint p) {
    const double k = deviceUnitsPerTwip(device);
    return {p.x.value() * k, p.y.value() * k};
}

namespace {
// Every digit that tells two values apart, so that a failed comparison shows why.
QString text(Twips t) {
    return QString::number(t.value(), 'g', QLocale::FloatingPointShortest);
}
} // namespace

QDebug operator<<(QDebug d, Twips t) {
    const QDebugStateSaver saver(d);
    d.noquote().nospace() << text(t) << "tw";
    return d;
}

QDebug operator<<(QDebug d, const TwipsPoint& p) {
    const QDebugStateSaver saver(d);
    d.noquote().nospace() << "TwipsPoint(" << text(p.x) << ", " << text(p.y) << ")";
    return d;
}

QDebug operator<<(QDebug d, const TwipsSize& s) {
    const QDebugStateSaver saver(d);
    d.noquote().nospace() << "TwipsSize(" << text(s.width) << " x " << text(s.height) << ")";
    return d;
}

QDebug operator<<(QDebug d, const TwipsRect& r) {
    const QDebugStateSaver saver(d);
    d.noquote().nospace() << "TwipsRect(" << text(r.left) << ", " << text(r.top) << " " << text(r.width)
                          << " x " << text(r.height) << ")";
    return d;
}

} // namespace vorlan::ui
