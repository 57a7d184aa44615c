#include "printing/OffsetFrame.h"

#include "printing/FineTune.h"
#include "ui/Controls.h"
#include "ui/Twips.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

namespace vorlan::printing {

OffsetFrame::OffsetFrame(QWidget* parent) : QGroupBox(QStringLiteral("模板整体打印位置调整"), parent) {
    setObjectName(QStringLiteral("XPFrame2"));
    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(ui::toPixels(90_tw));
    Allup = new QLineEdit(QStringLiteral("0"), this);
    Allup->setObjectName(QStringLiteral("Allup"));
    Allup->setFixedWidth(ui::toPixels(900_tw));
    VScroll1 = new QScrollBar(Qt::Vertical, this);
    VScroll1->setObjectName(QStringLiteral("VScroll1"));
    VScroll1->setFixedSize(ui::toPixels(255_tw), ui::toPixels(600_tw));
    Label_Allup = ui::makeLabel(this, QStringLiteral("Label_Allup"), finetune::offsetLabel(0));
    Label_Allup->setMinimumWidth(ui::toPixels(1100_tw));
    Allleft = new QLineEdit(QStringLiteral("0"), this);
    Allleft->setObjectName(QStringLiteral("Allleft"));
    Allleft->setFixedWidth(ui::toPixels(900_tw));
    HScroll1 = new QScrollBar(Qt::Horizontal, this);
    HScroll1->setObjectName(QStringLiteral("HScroll1"));
    HScroll1->setFixedSize(ui::toPixels(2400_tw), ui::toPixels(255_tw));
    Label_Allleft = ui::makeLabel(this, QStringLiteral("Label_Allleft"), finetune::offsetLabel(0));
    Label_Allleft->setMinimumWidth(ui::toPixels(1100_tw));
    for (QScrollBar* bar : {VScroll1, HScroll1}) {
        bar->setRange(finetune::kMinOffset, finetune::kMaxOffset);
        bar->setSingleStep(1);
        bar->setPageStep(10);
        bar->setValue(0);
    }
    layout->addWidget(ui::makeLabel(this, QStringLiteral("Label_Up"), QStringLiteral("上下调整：")));
    layout->addWidget(Allup);
    layout->addWidget(VScroll1);
    layout->addWidget(Label_Allup);
    layout->addSpacing(ui::toPixels(360_tw));
    layout->addWidget(ui::makeLabel(this, QStringLiteral("Label_Left"), QStringLiteral("左右调整：")));
    layout->addWidget(Allleft);
    layout->addWidget(HScroll1);
    layout->addWidget(Label_Allleft);
    layout->addStretch(1);

    connect(Allup, &QLineEdit::textChanged, this,
            [this] { offsetChanged(Allup, VScroll1, Label_Allup, lastAllup_); });
    connect(Allleft, &QLineEdit::textChanged, this,
            [this] { offsetChanged(Allleft, HScroll1, Label_Allleft, lastAllleft_); });
    connect(VScroll1, &QScrollBar::valueChanged, this,
            [this](int v) { scrollChanged(Allup, Label_Allup, v); });
    connect(HScroll1, &QScrollBar::valueChanged, this,
            [this](int v) { scrollChanged(Allleft, Label_Allleft, v); });
}

void OffsetFrame::setOffsets(int up, int left) {
    Allup->setText(QString::number(up));
    Allleft->setText(QString::number(left));
}

int OffsetFrame::up() const {
    return VScroll1->value();
}

int OffsetFrame::left() const {
    return HScroll1->value();
}

void OffsetFrame::offsetChanged(QLineEdit* edit, QScrollBar* bar, QLabel* label, QString& lastGood) {
    const QString text = edit->text();
    const finetune::OffsetText o = finetune::readOffset(text);
    switch (o.kind) {
    case finetune::OffsetText::Kind::Empty:
        edit->setText(QStringLiteral("0")); // comes back here
        return;
    case finetune::OffsetText::Kind::Invalid:
        edit->setText(lastGood); // comes back here with a text that was accepted before
        return;
    case finetune::OffsetText::Kind::Minus:
        // The print keeps the last whole value until a figure follows; the label says what that moves.
        lastGood = text;
        label->setText(finetune::offsetLabel(bar->value()));
        return;
    case finetune::OffsetText::Kind::Number:
        lastGood = text;
        label->setText(finetune::offsetLabel(o.value));
        // A different value rewrites the box as a whole number through the scroll bar.
        bar->setValue(o.value);
        // A figure beyond the range is held at the limit, even when the scroll bar was there already.
        if (o.limited)
            scrollChanged(edit, label, bar->value());
        return;
    }
}

void OffsetFrame::scrollChanged(QLineEdit* edit, QLabel* label, int value) {
    const QString text = QString::number(value);
    label->setText(finetune::offsetLabel(value));
    if (edit->text() != text)
        edit->setText(text);
}

} // namespace vorlan::printing
