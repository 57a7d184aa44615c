#include "ui/Twips.h"

#include "app/AppState.h"

#include <QGuiApplication>
#include <QPaintDevice>
#include <QScreen>

#include <cmath>

namespace vorlan::ui {

double screenDpi()
{
    if (const double fixed = app::environment().screenDpi; fixed > 0) return fixed;
    if (auto* s = QGuiApplication::primaryScreen()) {
        const double dpi = s->logicalDotsPerInchX();
        if (dpi > 0) return dpi;
    }
    return 96.0;
}

int toPixels(double twips) { return int(std::lround(twips * screenDpi() / kTwipsPerInch)); }

double toTwips(double pixels) { return pixels * kTwipsPerInch / screenDpi(); }

QPoint toPixels(double leftTwips, double topTwips) { return {toPixels(leftTwips), toPixels(topTwips)}; }

QSize toPixels(QSizeF s) { return {toPixels(s.width()), toPixels(s.height())}; }

QRect toPixels(const TwipsRect& r)
{
    return QRect(toPixels(r.left), toPixels(r.top), toPixels(r.width), toPixels(r.height));
}

TwipsRect toTwips(const QRect& p)
{
    return TwipsRect{float(toTwips(p.x())), float(toTwips(p.y())), float(toTwips(p.width())),
                     float(toTwips(p.height()))};
}

double deviceUnitsPerTwip(const QPaintDevice& device) { return device.logicalDpiX() / kTwipsPerInch; }

} // namespace vorlan::ui
