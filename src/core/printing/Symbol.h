#pragma once
// A value printed as a symbol (Code 128, QR code, PDF417, EAN-13) instead of characters: encoded by
// libzint into modules with their quiet zones, then laid into the input point's box as filled rectangles
// whose edges fall on whole dots of the device that prints them, so that no bar comes out a dot wider
// than its neighbour. What a symbology cannot take is refused with the reason, before anything is sent.

#include "printing/Placement.h"
#include "templates/TemplateModel.h"
#include "ui/Twips.h"

#include <QList>
#include <QString>

namespace vorlan::printing {

// The narrowest module (bar, space or square) printed: 1/100 inch, 0.254 mm, which is a whole number of
// dots at 200, 300, 600 and 1200 dots per inch, so that whether a box is big enough does not depend on
// the printer.
inline constexpr ui::Twips kMinModule{14.4};
// The shortest bars of a linear symbol: a quarter inch, what a hand scanner still reads.
inline constexpr ui::Twips kMinBarHeight{360};
// Between the bars of a linear symbol and the text under them.
inline constexpr ui::Twips kSymbolTextGap{30};

// A symbol as modules: the rectangles of its dark modules, on a grid of columns x rows that includes
// the quiet zones. A linear symbol has one row; its bars span the whole height.
struct SymbolModules {
    struct Block {
        int x = 0, y = 0, width = 0, height = 0; // in modules
        bool operator==(const Block&) const = default;
    };
    QList<Block> blocks;
    int columns = 0;
    int rows = 0;
    QString text;    // the human-readable text of a linear symbol (EAN-13 with its check digit)
    QString refusal; // why the value cannot be encoded; empty when it was
    bool ok() const { return refusal.isEmpty(); }
};

// Encodes the value (as it stands, not trimmed) in the symbology; a value the symbology cannot take, and
// anything libzint warns about, is refused with the reason in Chinese. Nothing for Symbology::None.
// columns asks PDF417 for that many data columns (0: libzint's choice); the other symbologies ignore it.
SymbolModules encodeSymbol(const QString& value, templates::Symbology symbology, int columns = 0);

struct SymbolPlacement {
    QList<PlacedItem> items; // the bars (ItemKind::Bar), then the characters of the text under them
    QString refusal;         // why the value cannot be printed so; empty when it can
    bool ok() const { return refusal.isEmpty(); }
};

// The value without its outer blanks, as a symbol inside the box (twips on the page): the largest whole
// number of device dots per module (at least kMinModule) with which the symbol and its quiet zones fit,
// centred in the box and aligned to the dots. A linear symbol's bars take the box's height, less the text
// under them (withText, in the print typeface at textSize points). An empty value places nothing; a box
// too small for the symbol is refused, naming the size it needs.
SymbolPlacement placeSymbol(const QString& value, templates::Symbology symbology, bool withText,
                            const ui::TwipsRect& box, double textSize, int dotsPerInch = kPdfDotsPerInch);

} // namespace vorlan::printing
