#pragma once
// The order in which the clerk goes through the print window's boxes: as the paper form is read, top to
// bottom and then left to right by position, never by slot number (slots follow the order the points were
// added in the designer). Also where the focus goes after a pick. Pure rules over the template model.

#include "printing/FineTune.h"
#include "templates/TemplateModel.h"

#include <QList>

#include <optional>

namespace vorlan::printing {

// A box and where it stands, in twips.
struct PlacedBox {
    finetune::SlotRef ref;
    ui::TwipsRect rect;
};

// Do two boxes stand on one line of the form? Their tops differ by less than half the smaller of their
// two heights: a box placed a little high or low stays on its line, while the next line of boxes of the
// same height starts a whole height further down. Equal tops are always one line.
bool onOneLine(const ui::TwipsRect& a, const ui::TwipsRect& b);

// The boxes in reading order. Lines are formed going down the form: a box belongs to the line of the
// topmost box not yet placed when it stands on one line with it, else it starts the next line. Within a
// line boxes go left to right; equal positions keep the single-line family first, then slot order.
QList<finetune::SlotRef> readingOrder(QList<PlacedBox> boxes);

// The boxes the print window shows, in reading order: every live point of both families with one of the
// ten point types; deleted points and rows of any other type have no box and are left out.
QList<finetune::SlotRef> readingOrder(const templates::Template& t);

// Does a pick fill this point: is it bound to one of the customer columns or to the common uses?
bool filledByPick(const templates::InputPoint& p);

// Where the focus goes after a pick made from the box `from`: the first box after it in `order` that no
// pick fills, the one the clerk has to type next. Nothing when no such box follows; the window then goes
// on to its print button, as Tab does after the last box. A `from` that is not in `order` counts as
// standing before the first box.
std::optional<finetune::SlotRef> nextUnboundAfter(const templates::Template& t,
                                                  const QList<finetune::SlotRef>& order,
                                                  const finetune::SlotRef& from);

} // namespace vorlan::printing
