#include "templates/Frm_moban.h"

#include "app/AppState.h"
#include "app/Windows.h"
#include "data/Sql.h"
#include "templates/DesignerWidgets.h"
#include "templates/Handles.h"
#include "ui/Modal.h"
#include "ui/Prompt.h"
#include "ui/Twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace vorlan::templates {

namespace {

constexpr double kClientWidth = 13260, kClientHeight = 9465;
constexpr double kRowTop[3] = {270, 660, 1050};
constexpr double kRowHeight = 330;

template <class W> W* named(W* w, const QString& name) {
    w->setObjectName(name);
    return w;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption, double left, int row,
                    double width) {
    auto* b = named(new QPushButton(caption, parent), name);
    b->setAutoDefault(false);
    ui::place(b, left, kRowTop[row], width, kRowHeight);
    return b;
}

QRadioButton* radio(QWidget* parent, const QString& name, const QString& caption, double left, int row,
                    double width) {
    auto* r = named(new QRadioButton(caption, parent), name);
    ui::place(r, left, kRowTop[row], width, kRowHeight);
    return r;
}

} // namespace

Frm_模板::Frm_模板(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Frm_模板"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    ui::setClientSize(this, kClientWidth, kClientHeight);
    setFixedSize(size());

    // Bottom to top: the picture, the rulers over its edge, the boxes, the frame, the handles.
    Image1 = named(new PictureArea(this), QStringLiteral("Image1"));
    Image1->clicked = [this] { selectPicture(); };
    ui::place(Image1, kDefaultPictureRect.left, kDefaultPictureRect.top, kDefaultPictureRect.width,
              kDefaultPictureRect.height);

    Picture1 = named(new RulerWidget(true, this), QStringLiteral("Picture1"));
    ui::place(Picture1, 0, 0, kRulerThickness, kClientHeight);
    Picture2 = named(new RulerWidget(false, this), QStringLiteral("Picture2"));
    ui::place(Picture2, 0, 0, kClientWidth, kRulerThickness);

    Label5 = named(new QLabel(QStringLiteral("新增输入点后，显示在此--->>再移动到相应位置"), this),
                   QStringLiteral("Label5"));
    Label5->setStyleSheet(QStringLiteral("color: #0000c0;"));
    ui::place(Label5, 1380, 7560, 4440, 255);

    handles = new HandleSet(this);
    handles->setObjectName(QStringLiteral("handles"));
    handles->setHandlesVisible(true);
    QObject::connect(handles, &HandleSet::objectMoved, this,
                     [this](QWidget* o, const ui::TwipsRect& r) { objectMoved(o, r); });
    QObject::connect(handles, &HandleSet::boxFocused, this, [this](QWidget* b) { boxSelected(b); });
    QObject::connect(handles, &HandleSet::boxReleased, this, [this](QWidget* b) { boxSelected(b); });

    // The hidden prototypes of both families.
    createBox(Family::Single, 0);
    createBox(Family::Multi, 0);

    buildFrame();
    showSample();
}

Frm_模板::~Frm_模板() = default;

void Frm_模板::buildFrame() {
    FrameNewText = named(new QGroupBox(QStringLiteral("输入点选项"), this), QStringLiteral("FrameNewText"));
    ui::place(FrameNewText, 360, 7980, 12840, 1455);
    QWidget* f = FrameNewText;

    auto* l1 = named(new QLabel(QStringLiteral("输入点名称："), f), QStringLiteral("Label1"));
    ui::place(l1, 150, kRowTop[0] + 30, 1150, 270);
    Text_Name = named(new QLineEdit(f), QStringLiteral("Text_Name"));
    ui::place(Text_Name, 1300, kRowTop[0], 1750, kRowHeight);
    auto* l2 = named(new QLabel(QStringLiteral("绑定到“客户表”的字段为："), f), QStringLiteral("Label2"));
    ui::place(l2, 3150, kRowTop[0] + 30, 2400, 270);
    Combo3 = named(new QComboBox(f), QStringLiteral("Combo3"));
    ui::place(Combo3, 5550, kRowTop[0], 1400, kRowHeight);

    XPRadio_Text = radio(f, QStringLiteral("XPRadio_Text"), QStringLiteral("文本框"), 150, 1, 900);
    Checkscroll = named(new QCheckBox(QStringLiteral("多行输入"), f), QStringLiteral("Checkscroll"));
    ui::place(Checkscroll, 1050, kRowTop[1], 1150, kRowHeight);
    XPRadio_rq = radio(f, QStringLiteral("XPRadio_rq"), QStringLiteral("日期"), 2350, 1, 800);
    RadioB整数 = radio(f, QStringLiteral("RadioB整数"), QStringLiteral("整数"), 3300, 1, 800);
    XPRad大额 = radio(f, QStringLiteral("XPRad大额"), QStringLiteral("大写金额"), 4250, 1, 1200);
    XPRad小额 = radio(f, QStringLiteral("XPRad小额"), QStringLiteral("小写金额"), 5600, 1, 1200);
    XPRad年 = radio(f, QStringLiteral("XPRad年"), QStringLiteral("年"), 150, 2, 700);
    XPRad月 = radio(f, QStringLiteral("XPRad月"), QStringLiteral("月"), 1050, 2, 700);
    XPRad日 = radio(f, QStringLiteral("XPRad日"), QStringLiteral("日"), 2350, 2, 700);
    XPRad号码 = radio(f, QStringLiteral("XPRad号码"), QStringLiteral("号码"), 3300, 2, 800);

    font_txt = named(new QLineEdit(QStringLiteral("字体样式"), f), QStringLiteral("font_txt"));
    font_txt->setReadOnly(true);
    font_txt->setAlignment(Qt::AlignCenter);
    font_txt->setFocusPolicy(Qt::NoFocus);
    ui::place(font_txt, 7150, kRowTop[0], 1550, kRowTop[2] + kRowHeight - kRowTop[0]);

    XPBut_font = button(f, QStringLiteral("XPBut_font"), QStringLiteral("设置字体"), 8850, 0, 1250);
    XPBut_rgb = button(f, QStringLiteral("XPBut_rgb"), QStringLiteral("背景颜色"), 8850, 1, 1250);
    XPBut字色 = button(f, QStringLiteral("XPBut字色"), QStringLiteral("字体颜色..."), 8850, 2, 1250);
    XPButton1 = button(f, QStringLiteral("XPButton1"), QStringLiteral("模板图片"), 10200, 0, 1250);
    XPBut确定 = button(f, QStringLiteral("XPBut确定"), QStringLiteral("新增点"), 10200, 1, 1250);
    XPBut修改 = button(f, QStringLiteral("XPBut修改"), QStringLiteral("修改点"), 10200, 2, 1250);
    XPBut_Del = button(f, QStringLiteral("XPBut_Del"), QStringLiteral("删除点"), 11550, 0, 1150);
    XPBut_save = button(f, QStringLiteral("XPBut_save"), QStringLiteral("模板保存"), 11550, 1, 1150);
    XPButton2 = button(f, QStringLiteral("XPButton2"), QStringLiteral("返  回"), 11550, 2, 1150);

    connect(XPBut确定, &QPushButton::clicked, this, [this] { XPBut确定_Click(); });
    connect(XPBut修改, &QPushButton::clicked, this, [this] { XPBut修改_Click(); });
    connect(XPBut_Del, &QPushButton::clicked, this, [this] { XPBut_Del_Click(); });
    connect(XPBut_save, &QPushButton::clicked, this, [this] { XPBut_save_Click(); });
    connect(XPButton1, &QPushButton::clicked, this, [this] { XPButton1_Click(); });
    connect(XPBut_font, &QPushButton::clicked, this, [this] { XPBut_font_Click(); });
    connect(XPBut_rgb, &QPushButton::clicked, this, [this] { XPBut_rgb_Click(); });
    connect(XPBut字色, &QPushButton::clicked, this, [this] { XPBut字色_Click(); });
    connect(XPButton2, &QPushButton::clicked, this, [this] { reject(); });
}

bool Frm_模板::load() {
    const QString name = app::state().currentTemplate;
    setWindowTitle(name);
    pending_.clear();
    LoadResult loaded;
    try {
        loaded = TemplateStore(app::state().db()).load(name);
    } catch (const data::DbError& e) {
        ui::reportError(this, QStringLiteral("Form_Load"), e.description());
        return false;
    }
    model_ = loaded.tmpl;
    for (Family fam : {Family::Single, Family::Multi})
        for (int k = 1; k <= model_.family(fam).count; ++k)
            if (model_.family(fam)[k].isLive())
                createBox(fam, k);

    const ui::TwipsRect& r = model_.pictureRect;
    ui::place(Image1, r.left, r.top, r.width, r.height);
    if (pictureShown(model_.picture))
        Image1->setImage(QImage::fromData(model_.picture));

    Combo3->clear();
    Combo3->addItems(designerBindings());
    Combo3->setCurrentIndex(0);

    handles->select(Image1, model_.pictureRect);
    Text_Name->setFocus();
    if (!loaded.skipped.isEmpty())
        ui::information(this, loaded.skipped.join(QLatin1Char('\n')), QStringLiteral("提示"));
    return true;
}

QWidget* Frm_模板::box(Family family, int slot) const {
    if (slot < 0 || slot > kMaxSlot)
        return nullptr;
    return family == Family::Multi ? static_cast<QWidget*>(Text_Addscroll[size_t(slot)])
                                   : static_cast<QWidget*>(Text_Add[size_t(slot)]);
}

QWidget* Frm_模板::createBox(Family family, int slot) {
    QWidget* w = box(family, slot);
    if (!w) {
        if (family == Family::Multi) {
            auto* e = new QPlainTextEdit(this);
            e->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            Text_Addscroll[size_t(slot)] = e;
            w = e;
        } else {
            auto* e = new QLineEdit(this);
            Text_Add[size_t(slot)] = e;
            w = e;
        }
        w->setObjectName(kindOf(family));
        w->setProperty("index", slot);
        // Above the rulers, below the frame and the handles.
        w->stackUnder(FrameNewText ? static_cast<QWidget*>(FrameNewText) : handles->handle(Handle::Pic1));
        if (slot > 0)
            handles->attachBox(w);
    }
    if (slot == 0) {
        ui::place(w, 0, 0, kDefaultPointWidth, kDefaultPointHeight);
        w->hide();
    } else {
        showPoint(family, slot);
    }
    return w;
}

void Frm_模板::showPoint(Family family, int slot) {
    showPointBox(box(family, slot), model_.family(family)[slot]);
}

void Frm_模板::showSample() {
    font_txt->setFont(sample_.font);
    setBoxColors(font_txt, sample_.back, sample_.fore);
}

void Frm_模板::info(const QString& text) {
    ui::information(this, text, kRuleTitle);
}

void Frm_模板::info(const Problem& problem) {
    ui::information(this, problem.text, problem.title);
}

QString Frm_模板::typeFromButtons() const {
    for (QRadioButton* r :
         {XPRadio_Text, XPRadio_rq, RadioB整数, XPRad大额, XPRad小额, XPRad年, XPRad月, XPRad日, XPRad号码})
        if (r->isChecked())
            return pointTypeFor(r->text(), Checkscroll->isChecked());
    return QString();
}

void Frm_模板::XPBut确定_Click() {
    const PointDraft draft{Text_Name->text(), typeFromButtons(), Combo3->currentText()};
    if (const auto problem = checkNewPoint(model_, draft)) {
        info(*problem);
        return;
    }
    const Family fam = familyOf(draft.type);
    createBox(fam, model_.family(fam).append(newPoint(draft, sample_)));
    Combo3->setCurrentIndex(0);
    pending_.added << draft.name;
}

void Frm_模板::XPBut修改_Click() {
    if (const auto problem = checkModifyPoint(selectedKind_)) {
        info(*problem);
        return;
    }
    if (const auto fam = familyOfKind(selectedKind_)) {
        modifyPoint(model_.family(*fam)[selectedSlot_], *fam, Combo3->currentText(), sample_);
        showPoint(*fam, selectedSlot_);
    }
    XPBut_save_Click();
}

void Frm_模板::XPBut_Del_Click() {
    if (const auto problem = checkDeletePoint(selectedKind_)) {
        info(*problem);
        return;
    }
    const Family fam = *familyOfKind(selectedKind_);
    InputPoint& p = model_.family(fam)[selectedSlot_];
    // The selection still names a point after it was deleted; deleting it again changes nothing.
    if (p.type.isEmpty())
        return;
    pending_.deleted << p.name;
    p.type.clear();
    showPoint(fam, selectedSlot_);
    XPBut_save_Click();
}

bool Frm_模板::XPBut_save_Click() {
    std::optional<QByteArray> picture;
    if (!picturePath_.isEmpty())
        picture = pictureBytes_;
    try {
        const TemplateStore store(app::state().db());
        if (const QString problem = store.checkName(model_.name); !problem.isEmpty()) {
            info(problem);
            return false;
        }
        store.save(model_, picture, pending_);
    } catch (const data::DbError& e) {
        ui::reportError(this, QStringLiteral("XPBut_save_Click"), e.description());
        return false;
    }
    ui::information(this, QStringLiteral("模板保存成功！请返回"), QStringLiteral("系统提示"));
    return true;
}

void Frm_模板::keyPressEvent(QKeyEvent* e) {
    // Esc would reject the dialog and silently lose every unsaved point and move; the window closes
    // only by "返  回" or its title bar.
    if (e->matches(QKeySequence::Cancel) || e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void Frm_模板::XPButton1_Click() {
    const QString path = ui::prompter().fileName(
        this, ui::FileRequest{QStringLiteral("模板背景图片的新增"), QString(), pictureFileFilter(), false});
    if (path.isEmpty())
        return;
    Image1->clear();
    QFile file(path.trimmed());
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    const QImage image = bytes.isEmpty() ? QImage() : QImage::fromData(bytes);
    if (image.isNull()) {
        info(QStringLiteral("上传的图片格式有误，请重新选择！ "));
        return;
    }
    Image1->setImage(image);
    picturePath_ = path;
    pictureBytes_ = bytes;
}

void Frm_模板::XPBut_font_Click() {
    if (auto f = ui::prompter().font(this, sample_.font, QStringLiteral("输入点字体设置")))
        sample_.font = *f;
    showSample();
}

void Frm_模板::XPBut_rgb_Click() {
    const QColor initial = color::decode(sample_.back, palette());
    if (auto c = ui::prompter().color(this, initial, QStringLiteral("输入点背景色设置")))
        sample_.back = color::encode(*c);
    showSample();
}

void Frm_模板::XPBut字色_Click() {
    const QColor initial = color::decode(sample_.fore, palette());
    if (auto c = ui::prompter().color(this, initial, QStringLiteral("输入点字体颜色")))
        sample_.fore = color::encode(*c);
    showSample();
}

void Frm_模板::Pic2_Move(Qt::MouseButtons buttons, float y) {
    handles->handleMove(Handle::Pic2, {0, y}, buttons);
}
void Frm_模板::Pic4_Move(Qt::MouseButtons buttons, float x) {
    handles->handleMove(Handle::Pic4, {x, 0}, buttons);
}
void Frm_模板::Pic5_Move(Qt::MouseButtons buttons, float x) {
    handles->handleMove(Handle::Pic5, {x, 0}, buttons);
}
void Frm_模板::Pic7_Move(Qt::MouseButtons buttons, float y) {
    handles->handleMove(Handle::Pic7, {0, y}, buttons);
}

void Frm_模板::selectPoint(Family family, int slot) {
    QWidget* w = box(family, slot);
    if (!w || slot < 1)
        return;
    const InputPoint& p = model_.family(family)[slot];
    handles->select(w, p.rect);
    selectedKind_ = kindOf(family);
    selectedSlot_ = slot;
    // A binding the list does not offer (set elsewhere) is shown as it is, so that a modification keeps it.
    if (Combo3->findText(p.binding) < 0 && !p.binding.isEmpty())
        Combo3->addItem(p.binding);
    Combo3->setCurrentIndex(std::max(0, Combo3->findText(p.binding)));
    Text_Name->setText(p.name);
    takeStyle(sample_, p, family);
    showSample();
}

void Frm_模板::selectPicture() {
    handles->select(Image1, model_.pictureRect);
    selectedKind_ = kKindPicture;
}

void Frm_模板::boxSelected(QWidget* b) {
    selectPoint(familyOfKind(b->objectName()).value_or(Family::Single), b->property("index").toInt());
}

void Frm_模板::objectMoved(QWidget* object, const ui::TwipsRect& rect) {
    if (object == Image1) {
        model_.pictureRect = rect;
        return;
    }
    const int slot = object->property("index").toInt();
    if (slot >= 1 && slot <= kMaxSlot)
        model_.family(familyOfKind(object->objectName()).value_or(Family::Single))[slot].rect = rect;
}

} // namespace vorlan::templates

namespace vorlan::windows {

void openDesigner(QWidget* parent) {
    ui::openModal<templates::Frm_模板>(parent);
}

} // namespace vorlan::windows
