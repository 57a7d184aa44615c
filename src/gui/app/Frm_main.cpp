#include "app/Frm_main.h"

#include "app/AppState.h"
#include "app/Catalogue.h"
#include "app/CommonUsePanel.h"
#include "app/Frm_login.h"
#include "app/MainKeys.h"
#include "app/TemplateImportDialog.h"
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
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
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

} // namespace

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
    for (const ToolbarButton& b : toolbarButtons()) {
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
    ui::place(XPFrame1, {2040_tw, 60_tw, 2115_tw, 6495_tw});
    XPButOpenMoban = ui::makeButton(XPFrame1, QStringLiteral("XPButOpenMoban"), QStringLiteral("打开模板"));
    XPButmoban_edit = ui::makeButton(XPFrame1, QStringLiteral("XPButmoban_edit"), QStringLiteral("模板设计"));
    XPBut_find = ui::makeButton(XPFrame1, QStringLiteral("XPBut_find"), QStringLiteral("数据查询"));
    cmdLast = ui::makeButton(XPFrame1, QStringLiteral("cmdLast"), QStringLiteral("新增主节点"));
    cmdChild = ui::makeButton(XPFrame1, QStringLiteral("cmdChild"), QStringLiteral("新增子节点"));
    cmdRemove = ui::makeButton(XPFrame1, QStringLiteral("cmdRemove"), QStringLiteral("删除节点"));
    Command1 = ui::makeButton(XPFrame1, QStringLiteral("Command1"), QStringLiteral("结构保存"));
    XPButton3 = ui::makeButton(XPFrame1, QStringLiteral("XPButton3"), QStringLiteral("打印测试"));
    cmdExportTemplate =
        ui::makeButton(XPFrame1, QStringLiteral("cmdExportTemplate"), QStringLiteral("导出模板"));
    cmdImportTemplate =
        ui::makeButton(XPFrame1, QStringLiteral("cmdImportTemplate"), QStringLiteral("导入模板"));
    int top = 360;
    for (QPushButton* b : {XPButOpenMoban, XPButmoban_edit, XPBut_find, cmdLast, cmdChild, cmdRemove,
                           Command1, XPButton3, cmdExportTemplate, cmdImportTemplate}) {
        ui::place(b, {240_tw, ui::Twips(top), 1635_tw, 450_tw});
        top += 600;
    }
    XPFrame1->hide();

    XPFrame3 = new CommonUsePanel(surface);
    ui::place(XPFrame3, {4260_tw, 60_tw, 5295_tw, 7275_tw});
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
    connect(cmdExportTemplate, &QPushButton::clicked, this, &Frm_main::cmdExportTemplate_Click);
    connect(cmdImportTemplate, &QPushButton::clicked, this, &Frm_main::cmdImportTemplate_Click);

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

    for (const PanelKey& k : panelKeys()) {
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
    XPFrame3->load();
    loadCatalogue();
}

void Frm_main::applyPermissions() {
    const bool advanced = state().isAdvanced();
    toolButton(QStringLiteral("管理登录"))
        ->setText(advanced ? QStringLiteral("管理退出") : QStringLiteral("管理登录"));
    toolButton(QStringLiteral("数据备份"))->setEnabled(advanced);
    for (QPushButton* b : {XPButmoban_edit, cmdLast, cmdChild, cmdRemove, Command1, cmdImportTemplate})
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
        XPFrame3->load();
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
        if (close())
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
    ui::guarded(this, u"Form_Load", [&] {
        loadedTree_ = CatalogueStore(state().engine()).load();
        catalogue->setRows(loadedTree_);
    });
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
        problem = templates::TemplateStore(state().engine()).checkName(name, names);
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
    treeChanged_ = true;
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
    // One key press must not take a template and every sheet it has logged: say what goes, and ask.
    bool templateStays = false;
    if (!ui::guarded(this, u"cmdRemove_Click", [&] {
            templateStays =
                CatalogueStore(state().engine()).templateStaysAfterDeletion(name, key, stillNamed);
        }))
        return;
    const bool hasChildren = catalogue->rowCount(selected) > 0;
    if (ui::confirmDeletion(this, deletionQuestion(name, templateStays, hasChildren),
                            QStringLiteral("警告")) != ui::Answer::Yes)
        return;
    const bool done = ui::guarded(this, u"cmdRemove_Click", [&] {
        CatalogueStore(state().engine()).deleteTemplate(name, key, stillNamed);
    });
    if (!done)
        return;
    loadedTree_.removeIf([&](const CatalogueRow& r) { return r.key == key && r.text == name; });
    catalogue->removeNode(selected);
    // The children's rows stay in the catalogue table until the tree is saved.
    treeChanged_ = treeChanged_ || hasChildren;
    // The view selects a neighbour (or the parent) of a removed node; a second press must not delete it.
    TreeView1->selectionModel()->clearSelection();
}

void Frm_main::Command1_Click() {
    bool changedElsewhere = false;
    const bool done = ui::guarded(this, u"Command1_Click", [&] {
        try {
            CatalogueStore(state().engine()).save(catalogue->rows(), loadedTree_);
        } catch (const CatalogueChanged&) {
            changedElsewhere = true;
            throw;
        }
    });
    if (changedElsewhere) {
        // The message said so: the tree on screen is now the one the other computer saved.
        loadCatalogue();
        treeChanged_ = false;
    }
    if (!done)
        return;
    loadedTree_ = catalogue->rows();
    treeChanged_ = false;
    ui::information(this, QStringLiteral("结构保存完成"), QStringLiteral("提示"));
}

// ---- Template files ---------------------------------------------------------------------------

void Frm_main::cmdExportTemplate_Click() {
    const QModelIndex selected = selectedNode();
    if (!selected.isValid()) {
        ui::information(this, QStringLiteral("请选择想要导出的模板"), QStringLiteral("提示"));
        return;
    }
    exportTemplateFile(this, catalogue->data(selected).toString());
}

void Frm_main::cmdImportTemplate_Click() {
    // Under a folder, beside a template, or at the top when nothing is chosen.
    const QModelIndex selected = selectedNode();
    const QModelIndex parent =
        selected.isValid() && catalogue->hasChildren(selected) ? selected : selected.parent();
    QStringList names;
    for (const CatalogueRow& r : catalogue->rows())
        names << r.text;
    const auto chosen =
        chooseTemplateFile(this, parent.isValid() ? catalogue->data(parent).toString() : QString(), names);
    if (!chosen)
        return;

    // The node goes into the tree on screen, which is written whole with the template.
    const QString key = nextKey(catalogue->keys());
    catalogue->addChild(parent, key, chosen->name);
    const QList<CatalogueRow> rows = catalogue->rows();
    bool changedElsewhere = false;
    const bool done = ui::guarded(this, u"cmdImportTemplate_Click", [&] {
        try {
            templates::importTemplate(state().engine(), chosen->package, chosen->name, {rows, loadedTree_});
        } catch (const CatalogueChanged&) {
            changedElsewhere = true;
            throw;
        }
    });
    if (!done) {
        catalogue->removeNode(catalogue->findKey(key));
        if (changedElsewhere) { // the message said so: the tree is read again
            loadCatalogue();
            treeChanged_ = false;
        }
        return;
    }
    const bool savedAlong = treeChanged_;
    loadedTree_ = rows;
    treeChanged_ = false;
    const QModelIndex node = catalogue->findKey(key);
    TreeView1->expand(node.parent());
    TreeView1->setCurrentIndex(node);
    TreeView1->scrollTo(node);
    ui::information(this, importedText(chosen->name, chosen->package, savedAlong),
                    QStringLiteral("系统提示"));
}

void Frm_main::closeEvent(QCloseEvent* event) {
    // Nodes added since "结构保存" would be gone at the next start, with the templates designed under them
    // out of reach: ask, while the user may still save.
    if (treeChanged_ && Command1->isEnabled() && !ui::mayCloseUnsaved(this, kUnsavedTreeQuestion, [this] {
            Command1_Click();
            return !treeChanged_; // a failed save has said so; the tree stays on screen
        })) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

} // namespace vorlan::app
