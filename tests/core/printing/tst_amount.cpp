#include "printing/AmountInWords.h"

#include <QTest>

using namespace vorlan::printing;
using Outcome = AmountConversion::Outcome;

class TestAmount : public QObject {
    Q_OBJECT
private slots:
    void digits() {
        QCOMPARE(GetNumString(0), QStringLiteral("零"));
        QCOMPARE(GetNumString(7), QStringLiteral("柒"));
        QCOMPARE(GetNumString(9), QStringLiteral("玖"));
        QCOMPARE(GetNumString(10), QString());
        QCOMPARE(GetNumString(-1), QString());
    }

    // The box text after the four leading blanks, for a typed figure.
    void words_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("words");
        auto row = [](const char* typed, const char* words) {
            QTest::newRow(typed) << QString::fromUtf8(typed) << QString::fromUtf8(words);
        };
        row("1000.5", "壹仟元伍角");
        row("0.3", "叁角");
        row("20.05", "贰拾元零伍分 ");
        row("5", "伍元整");
        row("101", "壹佰零壹元整");
        row("1001", "壹仟零壹元整");
        row("1010", "壹仟零壹拾元整");
        row("100000", "壹拾万元整");
        row("110000", "壹拾壹万元整");
        row("1100000", "壹佰壹拾万元整");
        row("1000000", "壹佰万元整");
        row("20000.5", "贰万元伍角");
        row("1234567.89", "壹佰贰拾叁万肆仟伍佰陆拾柒元捌角玖分 ");
        row("9999999", "玖佰玖拾玖万玖仟玖佰玖拾玖元整");
        row("0.05", "伍分 ");
        row("-5", "(负数)伍元整");
        row("-0.001", "(负数)");
        row("0", "");
        row("10", "壹拾元整");
        row("12.34", "壹拾贰元叁角肆分 ");
        row("1010000", "壹佰零壹万元整");
        row("1050000", "壹佰零伍万元整");
        row("107000.53", "壹拾万柒仟元伍角叁分 ");
        // Rounding of |value| x 100 in double precision, halves to even.
        row("1.005", "壹元整");
        row("0.125", "壹角贰分 ");
        row("0.135", "壹角肆分 ");
        // 2.675 x 100 is exactly 267.5 in double precision, and the even neighbour is 268.
        row("2.675", "贰元陆角捌分 ");
        // Accepted spellings: blanks around, a sign, a bare point.
        row("  250 ", "贰佰伍拾元整");
        row("\t+7.", "柒元整");
        row(".5", "伍角");
        row("-9999999", "(负数)玖佰玖拾玖万玖仟玖佰玖拾玖元整");
        row("9999998.996", "玖佰玖拾玖万玖仟玖佰玖拾玖元整");
        row("0010", "壹拾元整");
        row("1000010", "壹佰万零壹拾元整");
        row("10000", "壹万元整");
        row("110", "壹佰壹拾元整");
    }
    void words() {
        QFETCH(QString, typed);
        QFETCH(QString, words);
        const AmountConversion c = convertAmountText(typed);
        QCOMPARE(int(c.outcome), int(Outcome::Converted));
        QCOMPARE(c.text, QStringLiteral("    ") + words);
    }

    void tooLarge_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("12000000") << QStringLiteral("12000000");
        QTest::newRow("9999999.004") << QStringLiteral("9999999.004");
        QTest::newRow("-9999999.01") << QStringLiteral("-9999999.01");
        QTest::newRow("400 digits") << QString(400, QLatin1Char('9'));
    }
    void tooLarge() {
        QFETCH(QString, typed);
        const AmountConversion c = convertAmountText(typed);
        QCOMPARE(int(c.outcome), int(Outcome::TooLarge));
        QVERIFY(c.text.isEmpty());
    }

    void notANumber_data() {
        QTest::addColumn<QString>("typed");
        for (const char* t :
             {"",  "   ", "abc", "1,000", "1e3", "¥100", "$5",   "12.3.4",       "- 5",  "1 000",
              ".", "-",   "+",   "0x10",  "inf", "nan",  "１２", "    壹佰元整", "12元", "--5"})
            QTest::newRow(t) << QString::fromUtf8(t);
    }
    void notANumber() {
        QFETCH(QString, typed);
        QCOMPARE(int(convertAmountText(typed).outcome), int(Outcome::NotANumber));
        QVERIFY(!parseAmount(typed));
    }

    void rangeLimitsOnValues() {
        QVERIFY(AmountToWords(9999999.0));
        QVERIFY(AmountToWords(-9999999.0));
        QVERIFY(!AmountToWords(9999999.004));
        QVERIFY(!AmountToWords(std::nan("")));
        QVERIFY(!AmountToWords(-1e300));
    }

    // A converted box holds words: Enter again finds no number.
    void convertedTextIsNotANumber() {
        const AmountConversion first = convertAmountText(QStringLiteral("250"));
        QCOMPARE(int(convertAmountText(first.text).outcome), int(Outcome::NotANumber));
    }
};

QTEST_APPLESS_MAIN(TestAmount)
#include "tst_amount.moc"
