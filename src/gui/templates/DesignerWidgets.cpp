#include "templates/DesignerWidgets.h"

#include "ui/TwipsLayout.h"

#include <QAction>
#include <QImageReader>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QUndoStack>

#include <cmath>

namespace vorlan::templates {

std::pair<QAction*, QToolButton*> undoControl(QWidget* window, QUndoStack* stack, bool redo,
                                              const QString& buttonName) {
    auto* action = new QAction(redo ? QStringLiteral("重做") : QStringLiteral("撤销"), window);
    if (redo) {
        QList<QKeySequence> keys{QKeySequence(Qt::CTRL | Qt::Key_Y)};
        for (const QKeySequence& k : QKeySequence::keyBindings(QKeySequence::Redo))
            if (!keys.contains(k))
                keys << k;
        action->setShortcuts(keys);
    } else {
        action->setShortcuts(QKeySequence::Undo);
    }
    action->setToolTip(action->text() + QStringLiteral(" (") +
                       action->shortcut().toString(QKeySequence::NativeText) + QLatin1Char(')'));
    action->setEnabled(false);
    window->addAction(action);
    QObject::connect(stack, redo ? &QUndoStack::canRedoChanged : &QUndoStack::canUndoChanged, action,
                     &QAction::setEnabled);
    QObject::connect(action, &QAction::triggered, stack, redo ? &QUndoStack::redo : &QUndoStack::undo);
    auto* button = new QToolButton(window);
    button->setObjectName(buttonName);
    button->setDefaultAction(action);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return {action, button};
}

bool routeUndoKeys(QObject* watched, QEvent* e, const QAction& undoAction, const QAction& redoAction,
                   bool alwaysWindow) {
    const QEvent::Type t = e->type();
    if (t != QEvent::ShortcutOverride && t != QEvent::KeyPress)
        return false;
    const QKeySequence key(static_cast<QKeyEvent*>(e)->keyCombination());
    const bool undo = undoAction.shortcuts().contains(key);
    const bool redo = !undo && redoAction.shortcuts().contains(key);
    if (!undo && !redo)
        return false;
    auto* edit = alwaysWindow ? nullptr : qobject_cast<QLineEdit*>(watched);
    const bool own =
        edit && !edit->isReadOnly() && (undo ? edit->isUndoAvailable() : edit->isRedoAvailable());
    if (!own) {
        if (t != QEvent::ShortcutOverride)
            return false;
        e->ignore(); // the window's shortcut takes the key
        return true;
    }
    if (t == QEvent::ShortcutOverride) {
        e->accept(); // the key comes to the field as a key press
        return true;
    }
    // Done here, as not every platform's line edit knows Ctrl+Y.
    if (undo)
        edit->undo();
    else
        edit->redo();
    return true;
}

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
