#include "printing/PageRenderer.h"

#include "printing/PrinterSetup.h"
#include "ui/Printer.h"
#include "ui/Twips.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPrinter>
#include <QtDebug>

namespace vorlan::printing {

QString printFamily() {
    return QStringLiteral("宋体");
}

double printAscentPerEm() {
    // Measured on a very large size, so that the rounding of font metrics to whole pixels does not move
    // the baseline on a high-resolution printer.
    static double perEm = 0;
    if (perEm <= 0) {
        QFont f(printFamily());
        f.setPixelSize(4096);
        f.setHintingPreference(QFont::PreferNoHinting);
        perEm = QFontMetricsF(f).ascent() / 4096.0;
    }
    return perEm;
}

void paintPlaced(QPainter& painter, const QList<PlacedChar>& chars) {
    if (chars.isEmpty() || !painter.isActive())
        return;
    QPaintDevice* device = painter.device();

    struct Face {
        QFont font;
        double ascent = 0;
    };
    QHash<double, Face> faces; // one font per size, with its ascent on this device
    const double ascentPerEm = printAscentPerEm();
    painter.save();
    double currentSize = -1;
    double ascent = 0;
    for (const PlacedChar& c : chars) {
        if (c.size != currentSize) {
            auto it = faces.find(c.size);
            if (it == faces.end()) {
                Face f;
                f.font = QFont(printFamily());
                f.font.setPointSizeF(c.size > 0 ? c.size : 1);
                f.font.setKerning(false);
                f.font.setStyleStrategy(QFont::PreferAntialias);
                f.font.setHintingPreference(QFont::PreferNoHinting);
                f.ascent = ascentPerEm * f.font.pointSizeF() * device->logicalDpiY() / 72.0;
                it = faces.insert(c.size, f);
            }
            painter.setFont(it->font);
            ascent = it->ascent;
            currentSize = c.size;
        }
        // Control characters (a tab) take their place but show nothing; line breaks are never placed.
        if (c.text.size() == 1 && c.text.at(0).category() == QChar::Other_Control)
            continue;
        painter.drawText(ui::toDevice(*device, {c.x, c.y}) + QPointF(0, ascent), c.text);
    }
    painter.restore();
}

PrintOutcome printPage(const QString& documentName, const QList<PlacedChar>& chars,
                       const PrintSettings& settings) {
    const OpenedPrinter opened = openPrinter(documentName, settings);
    PrintOutcome done;
    done.missingPrinter = opened.missingPrinter;
    done.printerUsed = opened.printerUsed;
    auto failed = [&done](const QString& problem) {
        qWarning("printing: %s", qPrintable(problem));
        PrintOutcome out = done;
        out.status = PrintStatus::PrinterFailed;
        out.problem = problem;
        return out;
    };
    QPrinter* printer = opened.printer.get();
    if (!printer)
        return failed(opened.problem);
    if (chars.isEmpty())
        return done;

    QPainter painter;
    if (!painter.begin(printer))
        return failed(QStringLiteral("%1无法开始打印").arg(ui::printerShown(*printer)));
    painter.translate(originShift(settings.origin, printer->pageLayout(), printer->resolution()));
    paintPlaced(painter, chars);
    if (printer->printerState() == QPrinter::Error) {
        printer->abort();
        painter.end();
        return failed(QStringLiteral("%1打印时出错").arg(ui::printerShown(*printer)));
    }
    if (!painter.end())
        return failed(QStringLiteral("%1无法完成打印").arg(ui::printerShown(*printer)));
    return done;
}

void paintPreviewPage(QPainter& painter, const PageGeometry& page, const QList<PlacedChar>& chars) {
    if (!painter.isActive())
        return;
    const QPaintDevice& device = *painter.device();
    const auto deviceRect = [&device](const ui::TwipsRect& r) {
        return QRectF(ui::toDevice(device, r.topLeft()), ui::toDevice(device, {r.right(), r.bottom()}));
    };
    painter.save();
    painter.setBrush(Qt::NoBrush);
    // The printable area, dashed, then the paper's edge; half a pixel in, so that the line at the corner
    // shows whole.
    QPen printable(QColor(150, 170, 200), 0, Qt::DashLine);
    painter.setPen(printable);
    painter.drawRect(deviceRect(page.printable));
    painter.setPen(QPen(QColor(90, 90, 90), 0));
    painter.drawRect(
        deviceRect({0_tw, 0_tw, page.paper.width, page.paper.height}).adjusted(0.5, 0.5, -0.5, -0.5));
    painter.restore();

    painter.save();
    painter.translate(ui::toDevice(device, page.origin));
    paintPlaced(painter, chars);
    painter.restore();
}

} // namespace vorlan::printing
