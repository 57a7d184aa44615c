#pragma once
// Selection handles: one selected object (an input point box or the picture area), the eight handles
// Pic1..Pic8 around it, the anchor, moving the object by dragging a box and resizing it by dragging a
// handle. Every value is in twips on the layout surface; positions are not limited to the surface.
//
// Two layers, usable separately:
//  - Handles (and the free functions): the rules as plain logic, no widgets.
//  - HandleSet: the eight handle widgets on a surface and the mouse wiring of boxes and handles. The
//    designer and the print window's fine-tune mode both use it.
//
// Typical use in a window:
//     handles_ = new templates::HandleSet(surface);           // creates Pic1..Pic8, hidden
//     handles_->attachBox(box);                               // for every input point box
//     connect(handles_, &HandleSet::boxFocused, ...select the box: handles_->select(box, rectOf(box)));
//     connect(handles_, &HandleSet::boxReleased, ...same as boxFocused);
//     connect(handles_, &HandleSet::objectMoved, ...store the new rectangle in the model);
//     connect(handles_, &HandleSet::moveFinished, ...close the undo step of the move, if there is one);
//     handles_->setHandlesVisible(true);

#include "ui/Twips.h"

#include <QCursor>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <array>
#include <optional>

class QWidget;

namespace vorlan::templates {

// Pic1 top-left, Pic2 top middle, Pic3 top-right, Pic4 left middle, Pic5 right middle, Pic6 bottom-left,
// Pic7 bottom middle, Pic8 bottom-right.
enum class Handle { Pic1, Pic2, Pic3, Pic4, Pic5, Pic6, Pic7, Pic8 };
inline constexpr int kHandleCount = 8;
inline constexpr std::array<Handle, kHandleCount> kAllHandles{Handle::Pic1, Handle::Pic2, Handle::Pic3,
                                                              Handle::Pic4, Handle::Pic5, Handle::Pic6,
                                                              Handle::Pic7, Handle::Pic8};

inline constexpr ui::Twips kHandleSize{135};    // each handle is a 135 x 135 twips square
inline constexpr ui::Twips kMinObjectSize{280}; // a width or height a resize changes must stay above this

inline constexpr int handleIndex(Handle h) {
    return int(h);
}
QString handleName(Handle h);                              // "Pic1" .. "Pic8"
std::optional<Handle> handleFromName(const QString& name); // the reverse, nullopt for other names

// The cursor shown over a handle: NW-SE for Pic1/Pic8, N-S for Pic2/Pic7, NE-SW for Pic3/Pic6, W-E for
// Pic4/Pic5.
Qt::CursorShape handleCursor(Handle h);
// The cursor of the selected object while it is dragged.
inline constexpr Qt::CursorShape kDragCursor = Qt::SizeAllCursor;

// Only exactly the left button (no other button with it) drags or resizes.
inline bool isDragButtons(Qt::MouseButtons buttons) {
    return buttons == Qt::MouseButtons(Qt::LeftButton);
}

// The point a handle is centred on: a corner or an edge midpoint of the object.
ui::TwipsPoint handlePoint(const ui::TwipsRect& object, Handle h);
// The handle's square: left = point.x - 135/2, top = point.y - 135/2.
ui::TwipsRect handleRect(const ui::TwipsRect& object, Handle h);
// All eight squares, indexed by handleIndex().
std::array<ui::TwipsRect, kHandleCount> handleRects(const ui::TwipsRect& object);

// The resize table: the object's rectangle after handle h was dragged by (dx, dy), or nullopt when a width
// or height that the handle changes would be 280 twips or less. Pic2/Pic7 use only dy, Pic4/Pic5 only dx.
// The movement and the new rectangle are single precision, as the model keeps it.
std::optional<ui::TwipsRect> resized(const ui::TwipsRect& object, Handle h, ui::Twips dx, ui::Twips dy);

// The rules with their state (handle squares, visibility, anchor, drag cursor), without widgets.
class Handles {
public:
    // PlaceHandles: centres the eight squares on the object's corners and edge midpoints. Visibility is
    // left as it is.
    void place(const ui::TwipsRect& object);
    ui::TwipsRect rect(Handle h) const { return rects_[size_t(handleIndex(h))]; }
    const std::array<ui::TwipsRect, kHandleCount>& rects() const { return rects_; }

    bool visible() const { return visible_; }
    void setVisible(bool v) { visible_ = v; }

    // A button (any button) went down on a box or a handle; pos is relative to that box or handle. One
    // anchor serves every box and handle.
    void setAnchor(ui::TwipsPoint pos) { anchor_ = pos; }
    ui::TwipsPoint anchor() const { return anchor_; }

    // DragPoint: a move over a box, pos relative to the box under the mouse. With exactly the left button
    // the object goes to (L + X - x0, T + Y - y0), its size kept; the handles are hidden and the drag
    // cursor is on. Returns the new rectangle (single precision), or nullopt (nothing changed) for any
    // other buttons.
    std::optional<ui::TwipsRect> dragPoint(const ui::TwipsRect& object, ui::TwipsPoint pos,
                                           Qt::MouseButtons buttons);
    // EndDrag: a button release over a box; the drag cursor goes off and the handles are shown again.
    void endDrag();
    bool dragging() const { return dragging_; }

    // Pic1_Move .. Pic8_Move: a move over handle h, pos relative to that handle. With exactly the left
    // button and a size that stays above the minimum, returns the new rectangle and re-places the handles
    // around it; otherwise nullopt and nothing changes.
    std::optional<ui::TwipsRect> resize(Handle h, const ui::TwipsRect& object, ui::TwipsPoint pos,
                                        Qt::MouseButtons buttons);

private:
    std::array<ui::TwipsRect, kHandleCount> rects_{};
    bool visible_ = false;
    bool dragging_ = false;
    ui::TwipsPoint anchor_;
};

// The eight handle widgets on a layout surface and the mouse wiring of the boxes. It keeps the selected
// object's rectangle in twips (the widget's pixel geometry is only a rounding of it) and places the
// object's widget itself whenever a drag or a handle changes it, then emits objectMoved.
class HandleSet : public QObject {
    Q_OBJECT
public:
    // Creates Pic1..Pic8 (objectName as such, with their cursors) as hidden children of surface.
    explicit HandleSet(QWidget* surface);

    QWidget* handle(Handle h) const { return handles_[size_t(handleIndex(h))]; }
    const Handles& logic() const { return logic_; }

    // Makes object the selected object at rect (twips) and places the handles around it (PlaceHandles).
    // The object's widget is not moved. nullptr clears the selection.
    void select(QWidget* object, const ui::TwipsRect& rect);
    QWidget* selected() const { return selected_; }
    ui::TwipsRect selectedRect() const { return selectedRect_; }

    void setHandlesVisible(bool visible);
    bool handlesVisible() const { return logic_.visible(); }

    // While inactive every mouse event of boxes and handles is ignored (fine-tune mode off). Active at first.
    void setActive(bool active) { active_ = active; }
    bool isActive() const { return active_; }

    // Wires a box: focus in -> boxFocused; button down -> anchor; move -> dragPoint; release -> endDrag,
    // then boxReleased. For a scroll area (multi-line box) its viewport is watched as well. Events are
    // passed on to the box afterwards, so typing and clicking into it still work.
    void attachBox(QWidget* box);
    void detachBox(QWidget* box);

    // The operations behind the mouse events, in twips relative to the box or handle under the mouse;
    // callable directly by a window's public Pic2_Move etc. and by tests.
    void setAnchor(ui::TwipsPoint pos) { logic_.setAnchor(pos); }
    bool dragPoint(ui::TwipsPoint pos, Qt::MouseButtons buttons); // true when the selected object moved
    void endDrag();
    // true when the object was resized
    bool handleMove(Handle h, ui::TwipsPoint pos, Qt::MouseButtons buttons);

signals:
    // The selected object took a new rectangle by a drag or a handle; its widget is already placed there.
    void objectMoved(QWidget* object, const ui::TwipsRect& rect);
    // A box got the keyboard focus (the user clicked into it).
    void boxFocused(QWidget* box);
    // A mouse button was released over a box; the drag has ended. The window selects the box now.
    void boxReleased(QWidget* box);
    // A drag of a box or a resize with a handle has ended (the mouse button went up): the moves since it
    // began make one change of the object.
    void moveFinished(QWidget* object);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* boxOf(QObject* watched) const;
    void applyRect(const ui::TwipsRect& rect);
    void placeHandleWidgets();

    QWidget* surface_;
    std::array<QWidget*, kHandleCount> handles_{};
    QList<QPointer<QWidget>> boxes_;
    QPointer<QWidget> selected_;
    ui::TwipsRect selectedRect_;
    Handles logic_;
    bool active_ = true;
    QCursor savedCursor_; // the selected widget's own cursor during a drag
    bool hadCursor_ = false;
};

} // namespace vorlan::templates
