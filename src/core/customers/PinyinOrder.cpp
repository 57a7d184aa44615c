#include "customers/PinyinOrder.h"

#include <QLocale>

namespace vorlan::customers {

PinyinOrder::PinyinOrder() : collator_(QLocale(QLocale::Chinese, QLocale::China)) {}

bool PinyinOrder::available() {
    // 阿 (a) comes after 北 (bei) by code point and before it by pinyin.
    return PinyinOrder().compare(u"阿", u"北") < 0;
}

} // namespace vorlan::customers
