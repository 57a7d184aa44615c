// Character placement: where every character of a printed value goes, in twips.
#include "printing/Placement.h"
#include "printing/PrintActions.h"
#include "printing/TestPage.h"

#include <QTest>

using namespace vorlan::printing;
using vorlan::ui::Twips;

Q_DECLARE_METATYPE(QList<int>)

namespace {

QString repeat(const QString& s, int n) {
    QString out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

QList<int> xs(const Placement& p) {
    QList<int> out;
    for (const PlacedItem& c : p.items)
        out << int(c.rect.left.value());
    return out;
}

QList<int> ys(const Placement& p) {
    QList<int> out;
    for (const PlacedItem& c : p.items)
        out << int(c.rect.top.value());
    return out;
}

// Where n full-width characters at size 9 (178 twips each) go from x 1000 and the given top: 22 on the
// first line, 22 on the second, the rest on the third.
struct Run {
    QList<int> x, y;
};
Run fullWidthRun(int n, int top) {
    Run r;
    for (int i = 0; i < n; ++i) {
        const int line = i < 22 ? 0 : i < 44 ? 1 : 2;
        r.x << 1000 + 178 * i - 3900 * line;
        r.y << top + 300 * line;
    }
    return r;
}

// A value placed at whole twips (x, y).
Placement place(const QString& text, int x, int y, double size) {
    return placeText(text, {Twips(x), Twips(y)}, size);
}

PrintField field(const QString& text, double left, double top, double size = 9,
                 const QString& name = QString()) {
    PrintField f;
    f.name = name;
    f.text = text;
    f.left = Twips(left);
    f.top = Twips(top);
    f.fontSize = size;
    return f;
}

} // namespace

class TestPlacement : public QObject {
    Q_OBJECT
private slots:
    void positions_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<double>("size");
        QTest::addColumn<QList<int>>("expectX");
        QTest::addColumn<QList<int>>("expectY");

        QTest::newRow("full width at 9: 177.6 rounds to 178")
            << QStringLiteral("中文字") << 1440 << 720 << 9.0 << QList<int>{1440, 1618, 1796}
            << QList<int>{720, 720, 720};
        QTest::newRow("half width at 9: 88.8 per step")
            << QStringLiteral("AB12") << 0 << 0 << 9.0 << QList<int>{0, 89, 178, 267}
            << QList<int>{0, 0, 0, 0};
        QTest::newRow("outer blanks dropped, inner blank advances half")
            << QStringLiteral("  中 文 \t\r\n") << 100 << 50 << 9.0 << QList<int>{100, 278, 367}
            << QList<int>{50, 50, 50};
        QTest::newRow("ideographic space is a full-width character")
            << QStringLiteral("\u3000中") << 0 << 0 << 9.0 << QList<int>{0, 178} << QList<int>{0, 0};
        QTest::newRow("full-width punctuation is double byte")
            << QStringLiteral("！a") << 0 << 0 << 9.0 << QList<int>{0, 178} << QList<int>{0, 0};
        QTest::newRow("half a step ties go to the even neighbour (9.17: 90.5)")
            << QStringLiteral("aaaa") << 0 << 0 << 9.17 << QList<int>{0, 90, 180, 270}
            << QList<int>{0, 0, 0, 0};
        QTest::newRow("ties at 8.87: 87.5") << QStringLiteral("aaaa") << 0 << 0 << 8.87
                                            << QList<int>{0, 88, 176, 264} << QList<int>{0, 0, 0, 0};
        QTest::newRow("size 10: 197.6 each")
            << QStringLiteral("您好！") << 0 << 0 << 10.0 << QList<int>{0, 198, 396} << QList<int>{0, 0, 0};
        QTest::newRow("negative start")
            << QStringLiteral("ab") << -500 << -20 << 9.0 << QList<int>{-500, -411} << QList<int>{-20, -20};
        QTest::newRow("a surrogate pair is one character of two half steps")
            << QStringLiteral("\U0001F600中") << 0 << 0 << 9.0 << QList<int>{0, 178} << QList<int>{0, 0};
        QTest::newRow("euro sign is one byte in the code page")
            << QStringLiteral("€€") << 0 << 0 << 9.0 << QList<int>{0, 89} << QList<int>{0, 0};
    }
    void positions() {
        QFETCH(QString, text);
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(double, size);
        QFETCH(QList<int>, expectX);
        QFETCH(QList<int>, expectY);
        const Placement p = place(text, x, y, size);
        QVERIFY(p.ok);
        QCOMPARE(xs(p), expectX);
        QCOMPARE(ys(p), expectY);
        for (const PlacedItem& c : p.items)
            QCOMPARE(c.size, size);
    }

    void thirtyCharactersBreakAfterTheTwentySecond() {
        const Placement p = place(repeat(QStringLiteral("汉"), 30), 1000, 2000, 9);
        QVERIFY(p.ok);
        QCOMPARE(p.items.size(), 30);
        for (int i = 0; i < 22; ++i) {
            QCOMPARE(p.items[i].rect.top, Twips(2000));
            QCOMPARE(p.items[i].rect.left, Twips(1000 + 178 * i));
        }
        QCOMPARE(p.items[21].rect.left, Twips(1000 + 3738));
        // The 23rd would start at x + 3916, past x + 3900: second line, 300 lower.
        for (int i = 22; i < 30; ++i) {
            QCOMPARE(p.items[i].rect.top, Twips(2300));
            QCOMPARE(p.items[i].rect.left, Twips(1000 + 178 * i - 3900));
        }
        QCOMPARE(p.items[22].rect.left, Twips(1016));
        // Each character's cell: its advance wide, its size high.
        QCOMPARE(p.items[0].rect.size(), (vorlan::ui::TwipsSize{fullAdvance(9), Twips(180)}));
        QCOMPARE(place(QStringLiteral("A"), 0, 0, 12).items[0].rect.size(),
                 (vorlan::ui::TwipsSize{fullAdvance(12) / 2, Twips(240)}));
    }

    void thirdLineTakesTheRest() {
        const Placement p = place(repeat(QStringLiteral("汉"), 100), 0, 0, 9);
        QVERIFY(p.ok);
        QCOMPARE(p.items[43].rect.top, Twips(300)); // 7654 <= 7800
        QCOMPARE(p.items[44].rect.top, Twips(600)); // 7832 > 7800
        QCOMPARE(p.items[44].rect.left, Twips(32));
        QCOMPARE(p.items[99].rect.top, Twips(600)); // no fourth line
        QCOMPARE(p.items[99].rect.left, Twips(178 * 99 - 7800));
    }

    // A line break typed into a multi-line box starts the next print line at the box's x, below the lines
    // used so far; each typed line wraps at 3900 twips on its own.
    void lineBreaks_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("expectX");
        QTest::addColumn<QList<int>>("expectY");
        const QString wrapped = repeat(QStringLiteral("汉"), 23); // the 23rd goes to the second line
        const QString third = repeat(QStringLiteral("汉"), 45);   // the 45th goes to the third line
        QTest::newRow("LF") << QStringLiteral("甲乙\n丙") << QList<int>{1000, 1178, 1000}
                            << QList<int>{2000, 2000, 2300};
        QTest::newRow("CR LF is one break")
            << QStringLiteral("ab\r\ncd") << QList<int>{1000, 1089, 1000, 1089}
            << QList<int>{2000, 2000, 2300, 2300};
        QTest::newRow("CR alone") << QStringLiteral("a\rb") << QList<int>{1000, 1000}
                                  << QList<int>{2000, 2300};
        QTest::newRow("line separator")
            << QStringLiteral("a\u2028b") << QList<int>{1000, 1000} << QList<int>{2000, 2300};
        QTest::newRow("an empty line keeps its place")
            << QStringLiteral("a\n\nb") << QList<int>{1000, 1000} << QList<int>{2000, 2600};
        QTest::newRow("blanks at the start of a later line are printed")
            << QStringLiteral("a\n  b") << QList<int>{1000, 1000, 1089, 1178}
            << QList<int>{2000, 2300, 2300, 2300};
        QTest::newRow("blank lines around the value are dropped")
            << QStringLiteral("\n\r\n 甲\n\n") << QList<int>{1000} << QList<int>{2000};
        QTest::newRow("a wrapped line pushes the next one down")
            << wrapped + QStringLiteral("\n乙") << fullWidthRun(23, 2000).x + QList<int>{1000}
            << fullWidthRun(23, 2000).y + QList<int>{2600};
        QTest::newRow("after a third line")
            << third + QStringLiteral("\n乙") << fullWidthRun(45, 2000).x + QList<int>{1000}
            << fullWidthRun(45, 2000).y + QList<int>{2900};
        QTest::newRow("each typed line wraps on its own")
            << QStringLiteral("甲\n") + wrapped << QList<int>{1000} + fullWidthRun(23, 2300).x
            << QList<int>{2000} + fullWidthRun(23, 2300).y;
    }
    void lineBreaks() {
        QFETCH(QString, text);
        QFETCH(QList<int>, expectX);
        QFETCH(QList<int>, expectY);
        const Placement p = place(text, 1000, 2000, 9);
        QVERIFY(p.ok);
        QCOMPARE(xs(p), expectX);
        QCOMPARE(ys(p), expectY);
        // The breaks themselves are not placed.
        for (const PlacedItem& c : p.items)
            QVERIFY(c.text != QStringLiteral("\n") && c.text != QStringLiteral("\r"));
    }

    void lineBreakBelowTheRange_data() {
        QTest::addColumn<int>("y");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("placed");
        QTest::newRow("second line at 32767") << 32467 << true << 2;
        QTest::newRow("second line past 32767") << 32468 << false << 1;
    }
    void lineBreakBelowTheRange() {
        QFETCH(int, y);
        QFETCH(bool, ok);
        QFETCH(int, placed);
        const Placement p = place(QStringLiteral("中\n中"), 0, y, 9);
        QCOMPARE(p.ok, ok);
        QCOMPARE(p.items.size(), placed);
        QCOMPARE(p.fault, ok ? PlacementFault::None : PlacementFault::TooLong);
    }

    void lettersAdvanceHalfAsFar() {
        const Placement wide = place(repeat(QStringLiteral("字"), 10), 0, 0, 12);
        const Placement narrow = place(repeat(QStringLiteral("x"), 10), 0, 0, 12);
        QCOMPARE(wide.items.last().rect.left, 2 * narrow.items.last().rect.left);
    }

    void emptyTextPlacesNothing_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks") << QStringLiteral("   ");
        QTest::newRow("line breaks") << QStringLiteral("\r\n\t ");
    }
    void emptyTextPlacesNothing() {
        QFETCH(QString, text);
        // Even at a position the page cannot hold: nothing is placed, nothing fails.
        const Placement p = place(text, 32000, 32767, 9);
        QVERIFY(p.ok);
        QVERIFY(p.items.isEmpty());
    }

    void sixteenBitLimits_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<double>("size");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("placed");
        QTest::addColumn<int>("fault");

        const QString line2 = repeat(QStringLiteral("汉"), 23);
        const QString line3 = repeat(QStringLiteral("汉"), 45);
        const int none = int(PlacementFault::None), position = int(PlacementFault::Position),
                  tooLong = int(PlacementFault::TooLong);
        QTest::newRow("x 28867 fits") << QStringLiteral("中") << 28867 << 0 << 9.0 << true << 1 << none;
        QTest::newRow("x 28868: x + 3900 leaves the range")
            << QStringLiteral("中") << 28868 << 0 << 9.0 << false << 0 << position;
        QTest::newRow("x + 7800 = 32767 on the second line")
            << line2 << 24967 << 0 << 9.0 << true << 23 << none;
        QTest::newRow("x + 7800 beyond on the second line")
            << line2 << 24968 << 0 << 9.0 << false << 22 << tooLong;
        QTest::newRow("x + 7800 beyond, but one line only")
            << QStringLiteral("中文") << 24968 << 0 << 9.0 << true << 2 << none;
        QTest::newRow("y + 300 = 32767") << line2 << 0 << 32467 << 9.0 << true << 23 << none;
        QTest::newRow("y + 300 beyond") << line2 << 0 << 32468 << 9.0 << false << 22 << tooLong;
        QTest::newRow("y 32767 on one line")
            << QStringLiteral("中") << 0 << 32767 << 9.0 << true << 1 << none;
        QTest::newRow("y + 600 = 32767") << line3 << 0 << 32167 << 9.0 << true << 45 << none;
        QTest::newRow("y + 600 beyond") << line3 << 0 << 32168 << 9.0 << false << 44 << tooLong;
        // The running position itself is 16-bit: 184 characters reach 32752, the 185th would pass 32767.
        QTest::newRow("running position 32752")
            << repeat(QStringLiteral("汉"), 184) << 0 << 0 << 9.0 << true << 184 << none;
        QTest::newRow("running position past 32767")
            << repeat(QStringLiteral("汉"), 185) << 0 << 0 << 9.0 << false << 185 << tooLong;
        // One character whose own advance leaves the range: its place is the fault, not a length.
        QTest::newRow("first advance past 32767")
            << QStringLiteral("中") << 0 << 0 << 2000.0 << false << 1 << position;
        QTest::newRow("second advance past 32767")
            << QStringLiteral("中中") << 0 << 0 << 1000.0 << false << 2 << tooLong;
    }
    void sixteenBitLimits() {
        QFETCH(QString, text);
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(double, size);
        QFETCH(bool, ok);
        QFETCH(int, placed);
        QFETCH(int, fault);
        const Placement p = place(text, x, y, size);
        QCOMPARE(p.ok, ok);
        QCOMPARE(p.items.size(), placed);
        QCOMPARE(int(p.fault), fault);
    }

    // A value off the page is named with its cause; the printer is not blamed.
    void placementMessageNamesThePoint_data() {
        QTest::addColumn<QString>("allup");
        QTest::addColumn<QString>("allleft");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("left");
        QTest::addColumn<double>("top");
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("message");

        const QString position =
            QStringLiteral("输入点“乙”的位置超出纸张范围，无法打印。请开启微调把它移回纸面，"
                           "或减小整体打印位置的偏移。");
        const QString tooLong =
            QStringLiteral("输入点“乙”的内容太长，超出纸张范围，无法打印。请缩短内容后再打印。");
        const int none = int(PlacementFault::None), atPosition = int(PlacementFault::Position);
        QTest::newRow("fits") << "0"
                              << "0" << QStringLiteral("乙") << 1440.0 << 720.0 << none << QString();
        QTest::newRow("box past the right end")
            << "0"
            << "0" << QStringLiteral("乙") << 28868.0 << 0.0 << atPosition << position;
        QTest::newRow("box below the range")
            << "0"
            << "0" << QStringLiteral("乙") << 0.0 << 32768.0 << atPosition << position;
        QTest::newRow("offset pushes it right")
            << "0"
            << "700" << QStringLiteral("乙") << 1000.0 << 0.0 << atPosition << position;
        QTest::newRow("offset pushes it above")
            << "-700"
            << "0" << QStringLiteral("乙") << 0.0 << 100.0 << atPosition << position;
        QTest::newRow("text too long") << "0"
                                       << "0" << repeat(QStringLiteral("汉"), 200) << 0.0 << 0.0
                                       << int(PlacementFault::TooLong) << tooLong;
        QTest::newRow("text wraps below the range") << "0"
                                                    << "0" << repeat(QStringLiteral("汉"), 30) << 0.0
                                                    << 32500.0 << int(PlacementFault::TooLong) << tooLong;
        QTest::newRow("empty box off the page is never placed")
            << "0"
            << "0" << QStringLiteral("  ") << 40000.0 << 0.0 << none << QString();
    }
    void placementMessageNamesThePoint() {
        QFETCH(QString, allup);
        QFETCH(QString, allleft);
        QFETCH(QString, text);
        QFETCH(double, left);
        QFETCH(double, top);
        QFETCH(int, fault);
        QFETCH(QString, message);
        PrintSheet s;
        s.allupText = allup;
        s.allleftText = allleft;
        s.fields << field(QStringLiteral("甲"), 0, 0, 9, QStringLiteral("甲"))
                 << field(text, left, top, 9, QStringLiteral("乙"))
                 << field(QStringLiteral("丙"), 0, 500, 9, QStringLiteral("丙"));
        if (allleft != QStringLiteral("0") || allup != QStringLiteral("0"))
            s.fields.removeFirst(); // the offsets would push every field off; only 乙 is under test
        const SheetPlacement p = placeSheet(s);
        QCOMPARE(int(p.fault), fault);
        QCOMPARE(p.ok, message.isEmpty());
        QCOMPARE(placementMessage(s, p), message);
        if (!p.ok)
            QCOMPARE(s.fields.at(p.failedField).name, QStringLiteral("乙"));
    }

    void doubleByteCharacters_data() {
        QTest::addColumn<QString>("ch");
        QTest::addColumn<bool>("wide");
        QTest::newRow("hanzi") << QStringLiteral("中") << true;
        QTest::newRow("full-width exclamation") << QStringLiteral("！") << true;
        QTest::newRow("ideographic space") << QStringLiteral("\u3000") << true;
        QTest::newRow("pinyin e acute") << QStringLiteral("é") << true;
        QTest::newRow("middle dot") << QStringLiteral("·") << true;
        QTest::newRow("latin") << QStringLiteral("a") << false;
        QTest::newRow("digit") << QStringLiteral("7") << false;
        QTest::newRow("blank") << QStringLiteral(" ") << false;
        QTest::newRow("euro") << QStringLiteral("€") << false;
        QTest::newRow("not in the code page") << QStringLiteral("\u0E01") << false;
    }
    void doubleByteCharacters() {
        QFETCH(QString, ch);
        QFETCH(bool, wide);
        QCOMPARE(isDoubleByte(ch.at(0).unicode()), wide);
    }

    void offsets_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("twips");
        QTest::addColumn<bool>("valid");
        QTest::newRow("zero") << QStringLiteral("0") << 0 << true;
        QTest::newRow("empty is zero") << QString() << 0 << true;
        QTest::newRow("10") << QStringLiteral("10") << 480 << true;
        QTest::newRow("-5") << QStringLiteral("-5") << -240 << true;
        QTest::newRow("blanks around") << QStringLiteral(" 3 ") << 144 << true;
        QTest::newRow("12.6 x 48 = 604.8") << QStringLiteral("12.6") << 605 << true;
        QTest::newRow("tie 4.5 to even") << QStringLiteral("0.09375") << 4 << true;
        QTest::newRow("tie 1.5 to even") << QStringLiteral("0.03125") << 2 << true;
        QTest::newRow("negative tie") << QStringLiteral("-0.09375") << -4 << true;
        QTest::newRow("largest box value") << QStringLiteral("1000") << 48000 << true;
        QTest::newRow("lone minus while typing") << QStringLiteral("-") << 0 << false;
        QTest::newRow("letters") << QStringLiteral("abc") << 0 << false;
        QTest::newRow("comma decimal") << QStringLiteral("1,5") << 0 << false;
    }
    void offsets() {
        QFETCH(QString, text);
        QFETCH(int, twips);
        QFETCH(bool, valid);
        const auto v = offsetTwips(text);
        QCOMPARE(v.has_value(), valid);
        if (valid)
            QCOMPARE(*v, Twips(twips));
    }

    void sheetWithoutOffsets() {
        PrintSheet s;
        s.fields << field(QStringLiteral("甲"), 1440, 720);
        const SheetPlacement p = placeSheet(s);
        QVERIFY(p.ok);
        QCOMPARE(p.items.size(), 1);
        QCOMPARE(p.items[0].rect.left, Twips(1440));
        QCOMPARE(p.items[0].rect.top, Twips(720));
    }

    void sheetOffsetsMoveEveryValue() {
        PrintSheet s;
        s.allupText = QStringLiteral("10");
        s.allleftText = QStringLiteral("-5");
        s.fields << field(QStringLiteral("甲乙"), 1440, 720) << field(QString(), 0, 0)
                 << field(QStringLiteral("丙"), 3000.4, 100.5, 12);
        const SheetPlacement p = placeSheet(s);
        QVERIFY(p.ok);
        QCOMPARE(p.items.size(), 3);
        QCOMPARE(p.items[0].rect.left, Twips(1200));
        QCOMPARE(p.items[0].rect.top, Twips(1200));
        QCOMPARE(p.items[1].rect.left, Twips(1378));
        QCOMPARE(p.items[2].rect.left, Twips(2760)); // 3000.4 - 240 rounds to 2760
        QCOMPARE(p.items[2].rect.top, Twips(580));   // 100.5 + 480 = 580.5, tie to even
        QCOMPARE(p.items[2].size, 12.0);
    }

    void sheetStopsAtTheFirstFieldOutOfRange() {
        PrintSheet s;
        s.fields << field(QStringLiteral("一"), 0, 0) << field(QString(), 40000, 0) // empty: never placed
                 << field(QStringLiteral("二"), 32767.6, 0) << field(QStringLiteral("三"), 0, 500);
        const SheetPlacement p = placeSheet(s);
        QVERIFY(!p.ok);
        QVERIFY(!p.badOffset);
        QCOMPARE(p.failedField, 2);
        QCOMPARE(p.items.size(), 1);
        QCOMPARE(p.items[0].text, QStringLiteral("一"));
    }

    void offsetsCanPushOutOfRange() {
        PrintSheet s;
        s.allleftText = QStringLiteral("1000"); // 48000 twips
        s.fields << field(QStringLiteral("一"), 0, 0);
        QVERIFY(!placeSheet(s).ok);
        s.allleftText = QStringLiteral("-1000"); // -48000 twips
        QVERIFY(!placeSheet(s).ok);
        s.allleftText = QStringLiteral("-600"); // -28800 twips fits
        QVERIFY(placeSheet(s).ok);
    }

    void sheetRefusesAnOffsetThatIsNotANumber() {
        PrintSheet s;
        s.allupText = QStringLiteral("-");
        s.fields << field(QStringLiteral("一"), 0, 0);
        const SheetPlacement p = placeSheet(s);
        QVERIFY(!p.ok);
        QVERIFY(p.badOffset);
        QVERIFY(p.items.isEmpty());
    }

    void testPageIsOneLine() {
        const Placement p = testPagePlacement();
        QVERIFY(p.ok);
        QCOMPARE(p.items.size(), 12);
        for (int i = 0; i < 12; ++i) {
            QCOMPARE(p.items[i].rect.left, Twips(198 * i));
            QCOMPARE(p.items[i].rect.top, Twips(0));
            QCOMPARE(p.items[i].size, 10.0);
        }
    }
};

QTEST_GUILESS_MAIN(TestPlacement)
#include "tst_placement.moc"
