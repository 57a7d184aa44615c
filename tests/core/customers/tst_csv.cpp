// The .csv reader: RFC 4180 quoting, the encodings found in the wild (UTF-8 with and without its mark,
// GBK, UTF-16 text), values kept exactly as the file holds them, and a clear refusal of what is no text.
#include "TestEnv.h"
#include "customers/CustomerStore.h"
#include "customers/ImportRun.h"
#include "customers/SpreadsheetReader.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace vorlan;
using namespace vorlan::customers;

namespace {

QByteArray gbk(const QString& text) {
    QStringEncoder e("GB18030");
    if (!e.isValid())
        return {};
    return e(text);
}

// Every cell of the reader's sheet, rows joined by "|" and cells by ";".
QString dump(SpreadsheetReader& r) {
    QStringList rows;
    for (int row = 1; row <= r.usedRows(); ++row) {
        QStringList cells;
        for (int c = 1; c <= r.usedColumns(); ++c)
            cells << r.cellText(QStringLiteral("任意"), row, c);
        rows << cells.join(u';');
    }
    return rows.join(u'|');
}

} // namespace

class TestCsv : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;

    QString write(const QString& name, const QByteArray& bytes) {
        const QString p = dir_.filePath(name);
        QFile f(p);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return {};
        f.write(bytes);
        return p;
    }

private slots:
    void parse_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("cells");
        QTest::newRow("plain") << QByteArray("a,b\n1,2\n") << "a;b|1;2";
        QTest::newRow("CRLF and no final break") << QByteArray("a,b\r\n1,2") << "a;b|1;2";
        QTest::newRow("quoted comma") << QByteArray("\"x,y\",z\n") << "x,y;z";
        QTest::newRow("doubled quote") << QByteArray("\"他说\"\"好\"\"\",2\n") << "他说\"好\";2";
        QTest::newRow("line break inside quotes") << QByteArray("\"一\n二\",3\nx,y\n") << "一\n二;3|x;y";
        QTest::newRow("empty fields and short rows") << QByteArray("a,,c\n,b\n") << "a;;c|;b;";
        QTest::newRow("numbers stay as written")
            << QByteArray("007,1.50,6222499836243985123,1E5\n") << "007;1.50;6222499836243985123;1E5";
        QTest::newRow("blanks kept") << QByteArray(" a , b \n") << " a ; b ";
        QTest::newRow("UTF-8 with mark")
            << QByteArray("\xEF\xBB\xBF客户名称,电话\n张三,1\n") << "客户名称;电话|张三;1";
        QTest::newRow("UTF-8 without mark") << QByteArray("客户名称,电话\n") << "客户名称;电话";
        QTest::newRow("UTF-16 tab-separated text")
            << (QByteArray("\xFF\xFE", 2) +
                QByteArray(reinterpret_cast<const char*>(u"名称\t电话\r\n张三\t1\r\n"), 22))
            << "名称;电话|张三;1";
        QTest::newRow("empty rows in between keep their numbers") << QByteArray("a\n\n\nb\n") << "a|||b";
    }
    void parse() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, cells);
        auto r = openSpreadsheet(write(QStringLiteral("t.csv"), bytes));
        QCOMPARE(dump(*r), cells);
    }

    void gbkText() {
        const QByteArray bytes =
            gbk(QStringLiteral("客户名称,联系电话\n华东贸易,021-5555\n北方商行,\"010,8\"\n"));
        if (bytes.isEmpty())
            QSKIP("this Qt has no GB18030 converter (built without ICU)");
        // Not valid UTF-8, so the reader must fall back on the Chinese code page.
        auto r = openSpreadsheet(write(QStringLiteral("gbk.csv"), bytes));
        QCOMPARE(dump(*r), QStringLiteral("客户名称;联系电话|华东贸易;021-5555|北方商行;010,8"));
    }

    void oneSheetNamedLikeTheFile() {
        auto r = openSpreadsheet(write(QStringLiteral("订单.csv"), "a,b\n"));
        QCOMPARE(r->sheetNames(), QStringList{QStringLiteral("订单")});
        QCOMPARE(r->rowCount(QStringLiteral("sheel1")), 1);
        QCOMPARE(r->columnCount(QStringLiteral("订单")), 2);
        QVERIFY(r->unreadableCells(QStringLiteral("x")).empty());
    }

    void format_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("format");
        QTest::newRow("csv") << "a.csv" << QByteArray("a,b") << int(SpreadsheetFormat::Csv);
        QTest::newRow("text of any name") << "a.txt" << QByteArray("a,b") << int(SpreadsheetFormat::Csv);
        QTest::newRow("ole content") << "a.csv" << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)
                                     << int(SpreadsheetFormat::Xls);
        QTest::newRow("zip content") << "a.csv" << QByteArray("PK\x03\x04") << int(SpreadsheetFormat::Xlsx);
        QTest::newRow("xls by name") << "a.XLS" << QByteArray("??") << int(SpreadsheetFormat::Xls);
        QTest::newRow("xlsx by name") << "a.Xlsx" << QByteArray("??") << int(SpreadsheetFormat::Xlsx);
    }
    void format() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(int, format);
        QCOMPARE(int(spreadsheetFormat(write(name, bytes))), format);
    }

    void badFiles_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("says");
        QTest::newRow("open quote") << QByteArray("a,b\n\"c,d\n") << "第2行有一个引号没有配对";
        QTest::newRow("binary") << QByteArray("a\0b\0c", 5) << "不是文本文件";
        QTest::newRow("marked UTF-8 that is not") << QByteArray("\xEF\xBB\xBF\xC3\x28") << "不是UTF-8的字节";
        QTest::newRow("neither UTF-8 nor GBK") << QByteArray("\x81\x20\x81\x20") << "文字编码无法识别";
        QTest::newRow("field over 32767 characters") << "a,b\nc," + QByteArray(32768, 'x') + "\n"
                                                     << "第2行B列的内容超过32767个字符";
        QTest::newRow("quoted field of 3 MB") << "a\n\"" + QByteArray(3 << 20, 'x') + "\"\n"
                                              << "第2行A列的内容超过";
        QTest::newRow("line of 1,048,576 commas") << "a\n" + QByteArray(1 << 20, ',') + "\n"
                                                  << "第2行超过16384列";
        QTest::newRow("row 1,048,577") << QByteArray(1 << 20, '\n') + "x\n"
                                       << "超过1048576行";
    }
    void badFiles() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, says);
        try {
            openSpreadsheet(write(QStringLiteral("bad.csv"), bytes));
            QFAIL("the file was read");
        } catch (const SpreadsheetError& e) {
            QCOMPARE(e.kind(), SpreadsheetError::Kind::CannotOpen);
            QVERIFY2(e.description().contains(says), qPrintable(e.description()));
            QVERIFY2(e.description().contains(QStringLiteral("bad.csv")), qPrintable(e.description()));
        }
    }

    // The register's import reads a .csv file through the same interface as a workbook.
    void registerImport() {
        test::TestEnv env;
        const QString file =
            write(QStringLiteral("客户.csv"), "\xEF\xBB\xBF华东贸易,HD\n北方商行,BF\n\"南方,公司\",NF\n");
        ImportFile f;
        f.open(file);
        QCOMPARE(f.usedRows(), 3);
        PanelTexts texts{QStringLiteral("sheel1"),
                         QStringLiteral("1"),
                         {QStringLiteral("A"), QStringLiteral("B"), {}, {}, {}, {}, {}, {}, {}, {}, {}, {}}};
        const ReadPlan plan = planRead(texts, ReadAction::All, f.usedRows(), f.usedColumns());
        const ImportSummary s = customers::readAll(f.reader(), plan, env.db(), {});
        QCOMPARE(s.added, 3);
        QStringList names;
        for (const Customer& c : CustomerStore(env.db()).all())
            names << c[0] + u'/' + c[1];
        names.sort();
        QCOMPARE(names, (QStringList{QStringLiteral("北方商行/BF"), QStringLiteral("华东贸易/HD"),
                                     QStringLiteral("南方,公司/NF")}));
    }
};

QTEST_GUILESS_MAIN(TestCsv)
#include "tst_csv.moc"
