#include "printing/Frm_PrintWindow.h"

#include "app/AppState.h"
#include "app/Windows.h"
#include "data/Sql.h"
#include "printing/AmountInWords.h"
#include "printing/Placement.h"
#include "templates/RecordPicker.h"
#include "templates/TemplateStore.h"
#include "ui/Controls.h"
#include "ui/Modal.h"
#include "ui/Prompt.h"
#include "ui/Twips.h"

#include <QBuffer>
#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <future>

namespace vorlan::printing {

using finetune::SlotRef;
using templates::Family;
using templates::InputPoint;

namespace {
constexpr double kClientWidth = 13695, kClientHeight = 9495;
constexpr double kPreviewWidth = 13215, kPreviewHeight = 7935;

QPushButton* windowButton(QWidget* parent, const QString& name, const QString& caption) {
    QPushButton* b = ui::makeButton(parent, name, caption);
    b->setMinimumSize(ui::toPixels(1335), ui::toPixels(420));
    return b;
}

QString bindingOf(const InputPoint& p) {
    return p.isLive() ? p.binding : QString();
}
} // namespace

PickerKind pickerFor(const QString& s, const QString& t) {
    if (s.isEmpty())
        return PickerKind::None;
    if (s == templates::kNoBinding || t == templates::kNoBinding)
        return PickerKind::None;
    if (s == templates::kCommonUseBinding || t == templates::kCommonUseBinding)
        return PickerKind::CommonUse;
    return PickerKind::Customer;
}

QString initialText(const QString& type, const QDate& today) {
    namespace type_ = templates::type;
    if (type == type_::Date)
        return today.toString(QStringLiteral("yyyy-MM-dd"));
    if (type == type_::Year)
        return today.toString(QStringLiteral("yyyy"));
    if (type == type_::Month)
        return today.toString(QStringLiteral("MM"));
    if (type == type_::Day)
        return today.toString(QStringLiteral("dd"));
    return QString();
}

Frm_申通快递::Frm_申通快递(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Frm_申通快递"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    buildLayout();
    ui::setClientSize(this, kClientWidth, kClientHeight);
}

Frm_申通快递::~Frm_申通快递() = default;

void Frm_申通快递::buildLayout() {
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(ui::toPixels(120), ui::toPixels(120), ui::toPixels(120), ui::toPixels(120));
    root->setSpacing(ui::toPixels(120));

    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    root->addWidget(SSTab1, 1);

    // First tab: the drawing surface (picture, boxes, handles) and, in fine-tune mode, the offsets.
    auto* page1 = new QWidget;
    page1->setObjectName(QStringLiteral("SSTab1_Page1"));
    auto* page1Layout = new QVBoxLayout(page1);
    page1Layout->setContentsMargins(0, 0, 0, 0);
    page1Layout->setSpacing(ui::toPixels(60));
    surfaceArea_ = new QScrollArea(page1);
    surfaceArea_->setObjectName(QStringLiteral("surfaceArea"));
    surfaceArea_->setFrameShape(QFrame::NoFrame);
    surfaceArea_->setWidgetResizable(true);
    surface = new QWidget;
    surface->setObjectName(QStringLiteral("surface"));
    surface->setAutoFillBackground(true);
    Image1 = ui::makeLabel(surface, QStringLiteral("Image1"), QString());
    Image1->setScaledContents(true);
    Image1->hide();
    surfaceArea_->setWidget(surface);
    page1Layout->addWidget(surfaceArea_, 1);

    XPFrame2 = new QGroupBox(QStringLiteral("模板整体打印位置调整"), page1);
    XPFrame2->setObjectName(QStringLiteral("XPFrame2"));
    auto* frameLayout = new QHBoxLayout(XPFrame2);
    frameLayout->setSpacing(ui::toPixels(90));
    Allup = new QLineEdit(QStringLiteral("0"), XPFrame2);
    Allup->setObjectName(QStringLiteral("Allup"));
    Allup->setFixedWidth(ui::toPixels(900));
    VScroll1 = new QScrollBar(Qt::Vertical, XPFrame2);
    VScroll1->setObjectName(QStringLiteral("VScroll1"));
    VScroll1->setFixedSize(ui::toPixels(255), ui::toPixels(600));
    Label_Allup = ui::makeLabel(XPFrame2, QStringLiteral("Label_Allup"), finetune::offsetLabel(0));
    Label_Allup->setMinimumWidth(ui::toPixels(1100));
    Allleft = new QLineEdit(QStringLiteral("0"), XPFrame2);
    Allleft->setObjectName(QStringLiteral("Allleft"));
    Allleft->setFixedWidth(ui::toPixels(900));
    HScroll1 = new QScrollBar(Qt::Horizontal, XPFrame2);
    HScroll1->setObjectName(QStringLiteral("HScroll1"));
    HScroll1->setFixedSize(ui::toPixels(2400), ui::toPixels(255));
    Label_Allleft =
        ui::makeLabel(XPFrame2, QStringLiteral("Label_Allleft"), finetune::offsetLabel(0));
    Label_Allleft->setMinimumWidth(ui::toPixels(1100));
    for (QScrollBar* bar : {VScroll1, HScroll1}) {
        bar->setRange(finetune::kMinOffset, finetune::kMaxOffset);
        bar->setSingleStep(1);
        bar->setPageStep(10);
        bar->setValue(0);
    }
    frameLayout->addWidget(ui::makeLabel(XPFrame2, QStringLiteral("Label_Up"), QStringLiteral("上下调整：")));
    frameLayout->addWidget(Allup);
    frameLayout->addWidget(VScroll1);
    frameLayout->addWidget(Label_Allup);
    frameLayout->addSpacing(ui::toPixels(360));
    frameLayout->addWidget(ui::makeLabel(XPFrame2, QStringLiteral("Label_Left"), QStringLiteral("左右调整：")));
    frameLayout->addWidget(Allleft);
    frameLayout->addWidget(HScroll1);
    frameLayout->addWidget(Label_Allleft);
    frameLayout->addStretch(1);
    XPFrame2->hide();
    page1Layout->addWidget(XPFrame2);
    SSTab1->addTab(page1, QStringLiteral("模板打印"));

    // Second tab: the white preview surface.
    auto* previewArea = new QScrollArea;
    previewArea->setObjectName(QStringLiteral("SSTab1_Page2"));
    previewArea->setFrameShape(QFrame::NoFrame);
    previewArea->setWidgetResizable(false);
    Picture1 = ui::makeLabel(nullptr, QStringLiteral("Picture1"), QString());
    Picture1->setAutoFillBackground(true);
    QPalette white = Picture1->palette();
    white.setColor(QPalette::Window, Qt::white);
    Picture1->setPalette(white);
    Picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture1->resize(ui::toPixels(kPreviewWidth), ui::toPixels(kPreviewHeight));
    previewArea->setWidget(Picture1);
    SSTab1->addTab(previewArea, QStringLiteral("打印预览"));

    // Below the tabs: the log switch and the buttons.
    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(ui::toPixels(180));
    XPCheckBox1 = new QCheckBox(QStringLiteral("打印后明细保存"), this);
    XPCheckBox1->setObjectName(QStringLiteral("XPCheckBox1"));
    XPCheckBox1->setChecked(true);
    bottom->addWidget(XPCheckBox1);
    bottom->addStretch(1);
    XPButton_BaoCWT = windowButton(this, QStringLiteral("XPButton_BaoCWT"), QStringLiteral("保存微调"));
    XPButton_WeiTiao = windowButton(this, QStringLiteral("XPButton_WeiTiao"), finetune::kCaptionModeOff);
    XPBut单件打印 = windowButton(this, QStringLiteral("XPBut单件打印"), QStringLiteral("开始打印"));
    XPButton1 = windowButton(this, QStringLiteral("XPButton1"), QStringLiteral("返  回"));
    for (QPushButton* b : {XPButton_BaoCWT, XPButton_WeiTiao, XPBut单件打印, XPButton1})
        bottom->addWidget(b);
    root->addLayout(bottom);

    handles_ = new templates::HandleSet(surface);
    handles_->setActive(false);
    connect(handles_, &templates::HandleSet::boxFocused, this, [this](QWidget* b) { selectBox(b); });
    connect(handles_, &templates::HandleSet::boxReleased, this, [this](QWidget* b) { selectBox(b); });
    connect(handles_, &templates::HandleSet::objectMoved, this,
            [this](QWidget* object, const ui::TwipsRect& r) {
                if (const auto ref = slotOf(object))
                    tmpl_.family(ref->family)[ref->slot].rect = r;
            });

    connect(XPButton_WeiTiao, &QPushButton::clicked, this, [this] { XPButton_WeiTiao_Click(); });
    connect(XPButton_BaoCWT, &QPushButton::clicked, this, [this] { XPButton_BaoCWT_Click(); });
    connect(XPBut单件打印, &QPushButton::clicked, this, [this] { XPBut单件打印_Click(); });
    XPBut单件打印->installEventFilter(this);
    connect(XPButton1, &QPushButton::clicked, this, [this] { close(); });
    connect(SSTab1, &QTabWidget::currentChanged, this, [this](int tab) { SSTab1_Click(tab); });
    connect(Allup, &QLineEdit::textChanged, this,
            [this] { offsetChanged(Allup, VScroll1, Label_Allup, lastAllup_); });
    connect(Allleft, &QLineEdit::textChanged, this,
            [this] { offsetChanged(Allleft, HScroll1, Label_Allleft, lastAllleft_); });
    connect(VScroll1, &QScrollBar::valueChanged, this,
            [this](int v) { scrollChanged(Allup, Label_Allup, v); });
    connect(HScroll1, &QScrollBar::valueChanged, this,
            [this](int v) { scrollChanged(Allleft, Label_Allleft, v); });
}

bool Frm_申通快递::load() {
    return load(app::state().currentTemplate);
}

bool Frm_申通快递::load(const QString& templateName) {
    setWindowTitle(templateName);
    templates::LoadResult loaded;
    try {
        loaded = templates::TemplateStore(app::state().db()).load(templateName);
    } catch (const data::DbError& e) {
        ui::exclamation(
            parentWidget(),
            QStringLiteral("模板“%1”无法读取，打印窗口不能打开。\n%2").arg(templateName, e.description()),
            QStringLiteral("提示"));
        return false;
    }
    tmpl_ = std::move(loaded.tmpl);

    // The "大写金额" points in loading order: each type is read in slot order.
    amountSlots_.clear();
    for (int k = 1; k <= tmpl_.single.count; ++k)
        if (tmpl_.single[k].isLive() && tmpl_.single[k].type == templates::type::AmountInWords)
            amountSlots_ << k;

    QStringList notes = loaded.skipped;
    std::future<QImage> decoding = startPicture();
    buildBoxes();
    finishPicture(decoding);
    if (templates::pictureShown(tmpl_.picture) && picture_.isNull())
        notes << QStringLiteral("背景图片无法识别，未能显示。");
    fitSurface();

    // Putting the stored offsets into the boxes sets the scroll bars and the labels.
    Allup->setText(QString::number(tmpl_.allup));
    Allleft->setText(QString::number(tmpl_.allleft));

    if (!notes.isEmpty())
        ui::information(parentWidget(),
                        QStringLiteral("模板“%1”中有以下内容未能载入：\n").arg(templateName) +
                            notes.join(QLatin1Char('\n')),
                        QStringLiteral("提示"));
    return true;
}

namespace {
// Decoded straight from the stored bytes, at the size it is shown: a large scan is scaled while it is
// decoded, which is far quicker than decoding it whole.
QImage decodePicture(const QByteArray& bytes, QSize size) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setScaledSize(size);
    return reader.read();
}
} // namespace

std::future<QImage> Frm_申通快递::startPicture() {
    picture_ = QPixmap();
    Image1->hide();
    if (!templates::pictureShown(tmpl_.picture))
        return {};
    const QRect target = ui::toPixels(tmpl_.pictureRect);
    if (target.width() <= 0 || target.height() <= 0)
        return {};
    const qreal dpr = devicePixelRatioF();
    const QSize size(qRound(target.width() * dpr), qRound(target.height() * dpr));
    // A scan of several megabytes takes a while to decode; the boxes are built meanwhile.
    return std::async(std::launch::async, decodePicture, tmpl_.picture, size);
}

void Frm_申通快递::finishPicture(std::future<QImage>& decoding) {
    if (!decoding.valid())
        return;
    const QImage image = decoding.get();
    if (image.isNull())
        return;
    picture_ = QPixmap::fromImage(image);
    picture_.setDevicePixelRatio(devicePixelRatioF());
    Image1->setPixmap(picture_);
    const ui::TwipsRect r = tmpl_.pictureRect;
    ui::place(Image1, r.left, r.top, r.width, r.height);
    Image1->lower();
    Image1->show();
}

QWidget* Frm_申通快递::createBox(Family family, int k) {
    const InputPoint& p = tmpl_.family(family)[k];
    QWidget* w = nullptr;
    Box b;
    if (family == Family::Single) {
        b.line = new QLineEdit(surface);
        b.line->setObjectName(QStringLiteral("Text_Add"));
        w = b.line;
    } else {
        b.multi = new QPlainTextEdit(surface);
        b.multi->setObjectName(QStringLiteral("Text_Addscroll"));
        b.multi->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        b.multi->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        b.multi->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        b.multi->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        b.multi->setTabChangesFocus(true);
        w = b.multi;
    }
    b.widget = w;
    w->setProperty("Index", k);
    w->setToolTip(p.name);
    w->setFont(p.font());
    QPalette pal = w->palette();
    pal.setColor(QPalette::Base, templates::color::decode(p.backColor, pal));
    pal.setColor(QPalette::Text, templates::color::decode(p.foreColor, pal));
    w->setPalette(pal);
    ui::place(w, p.rect.left, p.rect.top, p.rect.width, p.rect.height);
    slotsOf(family)[size_t(k)] = b;
    slotByWidget_.insert(w, SlotRef{family, k});

    handles_->attachBox(w);
    // Installed after the handles' filter, so this window sees every event first.
    w->installEventFilter(this);
    if (b.multi) {
        slotByWidget_.insert(b.multi->viewport(), SlotRef{family, k});
        b.multi->viewport()->installEventFilter(this);
    }
    return w;
}

void Frm_申通快递::buildBoxes() {
    for (Family f : {Family::Single, Family::Multi}) {
        const templates::PointFamily& fam = tmpl_.family(f);
        for (int k = 1; k <= fam.count; ++k) {
            if (!fam[k].isLive())
                continue;
            createBox(f, k);
            const QString initial = initialText(fam[k].type, today);
            if (!initial.isEmpty())
                setBoxText({f, k}, initial);
        }
    }
}

void Frm_申通快递::fitSurface() {
    // Large enough for the picture and every box; the scroll area stretches it over its whole view.
    double right = 0, bottom = 0;
    if (!picture_.isNull()) {
        right = std::max(right, double(tmpl_.pictureRect.right()));
        bottom = std::max(bottom, double(tmpl_.pictureRect.bottom()));
    }
    for (const templates::PointFamily* fam : {&tmpl_.single, &tmpl_.multi})
        for (int k = 1; k <= fam->count; ++k)
            if ((*fam)[k].isLive()) {
                right = std::max(right, double((*fam)[k].rect.right()));
                bottom = std::max(bottom, double((*fam)[k].rect.bottom()));
            }
    surface->setMinimumSize(ui::toPixels(right + 120), ui::toPixels(bottom + 120));
}

QLineEdit* Frm_申通快递::Text_Add(int k) const {
    return k >= 1 && k <= templates::kMaxSlot ? single_[size_t(k)].line : nullptr;
}

QPlainTextEdit* Frm_申通快递::Text_Addscroll(int k) const {
    return k >= 1 && k <= templates::kMaxSlot ? multi_[size_t(k)].multi : nullptr;
}

QWidget* Frm_申通快递::box(const SlotRef& ref) const {
    if (ref.slot < 1 || ref.slot > templates::kMaxSlot)
        return nullptr;
    return slotsOf(ref.family)[size_t(ref.slot)].widget;
}

QString Frm_申通快递::boxText(const SlotRef& ref) const {
    if (ref.slot < 1 || ref.slot > templates::kMaxSlot)
        return QString();
    const Box& b = slotsOf(ref.family)[size_t(ref.slot)];
    if (b.line)
        return b.line->text();
    if (b.multi)
        return b.multi->toPlainText();
    return QString();
}

void Frm_申通快递::setBoxText(const SlotRef& ref, const QString& text) {
    const Box& b = slotsOf(ref.family)[size_t(ref.slot)];
    if (b.line)
        b.line->setText(text);
    else if (b.multi)
        b.multi->setPlainText(text);
}

ui::TwipsRect Frm_申通快递::boxRect(const SlotRef& ref) const {
    return tmpl_.family(ref.family)[ref.slot].rect;
}

std::optional<SlotRef> Frm_申通快递::slotOf(const QObject* watched) const {
    const auto it = slotByWidget_.constFind(watched);
    if (it == slotByWidget_.constEnd())
        return std::nullopt;
    return *it;
}

std::optional<SlotRef> Frm_申通快递::selectedSlot() const {
    if (!handles_->selected())
        return std::nullopt;
    return slotOf(handles_->selected());
}

PrintSheet Frm_申通快递::currentSheet() const {
    PrintSheet sheet;
    sheet.templateName = tmpl_.name;
    for (Family f : {Family::Single, Family::Multi}) {
        const templates::PointFamily& fam = tmpl_.family(f);
        for (int k = 1; k <= fam.count; ++k) {
            const InputPoint& p = fam[k];
            if (!p.isLive())
                continue;
            sheet.fields << PrintField{p.name, boxText({f, k}), p.rect.left, p.rect.top, p.fontSize};
        }
    }
    // The scroll bars hold the last whole value; the boxes may hold a lone "-" or "12." while typing.
    sheet.allupText = QString::number(VScroll1->value());
    sheet.allleftText = QString::number(HScroll1->value());
    return sheet;
}

// --- Picking values ----------------------------------------------------------------------------------

void Frm_申通快递::boxDoubleClick(int k) {
    if (fineTuneOn())
        return;
    if (k < 1 || k > templates::kMaxSlot)
        return;
    const QString s = bindingOf(tmpl_.single[k]);
    const QString t = bindingOf(tmpl_.multi[k]);
    const PickerKind kind = pickerFor(s, t);
    if (kind == PickerKind::None)
        return;

    templates::数据选择 picker(this);
    picker.recordSource = kind == PickerKind::Customer ? kCustomerSelect : kCommonUseSelect;
    picker.title = kind == PickerKind::Customer ? kCustomerTitle : kCommonUseTitle;
    ui::prompter().exec(&picker);
    if (picker.result1.isEmpty())
        return;

    if (kind == PickerKind::CommonUse) {
        if (s == templates::kCommonUseBinding)
            setBoxText({Family::Single, k}, picker.result1);
        if (t == templates::kCommonUseBinding)
            setBoxText({Family::Multi, k}, picker.result1);
        return;
    }
    // One customer fills every point bound to one of its columns, in both families.
    const QStringList& columns = templates::customerBindings();
    for (Family f : {Family::Single, Family::Multi}) {
        const templates::PointFamily& fam = tmpl_.family(f);
        for (int i = 1; i <= fam.count; ++i) {
            if (!fam[i].isLive())
                continue;
            const qsizetype column = columns.indexOf(fam[i].binding);
            if (column >= 0)
                setBoxText({f, i}, picker.resultText(int(column) + 1));
        }
    }
}

void Frm_申通快递::boxEnter(int k) {
    if (!amountSlots_.contains(k))
        return;
    QLineEdit* edit = Text_Add(k);
    if (!edit)
        return;
    const AmountConversion c = convertAmountText(edit->text());
    switch (c.outcome) {
    case AmountConversion::Outcome::NotANumber:
        ui::information(this, kNotANumberMessage, kNotANumberTitle);
        edit->setFocus();
        break;
    case AmountConversion::Outcome::TooLarge:
        ui::show(this, kTooLargeMessage, QString());
        break;
    case AmountConversion::Outcome::Converted:
        edit->setText(c.text);
        break;
    }
}

// --- Fine-tune mode ------------------------------------------------------------------------------------

bool Frm_申通快递::fineTuneOn() const {
    return finetune::isModeOn(XPButton_WeiTiao->text());
}

void Frm_申通快递::XPButton_WeiTiao_Click() {
    if (fineTuneOn()) {
        XPFrame2->hide();
        XPButton_WeiTiao->setText(finetune::kCaptionModeOff);
        handles_->endDrag();
        handles_->setActive(false);
        handles_->setHandlesVisible(false);
        return;
    }
    XPFrame2->show();
    XPButton_WeiTiao->setText(finetune::kCaptionModeOn);
    handles_->setActive(true);
    // A template whose single-line slot 1 is empty selects its first box instead, or none at all.
    const auto first = finetune::firstSelection(tmpl_);
    if (first)
        handles_->select(box(*first), boxRect(*first));
    else
        handles_->select(nullptr, {});
    handles_->setHandlesVisible(true);
}

void Frm_申通快递::selectBox(QWidget* b) {
    if (!fineTuneOn())
        return;
    const auto ref = slotOf(b);
    if (!ref)
        return;
    handles_->select(box(*ref), boxRect(*ref));
    handles_->setHandlesVisible(true);
}

void Frm_申通快递::Pic2_Move(float y, Qt::MouseButtons buttons) {
    if (fineTuneOn())
        handles_->handleMove(templates::Handle::Pic2, QPointF(0, y), buttons);
}

void Frm_申通快递::Pic4_Move(float x, Qt::MouseButtons buttons) {
    if (fineTuneOn())
        handles_->handleMove(templates::Handle::Pic4, QPointF(x, 0), buttons);
}

void Frm_申通快递::Pic5_Move(float x, Qt::MouseButtons buttons) {
    if (fineTuneOn())
        handles_->handleMove(templates::Handle::Pic5, QPointF(x, 0), buttons);
}

void Frm_申通快递::Pic7_Move(float y, Qt::MouseButtons buttons) {
    if (fineTuneOn())
        handles_->handleMove(templates::Handle::Pic7, QPointF(0, y), buttons);
}

void Frm_申通快递::offsetChanged(QLineEdit* edit, QScrollBar* bar, QLabel* lbl, QString& lastGood) {
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
        lbl->setText(finetune::offsetLabel(bar->value()));
        return;
    case finetune::OffsetText::Kind::Number:
        lastGood = text;
        lbl->setText(finetune::offsetLabel(o.value));
        // A different value rewrites the box as a whole number through the scroll bar.
        bar->setValue(o.value);
        // A figure beyond the range is held at the limit, even when the scroll bar was there already.
        if (o.limited)
            scrollChanged(edit, lbl, bar->value());
        return;
    }
}

void Frm_申通快递::scrollChanged(QLineEdit* edit, QLabel* lbl, int value) {
    const QString text = QString::number(value);
    lbl->setText(finetune::offsetLabel(value));
    if (edit->text() != text)
        edit->setText(text);
}

void Frm_申通快递::XPButton_BaoCWT_Click() {
    templates::Template t = tmpl_;
    t.allup = VScroll1->value();
    t.allleft = HScroll1->value();
    try {
        templates::TemplateStore(app::state().db()).saveGeometry(t);
    } catch (const data::DbError& e) {
        ui::reportError(this, QStringLiteral("XPButton_BaoCWT_Click"), e.description());
        return;
    }
    tmpl_.allup = t.allup;
    tmpl_.allleft = t.allleft;
    tmpl_.hasHeader = true;
    ui::information(this, QStringLiteral("微调参数保存成功！请返回"), QStringLiteral("系统提示"));
}

// --- Printing and preview ------------------------------------------------------------------------------

void Frm_申通快递::XPBut单件打印_Click() {
    // One press, one sheet: a call while a sheet is being printed (from within the print) does nothing.
    if (printing_)
        return;
    printing_ = true;
    const bool hadFocus = XPBut单件打印->hasFocus();
    XPBut单件打印->setEnabled(false);

    setWindowTitle(tmpl_.name + kPrintingCaption);
    const PrintSheet sheet = currentSheet();
    if (printSheet(this, sheet) && XPCheckBox1->isChecked())
        logSheet(this, sheet);
    setWindowTitle(tmpl_.name + kPrintedCaption);

    // The print is synchronous: clicks made meanwhile wait in the event queue. They are delivered while
    // the button is still disabled, so they fall on nothing instead of printing the sheet again.
    QCoreApplication::processEvents();
    XPBut单件打印->setEnabled(true);
    if (hadFocus)
        XPBut单件打印->setFocus();
    printing_ = false;
}

void Frm_申通快递::SSTab1_Click(int tab) {
    const bool preview = tab == 1;
    for (const Slots* s : {&single_, &multi_})
        for (const Box& b : *s)
            if (b.widget)
                b.widget->setVisible(!preview);
    if (preview)
        renderPreview();
}

void Frm_申通快递::renderPreview() {
    // The same placement as on paper, drawn once per switch onto the white surface.
    const qreal dpr = devicePixelRatioF();
    QPixmap page(QSize(qRound(Picture1->width() * dpr), qRound(Picture1->height() * dpr)));
    page.setDevicePixelRatio(dpr);
    page.fill(Qt::white);
    const PrintSheet sheet = currentSheet();
    bool ok = true;
    {
        QPainter painter(&page);
        ok = drawSheet(painter, sheet);
    }
    Picture1->setPixmap(page);
    // Only a value off the page's coordinate range stops the preview; it names the point, as the print does.
    if (!ok)
        ui::exclamation(this, placementMessage(sheet, placeSheet(sheet)), QStringLiteral("提示"));
}

// --- Events ----------------------------------------------------------------------------------------------

bool Frm_申通快递::eventFilter(QObject* watched, QEvent* event) {
    if (watched == XPBut单件打印 && event->type() == QEvent::MouseButtonDblClick) {
        // The second press of a double click: the first one has printed the sheet already. The press that
        // came before this event has set the button down; releasing it must not click again.
        XPBut单件打印->setDown(false);
        return true;
    }
    const auto ref = slotOf(watched);
    if (!ref)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonDblClick:
        boxDoubleClick(ref->slot);
        break;
    case QEvent::MouseButtonPress:
        // A box that already had the focus gets no focus event; it is selected here before the drag.
        if (fineTuneOn() && handles_->selected() != box(*ref))
            selectBox(box(*ref));
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (ref->family == Family::Single && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            boxEnter(ref->slot);
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void Frm_申通快递::keyPressEvent(QKeyEvent* event) {
    // Escape would close the window and lose every typed value and unsaved position without a word.
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

} // namespace vorlan::printing

namespace vorlan::windows {

void openPrintWindow(QWidget* parent) {
    ui::openModal<printing::Frm_申通快递>(parent);
}

} // namespace vorlan::windows
