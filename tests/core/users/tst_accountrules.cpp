#include "users/AccountRules.h"
#include "users/PasswordHash.h"
#include "users/PasswordRules.h"

#include <QTest>

using namespace vorlan;

namespace {

const QString kResult = QStringLiteral("操作结果报告");
const QString kInvalid = QStringLiteral("操作无效报告");
const QString kNoUser = QStringLiteral("此用户不存在!");
const QString kWrongOld = QStringLiteral("您输入的[原来口令]内容错误,请重新输入");
const QString kMismatch = QStringLiteral("您输入的[变更口令]和[确认口令]内容不符,请重新输入");
const QString kTooLong = QStringLiteral("您输入的口令长度错误(不允许大于20个字符),请重新输入");
const QString kMissing = QStringLiteral("错误:请您填写员工编号和员工姓名,请重新填写!");

const QString kTwentyAscii = QStringLiteral("abcdefghij0123456789");
const QString kTenChinese = QStringLiteral("一二三四五六七八九十");
const QString kElevenChinese = QStringLiteral("一二三四五六七八九十百");
const QString kEmoji = QStringLiteral("😀");

} // namespace

class TestAccountRules : public QObject {
    Q_OBJECT
private slots:
    void checkPasswordChange_data() {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QVariant>("stored"); // the stored password, hashed in the test; Null stays Null
        QTest::addColumn<QString>("old");
        QTest::addColumn<QString>("next");
        QTest::addColumn<QString>("again");
        QTest::addColumn<QString>("refusal"); // empty: the change goes ahead
        QTest::addColumn<bool>("identified");
        const QVariant old = QStringLiteral("old");
        QTest::newRow("changed") << true << old << "old"
                                 << "new"
                                 << "new" << QString() << true;
        QTest::newRow("no such user") << false << old << "old"
                                      << "new"
                                      << "new" << kNoUser << false;
        // The user is looked for first, whatever else is wrong.
        QTest::newRow("no user, mismatch too") << false << old << "x"
                                               << "a"
                                               << "b" << kNoUser << false;
        QTest::newRow("old password wrong") << true << old << "OLD"
                                            << "new"
                                            << "new" << kWrongOld << false;
        QTest::newRow("old password wrong, mismatch too") << true << old << "x"
                                                          << "a"
                                                          << "b" << kWrongOld << false;
        QTest::newRow("no stored password matches nothing") << true << QVariant() << ""
                                                            << "new"
                                                            << "new" << kWrongOld << false;
        QTest::newRow("typed twice unalike") << true << old << "old"
                                             << "new"
                                             << "New" << kMismatch << true;
        QTest::newRow("mismatch before the length")
            << true << old << "old" << kElevenChinese << kTenChinese << kMismatch << true;
        QTest::newRow("20 ASCII") << true << old << "old" << kTwentyAscii << kTwentyAscii << QString()
                                  << true;
        QTest::newRow("21 ASCII") << true << old << "old" << kTwentyAscii + QLatin1Char('x')
                                  << kTwentyAscii + QLatin1Char('x') << kTooLong << true;
        QTest::newRow("10 Chinese") << true << old << "old" << kTenChinese << kTenChinese << QString()
                                    << true;
        QTest::newRow("11 Chinese are 22 bytes")
            << true << old << "old" << kElevenChinese << kElevenChinese << kTooLong << true;
        QTest::newRow("not in GBK") << true << old << "old" << QStringLiteral("ab") + kEmoji
                                    << QStringLiteral("ab") + kEmoji << users::badCharacterText(kEmoji)
                                    << true;
        // Counted as one byte, the emoji made this fit in 20; the character is named, not the length.
        const QString fits = QStringLiteral("abcdefghij012345678") + kEmoji;
        QTest::newRow("not in GBK within 20")
            << true << old << "old" << fits << fits << users::badCharacterText(kEmoji) << true;
        QTest::newRow("empty new password") << true << old << "old"
                                            << ""
                                            << "" << QString() << true;
    }
    void checkPasswordChange() {
        QFETCH(bool, exists);
        QFETCH(QVariant, stored);
        QFETCH(QString, old);
        QFETCH(QString, next);
        QFETCH(QString, again);
        QFETCH(QString, refusal);
        QFETCH(bool, identified);
        std::optional<users::UserRow> user;
        if (exists)
            user = users::UserRow{QStringLiteral("007"), QStringLiteral("Wang"),
                                  stored.isNull() ? QVariant()
                                                  : QVariant(users::hashPassword(stored.toString())),
                                  QStringLiteral("高级用户")};
        const users::PasswordChangeCheck check = users::checkPasswordChange(user, old, next, again);
        QCOMPARE(check.identified, identified);
        QCOMPARE(check.problem.has_value(), !refusal.isEmpty());
        if (check.problem)
            QCOMPARE(*check.problem, (users::Problem{refusal, kResult}));
    }

    void checkNewUser_data() {
        QTest::addColumn<QString>("uid");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("complete") << "001" << QStringLiteral("张三") << "pw" << QString();
        QTest::newRow("no password is allowed") << "001" << QStringLiteral("张三") << "" << QString();
        QTest::newRow("no number") << "" << QStringLiteral("张三") << "pw" << kMissing;
        QTest::newRow("blank number") << "  " << QStringLiteral("张三") << "pw" << kMissing;
        QTest::newRow("no name") << "001"
                                 << ""
                                 << "pw" << kMissing;
        QTest::newRow("blank name") << "001" << QStringLiteral("\u3000 ") << "pw" << kMissing;
        QTest::newRow("missing before the password") << ""
                                                     << "" << kEmoji << kMissing;
        QTest::newRow("10 Chinese") << "001" << QStringLiteral("张三") << kTenChinese << QString();
        QTest::newRow("blanks around are not counted")
            << "001" << QStringLiteral("张三") << QStringLiteral("  ") + kTwentyAscii + QStringLiteral(" ")
            << QString();
        QTest::newRow("not in GBK") << "001" << QStringLiteral("张三") << QStringLiteral("pw") + kEmoji
                                    << users::badCharacterText(kEmoji);
        QTest::newRow("too long") << "001" << QStringLiteral("张三") << kElevenChinese << kTooLong;
    }
    void checkNewUser() {
        QFETCH(QString, uid);
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, refusal);
        const auto problem = users::checkNewUser(uid, name, password);
        QCOMPARE(problem.has_value(), !refusal.isEmpty());
        if (problem)
            QCOMPARE(*problem, (users::Problem{refusal, kInvalid}));
    }

    void typingLimits() {
        QCOMPARE(users::kUidLength, 5);
        QCOMPARE(users::kNameLength, 10);
        QCOMPARE(users::kNewUserPasswordLength, 10);
        // The longest password a new user can be given fits the limit of a changed one.
        QVERIFY(users::gbkLength(QString(users::kNewUserPasswordLength, QChar(0x9F8D))) <=
                users::kPasswordBytes);
    }
};

QTEST_MAIN(TestAccountRules)
#include "tst_accountrules.moc"
