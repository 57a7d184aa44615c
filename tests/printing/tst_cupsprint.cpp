// Printing through a real print queue: the system's default printer, here a cups-pdf queue that
// scripts/run-tests.sh sets up. The PDF the queue writes is rasterised and its ink compared with the
// placement drawn at the same resolution.
#include "PrintProbe.h"
#include "TestEnv.h"
#include "app/Windows.h"
#include "data/Sql.h"
#include "printing/PageRenderer.h"
#include "printing/PrintActions.h"
#include "printing/SampleData.h"
#include "printing/TestPage.h"
#include "templates/TemplateStore.h"
#include "ui/Printer.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QThread>

using namespace vorlan;
using printing::PlacedChar;

namespace {

constexpr int kDpi = 300;
constexpr int kTolerance = 2; // pixels at 300 dpi, about 0.17 mm

QString run(const QString& program, const QStringList& args, int* exitCode = nullptr) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    if (exitCode)
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

QString outputFolder() {
    return QDir::home().filePath(QStringLiteral("PDF"));
}

QSet<QString> pdfFiles() {
    const QStringList files = QDir(outputFolder()).entryList({QStringLiteral("*.pdf")}, QDir::Files);
    return QSet<QString>(files.begin(), files.end());
}

// cups-pdf names the file after the job title, writing each byte outside ASCII as its octal value.
QString titleInFileName(const QString& title) {
    QString out;
    for (const char c : title.toUtf8()) {
        const auto b = uchar(c);
        if (b < 0x80 && QChar(QLatin1Char(char(b))).isLetterOrNumber())
            out += QLatin1Char(char(b));
        else
            out += QString::number(b, 8) + QLatin1Char('_');
    }
    return out;
}

// Waits until the queue is empty and the job's PDF is there; an empty text after the timeout.
QString waitForOutput(const QString& queue, const QSet<QString>& before, const QString& title) {
    QElapsedTimer timer;
    timer.start();
    const QString marker = titleInFileName(title);
    while (timer.elapsed() < 60000) {
        if (run(QStringLiteral("lpstat"), {QStringLiteral("-o"), queue}).trimmed().isEmpty()) {
            QStringList fresh;
            for (const QString& f : pdfFiles())
                if (!before.contains(f))
                    fresh << f;
            for (const QString& f : fresh)
                if (f.startsWith(marker))
                    return QDir(outputFolder()).filePath(f);
            if (fresh.size() == 1 && marker.isEmpty())
                return QDir(outputFolder()).filePath(fresh.first());
        }
        QThread::msleep(100);
    }
    return {};
}

// The page as it should come out: the characters drawn at 300 dpi from the corner of the default
// printer's printable area.
QImage expectedPage(const QList<PlacedChar>& chars) {
    auto printer = std::make_unique<QPrinter>(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
    printer->setFullPage(false);
    const double scale = double(kDpi) / printer->resolution();
    const QRectF paper = printer->paperRect(QPrinter::DevicePixel);
    const QRectF page = printer->pageRect(QPrinter::DevicePixel);
    QImage img(qRound(paper.width() * scale), qRound(paper.height() * scale), QImage::Format_Grayscale8);
    img.setDotsPerMeterX(qRound(kDpi / 0.0254));
    img.setDotsPerMeterY(qRound(kDpi / 0.0254));
    img.fill(Qt::white);
    QPainter p(&img);
    p.setPen(Qt::black);
    p.translate(page.left() * scale, page.top() * scale);
    printing::paintPlaced(p, chars);
    return img;
}

QString describe(const QRect& r) {
    return QStringLiteral("(%1,%2 %3x%4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

bool near(const QRect& a, const QRect& b) {
    return qAbs(a.left() - b.left()) <= kTolerance && qAbs(a.top() - b.top()) <= kTolerance &&
           qAbs(a.right() - b.right()) <= kTolerance && qAbs(a.bottom() - b.bottom()) <= kTolerance;
}

} // namespace

// QSKIP returns from the function it is written in, so this is a macro.
#define REQUIRE_QUEUE()                                                                                      \
    if (queue_.isEmpty())                                                                                    \
    QSKIP("no CUPS default printer on a cups-pdf queue (scripts/run-tests.sh sets one up when run as root)")

class TestCupsPrint : public QObject {
    Q_OBJECT
private:
    QString queue_;
    QStringList produced_;

    QImage printedPage(const QSet<QString>& before, const QString& title) {
        const QString pdf = waitForOutput(queue_, before, title);
        if (pdf.isEmpty())
            return {};
        produced_ << pdf;
        return probe::rasterise(pdf, kDpi);
    }

private slots:
    void initTestCase() {
        if (!probe::haveTool(QStringLiteral("lpstat")) || !probe::haveTool(QStringLiteral("pdftoppm")))
            return;
        const QString name = QPrinterInfo::defaultPrinter().printerName();
        if (name.isEmpty())
            return;
        // Only a queue that writes PDF files is used: tests never print on paper.
        const QString device = run(QStringLiteral("lpstat"), {QStringLiteral("-v"), name});
        if (device.contains(QStringLiteral("cups-pdf:")))
            queue_ = name;
    }

    void cleanupTestCase() {
        for (const QString& f : produced_)
            QFile::remove(f);
    }

    void testPage() {
        REQUIRE_QUEUE();
        test::TestEnv env(false);
        env.printToSystem();
        const QSet<QString> before = pdfFiles();
        windows::printTestPage(nullptr);
        QVERIFY(env.prompter.shown.isEmpty());
        const QImage page = printedPage(before, QStringLiteral("打印测试"));
        QVERIFY2(!page.isNull(), "the queue wrote no PDF");

        const QImage expected = expectedPage(printing::testPagePlacement().chars);
        const QRect want = probe::inkBox(expected, expected.rect());
        const QRect got = probe::inkBox(page, page.rect());
        QVERIFY2(near(want, got),
                 qPrintable(describe(want) + QStringLiteral(" expected, printed ") + describe(got)));
        // One line at the corner of the printable area: about one character high.
        QVERIFY(got.height() < 10 * kDpi / 72 * 3 / 2);
    }

    void sampleSheetWithOffsets() {
        REQUIRE_QUEUE();
        test::TestEnv env;
        env.printToSystem();
        windows::seedSampleData(env.db());
        const templates::Template t =
            templates::TemplateStore(env.db()).load(printing::sample::kTemplateName).tmpl;
        // A template name of its own, so the job's file is found whatever else is printed meanwhile.
        const QString title = QStringLiteral("cupscheck%1").arg(QDateTime::currentMSecsSinceEpoch());
        data::exec(env.db(),
                   QStringLiteral("ALTER TABLE \"示例运单\" RENAME TO %1").arg(data::quoteId(title)));

        printing::PrintSheet sheet;
        sheet.templateName = title;
        sheet.allupText = QStringLiteral("3");
        sheet.allleftText = QStringLiteral("-2");
        int n = 0;
        for (const templates::PointFamily* fam : {&t.single, &t.multi})
            for (int i = 1; i <= fam->count; ++i) {
                const templates::InputPoint& p = (*fam)[i];
                if (!p.isLive())
                    continue; // as the print window, which skips empty slots
                const QString value =
                    (++n % 2) ? p.name + QStringLiteral("：示例") : QStringLiteral("A1 ") + p.name;
                sheet.fields << printing::PrintField{p.name, value, p.rect.left, p.rect.top, p.fontSize};
            }

        const QSet<QString> before = pdfFiles();
        QVERIFY(printing::printSheet(sheet).ok());
        QVERIFY(printing::logSheet(sheet).ok());
        QVERIFY(env.prompter.shown.isEmpty());
        QCOMPARE(data::scalar(env.db(), QStringLiteral("SELECT count(*) FROM %1").arg(data::quoteId(title)))
                     .toInt(),
                 1);
        const QImage page = printedPage(before, title);
        QVERIFY2(!page.isNull(), "the queue wrote no PDF");

        // Each value's ink, drawn alone, is compared with the printed page in the same neighbourhood.
        const printing::SheetPlacement all = printing::placeSheet(sheet);
        QVERIFY(all.ok);
        qsizetype from = 0;
        for (const printing::PrintField& f : sheet.fields) {
            const qsizetype count = printing::placeText(f.text, {0_tw, 0_tw}, f.fontSize).chars.size();
            const QList<PlacedChar> mine = all.chars.mid(from, count);
            from += count;
            const QImage expected = expectedPage(mine);
            const QRect want = probe::inkBox(expected, expected.rect());
            QVERIFY(!want.isEmpty());
            const QRect got = probe::inkBox(page, want.adjusted(-8, -8, 8, 8));
            QVERIFY2(near(want, got), qPrintable(f.name + QStringLiteral(": ") + describe(want) +
                                                 QStringLiteral(" expected, printed ") + describe(got)));
        }
    }

    void printerInErrorState() {
        REQUIRE_QUEUE();
        int code = 0;
        run(QStringLiteral("cupsdisable"), {queue_}, &code);
        if (code != 0)
            QSKIP("the queue cannot be stopped here (cupsdisable needs administrator rights)");
        test::TestEnv env;
        env.printToSystem();
        const QSet<QString> before = pdfFiles();
        printing::PrintSheet sheet;
        sheet.templateName = QStringLiteral("停用");
        sheet.fields << printing::PrintField{QStringLiteral("a"), QStringLiteral("甲"), 0_tw, 0_tw, 9};
        const printing::PrintOutcome printed = printing::printSheet(sheet);
        run(QStringLiteral("cupsenable"), {queue_});
        QCOMPARE(printed.status, printing::PrintStatus::PrinterFailed);
        const printing::Notice notice = printing::printNotice(printed);
        QCOMPARE(notice.text, QStringLiteral("打印机未准备好或有故障!"));
        QCOMPARE(notice.title, QStringLiteral("错误"));
        QVERIFY(run(QStringLiteral("lpstat"), {QStringLiteral("-o"), queue_}).trimmed().isEmpty());
        QCOMPARE(pdfFiles(), before);
    }

    void noDefaultPrinter() {
        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("a default printer is installed here");
        test::TestEnv env;
        env.printToSystem();
        printing::PrintSheet sheet;
        sheet.templateName = QStringLiteral("无打印机");
        sheet.fields << printing::PrintField{QStringLiteral("a"), QStringLiteral("甲"), 0_tw, 0_tw, 9};
        QCOMPARE(printing::printSheet(sheet).status, printing::PrintStatus::PrinterFailed);
        windows::printTestPage(nullptr);
        QCOMPARE(env.prompter.texts(), QStringList{QStringLiteral("打印机未准备好或有故障!")});
        QCOMPARE(env.prompter.last().icon, ui::Icon::Critical);
    }
};

QTEST_MAIN(TestCupsPrint)
#include "tst_cupsprint.moc"
