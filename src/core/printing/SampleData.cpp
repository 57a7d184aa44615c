#include "printing/SampleData.h"

#include "app/Catalogue.h"
#include "app/CommonUseStore.h"
#include "customers/CustomerStore.h"
#include "data/Sql.h"
#include "templates/TemplateStore.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPainter>

namespace vorlan::printing::sample {

namespace {

using templates::InputPoint;
using templates::Template;
namespace type = templates::type;

// The form's grid, twips over the 12615 x 6375 picture rectangle.
constexpr int kLeft = 120, kRight = 12495, kMid1 = 6240, kMid2 = 6375;
constexpr int kLabelWidth = 1200;
constexpr int kRow = 500;
constexpr int kPanelTop = 800, kPanelHeader = 400;
constexpr int kGoodsTop = 2800, kBottomTop = 3900, kBottom = 6255;
constexpr int kBoxInset = 95, kBoxHeight = 315;
// The waybill number's box in the title band, between the title and the service lines.
constexpr int kNumberLeft = 4300, kNumberTop = 110, kNumberWidth = 4300, kNumberHeight = 640;

const QColor kInk(196, 32, 44);
const QColor kShade(251, 228, 226);
const QColor kPaper(255, 253, 248);

struct Cell {
    QRect rect;
    QString text;
    bool shaded = true;
};

InputPoint point(const QString& type, const QString& name, const QString& binding, ui::Twips left,
                 ui::Twips top, ui::Twips width, ui::Twips height = ui::Twips(kBoxHeight)) {
    InputPoint p;
    p.type = type;
    p.name = name;
    p.binding = binding;
    p.rect = {left, top, width, height};
    p.fontName = QStringLiteral("宋体");
    p.fontSize = 10;
    return p;
}

int rowTop(int panelRow) {
    return kPanelTop + kPanelHeader + panelRow * kRow;
}

void drawLabel(QPainter& p, const QRect& r, const QString& text, int pixelSize, int flags = Qt::AlignCenter,
               bool bold = false) {
    QFont f(QStringLiteral("宋体"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    p.setFont(f);
    p.drawText(r, flags, text);
}

} // namespace

QImage formImage() {
    const ui::TwipsRect area = templates::kDefaultPictureRect;
    constexpr double dpi = 150;
    const double scale = ui::dotsPerTwip(dpi);
    QImage img(int(area.width.value() * scale + 0.5), int(area.height.value() * scale + 0.5),
               QImage::Format_RGB32);
    img.setDotsPerMeterX(int(dpi / 0.0254 + 0.5));
    img.setDotsPerMeterY(int(dpi / 0.0254 + 0.5));
    img.fill(kPaper);

    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(scale, scale); // draw in twips
    const bool text = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    QPen line(kInk, 14);
    QPen thin(kInk, 8);
    p.setPen(kInk);

    // Title band.
    if (text) {
        drawLabel(p, QRect(kLeft, 120, 6000, 600), QStringLiteral("示例快递  运单"), 400,
                  Qt::AlignLeft | Qt::AlignVCenter, true);
        drawLabel(p, QRect(6600, 120, kRight - 6600, 300),
                  QStringLiteral("客户服务热线：400-000-0000（示例）"), 170,
                  Qt::AlignRight | Qt::AlignVCenter);
        drawLabel(p, QRect(6600, 420, kRight - 6600, 300), QStringLiteral("本运单为样张，仅供练习套打"), 170,
                  Qt::AlignRight | Qt::AlignVCenter);
        drawLabel(p, QRect(kNumberLeft - 700, kNumberTop, 650, kNumberHeight), QStringLiteral("单号"), 190,
                  Qt::AlignRight | Qt::AlignVCenter);
    }

    QList<Cell> cells;
    auto panel = [&](int x0, int x1, const QString& title, const QStringList& labels) {
        cells << Cell{QRect(x0, kPanelTop, x1 - x0, kPanelHeader), title};
        for (int i = 0; i < labels.size(); ++i) {
            cells << Cell{QRect(x0, rowTop(i), kLabelWidth, kRow), labels.at(i)};
            cells << Cell{QRect(x0 + kLabelWidth, rowTop(i), x1 - x0 - kLabelWidth, kRow), QString(), false};
        }
    };
    panel(kLeft, kMid1, QStringLiteral("寄件人信息"),
          {QStringLiteral("寄件单位"), QStringLiteral("寄件地址"), QStringLiteral("联系电话")});
    panel(kMid2, kRight, QStringLiteral("收件人信息"),
          {QStringLiteral("收 件 人"), QStringLiteral("收件地址"), QStringLiteral("联系电话")});

    // Goods: name, count and declared value; then the value in words.
    const int g1 = kGoodsTop, g2 = kGoodsTop + kRow;
    cells << Cell{QRect(kLeft, g1, kLabelWidth, kRow), QStringLiteral("物品名称")};
    cells << Cell{QRect(kLeft + kLabelWidth, g1, 4200 - kLeft - kLabelWidth, kRow), QString(), false};
    cells << Cell{QRect(4200, g1, 800, kRow), QStringLiteral("件数")};
    cells << Cell{QRect(5000, g1, kMid2 - 5000, kRow), QString(), false};
    cells << Cell{QRect(kMid2, g1, kLabelWidth, kRow), QStringLiteral("保价金额")};
    cells << Cell{QRect(kMid2 + kLabelWidth, g1, kRight - kMid2 - kLabelWidth, kRow), QString(), false};
    cells << Cell{QRect(kLeft, g2, kLabelWidth, kRow), QStringLiteral("金额大写")};
    cells << Cell{QRect(kLeft + kLabelWidth, g2, kRight - kLeft - kLabelWidth, kRow), QString(), false};

    // Bottom: date and signature on the left, remarks on the right.
    cells << Cell{QRect(kLeft, kBottomTop, kLabelWidth, kRow), QStringLiteral("寄件日期")};
    cells << Cell{QRect(kLeft + kLabelWidth, kBottomTop, kMid1 - kLeft - kLabelWidth, kRow), QString(),
                  false};
    cells << Cell{QRect(kLeft, kBottomTop + kRow, kLabelWidth, kBottom - kBottomTop - kRow),
                  QStringLiteral("寄件人\n签  名")};
    cells << Cell{QRect(kLeft + kLabelWidth, kBottomTop + kRow, kMid1 - kLeft - kLabelWidth,
                        kBottom - kBottomTop - kRow),
                  QString(), false};
    cells << Cell{QRect(kMid2, kBottomTop, kLabelWidth, kBottom - kBottomTop), QStringLiteral("备  注")};
    cells << Cell{QRect(kMid2 + kLabelWidth, kBottomTop, kRight - kMid2 - kLabelWidth, kBottom - kBottomTop),
                  QString(), false};

    for (const Cell& c : cells) {
        p.setPen(thin);
        p.setBrush(c.shaded ? QBrush(kShade) : QBrush(Qt::NoBrush));
        p.drawRect(c.rect);
        if (text && !c.text.isEmpty()) {
            p.setPen(kInk);
            drawLabel(p, c.rect, c.text, 190, Qt::AlignCenter, c.rect.height() == kPanelHeader);
        }
    }
    // Outer frames of the three bands, drawn heavier.
    p.setBrush(Qt::NoBrush);
    p.setPen(line);
    p.drawRect(QRect(kLeft, kPanelTop, kMid1 - kLeft, kPanelHeader + 3 * kRow));
    p.drawRect(QRect(kMid2, kPanelTop, kRight - kMid2, kPanelHeader + 3 * kRow));
    p.drawRect(QRect(kLeft, kGoodsTop, kRight - kLeft, 2 * kRow));
    p.drawRect(QRect(kLeft, kBottomTop, kMid1 - kLeft, kBottom - kBottomTop));
    p.drawRect(QRect(kMid2, kBottomTop, kRight - kMid2, kBottom - kBottomTop));

    if (text) {
        p.setPen(kInk);
        const int y = kBottomTop;
        drawLabel(p, QRect(2450, y, 300, kRow), QStringLiteral("年"), 190);
        drawLabel(p, QRect(3330, y, 300, kRow), QStringLiteral("月"), 190);
        drawLabel(p, QRect(4230, y, 300, kRow), QStringLiteral("日"), 190);
        drawLabel(p, QRect(kRight - 500, g1, 400, kRow), QStringLiteral("元"), 190);
        drawLabel(p, QRect(kLeft + kLabelWidth + 200, kBottom - 420, 4500, 300),
                  QStringLiteral("本人已确认所寄物品不属于禁寄物品。"), 150,
                  Qt::AlignLeft | Qt::AlignVCenter);
    }
    p.end();
    return img;
}

QByteArray formPng() {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    formImage().save(&buffer, "PNG");
    return bytes;
}

Template sampleTemplate() {
    Template t;
    t.name = kTemplateName;
    t.pictureRect = templates::kDefaultPictureRect;
    const ui::Twips inLeft(kLeft + kLabelWidth + 100), inRight(kMid2 + kLabelWidth + 100), wide(4700);
    auto at = [](int row) { return ui::Twips(rowTop(row) + kBoxInset); };
    const QString none = templates::kNoBinding;

    auto add = [&](const InputPoint& p) { return t.family(templates::familyOf(p.type)).append(p); };
    add(point(type::SingleLine, QStringLiteral("寄件单位"), QStringLiteral("客户名称"), inLeft, at(0), wide));
    add(point(type::SingleLine, QStringLiteral("寄件地址"), QStringLiteral("客户地址"), inLeft, at(1), wide));
    add(point(type::Number, QStringLiteral("寄件电话"), QStringLiteral("联系电话"), inLeft, at(2), 2600_tw));
    // The receiver is a customer too: a pick in one panel fills that panel only.
    auto receiver = [](InputPoint p) {
        p.party = templates::Party::Receiver;
        return p;
    };
    const int receiverSlot = add(receiver(point(type::SingleLine, QStringLiteral("收件人"),
                                                QStringLiteral("客户名称"), inRight, at(0), 2600_tw)));
    add(receiver(point(type::SingleLine, QStringLiteral("收件地址"), QStringLiteral("客户地址"), inRight,
                       at(1), wide)));
    add(receiver(point(type::Number, QStringLiteral("收件电话"), QStringLiteral("联系电话"), inRight, at(2),
                       2600_tw)));
    add(point(type::SingleLine, QStringLiteral("物品名称"), templates::kCommonUseBinding, inLeft,
              ui::Twips(kGoodsTop + kBoxInset), 2600_tw));
    add(point(type::Integer, QStringLiteral("件数"), none, 5100_tw, ui::Twips(kGoodsTop + kBoxInset),
              1000_tw));
    add(point(type::Amount, QStringLiteral("保价金额"), none, inRight, ui::Twips(kGoodsTop + kBoxInset),
              3600_tw));
    add(point(type::AmountInWords, QStringLiteral("金额大写"), none, inLeft,
              ui::Twips(kGoodsTop + kRow + kBoxInset), 7000_tw));
    add(point(type::Year, QStringLiteral("年"), none, 1500_tw, ui::Twips(kBottomTop + kBoxInset), 900_tw));
    add(point(type::Month, QStringLiteral("月"), none, 2850_tw, ui::Twips(kBottomTop + kBoxInset), 450_tw));
    add(point(type::Day, QStringLiteral("日"), none, 3750_tw, ui::Twips(kBottomTop + kBoxInset), 450_tw));
    // The waybill number as a Code 128 symbol with its digits under it, in the title band beside the title.
    InputPoint number = point(type::Number, QStringLiteral("单号"), none, ui::Twips(kNumberLeft),
                              ui::Twips(kNumberTop), ui::Twips(kNumberWidth), ui::Twips(kNumberHeight));
    number.symbology = templates::Symbology::Code128;
    number.symbolText = true;
    add(number);
    // The remark shares its number with 收件人 (each family numbers its own slots); multi-line slots
    // before it stay empty.
    t.multi[receiverSlot] = point(type::MultiLine, QStringLiteral("备注"), none, inRight,
                                  ui::Twips(kBottomTop + kBoxInset), 4000_tw, 1000_tw);
    t.multi.count = receiverSlot;
    return t;
}

} // namespace vorlan::printing::sample

namespace vorlan::printing::sample {

void seedSampleData(const data::Engine& db) {
    using namespace printing::sample;
    // The template's rows, its picture and its print log table, in one transaction of the store.
    templates::PendingColumns pending;
    templates::TemplateStore(db).save(sampleTemplate(), formPng(), pending);

    // Each through its own store; a failure leaves a new file, which the opening then removes.
    app::CatalogueRow group;
    group.parent = QStringLiteral("0_");
    group.key = QStringLiteral("1_");
    group.text = kCatalogueGroup;
    app::CatalogueRow form;
    form.parent = QStringLiteral("1_");
    form.key = QStringLiteral("2_");
    form.text = kTemplateName;
    app::CatalogueStore(db).save({group, form});
    const QList<QStringList> customers{
        {QStringLiteral("华东示例贸易有限公司"), QStringLiteral("HDSL"),
         QStringLiteral("上海市浦东新区示例路100号"), QStringLiteral("200120"),
         QStringLiteral("021-55550101"), QStringLiteral("021-55550102"), QStringLiteral("王先生"),
         QStringLiteral("示例银行上海分行"), QStringLiteral("6222000000000001"),
         QStringLiteral("上海市浦东新区"), QStringLiteral("上海市"), QStringLiteral("浦东新区")},
        {QStringLiteral("北方样品商行"), QStringLiteral("BFYP"), QStringLiteral("北京市朝阳区样板街8号"),
         QStringLiteral("100020"), QStringLiteral("010-55550188"), QString(), QStringLiteral("李女士"),
         QStringLiteral("示例银行北京分行"), QStringLiteral("6222000000000002"),
         QStringLiteral("北京市朝阳区"), QStringLiteral("北京市"), QStringLiteral("朝阳区")},
    };
    for (const QStringList& c : customers) {
        vorlan::customers::Customer row;
        for (int k = 0; k < vorlan::customers::kFieldCount; ++k)
            row[k] = c.value(k);
        vorlan::customers::CustomerStore(db).insert(row);
    }
    for (const QString& use :
         {QStringLiteral("文件资料"), QStringLiteral("样品"), QStringLiteral("服装鞋帽")})
        app::CommonUseStore(db).add(use);
}

} // namespace vorlan::printing::sample
