#include "XlsFixture.h"
#include "customers/SpreadsheetReader.h"
#include "customers/XlsFormulas.h"

#include <QtEndian>

#include <QTemporaryDir>
#include <QTest>

using namespace vorlan;
using namespace vorlan::customers;

namespace {

QByteArray record(quint16 id, const QByteArray& data) {
    QByteArray r(4, '\0');
    qToLittleEndian<quint16>(id, r.data());
    qToLittleEndian<quint16>(quint16(data.size()), r.data() + 2);
    return r + data;
}

QByteArray le16(int v) {
    QByteArray b(2, '\0');
    qToLittleEndian<quint16>(quint16(v), b.data());
    return b;
}

// A FORMULA record at (row, column), 0-based, with those eight result bytes and a token "1".
QByteArray formulaRecord(int row, int column, const QByteArray& result) {
    return record(0x0006, le16(row) + le16(column) + le16(15) + result + le16(0) + QByteArray(4, '\0') +
                              le16(2) + QByteArray("\x1e\x01\x00", 3));
}

QByteArray numberResult(double d) {
    QByteArray b(8, '\0');
    qToLittleEndian<double>(d, b.data());
    return b;
}

QByteArray specialResult(int type, int value = 0) {
    QByteArray b(8, '\0');
    b[0] = char(type);
    b[2] = char(value);
    b[6] = b[7] = char(0xff);
    return b;
}

// A STRING record of a BIFF8 text: 8-bit when every character fits, UTF-16 otherwise.
QByteArray stringRecord(const QString& text) {
    bool narrow = true;
    for (QChar c : text)
        narrow = narrow && c.unicode() < 0x100;
    QByteArray chars;
    for (QChar c : text)
        chars += narrow ? QByteArray(1, char(c.unicode())) : le16(c.unicode());
    return record(0x0207, le16(int(text.size())) + QByteArray(1, narrow ? '\0' : '\1') + chars);
}

// A bare single-sheet BIFF8 stream around those records.
QByteArray sheetStream(const QByteArray& records) {
    const QByteArray bof = le16(0x0600) + le16(0x0010) + QByteArray(12, '\0');
    return record(0x0809, bof) + records + record(0x000A, {});
}

QByteArray le32(quint32 v) {
    QByteArray b(4, '\0');
    qToLittleEndian<quint32>(v, b.data());
    return b;
}

// A BOUNDSHEET record of a BIFF8 sheet at that stream position.
QByteArray boundSheet(quint32 position, int type, const QString& name, bool wide) {
    QByteArray chars;
    for (QChar c : name)
        chars += wide ? le16(c.unicode()) : QByteArray(1, char(c.unicode()));
    return record(0x0085, le32(position) + QByteArray(1, '\0') + QByteArray(1, char(type)) +
                              QByteArray(1, char(name.size())) + QByteArray(1, wide ? '\1' : '\0') + chars);
}

// A workbook stream of BIFF8 sheets, each given by its BOUNDSHEET type, name and cell records.
struct TestSheet {
    int type;
    QString name;
    bool wideName;
    QByteArray records;
};
QByteArray workbookStream(const std::vector<TestSheet>& sheets) {
    const QByteArray bof = record(0x0809, le16(0x0600) + le16(0x0005) + QByteArray(12, '\0'));
    qsizetype globalsSize = bof.size() + 4; // and the EOF
    for (const TestSheet& t : sheets)
        globalsSize += boundSheet(0, t.type, t.name, t.wideName).size();
    QByteArray globals = bof, substreams;
    for (const TestSheet& t : sheets) {
        globals += boundSheet(quint32(globalsSize + substreams.size()), t.type, t.name, t.wideName);
        substreams += sheetStream(t.records);
    }
    return globals + record(0x000A, {}) + substreams;
}

// A compound file of 512-byte sectors holding one small stream "Workbook", which lies in the
// small-stream area (below 4096 bytes): header, FAT, directory, small-stream FAT, small streams.
QByteArray smallCompoundFile(const QByteArray& workbook) {
    const quint32 end = 0xFFFFFFFE, freeSector = 0xFFFFFFFF;
    QByteArray mini = workbook;
    mini.append(QByteArray((64 - mini.size() % 64) % 64, '\0'));
    const int miniSectors = int(mini.size() / 64);
    const int dataSectors = int((mini.size() + 511) / 512);
    mini.append(QByteArray(dataSectors * 512 - mini.size(), '\0'));

    QByteArray header("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    header +=
        QByteArray(16, '\0') + le16(0x3E) + le16(3) + le16(0xFFFE) + le16(9) + le16(6) + QByteArray(6, '\0');
    header += le32(0) + le32(1) + le32(1) + le32(0) + le32(4096) + le32(2) + le32(1) + le32(end) + le32(0);
    header += le32(0);
    for (int i = 1; i < 109; ++i)
        header += le32(freeSector);

    QByteArray fat = le32(0xFFFFFFFD) + le32(end) + le32(end);
    for (int i = 0; i < dataSectors; ++i)
        fat += le32(i + 1 < dataSectors ? quint32(4 + i) : end);
    fat.append(QByteArray(512 - fat.size(), '\xff'));

    auto entry = [&](const QString& name, int type, quint32 start, quint32 size) {
        QByteArray e;
        for (QChar c : name)
            e += le16(c.unicode());
        e.append(QByteArray(64 - e.size(), '\0'));
        e += le16(int(name.size() + 1) * 2) + QByteArray(1, char(type)) + QByteArray(1, '\1');
        e += le32(freeSector) + le32(freeSector) + le32(type == 5 ? 1 : freeSector);
        e += QByteArray(16 + 4 + 16, '\0') + le32(start) + le32(size) + le32(0);
        return e;
    };
    QByteArray dir = entry(QStringLiteral("Root Entry"), 5, 3, quint32(mini.size())) +
                     entry(QStringLiteral("Workbook"), 2, 0, quint32(workbook.size()));
    dir.append(QByteArray(512 - dir.size(), '\0'));

    QByteArray miniFat;
    for (int i = 0; i < miniSectors; ++i)
        miniFat += le32(i + 1 < miniSectors ? quint32(i + 1) : end);
    miniFat.append(QByteArray(512 - miniFat.size(), '\xff'));
    return header + fat + dir + miniFat + mini;
}

} // namespace

class TestSpreadsheet : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString book_;

private slots:
    void initTestCase() {
        if (!test::xlsWriterAvailable())
            QSKIP("python3 with xlwt is not installed; no .xls fixtures can be made");
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
                                 {6, 4, 6222499836243985.0}, // a bank account typed as a number
                                 {7, 1, 1e20},
                                 {8, 1, 0.00000015},
                                 {9, 4, QStringLiteral("末行")},
                             }};
        test::XlsSheet second{QStringLiteral("第二页"),
                              {{0, 0, QStringLiteral("甲")}, {19, 7, QStringLiteral("乙")}}};
        QString error;
        QVERIFY2(test::writeXls(book_, {first, second}, &error), qPrintable(error));
    }

    void usedRangeOfTheFirstSheet() {
        auto r = openSpreadsheet(book_);
        // The extent counts from A1, so a range starting at B3 still reaches its last row and column.
        QCOMPARE(r->usedRows(), 10);
        QCOMPARE(r->usedColumns(), 5);
    }

    void cells_data() {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::newRow("chinese text")
            << QStringLiteral("Sheet1") << 3 << 2 << QStringLiteral("北京华联商贸有限公司");
        QTest::newRow("phone number") << QStringLiteral("Sheet1") << 3 << 3 << QStringLiteral("13800138000");
        QTest::newRow("postcode") << QStringLiteral("Sheet1") << 3 << 4 << QStringLiteral("100000");
        QTest::newRow("decimal") << QStringLiteral("Sheet1") << 3 << 5 << QStringLiteral("3.25");
        QTest::newRow("apostrophe") << QStringLiteral("Sheet1") << 4 << 2 << QStringLiteral("O'Neil & 张");
        QTest::newRow("date") << QStringLiteral("Sheet1") << 4 << 4 << QStringLiteral("2024-03-05");
        QTest::newRow("negative") << QStringLiteral("Sheet1") << 5 << 3 << QStringLiteral("-7");
        QTest::newRow("bank account number cell")
            << QStringLiteral("Sheet1") << 7 << 5 << QStringLiteral("6222499836243985");
        QTest::newRow("1e20") << QStringLiteral("Sheet1") << 8 << 2
                              << QStringLiteral("100000000000000000000");
        QTest::newRow("small fraction") << QStringLiteral("Sheet1") << 9 << 2 << QStringLiteral("0.00000015");
        QTest::newRow("empty cell") << QStringLiteral("Sheet1") << 4 << 3 << QString();
        QTest::newRow("A1 outside the range") << QStringLiteral("Sheet1") << 1 << 1 << QString();
        QTest::newRow("last cell") << QStringLiteral("Sheet1") << 10 << 5 << QStringLiteral("末行");
        QTest::newRow("below the sheet") << QStringLiteral("Sheet1") << 500 << 2 << QString();
        QTest::newRow("right of the sheet") << QStringLiteral("Sheet1") << 3 << 26 << QString();
        QTest::newRow("sheet name ignores case")
            << QStringLiteral("sHEET1") << 3 << 2 << QStringLiteral("北京华联商贸有限公司");
        QTest::newRow("second sheet") << QStringLiteral("第二页") << 20 << 8 << QStringLiteral("乙");
        QTest::newRow("second sheet A1") << QStringLiteral("第二页") << 1 << 1 << QStringLiteral("甲");
    }
    void cells() {
        QFETCH(QString, sheet);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, text);
        auto r = openSpreadsheet(book_);
        QCOMPARE(r->cellText(sheet, row, column), text);
    }

    // Formula cells, as a simple writer stores them: no result. They read as empty and are named.
    void formulaCellsWithoutAStoredResult() {
        const QString path = dir_.filePath(QStringLiteral("formulas.xls"));
        QString error;
        QVERIFY2(test::writeXls(
                     path,
                     {{QStringLiteral("Sheet1"),
                       {{0, 0, QStringLiteral("名称")},
                        {1, 0, QStringLiteral("甲")},
                        {1, 1, test::formula(QStringLiteral("1+1"))},
                        {2, 2, test::formula(QStringLiteral("\"ab\"&\"cd\""))},
                        {3, 3, test::formula(QStringLiteral("A2"))},
                        {4, 1, test::formula(QStringLiteral("3*7"), 21)},
                        {5, 1, test::formula(QStringLiteral("6222499836243985+0"), 6222499836243985.0)}}},
                      {QStringLiteral("二"),
                       {{0, 0, QStringLiteral("x")}, {0, 1, test::formula(QStringLiteral("A1"))}}},
                      {QStringLiteral("三"), {{0, 0, QStringLiteral("y")}}}},
                     &error),
                 qPrintable(error));
        auto r = openSpreadsheet(path);
        QCOMPARE(r->unreadableCells(QStringLiteral("sheet1")),
                 (std::vector<CellRef>{{2, 2}, {3, 3}, {4, 4}}));
        QCOMPARE(r->cellText(QStringLiteral("Sheet1"), 2, 2), QString());
        QCOMPARE(r->cellText(QStringLiteral("Sheet1"), 2, 1), QStringLiteral("甲"));
        // A stored result, as Excel and LibreOffice write it, is the cell's value.
        QCOMPARE(r->cellText(QStringLiteral("Sheet1"), 5, 2), QStringLiteral("21"));
        QCOMPARE(r->cellText(QStringLiteral("Sheet1"), 6, 2), QStringLiteral("6222499836243985"));
        QCOMPARE(r->unreadableCells(QStringLiteral("二")), (std::vector<CellRef>{{1, 2}}));
        QVERIFY(r->unreadableCells(QStringLiteral("三")).empty());
        try {
            r->unreadableCells(QStringLiteral("四"));
            QFAIL("a missing sheet was scanned");
        } catch (const SpreadsheetError& e) {
            QCOMPARE(e.kind(), SpreadsheetError::Kind::NoSuchSheet);
        }
    }

    void storedFormulaResults_data() {
        QTest::addColumn<QByteArray>("records");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<QString>("text");
        QTest::newRow("number") << formulaRecord(1, 2, numberResult(2)) << true << QStringLiteral("2");
        QTest::newRow("bank account") << formulaRecord(1, 2, numberResult(6222499836243985.0)) << true
                                      << QStringLiteral("6222499836243985");
        QTest::newRow("fraction") << formulaRecord(1, 2, numberResult(0.1)) << true << QStringLiteral("0.1");
        QTest::newRow("text") << formulaRecord(1, 2, specialResult(0)) + stringRecord(QStringLiteral("abcd"))
                              << true << QStringLiteral("abcd");
        QTest::newRow("chinese text")
            << formulaRecord(1, 2, specialResult(0)) + stringRecord(QStringLiteral("北京华联")) << true
            << QStringLiteral("北京华联");
        QTest::newRow("empty text in a STRING record")
            << formulaRecord(1, 2, specialResult(0)) + stringRecord(QString()) << true << QString();
        {
            // A long text carried on in a CONTINUE record, which starts with its own flags byte.
            QByteArray first = record(0x0207, le16(6) + QByteArray("\0abc", 4));
            QByteArray more = record(0x003C, QByteArray(1, '\1') + le16(u'北') + le16(u'京') + le16(u'!'));
            QTest::newRow("continued text")
                << formulaRecord(1, 2, specialResult(0)) + first + more << true << QStringLiteral("abc北京!");
        }
        QTest::newRow("true") << formulaRecord(1, 2, specialResult(1, 1)) << true << QStringLiteral("TRUE");
        QTest::newRow("false") << formulaRecord(1, 2, specialResult(1, 0)) << true << QStringLiteral("FALSE");
        QTest::newRow("error") << formulaRecord(1, 2, specialResult(2, 0x07)) << false << QString();
        QTest::newRow("no result") << formulaRecord(1, 2, specialResult(3)) << false << QString();
        QTest::newRow("text without its STRING record")
            << formulaRecord(1, 2, specialResult(0)) << false << QString();
    }
    void storedFormulaResults() {
        QFETCH(QByteArray, records);
        QFETCH(bool, readable);
        QFETCH(QString, text);
        const auto sheets = scanXlsFormulas(sheetStream(records));
        QVERIFY(sheets.has_value());
        QCOMPARE(sheets->size(), size_t(1));
        const auto* cell = sheets->front().find(2, 3);
        QVERIFY(cell);
        QCOMPARE(cell->has_value(), readable);
        if (readable)
            QCOMPARE(**cell, text);
        QCOMPARE(sheets->front().cells.size(), 1);
    }

    // A workbook small enough for the small-stream area of the compound file, with its sheets named in
    // 8-bit and in 16-bit characters and a chart sheet between them.
    void scanOfASmallWorkbook() {
        const QByteArray stream =
            workbookStream({{0, QStringLiteral("Sheet1"), false, formulaRecord(0, 1, specialResult(3))},
                            {2, QStringLiteral("Chart1"), false, {}},
                            {0, QStringLiteral("客户"), true,
                             formulaRecord(4, 0, numberResult(13800138000.0)) +
                                 formulaRecord(5, 2, specialResult(2, 0x2A))}});
        QVERIFY(stream.size() < 4096);
        const auto sheets = scanXlsFormulas(smallCompoundFile(stream));
        QVERIFY(sheets.has_value());
        QCOMPARE(sheets->size(), size_t(3));
        QCOMPARE(sheets->at(0).name, QStringLiteral("Sheet1"));
        QVERIFY(sheets->at(0).worksheet);
        QVERIFY(sheets->at(0).find(1, 2) && !sheets->at(0).find(1, 2)->has_value());
        QCOMPARE(sheets->at(1).name, QStringLiteral("Chart1"));
        QVERIFY(!sheets->at(1).worksheet);
        QCOMPARE(sheets->at(2).name, QStringLiteral("客户"));
        QCOMPARE(sheets->at(2).cells.size(), 2);
        QCOMPARE(sheets->at(2).find(5, 1)->value(), QStringLiteral("13800138000"));
        QVERIFY(!sheets->at(2).find(6, 3)->has_value());
        // The same stream without the compound wrapper around it.
        const auto bare = scanXlsFormulas(stream);
        QVERIFY(bare.has_value());
        QCOMPARE(bare->size(), size_t(3));
        QCOMPARE(bare->at(2).find(5, 1)->value(), QStringLiteral("13800138000"));
    }

    void scanOfFilesThatCannotBeFollowed_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("客户名称,快捷码\n");
        QTest::newRow("compound header only")
            << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(504, '\0');
        QByteArray looping("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
        looping += QByteArray(512 - 8, '\0');
        qToLittleEndian<quint16>(9, looping.data() + 0x1E);
        qToLittleEndian<quint16>(6, looping.data() + 0x20);
        qToLittleEndian<quint32>(0, looping.data() + 0x4C); // FAT in sector 0
        qToLittleEndian<quint32>(1, looping.data() + 0x30); // directory in sector 1
        qToLittleEndian<quint32>(0xFFFFFFFE, looping.data() + 0x44);
        for (int i = 1; i < 109; ++i)
            qToLittleEndian<quint32>(0xFFFFFFFF, looping.data() + 0x4C + 4 * i);
        QByteArray fat(512, '\xff');
        qToLittleEndian<quint32>(0xFFFFFFFD, fat.data());
        qToLittleEndian<quint32>(1, fat.data() + 4); // sector 1 points to itself
        QTest::newRow("circular chain") << looping + fat + QByteArray(512, '\0');
    }
    void scanOfFilesThatCannotBeFollowed() {
        QFETCH(QByteArray, file);
        QVERIFY(!scanXlsFormulas(file).has_value());
    }

    void switchingSheetsBackAndForth() {
        auto r = openSpreadsheet(book_);
        QCOMPARE(r->cellText(QStringLiteral("第二页"), 20, 8), QStringLiteral("乙"));
        QCOMPARE(r->cellText(QStringLiteral("Sheet1"), 10, 5), QStringLiteral("末行"));
        // The counts stay those of the first sheet whichever sheet was read last.
        QCOMPARE(r->usedRows(), 10);
    }

    void missingSheet() {
        auto r = openSpreadsheet(book_);
        try {
            r->cellText(QStringLiteral("sheel1"), 3, 2);
            QFAIL("a missing sheet was read");
        } catch (const SpreadsheetError& e) {
            QCOMPARE(e.kind(), SpreadsheetError::Kind::NoSuchSheet);
        }
    }

    void filesThatAreNotWorkbooks_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("create");
        QTest::newRow("missing file") << QByteArray() << false;
        QTest::newRow("empty file") << QByteArray() << true;
        QTest::newRow("text") << QByteArray("客户名称,快捷码\n张三,zs\n") << true;
        QTest::newRow("zip (xlsx)") << QByteArray("PK\x03\x04 not really a workbook", 33) << true;
    }
    void filesThatAreNotWorkbooks() {
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
