#include "Shots.h"

#include "TestEnv.h"
#include "app/AppState.h"
#include "templates/DesignerWidgets.h"
#include "templates/Frm_moban.h"
#include "templates/TemplateStore.h"

#include <QBuffer>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>

using namespace vorlan;
using templates::InputPoint;

namespace {

// A blank express waybill, drawn in twips: what a scanned form looks like as a template background.
QImage sampleForm() {
    const double scale = 2 * 96.0 / 1440; // twice the screen resolution, like a scan
    QImage img(int(12615 * scale), int(6375 * scale), QImage::Format_RGB32);
    img.fill(QColor(0xFF, 0xFD, 0xF4));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(scale, scale);
    const QColor ink(0xB0, 0x28, 0x28);
    const QPen thin(ink, 14), thick(ink, 30);
    auto font = [](int twips, bool bold = false) {
        QFont f(QStringLiteral("AR PL UMing CN"));
        f.setPixelSize(twips);
        f.setBold(bold);
        return f;
    };
    auto text = [&](double x, double y, double w, double h, const QString& s, int size = 190,
                    Qt::Alignment a = Qt::AlignLeft | Qt::AlignVCenter) {
        p.setFont(font(size));
        p.drawText(QRectF(x, y, w, h), int(a), s);
    };
    p.setPen(ink);
    p.setFont(font(380, true));
    p.drawText(QRectF(450, 420, 7000, 600), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("速达快递  国内快递运单"));
    text(8200, 470, 1500, 500, QStringLiteral("运单号码："), 200);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    for (int i = 0, x = 9700; x < 12150; ++i) { // a printed bar code
        const int w = (i * 7 % 5 + 1) * 14;
        p.drawRect(QRectF(x, 480, w, 360));
        x += w + (i * 3 % 4 + 1) * 14;
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(thick);
    p.drawRect(QRectF(420, 1020, 11800, 5000));
    p.setPen(thin);

    // Sender and receiver blocks.
    for (int block = 0; block < 2; ++block) {
        const double x0 = 420 + block * 5900, x1 = x0 + 5900;
        p.drawLine(QPointF(x0 + 500, 1020), QPointF(x0 + 500, 3820));
        p.setFont(font(260, true));
        const QString title = block == 0 ? QStringLiteral("寄\n件\n人") : QStringLiteral("收\n件\n人");
        p.drawText(QRectF(x0, 1020, 500, 2800), Qt::AlignCenter, title);
        for (double y : {1580.0, 2140.0, 3260.0, 3820.0})
            p.drawLine(QPointF(x0 + 500, y), QPointF(x1, y));
        p.drawLine(QPointF(x0 + 3500, 1020), QPointF(x0 + 3500, 1580));
        text(x0 + 580, 1020, 1000, 560, QStringLiteral("姓名"));
        text(x0 + 3580, 1020, 800, 560, QStringLiteral("电话"));
        text(x0 + 580, 1580, 1000, 560, QStringLiteral("单位名称"));
        text(x0 + 580, 2140, 1000, 560, QStringLiteral("详细地址"));
        text(x0 + 580, 3260, 1000, 560, QStringLiteral("邮政编码"));
    }
    p.drawLine(QPointF(6320, 1020), QPointF(6320, 3820));

    // Goods, value, date and signature.
    for (double y : {4380.0, 4940.0, 5500.0})
        p.drawLine(QPointF(420, y), QPointF(12220, y));
    p.drawLine(QPointF(4600, 3820), QPointF(4600, 4380));
    p.drawLine(QPointF(7400, 3820), QPointF(7400, 5500));
    text(500, 3820, 1400, 560, QStringLiteral("内件品名"));
    text(4680, 3820, 900, 560, QStringLiteral("件数"));
    text(7480, 3820, 1600, 560, QStringLiteral("重量（公斤）"));
    text(500, 4380, 2100, 560, QStringLiteral("保价金额（大写）"));
    text(7480, 4380, 1400, 560, QStringLiteral("保价费"));
    text(500, 4940, 1400, 560, QStringLiteral("寄件日期"));
    text(1900, 4940, 5400, 560, QStringLiteral("            年          月          日"));
    text(7480, 4940, 1600, 560, QStringLiteral("寄件人签名"));
    text(500, 5500, 1000, 520, QStringLiteral("备注"));
    text(7480, 5520, 4700, 480, QStringLiteral("请用力书写，共五联　　第一联：寄件人存根"), 150,
         Qt::AlignRight | Qt::AlignVCenter);
    return img;
}

InputPoint point(const QString& type, const QString& name, const QString& binding, ui::TwipsRect r,
                 qint32 fore = templates::color::kWindowText) {
    InputPoint p;
    p.type = type;
    p.name = name;
    p.binding = binding;
    p.rect = r;
    p.foreColor = fore;
    return p;
}

// The sample waybill's template, stored, as the designer opens it.
void storeTemplate(const QSqlDatabase& db) {
    namespace ty = templates::type;
    const QString none = templates::kNoBinding;
    const qint32 blue = templates::color::encode(QColor(0, 0, 160));

    templates::Template t;
    t.name = QStringLiteral("示例运单");
    t.single.append(point(ty::SingleLine, QStringLiteral("寄件人"), QStringLiteral("客户名称"),
                          {1600_tw, 1140_tw, 1800_tw, 315_tw}, blue));
    t.single.append(point(ty::SingleLine, QStringLiteral("寄件电话"), QStringLiteral("联系电话"),
                          {4550_tw, 1140_tw, 1650_tw, 315_tw}, blue));
    t.single.append(
        point(ty::SingleLine, QStringLiteral("寄件单位"), none, {2000_tw, 1700_tw, 4100_tw, 315_tw}, blue));
    t.single.append(point(ty::Number, QStringLiteral("寄件邮编"), QStringLiteral("邮政编码"),
                          {2000_tw, 3380_tw, 1500_tw, 315_tw}, blue));
    t.single.append(
        point(ty::SingleLine, QStringLiteral("收件人"), none, {7500_tw, 1140_tw, 1800_tw, 315_tw}, blue));
    t.single.append(
        point(ty::SingleLine, QStringLiteral("收件电话"), none, {10450_tw, 1140_tw, 1650_tw, 315_tw}, blue));
    t.single.append(point(ty::SingleLine, QStringLiteral("品名"), QStringLiteral("常用用途"),
                          {1900_tw, 3950_tw, 2500_tw, 315_tw}, blue));
    t.single.append(
        point(ty::Integer, QStringLiteral("件数"), none, {5600_tw, 3950_tw, 1000_tw, 315_tw}, blue));
    t.single.append(point(ty::AmountInWords, QStringLiteral("保价金额"), none,
                          {2650_tw, 4510_tw, 4500_tw, 315_tw}, blue));
    t.single.append(point(ty::Year, QStringLiteral("年"), none, {1950_tw, 5070_tw, 700_tw, 315_tw}, blue));
    t.single.append(point(ty::Month, QStringLiteral("月"), none, {3250_tw, 5070_tw, 550_tw, 315_tw}, blue));
    t.single.append(point(ty::Day, QStringLiteral("日"), none, {4500_tw, 5070_tw, 550_tw, 315_tw}, blue));
    // The waybill number printed as a Code 128 symbol, beside its label in the title band.
    templates::InputPoint number =
        point(ty::Number, QStringLiteral("运单号码"), none, {9700_tw, 250_tw, 2800_tw, 700_tw}, blue);
    number.symbology = templates::Symbology::Code128;
    t.single.append(number);
    t.multi.append(point(ty::MultiLine, QStringLiteral("寄件地址"), QStringLiteral("客户地址"),
                         {2000_tw, 2230_tw, 4100_tw, 950_tw}));
    t.multi.append(
        point(ty::MultiLine, QStringLiteral("收件地址"), none, {7900_tw, 2230_tw, 4100_tw, 950_tw}));

    QByteArray png;
    {
        QBuffer buf(&png);
        buf.open(QIODevice::WriteOnly);
        sampleForm().save(&buf, "PNG");
    }
    templates::PendingColumns pending;
    templates::TemplateStore(db).save(t, png, pending);
    app::state().currentTemplate = t.name;
}

} // namespace

static shots::Registrar designer("designer", [](const QString& folder) {
    test::TestEnv env;
    storeTemplate(env.db());
    templates::Frm_moban w;
    w.load();
    // One input point just added (it waits at the hint), and a bound point selected.
    w.Text_Name->setText(QStringLiteral("重量"));
    w.RadioB整数->setChecked(true);
    w.XPBut确定_Click();
    w.selectPoint(templates::Family::Single, 2);
    shots::save(&w, folder, QStringLiteral("designer"));
});

// The waybill number selected: the frame shows it printed as Code 128 with its text under the bars.
static shots::Registrar designerSymbol("designer-symbol", [](const QString& folder) {
    test::TestEnv env;
    storeTemplate(env.db());
    templates::Frm_moban w;
    w.load();
    w.selectPoint(templates::Family::Single, 13);
    shots::save(&w, folder, QStringLiteral("designer-symbol"));
});

// Tab顺序 mode: the sender's name and phone clicked first, the frame on the next box to number.
static shots::Registrar designerTabOrder("designer-taborder", [](const QString& folder) {
    test::TestEnv env;
    storeTemplate(env.db());
    templates::Frm_moban w;
    w.load();
    w.cmdTabOrder->click();
    for (int slot : {1, 2}) {
        const QPoint at = w.box(templates::Family::Single, slot)->geometry().center();
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), QPointF(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(w.tabOrderLayer(), &press);
    }
    shots::save(&w, folder, QStringLiteral("designer-taborder"));
});
