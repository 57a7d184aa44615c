#include "ui/Controls.h"

#include "ui/TwipsLayout.h"

#include <QDateEdit>
#include <QLabel>
#include <QPushButton>

namespace vorlan::ui {

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QLabel* placeLabel(QWidget* parent, const QString& text, Twips left, Twips top, Twips width)
{
    auto* l = new QLabel(text, parent);
    place(l, {left, top, width, 330_tw});
    return l;
}

QDateEdit* makeDatePicker(QWidget* parent, const QString& name)
{
    auto* d = new QDateEdit(parent);
    d->setObjectName(name);
    d->setCalendarPopup(true);
    d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    return d;
}

} // namespace vorlan::ui
