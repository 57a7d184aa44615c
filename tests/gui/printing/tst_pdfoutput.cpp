// Printed output read back from PDF: every character where the placement puts it, within one device dot.
#include "NoticeOutput.h"
#include "PrintProbe.h"
#include "TestEnv.h"
#include "app/Windows.h"
#include "printing/PageRenderer.h"
#include "printing/Placement.h"
#include "printing/PrintActions.h"
#include "printing/TestPage.h"
#include "ui/Printer.h"

#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QTest>

using namespace vorlan;
using printing::Notice;
using printing::PlacedItem;
using printing::PrintField;
using printing::PrintSheet;
using printing::PrintStatus;

namespace {

PrintField field(const QString& name, const QString& text, double left, double top, double size) {
    PrintField f;
    f.name = name;
    f.text = text;
    f.left = ui::Twips(left);
    f.top = ui::Twips(top);
    f.fontSize = size;
    return f;
}

// Characters with blanks between them, so that each is a word of its own in the read-back.
QString spaced(const QString& chars) {
    QStringList parts;
    for (const QChar c : chars)
        parts << QString(c);
    return parts.join(QLatin1Char(' '));
}

// PDF coordinates are points, 20 twips each.
double points(ui::Twips t) {
    return t.value() / 20.0;
}

bool visible(const PlacedItem& c) {
    return !c.text.trimmed().isEmpty();
}

struct Origin {
    double x = 0, y = 0; // points
    double dot = 0;      // one device dot in points
};

// Where the printable area starts on the PDF printer, as the printing code sets it up.
Origin pdfOrigin(test::ScopedEnvironment& env, const QString& path) {
    env.printToPdf(path);
    const auto printer = ui::openDefaultPrinter(QStringLiteral("origin"));
    const QRectF page = printer->pageRect(QPrinter::DevicePixel);
    const double perDot = 72.0 / printer->resolution();
    return {page.left() * perDot, page.top() * perDot, perDot};
}

} // namespace

class TestPdfOutput : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;

    QString pdfPath(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

private slots:
    void initTestCase() {
        if (!probe::haveTool(QStringLiteral("pdftotext")) || !probe::haveTool(QStringLiteral("pdftoppm")))
            QSKIP("poppler-utils (pdftotext, pdftoppm) are not installed");
    }

    void everyCharacterAtItsPlace() {
        test::TestEnv env(false);
        const QString pdf = pdfPath("sheet.pdf");
        const Origin o = pdfOrigin(env, pdf);

        PrintSheet sheet;
        sheet.templateName = QStringLiteral("运单");
        sheet.allupText = QStringLiteral("10");
        sheet.allleftText = QStringLiteral("-5");
        sheet.fields << field(QStringLiteral("收件人"), QStringLiteral("  张三丰 "), 1440, 720, 9)
                     << field(QStringLiteral("电话"), spaced(QStringLiteral("Tel0571")), 1440, 1500, 9)
                     << field(QStringLiteral("空"), QString(), 500, 500, 9)
                     << field(QStringLiteral("地址"),
                              spaced(QStringLiteral("浙江省杭州市西湖区文三路一百号院内")), 600, 2400, 12)
                     << field(QStringLiteral("大字"), spaced(QStringLiteral("壹佰元Ab")), 5000, 6000, 20.5)
                     << field(QStringLiteral("小字"), spaced(QStringLiteral("小号字体")), 9000, 300, 7.5);
        const printing::SheetPlacement placed = printing::placeSheet(sheet);
        QVERIFY(placed.ok);

        QVERIFY(printing::printSheet(sheet).ok());
        QVERIFY(env.prompter.shown.isEmpty());
        const probe::PdfText text = probe::readWords(pdf);
        QVERIFY2(text.error.isEmpty(), qPrintable(text.error));
        QCOMPARE(text.pages, 1);

        // 张三丰 runs together as one word; its first character and the end of its last are checked.
        QList<PlacedItem> singles;
        QList<probe::Word> words = text.words;
        const QList<PlacedItem> name = placed.items.mid(0, 3);
        bool found = false;
        for (qsizetype i = 0; i < words.size(); ++i) {
            if (words[i].text != QStringLiteral("张三丰"))
                continue;
            QVERIFY(qAbs(words[i].xMin - (o.x + points(name[0].rect.left))) <= o.dot);
            QVERIFY(qAbs(words[i].yMin - (o.y + points(name[0].rect.top))) <= o.dot);
            // The last glyph is one em (9 points) wide.
            QVERIFY(qAbs(words[i].xMax - 9 - (o.x + points(name[2].rect.left))) <= o.dot);
            words.removeAt(i);
            found = true;
            break;
        }
        QVERIFY(found);
        QCOMPARE(name[0].rect.left, 1200_tw); // 1440 - 5 x 48
        QCOMPARE(name[0].rect.top, 1200_tw);  // 720 + 10 x 48

        for (const PlacedItem& c : placed.items.mid(3))
            if (visible(c))
                singles << c;
        QCOMPARE(words.size(), singles.size());
        for (const PlacedItem& c : singles) {
            const double ex = o.x + points(c.rect.left), ey = o.y + points(c.rect.top);
            qsizetype hit = -1;
            for (qsizetype i = 0; i < words.size() && hit < 0; ++i)
                if (words[i].text == c.text && qAbs(words[i].xMin - ex) <= o.dot &&
                    qAbs(words[i].yMin - ey) <= o.dot)
                    hit = i;
            QVERIFY2(hit >= 0,
                     qPrintable(QStringLiteral("%1 expected at %2, %3 pt").arg(c.text).arg(ex).arg(ey)));
            words.removeAt(hit);
        }
        // The long address wrapped onto a second line 300 twips lower.
        QVERIFY(std::any_of(singles.begin(), singles.end(),
                            [](const PlacedItem& c) { return c.rect.top == 2400_tw + 480_tw + 300_tw; }));
    }

    void drawSheetPaintsTheSameOnAnyDevice() {
        test::TestEnv env(false);
        const QString pdf = pdfPath("writer.pdf");
        PrintSheet sheet;
        sheet.fields << field(QStringLiteral("甲"), spaced(QStringLiteral("甲乙AB")), 2880, 1440, 11);
        {
            QPdfWriter writer(pdf);
            writer.setResolution(600);
            writer.setPageMargins(QMarginsF(0, 0, 0, 0));
            QPainter p(&writer);
            QVERIFY(printing::drawSheet(p, sheet).ok());
        }
        const probe::PdfText text = probe::readWords(pdf);
        QCOMPARE(text.words.size(), 4);
        const double dot = 72.0 / 600;
        QVERIFY(qAbs(text.words[0].xMin - 144) <= dot);
        QVERIFY(qAbs(text.words[0].yMin - 72) <= dot);
        QCOMPARE(text.words[3].text, QStringLiteral("B"));
        // 甲 178+ blank 89 ... at size 11: full 217.6, half 108.8.
        const auto p = printing::placeText(spaced(QStringLiteral("甲乙AB")), {2880_tw, 1440_tw}, 11);
        QVERIFY(qAbs(text.words[3].xMin - points(p.items.last().rect.left)) <= dot);
        QVERIFY(env.prompter.shown.isEmpty());
    }

    void drawSheetStopsAtTheFirstFailure() {
        PrintSheet sheet;
        sheet.fields << field(QStringLiteral("a"), QStringLiteral("甲"), 0, 0, 9)
                     << field(QStringLiteral("b"), QStringLiteral("乙"), 29000, 0, 9)
                     << field(QStringLiteral("c"), QStringLiteral("丙"), 0, 1000, 9);
        QImage img(200, 200, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        const printing::PrintOutcome drawn = printing::drawSheet(p, sheet);
        p.end();
        QCOMPARE(drawn.status, PrintStatus::OutOfRange);
        QCOMPARE(drawn.field, 1);
        QCOMPARE(drawn.fieldName, QStringLiteral("b"));
        // 甲 was drawn at the top, 丙 never.
        QVERIFY(!probe::inkBox(img, QRect(0, 0, 30, 20)).isEmpty());
        QVERIFY(probe::inkBox(img, QRect(0, 50, 200, 150)).isEmpty());
    }

    void testPageOnOneLineAtTheCorner() {
        test::TestEnv env(false);
        const QString pdf = pdfPath("testpage.pdf");
        const Origin o = pdfOrigin(env, pdf);
        windows::printTestPage(nullptr);
        QVERIFY(env.prompter.shown.isEmpty());
        const probe::PdfText text = probe::readWords(pdf);
        QCOMPARE(text.pages, 1);
        QCOMPARE(text.words.size(), 1);
        QCOMPARE(text.words[0].text, printing::testPageText());
        QVERIFY(qAbs(text.words[0].xMin - o.x) <= o.dot);
        QVERIFY(qAbs(text.words[0].yMin - o.y) <= o.dot);
        // Twelve characters, 198 twips apart, the last one em (10 points) wide.
        QVERIFY(qAbs(text.words[0].xMax - (o.x + 11 * 198 / 20.0 + 10)) <= o.dot);
    }

    void noPrinter() {
        test::TestEnv env(false);
        env.printToNothing();
        PrintSheet sheet;
        sheet.fields << field(QStringLiteral("a"), QStringLiteral("甲"), 0, 0, 9)
                     << field(QStringLiteral("b"), QStringLiteral("乙"), 0, 500, 9);
        const printing::PrintOutcome printed = printing::printSheet(sheet);
        QCOMPARE(printed.status, PrintStatus::PrinterFailed);
        QVERIFY(!printed.problem.isEmpty());
        QVERIFY(env.prompter.shown.isEmpty()); // printing itself tells the user nothing
        QCOMPARE(printing::printNotice(printed), (Notice{QStringLiteral("打印机未准备好或有故障!"),
                                                         QStringLiteral("错误"), Notice::Icon::Critical}));
        // The test page says the same, once.
        QCOMPARE(printing::printTestPage().status, PrintStatus::PrinterFailed);
        windows::printTestPage(nullptr);
        QCOMPARE(env.prompter.shown.size(), 1);
        QCOMPARE(env.prompter.last().text, QStringLiteral("打印机未准备好或有故障!"));
        QCOMPARE(env.prompter.last().title, QStringLiteral("错误"));
        QCOMPARE(env.prompter.last().icon, ui::Icon::Critical);
    }

    void outOfRangeSendsNothing() {
        test::TestEnv env(false);
        const QString pdf = pdfPath("range.pdf");
        env.printToPdf(pdf);
        PrintSheet sheet;
        sheet.fields << field(QStringLiteral("a"), QStringLiteral("甲"), 0, 0, 9)
                     << field(QStringLiteral("b"), QStringLiteral("乙"), 28868, 0, 9)
                     << field(QStringLiteral("c"), QStringLiteral("丙"), 0, 500, 9);
        printing::PrintOutcome printed = printing::printSheet(sheet);
        QCOMPARE(printed.status, PrintStatus::OutOfRange);
        QCOMPARE(printed.field, 1);
        QCOMPARE(printed.fault, printing::PlacementFault::Position);
        // The printer is fine: the message names the input point and why it cannot be printed.
        QCOMPARE(printing::printNotice(printed),
                 (Notice{QStringLiteral("输入点“b”的位置超出纸张范围，无法打印。请开启微调把它移回纸面，"
                                        "或减小整体打印位置的偏移。"),
                         QStringLiteral("提示"), Notice::Icon::Exclamation}));
        QVERIFY(!QFile::exists(pdf));

        // A value too long for the page is named as such.
        sheet.fields[1] = field(QStringLiteral("备注"), QString(200, QChar(0x6C49)), 0, 1000, 9);
        printed = printing::printSheet(sheet);
        QCOMPARE(printed.fault, printing::PlacementFault::TooLong);
        QCOMPARE(printing::printNotice(printed).text,
                 QStringLiteral("输入点“备注”的内容太长，超出纸张范围，无法打印。请缩短内容后再打印。"));
        QVERIFY(!QFile::exists(pdf));
        QVERIFY(env.prompter.shown.isEmpty());
    }

    void offsetThatIsNotANumber() {
        test::TestEnv env(false);
        const QString pdf = pdfPath("offset.pdf");
        env.printToPdf(pdf);
        PrintSheet sheet;
        sheet.allleftText = QStringLiteral("-");
        sheet.fields << field(QStringLiteral("a"), QStringLiteral("甲"), 0, 0, 9);
        const printing::PrintOutcome printed = printing::printSheet(sheet);
        QCOMPARE(printed.status, PrintStatus::OffsetInvalid);
        QCOMPARE(printed.offsetBox, printing::OffsetBox::Horizontal);
        QCOMPARE(printing::printNotice(printed).text,
                 QStringLiteral("整体打印位置的左右偏移“-”不是一个数字，请改正后再打印。"));
        QVERIFY(!QFile::exists(pdf));
    }

    void emptySheetNeedsAPrinterButSendsNoPage() {
        test::TestEnv env(false);
        const QString pdf = pdfPath("empty.pdf");
        env.printToPdf(pdf);
        PrintSheet sheet;
        sheet.fields << field(QStringLiteral("a"), QStringLiteral("  "), 0, 0, 9);
        QVERIFY(printing::printSheet(sheet).ok());
        QVERIFY(!QFile::exists(pdf));
        env.printToNothing();
        QCOMPARE(printing::printSheet(sheet).status, PrintStatus::PrinterFailed);
    }
};

QTEST_MAIN(TestPdfOutput)
#include "tst_pdfoutput.moc"
