#include "Shots.h"

#include "TestEnv.h"
#include "customers/CustomerListModel.h"
#include "customers/CustomerStore.h"
#include "customers/Frm_khgl.h"
#include "data/Database.h"
#include "templates/RecordPicker.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

using namespace vorlan;
using namespace vorlan::customers;

static shots::Registrar customers("customers", [](const QString& folder) {
    test::TestEnv env;
    CustomerStore store(env.db());
    const char* rows[][12] = {
        {"北京华联商贸有限公司", "BJHL", "北京市朝阳区建国路88号", "100022", "010-65881234", "010-65881235",
         "王建国", "中国工商银行北京朝阳支行", "0200001509024567812", "北京市朝阳区建国路", "北京", "北京"},
        {"上海浦江物流有限公司", "SHPJ", "上海市浦东新区张江路1200号", "201203", "021-50801122",
         "021-50801123", "李晓梅", "招商银行上海张江支行", "121909876510301", "上海市浦东新区", "上海",
         "上海"},
        {"广州天河电子科技公司", "GZTH", "广州市天河区体育西路103号", "510620", "020-38765432", "", "陈志强",
         "中国建设银行广州天河支行", "44001400101053012345", "广州市天河区", "广东", "广州"},
        {"杭州西湖茶业有限公司", "HZXH", "杭州市西湖区龙井路15号", "310013", "0571-87961234", "0571-87961235",
         "周丽", "中国农业银行杭州西湖支行", "19005101040012345", "杭州市西湖区", "浙江", "杭州"},
        {"成都锦江办公用品商行", "CDJJ", "成都市锦江区春熙路22号", "610021", "028-86654321", "", "刘洋",
         "中国银行成都锦江支行", "1278 4567 8901", "成都市锦江区", "四川", "成都"},
        {"武汉长江机电设备厂", "WHCJ", "武汉市江岸区沿江大道160号", "430014", "027-82771234", "027-82771235",
         "张伟", "交通银行武汉江岸支行", "421421000018010012345", "武汉市江岸区", "湖北", "武汉"},
        {"南京紫金印务有限公司", "NJZJ", "南京市玄武区中山路55号", "210008", "025-84561234", "", "孙敏",
         "中国民生银行南京分行", "0603014170001234", "南京市玄武区", "江苏", "南京"},
        {"西安古城文化传播公司", "XAGC", "西安市碑林区南大街100号", "710001", "029-87281234", "029-87281235",
         "赵磊", "中信银行西安分行", "7271010182600012345", "西安市碑林区", "陕西", "西安"},
    };
    for (const auto& r : rows) {
        Customer c;
        for (int k = 0; k < kFieldCount; ++k)
            c[k] = QString::fromUtf8(r[k]);
        store.insert(c);
    }

    Frm_khgl w;
    w.load();
    w.Text_sheet->setText(QStringLiteral("Sheet1"));
    w.Text_qsdu->setText(QStringLiteral("2"));
    w.model->setChecked(4, true);
    w.show();
    w.ListView1->setCurrentIndex(w.model->index(1, 0));
    w.ListView1_Click();
    shots::save(&w, folder, QStringLiteral("customers"));
    w.XPButton2_Click();
    shots::save(&w, folder, QStringLiteral("customers-help"));
    w.close();

    // The record picker with a search typed: only the customers with "江" in a searched field, in
    // pinyin order, the first one highlighted.
    templates::数据选择 picker;
    picker.recordSource = [](const QString& text, const data::RowPage& page) {
        return CustomerStore(data::shared()).pickerRows(text, page);
    };
    picker.title = QStringLiteral("请选择客户信息");
    picker.show();
    picker.Txt_ChaZhao->setText(QStringLiteral("江"));
    shots::save(&picker, folder, QStringLiteral("picker-search"));
    picker.close();
});
