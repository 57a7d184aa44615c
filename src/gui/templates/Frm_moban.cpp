#include "templates/Frm_moban.h"

#include "app/AppState.h"
#include "app/Windows.h"
#include "templates/DesignerWidgets.h"
#include "templates/Handles.h"
#include "templates/TemplateStore.h"
#include "ui/Guarded.h"
#include "ui/Modal.h"
#include "ui/Prompt.h"
#include "ui/TwipsLayout.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QUndoStack>

#include <tuple>

namespace vorlan::templates {

namespace {

constexpr ui::TwipsSize kClientSize{13260_tw, 9855_tw};
constexpr ui::Twips kRowTop[4] = {270_tw, 660_tw, 1050_tw, 1440_tw};
constexpr ui::Twips kRowHeight = 330_tw;
const QString kPointHint = QStringLiteral("新增输入点后，显示在此--->>再移动到相应位置");
const QString kTabOrderHint = QStringLiteral("依次单击输入点，定下打印时的顺序；按 Esc 结束");

template <class W> W* named(W* w, const QString& name) {
    w->setObjectName(name);
    return w;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption, ui::Twips left, int row,
                    ui::Twips width) {
    auto* b = named(new QPushButton(caption, parent), name);
    b->setAutoDefault(false);
    ui::place(b, {left, kRowTop[row], width, kRowHeight});
    return b;
}

QRadioButton* radio(QWidget* parent, const QString& name, const QString& caption, ui::Twips left, int row,
                    ui::Twips width) {
    auto* r = named(new QRadioButton(caption, parent), name);
    ui::place(r, {left, kRowTop[row], width, kRowHeight});
    return r;
}

} // namespace

Frm_moban::Frm_moban(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Frm_模板"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    ui::setClientSize(this, kClientSize);
    setFixedSize(size());

    // Bottom to top: the picture, the rulers over its edge, the boxes, the frame, the handles.
    Image1 = named(new PictureArea(this), QStringLiteral("Image1"));
    Image1->clicked = [this] { selectPicture(); };
    ui::place(Image1, kDefaultPictureRect);

    Picture1 = named(new RulerWidget(true, this), QStringLiteral("Picture1"));
    ui::place(Picture1, {0_tw, 0_tw, kRulerThickness, kClientSize.height});
    Picture2 = named(new RulerWidget(false, this), QStringLiteral("Picture2"));
    ui::place(Picture2, {0_tw, 0_tw, kClientSize.width, kRulerThickness});

    Label5 = named(new QLabel(kPointHint, this), QStringLiteral("Label5"));
    Label5->setStyleSheet(QStringLiteral("color: #0000c0;"));
    ui::place(Label5, {1380_tw, 7560_tw, 4440_tw, 255_tw});

    handles = new HandleSet(this);
    handles->setObjectName(QStringLiteral("handles"));
    handles->setHandlesVisible(true);
    connect(handles, &HandleSet::objectMoved, this,
            [this](QWidget* o, const ui::TwipsRect& r) { objectMoved(o, r); });
    connect(handles, &HandleSet::boxFocused, this, [this](QWidget* b) { boxSelected(b); });
    connect(handles, &HandleSet::boxReleased, this, [this](QWidget* b) { boxSelected(b); });

    buildFrame();
    // The hidden prototypes of both families, under the frame.
    for (Family fam : {Family::Single, Family::Multi})
        ui::place(boxFor({fam, 0}), {0_tw, 0_tw, kDefaultPointRect.width, kDefaultPointRect.height});

    doc_ = new TemplateDocument(this);
    connect(doc_, &TemplateDocument::reloaded, this, [this] { rebuild(); });
    connect(doc_, &TemplateDocument::pointAdded, this, [this](SlotRef ref) { boxFor(ref); });
    for (auto signal : {&TemplateDocument::pointAdded, &TemplateDocument::pointChanged})
        connect(doc_, signal, this, [this](SlotRef ref) { boxes_.show(ref, model().point(ref)); });
    connect(doc_, &TemplateDocument::pointRemoved, this, [this](SlotRef ref) { pointRemoved(ref); });
    connect(doc_, &TemplateDocument::pointMoved, this, [this](SlotRef ref) { pointMoved(ref); });
    connect(doc_, &TemplateDocument::pictureMoved, this, [this] { pictureMoved(); });
    connect(doc_, &TemplateDocument::pictureChanged, this, [this] { pictureChanged(); });
    connect(handles, &HandleSet::moveFinished, doc_, &TemplateDocument::endGesture);
    buildUndo();
    showSample();
}

Frm_moban::~Frm_moban() = default;

void Frm_moban::buildFrame() {
    FrameNewText = named(new QGroupBox(QStringLiteral("输入点选项"), this), QStringLiteral("FrameNewText"));
    ui::place(FrameNewText, {360_tw, 7980_tw, 12840_tw, 1845_tw});
    QWidget* f = FrameNewText;

    auto* l1 = named(new QLabel(QStringLiteral("输入点名称："), f), QStringLiteral("Label1"));
    ui::place(l1, {150_tw, kRowTop[0] + 30_tw, 1150_tw, 270_tw});
    Text_Name = named(new QLineEdit(f), QStringLiteral("Text_Name"));
    ui::place(Text_Name, {1300_tw, kRowTop[0], 1750_tw, kRowHeight});
    Text_Name->installEventFilter(this); // Ctrl+Z / Ctrl+Y, see routeUndoKeys
    auto* l2 = named(new QLabel(QStringLiteral("绑定到“客户表”的字段为："), f), QStringLiteral("Label2"));
    ui::place(l2, {3150_tw, kRowTop[0] + 30_tw, 2400_tw, 270_tw});
    Combo3 = named(new QComboBox(f), QStringLiteral("Combo3"));
    ui::place(Combo3, {5550_tw, kRowTop[0], 1400_tw, kRowHeight});

    XPRadio_Text = radio(f, QStringLiteral("XPRadio_Text"), QStringLiteral("文本框"), 150_tw, 1, 900_tw);
    Checkscroll = named(new QCheckBox(QStringLiteral("多行输入"), f), QStringLiteral("Checkscroll"));
    ui::place(Checkscroll, {1050_tw, kRowTop[1], 1150_tw, kRowHeight});
    XPRadio_rq = radio(f, QStringLiteral("XPRadio_rq"), QStringLiteral("日期"), 2350_tw, 1, 800_tw);
    RadioB整数 = radio(f, QStringLiteral("RadioB整数"), QStringLiteral("整数"), 3300_tw, 1, 800_tw);
    XPRad大额 = radio(f, QStringLiteral("XPRad大额"), QStringLiteral("大写金额"), 4250_tw, 1, 1200_tw);
    XPRad小额 = radio(f, QStringLiteral("XPRad小额"), QStringLiteral("小写金额"), 5600_tw, 1, 1200_tw);
    XPRad年 = radio(f, QStringLiteral("XPRad年"), QStringLiteral("年"), 150_tw, 2, 700_tw);
    XPRad月 = radio(f, QStringLiteral("XPRad月"), QStringLiteral("月"), 1050_tw, 2, 700_tw);
    XPRad日 = radio(f, QStringLiteral("XPRad日"), QStringLiteral("日"), 2350_tw, 2, 700_tw);
    XPRad号码 = radio(f, QStringLiteral("XPRad号码"), QStringLiteral("号码"), 3300_tw, 2, 800_tw);

    auto* l3 = named(new QLabel(QStringLiteral("绑定的一方："), f), QStringLiteral("lblParty"));
    ui::place(l3, {4250_tw, kRowTop[2] + 30_tw, 1300_tw, 270_tw});
    cboParty = named(new QComboBox(f), QStringLiteral("cboParty"));
    cboParty->addItems({partyTitle(Party::Sender), partyTitle(Party::Receiver)});
    cboParty->setToolTip(QStringLiteral("从客户表选取时，只填入同一方的输入点"));
    ui::place(cboParty, {5550_tw, kRowTop[2], 1400_tw, kRowHeight});
    l3->setBuddy(cboParty);

    auto* l4 = named(new QLabel(QStringLiteral("打印为："), f), QStringLiteral("lblSymbology"));
    ui::place(l4, {150_tw, kRowTop[3] + 30_tw, 800_tw, 270_tw});
    cboSymbology = named(new QComboBox(f), QStringLiteral("cboSymbology"));
    for (Symbology s : symbologies())
        cboSymbology->addItem(symbologyTitle(s), int(s));
    cboSymbology->setToolTip(QStringLiteral("“号码”和单行“文本框”输入点可以打印为条码或二维码"));
    ui::place(cboSymbology, {950_tw, kRowTop[3], 1300_tw, kRowHeight});
    l4->setBuddy(cboSymbology);
    chkSymbolText = named(new QCheckBox(QStringLiteral("条码下印文字"), f), QStringLiteral("chkSymbolText"));
    chkSymbolText->setChecked(true);
    ui::place(chkSymbolText, {2400_tw, kRowTop[3], 1700_tw, kRowHeight});
    connect(cboSymbology, &QComboBox::currentIndexChanged, this, [this] { symbologyChosen(); });
    symbologyChosen();
    auto* l5 = named(new QLabel(QStringLiteral("固定内容："), f), QStringLiteral("lblFixedText"));
    ui::place(l5, {4250_tw, kRowTop[3] + 30_tw, 1300_tw, 270_tw});
    txtFixedText = named(new QLineEdit(f), QStringLiteral("txtFixedText"));
    txtFixedText->setToolTip(QStringLiteral("打印窗口打开时填入；“下一张”不清除"));
    txtFixedText->installEventFilter(this); // Ctrl+Z / Ctrl+Y, see routeUndoKeys
    ui::place(txtFixedText, {5550_tw, kRowTop[3], 4500_tw, kRowHeight});
    l5->setBuddy(txtFixedText);

    font_txt = named(new QLineEdit(QStringLiteral("字体样式"), f), QStringLiteral("font_txt"));
    font_txt->setReadOnly(true);
    font_txt->setAlignment(Qt::AlignCenter);
    font_txt->setFocusPolicy(Qt::NoFocus);
    font_txt->installEventFilter(this);
    ui::place(font_txt, {7150_tw, kRowTop[0], 1550_tw, kRowTop[2] + kRowHeight - kRowTop[0]});

    XPBut_font = button(f, QStringLiteral("XPBut_font"), QStringLiteral("设置字体"), 8850_tw, 0, 1250_tw);
    XPBut_rgb = button(f, QStringLiteral("XPBut_rgb"), QStringLiteral("背景颜色"), 8850_tw, 1, 1250_tw);
    XPBut字色 = button(f, QStringLiteral("XPBut字色"), QStringLiteral("字体颜色..."), 8850_tw, 2, 1250_tw);
    XPButton1 = button(f, QStringLiteral("XPButton1"), QStringLiteral("模板图片"), 10200_tw, 0, 1250_tw);
    XPBut确定 = button(f, QStringLiteral("XPBut确定"), QStringLiteral("新增点"), 10200_tw, 1, 1250_tw);
    XPBut修改 = button(f, QStringLiteral("XPBut修改"), QStringLiteral("修改点"), 10200_tw, 2, 1250_tw);
    XPBut_Del = button(f, QStringLiteral("XPBut_Del"), QStringLiteral("删除点"), 11550_tw, 0, 1150_tw);
    XPBut_save = button(f, QStringLiteral("XPBut_save"), QStringLiteral("模板保存"), 11550_tw, 1, 1150_tw);
    XPButton2 = button(f, QStringLiteral("XPButton2"), QStringLiteral("返  回"), 11550_tw, 2, 1150_tw);

    connect(XPBut确定, &QPushButton::clicked, this, [this] { XPBut确定_Click(); });
    connect(XPBut修改, &QPushButton::clicked, this, [this] { XPBut修改_Click(); });
    connect(XPBut_Del, &QPushButton::clicked, this, [this] { XPBut_Del_Click(); });
    connect(XPBut_save, &QPushButton::clicked, this, [this] { XPBut_save_Click(); });
    connect(XPButton1, &QPushButton::clicked, this, [this] { XPButton1_Click(); });
    connect(XPBut_font, &QPushButton::clicked, this, [this] { XPBut_font_Click(); });
    connect(XPBut_rgb, &QPushButton::clicked, this, [this] { XPBut_rgb_Click(); });
    connect(XPBut字色, &QPushButton::clicked, this, [this] { XPBut字色_Click(); });
    connect(XPButton2, &QPushButton::clicked, this, [this] { close(); });
}

void Frm_moban::buildUndo() {
    // Shortcuts of the window, also while a box has the focus (see eventFilter).
    std::tie(undoAction_, cmdUndo) = undoControl(this, doc_->undoStack(), false, QStringLiteral("cmdUndo"));
    std::tie(redoAction_, cmdRedo) = undoControl(this, doc_->undoStack(), true, QStringLiteral("cmdRedo"));
    ui::place(cmdUndo, {11040_tw, 7590_tw, 1000_tw, kRowHeight});
    ui::place(cmdRedo, {12120_tw, 7590_tw, 1000_tw, kRowHeight});
    tabOrder_ = new TabOrderLayer(this, doc_);
    tabOrder_->switched = [this](bool on) { tabOrderSwitched(on); };
    cmdTabOrder = tabOrder_->button();
    ui::place(cmdTabOrder, {9960_tw, 7590_tw, 1000_tw, kRowHeight});
}

void Frm_moban::tabOrderSwitched(bool on) {
    FrameNewText->setEnabled(!on);
    undoAction_->setEnabled(!on && doc_->undoStack()->canUndo());
    redoAction_->setEnabled(!on && doc_->undoStack()->canRedo());
    handles->setHandlesVisible(!on);
    Label5->setText(on ? kTabOrderHint : kPointHint);
}

bool Frm_moban::load() {
    const QString name = app::state().currentTemplate;
    setWindowTitle(name);
    LoadResult loaded;
    if (!ui::guarded(this, u"Form_Load", [&] { loaded = TemplateStore(app::state().engine()).load(name); }))
        return false;
    doc_->reset(std::move(loaded.tmpl));

    Combo3->clear();
    Combo3->addItems(designerBindings());
    Combo3->setCurrentIndex(0);
    Text_Name->setFocus();
    if (!loaded.skipped.isEmpty())
        ui::information(this, loaded.skipped.join(QLatin1Char('\n')), QStringLiteral("提示"));
    return true;
}

QWidget* Frm_moban::boxFor(SlotRef ref) {
    if (QWidget* w = boxes_.box(ref))
        return w;
    // Above the rulers, below the frame and the handles.
    QWidget* w = boxes_.ensure(ref, handles, FrameNewText);
    w->installEventFilter(this);
    if (auto* m = boxes_.multi(ref.slot); m && ref.family == Family::Multi)
        m->viewport()->installEventFilter(this);
    return w;
}

void Frm_moban::rebuild() {
    boxes_.forEach([](SlotRef ref, QWidget* w) {
        if (ref.slot > 0)
            w->hide();
    });
    for (Family fam : {Family::Single, Family::Multi})
        for (int k = 1; k <= model().family(fam).count; ++k)
            if (model().family(fam)[k].isLive()) {
                boxFor({fam, k});
                boxes_.show({fam, k}, model().family(fam)[k]);
            }
    pictureChanged();
    pictureMoved();
    handles->select(Image1, model().pictureRect);
}

void Frm_moban::pointMoved(SlotRef ref) {
    QWidget* w = boxes_.box(ref);
    if (!w)
        return;
    ui::place(w, model().point(ref).rect);
    // The handles keep the selected object's rectangle; an undone move takes them along.
    if (handles->selected() == w)
        handles->select(w, model().point(ref).rect);
}

void Frm_moban::pointRemoved(SlotRef ref) {
    QWidget* w = boxes_.box(ref);
    // Hidden while it has the focus, the box would hand it on to the name field with its text selected,
    // where the next Ctrl+Z would go to the field; the window keeps it instead.
    if (w && w->hasFocus())
        setFocus(Qt::OtherFocusReason);
    // The handles and the selection go with the point: nothing is selected until the user selects again.
    if (w && handles->selected() == w)
        handles->select(nullptr, {});
    if (familyOfKind(selectedKind_) == ref.family && selectedSlot_ == ref.slot) {
        selectedKind_.clear();
        selectedSlot_ = 0;
    }
    boxes_.show(ref, model().point(ref));
}

void Frm_moban::pictureMoved() {
    ui::place(Image1, model().pictureRect);
    if (handles->selected() == Image1)
        handles->select(Image1, model().pictureRect);
}

void Frm_moban::pictureChanged() {
    const QByteArray& shown = doc_->picture().shown;
    Image1->setImage(shown.isEmpty() ? QImage() : QImage::fromData(shown));
}

void Frm_moban::showSample() {
    font_txt->setFont(sample_.font);
    setBoxColors(font_txt, sample_.back, sample_.fore);
}

void Frm_moban::info(const QString& text) {
    ui::information(this, text, kRuleTitle);
}

void Frm_moban::info(const Problem& problem) {
    ui::information(this, problem.text, problem.title);
}

QString Frm_moban::typeFromButtons() const {
    for (QRadioButton* r :
         {XPRadio_Text, XPRadio_rq, RadioB整数, XPRad大额, XPRad小额, XPRad年, XPRad月, XPRad日, XPRad号码})
        if (r->isChecked())
            return pointTypeFor(r->text(), Checkscroll->isChecked());
    return QString();
}

PointOptions Frm_moban::optionsFromControls() const {
    PointOptions o;
    o.symbology = Symbology(cboSymbology->currentData().toInt());
    o.symbolText = chkSymbolText->isChecked();
    o.fixedText = txtFixedText->text();
    o.party = cboParty->currentIndex() == 1 ? Party::Receiver : Party::Sender;
    return o;
}

void Frm_moban::showOptions(const PointOptions& o) {
    cboSymbology->setCurrentIndex(std::max(0, cboSymbology->findData(int(o.symbology))));
    chkSymbolText->setChecked(o.symbolText);
    txtFixedText->setText(o.fixedText);
    cboParty->setCurrentIndex(o.party == Party::Receiver ? 1 : 0);
}

void Frm_moban::symbologyChosen() {
    chkSymbolText->setEnabled(isLinear(Symbology(cboSymbology->currentData().toInt())));
}

void Frm_moban::XPBut确定_Click() {
    const PointDraft draft{Text_Name->text(), typeFromButtons(), Combo3->currentText(),
                           optionsFromControls()};
    if (const auto problem = checkNewPoint(model(), draft)) {
        info(*problem);
        return;
    }
    doc_->addPoint(newPoint(draft, sample_));
    Combo3->setCurrentIndex(0);
    showOptions({});
}

void Frm_moban::XPBut修改_Click() {
    if (const auto problem = checkModifyPoint(selectedKind_)) {
        info(*problem);
        return;
    }
    if (const auto fam = familyOfKind(selectedKind_)) {
        const SlotRef ref{*fam, selectedSlot_};
        InputPoint p = model().point(ref);
        const PointOptions options = optionsFromControls();
        if (const auto problem = checkPointOptions(p.type, options)) {
            info(*problem);
            return;
        }
        modifyPoint(p, *fam, Combo3->currentText(), sample_, options);
        doc_->changePoint(ref, p);
    }
    XPBut_save_Click();
}

void Frm_moban::XPBut_Del_Click() {
    if (const auto problem = checkDeletePoint(selectedKind_)) {
        info(*problem);
        return;
    }
    // A point already deleted (and so no longer selected) is never deleted twice.
    if (!doc_->deletePoint({*familyOfKind(selectedKind_), selectedSlot_}))
        return;
    XPBut_save_Click();
}

bool Frm_moban::XPBut_save_Click() {
    bool saved = false;
    ui::guarded(this, u"XPBut_save_Click", [&] {
        const TemplateStore store(app::state().engine());
        if (const QString problem = store.checkName(model().name); !problem.isEmpty()) {
            info(problem);
            return;
        }
        doc_->save(store);
        saved = true;
    });
    if (saved)
        ui::information(this, QStringLiteral("模板保存成功！请返回"), QStringLiteral("系统提示"));
    return saved;
}

bool Frm_moban::mayClose() {
    tabOrder_->setOn(false); // the numbers clicked so far are an edit like any other
    if (!isModified())
        return true;
    // A refused or failed save keeps the window and the edits.
    return ui::mayCloseUnsaved(this,
                               QStringLiteral("模板“") + model().name + QStringLiteral("”已修改，是否保存？"),
                               [this] { return XPBut_save_Click(); });
}

void Frm_moban::closeEvent(QCloseEvent* e) {
    if (!mayClose()) {
        e->ignore();
        return;
    }
    // QDialog ends a close with reject(), which must not ask a second time.
    closeConfirmed_ = true;
    QDialog::closeEvent(e);
    closeConfirmed_ = false;
}

void Frm_moban::reject() {
    if (!closeConfirmed_ && !mayClose())
        return;
    QDialog::reject();
}

void Frm_moban::keyPressEvent(QKeyEvent* e) {
    // Esc would reject the dialog and silently lose every unsaved point and move; the window closes
    // only by "返  回" or its title bar.
    if (e->matches(QKeySequence::Cancel) || e->key() == Qt::Key_Escape) {
        tabOrder_->setOn(false); // it ends the Tab顺序 mode, wherever the focus is
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

bool Frm_moban::eventFilter(QObject* watched, QEvent* e) {
    if (undoAction_ &&
        routeUndoKeys(watched, e, *undoAction_, *redoAction_, boxes_.slotOf(watched).has_value()))
        return true;
    return QDialog::eventFilter(watched, e);
}

void Frm_moban::XPButton1_Click() {
    const QString path = ui::prompter().fileName(
        this, ui::FileRequest{QStringLiteral("模板背景图片的新增"), QString(), pictureFileFilter(), false});
    if (path.isEmpty())
        return;
    const QByteArray bytes = readPictureFile(path);
    if (bytes.isEmpty()) {
        doc_->clearPicture();
        info(QStringLiteral("上传的图片格式有误，请重新选择！ "));
        return;
    }
    doc_->choosePicture(path, bytes);
}

void Frm_moban::XPBut_font_Click() {
    if (auto f = ui::prompter().font(this, sample_.font, QStringLiteral("输入点字体设置")))
        sample_.font = *f;
    showSample();
}

void Frm_moban::XPBut_rgb_Click() {
    const QColor initial = color::decode(sample_.back, palette());
    if (auto c = ui::prompter().color(this, initial, QStringLiteral("输入点背景色设置")))
        sample_.back = color::encode(*c);
    showSample();
}

void Frm_moban::XPBut字色_Click() {
    const QColor initial = color::decode(sample_.fore, palette());
    if (auto c = ui::prompter().color(this, initial, QStringLiteral("输入点字体颜色")))
        sample_.fore = color::encode(*c);
    showSample();
}

void Frm_moban::Pic2_Move(ui::Twips y, Qt::MouseButtons buttons) {
    handles->handleMove(Handle::Pic2, {0_tw, y}, buttons);
}
void Frm_moban::Pic4_Move(ui::Twips x, Qt::MouseButtons buttons) {
    handles->handleMove(Handle::Pic4, {x, 0_tw}, buttons);
}
void Frm_moban::Pic5_Move(ui::Twips x, Qt::MouseButtons buttons) {
    handles->handleMove(Handle::Pic5, {x, 0_tw}, buttons);
}
void Frm_moban::Pic7_Move(ui::Twips y, Qt::MouseButtons buttons) {
    handles->handleMove(Handle::Pic7, {0_tw, y}, buttons);
}

void Frm_moban::selectPoint(Family family, int slot) {
    QWidget* w = box(family, slot);
    if (!w || slot < 1)
        return;
    const InputPoint& p = model().family(family)[slot];
    handles->select(w, p.rect);
    selectedKind_ = kindOf(family);
    selectedSlot_ = slot;
    // A binding the list does not offer (set elsewhere) is shown as it is, so that a modification keeps it.
    if (Combo3->findText(p.binding) < 0 && !p.binding.isEmpty())
        Combo3->addItem(p.binding);
    Combo3->setCurrentIndex(std::max(0, Combo3->findText(p.binding)));
    Text_Name->setText(p.name);
    showOptions(optionsOf(p));
    takeStyle(sample_, p, family);
    showSample();
}

void Frm_moban::selectPicture() {
    handles->select(Image1, model().pictureRect);
    selectedKind_ = kKindPicture;
}

void Frm_moban::boxSelected(QWidget* b) {
    if (const auto ref = boxes_.slotOf(b))
        selectPoint(ref->family, ref->slot);
}

void Frm_moban::objectMoved(QWidget* object, const ui::TwipsRect& rect) {
    if (object == Image1)
        doc_->setPictureRect(rect);
    else if (const auto ref = boxes_.slotOf(object))
        doc_->setPointRect(*ref, rect);
}

} // namespace vorlan::templates

namespace vorlan::windows {

void openDesigner(QWidget* parent) {
    ui::openModal<templates::Frm_moban>(parent);
}

} // namespace vorlan::windows
