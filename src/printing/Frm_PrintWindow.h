#pragma once
// The print window: the scanned form with one box per input point laid over it, where values are typed,
// picked from the customer register or the common uses, turned into capital numerals, moved in
// fine-tune mode, previewed and printed.

#include "app/CommonUseStore.h"
#include "customers/CustomerStore.h"
#include "data/Database.h"
#include "printing/FineTune.h"
#include "printing/PrintActions.h"
#include "templates/Handles.h"
#include "templates/RecordPicker.h"
#include "templates/TemplateModel.h"

#include <QDate>
#include <QDialog>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPixmap>

#include <array>
#include <future>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QScrollBar;
class QTabWidget;

namespace vorlan::printing {

// What a double click on slot k opens, from the single-line binding S and the multi-line binding T of
// that slot (empty where the slot holds no input point).
enum class PickerKind { None, Customer, CommonUse };
PickerKind pickerFor(const QString& singleBinding, const QString& multiBinding);

// The value a box of that type starts with on the given day ("" for types without one).
QString initialText(const QString& type, const QDate& today);

// The rows and captions of the two pickers; the rows come from the stores that own the tables.
inline const templates::RecordSource kCustomerSelect = [] {
    return customers::CustomerStore(data::shared()).pickerRows();
};
inline const QString kCustomerTitle = QStringLiteral("请选择客户信息");
inline const templates::RecordSource kCommonUseSelect = [] {
    return app::CommonUseStore(data::shared()).pickerRows();
};
inline const QString kCommonUseTitle = QStringLiteral("请选择常用用途");

inline const QString kPrintingCaption = QStringLiteral("--->>正在后台打印中...");
inline const QString kPrintedCaption = QStringLiteral("--->>后台打印完成");

class Frm_申通快递 : public QDialog {
public:
    explicit Frm_申通快递(QWidget* parent = nullptr);
    ~Frm_申通快递() override;

    // The day the date boxes start from; the local date unless a test sets another before load().
    QDate today = QDate::currentDate();

    // Reads the current template and builds the boxes. False when the template cannot be read: the user
    // has been told which template and why, and the window must not be shown.
    bool load();
    bool load(const QString& templateName);

    const templates::Template& model() const { return tmpl_; }
    int N() const { return tmpl_.single.count; }
    int M() const { return tmpl_.multi.count; }
    // Single-line slots of the "大写金额" points, in loading order.
    const QList<int>& amountSlots() const { return amountSlots_; }

    // The boxes of the slots (nullptr where a slot holds no input point).
    QLineEdit* Text_Add(int k) const;
    QPlainTextEdit* Text_Addscroll(int k) const;
    QWidget* box(const finetune::SlotRef& ref) const;
    QString boxText(const finetune::SlotRef& ref) const;
    // The box's rectangle in twips as it stands on screen (moved or not).
    ui::TwipsRect boxRect(const finetune::SlotRef& ref) const;
    bool pictureShown() const { return !picture_.isNull(); }
    // The sheet as it would be printed now.
    PrintSheet currentSheet() const;
    // Which box fine-tune mode has selected, if any.
    std::optional<finetune::SlotRef> selectedSlot() const;
    templates::HandleSet* handles() const { return handles_; }
    bool fineTuneOn() const;

    QTabWidget* SSTab1 = nullptr;
    QWidget* surface = nullptr; // the drawing surface of the first tab, origin of every twips position
    QLabel* Image1 = nullptr;
    QLabel* Picture1 = nullptr;
    QGroupBox* XPFrame2 = nullptr;
    QLineEdit* Allup = nullptr;
    QLineEdit* Allleft = nullptr;
    QScrollBar* VScroll1 = nullptr;
    QScrollBar* HScroll1 = nullptr;
    QLabel* Label_Allup = nullptr;
    QLabel* Label_Allleft = nullptr;
    QCheckBox* XPCheckBox1 = nullptr;
    QPushButton* XPButton_BaoCWT = nullptr;
    QPushButton* XPButton_WeiTiao = nullptr;
    QPushButton* XPBut单件打印 = nullptr;
    QPushButton* XPButton1 = nullptr;

    // Handlers, public so that tests can drive them as the controls do.
    void boxDoubleClick(int k);    // either family's box of slot k
    void boxEnter(int k);          // Enter in the single-line box of slot k
    void XPButton_WeiTiao_Click(); // fine-tune mode on / off
    void XPButton_BaoCWT_Click();  // save positions and offsets
    void XPBut单件打印_Click();    // print, then log; ignored while a print runs
    void SSTab1_Click(int tab);    // 0 模板打印, 1 打印预览
    void Pic2_Move(float y, Qt::MouseButtons buttons);
    void Pic4_Move(float x, Qt::MouseButtons buttons);
    void Pic5_Move(float x, Qt::MouseButtons buttons);
    void Pic7_Move(float y, Qt::MouseButtons buttons);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Box {
        QWidget* widget = nullptr;
        QLineEdit* line = nullptr;
        QPlainTextEdit* multi = nullptr;
    };
    using Slots = std::array<Box, templates::kMaxSlot + 1>;

    void buildLayout();
    void buildBoxes();
    QWidget* createBox(templates::Family family, int k);
    std::future<QImage> startPicture();
    void finishPicture(std::future<QImage>& decoding);
    void fitSurface();
    Slots& slotsOf(templates::Family f) { return f == templates::Family::Multi ? multi_ : single_; }
    const Slots& slotsOf(templates::Family f) const {
        return f == templates::Family::Multi ? multi_ : single_;
    }
    std::optional<finetune::SlotRef> slotOf(const QObject* watched) const;
    void setBoxText(const finetune::SlotRef& ref, const QString& text);
    void selectBox(QWidget* box);
    void offsetChanged(QLineEdit* edit, QScrollBar* bar, QLabel* label, QString& lastGood);
    void scrollChanged(QLineEdit* edit, QLabel* label, int value);
    void renderPreview();

    templates::Template tmpl_;
    Slots single_{};
    Slots multi_{};
    QHash<const QObject*, finetune::SlotRef> slotByWidget_;
    QList<int> amountSlots_;
    QPixmap picture_;
    templates::HandleSet* handles_ = nullptr;
    QScrollArea* surfaceArea_ = nullptr;
    bool printing_ = false; // a sheet is being printed; the print button does nothing meanwhile
    QString lastAllup_ = QStringLiteral("0");
    QString lastAllleft_ = QStringLiteral("0");
};

} // namespace vorlan::printing
