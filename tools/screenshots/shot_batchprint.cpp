#include "Shots.h"

#include "TestEnv.h"
#include "app/Windows.h"
#include "printing/Frm_BatchPrint.h"
#include "printing/SampleData.h"
#include "templates/TemplateStore.h"

#include <QDir>
#include <QFile>

using namespace vorlan;

// The batch dialog over a small spreadsheet whose columns are named like the sample waybill's input points
// (one of them loosely, one not at all), on its second sheet.
static shots::Registrar batchprint("batchprint", [](const QString& folder) {
    test::TestEnv env;
    printing::sample::seedSampleData(env.db());
    templates::Template t = templates::TemplateStore(env.db()).load(printing::sample::kTemplateName).tmpl;
    t.name = printing::sample::kTemplateName;

    const QString csv = QDir(env.folder()).filePath(QStringLiteral("收件人名单.csv"));
    QFile f(csv);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    f.write("收件人,收件地址,收件 电话,物品名称,件数,保价金额,金额大写,订单号\n"
            "王晓燕,上海市徐汇区漕溪北路335号,021-62345678,文件资料,1,500,86.5,A1001\n"
            "陈志强,广州市天河区体育西路103号,020-38765432,样品,2,1200,120,A1002\n"
            "周丽,杭州市西湖区龙井路15号,0571-87961234,服装鞋帽,3,800,45,A1003\n"
            "刘洋,成都市锦江区春熙路22号,028-86654321,文件资料,1,300,20.5,A1004\n");
    f.close();

    printing::BoxTexts typed{{{templates::Family::Single, 1}, QStringLiteral("华东示例贸易有限公司")}};
    printing::Frm_BatchPrint w(nullptr, t, typed, 0, 0, true);
    w.openFile(csv);
    w.preview->showSheet(2);
    shots::save(&w, folder, QStringLiteral("batch-print"));
});
