#include "app/Frm_main.h"

#include "app/AppState.h"
#include "app/Catalogue.h"
#include "app/CommonUseStore.h"
#include "app/Frm_login.h"
#include "app/Windows.h"
#include "data/Sql.h"
#include "templates/TemplateStore.h"
#include "ui/Controls.h"
#include "ui/Guarded.h"
#include "ui/Modal.h"
#include "ui/Prompt.h"
#include "ui/TwipsLayout.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QStandardPaths>
#include <QStringListModel>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>
#include <QTreeView>

namespace vorlan::app {

namespace {

// The surface under the toolbar that holds every other control, painted as the window's background.
class Surface : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QLinearGradient g(0, 0, width(), height());
        g.setColorAt(0, QColor(236, 243, 252));
        g.setColorAt(1, QColor(198, 222, 250));
        p.fillRect(rect(), g);
        p.setPen(QColor(150, 175, 210));
        QFont f(QStringLiteral("宋体"));
        f.setPixelSize(ui::toPixels(600_tw));
        f.setBold(true);
        p.setFont(f);
        p.drawText(rect().adjusted(0, 0, -ui::toPixels(300_tw), -ui::toPixels(300_tw)),
                   Qt::AlignRight | Qt::AlignBottom, QStringLiteral("Vorlan 套打系统"));
    }
};

const char* const kHelpHtml = R"(<h3>软件使用说明：</h3>
<p><b>1.各个模板的编辑、打开、查询等</b><br>
点击工具栏上的“显示工具”，左侧出现“工具菜单”，其中有模板操作所需的各个按钮：在模板目录中选中一个模板后，
“打开模板”进入打印窗口，“模板设计”编辑模板的背景图片和输入点，“数据查询”查询该模板的打印记录；
“新增主节点”、“新增子节点”、“删除节点”、“结构保存”用来整理模板目录。</p>
<p><b>2.打印信息资料的选择</b><br>
客户的名称、地址、电话、邮编等资料在工具栏的“客户管理”中录入。打印窗口中与客户资料某一项关联的输入点，
双击它即可打开RecordPicker窗口，选中一条记录后，该输入点及其他关联的输入点都会自动填好。
在“大写金额”输入框中输入数字金额后按回车键，即可得到中文大写金额。</p>
<p><b>3.模板打印单上每个输入点框大小的调整</b><br>
在打印窗口中进入微调状态后，单击一个输入点，用鼠标拖动它四周的蓝色控制点，即可调整输入框的大小。</p>
<p><b>4.模板打印单上每个输入点打印位置的调整</b><br>
在微调状态下，按住鼠标左键拖动输入点即可移动它的打印位置。打印测试之后，还可以设置整体的上下、左右偏移量，
最后点击“保存微调”保存所有的调整。</p>
<p><b>5.快捷键</b></p>)";

// The toolbar, left to right. Buttons without a tooltip of their own say what they do, so that their
// key can be shown next to it.
struct ToolbarButton {
    const char* key;
    const char* caption;
    const char* tip;
    const char* glyph;
    QRgb colour;
    const char* keys; // QKeySequence::PortableText
    const char* help; // the line of the help text
};
constexpr ToolbarButton kToolbar[] = {
    {"管理登录", "管理登录", "管理员登录与退出", "登", 0x2e7d32, "Ctrl+L", "工具栏“管理登录”／“管理退出”"},
    {"数据查询", "数据查询", "数据查询", "查", 0x1565c0, "F3", "工具栏“数据查询”（当前模板的打印记录）"},
    {"员工管理", "员工管理", "用户名新增、删除、更改", "员", 0x6a1b9a, "F6", "工具栏“员工管理”"},
    {"客户管理", "客户管理", "客户单位名称、地址、电话、邮编信息", "客", 0x00838f, "F5", "工具栏“客户管理”"},
    {"显示工具", "显示工具", "显示或隐藏工具菜单", "具", 0x455a64, "F9", "工具栏“显示工具”／“隐藏工具”"},
    {"常用用途", "常用用途", "常用用途", "用", 0x5d4037, "F7", "工具栏“常用用途”"},
    {"日历表", "日历表", "日历表", "历", 0xc62828, "F8", "工具栏“日历表”"},
    {"计算器", "计算器", "计算器", "算", 0x37474f, "F11", "工具栏“计算器”"},
    {"数据备份", "数据维护", "数据维护", "维", 0xef6c00, "F12", "工具栏“数据维护”"},
    {"关于系统", "关于系统", "关于本系统", "关", 0x0277bd, "Ctrl+F1", "工具栏“关于系统”"},
    {"帮助说明", "帮助显示", "显示或隐藏帮助说明", "助", 0x558b2f, "F1", "工具栏“帮助显示”／“帮助隐藏”"},
    {"系统退出", "系统退出", "系统退出", "退", 0xb71c1c, "Ctrl+Q", "工具栏“系统退出”"},
};

// The tools panel's buttons by objectName. The keys work while the panel is hidden too (the tree they act
// on is always there); a button disabled for the user level ignores its key as it ignores a click.
struct PanelKey {
    const char* button;
    const char* keys;
    const char* help;
};
constexpr PanelKey kPanelKeys[] = {
    {"XPButOpenMoban", "F2", "工具菜单“打开模板”"},
    {"XPButmoban_edit", "Ctrl+E", "工具菜单“模板设计”"},
    {"XPBut_find", "Shift+F3", "工具菜单“数据查询”（选中模板的打印记录）"},
    {"cmdLast", "Ctrl+M", "工具菜单“新增主节点”"},
    {"cmdChild", "Ctrl+Shift+M", "工具菜单“新增子节点”"},
    {"cmdRemove", "Ctrl+Shift+Del", "工具菜单“删除节点”（不再询问，立即删除）"},
    {"Command1", "Ctrl+S", "工具菜单“结构保存”"},
    {"XPButton3", "Ctrl+T", "工具菜单“打印测试”"},
};

// Keys that belong to no button.
constexpr const char* kOtherKeys[][2] = {
    {"回车键 或 双击", "模板目录中打开选中的模板（有下级节点的节点：展开或收起）"},
    {"回车键 ／ Esc", "新增节点的名称框中：确定 ／ 取消"},
    {"回车键", "数据查询窗口的“条件内容”框中：查询"},
    {"Tab ／ 空格键、回车键", "在按钮之间移动 ／ 按下有焦点的按钮"},
};

// Read and written in the portable form: the native one follows the installed translations.
QKeySequence portableKeys(const char* keys) {
    return QKeySequence(QString::fromLatin1(keys), QKeySequence::PortableText);
}

QString withKeys(const QString& text, const QKeySequence& keys) {
    return text + QStringLiteral("（") + keys.toString(QKeySequence::PortableText) + QStringLiteral("）");
}

QString helpHtml() {
    QString rows;
    auto row = [&rows](const QString& keys, const QString& what) {
        rows +=
            QStringLiteral("<tr><td>%1</td><td>%2</td></tr>").arg(keys.toHtmlEscaped(), what.toHtmlEscaped());
    };
    for (const ToolbarButton& b : kToolbar)
        row(portableKeys(b.keys).toString(QKeySequence::PortableText), QString::fromUtf8(b.help));
    for (const PanelKey& k : kPanelKeys)
        row(portableKeys(k.keys).toString(QKeySequence::PortableText), QString::fromUtf8(k.help));
    for (const auto& k : kOtherKeys)
        row(QString::fromUtf8(k[0]), QString::fromUtf8(k[1]));
    return QString::fromUtf8(kHelpHtml) + QStringLiteral("<table cellspacing=\"0\" cellpadding=\"3\">") +
           rows + QStringLiteral("</table>");
}

// Toolbar pictures: a coloured tile with one character, drawn so every button matches.
QIcon tileIcon(const QString& glyph, const QColor& colour) {
    QIcon icon;
    for (int size : {24, 32, 48}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient g(0, 0, 0, size);
        g.setColorAt(0, colour.lighter(135));
        g.setColorAt(1, colour.darker(115));
        p.setBrush(g);
        p.setPen(QPen(colour.darker(150), 1));
        p.drawRoundedRect(QRectF(1.5, 1.5, size - 3, size - 3), size / 5.0, size / 5.0);
        QFont f(QStringLiteral("宋体"));
        f.setPixelSize(size * 5 / 8);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRect(0, 0, size, size), Qt::AlignCenter, glyph);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

} // namespace

QString findCalculator() {
#ifdef Q_OS_WIN
    return QStringLiteral("calc.exe");
#else
    for (const char* name : {"gnome-calculator", "kcalc", "galculator", "mate-calc", "xcalc"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty())
            return path;
    }
    return QString();
#endif
}

Frm_main::Frm_main(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("Frm_main"));
    setWindowTitle(QStringLiteral("Vorlan"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    showLogin = [](QWidget* parent) { ui::openModal<Frm_login>(parent); };
    buildToolbar();
    auto* surface = new Surface(this);
    surface->setObjectName(QStringLiteral("Picture1"));
    setCentralWidget(surface);
    buildPanels(surface);
    resize(ui::toPixels(15360_tw), ui::toPixels(9980_tw) + gojulanhu->sizeHint().height());
}

Frm_main::~Frm_main() = default;

void Frm_main::buildToolbar() {
    gojulanhu = addToolBar(QStringLiteral("工具栏"));
    gojulanhu->setObjectName(QStringLiteral("gojulanhu"));
    gojulanhu->setMovable(false);
    gojulanhu->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    gojulanhu->setIconSize(QSize(32, 32));
    // The main window's own menu would offer to hide the toolbar, and nothing would bring it back.
    gojulanhu->setContextMenuPolicy(Qt::PreventContextMenu);
    for (const ToolbarButton& b : kToolbar) {
        const QString key = QString::fromUtf8(b.key);
        QAction* a = gojulanhu->addAction(tileIcon(QString::fromUtf8(b.glyph), QColor::fromRgb(b.colour)),
                                          QString::fromUtf8(b.caption));
        a->setObjectName(key);
        a->setData(key);
        const QKeySequence keys = portableKeys(b.keys);
        a->setShortcut(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        a->setToolTip(withKeys(QString::fromUtf8(b.tip), keys));
        addAction(a); // the key belongs to the window, whatever becomes of the toolbar
        connect(a, &QAction::triggered, this, [this, key] { toolbarClick(key); });
    }
}

void Frm_main::buildPanels(QWidget* surface) {
    catalogue = new CatalogueModel(this);
    TreeView1 = new QTreeView(surface);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setModel(catalogue);
    TreeView1->setHeaderHidden(true);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView1->setUniformRowHeights(true);
    ui::place(TreeView1, {0_tw, 60_tw, 1875_tw, 9855_tw});

    XPFrame1 = new QGroupBox(QStringLiteral("工具菜单"), surface);
    XPFrame1->setObjectName(QStringLiteral("XPFrame1"));
    ui::place(XPFrame1, {2040_tw, 60_tw, 2115_tw, 5295_tw});
    XPButOpenMoban = ui::makeButton(XPFrame1, QStringLiteral("XPButOpenMoban"), QStringLiteral("打开模板"));
    XPButmoban_edit = ui::makeButton(XPFrame1, QStringLiteral("XPButmoban_edit"), QStringLiteral("模板设计"));
    XPBut_find = ui::makeButton(XPFrame1, QStringLiteral("XPBut_find"), QStringLiteral("数据查询"));
    cmdLast = ui::makeButton(XPFrame1, QStringLiteral("cmdLast"), QStringLiteral("新增主节点"));
    cmdChild = ui::makeButton(XPFrame1, QStringLiteral("cmdChild"), QStringLiteral("新增子节点"));
    cmdRemove = ui::makeButton(XPFrame1, QStringLiteral("cmdRemove"), QStringLiteral("删除节点"));
    Command1 = ui::makeButton(XPFrame1, QStringLiteral("Command1"), QStringLiteral("结构保存"));
    XPButton3 = ui::makeButton(XPFrame1, QStringLiteral("XPButton3"), QStringLiteral("打印测试"));
    int top = 360;
    for (QPushButton* b :
         {XPButOpenMoban, XPButmoban_edit, XPBut_find, cmdLast, cmdChild, cmdRemove, Command1, XPButton3}) {
        ui::place(b, {240_tw, ui::Twips(top), 1635_tw, 450_tw});
        top += 600;
    }
    XPFrame1->hide();

    XPFrame3 = new QGroupBox(surface);
    XPFrame3->setObjectName(QStringLiteral("XPFrame3"));
    ui::place(XPFrame3, {4260_tw, 60_tw, 5295_tw, 7275_tw});
    auto* yongtuLabel = new QLabel(QStringLiteral("常用用途："), XPFrame3);
    ui::place(yongtuLabel, {240_tw, 240_tw, 1200_tw, 330_tw});
    Text_yongtu = new QLineEdit(XPFrame3);
    Text_yongtu->setObjectName(QStringLiteral("Text_yongtu"));
    ui::place(Text_yongtu, {1320_tw, 200_tw, 3735_tw, 380_tw});
    yongtuModel = new QStringListModel(this);
    List_findlx = new QListView(XPFrame3);
    List_findlx->setObjectName(QStringLiteral("List_findlx"));
    List_findlx->setModel(yongtuModel);
    List_findlx->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui::place(List_findlx, {240_tw, 720_tw, 4815_tw, 5640_tw});
    XPBut_Newyongtu = ui::makeButton(XPFrame3, QStringLiteral("XPBut_Newyongtu"), QStringLiteral("新增用途"));
    XPBut_Delyongtu = ui::makeButton(XPFrame3, QStringLiteral("XPBut_Delyongtu"), QStringLiteral("删除用途"));
    XPButton2 = ui::makeButton(XPFrame3, QStringLiteral("XPButton2"), QStringLiteral("返  回"));
    ui::place(XPBut_Newyongtu, {240_tw, 6540_tw, 1455_tw, 450_tw});
    ui::place(XPBut_Delyongtu, {1920_tw, 6540_tw, 1455_tw, 450_tw});
    ui::place(XPButton2, {3600_tw, 6540_tw, 1455_tw, 450_tw});
    XPFrame3->hide();

    XPFrame2 = new QGroupBox(QStringLiteral("请输入新增模板的名称"), surface);
    XPFrame2->setObjectName(QStringLiteral("XPFrame2"));
    ui::place(XPFrame2, {4680_tw, 1440_tw, 4395_tw, 1575_tw});
    // It lies over the common-use panel: without its own background that panel's list shows through.
    XPFrame2->setAutoFillBackground(true);
    Text_mobanName = new QLineEdit(XPFrame2);
    Text_mobanName->setObjectName(QStringLiteral("Text_mobanName"));
    ui::place(Text_mobanName, {240_tw, 420_tw, 3915_tw, 380_tw});
    XPBut确定 = ui::makeButton(XPFrame2, QStringLiteral("XPBut确定"), QStringLiteral("确  定"));
    ui::place(XPBut确定, {1440_tw, 960_tw, 1455_tw, 450_tw});
    XPFrame2->hide();

    RichTextBox1 = new QTextBrowser(surface);
    RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
    QFont helpFont(QStringLiteral("宋体"));
    helpFont.setPointSize(11);
    RichTextBox1->setFont(helpFont);
    RichTextBox1->setHtml(helpHtml());
    ui::place(RichTextBox1, {1920_tw, 0_tw, 13275_tw, 8775_tw});
    RichTextBox1->hide();

    connect(XPButOpenMoban, &QPushButton::clicked, this, &Frm_main::XPButOpenMoban_Click);
    connect(XPButmoban_edit, &QPushButton::clicked, this, &Frm_main::XPButmoban_edit_Click);
    connect(XPBut_find, &QPushButton::clicked, this, &Frm_main::XPBut_find_Click);
    connect(cmdLast, &QPushButton::clicked, this, &Frm_main::cmdLast_Click);
    connect(cmdChild, &QPushButton::clicked, this, &Frm_main::cmdChild_Click);
    connect(XPBut确定, &QPushButton::clicked, this, &Frm_main::XPBut确定_Click);
    connect(cmdRemove, &QPushButton::clicked, this, &Frm_main::cmdRemove_Click);
    connect(Command1, &QPushButton::clicked, this, &Frm_main::Command1_Click);
    connect(XPButton3, &QPushButton::clicked, this, [this] { windows::printTestPage(this); });
    connect(XPBut_Newyongtu, &QPushButton::clicked, this, &Frm_main::XPBut_Newyongtu_Click);
    connect(XPBut_Delyongtu, &QPushButton::clicked, this, &Frm_main::XPBut_Delyongtu_Click);
    connect(XPButton2, &QPushButton::clicked, XPFrame3, &QWidget::hide);

    // The name entry: Enter confirms, Esc closes it without adding, wherever the focus is inside it.
    connect(Text_mobanName, &QLineEdit::returnPressed, this, &Frm_main::XPBut确定_Click);
    auto* cancel = new QShortcut(QKeySequence(Qt::Key_Escape), XPFrame2);
    cancel->setContext(Qt::WidgetWithChildrenShortcut);
    connect(cancel, &QShortcut::activated, this, &Frm_main::cancelNewNode);

    // The catalogue: Enter or a double click opens a template as "打开模板" does; on a node with children
    // they open and close it instead ("打开模板" still opens such a node as a template).
    TreeView1->setExpandsOnDoubleClick(false);
    TreeView1->installEventFilter(this);
    connect(TreeView1, &QTreeView::doubleClicked, this, &Frm_main::TreeView1_DblClick);

    for (const PanelKey& k : kPanelKeys) {
        auto* b = XPFrame1->findChild<QPushButton*>(QString::fromLatin1(k.button));
        Q_ASSERT(b);
        const QKeySequence keys = portableKeys(k.keys);
        b->setToolTip(withKeys(b->text(), keys));
        auto* a = new QAction(b->text(), this);
        a->setObjectName(b->objectName() + QStringLiteral("_key"));
        a->setShortcut(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
        connect(a, &QAction::triggered, b, [b] {
            if (b->isEnabled())
                b->click();
        });
    }
}

bool Frm_main::eventFilter(QObject* watched, QEvent* event) {
    if (watched == TreeView1 && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (!key->isAutoRepeat())
                TreeView1_Enter(); // a held key opens one window, not a row of them
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void Frm_main::TreeView1_Enter() {
    const QModelIndex node = selectedNode();
    // A node with children is first of all a folder: Enter opens and closes it, as in any tree.
    if (node.isValid() && catalogue->hasChildren(node)) {
        TreeView1->setExpanded(node, !TreeView1->isExpanded(node));
        return;
    }
    XPButOpenMoban_Click(); // with no node chosen, its message says so
}

void Frm_main::TreeView1_DblClick(const QModelIndex& index) {
    if (!index.isValid())
        return;
    if (catalogue->hasChildren(index)) {
        TreeView1->setExpanded(index, !TreeView1->isExpanded(index));
        return;
    }
    XPButOpenMoban_Click();
}

QAction* Frm_main::toolButton(const QString& key) const {
    return gojulanhu->findChild<QAction*>(key);
}

void Frm_main::load() {
    applyPermissions();
    loadCommonUses();
    loadCatalogue();
}

void Frm_main::applyPermissions() {
    const bool advanced = state().isAdvanced();
    toolButton(QStringLiteral("管理登录"))
        ->setText(advanced ? QStringLiteral("管理退出") : QStringLiteral("管理登录"));
    toolButton(QStringLiteral("数据备份"))->setEnabled(advanced);
    for (QPushButton* b : {XPButmoban_edit, cmdLast, cmdChild, cmdRemove, Command1})
        b->setEnabled(advanced);
}

void Frm_main::toolbarClick(const QString& key) {
    if (key == QStringLiteral("管理登录")) {
        adminLoginLogout();
    } else if (key == QStringLiteral("数据查询")) {
        windows::openHistoryQuery(this);
    } else if (key == QStringLiteral("员工管理")) {
        windows::openUserAccounts(this);
    } else if (key == QStringLiteral("客户管理")) {
        windows::openCustomerRegister(this);
    } else if (key == QStringLiteral("显示工具")) {
        QAction* a = toolButton(key);
        const bool show = a->text() == QStringLiteral("显示工具");
        XPFrame1->setVisible(show);
        a->setText(show ? QStringLiteral("隐藏工具") : QStringLiteral("显示工具"));
    } else if (key == QStringLiteral("常用用途")) {
        XPFrame3->show();
        XPFrame3->raise();
    } else if (key == QStringLiteral("日历表")) {
        windows::openCalendar(this);
    } else if (key == QStringLiteral("计算器")) {
        startCalculator();
    } else if (key == QStringLiteral("数据备份")) {
        windows::openMaintenance(this);
        // Deleting all data there also empties the common uses shown here.
        loadCommonUses();
    } else if (key == QStringLiteral("关于系统")) {
        windows::openAbout(this);
    } else if (key == QStringLiteral("帮助说明")) {
        QAction* a = toolButton(key);
        const bool show = a->text() == QStringLiteral("帮助显示");
        RichTextBox1->setVisible(show);
        if (show)
            RichTextBox1->raise();
        a->setText(show ? QStringLiteral("帮助隐藏") : QStringLiteral("帮助显示"));
    } else if (key == QStringLiteral("系统退出")) {
        close();
        ui::prompter().quit();
    }
}

void Frm_main::adminLoginLogout() {
    if (!state().isAdvanced()) {
        showLogin(this);
        if (state().isAdvanced())
            applyPermissions();
    } else {
        state().userLevel = QString::fromUtf8(kOrdinaryLevel);
        applyPermissions();
    }
}

void Frm_main::startCalculator() {
    const QString calc = findCalculator();
    if (calc.isEmpty() || !ui::prompter().startProgram(calc, {}))
        ui::critical(this, QStringLiteral("调用路径错误或不存在"), QStringLiteral("错误！"));
}

// ---- Catalogue ------------------------------------------------------------------------------

void Frm_main::loadCatalogue() {
    ui::guarded(this, u"Form_Load", [&] { catalogue->setRows(CatalogueStore(state().db()).load()); });
    TreeView1->expandAll();
}

QModelIndex Frm_main::selectedNode() const {
    // Not the current index: the view makes its first node current when it gets the focus, without the
    // user having chosen anything.
    const QModelIndexList selected = TreeView1->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? QModelIndex() : selected.first();
}

void Frm_main::openTemplateWindow(const QString& emptyMessage, void (*open)(QWidget*)) {
    const QModelIndex selected = selectedNode();
    if (!selected.isValid()) {
        ui::information(this, emptyMessage, QStringLiteral("提示"));
        return;
    }
    state().currentTemplate = catalogue->data(selected).toString();
    open(this);
}

void Frm_main::XPButOpenMoban_Click() {
    openTemplateWindow(QStringLiteral("请选择想要打开的模板"), &windows::openPrintWindow);
}

void Frm_main::XPButmoban_edit_Click() {
    openTemplateWindow(QStringLiteral("请选择想要编辑的模板"), &windows::openDesigner);
}

void Frm_main::XPBut_find_Click() {
    openTemplateWindow(QStringLiteral("请选择想要查询的模板"), &windows::openHistoryQuery);
}

void Frm_main::showNameEntry() {
    XPFrame2->show();
    XPFrame2->raise();
    // The text stays as it was; selected, so that typing replaces it.
    Text_mobanName->setFocus(Qt::OtherFocusReason);
    Text_mobanName->selectAll();
}

void Frm_main::closeNameEntry() {
    const bool hadFocus = XPFrame2->isAncestorOf(QApplication::focusWidget());
    XPFrame2->hide();
    if (hadFocus)
        TreeView1->setFocus(Qt::OtherFocusReason);
}

void Frm_main::cancelNewNode() {
    closeNameEntry();
}

void Frm_main::cmdLast_Click() {
    addMode = true;
    showNameEntry();
}

void Frm_main::cmdChild_Click() {
    addMode = false;
    showNameEntry();
}

void Frm_main::XPBut确定_Click() {
    closeNameEntry();
    // The tree is loaded with trimmed texts, so a node keeps its template only under the trimmed name.
    const QString name = Text_mobanName->text().trimmed();
    if (name.isEmpty())
        return;
    const QModelIndex selected = selectedNode();
    if (!addMode && !selected.isValid()) {
        ui::information(this, QStringLiteral("请先选择一个节点，新的子节点加在它的下面"),
                        QStringLiteral("提示"));
        return;
    }
    QStringList names;
    for (const CatalogueRow& r : catalogue->rows())
        names << r.text;
    QString problem;
    const bool done = ui::guarded(this, u"XPBut确定_Click", [&] {
        problem = templates::TemplateStore(state().db()).checkName(name, names);
    });
    if (!done)
        return;
    if (!problem.isEmpty()) {
        ui::information(this, problem, QStringLiteral("输入提示"));
        showNameEntry();
        return;
    }
    const QString key = nextKey(catalogue->keys());
    if (addMode) {
        const QModelIndex added = selected.isValid() ? catalogue->addChild(selected.parent(), key, name)
                                                     : catalogue->addTopLevel(key, name);
        TreeView1->scrollTo(added);
    } else {
        const QModelIndex added = catalogue->addChild(selected, key, name);
        TreeView1->expand(selected);
        TreeView1->scrollTo(added);
    }
}

void Frm_main::cmdRemove_Click() {
    const QModelIndex selected = selectedNode();
    if (!selected.isValid()) {
        ui::information(this, QStringLiteral("请选择想要删除的节点"), QStringLiteral("提示"));
        return;
    }
    const QString name = catalogue->data(selected).toString();
    const QString key = selected.data(CatalogueModel::KeyRole).toString();
    QStringList stillNamed;
    for (const CatalogueRow& r : catalogue->rows())
        if (r.key != key)
            stillNamed << r.text;
    const bool done = ui::guarded(this, u"cmdRemove_Click", [&] {
        CatalogueStore(state().db()).deleteTemplate(name, key, stillNamed);
    });
    if (!done)
        return;
    catalogue->removeNode(selected);
    // The view selects a neighbour (or the parent) of a removed node; a second press must not delete it.
    TreeView1->selectionModel()->clearSelection();
}

void Frm_main::Command1_Click() {
    const bool done =
        ui::guarded(this, u"Command1_Click", [&] { CatalogueStore(state().db()).save(catalogue->rows()); });
    if (!done)
        return;
    ui::information(this, QStringLiteral("结构保存完成"), QStringLiteral("提示"));
}

// ---- Common uses ----------------------------------------------------------------------------

void Frm_main::loadCommonUses() {
    ui::guarded(this, u"Form_Load", [&] { yongtuModel->setStringList(CommonUseStore(state().db()).all()); });
}

void Frm_main::XPBut_Newyongtu_Click() {
    const QString text = Text_yongtu->text();
    const bool done =
        ui::guarded(this, u"XPBut_Newyongtu_Click", [&] { CommonUseStore(state().db()).add(text); });
    if (!done)
        return;
    const int row = yongtuModel->rowCount();
    yongtuModel->insertRows(row, 1);
    yongtuModel->setData(yongtuModel->index(row), text);
}

void Frm_main::XPBut_Delyongtu_Click() {
    // As in the tree, the current entry is not necessarily one the user chose.
    const QModelIndexList chosen = List_findlx->selectionModel()->selectedIndexes();
    if (chosen.isEmpty()) {
        ui::information(this, QStringLiteral("请选择想要删除的用途"), QStringLiteral("提示"));
        return;
    }
    const QModelIndex selected = chosen.first();
    const QString text = selected.data().toString();
    const bool done =
        ui::guarded(this, u"XPBut_Delyongtu_Click", [&] { CommonUseStore(state().db()).remove(text); });
    if (!done)
        return;
    yongtuModel->removeRows(selected.row(), 1);
    List_findlx->selectionModel()->clearSelection(); // the list selects the next entry by itself
}

} // namespace vorlan::app
