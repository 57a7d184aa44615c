// The print window's pure rules: the sheet built from the template and the box texts, the starting
// texts, the picker of a slot and the boxes a pick fills.
#include "printing/BoxFill.h"
#include "printing/PrintSheet.h"

#include <QTest>

using namespace vorlan;
using printing::BoxTexts;
using printing::PickerKind;
using printing::PickResult;
using printing::finetune::SlotRef;
using templates::Family;
namespace ty = templates::type;

namespace {

templates::InputPoint point(const QString& type, const QString& name, const QString& binding,
                            ui::Twips left = 0_tw, ui::Twips top = 0_tw, float size = 9) {
    templates::InputPoint p;
    p.type = type;
    p.name = name;
    p.binding = binding;
    p.rect = ui::TwipsRect{left, top, 2055_tw, 315_tw};
    p.fontSize = size;
    return p;
}

void put(templates::PointFamily& fam, int k, const templates::InputPoint& p) {
    fam[k] = p;
    fam.count = std::max(fam.count, k);
}

// Slots with gaps, a deleted point, and bindings of every kind in both families.
templates::Template boundTemplate() {
    templates::Template t;
    t.name = QStringLiteral("电汇凭证");
    put(t.single, 1,
        point(ty::SingleLine, QStringLiteral("名称"), QStringLiteral("客户名称"), 1440_tw, 720_tw, 12));
    put(t.single, 2,
        point(ty::SingleLine, QStringLiteral("地址"), QStringLiteral("客户地址"), 1440_tw, 1100_tw));
    put(t.single, 3, point(ty::SingleLine, QStringLiteral("用途"), QStringLiteral("常用用途")));
    put(t.single, 4, point(ty::Date, QStringLiteral("日期"), QStringLiteral("无")));
    put(t.single, 5, point(ty::SingleLine, QStringLiteral("空绑定"), QString()));
    put(t.single, 6, point(QString(), QStringLiteral("已删除"), QStringLiteral("联系电话")));
    put(t.single, 8, point(ty::Number, QStringLiteral("联系人"), QStringLiteral("联系人")));
    put(t.single, 10, point(ty::SingleLine, QStringLiteral("户名"), QStringLiteral("客户名称")));
    put(t.multi, 1,
        point(ty::MultiLine, QStringLiteral("电话"), QStringLiteral("联系电话"), 600_tw, 4500_tw));
    put(t.multi, 2, point(ty::MultiLine, QStringLiteral("附言"), QStringLiteral("常用用途")));
    put(t.multi, 3, point(ty::MultiLine, QStringLiteral("摘要"), QStringLiteral("常用用途")));
    put(t.multi, 5, point(ty::MultiLine, QStringLiteral("账号"), QStringLiteral("开户行账号")));
    put(t.multi, 9, point(ty::MultiLine, QStringLiteral("单位"), QStringLiteral("客户名称")));
    put(t.multi, 10, point(ty::MultiLine, QStringLiteral("备注"), QStringLiteral("无")));
    return t;
}

// "S3=text" for single-line slot 3, "M1=text" for multi-line slot 1, in slot order.
QStringList describe(const BoxTexts& texts) {
    QStringList out;
    for (auto it = texts.cbegin(); it != texts.cend(); ++it)
        out << (it.key().family == Family::Single ? QStringLiteral("S") : QStringLiteral("M")) +
                   QString::number(it.key().slot) + u'=' + it.value();
    return out;
}

BoxTexts texts(const QStringList& described) {
    BoxTexts out;
    for (const QString& d : described) {
        const qsizetype eq = d.indexOf(u'=');
        out.insert({d.startsWith(u'S') ? Family::Single : Family::Multi, d.mid(1, eq - 1).toInt()},
                   d.mid(eq + 1));
    }
    return out;
}

const QStringList kCustomer{QStringLiteral("乙公司"), QStringLiteral("YGS"),      QStringLiteral("二路2号"),
                            QStringLiteral("310000"), QStringLiteral("0571-2"),   QString(),
                            QStringLiteral("王五"),   QStringLiteral("工商银行"), QStringLiteral("6222 0000"),
                            QStringLiteral("杭州"),   QStringLiteral("浙江"),     QStringLiteral("西湖区")};

} // namespace

class TestPrintSheet : public QObject {
    Q_OBJECT
private slots:
    void sheetFieldsInSlotOrder_data() {
        QTest::addColumn<QStringList>("boxTexts");
        QTest::addColumn<QStringList>("fields"); // name=text of every field, in print order
        const QStringList names{QStringLiteral("名称"), QStringLiteral("地址"),   QStringLiteral("用途"),
                                QStringLiteral("日期"), QStringLiteral("空绑定"), QStringLiteral("联系人"),
                                QStringLiteral("户名"), QStringLiteral("电话"),   QStringLiteral("附言"),
                                QStringLiteral("摘要"), QStringLiteral("账号"),   QStringLiteral("单位"),
                                QStringLiteral("备注")};
        auto expect = [&](const QMap<QString, QString>& text) {
            QStringList out;
            for (const QString& n : names)
                out << n + u'=' + text.value(n);
            return out;
        };
        QTest::newRow("no texts") << QStringList{} << expect({});
        QTest::newRow("texts as typed")
            << QStringList{QStringLiteral("S1= 张三 "), QStringLiteral("S8=李四"), QStringLiteral("M10=易碎")}
            << expect({{QStringLiteral("名称"), QStringLiteral(" 张三 ")},
                       {QStringLiteral("联系人"), QStringLiteral("李四")},
                       {QStringLiteral("备注"), QStringLiteral("易碎")}});
        // Single-line slot 1 and multi-line slot 1 are different input points.
        QTest::newRow("families apart") << QStringList{QStringLiteral("M1=多"), QStringLiteral("S1=单")}
                                        << expect({{QStringLiteral("名称"), QStringLiteral("单")},
                                                   {QStringLiteral("电话"), QStringLiteral("多")}});
        // A deleted point and an empty slot print nothing, whatever text is left for them.
        QTest::newRow("dead slots") << QStringList{QStringLiteral("S6=旧"), QStringLiteral("S7=无点"),
                                                   QStringLiteral("M4=无点")}
                                    << expect({});
    }
    void sheetFieldsInSlotOrder() {
        QFETCH(QStringList, boxTexts);
        QFETCH(QStringList, fields);
        const printing::PrintSheet sheet = printing::buildSheet(boundTemplate(), texts(boxTexts), 0, 0);
        QStringList got;
        for (const printing::PrintField& f : sheet.fields)
            got << f.name + u'=' + f.text;
        QCOMPARE(got, fields);
        QCOMPARE(sheet.templateName, QStringLiteral("电汇凭证"));
    }

    void sheetPositionsAndOffsets() {
        templates::Template t = boundTemplate();
        t.single[2].rect.left = 3000_tw; // moved in fine-tune mode, not saved
        t.single[2].rect.top = 2000_tw;
        t.allup = 99; // the stored offsets do not count, the boxes' values do
        const printing::PrintSheet sheet = printing::buildSheet(t, {}, 10, -5);
        QCOMPARE(sheet.fields[0].left, 1440_tw);
        QCOMPARE(sheet.fields[0].top, 720_tw);
        QCOMPARE(sheet.fields[0].fontSize, 12.0);
        QCOMPARE(sheet.fields[1].left, 3000_tw);
        QCOMPARE(sheet.fields[1].top, 2000_tw);
        // The box's size and kind go with it, for items wider than a character.
        QCOMPARE(sheet.fields[1].width, 2055_tw);
        QCOMPARE(sheet.fields[1].height, 315_tw);
        QCOMPARE(sheet.fields[1].kind, printing::ItemKind::Text);
        QCOMPARE(sheet.fields[7].name, QStringLiteral("电话"));
        QCOMPARE(sheet.fields[7].top, 4500_tw);
        QCOMPARE(sheet.allupText, QStringLiteral("10"));
        QCOMPARE(sheet.allleftText, QStringLiteral("-5"));

        // A template without input points gives an empty sheet.
        templates::Template empty;
        empty.name = QStringLiteral("空白单");
        QVERIFY(printing::buildSheet(empty, texts({QStringLiteral("S1=x")}), 0, 0).fields.isEmpty());
    }

    void initialTexts_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("march5");
        QTest::addColumn<QString>("newYearsEve");
        QTest::newRow("date") << ty::Date << QStringLiteral("2024-03-05") << QStringLiteral("1999-12-31");
        QTest::newRow("year") << ty::Year << QStringLiteral("2024") << QStringLiteral("1999");
        QTest::newRow("month") << ty::Month << QStringLiteral("03") << QStringLiteral("12");
        QTest::newRow("day") << ty::Day << QStringLiteral("05") << QStringLiteral("31");
        for (const QString& other : {ty::SingleLine, ty::MultiLine, ty::Integer, ty::AmountInWords,
                                     ty::Amount, ty::Number, ty::Background, QString()})
            QTest::newRow(qPrintable(other.isEmpty() ? QStringLiteral("deleted") : other))
                << other << QString() << QString();
    }
    void initialTexts() {
        QFETCH(QString, type);
        QFETCH(QString, march5);
        QFETCH(QString, newYearsEve);
        QCOMPARE(printing::initialText(type, QDate(2024, 3, 5)), march5);
        QCOMPARE(printing::initialText(type, QDate(1999, 12, 31)), newYearsEve);
    }

    void initialTextsOfATemplate() {
        templates::Template t = boundTemplate();
        put(t.single, 11, point(ty::Month, QStringLiteral("月"), QStringLiteral("无")));
        put(t.single, 12, point(QString(), QStringLiteral("删掉的日"), QStringLiteral("无")));
        t.single[12].type.clear();
        QCOMPARE(describe(printing::initialTexts(t, QDate(2024, 3, 5))),
                 (QStringList{QStringLiteral("S4=2024-03-05"), QStringLiteral("S11=03")}));
    }

    void amountSlotsInSlotOrder() {
        templates::Template t;
        put(t.single, 5, point(ty::AmountInWords, QStringLiteral("大写二"), QStringLiteral("无")));
        put(t.single, 4, point(ty::AmountInWords, QStringLiteral("大写一"), QStringLiteral("无")));
        put(t.single, 2, point(QString(), QStringLiteral("已删除"), QStringLiteral("无")));
        put(t.single, 3, point(ty::Amount, QStringLiteral("小写"), QStringLiteral("无")));
        QCOMPARE(printing::amountSlots(t), (QList<int>{4, 5}));
        QVERIFY(printing::amountSlots(templates::Template()).isEmpty());
    }

    // A box's own binding decides; the other family's box of the same number does not (slot 1: a
    // customer box beside the multi-line 电话, slot 10: a customer box beside the multi-line 备注 bound to
    // 无).
    void pickerOfABox_data() {
        QTest::addColumn<bool>("multi");
        QTest::addColumn<int>("slot");
        QTest::addColumn<int>("kind");
        auto row = [](const char* tag, bool multi, int slot, PickerKind k) {
            QTest::newRow(tag) << multi << slot << int(k);
        };
        row("S customer, M customer", false, 1, PickerKind::Customer);
        row("S customer, M common use", false, 2, PickerKind::Customer);
        row("S common use, M common use", false, 3, PickerKind::CommonUse);
        row("S none", false, 4, PickerKind::None);
        row("S empty binding", false, 5, PickerKind::None);
        row("S deleted", false, 6, PickerKind::None);
        row("no point at all", false, 7, PickerKind::None);
        row("S contact person, no M", false, 8, PickerKind::Customer);
        row("S customer, M none", false, 10, PickerKind::Customer);
        row("M common use, S customer", true, 2, PickerKind::CommonUse);
        row("M customer, no S", true, 9, PickerKind::Customer);
        row("M customer, S empty binding", true, 5, PickerKind::Customer);
        row("M none, S customer", true, 10, PickerKind::None);
        row("slot 0", false, 0, PickerKind::None);
        row("slot 101", true, 101, PickerKind::None);
    }
    void pickerOfABox() {
        QFETCH(bool, multi);
        QFETCH(int, slot);
        QFETCH(int, kind);
        const SlotRef ref{multi ? Family::Multi : Family::Single, slot};
        QCOMPARE(int(printing::pickerForBox(boundTemplate(), ref)), kind);
    }

    void pickFills_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("slot");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QStringList>("fills");
        const int customer = int(PickerKind::Customer), common = int(PickerKind::CommonUse);
        // One customer fills every live point bound to a customer column, in both families, whatever
        // slot was double-clicked; the deleted point bound to 联系电话 stays out.
        const QStringList everyCustomerBox{QStringLiteral("S1=乙公司"), QStringLiteral("S2=二路2号"),
                                           QStringLiteral("S8=王五"),   QStringLiteral("S10=乙公司"),
                                           QStringLiteral("M1=0571-2"), QStringLiteral("M5=6222 0000"),
                                           QStringLiteral("M9=乙公司")};
        QTest::newRow("customer from slot 1") << customer << 1 << kCustomer << everyCustomerBox;
        QTest::newRow("customer from slot 8") << customer << 8 << kCustomer << everyCustomerBox;
        QTest::newRow("customer, nothing chosen")
            << customer << 1 << QStringList(12, QString()) << QStringList{};
        QTest::newRow("customer, no values") << customer << 1 << QStringList{} << QStringList{};
        // A row with fewer columns than points bound: the missing columns are empty texts.
        QTest::newRow("short row") << customer << 1 << QStringList{QStringLiteral("丙")}
                                   << QStringList{QStringLiteral("S1=丙"), QStringLiteral("S2="),
                                                  QStringLiteral("S8="),   QStringLiteral("S10=丙"),
                                                  QStringLiteral("M1="),   QStringLiteral("M5="),
                                                  QStringLiteral("M9=丙")};
        QTest::newRow("common use in both families")
            << common << 3 << QStringList{QStringLiteral("货款")}
            << QStringList{QStringLiteral("S3=货款"), QStringLiteral("M3=货款")};
        // Slot 2's single-line point is bound to 客户地址: only its multi-line point takes the phrase.
        QTest::newRow("common use, only T")
            << common << 2 << QStringList{QStringLiteral("货款")} << QStringList{QStringLiteral("M2=货款")};
        QTest::newRow("common use, nothing chosen") << common << 3 << QStringList{QString()} << QStringList{};
        QTest::newRow("common use, slot 0")
            << common << 0 << QStringList{QStringLiteral("货款")} << QStringList{};
        QTest::newRow("common use, slot 101")
            << common << 101 << QStringList{QStringLiteral("货款")} << QStringList{};
        QTest::newRow("no picker") << int(PickerKind::None) << 1 << kCustomer << QStringList{};
    }
    void pickFills() {
        QFETCH(int, kind);
        QFETCH(int, slot);
        QFETCH(QStringList, values);
        QFETCH(QStringList, fills);
        const PickResult pick{PickerKind(kind), slot, values};
        QCOMPARE(describe(printing::pickFills(boundTemplate(), pick)), fills);
    }

    // A waybill with both parties from the register and the shop's own line as a fixed text: a pick
    // fills only its own party's boxes, a batch of customers the receiver's, and 下一张 keeps the fixed
    // text while it empties the rest.
    void partiesAndFixedTexts_data() {
        QTest::addColumn<int>("party");      // the party of the box picked from
        QTest::addColumn<bool>("receivers"); // the template has receiver boxes
        QTest::addColumn<QStringList>("fills");
        QTest::addColumn<int>("batch");
        const int sender = int(templates::Party::Sender), receiver = int(templates::Party::Receiver);
        QTest::newRow("sender box") << sender << true
                                    << QStringList{QStringLiteral("S1=乙公司"), QStringLiteral("S2=二路2号")}
                                    << receiver;
        QTest::newRow("receiver box")
            << receiver << true << QStringList{QStringLiteral("S3=乙公司"), QStringLiteral("M1=0571-2")}
            << receiver;
        QTest::newRow("one party only")
            << sender << false
            << QStringList{QStringLiteral("S1=乙公司"), QStringLiteral("S2=二路2号"),
                           QStringLiteral("S3=乙公司"), QStringLiteral("M1=0571-2")}
            << sender;
    }
    void partiesAndFixedTexts() {
        QFETCH(int, party);
        QFETCH(bool, receivers);
        QFETCH(QStringList, fills);
        QFETCH(int, batch);
        templates::Template t;
        put(t.single, 1, point(ty::SingleLine, QStringLiteral("寄件人"), QStringLiteral("客户名称")));
        put(t.single, 2, point(ty::SingleLine, QStringLiteral("寄件地址"), QStringLiteral("客户地址")));
        put(t.single, 3, point(ty::SingleLine, QStringLiteral("收件人"), QStringLiteral("客户名称")));
        put(t.multi, 1, point(ty::MultiLine, QStringLiteral("收件电话"), QStringLiteral("联系电话")));
        put(t.single, 4, point(ty::Date, QStringLiteral("日期"), QStringLiteral("无")));
        put(t.single, 5, point(ty::SingleLine, QStringLiteral("本店"), QStringLiteral("无")));
        t.single[5].fixedText = QStringLiteral("城东营业部 0571-1");
        t.single[4].fixedText = QStringLiteral("当日");
        if (receivers)
            t.single[3].party = t.multi[1].party = templates::Party::Receiver;
        const PickResult pick = PickResult::customer(1, kCustomer, templates::Party(party));
        QCOMPARE(describe(printing::pickFills(t, pick)), fills);
        QCOMPARE(int(printing::batchParty(t)), batch);

        const QDate day(2024, 3, 5);
        const QStringList start{QStringLiteral("S4=当日"), QStringLiteral("S5=城东营业部 0571-1")};
        QCOMPARE(describe(printing::initialTexts(t, day)), start);
        BoxTexts typed = printing::initialTexts(t, day);
        typed.insert({Family::Single, 1}, QStringLiteral("甲"));
        const printing::NextSheet next = printing::nextSheet(t, typed, typed, day);
        QCOMPARE(describe(next.texts), QStringList{QStringLiteral("S1=")} + start);
        QVERIFY(!next.losesUnprinted);
        // Only the fixed text stands in the boxes: nothing typed would be lost.
        BoxTexts edited = printing::initialTexts(t, day);
        edited.insert({Family::Single, 5}, QStringLiteral("改过"));
        QVERIFY(!printing::nextSheet(t, edited, {}, day).losesUnprinted);
    }

    void pickResultShorthands() {
        const PickResult c = PickResult::customer(2, kCustomer);
        QCOMPARE(int(c.kind), int(PickerKind::Customer));
        QCOMPARE(c.slot, 2);
        QCOMPARE(c.values, kCustomer);
        const PickResult u = PickResult::commonUse(3, QStringLiteral("货款"));
        QCOMPARE(int(u.kind), int(PickerKind::CommonUse));
        QCOMPARE(u.values, QStringList{QStringLiteral("货款")});
    }
};

QTEST_MAIN(TestPrintSheet)
#include "tst_printsheet.moc"
