#include "printing/BoxOrder.h"

namespace vorlan::printing {

using finetune::SlotRef;

bool filledByPick(const templates::InputPoint& p) {
    return p.binding == templates::kCommonUseBinding || templates::customerBindings().contains(p.binding);
}

std::optional<SlotRef> nextUnboundAfter(const templates::Template& t, const QList<SlotRef>& order,
                                        const SlotRef& from) {
    for (qsizetype i = order.indexOf(from) + 1; i < order.size(); ++i) {
        const SlotRef& ref = order[i];
        if (ref.slot < 1 || ref.slot > templates::kMaxSlot)
            continue;
        if (!filledByPick(t.family(ref.family)[ref.slot]))
            return ref;
    }
    return std::nullopt;
}

} // namespace vorlan::printing
