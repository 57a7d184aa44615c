#include "app/Frm_login.h"

#include "app/AppState.h"
#include "app/DatabaseDialog.h"
#include "app/FirstUserDialog.h"
#include "app/LocalSettings.h"
#include "app/VersionCheck.h"
#include "data/Database.h"
#include "data/Sql.h"
#include "ui/Controls.h"
#include "ui/Guarded.h"
#include "ui/Modal.h"
#include "ui/Prompt.h"
#include "ui/TwipsLayout.h"
#include "users/PasswordHash.h"
#include "users/UserStore.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

namespace vorlan::app {

Frm_login::Frm_login(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Frm_login"));
    setWindowTitle(QStringLiteral("用户登录"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    ui::setClientSize(this, {5400_tw, 3720_tw});
    setFixedSize(size());
    setStyleSheet(QStringLiteral("QDialog#Frm_login { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
                                 "stop:0 #eef4fd, stop:1 #b6d6ff); }"));

    auto* title = ui::makeLabel(this, QStringLiteral("Label1"), QStringLiteral("用 户 设 置"));
    QFont tf(QStringLiteral("宋体"));
    tf.setPointSize(16);
    tf.setBold(true);
    title->setFont(tf);
    title->setAlignment(Qt::AlignCenter);
    ui::place(title, {0_tw, 240_tw, 5400_tw, 480_tw});

    ui::place(ui::makeLabel(this, QStringLiteral("Label3"), QStringLiteral("用户姓名")),
              {600_tw, 1000_tw, 1000_tw, 330_tw});
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    ui::place(Combo1, {1650_tw, 960_tw, 3000_tw, 360_tw});

    ui::place(ui::makeLabel(this, QStringLiteral("Label4"), QStringLiteral("用户密码")),
              {600_tw, 1560_tw, 1000_tw, 330_tw});
    txtPassword = new QLineEdit(this);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->installEventFilter(this);
    ui::place(txtPassword, {1650_tw, 1520_tw, 3000_tw, 360_tw});

    XPBut_XTDengLu = new QPushButton(QStringLiteral("登录系统"), this);
    XPBut_XTDengLu->setObjectName(QStringLiteral("XPBut_XTDengLu"));
    XPBut_XTDengLu->setAutoDefault(false);
    ui::place(XPBut_XTDengLu, {1000_tw, 2180_tw, 1500_tw, 420_tw});
    XPBut_XTExit = new QPushButton(QStringLiteral("退出系统"), this);
    XPBut_XTExit->setObjectName(QStringLiteral("XPBut_XTExit"));
    XPBut_XTExit->setAutoDefault(false);
    ui::prepareButton(XPBut_XTDengLu);
    ui::prepareButton(XPBut_XTExit);
    XPBut_XTDengLu->installEventFilter(this);
    XPBut_XTExit->installEventFilter(this);
    ui::place(XPBut_XTExit, {2900_tw, 2180_tw, 1500_tw, 420_tw});

    Label2 = ui::makeLabel(this, QStringLiteral("Label2"),
                           QStringLiteral("Vorlan 套打系统  技术支持：0571-8888 6666"));
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setStyleSheet(QStringLiteral("color: #35507a;"));
    ui::place(Label2, {0_tw, 3300_tw, 5400_tw, 300_tw});

    lblDatabase = ui::makeLabel(this, QStringLiteral("lblDatabase"), databaseInUseText());
    lblDatabase->setStyleSheet(QStringLiteral("color: #35507a;"));
    ui::place(lblDatabase, {300_tw, 2790_tw, 3840_tw, 330_tw});
    cmdDatabase = ui::makeButton(this, QStringLiteral("cmdDatabase"), QStringLiteral("数据库…"));
    ui::place(cmdDatabase, {4200_tw, 2760_tw, 960_tw, 390_tw});

    XPBut_XTDengLu->setEnabled(false);
    XPBut_XTExit->setEnabled(true);

    connect(Combo1, &QComboBox::activated, this, &Frm_login::Combo1_Click);
    connect(XPBut_XTDengLu, &QPushButton::clicked, this, &Frm_login::XPBut_XTDengLu_Click);
    connect(XPBut_XTExit, &QPushButton::clicked, this, &Frm_login::XPBut_XTExit_Click);
    connect(cmdDatabase, &QPushButton::clicked, this, &Frm_login::cmdDatabase_Click);
}

bool Frm_login::load() {
    CheckNewVersion(this);

    AppState& s = state();
    if (!s.connectionOpened && !openDatabase())
        return false;
    showDatabaseInUse();

    bool noUsers = false;
    ui::guarded(this, u"Form_Load", [&] {
        users::UserStore store(s.db());
        if (store.isEmpty()) {
            ui::show(this, QStringLiteral("操作员表内无记录,请增加操作用户后,再来使用本系统程序"),
                     QStringLiteral("操作结果报告"));
            XPBut_XTDengLu->setEnabled(true);
            noUsers = true;
            return;
        }
        const QStringList names = store.names();
        if (names.isEmpty())
            ui::show(this, QStringLiteral("该用户编号不存在,或用户密码错误"), QStringLiteral("操作失败报告"));
        Combo1->addItems(names);
        Combo1->setCurrentIndex(-1);
        Combo1->setEditText(QString());
        // The clerk of this counter (the only user when there is one) only types the password.
        const int last = names.size() == 1 ? 0 : Combo1->findText(lastLoginName(), Qt::MatchFixedString);
        if (last >= 0) {
            Combo1->setCurrentIndex(last);
            txtPassword->setFocus();
        }
    });
    if (noUsers)
        return true;

    if (s.userLevel == QString::fromUtf8(kOrdinaryLevel))
        XPBut_XTExit->setText(QStringLiteral("取  消"));
    XPBut_XTDengLu->setEnabled(true);
    XPBut_XTExit->setEnabled(true);
    return true;
}

bool Frm_login::openDatabase() {
    // Where the data is kept, when it is not beside the program, is said before anything else.
    const QString where = data::dataFolderNotice();
    if (!where.isEmpty())
        ui::information(this, where, QStringLiteral("提示"));

    data::OpenResult r = openShared();
    auto failed = [](const data::OpenResult& o) {
        return o.status != data::OpenStatus::Opened && o.status != data::OpenStatus::Created;
    };
    // A server set on this computer that cannot be used: the connection can be set right here.
    while (failed(r) && data::chosenServer() && !environment().server) {
        if (ui::show(this, r.message + QStringLiteral("\n\n是否修改数据库连接后再试？"),
                     QStringLiteral("错误"), ui::Icon::Critical, ui::Buttons::YesNo) != ui::Answer::Yes ||
            ui::openModal<DatabaseDialog>(this) != QDialog::Accepted)
            return false;
        r = openShared();
    }
    if (failed(r)) {
        ui::critical(this, r.message, QStringLiteral("错误"));
        return false;
    }
    if (r.readOnly &&
        ui::show(this, r.notice + QStringLiteral("\n\n是否以只读方式继续使用本系统？"),
                 QStringLiteral("警告"), ui::Icon::Exclamation, ui::Buttons::YesNo) != ui::Answer::Yes) {
        data::closeShared();
        return false;
    }
    state().connectionOpened = true;
    if (r.status == data::OpenStatus::Created || r.needsFirstUser) {
        // A new database (or one whose first run was broken off): its first advanced user is entered
        // before anyone can log in.
        ui::openModal<FirstUserDialog>(this);
        bool noUser = true;
        ui::guarded(this, u"Form_Load", [&] { noUser = users::UserStore(state().engine()).isEmpty(); });
        if (noUser) {
            // The file keeps its first-run mark, so the next start asks again.
            ui::information(
                this,
                QStringLiteral(
                    "没有设置第一位高级用户（管理员），无法登录本系统。下次启动本系统时会再次请您设置。"),
                QStringLiteral("提示"));
            data::closeShared();
            state().connectionOpened = false;
            return false;
        }
    }
    return true;
}

data::OpenResult Frm_login::openShared() {
    // A server asking for a password this computer does not know asks through the dialog 数据库连接.
    auto& ask = environment().serverPassword;
    const auto before = ask;
    if (!ask)
        ask = askServerPassword;
    data::OpenResult r = data::openShared();
    ask = before;
    return r;
}

void Frm_login::Combo1_Click() {
    txtPassword->setFocus();
}

bool Frm_login::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        // Enter in the password box only moves on to the login button; Enter on a button presses it.
        if (enter && watched == txtPassword && XPBut_XTDengLu->isEnabled())
            XPBut_XTDengLu->setFocus();
        if (enter && (watched == XPBut_XTDengLu || watched == XPBut_XTExit)) {
            static_cast<QPushButton*>(watched)->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Frm_login::XPBut_XTDengLu_Click() {
    if (Combo1->currentText().isEmpty()) {
        ui::show(this, QStringLiteral("请您选择用户姓名！"), QStringLiteral("登录"));
        return;
    }
    ui::guarded(this, u"XPBut_XTDengLu_Click", [&] {
        users::UserStore store(state().engine());
        const auto user = store.findByName(Combo1->currentText().trimmed());
        if (!user) {
            ui::show(this, QStringLiteral("该用户名不存在,或用户密码错误"), QStringLiteral("操作失败报告"));
            return;
        }
        if (users::verifyPassword(txtPassword->text().trimmed(), user->passwordHash)) {
            state().userLevel = data::nullToEmpty(user->level);
            setLastLoginName(user->name);
            accept();
        } else {
            ui::show(this, QStringLiteral("用户密码错误!请您重新输入！"), QStringLiteral("操作失败报告"));
            txtPassword->setFocus();
        }
    });
}

void Frm_login::cmdDatabase_Click() {
    ui::openModal<DatabaseDialog>(this);
    showDatabaseInUse();
}

void Frm_login::showDatabaseInUse() {
    lblDatabase->setText(
        fontMetrics().elidedText(databaseInUseText(), Qt::ElideMiddle, lblDatabase->width()));
    lblDatabase->setToolTip(databaseInUseText());
}

void Frm_login::XPBut_XTExit_Click() {
    reject();
    ui::prompter().quit();
}

} // namespace vorlan::app
