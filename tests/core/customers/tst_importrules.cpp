#include "customers/ImportRules.h"

#include <QTest>

using namespace vorlan;
using namespace vorlan::customers;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(vorlan::customers::FieldColumns)

class TestImportRules : public QObject {
    Q_OBJECT
private slots:
    void letters_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("column");
        QTest::newRow("A") << QStringLiteral("A") << 1;
        QTest::newRow("L") << QStringLiteral("L") << 12;
        QTest::newRow("Z") << QStringLiteral("Z") << 26;
        QTest::newRow("lower c") << QStringLiteral("c") << 3;
        QTest::newRow("lower z") << QStringLiteral("z") << 26;
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("two letters") << QStringLiteral("AA") << 0;
        QTest::newRow("digit") << QStringLiteral("1") << 0;
        QTest::newRow("blank around") << QStringLiteral(" B") << 0;
        QTest::newRow("full-width A") << QStringLiteral("Ａ") << 0;
        QTest::newRow("punctuation") << QStringLiteral("[") << 0;
    }
    void letters() {
        QFETCH(QString, text);
        QFETCH(int, column);
        QCOMPARE(columnNumber(text), column);
    }

    void columnsToRead_data() {
        QTest::addColumn<QStringList>("letters");
        QTest::addColumn<int>("used");
        QTest::addColumn<FieldColumns>("expected");
        const QStringList defaults{u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"E"_s, u"F"_s,
                                   u"G"_s, u"H"_s, u"I"_s, u"J"_s, u"K"_s, u"L"_s};
        QTest::newRow("defaults, 12 used")
            << defaults << 12 << FieldColumns{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        QTest::newRow("defaults, 3 used") << defaults << 3 << FieldColumns{1, 2, 3};
        QTest::newRow("none used") << defaults << 0 << FieldColumns{};
        QStringList emptied = defaults;
        emptied[4] = QString();
        QTest::newRow("emptied box unread")
            << emptied << 12 << FieldColumns{1, 2, 3, 4, 0, 6, 7, 8, 9, 10, 11, 12};
        QStringList repeated = defaults;
        repeated[6] = QStringLiteral("b");
        repeated[11] = QStringLiteral("B");
        QTest::newRow("repeated letters: lowest field wins")
            << repeated << 12 << FieldColumns{1, 2, 3, 4, 5, 6, 0, 8, 9, 10, 11, 0};
        QStringList swapped{u"C"_s, u"AA"_s, u"A"_s};
        QTest::newRow("fewer boxes, two letters") << swapped << 5 << FieldColumns{3, 0, 1};
        QStringList beyond = defaults;
        beyond[0] = QStringLiteral("Z");
        QTest::newRow("column beyond used")
            << beyond << 12 << FieldColumns{0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    }
    void columnsToRead() {
        QFETCH(QStringList, letters);
        QFETCH(int, used);
        QFETCH(FieldColumns, expected);
        QCOMPARE(vorlan::customers::columnsToRead(fieldColumns(letters), used), expected);
    }

    void startRows_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("row"); // 0: refused
        QTest::newRow("3") << QStringLiteral("3") << 3;
        QTest::newRow("blanks") << QStringLiteral(" 12 ") << 12;
        QTest::newRow("past 16 bits") << QStringLiteral("40000") << 40000;
        QTest::newRow("zero") << QStringLiteral("0") << 0;
        QTest::newRow("negative") << QStringLiteral("-2") << 0;
        QTest::newRow("letters") << QStringLiteral("abc") << 0;
        QTest::newRow("decimal") << QStringLiteral("2.5") << 0;
        QTest::newRow("full-width digits") << QStringLiteral("３") << 0;
        QTest::newRow("too large") << QStringLiteral("99999999999") << 0;
    }
    void startRows() {
        QFETCH(QString, text);
        QFETCH(int, row);
        const auto r = startRow(text);
        if (row == 0)
            QVERIFY(!r.has_value());
        else
            QCOMPARE(r.value(), row);
    }

    void numbers_data() {
        // A number cell is data the user typed: every digit is kept and no exponent ever appears.
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("phone") << 13800138000.0 << QStringLiteral("13800138000");
        QTest::newRow("postcode") << 100000.0 << QStringLiteral("100000");
        QTest::newRow("zero") << 0.0 << QStringLiteral("0");
        QTest::newRow("minus zero") << -0.0 << QStringLiteral("0");
        QTest::newRow("one") << 1.0 << QStringLiteral("1");
        QTest::newRow("negative") << -42.0 << QStringLiteral("-42");
        QTest::newRow("tenth") << 0.1 << QStringLiteral("0.1");
        QTest::newRow("decimal") << 3.14 << QStringLiteral("3.14");
        QTest::newRow("negative fraction") << -0.25 << QStringLiteral("-0.25");
        QTest::newRow("money") << 1234.5 << QStringLiteral("1234.5");
        // The shortest text that reads back to the same double, not a rounded one.
        QTest::newRow("binary fraction noise") << 0.1 + 0.2 << QStringLiteral("0.30000000000000004");
        QTest::newRow("largest below 1e15") << 999999999999999.0 << QStringLiteral("999999999999999");
        QTest::newRow("1e15") << 1e15 << QStringLiteral("1000000000000000");
        QTest::newRow("bank account 16 digits") << 6222499836243985.0 << QStringLiteral("6222499836243985");
        QTest::newRow("negative 16 digits") << -6222499836243985.0 << QStringLiteral("-6222499836243985");
        QTest::newRow("2^53") << 9007199254740992.0 << QStringLiteral("9007199254740992");
        QTest::newRow("2^53+1 as double") << double(9007199254740993LL) << QStringLiteral("9007199254740992");
        // Beyond 2^53 a double holds no exact account number; its own value is given, digit for digit.
        QTest::newRow("bank account 19 digits")
            << 6222021234567890123.0 << QStringLiteral("6222021234567889920");
        QTest::newRow("1e20") << 1e20 << QStringLiteral("100000000000000000000");
        QTest::newRow("-2^63") << -9223372036854775808.0 << QStringLiteral("-9223372036854775808");
        QTest::newRow("2^64") << 18446744073709551616.0 << QStringLiteral("18446744073709551616");
        QTest::newRow("fraction above 2^31") << 4294967296.5 << QStringLiteral("4294967296.5");
        QTest::newRow("millionth") << 0.000001 << QStringLiteral("0.000001");
        QTest::newRow("1.5e-7") << 1.5e-7 << QStringLiteral("0.00000015");
        QTest::newRow("-1.5e-7") << -1.5e-7 << QStringLiteral("-0.00000015");
        QTest::newRow("smallest normal digits") << 1.25e-20 << QStringLiteral("0.0000000000000000000125");
    }
    void numbers() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(numberText(value), text);
        QVERIFY(!text.contains(QLatin1Char('e'), Qt::CaseInsensitive));
        bool ok = false;
        QCOMPARE(text.toDouble(&ok), value == 0 ? 0.0 : value);
        QVERIFY(ok);
    }
};

QTEST_MAIN(TestImportRules)
#include "tst_importrules.moc"
