// Symbols in a box: what each symbology refuses and why, the modules on whole device dots with their quiet
// zones inside the box, the text under linear symbols, and the sheet that carries a point's symbol.
#include "printing/PrintSheet.h"
#include "printing/Symbol.h"

#include <QTest>

#include <cmath>

using namespace vorlan;
using namespace Qt::StringLiterals;
using printing::ItemKind;
using printing::PlacedItem;
using templates::Symbology;

Q_DECLARE_METATYPE(templates::Symbology)
Q_DECLARE_METATYPE(ui::TwipsRect)

namespace {

ui::TwipsRect box(double left, double top, double width, double height) {
    return {ui::Twips(left), ui::Twips(top), ui::Twips(width), ui::Twips(height)};
}

bool onDots(double twips, int dpi) {
    const double dots = twips * dpi / ui::kTwipsPerInch;
    return std::fabs(dots - std::round(dots)) < 1e-6;
}

QList<PlacedItem> ofKind(const QList<PlacedItem>& items, ItemKind kind) {
    QList<PlacedItem> out;
    for (const PlacedItem& i : items)
        if (i.kind == kind)
            out << i;
    return out;
}

} // namespace

class TestSymbol : public QObject {
    Q_OBJECT
private slots:
    void refusals_data() {
        QTest::addColumn<Symbology>("symbology");
        QTest::addColumn<QString>("value");
        QTest::addColumn<ui::TwipsRect>("in");
        QTest::addColumn<QString>("reason"); // its start; empty: accepted
        const ui::TwipsRect wide = box(100, 100, 6000, 900);
        const ui::TwipsRect square = box(100, 100, 2000, 2000);
        const QString code128 = QStringLiteral("Code 128条码只能印英文字母、数字、空格和英文符号，不能印");
        QTest::newRow("code 128 digits") << Symbology::Code128 << u"SF1234567890"_s << wide << QString();
        QTest::newRow("code 128 chinese")
            << Symbology::Code128 << u"SF单号1"_s << wide << code128 + u"“单”。"_s;
        QTest::newRow("code 128 latin-1") << Symbology::Code128 << u"Café"_s << wide << code128 + u"“é”。"_s;
        QTest::newRow("code 128 tab")
            << Symbology::Code128 << u"A\tB"_s << wide << code128 + u"“控制字符U+0009”。"_s;
        QTest::newRow("ean-13 right check digit")
            << Symbology::Ean13 << u"6901234567892"_s << wide << QString();
        QTest::newRow("ean-13 twelve digits") << Symbology::Ean13 << u"690123456789"_s << wide << QString();
        // libzint only warns about a wrong check digit unless told to fail: it must never print one.
        QTest::newRow("ean-13 wrong check digit")
            << Symbology::Ean13 << u"6901234567891"_s << wide
            << u"EAN-13条码“6901234567891”的校验位不对：最后一位应是2，不是1。"_s;
        QTest::newRow("ean-13 letter")
            << Symbology::Ean13 << u"69012345678X9"_s << wide
            << u"EAN-13条码只能印12位或13位数字（13位时最后一位是校验位），“69012345678X9”不是。"_s;
        QTest::newRow("ean-13 short")
            << Symbology::Ean13 << u"12345"_s << wide << u"EAN-13条码只能印12位或13位"_s;
        QTest::newRow("ean-13 add-on")
            << Symbology::Ean13 << u"6901234567892+12"_s << wide << u"EAN-13条码只能印12位或13位"_s;
        QTest::newRow("qr chinese") << Symbology::QrCode << u"运单号：SF1234，收件人张三"_s << square
                                    << QString();
        QTest::newRow("qr too long") << Symbology::QrCode << QString(8000, u'中') << square
                                     << u"内容太长，一个QR 码放不下。"_s;
        QTest::newRow("pdf417 chinese") << Symbology::Pdf417 << u"收件人张三"_s << wide << QString();
        QTest::newRow("pdf417 too long")
            << Symbology::Pdf417 << QString(3000, u'中') << wide << u"内容太长，一个PDF417条码放不下。"_s;
        // Box too small: too narrow for the modules, too low for the bars and their text, a square too
        // small for the modules of a QR code.
        const QString small = u"它的框太小，放不下这个"_s;
        QTest::newRow("code 128 narrow box")
            << Symbology::Code128 << u"ABCDEFGHIJKLMNOPQRST"_s << box(100, 100, 2000, 900)
            << small + u"Code 128条码（至少要宽"_s;
        QTest::newRow("code 128 low box")
            << Symbology::Code128 << u"12345678"_s << box(100, 100, 6000, 315) << small + u"Code 128条码"_s;
        QTest::newRow("qr small box")
            << Symbology::QrCode << u"hello"_s << box(100, 100, 300, 300) << small + u"QR 码（至少要宽"_s;
    }
    void refusals() {
        QFETCH(Symbology, symbology);
        QFETCH(QString, value);
        QFETCH(ui::TwipsRect, in);
        QFETCH(QString, reason);
        const printing::SymbolPlacement p = printing::placeSymbol(value, symbology, true, in, 9, 600);
        if (reason.isEmpty()) {
            QVERIFY2(p.ok(), qPrintable(p.refusal));
            QVERIFY(!ofKind(p.items, ItemKind::Bar).isEmpty());
        } else {
            QVERIFY2(p.refusal.startsWith(reason), qPrintable(p.refusal));
            QVERIFY(p.items.isEmpty());
        }
    }

    void smallBoxNamesWhatItNeeds() {
        // 20 characters of Code 128 set B: start, 20, check (11 modules each), stop (13), 10 quiet modules
        // each side = 275 modules of at least 14.4 twips (6 dots at 600 dpi), and one dot: 3962.4 twips,
        // 69.9 mm. The bars a quarter inch high, and one dot: 6.4 mm.
        const printing::SymbolPlacement p = printing::placeSymbol(
            u"ABCDEFGHIJKLMNOPQRST"_s, Symbology::Code128, false, box(0, 0, 2835, 567), 9, 600);
        QCOMPARE(p.refusal,
                 u"它的框太小，放不下这个Code 128条码（至少要宽69.9毫米、高6.4毫米，现在只有宽50.0毫米、"
                 "高10.0毫米）。请在模板设计中把框放大，或缩短内容。"_s);
    }

    void modulesOnWholeDots_data() {
        QTest::addColumn<Symbology>("symbology");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<ui::TwipsRect>("in");
        QTest::addColumn<int>("quiet"); // modules left of the first bar
        QTest::newRow("code 128 at 600")
            << Symbology::Code128 << u"SF1234567890"_s << 600 << box(1000.3, 707.7, 4321, 777) << 10;
        QTest::newRow("code 128 at 300")
            << Symbology::Code128 << u"SF1234567890"_s << 300 << box(1000.3, 707.7, 4321, 777) << 10;
        QTest::newRow("code 128 at 203")
            << Symbology::Code128 << u"a-b_c"_s << 203 << box(33, 44, 5000, 600) << 10;
        QTest::newRow("ean-13 at 1200")
            << Symbology::Ean13 << u"6901234567892"_s << 1200 << box(500, 500, 3000, 1000) << 11;
        QTest::newRow("qr at 600") << Symbology::QrCode << u"收件人张三"_s << 600 << box(7, 9, 1999, 1501)
                                   << 4;
        QTest::newRow("qr at 300") << Symbology::QrCode << u"https://example.com/运单"_s << 300
                                   << box(7, 9, 1501, 1999) << 4;
        QTest::newRow("pdf417 at 600")
            << Symbology::Pdf417 << u"收件人张三 13800000000"_s << 600 << box(100, 100, 5000, 1500) << 2;
    }
    void modulesOnWholeDots() {
        QFETCH(Symbology, symbology);
        QFETCH(QString, value);
        QFETCH(int, dpi);
        QFETCH(ui::TwipsRect, in);
        QFETCH(int, quiet);
        const printing::SymbolPlacement p = printing::placeSymbol(value, symbology, false, in, 9, dpi);
        QVERIFY2(p.ok(), qPrintable(p.refusal));
        const QList<PlacedItem> bars = ofKind(p.items, ItemKind::Bar);
        QVERIFY(!bars.isEmpty());
        QCOMPARE(bars.size(), p.items.size());

        const printing::SymbolModules m = printing::encodeSymbol(value, symbology);
        double left = 1e9, right = -1e9, top = 1e9, bottom = -1e9, narrowest = 1e9;
        for (const PlacedItem& b : bars) {
            for (double edge :
                 {b.rect.left.value(), b.rect.right().value(), b.rect.top.value(), b.rect.bottom().value()})
                QVERIFY2(onDots(edge, dpi), qPrintable(QString::number(edge)));
            left = std::min(left, b.rect.left.value());
            right = std::max(right, b.rect.right().value());
            top = std::min(top, b.rect.top.value());
            bottom = std::max(bottom, b.rect.bottom().value());
            narrowest = std::min(narrowest, b.rect.width.value());
        }
        // The module: whole dots, not below the least module.
        QVERIFY(narrowest >= printing::kMinModule.value() - 1e-9);
        QVERIFY(onDots(narrowest, dpi));
        // The quiet zone lies inside the box, on each side.
        const double dot = ui::kTwipsPerInch / dpi;
        QVERIFY(left - quiet * narrowest >= in.left.value() - 1e-9);
        if (symbology != Symbology::Pdf417) { // PDF417's column count follows the box
            const double symbolWidth = m.columns * narrowest;
            QVERIFY(left - quiet * narrowest + symbolWidth <= in.right().value() + 1e-9);
            // The largest module that fits: one dot more would not.
            QVERIFY((narrowest + dot) * m.columns > in.width.value() - 2 * dot ||
                    (!templates::isLinear(symbology) &&
                     (narrowest + dot) * m.rows > in.height.value() - 2 * dot));
        }
        QVERIFY(right <= in.right().value() + 1e-9);
        QVERIFY(top >= in.top.value() - 1e-9);
        QVERIFY(bottom <= in.bottom().value() + 1e-9);
        if (templates::isLinear(symbology))
            QVERIFY(bottom - top > in.height.value() - 2 * dot); // the bars take the box's height
    }

    void textUnderLinearSymbols_data() {
        QTest::addColumn<Symbology>("symbology");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("withText");
        QTest::addColumn<QString>("text");
        QTest::newRow("code 128") << Symbology::Code128 << u" SF-12 "_s << true << u"SF-12"_s;
        QTest::newRow("code 128 without") << Symbology::Code128 << u"SF-12"_s << false << QString();
        QTest::newRow("ean-13 with its check digit")
            << Symbology::Ean13 << u"690123456789"_s << true << u"6901234567892"_s;
        QTest::newRow("qr never") << Symbology::QrCode << u"SF-12"_s << true << QString();
    }
    void textUnderLinearSymbols() {
        QFETCH(Symbology, symbology);
        QFETCH(QString, value);
        QFETCH(bool, withText);
        QFETCH(QString, text);
        const ui::TwipsRect in = box(1000, 1000, 4000, 1500);
        const printing::SymbolPlacement p = printing::placeSymbol(value, symbology, withText, in, 10, 600);
        QVERIFY2(p.ok(), qPrintable(p.refusal));
        const QList<PlacedItem> chars = ofKind(p.items, ItemKind::Text);
        QString got;
        for (const PlacedItem& c : chars)
            got += c.text;
        QCOMPARE(got, text);
        if (chars.isEmpty())
            return;
        const QList<PlacedItem> bars = ofKind(p.items, ItemKind::Bar);
        const double barsBottom = bars.first().rect.bottom().value();
        const double centre = (bars.first().rect.left.value() + bars.last().rect.right().value()) / 2;
        const double textCentre = (chars.first().rect.left.value() + chars.last().rect.right().value()) / 2;
        QVERIFY(std::fabs(centre - textCentre) <= 1);
        for (const PlacedItem& c : chars) {
            QCOMPARE(c.size, 10.0);
            QCOMPARE(c.rect.top.value(), std::nearbyint(barsBottom + printing::kSymbolTextGap.value()));
            QVERIFY(c.rect.bottom().value() <= in.bottom().value() + 1);
            QCOMPARE(c.rect.left.value(), std::nearbyint(c.rect.left.value())); // whole twips, as text
        }
    }

    void emptyValuePlacesNothing() {
        const printing::SymbolPlacement p =
            printing::placeSymbol(u"  "_s, Symbology::Ean13, true, box(0, 0, 10, 10), 9, 600);
        QVERIFY(p.ok());
        QVERIFY(p.items.isEmpty());
    }

    // The sheet carries a point's symbol only for the types that take one; the placement refuses the sheet
    // naming the point.
    void sheetCarriesTheSymbol() {
        templates::Template t;
        t.name = u"面单"_s;
        auto add = [&t](const QString& type, const QString& name, Symbology s, double top) {
            templates::InputPoint p;
            p.type = type;
            p.name = name;
            p.binding = templates::kNoBinding;
            p.rect = box(500, top, 5000, 800);
            p.fontSize = 9;
            p.symbology = s;
            p.symbolText = false;
            t.family(templates::familyOf(type)).append(p);
        };
        add(templates::type::Number, u"单号"_s, Symbology::Code128, 500);
        add(templates::type::SingleLine, u"网址"_s, Symbology::QrCode, 1500);
        add(templates::type::Date, u"日期"_s, Symbology::Code128, 2500); // a date prints as text
        printing::BoxTexts texts;
        texts.insert({templates::Family::Single, 1}, u"SF12单"_s);
        texts.insert({templates::Family::Single, 2}, u"https://example.com"_s);
        texts.insert({templates::Family::Single, 3}, u"2024-03-05"_s);
        printing::PrintSheet sheet = printing::buildSheet(t, texts, 0, 0);
        QCOMPARE(sheet.fields.size(), 3);
        QCOMPARE(sheet.fields[0].symbology, Symbology::Code128);
        QCOMPARE(sheet.fields[0].symbolText, false);
        QCOMPARE(sheet.fields[1].symbology, Symbology::QrCode);
        QCOMPARE(sheet.fields[2].symbology, Symbology::None);

        printing::SheetPlacement placed = printing::placeSheet(sheet);
        QVERIFY(!placed.ok);
        QCOMPARE(placed.failedField, 0);
        QCOMPARE(placed.fault, printing::PlacementFault::Symbol);
        QCOMPARE(printing::placementMessage(sheet, placed),
                 u"输入点“单号”无法打印：Code 128条码只能印英文字母、数字、空格和英文符号，不能印“单”。"_s);

        sheet.fields[0].text = u"SF12"_s;
        sheet.allleftText = u"3"_s; // the offsets move the symbol with its box
        placed = printing::placeSheet(sheet, 300);
        QVERIFY(placed.ok);
        const QList<PlacedItem> bars = ofKind(placed.items, ItemKind::Bar);
        const QList<PlacedItem> chars = ofKind(placed.items, ItemKind::Text);
        QCOMPARE(chars.size(), 10); // the date, as text
        QVERIFY(bars.first().rect.left.value() >= 500 + 3 * 48);
        for (const PlacedItem& b : bars)
            QVERIFY(onDots(b.rect.left.value(), 300));
    }
};

QTEST_MAIN(TestSymbol)
#include "tst_symbol.moc"
