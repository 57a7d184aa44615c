#include "Shots.h"

#include "TestEnv.h"
#include "app/AppState.h"
#include "data/Sql.h"
#include "history/Frm_CXdata.h"
#include "history/HistoryModel.h"
#include "maintenance/Frm_Backup.h"
#include "printing/PrintJobStore.h"
#include "templates/PrintLogStore.h"
#include "users/Frm_RenYuanGL.h"

#include <QDateEdit>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTreeView>

using namespace vorlan;

static shots::Registrar historyUsersMaintenance("history_users_maintenance", [](const QString& folder) {
    test::TestEnv env;
    app::state().userLevel = QStringLiteral("高级用户");
    const QSqlDatabase db = env.db();

    // A waybill template's print log with two days of sheets.
    data::exec(db,
               QStringLiteral("CREATE TABLE \"示例运单\" (\"打印日期\" datetime, \"寄件人\" varchar(255), "
                              "\"收件人\" varchar(255), \"收件地址\" varchar(255), \"电话\" varchar(255), "
                              "\"件数\" varchar(255), %1)")
                   .arg(data::Engine(db).keyColumnDefinition(templates::PrintLogStore::kKeyColumn)));
    data::exec(db, QStringLiteral("CREATE INDEX \"示例运单_打印日期\" ON \"示例运单\" (\"打印日期\")"));
    const QDate today = QDate::currentDate();
    const char* people[][4] = {
        {"杭州文三贸易", "张晓梅", "上海市浦东新区世纪大道100号", "13805710001"},
        {"杭州文三贸易", "李建国", "北京市海淀区中关村大街27号", "13910002222"},
        {"宁波港货运", "王芳", "广州市天河区体育西路88号", "13700003333"},
        {"杭州文三贸易", "赵磊", "南京市鼓楼区中山北路1号", "13600004444"},
        {"温州鞋业", "陈静", "成都市武侯区人民南路四段9号", "13500005555"},
        {"温州鞋业", "刘洋", "武汉市江汉区解放大道688号", "13400006666"},
        {"宁波港货运", "周敏", "西安市雁塔区长安南路2号", "13300007777"},
    };
    int n = 0;
    for (int day = 1; day >= 0; --day)
        for (const auto& p : people) {
            const QDateTime at(today.addDays(-day), QTime(9 + n % 8, (n * 13) % 60, (n * 29) % 60));
            data::exec(db,
                       QStringLiteral("INSERT INTO \"示例运单\" (\"打印日期\", \"寄件人\", \"收件人\", "
                                      "\"收件地址\", \"电话\", \"件数\") VALUES (?, ?, ?, ?, ?, ?)"),
                       {data::dateTimeText(at), QString::fromUtf8(p[0]), QString::fromUtf8(p[1]),
                        QString::fromUtf8(p[2]), QString::fromUtf8(p[3]), QString::number(1 + n % 3)});
            ++n;
        }
    // Their print jobs: most went to a PDF file, one was printed again.
    const printing::PrintJobStore jobs(db);
    jobs.record(QStringLiteral("示例运单"), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13},
                printing::SpooledAs{QString(), 0, true});
    jobs.record(QStringLiteral("示例运单"), {11}, printing::SpooledAs{QString(), 0, true}, true);
    app::state().currentTemplate = QStringLiteral("示例运单");
    {
        history::Frm_CXdata w;
        w.load();
        w.List_findlx->setCurrentRow(0);
        w.Txt_CXtj->setText(QStringLiteral("杭州"));
        w.Comd_FindData->click();
        w.model->setData(w.model->index(1, 0), Qt::Checked, Qt::CheckStateRole);
        shots::save(&w, folder, QStringLiteral("history"));
    }

    env.addUser(QStringLiteral("001"), QStringLiteral("管理员"), QStringLiteral("admin"),
                QStringLiteral("高级用户"));
    env.addUser(QStringLiteral("002"), QStringLiteral("张晓梅"), QStringLiteral("1234"),
                QStringLiteral("普通用户"));
    env.addUser(QStringLiteral("003"), QStringLiteral("李建国"), QStringLiteral("5678"),
                QStringLiteral("普通用户"));
    {
        users::Frm_RenYuanGL w;
        w.load();
        w.Lst1->setCurrentIndex(w.users->index(1, 0));
        w.Text1->setText(QStringLiteral("1234"));
        w.Txt_id->setText(QStringLiteral("004"));
        w.Txt_name->setText(QStringLiteral("王芳"));
        shots::save(&w, folder, QStringLiteral("users"));
    }

    QDir(env.folder()).mkpath(QStringLiteral("Backup"));
    {
        maintenance::Frm_Backup w;
        w.load();
        w.Cmd_Ok->click(); // one backup, so that the Backup folder has a file to show
        const auto backups = w.dirBackup->findItems(QStringLiteral("Backup"), Qt::MatchEndsWith);
        if (!backups.isEmpty())
            emit w.dirBackup->itemActivated(backups.first());
        shots::save(&w, folder, QStringLiteral("maintenance"));
    }
});
