#pragma once
// The designer's rulers and picture area, the tick layout of the rulers as plain logic, and where its
// undo and redo keys go.

#include "templates/TemplateModel.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QWidget>

#include <functional>
#include <utility>

class QAction;
class QEvent;
class QToolButton;
class QUndoStack;

namespace vorlan::templates {

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

// The name filter of the picture dialog: every format the image reader decodes here.
QString pictureFileFilter();

} // namespace vorlan::templates
