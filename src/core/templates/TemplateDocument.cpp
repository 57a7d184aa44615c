#include "templates/TemplateDocument.h"

#include "templates/TemplateStore.h"

#include <QFile>
#include <QImage>
#include <QUndoCommand>
#include <QUndoStack>

#include <array>

namespace vorlan::templates {

QByteArray readPictureFile(const QString& path) {
    QFile file(path.trimmed());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    if (bytes.isEmpty() || QImage::fromData(bytes).isNull())
        return {};
    return bytes;
}

// The base of every edit: the document's state, which only commands change after reset().
class DocumentCommand : public QUndoCommand {
public:
    DocumentCommand(TemplateDocument& doc, const QString& text) : QUndoCommand(text), doc_(doc) {}

protected:
    TemplateDocument& doc() { return doc_; }
    Template& model() { return doc_.tmpl_; }
    PendingColumns& pending() { return doc_.pending_; }
    PictureState& picture() { return doc_.picture_; }
    int gesture() const { return doc_.gesture_; }

private:
    TemplateDocument& doc_;
};

namespace {

// Takes back the last time a name was listed, leaving earlier listings of it alone.
void unlist(QStringList& names, const QString& name) {
    const qsizetype i = names.lastIndexOf(name);
    if (i >= 0)
        names.removeAt(i);
}

class AddPoint final : public DocumentCommand {
public:
    AddPoint(TemplateDocument& d, SlotRef ref, const InputPoint& p)
        : DocumentCommand(d, QStringLiteral("新增点")), ref_(ref), point_(p) {}

    void redo() override {
        // Always the next slot of the family: commands run in stack order.
        model().point(ref_) = point_;
        model().family(ref_.family).count = ref_.slot;
        pending().added << point_.name;
        emit doc().pointAdded(ref_);
    }
    void undo() override {
        model().point(ref_) = InputPoint();
        model().family(ref_.family).count = ref_.slot - 1;
        unlist(pending().added, point_.name);
        emit doc().pointRemoved(ref_);
    }

private:
    SlotRef ref_;
    InputPoint point_;
};

class ChangePoint final : public DocumentCommand {
public:
    ChangePoint(TemplateDocument& d, SlotRef ref, const InputPoint& before, const InputPoint& after)
        : DocumentCommand(d, QStringLiteral("修改点")), ref_(ref), before_(before), after_(after) {}

    void redo() override { apply(after_); }
    void undo() override { apply(before_); }

private:
    void apply(const InputPoint& p) {
        model().point(ref_) = p;
        emit doc().pointChanged(ref_);
    }
    SlotRef ref_;
    InputPoint before_, after_;
};

class DeletePoint final : public DocumentCommand {
public:
    DeletePoint(TemplateDocument& d, SlotRef ref, const InputPoint& p)
        : DocumentCommand(d, QStringLiteral("删除点")), ref_(ref), type_(p.type), name_(p.name) {}

    void redo() override {
        model().point(ref_).type.clear();
        pending().deleted << name_;
        emit doc().pointRemoved(ref_);
    }
    void undo() override {
        model().point(ref_).type = type_;
        unlist(pending().deleted, name_);
        emit doc().pointAdded(ref_);
    }

private:
    SlotRef ref_;
    QString type_, name_;
};

// A box or the picture area (no slot) moved or resized; the moves of one gesture merge.
class MoveObject final : public DocumentCommand {
public:
    MoveObject(TemplateDocument& d, std::optional<SlotRef> target, const ui::TwipsRect& before,
               const ui::TwipsRect& after)
        : DocumentCommand(d, QStringLiteral("移动")), target_(target), before_(before), after_(after),
          gesture_(gesture()) {}

    int id() const override { return 1; }
    bool mergeWith(const QUndoCommand* other) override {
        const auto* o = static_cast<const MoveObject*>(other);
        if (undone_ || o->target_ != target_ || o->gesture_ != gesture_)
            return false;
        after_ = o->after_;
        // Dragged back to where it started: no step at all.
        setObsolete(after_ == before_);
        return true;
    }
    void redo() override { apply(after_); }
    void undo() override {
        // A gesture that goes on after an undo is a new step.
        undone_ = true;
        apply(before_);
    }

private:
    void apply(const ui::TwipsRect& r) {
        if (target_) {
            model().point(*target_).rect = r;
            emit doc().pointMoved(*target_);
        } else {
            model().pictureRect = r;
            emit doc().pictureMoved();
        }
    }
    std::optional<SlotRef> target_;
    ui::TwipsRect before_, after_;
    int gesture_;
    bool undone_ = false;
};

// The places of every slot of both families in the order of the boxes.
using OrderPlaces = std::array<std::array<int, kMaxSlot + 1>, 2>;

OrderPlaces placesOf(const Template& t) {
    OrderPlaces places{};
    for (Family f : {Family::Single, Family::Multi})
        for (int k = 1; k <= kMaxSlot; ++k)
            places[size_t(f)][size_t(k)] = t.family(f)[k].tabOrder;
    return places;
}

class SetTabOrder final : public DocumentCommand {
public:
    SetTabOrder(TemplateDocument& d, const OrderPlaces& before, const OrderPlaces& after)
        : DocumentCommand(d, QStringLiteral("Tab顺序")), before_(before), after_(after) {}

    void redo() override { apply(after_); }
    void undo() override { apply(before_); }

private:
    void apply(const OrderPlaces& places) {
        for (Family f : {Family::Single, Family::Multi})
            for (int k = 1; k <= kMaxSlot; ++k)
                model().family(f)[k].tabOrder = places[size_t(f)][size_t(k)];
        emit doc().tabOrderChanged();
    }
    OrderPlaces before_, after_;
};

class SetPicture final : public DocumentCommand {
public:
    SetPicture(TemplateDocument& d, const QString& text, const PictureState& before,
               const PictureState& after)
        : DocumentCommand(d, text), before_(before), after_(after) {}

    void redo() override { apply(after_); }
    void undo() override { apply(before_); }

private:
    void apply(const PictureState& p) {
        picture() = p;
        emit doc().pictureChanged();
    }
    PictureState before_, after_;
};

bool validSlot(SlotRef ref) {
    return ref.slot >= 1 && ref.slot <= kMaxSlot;
}

} // namespace

TemplateDocument::TemplateDocument(QObject* parent) : QObject(parent), stack_(new QUndoStack(this)) {
    connect(stack_, &QUndoStack::cleanChanged, this, [this](bool clean) { emit modifiedChanged(!clean); });
}

TemplateDocument::~TemplateDocument() = default;

void TemplateDocument::reset(Template t) {
    stack_->clear();
    tmpl_ = std::move(t);
    pending_.clear();
    picture_ = PictureState();
    if (pictureShown(tmpl_.picture))
        picture_.shown = tmpl_.picture;
    emit reloaded();
}

bool TemplateDocument::isModified() const {
    return !stack_->isClean();
}

std::optional<SlotRef> TemplateDocument::addPoint(const InputPoint& point) {
    const Family fam = familyOf(point.type);
    if (tmpl_.family(fam).isFull())
        return std::nullopt;
    const SlotRef ref{fam, tmpl_.family(fam).count + 1};
    stack_->push(new AddPoint(*this, ref, point));
    return ref;
}

void TemplateDocument::changePoint(SlotRef ref, const InputPoint& changed) {
    if (!validSlot(ref) || tmpl_.point(ref) == changed)
        return;
    stack_->push(new ChangePoint(*this, ref, tmpl_.point(ref), changed));
}

bool TemplateDocument::deletePoint(SlotRef ref) {
    if (!validSlot(ref) || !tmpl_.point(ref).isLive())
        return false;
    stack_->push(new DeletePoint(*this, ref, tmpl_.point(ref)));
    return true;
}

void TemplateDocument::setPointRect(SlotRef ref, const ui::TwipsRect& rect) {
    if (!validSlot(ref) || tmpl_.point(ref).rect == rect)
        return;
    stack_->push(new MoveObject(*this, ref, tmpl_.point(ref).rect, rect));
}

void TemplateDocument::setPictureRect(const ui::TwipsRect& rect) {
    if (tmpl_.pictureRect == rect)
        return;
    stack_->push(new MoveObject(*this, std::nullopt, tmpl_.pictureRect, rect));
}

void TemplateDocument::setTabOrder(const QList<SlotRef>& order) {
    const OrderPlaces before = placesOf(tmpl_);
    OrderPlaces after{};
    int place = 0;
    for (const SlotRef& ref : order)
        if (validSlot(ref) && after[size_t(ref.family)][size_t(ref.slot)] == 0)
            after[size_t(ref.family)][size_t(ref.slot)] = ++place;
    if (after != before)
        stack_->push(new SetTabOrder(*this, before, after));
}

void TemplateDocument::endGesture() {
    ++gesture_;
}

void TemplateDocument::choosePicture(const QString& path, const QByteArray& bytes) {
    const PictureState after{bytes, path, bytes};
    if (after != picture_)
        stack_->push(new SetPicture(*this, QStringLiteral("模板图片"), picture_, after));
}

void TemplateDocument::clearPicture() {
    PictureState after = picture_;
    after.shown.clear();
    if (after != picture_)
        stack_->push(new SetPicture(*this, QStringLiteral("清除图片"), picture_, after));
}

void TemplateDocument::save(const TemplateStore& store) {
    std::optional<QByteArray> newPicture;
    if (!picture_.path.isEmpty())
        newPicture = picture_.chosen;
    store.save(tmpl_, newPicture, pending_);
    // What was saved is the new starting point; undoing past it would leave the rows behind.
    stack_->clear();
}

} // namespace vorlan::templates
