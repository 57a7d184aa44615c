#include "TestEnv.h"
#include "app/AppState.h"
#include "app/FirstUserDialog.h"
#include "app/Frm_Begin.h"
#include "app/Frm_login.h"
#include "app/Product.h"
#include "data/Database.h"
#include "users/PasswordHash.h"
#include "users/UserStore.h"

#include <QComboBox>
#include <QFontInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace vorlan;

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { app::setUpdateServer(QStringLiteral("http://127.0.0.1:9")); }

    void splashDrawsThirtySixSquares()
    {
        QCOMPARE(app::Frm_Begin::squareTwips(0), (ui::TwipsRect{300, 1600, 125, 125}));
        QCOMPARE(app::Frm_Begin::squareTwips(35).right(), 5675.f);
        QCOMPARE(app::Frm_Begin::squareColor(0), QColor(50, 50, 50));
        QCOMPARE(app::Frm_Begin::squareColor(29), QColor(50, 50, 253));
        QCOMPARE(app::Frm_Begin::squareColor(30), QColor(50, 50, 255)); // 260 counts as 255
        app::Frm_Begin splash;
        QSignalSpy finished(&splash, &app::Frm_Begin::finished);
        splash.show();
        splash.start();
        QVERIFY(finished.wait(5000));
        QCOMPARE(splash.step(), 36);
        QVERIFY(!splash.isVisible());
    }

    void songTypefaceResolvesToCjkFont()
    {
        test::initTestApplication();
        const QFontInfo info(QFont(QStringLiteral("宋体")));
        QVERIFY2(info.family().contains(QStringLiteral("UMing")), qPrintable(info.family()));
    }

    void firstRunAsksForTheFirstAdvancedUser()
    {
        test::TestEnv env(false);
        env.prompter.onExec = [&](QDialog* d) {
            auto* dlg = qobject_cast<app::FirstUserDialog*>(d);
            if (!dlg) return int(QDialog::Rejected);
            dlg->Text_uid->setText(QStringLiteral("001"));
            dlg->Text_name->setText(QStringLiteral("店长"));
            dlg->Text_pass->setText(QStringLiteral("abc"));
            dlg->Text_pass2->setText(QStringLiteral("abd"));
            dlg->XPBut_ok->click();
            if (env.prompter.lastText() != QStringLiteral("两次输入的密码不一致，请重新输入！")) return -1;
            dlg->Text_pass2->setText(QStringLiteral("abc"));
            dlg->XPBut_ok->click();
            return dlg->result();
        };
        app::Frm_login w;
        QVERIFY(w.load());
        QCOMPARE(env.prompter.dialogsShown, QStringList{QStringLiteral("FirstUserDialog")});
        QVERIFY(app::state().connectionOpened);
        QCOMPARE(w.Combo1->count(), 1);
        const auto user = users::UserStore(data::shared()).findByName(QStringLiteral("店长"));
        QVERIFY(user);
        QCOMPARE(user->level.toString(), QStringLiteral("高级用户"));
        // Never stored in plain text.
        QVERIFY(!user->passwordHash.toString().contains(QStringLiteral("abc")));
        QVERIFY(users::verifyPassword(QStringLiteral("abc"), user->passwordHash));

        // An existing file is not a first run.
        env.prompter.clear();
        app::Frm_login again;
        again.load();
        QVERIFY(env.prompter.dialogsShown.isEmpty());
    }

    void foreignDatabaseEndsTheProgram()
    {
        test::TestEnv env(false);
        QFile f(data::databasePath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a database");
        f.close();
        app::Frm_login w;
        QVERIFY(!w.load());
        QCOMPARE(env.prompter.last().icon, ui::Icon::Critical);
        QVERIFY(env.prompter.lastText().contains(QStringLiteral("RavIZ.mdb")));
        QVERIFY(!app::state().connectionOpened);
    }

    void passwordHashes()
    {
        const QString h = users::hashPassword(QStringLiteral("Pa55 词"));
        QVERIFY(h.startsWith(QStringLiteral("pbkdf2-sha256$")));
        QVERIFY(h != users::hashPassword(QStringLiteral("Pa55 词"))); // salted
        QVERIFY(users::verifyPassword(QStringLiteral("Pa55 词"), h));
        QVERIFY(!users::verifyPassword(QStringLiteral("pa55 词"), h));
        QVERIFY(!users::verifyPassword(QString(), QVariant()));
        QVERIFY(!users::verifyPassword(QString(), QString()));
        QVERIFY(!users::verifyPassword(QStringLiteral("x"), QStringLiteral("x"))); // plain text never matches
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
