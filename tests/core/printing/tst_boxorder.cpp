// The order the print window's boxes are visited in, and where the focus goes after a pick.
#include "printing/BoxOrder.h"
#include "printing/SampleData.h"

#include <QTest>

using namespace vorlan;
using namespace vorlan::printing;
using namespace Qt::StringLiterals;
using finetune::SlotRef;
using templates::Family;
using ui::Twips;
namespace ty = templates::type;

namespace {

// "S3" is single-line slot 3, "M1" multi-line slot 1.
SlotRef ref(const QString& name) {
    return {name.startsWith(QLatin1Char('M')) ? Family::Multi : Family::Single, name.mid(1).toInt()};
}

QString name(const SlotRef& r) {
    return (r.family == Family::Multi ? QStringLiteral("M") : QStringLiteral("S")) + QString::number(r.slot);
}

QStringList names(const QList<SlotRef>& refs) {
    QStringList out;
    for (const SlotRef& r : refs)
        out << name(r);
    return out;
}

// "S1 left top width height", one box per entry.
QList<PlacedBox> placed(const QStringList& boxes) {
    QList<PlacedBox> out;
    for (const QString& b : boxes) {
        const QStringList f = b.split(QLatin1Char(' '));
        out.append({ref(f[0]),
                    {Twips(f[1].toDouble()), Twips(f[2].toDouble()), Twips(f[3].toDouble()),
                     Twips(f[4].toDouble())}});
    }
    return out;
}

templates::InputPoint point(const QString& type, const QString& binding, const ui::TwipsRect& rect) {
    templates::InputPoint p;
    p.type = type;
    p.name = QStringLiteral("点%1").arg(rect.top.value());
    p.binding = binding;
    p.rect = rect;
    return p;
}

void put(templates::Template& t, const QString& where, const templates::InputPoint& p) {
    const SlotRef r = ref(where);
    templates::PointFamily& fam = t.family(r.family);
    fam[r.slot] = p;
    fam.count = std::max(fam.count, r.slot);
}

ui::TwipsRect row(int line, int column = 0) {
    return {Twips(600 + 2200 * column), Twips(600 + 450 * line), 2055_tw, 315_tw};
}

} // namespace

class TestBoxOrder : public QObject {
    Q_OBJECT
private slots:

    // One line or two: the tops against half the smaller height.
    void onOneLine_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("oneLine");
        QTest::newRow("equal tops") << "S1 0 1000 2055 315"
                                    << "S2 4000 1000 2055 315" << true;
        QTest::newRow("equal tops, no height") << "S1 0 1000 0 0"
                                               << "S2 4000 1000 0 0" << true;
        QTest::newRow("no height, a twip apart") << "S1 0 1000 0 0"
                                                 << "S2 4000 1001 0 0" << false;
        QTest::newRow("a little lower") << "S1 0 1000 2055 315"
                                        << "S2 4000 1157 2055 315" << true;
        QTest::newRow("exactly half lower") << "S1 0 1000 2055 315"
                                            << "S2 4000 1157.5 2055 315" << false;
        QTest::newRow("a little higher") << "S1 0 1000 2055 315"
                                         << "S2 4000 843 2055 315" << true;
        QTest::newRow("next line") << "S1 0 1000 2055 315"
                                   << "S2 0 1315 2055 315" << false;
        // A tall multi-line box beside a one-line box: the small one decides.
        QTest::newRow("tall beside small, near") << "M1 0 1000 3000 900"
                                                 << "S1 4000 1100 2055 300" << true;
        QTest::newRow("tall beside small, far") << "M1 0 1000 3000 900"
                                                << "S1 4000 1200 2055 300" << false;
    }

    void onOneLine() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, oneLine);
        const QList<PlacedBox> boxes = placed({a, b});
        QCOMPARE(printing::onOneLine(boxes[0].rect, boxes[1].rect), oneLine);
        QCOMPARE(printing::onOneLine(boxes[1].rect, boxes[0].rect), oneLine);
    }

    void readingOrder_data() {
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("none") << QStringList() << QStringList();
        QTest::newRow("top to bottom, not by slot")
            << QStringList{u"S1 600 3000 2055 315"_s, u"S2 600 600 2055 315"_s, u"S3 600 1800 2055 315"_s}
            << QStringList{u"S2"_s, u"S3"_s, u"S1"_s};
        QTest::newRow("equal tops: left to right")
            << QStringList{u"S1 4400 600 2055 315"_s, u"S2 2200 600 2055 315"_s, u"S3 0 600 2055 315"_s}
            << QStringList{u"S3"_s, u"S2"_s, u"S1"_s};
        QTest::newRow("slightly offset within a line")
            << QStringList{u"S1 4400 640 2055 315"_s, u"S2 0 700 2055 315"_s, u"S3 2200 600 2055 315"_s,
                           u"S4 0 1200 2055 315"_s}
            << QStringList{u"S2"_s, u"S3"_s, u"S1"_s, u"S4"_s};
        QTest::newRow("half a height lower is the next line")
            << QStringList{u"S1 4000 600 2055 315"_s, u"S2 0 757.5 2055 315"_s}
            << QStringList{u"S1"_s, u"S2"_s};
        QTest::newRow("both families on one line")
            << QStringList{u"S1 4400 600 2055 315"_s, u"M1 0 600 3000 900"_s, u"M2 600 2000 3000 900"_s,
                           u"S2 600 1500 2055 315"_s}
            << QStringList{u"M1"_s, u"S1"_s, u"S2"_s, u"M2"_s};
        // Lines are anchored at their topmost box: a staircase does not become one long line.
        QTest::newRow("staircase") << QStringList{u"S1 3000 0 2055 300"_s, u"S2 2000 100 2055 300"_s,
                                                  u"S3 1000 200 2055 300"_s, u"S4 0 300 2055 300"_s}
                                   << QStringList{u"S2"_s, u"S1"_s, u"S4"_s, u"S3"_s};
        QTest::newRow("same place: single-line first, then slot")
            << QStringList{u"M2 600 600 2055 315"_s, u"S5 600 600 2055 315"_s, u"S2 600 600 2055 315"_s,
                           u"M1 600 600 2055 315"_s}
            << QStringList{u"S2"_s, u"S5"_s, u"M1"_s, u"M2"_s};
        QTest::newRow("same left on one line: the higher first")
            << QStringList{u"S1 600 700 2055 315"_s, u"S2 600 600 2055 315"_s}
            << QStringList{u"S2"_s, u"S1"_s};
        QTest::newRow("boxes without height")
            << QStringList{u"S1 3000 600 0 0"_s, u"S2 0 601 0 0"_s, u"S3 0 600 0 0"_s}
            << QStringList{u"S3"_s, u"S1"_s, u"S2"_s};
    }

    void readingOrder() {
        QFETCH(QStringList, boxes);
        QFETCH(QStringList, order);
        QCOMPARE(names(printing::readingOrder(placed(boxes))), order);
        // The order does not depend on the order the boxes come in.
        QStringList reversed = boxes;
        std::reverse(reversed.begin(), reversed.end());
        QCOMPARE(names(printing::readingOrder(placed(reversed))), order);
    }

    // The template's boxes: deleted points, slots without a point and rows of another type have none.
    void readingOrderOfATemplate() {
        templates::Template t;
        put(t, QStringLiteral("S1"), point(ty::SingleLine, templates::kNoBinding, row(2)));
        put(t, QStringLiteral("S2"), point(QString(), templates::kNoBinding, row(0)));  // deleted
        put(t, QStringLiteral("S4"), point(ty::Date, QString(), row(0, 1)));            // slot 3 empty
        put(t, QStringLiteral("S5"), point(ty::Background, QString(), row(0)));         // no box
        put(t, QStringLiteral("S6"), point(QStringLiteral("图章"), QString(), row(1))); // unknown type
        put(t, QStringLiteral("M1"), point(ty::MultiLine, QString(), row(1, 1)));
        put(t, QStringLiteral("M3"), point(ty::MultiLine, QString(), row(0)));
        templates::InputPoint unnamed = point(ty::SingleLine, QString(), row(0));
        unnamed.name.clear(); // the slot holds no input point
        put(t, QStringLiteral("S7"), unnamed);
        QCOMPARE(names(printing::readingOrder(t)), (QStringList{u"M3"_s, u"S4"_s, u"M1"_s, u"S1"_s}));
        QVERIFY(printing::readingOrder(templates::Template()).isEmpty());
    }

    // The default rule: columns that stand side by side are gone through one after the other.
    void columnOrder_data() {
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("none") << QStringList() << QStringList();
        QTest::newRow("two panels side by side")
            << QStringList{u"S1 0 0 2000 300"_s, u"S2 3000 0 2000 300"_s, u"S3 0 500 1500 300"_s,
                           u"S4 3000 500 2500 300"_s}
            << QStringList{u"S1"_s, u"S3"_s, u"S2"_s, u"S4"_s};
        QTest::newRow("one line of columns: left to right")
            << QStringList{u"S1 0 0 2000 300"_s, u"S2 3000 0 2000 300"_s, u"S3 0 500 5000 300"_s}
            << QStringList{u"S1"_s, u"S2"_s, u"S3"_s};
        QTest::newRow("a box across both columns ends the block")
            << QStringList{u"S1 0 0 2000 300"_s,      u"S2 3000 0 2000 300"_s,    u"S3 0 500 2000 300"_s,
                           u"S4 3000 500 2000 300"_s, u"S5 1000 1000 3000 300"_s, u"S6 0 1500 2000 300"_s,
                           u"S7 3000 1500 2000 300"_s}
            << QStringList{u"S1"_s, u"S3"_s, u"S2"_s, u"S4"_s, u"S5"_s, u"S6"_s, u"S7"_s};
        QTest::newRow("two boxes under one column end the block")
            << QStringList{u"S1 0 0 2000 300"_s,      u"S2 3000 0 2000 300"_s, u"S3 0 500 2000 300"_s,
                           u"S4 3000 500 2000 300"_s, u"S5 0 1000 900 300"_s,  u"S6 1000 1000 900 300"_s}
            << QStringList{u"S1"_s, u"S3"_s, u"S2"_s, u"S4"_s, u"S5"_s, u"S6"_s};
        QTest::newRow("a shorter column, a tall box beside a column")
            << QStringList{u"S1 0 0 2000 300"_s, u"M1 3000 0 2000 1400"_s, u"S2 0 500 2000 300"_s,
                           u"S3 0 1000 2000 300"_s}
            << QStringList{u"S1"_s, u"S2"_s, u"S3"_s, u"M1"_s};
        QTest::newRow("a box joining a column widens it")
            << QStringList{u"S1 0 0 1000 300"_s, u"S2 3000 0 1000 300"_s, u"S3 500 500 2000 300"_s,
                           u"S4 2200 1000 500 300"_s, u"S5 3000 1000 1000 300"_s}
            << QStringList{u"S1"_s, u"S3"_s, u"S4"_s, u"S2"_s, u"S5"_s};
        QTest::newRow("touching boxes are not over one another")
            << QStringList{u"S1 0 0 1000 300"_s, u"S2 1000 0 1000 300"_s, u"S3 0 500 1000 300"_s,
                           u"S4 1000 500 1000 300"_s}
            << QStringList{u"S1"_s, u"S3"_s, u"S2"_s, u"S4"_s};
    }

    void columnOrder() {
        QFETCH(QStringList, boxes);
        QFETCH(QStringList, order);
        QCOMPARE(names(printing::columnOrder(placed(boxes))), order);
        QStringList reversed = boxes;
        std::reverse(reversed.begin(), reversed.end());
        QCOMPARE(names(printing::columnOrder(placed(reversed))), order);
    }

    // The sample waybill: the sender's boxes, the receiver's, goods and amount, then the date. Stored
    // before the order was kept, it goes as it is read, as it always did.
    void sampleOrder() {
        templates::Template t = printing::sample::sampleTemplate();
        auto pointNames = [&t](const QList<SlotRef>& order) {
            QStringList out;
            for (const SlotRef& r : order)
                out << t.point(r).name;
            return out;
        };
        QCOMPARE(pointNames(printing::tabOrder(t)),
                 (QStringList{u"单号"_s, u"寄件单位"_s, u"寄件地址"_s, u"寄件电话"_s, u"收件人"_s,
                              u"收件地址"_s, u"收件电话"_s, u"物品名称"_s, u"件数"_s, u"保价金额"_s,
                              u"金额大写"_s, u"年"_s, u"月"_s, u"日"_s, u"备注"_s}));
        t.readingOrderByDefault = true;
        QCOMPARE(pointNames(printing::tabOrder(t)).mid(0, 5),
                 (QStringList{u"单号"_s, u"寄件单位"_s, u"收件人"_s, u"寄件地址"_s, u"收件地址"_s}));
    }

    // A set order comes first, by its places (equal ones in the default order); boxes without a place
    // follow in the default order; deleted points take no part.
    void setOrderFirst() {
        templates::Template t;
        for (int line = 0; line < 3; ++line) {
            put(t, QStringLiteral("S%1").arg(2 * line + 1), point(ty::SingleLine, QString(), row(line)));
            put(t, QStringLiteral("S%1").arg(2 * line + 2), point(ty::SingleLine, QString(), row(line, 3)));
        }
        QCOMPARE(names(printing::tabOrder(t)),
                 (QStringList{u"S1"_s, u"S3"_s, u"S5"_s, u"S2"_s, u"S4"_s, u"S6"_s}));
        t.single[6].tabOrder = 1;
        t.single[2].tabOrder = 2;
        t.single[1].tabOrder = 2;
        t.single[4].tabOrder = 9;
        t.single[4].type.clear(); // deleted: no box
        QCOMPARE(names(printing::tabOrder(t)), (QStringList{u"S6"_s, u"S1"_s, u"S2"_s, u"S3"_s, u"S5"_s}));
    }

    // Clicks in the designer's Tab顺序 mode.
    void clicks_data() {
        QTest::addColumn<QStringList>("clicks"); // "-" takes the last one back
        QTest::addColumn<QStringList>("order");
        QTest::newRow("none") << QStringList() << QStringList{u"S1"_s, u"S2"_s, u"S3"_s, u"M1"_s};
        QTest::newRow("the clicked first")
            << QStringList{u"M1"_s, u"S2"_s} << QStringList{u"M1"_s, u"S2"_s, u"S1"_s, u"S3"_s};
        QTest::newRow("a box clicked again goes on from there")
            << QStringList{u"S3"_s, u"S2"_s, u"M1"_s, u"S2"_s, u"S1"_s}
            << QStringList{u"S3"_s, u"S2"_s, u"S1"_s, u"M1"_s};
        QTest::newRow("taking back") << QStringList{u"S3"_s, u"S2"_s, u"-"_s}
                                     << QStringList{u"S3"_s, u"S1"_s, u"S2"_s, u"M1"_s};
        QTest::newRow("a box not in the order")
            << QStringList{u"S9"_s, u"M1"_s} << QStringList{u"M1"_s, u"S1"_s, u"S2"_s, u"S3"_s};
    }

    void clicks() {
        QFETCH(QStringList, clicks);
        QFETCH(QStringList, order);
        templates::TabOrderClicks c({ref(u"S1"_s), ref(u"S2"_s), ref(u"S3"_s), ref(u"M1"_s)});
        for (const QString& click : clicks) {
            if (click == u"-"_s)
                c.takeBack();
            else
                c.click(ref(click));
        }
        QCOMPARE(names(c.order()), order);
    }

    void filledByPick_data() {
        QTest::addColumn<QString>("binding");
        QTest::addColumn<bool>("filled");
        QTest::newRow("customer name") << QStringLiteral("客户名称") << true;
        QTest::newRow("last customer column") << QStringLiteral("汇入地县市") << true;
        QTest::newRow("common use") << QStringLiteral("常用用途") << true;
        QTest::newRow("none") << QStringLiteral("无") << false;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("not a column") << QStringLiteral("备注") << false;
    }

    void filledByPick() {
        QFETCH(QString, binding);
        QFETCH(bool, filled);
        QCOMPARE(printing::filledByPick(point(ty::SingleLine, binding, row(0))), filled);
    }

    // After a pick the focus goes on to the next box the clerk has to type, in reading order.
    void nextUnboundAfter_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("next"); // empty: none follows
        // Reading order of the template below: S3 S1 M2 S2 S4 M1 S5
        QTest::newRow("skips the boxes the pick filled") << "S3"
                                                         << "S2";
        QTest::newRow("from the middle of the bound ones") << "S1"
                                                           << "S2";
        QTest::newRow("a common use box is filled by picks too") << "M2"
                                                                 << "S2";
        QTest::newRow("after an unbound box") << "S2"
                                              << "S4";
        QTest::newRow("the other family counts") << "S4"
                                                 << "M1";
        QTest::newRow("only a bound box follows") << "M1"
                                                  << "";
        QTest::newRow("last box") << "S5"
                                  << "";
        QTest::newRow("not in the order: from the start") << "S9"
                                                          << "S2";
        // "S1*": S1 is a box of the receiver, the others of the sender.
        QTest::newRow("the other party's customer box is next") << "S3"
                                                                << "S1*";
    }

    void nextUnboundAfter() {
        QFETCH(QString, from);
        QFETCH(QString, next);
        const bool receiver = next.endsWith(u'*');
        next.remove(u'*');
        templates::Template t;
        put(t, QStringLiteral("S3"), point(ty::SingleLine, QStringLiteral("客户名称"), row(0)));
        templates::InputPoint address = point(ty::SingleLine, QStringLiteral("客户地址"), row(0, 1));
        address.party = receiver ? templates::Party::Receiver : templates::Party::Sender;
        put(t, QStringLiteral("S1"), address);
        put(t, QStringLiteral("M2"), point(ty::MultiLine, QStringLiteral("常用用途"), row(0, 2)));
        put(t, QStringLiteral("S2"), point(ty::SingleLine, QStringLiteral("无"), row(1)));
        put(t, QStringLiteral("S4"), point(ty::Date, QString(), row(2)));
        put(t, QStringLiteral("M1"), point(ty::MultiLine, QStringLiteral("无"), row(3)));
        put(t, QStringLiteral("S5"), point(ty::SingleLine, QStringLiteral("联系电话"), row(4)));
        const QList<SlotRef> order = printing::readingOrder(t);
        QCOMPARE(names(order), (QStringList{u"S3"_s, u"S1"_s, u"M2"_s, u"S2"_s, u"S4"_s, u"M1"_s, u"S5"_s}));
        const auto found = printing::nextUnboundAfter(t, order, ref(from));
        QCOMPARE(found ? name(*found) : QString(), next);
        QVERIFY(!printing::nextUnboundAfter(t, {}, ref(from)));
    }
};

QTEST_APPLESS_MAIN(TestBoxOrder)
#include "tst_boxorder.moc"
