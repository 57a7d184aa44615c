#pragma once
// The print window: the scanned form with one box per input point laid over it, where values are typed,
// picked from the customer register or the common uses, turned into capital numerals, moved in
// fine-tune mode, previewed and printed. The rules live in plain functions (BoxFill, BoxOrder,
// PrintSheet, PrintActions); the surface with the boxes and the offset frame are widgets of their own.
//
// At the counter it is worked from the keyboard: the boxes are visited in the order the form is read,
// F4 picks, Ctrl+P prints, Ctrl+N starts the next sheet.

#include "printing/BoxFill.h"
#include "printing/BoxOrder.h"
#include "printing/BoxSurface.h"
#include "printing/FineTune.h"
#include "printing/FineTuneMode.h"
#include "printing/OffsetFrame.h"
#include "printing/PreviewPane.h"
#include "printing/PrintActions.h"
#include "printing/PrintSettings.h"
#include "templates/Handles.h"
#include "templates/RecordPicker.h"
#include "templates/TemplateDocument.h"
#include "templates/TemplateModel.h"

#include <QDate>
#include <QDialog>
#include <QList>

#include <optional>

class QCheckBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QScrollBar;
class QTabWidget;

namespace vorlan::printing {

inline const QString kPrintingCaption = QStringLiteral("--->>正在后台打印中...");
inline const QString kPrintedCaption = QStringLiteral("--->>后台打印完成");
// After a print that did not reach the printer: the caption must not say it was done.
inline const QString kNotPrintedCaption = QStringLiteral("--->>打印失败，未打印");

class Frm_PrintWindow : public QDialog {
    Q_OBJECT

public:
    explicit Frm_PrintWindow(QWidget* parent = nullptr);
    ~Frm_PrintWindow() override;

    // The day the date boxes are filled with, on opening and by "下一张"; when not set (as in use), the
    // local date at that moment, so a window left open overnight starts the next sheet with the new day.
    QDate today;

    // Reads the current template and builds the boxes. False when the template cannot be read: the user
    // has been told which template and why, and the window must not be shown.
    bool load();
    bool load(const QString& templateName);

    const templates::Template& model() const { return doc_->tmpl(); }
    // The template as fine-tune mode edits it: moves and resizes of the boxes are its commands, and the
    // boxes follow its signals (the designer's document type). 保存微调 saves it and leaves it unmodified.
    templates::TemplateDocument* document() const { return doc_; }
    int N() const { return model().single.count; }
    int M() const { return model().multi.count; }
    // Single-line slots of the "大写金额" points, in loading order.
    const QList<int>& amountSlots() const { return amountSlots_; }

    // The boxes of the slots (nullptr where a slot holds no input point).
    QLineEdit* Text_Add(int k) const { return surface->line(k); }
    QPlainTextEdit* Text_Addscroll(int k) const { return surface->multi(k); }
    QWidget* box(const finetune::SlotRef& ref) const { return surface->box(ref); }
    QString boxText(const finetune::SlotRef& ref) const { return surface->text(ref); }
    // The box's rectangle in twips as it stands on screen (moved or not).
    ui::TwipsRect boxRect(const finetune::SlotRef& ref) const;
    bool pictureShown() const { return surface->pictureShown(); }
    // The sheet as it would be printed now.
    PrintSheet currentSheet() const;
    // Which box fine-tune mode has selected, if any.
    std::optional<finetune::SlotRef> selectedSlot() const { return fineTune_->selectedSlot(); }
    templates::HandleSet* handles() const { return fineTune_->handles(); }
    bool fineTuneOn() const { return fineTune_->isOn(); }
    // The boxes in the order Tab visits them (reading order of the form); the print button follows.
    const QList<finetune::SlotRef>& boxOrder() const { return order_; }

    QTabWidget* SSTab1 = nullptr;    // "模板打印" | "打印预览"
    BoxSurface* surface = nullptr;   // the drawing surface of the first tab, origin of every twips position
    QLabel* Image1 = nullptr;        // the surface's background picture
    QLabel* Picture1 = nullptr;      // the white preview surface of the second tab
    OffsetFrame* XPFrame2 = nullptr; // the offsets; the pointers below are its controls
    QLineEdit* Allup = nullptr;
    QLineEdit* Allleft = nullptr;
    QScrollBar* VScroll1 = nullptr; // beside Allup
    QScrollBar* HScroll1 = nullptr; // beside Allleft
    QLabel* Label_Allup = nullptr;
    QLabel* Label_Allleft = nullptr;
    QCheckBox* XPCheckBox1 = nullptr;        // "打印后明细保存"
    QPushButton* XPButton_BaoCWT = nullptr;  // "保存微调"
    QPushButton* XPButton_WeiTiao = nullptr; // "开启微调" / "关闭微调"
    QPushButton* XPBut单件打印 = nullptr;    // "开始打印"
    QPushButton* cmdNext = nullptr;          // "下一张"
    QPushButton* XPButton1 = nullptr;        // "返  回"
    QPushButton* cmdBatchPrint = nullptr;    // "批量打印"
    QPushButton* cmdPrintSetup = nullptr; // "打印设置": printer, paper, orientation, origin of the template
    const PrintSettings& printSettings() const { return settings_; }
    void cmdPrintSetup_Click();

    // Handlers, public so that tests can drive them as the controls do.
    void boxDoubleClick(const finetune::SlotRef& ref); // or F4 in the box: opens its picker, applies the pick
    // Puts a chosen customer or common use into its boxes and moves the focus on to the next box no pick
    // fills (the print button when none follows), with nothing selected there.
    void applyPick(const PickResult& pick);
    void boxEnter(int k);          // Enter in the single-line box of slot k
    void XPButton_WeiTiao_Click(); // fine-tune mode on / off
    void XPButton_BaoCWT_Click();  // save positions and offsets
    void XPBut单件打印_Click();    // print, then log; ignored while a print runs
    void cmdNext_Click(); // empties the boxes for the next sheet, dates back to today, focus to the first box
    void cmdBatchPrint_Click(); // the batch dialog on this template and these texts
    void SSTab1_Click(int tab); // 0 模板打印, 1 打印预览
    // Resizing with the edge handles in fine-tune mode: the mouse position across the edge, relative to the
    // handle, then the buttons held (as in the designer).
    void Pic2_Move(ui::Twips y, Qt::MouseButtons buttons);
    void Pic4_Move(ui::Twips x, Qt::MouseButtons buttons);
    void Pic5_Move(ui::Twips x, Qt::MouseButtons buttons);
    void Pic7_Move(ui::Twips y, Qt::MouseButtons buttons);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Closing with fine-tuning not saved asks whether to save it first.
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void buildKeys();
    QDate day() const { return today.isValid() ? today : QDate::currentDate(); }
    // Puts the boxes into reading order, followed by the print button and the other controls.
    void applyTabOrder();
    // The focus into a box (scrolled into view) with the cursor at the end and nothing selected.
    void focusBox(const finetune::SlotRef& ref);
    void focusFirst();
    void renderPreview();

    templates::TemplateDocument* doc_ = nullptr;
    QList<int> amountSlots_;
    FineTuneMode* fineTune_ = nullptr; // the handles, wired to the document
    QScrollArea* surfaceArea_ = nullptr;
    PreviewPane* preview_ = nullptr;
    QHBoxLayout* bottomRow_ = nullptr;             // the log switch and the buttons
    QList<finetune::SlotRef> order_;               // the boxes in the template's Tab order
    BoxTexts printedTexts_;                        // the texts of the last sheet that went to the printer
    std::optional<finetune::SlotRef> previewFrom_; // the box that had the focus when the preview was shown
    bool printing_ = false;  // a sheet is being printed; the print button does nothing meanwhile
    PrintSettings settings_; // the template's print setup, as stored
};

// The window's own name, as the forms and its objectName call it.
using Frm_申通快递 = Frm_PrintWindow;

} // namespace vorlan::printing
