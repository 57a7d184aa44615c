#include "TestEnv.h"
#include "TestServer.h"
#include "XlsFixture.h"
#include "customers/CustomerStore.h"
#include "customers/ImportRun.h"
#include "data/Sql.h"

#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <climits>

using namespace vorlan;
using namespace vorlan::customers;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(vorlan::customers::FieldColumns)

namespace {

QStringList letters(int count = kFieldCount) {
    QStringList l;
    for (int k = 0; k < count; ++k)
        l << QString(QChar(u'A' + k));
    return l;
}

// Rows of the table as "name|code", in table order.
QStringList table(const QSqlDatabase& db) {
    QStringList out;
    for (const Customer& c : CustomerStore(db).all())
        out << c[0] + QLatin1Char('|') + c[1];
    return out;
}

void insert(const QSqlDatabase& db, const QString& name, const QString& code) {
    Customer c;
    c[0] = name;
    c[1] = code;
    CustomerStore(db).insert(c);
}

// A plan reading the name from column A and the short code from column B, nothing else.
ReadPlan namesAndCodes(const QString& sheet, int firstRow, int lastRow) {
    ReadPlan p;
    p.sheet = sheet;
    p.firstRow = firstRow;
    p.lastRow = lastRow;
    p.columns[0] = 1;
    p.columns[1] = 2;
    return p;
}

// What one read-all run told its hooks.
struct Recorded {
    QStringList asked;
    QString shownBeforeQuestion; // the boxes at the last question, as "name|code"
    QString lastShown;
    QSet<RowId> listIds; // the list's rows, kept up to date through the hooks
};

ImportHooks recording(Recorded& r, QString answers) {
    ImportHooks h;
    h.show = [&r](const Customer& c) { r.lastShown = c[0] + QLatin1Char('|') + c[1]; };
    h.existing = [&r, answers](const QString& name) mutable {
        r.asked << name;
        r.shownBeforeQuestion = r.lastShown;
        const QChar a = answers.isEmpty() ? QLatin1Char('X') : answers.at(0);
        answers.remove(0, 1);
        if (a == QLatin1Char('R'))
            return ExistingAnswer::Replace;
        if (a == QLatin1Char('S'))
            return ExistingAnswer::Skip;
        return ExistingAnswer::Stop;
    };
    h.saved = [&r](RowId id, const Customer&) { r.listIds.insert(id); };
    h.removed = [&r](const std::vector<RowId>& ids) {
        for (RowId id : ids)
            r.listIds.remove(id);
    };
    return h;
}

} // namespace

class TestImportRun : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString formulas_; // formula cells without a stored result in rows 2 to 4
    QString manyFormulas_;
    QString plain_;
    int sheets_ = 0;

    // A sheet "S" of one customer per row: the name in column A (none for an empty text), the short
    // code "r<row>" in column B.
    QString sheetOf(const QStringList& names) {
        std::vector<std::vector<QVariant>> rows;
        for (int i = 0; i < names.size(); ++i)
            rows.push_back(
                {names[i].isEmpty() ? QVariant() : QVariant(names[i]), QStringLiteral("r%1").arg(i + 1)});
        const QString path = dir_.filePath(QStringLiteral("s%1.xls").arg(++sheets_));
        QString error;
        if (!test::writeXls(path, {test::customerSheet(QStringLiteral("S"), rows)}, &error))
            qWarning("%s", qPrintable(error));
        return path;
    }

private slots:
    void initTestCase() {
        if (!test::xlsWriterAvailable())
            QSKIP("python3 with xlwt is not installed; no .xls fixtures can be made");
        formulas_ = dir_.filePath(QStringLiteral("formulas.xls"));
        QVERIFY(test::writeFormulaCustomers(formulas_));
        std::vector<std::vector<QVariant>> many;
        for (int i = 0; i < 25; ++i)
            many.push_back({QStringLiteral("名%1").arg(i), test::formula(QStringLiteral("1+%1").arg(i))});
        manyFormulas_ = dir_.filePath(QStringLiteral("many.xls"));
        QVERIFY(test::writeXls(manyFormulas_, {test::customerSheet(QStringLiteral("S"), many)}));
        plain_ = dir_.filePath(QStringLiteral("plain.xls"));
        QVERIFY(test::writeXls(
            plain_,
            {test::customerSheet(QStringLiteral("S"), {{QStringLiteral("甲"), QStringLiteral("j"),
                                                        qint64(13800138000), QStringLiteral("fax")}})}));
    }

    void missingBoxes_data() {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("nameLetter");
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("missing"); // -1: none
        const int all = int(ReadAction::All), next = int(ReadAction::Next),
                  save = int(ReadAction::NextAndSave);
        QTest::newRow("all filled") << "S"
                                    << "2"
                                    << "A" << all << -1;
        QTest::newRow("no start row") << "S"
                                      << ""
                                      << "A" << next << int(MissingBox::StartRow);
        QTest::newRow("no start row before no sheet") << ""
                                                      << ""
                                                      << "" << all << int(MissingBox::StartRow);
        QTest::newRow("no sheet") << ""
                                  << "2"
                                  << "A" << save << int(MissingBox::Sheet);
        QTest::newRow("no name column, read all") << "S"
                                                  << "2"
                                                  << "" << all << int(MissingBox::NameColumn);
        QTest::newRow("no name column, read next") << "S"
                                                   << "2"
                                                   << "" << next << -1;
        QTest::newRow("blanks are text") << " "
                                         << " "
                                         << " " << all << -1;
    }
    void missingBoxes() {
        QFETCH(QString, sheet);
        QFETCH(QString, start);
        QFETCH(QString, nameLetter);
        QFETCH(int, action);
        QFETCH(int, missing);
        QStringList l = letters();
        l[0] = nameLetter;
        const auto m = missingBox({sheet, start, l}, ReadAction(action));
        QCOMPARE(m ? int(*m) : -1, missing);
    }

    void plans_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<int>("action");
        QTest::addColumn<QStringList>("letters");
        QTest::addColumn<int>("firstRow");
        QTest::addColumn<int>("lastRow");
        QTest::addColumn<FieldColumns>("columns");
        const FieldColumns firstThree{1, 2, 3};
        QTest::newRow("read all up to the used rows")
            << "2" << int(ReadAction::All) << letters() << 2 << 10 << firstThree;
        QTest::newRow("read next takes one row")
            << " 7 " << int(ReadAction::Next) << letters() << 7 << 7 << firstThree;
        QTest::newRow("read next and save")
            << "3" << int(ReadAction::NextAndSave) << letters() << 3 << 3 << firstThree;
        QStringList twice = letters();
        twice[4] = QStringLiteral("b");
        twice[1] = QString();
        QTest::newRow("a repeated letter goes to the lower field")
            << "1" << int(ReadAction::All) << twice << 1 << 10 << FieldColumns{1, 0, 3, 0, 2};
        QTest::newRow("start beyond the used rows")
            << "40" << int(ReadAction::All) << letters() << 40 << 10 << firstThree;
    }
    void plans() {
        QFETCH(QString, start);
        QFETCH(int, action);
        QFETCH(QStringList, letters);
        QFETCH(int, firstRow);
        QFETCH(int, lastRow);
        QFETCH(FieldColumns, columns);
        const ReadPlan p = planRead({QStringLiteral("S"), start, letters}, ReadAction(action), 10, 3);
        QCOMPARE(p.sheet, QStringLiteral("S"));
        QCOMPARE(p.firstRow, firstRow);
        QCOMPARE(p.lastRow, lastRow);
        QCOMPARE(p.columns, columns);
    }

    void badStartRows_data() {
        QTest::addColumn<QString>("start");
        for (const char* s : {"0", "-1", "abc", "二", "1.5", "99999999999"})
            QTest::newRow(s) << QString::fromUtf8(s);
    }
    void badStartRows() {
        QFETCH(QString, start);
        try {
            planRead({QStringLiteral("S"), start, letters()}, ReadAction::All, 10, 3);
            QFAIL("no stop");
        } catch (const ImportStop& e) {
            QCOMPARE(e.description,
                     QStringLiteral("读工作表内起始行“%1”不是大于0的整数，请检查！").arg(start));
        }
    }

    void rowAfterTheLargestRow() {
        QCOMPARE(rowAfter(3), QStringLiteral("4"));
        QCOMPARE(rowAfter(INT_MAX), QStringLiteral("2147483648"));
    }

    void theFileOpensAndCloses() {
        ImportFile f;
        f.open(QStringLiteral("   "));
        QVERIFY(!f.isOpen());
        QVERIFY(f.path().isEmpty());
        try {
            f.reader();
            QFAIL("a reader without a file");
        } catch (const ImportStop& e) {
            QCOMPARE(e.description, QStringLiteral("Excel文件已经关闭，请先点击“打开Excel文件”！"));
        }
        f.open(QStringLiteral(" ") + plain_ + QStringLiteral(" "));
        QVERIFY(f.isOpen());
        QCOMPARE(f.path(), plain_);
        QCOMPARE(f.usedRows(), 1);
        QCOMPARE(f.usedColumns(), 4);
        f.close();
        QVERIFY(!f.isOpen());
        QCOMPARE(f.path(), plain_); // the path and the sizes stay
        QCOMPARE(f.usedRows(), 1);
        QVERIFY_THROWS_EXCEPTION(ImportStop, f.reader());

        // A file that is no workbook: nothing open, the path as chosen.
        const QString bad = dir_.filePath(QStringLiteral("notes.xls"));
        QFile text(bad);
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("客户名称\t快捷码\n");
        text.close();
        f.open(plain_);
        QVERIFY_THROWS_EXCEPTION(SpreadsheetError, f.open(bad));
        QVERIFY(!f.isOpen());
        QCOMPARE(f.path(), bad);
        QCOMPARE(f.usedRows(), 0);
    }

    void readOneRow_data() {
        QTest::addColumn<FieldColumns>("columns");
        QTest::addColumn<QStringList>("fields"); // fields 0 to 4 afterwards
        QTest::newRow("in order") << FieldColumns{1, 2, 3, 4}
                                  << QStringList{u"甲"_s, u"j"_s, u"13800138000"_s, u"fax"_s, u"t4"_s};
        QTest::newRow("unread fields keep their text")
            << FieldColumns{0, 2} << QStringList{u"t0"_s, u"j"_s, u"t2"_s, u"t3"_s, u"t4"_s};
        QTest::newRow("any column to any field")
            << FieldColumns{4, 0, 0, 0, 1} << QStringList{u"fax"_s, u"t1"_s, u"t2"_s, u"t3"_s, u"甲"_s};
        QTest::newRow("an empty cell empties its field")
            << FieldColumns{9} << QStringList{u""_s, u"t1"_s, u"t2"_s, u"t3"_s, u"t4"_s};
    }
    void readOneRow() {
        QFETCH(FieldColumns, columns);
        QFETCH(QStringList, fields);
        ImportFile f;
        f.open(plain_);
        ReadPlan p;
        p.sheet = QStringLiteral("s"); // sheet names compare without regard to case
        p.columns = columns;
        Customer c;
        for (int k = 0; k < kFieldCount; ++k)
            c[k] = QStringLiteral("t%1").arg(k);
        readRow(f.reader(), p, 1, c);
        for (int k = 0; k < fields.size(); ++k)
            QCOMPARE(c[k], fields[k]);
        QCOMPARE(c[11], QStringLiteral("t11"));

        p.sheet = QStringLiteral("nowhere");
        QVERIFY_THROWS_EXCEPTION(SpreadsheetError, readRow(f.reader(), p, 1, c));
    }

    // Formula cells whose value the file does not hold, among the cells a read takes.
    void formulaCells_data() {
        QTest::addColumn<bool>("many");
        QTest::addColumn<int>("firstRow");
        QTest::addColumn<int>("lastRow");
        QTest::addColumn<FieldColumns>("columns");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("named");
        const FieldColumns abc{1, 2, 3};
        QTest::newRow("every row") << false << 1 << 5 << abc << 3 << "第2行B列、第3行A列、第4行C列";
        QTest::newRow("from row 3") << false << 3 << 5 << abc << 2 << "第3行A列、第4行C列";
        QTest::newRow("one row") << false << 2 << 2 << abc << 1 << "第2行B列";
        QTest::newRow("column C not read")
            << false << 1 << 5 << FieldColumns{1, 2} << 2 << "第2行B列、第3行A列";
        QTest::newRow("C read by a later field")
            << false << 4 << 4 << FieldColumns{0, 0, 0, 0, 0, 0, 3} << 1 << "第4行C列";
        QTest::newRow("a clean row") << false << 5 << 5 << abc << 0 << "";
        QTest::newRow("more than twenty") << true << 1 << 25 << abc << 25 << "";
    }
    void formulaCells() {
        QFETCH(bool, many);
        QFETCH(int, firstRow);
        QFETCH(int, lastRow);
        QFETCH(FieldColumns, columns);
        QFETCH(int, count);
        QFETCH(QString, named);
        ImportFile f;
        f.open(many ? manyFormulas_ : formulas_);
        ReadPlan p;
        p.sheet = many ? QStringLiteral("S") : QStringLiteral("客户");
        p.firstRow = firstRow;
        p.lastRow = lastRow;
        p.columns = columns;
        const UnreadableCells cells = unreadableCells(f.reader(), p);
        QCOMPARE(cells.count, count);
        if (many) {
            QCOMPARE(cells.named.size(), UnreadableCells::kNamed);
            QCOMPARE(cells.named.first(), QStringLiteral("第1行B列"));
            QVERIFY(unreadableQuestion(p.sheet, cells).contains(QStringLiteral("第20行B列等。\n")));
            return;
        }
        QCOMPARE(cells.named.join(QStringLiteral("、")), named);
        if (count > 0)
            QCOMPARE(
                unreadableQuestion(p.sheet, cells),
                QStringLiteral("工作表“客户”中有%"
                               "1个要读取的单元格是公式或含有程序无法读取的文字，程序读不出它们的值：%2。\n"
                               "如果继续，这些单元格将按空白读取。是否继续读取？\n"
                               "选择‘是’表示继续读取；选择‘否’表示停止读取，不保存任何记录。")
                    .arg(count)
                    .arg(named));
    }

    // Reading all rows: which rows are saved, what is asked, and how the run ends.
    void readAll_data() {
        QTest::addColumn<QStringList>("sheet");  // column A, row by row
        QTest::addColumn<QStringList>("before"); // names in the table, short code "old"
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("answers"); // R replace, S skip, X stop, one per question
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<int>("end");
        QTest::addColumn<int>("nextRow");
        QTest::addColumn<QList<int>>("counts"); // added, replaced, skipped
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("lastShown");
        using End = ImportSummary::End;
        const QStringList abc{u"甲"_s, u"乙"_s, u"丙"_s};
        QTest::newRow("all new") << abc << QStringList{} << 1 << "" << QStringList{} << int(End::Done) << 4
                                 << QList<int>{3, 0, 0} << QStringList{u"甲|r1"_s, u"乙|r2"_s, u"丙|r3"_s}
                                 << "|";
        QTest::newRow("from row 2") << abc << QStringList{} << 2 << "" << QStringList{} << int(End::Done) << 4
                                    << QList<int>{2, 0, 0} << QStringList{u"乙|r2"_s, u"丙|r3"_s} << "|";
        QTest::newRow("replace and skip")
            << abc << QStringList{u"乙"_s, u"丙"_s} << 1 << "RS" << QStringList{u"乙"_s, u"丙"_s}
            << int(End::Done) << 4 << QList<int>{1, 1, 1} << QStringList{u"丙|old"_s, u"甲|r1"_s, u"乙|r2"_s}
            << "丙|r3";
        QTest::newRow("stop keeps what was saved")
            << abc << QStringList{u"乙"_s} << 1 << "X" << QStringList{u"乙"_s} << int(End::Stopped) << 0
            << QList<int>{1, 0, 0} << QStringList{u"乙|old"_s, u"甲|r1"_s} << "乙|r2";
        QTest::newRow("a name twice in the sheet")
            << QStringList{u"甲"_s, u"乙"_s, u"甲"_s} << QStringList{} << 1 << "R" << QStringList{u"甲"_s}
            << int(End::Done) << 4 << QList<int>{2, 1, 0} << QStringList{u"乙|r2"_s, u"甲|r3"_s} << "|";
        QTest::newRow("names compare without ASCII case")
            << QStringList{u"ACME"_s} << QStringList{u"acme"_s} << 1 << "S" << QStringList{u"ACME"_s}
            << int(End::Done) << 2 << QList<int>{0, 0, 1} << QStringList{u"acme|old"_s} << "ACME|r1";
        QTest::newRow("looked up as read, written trimmed")
            << QStringList{u" 甲 "_s} << QStringList{u"甲"_s} << 1 << "" << QStringList{} << int(End::Done)
            << 2 << QList<int>{1, 0, 0} << QStringList{u"甲|old"_s, u"甲|r1"_s} << "|";
        QTest::newRow("a second row without a name stops")
            << QStringList{u"甲"_s, u""_s, u"乙"_s, u""_s, u"丙"_s} << QStringList{} << 1 << ""
            << QStringList{} << int(End::EmptyName) << 0 << QList<int>{3, 0, 0}
            << QStringList{u"甲|r1"_s, u"|r2"_s, u"乙|r3"_s} << "|r4";
        QTest::newRow("past the end")
            << QStringList{u"甲"_s, u"乙"_s} << QStringList{} << 4 << "" << QStringList{}
            << int(End::PastTheEnd) << 4 << QList<int>{0, 0, 0} << QStringList{} << "|";
        QTest::newRow("just past the last row")
            << QStringList{u"甲"_s, u"乙"_s} << QStringList{} << 3 << "" << QStringList{} << int(End::Done)
            << 3 << QList<int>{0, 0, 0} << QStringList{} << "|";
    }
    void readAll() {
        QFETCH(QStringList, sheet);
        QFETCH(QStringList, before);
        QFETCH(int, start);
        QFETCH(QString, answers);
        QFETCH(QStringList, asked);
        QFETCH(int, end);
        QFETCH(int, nextRow);
        QFETCH(QList<int>, counts);
        QFETCH(QStringList, after);
        QFETCH(QString, lastShown);
        test::TestEnv env;
        for (const QString& n : before)
            insert(env.db(), n, QStringLiteral("old"));
        ImportFile f;
        f.open(sheetOf(sheet));
        QCOMPARE(f.usedRows(), sheet.size());
        Recorded r;
        for (RowId id : CustomerStore(env.db()).ids())
            r.listIds.insert(id);
        const ImportSummary s =
            customers::readAll(f.reader(), namesAndCodes(QStringLiteral("S"), start, f.usedRows()), env.db(),
                               recording(r, answers));
        QCOMPARE(int(s.end), end);
        if (s.end == ImportSummary::End::Done || s.end == ImportSummary::End::PastTheEnd)
            QCOMPARE(s.nextRow, nextRow);
        QCOMPARE((QList<int>{s.added, s.replaced, s.skipped}), counts);
        QCOMPARE(r.asked, asked);
        QCOMPARE(table(env.db()), after);
        QCOMPARE(r.lastShown, lastShown);
        // The boxes show the row asked about when the question comes.
        if (!asked.isEmpty())
            QVERIFY(r.shownBeforeQuestion.startsWith(asked.last() + QLatin1Char('|')));
        // The list, kept through the hooks, holds exactly the table's rows.
        const std::vector<RowId> ids = CustomerStore(env.db()).ids();
        QCOMPARE(r.listIds, QSet<RowId>(ids.begin(), ids.end()));
    }

    void withoutAnAnswerTheImportStops() {
        test::TestEnv env;
        insert(env.db(), QStringLiteral("乙"), QStringLiteral("old"));
        ImportFile f;
        f.open(sheetOf({QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("丙")}));
        const ImportSummary s =
            customers::readAll(f.reader(), namesAndCodes(QStringLiteral("S"), 1, 3), env.db(), {});
        QCOMPARE(s.end, ImportSummary::End::Stopped);
        QCOMPARE(table(env.db()), (QStringList{QStringLiteral("乙|old"), QStringLiteral("甲|r1")}));
    }

    // A failure ends the run; rows saved before it stay, on disk, and the boxes show the failing row.
    void failuresKeepWhatWasSaved_data() {
        QTest::addColumn<QString>("trigger"); // the WHEN of a trigger that refuses an insert
        QTest::addColumn<QString>("sheetName");
        QTest::addColumn<bool>("databaseFails");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("lastShown");
        QTest::newRow("a new row refused") << "NEW.\"快捷码\" = 'r2'"
                                           << "S" << true << QStringList{u"丙|old"_s, u"甲|r1"_s} << "乙|r2";
        QTest::newRow("an overwrite refused keeps the old row")
            << "NEW.\"快捷码\" = 'r3'"
            << "S" << true << QStringList{u"丙|old"_s, u"甲|r1"_s, u"乙|r2"_s} << "丙|r3";
        QTest::newRow("no such sheet") << "0"
                                       << "Sheet9" << false << QStringList{u"丙|old"_s} << "|";
    }
    void failuresKeepWhatWasSaved() {
        VORLAN_FILE_ONLY("the fault is injected with an SQLite trigger");
        QFETCH(QString, trigger);
        QFETCH(QString, sheetName);
        QFETCH(bool, databaseFails);
        QFETCH(QStringList, after);
        QFETCH(QString, lastShown);
        test::TestEnv env;
        insert(env.db(), QStringLiteral("丙"), QStringLiteral("old"));
        data::exec(env.db(), QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Basic_Khgl WHEN %1 "
                                            "BEGIN SELECT RAISE(ABORT, 'disk full'); END")
                                 .arg(trigger));
        ImportFile f;
        f.open(sheetOf({QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("丙")}));
        Recorded r;
        const ImportHooks hooks = recording(r, QStringLiteral("R"));
        bool dbError = false, sheetError = false;
        try {
            customers::readAll(f.reader(), namesAndCodes(sheetName, 1, 3), env.db(), hooks);
        } catch (const data::DbError& e) {
            dbError = true;
            QCOMPARE(e.description(), QStringLiteral("disk full"));
        } catch (const SpreadsheetError& e) {
            sheetError = e.kind() == SpreadsheetError::Kind::NoSuchSheet;
        }
        QCOMPARE(dbError, databaseFails);
        QCOMPARE(sheetError, !databaseFails);
        QCOMPARE(r.lastShown, lastShown);
        // Read through a connection of its own: what was saved is committed.
        {
            QSqlDatabase other = QSqlDatabase::cloneDatabase(env.db(), QStringLiteral("other"));
            QVERIFY(other.open());
            QCOMPARE(table(other), after);
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
    }

    void failureMessages_data() {
        QTest::addColumn<int>("kind"); // 0 no such sheet, 1 other spreadsheet error, 2 database, 3 stop
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("message");
        const QString sheet =
            QStringLiteral("读取Excel文件内的工作表名是否为：Sheet9，请检查！如不是，请输入正确的工作表名");
        for (int a : {int(ReadAction::Next), int(ReadAction::NextAndSave), int(ReadAction::All)}) {
            const QString source = a == int(ReadAction::Next) ? QString() : QStringLiteral("vorlan");
            const QByteArray tag = QByteArray::number(a);
            QTest::newRow("sheet " + tag) << 0 << a << sheet;
            QTest::newRow("read " + tag) << 1 << a << source + QStringLiteral("读不出");
            QTest::newRow("database " + tag) << 2 << a << source + QStringLiteral("disk full");
            QTest::newRow("stop " + tag) << 3 << a << source + QStringLiteral("已经关闭");
        }
    }
    void failureMessages() {
        QFETCH(int, kind);
        QFETCH(int, action);
        QFETCH(QString, message);
        try {
            switch (kind) {
            case 0:
                throw SpreadsheetError(SpreadsheetError::Kind::NoSuchSheet, QStringLiteral("工作表不存在"));
            case 1:
                throw SpreadsheetError(SpreadsheetError::Kind::Read, QStringLiteral("读不出"));
            case 2:
                throw data::DbError(QStringLiteral("disk full"));
            default:
                throw ImportStop{QStringLiteral("已经关闭")};
            }
        } catch (...) {
            QCOMPARE(failureMessage(ReadAction(action), QStringLiteral("Sheet9")), message);
        }
        // What is no failure of a read goes on.
        try {
            throw std::logic_error("bug");
        } catch (...) {
            QVERIFY_THROWS_EXCEPTION(std::logic_error, failureMessage(ReadAction::All, QString()));
        }
    }

    void existingQuestionText() {
        QCOMPARE(
            existingQuestion(QStringLiteral("张三")),
            QStringLiteral(
                "已经存在客户名称为 张三 的记录,是否复盖原有记录？1、选择‘是’表示会复盖原有记录，等人工读取；"
                "2、选择‘否’表示不保存此记录，继续读取下一条；3、选择‘取消’表示读取全部数据停止！"));
    }
};

QTEST_MAIN(TestImportRun)
#include "tst_importrun.moc"
