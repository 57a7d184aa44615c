#pragma once
// The template designer Frm_模板: background picture, input points with type, binding, font and colours,
// moved and resized with the selection handles, saved with the print log table kept in step. Every edit
// goes through the template document, whose undo stack the buttons 撤销 / 重做 and Ctrl+Z / Ctrl+Y work;
// the boxes and the picture area follow the document's signals. Closing with unsaved edits asks first.
// Tab顺序 sets the order in which the print window visits the boxes.

#include "templates/PointBoxes.h"
#include "templates/PointRules.h"
#include "templates/TemplateDocument.h"
#include "templates/TemplateModel.h"

#include <QDialog>
#include <QFont>

class QAction;
class QCheckBox;
class QCloseEvent;
class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace vorlan::templates {

class HandleSet;
class PictureArea;
class RulerWidget;
class TabOrderLayer;

class Frm_moban : public QDialog {
    Q_OBJECT

public:
    explicit Frm_moban(QWidget* parent = nullptr);
    ~Frm_moban() override;

    // Opens the window on the current template: rulers, template rows, bindings, the picture area
    // selected. False when the template cannot be read (the user has been told); the window must not be
    // shown then, or a save would overwrite rows it never loaded.
    bool load();

    // Controls, named as the window's objects.
    RulerWidget* Picture1 = nullptr;
    RulerWidget* Picture2 = nullptr;
    PictureArea* Image1 = nullptr;
    QLabel* Label5 = nullptr;            // "新增输入点后，显示在此--->>再移动到相应位置"
    PointBoxes::Lines Text_Add{&boxes_}; // slot 0 is the hidden prototype
    PointBoxes::Multis Text_Addscroll{&boxes_}; // slot 0 is the hidden prototype
    QGroupBox* FrameNewText = nullptr;
    QLineEdit* Text_Name = nullptr;
    QComboBox* Combo3 = nullptr; // "绑定到“客户表”的字段为："
    QRadioButton* XPRadio_Text = nullptr;
    QRadioButton* XPRadio_rq = nullptr;
    QRadioButton* RadioB整数 = nullptr;
    QRadioButton* XPRad大额 = nullptr;
    QRadioButton* XPRad小额 = nullptr;
    QRadioButton* XPRad年 = nullptr;
    QRadioButton* XPRad月 = nullptr;
    QRadioButton* XPRad日 = nullptr;
    QRadioButton* XPRad号码 = nullptr;
    QCheckBox* Checkscroll = nullptr;
    QLineEdit* font_txt = nullptr;
    QComboBox* cboParty = nullptr;      // "绑定的一方：" 寄件方 / 收件方
    QComboBox* cboSymbology = nullptr;  // "打印为：" 无, Code 128, QR 码, PDF417, EAN-13
    QCheckBox* chkSymbolText = nullptr; // "条码下印文字"
    QLineEdit* txtFixedText = nullptr;  // "固定内容："
    QPushButton* XPBut_font = nullptr;
    QPushButton* XPBut_rgb = nullptr;
    QPushButton* XPBut字色 = nullptr;
    QPushButton* XPButton1 = nullptr; // "模板图片"
    QPushButton* XPBut确定 = nullptr;
    QPushButton* XPBut修改 = nullptr;
    QPushButton* XPBut_Del = nullptr;
    QPushButton* XPBut_save = nullptr;
    QPushButton* XPButton2 = nullptr;   // "返  回"
    QToolButton* cmdUndo = nullptr;     // 撤销, Ctrl+Z
    QToolButton* cmdRedo = nullptr;     // 重做, Ctrl+Y
    QToolButton* cmdTabOrder = nullptr; // Tab顺序, Ctrl+T: the order of the print window's boxes
    HandleSet* handles = nullptr;       // Pic1..Pic8

    // Button actions.
    void XPBut确定_Click();  // 新增点
    void XPBut修改_Click();  // 修改点
    void XPBut_Del_Click();  // 删除点
    bool XPBut_save_Click(); // 模板保存; true when saved
    void XPButton1_Click();  // 模板图片
    void XPBut_font_Click();
    void XPBut_rgb_Click();
    void XPBut字色_Click();

    // Resizing with the edge handles: the mouse position across the edge, relative to the handle, then the
    // buttons held (the print window's handlers take the same).
    void Pic2_Move(ui::Twips y, Qt::MouseButtons buttons);
    void Pic4_Move(ui::Twips x, Qt::MouseButtons buttons);
    void Pic5_Move(ui::Twips x, Qt::MouseButtons buttons);
    void Pic7_Move(ui::Twips y, Qt::MouseButtons buttons);

    // Selection: an input point box (by family and slot) or the picture area.
    void selectPoint(Family family, int slot);
    void selectPicture();

    // Window state, for the window's own use and for tests.
    TemplateDocument* document() const { return doc_; }
    const Template& model() const { return doc_->tmpl(); }
    // Edited since opening or the last save; closing asks whether to save them.
    bool isModified() const { return doc_->isModified(); }
    const PendingColumns& pending() const { return doc_->pending(); }
    const QString& selectedKind() const { return selectedKind_; }
    int selectedSlot() const { return selectedSlot_; }
    const QString& picturePath() const { return doc_->picture().path; }
    TabOrderLayer* tabOrderLayer() const { return tabOrder_; }
    QWidget* box(Family family, int slot) const { return boxes_.box({family, slot}); }
    // The style sample's values.
    QFont sampleFont() const { return sample_.font; }
    qint32 sampleBackColor() const { return sample_.back; }
    qint32 sampleForeColor() const { return sample_.fore; }

    // Every way of closing comes here: with unsaved edits the user is asked whether to save them first.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildFrame();
    void buildUndo();
    void tabOrderSwitched(bool on); // the other controls wait while the order is set
    QWidget* boxFor(SlotRef ref);   // the slot's box, made when there is none yet
    void showSample();
    void info(const QString& text); // an information box titled "操作结果报告"
    void info(const Problem& problem);
    void objectMoved(QWidget* object, const ui::TwipsRect& rect);
    void boxSelected(QWidget* box);
    QString typeFromButtons() const;
    PointOptions optionsFromControls() const;
    void showOptions(const PointOptions& options);
    void symbologyChosen(); // the text under the bars is a choice of linear symbols only
    // True when the window may close: nothing unsaved, saved on request, or discarded on request.
    bool mayClose();

    // The view, following the document.
    void rebuild();
    void pointMoved(SlotRef ref);
    void pointRemoved(SlotRef ref);
    void pictureMoved();
    void pictureChanged();

    PointBoxes boxes_{this, PointBoxes::Names::HintAndToolTip};
    TemplateDocument* doc_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
    TabOrderLayer* tabOrder_ = nullptr;
    QString selectedKind_;
    int selectedSlot_ = 0;
    PointStyle sample_;
    bool closeConfirmed_ = false; // closeEvent asked already; its reject() must not ask again
};

// The window's own name, as the forms and its objectName call it.
using Frm_模板 = Frm_moban;

} // namespace vorlan::templates
