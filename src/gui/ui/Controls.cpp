#include "ui/Controls.h"

#include "ui/TwipsLayout.h"

#include <QBoxLayout>
#include <QDateEdit>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace vorlan::ui {

namespace {

// Only the focused state is styled, so an unfocused button keeps the platform's look. The frame is one
// pixel like the platform's own, with the same padding, so the caption does not move when the focus
// arrives; the pressed and hovered shades keep the feedback the platform drawing would give.
const char* const kFocusStyle =
    "QPushButton:focus { border: 1px solid #2f6fc0; border-radius: 3px; padding: 3px 8px;"
    " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fbfdff, stop:1 #d9e6f7); }"
    "QPushButton:focus:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff,"
    " stop:1 #e4eefa); }"
    "QPushButton:focus:pressed { background: #c3d6f0; }";

// Enter on the focused button presses it, as Space does. The buttons are not default buttons (Enter in
// a text box must not press one), so without this Enter would do nothing on them.
class EnterPresses : public QObject {
public:
    explicit EnterPresses(QPushButton* button) : QObject(button), button_(button) {
        button->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == button_ && event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
            if (enter && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
                if (!key->isAutoRepeat() && button_->isEnabled())
                    button_->click();
                return true;
            }
        }
        return false;
    }

private:
    QPushButton* button_;
};

} // namespace

void prepareButton(QPushButton* button) {
    button->setStyleSheet(QString::fromLatin1(kFocusStyle));
    new EnterPresses(button);
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    prepareButton(b);
    return b;
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QLabel* placeLabel(QWidget* parent, const QString& text, Twips left, Twips top, Twips width) {
    auto* l = new QLabel(text, parent);
    place(l, {left, top, width, 330_tw});
    return l;
}

QDateEdit* makeDatePicker(QWidget* parent, const QString& name) {
    auto* d = new QDateEdit(parent);
    d->setObjectName(name);
    d->setCalendarPopup(true);
    d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    return d;
}

QVBoxLayout* dialogRows(QWidget* dialog, Twips spacing) {
    auto* rows = new QVBoxLayout(dialog);
    const int margin = toPixels(180_tw);
    rows->setContentsMargins(margin, margin, margin, margin);
    rows->setSpacing(toPixels(spacing));
    return rows;
}

QHBoxLayout* buttonRow(std::initializer_list<QPushButton*> right, QPushButton* leading) {
    auto* row = new QHBoxLayout;
    for (QPushButton* b : right)
        b->setMinimumSize(toPixels(TwipsSize{1335_tw, 420_tw}));
    if (leading)
        row->addWidget(leading);
    row->addStretch(1);
    for (QPushButton* b : right)
        row->addWidget(b);
    return row;
}

} // namespace vorlan::ui
