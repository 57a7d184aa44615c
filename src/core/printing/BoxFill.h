#pragma once
// What the print window's boxes start with and what a pick from the record picker puts into them: pure
// rules over the template model. The window only applies the texts.

#include "data/PagedRows.h"
#include "printing/PrintSheet.h"

#include <QDate>
#include <QSqlQuery>
#include <QStringList>

namespace vorlan::printing {

// The value a box of that type starts with on the given day ("" for types without one).
QString initialText(const QString& type, const QDate& today);
// What the point's box starts with: its fixed text when it has one, else the value of its type.
QString startingText(const templates::InputPoint& p, const QDate& today);

// The starting texts of the template's live boxes on that day; boxes that start empty are left out.
BoxTexts initialTexts(const templates::Template& t, const QDate& today);

// What "下一张" puts into the boxes: every box back to its starting text on that day (a fixed text stays). It
// would lose work when a box that starts empty holds a value and the boxes are not what was last printed.
struct NextSheet {
    BoxTexts texts;
    bool losesUnprinted = false;
};
NextSheet nextSheet(const templates::Template& t, const BoxTexts& current, const BoxTexts& lastPrinted,
                    const QDate& today);

// Single-line slots of the "大写金额" points, in loading order (each type is read in slot order).
QList<int> amountSlots(const templates::Template& t);

// What a double click (or F4) on a box opens: its own binding decides. A customer column opens the
// customer picker, "常用用途" the common uses; "无", an empty binding or no box opens nothing. The box of
// the other family with the same slot number does not matter: each family numbers its slots on its own.
enum class PickerKind { None, Customer, CommonUse };
PickerKind pickerFor(const QString& binding);
// The same for the box of the template at ref.
PickerKind pickerForBox(const templates::Template& t, const finetune::SlotRef& ref);

// The rows and captions of the two pickers (for the text typed in the picker's search box); the rows
// come from the stores that own the tables.
QSqlQuery customerPickerRows(const QString& text = {}, const data::RowPage& page = {});
inline const QString kCustomerTitle = QStringLiteral("请选择客户信息");
QSqlQuery commonUsePickerRows(const QString& text = {}, const data::RowPage& page = {});
inline const QString kCommonUseTitle = QStringLiteral("请选择常用用途");

// What the record picker handed back for a double click on a slot.
struct PickResult {
    PickerKind kind = PickerKind::None;
    int slot = 0; // the slot double-clicked
    // The chosen row's columns in the picker's order: a customer's twelve columns in the order of
    // customerPickerRows(), or the one common-use phrase. An empty first value means nothing was chosen.
    QStringList values;
    // A customer fills the boxes of this party only (the party of the box double-clicked).
    templates::Party party = templates::Party::Sender;

    static PickResult customer(int slot, const QStringList& row,
                               templates::Party party = templates::Party::Sender) {
        return {PickerKind::Customer, slot, row, party};
    }
    static PickResult commonUse(int slot, const QString& phrase) {
        return {PickerKind::CommonUse, slot, {phrase}};
    }
};

// The boxes a pick fills, with their new texts. A customer fills every live point of both families bound
// to one of its twelve columns for the pick's party, not only the slot double-clicked; a common use fills
// slot k of each family whose slot k is bound to "常用用途". Nothing when nothing was chosen.
BoxTexts pickFills(const templates::Template& t, const PickResult& pick);

// The party a batch of ticked customers fills, one customer per sheet: the receiver's boxes when the
// template has any, else (a template whose customer boxes are all one party) the sender's.
templates::Party batchParty(const templates::Template& t);

} // namespace vorlan::printing
