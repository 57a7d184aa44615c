#pragma once
// The order in which the print window's boxes are visited (Tab, and the focus after a pick): the order set
// in the designer's Tab顺序 mode, else the default rule. Pure rules over the template model, shared by the
// designer, which shows and sets the order, and the print window, which follows it.
//
// The default rule keeps what belongs together: where the boxes of a form stand in columns side by side
// (the sender's panel beside the receiver's), each column is gone through from top to bottom before the
// next; elsewhere boxes go as the form is read. Templates stored before the order was kept go in reading
// order, as they always did.

#include "templates/TemplateModel.h"

#include <QList>

namespace vorlan::templates {

// A box and where it stands, in twips.
struct PlacedBox {
    SlotRef ref;
    ui::TwipsRect rect;
};

// Do two boxes stand on one line of the form? Their tops differ by less than half the smaller of their
// two heights: a box placed a little high or low stays on its line, while the next line of boxes of the
// same height starts a whole height further down. Equal tops are always one line.
bool onOneLine(const ui::TwipsRect& a, const ui::TwipsRect& b);

// The lines of the form, top to bottom: a box belongs to the line of the topmost box not yet placed when
// it stands on one line with it, else it starts the next line. Within a line boxes go left to right; equal
// positions keep the single-line family first, then slot order.
QList<QList<PlacedBox>> formLines(QList<PlacedBox> boxes);

// The boxes in reading order: the lines one after the other.
QList<SlotRef> readingOrder(QList<PlacedBox> boxes);

// The default rule. Going down the lines, a line of two or more boxes starts a block of as many columns.
// The next line belongs to the block while each of its boxes stands under exactly one column (their
// horizontal extents overlap) and no two of them under the same one; a box joining a column widens it. A
// line that does not fit (a box across two columns, two boxes in one column) ends the block. A block of
// two or more lines goes column by column, each from top to bottom; every other line goes left to right.
QList<SlotRef> columnOrder(QList<PlacedBox> boxes);

// The boxes the print window shows: every live point of both families with one of the ten point types;
// deleted points and rows of any other type have no box.
QList<PlacedBox> placedBoxes(const Template& t);
QList<SlotRef> readingOrder(const Template& t);
// The default rule of the template: columnOrder, or readingOrder for a template stored before the order
// was kept (Template::readingOrderByDefault).
QList<SlotRef> defaultOrder(const Template& t);
// The order the print window follows: the boxes with a set place (InputPoint::tabOrder) by it, then those
// without one (added after the order was set) in the default order.
QList<SlotRef> tabOrder(const Template& t);

// Setting the order by clicking the boxes one after the other, as form designers do. The clicked boxes
// come first in the order they were clicked, the others keep their order after them.
class TabOrderClicks {
public:
    TabOrderClicks() = default;
    explicit TabOrderClicks(QList<SlotRef> start) : start_(std::move(start)) {}

    // The box takes the next number. A box clicked before takes back the clicks after it, so that one
    // goes on from there after a wrong click. Refs not in the order are ignored.
    void click(SlotRef ref);
    // Takes back the last click.
    void takeBack();

    const QList<SlotRef>& clicked() const { return clicked_; }
    bool isClicked(SlotRef ref) const { return clicked_.contains(ref); }
    // The order as it now stands, every box once.
    QList<SlotRef> order() const;

private:
    QList<SlotRef> start_;
    QList<SlotRef> clicked_;
};

} // namespace vorlan::templates
