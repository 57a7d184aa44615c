#pragma once
// The maintenance window: backup, compaction, deletion of detail records by date range and, for
// advanced users, emptying the customer register and the common uses followed by a compaction.

#include <QDialog>

class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace vorlan::maintenance {

class Frm_Backup : public QDialog {
    Q_OBJECT
public:
    explicit Frm_Backup(QWidget* parent = nullptr);

    // The window's load: dates, the browser on the data folder, the rights of the current user.
    void load();

    enum Operation { Backup = 0, Restore = 1, Compact = 2 };
    QGroupBox* Frame1 = nullptr; // 备份 / 恢复 / 压缩
    QRadioButton* optBackupRecover[3] = {};
    QGroupBox* Frame2 = nullptr; // "系统数据库路径为："
    QComboBox* drvBackup = nullptr;
    QLabel* lblFolder = nullptr; // the folder the lists show
    QListWidget* dirBackup = nullptr;
    QListWidget* fileBackup = nullptr;
    QPushButton* Cmd_Ok = nullptr;
    QPushButton* Cmd_Ret = nullptr;
    QGroupBox* Frame3 = nullptr; // "选择性删除命令"
    QDateEdit* DTP_QSrq = nullptr;
    QDateEdit* DTP_JZrq = nullptr;
    QPushButton* deldata = nullptr;
    QGroupBox* Frame4 = nullptr; // "明细数据的删除"
    QPushButton* delAll = nullptr;
    QPushButton* cmdDatabase = nullptr; // "数据库连接"
    QPushButton* cmdMigrate = nullptr;  // "迁移到服务器"

    // The folder the browser shows.
    QString browserFolder() const { return folder_; }
    void setBrowserFolder(const QString& folder);

    void optBackupRecover_Click(int index);
    void drvBackup_Change();
    void Cmd_Ok_Click();
    void deldata_Click();
    void delAll_Click();
    void cmdDatabase_Click();
    void cmdMigrate_Click();

    // The compaction itself; the shared connection is closed before and stays closed. The result is
    // shown when show is true; a failure is always shown. True when the database was compacted.
    bool cmd_Ok_Click(bool show);

private:
    void backup();
    // Closes the shared connection, compacts, and reopens the connection whatever happened.
    void compactAndReopen();
    void fillDrives();
    Operation chosen() const;
    QString folder_;
    QString defaultDrive_;
};

} // namespace vorlan::maintenance
