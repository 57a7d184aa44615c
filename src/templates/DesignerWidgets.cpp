#include "templates/DesignerWidgets.h"

#include "ui/TwipsLayout.h"

#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace vorlan::templates {

QList<RulerTick> rulerTicks(bool vertical, ui::Twips length) {
    const ui::Twips unit(26.7); // tick lengths are 6, 4 or 3 of these
    QList<RulerTick> ticks;
    for (int i = 0; i * kRulerTickStep <= length; ++i) {
        RulerTick t;
        t.index = i;
        t.position = i * kRulerTickStep; // computed per tick, so no rounding error piles up
        t.length = i % 10 == 0 ? 6 * unit : i % 5 == 0 ? 4 * unit : 3 * unit;
        if (i % 10 == 0) {
            t.label = i == 0 ? QStringLiteral("0CM") : QString::number(i / 10);
            if (vertical)
                t.labelPos = {i == 0 ? 150_tw : 50_tw, t.position};
            else
                t.labelPos = {t.position + (i == 0 ? 30_tw : -60_tw), t.length - 30_tw};
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
    const ui::Twips length = ui::fromPixels(vertical_ ? height() : width());
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(std::max(7, ui::toPixels(105_tw)));
    p.setFont(f);
    const int ascent = p.fontMetrics().ascent();
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 0));
    for (const RulerTick& t : rulerTicks(vertical_, length)) {
        const double pos = ui::toPixelsF(t.position) + 0.5, len = ui::toPixelsF(t.length);
        if (vertical_)
            p.drawLine(QPointF(0, pos), QPointF(len, pos));
        else
            p.drawLine(QPointF(pos, 0), QPointF(pos, len));
        if (!t.label.isEmpty())
            p.drawText(ui::toPixelsF(t.labelPos) + QPointF(0, ascent), t.label);
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

QString pictureFileFilter() {
    QStringList patterns;
    for (const QByteArray& f : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(f).toLower();
    patterns.removeDuplicates();
    return QStringLiteral("图片文件 (%1);;所有文件 (*)").arg(patterns.join(QLatin1Char(' ')));
}

} // namespace vorlan::templates
