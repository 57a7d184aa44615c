#pragma once
// Where each item of a printed sheet goes: a pure computation in twips, shared by the printer, the
// preview and the PDF output. A value is placed as its characters, whose advance is fixed by the font
// size, not by the glyphs, so the same value lands in the same place on every printer; or as a symbol
// (printing/Symbol.h), its bars on whole dots of the device that prints it.

#include "ui/Twips.h"

#include <QList>
#include <QString>

#include <optional>

namespace vorlan::printing {

struct PrintSheet;

inline constexpr ui::Twips kWrapWidth{3900}; // from the value's left edge before the next line starts
inline constexpr ui::Twips kLinePitch{300};  // between lines
// One unit of the overall offsets (Allup, Allleft) moves the print this far.
inline constexpr ui::Twips kOffsetUnit{48};
// The resolution symbols are laid out for on a PDF file, which has no dots of its own.
inline constexpr int kPdfDotsPerInch = 600;

// What a placed item is, and so how the page renderer paints it. A field of the sheet is placed as items
// of its kind.
enum class ItemKind {
    Text, // one character of a value, in the print typeface
    Bar,  // a filled rectangle in the pen's colour, anywhere between whole twips (marks, rulers, bars)
};

// One item at its place. Its rectangle is in twips from the printable area's corner: the top-left corner
// in whole twips within the 16-bit range; for a character, the width is its advance and the height the
// font size.
struct PlacedItem {
    ItemKind kind = ItemKind::Text;
    QString text; // Text: one character (a surrogate pair stays whole)
    ui::TwipsRect rect;
    double size = 9; // points
    bool operator==(const PlacedItem&) const = default;
};

// Why a value could not be placed: its start lies outside the page's coordinate range, or the value
// starts on the page but runs off it (wrapped lines below the range, the last line past its right end),
// or it cannot be printed as its point's symbol (a character or length the symbology cannot take, a box
// too small for it).
enum class PlacementFault { None, Position, TooLong, Symbol };

// The placed items; ok is false when a position left the 16-bit range, in which case items holds what was
// placed before the failure.
struct Placement {
    QList<PlacedItem> items;
    bool ok = true;
    PlacementFault fault = PlacementFault::None;
};

// Leading and trailing blanks (spaces, tabs, line breaks) removed; blanks inside the text stay.
QString trimBlanks(const QString& text);

// Is the character two bytes long in the GBK code page (a full-width character)?
bool isDoubleByte(char32_t ucs4);

// The advance of a full-width character at the given size: (size - 9.12) x 20 + 180 twips.
ui::Twips fullAdvance(double size);

// Places a value at a position in whole twips with the font size in points: trimmed, one character after
// the other, wrapped at 3900 twips into at most three lines 300 twips apart (the third line takes
// everything that is left), the running position rounded half to even after every character. A line
// break in the value (LF, CR LF, CR) places nothing itself: the text after it starts at the value's left
// edge, one line pitch below the last line used so far, and wraps in the same way.
Placement placeText(const QString& text, ui::TwipsPoint at, double size);

// An offset box's text as a distance (units x 48 twips, rounded half to even to whole twips); an empty
// text is 0. No value when the text is not a number or the offset leaves the 16-bit range.
std::optional<ui::Twips> offsetTwips(const QString& text);

struct SheetPlacement {
    QList<PlacedItem> items;
    bool ok = true;
    bool badOffset = false;                      // an offset box does not hold a number; nothing was placed
    int failedField = -1;                        // index of the field whose position was out of range
    PlacementFault fault = PlacementFault::None; // why that field could not be placed
    QString reason;                              // Symbol: why the value cannot be printed as its symbol
};

// Every field of the sheet at its box position plus the offsets, as items of the field's kind (a field
// with a symbology as its symbol inside its box, laid out for a device of dotsPerInch), in the sheet's
// field order, stopping at the first field that cannot be placed.
SheetPlacement placeSheet(const PrintSheet& sheet, int dotsPerInch = kPdfDotsPerInch);

// What the user is told when the input point of that name cannot be placed for that reason (for a
// symbol, the reason it cannot be printed so).
QString outOfRangeMessage(const QString& pointName, PlacementFault fault, const QString& reason = QString());

// What the user is told when a field of the sheet cannot be placed, naming the input point and the
// cause; empty when every field was placed. Such a sheet is never sent: the printer is not at fault.
QString placementMessage(const PrintSheet& sheet, const SheetPlacement& placed);

} // namespace vorlan::printing
