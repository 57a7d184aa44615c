#pragma once
// The order in which lists show names: Chinese characters by their pinyin, as a Chinese reader looks
// a name up, not by their code points. Used by the customer list, the customer rows of the record
// picker and the common uses.

#include <QCollator>
#include <QString>

#include <algorithm>
#include <numeric>
#include <vector>

namespace vorlan::customers {

class PinyinOrder {
public:
    PinyinOrder();

    // < 0, 0 or > 0 as a sorts before, with or after b.
    int compare(QStringView a, QStringView b) const { return collator_.compare(a, b); }
    bool operator()(const QString& a, const QString& b) const { return collator_.compare(a, b) < 0; }

    // The positions of the items in the order of their texts, equal texts keeping their order. Each
    // text's sort key is made once: for long lists far quicker than comparing texts.
    template <typename Items, typename Text> std::vector<size_t> order(const Items& items, Text text) const {
        std::vector<QCollatorSortKey> keys;
        keys.reserve(items.size());
        for (const auto& item : items)
            keys.push_back(collator_.sortKey(text(item)));
        std::vector<size_t> positions(keys.size());
        std::iota(positions.begin(), positions.end(), size_t(0));
        std::stable_sort(positions.begin(), positions.end(),
                         [&keys](size_t a, size_t b) { return keys[a].compare(keys[b]) < 0; });
        return positions;
    }

    // Does this build's collation know pinyin? Without ICU, Qt falls back to code point order.
    static bool available();

private:
    QCollator collator_;
};

} // namespace vorlan::customers
