// Printing through a real print queue: the system's default printer, here a cups-pdf queue that
// scripts/run-tests.sh sets up. The PDF the queue writes is rasterised and its ink compared with the
// placement drawn at the same resolution.
#include "BothEngines.h"
#include "PrintProbe.h"
#include "TestEnv.h"
#include "app/Windows.h"
#include "data/Sql.h"
#include "printing/Batch.h"
#include "printing/PageRenderer.h"
#include "printing/PrintActions.h"
#include "printing/PrintSettings.h"
#include "printing/PrinterSetup.h"
#include "printing/SampleData.h"
#include "printing/TestPage.h"
#include "templates/PrintLogStore.h"
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
using printing::PlacedItem;
using printing::PrintOrigin;
using printing::PrintSettings;

Q_DECLARE_METATYPE(PrintSettings)

namespace {

using probe::run;

constexpr int kDpi = 300;
constexpr int kTolerance = 2; // pixels at 300 dpi, about 0.17 mm

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
QImage expectedPage(const QList<PlacedItem>& chars) {
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
    printing::paintItems(p, chars);
    return img;
}

QString describe(const QRect& r) {
    return QStringLiteral("(%1,%2 %3x%4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

bool near(const QRect& a, const QRect& b) {
    return qAbs(a.left() - b.left()) <= kTolerance && qAbs(a.top() - b.top()) <= kTolerance &&
           qAbs(a.right() - b.right()) <= kTolerance && qAbs(a.bottom() - b.bottom()) <= kTolerance;
}

// The second queue's unprintable margins, in points: left, bottom, right, top (PPD order).
constexpr double kMargins[4] = {17.01, 36, 21.6, 22.68};

// A copy of a cups-pdf PPD whose every imageable area (and the margins of custom sizes) leaves the
// margins above, so that the printer's printable area starts elsewhere than on the first queue.
QByteArray withMargins(const QByteArray& ppd) {
    QList<QByteArray> lines = ppd.split('\n');
    const QRegularExpression area(QStringLiteral("^\\*ImageableArea ([^:]+): \"([-0-9. ]+)\""));
    for (QByteArray& line : lines) {
        const QString text = QString::fromLatin1(line);
        if (text.startsWith(QLatin1String("*HWMargins:"))) {
            line = QStringLiteral("*HWMargins: %1 %2 %3 %4")
                       .arg(kMargins[0])
                       .arg(kMargins[1])
                       .arg(kMargins[2])
                       .arg(kMargins[3])
                       .toLatin1();
            continue;
        }
        const QRegularExpressionMatch m = area.match(text);
        if (!m.hasMatch())
            continue;
        const QStringList v = m.captured(2).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (v.size() != 4)
            continue;
        line = QStringLiteral("*ImageableArea %1: \"%2 %3 %4 %5\"")
                   .arg(m.captured(1))
                   .arg(v[0].toDouble() + kMargins[0])
                   .arg(v[1].toDouble() + kMargins[1])
                   .arg(v[2].toDouble() - kMargins[2])
                   .arg(v[3].toDouble() - kMargins[3])
                   .toLatin1();
    }
    return lines.join('\n');
}

// One dot of the queue's own output device (its PPD's default resolution), in points: cups-pdf writes the
// page anew at that resolution. 300 dpi when the PPD cannot be read.
double queueDot(const QString& queue) {
    QFile ppd(QStringLiteral("/etc/cups/ppd/%1.ppd").arg(queue));
    int dpi = 300;
    if (ppd.open(QIODevice::ReadOnly)) {
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("\\*DefaultResolution:\\s*(\\d+)"))
                .match(QString::fromLatin1(ppd.readAll()));
        if (m.hasMatch() && m.captured(1).toInt() > 0)
            dpi = m.captured(1).toInt();
    }
    return 72.0 / dpi;
}

// A shift on the page as the program draws it, as it shows in the queue's PDF: a landscape page comes out
// on the paper as it is fed, its content turned a quarter (the right edge of the drawing at the top).
QPointF asPrinted(QPointF shift, bool turned) {
    return turned ? QPointF(shift.y(), -shift.x()) : shift;
}

struct Printed {
    QList<probe::Word> words;
    QSizeF page;         // points, as pdfinfo reads it
    bool turned = false; // drawn landscape, printed on the paper standing
    QPointF corner;      // the printable area's corner as the printer set it up, points
    double dot = 0;      // one device dot, points: the coarser of the program's and the queue's
};

} // namespace

// QSKIP returns from the function it is written in, so this is a macro.
#define REQUIRE_QUEUE()                                                                                      \
    if (queue_.isEmpty())                                                                                    \
    QSKIP("no CUPS default printer on a cups-pdf queue (scripts/run-tests.sh sets one up when run as root)")

class TestCupsPrint : public QObject {
    Q_OBJECT
private:
    QString queue_;
    QString marginQueue_; // the second queue, made by the test from an edited PPD
    QString heldQueue_;   // a copy of the queue that holds every job it gets, made by the test

    // The held queue, made on first use; empty when it cannot be made here.
    QString heldQueue() {
        if (heldQueue_.isEmpty() && !queue_.isEmpty()) {
            const QString name = QStringLiteral("VorlanHeld%1").arg(QCoreApplication::applicationPid());
            int code = 0;
            run(QStringLiteral("lpadmin"),
                {QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"),
                 QStringLiteral("cups-pdf:/"), QStringLiteral("-P"),
                 QStringLiteral("/etc/cups/ppd/%1.ppd").arg(queue_), QStringLiteral("-o"),
                 QStringLiteral("job-hold-until-default=indefinite")},
                &code);
            if (code == 0)
                heldQueue_ = name;
        }
        return heldQueue_;
    }

    // Every job a queue has been given, held, printed or cancelled: their numbers.
    static QList<int> jobsOf(const QString& queue) {
        QList<int> ids;
        const QString list = run(QStringLiteral("lpstat"),
                                 {QStringLiteral("-W"), QStringLiteral("all"), QStringLiteral("-o"), queue});
        for (const QString& line : list.split(u'\n', Qt::SkipEmptyParts))
            ids << line.section(u' ', 0, 0).section(u'-', -1).toInt();
        return ids;
    }

    static int newJob(const QList<int>& before, const QList<int>& after) {
        for (int id : after)
            if (!before.contains(id))
                return id;
        return 0;
    }

    // The document the program handed the held queue in that job, as CUPS keeps it.
    static QString spooledFile(int job) {
        return QStringLiteral("/var/spool/cups/d%1-001").arg(job, 5, 10, QLatin1Char('0'));
    }
    QStringList produced_;

    // Prints a sheet through a queue with the settings and reads the PDF back.
    Printed printThrough(const QString& queue, PrintSettings settings, const QString& tag) {
        Printed out;
        test::TestEnv env(false);
        env.printToSystem();
        settings.printer = queue;
        const printing::OpenedPrinter opened = printing::openPrinter(QStringLiteral("probe"), settings);
        if (!opened.printer)
            return out;
        // Where the printer puts the printable area's corner: whole dots at its resolution.
        const double qtDot = 72.0 / opened.printer->resolution();
        out.corner =
            QPointF(opened.printer->pageLayout().paintRectPixels(opened.printer->resolution()).topLeft()) *
            qtDot;
        out.dot = qMax(qtDot, queueDot(queue));
        printing::PrintSheet sheet;
        sheet.templateName = QStringLiteral("origin%1%2").arg(QDateTime::currentMSecsSinceEpoch()).arg(tag);
        sheet.settings = settings;
        sheet.allupText = QStringLiteral("2");
        sheet.fields << printing::PrintField{QStringLiteral("a"), QStringLiteral("收 款 人"), 1440_tw, 720_tw,
                                             12}
                     << printing::PrintField{QStringLiteral("b"), QStringLiteral("A 1 2"), 200_tw, 100_tw, 9}
                     << printing::PrintField{QStringLiteral("c"), QStringLiteral("汇\n款"), 6000_tw, 4000_tw,
                                             10.5};
        const QSet<QString> before = pdfFiles();
        if (!printing::printSheet(sheet).ok())
            return out;
        const QString pdf = waitForOutput(queue, before, sheet.templateName);
        if (pdf.isEmpty())
            return out;
        produced_ << pdf;
        out.words = probe::readWords(pdf).words;
        out.page = probe::pageSize(pdf);
        out.turned = opened.printer->pageLayout().orientation() == QPageLayout::Landscape &&
                     out.page.height() > out.page.width();
        return out;
    }

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
        if (!marginQueue_.isEmpty())
            run(QStringLiteral("lpadmin"), {QStringLiteral("-x"), marginQueue_});
        if (!heldQueue_.isEmpty()) {
            run(QStringLiteral("cancel"), {QStringLiteral("-a"), QStringLiteral("-x"), heldQueue_});
            run(QStringLiteral("lpadmin"), {QStringLiteral("-x"), heldQueue_});
        }
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

        const QImage expected = expectedPage(printing::testPagePlacement().items);
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
        printing::sample::seedSampleData(env.db());
        const templates::Template t =
            templates::TemplateStore(env.db()).load(printing::sample::kTemplateName).tmpl;
        // A template name of its own, so the job's file is found whatever else is printed meanwhile.
        const QString title = QStringLiteral("cupscheck%1").arg(QDateTime::currentMSecsSinceEpoch());
        {
            templates::Template logged = t;
            logged.name = title;
            data::Transaction tx(env.db());
            templates::PendingColumns none;
            templates::PrintLogStore(env.db()).bringUpToDate(logged, none);
            tx.commit();
        }

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
        QCOMPARE(test::logCount(env.db(), title), 1);
        const QImage page = printedPage(before, title);
        QVERIFY2(!page.isNull(), "the queue wrote no PDF");

        // Each value's ink, drawn alone, is compared with the printed page in the same neighbourhood.
        const printing::SheetPlacement all = printing::placeSheet(sheet);
        QVERIFY(all.ok);
        qsizetype from = 0;
        for (const printing::PrintField& f : sheet.fields) {
            const qsizetype count = printing::placeText(f.text, {0_tw, 0_tw}, f.fontSize).items.size();
            const QList<PlacedItem> mine = all.items.mid(from, count);
            from += count;
            const QImage expected = expectedPage(mine);
            const QRect want = probe::inkBox(expected, expected.rect());
            QVERIFY(!want.isEmpty());
            const QRect got = probe::inkBox(page, want.adjusted(-8, -8, 8, 8));
            QVERIFY2(near(want, got), qPrintable(f.name + QStringLiteral(": ") + describe(want) +
                                                 QStringLiteral(" expected, printed ") + describe(got)));
        }
    }

    // Two cups-pdf queues whose printable areas start at different corners: from the paper's corner every
    // character lands at the same place on both; from the printable area, at that area's corner as before.
    // Either way the PDF's page is the chosen paper.
    void twoQueuesDifferentPrintableAreas_data() {
        QTest::addColumn<PrintSettings>("settings");
        QTest::addColumn<QSizeF>("paper"); // points
        QTest::newRow("printer's paper (A4)") << PrintSettings() << QSizeF(595, 842);
        QTest::newRow("custom 230 x 127 mm")
            << printing::withCustomPaper({}, QSizeF(230, 127)) << QSizeF(651.97, 360);
        PrintSettings landscape = printing::withPaper({}, QPageSize(QPageSize::A5));
        landscape.orientation = QPageLayout::Landscape;
        // The queue feeds the paper as it is and turns the page's content.
        QTest::newRow("A5 landscape") << landscape << QSizeF(420, 595);
    }
    void twoQueuesDifferentPrintableAreas() {
        QFETCH(PrintSettings, settings);
        QFETCH(QSizeF, paper);
        REQUIRE_QUEUE();
        if (!probe::haveTool(QStringLiteral("lpadmin")) || !probe::haveTool(QStringLiteral("pdfinfo")))
            QSKIP("lpadmin or pdfinfo is not installed: no second queue can be made here");
        if (marginQueue_.isEmpty()) {
            QFile source(QStringLiteral("/etc/cups/ppd/%1.ppd").arg(queue_));
            if (!source.open(QIODevice::ReadOnly)) {
                source.setFileName(QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"));
                if (!source.open(QIODevice::ReadOnly))
                    QSKIP("the cups-pdf PPD cannot be read here");
            }
            QTemporaryDir dir;
            const QString ppd = dir.filePath(QStringLiteral("margins.ppd"));
            QFile out(ppd);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(withMargins(source.readAll()));
            out.close();
            const QString name = QStringLiteral("VorlanMargins");
            int code = 0;
            run(QStringLiteral("lpadmin"),
                {QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"),
                 QStringLiteral("cups-pdf:/"), QStringLiteral("-P"), ppd},
                &code);
            if (code != 0)
                QSKIP("a second print queue cannot be set up here (lpadmin needs administrator rights)");
            marginQueue_ = name;
        }

        QList<probe::Word> fromPaper[2];
        for (const PrintOrigin origin : {PrintOrigin::Paper, PrintOrigin::PrintableArea}) {
            PrintSettings s = settings;
            s.origin = origin;
            const QString tag =
                origin == PrintOrigin::Paper ? QStringLiteral("paper") : QStringLiteral("area");
            const Printed first = printThrough(queue_, s, tag + QStringLiteral("a"));
            const Printed second = printThrough(marginQueue_, s, tag + QStringLiteral("b"));
            QVERIFY2(!first.words.isEmpty() && !second.words.isEmpty(), "a queue wrote no PDF");
            // The queue writes the page in its own whole points (A5 is 421 x 595 there, 230 mm 651).
            for (const Printed* p : {&first, &second})
                QVERIFY2(
                    qAbs(p->page.width() - paper.width()) <= 1.5 &&
                        qAbs(p->page.height() - paper.height()) <= 1.5,
                    qPrintable(QStringLiteral("page %1 x %2 pt").arg(p->page.width()).arg(p->page.height())));
            // The second queue's printable area really starts elsewhere.
            QVERIFY2(qAbs(second.corner.x() - first.corner.x()) > 3 &&
                         qAbs(second.corner.y() - first.corner.y()) > 3,
                     qPrintable(QStringLiteral("corners %1,%2 and %3,%4")
                                    .arg(first.corner.x())
                                    .arg(first.corner.y())
                                    .arg(second.corner.x())
                                    .arg(second.corner.y())));
            QCOMPARE(second.words.size(), first.words.size());
            const double dot = qMax(first.dot, second.dot);
            for (qsizetype i = 0; i < first.words.size(); ++i) {
                const probe::Word& a = first.words.at(i);
                const probe::Word& b = second.words.at(i);
                QCOMPARE(b.text, a.text);
                // From the paper: the same place. From the printable area: shifted by the corners' distance.
                const QPointF expected = origin == PrintOrigin::Paper
                                             ? QPointF()
                                             : asPrinted(second.corner - first.corner, first.turned);
                const double dx = b.xMin - a.xMin - expected.x();
                const double dy = b.yMin - a.yMin - expected.y();
                QVERIFY2(qAbs(dx) <= dot && qAbs(dy) <= dot,
                         qPrintable(QStringLiteral("%1 (%2): %3,%4 and %5,%6 pt, off by %7,%8")
                                        .arg(a.text, tag)
                                        .arg(a.xMin)
                                        .arg(a.yMin)
                                        .arg(b.xMin)
                                        .arg(b.yMin)
                                        .arg(dx)
                                        .arg(dy)));
            }
            // On each queue, the printable area's origin moves every character by that area's corner.
            if (origin == PrintOrigin::Paper) {
                fromPaper[0] = first.words;
                fromPaper[1] = second.words;
                continue;
            }
            for (int q = 0; q < 2; ++q) {
                const Printed& area = q ? second : first;
                QCOMPARE(area.words.size(), fromPaper[q].size());
                for (qsizetype i = 0; i < area.words.size(); ++i) {
                    const QPointF corner = asPrinted(area.corner, area.turned);
                    const double dx = area.words.at(i).xMin - fromPaper[q].at(i).xMin - corner.x();
                    const double dy = area.words.at(i).yMin - fromPaper[q].at(i).yMin - corner.y();
                    QVERIFY2(
                        qAbs(dx) <= area.dot && qAbs(dy) <= area.dot,
                        qPrintable(
                            QStringLiteral("queue %1, word %2: off by %3,%4").arg(q).arg(i).arg(dx).arg(dy)));
                }
            }
        }
    }

    // A batch is one job on the queue named as the command line names it: one file with a page per sheet,
    // each page with its own values.
    void batchIsOneJobOfOnePagePerSheet() {
        REQUIRE_QUEUE();
        test::TestEnv env;
        env.printToSystem();
        printing::sample::seedSampleData(env.db());
        printing::BatchJob job;
        job.tmpl = printing::sample::sampleTemplate();
        job.tmpl.name = QStringLiteral("batchcheck%1").arg(QDateTime::currentMSecsSinceEpoch());
        job.data.header = QStringList{QStringLiteral("收件人")};
        for (int i = 1; i <= 3; ++i) {
            job.data.rows << QStringList{QStringLiteral("收件人%1").arg(i)};
            job.data.rowNumbers << i + 1;
        }
        job.map = printing::mapColumns(job.data.header, printing::batchPoints(job.tmpl));
        job.chosen = printing::allRows(job.data);
        const printing::BatchBuild b = printing::buildBatch(job);
        QVERIFY2(b.ok(), qPrintable(b.problem));
        QString problem;
        auto printer = printing::openBatchPrinter(job.tmpl.name, queue_, &problem);
        QVERIFY2(printer, qPrintable(problem));
        const QSet<QString> before = pdfFiles();
        QVERIFY(printing::printBatch(*printer, b.sheets).ok());
        const QString pdf = waitForOutput(queue_, before, job.tmpl.name);
        QVERIFY2(!pdf.isEmpty(), "the queue wrote no PDF");
        produced_ << pdf;
        const QSet<QString> after = pdfFiles();
        QCOMPARE(after.size(), before.size() + 1); // one job, one file
        const QString info = run(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+3\\b"))), qPrintable(info));
        // The queue re-encodes the fonts page by page, so the text does not read back as typed; but every
        // page carries its text.
        for (int i = 1; i <= 3; ++i) {
            const QString text = run(QStringLiteral("pdftotext"),
                                     {QStringLiteral("-f"), QString::number(i), QStringLiteral("-l"),
                                      QString::number(i), pdf, QStringLiteral("-")})
                                     .trimmed();
            QVERIFY2(!text.isEmpty(), qPrintable(QStringLiteral("page %1 is blank").arg(i)));
        }
    }

    // A batch cancelled or failed halfway gives the queue nothing: no job, not even a cancelled one, and
    // no PDF. The queue holds what it gets, so a job sent would stay in its list; the same batch run to
    // its end shows that it does.
    void cancelledOrFailedBatchSendsNothing_data() {
        QTest::addColumn<int>("cancelAfter"); // sheets drawn when the user cancels; 0: never
        QTest::addColumn<int>("unplaceable"); // the sheet that cannot be placed; -1: none
        QTest::newRow("cancelled at 22%") << 11 << -1;
        QTest::newRow("a sheet that cannot be placed") << 0 << 30;
    }
    void cancelledOrFailedBatchSendsNothing() {
        QFETCH(int, cancelAfter);
        QFETCH(int, unplaceable);
        REQUIRE_QUEUE();
        const QString held = heldQueue();
        if (held.isEmpty())
            QSKIP("a holding print queue cannot be set up here (lpadmin needs administrator rights)");
        test::TestEnv env(false);
        env.printToSystem();
        const QString title = QStringLiteral("cancelcheck%1").arg(QDateTime::currentMSecsSinceEpoch());
        QList<printing::PrintSheet> sheets;
        for (int i = 0; i < 50; ++i) {
            printing::PrintSheet sheet;
            sheet.templateName = title;
            sheet.fields << printing::PrintField{QStringLiteral("a"), QStringLiteral("第%1张").arg(i + 1),
                                                 1440_tw, 720_tw, 12};
            sheets << sheet;
        }
        if (unplaceable >= 0)
            sheets[unplaceable].fields[0].left = 40000_tw;
        QString problem;
        auto printer = printing::openBatchPrinter(title, held, &problem);
        QVERIFY2(printer, qPrintable(problem));
        const QList<int> before = jobsOf(held);
        const QSet<QString> pdfsBefore = pdfFiles();
        const printing::BatchOutcome out =
            printing::printBatch(*printer, sheets, [&](int done, int) { return done != cancelAfter; });
        QCOMPARE(out.status, cancelAfter ? printing::BatchOutcome::Status::Cancelled
                                         : printing::BatchOutcome::Status::Failed);
        QThread::msleep(500);
        QCOMPARE(jobsOf(held), before);
        for (const QString& f : pdfFiles() - pdfsBefore)
            QVERIFY2(!f.startsWith(titleInFileName(title)), qPrintable(f));

        if (unplaceable >= 0)
            sheets[unplaceable].fields[0].left = 1440_tw;
        QVERIFY(printing::printBatch(*printer, sheets).ok());
        const QList<int> after = jobsOf(held);
        QCOMPARE(after.size(), before.size() + 1);
        QCOMPARE(probe::pdfPages(spooledFile(newJob(before, after))), 50);
    }

    // The document handed to the queue is the chosen paper, each value where the placement puts it from
    // the paper's corner, within one 600-dpi dot: on a custom size as on A4. (What cups-pdf writes from it
    // is its own: whole points, the page centred on them.)
    void handedDocumentIsThePaper_data() {
        QTest::addColumn<PrintSettings>("settings");
        QTest::addColumn<QSizeF>("paper"); // points
        QTest::addColumn<double>("pageTolerance");
        // The document's page is in whole points: 230 mm is 651.97, A4 595.28 x 841.89.
        QTest::newRow("custom 230 x 127 mm") << printing::withCustomPaper({}, QSizeF(230, 127))
                                             << QSizeF(230 / 25.4 * 72, 127 / 25.4 * 72) << 72.0 / 600;
        QTest::newRow("A4") << printing::withPaper({}, QPageSize(QPageSize::A4)) << QSizeF(595.28, 841.89)
                            << 0.5;
    }
    void handedDocumentIsThePaper() {
        QFETCH(PrintSettings, settings);
        QFETCH(QSizeF, paper);
        QFETCH(double, pageTolerance);
        REQUIRE_QUEUE();
        const QString held = heldQueue();
        if (held.isEmpty())
            QSKIP("a holding print queue cannot be set up here (lpadmin needs administrator rights)");
        test::TestEnv env(false);
        env.printToSystem();
        settings.printer = held;
        settings.origin = PrintOrigin::Paper;
        printing::PrintSheet sheet;
        sheet.templateName = QStringLiteral("papercheck%1").arg(QDateTime::currentMSecsSinceEpoch());
        sheet.settings = settings;
        sheet.allupText = QStringLiteral("2");
        sheet.fields << printing::PrintField{QStringLiteral("a"), QStringLiteral("收款人"), 1440_tw, 720_tw,
                                             12}
                     << printing::PrintField{QStringLiteral("b"), QStringLiteral("A12"), 200_tw, 100_tw, 9}
                     << printing::PrintField{QStringLiteral("c"), QStringLiteral("汇款"), 11000_tw, 6000_tw,
                                             10.5};
        const QList<int> before = jobsOf(held);
        QVERIFY(printing::printSheet(sheet).ok());
        const QList<int> after = jobsOf(held);
        QCOMPARE(after.size(), before.size() + 1);
        const QString file = spooledFile(newJob(before, after));
        if (!QFileInfo(file).isReadable())
            QSKIP("the queue's job files cannot be read here (they belong to the administrator)");

        const QSizeF page = probe::pageSize(file);
        QVERIFY2(qAbs(page.width() - paper.width()) <= pageTolerance &&
                     qAbs(page.height() - paper.height()) <= pageTolerance,
                 qPrintable(QStringLiteral("page %1 x %2 pt").arg(page.width()).arg(page.height())));
        const QList<probe::Word> words = probe::readWords(file).words;
        const printing::SheetPlacement placed = printing::placeSheet(sheet);
        QCOMPARE(words.size(), sheet.fields.size());
        qsizetype first = 0;
        const double dot = 72.0 / 600;
        for (const printing::PrintField& f : sheet.fields) {
            const PlacedItem& at = placed.items.at(first);
            first += f.text.size();
            const auto word = std::find_if(words.begin(), words.end(),
                                           [&f](const probe::Word& w) { return w.text == f.text; });
            QVERIFY2(word != words.end(), qPrintable(f.text));
            const double dx = word->xMin - at.rect.left.value() / 20;
            const double dy = word->yMin - at.rect.top.value() / 20;
            QVERIFY2(qAbs(dx) <= dot && qAbs(dy) <= dot,
                     qPrintable(QStringLiteral("%1: off by %2, %3 pt").arg(f.text).arg(dx).arg(dy)));
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
