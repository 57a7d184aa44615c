#pragma once
// The sheet handed to printing, preview and the print log, and how it is built from the template and
// the current texts of the print window's boxes.

#include "printing/FineTune.h"
#include "printing/Placement.h"
#include "printing/PrintSettings.h"
#include "templates/TemplateModel.h"

#include <QList>
#include <QMap>
#include <QString>

namespace vorlan::printing {

// One input point as it stands at the moment of printing.
struct PrintField {
    QString name;   // the point's name, its column in the print log table
    QString text;   // the box's current text
    ui::Twips left; // the box's current left and top
    ui::Twips top;
    double fontSize = 9; // points
    ui::Twips width{};   // the box's current size: what an item wider than one character needs
    ui::Twips height{};
    ItemKind kind = ItemKind::Text; // how the value is placed and painted
    // Printed as this symbol inside the box instead of as characters (None: characters); with the text
    // under a linear symbol when symbolText is set, at fontSize.
    templates::Symbology symbology = templates::Symbology::None;
    bool symbolText = true;
};

struct PrintSheet {
    QString templateName;
    // Single-line family slots 1..N that hold a live point, then the multi-line family 1..M.
    QList<PrintField> fields;
    // The texts of the offset boxes Allup (vertical) and Allleft (horizontal); one unit is kOffsetUnit.
    QString allupText = QStringLiteral("0");
    QString allleftText = QStringLiteral("0");
    // The template's printer, paper and origin (the defaults unless set in the print setup).
    PrintSettings settings;
};

// The texts of the print window's boxes, by family and slot.
using BoxTexts = QMap<finetune::SlotRef, QString>;

// The sheet of the template as it would print now: every live input point, single-line slots ascending,
// then multi-line slots ascending, each with its text from texts (empty where texts has none), its
// rectangle as it stands (moved in fine-tune mode or not), its font size, its kind and its symbol (for
// a type that takes one). The offsets
// are the last whole values of the offset boxes, never a half-typed text.
PrintSheet buildSheet(const templates::Template& t, const BoxTexts& texts, int allup, int allleft);

} // namespace vorlan::printing
