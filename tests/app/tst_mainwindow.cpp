#include "TestEnv.h"
#include "app/AppState.h"
#include "app/Catalogue.h"
#include "app/CommonUseStore.h"
#include "app/Frm_main.h"
#include "data/Sql.h"
#include "templates/TemplateStore.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStringListModel>
#include <QTest>
#include <QTextBrowser>
#include <QTreeView>

using namespace vorlan;

namespace {
int count(const QSqlDatabase& db, const QString& sql) { return data::scalar(db, sql).toInt(); }
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void permissionsFollowTheLevel()
    {
        test::TestEnv env;
        app::state().userLevel = QStringLiteral("普通用户");
        app::Frm_main w;
        w.load();
        QCOMPARE(w.windowTitle(), QStringLiteral("Vorlan"));
        QCOMPARE(w.toolButton(QStringLiteral("管理登录"))->text(), QStringLiteral("管理登录"));
        QVERIFY(!w.toolButton(QStringLiteral("数据备份"))->isEnabled());
        QCOMPARE(w.toolButton(QStringLiteral("数据备份"))->text(), QStringLiteral("数据维护"));
        for (QPushButton* b : {w.XPButmoban_edit, w.cmdLast, w.cmdChild, w.cmdRemove, w.Command1}) QVERIFY(!b->isEnabled());
        QVERIFY(w.XPButOpenMoban->isEnabled());

        // An ordinary login changes nothing; an advanced one enables and shows "管理退出".
        w.showLogin = [](QWidget*) { app::state().userLevel = QStringLiteral("普通用户"); };
        w.toolbarClick(QStringLiteral("管理登录"));
        QVERIFY(!w.cmdLast->isEnabled());
        w.showLogin = [](QWidget*) { app::state().userLevel = QStringLiteral("高级用户"); };
        w.toolbarClick(QStringLiteral("管理登录"));
        QCOMPARE(w.toolButton(QStringLiteral("管理登录"))->text(), QStringLiteral("管理退出"));
        QVERIFY(w.toolButton(QStringLiteral("数据备份"))->isEnabled());
        for (QPushButton* b : {w.XPButmoban_edit, w.cmdLast, w.cmdChild, w.cmdRemove, w.Command1}) QVERIFY(b->isEnabled());

        // Logout: at once, without asking.
        w.toolbarClick(QStringLiteral("管理登录"));
        QCOMPARE(app::state().userLevel, QStringLiteral("普通用户"));
        QCOMPARE(w.toolButton(QStringLiteral("管理登录"))->text(), QStringLiteral("管理登录"));
        QVERIFY(!w.Command1->isEnabled());
        QVERIFY(env.prompter.shown.isEmpty());
    }

    void panelsToggle()
    {
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
        w.XPButton2->click();
        QVERIFY(!w.XPFrame3->isVisible());
    }

    void calculatorMissingOrStarted()
    {
        test::TestEnv env;
        app::Frm_main w;
        env.prompter.startSucceeds = false;
        w.toolbarClick(QStringLiteral("计算器"));
        QCOMPARE(env.prompter.lastText(), QStringLiteral("调用路径错误或不存在"));
        QCOMPARE(env.prompter.last().title, QStringLiteral("错误！"));
        QCOMPARE(env.prompter.last().icon, ui::Icon::Critical);
    }

    void openingNeedsASelectedNode()
    {
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

    void nextKey_data()
    {
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("next");
        QTest::newRow("empty") << QStringList{} << QStringLiteral("1_");
        QTest::newRow("gaps") << QStringList{QStringLiteral("1_"), QStringLiteral("5_"), QStringLiteral("3_")}
                              << QStringLiteral("6_");
        QTest::newRow("first is largest") << QStringList{QStringLiteral("12_"), QStringLiteral("2_")}
                                          << QStringLiteral("13_");
        QTest::newRow("no digits") << QStringList{QStringLiteral("abc")} << QStringLiteral("1_");
        QTest::newRow("limit") << QStringList{QStringLiteral("32766_")} << QStringLiteral("32767_");
        QTest::newRow("past limit") << QStringList{QStringLiteral("32767_")} << QStringLiteral("1_");
    }

    void nextKey()
    {
        QFETCH(QStringList, keys);
        QFETCH(QString, next);
        QCOMPARE(app::nextKey(keys), next);
    }

    void addSaveReloadTree()
    {
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
            QCOMPARE(w.catalogue->findKey(QStringLiteral("4_")).parent(), w.catalogue->findKey(QStringLiteral("1_")));
            add(w, true, QString()); // empty name adds nothing
            QCOMPARE(w.catalogue->nodeCount(), 4);
            w.Command1->click();
            QCOMPARE(env.prompter.lastText(), QStringLiteral("结构保存完成"));
        }
        const QList<app::CatalogueRow> rows = app::CatalogueStore(env.db()).load();
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[0].parent, QStringLiteral("0_"));
        QCOMPARE(rows[1].parent, QStringLiteral("1_"));
        for (const auto& r : rows) QCOMPARE(r.image, 1);
        app::Frm_main w;
        w.load();
        QCOMPARE(w.catalogue->rows(), rows);
        QVERIFY(w.TreeView1->isExpanded(w.catalogue->findKey(QStringLiteral("1_"))));
        // Opening sets the current template to the node's exact text.
        w.TreeView1->setCurrentIndex(w.catalogue->findKey(QStringLiteral("2_")));
        w.XPButOpenMoban->click();
        QCOMPARE(app::state().currentTemplate, QStringLiteral("运单"));
    }

    void orphanRowsGoToTopLevel()
    {
        test::TestEnv env;
        app::CatalogueStore(env.db()).save({{QStringLiteral("9_"), QStringLiteral("2_"), QStringLiteral("lost"), 1, 2},
                                            {QStringLiteral("0_"), QStringLiteral("1_"), QStringLiteral("top"), 1, 2}});
        app::Frm_main w;
        w.load();
        QCOMPARE(w.catalogue->rowCount(), 2);
        QCOMPARE(w.catalogue->rows().first().parent, QStringLiteral("0_"));
    }

    void removeNodeDeletesTemplate()
    {
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
        app::CatalogueStore(env.db()).save({{QStringLiteral("0_"), QStringLiteral("1_"), QStringLiteral("运单"), 1, 2},
                                            {QStringLiteral("1_"), QStringLiteral("2_"), QStringLiteral("child"), 1, 2},
                                            {QStringLiteral("0_"), QStringLiteral("3_"), QStringLiteral("moban"), 1, 2}});
        app::Frm_main w;
        w.load();
        w.TreeView1->setCurrentIndex(w.catalogue->findKey(QStringLiteral("1_")));
        w.cmdRemove->click();
        QVERIFY(env.prompter.shown.isEmpty());
        QCOMPARE(w.catalogue->nodeCount(), 1);
        QCOMPARE(count(env.db(), QStringLiteral("SELECT count(*) FROM mobanxywh")), 0);
        QCOMPARE(count(env.db(), QStringLiteral("SELECT count(*) FROM moban")), 0);
        QCOMPARE(count(env.db(), QStringLiteral("SELECT count(*) FROM mobantabe")), 2); // the child's row stays
        QVERIFY(!data::tableExists(env.db(), QStringLiteral("运单")));
        // A node named like a base table never drops that table.
        w.TreeView1->setCurrentIndex(w.catalogue->findKey(QStringLiteral("3_")));
        w.cmdRemove->click();
        QVERIFY(data::tableExists(env.db(), QStringLiteral("moban")));
    }

    void commonUses()
    {
        test::TestEnv env;
        app::CommonUseStore(env.db()).add(QStringLiteral("货款"));
        app::Frm_main w;
        w.load();
        QCOMPARE(w.yongtuModel->stringList(), QStringList{QStringLiteral("货款")});
        w.Text_yongtu->setText(QStringLiteral("O'Neil 运费"));
        w.XPBut_Newyongtu->click();
        QCOMPARE(app::CommonUseStore(env.db()).all(), (QStringList{QStringLiteral("货款"), QStringLiteral("O'Neil 运费")}));
        QCOMPARE(w.yongtuModel->rowCount(), 2);
        // Nothing selected: removes rows with an empty text, the list stays.
        w.Text_yongtu->clear();
        w.XPBut_Newyongtu->click();
        w.XPBut_Delyongtu->click();
        QCOMPARE(app::CommonUseStore(env.db()).all().size(), 2);
        QCOMPARE(w.yongtuModel->rowCount(), 3);
        w.List_findlx->setCurrentIndex(w.yongtuModel->index(1));
        w.XPBut_Delyongtu->click();
        QCOMPARE(app::CommonUseStore(env.db()).all(), QStringList{QStringLiteral("货款")});
        QCOMPARE(w.yongtuModel->rowCount(), 2);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
