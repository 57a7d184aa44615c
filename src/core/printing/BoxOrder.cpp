#include "printing/BoxOrder.h"

#include <algorithm>
#include <cmath>

namespace vorlan::printing {

using finetune::SlotRef;
using templates::Family;

bool onOneLine(const ui::TwipsRect& a, const ui::TwipsRect& b) {
    const double dy = std::abs(a.top.value() - b.top.value());
    if (dy == 0)
        return true;
    const double smaller = std::max(0.0, std::min(a.height.value(), b.height.value()));
    return 2 * dy < smaller;
}

QList<SlotRef> readingOrder(QList<PlacedBox> boxes) {
    // Going down the form: sorted by top, each line is anchored at its topmost box, so a line never
    // creeps downwards through a staircase of slightly offset boxes.
    std::stable_sort(boxes.begin(), boxes.end(), [](const PlacedBox& a, const PlacedBox& b) {
        if (a.rect.top != b.rect.top)
            return a.rect.top < b.rect.top;
        if (a.rect.left != b.rect.left)
            return a.rect.left < b.rect.left;
        return a.ref < b.ref;
    });
    QList<SlotRef> order;
    order.reserve(boxes.size());
    qsizetype start = 0;
    while (start < boxes.size()) {
        const ui::TwipsRect anchor = boxes[start].rect;
        qsizetype end = start + 1;
        while (end < boxes.size() && onOneLine(anchor, boxes[end].rect))
            ++end;
        std::stable_sort(boxes.begin() + start, boxes.begin() + end,
                         [](const PlacedBox& a, const PlacedBox& b) {
                             if (a.rect.left != b.rect.left)
                                 return a.rect.left < b.rect.left;
                             if (a.rect.top != b.rect.top)
                                 return a.rect.top < b.rect.top;
                             return a.ref < b.ref;
                         });
        for (qsizetype i = start; i < end; ++i)
            order << boxes[i].ref;
        start = end;
    }
    return order;
}

QList<SlotRef> readingOrder(const templates::Template& t) {
    QList<PlacedBox> boxes;
    for (Family f : {Family::Single, Family::Multi}) {
        const templates::PointFamily& fam = t.family(f);
        for (int k = 1; k <= fam.count && k <= templates::kMaxSlot; ++k)
            if (fam[k].isLive() && templates::isPointType(fam[k].type))
                boxes.append({{f, k}, fam[k].rect});
    }
    return readingOrder(std::move(boxes));
}

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
