// Symbols read back from what was printed: random values of every symbology printed into a PDF (and
// through the cups-pdf queue when there is one), rasterised with pdftoppm at 200 and 300 dpi and decoded
// by an independent reader (ZXingReader): every symbol gives back exactly its value.
#include "PrintProbe.h"
#include "TestEnv.h"
#include "printing/Batch.h"
#include "printing/PageRenderer.h"
#include "printing/PrintActions.h"
#include "printing/PrinterSetup.h"
#include "printing/SampleData.h"
#include "printing/Symbol.h"
#include "ui/Printer.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>
#include <QThread>

using namespace vorlan;
using namespace Qt::StringLiterals;
using printing::PrintField;
using printing::PrintSheet;
using templates::Symbology;

Q_DECLARE_METATYPE(templates::Symbology)

namespace {

constexpr int kValuesPerSymbology = 300;

// How the values of one symbology are laid out on the page: boxes of this size in a grid within the
// printable area of an A4 page, a gap between them wider than the margin a symbol is cut out with.
struct Layout {
    double width = 0, height = 0; // twips
    int columns = 0, rows = 0;
    QString format; // the reader's name of the symbology
};

constexpr double kGap = 400;    // twips between boxes
constexpr double kMargin = 150; // twips of paper around a box when it is cut out

Layout layoutOf(Symbology s) {
    switch (s) {
    case Symbology::Code128:
        return {5200, 900, 2, 11, u"Code128"_s};
    case Symbology::Ean13:
        return {2400, 1000, 4, 10, u"EAN-13"_s};
    case Symbology::QrCode:
        return {2400, 2400, 4, 5, u"QRCode"_s};
    case Symbology::Pdf417:
        return {5200, 1900, 2, 6, u"PDF417"_s};
    case Symbology::None:
        break;
    }
    return {};
}

// A random character of Chinese text: a common ideograph, or now and then a full-width sign.
QChar chinese(QRandomGenerator& rng) {
    static const QString signs = u"，。：；！？（）【】《》、￥"_s;
    if (rng.bounded(8) == 0)
        return signs.at(rng.bounded(int(signs.size())));
    return QChar(char16_t(0x4E00 + rng.bounded(0x9FA5 - 0x4E00)));
}

QChar ascii(QRandomGenerator& rng) {
    return QChar(char16_t(0x20 + rng.bounded(0x7F - 0x20)));
}

// A value without blanks at its ends: printing trims them, as it trims every value.
QString trimmedEnds(QString v) {
    if (v.startsWith(u' '))
        v[0] = u'x';
    if (v.endsWith(u' '))
        v[v.size() - 1] = u'y';
    return v;
}

QString randomValue(Symbology s, QRandomGenerator& rng) {
    QString v;
    switch (s) {
    case Symbology::Code128: {
        const int n = 1 + rng.bounded(24);
        const bool digits = rng.bounded(3) == 0; // waybill numbers: all digits, in code set C
        for (int i = 0; i < n; ++i)
            v += digits ? QChar(char16_t(u'0' + rng.bounded(10))) : ascii(rng);
        return trimmedEnds(v);
    }
    case Symbology::Ean13: {
        int sum = 0;
        for (int i = 0; i < 12; ++i) {
            const int d = rng.bounded(10);
            sum += d * (i % 2 == 0 ? 1 : 3);
            v += QChar(char16_t(u'0' + d));
        }
        return v + QChar(char16_t(u'0' + (10 - sum % 10) % 10));
    }
    case Symbology::QrCode:
    case Symbology::Pdf417: {
        // Plain ASCII, Chinese text, or the two mixed.
        const int kind = rng.bounded(3);
        const int n = 1 + rng.bounded(s == Symbology::QrCode ? 60 : 30);
        for (int i = 0; i < n; ++i)
            v += kind == 0 || (kind == 2 && rng.bounded(2) == 0) ? ascii(rng) : chinese(rng);
        return trimmedEnds(v);
    }
    case Symbology::None:
        break;
    }
    return v;
}

struct Placed {
    QString value;
    int page = 0;
    ui::TwipsRect box; // from the printable area's corner
};

// The sheets of the values, a grid of boxes each, and where each value went.
QList<PrintSheet> sheetsOf(Symbology s, const QStringList& values, bool withText, QList<Placed>* where) {
    const Layout l = layoutOf(s);
    QList<PrintSheet> sheets;
    const int perPage = l.columns * l.rows;
    for (int i = 0; i < values.size(); ++i) {
        if (i % perPage == 0) {
            PrintSheet sheet;
            sheet.templateName = u"条码读回"_s;
            sheets << sheet;
        }
        const int k = i % perPage;
        PrintField f;
        f.name = u"点%1"_s.arg(k + 1);
        f.text = values.at(i);
        f.left = ui::Twips(300 + (k % l.columns) * (l.width + kGap));
        f.top = ui::Twips(300 + (k / l.columns) * (l.height + kGap));
        f.width = ui::Twips(l.width);
        f.height = ui::Twips(l.height);
        f.fontSize = 9;
        f.symbology = s;
        f.symbolText = withText;
        sheets.last().fields << f;
        where->append({values.at(i), int(sheets.size()) - 1, {f.left, f.top, f.width, f.height}});
    }
    return sheets;
}

// The pages of a PDF rasterised at dpi, in page order; empty when pdftoppm fails.
QList<QImage> rasterisePages(const QString& pdf, int dpi, QString* error) {
    QTemporaryDir dir;
    QProcess p;
    p.start(u"pdftoppm"_s, {u"-r"_s, QString::number(dpi), u"-gray"_s, pdf, dir.filePath(u"page"_s)});
    if (!p.waitForFinished(300000) || p.exitCode() != 0) {
        *error = QString::fromLocal8Bit(p.readAllStandardError());
        return {};
    }
    QList<QImage> pages;
    for (const QString& f : QDir(dir.path()).entryList({u"page*.pgm"_s}, QDir::Files, QDir::Name))
        pages << QImage(dir.filePath(f));
    return pages;
}

// Reads each image with ZXingReader, looking only for the format: the text of the first symbol found per
// file, an empty text for a file where none was found.
QStringList decode(const QStringList& files, const QString& format, QString* error) {
    QStringList out;
    // The reader takes many files at once; a few hundred per run keeps the command line short.
    for (qsizetype from = 0; from < files.size(); from += 200) {
        const QStringList chunk = files.mid(from, 200);
        QProcess p;
        p.start(u"ZXingReader"_s, QStringList{u"-format"_s, format, u"-norotate"_s} + chunk);
        if (!p.waitForFinished(300000)) {
            *error = u"ZXingReader did not finish"_s;
            return {};
        }
        // One block per file and symbol: "File:" (with several files), "Text:" and more lines.
        const QString all = QString::fromUtf8(p.readAllStandardOutput());
        QMap<QString, QString> texts;
        QString file = chunk.size() == 1 ? chunk.first() : QString();
        for (const QString& line : all.split(u'\n')) {
            if (line.startsWith(u"File:"))
                file = line.mid(5).trimmed();
            else if (line.startsWith(u"Text:") && !texts.contains(file)) {
                const QString quoted = line.mid(5).trimmed();
                texts.insert(file, quoted.mid(1, quoted.size() - 2));
            }
        }
        for (const QString& f : chunk)
            out << texts.value(f);
    }
    return out;
}

// Cuts each placed box, with a margin of paper, out of the pages rendered at dpi from the corner, and
// reads them all; the list of failures (value, what was read) is empty when every one came back.
QStringList readBack(const QList<QImage>& pages, const QList<Placed>& placed, QPointF cornerPoints, int dpi,
                     const QString& format) {
    QTemporaryDir dir;
    QStringList files;
    const double px = dpi / ui::kTwipsPerInch;
    for (int i = 0; i < placed.size(); ++i) {
        const Placed& p = placed.at(i);
        if (p.page >= pages.size())
            return {u"page %1 missing"_s.arg(p.page + 1)};
        const QRectF r((cornerPoints.x() * 20 + p.box.left.value() - kMargin) * px,
                       (cornerPoints.y() * 20 + p.box.top.value() - kMargin) * px,
                       (p.box.width.value() + 2 * kMargin) * px, (p.box.height.value() + 2 * kMargin) * px);
        const QString file = dir.filePath(u"s%1.png"_s.arg(i, 4, 10, QLatin1Char('0')));
        pages.at(p.page).copy(r.toAlignedRect()).save(file);
        files << file;
    }
    QString error;
    const QStringList got = decode(files, format, &error);
    if (!error.isEmpty())
        return {error};
    QStringList failures;
    for (int i = 0; i < placed.size(); ++i)
        if (got.value(i) != placed.at(i).value)
            failures << u"“%1” (%3) read as “%2”"_s.arg(placed.at(i).value, got.value(i)).arg(i);
    return failures;
}

QString summary(const QStringList& failures) {
    return u"%1 not read back, first: %2"_s.arg(failures.size()).arg(failures.mid(0, 3).join(u"; "_s));
}

// Where the printable area starts on the PDF printer, in points.
QPointF pdfCorner(const QString& documentName) {
    const auto printer = ui::openDefaultPrinter(documentName);
    const QRectF page = printer->pageRect(QPrinter::DevicePixel);
    return page.topLeft() * (72.0 / printer->resolution());
}

QString runTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

} // namespace

// Only a cups-pdf default queue is printed on: tests never print on paper. (QSKIP returns from the function
// it is written in, so this is a macro; its name also gives the test the print queue's lock in the build.)
#define REQUIRE_QUEUE(queue)                                                                                 \
    if (!probe::haveTool(u"lpstat"_s) || (queue).isEmpty() ||                                                \
        !runTool(u"lpstat"_s, {u"-v"_s, (queue)}).contains(u"cups-pdf:"_s))                                  \
    QSKIP("no CUPS default printer on a cups-pdf queue (scripts/run-tests.sh sets one up when run as root)")

class TestSymbolDecode : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;

private slots:
    void initTestCase() {
        if (!probe::haveTool(u"pdftoppm"_s))
            QSKIP("poppler-utils (pdftoppm) is not installed");
        if (!probe::haveTool(u"ZXingReader"_s))
            QSKIP("ZXingReader (zxing-cpp-tools) is not installed");
    }

    void everyValueReadBack_data() {
        QTest::addColumn<Symbology>("symbology");
        QTest::addColumn<bool>("withText");
        QTest::newRow("Code 128") << Symbology::Code128 << true;
        QTest::newRow("Code 128 without text") << Symbology::Code128 << false;
        QTest::newRow("EAN-13") << Symbology::Ean13 << true;
        QTest::newRow("QR code") << Symbology::QrCode << false;
        QTest::newRow("PDF417") << Symbology::Pdf417 << false;
    }
    void everyValueReadBack() {
        QFETCH(Symbology, symbology);
        QFETCH(bool, withText);
        QRandomGenerator rng(20261211u + uint(symbology) * 7u + (withText ? 1u : 0u));
        const int count = withText || symbology != Symbology::Code128 ? kValuesPerSymbology : 60;
        QStringList values;
        while (values.size() < count)
            values << randomValue(symbology, rng);

        test::TestEnv env(false);
        const QString pdf = dir_.filePath(u"%1-%2.pdf"_s.arg(int(symbology)).arg(withText));
        env.printToPdf(pdf);
        const QPointF corner = pdfCorner(u"corner"_s);
        QList<Placed> placed;
        const QList<PrintSheet> sheets = sheetsOf(symbology, values, withText, &placed);
        for (const PrintSheet& s : sheets) {
            const printing::SheetPlacement p = printing::placeSheet(s);
            QVERIFY2(p.ok, qPrintable(printing::placementMessage(s, p)));
        }
        QString problem;
        const auto printer = printing::openBatchPrinter(u"条码读回"_s, QString(), &problem);
        QVERIFY2(printer, qPrintable(problem));
        const printing::BatchOutcome printed = printing::printBatch(*printer, sheets);
        QVERIFY2(printed.ok(), qPrintable(printed.problem));
        QCOMPARE(probe::pdfPages(pdf), int(sheets.size()));

        for (const int dpi : {200, 300}) {
            QString error;
            const QList<QImage> pages = rasterisePages(pdf, dpi, &error);
            QVERIFY2(!pages.isEmpty(), qPrintable(error));
            const QStringList failures = readBack(pages, placed, corner, dpi, layoutOf(symbology).format);
            QVERIFY2(failures.isEmpty(), qPrintable(u"%1 dpi: "_s.arg(dpi) + summary(failures)));
        }
    }

    // The sample waybill's 单号 filled from a column of that name, as a batch and `vorlan print` fill it:
    // each sheet's Code 128 reads back as its row's number.
    void sampleNumberFromItsColumn() {
        test::TestEnv env(false);
        const QString pdf = dir_.filePath(u"sample.pdf"_s);
        env.printToPdf(pdf);
        const QPointF corner = pdfCorner(u"corner"_s);
        printing::BatchJob job;
        job.tmpl = printing::sample::sampleTemplate();
        job.data.header = QStringList{u"收件人"_s, u"单号"_s};
        job.data.rows = {
            {u"张三"_s, u"SF1000000001"_s}, {u"李四"_s, u"7700123456789"_s}, {u"王五"_s, u"JD-42x"_s}};
        job.data.rowNumbers = {2, 3, 4};
        job.map = printing::mapColumns(job.data.header, printing::batchPoints(job.tmpl));
        job.chosen = printing::allRows(job.data);
        const printing::BatchBuild build = printing::buildBatch(job);
        QVERIFY2(build.ok(), qPrintable(build.problem));
        QString problem;
        const auto printer = printing::openBatchPrinter(job.tmpl.name, QString(), &problem);
        QVERIFY2(printer, qPrintable(problem));
        QVERIFY(printing::printBatch(*printer, build.sheets).ok());

        const templates::InputPoint& number = job.tmpl.single[14];
        QCOMPARE(number.name, u"单号"_s);
        QList<Placed> placed;
        for (int i = 0; i < job.data.rows.size(); ++i)
            placed << Placed{job.data.rows.at(i).at(1), i, number.rect};
        QString error;
        const QList<QImage> pages = rasterisePages(pdf, 200, &error);
        QCOMPARE(pages.size(), 3);
        const QStringList failures = readBack(pages, placed, corner, 200, u"Code128"_s);
        QVERIFY2(failures.isEmpty(), qPrintable(summary(failures)));
    }

    // A single sheet whose symbol is refused is not sent: the print window's notice names the point and why.
    void refusedSheetIsNotSent() {
        test::TestEnv env(false);
        const QString pdf = dir_.filePath(u"refused.pdf"_s);
        env.printToPdf(pdf);
        PrintSheet sheet;
        sheet.templateName = u"面单"_s;
        PrintField f;
        f.name = u"条码"_s;
        f.text = u"6901234567891"_s;
        f.width = 3000_tw;
        f.height = 1000_tw;
        f.symbology = Symbology::Ean13;
        sheet.fields << f;
        const printing::PrintOutcome out = printing::printSheet(sheet);
        QCOMPARE(out.status, printing::PrintStatus::OutOfRange);
        QCOMPARE(out.fault, printing::PlacementFault::Symbol);
        QCOMPARE(printing::printNotice(out).text,
                 u"输入点“条码”无法打印：EAN-13条码“6901234567891”的校验位不对：最后一位应是2，不是1。"_s);
        QVERIFY(!QFile::exists(pdf));
    }

    // A batch stops before printing at the first row whose value its symbol cannot take, naming the sheet,
    // the row, the column and the input point.
    void batchRefusalNamesRowAndColumn_data() {
        QTest::addColumn<QString>("bad");
        QTest::addColumn<QString>("says");
        QTest::newRow("chinese in code 128")
            << u"SF单号"_s
            << u"第2张（第3行，“运单号”列）：输入点“单号”无法打印：Code 128条码只能印英文字母、数字、空格和英文符号，不能印“单”。"_s;
        QTest::newRow("too long for the box")
            << QString(60, u'A')
            << u"第2张（第3行，“运单号”列）：输入点“单号”无法打印：它的框太小，放不下这个Code 128条码"_s;
    }
    void batchRefusalNamesRowAndColumn() {
        QFETCH(QString, bad);
        QFETCH(QString, says);
        printing::BatchJob job;
        job.tmpl.name = u"面单"_s;
        templates::InputPoint p;
        p.type = templates::type::Number;
        p.name = u"单号"_s;
        p.binding = templates::kNoBinding;
        p.rect = {500_tw, 500_tw, 5000_tw, 900_tw};
        p.fontSize = 9;
        p.symbology = Symbology::Code128;
        job.tmpl.single.append(p);
        job.data.header = QStringList{u"运单号"_s};
        job.data.rows = {{u"SF1"_s}, {bad}, {u"SF3"_s}};
        job.data.rowNumbers = {2, 3, 4};
        job.map = {0};
        job.chosen = {0, 1, 2};
        const printing::BatchBuild b = printing::buildBatch(job);
        QVERIFY(!b.ok());
        QVERIFY(b.sheets.isEmpty());
        QVERIFY2(b.problem.startsWith(says), qPrintable(b.problem));
    }

    // Through the real print queue: the PDF cups-pdf writes holds the same symbols.
    void readBackFromTheQueue() {
        const QString queue = QPrinterInfo::defaultPrinter().printerName();
        REQUIRE_QUEUE(queue);
        test::TestEnv env(false);
        env.printToSystem();
        const QString outFolder = QDir::home().filePath(u"PDF"_s);
        const QStringList before = QDir(outFolder).entryList({u"*.pdf"_s}, QDir::Files);

        // One sheet with one Code 128 and one QR code of Chinese text, far apart.
        PrintSheet sheet;
        sheet.templateName = u"queue%1"_s.arg(QDateTime::currentMSecsSinceEpoch());
        PrintField code;
        code.name = u"单号"_s;
        code.text = u"SF1234567890"_s;
        code.left = 1000_tw;
        code.top = 1000_tw;
        code.width = 5000_tw;
        code.height = 1000_tw;
        code.symbology = Symbology::Code128;
        PrintField qr = code;
        qr.name = u"二维码"_s;
        qr.text = u"收件人：张三，电话13800000000"_s;
        qr.top = 4000_tw;
        qr.height = 2500_tw;
        qr.width = 2500_tw;
        qr.symbology = Symbology::QrCode;
        sheet.fields << code << qr;
        QVERIFY(printing::printSheet(sheet).ok());

        QString written;
        QElapsedTimer timer;
        timer.start();
        while (written.isEmpty() && timer.elapsed() < 60000) {
            if (runTool(u"lpstat"_s, {u"-o"_s, queue}).trimmed().isEmpty())
                for (const QString& f : QDir(outFolder).entryList({u"*.pdf"_s}, QDir::Files))
                    if (!before.contains(f))
                        written = QDir(outFolder).filePath(f);
            QThread::msleep(100);
        }
        QVERIFY2(!written.isEmpty(), "the queue wrote no PDF");
        // Each symbol cut out of the page from the printable area's corner as the queue's printer sets it
        // up (a whole page of symbols trips the reader up at 300 dpi).
        const printing::OpenedPrinter opened = printing::openPrinter(u"corner"_s, sheet.settings);
        QVERIFY(opened.printer);
        const int resolution = opened.printer->resolution();
        const QPointF corner =
            QPointF(opened.printer->pageLayout().paintRectPixels(resolution).topLeft()) * (72.0 / resolution);
        for (const int dpi : {200, 300}) {
            QString error;
            const QList<QImage> pages = rasterisePages(written, dpi, &error);
            QCOMPARE(pages.size(), 1);
            for (const PrintField& f : sheet.fields) {
                const QStringList failures =
                    readBack(pages, {Placed{f.text, 0, {f.left, f.top, f.width, f.height}}}, corner, dpi,
                             layoutOf(f.symbology).format);
                QVERIFY2(failures.isEmpty(), qPrintable(u"%1 dpi: "_s.arg(dpi) + summary(failures)));
            }
        }
        QFile::remove(written);
    }
};

QTEST_MAIN(TestSymbolDecode)
#include "tst_symboldecode.moc"
