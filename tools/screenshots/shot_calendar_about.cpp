#include "Shots.h"

#include "LocalHttpServer.h"
#include "TestEnv.h"
#include "about/Frm_NetCorvane.h"
#include "app/Product.h"
#include "calendar/Frm_RiLi.h"

#include <QCalendarWidget>
#include <QPushButton>
#include <QStringEncoder>

using namespace vorlan;

static shots::Registrar calendarAbout("calendar_about", [](const QString& folder) {
    test::TestEnv env(false);
    {
        calendar::Frm_RiLi w(nullptr, QDate(2026, 2, 17));
        w.MonthView1->setSelectedDate(QDate(2026, 2, 25));
        shots::save(&w, folder, QStringLiteral("calendar"));
    }
    {
        test::LocalHttpServer server;
        env.setUpdateServer(server.url().toString());
        server.serve(QStringLiteral("/NewVer.txt"), QStringEncoder("GBK").encode(QStringLiteral(
                                                        "最新版本：Wex-Zov Ver 2.1（2026年3月）\r\n"
                                                        "1. 打印窗口支持整体偏移的微调保存\r\n"
                                                        "2. 客户资料导入速度提高\r\n"
                                                        "请点击“点击即启动在线升级”按钮进行升级。\r\n")));
        about::Frm_NetCorvane w;
        w.XPButton1->click();
        shots::save(&w, folder, QStringLiteral("about"));
        env.setUpdateServer(QString());
    }
});
