// A batch of 1,000 waybills, each with a Code 128 waybill number and a QR code of the receiver, printed
// into one PDF: encoding, placing on whole dots, painting and writing the file.
#include "BenchUtil.h"
#include "TestEnv.h"
#include "printing/Batch.h"
#include "printing/Placement.h"
#include "printing/Symbol.h"

#include <QApplication>
#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>

using namespace vorlan;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    test::TestEnv env(false);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("symbols.pdf"));

    constexpr int kSheets = 1000;
    QList<printing::PrintSheet> sheets;
    sheets.reserve(kSheets);
    for (int i = 0; i < kSheets; ++i) {
        printing::PrintSheet sheet;
        sheet.templateName = QStringLiteral("示例运单");
        printing::PrintField code;
        code.name = QStringLiteral("单号");
        code.text = QStringLiteral("SF%1").arg(1000000000LL + i * 7919LL);
        code.left = 4300_tw;
        code.top = 100_tw;
        code.width = 4000_tw;
        code.height = 660_tw;
        code.fontSize = 10;
        code.symbology = templates::Symbology::Code128;
        printing::PrintField qr;
        qr.name = QStringLiteral("收件信息");
        qr.text = QStringLiteral("收件人：张三%1，浙江省杭州市西湖区文三路%2号，电话138%3")
                      .arg(i)
                      .arg(1 + i % 300)
                      .arg(10000000 + i, 8, 10, QLatin1Char('0'));
        qr.left = 10000_tw;
        qr.top = 3900_tw;
        qr.width = 2200_tw;
        qr.height = 2200_tw;
        qr.symbology = templates::Symbology::QrCode;
        sheet.fields << code << qr;
        sheets << sheet;
    }

    bool ok = true;
    const double placeMs = bench::bestOf(3, [&] {
        for (const printing::PrintSheet& s : sheets)
            if (!printing::placeSheet(s).ok)
                std::abort();
    });
    ok &= bench::report("place 1,000 sheets of one Code 128 and one QR code", placeMs, 1000);

    env.printToPdf(pdf);
    qint64 bytes = 0;
    auto print = [&] {
        QFile::remove(pdf);
        QString problem;
        const auto printer = printing::openBatchPrinter(QStringLiteral("示例运单"), QString(), &problem);
        if (!printer || !printing::printBatch(*printer, sheets).ok() || !QFile::exists(pdf))
            std::abort();
        bytes = QFile(pdf).size();
    };
    const double printMs = bench::bestOf(3, print);
    std::printf("%d pages, %lld bytes of PDF\n", kSheets, bytes);
    ok &= bench::report("1,000 sheets with a Code 128 and a QR code into one PDF", printMs, 3000);
    return ok ? 0 : 1;
}
