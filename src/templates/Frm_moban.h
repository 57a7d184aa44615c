#pragma once
// The template designer Frm_模板: background picture, input points with type, binding, font and colours,
// moved and resized with the selection handles, saved with the print log table kept in step.

#include "templates/PointRules.h"
#include "templates/TemplateModel.h"
#include "templates/TemplateStore.h"

#include <QByteArray>
#include <QDialog>
#include <QFont>

#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace vorlan::templates {

class HandleSet;
class PictureArea;
class RulerWidget;

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
    QLabel* Label5 = nullptr;
    std::array<QLineEdit*, kMaxSlot + 1> Text_Add{};            // slot 0 is the hidden prototype
    std::array<QPlainTextEdit*, kMaxSlot + 1> Text_Addscroll{}; // slot 0 is the hidden prototype
    QGroupBox* FrameNewText = nullptr;
    QLineEdit* Text_Name = nullptr;
    QComboBox* Combo3 = nullptr;
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
    QPushButton* XPBut_font = nullptr;
    QPushButton* XPBut_rgb = nullptr;
    QPushButton* XPBut字色 = nullptr;
    QPushButton* XPButton1 = nullptr;
    QPushButton* XPBut确定 = nullptr;
    QPushButton* XPBut修改 = nullptr;
    QPushButton* XPBut_Del = nullptr;
    QPushButton* XPBut_save = nullptr;
    QPushButton* XPButton2 = nullptr;
    HandleSet* handles = nullptr; // Pic1..Pic8

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
    const Template& model() const { return model_; }
    const PendingColumns& pending() const { return pending_; }
    const QString& selectedKind() const { return selectedKind_; }
    int selectedSlot() const { return selectedSlot_; }
    const QString& picturePath() const { return picturePath_; }
    QWidget* box(Family family, int slot) const;
    // The style sample's values.
    QFont sampleFont() const { return sample_.font; }
    qint32 sampleBackColor() const { return sample_.back; }
    qint32 sampleForeColor() const { return sample_.fore; }

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void buildFrame();
    QWidget* createBox(Family family, int slot);
    void showPoint(Family family, int slot); // the box takes the slot's rectangle, font, colours, visibility
    void showSample();
    void info(const QString& text); // an information box titled "操作结果报告"
    void info(const Problem& problem);
    void objectMoved(QWidget* object, const ui::TwipsRect& rect);
    void boxSelected(QWidget* box);
    QString typeFromButtons() const;

    Template model_;
    PendingColumns pending_;
    QString selectedKind_;
    int selectedSlot_ = 0;
    QString picturePath_;     // the picture file chosen while the window is open
    QByteArray pictureBytes_; // its bytes as read when it was chosen and shown
    PointStyle sample_;
};

// The window's own name, as the forms and its objectName call it.
using Frm_模板 = Frm_moban;

} // namespace vorlan::templates
