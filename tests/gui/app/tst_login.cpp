#include "TestEnv.h"
#include "app/AppState.h"
#include "app/Frm_login.h"
#include "app/LocalSettings.h"
#include "app/Product.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace vorlan;

class TestLogin : public QObject {
    Q_OBJECT
private slots:
    // Nothing answers at the update server's address while the login checks for a new version.
    void initTestCase() { caseEnv_.setUpdateServer(QStringLiteral("http://127.0.0.1:9")); }

    void emptyUserTable() {
        test::TestEnv env;
        app::Frm_login w;
        QVERIFY(w.load());
        QCOMPARE(env.prompter.lastText(),
                 QStringLiteral("操作员表内无记录,请增加操作用户后,再来使用本系统程序"));
        QCOMPARE(env.prompter.last().title, QStringLiteral("操作结果报告"));
        QCOMPARE(w.Combo1->count(), 0);
        w.XPBut_XTDengLu->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("请您选择用户姓名！"));
    }

    void namesIgnoreCasePasswordsDoNot() {
        test::TestEnv env;
        env.addUser(QStringLiteral("1"), QStringLiteral("Admin"), QStringLiteral("Secret"),
                    QStringLiteral("高级用户"));
        app::Frm_login w;
        QVERIFY(w.load());
        QCOMPARE(w.Combo1->count(), 1);
        w.Combo1->setEditText(QStringLiteral("  aDMIN "));
        w.txtPassword->setText(QStringLiteral("secret"));
        w.XPBut_XTDengLu->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("用户密码错误!请您重新输入！"));
        QCOMPARE(w.txtPassword->text(), QStringLiteral("secret"));
        QVERIFY(app::state().userLevel.isEmpty());
        w.txtPassword->setText(QStringLiteral(" Secret  "));
        w.XPBut_XTDengLu->click();
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(app::state().userLevel, QStringLiteral("高级用户"));
    }

    void unknownNameAndApostrophe() {
        test::TestEnv env;
        env.addUser(QStringLiteral("2"), QStringLiteral("O'Brien"), QStringLiteral("pw"),
                    QStringLiteral("普通用户"));
        app::Frm_login w;
        w.load();
        w.Combo1->setEditText(QStringLiteral("nobody"));
        w.XPBut_XTDengLu->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("该用户名不存在,或用户密码错误"));
        w.Combo1->setEditText(QStringLiteral("o'brien"));
        w.txtPassword->setText(QStringLiteral("pw"));
        w.XPBut_XTDengLu->click();
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(app::state().userLevel, QStringLiteral("普通用户"));
    }

    void nullLevelAndNullPassword() {
        test::TestEnv env;
        QSqlQuery q(env.db());
        env.addUser(QStringLiteral("3"), QStringLiteral("lvl"), QStringLiteral("x"), QString());
        QVERIFY(q.exec(QStringLiteral("UPDATE basic_user SET czqx = NULL")));
        QVERIFY(q.exec(QStringLiteral("INSERT INTO basic_user (uid, uName, uPass, czqx, uFlag) VALUES ('4', "
                                      "'nopass', NULL, '高级用户', 0)")));
        {
            app::Frm_login w;
            w.load();
            w.Combo1->setEditText(QStringLiteral("nopass"));
            w.XPBut_XTDengLu->click();
            QCOMPARE(env.prompter.lastText(), QStringLiteral("用户密码错误!请您重新输入！"));
        }
        app::Frm_login w;
        w.load();
        w.Combo1->setEditText(QStringLiteral("lvl"));
        w.txtPassword->setText(QStringLiteral("x"));
        w.XPBut_XTDengLu->click();
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(app::state().userLevel, QString());
        QVERIFY(!app::state().isAdvanced());
    }

    void enterMovesToTheLoginButtonThenLogsIn() {
        test::TestEnv env;
        env.addUser(QStringLiteral("1"), QStringLiteral("a"), QStringLiteral("b"),
                    QStringLiteral("普通用户"));
        app::Frm_login w;
        w.load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.Combo1->setEditText(QStringLiteral("a"));
        w.txtPassword->setText(QStringLiteral("b"));
        w.txtPassword->setFocus();
        QTest::keyClick(w.txtPassword, Qt::Key_Return);
        QVERIFY(w.XPBut_XTDengLu->hasFocus());
        QVERIFY(app::state().userLevel.isEmpty()); // the first Enter does not log in
        QTest::keyClick(w.XPBut_XTDengLu, Qt::Key_Return);
        QCOMPARE(app::state().userLevel, QStringLiteral("普通用户"));
    }

    void ordinaryUserSeesCancelAndNoSecondConnection() {
        test::TestEnv env;
        env.addUser(QStringLiteral("1"), QStringLiteral("a"), QStringLiteral("b"),
                    QStringLiteral("高级用户"));
        app::state().userLevel = QStringLiteral("普通用户");
        const QSqlDatabase before = env.db();
        app::Frm_login w;
        w.load();
        QCOMPARE(w.XPBut_XTExit->text(), QStringLiteral("取  消"));
        QCOMPARE(QSqlDatabase::connectionNames().size(), 1);
        QCOMPARE(env.db().databaseName(), before.databaseName());
        w.XPBut_XTExit->click();
        QCOMPARE(env.prompter.quitCount, 1);
    }

    // The user who last logged in on this computer (the only user when there is one) is chosen, and the
    // password box has the keyboard; a login remembers its user.
    void preselectsTheLastLoginHere_data() {
        QTest::addColumn<QStringList>("users");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QString>("chosen");
        const QStringList two{QStringLiteral("张三"), QStringLiteral("Li")};
        QTest::newRow("only user") << QStringList{QStringLiteral("张三")} << QString()
                                   << QStringLiteral("张三");
        QTest::newRow("last here") << two << QStringLiteral("lI") << QStringLiteral("Li");
        QTest::newRow("nobody yet") << two << QString() << QString();
        QTest::newRow("deleted since") << two << QStringLiteral("王五") << QString();
    }

    void preselectsTheLastLoginHere() {
        QFETCH(QStringList, users);
        QFETCH(QString, last);
        QFETCH(QString, chosen);
        test::TestEnv env;
        for (const QString& name : users)
            env.addUser(QString::number(users.indexOf(name)), name, QStringLiteral("pw"),
                        QStringLiteral("普通用户"));
        app::setLastLoginName(last);
        app::Frm_login w;
        QVERIFY(w.load());
        QCOMPARE(w.Combo1->currentText(), chosen);
        QCOMPARE(w.focusWidget() == w.txtPassword, !chosen.isEmpty());
        w.txtPassword->setText(QStringLiteral("pw"));
        w.XPBut_XTDengLu->click();
        QCOMPARE(app::lastLoginName(), chosen.isEmpty() ? last : chosen);
    }

private:
    test::ScopedEnvironment caseEnv_; // for the whole case
};

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
