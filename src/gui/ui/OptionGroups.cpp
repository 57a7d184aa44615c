#include "ui/OptionGroups.h"

#include <QButtonGroup>
#include <QRadioButton>

#include <algorithm>

namespace vorlan::ui {

namespace {

const char* const kWired = "vorlanTabToTicked";

// The buttons that exclude each other with b.
QList<QAbstractButton*> groupOf(QRadioButton* b) {
    if (QButtonGroup* g = b->group())
        return g->exclusive() ? g->buttons() : QList<QAbstractButton*>{b};
    if (!b->autoExclusive() || !b->parentWidget())
        return {b};
    QList<QAbstractButton*> out;
    for (QRadioButton* s : b->parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly))
        if (s->autoExclusive() && !s->group())
            out << s;
    return out;
}

void fixTabStops(QRadioButton* b) {
    const QList<QAbstractButton*> group = groupOf(b);
    const bool ticked =
        std::any_of(group.cbegin(), group.cend(), [](QAbstractButton* s) { return s->isChecked(); });
    for (QAbstractButton* s : group) {
        const int policy = s->focusPolicy();
        s->setFocusPolicy(
            Qt::FocusPolicy(!ticked || s->isChecked() ? policy | Qt::TabFocus : policy & ~int(Qt::TabFocus)));
    }
}

} // namespace

void tabToTickedOptions(QWidget* window) {
    for (QRadioButton* b : window->findChildren<QRadioButton*>()) {
        if (!b->property(kWired).toBool()) {
            b->setProperty(kWired, true);
            QObject::connect(b, &QAbstractButton::toggled, b, [b] { fixTabStops(b); });
        }
        fixTabStops(b);
    }
}

} // namespace vorlan::ui
