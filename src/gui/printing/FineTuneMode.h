#pragma once
// Fine-tune mode of the print window: the selection handles over the boxes and the offsets frame. A drag
// or a resize with the handles is a move in the template document, and the boxes follow the document.
// The caption of the mode button tells whether the mode is on.

#include "printing/FineTune.h"
#include "templates/Handles.h"
#include "templates/TemplateDocument.h"

#include <QObject>
#include <QString>

#include <optional>

class QPushButton;
class QWidget;

namespace vorlan::printing {

class BoxSurface;
class OffsetFrame;

inline const QString kUnsavedFineTuneQuestion =
    QStringLiteral("微调后的打印位置尚未保存，不保存时下次打开仍是原来的位置。\n\n是否保存微调？");

class FineTuneMode : public QObject {
public:
    // The handles are created on the surface, inactive; toggle is the mode button.
    FineTuneMode(BoxSurface* surface, templates::TemplateDocument* doc, OffsetFrame* offsets,
                 QPushButton* toggle, QObject* parent);

    templates::HandleSet* handles() const { return handles_; }
    bool isOn() const;
    // Switches the mode: on, the offsets show and the first box is selected; off, a drag in progress ends
    // and the handles go.
    void toggle();
    // Selects the box (in the mode only).
    void select(QWidget* box);
    // A mouse button went down on a box: one that already had the focus gets no focus event, so it is
    // selected here before the drag.
    void pressed(QWidget* box);
    // An edge handle moved by pos (twips, relative to the handle) with the buttons held; in the mode only.
    void edgeMove(templates::Handle h, ui::TwipsPoint pos, Qt::MouseButtons buttons);
    std::optional<finetune::SlotRef> selectedSlot() const;

    // Boxes moved or resized, or offsets other than the stored ones, not yet saved.
    bool unsaved() const;
    // Writes every box's position and the offsets as they stand ("保存微调"); false, said in window, when
    // the save failed. What was saved is the document's new starting point.
    bool save(QWidget* window);
    // On closing the window: with unsaved fine-tuning, asks whether to save it. Whether the window may
    // close (not on Cancel, nor when the save failed).
    bool mayClose(QWidget* window);

private:
    void pointMoved(const finetune::SlotRef& ref); // the document moved or resized a box
    ui::TwipsRect rectOf(const finetune::SlotRef& ref) const { return doc_->tmpl().point(ref).rect; }

    BoxSurface* surface_;
    templates::TemplateDocument* doc_;
    OffsetFrame* offsets_;
    QPushButton* toggle_;
    templates::HandleSet* handles_;
};

} // namespace vorlan::printing
