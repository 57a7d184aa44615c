#include "maintenance/Frm_Backup.h"

#include "app/AppState.h"
#include "app/DatabaseDialog.h"
#include "app/Windows.h"
#include "data/Database.h"
#include "data/Sql.h"
#include "maintenance/Frm_Migrate.h"
#include "maintenance/Maintenance.h"
#include "ui/Controls.h"
#include "ui/Guarded.h"
#include "ui/Modal.h"
#include "ui/Prompt.h"
#include "ui/TwipsLayout.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileIconProvider>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStorageInfo>

namespace vorlan::maintenance {

namespace {

const QString kTitle = QStringLiteral("提示");

// The drive letter in upper case; elsewhere the volume's mount point as it is (upper-casing a path
// would name a folder that does not exist).
QString driveName(const QString& rootPath) {
#ifdef Q_OS_WIN
    return rootPath.left(1).toUpper();
#else
    return QDir::toNativeSeparators(rootPath);
#endif
}

} // namespace

Frm_Backup::Frm_Backup(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Frm_Backup"));
    setWindowTitle(QStringLiteral("数据库备份与压缩及数据的删除"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    ui::setClientSize(this, {9480_tw, 6720_tw});
    setFixedSize(size());

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    ui::place(Frame1, {120_tw, 120_tw, 2760_tw, 2040_tw});
    const QString options[3] = {QStringLiteral("备份数据库"), QStringLiteral("恢复数据库"),
                                QStringLiteral("压缩数据库")};
    for (int i = 0; i < 3; ++i) {
        optBackupRecover[i] = new QRadioButton(options[i], Frame1);
        optBackupRecover[i]->setObjectName(QStringLiteral("optBackupRecover%1").arg(i));
        ui::place(optBackupRecover[i], {360_tw, ui::Twips(300 + i * 540), 2200_tw, 360_tw});
        connect(optBackupRecover[i], &QRadioButton::clicked, this, [this, i] { optBackupRecover_Click(i); });
    }
    // There is nothing to restore from here; the choice is shown but cannot be taken.
    optBackupRecover[Restore]->setEnabled(false);

    Cmd_Ok = ui::makeButton(this, QStringLiteral("Cmd_Ok"), QStringLiteral("确 定"));
    ui::place(Cmd_Ok, {240_tw, 2400_tw, 1200_tw, 450_tw});
    Cmd_Ret = ui::makeButton(this, QStringLiteral("Cmd_Ret"), QStringLiteral("返 回"));
    ui::place(Cmd_Ret, {1560_tw, 2400_tw, 1200_tw, 450_tw});
    cmdDatabase = ui::makeButton(this, QStringLiteral("cmdDatabase"), QStringLiteral("数据库连接"));
    ui::place(cmdDatabase, {240_tw, 3060_tw, 2520_tw, 450_tw});
    cmdMigrate = ui::makeButton(this, QStringLiteral("cmdMigrate"), QStringLiteral("迁移到服务器"));
    ui::place(cmdMigrate, {240_tw, 3630_tw, 2520_tw, 450_tw});

    Frame2 = new QGroupBox(QStringLiteral("系统数据库路径为："), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    ui::place(Frame2, {3000_tw, 120_tw, 6360_tw, 3960_tw});
    ui::placeLabel(Frame2, QStringLiteral("驱动器："), 180_tw, 375_tw, 900_tw);
    drvBackup = new QComboBox(Frame2);
    drvBackup->setObjectName(QStringLiteral("drvBackup"));
    ui::place(drvBackup, {1080_tw, 330_tw, 5100_tw, 380_tw});
    lblFolder = new QLabel(Frame2);
    lblFolder->setObjectName(QStringLiteral("lblFolder"));
    lblFolder->setStyleSheet(QStringLiteral("color: #35507a;"));
    ui::place(lblFolder, {180_tw, 810_tw, 6000_tw, 330_tw});
    ui::placeLabel(Frame2, QStringLiteral("目录："), 180_tw, 1200_tw, 2900_tw);
    dirBackup = new QListWidget(Frame2);
    dirBackup->setObjectName(QStringLiteral("dirBackup"));
    dirBackup->setIconSize(QSize(16, 16));
    ui::place(dirBackup, {180_tw, 1530_tw, 2940_tw, 2250_tw});
    ui::placeLabel(Frame2, QStringLiteral("该目录下的数据库："), 3240_tw, 1200_tw, 2900_tw);
    fileBackup = new QListWidget(Frame2);
    fileBackup->setObjectName(QStringLiteral("fileBackup"));
    ui::place(fileBackup, {3240_tw, 1530_tw, 2940_tw, 2250_tw});

    Frame3 = new QGroupBox(QStringLiteral("选择性删除命令"), this);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    ui::place(Frame3, {120_tw, 4230_tw, 9240_tw, 1080_tw});
    ui::placeLabel(Frame3, QStringLiteral("from"), 240_tw, 495_tw, 540_tw);
    DTP_QSrq = ui::makeDatePicker(Frame3, QStringLiteral("DTP_QSrq"));
    ui::place(DTP_QSrq, {780_tw, 450_tw, 1800_tw, 380_tw});
    ui::placeLabel(Frame3, QStringLiteral("to"), 2820_tw, 495_tw, 360_tw);
    DTP_JZrq = ui::makeDatePicker(Frame3, QStringLiteral("DTP_JZrq"));
    ui::place(DTP_JZrq, {3180_tw, 450_tw, 1800_tw, 380_tw});
    deldata = ui::makeButton(Frame3, QStringLiteral("deldata"), QStringLiteral("范围内明细数据删除"));
    ui::place(deldata, {5640_tw, 420_tw, 3360_tw, 450_tw});

    Frame4 = new QGroupBox(QStringLiteral("明细数据的删除"), this);
    Frame4->setObjectName(QStringLiteral("Frame4"));
    ui::place(Frame4, {120_tw, 5460_tw, 9240_tw, 1080_tw});
    delAll = ui::makeButton(Frame4, QStringLiteral("delAll"), QStringLiteral("全部打印记录删除且压缩"));
    ui::place(delAll, {5640_tw, 420_tw, 3360_tw, 450_tw});
    // The button's caption is older than what it does; say plainly what goes.
    auto* note = new QLabel(
        QStringLiteral("清空客户资料和常用用途（各模板的打印记录保留），然后压缩数据库。"), Frame4);
    note->setObjectName(QStringLiteral("lblDelAll"));
    note->setWordWrap(true);
    note->setStyleSheet(QStringLiteral("color: #35507a;"));
    ui::place(note, {240_tw, 360_tw, 5200_tw, 570_tw});

    connect(drvBackup, &QComboBox::activated, this, &Frm_Backup::drvBackup_Change);
    connect(dirBackup, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { setBrowserFolder(item->data(Qt::UserRole).toString()); });
    connect(Cmd_Ok, &QPushButton::clicked, this, &Frm_Backup::Cmd_Ok_Click);
    connect(Cmd_Ret, &QPushButton::clicked, this, &QDialog::reject);
    connect(deldata, &QPushButton::clicked, this, &Frm_Backup::deldata_Click);
    connect(delAll, &QPushButton::clicked, this, &Frm_Backup::delAll_Click);
    connect(cmdDatabase, &QPushButton::clicked, this, &Frm_Backup::cmdDatabase_Click);
    connect(cmdMigrate, &QPushButton::clicked, this, &Frm_Backup::cmdMigrate_Click);
}

void Frm_Backup::load() {
    const QDate today = QDate::currentDate();
    DTP_QSrq->setDate(today);
    DTP_JZrq->setDate(today);
    delAll->setEnabled(app::state().isAdvanced());
    cmdMigrate->setEnabled(app::state().isAdvanced());
    optBackupRecover[Backup]->setChecked(true);
    fillDrives();
    setBrowserFolder(data::dataFolder());
    optBackupRecover_Click(Backup);
}

void Frm_Backup::fillDrives() {
    drvBackup->clear();
    const QStorageInfo home(data::dataFolder());
    defaultDrive_ = home.isValid() ? home.rootPath() : QDir::rootPath();
    QStringList roots;
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        if (!v.isValid())
            continue;
        const QString root = v.rootPath();
        // Pseudo file systems hold no databases.
        const QByteArray type = v.fileSystemType();
        if (type == "proc" || type == "sysfs" || type == "devpts" || type == "cgroup" || type == "cgroup2" ||
            type == "mqueue" || type == "securityfs" || type == "debugfs" || type == "tracefs" ||
            type == "devtmpfs")
            continue;
        // Files mounted on their own (a container's host names and the like) are no volumes to browse.
        if (!QFileInfo(root).isDir())
            continue;
        if (!roots.contains(root))
            roots << root;
    }
    if (!roots.contains(defaultDrive_))
        roots.prepend(defaultDrive_);
    std::sort(roots.begin(), roots.end());
    for (const QString& r : roots)
        drvBackup->addItem(QDir::toNativeSeparators(r), r);
    drvBackup->setCurrentIndex(drvBackup->findData(defaultDrive_));
}

void Frm_Backup::setBrowserFolder(const QString& folder) {
    const QDir dir(folder);
    folder_ = dir.absolutePath();
    lblFolder->setText(QDir::toNativeSeparators(folder_));
    lblFolder->setToolTip(lblFolder->text());

    // The folder list shows the way down from the volume's root, then the folders inside.
    dirBackup->clear();
    QFileIconProvider icons;
    const QIcon closed = icons.icon(QFileIconProvider::Folder);
    QStringList chain;
    for (QDir up(folder_);;) {
        chain.prepend(up.absolutePath());
        if (up.isRoot() || !up.cdUp())
            break;
    }
    int depth = 0;
    for (const QString& path : chain) {
        const QString name = QDir(path).isRoot() ? QDir::toNativeSeparators(path) : QDir(path).dirName();
        auto* item = new QListWidgetItem(closed, QString(depth * 2, QLatin1Char(' ')) + name, dirBackup);
        item->setData(Qt::UserRole, path);
        if (path == folder_)
            dirBackup->setCurrentItem(item);
        ++depth;
    }
    const QFileInfoList children =
        dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& child : children) {
        auto* item =
            new QListWidgetItem(closed, QString(depth * 2, QLatin1Char(' ')) + child.fileName(), dirBackup);
        item->setData(Qt::UserRole, child.absoluteFilePath());
    }

    // "*.mdb" without regard to letter case, as file names are compared on the program's home platform.
    fileBackup->clear();
    for (const QFileInfo& f : dir.entryInfoList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase))
        if (f.suffix().compare(QStringLiteral("mdb"), Qt::CaseInsensitive) == 0)
            fileBackup->addItem(f.fileName());
}

void Frm_Backup::drvBackup_Change() {
    const QString root = drvBackup->currentData().toString();
    const QStorageInfo volume(root);
    if (!volume.isValid() || !volume.isReady() || !QFileInfo(root).isReadable()) {
        ui::information(this, QStringLiteral("请插入") + driveName(root) + QStringLiteral("盘"), kTitle);
        drvBackup->setCurrentIndex(drvBackup->findData(defaultDrive_));
        setBrowserFolder(defaultDrive_);
        return;
    }
    setBrowserFolder(root);
}

Frm_Backup::Operation Frm_Backup::chosen() const {
    for (int i = 0; i < 3; ++i)
        if (optBackupRecover[i]->isChecked())
            return Operation(i);
    return Backup;
}

void Frm_Backup::optBackupRecover_Click(int index) {
    const bool browse = index != Compact;
    drvBackup->setEnabled(browse);
    dirBackup->setEnabled(browse);
    fileBackup->setEnabled(browse);
    setBrowserFolder(folder_);
}

void Frm_Backup::Cmd_Ok_Click() {
    switch (chosen()) {
    case Backup:
        backup();
        break;
    case Compact:
        compactAndReopen();
        break;
    case Restore:
        break;
    }
}

void Frm_Backup::backup() {
    ui::guarded(
        [&] {
            const QString path =
                backupDatabase(app::state().db(), data::dataFolder(), QDateTime::currentDateTime());
            ui::information(
                this,
                app::state().engine().isServer()
                    ? QStringLiteral("%1已备份（pg_dump 格式，用 pg_restore 恢复到空数据库）！路径：%2")
                          .arg(data::shownDatabase(), QDir::toNativeSeparators(path))
                    : QStringLiteral("数据库备份成功！路径：") + QDir::toNativeSeparators(path),
                QStringLiteral("数据库备份"));
        },
        [&](const QString& why) { ui::information(this, why, kTitle); });
    setBrowserFolder(folder_);
}

bool Frm_Backup::cmd_Ok_Click(bool show) {
    Cmd_Ret->setEnabled(false);
    Cmd_Ok->setEnabled(false);
    bool done = false;
    ui::guarded(
        [&] {
            const CompactResult r = compactDatabase(data::dataFolder());
            done = true;
            if (show)
                ui::information(this, compactReport(r), kTitle);
        },
        [&](const QString& why) { ui::information(this, why, kTitle); });
    Cmd_Ret->setEnabled(true);
    Cmd_Ok->setEnabled(true);
    return done;
}

void Frm_Backup::compactAndReopen() {
    if (app::state().engine().isServer()) {
        // The server compacts while the connection, and every other counter's, stays open.
        ui::guarded(
            [&] { ui::information(this, serverCompactReport(compactServer(app::state().engine())), kTitle); },
            [&](const QString& why) { ui::information(this, why, kTitle); });
        return;
    }
    data::closeShared();
    cmd_Ok_Click(true);
    const data::OpenResult r = data::openShared();
    const bool open = r.status == data::OpenStatus::Opened || r.status == data::OpenStatus::Created;
    app::state().connectionOpened = open;
    if (!open)
        ui::critical(this, r.message + QStringLiteral("\n数据库无法重新打开，请退出本系统后重新启动。"),
                     kTitle);
    setBrowserFolder(folder_);
}

void Frm_Backup::deldata_Click() {
    if (ui::question(this, QStringLiteral("确实想删除部分的明细数据吗？"), kTitle) != ui::Answer::Yes)
        return;
    const bool done = ui::guarded(this, u"deldata_Click", [&] {
        deleteDetailRange(app::state().db(), DTP_QSrq->date(), DTP_JZrq->date());
    });
    if (!done)
        return;
    ui::information(this, QStringLiteral("您已经删除部分明细数据成功！"), QStringLiteral("数据删除"));
}

void Frm_Backup::delAll_Click() {
    if (!app::state().isAdvanced())
        return;
    if (ui::question(this, QStringLiteral("确实想删除所有的明细数据吗？"), kTitle) != ui::Answer::Yes)
        return;
    const bool done =
        ui::guarded(this, u"delAll_Click", [&] { deleteCustomersAndCommonUses(app::state().db()); });
    if (!done)
        return;
    compactAndReopen();
}

void Frm_Backup::cmdDatabase_Click() {
    ui::openModal<app::DatabaseDialog>(this);
}

void Frm_Backup::cmdMigrate_Click() {
    if (!app::state().isAdvanced())
        return;
    migrateToServer(this);
}

} // namespace vorlan::maintenance

namespace vorlan::windows {

void openMaintenance(QWidget* parent) {
    ui::openModal<maintenance::Frm_Backup>(parent);
}

} // namespace vorlan::windows
