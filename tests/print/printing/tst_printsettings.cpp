// The print setup of a template: the value, its pure rules, its store, and what a PDF printer makes of it.
#include "NoticeOutput.h"
#include "PrintProbe.h"
#include "TestEnv.h"
#include "TestServer.h"
#include "app/Catalogue.h"
#include "data/Schema.h"
#include "data/Sql.h"
#include "printing/PageRenderer.h"
#include "printing/PrintActions.h"
#include "printing/PrintSettings.h"
#include "printing/PrintSettingsStore.h"
#include "printing/PrinterSetup.h"

#include <QPrinter>
#include <QTest>

using namespace vorlan;
using printing::PrintOrigin;
using printing::PrintSettings;

Q_DECLARE_METATYPE(PrintSettings)

namespace {

PrintSettings custom(double w, double h) {
    return printing::withCustomPaper({}, QSizeF(w, h));
}

PrintSettings sized(QPageSize::PageSizeId id) {
    return printing::withPaper({}, QPageSize(id));
}

PrintSettings oriented(PrintSettings s, QPageLayout::Orientation o) {
    s.orientation = o;
    return s;
}

PrintSettings fromPaper(PrintSettings s) {
    s.origin = PrintOrigin::Paper;
    return s;
}

PrintSettings on(PrintSettings s, const QString& printer) {
    s.printer = printer;
    return s;
}

printing::PrintField field(const QString& text, double left, double top) {
    printing::PrintField f;
    f.name = QStringLiteral("值");
    f.text = text;
    f.left = ui::Twips(left);
    f.top = ui::Twips(top);
    f.fontSize = 12;
    return f;
}

QPageLayout layout(QPageSize::PageSizeId id, QPageLayout::Orientation o, QMarginsF margins) {
    return QPageLayout(QPageSize(id), o, margins, QPageLayout::Point);
}

int rows(const QSqlDatabase& db) {
    return data::scalar(db, QStringLiteral("SELECT count(*) FROM mobanprint")).toInt();
}

} // namespace

class TestPrintSettings : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;

private slots:
    void readPaperLength_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("mm"); // 0: refused
        QTest::addColumn<QString>("problem");
        QTest::newRow("whole") << QStringLiteral("230") << 230.0 << QString();
        QTest::newRow("fraction, blanks around") << QStringLiteral(" 127.5 ") << 127.5 << QString();
        QTest::newRow("smallest") << QStringLiteral("10") << 10.0 << QString();
        QTest::newRow("largest") << QStringLiteral("1000") << 1000.0 << QString();
        QTest::newRow("empty") << QStringLiteral("  ") << 0.0
                               << QStringLiteral("请输入纸张的宽度（以毫米为单位）。");
        QTest::newRow("zero") << QStringLiteral("0") << 0.0
                              << QStringLiteral("纸张的宽度必须大于 0 毫米（现为 0）。");
        QTest::newRow("negative") << QStringLiteral("-230") << 0.0
                                  << QStringLiteral("纸张的宽度必须大于 0 毫米（现为 -230）。");
        QTest::newRow("letters") << QStringLiteral("23厘米") << 0.0
                                 << QStringLiteral(
                                        "纸张的宽度“23厘米”不是数字，请输入以毫米为单位的数值，例如 230。");
        QTest::newRow("infinite") << QStringLiteral("inf") << 0.0
                                  << QStringLiteral(
                                         "纸张的宽度“inf”不是数字，请输入以毫米为单位的数值，例如 230。");
        QTest::newRow("overflows") << QStringLiteral("1e400") << 0.0
                                   << QStringLiteral(
                                          "纸张的宽度“1e400”不是数字，请输入以毫米为单位的数值，例如 230。");
        QTest::newRow("too large") << QStringLiteral("1000.5") << 0.0
                                   << QStringLiteral(
                                          "纸张的宽度应在 10 到 1000 毫米之间（现为 1000.5 毫米）。");
        QTest::newRow("too small") << QStringLiteral("9.9") << 0.0
                                   << QStringLiteral("纸张的宽度应在 10 到 1000 毫米之间（现为 9.9 毫米）。");
    }
    void readPaperLength() {
        QFETCH(QString, text);
        QFETCH(double, mm);
        QFETCH(QString, problem);
        const printing::LengthReading r = printing::readPaperLength(text, QStringLiteral("宽度"));
        QCOMPARE(r.problem, problem);
        QCOMPARE(r.mm.has_value(), mm > 0);
        if (r.mm)
            QCOMPARE(*r.mm, mm);
    }

    void typedSizesKeepTheirDigits() {
        QCOMPARE(printing::millimetreText(230), QStringLiteral("230"));
        QCOMPARE(printing::millimetreText(127.25), QStringLiteral("127.25"));
        QCOMPARE(printing::millimetreText(100.123456789), QStringLiteral("100.123456789"));
        QCOMPARE(printing::customPaperName({230, 127}), QStringLiteral("自定义 230 x 127 毫米"));
    }

    void pageSizeFor_data() {
        QTest::addColumn<PrintSettings>("settings");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QSizeF>("mm");
        QTest::addColumn<QString>("key");
        QTest::newRow("default: the printer's own") << PrintSettings() << false << QSizeF() << QString();
        QTest::newRow("custom size as typed") << custom(230, 127) << true << QSizeF(230, 127) << QString();
        QTest::newRow("custom size out of range") << custom(1200, 127) << false << QSizeF() << QString();
        QTest::newRow("a size of the printer, by its key")
            << sized(QPageSize::A5) << true << QSizeF(148, 210) << QStringLiteral("A5");
        PrintSettings gone = sized(QPageSize::B5);
        gone.paperKey = QStringLiteral("OldKey");
        QTest::newRow("a key the printer does not list: the same dimensions")
            << gone << true << QSizeF(176, 250) << QString();
    }
    void pageSizeFor() {
        QFETCH(PrintSettings, settings);
        QFETCH(bool, valid);
        QFETCH(QSizeF, mm);
        QFETCH(QString, key);
        const QList<QPageSize> printer{QPageSize(QPageSize::A4), QPageSize(QPageSize::A5)};
        const QPageSize size = printing::pageSizeFor(settings, printer);
        QCOMPARE(size.isValid(), valid);
        if (!valid)
            return;
        const QSizeF got = size.size(QPageSize::Millimeter);
        QVERIFY2(qAbs(got.width() - mm.width()) < 0.5 && qAbs(got.height() - mm.height()) < 0.5,
                 qPrintable(QStringLiteral("%1 x %2").arg(got.width()).arg(got.height())));
        if (!key.isEmpty())
            QCOMPARE(size.key(), key);
    }

    void choosePrinter_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("missing");
        QTest::newRow("the default") << QString() << QStringLiteral("PDF") << false;
        QTest::newRow("installed") << QStringLiteral("针式打印机") << QStringLiteral("针式打印机") << false;
        QTest::newRow("removed since") << QStringLiteral("旧打印机") << QStringLiteral("PDF") << true;
        QTest::newRow("names compare exactly") << QStringLiteral("pdf") << QStringLiteral("PDF") << true;
    }
    void choosePrinter() {
        QFETCH(QString, stored);
        QFETCH(QString, name);
        QFETCH(bool, missing);
        const printing::PrinterChoice c = printing::choosePrinter(
            stored, {QStringLiteral("PDF"), QStringLiteral("针式打印机")}, QStringLiteral("PDF"));
        QCOMPARE(c.name, name);
        QCOMPARE(c.missing, missing);
    }

    void originShift_data() {
        QTest::addColumn<QPageLayout>("page");
        QTest::addColumn<int>("resolution");
        QTest::addColumn<QPointF>("paperShift");
        // 10 pt at 1200 dpi is 166.67 dots: the printer moves by whole dots, and so does the shift.
        QTest::newRow("10 pt all round")
            << layout(QPageSize::A4, QPageLayout::Portrait, {10, 10, 10, 10}) << 1200 << QPointF(-167, -167);
        QTest::newRow("left 28.35, top 28.35 at 600 dpi")
            << layout(QPageSize::A4, QPageLayout::Portrait, {28.35, 28.35, 28.07, 36}) << 600
            << QPointF(-233, -233); // the printer works from the margins in whole points
        QTest::newRow("no margin") << layout(QPageSize::A4, QPageLayout::Portrait, {}) << 1200
                                   << QPointF(0, 0);
        QTest::newRow("landscape: the margins as the page lies")
            << layout(QPageSize::A4, QPageLayout::Landscape, {18, 9, 0, 0}) << 72 << QPointF(-18, -9);
    }
    void originShift() {
        QFETCH(QPageLayout, page);
        QFETCH(int, resolution);
        QFETCH(QPointF, paperShift);
        QCOMPARE(printing::originShift(PrintOrigin::Paper, page, resolution), paperShift);
        QCOMPARE(printing::originShift(PrintOrigin::PrintableArea, page, resolution), QPointF(0, 0));
    }

    void pageGeometry() {
        const QPageLayout a4 = layout(QPageSize::A4, QPageLayout::Portrait, {10, 20, 10, 10});
        const printing::PageGeometry printable = printing::pageGeometry(a4, PrintOrigin::PrintableArea);
        QCOMPARE(qRound(printable.paper.width.value()), 11906); // 595.28 pt
        QCOMPARE(qRound(printable.paper.height.value()), 16838);
        QCOMPARE(printable.printable.left, 200_tw);
        QCOMPARE(printable.printable.top, 400_tw);
        QCOMPARE(printable.origin, (ui::TwipsPoint{200_tw, 400_tw}));
        const printing::PageGeometry paper = printing::pageGeometry(a4, PrintOrigin::Paper);
        QCOMPARE(paper.origin, (ui::TwipsPoint{0_tw, 0_tw}));
        QCOMPARE(paper.printable, printable.printable);
        const printing::PageGeometry wide =
            printing::pageGeometry(layout(QPageSize::A4, QPageLayout::Landscape, {}), PrintOrigin::Paper);
        QCOMPARE(qRound(wide.paper.width.value()), 16838);
    }

    void storeRoundTrip_data() {
        QTest::addColumn<PrintSettings>("settings");
        QTest::newRow("custom paper from its corner")
            << fromPaper(oriented(custom(230, 127.5), QPageLayout::Portrait));
        QTest::newRow("printer's size, landscape") << oriented(sized(QPageSize::A5), QPageLayout::Landscape);
        QTest::newRow("a printer by name") << on(PrintSettings(), QStringLiteral("财务室 O'Brien 针式"));
        QTest::newRow("only the origin") << fromPaper(PrintSettings());
        QTest::newRow("digits kept") << custom(100.123456789, 10);
    }
    void storeRoundTrip() {
        QFETCH(PrintSettings, settings);
        test::TestEnv env;
        const QString name = QStringLiteral("运单 'A'");
        printing::PrintSettingsStore store(env.db());
        QCOMPARE(store.load(name), PrintSettings());
        store.save(name, settings);
        store.save(QStringLiteral("别的模板"), on(PrintSettings(), QStringLiteral("X")));
        QCOMPARE(store.load(name), settings);
        // Saved again: replaced, not added. (On a server the printer is this computer's own row.)
        const bool file = !test::onServer();
        store.save(name, settings);
        if (file)
            QCOMPARE(rows(env.db()), 2);
        // The defaults need no row.
        store.save(name, PrintSettings());
        if (file)
            QCOMPARE(rows(env.db()), 1);
        QCOMPARE(store.load(name), PrintSettings());
        store.remove(QStringLiteral("别的模板"));
        if (file)
            QCOMPARE(rows(env.db()), 0);
    }

    void storeReadsUnusableValuesAsDefaults_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("width");
        QTest::addColumn<QVariant>("orientation");
        QTest::addColumn<QVariant>("origin");
        QTest::addColumn<PrintSettings>("expected");
        QTest::newRow("custom without width")
            << QStringLiteral("Custom") << QVariant(QMetaType(QMetaType::Double)) << QVariant(1)
            << QVariant(1) << fromPaper(oriented(PrintSettings(), QPageLayout::Landscape));
        QTest::newRow("custom too wide")
            << QStringLiteral("Custom") << QVariant(5000.0) << QVariant(QMetaType(QMetaType::Int))
            << QVariant(0) << PrintSettings();
        QTest::newRow("unknown orientation and origin") << QString() << QVariant(QMetaType(QMetaType::Double))
                                                        << QVariant(7) << QVariant(5) << PrintSettings();
        QTest::newRow("text where numbers belong")
            << QStringLiteral("Custom") << QVariant(QStringLiteral("宽")) << QVariant(QStringLiteral("横"))
            << QVariant(QStringLiteral("x")) << PrintSettings();
    }
    void storeReadsUnusableValuesAsDefaults() {
        QFETCH(QString, key);
        QFETCH(QVariant, width);
        QFETCH(QVariant, orientation);
        QFETCH(QVariant, origin);
        QFETCH(PrintSettings, expected);
        if (width.typeId() == QMetaType::QString)
            VORLAN_FILE_ONLY("a server's number columns take no texts");
        test::TestEnv env;
        data::exec(env.db(),
                   QStringLiteral("INSERT INTO mobanprint (mobanname, paperKey, paperWidth, paperHeight, "
                                  "orientation, origin) VALUES (?, ?, ?, 100, ?, ?)"),
                   {QStringLiteral("运单"), key, width, orientation, origin});
        QCOMPARE(printing::PrintSettingsStore(env.db()).load(QStringLiteral("运单")), expected);
    }

    // A template deleted in the catalogue takes its settings along: a new one of that name starts afresh.
    void deletedTemplateLeavesNoSettings() {
        test::TestEnv env;
        printing::PrintSettingsStore store(env.db());
        app::CatalogueStore(env.db()).save(
            {{QString::fromLatin1(app::kTopParent), QStringLiteral("1_"), QStringLiteral("旧运单")},
             {QString::fromLatin1(app::kTopParent), QStringLiteral("2_"), QStringLiteral("新运单")}});
        store.save(QStringLiteral("旧运单"), fromPaper(custom(230, 127)));
        store.save(QStringLiteral("新运单"), fromPaper(PrintSettings()));
        app::CatalogueStore(env.db()).deleteTemplate(QStringLiteral("旧运单"), QStringLiteral("1_"),
                                                     {QStringLiteral("新运单")});
        QCOMPARE(store.load(QStringLiteral("旧运单")), PrintSettings());
        QCOMPARE(store.load(QStringLiteral("新运单")), fromPaper(PrintSettings()));
    }

    void missingPrinterNotice() {
        printing::PrintOutcome printed;
        printed.missingPrinter = QStringLiteral("旧打印机");
        printed.printerUsed = QStringLiteral("PDF");
        const QString text = QStringLiteral("本模板设定的打印机“旧打印机”已不存在，本次改用默认打印机“PDF”打"
                                            "印。请在“打印设置”中重新选择打印机。");
        QCOMPARE(printing::printNotice(printed),
                 (printing::Notice{text, QStringLiteral("提示"), printing::Notice::Icon::Exclamation}));
        printed.status = printing::PrintStatus::PrinterFailed;
        QCOMPARE(printing::printNotice(printed),
                 (printing::Notice{text + QStringLiteral("\n打印机未准备好或有故障!"), QStringLiteral("错误"),
                                   printing::Notice::Icon::Critical}));
        printed.printerUsed.clear();
        QVERIFY(printing::printNotice(printed).text.startsWith(
            QStringLiteral("本模板设定的打印机“旧打印机”已不存在，也没有默认打印机。")));
    }

    void pdfPageIsTheChosenPaper_data() {
        QTest::addColumn<PrintSettings>("settings");
        QTest::addColumn<QSizeF>("points");
        QTest::newRow("custom 230 x 127 mm") << custom(230, 127) << QSizeF(651.97, 360);
        QTest::newRow("custom, landscape")
            << oriented(custom(127, 230), QPageLayout::Landscape) << QSizeF(651.97, 360);
        // The printer's own sizes come in whole points.
        QTest::newRow("A5") << sized(QPageSize::A5) << QSizeF(420, 595);
        QTest::newRow("A4 landscape")
            << oriented(sized(QPageSize::A4), QPageLayout::Landscape) << QSizeF(842, 595);
    }
    void pdfPageIsTheChosenPaper() {
        QFETCH(PrintSettings, settings);
        QFETCH(QSizeF, points);
        if (!probe::haveTool(QStringLiteral("pdfinfo")))
            QSKIP("poppler-utils (pdfinfo) are not installed");
        test::TestEnv env(false);
        const QString pdf = dir_.filePath(QStringLiteral("paper.pdf"));
        env.printToPdf(pdf);
        printing::PrintSheet sheet;
        sheet.templateName = QStringLiteral("纸张");
        sheet.settings = settings;
        sheet.fields << field(QStringLiteral("甲"), 1440, 1440);
        QVERIFY(printing::printSheet(sheet).ok());
        const QSizeF got = probe::pageSize(pdf);
        QVERIFY2(qAbs(got.width() - points.width()) < 0.05 && qAbs(got.height() - points.height()) < 0.05,
                 qPrintable(QStringLiteral("%1 x %2 pt").arg(got.width()).arg(got.height())));
    }

    // On the PDF printer (a 10 pt unprintable margin) the paper origin puts a value at its twips from the
    // paper's corner; the printable-area origin one margin further in, as before.
    void originOnThePdfPrinter_data() {
        QTest::addColumn<PrintSettings>("settings");
        QTest::newRow("printer's paper") << PrintSettings();
        QTest::newRow("custom landscape") << oriented(custom(127, 230), QPageLayout::Landscape);
    }
    void originOnThePdfPrinter() {
        QFETCH(PrintSettings, settings);
        if (!probe::haveTool(QStringLiteral("pdftotext")))
            QSKIP("poppler-utils (pdftotext) are not installed");
        test::TestEnv env(false);
        QList<probe::Word> found[2];
        double dot = 0, margin[2] = {0, 0};
        for (int paper = 0; paper < 2; ++paper) {
            const QString pdf = dir_.filePath(QStringLiteral("origin%1.pdf").arg(paper));
            env.printToPdf(pdf);
            PrintSettings s = settings;
            s.origin = paper ? PrintOrigin::Paper : PrintOrigin::PrintableArea;
            const printing::OpenedPrinter opened = printing::openPrinter(QStringLiteral("x"), s);
            QVERIFY(opened.printer);
            dot = 72.0 / opened.printer->resolution();
            margin[0] = opened.printer->pageRect(QPrinter::Point).left();
            margin[1] = opened.printer->pageRect(QPrinter::Point).top();
            printing::PrintSheet sheet;
            sheet.templateName = QStringLiteral("起点");
            sheet.settings = s;
            sheet.fields << field(QStringLiteral("甲 乙"), 1440, 720)
                         << field(QStringLiteral("丙"), 4000, 3000);
            QVERIFY(printing::printSheet(sheet).ok());
            found[paper] = probe::readWords(pdf).words;
            QCOMPARE(found[paper].size(), 3);
        }
        QVERIFY(margin[0] > 5); // the PDF printer keeps a margin, so the two origins differ
        for (int i = 0; i < 3; ++i) {
            const probe::Word& printable = found[0].at(i);
            const probe::Word& paper = found[1].at(i);
            QCOMPARE(paper.text, printable.text);
            QVERIFY2(qAbs(printable.xMin - paper.xMin - margin[0]) <= dot &&
                         qAbs(printable.yMin - paper.yMin - margin[1]) <= dot,
                     qPrintable(QStringLiteral("%1: %2,%3 and %4,%5")
                                    .arg(paper.text)
                                    .arg(printable.xMin)
                                    .arg(printable.yMin)
                                    .arg(paper.xMin)
                                    .arg(paper.yMin)));
        }
        // From the paper's corner: 甲 at 1440, 720 twips is 72, 36 points.
        QVERIFY(qAbs(found[1].at(0).xMin - 72) <= dot);
        QVERIFY(qAbs(found[1].at(0).yMin - 36) <= dot);
    }

    void missingPrinterPrintsOnTheDefault() {
        test::TestEnv env(false);
        const QString pdf = dir_.filePath(QStringLiteral("fallback.pdf"));
        env.printToPdf(pdf);
        QFile::remove(pdf);
        printing::PrintSheet sheet;
        sheet.templateName = QStringLiteral("换打印机");
        sheet.settings = on(custom(230, 127), QStringLiteral("早已拆除的打印机"));
        sheet.fields << field(QStringLiteral("甲"), 0, 0);
        const printing::PrintOutcome printed = printing::printSheet(sheet);
        QVERIFY(printed.ok());
        QCOMPARE(printed.missingPrinter, QStringLiteral("早已拆除的打印机"));
        QCOMPARE(printed.printerUsed, pdf);
        QVERIFY(QFileInfo::exists(pdf));
        QVERIFY(printing::printNotice(printed).text.contains(QStringLiteral("早已拆除的打印机")));
        // The template's paper still applies on the printer that stands in.
        if (probe::haveTool(QStringLiteral("pdfinfo")))
            QVERIFY(qAbs(probe::pageSize(pdf).width() - 651.97) < 0.05);
    }

    void previewGeometryWithoutPrinter() {
        test::TestEnv env(false);
        env.printToNothing();
        const printing::PageGeometry g = printing::previewGeometry(fromPaper(custom(230, 127)));
        QCOMPARE(qRound(g.paper.width.value()), 13039); // 230 mm
        QCOMPARE(qRound(g.paper.height.value()), 7200);
        QCOMPARE(g.printable.left, 0_tw);
        const printing::PageGeometry a4 = printing::previewGeometry({});
        QCOMPARE(qRound(a4.paper.width.value()), 11906);
    }
};

QTEST_MAIN(TestPrintSettings)
#include "tst_printsettings.moc"
