#include "Shots.h"

#include "PrintFixture.h"
#include "TestEnv.h"
#include "app/AppState.h"
#include "printing/Frm_PrintWindow.h"
#include "templates/RecordPicker.h"

#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>

using namespace vorlan;
using namespace vorlan::test::printfixture;
namespace ty = templates::type;

namespace {

// A blank waybill as a scanner would deliver it: printed rules and captions in the form's red ink.
QByteArray sampleForm() {
    const double scale = 150.0 / 1440; // 150 dpi
    const int w = int(12615 * scale), h = int(6375 * scale);
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(252, 248, 240));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(200, 40, 50);
    p.setPen(QPen(ink, 2));
    auto tw = [scale](double twips) { return int(twips * scale); };
    p.drawRect(tw(120), tw(120), tw(12375), tw(6135));
    QFont title(QStringLiteral("宋体"));
    title.setPixelSize(tw(420));
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRect(tw(120), tw(160), tw(12375), tw(560)), Qt::AlignCenter, QStringLiteral("快 递 运 单"));
    p.drawLine(tw(120), tw(760), tw(12495), tw(760));
    p.drawLine(tw(6300), tw(760), tw(6300), tw(5300));
    QFont small(QStringLiteral("宋体"));
    small.setPixelSize(tw(210));
    p.setFont(small);
    const char* left[] = {"寄件人姓名", "寄件单位", "寄件地址", "联系电话"};
    const char* right[] = {"收件人姓名", "收件单位", "收件地址", "联系电话"};
    for (int i = 0; i < 4; ++i) {
        const int y = tw(760 + i * 1100);
        if (i) {
            p.drawLine(tw(120), y, tw(12495), y);
        }
        p.drawText(tw(220), y + tw(330), QString::fromUtf8(left[i]));
        p.drawText(tw(6400), y + tw(330), QString::fromUtf8(right[i]));
    }
    p.drawLine(tw(120), tw(5300), tw(12495), tw(5300));
    p.drawText(tw(220), tw(5650), QStringLiteral("运费（大写）"));
    p.drawText(tw(6400), tw(5650), QStringLiteral("寄件日期"));
    p.drawText(tw(9600), tw(5650), QStringLiteral("单号"));
    p.setPen(QPen(QColor(30, 30, 30), 1));
    for (int i = 0; i < 40; ++i)
        p.drawLine(tw(9600 + i * 60), tw(5800), tw(9600 + i * 60), tw(6150 - (i % 3) * 60));
    p.end();
    return encode(img, "JPEG", 90);
}

void addSample(const QSqlDatabase& db, const QString& name) {
    const qint32 blue = 0x00AA5500; // RGB(0, 85, 170) with red in the lowest byte
    addBackground(db, name, 0, 0, 12615, 6375);
    addHeader(db, name, sampleForm());
    addRow(db, name,
           {ty::SingleLine, QStringLiteral("寄件人"), QStringLiteral("客户名称"), 1, 1500, 1100, 2400, 330,
            11, false, 0x00E0FFFF, blue});
    addRow(
        db, name,
        {ty::SingleLine, QStringLiteral("寄件单位"), QStringLiteral("快捷码"), 2, 1500, 2200, 4500, 330, 11});
    addRow(
        db, name,
        {ty::Number, QStringLiteral("寄件电话"), QStringLiteral("联系电话"), 3, 1500, 4400, 3000, 330, 11});
    addRow(db, name,
           {ty::SingleLine, QStringLiteral("收件人"), QStringLiteral("无"), 4, 7700, 1100, 2400, 330, 11,
            false, 0x00E0FFFF, blue});
    addRow(db, name,
           {ty::SingleLine, QStringLiteral("收件单位"), QStringLiteral("无"), 5, 7700, 2200, 4500, 330, 11});
    addRow(db, name,
           {ty::Number, QStringLiteral("收件电话"), QStringLiteral("无"), 6, 7700, 4400, 3000, 330, 11});
    addRow(db, name,
           {ty::AmountInWords, QStringLiteral("运费"), QStringLiteral("无"), 7, 1700, 5430, 4200, 330, 11});
    addRow(db, name,
           {ty::Date, QStringLiteral("寄件日期"), QStringLiteral("无"), 8, 7700, 5430, 1500, 330, 11});
    addRow(db, name,
           {ty::MultiLine, QStringLiteral("寄件地址"), QStringLiteral("客户地址"), 1, 1500, 3150, 4600, 900,
            11});
    addRow(db, name,
           {ty::MultiLine, QStringLiteral("收件地址"), QStringLiteral("无"), 2, 7700, 3150, 4600, 900, 11});
}

} // namespace

static shots::Registrar printwindow("printwindow", [](const QString& folder) {
    test::TestEnv env;
    const QString name = QStringLiteral("快递运单");
    addSample(env.db(), name);
    data::exec(env.db(), QStringLiteral("INSERT INTO Basic_Khgl VALUES (?,?,?,?,?,?,?,?,?,?,?,?, NULL)"),
               {QStringLiteral("杭州明远贸易有限公司"), QStringLiteral("MYMY"),
                QStringLiteral("杭州市西湖区文三路 188 号"), QStringLiteral("310012"),
                QStringLiteral("0571-8765 4321"), QString(), QStringLiteral("李明"),
                QStringLiteral("工商银行文三支行"), QStringLiteral("6222 0212 0300 1234"),
                QStringLiteral("杭州"), QStringLiteral("浙江"), QStringLiteral("西湖区")});
    data::exec(env.db(), QStringLiteral("INSERT INTO Basic_Khgl VALUES (?,?,?,?,?,?,?,?,?,?,?,?, NULL)"),
               {QStringLiteral("宁波海港物流"), QStringLiteral("NBHG"),
                QStringLiteral("宁波市北仑区港城路 9 号"), QStringLiteral("315800"),
                QStringLiteral("0574-8611 0000"), QString(), QStringLiteral("周海"),
                QStringLiteral("建设银行北仑支行"), QStringLiteral("6217 0000 1111 2222"),
                QStringLiteral("宁波"), QStringLiteral("浙江"), QStringLiteral("北仑区")});
    app::state().currentTemplate = name;

    {
        // The record picker as a double click opens it.
        templates::RecordPicker picker;
        picker.recordSource = &printing::customerPickerRows;
        picker.title = printing::kCustomerTitle;
        shots::save(&picker, folder, QStringLiteral("picker"));
    }

    printing::Frm_PrintWindow w;
    w.today = QDate(2024, 3, 5);
    w.load();
    env.prompter.onExec = [](QDialog* d) {
        auto* p = dynamic_cast<templates::RecordPicker*>(d);
        p->show();
        p->OKButton_Click();
        return p->result();
    };
    w.boxDoubleClick({templates::Family::Single, 1});
    w.Text_Add(4)->setText(QStringLiteral("王晓燕"));
    w.Text_Add(5)->setText(QStringLiteral("上海申江电子有限公司"));
    w.Text_Add(6)->setText(QStringLiteral("021-6234 5678"));
    w.Text_Addscroll(2)->setPlainText(QStringLiteral("上海市徐汇区漕溪北路 335 号 12 楼"));
    w.Text_Add(7)->setText(QStringLiteral("86.5"));
    w.boxEnter(7);
    shots::save(&w, folder, QStringLiteral("printwindow"));

    w.XPButton_WeiTiao->click();
    w.VScroll1->setValue(3);
    w.Allleft->setText(QStringLiteral("-2"));
    w.Text_Add(5)->setFocus();
    shots::save(&w, folder, QStringLiteral("printwindow-finetune"));
    w.XPButton_WeiTiao->click();

    w.SSTab1->setCurrentIndex(1);
    shots::save(&w, folder, QStringLiteral("printwindow-preview"));
});
