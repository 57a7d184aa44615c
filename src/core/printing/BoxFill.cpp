#include "printing/BoxFill.h"

#include "app/CommonUseStore.h"
#include "customers/CustomerStore.h"
#include "data/Database.h"

namespace vorlan::printing {

using templates::Family;

namespace {

QString bindingOf(const templates::InputPoint& p) {
    return p.isLive() ? p.binding : QString();
}

bool validSlot(int k) {
    return k >= 1 && k <= templates::kMaxSlot;
}

} // namespace

QString initialText(const QString& type, const QDate& today) {
    namespace type_ = templates::type;
    if (type == type_::Date)
        return today.toString(QStringLiteral("yyyy-MM-dd"));
    if (type == type_::Year)
        return today.toString(QStringLiteral("yyyy"));
    if (type == type_::Month)
        return today.toString(QStringLiteral("MM"));
    if (type == type_::Day)
        return today.toString(QStringLiteral("dd"));
    return QString();
}

QString startingText(const templates::InputPoint& p, const QDate& today) {
    return p.hasFixedText() ? p.fixedText : initialText(p.type, today);
}

BoxTexts initialTexts(const templates::Template& t, const QDate& today) {
    BoxTexts texts;
    for (Family f : {Family::Single, Family::Multi}) {
        const templates::PointFamily& fam = t.family(f);
        for (int k = 1; k <= fam.count; ++k) {
            if (!fam[k].isLive())
                continue;
            const QString initial = startingText(fam[k], today);
            if (!initial.isEmpty())
                texts.insert({f, k}, initial);
        }
    }
    return texts;
}

NextSheet nextSheet(const templates::Template& t, const BoxTexts& current, const BoxTexts& lastPrinted,
                    const QDate& today) {
    const BoxTexts initial = initialTexts(t, today);
    NextSheet next;
    bool unprinted = false; // a box that is emptied holds a value that never went to the printer
    for (auto it = current.cbegin(); it != current.cend(); ++it) {
        next.texts.insert(it.key(), initial.value(it.key()));
        const templates::InputPoint& p = t.family(it.key().family)[it.key().slot];
        if (!it.value().isEmpty() && startingText(p, today).isEmpty())
            unprinted = true;
    }
    next.losesUnprinted = unprinted && current != lastPrinted;
    return next;
}

QList<int> amountSlots(const templates::Template& t) {
    QList<int> out;
    for (int k = 1; k <= t.single.count; ++k)
        if (t.single[k].isLive() && t.single[k].type == templates::type::AmountInWords)
            out << k;
    return out;
}

PickerKind pickerFor(const QString& binding) {
    if (binding == templates::kCommonUseBinding)
        return PickerKind::CommonUse;
    if (templates::customerBindings().contains(binding))
        return PickerKind::Customer;
    return PickerKind::None;
}

PickerKind pickerForBox(const templates::Template& t, const finetune::SlotRef& ref) {
    if (!validSlot(ref.slot))
        return PickerKind::None;
    return pickerFor(bindingOf(t.family(ref.family)[ref.slot]));
}

BoxTexts pickFills(const templates::Template& t, const PickResult& pick) {
    BoxTexts fills;
    if (pick.values.value(0).isEmpty())
        return fills;
    if (pick.kind == PickerKind::CommonUse) {
        if (!validSlot(pick.slot))
            return fills;
        for (Family f : {Family::Single, Family::Multi})
            if (bindingOf(t.family(f)[pick.slot]) == templates::kCommonUseBinding)
                fills.insert({f, pick.slot}, pick.values.first());
        return fills;
    }
    if (pick.kind != PickerKind::Customer)
        return fills;
    const QStringList& columns = templates::customerBindings();
    for (Family f : {Family::Single, Family::Multi}) {
        const templates::PointFamily& fam = t.family(f);
        for (int k = 1; k <= fam.count; ++k) {
            if (!fam[k].isLive() || fam[k].party != pick.party)
                continue;
            const qsizetype column = columns.indexOf(fam[k].binding);
            if (column >= 0)
                fills.insert({f, k}, pick.values.value(column));
        }
    }
    return fills;
}

templates::Party batchParty(const templates::Template& t) {
    for (Family f : {Family::Single, Family::Multi}) {
        const templates::PointFamily& fam = t.family(f);
        for (int k = 1; k <= fam.count; ++k)
            if (fam[k].isLive() && fam[k].party == templates::Party::Receiver &&
                templates::customerBindings().contains(fam[k].binding))
                return templates::Party::Receiver;
    }
    return templates::Party::Sender;
}

QSqlQuery customerPickerRows(const QString& text, const data::RowPage& page) {
    return customers::CustomerStore(data::sharedEngine()).pickerRows(text, page);
}

QSqlQuery commonUsePickerRows(const QString& text, const data::RowPage&) {
    // The uses are few: every one comes at once.
    return app::CommonUseStore(data::sharedEngine()).pickerRows(text);
}

} // namespace vorlan::printing
