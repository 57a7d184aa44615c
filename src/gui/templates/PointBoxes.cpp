#include "templates/PointBoxes.h"

#include "templates/Handles.h"
#include "templates/PointRules.h"
#include "ui/TwipsLayout.h"

#include <QLineEdit>
#include <QPlainTextEdit>

namespace vorlan::templates {

void setBoxColors(QWidget* box, qint32 back, qint32 fore) {
    QPalette pal = box->palette();
    pal.setColor(QPalette::Base, color::decode(back, pal));
    pal.setColor(QPalette::Text, color::decode(fore, pal));
    box->setPalette(pal);
}

PointBoxes::PointBoxes(QWidget* surface, Names names) : surface_(surface), names_(names) {}

QWidget* PointBoxes::box(SlotRef ref) const {
    if (ref.slot < 0 || ref.slot > kMaxSlot)
        return nullptr;
    if (ref.family == Family::Multi)
        return multis_[size_t(ref.slot)];
    return lines_[size_t(ref.slot)];
}

QLineEdit* PointBoxes::line(int slot) const {
    return slot < 0 || slot > kMaxSlot ? nullptr : lines_[size_t(slot)];
}

QPlainTextEdit* PointBoxes::multi(int slot) const {
    return slot < 0 || slot > kMaxSlot ? nullptr : multis_[size_t(slot)];
}

std::optional<SlotRef> PointBoxes::slotOf(const QObject* object) const {
    const auto it = slotByObject_.constFind(object);
    if (it == slotByObject_.constEnd())
        return std::nullopt;
    return *it;
}

QWidget* PointBoxes::ensure(SlotRef ref, HandleSet* handles, QWidget* above) {
    if (ref.slot < 0 || ref.slot > kMaxSlot)
        return nullptr;
    if (QWidget* existing = box(ref))
        return existing;
    QWidget* w = nullptr;
    if (ref.family == Family::Multi) {
        auto* e = new QPlainTextEdit(surface_);
        e->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        e->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        e->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        e->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        e->setTabChangesFocus(true);
        multis_[size_t(ref.slot)] = e;
        slotByObject_.insert(e->viewport(), ref);
        w = e;
    } else {
        auto* e = new QLineEdit(surface_);
        lines_[size_t(ref.slot)] = e;
        w = e;
    }
    w->hide();
    w->setObjectName(kindOf(ref.family));
    w->setProperty("index", ref.slot);
    slotByObject_.insert(w, ref);
    if (above)
        w->stackUnder(above);
    if (handles && ref.slot > 0)
        handles->attachBox(w);
    return w;
}

void PointBoxes::show(SlotRef ref, const InputPoint& point) const {
    QWidget* w = box(ref);
    if (!w)
        return;
    ui::place(w, point.rect);
    w->setFont(point.font());
    setBoxColors(w, point.backColor, point.foreColor);
    w->setToolTip(point.name);
    if (names_ == Names::HintAndToolTip) {
        if (auto* e = qobject_cast<QLineEdit*>(w))
            e->setPlaceholderText(point.name);
        else if (auto* m = qobject_cast<QPlainTextEdit*>(w))
            m->setPlaceholderText(point.name);
    }
    w->setVisible(point.isLive());
}

} // namespace vorlan::templates
