#include "FileFaults.h"
#include "TestEnv.h"
#include "TestServer.h"
#include "app/AppState.h"
#include "app/FirstUserDialog.h"
#include "app/Frm_Begin.h"
#include "app/Frm_login.h"
#include "app/Product.h"
#include "data/Database.h"
#include "data/Sql.h"
#include "users/PasswordHash.h"
#include "users/PasswordRules.h"
#include "users/UserStore.h"

#include <QComboBox>
#include <QFontInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace vorlan;

namespace {

// Fills in the first-user dialog and presses OK; returns the dialog's result.
int enterFirstUser(QDialog* d, const QString& password = QStringLiteral("abc")) {
    auto* dlg = qobject_cast<app::FirstUserDialog*>(d);
    if (!dlg)
        return int(QDialog::Rejected);
    dlg->Text_uid->setText(QStringLiteral("001"));
    dlg->Text_name->setText(QStringLiteral("店长"));
    dlg->Text_pass->setText(password);
    dlg->Text_pass2->setText(password);
    dlg->XPBut_ok->click();
    return dlg->result();
}

const QString kAskAgain =
    QStringLiteral("没有设置第一位高级用户（管理员），无法登录本系统。下次启动本系统时会再次请您设置。");

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    // Nothing answers at the update server's address while the login checks for a new version.
    void initTestCase() { caseEnv_.setUpdateServer(QStringLiteral("http://127.0.0.1:9")); }

    void splashDrawsThirtySixSquares() {
        QCOMPARE(app::Frm_Begin::squareTwips(0), (ui::TwipsRect{300_tw, 1600_tw, 125_tw, 125_tw}));
        QCOMPARE(app::Frm_Begin::squareTwips(35).right(), 5675_tw);
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

    void songTypefaceResolvesToCjkFont() {
        test::initTestApplication();
        const QFontInfo info(QFont(QStringLiteral("宋体")));
        QVERIFY2(info.family().contains(QStringLiteral("UMing")), qPrintable(info.family()));
    }

    void firstRunAsksForTheFirstAdvancedUser() {
        test::TestEnv env(false);
        env.prompter.onExec = [&](QDialog* d) {
            auto* dlg = qobject_cast<app::FirstUserDialog*>(d);
            if (!dlg)
                return int(QDialog::Rejected);
            dlg->Text_uid->setText(QStringLiteral("001"));
            dlg->Text_name->setText(QStringLiteral("店长"));
            dlg->Text_pass->setText(QStringLiteral("abc"));
            dlg->Text_pass2->setText(QStringLiteral("abd"));
            dlg->XPBut_ok->click();
            if (env.prompter.lastText() != QStringLiteral("两次输入的密码不一致，请重新输入！"))
                return -1;
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

    void foreignDatabaseEndsTheProgram() {
        VORLAN_FILE_ONLY("a file of another kind stands where the database goes");
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

    void cancelledFirstRunAsksAgain() {
        test::TestEnv env(false);
        {
            app::Frm_login w;
            QVERIFY(!w.load()); // the dialog is cancelled (the prompter rejects it)
            QCOMPARE(env.prompter.dialogsShown, QStringList{QStringLiteral("FirstUserDialog")});
            QCOMPARE(env.prompter.lastText(), kAskAgain);
            QVERIFY(!app::state().connectionOpened);
            QVERIFY(!data::shared().isOpen());
        }
        // The next start: the database is there, still without a user, and the question comes again.
        if (!test::onServer())
            QVERIFY(QFileInfo::exists(data::databasePath()));
        env.prompter.clear();
        env.prompter.onExec = [](QDialog* d) { return enterFirstUser(d); };
        app::Frm_login w;
        QVERIFY(w.load());
        QCOMPARE(env.prompter.dialogsShown, QStringList{QStringLiteral("FirstUserDialog")});
        QCOMPARE(w.Combo1->count(), 1);

        // Once a user was saved, an emptied user table is the user's doing: no first-run question.
        data::exec(data::shared(), QStringLiteral("DELETE FROM basic_user"));
        data::closeShared();
        app::state().reset();
        env.prompter.clear();
        app::Frm_login later;
        QVERIFY(later.load());
        QVERIFY(env.prompter.dialogsShown.isEmpty());
        QCOMPARE(env.prompter.lastText(),
                 QStringLiteral("操作员表内无记录,请增加操作用户后,再来使用本系统程序"));
    }

    void firstUserPasswordOutsideGbkIsRefused() {
        test::TestEnv env(false);
        const QString emoji = QStringLiteral("ab😀");
        QStringList shown;
        env.prompter.onExec = [&](QDialog* d) {
            if (enterFirstUser(d, emoji) == QDialog::Accepted)
                return int(QDialog::Accepted);
            shown << env.prompter.lastText();
            return enterFirstUser(d, QStringLiteral("ab"));
        };
        app::Frm_login w;
        QVERIFY(w.load());
        QCOMPARE(shown, QStringList{users::badCharacterText(QStringLiteral("😀"))});
        const auto user = users::UserStore(data::shared()).findByName(QStringLiteral("店长"));
        QVERIFY(user);
        QVERIFY(users::verifyPassword(QStringLiteral("ab"), user->passwordHash));
    }

    void fallbackFolderIsTold() {
        VORLAN_FILE_ONLY("the folder the database file is made in");
        test::TestEnv env(false);
        QTemporaryDir program;
        const data::DataLocation l = data::chooseDataLocation(program.path(), env.folder(), false);
        env.setDataLocation(l);
        env.prompter.onExec = [](QDialog* d) { return enterFirstUser(d); };
        app::Frm_login w;
        QVERIFY(w.load());
        // Said first, before the new database's first user is asked for.
        QVERIFY(!env.prompter.shown.isEmpty());
        const QString first = env.prompter.shown.first().message.text;
        QVERIFY2(first.contains(
                     QDir::toNativeSeparators(QDir(env.folder()).filePath(QStringLiteral("RavIZ.mdb")))),
                 qPrintable(first));
        QVERIFY(first.contains(QDir::toNativeSeparators(program.path())));
        QVERIFY(QFileInfo::exists(QDir(env.folder()).filePath(QStringLiteral("RavIZ.mdb"))));
        QVERIFY(!QFileInfo::exists(QDir(program.path()).filePath(QStringLiteral("RavIZ.mdb"))));
    }

    void readOnlyDatabaseIsToldAndUsed_data() {
        QTest::addColumn<bool>("goOn");
        QTest::newRow("go on reading") << true;
        QTest::newRow("stop") << false;
    }
    void readOnlyDatabaseIsToldAndUsed() {
        VORLAN_FILE_ONLY("the file's permission bits");
        QFETCH(bool, goOn);
        test::TestEnv env;
        env.addUser(QStringLiteral("1"), QStringLiteral("甲"), QStringLiteral("a"),
                    QStringLiteral("高级用户"));
        data::closeShared();
        app::state().reset();
        const QString path = data::databasePath();
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
        env.prompter.answers.enqueue(goOn ? ui::Answer::Yes : ui::Answer::No);
        {
            app::Frm_login w;
            QCOMPARE(w.load(), goOn);
            QVERIFY(env.prompter.dialogsShown.isEmpty());
            const ui::Message m = env.prompter.shown.first().message;
            QVERIFY2(m.text.contains(QDir::toNativeSeparators(path)) &&
                         m.text.contains(QStringLiteral("只读")),
                     qPrintable(m.text));
            QCOMPARE(m.buttons, ui::Buttons::YesNo);
            QCOMPARE(app::state().connectionOpened, goOn);
            // The users of the file are there; nothing new was started elsewhere.
            if (goOn)
                QCOMPARE(w.Combo1->count(), 1);
        }
        data::closeShared();
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    }

    void damagedDatabaseEndsTheProgram() {
        VORLAN_FILE_ONLY("a page of the file is damaged");
        test::TestEnv env;
        test::fillSheets(env.db());
        data::closeShared();
        app::state().reset();
        QVERIFY(test::damageMiddlePage(data::databasePath()));
        app::Frm_login w;
        QVERIFY(!w.load());
        QCOMPARE(env.prompter.last().icon, ui::Icon::Critical);
        QVERIFY(env.prompter.lastText().contains(QDir::toNativeSeparators(data::databasePath())));
        QVERIFY(env.prompter.lastText().contains(QStringLiteral("Backup")));
        QVERIFY(!app::state().connectionOpened);
    }

    void passwordHashes() {
        const QString h = users::hashPassword(QStringLiteral("Pa55 词"));
        QVERIFY(h.startsWith(QStringLiteral("pbkdf2-sha256$")));
        QVERIFY(h != users::hashPassword(QStringLiteral("Pa55 词"))); // salted
        QVERIFY(users::verifyPassword(QStringLiteral("Pa55 词"), h));
        QVERIFY(!users::verifyPassword(QStringLiteral("pa55 词"), h));
        QVERIFY(!users::verifyPassword(QString(), QVariant()));
        QVERIFY(!users::verifyPassword(QString(), QString()));
        QVERIFY(!users::verifyPassword(QStringLiteral("x"), QStringLiteral("x"))); // plain text never matches
    }

private:
    test::ScopedEnvironment caseEnv_; // for the whole case
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
