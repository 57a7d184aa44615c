#include "printing/PageRenderer.h"

#include "ui/Printer.h"
#include "ui/Prompt.h"
#include "ui/Twips.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPrinter>
#include <QtDebug>

namespace vorlan::printing {

QString printFamily() { return QStringLiteral("宋体"); }

double printAscentPerEm()
{
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

QPointF toDevice(const QPaintDevice& device, double xTwips, double yTwips)
{
    const double k = ui::deviceUnitsPerTwip(device);
    return {xTwips * k, yTwips * k};
}

void paintPlaced(QPainter& painter, const QList<PlacedChar>& chars)
{
    if (chars.isEmpty() || !painter.isActive()) return;
    QPaintDevice* device = painter.device();
    const double k = ui::deviceUnitsPerTwip(*device);

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
        if (c.text.size() == 1 && c.text.at(0).category() == QChar::Other_Control) continue;
        painter.drawText(QPointF(c.x * k, c.y * k + ascent), c.text);
    }
    painter.restore();
}

void reportPrinterNotReady(QWidget* parent)
{
    ui::critical(parent, QStringLiteral("打印机未准备好或有故障!"), QStringLiteral("错误"));
}

bool printPage(QWidget* parent, const QString& documentName, const QList<PlacedChar>& chars)
{
    QString problem;
    const std::unique_ptr<QPrinter> printer = ui::openDefaultPrinter(documentName, &problem);
    if (!printer) {
        qWarning("printing: %s", qPrintable(problem));
        reportPrinterNotReady(parent);
        return false;
    }
    if (chars.isEmpty()) return true;

    QPainter painter;
    if (!painter.begin(printer.get())) {
        qWarning("printing: the job on %s could not be started", qPrintable(printer->printerName()));
        reportPrinterNotReady(parent);
        return false;
    }
    paintPlaced(painter, chars);
    if (printer->printerState() == QPrinter::Error) {
        printer->abort();
        painter.end();
        qWarning("printing: the job on %s failed", qPrintable(printer->printerName()));
        reportPrinterNotReady(parent);
        return false;
    }
    if (!painter.end()) {
        qWarning("printing: the job on %s could not be completed", qPrintable(printer->printerName()));
        reportPrinterNotReady(parent);
        return false;
    }
    return true;
}

} // namespace vorlan::printing
