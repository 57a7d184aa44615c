// Exporting a table of texts: CSV quoting and its byte order mark, workbooks read back as text, and
// values a workbook cannot hold refused without touching the file.
#include "customers/SpreadsheetReader.h"
#include "history/LogExport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace vorlan;
using namespace vorlan::history;
using namespace Qt::StringLiterals;

namespace {

RowSource rowsOf(const QList<QStringList>& rows) {
    auto at = std::make_shared<qsizetype>(0);
    return [rows, at](QStringList& row) {
        if (*at >= rows.size())
            return false;
        row = rows.at((*at)++);
        return true;
    };
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestLogExport : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;

private slots:
    // RFC 4180: quoted only when needed, quotes doubled, CRLF after every record, the mark first.
    void csvFile() {
        const QString target = dir_.filePath(u"log.csv"_s);
        const ExportResult r = exportTable(target, ExportFormat::Csv, {u"打印日期"_s, u"账号"_s},
                                           rowsOf({{u"2024-03-05 10:00:00"_s, u"000123"_s},
                                                   {QString(), u"a,\"b\"\r\nc"_s},
                                                   {u" x ;\t"_s, u"d\ne\rf"_s}}));
        QVERIFY2(r.ok(), qPrintable(r.problem));
        QCOMPARE(r.rows, 3);
        QCOMPARE(contents(target),
                 "\xEF\xBB\xBF" + u"打印日期,账号\r\n2024-03-05 10:00:00,000123\r\n"
                                  u",\"a,\"\"b\"\"\r\nc\"\r\n x ;\t,\"d\ne\rf\"\r\n"_s.toUtf8());
    }

    // What the user typed comes back exactly: never a number, never trimmed, every line break kept.
    void xlsxRoundTrip_data() {
        QTest::addColumn<QString>("value");
        for (const QString& v : {u"00123"_s, u"622202123456789012"_s, u"1.50"_s, u"1E5"_s, u"TRUE"_s,
                                 u"=SUM(A1:A2)"_s, u"北京市朝阳区"_s, u"他说\"好\"'"_s, u"<b>&amp;</b>"_s,
                                 u"第一行\n第二行"_s, u"a\r\nb"_s, u"  前后有空格 "_s, u"𠀀𠀁"_s})
            QTest::newRow(qPrintable(QString(v).replace(u'\n', u"\\n"_s).replace(u'\r', u"\\r"_s))) << v;
    }
    void xlsxRoundTrip() {
        QFETCH(QString, value);
        const QString target = dir_.filePath(u"round.xlsx"_s);
        const ExportResult r =
            exportTable(target, ExportFormat::Xlsx, {u"打印日期"_s, u"值"_s},
                        rowsOf({{u"2024-03-05 10:00:00"_s, value}, {QString(), value}}), u"运单"_s);
        QVERIFY2(r.ok(), qPrintable(r.problem));
        const auto reader = customers::openSpreadsheet(target);
        QCOMPARE(reader->sheetNames(), QStringList{u"运单"_s});
        QCOMPARE(reader->rowCount(u"运单"_s), 3);
        QCOMPARE(reader->cellText(u"运单"_s, 1, 2), u"值"_s);
        QCOMPARE(reader->cellText(u"运单"_s, 2, 1), u"2024-03-05 10:00:00"_s);
        QCOMPARE(reader->cellText(u"运单"_s, 2, 2), value);
        QCOMPARE(reader->cellText(u"运单"_s, 3, 2), value);
    }

    // A reader of its own (openpyxl) sees text cells, not numbers, with exactly these values.
    void xlsxCellsAreText() {
        QProcess probe;
        probe.start(u"/usr/bin/python3"_s, {u"-c"_s, u"import openpyxl"_s});
        if (!probe.waitForFinished(30000) || probe.exitCode() != 0)
            QSKIP("python3-openpyxl is not installed");
        const QString target = dir_.filePath(u"other.xlsx"_s);
        QVERIFY(exportTable(target, ExportFormat::Xlsx, {u"编号"_s, u"账号"_s, u"备注"_s},
                            rowsOf({{u"00123"_s, u"622202123456789012"_s, u"a_x0041_b"_s}}))
                    .ok());
        QProcess p;
        p.start(u"/usr/bin/python3"_s, {u"-c"_s, uR"(import sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).active
sys.stdout.buffer.write(repr([[c.data_type, c.value] for c in ws[2]]).encode()))"_s,
                                        target});
        QVERIFY(p.waitForFinished(60000));
        // The underscore of an escape-like text is escaped itself, as spreadsheet programs expect.
        QCOMPARE(p.readAllStandardOutput(),
                 QByteArray("[['s', '00123'], ['s', '622202123456789012'], ['s', 'a_x005F_x0041_b']]"));
    }

    // Nothing is written, an earlier file stays as it was, and the place of the value is named.
    void xlsxRefusals_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("says");
        QTest::newRow("control character")
            << u"a\u0001b"_s
            << u"第2条记录（工作表第3行）“备注”列中有Excel文件不能保存的字符（代码U+0001）"_s;
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << u"代码U+D800"_s;
        QTest::newRow("too long") << QString(customers::kMaxCellText + 1, u'x')
                                  << u"32768个字符，超过了Excel单元格最多的32767个字符"_s;
    }
    void xlsxRefusals() {
        QFETCH(QString, value);
        QFETCH(QString, says);
        QTemporaryDir folder;
        const QString target = folder.filePath(u"log.xlsx"_s);
        QFile earlier(target);
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier") == 7);
        earlier.close();
        const ExportResult r = exportTable(target, ExportFormat::Xlsx, {u"打印日期"_s, u"备注"_s},
                                           rowsOf({{u"1"_s, u"ok"_s}, {u"2"_s, value}}));
        QVERIFY2(r.problem.contains(says) && r.problem.contains(u"*.csv"_s), qPrintable(r.problem));
        QCOMPARE(contents(target), QByteArray("earlier"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"log.xlsx"_s});
    }
};

QTEST_GUILESS_MAIN(TestLogExport)
#include "tst_logexport.moc"
