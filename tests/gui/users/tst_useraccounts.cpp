#include "TestEnv.h"
#include "TestServer.h"
#include "app/AppState.h"
#include "data/Sql.h"
#include "users/Frm_RenYuanGL.h"
#include "users/PasswordHash.h"
#include "users/PasswordRules.h"
#include "users/UserStore.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QStringEncoder>
#include <QTest>
#include <QTreeView>

using namespace vorlan;
using namespace Qt::StringLiterals;

namespace {

const QString kAdvanced = QStringLiteral("高级用户");
const QString kOrdinary = QStringLiteral("普通用户");

struct Row {
    QString uid, name, level;
    QVariant pass;
};

QList<Row> rows(const QSqlDatabase& db) {
    QList<Row> out;
    QSqlQuery q =
        data::exec(db, QStringLiteral("SELECT uid, uName, czqx, uPass FROM basic_user ORDER BY id"));
    while (q.next())
        out.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toString(), q.value(3)});
    return out;
}

QStringList listColumn(const users::Frm_RenYuanGL& w, int col) {
    QStringList out;
    for (int r = 0; r < w.users->rowCount(); ++r)
        out << w.users->index(r, col).data().toString();
    return out;
}

void changePassword(users::Frm_RenYuanGL& w, const QString& name, const QString& old, const QString& next,
                    const QString& again) {
    w.Text5->setText(name);
    w.Text1->setText(old);
    w.Text2->setText(next);
    w.Text3->setText(again);
    w.Command2->click();
}

} // namespace

class TestUserAccounts : public QObject {
    Q_OBJECT
private slots:
    void gbkLength_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("bytes");
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("20 ascii") << QStringLiteral("abcdefghij0123456789") << 20;
        QTest::newRow("10 chinese") << QStringLiteral("一二三四五六七八九十") << 20;
        QTest::newRow("11 chinese") << QStringLiteral("一二三四五六七八九十百") << 22;
        QTest::newRow("mixed") << QStringLiteral("口令a1") << 6;
        // Not one byte each: GBK has no code for them at all.
        QTest::newRow("emoji") << QStringLiteral("😀") << -1;
        QTest::newRow("19 ascii and an emoji") << QStringLiteral("abcdefghij012345678😀") << -1;
    }
    void gbkLength() {
        QFETCH(QString, text);
        QFETCH(int, bytes);
        QCOMPARE(users::gbkLength(text), bytes);
    }

    void checkPassword_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("problem");
        QTest::addColumn<QString>("character");
        const struct {
            users::CodePage page;
            const char* name;
        } pages[] = {{users::CodePage::Gbk, "GBK"},
                     {users::CodePage::Gb18030, "GB18030"},
                     {users::CodePage::Rule, "rule"}};
        const QString lone = QString(QChar(0xD83D));
        for (const auto& p : pages) {
            auto row = [&](const char* what, const QString& pw, users::PasswordVerdict::Problem problem,
                           const QString& ch = QString()) {
                QTest::addRow("%s: %s", p.name, what) << int(p.page) << pw << int(problem) << ch;
            };
            row("20 ascii", QStringLiteral("abcdefghij0123456789"), users::PasswordVerdict::Ok);
            row("21 ascii", QStringLiteral("abcdefghij0123456789x"), users::PasswordVerdict::TooLong);
            row("10 chinese", QStringLiteral("一二三四五六七八九十"), users::PasswordVerdict::Ok);
            row("11 chinese", QStringLiteral("一二三四五六七八九十百"), users::PasswordVerdict::TooLong);
            row("full-width letters", QStringLiteral("ＡＢＣ"), users::PasswordVerdict::Ok);
            row("emoji", QStringLiteral("ab😀"), users::PasswordVerdict::BadCharacter, QStringLiteral("😀"));
            // Counted as one byte, the emoji made this fit in 20.
            row("19 ascii and an emoji", QStringLiteral("abcdefghij012345678😀"),
                users::PasswordVerdict::BadCharacter, QStringLiteral("😀"));
            row("first of two", QStringLiteral("😀x😁"), users::PasswordVerdict::BadCharacter,
                QStringLiteral("😀"));
            row("half a pair", QStringLiteral("a") + lone, users::PasswordVerdict::BadCharacter, lone);
            row("rare ideograph beyond the plane", QStringLiteral("𠀀"), users::PasswordVerdict::BadCharacter,
                QStringLiteral("𠀀"));
            row("empty", QString(), users::PasswordVerdict::Ok);
        }
        // Only a code page knows these: not in GBK although inside the Basic Multilingual Plane.
        QTest::addRow("GBK: Samaritan letter")
            << int(users::CodePage::Gbk) << QStringLiteral("\u0800")
            << int(users::PasswordVerdict::BadCharacter) << QStringLiteral("\u0800");
        QTest::addRow("GB18030: Samaritan letter")
            << int(users::CodePage::Gb18030) << QStringLiteral("\u0800")
            << int(users::PasswordVerdict::BadCharacter) << QStringLiteral("\u0800");
    }
    void checkPassword() {
        QFETCH(int, page);
        QFETCH(QString, password);
        QFETCH(int, problem);
        QFETCH(QString, character);
        const auto p = users::CodePage(page);
        if ((p == users::CodePage::Gbk && !QStringEncoder("GBK").isValid()) ||
            (p == users::CodePage::Gb18030 && !QStringEncoder("GB18030").isValid()))
            QSKIP("this Qt build has no such code page");
        const users::PasswordVerdict v = users::checkPassword(password, 20, p);
        QCOMPARE(int(v.problem), problem);
        QCOMPARE(v.character, character);
    }

    void badCharacterIsNamed() {
        const QString text = users::badCharacterText(QStringLiteral("😀"));
        QVERIFY2(text.contains(QStringLiteral("😀")) && text.contains(QStringLiteral("U+1F600")),
                 qPrintable(text));
        QVERIFY(users::badCharacterText(QString(QChar(0xD83D))).contains(QStringLiteral("U+D83D")));
    }

    void passwordsOutsideGbkAreRefused_data() {
        QTest::addColumn<bool>("change"); // the password change, or a new user
        QTest::newRow("change") << true;
        QTest::newRow("new user") << false;
    }
    void passwordsOutsideGbkAreRefused() {
        QFETCH(bool, change);
        test::TestEnv env;
        app::state().userLevel = kAdvanced;
        env.addUser(QStringLiteral("001"), QStringLiteral("甲"), QStringLiteral("old"), kAdvanced);
        users::Frm_RenYuanGL w;
        w.load();
        const QString bad = QStringLiteral("abcdefghij012345678😀");
        if (change) {
            changePassword(w, QStringLiteral("甲"), QStringLiteral("old"), bad, bad);
            QCOMPARE(env.prompter.last().title, QStringLiteral("操作结果报告"));
        } else {
            w.Txt_id->setText(QStringLiteral("002"));
            w.Txt_name->setText(QStringLiteral("乙"));
            w.Txt_mm1->setText(QStringLiteral("pw😀"));
            w.Command5->click();
            QCOMPARE(env.prompter.last().title, QStringLiteral("操作无效报告"));
            QCOMPARE(env.prompter.shown.size(), 1); // refused before the confirmation
        }
        QCOMPARE(env.prompter.lastText(), users::badCharacterText(QStringLiteral("😀")));
        const QList<Row> after = rows(env.db());
        QCOMPARE(after.size(), 1);
        QVERIFY(users::verifyPassword(QStringLiteral("old"), after.first().pass));
    }

    void levelRules_data() {
        QTest::addColumn<QString>("level");
        QTest::addColumn<bool>("manage");
        QTest::newRow("advanced") << kAdvanced << true;
        QTest::newRow("ordinary") << kOrdinary << false;
        QTest::newRow("no level") << QString() << false;
    }
    void levelRules() {
        QFETCH(QString, level);
        QFETCH(bool, manage);
        test::TestEnv env;
        env.addUser(QStringLiteral("1"), QStringLiteral("甲"), QStringLiteral("pw"), kAdvanced);
        app::state().userLevel = level;
        users::Frm_RenYuanGL w;
        w.load();
        QCOMPARE(w.windowTitle(), QStringLiteral("人员管理"));
        QCOMPARE(w.Command5->isEnabled(), manage);
        QCOMPARE(w.Command3->isEnabled(), manage);
        QVERIFY(w.Command2->isEnabled());
        // An ordinary user changes a password knowing the old one.
        changePassword(w, QStringLiteral("甲"), QStringLiteral("pw"), QStringLiteral("new"),
                       QStringLiteral("new"));
        QCOMPARE(env.prompter.lastText(), QStringLiteral("【变更口令】操作成功!"));
        QVERIFY(users::verifyPassword(QStringLiteral("new"), rows(env.db()).first().pass));
    }

    void listAndChoosing() {
        test::TestEnv env;
        app::state().userLevel = kAdvanced;
        env.addUser(QStringLiteral(" 001 "), QStringLiteral("张三"), QStringLiteral("a"), kAdvanced);
        env.addUser(QStringLiteral("002"), QStringLiteral(" 李四 "), QStringLiteral("b"), kOrdinary);
        data::exec(env.db(), QStringLiteral("INSERT INTO basic_user (uid, uName, uPass, czqx, uFlag) VALUES "
                                            "('003', NULL, NULL, NULL, 0)"));
        users::Frm_RenYuanGL w;
        w.load();
        QVERIFY(env.prompter.shown.isEmpty());
        QCOMPARE(listColumn(w, 0), (QStringList{u"001"_s, u"002"_s, u"003"_s}));
        QCOMPARE(listColumn(w, 1),
                 (QStringList{QStringLiteral("张三"), QStringLiteral(" 李四 "), QString()}));
        QCOMPARE(listColumn(w, 2), (QStringList{kAdvanced, kOrdinary, QString()}));
        QStringList headers;
        for (int c = 0; c < 3; ++c)
            headers << w.users->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers, (QStringList{QStringLiteral("用户ID号"), QStringLiteral("用户姓名"),
                                       QStringLiteral("用户权限")}));
        QCOMPARE(w.Lst1->currentIndex().row(), 2);
        QVERIFY(w.Text5->text().isEmpty());
        QVERIFY(!w.Text4->isVisibleTo(&w));
        QVERIFY(!w.Label8->isVisibleTo(&w));
        QCOMPARE(w.Txt_id->maxLength(), 5);
        QCOMPARE(w.Txt_name->maxLength(), 10);
        QCOMPARE(w.Txt_mm1->maxLength(), 10);
        QCOMPARE(w.Text5->maxLength(), 10);
        QVERIFY(!w.Option高级->isChecked() && !w.Option普通->isChecked());

        w.Lst1->setCurrentIndex(w.users->index(1, 0));
        QCOMPARE(w.Text5->text(), QStringLiteral("李四"));
    }

    void emptyTableMessage() {
        test::TestEnv env;
        users::Frm_RenYuanGL w;
        w.load();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("该用户编号不存在,或用户密码错误"));
        QCOMPARE(env.prompter.last().title, QStringLiteral("操作失败报告"));
        QCOMPARE(w.users->rowCount(), 0);
    }

    void passwordChangeRules() {
        test::TestEnv env;
        app::state().userLevel = kOrdinary;
        env.addUser(QStringLiteral("007"), QStringLiteral("Wang"), QStringLiteral("old"), kAdvanced);
        env.addUser(QStringLiteral("008"), QStringLiteral("other"), QStringLiteral("x"), kOrdinary);
        users::Frm_RenYuanGL w;
        w.load();

        changePassword(w, QStringLiteral("nobody"), QStringLiteral("old"), QStringLiteral("n"),
                       QStringLiteral("n"));
        QCOMPARE(env.prompter.lastText(), QStringLiteral("此用户不存在!"));
        QCOMPARE(env.prompter.last().title, QStringLiteral("操作结果报告"));

        changePassword(w, QStringLiteral("wang"), QStringLiteral("OLD"), QStringLiteral("n"),
                       QStringLiteral("n"));
        QCOMPARE(env.prompter.lastText(), QStringLiteral("您输入的[原来口令]内容错误,请重新输入"));

        changePassword(w, QStringLiteral("wang"), QStringLiteral(" old "), QStringLiteral("n1"),
                       QStringLiteral("n2"));
        QCOMPARE(env.prompter.lastText(),
                 QStringLiteral("您输入的[变更口令]和[确认口令]内容不符,请重新输入"));
        QCOMPARE(w.Text1->text(), QStringLiteral("old")); // trimmed in place

        const QString eleven = QStringLiteral("一二三四五六七八九十百");
        changePassword(w, QStringLiteral("wang"), QStringLiteral("old"), eleven, eleven);
        QCOMPARE(env.prompter.lastText(),
                 QStringLiteral("您输入的口令长度错误(不允许大于20个字符),请重新输入"));
        QVERIFY(users::verifyPassword(QStringLiteral("old"), rows(env.db()).first().pass));

        const QString twenty = QStringLiteral("abcdefghij0123456789");
        changePassword(w, QStringLiteral(" wang "), QStringLiteral("old"), twenty, twenty);
        QCOMPARE(env.prompter.lastText(), QStringLiteral("【变更口令】操作成功!"));
        QVERIFY(w.Text4->isVisibleTo(&w));
        QVERIFY(w.Label8->isVisibleTo(&w));
        for (QLineEdit* e : {w.Text1, w.Text2, w.Text3, w.Text4})
            QVERIFY(e->text().isEmpty());

        // The row is rewritten, not updated in place: number and level kept, name as typed, hashed.
        const QList<Row> after = rows(env.db());
        QCOMPARE(after.size(), 2);
        QCOMPARE(after.last().uid, QStringLiteral("007"));
        QCOMPARE(after.last().name, QStringLiteral("wang"));
        QCOMPARE(after.last().level, kAdvanced);
        QVERIFY(after.last().pass.toString() != twenty);
        QVERIFY(users::verifyPassword(twenty, after.last().pass));

        const QString ten = QStringLiteral("一二三四五六七八九十");
        changePassword(w, QStringLiteral("wang"), twenty, ten, ten);
        QCOMPARE(env.prompter.lastText(), QStringLiteral("【变更口令】操作成功!"));
    }

    // The user's number is put into Text4 as soon as the old password is right, also when the new one is
    // then refused; after a first change Text4 is on show, so the number is seen.
    void numberShownOnceIdentified() {
        test::TestEnv env;
        env.addUser(QStringLiteral("007"), QStringLiteral("Wang"), QStringLiteral("old"), kAdvanced);
        users::Frm_RenYuanGL w;
        w.load();
        changePassword(w, QStringLiteral("Wang"), QStringLiteral("old"), QStringLiteral("a"),
                       QStringLiteral("a"));
        QVERIFY(w.Text4->isVisibleTo(&w));
        QVERIFY(w.Text4->text().isEmpty());
        changePassword(w, QStringLiteral("Wang"), QStringLiteral("wrong"), QStringLiteral("b"),
                       QStringLiteral("b"));
        QVERIFY(w.Text4->text().isEmpty());
        changePassword(w, QStringLiteral("Wang"), QStringLiteral("a"), QStringLiteral("b"),
                       QStringLiteral("c"));
        QCOMPARE(env.prompter.lastText(),
                 QStringLiteral("您输入的[变更口令]和[确认口令]内容不符,请重新输入"));
        QCOMPARE(w.Text4->text(), QStringLiteral("007"));
        QVERIFY(users::verifyPassword(QStringLiteral("a"), rows(env.db()).first().pass));
    }

    void twoUsersWithOneName() {
        test::TestEnv env;
        env.addUser(QStringLiteral("1"), QStringLiteral("同名"), QStringLiteral("a"), kOrdinary);
        env.addUser(QStringLiteral("2"), QStringLiteral("同名"), QStringLiteral("b"), kAdvanced);
        users::Frm_RenYuanGL w;
        w.load();
        changePassword(w, QStringLiteral("同名"), QStringLiteral("a"), QStringLiteral("c"),
                       QStringLiteral("c"));
        const QList<Row> after = rows(env.db());
        QCOMPARE(after.size(), 1);
        QCOMPARE(after.first().uid, QStringLiteral("1"));
        QCOMPARE(after.first().level, kOrdinary);
    }

    void failedChangeKeepsTheUser() {
        VORLAN_FILE_ONLY("the fault is injected with an SQLite trigger");
        test::TestEnv env;
        env.addUser(QStringLiteral("1"), QStringLiteral("甲"), QStringLiteral("a"), kAdvanced);
        app::state().userLevel = kAdvanced;
        data::exec(env.db(), QStringLiteral("CREATE TRIGGER no_insert BEFORE INSERT ON basic_user "
                                            "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        users::Frm_RenYuanGL w;
        w.load();
        changePassword(w, QStringLiteral("甲"), QStringLiteral("a"), QStringLiteral("b"),
                       QStringLiteral("b"));
        QCOMPARE(env.prompter.lastText(),
                 QStringLiteral("系统软件接受到一个不合法的数据,程序无法使用(refused)"));
        QCOMPARE(env.prompter.last().title, QStringLiteral("重要操作提示"));
        QCOMPARE(rows(env.db()).size(), 1);
        QVERIFY(users::verifyPassword(QStringLiteral("a"), rows(env.db()).first().pass));

        w.Txt_id->setText(QStringLiteral("1"));
        w.Txt_name->setText(QStringLiteral("乙"));
        w.Command5->click();
        QCOMPARE(env.prompter.lastText(),
                 QStringLiteral("系统软件接受到一个不合法的数据,程序无法使用(refused)"));
        QCOMPARE(rows(env.db()).size(), 1);
        QCOMPARE(rows(env.db()).first().name, QStringLiteral("甲"));
    }

    void newUserReplacesByNumber() {
        test::TestEnv env;
        app::state().userLevel = kAdvanced;
        env.addUser(QStringLiteral("001"), QStringLiteral("张三"), QStringLiteral("a"), kAdvanced);
        env.addUser(QStringLiteral("002"), QStringLiteral("李四"), QStringLiteral("b"), kOrdinary);
        users::Frm_RenYuanGL w;
        w.load();

        w.Txt_id->setText(QStringLiteral("  "));
        w.Txt_name->setText(QStringLiteral("王五"));
        w.Command5->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("错误:请您填写员工编号和员工姓名,请重新填写!"));
        QCOMPARE(env.prompter.last().title, QStringLiteral("操作无效报告"));

        w.Txt_id->setText(QStringLiteral("001 "));
        w.Txt_name->setText(QStringLiteral(" 王五"));
        w.Txt_mm1->setText(QStringLiteral(" pw "));
        env.prompter.answers.enqueue(ui::Answer::Cancel);
        w.Command5->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("您确定要保存:001  的记录么?"));
        QCOMPARE(env.prompter.last().title, QStringLiteral("关键操作的确认"));
        QCOMPARE(rows(env.db()).size(), 2);

        w.Command5->click(); // neither level chosen: ordinary
        QCOMPARE(env.prompter.lastText(), QStringLiteral("本次用户信息记录保存成功!"));
        QCOMPARE(env.prompter.last().title, QStringLiteral("操作结果提示"));
        QList<Row> after = rows(env.db());
        QCOMPARE(after.size(), 2);
        QCOMPARE(after.last().uid, QStringLiteral("001"));
        QCOMPARE(after.last().name, QStringLiteral("王五"));
        QCOMPARE(after.last().level, kOrdinary);
        QVERIFY(users::verifyPassword(QStringLiteral("pw"), after.last().pass));
        QVERIFY(w.Txt_id->text().isEmpty() && w.Txt_name->text().isEmpty());
        QCOMPARE(w.Txt_mm1->text(), QStringLiteral(" pw "));
        QCOMPARE(listColumn(w, 1), (QStringList{QStringLiteral("李四"), QStringLiteral("王五")}));

        w.Txt_id->setText(QStringLiteral("003"));
        w.Txt_name->setText(QStringLiteral("赵六"));
        w.Option高级->setChecked(true);
        w.Command5->click();
        QCOMPARE(rows(env.db()).last().level, kAdvanced);
    }

    void deletingUsers() {
        test::TestEnv env;
        app::state().userLevel = kAdvanced;
        env.addUser(QStringLiteral("001"), QStringLiteral("Admin"), QStringLiteral("a"), kAdvanced);
        users::Frm_RenYuanGL w;
        w.load();

        w.Command3->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("错误:请您选择要删除的用户名!"));
        QCOMPARE(env.prompter.last().title, QStringLiteral("操作无效报告"));

        w.Text5->setText(QStringLiteral("admin"));
        env.prompter.answers.enqueue(ui::Answer::Cancel);
        w.Command3->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("您确定想删除:admin 的记录么?"));
        QCOMPARE(env.prompter.last().buttons, ui::Buttons::OkCancel);
        QCOMPARE(rows(env.db()).size(), 1);

        // The last user, the logged-in one: allowed; the level of the run stays.
        env.prompter.clear();
        w.Command3->click();
        QCOMPARE(env.prompter.texts(), (QStringList{QStringLiteral("您确定想删除:admin 的记录么?"),
                                                    QStringLiteral("该用户编号不存在,或用户密码错误"),
                                                    QStringLiteral("【删除口令】操作成功!")}));
        QVERIFY(users::UserStore(env.db()).isEmpty());
        QCOMPARE(w.users->rowCount(), 0);
        QVERIFY(w.Text5->text().isEmpty());
        QCOMPARE(app::state().userLevel, kAdvanced);
    }

    void longNameFromTheListIsTakenWhole() {
        // Typing stops at 10 characters, but a longer name already in the table must not be cut, or
        // that user could be neither changed nor deleted.
        test::TestEnv env;
        app::state().userLevel = kAdvanced;
        const QString longName = QStringLiteral("Administrator");
        env.addUser(QStringLiteral("001"), longName, QStringLiteral("old"), kAdvanced);
        env.addUser(QStringLiteral("002"), QStringLiteral("李四"), QStringLiteral("b"), kOrdinary);
        users::Frm_RenYuanGL w;
        w.load();
        w.Lst1->setCurrentIndex(w.users->index(0, 0));
        QCOMPARE(w.Text5->text(), longName);

        w.Text1->setText(QStringLiteral("old"));
        w.Text2->setText(QStringLiteral("new"));
        w.Text3->setText(QStringLiteral("new"));
        w.Command2->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("【变更口令】操作成功!"));
        QVERIFY(users::verifyPassword(QStringLiteral("new"), rows(env.db()).last().pass));

        w.Command3->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("【删除口令】操作成功!"));
        QCOMPARE(listColumn(w, 1), QStringList{QStringLiteral("李四")});
        // Back to the typing limit once the name is gone.
        QCOMPARE(w.Text5->maxLength(), 10);
        w.Lst1->setCurrentIndex(w.users->index(0, 0));
        QCOMPARE(w.Text5->maxLength(), 10);
    }
};

QTEST_MAIN(TestUserAccounts)
#include "tst_useraccounts.moc"
