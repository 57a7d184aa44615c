#pragma once
// What the print window hands to printing, preview and the print log.

#include "printing/PrintOutcome.h"

#include <QList>
#include <QString>

class QPainter;

namespace vorlan::printing {

// One input point as it stands at the moment of printing.
struct PrintField {
    QString name;     // the point's name, its column in the print log table
    QString text;     // the box's current text
    double left = 0;  // the box's current left and top, twips
    double top = 0;
    double fontSize = 9; // points
};

struct PrintSheet {
    QString templateName;
    // Single-line family slots 1..N that hold a live point, then the multi-line family 1..M.
    QList<PrintField> fields;
    // The texts of the offset boxes Allup (vertical) and Allleft (horizontal); one unit is 48 twips.
    QString allupText = QStringLiteral("0");
    QString allleftText = QStringLiteral("0");
};

// Prints the sheet on the system's default printer as one page. An offset box that does not hold a number
// (OffsetInvalid) or a value that would land outside the page's coordinate range (OutOfRange, naming the
// input point) is refused before anything is sent; a printer that is not ready gives PrinterFailed.
// Nothing is shown to the user: printNotice says what to tell them.
PrintOutcome printSheet(const PrintSheet& sheet);

// Paints the sheet's texts as the printer would place them, on any device (preview surface, image, PDF).
// Like the paper, the device shows what was placed before a failure; the outcome says what failed.
PrintOutcome drawSheet(QPainter& painter, const PrintSheet& sheet);

// Appends the print log row of the sheet: the time of logging and every named field's text without its
// outer blanks. A template without a log table, a base table's name or a refused row is reported in the
// result (logNotice says what to tell the user); nothing is written then.
LogResult logSheet(const PrintSheet& sheet);

} // namespace vorlan::printing
