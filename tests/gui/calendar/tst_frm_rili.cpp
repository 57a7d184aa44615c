#include "ScopedEnvironment.h"
#include "TestEnv.h"
#include "app/Windows.h"
#include "calendar/Frm_RiLi.h"
#include "calendar/Lunar.h"
#include "ui/Twips.h"

#include <QCalendarWidget>
#include <QLabel>
#include <QTest>

using namespace vorlan;

class TestFrmRiLi : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::initTestApplication(); }

    void opensOnToday() {
        calendar::Frm_RiLi w(nullptr, QDate(2010, 2, 14));
        QCOMPARE(w.windowTitle(), QStringLiteral("日历表"));
        QCOMPARE(w.Label4->text(), QStringLiteral("今天： 庚寅年(虎) 正月初一"));
        QCOMPARE(w.MonthView1->selectedDate(), QDate(2010, 2, 14));
        QCOMPARE(w.Label7->text(), QStringLiteral("2010-02-14"));
        QCOMPARE(w.Label8->text(), QStringLiteral("庚寅年(虎) 正月初一"));
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Label5"))->text(),
                 QStringLiteral("请选择一个公历的日期"));
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Label6"))->text(), QStringLiteral("被选择的日期："));
        // The controls are found by their names.
        QCOMPARE(w.findChild<QCalendarWidget*>(QStringLiteral("MonthView1")), w.MonthView1);
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("Label8")), w.Label8);
    }

    void selectionUpdatesBothLabels() {
        calendar::Frm_RiLi w(nullptr, QDate(2010, 2, 14));
        w.MonthView1->setSelectedDate(QDate(2009, 6, 23));
        QCOMPARE(w.Label7->text(), QStringLiteral("2009-06-23"));
        QCOMPARE(w.Label8->text(), QStringLiteral("己丑年(牛) 闰五月初一"));
        QCOMPARE(w.Label4->text(), QStringLiteral("今天： 庚寅年(虎) 正月初一")); // today stays
        w.MonthView1->setSelectedDate(QDate(1900, 5, 1));
        QCOMPARE(w.Label8->text(), QString());
        QVERIFY(!w.Label7->text().isEmpty());
    }

    // The chosen date is shown in the program's own form whatever the locale of the system or the
    // program's default.
    void chosenDateWhateverTheLocale_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("English/US") << QLocale(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("English/UK") << QLocale(QLocale::English, QLocale::UnitedKingdom);
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany);
        QTest::newRow("Arabic digits") << QLocale(QLocale::Arabic, QLocale::Egypt);
        QTest::newRow("C") << QLocale::c();
        QTest::newRow("Chinese") << QLocale(QLocale::Chinese, QLocale::China);
    }
    void chosenDateWhateverTheLocale() {
        QFETCH(QLocale, locale);
        const QLocale before;
        QLocale::setDefault(locale);
        {
            calendar::Frm_RiLi w(nullptr, QDate(2026, 12, 9));
            QCOMPARE(w.Label7->text(), QStringLiteral("2026-12-09"));
            w.MonthView1->setSelectedDate(QDate(2009, 6, 3));
            QCOMPARE(w.Label7->text(), QStringLiteral("2009-06-03"));
            QCOMPARE(w.Label8->text(), calendar::lunarText(QDate(2009, 6, 3)));
            QCOMPARE(w.MonthView1->locale().language(), QLocale::Chinese);
        }
        QLocale::setDefault(before);
    }

    // A today past the table still opens a working window.
    void todayOutsideTheRange() {
        calendar::Frm_RiLi w(nullptr, QDate(2101, 3, 1));
        QCOMPARE(w.Label4->text(), QStringLiteral("今天： "));
        QCOMPARE(w.Label8->text(), QString());
        w.MonthView1->setSelectedDate(QDate(2034, 2, 19));
        QCOMPARE(w.Label8->text(), QStringLiteral("甲寅年(虎) 正月初一"));
    }

    void keepsItsSize() {
        calendar::Frm_RiLi w(nullptr, QDate(2010, 2, 14));
        w.show();
        const QSize expected = ui::toPixels(ui::TwipsSize{8880_tw, 3645_tw});
        QCOMPARE(w.size(), expected);
        w.resize(200, 120);
        QCoreApplication::processEvents();
        QCOMPARE(w.size(), expected);
        w.resize(expected * 2);
        QCoreApplication::processEvents();
        QCOMPARE(w.size(), expected);
        // The month calendar fits inside the window.
        QVERIFY(w.rect().contains(w.MonthView1->geometry()));
    }

    void openedModally() {
        test::ScopedEnvironment env;
        ui::ScriptedPrompter& prompter = env.prompter;
        QString shownToday;
        prompter.onExec = [&](QDialog* d) {
            shownToday = d->findChild<QLabel*>(QStringLiteral("Label4"))->text();
            return int(QDialog::Rejected);
        };
        windows::openCalendar(nullptr);
        QCOMPARE(prompter.dialogsShown, QStringList{QStringLiteral("Frm_RiLi")});
        QCOMPARE(shownToday, QStringLiteral("今天： ") + calendar::lunarText(QDate::currentDate()));
    }
};

QTEST_MAIN(TestFrmRiLi)
#include "tst_frm_rili.moc"
