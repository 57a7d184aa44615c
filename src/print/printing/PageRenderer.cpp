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

namespace {

// Characters in the print typeface, one font per size with its ascent on this device.
class TextPainter {
public:
    explicit TextPainter(QPainter& painter)
        : painter_(painter), device_(*painter.device()), ascentPerEm_(printAscentPerEm()) {}

    void paint(const PlacedItem& c) {
        if (c.size != currentSize_) {
            auto it = faces_.find(c.size);
            if (it == faces_.end()) {
                Face f;
                f.font = QFont(printFamily());
                f.font.setPointSizeF(c.size > 0 ? c.size : 1);
                f.font.setKerning(false);
                f.font.setStyleStrategy(QFont::PreferAntialias);
                f.font.setHintingPreference(QFont::PreferNoHinting);
                f.ascent = ascentPerEm_ * f.font.pointSizeF() * device_.logicalDpiY() / 72.0;
                it = faces_.insert(c.size, f);
            }
            painter_.setFont(it->font);
            ascent_ = it->ascent;
            currentSize_ = c.size;
        }
        // Control characters (a tab) take their place but show nothing; line breaks are never placed.
        if (c.text.size() == 1 && c.text.at(0).category() == QChar::Other_Control)
            return;
        painter_.drawText(ui::toDevice(device_, c.rect.topLeft()) + QPointF(0, ascent_), c.text);
    }

private:
    struct Face {
        QFont font;
        double ascent = 0;
    };
    QPainter& painter_;
    QPaintDevice& device_;
    const double ascentPerEm_;
    QHash<double, Face> faces_;
    double currentSize_ = -1;
    double ascent_ = 0;
};

} // namespace

void paintItems(QPainter& painter, const QList<PlacedItem>& items) {
    if (items.isEmpty() || !painter.isActive())
        return;
    painter.save();
    TextPainter text(painter);
    for (const PlacedItem& item : items) {
        switch (item.kind) {
        case ItemKind::Text:
            text.paint(item);
            break;
        case ItemKind::Bar: {
            const QPaintDevice& device = *painter.device();
            const QPointF a = ui::toDevice(device, item.rect.topLeft());
            const QPointF b = ui::toDevice(device, {item.rect.right(), item.rect.bottom()});
            painter.fillRect(QRectF(a, b), painter.pen().color());
            break;
        }
        }
    }
    painter.restore();
}

int symbolDotsPerInch(const QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat || printer.resolution() <= 0)
        return kPdfDotsPerInch;
    return printer.resolution();
}

BatchOutcome printPages(QPrinter& printer, int count, const PageSource& pageAt,
                        const BatchProgress& progress) {
    BatchOutcome out;
    const QString shown = ui::printerShown(printer);
    auto abandon = [&out](BatchOutcome::Status status, const QString& why) {
        out.status = status;
        out.problem = why;
        out.pages = 0;
        if (!why.isEmpty())
            qWarning("printing: %s", qPrintable(why));
        return out;
    };
    // The pages go into the job's own document first: the printer gets nothing before the last is drawn.
    ui::SpooledJob job(printer);
    if (!job.isReady())
        return abandon(BatchOutcome::Status::Failed, job.problem());
    QPainter painter; // ended before the job goes, whichever way it goes
    if (!painter.begin(&printer))
        return abandon(BatchOutcome::Status::Failed, QStringLiteral("%1无法开始打印").arg(shown));
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !printer.newPage())
            return abandon(BatchOutcome::Status::Failed,
                           QStringLiteral("%1的第%2页无法开始").arg(shown).arg(i + 1));
        const std::optional<PrintPage> page = pageAt(i);
        if (!page)
            return abandon(BatchOutcome::Status::Failed, QStringLiteral("第%1页无法排版").arg(i + 1));
        painter.save();
        painter.translate(originShift(page->origin, printer.pageLayout(), printer.resolution()));
        paintItems(painter, page->items);
        painter.restore();
        if (printer.printerState() == QPrinter::Error)
            return abandon(BatchOutcome::Status::Failed,
                           QStringLiteral("%1在第%2页出错").arg(shown).arg(i + 1));
        if (progress && !progress(i + 1, count))
            return abandon(BatchOutcome::Status::Cancelled, QString());
    }
    if (!painter.end())
        return abandon(BatchOutcome::Status::Failed, QStringLiteral("%1无法完成打印").arg(shown));
    if (!job.deliver())
        return abandon(BatchOutcome::Status::Failed, job.problem());
    out.pages = count;
    out.job = job.spooledAs();
    return out;
}

PrintOutcome printOn(const QString& documentName, const PrintSettings& settings, bool empty,
                     const std::function<BatchOutcome(QPrinter&)>& job) {
    const OpenedPrinter opened = openPrinter(documentName, settings);
    PrintOutcome done;
    done.missingPrinter = opened.missingPrinter;
    done.printerUsed = opened.printerUsed;
    if (!opened.printer) {
        qWarning("printing: %s", qPrintable(opened.problem));
        done.status = PrintStatus::PrinterFailed;
        done.problem = opened.problem;
        return done;
    }
    if (empty)
        return done;
    const BatchOutcome sent = job(*opened.printer);
    if (!sent.ok()) {
        done.status = PrintStatus::PrinterFailed;
        done.problem = sent.problem;
    }
    done.job = sent.job;
    return done;
}

PrintOutcome printPage(const QString& documentName, const QList<PlacedItem>& items,
                       const PrintSettings& settings) {
    return printOn(documentName, settings, items.isEmpty(), [&](QPrinter& printer) {
        return printPages(printer, 1, [&](int) {
            return std::optional<PrintPage>(PrintPage{items, settings.origin});
        });
    });
}

void paintPreviewPage(QPainter& painter, const PageGeometry& page, const QList<PlacedItem>& items) {
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
    paintItems(painter, items);
    painter.restore();
}

} // namespace vorlan::printing
