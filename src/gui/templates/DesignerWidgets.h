#pragma once
// The designer's rulers and picture area, the tick layout of the rulers as plain logic, where its undo
// and redo keys go, and its Tab顺序 mode.

#include "templates/TabOrder.h"
#include "templates/TemplateModel.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <utility>

class QAction;
class QEvent;
class QToolButton;
class QUndoStack;

namespace vorlan::templates {

class TemplateDocument;

// For an event filter on the designer's boxes and line edits: Ctrl+Z / Ctrl+Y (the keys of the undo and
// redo actions) reaching watched. A box's text is never kept, so there (alwaysWindow) the keys always work
// the window's edits; a line edit undoes its own typing first, and only while it has some. True when the
// event is dealt with.
// 撤销 (redo false) or 重做 of the window: an action with its keys (Ctrl+Z; Ctrl+Y and the platform's own
// redo keys), named in its tooltip, enabled while the stack can go that way, and a tool button for it.
std::pair<QAction*, QToolButton*> undoControl(QWidget* window, QUndoStack* stack, bool redo,
                                              const QString& buttonName);

bool routeUndoKeys(QObject* watched, QEvent* e, const QAction& undo, const QAction& redo, bool alwaysWindow);

// One tick of a ruler, in twips from the ruler's origin. Ticks are 1 mm (56.7 twips) apart; every tenth
// carries a label with the centimetres ("0CM" at the origin).
struct RulerTick {
    int index = 0;
    ui::Twips position;      // along the ruler
    ui::Twips length;        // from the outer edge inward
    QString label;           // empty for unlabelled ticks
    ui::TwipsPoint labelPos; // top-left of the label
};

inline constexpr ui::Twips kRulerThickness{300};
inline constexpr ui::Twips kRulerTickStep{56.7};

// The ticks from the origin up to length. vertical: the left ruler, else the top ruler.
QList<RulerTick> rulerTicks(bool vertical, ui::Twips length);

// Picture1 (vertical) and Picture2 (horizontal): drawn from rulerTicks.
class RulerWidget final : public QWidget {
public:
    RulerWidget(bool vertical, QWidget* parent);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    bool vertical_;
};

// Image1: the background picture stretched to the whole widget; empty when there is no picture.
class PictureArea final : public QWidget {
public:
    explicit PictureArea(QWidget* parent);

    void setImage(const QImage& image);
    void clear() { setImage(QImage()); }
    const QImage& image() const { return image_; }
    bool isEmpty() const { return image_.isNull(); }

    std::function<void()> clicked; // any mouse button down on the area

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;

private:
    QImage image_;
};

// Tab顺序: the mode in which the order of the print window's boxes is set. While it is on, this layer lies
// over the whole window, shows every box's number and takes the clicks: the boxes take the numbers in the
// order they are clicked (a box clicked again goes on from there); the clicked ones are blue. From the
// keyboard the arrow keys move a frame from box to box, Space or Enter numbers the framed box and
// Backspace takes the last number back. Leaving the mode (its button or key again, or Esc) makes the new
// order one undo step of the document.
class TabOrderLayer final : public QWidget {
public:
    TabOrderLayer(QWidget* window, TemplateDocument* doc);

    // The mode's checkable action (Ctrl+T, named in its tooltip) and its button cmdTabOrder.
    QAction* action() const { return action_; }
    QToolButton* button() const { return button_; }

    bool isOn() const { return on_; }
    void setOn(bool on);
    // Called after the mode came on or went off, for the window to lock or unlock its other controls.
    std::function<void(bool on)> switched;

    // The order as the numbers now show it, and the box under the keyboard frame.
    QList<SlotRef> shownOrder() const { return clicks_.order(); }
    std::optional<SlotRef> framed() const { return framed_; }
    // The box under a position of the layer (the window's coordinates), the smallest when boxes overlap.
    std::optional<SlotRef> boxAt(QPoint pos) const;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;

private:
    void number(SlotRef ref);
    void frameNext(int step);
    QRect boxRect(SlotRef ref) const;

    TemplateDocument* doc_;
    QAction* action_;
    QToolButton* button_;
    bool on_ = false;
    TabOrderClicks clicks_;
    std::optional<SlotRef> framed_;
};

// The name filter of the picture dialog: every format the image reader decodes here.
QString pictureFileFilter();

} // namespace vorlan::templates
