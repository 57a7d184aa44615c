#pragma once
// The main window: toolbar, catalogue tree with its tools panel, common uses and the help text.

#include "app/Catalogue.h"

#include <QMainWindow>
#include <QModelIndex>

class QAction;
class QGroupBox;
class QLineEdit;
class QListView;
class QPushButton;
class QStringListModel;
class QTextBrowser;
class QToolBar;
class QTreeView;

namespace vorlan::app {

class CatalogueModel;
class CommonUsePanel;

class Frm_main : public QMainWindow {
    Q_OBJECT
public:
    explicit Frm_main(QWidget* parent = nullptr);
    ~Frm_main() override;

    // The window's load: permissions, common uses, catalogue.
    void load();

    // The toolbar button of a key ("管理登录", "数据查询", ...).
    QAction* toolButton(const QString& key) const;
    void toolbarClick(const QString& key);

    // The login window used by "管理登录"; tests replace it. Returns after the login window closed.
    std::function<void(QWidget*)> showLogin;

    QToolBar* gojulanhu = nullptr;
    QTreeView* TreeView1 = nullptr;
    CatalogueModel* catalogue = nullptr;
    // The tree as this window read it (its own deletions since taken out): what 结构保存 expects to find.
    QList<CatalogueRow> loadedTree_;
    QGroupBox* XPFrame1 = nullptr;      // "工具菜单"
    QGroupBox* XPFrame2 = nullptr;      // "请输入新增模板的名称"
    CommonUsePanel* XPFrame3 = nullptr; // 常用用途
    QTextBrowser* RichTextBox1 = nullptr;

    QPushButton* XPButOpenMoban = nullptr;
    QPushButton* XPButmoban_edit = nullptr;
    QPushButton* XPBut_find = nullptr;
    QPushButton* cmdLast = nullptr;
    QPushButton* cmdChild = nullptr;
    QPushButton* cmdRemove = nullptr;
    QPushButton* Command1 = nullptr;  // "结构保存"
    QPushButton* XPButton3 = nullptr; // "打印测试"
    QPushButton* cmdExportTemplate = nullptr;
    QPushButton* cmdImportTemplate = nullptr;
    QLineEdit* Text_mobanName = nullptr;
    QPushButton* XPBut确定 = nullptr;

    bool addMode = true; // true: "新增主节点", false: "新增子节点"

    // Permission rules for the current user level.
    void applyPermissions();

    // The node the user selected, or an invalid index.
    QModelIndex selectedNode() const;

    // Catalogue and common-use handlers.
    void openTemplateWindow(const QString& emptyMessage, void (*open)(QWidget*));
    void XPButOpenMoban_Click();
    void XPButmoban_edit_Click();
    void XPBut_find_Click();
    void TreeView1_Enter();
    void TreeView1_DblClick(const QModelIndex& index);
    void cancelNewNode();
    void cmdLast_Click();
    void cmdChild_Click();
    void XPBut确定_Click();
    void cmdRemove_Click();
    void Command1_Click();
    // "导出模板": the selected node's template into a template file; "导入模板": a template file into a new
    // node, placed under the selected node when it has children, beside it otherwise, else at the top.
    void cmdExportTemplate_Click();
    void cmdImportTemplate_Click();
    void loadCatalogue();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool treeChanged_ = false; // nodes added or removed since the tree was loaded or saved
    void showNameEntry();
    void closeNameEntry();
    void buildToolbar();
    void buildPanels(QWidget* surface);
    void adminLoginLogout();
    void startCalculator();
};

} // namespace vorlan::app
