#pragma once
// The order in which the clerk goes through the print window's boxes, and where the focus goes after a
// pick. The order itself is the template's (templates/TabOrder.h: set in the designer, else the default
// rule); what a pick fills is the print window's concern.

#include "printing/FineTune.h"
#include "templates/TabOrder.h"
#include "templates/TemplateModel.h"

#include <QList>

#include <optional>

namespace vorlan::printing {

using templates::columnOrder;
using templates::onOneLine;
using templates::PlacedBox;
using templates::readingOrder;
using templates::tabOrder;

// Does a pick fill this point: is it bound to one of the customer columns or to the common uses?
bool filledByPick(const templates::InputPoint& p);

// Where the focus goes after a pick made from the box `from`: the first box after it in `order` that no
// pick fills, the one the clerk has to type next, or a customer box of the other party (picked next). Nothing
// when no such box follows; the window then goes on to its print button, as Tab does after the last box. A
// `from` that is not in `order` counts as standing before the first box.
std::optional<finetune::SlotRef> nextUnboundAfter(const templates::Template& t,
                                                  const QList<finetune::SlotRef>& order,
                                                  const finetune::SlotRef& from);

} // namespace vorlan::printing
