#include "printing/PageRenderer.h"

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
        // Control characters of a multi-line value take their place but show nothing.
        if (c.text.size() == 1 && c.text.at(0).category() == QChar::Other_Control)
            continue;
        painter.drawText(ui::toDevice(*device, {c.x, c.y}) + QPointF(0, ascent), c.text);
    }
    painter.restore();
}

PrintOutcome printPage(const QString& documentName, const QList<PlacedChar>& chars) {
    auto failed = [](const QString& problem) {
        qWarning("printing: %s", qPrintable(problem));
        PrintOutcome out;
        out.status = PrintStatus::PrinterFailed;
        out.problem = problem;
        return out;
    };
    QString problem;
    const std::unique_ptr<QPrinter> printer = ui::openDefaultPrinter(documentName, &problem);
    if (!printer)
        return failed(problem);
    if (chars.isEmpty())
        return {};

    QPainter painter;
    if (!painter.begin(printer.get()))
        return failed(QStringLiteral("the job on %1 could not be started").arg(printer->printerName()));
    paintPlaced(painter, chars);
    if (printer->printerState() == QPrinter::Error) {
        printer->abort();
        painter.end();
        return failed(QStringLiteral("the job on %1 failed").arg(printer->printerName()));
    }
    if (!painter.end())
        return failed(QStringLiteral("the job on %1 could not be completed").arg(printer->printerName()));
    return {};
}

} // namespace vorlan::printing
