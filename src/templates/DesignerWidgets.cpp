#include "templates/DesignerWidgets.h"

#include "ui/Twips.h"

#include <QImageReader>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>

#include <cmath>

namespace vorlan::templates {

QList<RulerTick> rulerTicks(bool vertical, double length) {
    QList<RulerTick> ticks;
    for (int i = 0; i * kRulerTickStep <= length; ++i) {
        RulerTick t;
        t.index = i;
        t.position = i * kRulerTickStep; // computed per tick, so no rounding error piles up
        t.length = i % 10 == 0 ? 6 * 26.7 : i % 5 == 0 ? 4 * 26.7 : 3 * 26.7;
        if (i % 10 == 0) {
            t.label = i == 0 ? QStringLiteral("0CM") : QString::number(i / 10);
            if (vertical)
                t.labelPos = QPointF(i == 0 ? 150 : 50, t.position);
            else
                t.labelPos = QPointF(t.position + (i == 0 ? 30 : -60), t.length - 30);
        }
        ticks << t;
    }
    return ticks;
}

RulerWidget::RulerWidget(bool vertical, QWidget* parent) : QWidget(parent), vertical_(vertical) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void RulerWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(0xF7, 0xF3, 0xE3));
    const double perTwip = ui::screenDpi() / ui::kTwipsPerInch;
    const double length = ui::toTwips(vertical_ ? height() : width());
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(std::max(7, ui::toPixels(105)));
    p.setFont(f);
    const int ascent = p.fontMetrics().ascent();
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 0));
    for (const RulerTick& t : rulerTicks(vertical_, length)) {
        const double pos = t.position * perTwip + 0.5, len = t.length * perTwip;
        if (vertical_)
            p.drawLine(QPointF(0, pos), QPointF(len, pos));
        else
            p.drawLine(QPointF(pos, 0), QPointF(pos, len));
        if (!t.label.isEmpty())
            p.drawText(QPointF(t.labelPos.x() * perTwip, t.labelPos.y() * perTwip + ascent), t.label);
    }
    p.setPen(QColor(0x90, 0x90, 0x90));
    if (vertical_)
        p.drawLine(width() - 1, 0, width() - 1, height());
    else
        p.drawLine(0, height() - 1, width(), height() - 1);
}

PictureArea::PictureArea(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(
        Qt::ClickFocus); // a click takes the focus from a box, so the next click into it selects it
}

void PictureArea::setImage(const QImage& image) {
    image_ = image;
    update();
}

void PictureArea::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!image_.isNull()) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(rect(), image_);
        return;
    }
    // No picture: only a faint outline, so the area can be found and clicked.
    p.setPen(QPen(QColor(0xA0, 0xA0, 0xA0), 0, Qt::DotLine));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void PictureArea::mousePressEvent(QMouseEvent* e) {
    QWidget::mousePressEvent(e);
    setFocus(Qt::MouseFocusReason);
    if (clicked)
        clicked();
}

void setBoxColors(QWidget* box, qint32 back, qint32 fore) {
    QPalette pal = box->palette();
    pal.setColor(QPalette::Base, color::decode(back, QPalette()));
    pal.setColor(QPalette::Text, color::decode(fore, QPalette()));
    box->setPalette(pal);
}

void showPointBox(QWidget* box, const InputPoint& point) {
    ui::place(box, point.rect.left, point.rect.top, point.rect.width, point.rect.height);
    box->setFont(point.font());
    setBoxColors(box, point.backColor, point.foreColor);
    // The hint tells the boxes apart; text typed into a box in the designer is never stored.
    if (auto* e = qobject_cast<QLineEdit*>(box))
        e->setPlaceholderText(point.name);
    else if (auto* m = qobject_cast<QPlainTextEdit*>(box))
        m->setPlaceholderText(point.name);
    box->setVisible(point.isLive());
}

QString pictureFileFilter() {
    QStringList patterns;
    for (const QByteArray& f : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(f).toLower();
    patterns.removeDuplicates();
    return QStringLiteral("图片文件 (%1);;所有文件 (*)").arg(patterns.join(QLatin1Char(' ')));
}

} // namespace vorlan::templates
