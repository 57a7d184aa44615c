// Reading large and hostile spreadsheets: rows 2-1001 of a 1,000,000-row .csv printed into a PDF through
// the batch (peak memory of a fresh process), every row of it read as the import reads them, and the
// refusal of a workbook whose sheet inflates past the bounds.
#include "BenchUtil.h"
#include "TestEnv.h"
#include "XlsxFixture.h"
#include "customers/SpreadsheetReader.h"
#include "printing/Batch.h"
#include "printing/SampleData.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace vorlan;

namespace {

using bench::peakMb;

// About 41 bytes a row: 收件人, 收件电话, 金额大写.
void writeCsv(const QString& path, int rows) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("收件人,收件电话,金额大写\n");
    QByteArray chunk;
    for (int i = 1; i <= rows; ++i) {
        chunk += QStringLiteral("收件人%1,1380%2,%3.5\n")
                     .arg(i)
                     .arg(i, 7, 10, QLatin1Char('0'))
                     .arg(i % 100000)
                     .toUtf8();
        if (chunk.size() > (1 << 20)) {
            f.write(chunk);
            chunk.clear();
        }
    }
    f.write(chunk);
}

// The child's work: "print <csv> <pdf>" prints rows 2-1001 as `vorlan print --rows 2-1001` does;
// "import <csv>" reads every cell of every row as the register's import does. Prints the peak.
int child(const QStringList& args) {
    const QString csv = args.value(1);
    if (args.value(0) == u"print") {
        test::TestEnv env(false);
        env.printToPdf(args.value(2));
        printing::BatchJob job;
        job.tmpl = printing::sample::sampleTemplate();
        job.tmpl.name = printing::sample::kTemplateName;
        auto reader = customers::openSpreadsheet(csv);
        job.data = printing::readBatchData(*reader, QString(), 2, 1001);
        job.map = printing::mapColumns(job.data.header, printing::batchPoints(job.tmpl));
        job.chosen = printing::rowsInRange(job.data, 2, 1001);
        const printing::BatchBuild b = printing::buildBatch(job);
        auto printer = printing::openBatchPrinter(printing::sample::kTemplateName);
        printer->setOutputFileName(args.value(2));
        const printing::BatchOutcome out = printing::printBatch(*printer, b.sheets);
        std::printf("%d %.1f\n", out.ok() ? out.pages : -1, peakMb());
        return 0;
    }
    auto reader = customers::openSpreadsheet(csv);
    const QString sheet = reader->sheetNames().value(0);
    qint64 chars = 0;
    for (int r = 1; r <= reader->usedRows(); ++r)
        for (int c = 1; c <= reader->usedColumns(); ++c)
            chars += reader->cellText(sheet, r, c).size();
    std::printf("%lld %.1f\n", chars, peakMb());
    return 0;
}

// Runs the child; its two figures, or nothing.
std::optional<std::pair<double, double>> runChild(const QStringList& args) {
    QProcess p;
    p.start(QCoreApplication::applicationFilePath(), QStringList{QStringLiteral("--child")} + args);
    if (!p.waitForFinished(600000) || p.exitCode() != 0)
        return std::nullopt;
    const QList<QByteArray> f = p.readAllStandardOutput().trimmed().split(' ');
    if (f.size() != 2)
        return std::nullopt;
    return std::pair{f[0].toDouble(), f[1].toDouble()};
}

// A workbook whose only sheet inflates to `mb` MB of one inline string, written in pieces.
bool writeBomb(const QString& path, int mb) {
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate))
        return false;
    test::ZipParts parts = test::workbookParts(QByteArray());
    for (const auto& [name, bytes] : parts) {
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(name)))
            return false;
        if (!name.endsWith(u"s1.xml")) {
            file.write(bytes);
        } else {
            file.write("<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>");
            const QByteArray piece(1 << 20, 'x');
            for (int i = 0; i < mb; ++i)
                file.write(piece);
            file.write("</t></is></c></row></sheetData></worksheet>");
        }
        file.close();
    }
    zip.close();
    return zip.getZipError() == 0;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.value(0) == u"--child")
        return child(args.mid(1));
    QTemporaryDir dir;
    bool ok = true;

    const QString csv = dir.filePath(QStringLiteral("1m.csv"));
    writeCsv(csv, 1000000);
    const double fileMb = QFileInfo(csv).size() / 1048576.0;
    std::printf("%-55s %9.1f MB\n", "size of the 1,000,000-row .csv", fileMb);
    QElapsedTimer t;
    t.start();
    const auto printed = runChild({QStringLiteral("print"), csv, dir.filePath(QStringLiteral("out.pdf"))});
    const double printMs = t.nsecsElapsed() / 1e6;
    if (!printed || printed->first != 1000) {
        std::printf("rows 2-1001 of 1,000,000: the batch did not print 1,000 pages  MISSED\n");
        ok = false;
    } else {
        std::printf("%-55s %9.1f MB  (target 150 MB)  %s\n", "peak memory printing rows 2-1001 of 1,000,000",
                    printed->second, printed->second <= 150 ? "ok" : "MISSED");
        std::printf("%-55s %9.2f ms\n", "  time of it (process, read, build, PDF)", printMs);
        ok &= printed->second <= 150;
    }
    const auto imported = runChild({QStringLiteral("import"), csv});
    if (!imported) {
        std::printf("reading every row of 1,000,000 failed  MISSED\n");
        ok = false;
    } else {
        // A whole import holds a row at a time: within twice the file's size.
        const double target = 2 * fileMb + 50;
        std::printf("%-55s %9.1f MB  (target %.0f MB)  %s\n", "peak memory reading every row of 1,000,000",
                    imported->second, target, imported->second <= target ? "ok" : "MISSED");
        ok &= imported->second <= target;
    }

    const QString bomb = dir.filePath(QStringLiteral("bomb.xlsx"));
    if (!writeBomb(bomb, 600)) {
        std::printf("could not write the inflating workbook  MISSED\n");
        ok = false;
    } else {
        std::printf("%-55s %9.1f MB\n", "size of a workbook inflating to 600 MB",
                    QFileInfo(bomb).size() / 1048576.0);
        bool refused = false;
        const double ms = bench::bestOf(3, [&] {
            try {
                customers::openSpreadsheet(bomb);
            } catch (const customers::SpreadsheetError&) {
                refused = true;
            }
        });
        if (!refused) {
            std::printf("the inflating workbook was read  MISSED\n");
            ok = false;
        }
        ok &= bench::report("refusing a workbook that inflates to 600 MB", ms, 500);
        std::printf("%-55s %9.1f MB\n", "peak memory of this process so far", peakMb());
    }
    return ok ? 0 : 1;
}
