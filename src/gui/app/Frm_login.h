#pragma once
// The login window: version check, the shared connection, the user list and the password check.

#include "data/Database.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
class QLabel;

namespace vorlan::app {

class Frm_login : public QDialog {
    Q_OBJECT
public:
    explicit Frm_login(QWidget* parent = nullptr);

    // The window's load. False when the program cannot go on (the database file is unusable); the
    // user has been told why.
    bool load();

    QComboBox* Combo1 = nullptr; // the user names
    QLineEdit* txtPassword = nullptr;
    QPushButton* XPBut_XTDengLu = nullptr;
    QPushButton* XPBut_XTExit = nullptr;
    QLabel* Label2 = nullptr;           // "…技术支持…"
    QLabel* lblDatabase = nullptr;      // the database in use
    QPushButton* cmdDatabase = nullptr; // "数据库…": the dialog 数据库连接

    void XPBut_XTDengLu_Click();
    void XPBut_XTExit_Click();
    void cmdDatabase_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Opens the shared connection, tells about a data folder elsewhere or a read-only file, and asks
    // for the first user of a new database. False when the program cannot go on.
    bool openDatabase();
    void Combo1_Click();
    void showDatabaseInUse();
    data::OpenResult openShared();
};

} // namespace vorlan::app
