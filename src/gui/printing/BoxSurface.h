#pragma once
// The drawing surface of the print window's first tab: the scanned form and, over it, one edit box per
// input point, each exactly where its value will be printed. Every twips position on screen counts from
// its corner. The boxes are the designer's (templates::PointBoxes), wired to the same selection handles.

#include "printing/PrintSheet.h"
#include "templates/PointBoxes.h"
#include "templates/TemplateModel.h"

#include <QPixmap>
#include <QWidget>

#include <optional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace vorlan::templates {
class HandleSet;
}

namespace vorlan::printing {

class BoxSurface : public QWidget {
public:
    explicit BoxSurface(QWidget* parent = nullptr);

    QLabel* Image1 = nullptr; // the background picture, stretched to its rectangle

    // Shows the template's picture and creates the box of every live input point in its font, colours
    // and rectangle, holding its starting text; a box whose double click opens a picker says so in its
    // tooltip. Each box is attached to the handles and then watched by
    // watcher, which so sees the box's events before the handles do.
    void build(const templates::Template& t, const BoxTexts& initial, templates::HandleSet* handles,
               QObject* watcher);

    bool pictureShown() const { return !picture_.isNull(); }

    // The boxes of the slots (nullptr where a slot holds no input point).
    QLineEdit* line(int k) const;
    QPlainTextEdit* multi(int k) const;
    QWidget* box(const finetune::SlotRef& ref) const;
    // The slot of a box, or of a multi-line box's viewport, which receives its mouse events.
    std::optional<finetune::SlotRef> slotOf(const QObject* object) const;

    QString text(const finetune::SlotRef& ref) const;
    void setText(const finetune::SlotRef& ref, const QString& text);
    void setTexts(const BoxTexts& texts);
    // The texts of every box there is.
    BoxTexts texts() const;

    void setBoxesVisible(bool visible);

private:
    void createBox(const templates::InputPoint& p, const finetune::SlotRef& ref,
                   templates::HandleSet* handles, QObject* watcher);
    void showPicture(const QImage& image, const ui::TwipsRect& r);
    void fit(const templates::Template& t);

    templates::PointBoxes boxes_;
    QPixmap picture_;
};

} // namespace vorlan::printing
