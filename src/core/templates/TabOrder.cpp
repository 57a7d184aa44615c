#include "templates/TabOrder.h"

#include <algorithm>
#include <cmath>

namespace vorlan::templates {

namespace {

// Do two horizontal extents overlap? Boxes that only touch do not.
bool overlap(double left1, double right1, double left2, double right2) {
    return left1 < right2 && left2 < right1;
}

struct Column {
    double left = 0, right = 0;
    QList<SlotRef> boxes; // top to bottom
};

QList<Column> columnsOf(const QList<PlacedBox>& line) {
    QList<Column> columns;
    for (const PlacedBox& b : line)
        columns.append({b.rect.left.value(), b.rect.right().value(), {b.ref}});
    return columns;
}

// Adds the line to the columns when each of its boxes stands under exactly one column and no two under the
// same one; false (nothing changed) otherwise.
bool joinColumns(QList<Column>& columns, const QList<PlacedBox>& line) {
    QList<qsizetype> under;
    for (const PlacedBox& b : line) {
        qsizetype found = -1;
        for (qsizetype c = 0; c < columns.size(); ++c) {
            if (!overlap(b.rect.left.value(), b.rect.right().value(), columns[c].left, columns[c].right))
                continue;
            if (found >= 0)
                return false; // across two columns
            found = c;
        }
        if (found < 0 || under.contains(found))
            return false;
        under << found;
    }
    for (qsizetype i = 0; i < line.size(); ++i) {
        Column& c = columns[under[i]];
        c.left = std::min(c.left, line[i].rect.left.value());
        c.right = std::max(c.right, line[i].rect.right().value());
        c.boxes << line[i].ref;
    }
    return true;
}

void appendLine(QList<SlotRef>& order, const QList<PlacedBox>& line) {
    for (const PlacedBox& b : line)
        order << b.ref;
}

} // namespace

bool onOneLine(const ui::TwipsRect& a, const ui::TwipsRect& b) {
    const double dy = std::abs(a.top.value() - b.top.value());
    if (dy == 0)
        return true;
    const double smaller = std::max(0.0, std::min(a.height.value(), b.height.value()));
    return 2 * dy < smaller;
}

QList<QList<PlacedBox>> formLines(QList<PlacedBox> boxes) {
    // Going down the form: sorted by top, each line is anchored at its topmost box, so a line never
    // creeps downwards through a staircase of slightly offset boxes.
    std::stable_sort(boxes.begin(), boxes.end(), [](const PlacedBox& a, const PlacedBox& b) {
        if (a.rect.top != b.rect.top)
            return a.rect.top < b.rect.top;
        if (a.rect.left != b.rect.left)
            return a.rect.left < b.rect.left;
        return a.ref < b.ref;
    });
    QList<QList<PlacedBox>> lines;
    qsizetype start = 0;
    while (start < boxes.size()) {
        const ui::TwipsRect anchor = boxes[start].rect;
        qsizetype end = start + 1;
        while (end < boxes.size() && onOneLine(anchor, boxes[end].rect))
            ++end;
        QList<PlacedBox> line(boxes.begin() + start, boxes.begin() + end);
        std::stable_sort(line.begin(), line.end(), [](const PlacedBox& a, const PlacedBox& b) {
            if (a.rect.left != b.rect.left)
                return a.rect.left < b.rect.left;
            if (a.rect.top != b.rect.top)
                return a.rect.top < b.rect.top;
            return a.ref < b.ref;
        });
        lines << line;
        start = end;
    }
    return lines;
}

QList<SlotRef> readingOrder(QList<PlacedBox> boxes) {
    QList<SlotRef> order;
    order.reserve(boxes.size());
    for (const QList<PlacedBox>& line : formLines(std::move(boxes)))
        appendLine(order, line);
    return order;
}

QList<SlotRef> columnOrder(QList<PlacedBox> boxes) {
    const QList<QList<PlacedBox>> lines = formLines(std::move(boxes));
    QList<SlotRef> order;
    qsizetype i = 0;
    while (i < lines.size()) {
        if (lines[i].size() < 2) {
            appendLine(order, lines[i++]);
            continue;
        }
        QList<Column> columns = columnsOf(lines[i]);
        qsizetype end = i + 1;
        while (end < lines.size() && joinColumns(columns, lines[end]))
            ++end;
        if (end == i + 1) {
            appendLine(order, lines[i]);
        } else {
            for (const Column& c : columns)
                order << c.boxes;
        }
        i = end;
    }
    return order;
}

QList<PlacedBox> placedBoxes(const Template& t) {
    QList<PlacedBox> boxes;
    for (Family f : {Family::Single, Family::Multi}) {
        const PointFamily& fam = t.family(f);
        for (int k = 1; k <= fam.count && k <= kMaxSlot; ++k)
            if (fam[k].isLive() && isPointType(fam[k].type))
                boxes.append({{f, k}, fam[k].rect});
    }
    return boxes;
}

QList<SlotRef> readingOrder(const Template& t) {
    return readingOrder(placedBoxes(t));
}

QList<SlotRef> defaultOrder(const Template& t) {
    return t.readingOrderByDefault ? readingOrder(placedBoxes(t)) : columnOrder(placedBoxes(t));
}

QList<SlotRef> tabOrder(const Template& t) {
    QList<SlotRef> set, rest;
    for (const SlotRef& ref : defaultOrder(t))
        (t.point(ref).tabOrder > 0 ? set : rest) << ref;
    // Equal places (a database edited by hand) keep the default order among them.
    std::stable_sort(set.begin(), set.end(),
                     [&t](SlotRef a, SlotRef b) { return t.point(a).tabOrder < t.point(b).tabOrder; });
    return set + rest;
}

void TabOrderClicks::click(SlotRef ref) {
    if (!start_.contains(ref))
        return;
    const qsizetype i = clicked_.indexOf(ref);
    if (i >= 0)
        clicked_.resize(i + 1);
    else
        clicked_ << ref;
}

void TabOrderClicks::takeBack() {
    if (!clicked_.isEmpty())
        clicked_.removeLast();
}

QList<SlotRef> TabOrderClicks::order() const {
    QList<SlotRef> order = clicked_;
    for (const SlotRef& ref : start_)
        if (!clicked_.contains(ref))
            order << ref;
    return order;
}

} // namespace vorlan::templates
