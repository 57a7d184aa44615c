#include "Shots.h"

#include "TestEnv.h"
#include "app/AppState.h"
#include "app/CommonUseStore.h"
#include "app/DatabaseDialog.h"
#include "data/Schema.h"
#include "data/SqliteEngine.h"
#include "maintenance/Frm_Migrate.h"
#include "templates/PrintLogStore.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QSpinBox>

using namespace vorlan;

static shots::Registrar database("database", [](const QString& folder) {
    test::TestEnv env;
    env.addUser(QStringLiteral("001"), QStringLiteral("管理员"), QStringLiteral("admin"),
                QStringLiteral("高级用户"));
    env.addUser(QStringLiteral("002"), QStringLiteral("张晓梅"), QStringLiteral("1234"),
                QStringLiteral("普通用户"));
    app::CommonUseStore uses(env.db());
    for (const char* u : {"货款", "运费", "办公用品"})
        uses.add(QString::fromUtf8(u));
    {
        templates::Template t;
        t.name = QStringLiteral("示例运单");
        for (const char* p : {"收件人", "电话"}) {
            templates::InputPoint ip;
            ip.type = templates::type::SingleLine;
            ip.name = QString::fromUtf8(p);
            t.single.append(ip);
        }
        const templates::PrintLogStore logs(app::state().engine());
        templates::PendingColumns none;
        logs.bringUpToDate(t, none);
        for (int i = 0; i < 12; ++i)
            logs.insert(
                t.name, QDateTime(QDate(2024, 3, 5), QTime(9, i)),
                {{QStringLiteral("收件人"), QStringLiteral("收件人%1").arg(i)},
                 {QStringLiteral("电话"), QStringLiteral("1380571%1").arg(i, 4, 10, QLatin1Char('0'))}});
    }
    {
        app::DatabaseDialog w;
        w.load();
        shots::save(&w, folder, QStringLiteral("database-file"));
        w.cboKind->setCurrentIndex(app::DatabaseDialog::Server);
        w.cboKind_Click();
        w.txtServer->setText(QStringLiteral("db.shop.lan"));
        w.txtDatabase->setText(QStringLiteral("vorlan"));
        w.txtUser->setText(QStringLiteral("counter1"));
        w.txtPassword->setText(QStringLiteral("secret"));
        w.cboSsl->setCurrentIndex(1);
        shots::save(&w, folder, QStringLiteral("database-server"));
    }
    {
        data::ServerAddress a;
        a.host = QStringLiteral("db.shop.lan");
        a.database = QStringLiteral("vorlan");
        a.user = QStringLiteral("counter1");
        app::DatabaseDialog w(nullptr, app::DatabaseDialog::Mode::Password);
        w.setAddress(a);
        w.setMessage(QStringLiteral("%1要求输入密码。请输入密码后按“确定”（密码不会保存）。")
                         .arg(data::shownServer(a)));
        shots::save(&w, folder, QStringLiteral("database-password"));
    }
    {
        // The report of a copy of this database into an empty file, as a copy to a server shows it.
        const QString path = QDir(env.folder()).filePath(QStringLiteral("copy.mdb"));
        maintenance::MigrationReport report;
        {
            data::Engine target =
                data::sqlite::open(path, QStringLiteral("shot-copy"), data::sqlite::Access::Create);
            report = maintenance::migrate(app::state().engine(), target);
            report.target = QStringLiteral("服务器 db.shop.lan:5432 上的数据库“vorlan”");
            QSqlDatabase db = target.db();
            target = data::Engine();
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("shot-copy"));
        maintenance::Frm_Migrate w(nullptr, report);
        shots::save(&w, folder, QStringLiteral("migration-report"));
    }
});
