#include "Shots.h"

#include "TestEnv.h"
#include "printing/PrintActions.h"
#include "printing/SampleData.h"
#include "ui/Twips.h"

#include <QDir>
#include <QPainter>

#include <cstdio>

using namespace vorlan;

namespace {

void saveImage(const QImage& img, const QString& folder, const QString& file) {
    const QString path = QDir(folder).filePath(file + QStringLiteral(".png"));
    if (!img.save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    else
        std::printf("%s\n", qPrintable(path));
}

} // namespace

// The sample form, and the sample form with values printed onto it as the printer places them.
static shots::Registrar printingShots("printing", [](const QString& folder) {
    test::TestEnv env(false);
    const QImage form = printing::sample::formImage();
    saveImage(form, folder, QStringLiteral("sample-form"));

    const templates::Template t = printing::sample::sampleTemplate();
    const QStringList values{
        QStringLiteral("华东示例贸易有限公司"),
        QStringLiteral("上海市浦东新区示例路100号"),
        QStringLiteral("021-55550101"),
        QStringLiteral("张三"),
        QStringLiteral("浙江省杭州市西湖区文三路90号"),
        QStringLiteral("13800000000"),
        QStringLiteral("文件资料"),
        QStringLiteral("2"),
        QStringLiteral("1234.56"),
        QStringLiteral("    壹仟贰佰叁拾肆元伍角陆分 "),
        QStringLiteral("2024"),
        QStringLiteral("03"),
        QStringLiteral("05"),
        QStringLiteral("SF1234567890"),
        QStringLiteral("请于工作日送达，送货前先电话联系收件人。易碎物品，小心轻放，谢谢！")};
    printing::PrintSheet sheet;
    sheet.templateName = t.name;
    int v = 0;
    for (const templates::PointFamily* fam : {&t.single, &t.multi})
        for (int i = 1; i <= fam->count; ++i) {
            const templates::InputPoint& p = (*fam)[i];
            if (!p.isLive())
                continue; // the multi-line slots before the remark are empty
            printing::PrintField f{p.name,     values.value(v++), p.rect.left,  p.rect.top,
                                   p.fontSize, p.rect.width,      p.rect.height};
            if (p.isSymbol()) { // 单号, as its Code 128
                f.symbology = p.symbology;
                f.symbolText = p.symbolText;
            }
            sheet.fields << f;
        }

    // The form at 150 dots per inch with the values drawn on the same image.
    QImage page = form.convertToFormat(QImage::Format_RGB32);
    QPainter painter(&page);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(QColor(20, 30, 120));
    printing::drawSheet(painter, sheet);
    painter.end();
    saveImage(page, folder, QStringLiteral("sample-printed"));
});
