#include "printing/PrintActions.h"

#include "data/Database.h"
#include "data/Schema.h"
#include "data/Sql.h"
#include "printing/Batch.h"
#include "printing/PageRenderer.h"
#include "printing/Placement.h"
#include "templates/PrintLogStore.h"

#include <QDateTime>
#include <QPainter>

namespace vorlan::printing {

namespace {

// Why the placement refused the sheet, as an outcome; Printed when every field was placed.
PrintOutcome refusal(const PrintSheet& sheet, const SheetPlacement& placed) {
    PrintOutcome out;
    if (placed.badOffset) {
        out.status = PrintStatus::OffsetInvalid;
        const bool upBad = !offsetTwips(sheet.allupText).has_value();
        out.offsetBox = upBad ? OffsetBox::Vertical : OffsetBox::Horizontal;
        out.offsetText = upBad ? sheet.allupText : sheet.allleftText;
    } else if (!placed.ok) {
        out.status = PrintStatus::OutOfRange;
        out.field = placed.failedField;
        if (placed.failedField >= 0 && placed.failedField < sheet.fields.size())
            out.fieldName = sheet.fields.at(placed.failedField).name;
        out.fault = placed.fault;
        out.reason = placed.reason;
    }
    return out;
}

} // namespace

PrintOutcome printSheet(const PrintSheet& sheet) {
    const SheetPlacement placed = placeSheet(sheet);
    // A sheet that cannot be placed whole is not sent at all: the printer is not at fault.
    if (PrintOutcome refused = refusal(sheet, placed); !refused.ok())
        return refused;
    // One sheet is a batch of one, through the same page loop, as its log row is a batch of one row.
    return printOn(sheet.templateName, sheet.settings, placed.items.isEmpty(),
                   [&sheet](QPrinter& printer) { return printBatch(printer, {sheet}); });
}

PrintOutcome drawSheet(QPainter& painter, const PrintSheet& sheet) {
    const SheetPlacement placed = placeSheet(sheet);
    paintItems(painter, placed.items);
    return refusal(sheet, placed);
}

PrintOutcome drawPreview(QPainter& painter, const PrintSheet& sheet, const PageGeometry& page) {
    const SheetPlacement placed = placeSheet(sheet);
    paintPreviewPage(painter, page, placed.items);
    return refusal(sheet, placed);
}

LogResult logSheet(const PrintSheet& sheet, const SpooledAs& job) {
    return logBatch({sheet}, job);
}

} // namespace vorlan::printing
