#pragma once
// The order in which lists show names: Chinese characters by their pinyin, as a Chinese reader looks
// a name up, not by their code points. Used by the customer list, the customer rows of the record
// picker and the common uses.

#include <QCollator>
#include <QString>

namespace vorlan::customers {

class PinyinOrder {
public:
    PinyinOrder();

    // < 0, 0 or > 0 as a sorts before, with or after b.
    int compare(QStringView a, QStringView b) const { return collator_.compare(a, b); }
    bool operator()(const QString& a, const QString& b) const { return collator_.compare(a, b) < 0; }

    // Does this build's collation know pinyin? Without ICU, Qt falls back to code point order.
    static bool available();

private:
    QCollator collator_;
};

} // namespace vorlan::customers
