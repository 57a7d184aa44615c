// The dialog 数据库连接: what it saves for this computer (never the password), what 测试连接 says, the
// keyboard, and where it is reached from: the login window and the maintenance window.
#include "TestEnv.h"
#include "TestServer.h"
#include "app/AppState.h"
#include "app/DatabaseDialog.h"
#include "app/Frm_login.h"
#include "app/LocalSettings.h"
#include "data/Database.h"
#include "maintenance/Frm_Backup.h"
#include "maintenance/Frm_Migrate.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>

using namespace vorlan;
using app::DatabaseDialog;
using Kind = data::postgres::ServerError::Kind;
using Mode = DatabaseDialog::Mode;

namespace {

data::ServerAddress address(const QString& host = QStringLiteral("db"), const QString& password = {},
                            int port = 5432, const QString& ssl = {}) {
    data::ServerAddress a;
    a.host = host;
    a.port = port;
    a.database = QStringLiteral("票据");
    a.user = QStringLiteral("张三");
    a.password = password;
    a.sslmode = ssl;
    return a;
}

void fill(DatabaseDialog& w, const data::ServerAddress& a) {
    w.cboKind->setCurrentIndex(DatabaseDialog::Server);
    w.cboKind_Click();
    w.txtServer->setText(a.host);
    w.txtPort->setValue(a.port);
    w.txtDatabase->setText(a.database);
    w.txtUser->setText(a.user);
    w.txtPassword->setText(a.password);
    w.cboSsl->setCurrentIndex(w.cboSsl->findData(a.sslmode));
}

// The dialog shown and filled, for tests of the focus and the keys.
void showFilled(DatabaseDialog& w) {
    w.load();
    fill(w, address());
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

} // namespace

class TestDatabaseDialog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { caseEnv_.setUpdateServer(QStringLiteral("http://127.0.0.1:9")); }

    void fieldsFollowTheKind_data() {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("address"); // the server's fields can be changed
        QTest::addColumn<bool>("password");
        QTest::newRow("local file") << Mode::Configure << int(DatabaseDialog::LocalFile) << false << false;
        QTest::newRow("server") << Mode::Configure << int(DatabaseDialog::Server) << true << true;
        QTest::newRow("migration target")
            << Mode::MigrationTarget << int(DatabaseDialog::Server) << true << true;
        QTest::newRow("password asked") << Mode::Password << int(DatabaseDialog::Server) << false << true;
    }
    void fieldsFollowTheKind() {
        QFETCH(Mode, mode);
        QFETCH(int, kind);
        QFETCH(bool, address);
        QFETCH(bool, password);
        test::ScopedEnvironment env;
        DatabaseDialog w(nullptr, mode);
        w.load();
        if (mode == Mode::Configure) {
            w.cboKind->setCurrentIndex(kind);
            w.cboKind_Click();
        }
        QCOMPARE(w.cboKind->currentIndex(), kind);
        for (QWidget* f :
             std::initializer_list<QWidget*>{w.txtServer, w.txtPort, w.txtDatabase, w.txtUser, w.cboSsl})
            QVERIFY2(f->isEnabled() == address, qPrintable(f->objectName()));
        QCOMPARE(w.txtPassword->isEnabled(), password);
        QCOMPARE(w.cmdTest->isEnabled(), password);
        QCOMPARE(w.cboKind->isEnabled(), mode == Mode::Configure);
        QCOMPARE(w.lblFile->isEnabled(), kind == DatabaseDialog::LocalFile);
        QCOMPARE(w.lblFile->text(), QDir::toNativeSeparators(data::databasePath()));
    }

    void savesNeverThePassword_data() {
        QTest::addColumn<std::optional<data::ServerAddress>>("typed"); // nothing: the local file
        QTest::newRow("server and password")
            << std::optional(address(QStringLiteral("db.shop.lan"), QStringLiteral("S3cret!口令")));
        QTest::newRow("port and ssl") << std::optional(
            address(QStringLiteral("10.0.0.7"), QStringLiteral("pw"), 6543, QStringLiteral("verify-full")));
        QTest::newRow("socket folder") << std::optional(address(QStringLiteral("/run/postgresql")));
        QTest::newRow("back to the file") << std::optional<data::ServerAddress>();
    }
    void savesNeverThePassword() {
        QFETCH(std::optional<data::ServerAddress>, typed);
        test::ScopedEnvironment env;
        data::setConfiguredServer(address(QStringLiteral("before")));
        DatabaseDialog::Choice chosen;
        DatabaseDialog w(nullptr, Mode::Configure, &chosen);
        w.load();
        if (typed) {
            fill(w, *typed);
        } else {
            w.cboKind->setCurrentIndex(DatabaseDialog::LocalFile);
            w.cboKind_Click();
        }
        w.cmdOK->click();
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(chosen, typed); // the password serves this run
        auto stored = typed;
        if (stored)
            stored->password.clear();
        QCOMPARE(data::configuredServer(), stored);
        QFile settings(app::localSettingsFile());
        QVERIFY(settings.open(QIODevice::ReadOnly));
        if (typed && !typed->password.isEmpty())
            QVERIFY(!settings.readAll().contains(typed->password.toUtf8()));
        QVERIFY(env.prompter.lastText().contains(typed ? data::shownServer(*typed)
                                                       : QDir::toNativeSeparators(data::databasePath())));
        QVERIFY(env.prompter.lastText().contains(QStringLiteral("下次登录")));

        // Opened again it shows what was saved; nothing changed, nothing is said.
        env.prompter.clear();
        DatabaseDialog again;
        again.load();
        QCOMPARE(again.address(), stored);
        again.cmdOK->click();
        QVERIFY(env.prompter.shown.isEmpty());
    }

    void missingFieldsAreNamed_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("message");
        QTest::newRow("server") << QStringLiteral("txtServer")
                                << QStringLiteral("请输入服务器的名称或地址！");
        QTest::newRow("user") << QStringLiteral("txtUser")
                              << QStringLiteral("请输入连接服务器所用的用户名！");
    }
    void missingFieldsAreNamed() {
        QFETCH(QString, field);
        QFETCH(QString, message);
        test::ScopedEnvironment env;
        DatabaseDialog w;
        showFilled(w);
        w.findChild<QLineEdit*>(field)->setText(QStringLiteral("  "));
        for (QPushButton* b : {w.cmdOK, w.cmdTest}) {
            env.prompter.clear();
            b->click();
            QCOMPARE(env.prompter.texts(), QStringList{message});
            QCOMPARE(env.prompter.last().title, QStringLiteral("输入提示"));
            QCOMPARE(QApplication::focusWidget()->objectName(), field);
        }
        QCOMPARE(w.result(), int(QDialog::Rejected));
        QCOMPARE(data::configuredServer(), std::nullopt);
    }

    void testSaysWhatIsWrong_data() {
        QTest::addColumn<data::postgres::Probe>("probe");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("focus");
        const QString server = data::shownServer(address());
        QTest::newRow("ours") << data::postgres::Probe{true, false, Kind::Other, {}}
                              << QStringLiteral("连接成功：%1是本系统的数据库。").arg(server)
                              << QStringLiteral("cmdTest");
        QTest::newRow("empty")
            << data::postgres::Probe{true, true, Kind::Other, {}}
            << QStringLiteral("连接成功：%1是空的数据库，可以把本机的数据迁移到这里。").arg(server)
            << QStringLiteral("cmdTest");
        QTest::newRow("wrong password")
            << data::postgres::Probe{false, false, Kind::BadPassword, QStringLiteral("密码不对")}
            << QStringLiteral("密码不对") << QStringLiteral("txtPassword");
    }
    void testSaysWhatIsWrong() {
        QFETCH(data::postgres::Probe, probe);
        QFETCH(QString, text);
        QFETCH(QString, focus);
        test::ScopedEnvironment env;
        DatabaseDialog w;
        showFilled(w);
        w.txtPassword->setText(QStringLiteral("pw"));
        QString password;
        w.probe = [&](const data::ServerAddress& a) {
            password = a.password;
            return probe;
        };
        w.cmdTest->setFocus();
        w.cmdTest->click();
        QCOMPARE(password, QStringLiteral("pw")); // the test uses the password typed
        QCOMPARE(env.prompter.texts(), QStringList{text});
        QCOMPARE(env.prompter.last().icon, probe.ok ? ui::Icon::Information : ui::Icon::Exclamation);
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QCOMPARE(data::configuredServer(), std::nullopt); // a test saves nothing
    }

    void keyboard_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("result");
        QTest::newRow("Enter in 用户")
            << QStringLiteral("txtUser") << int(Qt::Key_Return) << int(QDialog::Accepted);
        QTest::newRow("Enter in 端口")
            << QStringLiteral("txtPort") << int(Qt::Key_Enter) << int(QDialog::Accepted);
        QTest::newRow("Esc") << QStringLiteral("txtServer") << int(Qt::Key_Escape) << int(QDialog::Rejected);
    }
    void keyboard() {
        QFETCH(QString, field);
        QFETCH(int, key);
        QFETCH(int, result);
        test::ScopedEnvironment env;
        DatabaseDialog w;
        showFilled(w);
        QWidget* target = w.findChild<QWidget*>(field);
        target->setFocus();
        QTest::keyClick(target, Qt::Key(key));
        QCOMPARE(w.result(), result);
        QCOMPARE(data::configuredServer().has_value(), result == QDialog::Accepted);
    }

    void tabOrder() {
        test::ScopedEnvironment env;
        DatabaseDialog w;
        showFilled(w);
        w.cboKind->setFocus();
        QStringList reached{w.cboKind->objectName()};
        for (int i = 0; i < 10; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            reached << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(reached.join(u' '),
                 QStringLiteral("cboKind txtServer txtPort txtDatabase txtUser txtPassword "
                                "cboSsl cmdTest cmdOK cmdCancel cboKind"));
    }

    void asksForThePassword() {
        test::ScopedEnvironment env;
        env.prompter.onExec = [](QDialog* d) {
            auto* w = qobject_cast<DatabaseDialog*>(d);
            if (!w || !w->lblMessage->text().contains(QStringLiteral("要求输入密码")) ||
                w->txtServer->isEnabled())
                return int(QDialog::Rejected);
            w->txtPassword->setText(QStringLiteral("typed"));
            w->cmdOK->click();
            return w->result();
        };
        QCOMPARE(app::askServerPassword(address()), QStringLiteral("typed"));
        QCOMPARE(data::configuredServer(), std::nullopt); // asking for the password saves nothing
        env.prompter.onExec = nullptr;
        QCOMPARE(app::askServerPassword(address()), QString()); // cancelled
    }

    void reachedFromLoginAndMaintenance() {
        VORLAN_FILE_ONLY("the login window names the local file in use");
        test::TestEnv env;
        app::Frm_login login;
        QVERIFY(login.load());
        QCOMPARE(login.lblDatabase->toolTip(),
                 QStringLiteral("本机文件 ") + QDir::toNativeSeparators(data::databasePath()));
        env.prompter.onExec = [&](QDialog* d) {
            auto* dialog = qobject_cast<DatabaseDialog*>(d);
            if (!dialog)
                return int(QDialog::Rejected);
            fill(*dialog, address());
            dialog->cmdOK->click();
            return dialog->result();
        };
        login.cmdDatabase->click();
        QVERIFY(data::configuredServer().has_value());
        // The connection open now stays the one in use until the next login.
        QVERIFY(login.lblDatabase->toolTip().startsWith(QStringLiteral("本机文件 ")));

        for (const QString& level : {QStringLiteral("普通用户"), QStringLiteral("高级用户")}) {
            app::state().userLevel = level;
            maintenance::Frm_Backup w;
            w.load();
            QCOMPARE(w.cmdMigrate->isEnabled(), level == QStringLiteral("高级用户"));
            w.cmdDatabase->click();
        }
        QCOMPARE(env.prompter.dialogsShown, QStringList(3, QStringLiteral("DatabaseDialog")));
    }

    // The copy from the window: the server asked for, the report shown, the switch offered and taken.
    void migrationFromTheWindow() {
        VORLAN_FILE_ONLY("the copy starts from the local database file");
        QString why;
        if (!test::testServer(&why))
            QSKIP(qPrintable(why));
        const data::ServerAddress target = test::newServerDatabase();
        {
            test::TestEnv env;
            env.addUser(QStringLiteral("1"), QStringLiteral("管理员"), QStringLiteral("pw"),
                        QStringLiteral("高级用户"));
            app::state().userLevel = QStringLiteral("高级用户");
            int reportRows = -1;
            env.prompter.onExec = [&](QDialog* d) {
                if (auto* dialog = qobject_cast<DatabaseDialog*>(d)) {
                    fill(*dialog, target);
                    dialog->cmdOK->click();
                    return dialog->result();
                }
                if (auto* report = qobject_cast<maintenance::Frm_Migrate*>(d))
                    reportRows = report->grdTables->rowCount();
                return int(QDialog::Accepted);
            };
            maintenance::Frm_Backup w;
            w.load();
            w.cmdMigrate->click();
            QCOMPARE(env.prompter.dialogsShown.join(u' '), QStringLiteral("DatabaseDialog Frm_Migrate"));
            QCOMPARE(reportRows, 8);
            QVERIFY2(env.prompter.texts().first().startsWith(QStringLiteral("是否让这台电脑")),
                     qPrintable(env.prompter.texts().join(u'\n')));
            data::ServerAddress saved = target;
            saved.password.clear();
            QCOMPARE(data::configuredServer(), std::optional(saved));
        }
        test::dropServerDatabase(target);
    }

private:
    test::ScopedEnvironment caseEnv_;
};

QTEST_MAIN(TestDatabaseDialog)
#include "tst_databasedialog.moc"
