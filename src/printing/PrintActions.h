#pragma once
// What the print window hands to printing, preview and the print log.

#include <QList>
#include <QString>

class QPainter;
class QWidget;

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

// Prints the sheet on the system's default printer as one page. On a printer failure the user is told
// "打印机未准备好或有故障!" once, nothing is sent and false is returned. An offset box that does not hold a
// number (placement's offsetTwips), or a value that would land outside the page's coordinate range
// (placementMessage names the input point), is refused with its own message before anything is printed.
bool printSheet(QWidget* parent, const PrintSheet& sheet);

// Paints the sheet's texts as the printer would place them, on any device (preview surface, image, PDF).
// False when a position falls outside the printable range; nothing is shown to the user here.
bool drawSheet(QPainter& painter, const PrintSheet& sheet);

// Appends the print log row of the sheet: the time of logging and every named field's text without its
// outer blanks. A failure tells the user the sheet was printed but not logged, naming the template.
// Returns true when the row was written.
bool logSheet(QWidget* parent, const PrintSheet& sheet);

} // namespace vorlan::printing
