#include "calendar/Lunar.h"

#include <QRegularExpression>
#include <QTest>

using namespace vorlan;

namespace {

const QString kStems = QStringLiteral("甲乙丙丁戊己庚辛壬癸");
const QString kBranches = QStringLiteral("子丑寅卯辰巳午未申酉戌亥");
const QString kAnimals = QStringLiteral("鼠牛虎兔龙蛇马羊猴鸡狗猪");
const QStringList kMonths = {QStringLiteral("正"), QStringLiteral("二"),   QStringLiteral("三"),
                             QStringLiteral("四"), QStringLiteral("五"),   QStringLiteral("六"),
                             QStringLiteral("七"), QStringLiteral("八"),   QStringLiteral("九"),
                             QStringLiteral("十"), QStringLiteral("十一"), QStringLiteral("腊")};

QStringList dayNames() {
    const QString digits = QStringLiteral("一二三四五六七八九");
    QStringList names;
    for (int i = 0; i < 9; ++i)
        names << QStringLiteral("初") + digits[i];
    names << QStringLiteral("初十");
    for (int i = 0; i < 9; ++i)
        names << QStringLiteral("十") + digits[i];
    names << QStringLiteral("二十");
    for (int i = 0; i < 9; ++i)
        names << QStringLiteral("廿") + digits[i];
    names << QStringLiteral("三十");
    return names;
}

// A lunar text taken apart: cycle position 0..59, month 1..12, leap mark, day 1..30.
struct Parsed {
    int cycle = -1;
    int month = 0;
    bool leap = false;
    int day = 0;
};

Parsed parse(const QString& text) {
    static const QRegularExpression re(
        QStringLiteral("^(.)(.)年\\((.)\\) (闰?)(正|二|三|四|五|六|七|八|九|十一|十|腊)月(..)$"));
    static const QStringList days = dayNames();
    Parsed p;
    const auto m = re.match(text);
    if (!m.hasMatch())
        return p;
    const int stem = int(kStems.indexOf(m.captured(1)));
    const int branch = int(kBranches.indexOf(m.captured(2)));
    if (stem < 0 || branch < 0 || kAnimals.indexOf(m.captured(3)) != branch || stem % 2 != branch % 2)
        return p;
    for (int c = 0; c < 60; ++c)
        if (c % 10 == stem && c % 12 == branch)
            p.cycle = c;
    p.leap = !m.captured(4).isEmpty();
    p.month = int(kMonths.indexOf(m.captured(5))) + 1;
    p.day = int(days.indexOf(m.captured(6))) + 1;
    return p;
}

} // namespace

class TestLunar : public QObject {
    Q_OBJECT
private slots:
    void knownDays_data() {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("expected");
        auto row = [](int y, int m, int d, const char* text) {
            QTest::addRow("%04d-%02d-%02d", y, m, d) << QDate(y, m, d) << QString::fromUtf8(text);
        };
        // Range start and the examples of the conversion.
        row(1921, 2, 8, "辛酉年(鸡) 正月初一");
        row(2010, 2, 13, "己丑年(牛) 腊月三十");
        row(2010, 2, 14, "庚寅年(虎) 正月初一");
        row(1984, 2, 2, "甲子年(鼠) 正月初一");
        // Leap months: the leap month follows the month of the same number.
        row(2009, 6, 23, "己丑年(牛) 闰五月初一");
        row(2009, 7, 21, "己丑年(牛) 闰五月廿九");
        row(2020, 5, 23, "庚子年(鼠) 闰四月初一");
        row(2020, 6, 21, "庚子年(鼠) 五月初一");
        // A leap day and the day after it.
        row(2000, 2, 29, "庚辰年(龙) 正月廿五");
        row(2000, 3, 1, "庚辰年(龙) 正月廿六");
        // The end of the original table and the first days after it.
        row(2021, 2, 11, "庚子年(鼠) 腊月三十");
        row(2021, 2, 12, "辛丑年(牛) 正月初一");
        // Further into the extended table.
        row(2023, 3, 22, "癸卯年(兔) 闰二月初一");
        row(2024, 2, 10, "甲辰年(龙) 正月初一");
        row(2025, 1, 29, "乙巳年(蛇) 正月初一");
        row(2025, 7, 25, "乙巳年(蛇) 闰六月初一");
        row(2026, 12, 9, "丙午年(马) 十一月初一");
        row(2027, 2, 6, "丁未年(羊) 正月初一");
        row(2030, 2, 3, "庚戌年(狗) 正月初一");
        row(2033, 12, 22, "癸丑年(牛) 闰十一月初一");
        row(2034, 2, 19, "甲寅年(虎) 正月初一");
        row(2024, 2, 29, "甲辰年(龙) 正月二十");
        row(2024, 3, 1, "甲辰年(龙) 正月廿一");
        // The last supported day.
        row(2100, 2, 8, "己未年(羊) 腊月三十");
    }

    void knownDays() {
        QFETCH(QDate, date);
        QFETCH(QString, expected);
        QCOMPARE(calendar::lunarText(date), expected);
    }

    void outsideTheRangeIsEmpty_data() {
        QTest::addColumn<QDate>("date");
        QTest::newRow("day before the first") << QDate(1921, 2, 7);
        QTest::newRow("first of February 1921") << QDate(1921, 2, 1); // the day count would be 0 or below
        QTest::newRow("new year 1921") << QDate(1921, 1, 1);
        QTest::newRow("1900") << QDate(1900, 1, 31);
        QTest::newRow("year 1") << QDate(1, 1, 1);
        QTest::newRow("before the common era") << QDate(-44, 3, 15);
        QTest::newRow("day after the last") << QDate(2100, 2, 9);
        QTest::newRow("March 2100") << QDate(2100, 3, 1); // the divisible-by-4 rule no longer holds
        QTest::newRow("end of 2100") << QDate(2100, 12, 31);
        QTest::newRow("far future") << QDate(9999, 12, 31);
        QTest::newRow("invalid") << QDate();
    }

    void outsideTheRangeIsEmpty() {
        QFETCH(QDate, date);
        QCOMPARE(calendar::lunarText(date), QString());
    }

    void rangeEnds() {
        QCOMPARE(calendar::firstSupportedDay(), QDate(1921, 2, 8));
        QCOMPARE(calendar::lastSupportedDay(), QDate(2100, 2, 8));
    }

    // Every supported day, checked against its neighbour: the walk through the table has no gaps,
    // months follow each other (a leap month repeats its number), days run from 初一 to 廿九 or 三十,
    // the year's name moves on exactly at 正月初一, and the text has its one blank after ")".
    void everyDayFollowsTheDayBefore() {
        const QDate first = calendar::firstSupportedDay();
        const QDate last = calendar::lastSupportedDay();
        QCOMPARE(first.daysTo(last) + 1, 65380);
        Parsed prev = parse(calendar::lunarText(first));
        QCOMPARE(prev.cycle, 57);
        int newYears = 1;
        int leapMonths = 0;
        for (QDate d = first.addDays(1); d <= last; d = d.addDays(1)) {
            const QString text = calendar::lunarText(d);
            const Parsed p = parse(text);
            if (p.cycle < 0 || p.month < 1 || p.day < 1)
                QFAIL(qPrintable(d.toString(Qt::ISODate) + QLatin1Char(' ') + text));
            QCOMPARE(text.count(QLatin1Char(' ')), 1);
            if (p.day != 1) {
                if (p.cycle != prev.cycle || p.month != prev.month || p.leap != prev.leap ||
                    p.day != prev.day + 1)
                    QFAIL(qPrintable(d.toString(Qt::ISODate) + QLatin1Char(' ') + text));
                prev = p;
                continue;
            }
            if (prev.day < 29)
                QFAIL(qPrintable(QStringLiteral("short month before ") + d.toString(Qt::ISODate)));
            if (p.leap) {
                ++leapMonths;
                QVERIFY(!prev.leap);
                QCOMPARE(p.month, prev.month);
                QCOMPARE(p.cycle, prev.cycle);
            } else if (p.month == 1) {
                ++newYears;
                QCOMPARE(prev.month, 12);
                QCOMPARE(p.cycle, (prev.cycle + 1) % 60);
            } else {
                QCOMPARE(p.month, prev.month + 1);
                QCOMPARE(p.cycle, prev.cycle);
            }
            prev = p;
        }
        QCOMPARE(newYears, 2099 - 1921 + 1);
        QCOMPARE(prev.month, 12);
        QCOMPARE(prev.day, 30);
        // Seven leap months in every nineteen years, give or take one at the ends.
        QVERIFY2(qAbs(leapMonths - 179 * 7 / 19) <= 1, qPrintable(QString::number(leapMonths)));
    }
};

QTEST_APPLESS_MAIN(TestLunar)
#include "tst_lunar.moc"
