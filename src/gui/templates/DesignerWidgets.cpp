#include "templates/DesignerWidgets.h"

#include "templates/TemplateDocument.h"
#include "ui/TwipsLayout.h"

#include <QAction>
#include <QImageReader>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QUndoStack>

#include <algorithm>
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

TabOrderLayer::TabOrderLayer(QWidget* window, TemplateDocument* doc)
    : QWidget(window), doc_(doc), action_(new QAction(QStringLiteral("Tab顺序"), window)),
      button_(new QToolButton(window)) {
    setObjectName(QStringLiteral("tabOrderLayer"));
    setFocusPolicy(Qt::StrongFocus);
    hide();
    action_->setCheckable(true);
    action_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    action_->setToolTip(QStringLiteral("Tab顺序 (%1)：依次单击输入点，定下打印时光标经过输入点的顺序"
                                       "（方向键选点，空格或回车编号，退格退回一个）；再按一次或按 Esc 结束")
                            .arg(action_->shortcut().toString(QKeySequence::NativeText)));
    window->addAction(action_);
    QObject::connect(action_, &QAction::toggled, this, [this](bool on) { setOn(on); });
    QObject::connect(doc_, &TemplateDocument::tabOrderChanged, this, [this] { update(); });
    button_->setObjectName(QStringLiteral("cmdTabOrder"));
    button_->setDefaultAction(action_);
    button_->setToolButtonStyle(Qt::ToolButtonTextOnly);
}

void TabOrderLayer::setOn(bool on) {
    if (on == on_)
        return;
    on_ = on;
    if (on) {
        clicks_ = TabOrderClicks(tabOrder(doc_->tmpl()));
        framed_ = clicks_.order().isEmpty() ? std::nullopt : std::optional(clicks_.order().first());
        setGeometry(parentWidget()->rect());
        show();
        raise();
        button_->raise();
        setFocus(Qt::OtherFocusReason);
    } else {
        // Nothing clicked, nothing changed.
        if (!clicks_.clicked().isEmpty())
            doc_->setTabOrder(clicks_.order());
        clicks_ = TabOrderClicks();
        framed_.reset();
        hide();
    }
    action_->setChecked(on);
    if (switched)
        switched(on);
}

QRect TabOrderLayer::boxRect(SlotRef ref) const {
    return ui::toPixels(doc_->tmpl().point(ref).rect);
}

std::optional<SlotRef> TabOrderLayer::boxAt(QPoint pos) const {
    std::optional<SlotRef> found;
    qint64 area = 0;
    for (const SlotRef& ref : clicks_.order()) {
        const QRect r = boxRect(ref);
        const qint64 a = qint64(r.width()) * r.height();
        if (r.contains(pos) && (!found || a < area)) {
            found = ref;
            area = a;
        }
    }
    return found;
}

void TabOrderLayer::number(SlotRef ref) {
    clicks_.click(ref);
    // The frame goes on to the first box not numbered yet, where the next number goes.
    const QList<SlotRef> order = clicks_.order();
    const qsizetype next = clicks_.clicked().size();
    framed_ = next < order.size() ? order[next] : ref;
    update();
}

void TabOrderLayer::frameNext(int step) {
    const QList<SlotRef> order = clicks_.order();
    if (order.isEmpty())
        return;
    const qsizetype i = framed_ ? order.indexOf(*framed_) : -1;
    framed_ = order[std::clamp<qsizetype>(i + step, 0, order.size() - 1)];
    update();
}

void TabOrderLayer::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QFont f = font();
    f.setBold(true);
    f.setPixelSize(11);
    p.setFont(f);
    const QList<SlotRef> order = clicks_.order();
    for (qsizetype i = 0; i < order.size(); ++i) {
        const QRect box = boxRect(order[i]);
        if (framed_ == order[i]) {
            p.setPen(QPen(QColor(0xE0, 0x60, 0x00), 2, Qt::DashLine));
            p.setBrush(Qt::NoBrush);
            p.drawRect(box.adjusted(-2, -2, 1, 1));
        }
        const QString text = QString::number(i + 1);
        const QRect tag(box.topLeft(), QSize(p.fontMetrics().horizontalAdvance(text) + 8, 15));
        p.setPen(Qt::NoPen);
        p.setBrush(clicks_.isClicked(order[i]) ? QColor(0x00, 0x00, 0xC0) : QColor(0x70, 0x70, 0x70));
        p.drawRect(tag);
        p.setPen(Qt::white);
        p.drawText(tag, Qt::AlignCenter, text);
    }
}

void TabOrderLayer::mousePressEvent(QMouseEvent* e) {
    e->accept();
    if (e->button() != Qt::LeftButton)
        return;
    if (const auto ref = boxAt(e->position().toPoint()))
        number(*ref);
}

void TabOrderLayer::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        frameNext(-1);
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        frameNext(1);
        break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (framed_)
            number(*framed_);
        break;
    case Qt::Key_Backspace:
        if (!clicks_.clicked().isEmpty()) {
            framed_ = clicks_.clicked().last();
            clicks_.takeBack();
            update();
        }
        break;
    case Qt::Key_Escape:
        setOn(false);
        break;
    default:
        QWidget::keyPressEvent(e);
        return;
    }
    e->accept();
}

QString pictureFileFilter() {
    QStringList patterns;
    for (const QByteArray& f : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(f).toLower();
    patterns.removeDuplicates();
    return QStringLiteral("图片文件 (%1);;所有文件 (*)").arg(patterns.join(QLatin1Char(' ')));
}

} // namespace vorlan::templates
