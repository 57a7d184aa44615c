#include "Shots.h"

#include "TestEnv.h"
#include "app/AppState.h"
#include "app/Catalogue.h"
#include "app/CommonUseStore.h"
#include "app/Frm_Begin.h"
#include "app/Frm_login.h"
#include "app/Frm_main.h"
#include "app/Product.h"

#include <QAction>
#include <QTreeView>

using namespace vorlan;

static shots::Registrar app("app", [](const QString& folder) {
    test::TestEnv env;
    env.setUpdateServer(QStringLiteral("http://127.0.0.1:9"));
    env.addUser(QStringLiteral("001"), QStringLiteral("管理员"), QStringLiteral("admin"),
                QStringLiteral("高级用户"));
    env.addUser(QStringLiteral("002"), QStringLiteral("张晓梅"), QStringLiteral("1234"),
                QStringLiteral("普通用户"));
    app::CatalogueStore(env.db()).save({
        {QStringLiteral("0_"), QStringLiteral("1_"), QStringLiteral("快递单"), 1, 2},
        {QStringLiteral("1_"), QStringLiteral("2_"), QStringLiteral("示例运单"), 1, 2},
        {QStringLiteral("1_"), QStringLiteral("3_"), QStringLiteral("同城快递"), 1, 2},
        {QStringLiteral("0_"), QStringLiteral("4_"), QStringLiteral("银行票据"), 1, 2},
        {QStringLiteral("4_"), QStringLiteral("5_"), QStringLiteral("电汇凭证"), 1, 2},
        {QStringLiteral("4_"), QStringLiteral("6_"), QStringLiteral("进账单"), 1, 2},
    });
    app::CommonUseStore uses(env.db());
    for (const char* u : {"货款", "运费", "办公用品", "差旅费"})
        uses.add(QString::fromUtf8(u));

    {
        app::Frm_Begin splash;
        splash.start();
        while (splash.step() < 24)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        shots::save(&splash, folder, QStringLiteral("splash"));
        splash.close();
    }
    {
        app::Frm_login login;
        login.load();
        login.Combo1->setCurrentIndex(0);
        shots::save(&login, folder, QStringLiteral("login"));
    }
    {
        app::state().userLevel = QStringLiteral("高级用户");
        app::Frm_main w;
        w.load();
        w.toolbarClick(QStringLiteral("显示工具"));
        w.toolbarClick(QStringLiteral("常用用途"));
        w.TreeView1->setCurrentIndex(w.catalogue->findKey(QStringLiteral("2_")));
        shots::save(&w, folder, QStringLiteral("main"));
        w.toolbarClick(QStringLiteral("帮助说明"));
        shots::save(&w, folder, QStringLiteral("main-help"));
        w.toolbarClick(QStringLiteral("帮助说明"));
        // The keyboard at work: the focus frame on a button, the name entry with the focus.
        w.XPButOpenMoban->setFocus(Qt::TabFocusReason);
        shots::save(&w, folder, QStringLiteral("main-focus"));
        w.Text_mobanName->setText(QStringLiteral("新模板"));
        w.cmdChild->click();
        shots::save(&w, folder, QStringLiteral("main-newnode"));
    }
});
