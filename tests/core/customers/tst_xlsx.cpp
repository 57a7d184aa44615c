// The .xlsx reader: sheets by name, shared and inline strings, number cells in plain decimal digits,
// dates by their formats, and a clear refusal of files it cannot read.
#include "XlsxFixture.h"
#include "customers/SpreadsheetReader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace vorlan;
using namespace vorlan::customers;

class TestXlsx : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    QString book_; // written by openpyxl

    QString path(const QString& name) const { return dir_.filePath(name); }

private slots:
    void initTestCase() {
        if (!test::xlsxWriterAvailable())
            QSKIP("python3-openpyxl is not installed");
        book_ = path(QStringLiteral("book.xlsx"));
        QString error;
        const std::vector<test::XlsxSheet> sheets{
            {QStringLiteral("客户"),
             {{1, 1, QStringLiteral("客户名称")},
              {1, 2, QStringLiteral("账号")},
              {1, 3, QStringLiteral("金额")},
              {1, 4, QStringLiteral("日期")},
              {2, 1, QStringLiteral("华东贸易")},
              {2, 2, qint64(6222499836243985)},
              {2, 3, 1234.5},
              {2, 4, QDate(2024, 3, 5)},
              {3, 1, QStringLiteral("北方商行")},
              {3, 2, 1e20},
              {3, 3, 0.1},
              {3, 4, QDateTime(QDate(2024, 12, 31), QTime(8, 30, 0))},
              {4, 1, true},
              {4, 2, 1.5e-7},
              {4, 3, QStringLiteral("=C2*2")},
              {4, 5, QStringLiteral("尾")},
              {2, 5, qint64(621909378657975432)}}},
            {QStringLiteral("Sheet2"), {{7, 3, QStringLiteral("x")}}},
        };
        QVERIFY2(test::writeXlsx(book_, sheets, &error), qPrintable(error));
    }

    void cells_data() {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::newRow("shared string") << "客户" << 1 << 1 << "客户名称";
        QTest::newRow("sheet name ignores case") << "sheet2" << 7 << 3 << "x";
        QTest::newRow("long account number keeps every digit") << "客户" << 2 << 2 << "6222499836243985";
        QTest::newRow("huge whole number without exponent") << "客户" << 3 << 2 << "100000000000000000000";
        QTest::newRow("small fraction without exponent") << "客户" << 4 << 2 << "0.00000015";
        QTest::newRow("fraction") << "客户" << 2 << 3 << "1234.5";
        QTest::newRow("0.1 as typed") << "客户" << 3 << 3 << "0.1";
        QTest::newRow("date") << "客户" << 2 << 4 << "2024-03-05";
        QTest::newRow("date and time") << "客户" << 3 << 4 << "2024-12-31 08:30:00";
        QTest::newRow("boolean") << "客户" << 4 << 1 << "TRUE";
        QTest::newRow("formula without result") << "客户" << 4 << 3 << "";
        QTest::newRow("empty cell") << "客户" << 4 << 4 << "";
        QTest::newRow("beyond the sheet") << "客户" << 99 << 99 << "";
    }
    void cells() {
        QFETCH(QString, sheet);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, text);
        auto r = openSpreadsheet(book_);
        QCOMPARE(r->cellText(sheet, row, column), text);
    }

    void extents() {
        auto r = openSpreadsheet(book_);
        QCOMPARE(r->sheetNames(), (QStringList{QStringLiteral("客户"), QStringLiteral("Sheet2")}));
        QCOMPARE(r->usedRows(), 4);
        QCOMPARE(r->usedColumns(), 5);
        QCOMPARE(r->rowCount(QStringLiteral("Sheet2")), 7);
        QCOMPARE(r->columnCount(QStringLiteral("Sheet2")), 3);
        // The first sheet's extent stays what the import's counts are taken from.
        QCOMPARE(r->usedRows(), 4);
        QCOMPARE(r->unreadableCells(QStringLiteral("客户")), (std::vector<CellRef>{{4, 3}}));
        try {
            r->cellText(QStringLiteral("三"), 1, 1);
            QFAIL("no error for a missing sheet");
        } catch (const SpreadsheetError& e) {
            QCOMPARE(e.kind(), SpreadsheetError::Kind::NoSuchSheet);
        }
    }

    // Parts written by hand: what writers other than the test's produce.
    void crafted_data() {
        QTest::addColumn<QByteArray>("sheetData");
        QTest::addColumn<QByteArray>("strings");
        QTest::addColumn<QByteArray>("styles");
        QTest::addColumn<QByteArray>("workbookPr");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        const QByteArray dateStyles =
            "<numFmts><numFmt numFmtId=\"164\" "
            "formatCode=\"yyyy&quot;年&quot;m&quot;月&quot;d&quot;日&quot;\"/>"
            "<numFmt numFmtId=\"165\" formatCode=\"[Red]0.00&quot;d&quot;\"/></numFmts>"
            "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/><xf numFmtId=\"165\"/>"
            "<xf numFmtId=\"14\"/><xf numFmtId=\"49\"/></cellXfs>";
        QTest::newRow("inline string")
            << QByteArray("<row r=\"1\"><c r=\"B1\" t=\"inlineStr\"><is><t>张三</t></is></c></row>")
            << QByteArray() << QByteArray() << QByteArray() << 1 << 2 << "张三";
        QTest::newRow("rich text without phonetic runs")
            << QByteArray("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>")
            << QByteArray("<si><r><t>上海</t></r><r><t xml:space=\"preserve\"> "
                          "浦东</t></r><rPh><t>シャンハイ</t></rPh></si>")
            << QByteArray() << QByteArray() << 1 << 1 << "上海 浦东";
        QTest::newRow("formula text result")
            << QByteArray("<row r=\"2\"><c r=\"C2\" t=\"str\"><f>A1&amp;B1</f><v>ab</v></c></row>")
            << QByteArray() << QByteArray() << QByteArray() << 2 << 3 << "ab";
        QTest::newRow("error cell") << QByteArray("<row r=\"1\"><c r=\"A1\" t=\"e\"><v>#DIV/0!</v></c></row>")
                                    << QByteArray() << QByteArray() << QByteArray() << 1 << 1 << "#DIV/0!";
        QTest::newRow("cells without references follow each other")
            << QByteArray("<row><c><v>1</v></c><c><v>2</v></c></row><row><c/><c><v>3</v></c></row>")
            << QByteArray() << QByteArray() << QByteArray() << 2 << 2 << "3";
        QTest::newRow("custom Chinese date format")
            << QByteArray("<row r=\"1\"><c r=\"A1\" s=\"1\"><v>45356</v></c></row>") << QByteArray()
            << dateStyles << QByteArray() << 1 << 1 << "2024-03-05";
        QTest::newRow("quoted d and a colour are no date")
            << QByteArray("<row r=\"1\"><c r=\"A1\" s=\"2\"><v>45356</v></c></row>") << QByteArray()
            << dateStyles << QByteArray() << 1 << 1 << "45356";
        QTest::newRow("built-in date format")
            << QByteArray("<row r=\"1\"><c r=\"A1\" s=\"3\"><v>1</v></c></row>") << QByteArray() << dateStyles
            << QByteArray() << 1 << 1 << "1900-01-01";
        QTest::newRow("1904 date system")
            << QByteArray("<row r=\"1\"><c r=\"A1\" s=\"3\"><v>0</v></c></row>") << QByteArray() << dateStyles
            << QByteArray("<workbookPr date1904=\"1\"/>") << 1 << 1 << "1904-01-01";
        QTest::newRow("text format keeps the number")
            << QByteArray("<row r=\"1\"><c r=\"A1\" s=\"4\"><v>007</v></c></row>") << QByteArray()
            << dateStyles << QByteArray() << 1 << 1 << "7";
        // As spreadsheet programs write an 18-digit account number: its digits, which a double would change.
        QTest::newRow("18-digit account number keeps its digits")
            << QByteArray("<row r=\"1\"><c r=\"A1\"><v>621909378657975432</v></c></row>") << QByteArray()
            << QByteArray() << QByteArray() << 1 << 1 << "621909378657975432";
        QTest::newRow("number in exponent form")
            << QByteArray("<row r=\"1\"><c r=\"A1\"><v>6.2224998362439851E+15</v></c></row>") << QByteArray()
            << QByteArray() << QByteArray() << 1 << 1 << "6222499836243985";
    }
    void crafted() {
        QFETCH(QByteArray, sheetData);
        QFETCH(QByteArray, strings);
        QFETCH(QByteArray, styles);
        QFETCH(QByteArray, workbookPr);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, text);
        const QString file = path(QStringLiteral("crafted.xlsx"));
        QFile::remove(file);
        QVERIFY(test::writeZip(file, test::workbookParts(sheetData, strings, styles, workbookPr)));
        auto r = openSpreadsheet(file);
        QCOMPARE(r->cellText(QStringLiteral("数据"), row, column), text);
    }

    // The format is told by the content: an .xlsx saved under another extension still reads.
    void formatByContent() {
        const QString file = path(QStringLiteral("renamed.xls"));
        QVERIFY(QFile::copy(book_, file));
        QCOMPARE(spreadsheetFormat(file), SpreadsheetFormat::Xlsx);
        QCOMPARE(openSpreadsheet(file)->cellText(QStringLiteral("客户"), 2, 1), QStringLiteral("华东贸易"));
    }

    // Hostile and damaged workbooks: refused with the file and the cell or part named, or (says empty)
    // read with B2 named as unreadable. A part starting with "<!" replaces the whole part.
    void hostile_data() {
        QTest::addColumn<QByteArray>("sheet");
        QTest::addColumn<QByteArray>("strings");
        QTest::addColumn<QString>("says");
        const QByteArray r2 = "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row><row r=\"2\">";
        const QByteArray longText = QByteArray(40000, 'x');
        auto b2 = [&](const QByteArray& cell) { return r2 + cell + "</row>"; };
        const QByteArray dtd = "<!DOCTYPE x [<!ENTITY ext SYSTEM \"file:///etc/hostname\">]>";
        QTest::newRow("cell over 32767 characters")
            << b2("<c r=\"B2\" t=\"inlineStr\"><is><t>" + longText + "</t></is></c>") << QByteArray()
            << "第2行B列的内容超过32767个字符";
        QTest::newRow("a text of 3 MB is never gathered")
            << b2("<c r=\"B2\" t=\"inlineStr\"><is><t>" + QByteArray(3 << 20, 'x') + "</t></is></c>")
            << QByteArray() << "第2行B列的内容超过32767个字符";
        QTest::newRow("shared string too long")
            << b2("<c r=\"B2\" t=\"s\"><v>0</v></c>") << "<si><t>" + longText + "</t></si>"
            << "共享文字表中有一段文字超过";
        QTest::newRow("shared index 999999")
            << b2("<c r=\"B2\" t=\"s\"><v>999999</v></c>") << QByteArray("<si><t>a</t></si>")
            << "第2行B列引用的共享文字第999999项不存在";
        QTest::newRow("shared index -1")
            << b2("<c r=\"B2\" t=\"s\"><v>-1</v></c>") << QByteArray("<si><t>a</t></si>")
            << "第2行B列引用的共享文字第-1项不存在";
        QTest::newRow("cell beyond the grid") << b2("<c r=\"XFE1048577\"><v>1</v></c>") << QByteArray()
                                              << "第2行的单元格“XFE1048577”超出了电子表格的范围";
        QTest::newRow("cell past the last column")
            << b2("<c r=\"B2\"><v>1</v></c><c r=\"ZZZZZ2\"><v>2</v></c>") << QByteArray()
            << "第2行的单元格“ZZZZZ2”超出";
        QTest::newRow("cell going backwards") << b2("<c r=\"C2\"><v>1</v></c><c r=\"B2\"><v>2</v></c>")
                                              << QByteArray() << "第2行B列排在C列之后";
        QTest::newRow("cell of another row")
            << b2("<c r=\"B7\"><v>1</v></c>") << QByteArray() << "“B7”不属于这一行";
        QTest::newRow("row 2147483647")
            << QByteArray("<row r=\"2147483647\"><c r=\"A2147483647\"><v>1</v></c></row>") << QByteArray()
            << "“2147483647”，超出了电子表格的1048576行";
        QTest::newRow("row 1048577") << QByteArray("<row r=\"1048577\"><c><v>1</v></c></row>") << QByteArray()
                                     << "“1048577”，超出";
        QTest::newRow("rows going backwards")
            << QByteArray("<row r=\"5\"/><row r=\"3\"/>") << QByteArray() << "第3行排在第5行之后";
        QTest::newRow("external entity in a shared string")
            << b2("<c r=\"B2\" t=\"s\"><v>0</v></c>")
            << dtd + "<sst "
                     "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><si><t>a&ext;</t></"
                     "si></sst>"
            << "引用了外部实体“ext”";
        QTest::newRow("external entity in the sheet")
            << dtd +
                   "<worksheet "
                   "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>" +
                   b2("<c r=\"B2\" t=\"inlineStr\"><is><t>&ext;</t></is></c>") + "</sheetData></worksheet>"
            << QByteArray() << "引用了外部实体“ext”";
    }
    void hostile() {
        QFETCH(QByteArray, sheet);
        QFETCH(QByteArray, strings);
        QFETCH(QString, says);
        test::ZipParts parts = test::workbookParts(sheet.startsWith("<!") ? QByteArray() : sheet,
                                                   strings.startsWith("<!") ? QByteArray("<si/>") : strings);
        for (auto& [name, bytes] : parts) {
            if (name.endsWith(u"s1.xml") && sheet.startsWith("<!"))
                bytes = sheet;
            if (name.endsWith(u"sharedStrings.xml") && strings.startsWith("<!"))
                bytes = strings;
        }
        const QString file = path(QStringLiteral("hostile.xlsx"));
        QVERIFY(test::writeZip(file, parts));
        try {
            auto r = openSpreadsheet(file);
            QVERIFY2(says.isEmpty(), "the damaged file was read");
            QCOMPARE(r->unreadableCells(QStringLiteral("数据")), (std::vector<CellRef>{{2, 2}}));
            QCOMPARE(r->cellText(QStringLiteral("数据"), 1, 1), QStringLiteral("1"));
        } catch (const SpreadsheetError& e) {
            QVERIFY2(!says.isEmpty() && e.description().contains(says) &&
                         e.description().contains(u"hostile.xlsx"),
                     qPrintable(e.description()));
        }
    }

    // A part whose directory entry says it inflates to 3 GB is refused before anything is inflated.
    void inflatedSizeFromTheDirectory() {
        const QString file = path(QStringLiteral("bomb.xlsx"));
        QVERIFY(test::writeZip(file, test::workbookParts("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>")));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QByteArray zip = f.readAll();
        // The entry of the archive's central directory, which comes after the parts.
        const qsizetype central = zip.lastIndexOf("PK\x01\x02", zip.lastIndexOf("xl/worksheets/s1.xml"));
        QVERIFY(central > 0);
        qToLittleEndian<quint32>(3000000000u, zip.data() + central + 24);
        f.seek(0);
        f.write(zip);
        f.close();
        try {
            openSpreadsheet(file);
            QFAIL("the bomb was opened");
        } catch (const SpreadsheetError& e) {
            QVERIFY2(e.description().contains(u"“xl/worksheets/s1.xml”解压后超过512MB"),
                     qPrintable(e.description()));
        }
    }

    void badFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content"); // empty: the parts below
        QTest::addColumn<int>("parts");          // 0 none, 1 no workbook, 2 broken sheet XML, 3 no sheets
        QTest::addColumn<QString>("says");
        QTest::newRow("text named xlsx")
            << "a.xlsx" << QByteArray("客户名称,电话\n") << 0 << "不是可读取的Excel文件（*.xlsx）";
        QTest::newRow("truncated archive") << "b.xlsx" << QByteArray("PK\x03\x04\x14\x00\x00\x00", 8) << 0
                                           << "不是可读取的Excel文件（*.xlsx）";
        QTest::newRow("zip without a workbook")
            << "c.xlsx" << QByteArray() << 1 << "不是可读取的Excel文件（*.xlsx）";
        QTest::newRow("broken sheet XML") << "d.xlsx" << QByteArray() << 2 << "工作表“数据”无法读取";
        QTest::newRow("no sheets") << "e.xlsx" << QByteArray() << 3 << "内没有工作表";
        QTest::newRow("missing file") << "nothing.xlsx" << QByteArray() << -1 << "找不到文件";
    }
    void badFiles() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(int, parts);
        QFETCH(QString, says);
        const QString file = path(name);
        if (parts == 0) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        } else if (parts == 1) {
            QVERIFY(test::writeZip(file, {{QStringLiteral("hello.txt"), QByteArray("hi")}}));
        } else if (parts == 2) {
            QVERIFY(test::writeZip(file, test::workbookParts("<row r=\"1\"><c r=\"A1\"><v>1</v></row>")));
        } else if (parts == 3) {
            test::ZipParts p = test::workbookParts("");
            p[1].second =
                "<workbook "
                "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheets/></workbook>";
            QVERIFY(test::writeZip(file, p));
        }
        try {
            openSpreadsheet(file);
            QFAIL("the file was read");
        } catch (const SpreadsheetError& e) {
            QCOMPARE(e.kind(), SpreadsheetError::Kind::CannotOpen);
            QVERIFY2(e.description().contains(says), qPrintable(e.description()));
            QVERIFY2(e.description().contains(name), qPrintable(e.description()));
        }
    }
};

QTEST_GUILESS_MAIN(TestXlsx)
#include "tst_xlsx.moc"
