#pragma once
// The input point boxes on a layout surface: one edit box per slot of either family, a line edit for the
// single-line family and a scrolling text box for the multi-line family, each in its point's rectangle,
// font and colours. The designer and the print window's surface both keep their boxes here, so a box
// looks, sits, is found and is wired to the selection handles alike in both.

#include "templates/TemplateModel.h"

#include <QHash>

#include <array>
#include <optional>

class QLineEdit;
class QObject;
class QPlainTextEdit;
class QWidget;

namespace vorlan::templates {

class HandleSet;

// A box's background and text colour from their stored values (also the designer's style sample).
void setBoxColors(QWidget* box, qint32 back, qint32 fore);

class PointBoxes {
public:
    // How a box names its point: always as its tooltip; in the designer also as a grey hint, since the
    // designer never shows a value in it.
    enum class Names { ToolTip, HintAndToolTip };

    explicit PointBoxes(QWidget* surface, Names names = Names::ToolTip);

    // The box of a slot, created as a hidden child of the surface when there is none yet (slot 0 is a
    // family's prototype). A new box is attached to handles and stacked directly under above, when given.
    QWidget* ensure(SlotRef ref, HandleSet* handles = nullptr, QWidget* above = nullptr);
    // The box takes the point's rectangle, font, colours and name, and is shown while the point is live.
    void show(SlotRef ref, const InputPoint& point) const;

    // nullptr where no box was made.
    QWidget* box(SlotRef ref) const;
    QLineEdit* line(int slot) const;
    QPlainTextEdit* multi(int slot) const;
    // The slot of a box or of a multi-line box's viewport, which receives its mouse events.
    std::optional<SlotRef> slotOf(const QObject* object) const;

    // Every box there is, single-line family first, each family by slot.
    template <class F> void forEach(F&& f) const {
        for (Family fam : {Family::Single, Family::Multi})
            for (int k = 0; k <= kMaxSlot; ++k)
                if (QWidget* w = box({fam, k}))
                    f(SlotRef{fam, k}, w);
    }

    // Indexed like a control array: Text_Add[k], Text_Addscroll[k].
    struct Lines {
        const PointBoxes* boxes;
        QLineEdit* operator[](int slot) const { return boxes->line(slot); }
    };
    struct Multis {
        const PointBoxes* boxes;
        QPlainTextEdit* operator[](int slot) const { return boxes->multi(slot); }
    };

private:
    QWidget* surface_;
    Names names_;
    std::array<QLineEdit*, kMaxSlot + 1> lines_{};
    std::array<QPlainTextEdit*, kMaxSlot + 1> multis_{};
    QHash<const QObject*, SlotRef> slotByObject_;
};

} // namespace vorlan::templates
