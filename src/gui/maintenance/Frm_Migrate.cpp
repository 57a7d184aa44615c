#include "maintenance/Frm_Migrate.h"

#include "app/DatabaseDialog.h"
#include "data/Database.h"
#include "data/PostgresEngine.h"
#include "data/SqliteEngine.h"
#include "ui/Controls.h"
#include "ui/Modal.h"
#include "ui/Prompt.h"
#include "ui/Twips.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vorlan::maintenance {

namespace {

const QString kTitle = QStringLiteral("迁移到服务器");

// A connection of the copy's own, closed and removed when the copy is over.
class Connection {
public:
    Connection(QString name, data::Engine e) : name_(std::move(name)), engine_(std::move(e)) {}
    ~Connection() {
        {
            QSqlDatabase db = engine_.db();
            engine_ = data::Engine();
            db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    const data::Engine& engine() const { return engine_; }

private:
    QString name_;
    data::Engine engine_;
};

QTableWidgetItem* cell(const QString& text, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setTextAlignment(align);
    return item;
}

} // namespace

Frm_Migrate::Frm_Migrate(QWidget* parent, const MigrationReport& report) : QDialog(parent) {
    setObjectName(QStringLiteral("Frm_Migrate"));
    setWindowTitle(kTitle);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    lblResult = ui::makeLabel(
        this, QStringLiteral("lblResult"),
        report.committed
            ? QStringLiteral(
                  "迁移已完成：%1现在有本机数据库的全部数据。下表逐个列出两边的行数和校验和（SHA-256），"
                  "全部相同。")
                  .arg(report.target)
            : QStringLiteral(
                  "迁移没有完成：下表中标为“不同”的数据表，%1读回的数据与本机的不一样，所以什么也没有"
                  "写入。")
                  .arg(report.target));
    lblResult->setWordWrap(true);
    if (!report.committed)
        lblResult->setStyleSheet(QStringLiteral("color: #a03010;"));

    grdTables = new QTableWidget(int(report.tables.size()), 7, this);
    grdTables->setObjectName(QStringLiteral("grdTables"));
    grdTables->setHorizontalHeaderLabels({QStringLiteral("数据表"), QStringLiteral("类别"),
                                          QStringLiteral("本机行数"), QStringLiteral("服务器行数"),
                                          QStringLiteral("本机校验和"), QStringLiteral("服务器校验和"),
                                          QStringLiteral("结果")});
    grdTables->verticalHeader()->setVisible(false);
    grdTables->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdTables->setEditTriggers(QAbstractItemView::NoEditTriggers);
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    for (int r = 0; r < report.tables.size(); ++r) {
        const TableCheck& t = report.tables.at(r);
        grdTables->setItem(r, ColTable, cell(t.name));
        grdTables->setItem(r, ColKind, cell(t.log ? QStringLiteral("打印记录") : QStringLiteral("数据表")));
        grdTables->setItem(r, ColSourceRows, cell(QString::number(t.sourceRows), right));
        grdTables->setItem(r, ColTargetRows, cell(QString::number(t.targetRows), right));
        auto* source = cell(shownSum(t.sourceSum));
        source->setToolTip(shownSum(t.sourceSum, true));
        grdTables->setItem(r, ColSourceSum, source);
        auto* target = cell(shownSum(t.targetSum));
        target->setToolTip(shownSum(t.targetSum, true));
        grdTables->setItem(r, ColTargetSum, target);
        auto* result = cell(t.equal() ? QStringLiteral("相同") : QStringLiteral("不同"));
        if (!t.equal())
            result->setForeground(QColor(0xa0, 0x30, 0x10));
        grdTables->setItem(r, ColResult, result);
    }
    grdTables->resizeColumnsToContents();
    grdTables->horizontalHeader()->setStretchLastSection(true);

    lblSkipped =
        ui::makeLabel(this, QStringLiteral("lblSkipped"),
                      report.skipped.isEmpty() ? QString()
                                               : QStringLiteral("不是本系统的数据表，没有迁移：%1")
                                                     .arg(report.skipped.join(QStringLiteral("、"))));
    lblSkipped->setWordWrap(true);
    lblSkipped->setVisible(!report.skipped.isEmpty());

    cmdClose = ui::makeButton(this, QStringLiteral("cmdClose"), QStringLiteral("关闭"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblResult);
    layout->addWidget(grdTables, 1);
    layout->addWidget(lblSkipped);
    layout->addLayout(buttons);
    resize(ui::toPixels(10200_tw), ui::toPixels(6000_tw));

    cmdClose->setFocus();

    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
}

void migrateToServer(QWidget* parent) {
    const QString path = data::databasePath();
    if (!QFileInfo::exists(path)) {
        ui::information(parent,
                        QStringLiteral("本机没有数据库文件“%1”，没有可以迁移的数据。")
                            .arg(QDir::toNativeSeparators(path)),
                        kTitle);
        return;
    }
    app::DatabaseDialog::Choice chosen;
    if (ui::openModal<app::DatabaseDialog>(parent, app::DatabaseDialog::Mode::MigrationTarget, &chosen) !=
            QDialog::Accepted ||
        !chosen)
        return;

    MigrationReport report;
    try {
        // The file is opened only for reading: nothing of the copy can change it.
        const Connection source(QStringLiteral("vorlan-migrate-source"),
                                data::sqlite::open(path, QStringLiteral("vorlan-migrate-source"),
                                                   data::sqlite::Access::ReadOnly));
        const Connection target(QStringLiteral("vorlan-migrate-target"),
                                data::postgres::open(*chosen, QStringLiteral("vorlan-migrate-target")));
        source.engine().prepareConnection();
        target.engine().prepareConnection();

        QProgressDialog progress(QStringLiteral("正在迁移…"), QStringLiteral("取消"), 0, 1, parent);
        progress.setObjectName(QStringLiteral("prgMigrate"));
        progress.setWindowTitle(kTitle);
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(0);
        progress.setMinimumWidth(ui::toPixels(6000_tw));
        report = migrate(source.engine(), target.engine(), [&](const MigrationStep& step) {
            progress.setMaximum(step.count);
            progress.setValue(step.table.isEmpty() ? step.count : step.index - 1);
            progress.setLabelText(step.table.isEmpty()
                                      ? QStringLiteral("正在核对…")
                                      : QStringLiteral("正在复制“%1”（第 %2 个，共 %3 个），已复制 %4 行…")
                                            .arg(step.table)
                                            .arg(step.index)
                                            .arg(step.count)
                                            .arg(step.rows));
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        });
    } catch (const data::DbError& e) {
        ui::exclamation(parent, e.description(), kTitle);
        return;
    }

    ui::openModal<Frm_Migrate>(parent, report);
    if (!report.committed)
        return;
    data::ServerAddress saved = *chosen;
    saved.password.clear();
    if (data::configuredServer() == saved)
        return;
    if (ui::question(
            parent,
            QStringLiteral("是否让这台电脑从下次登录（或重新启动）起使用%1？").arg(data::shownServer(saved)),
            kTitle) != ui::Answer::Yes)
        return;
    data::setConfiguredServer(saved);
    ui::information(
        parent,
        QStringLiteral(
            "已设置：这台电脑从下次登录（或重新启动）起使用%1。其他电脑请在“数据库连接”中设置同一个服务器。")
            .arg(data::shownServer(saved)),
        QStringLiteral("系统提示"));
}

} // namespace vorlan::maintenance
