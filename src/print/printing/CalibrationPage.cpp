#include "printing/CalibrationPage.h"

#include "printing/PageRenderer.h"

#include <QPrinter>

namespace vorlan::printing {

namespace {

// Why the sheet cannot go on that page, or an empty text.
QString refusalFor(const PageGeometry& page, const calibration::Sheet& sheet) {
    if (QString problem = calibration::paperProblem(calibration::paperMillimetres(page)); !problem.isEmpty())
        return problem;
    if (!sheet.ok)
        return QStringLiteral("整体偏移太大，校准页的一部分会落到纸张范围以外，没有打印。请先减小整体偏移。");
    return QString();
}

} // namespace

QList<PlacedItem> calibrationItems(const calibration::Sheet& sheet) {
    QList<PlacedItem> items;
    items.reserve(sheet.bars.size() + sheet.texts.size());
    for (const ui::TwipsRect& r : sheet.bars)
        items << PlacedItem{ItemKind::Bar, QString(), r, 0};
    items += sheet.texts;
    return items;
}

CalibrationPrint printCalibrationSheet(const PrintSettings& settings, const calibration::Offsets& offsets) {
    CalibrationPrint out;
    out.outcome = printOn(QStringLiteral("打印校准页"), settings, false, [&](QPrinter& printer) {
        out.page = pageGeometry(printer.pageLayout(), settings.origin);
        const calibration::Sheet sheet = calibration::sheet(out.page, offsets.allup, offsets.allleft);
        out.refusal = refusalFor(out.page, sheet);
        if (!out.refusal.isEmpty()) {
            BatchOutcome refused;
            refused.status = BatchOutcome::Status::Cancelled; // nothing was sent
            return refused;
        }
        const QList<PlacedItem> items = calibrationItems(sheet);
        return printPages(printer, 1, [&](int) {
            return std::optional<PrintPage>(PrintPage{items, settings.origin});
        });
    });
    if (!out.refusal.isEmpty())
        out.outcome.status = PrintStatus::Printed; // the printer is not at fault
    return out;
}

void drawCalibrationPreview(QPainter& painter, const PageGeometry& page,
                            const calibration::Offsets& offsets) {
    paintPreviewPage(painter, page,
                     calibrationItems(calibration::sheet(page, offsets.allup, offsets.allleft)));
}

} // namespace vorlan::printing
