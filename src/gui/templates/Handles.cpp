#include "templates/Handles.h"

#include "ui/TwipsLayout.h"

#include <QAbstractScrollArea>
#include <QCursor>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

namespace vorlan::templates {

QString handleName(Handle h) {
    return QStringLiteral("Pic%1").arg(handleIndex(h) + 1);
}

std::optional<Handle> handleFromName(const QString& name) {
    for (Handle h : kAllHandles)
        if (handleName(h) == name)
            return h;
    return std::nullopt;
}

Qt::CursorShape handleCursor(Handle h) {
    switch (h) {
    case Handle::Pic1:
    case Handle::Pic8:
        return Qt::SizeFDiagCursor;
    case Handle::Pic3:
    case Handle::Pic6:
        return Qt::SizeBDiagCursor;
    case Handle::Pic2:
    case Handle::Pic7:
        return Qt::SizeVerCursor;
    case Handle::Pic4:
    case Handle::Pic5:
        return Qt::SizeHorCursor;
    }
    return Qt::ArrowCursor;
}

ui::TwipsPoint handlePoint(const ui::TwipsRect& o, Handle h) {
    const ui::Twips l = o.left, t = o.top, w = o.width, hh = o.height;
    switch (h) {
    case Handle::Pic1:
        return {l, t};
    case Handle::Pic2:
        return {l + w / 2, t};
    case Handle::Pic3:
        return {l + w, t};
    case Handle::Pic4:
        return {l, t + hh / 2};
    case Handle::Pic5:
        return {l + w, t + hh / 2};
    case Handle::Pic6:
        return {l, t + hh};
    case Handle::Pic7:
        return {l + w / 2, t + hh};
    case Handle::Pic8:
        return {l + w, t + hh};
    }
    return {l, t};
}

ui::TwipsRect handleRect(const ui::TwipsRect& object, Handle h) {
    const ui::TwipsPoint p = handlePoint(object, h);
    return ui::TwipsRect{p.x - kHandleSize / 2, p.y - kHandleSize / 2, kHandleSize, kHandleSize}.toSingle();
}

std::array<ui::TwipsRect, kHandleCount> handleRects(const ui::TwipsRect& object) {
    std::array<ui::TwipsRect, kHandleCount> r{};
    for (Handle h : kAllHandles)
        r[size_t(handleIndex(h))] = handleRect(object, h);
    return r;
}

std::optional<ui::TwipsRect> resized(const ui::TwipsRect& o, Handle h, ui::Twips dx, ui::Twips dy) {
    // Every sum is rounded to single precision on its own, so a rectangle comes out as the model keeps it.
    dx = dx.toSingle();
    dy = dy.toSingle();
    ui::TwipsRect n = o;
    bool changesWidth = true, changesHeight = true;
    switch (h) {
    case Handle::Pic1:
        n = {o.left + dx, o.top + dy, o.width - dx, o.height - dy};
        break;
    case Handle::Pic2:
        n = {o.left, o.top + dy, o.width, o.height - dy};
        changesWidth = false;
        break;
    case Handle::Pic3:
        n = {o.left, o.top + dy, o.width + dx, o.height - dy};
        break;
    case Handle::Pic4:
        n = {o.left + dx, o.top, o.width - dx, o.height};
        changesHeight = false;
        break;
    case Handle::Pic5:
        n = {o.left, o.top, o.width + dx, o.height};
        changesHeight = false;
        break;
    case Handle::Pic6:
        n = {o.left + dx, o.top, o.width - dx, o.height + dy};
        break;
    case Handle::Pic7:
        n = {o.left, o.top, o.width, o.height + dy};
        changesWidth = false;
        break;
    case Handle::Pic8:
        n = {o.left, o.top, o.width + dx, o.height + dy};
        break;
    }
    n = n.toSingle();
    if (changesWidth && n.width <= kMinObjectSize)
        return std::nullopt;
    if (changesHeight && n.height <= kMinObjectSize)
        return std::nullopt;
    return n;
}

// --- Handles -------------------------------------------------------------------------------------------

void Handles::place(const ui::TwipsRect& object) {
    rects_ = handleRects(object);
}

std::optional<ui::TwipsRect> Handles::dragPoint(const ui::TwipsRect& object, ui::TwipsPoint pos,
                                                Qt::MouseButtons buttons) {
    if (!isDragButtons(buttons))
        return std::nullopt;
    dragging_ = true;
    ui::TwipsRect moved = object;
    moved.left = (object.left + (pos.x - anchor_.x)).toSingle();
    moved.top = (object.top + (pos.y - anchor_.y)).toSingle();
    visible_ = false;
    return moved;
}

void Handles::endDrag() {
    dragging_ = false;
    visible_ = true;
}

std::optional<ui::TwipsRect> Handles::resize(Handle h, const ui::TwipsRect& object, ui::TwipsPoint pos,
                                             Qt::MouseButtons buttons) {
    if (!isDragButtons(buttons))
        return std::nullopt;
    const auto r = resized(object, h, pos.x - anchor_.x, pos.y - anchor_.y);
    if (!r)
        return std::nullopt;
    // Every handle is centred again on the new rectangle; for the dragged one that is exactly the part of
    // the mouse movement it follows, and handles whose point did not move stay where they are.
    place(*r);
    return r;
}

// --- HandleSet -----------------------------------------------------------------------------------------

namespace {

class HandleWidget final : public QWidget {
public:
    HandleWidget(Handle h, QWidget* parent) : QWidget(parent) {
        setObjectName(handleName(h));
        setCursor(handleCursor(h));
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), QColor(0, 0, 128));
        p.setPen(Qt::white);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

ui::TwipsPoint twipsPos(const QMouseEvent* e) {
    return ui::fromPixels(e->position());
}

// The widget that actually shows the mouse cursor: a scroll area's viewport, else the widget itself.
QWidget* cursorWidget(QWidget* w) {
    if (auto* area = qobject_cast<QAbstractScrollArea*>(w))
        return area->viewport();
    return w;
}

} // namespace

HandleSet::HandleSet(QWidget* surface) : QObject(surface), surface_(surface) {
    for (Handle h : kAllHandles) {
        auto* w = new HandleWidget(h, surface);
        w->hide();
        w->installEventFilter(this);
        handles_[size_t(handleIndex(h))] = w;
    }
}

void HandleSet::select(QWidget* object, const ui::TwipsRect& rect) {
    selected_ = object;
    selectedRect_ = rect;
    logic_.place(rect);
    placeHandleWidgets();
}

void HandleSet::setHandlesVisible(bool visible) {
    logic_.setVisible(visible);
    placeHandleWidgets();
}

void HandleSet::placeHandleWidgets() {
    for (Handle h : kAllHandles) {
        QWidget* w = handle(h);
        const ui::TwipsRect r = logic_.rect(h);
        ui::place(w, r);
        w->setVisible(logic_.visible() && selected_);
        if (w->isVisible())
            w->raise();
    }
}

void HandleSet::attachBox(QWidget* box) {
    if (!box || boxes_.contains(box))
        return;
    boxes_.append(box);
    box->installEventFilter(this);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(box))
        area->viewport()->installEventFilter(this);
}

void HandleSet::detachBox(QWidget* box) {
    if (!box)
        return;
    boxes_.removeAll(box);
    box->removeEventFilter(this);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(box))
        area->viewport()->removeEventFilter(this);
}

QWidget* HandleSet::boxOf(QObject* watched) const {
    for (const auto& b : boxes_) {
        if (!b)
            continue;
        if (b == watched)
            return b;
        if (auto* area = qobject_cast<QAbstractScrollArea*>(b.data()); area && area->viewport() == watched)
            return b;
    }
    return nullptr;
}

void HandleSet::applyRect(const ui::TwipsRect& rect) {
    selectedRect_ = rect;
    if (selected_)
        ui::place(selected_, rect);
    emit objectMoved(selected_, rect);
}

bool HandleSet::dragPoint(ui::TwipsPoint pos, Qt::MouseButtons buttons) {
    if (!selected_)
        return false;
    const bool wasDragging = logic_.dragging();
    const auto moved = logic_.dragPoint(selectedRect_, pos, buttons);
    if (!moved)
        return false;
    if (!wasDragging) {
        QWidget* w = cursorWidget(selected_);
        hadCursor_ = w->testAttribute(Qt::WA_SetCursor);
        savedCursor_ = w->cursor();
        w->setCursor(kDragCursor);
    }
    placeHandleWidgets();
    applyRect(*moved);
    return true;
}

void HandleSet::endDrag() {
    const bool dragged = logic_.dragging();
    if (dragged && selected_) {
        // Back to the widget's own cursor (the text cursor of a box, the arrow of the picture area).
        QWidget* w = cursorWidget(selected_);
        if (hadCursor_)
            w->setCursor(savedCursor_);
        else
            w->unsetCursor();
    }
    logic_.endDrag();
    placeHandleWidgets();
    if (dragged)
        emit moveFinished(selected_);
}

bool HandleSet::handleMove(Handle h, ui::TwipsPoint pos, Qt::MouseButtons buttons) {
    if (!selected_)
        return false;
    const auto r = logic_.resize(h, selectedRect_, pos, buttons);
    if (!r)
        return false;
    placeHandleWidgets();
    applyRect(*r);
    return true;
}

bool HandleSet::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type t = event->type();
    const bool mouse =
        t == QEvent::MouseButtonPress || t == QEvent::MouseMove || t == QEvent::MouseButtonRelease;
    if (!active_ || (!mouse && t != QEvent::FocusIn))
        return QObject::eventFilter(watched, event);

    for (Handle h : kAllHandles) {
        if (watched != handle(h))
            continue;
        auto* me = static_cast<QMouseEvent*>(event);
        if (t == QEvent::MouseButtonPress)
            setAnchor(twipsPos(me));
        else if (t == QEvent::MouseMove)
            handleMove(h, twipsPos(me), me->buttons());
        else if (t == QEvent::MouseButtonRelease)
            emit moveFinished(selected_);
        return mouse;
    }

    QWidget* box = boxOf(watched);
    if (!box)
        return QObject::eventFilter(watched, event);
    if (t == QEvent::FocusIn) {
        if (watched == box)
            emit boxFocused(box);
        return false;
    }
    auto* me = static_cast<QMouseEvent*>(event);
    switch (t) {
    case QEvent::MouseButtonPress:
        setAnchor(twipsPos(me));
        break;
    case QEvent::MouseMove:
        dragPoint(twipsPos(me), me->buttons());
        break;
    case QEvent::MouseButtonRelease:
        endDrag();
        emit boxReleased(box);
        break;
    default:
        break;
    }
    return false;
}

} // namespace vorlan::templates
