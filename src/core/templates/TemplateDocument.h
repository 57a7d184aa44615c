#pragma once
// The template being edited: the model, the print log columns waiting for the next save, the background
// picture chosen in this session, and the undo history since the last save. Every edit is one undo
// command on the document's stack; windows edit only through it and follow its signals.
//
// Typical use in a window:
//     doc_ = new TemplateDocument(this);
//     connect(doc_, &TemplateDocument::pointMoved, this, ...place the box);
//     doc_->reset(TemplateStore(db).load(name).tmpl);
//     doc_->addPoint(point);                    // one undo step
//     doc_->setPointRect(ref, r) ... endGesture() // a whole drag is one undo step
//     doc_->save(store);                        // afterwards there is nothing to undo

#include "templates/PrintLogStore.h"
#include "templates/TemplateModel.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class QUndoStack;

namespace vorlan::templates {

class TemplateStore;

// The background picture as the designer holds it.
struct PictureState {
    QByteArray shown;  // what the picture area shows; empty: the area is empty
    QString path;      // the picture file chosen in this session; empty: none, a save keeps the stored one
    QByteArray chosen; // that file's bytes as read when it was chosen, which a save stores
    bool operator==(const PictureState&) const = default;
};

// The bytes of a picture file that the image reader decodes; empty when the file cannot be read or is no
// picture.
QByteArray readPictureFile(const QString& path);

class TemplateDocument : public QObject {
    Q_OBJECT

public:
    explicit TemplateDocument(QObject* parent = nullptr);
    ~TemplateDocument() override;

    // Starts over on a loaded template: no pending columns, no chosen picture, no history, not modified.
    // The area shows the stored picture when it is large enough to be one.
    void reset(Template t);

    const Template& tmpl() const { return tmpl_; }
    const PendingColumns& pending() const { return pending_; }
    const PictureState& picture() const { return picture_; }
    QUndoStack* undoStack() const { return stack_; }
    // Edited since loading or the last save (undoing every edit makes it unmodified again).
    bool isModified() const;

    // The edits, each one undo step; an edit that changes nothing pushes no step.
    // Puts the point into the next slot of its family; nullopt (nothing done) when the family is full.
    // Its name joins the columns the next save adds to the print log table.
    std::optional<SlotRef> addPoint(const InputPoint& point);
    // Replaces the point in its slot (binding, font, colours: "修改点").
    void changePoint(SlotRef ref, const InputPoint& changed);
    // Clears a live point's type; it keeps its name and slot, and its column goes with the next save.
    // False when the slot holds no live point (nothing done).
    bool deletePoint(SlotRef ref);
    // A box or the picture area took a new rectangle. Every change up to endGesture() (the mouse button
    // going up) is one undo step, so a drag or a resize is undone as a whole.
    void setPointRect(SlotRef ref, const ui::TwipsRect& rect);
    void setPictureRect(const ui::TwipsRect& rect);
    void endGesture();
    // The print window visits the boxes in this order (the Tab顺序 mode's clicks): each gets its place,
    // every other point none. One step, pushed only when a place changes.
    void setTabOrder(const QList<SlotRef>& order);
    // A picture file was chosen and decoded: the area shows it and the next save stores it.
    void choosePicture(const QString& path, const QByteArray& bytes);
    // The area is emptied (a chosen file was no picture); the chosen picture stays what a save stores.
    void clearPicture();

    // Saves through the store (throws DbError; on failure nothing changes). A saved template has no
    // history: after a save there is nothing to undo or redo.
    void save(const TemplateStore& store);

signals:
    void reloaded(); // reset() replaced the whole template
    // A point became live (added, or its deletion undone) or stopped being live (deleted, or its adding
    // undone).
    void pointAdded(vorlan::templates::SlotRef ref);
    void pointRemoved(vorlan::templates::SlotRef ref);
    void pointChanged(vorlan::templates::SlotRef ref); // binding, font or colours
    void pointMoved(vorlan::templates::SlotRef ref);   // its rectangle
    void tabOrderChanged();                            // the places in the order of the boxes
    void pictureMoved();                               // the picture rectangle
    void pictureChanged();                             // what the picture area shows
    void modifiedChanged(bool modified);

private:
    friend class DocumentCommand;

    Template tmpl_;
    PendingColumns pending_;
    PictureState picture_;
    QUndoStack* stack_;
    int gesture_ = 0; // counts mouse gestures; moves of one gesture merge into one step
};

} // namespace vorlan::templates
