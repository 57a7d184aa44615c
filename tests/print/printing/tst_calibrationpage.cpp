// The calibration sheet on a PDF printer: its captions read back at the millimetres they name, its crosses
// found in the rendered page where they should be, and the distances measured on it, typed back in, give
// offsets that take the offsets it was printed with back out.
#include "PrintProbe.h"
#include "ScopedEnvironment.h"
#include "printing/Calibration.h"
#include "printing/CalibrationPage.h"
#include "printing/PrinterSetup.h"

#include <QTest>

using namespace vorlan;
using namespace vorlan::printing;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(vorlan::printing::PrintSettings)

namespace {

constexpr int kDpi = 300;

double points(double mm) {
    return mm * 72 / 25.4;
}

double offsetMm(int units) {
    return units * 48 / (1440 / 25.4);
}

PrintSettings settings(QSizeF mm, PrintOrigin origin) {
    PrintSettings s = withCustomPaper({}, mm);
    s.origin = origin;
    return s;
}

// Where the centre of a cross landed on the page, in millimetres from the paper's corner: from the ends of
// its arms away from its caption (which lies below, towards the middle of the sheet).
std::optional<QPointF> crossCentre(const QImage& page, QPointF expectedMm, bool captionLeft) {
    const auto px = [](double mm) { return int(std::round(mm * kDpi / 25.4)); };
    const double x = expectedMm.x(), y = expectedMm.y();
    const QRect across = captionLeft ? QRect(QPoint(px(x + 1), px(y - 1.5)), QPoint(px(x + 7), px(y + 1.5)))
                                     : QRect(QPoint(px(x - 7), px(y - 1.5)), QPoint(px(x - 1), px(y + 1.5)));
    const QRect down(QPoint(px(x - 1.5), px(y - 7)), QPoint(px(x + 1.5), px(y - 1)));
    const QRect h = probe::inkBox(page, across), v = probe::inkBox(page, down);
    if (h.isEmpty() || v.isEmpty())
        return std::nullopt;
    const double toMm = 25.4 / kDpi;
    // Ink from pixel a to pixel b covers a to b + 1.
    const double armEnd = captionLeft ? (h.right() + 1) * toMm - 5 : h.left() * toMm + 5;
    const double fromTop = v.top() * toMm + 5;
    const double midX = (v.left() + v.right() + 1) / 2.0 * toMm;
    const double midY = (h.top() + h.bottom() + 1) / 2.0 * toMm;
    // Both readings of each coordinate agree on a sheet that came out whole.
    if (std::abs(armEnd - midX) > 0.2 || std::abs(fromTop - midY) > 0.2)
        return std::nullopt;
    return QPointF((armEnd + midX) / 2, (fromTop + midY) / 2);
}

} // namespace

class TestCalibrationPage : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;

private slots:
    void sheet_data() {
        QTest::addColumn<PrintSettings>("settings");
        QTest::addColumn<int>("allup");
        QTest::addColumn<int>("allleft");
        QTest::newRow("waybill paper, from the printable area")
            << settings({230, 127}, PrintOrigin::PrintableArea) << 0 << 0;
        QTest::newRow("from the paper's corner") << settings({230, 127}, PrintOrigin::Paper) << 0 << 0;
        QTest::newRow("printed with offsets") << settings({210, 148}, PrintOrigin::Paper) << 10 << -5;
        QTest::newRow("offsets from the printable area")
            << settings({150, 100}, PrintOrigin::PrintableArea) << -3 << 7;
    }
    void sheet() {
        QFETCH(PrintSettings, settings);
        QFETCH(int, allup);
        QFETCH(int, allleft);
        for (const char* tool : {"pdftotext", "pdftoppm"})
            if (!probe::haveTool(QString::fromLatin1(tool)))
                QSKIP("poppler-utils (pdftotext, pdftoppm) are not installed");
        test::ScopedEnvironment env;
        const QString pdf = dir_.filePath(QString::fromLatin1(QTest::currentDataTag()) + u".pdf"_s);
        env.printToPdf(pdf);
        const CalibrationPrint printed = printCalibrationSheet(settings, {allup, allleft});
        QVERIFY2(printed.outcome.ok() && printed.refusal.isEmpty(), qPrintable(printed.refusal));
        const QSizeF paper = calibration::paperMillimetres(printed.page);
        QVERIFY(qAbs(paper.width() - settings.paperMm.width()) < 0.01);
        const QList<calibration::Cross> crosses = calibration::crosses(paper);
        const QPointF shift(offsetMm(allleft), offsetMm(allup));

        // The captions: "A 25,25" begins 1.5 mm right of and below where cross A lands.
        const probe::PdfText text = probe::readWords(pdf);
        QCOMPARE(text.pages, 1);
        const auto word = [&](const QString& w) {
            const auto it = std::find_if(text.words.cbegin(), text.words.cend(),
                                         [&](const probe::Word& x) { return x.text == w; });
            return it == text.words.cend() ? std::optional<probe::Word>() : std::optional<probe::Word>(*it);
        };
        const auto a = word(u"A"_s);
        QVERIFY(a);
        QVERIFY2(qAbs(a->xMin - points(26.5 + shift.x())) < 0.15, qPrintable(QString::number(a->xMin)));
        // The ruler's 50 stands centred on its tick, 50 mm from the paper's left edge.
        std::optional<probe::Word> fifty; // the top ruler's, not the left one's
        for (const probe::Word& w : text.words)
            if (w.text == u"50"_s && (!fifty || w.yMin < fifty->yMin))
                fifty = w;
        QVERIFY(fifty);
        const double half = fullAdvance(7).value() / 2 / 20; // points
        QVERIFY2(qAbs(fifty->xMin + half - points(50 + shift.x())) < 0.15,
                 qPrintable(QString::number(fifty->xMin)));

        // The crosses in the rendered page, measured as the user measures them.
        const QImage page = probe::rasterise(pdf, kDpi);
        QVERIFY(!page.isNull());
        QList<calibration::Measured> measured;
        for (const calibration::Cross& c : crosses) {
            const QPointF landed = c.mm + shift;
            const auto found = crossCentre(page, landed, c.mm.x() > paper.width() / 2 + 1e-6);
            QVERIFY2(found, qPrintable(c.label));
            QVERIFY2(qAbs(found->x() - landed.x()) < 0.1 && qAbs(found->y() - landed.y()) < 0.1,
                     qPrintable(u"%1 at %2,%3"_s.arg(c.label).arg(found->x()).arg(found->y())));
            measured << calibration::Measured{found->x(), found->y()};
        }
        // Typed in, the distances take the offsets of the sheet back out: the PDF printer needs none.
        const calibration::Result r = calibration::compute(crosses, measured, allup, allleft);
        QCOMPARE(r.vertical.offset, 0);
        QCOMPARE(r.horizontal.offset, 0);
        QVERIFY(qAbs(r.horizontal.errorMm - shift.x()) < 0.1 && qAbs(r.vertical.errorMm - shift.y()) < 0.1);
    }
};

QTEST_MAIN(TestCalibrationPage)
#include "tst_calibrationpage.moc"
