#include "printing/FineTuneMode.h"

#include "app/AppState.h"
#include "printing/BoxSurface.h"
#include "printing/OffsetFrame.h"
#include "templates/TemplateStore.h"
#include "ui/Guarded.h"
#include "ui/Prompt.h"
#include "ui/TwipsLayout.h"

#include <QPushButton>

namespace vorlan::printing {

using finetune::SlotRef;

FineTuneMode::FineTuneMode(BoxSurface* surface, templates::TemplateDocument* doc, OffsetFrame* offsets,
                           QPushButton* toggle, QObject* parent)
    : QObject(parent), surface_(surface), doc_(doc), offsets_(offsets), toggle_(toggle),
      handles_(new templates::HandleSet(surface)) {
    using templates::HandleSet;
    handles_->setActive(false);
    connect(handles_, &HandleSet::boxFocused, this, [this](QWidget* b) { select(b); });
    connect(handles_, &HandleSet::boxReleased, this, [this](QWidget* b) { select(b); });
    connect(handles_, &HandleSet::objectMoved, this, [this](QWidget* object, const ui::TwipsRect& r) {
        if (const auto ref = surface_->slotOf(object))
            doc_->setPointRect(*ref, r);
    });
    connect(handles_, &HandleSet::moveFinished, doc_, &templates::TemplateDocument::endGesture);
    connect(doc_, &templates::TemplateDocument::pointMoved, this, [this](SlotRef ref) { pointMoved(ref); });
}

bool FineTuneMode::isOn() const {
    return finetune::isModeOn(toggle_->text());
}

void FineTuneMode::toggle() {
    if (isOn()) {
        offsets_->hide();
        toggle_->setText(finetune::kCaptionModeOff);
        handles_->endDrag();
        handles_->setActive(false);
        handles_->setHandlesVisible(false);
        return;
    }
    offsets_->show();
    toggle_->setText(finetune::kCaptionModeOn);
    handles_->setActive(true);
    // A template whose single-line slot 1 is empty selects its first box instead, or none at all.
    const auto first = finetune::firstSelection(doc_->tmpl());
    if (first)
        handles_->select(surface_->box(*first), rectOf(*first));
    else
        handles_->select(nullptr, {});
    handles_->setHandlesVisible(true);
}

void FineTuneMode::select(QWidget* b) {
    if (!isOn())
        return;
    const auto ref = surface_->slotOf(b);
    if (!ref)
        return;
    handles_->select(surface_->box(*ref), rectOf(*ref));
    handles_->setHandlesVisible(true);
}

void FineTuneMode::pressed(QWidget* b) {
    if (isOn() && handles_->selected() != b)
        select(b);
}

void FineTuneMode::edgeMove(templates::Handle h, ui::TwipsPoint pos, Qt::MouseButtons buttons) {
    if (isOn())
        handles_->handleMove(h, pos, buttons);
}

std::optional<SlotRef> FineTuneMode::selectedSlot() const {
    if (!handles_->selected())
        return std::nullopt;
    return surface_->slotOf(handles_->selected());
}

bool FineTuneMode::unsaved() const {
    return doc_->isModified() || offsets_->up() != doc_->tmpl().allup ||
           offsets_->left() != doc_->tmpl().allleft;
}

bool FineTuneMode::save(QWidget* window) {
    templates::Template t = doc_->tmpl();
    t.allup = offsets_->up();
    t.allleft = offsets_->left();
    if (!ui::guarded(window, u"XPButton_BaoCWT_Click",
                     [&] { templates::TemplateStore(app::state().engine()).saveGeometry(t); }))
        return false;
    t.hasHeader = true;
    doc_->reset(std::move(t));
    return true;
}

bool FineTuneMode::mayClose(QWidget* window) {
    // Boxes moved to hit the printer's marks are work: they are not thrown away without a word.
    return !unsaved() || ui::mayCloseUnsaved(window, kUnsavedFineTuneQuestion, [&] { return save(window); });
}

void FineTuneMode::pointMoved(const SlotRef& ref) {
    QWidget* b = surface_->box(ref);
    if (!b)
        return;
    ui::place(b, rectOf(ref));
    if (handles_->selected() == b)
        handles_->select(b, rectOf(ref));
}

} // namespace vorlan::printing
