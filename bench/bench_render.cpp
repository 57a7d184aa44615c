// Rendering a page of 200 input points to PDF, the way a print is sent.
#include "BenchUtil.h"
#include "TestEnv.h"
#include "printing/PageRenderer.h"
#include "printing/Placement.h"
#include "printing/PrintActions.h"
#include "ui/Printer.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

using namespace vorlan;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    test::TestEnv env(false);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("bench.pdf"));

    // 100 single-line and 100 multi-line values of mixed text, spread over the page.
    const QStringList samples{
        QStringLiteral("华东示例贸易有限公司"),
        QStringLiteral("021-55550101"),
        QStringLiteral("上海市浦东新区示例路100号3楼"),
        QStringLiteral("壹仟贰佰叁拾肆元伍角陆分"),
        QStringLiteral("Room 12B, Example Tower"),
        QStringLiteral("请于工作日送达，送货前先电话联系收件人。易碎物品，小心轻放，谢谢！")};
    printing::PrintSheet sheet;
    sheet.templateName = QStringLiteral("基准模板");
    sheet.allupText = QStringLiteral("2");
    sheet.allleftText = QStringLiteral("-1");
    for (int i = 0; i < 200; ++i)
        sheet.fields << printing::PrintField{QStringLiteral("点%1").arg(i), samples.at(i % samples.size()),
                                             ui::Twips(300 + (i % 4) * 2800), ui::Twips(300 + (i / 4) * 300),
                                             double(9 + i % 3)};
    int chars = 0;
    for (const auto& f : sheet.fields)
        chars += int(printing::placeText(f.text, {0_tw, 0_tw}, f.fontSize).items.size());

    env.printToPdf(pdf);
    bool ok = true;
    auto print = [&] {
        QFile::remove(pdf);
        if (!printing::printSheet(sheet).ok() || !QFile::exists(pdf))
            std::abort();
    };
    const double first = bench::bestOf(1, print);
    std::printf("first print (fonts and code page loaded): %.2f ms, %d characters, %lld bytes of PDF\n",
                first, chars, QFile(pdf).size());
    const double placeMs = bench::bestOf(10, [&] {
        if (!printing::placeSheet(sheet).ok)
            std::abort();
    });
    ok &= bench::report("place 200 input points", placeMs, 5);
    ok &=
        bench::report("render 200 input points to PDF (place, paint, write)", bench::bestOf(10, print), 100);
    return ok ? 0 : 1;
}
