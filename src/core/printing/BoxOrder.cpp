#include "printing/BoxOrder.h"

namespace vorlan::printing {

using finetune::SlotRef;

bool filledByPick(const templates::InputPoint& p) {
    return p.binding == templates::kCommonUseBinding || templates::customerBindings().contains(p.binding);
}

std::optional<SlotRef> nextUnboundAfter(const templates::Template& t, const QList<SlotRef>& order,
                                        const SlotRef& from) {
    const bool validFrom = from.slot >= 1 && from.slot <= templates::kMaxSlot;
    const templates::InputPoint* picked = validFrom ? &t.point(from) : nullptr;
    auto otherParty = [&](const templates::InputPoint& p) {
        return picked && templates::customerBindings().contains(picked->binding) &&
               templates::customerBindings().contains(p.binding) && p.party != picked->party;
    };
    for (qsizetype i = order.indexOf(from) + 1; i < order.size(); ++i) {
        const SlotRef& ref = order[i];
        if (ref.slot < 1 || ref.slot > templates::kMaxSlot)
            continue;
        const templates::InputPoint& p = t.family(ref.family)[ref.slot];
        if (!filledByPick(p) || otherParty(p))
            return ref;
    }
    return std::nullopt;
}

} // namespace vorlan::printing
