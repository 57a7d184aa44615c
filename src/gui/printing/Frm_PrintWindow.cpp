#include "printing/Frm_PrintWindow.h"

#include "app/AppState.h"
#include "data/UseLock.h"
#include "printing/AmountInWords.h"
#include "printing/Frm_BatchPrint.h"
#include "printing/PrintSettingsStore.h"
#include "printing/PrintSetupDialog.h"
#include "printing/PrintWindows.h"
#include "printing/WindowKeys.h"
#include "templates/RecordPicker.h"
#include "templates/TemplateStore.h"
#include "ui/Controls.h"
#include "ui/Guarded.h"
#include "ui/Modal.h"
#include "ui/Prompt.h"
#include "ui/TwipsLayout.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace vorlan::printing {

using finetune::SlotRef;
using templates::Family;

namespace {
constexpr ui::TwipsSize kClientSize{13695_tw, 9495_tw};

QPushButton* windowButton(QWidget* parent, const QString& name, const QString& caption) {
    QPushButton* b = ui::makeButton(parent, name, caption);
    b->setMinimumSize(ui::toPixels(ui::TwipsSize{1335_tw, 420_tw}));
    return b;
}
} // namespace

Frm_PrintWindow::Frm_PrintWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Frm_申通快递"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    doc_ = new templates::TemplateDocument(this);
    buildLayout();
    buildKeys();
    ui::setClientSize(this, kClientSize);
}

Frm_PrintWindow::~Frm_PrintWindow() = default;

void Frm_PrintWindow::buildLayout() {
    auto* root = new QVBoxLayout(this);
    const int margin = ui::toPixels(120_tw);
    root->setContentsMargins(margin, margin, margin, margin);
    root->setSpacing(margin);

    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    root->addWidget(SSTab1, 1);

    // First tab: the drawing surface (picture, boxes, handles) and, in fine-tune mode, the offsets.
    auto* page1 = new QWidget;
    page1->setObjectName(QStringLiteral("SSTab1_Page1"));
    auto* page1Layout = new QVBoxLayout(page1);
    page1Layout->setContentsMargins(0, 0, 0, 0);
    page1Layout->setSpacing(ui::toPixels(60_tw));
    surfaceArea_ = new QScrollArea(page1);
    surfaceArea_->setObjectName(QStringLiteral("surfaceArea"));
    surfaceArea_->setFrameShape(QFrame::NoFrame);
    surfaceArea_->setWidgetResizable(true);
    surfaceArea_->setFocusPolicy(Qt::NoFocus); // Tab goes from box to box, not through an empty stop
    surface = new BoxSurface;
    Image1 = surface->Image1;
    surfaceArea_->setWidget(surface);
    page1Layout->addWidget(surfaceArea_, 1);

    XPFrame2 = new OffsetFrame(page1);
    Allup = XPFrame2->Allup;
    Allleft = XPFrame2->Allleft;
    VScroll1 = XPFrame2->VScroll1;
    HScroll1 = XPFrame2->HScroll1;
    Label_Allup = XPFrame2->Label_Allup;
    Label_Allleft = XPFrame2->Label_Allleft;
    XPFrame2->hide();
    page1Layout->addWidget(XPFrame2);
    SSTab1->addTab(page1, QStringLiteral("模板打印"));

    preview_ = new PreviewPane;
    Picture1 = preview_->Picture1;
    SSTab1->addTab(preview_, QStringLiteral("打印预览"));

    // Below the tabs: the log switch and the buttons.
    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(ui::toPixels(180_tw));
    XPCheckBox1 = new QCheckBox(QStringLiteral("打印后明细保存"), this);
    XPCheckBox1->setObjectName(QStringLiteral("XPCheckBox1"));
    XPCheckBox1->setChecked(true);
    bottom->addWidget(XPCheckBox1);
    bottom->addStretch(1);
    XPButton_BaoCWT = windowButton(this, QStringLiteral("XPButton_BaoCWT"), QStringLiteral("保存微调"));
    XPButton_WeiTiao = windowButton(this, QStringLiteral("XPButton_WeiTiao"), finetune::kCaptionModeOff);
    // The template's printer, paper and origin, next to the print button.
    cmdPrintSetup = windowButton(this, QStringLiteral("cmdPrintSetup"), QStringLiteral("打印设置"));
    XPBut单件打印 = windowButton(this, QStringLiteral("XPBut单件打印"), QStringLiteral("开始打印"));
    cmdNext = windowButton(this, QStringLiteral("cmdNext"), QStringLiteral("下一张"));
    XPButton1 = windowButton(this, QStringLiteral("XPButton1"), QStringLiteral("返  回"));
    cmdBatchPrint = windowButton(this, QStringLiteral("cmdBatchPrint"), QStringLiteral("批量打印"));
    for (QPushButton* b :
         {XPButton_BaoCWT, XPButton_WeiTiao, cmdPrintSetup, XPBut单件打印, cmdNext, cmdBatchPrint, XPButton1})
        bottom->addWidget(b);
    root->addLayout(bottom);
    bottomRow_ = bottom;

    fineTune_ = new FineTuneMode(surface, doc_, XPFrame2, XPButton_WeiTiao, this);

    connect(XPButton_WeiTiao, &QPushButton::clicked, this, [this] { XPButton_WeiTiao_Click(); });
    connect(XPButton_BaoCWT, &QPushButton::clicked, this, [this] { XPButton_BaoCWT_Click(); });
    connect(XPBut单件打印, &QPushButton::clicked, this, [this] { XPBut单件打印_Click(); });
    connect(cmdBatchPrint, &QPushButton::clicked, this, [this] { cmdBatchPrint_Click(); });
    connect(cmdPrintSetup, &QPushButton::clicked, this, [this] { cmdPrintSetup_Click(); });
    ignoreDoubleClick(XPBut单件打印);
    connect(cmdNext, &QPushButton::clicked, this, [this] { cmdNext_Click(); });
    connect(XPButton1, &QPushButton::clicked, this, [this] { close(); });
    connect(SSTab1, &QTabWidget::currentChanged, this, [this](int tab) { SSTab1_Click(tab); });
}

void Frm_PrintWindow::buildKeys() {
    // Every button has its key, named in its tooltip.
    bindButtonKey(this, XPBut单件打印, "Ctrl+P", QStringLiteral("开始打印"));
    bindButtonKey(this, cmdNext, "Ctrl+N", QStringLiteral("下一张：清空输入内容，日期为今天"));
    bindButtonKey(this, XPButton_WeiTiao, "Ctrl+T", QStringLiteral("开启微调 ／ 关闭微调"));
    bindButtonKey(this, XPButton_BaoCWT, "Ctrl+S", QStringLiteral("保存微调"));
    bindButtonKey(this, cmdPrintSetup, "Ctrl+Shift+S",
                  QStringLiteral("打印设置：打印机、纸张、方向和位置起点"));
    bindButtonKey(this, cmdBatchPrint, "Ctrl+B", QStringLiteral("批量打印：多张一次打印"));
    bindButtonKey(this, XPButton1, "Ctrl+W", QStringLiteral("返回"));
    bindTabToggleKey(this, SSTab1, "Ctrl+Shift+P");
}

bool Frm_PrintWindow::load() {
    return load(app::state().currentTemplate);
}

bool Frm_PrintWindow::load(const QString& templateName) {
    setWindowTitle(templateName);
    templates::LoadResult loaded;
    const bool read = ui::guarded(
        [&] {
            loaded = templates::TemplateStore(app::state().engine()).load(templateName);
            settings_ = PrintSettingsStore(app::state().engine()).load(templateName);
        },
        [&](const QString& why) {
            ui::exclamation(parentWidget(),
                            QStringLiteral("模板“%1”无法读取，打印窗口不能打开。\n%2").arg(templateName, why),
                            QStringLiteral("提示"));
        });
    if (!read)
        return false;
    doc_->reset(std::move(loaded.tmpl));

    amountSlots_ = printing::amountSlots(model());

    QStringList notes = loaded.skipped;
    surface->build(model(), initialTexts(model(), day()), handles(), this);
    if (templates::pictureShown(model().picture) && !surface->pictureShown())
        notes << QStringLiteral("背景图片无法识别，未能显示。");
    XPFrame2->setOffsets(model().allup, model().allleft);
    applyTabOrder();
    focusFirst();

    if (!notes.isEmpty())
        ui::information(parentWidget(),
                        QStringLiteral("模板“%1”中有以下内容未能载入：\n").arg(templateName) +
                            notes.join(QLatin1Char('\n')),
                        QStringLiteral("提示"));
    return true;
}

ui::TwipsRect Frm_PrintWindow::boxRect(const SlotRef& ref) const {
    return model().family(ref.family)[ref.slot].rect;
}

PrintSheet Frm_PrintWindow::currentSheet() const {
    // The scroll bars hold the last whole value; the boxes may hold a lone "-" or "12." while typing.
    PrintSheet sheet = buildSheet(model(), surface->texts(), XPFrame2->up(), XPFrame2->left());
    sheet.settings = settings_;
    return sheet;
}

// --- Keyboard order ------------------------------------------------------------------------------------

void Frm_PrintWindow::applyTabOrder() {
    order_.clear();
    for (const SlotRef& ref : tabOrder(model()))
        if (box(ref))
            order_ << ref;
    // The boxes in the template's order, then straight to the print button; the other controls after it.
    QList<QWidget*> chain;
    for (const SlotRef& ref : order_)
        chain << box(ref);
    chain << XPBut单件打印 << cmdNext;
    QList<QWidget*> row;
    for (int i = 0; i < bottomRow_->count(); ++i)
        row << bottomRow_->itemAt(i)->widget();
    appendTabStops(chain, row);
    appendTabStops(chain, XPFrame2->findChildren<QWidget*>());
    chain << SSTab1->tabBar();
    setTabChain(chain);
}

void Frm_PrintWindow::focusBox(const SlotRef& ref) {
    QWidget* b = box(ref);
    if (!b || !b->isEnabled())
        return;
    b->setFocus(Qt::OtherFocusReason);
    unselect(b);
    surfaceArea_->ensureWidgetVisible(b);
}

void Frm_PrintWindow::focusFirst() {
    if (!order_.isEmpty())
        focusBox(order_.first());
    else
        XPBut单件打印->setFocus(Qt::OtherFocusReason);
}

// --- Picking values ----------------------------------------------------------------------------------

void Frm_PrintWindow::boxDoubleClick(const SlotRef& ref) {
    if (fineTuneOn())
        return;
    const PickerKind kind = pickerForBox(model(), ref);
    if (kind == PickerKind::None)
        return;
    templates::RecordPicker picker(this);
    picker.recordSource = kind == PickerKind::Customer ? templates::RecordSource(&customerPickerRows)
                                                       : templates::RecordSource(&commonUsePickerRows);
    picker.title = kind == PickerKind::Customer ? kCustomerTitle : kCommonUseTitle;
    ui::prompter().exec(&picker);
    PickResult pick{kind, ref.slot, {}, model().point(ref).party};
    for (int i = 1; i <= 12; ++i) // result1 .. result12
        pick.values << picker.resultText(i);
    applyPick(pick);
}

void Frm_PrintWindow::applyPick(const PickResult& pick) {
    const BoxTexts fills = pickFills(model(), pick);
    if (fills.isEmpty())
        return; // nothing chosen: the focus stays where it was
    surface->setTexts(fills);
    // The pick came from slot k of one of the families: the focused box when it is one of the two.
    SlotRef from{Family::Single, pick.slot};
    if (const auto focused = surface->slotOf(focusWidget()); focused && focused->slot == pick.slot)
        from = *focused;
    else if (!box(from))
        from = {Family::Multi, pick.slot};
    // On to what the clerk has to type next; after the last box that is the print button, as with Tab.
    if (const auto next = nextUnboundAfter(model(), order_, from))
        focusBox(*next);
    else
        XPBut单件打印->setFocus(Qt::OtherFocusReason);
}

void Frm_PrintWindow::boxEnter(int k) {
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

void Frm_PrintWindow::XPButton_WeiTiao_Click() {
    const bool wasOn = fineTuneOn();
    fineTune_->toggle();
    if (wasOn)
        applyTabOrder(); // boxes may have moved to another line
}

void Frm_PrintWindow::Pic2_Move(ui::Twips y, Qt::MouseButtons buttons) {
    fineTune_->edgeMove(templates::Handle::Pic2, {0_tw, y}, buttons);
}

void Frm_PrintWindow::Pic4_Move(ui::Twips x, Qt::MouseButtons buttons) {
    fineTune_->edgeMove(templates::Handle::Pic4, {x, 0_tw}, buttons);
}

void Frm_PrintWindow::Pic5_Move(ui::Twips x, Qt::MouseButtons buttons) {
    fineTune_->edgeMove(templates::Handle::Pic5, {x, 0_tw}, buttons);
}

void Frm_PrintWindow::Pic7_Move(ui::Twips y, Qt::MouseButtons buttons) {
    fineTune_->edgeMove(templates::Handle::Pic7, {0_tw, y}, buttons);
}

void Frm_PrintWindow::XPButton_BaoCWT_Click() {
    if (fineTune_->save(this))
        ui::information(this, QStringLiteral("微调参数保存成功！请返回"), QStringLiteral("系统提示"));
}

// --- Printing and preview ------------------------------------------------------------------------------

void Frm_PrintWindow::XPBut单件打印_Click() {
    // One press, one sheet: a call while a sheet is being printed (from within the print) does nothing.
    if (printing_)
        return;
    printing_ = true;
    const data::UseLock hold =
        data::UseLock::forPrinting(QStringLiteral("打印窗口中模板“%1”的1张").arg(model().name));
    const bool hadFocus = XPBut单件打印->hasFocus();
    XPBut单件打印->setEnabled(false);

    setWindowTitle(model().name + kPrintingCaption);
    const PrintSheet sheet = currentSheet();
    const PrintOutcome printed = printSheet(sheet);
    if (printed.ok())
        printedTexts_ = surface->texts();
    showNotice(this, printNotice(printed));
    // Logged only after a sheet that went to the printer; a failed log does not undo the print.
    if (printed.ok() && XPCheckBox1->isChecked())
        showNotice(this, logNotice(logSheet(sheet, printed.job)));
    setWindowTitle(model().name + (printed.ok() ? kPrintedCaption : kNotPrintedCaption));

    // The print is synchronous: clicks made meanwhile wait in the event queue. They are delivered while
    // the button is still disabled, so they fall on nothing instead of printing the sheet again.
    QCoreApplication::processEvents();
    XPBut单件打印->setEnabled(true);
    if (hadFocus)
        XPBut单件打印->setFocus();
    printing_ = false;
}

void Frm_PrintWindow::cmdNext_Click() {
    if (printing_)
        return;
    const NextSheet next = nextSheet(model(), surface->texts(), printedTexts_, day());
    if (next.losesUnprinted && !mayDropUnprinted(this, kNextUnprintedQuestion))
        return;
    surface->setTexts(next.texts);
    setWindowTitle(model().name); // no longer the caption of the sheet printed before
    previewFrom_.reset();
    SSTab1->setCurrentIndex(0);
    focusFirst();
}

void Frm_PrintWindow::cmdBatchPrint_Click() {
    // The boxes as they stand (moved or not) and the typed texts go to the batch for the points no column
    // fills.
    ui::openModal<Frm_BatchPrint>(this, model(), surface->texts(), XPFrame2->up(), XPFrame2->left(),
                                  XPCheckBox1->isChecked(), settings_);
}

void Frm_PrintWindow::SSTab1_Click(int tab) {
    const bool preview = tab == 1;
    if (preview)
        previewFrom_ = surface->slotOf(focusWidget());
    surface->setBoxesVisible(!preview);
    if (preview) {
        renderPreview();
    } else if (previewFrom_) {
        // Back on the form the clerk goes on typing where the preview interrupted.
        focusBox(*previewFrom_);
        previewFrom_.reset();
    }
}

void Frm_PrintWindow::cmdPrintSetup_Click() {
    std::optional<calibration::Offsets> calibrated;
    const auto chosen = editPrintSettings(this, model().name, settings_, &calibrated);
    if (chosen)
        settings_ = *chosen;
    if (calibrated) {
        // The calibration stored them: the boxes show them, and unless boxes were moved they are what the
        // template has saved.
        XPFrame2->setOffsets(calibrated->allup, calibrated->allleft);
        if (!doc_->isModified()) {
            templates::Template t = model();
            t.allup = calibrated->allup;
            t.allleft = calibrated->allleft;
            t.hasHeader = true;
            doc_->reset(std::move(t));
        }
    }
    if ((chosen || calibrated) && SSTab1->currentIndex() == 1)
        renderPreview();
}

void Frm_PrintWindow::renderPreview() {
    // Only a value off the page's coordinate range stops the preview; it names the point, as the print does.
    showNotice(this, printNotice(preview_->render(currentSheet())));
}

// --- Events ----------------------------------------------------------------------------------------------

bool Frm_PrintWindow::eventFilter(QObject* watched, QEvent* event) {
    const auto ref = surface->slotOf(watched);
    if (!ref)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonDblClick:
        if (!fineTuneOn() && pickerForBox(model(), *ref) != PickerKind::None) {
            boxDoubleClick(*ref);
            return true; // the box would select a word of the picked value, ready to be typed over
        }
        break;
    case QEvent::MouseButtonPress:
        fineTune_->pressed(box(*ref));
        break;
    case QEvent::KeyPress: {
        const auto* keyEvent = static_cast<QKeyEvent*>(event);
        const int key = keyEvent->key();
        if (ref->family == Family::Single && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            boxEnter(ref->slot);
            return true;
        }
        if (key == Qt::Key_F4 && keyEvent->modifiers() == Qt::NoModifier) {
            if (!keyEvent->isAutoRepeat())
                boxDoubleClick(*ref); // the keyboard's double click
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void Frm_PrintWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // A dialog being shown hands its focus widget a focus event as though Tab had brought it there, and a
    // line box then selects its whole text (a pre-filled date would go with the first key). Once that is
    // done, the first box keeps the cursor at its end with nothing selected.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (surface->slotOf(focusWidget()))
                unselect(focusWidget());
        },
        Qt::QueuedConnection);
}

void Frm_PrintWindow::closeEvent(QCloseEvent* event) {
    // The typed sheet goes with the window (返回, Ctrl+W, the close box), as with 下一张.
    const bool unprinted = nextSheet(model(), surface->texts(), printedTexts_, day()).losesUnprinted;
    if ((unprinted && !mayDropUnprinted(this, kCloseUnprintedQuestion)) || !fineTune_->mayClose(this)) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void Frm_PrintWindow::keyPressEvent(QKeyEvent* event) {
    // Escape would close the window and lose every typed value and unsaved position without a word.
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

} // namespace vorlan::printing
