#include "BothEngines.h"
#include "TestEnv.h"
#include "app/AppState.h"
#include "app/Catalogue.h"
#include "app/CommonUsePanel.h"
#include "app/CommonUseStore.h"
#include "app/Frm_main.h"
#include "app/MainKeys.h"
#include "data/Sql.h"
#include "templates/TemplateStore.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QKeySequence>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QShortcut>
#include <QStringListModel>
#include <QTest>
#include <QTextBrowser>
#include <QTreeView>

using namespace vorlan;

namespace {
int count(const QSqlDatabase& db, const QString& sql) {
    return data::scalar(db, sql).toInt();
}

// A template as the designer saves it: one input point, its rows and its print log table.
void saveTemplate(const QSqlDatabase& db, const QString& name) {
    templates::Template t;
    t.name = name;
    templates::InputPoint p;
    p.type = templates::type::SingleLine;
    p.name = QStringLiteral("收件人");
    t.single.append(p);
    templates::PendingColumns pending;
    templates::TemplateStore(db).save(t, std::nullopt, pending);
}

// The toolbar button of a key, or the tools panel's button of an objectName.
QString tooltipOf(app::Frm_main& w, const QString& button) {
    if (QAction* a = w.toolButton(button))
        return a->toolTip();
    auto* b = w.XPFrame1->findChild<QPushButton*>(button);
    return b ? b->toolTip() : QString();
}

void clickButton(app::Frm_main& w, const QString& button) {
    if (QAction* a = w.toolButton(button)) {
        a->trigger();
        return;
    }
    auto* b = w.XPFrame1->findChild<QPushButton*>(button);
    QVERIFY2(b, qPrintable(button));
    b->click();
}

// Everything a button of the main window can change, written out so that two runs can be compared.
QStringList trace(app::Frm_main& w, test::TestEnv& env) {
    QStringList t;
    for (const QString& d : env.prompter.dialogsShown)
        t << QStringLiteral("dialog:") + d;
    for (const auto& m : env.prompter.shown)
        t << QStringLiteral("message:%1|%2").arg(m.message.text, m.message.title);
    for (const QString& p : env.prompter.programsStarted)
        t << QStringLiteral("program:") + p;
    for (const ui::FileRequest& r : env.prompter.fileRequests)
        t << QStringLiteral("file:") + r.title;
    t << QStringLiteral("quit:%1").arg(env.prompter.quitCount);
    t << QStringLiteral("template:") + app::state().currentTemplate;
    t << QStringLiteral("level:") + app::state().userLevel;
    t << QStringLiteral("window:%1").arg(w.isVisible() ? QStringLiteral("shown") : QStringLiteral("hidden"));
    for (QWidget* panel : {static_cast<QWidget*>(w.XPFrame1), static_cast<QWidget*>(w.XPFrame2),
                           static_cast<QWidget*>(w.XPFrame3), static_cast<QWidget*>(w.RichTextBox1)})
        t << QStringLiteral("%1:%2").arg(panel->objectName(), panel->isVisible() ? QStringLiteral("shown")
                                                                                 : QStringLiteral("hidden"));
    for (const char* key : {"管理登录", "显示工具", "帮助说明"})
        t << QStringLiteral("caption:") + w.toolButton(QString::fromUtf8(key))->text();
    t << QStringLiteral("advancedControls:%1").arg(w.Command1->isEnabled());
    QWidget* focus = QApplication::focusWidget();
    t << QStringLiteral("focus:") + (focus ? focus->objectName() : QString());
    for (const app::CatalogueRow& r : w.catalogue->rows())
        t << QStringLiteral("node:%1 %2").arg(r.key, r.text);
    t << QStringLiteral("stored nodes:%1")
             .arg(count(env.db(), QStringLiteral("SELECT count(*) FROM mobantabe")));
    t << QStringLiteral("log table:%1").arg(test::hasLog(env.db(), QStringLiteral("运单")));
    t << QStringLiteral("printed:%1").arg(QFile::exists(env.pdfPath()));
    return t;
}

// A main window as the clerk finds it: the template "运单" selected in the tree, which has the focus.
struct Desk {
    explicit Desk(const QString& level) {
        app::state().userLevel = level;
        saveTemplate(env.db(), QStringLiteral("运单"));
        app::CatalogueStore(env.db()).save(
            {{QStringLiteral("0_"), QStringLiteral("1_"), QStringLiteral("快递"), 1, 2},
             {QStringLiteral("1_"), QStringLiteral("2_"), QStringLiteral("运单"), 1, 2}});
        w.showLogin = [this](QWidget*) {
            env.prompter.dialogsShown << QStringLiteral("Frm_login");
            app::state().userLevel = QStringLiteral("高级用户");
        };
        w.load();
        w.show();
        w.activateWindow();
        if (!QTest::qWaitForWindowActive(&w))
            qWarning("main window not active");
        w.TreeView1->setCurrentIndex(w.catalogue->findKey(QStringLiteral("2_")));
        w.TreeView1->setFocus(Qt::OtherFocusReason);
    }
    test::TestEnv env;
    app::Frm_main w;
};

void pressKeys(const QKeySequence& keys) {
    QWidget* target = QApplication::focusWidget();
    QVERIFY(target);
    QTest::keySequence(target, keys);
}
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void permissionsFollowTheLevel() {
        test::TestEnv env;
        app::state().userLevel = QStringLiteral("普通用户");
        app::Frm_main w;
        w.load();
        QCOMPARE(w.windowTitle(), QStringLiteral("Vorlan"));
        QCOMPARE(w.toolButton(QStringLiteral("管理登录"))->text(), QStringLiteral("管理登录"));
        QVERIFY(!w.toolButton(QStringLiteral("数据备份"))->isEnabled());
        QCOMPARE(w.toolButton(QStringLiteral("数据备份"))->text(), QStringLiteral("数据维护"));
        for (QPushButton* b : {w.XPButmoban_edit, w.cmdLast, w.cmdChild, w.cmdRemove, w.Command1})
            QVERIFY(!b->isEnabled());
        QVERIFY(w.XPButOpenMoban->isEnabled());

        // An ordinary login changes nothing; an advanced one enables and shows "管理退出".
        w.showLogin = [](QWidget*) { app::state().userLevel = QStringLiteral("普通用户"); };
        w.toolbarClick(QStringLiteral("管理登录"));
        QVERIFY(!w.cmdLast->isEnabled());
        w.showLogin = [](QWidget*) { app::state().userLevel = QStringLiteral("高级用户"); };
        w.toolbarClick(QStringLiteral("管理登录"));
        QCOMPARE(w.toolButton(QStringLiteral("管理登录"))->text(), QStringLiteral("管理退出"));
        QVERIFY(w.toolButton(QStringLiteral("数据备份"))->isEnabled());
        for (QPushButton* b : {w.XPButmoban_edit, w.cmdLast, w.cmdChild, w.cmdRemove, w.Command1})
            QVERIFY(b->isEnabled());

        // Logout: at once, without asking.
        w.toolbarClick(QStringLiteral("管理登录"));
        QCOMPARE(app::state().userLevel, QStringLiteral("普通用户"));
        QCOMPARE(w.toolButton(QStringLiteral("管理登录"))->text(), QStringLiteral("管理登录"));
        QVERIFY(!w.Command1->isEnabled());
        QVERIFY(env.prompter.shown.isEmpty());
    }

    void panelsToggle() {
        test::TestEnv env;
        app::Frm_main w;
        w.load();
        w.show();
        QVERIFY(!w.XPFrame1->isVisible());
        w.toolbarClick(QStringLiteral("显示工具"));
        QVERIFY(w.XPFrame1->isVisible());
        QCOMPARE(w.toolButton(QStringLiteral("显示工具"))->text(), QStringLiteral("隐藏工具"));
        w.toolbarClick(QStringLiteral("显示工具"));
        QVERIFY(!w.XPFrame1->isVisible());
        QCOMPARE(w.toolButton(QStringLiteral("显示工具"))->text(), QStringLiteral("显示工具"));
        w.toolbarClick(QStringLiteral("帮助说明"));
        QVERIFY(w.RichTextBox1->isVisible());
        QVERIFY(w.RichTextBox1->toPlainText().contains(QStringLiteral("软件使用说明：")));
        QCOMPARE(w.toolButton(QStringLiteral("帮助说明"))->text(), QStringLiteral("帮助隐藏"));
        w.toolbarClick(QStringLiteral("常用用途"));
        QVERIFY(w.XPFrame3->isVisible());
        w.XPFrame3->XPButton2->click();
        QVERIFY(!w.XPFrame3->isVisible());
    }

    // Every button of the toolbar and of the tools panel, its key, the level it is pressed at and a part of
    // what pressing it leaves behind.
    void shortcuts_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("level");
        QTest::addColumn<QString>("effect");
        const QString adv = QStringLiteral("高级用户"), ord = QStringLiteral("普通用户");
        QTest::newRow("管理登录 (login)") << QStringLiteral("管理登录") << QStringLiteral("Ctrl+L") << ord
                                          << QStringLiteral("caption:管理退出");
        QTest::newRow("管理退出 (logout)") << QStringLiteral("管理登录") << QStringLiteral("Ctrl+L") << adv
                                           << QStringLiteral("level:普通用户");
        QTest::newRow("数据查询") << QStringLiteral("数据查询") << QStringLiteral("F3") << ord
                                  << QStringLiteral("dialog:Frm_CXdata");
        QTest::newRow("员工管理") << QStringLiteral("员工管理") << QStringLiteral("F6") << ord
                                  << QStringLiteral("dialog:Frm_RenYuanGL");
        QTest::newRow("客户管理") << QStringLiteral("客户管理") << QStringLiteral("F5") << ord
                                  << QStringLiteral("dialog:Frm_khgl");
        QTest::newRow("显示工具") << QStringLiteral("显示工具") << QStringLiteral("F9") << ord
                                  << QStringLiteral("XPFrame1:shown");
        QTest::newRow("常用用途") << QStringLiteral("常用用途") << QStringLiteral("F7") << ord
                                  << QStringLiteral("XPFrame3:shown");
        QTest::newRow("日历表") << QStringLiteral("日历表") << QStringLiteral("F8") << ord
                                << QStringLiteral("dialog:Frm_RiLi");
        QTest::newRow("计算器") << QStringLiteral("计算器") << QStringLiteral("F11") << ord
                                << (app::findCalculator().isEmpty()
                                        ? QStringLiteral("message:调用路径错误或不存在|错误！")
                                        : QStringLiteral("program:") + app::findCalculator());
        QTest::newRow("数据维护") << QStringLiteral("数据备份") << QStringLiteral("F12") << adv
                                  << QStringLiteral("dialog:Frm_Backup");
        QTest::newRow("关于系统") << QStringLiteral("关于系统") << QStringLiteral("Ctrl+F1") << ord
                                  << QStringLiteral("dialog:Frm_NetCorvane");
        QTest::newRow("帮助显示") << QStringLiteral("帮助说明") << QStringLiteral("F1") << ord
                                  << QStringLiteral("RichTextBox1:shown");
        QTest::newRow("系统退出") << QStringLiteral("系统退出") << QStringLiteral("Ctrl+Q") << ord
                                  << QStringLiteral("quit:1");
        QTest::newRow("打开模板") << QStringLiteral("XPButOpenMoban") << QStringLiteral("F2") << ord
                                  << QStringLiteral("dialog:Frm_申通快递");
        QTest::newRow("模板设计") << QStringLiteral("XPButmoban_edit") << QStringLiteral("Ctrl+E") << adv
                                  << QStringLiteral("dialog:Frm_模板");
        QTest::newRow("数据查询 (panel)") << QStringLiteral("XPBut_find") << QStringLiteral("Shift+F3") << ord
                                          << QStringLiteral("template:运单");
        QTest::newRow("新增主节点") << QStringLiteral("cmdLast") << QStringLiteral("Ctrl+M") << adv
                                    << QStringLiteral("focus:Text_mobanName");
        QTest::newRow("新增子节点") << QStringLiteral("cmdChild") << QStringLiteral("Ctrl+Shift+M") << adv
                                    << QStringLiteral("XPFrame2:shown");
        QTest::newRow("删除节点") << QStringLiteral("cmdRemove") << QStringLiteral("Ctrl+Shift+Del") << adv
                                  << QStringLiteral("log table:0");
        QTest::newRow("结构保存") << QStringLiteral("Command1") << QStringLiteral("Ctrl+S") << adv
                                  << QStringLiteral("message:结构保存完成|提示");
        QTest::newRow("打印测试") << QStringLiteral("XPButton3") << QStringLiteral("Ctrl+T") << ord
                                  << QStringLiteral("printed:1");
        QTest::newRow("导出模板") << QStringLiteral("cmdExportTemplate") << QStringLiteral("Ctrl+Shift+E")
                                  << ord << QStringLiteral("file:导出模板");
        QTest::newRow("导入模板") << QStringLiteral("cmdImportTemplate") << QStringLiteral("Ctrl+Shift+I")
                                  << adv << QStringLiteral("file:导入模板");
    }

    // A key does exactly what a click on its button does, and says so in the tooltip and the help text.
    void shortcuts() {
        QFETCH(QString, button);
        QFETCH(QString, keys);
        QFETCH(QString, level);
        QFETCH(QString, effect);
        const QKeySequence sequence(keys, QKeySequence::PortableText);
        QCOMPARE(sequence.toString(QKeySequence::PortableText), keys);

        QStringList idle, clicked, pressed;
        {
            Desk d(level);
            idle = trace(d.w, d.env);
            QVERIFY2(tooltipOf(d.w, button).contains(keys), qPrintable(tooltipOf(d.w, button)));
            const QString help = d.w.RichTextBox1->toPlainText();
            QVERIFY2(help.contains(keys), qPrintable(keys));
            QVERIFY(help.contains(QStringLiteral("软件使用说明：")));
        }
        {
            Desk d(level);
            clickButton(d.w, button);
            clicked = trace(d.w, d.env);
        }
        {
            Desk d(level);
            pressKeys(sequence);
            pressed = trace(d.w, d.env);
        }
        QVERIFY2(clicked.contains(effect), qPrintable(clicked.join(QLatin1Char('\n'))));
        QVERIFY(!idle.contains(effect));
        QCOMPARE(pressed, clicked);
    }

    // The controls for advanced users ignore their keys for an ordinary user, as they ignore clicks.
    void shortcutsFollowPermissions_data() {
        QTest::addColumn<QString>("keys");
        for (const char* k :
             {"F12", "Ctrl+E", "Ctrl+M", "Ctrl+Shift+M", "Ctrl+Shift+Del", "Ctrl+S", "Ctrl+Shift+I"})
            QTest::newRow(k) << QString::fromLatin1(k);
    }

    void shortcutsFollowPermissions() {
        QFETCH(QString, keys);
        Desk d(QStringLiteral("普通用户"));
        const QStringList idle = trace(d.w, d.env);
        pressKeys(QKeySequence(keys, QKeySequence::PortableText));
        QCOMPARE(trace(d.w, d.env), idle);
        // After an advanced login from the toolbar the same key works.
        d.w.toolbarClick(QStringLiteral("管理登录"));
        const QStringList loggedIn = trace(d.w, d.env);
        pressKeys(QKeySequence(keys, QKeySequence::PortableText));
        QVERIFY(trace(d.w, d.env) != loggedIn);
    }

    // Keys that a text box uses itself stay with the text box: Ctrl+Del there deletes a word, not the
    // selected node with its template.
    void textBoxesKeepTheirKeys() {
        Desk d(QStringLiteral("高级用户"));
        d.w.toolbarClick(QStringLiteral("常用用途"));
        for (QLineEdit* box : {d.w.XPFrame3->Text_yongtu, d.w.Text_mobanName}) {
            if (box == d.w.Text_mobanName)
                d.w.cmdLast->click();
            box->setText(QStringLiteral("运单 货款"));
            box->setFocus(Qt::OtherFocusReason);
            box->setCursorPosition(0);
            QCOMPARE(QApplication::focusWidget(), box);
            QTest::keyClick(box, Qt::Key_Delete, Qt::ControlModifier);
            QCOMPARE(d.w.catalogue->nodeCount(), 2);
            QVERIFY(test::hasLog(d.env.db(), QStringLiteral("运单")));
            QVERIFY(box->text() != QStringLiteral("运单 货款"));
        }
        // The keys are the window's: they work without the toolbar, and from a text box.
        d.w.gojulanhu->hide();
        pressKeys(QKeySequence(Qt::Key_F5));
        QCOMPARE(d.env.prompter.dialogsShown, QStringList{QStringLiteral("Frm_khgl")});
        d.env.prompter.clear();
        d.w.XPFrame3->Text_yongtu->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(d.w.XPFrame3->Text_yongtu, Qt::Key_F2);
        QCOMPARE(d.env.prompter.dialogsShown, QStringList{QStringLiteral("Frm_申通快递")});
    }

    // One key per button, none twice in the window, none the print window uses, and every button has one.
    void shortcutsAreUnique() {
        test::TestEnv env;
        app::Frm_main w;
        w.load();
        QStringList taken;
        for (QAction* a : w.findChildren<QAction*>())
            for (const QKeySequence& k : a->shortcuts())
                taken << k.toString(QKeySequence::PortableText);
        for (QShortcut* s : w.findChildren<QShortcut*>()) {
            if (s->parent() == w.XPFrame2 && s->key() == QKeySequence(Qt::Key_Escape))
                continue; // the name entry's own
            taken << s->key().toString(QKeySequence::PortableText);
        }
        QStringList seen;
        for (const QString& k : taken) {
            QVERIFY2(!seen.contains(k), qPrintable(k));
            seen << k;
        }
        for (const char* printWindow : {"Ctrl+P", "Ctrl+Shift+P", "Ctrl+N", "F4"})
            QVERIFY2(!taken.contains(QString::fromLatin1(printWindow)), printWindow);
        int buttons = 0;
        for (QAction* a : w.gojulanhu->actions()) {
            QVERIFY2(!a->shortcut().isEmpty(), qPrintable(a->objectName()));
            ++buttons;
        }
        for (QPushButton* b : w.XPFrame1->findChildren<QPushButton*>()) {
            bool found = false;
            for (const QString& k : taken)
                found = found || b->toolTip().contains(k);
            QVERIFY2(found, qPrintable(b->objectName()));
            ++buttons;
        }
        QCOMPARE(taken.size(), buttons);
        QCOMPARE(buttons, 12 + 10); // every row of shortcuts_data
    }

    // Enter or a double click on a template node opens it for printing; a node with children opens and
    // closes instead. Without a chosen node "打开模板"'s message appears.
    void catalogueEnterAndDoubleClick_data() {
        QTest::addColumn<bool>("doubleClick");
        QTest::newRow("Enter") << false;
        QTest::newRow("double click") << true;
    }

    void catalogueEnterAndDoubleClick() {
        QFETCH(bool, doubleClick);
        Desk d(QStringLiteral("普通用户"));
        QTreeView* tree = d.w.TreeView1;
        auto activate = [&](const QModelIndex& node) {
            if (doubleClick) {
                const QPoint at = tree->visualRect(node).center();
                QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
                QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
            } else {
                QTest::keyClick(tree, Qt::Key_Return);
            }
        };
        const QModelIndex leaf = d.w.catalogue->findKey(QStringLiteral("2_"));
        const QModelIndex folder = d.w.catalogue->findKey(QStringLiteral("1_"));
        activate(leaf);
        QCOMPARE(d.env.prompter.dialogsShown, QStringList{QStringLiteral("Frm_申通快递")});
        QCOMPARE(app::state().currentTemplate, QStringLiteral("运单"));
        QVERIFY(d.env.prompter.shown.isEmpty());

        d.env.prompter.clear();
        if (!doubleClick)
            tree->setCurrentIndex(folder);
        QVERIFY(tree->isExpanded(folder));
        activate(folder);
        QVERIFY(!tree->isExpanded(folder));
        activate(folder);
        QVERIFY(tree->isExpanded(folder));
        QVERIFY(d.env.prompter.dialogsShown.isEmpty());
        QCOMPARE(app::state().currentTemplate, QStringLiteral("运单"));

        if (!doubleClick) {
            // The keypad's Enter too; and with nothing chosen the button's own message.
            tree->setCurrentIndex(leaf);
            QTest::keyClick(tree, Qt::Key_Enter, Qt::KeypadModifier);
            QCOMPARE(d.env.prompter.dialogsShown, QStringList{QStringLiteral("Frm_申通快递")});
            tree->selectionModel()->clearSelection();
            QTest::keyClick(tree, Qt::Key_Return);
            QCOMPARE(d.env.prompter.lastText(), QStringLiteral("请选择想要打开的模板"));
            QCOMPARE(d.env.prompter.dialogsShown.size(), 1);
        }
    }

    // The name entry takes the focus; Enter adds the node, Esc closes the entry without adding.
    void newNodeEnterAndEsc_data() {
        QTest::addColumn<bool>("child");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("fromButton"); // Esc pressed with the focus on "确  定"
        QTest::addColumn<int>("nodesAfter");
        QTest::newRow("main node, Enter") << false << int(Qt::Key_Return) << false << 3;
        QTest::newRow("child node, keypad Enter") << true << int(Qt::Key_Enter) << false << 3;
        QTest::newRow("Enter on 确定") << true << int(Qt::Key_Return) << true << 3;
        QTest::newRow("main node, Esc") << false << int(Qt::Key_Escape) << false << 2;
        QTest::newRow("child node, Esc on 确定") << true << int(Qt::Key_Escape) << true << 2;
    }

    void newNodeEnterAndEsc() {
        QFETCH(bool, child);
        QFETCH(int, key);
        QFETCH(bool, fromButton);
        QFETCH(int, nodesAfter);
        Desk d(QStringLiteral("高级用户"));
        d.w.Text_mobanName->setText(QStringLiteral("上次的名称"));
        (child ? d.w.cmdChild : d.w.cmdLast)->click();
        QVERIFY(d.w.XPFrame2->isVisible());
        QCOMPARE(QApplication::focusWidget(), d.w.Text_mobanName);
        QCOMPARE(d.w.Text_mobanName->selectedText(),
                 QStringLiteral("上次的名称")); // kept, typing replaces it
        QTest::keyClicks(d.w.Text_mobanName, QStringLiteral("Waybill"));
        QCOMPARE(d.w.Text_mobanName->text(), QStringLiteral("Waybill"));
        if (fromButton) {
            d.w.XPBut确定->setFocus(Qt::TabFocusReason);
            QCOMPARE(QApplication::focusWidget(), d.w.XPBut确定);
        }
        const Qt::KeyboardModifiers mods = key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), mods);
        QVERIFY(!d.w.XPFrame2->isVisible());
        QCOMPARE(d.w.catalogue->nodeCount(), nodesAfter);
        QCOMPARE(QApplication::focusWidget(), d.w.TreeView1);
        QVERIFY(d.env.prompter.shown.isEmpty());
        const QModelIndex added = d.w.catalogue->findKey(QStringLiteral("3_"));
        QCOMPARE(added.isValid(), nodesAfter == 3);
        if (added.isValid()) {
            QCOMPARE(added.data().toString(), QStringLiteral("Waybill"));
            QCOMPARE(added.parent(), child ? d.w.catalogue->findKey(QStringLiteral("2_"))
                                           : d.w.catalogue->findKey(QStringLiteral("1_")));
        }
        // Esc elsewhere in the window leaves the catalogue and the panels alone.
        QTest::keyClick(d.w.TreeView1, Qt::Key_Escape);
        QCOMPARE(d.w.catalogue->nodeCount(), nodesAfter);
        QVERIFY(d.w.isVisible());
    }

    // A refused name keeps the entry open with the focus in it, ready to be corrected.
    void refusedNameKeepsTheFocus() {
        Desk d(QStringLiteral("高级用户"));
        d.w.cmdLast->click();
        d.w.Text_mobanName->setText(QStringLiteral("moban"));
        QTest::keyClick(d.w.Text_mobanName, Qt::Key_Return);
        QCOMPARE(d.env.prompter.last().title, QStringLiteral("输入提示"));
        QVERIFY(d.w.XPFrame2->isVisible());
        QCOMPARE(QApplication::focusWidget(), d.w.Text_mobanName);
        QCOMPARE(d.w.catalogue->nodeCount(), 2);
        QTest::keyClick(d.w.Text_mobanName, Qt::Key_Escape);
        QVERIFY(!d.w.XPFrame2->isVisible());
        QCOMPARE(d.w.catalogue->nodeCount(), 2);
    }

    // The focused button is drawn differently from the others, flat or not; Enter presses it.
    void focusIsVisible_data() {
        QTest::addColumn<bool>("flat");
        QTest::newRow("raised") << false;
        QTest::newRow("flat") << true;
    }

    void focusIsVisible() {
        QFETCH(bool, flat);
        Desk d(QStringLiteral("普通用户"));
        d.w.toolbarClick(QStringLiteral("显示工具"));
        QPushButton* b = d.w.XPButOpenMoban;
        b->setFlat(flat);
        QApplication::processEvents();
        const QImage plain = b->grab().toImage();
        b->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        QCOMPARE(QApplication::focusWidget(), b);
        const QImage focused = b->grab().toImage();
        QCOMPARE(focused.size(), plain.size());
        QVERIFY(focused != plain);
        // Its caption still fits: the frame costs no more room than the platform's own.
        QVERIFY(b->sizeHint().width() <= b->width());
        QVERIFY(b->sizeHint().height() <= b->height());
        QTest::keyClick(b, Qt::Key_Return);
        QCOMPARE(d.env.prompter.dialogsShown, QStringList{QStringLiteral("Frm_申通快递")});
    }

    void calculatorMissingOrStarted() {
        test::TestEnv env;
        app::Frm_main w;
        env.prompter.startSucceeds = false;
        w.toolbarClick(QStringLiteral("计算器"));
        QCOMPARE(env.prompter.lastText(), QStringLiteral("调用路径错误或不存在"));
        QCOMPARE(env.prompter.last().title, QStringLiteral("错误！"));
        QCOMPARE(env.prompter.last().icon, ui::Icon::Critical);
    }

    void openingNeedsASelectedNode() {
        test::TestEnv env;
        app::Frm_main w;
        w.load();
        w.XPButOpenMoban->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("请选择想要打开的模板"));
        QCOMPARE(env.prompter.last().title, QStringLiteral("提示"));
        w.XPBut_find->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("请选择想要查询的模板"));
        app::state().userLevel = QStringLiteral("高级用户");
        w.applyPermissions();
        w.XPButmoban_edit->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("请选择想要编辑的模板"));
    }

    void nextKey_data() {
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("next");
        QTest::newRow("empty") << QStringList{} << QStringLiteral("1_");
        QTest::newRow("gaps") << QStringList{QStringLiteral("1_"), QStringLiteral("5_"), QStringLiteral("3_")}
                              << QStringLiteral("6_");
        QTest::newRow("first is largest")
            << QStringList{QStringLiteral("12_"), QStringLiteral("2_")} << QStringLiteral("13_");
        QTest::newRow("no digits") << QStringList{QStringLiteral("abc")} << QStringLiteral("1_");
        QTest::newRow("limit") << QStringList{QStringLiteral("32766_")} << QStringLiteral("32767_");
        QTest::newRow("past limit") << QStringList{QStringLiteral("32767_")} << QStringLiteral("1_");
    }

    void nextKey() {
        QFETCH(QStringList, keys);
        QFETCH(QString, next);
        QCOMPARE(app::nextKey(keys), next);
    }

    void addSaveReloadTree() {
        test::TestEnv env;
        app::state().userLevel = QStringLiteral("高级用户");
        auto add = [](app::Frm_main& w, bool top, const QString& text) {
            (top ? w.cmdLast : w.cmdChild)->click();
            w.Text_mobanName->setText(text);
            w.XPBut确定->click();
        };
        {
            app::Frm_main w;
            w.load();
            add(w, false, QStringLiteral("nothing selected"));
            QCOMPARE(w.catalogue->nodeCount(), 0);
            add(w, true, QStringLiteral("快递单"));
            QCOMPARE(w.catalogue->keys(), QStringList{QStringLiteral("1_")});
            w.TreeView1->setCurrentIndex(w.catalogue->findKey(QStringLiteral("1_")));
            add(w, false, QStringLiteral(" 运单 "));
            add(w, false, QStringLiteral("O'Brien"));
            w.TreeView1->setCurrentIndex(w.catalogue->findKey(QStringLiteral("2_")));
            // "新增主节点" on a child adds a sibling of the child.
            add(w, true, QStringLiteral("同城"));
            QCOMPARE(w.catalogue->findKey(QStringLiteral("4_")).parent(),
                     w.catalogue->findKey(QStringLiteral("1_")));
            add(w, true, QString()); // empty name adds nothing
            QCOMPARE(w.catalogue->nodeCount(), 4);
            w.Command1->click();
            QCOMPARE(env.prompter.lastText(), QStringLiteral("结构保存完成"));
        }
        const QList<app::CatalogueRow> rows = app::CatalogueStore(env.db()).load();
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[0].parent, QStringLiteral("0_"));
        QCOMPARE(rows[1].parent, QStringLiteral("1_"));
        for (const auto& r : rows)
            QCOMPARE(r.image, 1);
        app::Frm_main w;
        w.load();
        QCOMPARE(w.catalogue->rows(), rows);
        QVERIFY(w.TreeView1->isExpanded(w.catalogue->findKey(QStringLiteral("1_"))));
        // Opening sets the current template to the node's exact text.
        w.TreeView1->setCurrentIndex(w.catalogue->findKey(QStringLiteral("2_")));
        w.XPButOpenMoban->click();
        QCOMPARE(app::state().currentTemplate, QStringLiteral("运单"));
    }

    void orphanRowsGoToTopLevel() {
        test::TestEnv env;
        app::CatalogueStore(env.db()).save(
            {{QStringLiteral("9_"), QStringLiteral("2_"), QStringLiteral("lost"), 1, 2},
             {QStringLiteral("0_"), QStringLiteral("1_"), QStringLiteral("top"), 1, 2}});
        app::Frm_main w;
        w.load();
        QCOMPARE(w.catalogue->rowCount(), 2);
        QCOMPARE(w.catalogue->rows().first().parent, QStringLiteral("0_"));
    }

    void removeNodeDeletesTemplate() {
        test::TestEnv env;
        app::state().userLevel = QStringLiteral("高级用户");
        templates::Template t;
        t.name = QStringLiteral("运单");
        templates::InputPoint p;
        p.type = templates::type::SingleLine;
        p.name = QStringLiteral("收件人");
        t.single.append(p);
        templates::PendingColumns pending;
        templates::TemplateStore(env.db()).save(t, QByteArray(2000, 'p'), pending);
        app::CatalogueStore(env.db()).save(
            {{QStringLiteral("0_"), QStringLiteral("1_"), QStringLiteral("运单"), 1, 2},
             {QStringLiteral("1_"), QStringLiteral("2_"), QStringLiteral("child"), 1, 2},
             {QStringLiteral("0_"), QStringLiteral("3_"), QStringLiteral("moban"), 1, 2}});
        app::Frm_main w;
        w.load();
        w.TreeView1->setCurrentIndex(w.catalogue->findKey(QStringLiteral("1_")));
        const int pointRows = count(env.db(), QStringLiteral("SELECT count(*) FROM mobanxywh"));
        QVERIFY(pointRows > 0);
        // Asked first, No being the default: No deletes nothing.
        env.prompter.answers.enqueue(ui::Answer::No);
        w.cmdRemove->click();
        QCOMPARE(env.prompter.shown.size(), 1);
        const ui::Message asked = env.prompter.last();
        QVERIFY2(asked.text.startsWith(QStringLiteral("确定要删除节点“运单”吗？")), qPrintable(asked.text));
        QVERIFY(asked.text.contains(QStringLiteral("全部打印记录都将一并删除，不能恢复")));
        QVERIFY(asked.text.contains(QStringLiteral("子节点")));
        QCOMPARE(asked.title, QStringLiteral("警告"));
        QCOMPARE(asked.buttons, ui::Buttons::YesNo);
        QVERIFY(asked.defaultNo);
        QCOMPARE(w.catalogue->nodeCount(), 3);
        QCOMPARE(count(env.db(), QStringLiteral("SELECT count(*) FROM mobanxywh")), pointRows);
        QVERIFY(test::hasLog(env.db(), QStringLiteral("运单")));
        // Yes: nothing else is said, and the template goes.
        env.prompter.clear();
        w.cmdRemove->click();
        QCOMPARE(env.prompter.shown.size(), 1);
        QCOMPARE(w.catalogue->nodeCount(), 1);
        QCOMPARE(count(env.db(), QStringLiteral("SELECT count(*) FROM mobanxywh")), 0);
        QCOMPARE(count(env.db(), QStringLiteral("SELECT count(*) FROM moban")), 0);
        QCOMPARE(count(env.db(), QStringLiteral("SELECT count(*) FROM mobantabe")),
                 2); // the child's row stays
        QVERIFY(!test::hasLog(env.db(), QStringLiteral("运单")));
        // A node named like a base table never drops that table.
        w.TreeView1->setCurrentIndex(w.catalogue->findKey(QStringLiteral("3_")));
        w.cmdRemove->click();
        QVERIFY(data::tableExists(env.db(), QStringLiteral("moban")));
    }

    void commonUses() {
        test::TestEnv env;
        app::CommonUseStore(env.db()).add(QStringLiteral("货款"));
        app::Frm_main w;
        w.load();
        QCOMPARE(w.XPFrame3->yongtuModel->stringList(), QStringList{QStringLiteral("货款")});
        w.XPFrame3->Text_yongtu->setText(QStringLiteral("O'Neil 运费"));
        w.XPFrame3->XPBut_Newyongtu->click();
        QCOMPARE(app::CommonUseStore(env.db()).all(),
                 (QStringList{QStringLiteral("货款"), QStringLiteral("O'Neil 运费")}));
        QCOMPARE(w.XPFrame3->yongtuModel->rowCount(), 2);
        w.XPFrame3->Text_yongtu->clear();
        w.XPFrame3->XPBut_Newyongtu->click();
        QCOMPARE(w.XPFrame3->yongtuModel->rowCount(), 3);
        // Nothing chosen, even with a current entry (as the list makes on getting the focus): nothing goes.
        w.XPFrame3->List_findlx->selectionModel()->setCurrentIndex(w.XPFrame3->yongtuModel->index(0),
                                                                   QItemSelectionModel::NoUpdate);
        w.XPFrame3->XPBut_Delyongtu->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("请选择想要删除的用途"));
        QCOMPARE(env.prompter.last().title, QStringLiteral("提示"));
        QCOMPARE(app::CommonUseStore(env.db()).all().size(), 3);
        QCOMPARE(w.XPFrame3->yongtuModel->rowCount(), 3);
        // The chosen empty entry removes the rows with an empty text.
        w.XPFrame3->List_findlx->setCurrentIndex(w.XPFrame3->yongtuModel->index(2));
        w.XPFrame3->XPBut_Delyongtu->click();
        QCOMPARE(app::CommonUseStore(env.db()).all().size(), 2);
        QCOMPARE(w.XPFrame3->yongtuModel->rowCount(), 2);
        w.XPFrame3->List_findlx->setCurrentIndex(w.XPFrame3->yongtuModel->index(1));
        w.XPFrame3->XPBut_Delyongtu->click();
        QCOMPARE(app::CommonUseStore(env.db()).all(), QStringList{QStringLiteral("货款")});
        QCOMPARE(w.XPFrame3->yongtuModel->rowCount(), 1);
        // The list moved its current entry after the removal, but chose nothing.
        const int shown = env.prompter.shown.size();
        w.XPFrame3->XPBut_Delyongtu->click();
        QCOMPARE(app::CommonUseStore(env.db()).all(), QStringList{QStringLiteral("货款")});
        QCOMPARE(env.prompter.shown.size(), shown + 1);
    }

    // A current node that the user never chose (the view makes the first node current when it gets the
    // focus, and moves the current node after a removal) is no selection: every action leaves it alone.
    void actionsNeedAChosenNode() {
        test::TestEnv env;
        app::state().userLevel = QStringLiteral("高级用户");
        saveTemplate(env.db(), QStringLiteral("运单"));
        saveTemplate(env.db(), QStringLiteral("发票"));
        app::CatalogueStore(env.db()).save(
            {{QStringLiteral("0_"), QStringLiteral("1_"), QStringLiteral("运单"), 1, 2},
             {QStringLiteral("1_"), QStringLiteral("2_"), QStringLiteral("子"), 1, 2},
             {QStringLiteral("0_"), QStringLiteral("3_"), QStringLiteral("发票"), 1, 2}});
        app::Frm_main w;
        w.load();
        w.show();
        w.toolbarClick(QStringLiteral("显示工具"));
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.TreeView1->setFocus(Qt::TabFocusReason);
        QVERIFY(w.TreeView1->currentIndex().isValid()); // what the view does by itself
        app::state().currentTemplate = QStringLiteral("before");

        w.cmdRemove->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("请选择想要删除的节点"));
        QCOMPARE(w.catalogue->nodeCount(), 3);
        QCOMPARE(count(env.db(), QStringLiteral("SELECT count(*) FROM mobanxywh WHERE mobanname = '运单'")),
                 2);
        QVERIFY(test::hasLog(env.db(), QStringLiteral("运单")));

        struct Open {
            QPushButton* button;
            const char* message;
        };
        for (const Open& o :
             {Open{w.XPButOpenMoban, "请选择想要打开的模板"}, Open{w.XPButmoban_edit, "请选择想要编辑的模板"},
              Open{w.XPBut_find, "请选择想要查询的模板"}}) {
            o.button->click();
            QCOMPARE(env.prompter.lastText(), QString::fromUtf8(o.message));
            QVERIFY(env.prompter.dialogsShown.isEmpty());
            QCOMPARE(app::state().currentTemplate, QStringLiteral("before"));
        }

        // The child is current only: "新增子节点" adds nothing, "新增主节点" a top-level node.
        w.TreeView1->selectionModel()->setCurrentIndex(w.catalogue->findKey(QStringLiteral("2_")),
                                                       QItemSelectionModel::NoUpdate);
        w.cmdChild->click();
        w.Text_mobanName->setText(QStringLiteral("新"));
        w.XPBut确定->click();
        QCOMPARE(w.catalogue->nodeCount(), 3);
        QCOMPARE(env.prompter.last().title, QStringLiteral("提示"));
        w.cmdLast->click();
        w.XPBut确定->click();
        QCOMPARE(w.catalogue->nodeCount(), 4);
        QVERIFY(!w.catalogue->findKey(QStringLiteral("4_")).parent().isValid());

        // After a removal the view makes a neighbour current; a second press must not delete it.
        w.TreeView1->setCurrentIndex(w.catalogue->findKey(QStringLiteral("3_")));
        QVERIFY(w.selectedNode().isValid());
        w.cmdRemove->click();
        QVERIFY(!test::hasLog(env.db(), QStringLiteral("发票")));
        QCOMPARE(w.catalogue->nodeCount(), 3);
        w.cmdRemove->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("请选择想要删除的节点"));
        QCOMPARE(w.catalogue->nodeCount(), 3);
        QVERIFY(test::hasLog(env.db(), QStringLiteral("运单")));
    }

    // A node added and never saved would be gone at the next start, with its template out of reach.
    void closingAsksForAnUnsavedTree() {
        test::TestEnv env;
        app::state().userLevel = QStringLiteral("高级用户");
        const auto savedNodes = [&] {
            return count(env.db(), QStringLiteral("SELECT count(*) FROM mobantabe"));
        };
        {
            app::Frm_main w;
            w.load();
            w.show();
            QVERIFY(w.close()); // nothing changed: nothing asked
            QVERIFY(env.prompter.shown.isEmpty());
        }
        app::Frm_main w;
        w.load();
        w.show();
        w.cmdLast->click();
        w.Text_mobanName->setText(QStringLiteral("运单"));
        w.XPBut确定->click();
        // Cancel: "系统退出" neither closes nor ends the program.
        env.prompter.answers.enqueue(ui::Answer::Cancel);
        w.toolbarClick(QStringLiteral("系统退出"));
        QCOMPARE(env.prompter.lastText(), app::kUnsavedTreeQuestion);
        QCOMPARE(env.prompter.last().buttons, ui::Buttons::YesNoCancel);
        QVERIFY(w.isVisible());
        QCOMPARE(env.prompter.quitCount, 0);
        QCOMPARE(savedNodes(), 0);
        // Yes saves the tree, then the window closes.
        env.prompter.answers.enqueue(ui::Answer::Yes);
        w.toolbarClick(QStringLiteral("系统退出"));
        QCOMPARE(savedNodes(), 1);
        QVERIFY(!w.isVisible());
        QCOMPARE(env.prompter.quitCount, 1);
        // After a save nothing is asked; No closes and keeps the tree as saved.
        w.show();
        env.prompter.clear();
        QVERIFY(w.close());
        QVERIFY(env.prompter.shown.isEmpty());
        w.show();
        w.cmdLast->click();
        w.Text_mobanName->setText(QStringLiteral("发票"));
        w.XPBut确定->click();
        env.prompter.answers.enqueue(ui::Answer::No);
        QVERIFY(w.close());
        QCOMPARE(env.prompter.shown.size(), 1);
        QCOMPARE(savedNodes(), 1);
    }

    void addedNameIsTrimmed() {
        test::TestEnv env;
        app::state().userLevel = QStringLiteral("高级用户");
        app::Frm_main w;
        w.load();
        w.cmdLast->click();
        w.Text_mobanName->setText(QStringLiteral(" 运单 "));
        w.XPBut确定->click();
        w.cmdLast->click();
        w.Text_mobanName->setText(QStringLiteral("　\t ")); // blanks only, a full-width one included
        w.XPBut确定->click();
        QCOMPARE(w.catalogue->nodeCount(), 1);
        const QModelIndex node = w.catalogue->findKey(QStringLiteral("1_"));
        QCOMPARE(node.data().toString(), QStringLiteral("运单"));
        QCOMPARE(node.data(Qt::ToolTipRole).toString(),
                 QStringLiteral("运单")); // whole, where the tree cuts it
        // The template is stored under the name the tree gives back after a restart.
        w.TreeView1->setCurrentIndex(node);
        w.XPButOpenMoban->click();
        QCOMPARE(app::state().currentTemplate, QStringLiteral("运单"));
        w.Command1->click();
        QCOMPARE(app::CatalogueStore(env.db()).load().first().text, QStringLiteral("运单"));
        QCOMPARE(data::scalar(env.db(), QStringLiteral("SELECT text FROM mobantabe")).toString(),
                 QStringLiteral("运单"));
    }

    // A new node may repeat a name exactly (the same template), but not with other letter case (the
    // two would share one print log table), nor take a name the database holds for something else.
    void addRefusesClashingNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("refusal"); // a part of the message; empty: added
        QTest::addColumn<bool>("fileOnly");   // a name the file's log tables cannot take, a server's log can
        QTest::newRow("exact duplicate of a node") << QStringLiteral("Waybill") << QString() << false;
        QTest::newRow("case of a node")
            << QStringLiteral("WAYBILL") << QStringLiteral("“Waybill”只有字母大小写不同") << false;
        QTest::newRow("case of an unsaved node")
            << QStringLiteral("NEU") << QStringLiteral("“Neu”只有字母大小写不同") << false;
        QTest::newRow("case of a stored template")
            << QStringLiteral("invoice") << QStringLiteral("“Invoice”只有字母大小写不同") << false;
        QTest::newRow("base table") << QStringLiteral("Moban") << QStringLiteral("系统数据表同名") << false;
        QTest::newRow("base index") << QStringLiteral("idx_moban_name") << QStringLiteral("已有的索引")
                                    << true;
        QTest::newRow("reserved") << QStringLiteral("idx:Waybill")
                                  << QStringLiteral("留给打印记录表的索引使用") << true;
        QTest::newRow("other name") << QStringLiteral("Waybill 2") << QString() << false;
    }

    void addRefusesClashingNames() {
        QFETCH(QString, name);
        QFETCH(QString, refusal);
        QFETCH(bool, fileOnly);
        if (fileOnly && test::onServer())
            refusal.clear();
        test::TestEnv env;
        app::state().userLevel = QStringLiteral("高级用户");
        saveTemplate(env.db(), QStringLiteral("Waybill"));
        saveTemplate(env.db(), QStringLiteral("Invoice")); // designed, its node never saved
        app::CatalogueStore(env.db()).save(
            {{QStringLiteral("0_"), QStringLiteral("1_"), QStringLiteral("Waybill"), 1, 2}});
        app::Frm_main w;
        w.load();
        w.cmdLast->click();
        w.Text_mobanName->setText(QStringLiteral("Neu"));
        w.XPBut确定->click();
        QCOMPARE(w.catalogue->nodeCount(), 2);
        w.cmdLast->click();
        w.Text_mobanName->setText(name);
        w.XPBut确定->click();
        if (refusal.isEmpty()) {
            QVERIFY(env.prompter.shown.isEmpty());
            QCOMPARE(w.catalogue->nodeCount(), 3);
            return;
        }
        QCOMPARE(w.catalogue->nodeCount(), 2);
        QCOMPARE(env.prompter.shown.size(), 1);
        QVERIFY2(env.prompter.lastText().contains(refusal), qPrintable(env.prompter.lastText()));
        QCOMPARE(env.prompter.last().title, QStringLiteral("输入提示"));
        QVERIFY(!w.XPFrame2->isHidden()); // the name can be corrected at once
        QCOMPARE(w.Text_mobanName->text(), name);
    }

    // "删除节点" drops the print log table only when no other node names it, letter case aside.
    void removeKeepsSharedHistory() {
        test::TestEnv env;
        app::state().userLevel = QStringLiteral("高级用户");
        saveTemplate(env.db(), QStringLiteral("Waybill"));
        saveTemplate(env.db(), QStringLiteral("运单"));
        saveTemplate(env.db(), QStringLiteral("Parent"));
        test::addLogSheet(env.db(), QStringLiteral("Waybill"), {QStringLiteral("打印日期")},
                          {QStringLiteral("2024-01-01 08:00:00")});
        // Nodes as older versions let them be made.
        app::CatalogueStore(env.db()).save(
            {{QStringLiteral("0_"), QStringLiteral("1_"), QStringLiteral("Waybill"), 1, 2},
             {QStringLiteral("0_"), QStringLiteral("2_"), QStringLiteral("WAYBILL"), 1, 2},
             {QStringLiteral("0_"), QStringLiteral("3_"), QStringLiteral("运单"), 1, 2},
             {QStringLiteral("0_"), QStringLiteral("4_"), QStringLiteral("运单"), 1, 2},
             {QStringLiteral("0_"), QStringLiteral("5_"), QStringLiteral("Parent"), 1, 2},
             {QStringLiteral("5_"), QStringLiteral("6_"), QStringLiteral("PARENT"), 1, 2}});
        app::Frm_main w;
        w.load();
        auto remove = [&](const char* key) {
            w.TreeView1->setCurrentIndex(w.catalogue->findKey(QString::fromLatin1(key)));
            QVERIFY(w.selectedNode().isValid());
            w.cmdRemove->click();
        };
        auto rows = [&](const QString& name) {
            return count(env.db(),
                         QStringLiteral("SELECT count(*) FROM mobanxywh WHERE mobanname = '%1'").arg(name));
        };
        auto nodes = [&](const QString& text) {
            return count(env.db(),
                         QStringLiteral("SELECT count(*) FROM mobantabe WHERE text = '%1'").arg(text));
        };

        remove("2_"); // WAYBILL: its own rows go, Waybill's history stays
        QVERIFY(test::hasLog(env.db(), QStringLiteral("Waybill")));
        QCOMPARE(test::logCount(env.db(), QStringLiteral("Waybill")), 1);
        QCOMPARE(rows(QStringLiteral("Waybill")), 2);
        QCOMPARE(nodes(QStringLiteral("WAYBILL")), 0);
        QCOMPARE(nodes(QStringLiteral("Waybill")), 1);
        remove("1_"); // the last one names it no more
        QVERIFY(!test::hasLog(env.db(), QStringLiteral("Waybill")));
        QCOMPARE(rows(QStringLiteral("Waybill")), 0);

        remove("3_"); // the other node still names the same template: it keeps all of it
        QVERIFY2(env.prompter.lastText().contains(QStringLiteral("另有同名节点使用模板“运单”")),
                 qPrintable(env.prompter.lastText()));
        QVERIFY(test::hasLog(env.db(), QStringLiteral("运单")));
        QCOMPARE(rows(QStringLiteral("运单")), 2);
        QCOMPARE(nodes(QStringLiteral("运单")), 1);
        remove("4_");
        QVERIFY(!test::hasLog(env.db(), QStringLiteral("运单")));
        QCOMPARE(nodes(QStringLiteral("运单")), 0);

        remove("5_"); // its child goes from the tree, but keeps its template until the tree is saved
        QCOMPARE(w.catalogue->nodeCount(), 0);
        QVERIFY(test::hasLog(env.db(), QStringLiteral("Parent")));
        QCOMPARE(nodes(QStringLiteral("PARENT")), 1);
        // Nothing was said but the questions before each deletion.
        QCOMPARE(env.prompter.shown.size(), 5);
        for (const auto& s : env.prompter.shown)
            QCOMPARE(s.message.title, QStringLiteral("警告"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
