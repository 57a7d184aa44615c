#include "XlsFixture.h"
#include "customers/SpreadsheetReader.h"

#include <QTemporaryDir>
#include <QTest>

using namespace vorlan;
using namespace vorlan::customers;

class TestSpreadsheet : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString book_;

private slots:
    void initTestCase()
    {
        if (!test::xlsWriterAvailable()) QSKIP("python3 with xlwt is not installed; no .xls fixtures can be made");
        book_ = dir_.filePath(QStringLiteral("客户资料.xls"));
        // Sheet 1: a used range from B3 to E10; sheet 2 longer and wider.
        test::XlsSheet first{QStringLiteral("Sheet1"),
                             {
                                 {2, 1, QStringLiteral("北京华联商贸有限公司")},
                                 {2, 2, qint64(13800138000)},
                                 {2, 3, 100000},
                                 {2, 4, 3.25},
                                 {3, 1, QStringLiteral("O'Neil & 张")},
                                 {3, 3, QDate(2024, 3, 5)},
                                 {4, 2, -7},
                                 {9, 4, QStringLiteral("末行")},
                             }};
        test::XlsSheet second{QStringLiteral("第二页"), {{0, 0, QStringLiteral("甲")}, {19, 7, QStringLiteral("乙")}}};
        QString error;
        QVERIFY2(test::writeXls(book_, {first, second}, &error), qPrintable(error));
    }

    void usedRangeOfTheFirstSheet()
    {
        auto r = openSpreadsheet(book_);
        // The extent counts from A1, so a range starting at B3 still reaches its last row and column.
        QCOMPARE(r->usedRows(), 10);
        QCOMPARE(r->usedColumns(), 5);
    }

    void cells_data()
    {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::newRow("chinese text") << QStringLiteral("Sheet1") << 3 << 2 << QStringLiteral("北京华联商贸有限公司");
        QTest::newRow("phone number") << QStringLiteral("Sheet1") << 3 << 3 << QStringLiteral("13800138000");
        QTest::newRow("postcode") << QStringLiteral("Sheet1") << 3 << 4 << QStringLiteral("100000");
        QTest::newRow("decimal") << QStringLiteral("Sheet1") << 3 << 5 << QStringLiteral("3.25");
        QTest::newRow("apostrophe") << QStringLiteral("Sheet1") << 4 << 2 << QStringLiteral("O'Neil & 张");
        QTest::newRow("date") << QStringLiteral("Sheet1") << 4 << 4 << QStringLiteral("2024-03-05");
        QTest::newRow("negative") << QStringLiteral("Sheet1") << 5 << 3 << QStringLiteral("-7");
        QTest::newRow("empty cell") << QStringLiteral("Sheet1") << 4 << 3 << QString();
        QTest::newRow("A1 outside the range") << QStringLiteral("Sheet1") << 1 << 1 << QString();
        QTest::newRow("last cell") << QStringLiteral("Sheet1") << 10 << 5 << QStringLiteral("末行");
        QTest::newRow("below the sheet") << QStringLiteral("Sheet1") << 500 << 2 << QString();
        QTest::newRow("right of the sheet") << QStringLiteral("Sheet1") << 3 << 26 << QString();
        QTest::newRow("sheet name ignores case") << QStringLiteral("sHEET1") << 3 << 2 << QStringLiteral("北京华联商贸有限公司");
        QTest::newRow("second sheet") << QStringLiteral("第二页") << 20 << 8 << QStringLiteral("乙");
        QTest::newRow("second sheet A1") << QStringLiteral("第二页") << 1 << 1 << QStringLiteral("甲");
    }
    void cells()
    {
        QFETCH(QString, sheet);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, text);
        auto r = openSpreadsheet(book_);
        QCOMPARE(r->cellText(sheet, row, column), text);
    }

    void switchingSheetsBackAndForth()
    {
        auto r = openSpreadsheet(book_);
        QCOMPARE(r->cellText(QStringLiteral("第二页"), 20, 8), QStringLiteral("乙"));
        QCOMPARE(r->cellText(QStringLiteral("Sheet1"), 10, 5), QStringLiteral("末行"));
        // The counts stay those of the first sheet whichever sheet was read last.
        QCOMPARE(r->usedRows(), 10);
    }

    void missingSheet()
    {
        auto r = openSpreadsheet(book_);
        try {
            r->cellText(QStringLiteral("sheel1"), 3, 2);
            QFAIL("a missing sheet was read");
        } catch (const SpreadsheetError& e) {
            QCOMPARE(e.kind(), SpreadsheetError::Kind::NoSuchSheet);
        }
    }

    void filesThatAreNotWorkbooks_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("create");
        QTest::newRow("missing file") << QByteArray() << false;
        QTest::newRow("empty file") << QByteArray() << true;
        QTest::newRow("text") << QByteArray("客户名称,快捷码\n张三,zs\n") << true;
        QTest::newRow("zip (xlsx)") << QByteArray("PK\x03\x04 not really a workbook", 33) << true;
    }
    void filesThatAreNotWorkbooks()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, create);
        const QString path = dir_.filePath(QStringLiteral("bad.xls"));
        QFile::remove(path);
        if (create) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        try {
            openSpreadsheet(path);
            QFAIL("a file that is no workbook was opened");
        } catch (const SpreadsheetError& e) {
            QCOMPARE(e.kind(), SpreadsheetError::Kind::CannotOpen);
            QVERIFY(e.description().contains(QStringLiteral("bad.xls")));
        }
    }
};

QTEST_GUILESS_MAIN(TestSpreadsheet)
#include "tst_spreadsheet.moc"
