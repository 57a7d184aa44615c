// Batch printing without a window: columns mapped to input points by name, rows chosen, amounts converted,
// every sheet checked before printing, one job of N pages, and N log rows only for a job that went out.
#include "BothEngines.h"
#include "PrintProbe.h"
#include "TestEnv.h"
#include "XlsFixture.h"
#include "XlsxFixture.h"
#include "customers/SpreadsheetReader.h"
#include "printing/AmountInWords.h"
#include "printing/Batch.h"
#include "printing/BoxFill.h"
#include "printing/Placement.h"
#include "printing/PrintSettings.h"
#include "printing/SampleData.h"
#include "templates/PrintLogStore.h"
#include "templates/TemplateStore.h"

#include <QPrinter>
#include <QSet>
#include <QStringEncoder>
#include <QTest>

using namespace vorlan;
using namespace vorlan::printing;
using namespace Qt::StringLiterals;

namespace {

QList<BatchPoint> named(const QStringList& names) {
    QList<BatchPoint> points;
    int k = 0;
    for (const QString& n : names)
        points << BatchPoint{{templates::Family::Single, ++k}, n, templates::type::SingleLine};
    return points;
}

struct PageWord {
    int page = 0; // from 1
    probe::Word word;
};

// Every word of the PDF with its page.
QList<PageWord> pageWords(const QString& pdf, int* pages) {
    QList<PageWord> out;
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return out;
    QXmlStreamReader xml(p.readAllStandardOutput());
    int page = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("page")) {
            ++page;
        } else if (xml.name() == QLatin1String("word")) {
            PageWord w;
            w.page = page;
            const auto a = xml.attributes();
            w.word.xMin = a.value(QLatin1String("xMin")).toDouble();
            w.word.yMin = a.value(QLatin1String("yMin")).toDouble();
            w.word.text = xml.readElementText();
            out << w;
        }
    }
    *pages = page;
    return out;
}

QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
    return path;
}

int logRows(const QSqlDatabase& db) {
    return test::logCount(db, sample::kTemplateName);
}

// The sample template's batch over a .csv of n rows: 收件人 i, 收件电话 1380000000i, 金额大写 i.5.
BatchJob sampleJob(const QString& csv, int n) {
    QByteArray text = "收件人,收件 电话,金额大写,Extra\n";
    for (int i = 1; i <= n; ++i)
        text += QStringLiteral("收件人%1,1380000%2,%1.5,x\n").arg(i).arg(i, 4, 10, QLatin1Char('0')).toUtf8();
    writeFile(csv, text);
    BatchJob job;
    job.tmpl = sample::sampleTemplate();
    job.tmpl.name = sample::kTemplateName;
    auto reader = customers::openSpreadsheet(csv);
    job.data = readBatchData(*reader);
    job.map = mapColumns(job.data.header, batchPoints(job.tmpl));
    job.chosen = allRows(job.data);
    return job;
}

} // namespace

class TestBatch : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    QString path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }

private slots:
    void mapping_data() {
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<QStringList>("points");
        QTest::addColumn<QList<int>>("map");
        QTest::newRow("exact") << QStringList{u"电话"_s, u"收件人"_s} << QStringList{u"收件人"_s, u"电话"_s}
                               << QList<int>{1, 0};
        QTest::newRow("blanks and case") << QStringList{u" Tel No "_s, u"收件　人"_s}
                                         << QStringList{u"收件人"_s, u"telno"_s} << QList<int>{1, 0};
        QTest::newRow("exact wins over loose")
            << QStringList{u"name"_s, u"Name"_s} << QStringList{u"Name"_s, u"x"_s} << QList<int>{1, -1};
        QTest::newRow("a column fills one point")
            << QStringList{u"a"_s} << QStringList{u"A"_s, u" a"_s} << QList<int>{0, -1};
        QTest::newRow("exact name taken before a loose one elsewhere")
            << QStringList{u"A"_s, u"a"_s} << QStringList{u"a "_s, u"a"_s} << QList<int>{0, 1};
        QTest::newRow("unmatched") << QStringList{u"x"_s} << QStringList{u"收件人"_s} << QList<int>{-1};
        QTest::newRow("empty header") << QStringList{u""_s} << QStringList{u"收件人"_s} << QList<int>{-1};
    }
    void mapping() {
        QFETCH(QStringList, header);
        QFETCH(QStringList, points);
        QFETCH(QList<int>, map);
        QCOMPARE(mapColumns(header, named(points)), map);
        QStringList unfilled;
        for (int i = 0; i < points.size(); ++i)
            if (map.at(i) < 0)
                unfilled << points.at(i);
        QCOMPARE(unfilledPoints(named(points), map), unfilled);
    }

    void rowRange_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last"); // 0: refused
        QTest::newRow("range") << "2-11" << 2 << 11;
        QTest::newRow("blanks") << " 3 - 4 " << 3 << 4;
        QTest::newRow("one row") << "5" << 5 << 5;
        QTest::newRow("backwards") << "5-3" << 0 << 0;
        QTest::newRow("zero") << "0-3" << 0 << 0;
        QTest::newRow("text") << "a-b" << 0 << 0;
        QTest::newRow("open end") << "3-" << 0 << 0;
        QTest::newRow("negative") << "-3" << 0 << 0;
    }
    void rowRange() {
        QFETCH(QString, text);
        QFETCH(int, first);
        QFETCH(int, last);
        const auto r = parseRowRange(text);
        QCOMPARE(r.has_value(), last > 0);
        if (r)
            QCOMPARE(*r, std::pair(first, last));
    }

    // The dialog's mapping: a column given to a point is taken from the point that had it.
    void assignColumn_data() {
        QTest::addColumn<QList<int>>("map");
        QTest::addColumn<int>("point");
        QTest::addColumn<int>("column");
        QTest::addColumn<QList<int>>("after");
        QTest::newRow("free column") << QList<int>{0, -1, -1} << 1 << 2 << QList<int>{0, 2, -1};
        QTest::newRow("taken from another point") << QList<int>{0, 1, 2} << 2 << 0 << QList<int>{-1, 1, 0};
        QTest::newRow("same point again") << QList<int>{0, 1} << 0 << 0 << QList<int>{0, 1};
        QTest::newRow("no column frees nothing else") << QList<int>{0, 1} << 0 << -1 << QList<int>{-1, 1};
        QTest::newRow("point out of range") << QList<int>{0, 1} << 2 << 0 << QList<int>{0, 1};
        QTest::newRow("negative point") << QList<int>{0, 1} << -1 << 1 << QList<int>{0, 1};
    }
    void assignColumn() {
        QFETCH(QList<int>, map);
        QFETCH(int, point);
        QFETCH(int, column);
        QFETCH(QList<int>, after);
        QCOMPARE(printing::assignColumn(map, point, column), after);
    }

    void unfilledNotice_data() {
        QTest::addColumn<QStringList>("unfilled");
        QTest::addColumn<QString>("says");
        QTest::newRow("none") << QStringList{} << "每个输入点都有列填入。";
        QTest::newRow("two") << QStringList{u"寄件单位"_s, u"备注"_s}
                             << "没有列填入的输入点（用打印窗口中输入的内容）：寄件单位、备注";
    }
    void unfilledNotice() {
        QFETCH(QStringList, unfilled);
        QFETCH(QString, says);
        QCOMPARE(printing::unfilledNotice(unfilled), says);
    }

    void chosenRows_data() {
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("range");
        QTest::addColumn<QList<int>>("ticked");
        QTest::addColumn<QList<int>>("rows");
        const int all = int(RowChoice::All), range = int(RowChoice::Range), ticked = int(RowChoice::Ticked);
        // Worksheet rows 2, 3, 5, 6 (row 4 was empty).
        QTest::newRow("all") << all << "3-3" << QList<int>{1} << QList<int>{0, 1, 2, 3};
        QTest::newRow("range over a gap") << range << "3-5" << QList<int>{} << QList<int>{1, 2};
        QTest::newRow("range of the gap only") << range << "4" << QList<int>{} << QList<int>{};
        QTest::newRow("range not a range") << range << "a" << QList<int>{0} << QList<int>{};
        QTest::newRow("empty range") << range << "" << QList<int>{} << QList<int>{};
        QTest::newRow("ticked") << ticked << "2-6" << QList<int>{3, 0} << QList<int>{3, 0};
        QTest::newRow("ticked beyond the rows") << ticked << "" << QList<int>{1, 4, -1} << QList<int>{1};
        QTest::newRow("nothing ticked") << ticked << "2-6" << QList<int>{} << QList<int>{};
    }
    void chosenRows() {
        QFETCH(int, choice);
        QFETCH(QString, range);
        QFETCH(QList<int>, ticked);
        QFETCH(QList<int>, rows);
        BatchData d;
        d.header = QStringList{u"a"_s};
        d.rows = {{QStringLiteral("1")}, {QStringLiteral("2")}, {QStringLiteral("3")}, {QStringLiteral("4")}};
        d.rowNumbers = {2, 3, 5, 6};
        QCOMPARE(printing::chosenRows(d, RowChoice(choice), range, ticked), rows);
    }

    // What the mapping table shows: the mapping for a spreadsheet, the bindings for customers.
    void filledColumns_data() {
        QTest::addColumn<bool>("customers");
        QTest::addColumn<QString>("point");
        QTest::addColumn<QString>("column"); // empty: none
        // Ticked customers are the receivers; the sender's boxes are the print window's.
        QTest::newRow("customer name") << true << "收件人"
                                       << "客户名称";
        QTest::newRow("customer phone") << true << "收件电话"
                                        << "联系电话";
        QTest::newRow("the sender's box") << true << "寄件单位"
                                          << "";
        QTest::newRow("common use is not a customer column") << true << "物品名称"
                                                             << "";
        QTest::newRow("mapped column") << false << "收件人"
                                       << "收件人";
        QTest::newRow("loosely mapped column") << false << "收件电话"
                                               << "收件 电话";
        QTest::newRow("bound but not in the sheet") << false << "寄件单位"
                                                    << "";
    }
    void filledColumns() {
        QFETCH(bool, customers);
        QFETCH(QString, point);
        QFETCH(QString, column);
        const BatchJob job = customers ? BatchJob{} : sampleJob(path("f.csv"), 1);
        const templates::Template t = sample::sampleTemplate();
        const BatchData data = customers ? customerData({}) : job.data;
        const QList<BatchPoint> points = batchPoints(t);
        const QList<int> filled = printing::filledColumns(t, data, points, job.map);
        QCOMPARE(filled.size(), points.size());
        int p = 0;
        while (p < points.size() && points.at(p).name != point)
            ++p;
        QVERIFY(p < points.size());
        QCOMPARE(data.header.value(filled.at(p)), column);
        QCOMPARE(unfilledPoints(points, filled).contains(point), column.isEmpty());
    }

    void readsRowsUnderTheHeader() {
        auto reader = customers::openSpreadsheet(writeFile(path("rows.csv"), "a,b\n1,2\n,\n\n3,\n"));
        const BatchData d = readBatchData(*reader);
        QCOMPARE(d.header, (QStringList{u"a"_s, u"b"_s}));
        QCOMPARE(d.rows, (QList<QStringList>{{QStringLiteral("1"), QStringLiteral("2")},
                                             {QStringLiteral("3"), QString()}}));
        QCOMPARE(d.rowNumbers, (QList<int>{2, 5})); // empty rows are gaps, numbers stay the sheet's
        QCOMPARE(rowsInRange(d, 3, 9), QList<int>{1});
    }

    void sheetsFromRows() {
        BatchJob job = sampleJob(path("s.csv"), 3);
        job.common.insert({templates::Family::Single, 1}, QStringLiteral("寄件公司")); // typed once
        job.common.insert({templates::Family::Single, 4}, QStringLiteral("被覆盖"));
        const QList<BatchPoint> points = batchPoints(job.tmpl);
        QVERIFY(unfilledPoints(points, job.map).contains(QStringLiteral("寄件单位")));
        QVERIFY(!unfilledPoints(points, job.map).contains(QStringLiteral("收件电话"))); // "收件 电话"
        job.chosen = rowsInRange(job.data, 3, 4);
        const BatchBuild b = buildBatch(job);
        QVERIFY2(b.ok(), qPrintable(b.problem));
        QCOMPARE(b.sheets.size(), 2);
        auto text = [](const PrintSheet& s, const QString& name) {
            for (const PrintField& f : s.fields)
                if (f.name == name)
                    return f.text;
            return QStringLiteral("?");
        };
        QCOMPARE(text(b.sheets[0], QStringLiteral("收件人")), QStringLiteral("收件人2"));
        QCOMPARE(text(b.sheets[1], QStringLiteral("收件电话")), QStringLiteral("13800000003"));
        QCOMPARE(text(b.sheets[1], QStringLiteral("寄件单位")), QStringLiteral("寄件公司"));
        QCOMPARE(text(b.sheets[0], QStringLiteral("金额大写")), QStringLiteral("    贰元伍角"));
    }

    void sheetsFromCustomers() {
        BatchJob job;
        job.tmpl = sample::sampleTemplate();
        customers::Customer c;
        c[0] = QStringLiteral("华东示例");
        c[2] = QStringLiteral("上海");
        c[4] = QStringLiteral("021-1");
        customers::Customer d = c;
        d[0] = QStringLiteral("北方样品");
        job.data = customerData({c, d});
        job.chosen = allRows(job.data);
        // The sender as the print window holds it, picked once.
        job.common = pickFills(job.tmpl, PickResult::customer(1, QStringList(c.begin(), c.end())));
        const BatchBuild b = buildBatch(job);
        QVERIFY(b.ok());
        QCOMPARE(b.sheets.size(), 2);
        // As a pick of that customer fills the receiver's boxes; the sender's stay.
        QCOMPARE(int(batchParty(job.tmpl)), int(templates::Party::Receiver));
        BoxTexts picked = job.common;
        picked.insert(pickFills(
            job.tmpl, PickResult::customer(4, QStringList(d.begin(), d.end()), templates::Party::Receiver)));
        QCOMPARE(picked.value({templates::Family::Single, 1}), QStringLiteral("华东示例"));
        QCOMPARE(picked.value({templates::Family::Single, 4}), QStringLiteral("北方样品"));
        const PrintSheet expected = buildSheet(job.tmpl, picked, 0, 0);
        QCOMPARE(b.sheets[1].fields.size(), expected.fields.size());
        for (int i = 0; i < expected.fields.size(); ++i)
            QCOMPARE(b.sheets[1].fields[i].text, expected.fields[i].text);
    }

    void refusedBeforePrinting_data() {
        QTest::addColumn<QByteArray>("row3");
        QTest::addColumn<QString>("says");
        QTest::newRow("amount not a number")
            << QByteArray("乙,1,十元,x") << "第2张：第3行“金额大写”列的内容“十元”不是数字";
        QTest::newRow("amount too large")
            << QByteArray("乙,1,12000000,x") << "第2张：第3行“金额大写”列的金额“12000000”太大";
        QTest::newRow("value off the page") << (QByteArray("乙,") + QByteArray(4000, '9') + ",1,x")
                                            << "第2张（第3行）：输入点“收件电话”的内容太长";
    }
    void refusedBeforePrinting() {
        QFETCH(QByteArray, row3);
        QFETCH(QString, says);
        writeFile(path("bad.csv"), "收件人,收件电话,金额大写,x\n甲,1,5,x\n" + row3 + "\n");
        BatchJob job;
        job.tmpl = sample::sampleTemplate();
        auto reader = customers::openSpreadsheet(path("bad.csv"));
        job.data = readBatchData(*reader);
        job.map = mapColumns(job.data.header, batchPoints(job.tmpl));
        job.chosen = allRows(job.data);
        const BatchBuild b = buildBatch(job);
        QVERIFY(!b.ok());
        QVERIFY2(b.problem.startsWith(says), qPrintable(b.problem));
        QVERIFY(b.sheets.isEmpty());
    }

    // Only the rows of the range are read; cells the file does not give exactly are named before
    // anything is printed: an unreadable one refuses the batch, an imprecise number is asked about.
    void cellsTheFileDoesNotGive() {
        const QString xlsx = path("f.xlsx");
        QVERIFY(test::writeZip(
            xlsx,
            test::workbookParts("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>收件人</t></is></c>"
                                "<c r=\"B1\" t=\"inlineStr\"><is><t>收件电话</t></is></c></row>"
                                "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>甲</t></is></c></row>"
                                "<row r=\"3\"><c r=\"A3\"><f>1+1</f></c><c r=\"B3\"><v>2</v></c></row>")));
        BatchJob job;
        job.tmpl = sample::sampleTemplate();
        auto reader = customers::openSpreadsheet(xlsx);
        job.data = readBatchData(*reader, QString(), 2, 2);
        QCOMPARE(job.data.rowNumbers, QList<int>{2});
        job.map = mapColumns(job.data.header, batchPoints(job.tmpl));
        job.chosen = allRows(job.data);
        QVERIFY(buildBatch(job).ok());
        job.data = readBatchData(*reader);
        job.chosen = allRows(job.data);
        const BatchBuild b = buildBatch(job);
        QVERIFY2(b.problem.contains(u"工作表“数据”中有1个要打印的单元格读不出内容") &&
                     b.problem.contains(u"第3行A列"),
                 qPrintable(b.problem));
        if (!test::xlsWriterAvailable())
            QSKIP("python3 with xlwt is not installed; no .xls fixture for the imprecise number");
        const QString xls = path("n.xls");
        QVERIFY(
            test::writeXls(xls, {test::customerSheet(QStringLiteral("订单"),
                                                     {{QStringLiteral("收件人"), QStringLiteral("收件电话")},
                                                      {QStringLiteral("甲"), 621909378657975432.0},
                                                      {QStringLiteral("乙"), 6222499836243985.0}})}));
        reader = customers::openSpreadsheet(xls);
        job.data = readBatchData(*reader, QStringLiteral("订单"));
        job.chosen = allRows(job.data);
        QVERIFY(buildBatch(job).ok());
        const QString question = impreciseBatchQuestion(job);
        QVERIFY2(question.contains(u"有1个要打印的单元格是大于9007199254740992的长数字") &&
                     question.contains(u"第2行B列"),
                 qPrintable(question));
        job.chosen = rowsInRange(job.data, 3, 3);
        QVERIFY(impreciseBatchQuestion(job).isEmpty());
    }

    void nothingChosen() {
        BatchJob job = sampleJob(path("n.csv"), 2);
        job.chosen.clear();
        QCOMPARE(buildBatch(job).problem, batchNothingChosenText());
    }

    // N sheets, one job: an N-page PDF with each sheet's values where the placement puts them, N log rows.
    void printsAndLogs() {
        if (!probe::haveTool(QStringLiteral("pdftotext")) || !probe::haveTool(QStringLiteral("pdfinfo")))
            QSKIP("poppler-utils (pdftotext, pdfinfo) are not installed");
        test::TestEnv env;
        printing::sample::seedSampleData(env.db());
        const QString pdf = path("batch.pdf");
        env.printToPdf(pdf);
        const int n = 5;
        const BatchJob job = sampleJob(path("p.csv"), n);
        const BatchBuild b = buildBatch(job);
        QVERIFY(b.ok());
        auto printer = openBatchPrinter(sample::kTemplateName);
        QVERIFY(printer);
        const QRectF page = printer->pageRect(QPrinter::DevicePixel);
        const double perDot = 72.0 / printer->resolution();
        QList<int> told;
        const BatchRun run = runBatch(*printer, b.sheets, true, [&](int done, int total) {
            told << done;
            return total == n;
        });
        QVERIFY(run.printed.ok());
        QCOMPARE(run.printed.pages, n);
        QVERIFY(run.logged && run.logged->ok());
        QCOMPARE(told, (QList<int>{1, 2, 3, 4, 5}));
        QCOMPARE(probe::pdfPages(pdf), n);
        QCOMPARE(logRows(env.db()), n);
        QSet<QString> receivers;
        const qsizetype receiver = test::logColumns(env.db(), sample::kTemplateName).indexOf(u"收件人");
        for (const QStringList& row : test::logRows(env.db(), sample::kTemplateName))
            receivers << row.value(receiver);
        QCOMPARE(receivers.size(), n);

        int pages = 0;
        const QList<PageWord> words = pageWords(pdf, &pages);
        QCOMPARE(pages, n);
        for (int i = 0; i < n; ++i) {
            // The phone number is one word of digits: its first character starts it.
            const PrintSheet& s = b.sheets[i];
            const QString phone = QStringLiteral("1380000%1").arg(i + 1, 4, 10, QLatin1Char('0'));
            const SheetPlacement placed = placeSheet(s);
            const PlacedItem* first = nullptr;
            int at = 0;
            for (const PrintField& f : s.fields) {
                if (f.name == QStringLiteral("收件电话"))
                    break;
                at += int(trimBlanks(f.text).size());
            }
            first = &placed.items[at];
            QCOMPARE(first->text, QStringLiteral("1"));
            bool found = false;
            for (const PageWord& w : words) {
                if (w.page != i + 1 || w.word.text != phone)
                    continue;
                found = true;
                QVERIFY2(qAbs(w.word.xMin - (page.left() * perDot + first->rect.left.value() / 20.0)) < 1.5,
                         qPrintable(QString::number(w.word.xMin)));
                QVERIFY2(qAbs(w.word.yMin - (page.top() * perDot + first->rect.top.value() / 20.0)) < 2.5,
                         qPrintable(QString::number(w.word.yMin)));
            }
            QVERIFY2(found, qPrintable(phone));
        }
    }

    // The template's paper and origin hold for every sheet of the batch: each page is the chosen paper,
    // and with the paper origin each value sits at its twips from the paper's corner.
    void paperAndOriginOfTheTemplate() {
        if (!probe::haveTool(QStringLiteral("pdftotext")) || !probe::haveTool(QStringLiteral("pdfinfo")))
            QSKIP("poppler-utils (pdftotext, pdfinfo) are not installed");
        test::TestEnv env;
        printing::sample::seedSampleData(env.db());
        const QString pdf = path("paper.pdf");
        env.printToPdf(pdf);
        BatchJob job = sampleJob(path("paper.csv"), 3);
        job.settings = withCustomPaper(PrintSettings(), QSizeF(230, 127));
        job.settings.orientation = QPageLayout::Portrait;
        job.settings.origin = PrintOrigin::Paper;
        const BatchBuild b = buildBatch(job);
        QVERIFY(b.ok());
        auto printer = openBatchPrinter(sample::kTemplateName, QString(), nullptr, job.settings);
        QVERIFY(printer);
        QVERIFY(runBatch(*printer, b.sheets, false, {}).printed.ok());
        const QSizeF got = probe::pageSize(pdf);
        QVERIFY2(qAbs(got.width() - 230 / 25.4 * 72) < 1.5 && qAbs(got.height() - 127 / 25.4 * 72) < 1.5,
                 qPrintable(QStringLiteral("%1 x %2 pt").arg(got.width()).arg(got.height())));
        int pages = 0;
        const QList<PageWord> words = pageWords(pdf, &pages);
        QCOMPARE(pages, 3);
        for (int i = 0; i < 3; ++i) {
            const PrintSheet& s = b.sheets[i];
            const SheetPlacement placed = placeSheet(s);
            int at = 0;
            for (const PrintField& f : s.fields) {
                if (f.name == QStringLiteral("收件电话"))
                    break;
                at += int(trimBlanks(f.text).size());
            }
            const PlacedItem& first = placed.items[at];
            const QString phone = QStringLiteral("1380000%1").arg(i + 1, 4, 10, QLatin1Char('0'));
            bool found = false;
            for (const PageWord& w : words) {
                if (w.page != i + 1 || w.word.text != phone)
                    continue;
                found = true;
                QVERIFY2(qAbs(w.word.xMin - first.rect.left.value() / 20.0) < 1.5,
                         qPrintable(QString::number(w.word.xMin)));
                QVERIFY2(qAbs(w.word.yMin - first.rect.top.value() / 20.0) < 2.5,
                         qPrintable(QString::number(w.word.yMin)));
            }
            QVERIFY2(found, qPrintable(phone));
        }
    }

    // The same orders as .xls, .xlsx and .csv (UTF-8 and GBK) give the same sheets and the same pages:
    // numbers keep their digits, the amount is converted, one page per row.
    void eachFormatGivesTheSameSheets_data() {
        QTest::addColumn<QString>("format");
        QTest::newRow(".xls") << QStringLiteral("xls");
        QTest::newRow(".xlsx") << QStringLiteral("xlsx");
        QTest::newRow(".csv in UTF-8") << QStringLiteral("csv");
        QTest::newRow(".csv in GBK") << QStringLiteral("gbk");
    }
    void eachFormatGivesTheSameSheets() {
        QFETCH(QString, format);
        if (!probe::haveTool(QStringLiteral("pdfinfo")))
            QSKIP("poppler-utils (pdfinfo) are not installed");
        const QStringList header{QStringLiteral("收件人"), QStringLiteral("收件电话"),
                                 QStringLiteral("金额大写")};
        const QString file = dir_.filePath(
            QStringLiteral("orders-%1.%2").arg(format, format == u"gbk" ? QStringLiteral("csv") : format));
        QString error;
        if (format == u"xls") {
            if (!test::xlsWriterAvailable())
                QSKIP("python3-xlwt is not installed");
            test::XlsSheet sheet{QStringLiteral("订单"), {}};
            for (int c = 0; c < 3; ++c)
                sheet.cells.push_back({0, c, header[c]});
            for (int r = 1; r <= 3; ++r) {
                sheet.cells.push_back({r, 0, QStringLiteral("客户%1").arg(r)});
                sheet.cells.push_back({r, 1, qint64(13800000000LL + r)});
                sheet.cells.push_back({r, 2, r + 0.5});
            }
            QVERIFY2(test::writeXls(file, {sheet}, &error), qPrintable(error));
        } else if (format == u"xlsx") {
            if (!test::xlsxWriterAvailable())
                QSKIP("python3-openpyxl is not installed");
            test::XlsxSheet sheet{QStringLiteral("订单"), {}};
            for (int c = 0; c < 3; ++c)
                sheet.cells.push_back({1, c + 1, header[c]});
            for (int r = 1; r <= 3; ++r) {
                sheet.cells.push_back({r + 1, 1, QStringLiteral("客户%1").arg(r)});
                sheet.cells.push_back({r + 1, 2, qint64(13800000000LL + r)});
                sheet.cells.push_back({r + 1, 3, r + 0.5});
            }
            QVERIFY2(test::writeXlsx(file, {sheet}, &error), qPrintable(error));
        } else {
            QString text = header.join(u',') + u'\n';
            for (int r = 1; r <= 3; ++r)
                text += QStringLiteral("客户%1,%2,%3\n").arg(r).arg(13800000000LL + r).arg(r + 0.5);
            QByteArray bytes = text.toUtf8();
            if (format == u"gbk") {
                QStringEncoder gbk("GB18030");
                QVERIFY(gbk.isValid());
                bytes = gbk.encode(text);
            }
            writeFile(file, bytes);
        }
        test::TestEnv env;
        printing::sample::seedSampleData(env.db());
        const QString pdf = dir_.filePath(QStringLiteral("orders-%1.pdf").arg(format));
        env.printToPdf(pdf);
        BatchJob job;
        job.tmpl = sample::sampleTemplate();
        job.tmpl.name = sample::kTemplateName;
        auto reader = customers::openSpreadsheet(file);
        job.data = readBatchData(*reader, format.startsWith(u"xls") ? QStringLiteral("订单") : QString());
        job.map = mapColumns(job.data.header, batchPoints(job.tmpl));
        job.chosen = allRows(job.data);
        const BatchBuild b = buildBatch(job);
        QVERIFY2(b.ok(), qPrintable(b.problem));
        QCOMPARE(b.sheets.size(), 3);
        for (int r = 1; r <= 3; ++r) {
            QHash<QString, QString> texts;
            for (const PrintField& f : b.sheets[r - 1].fields)
                texts.insert(f.name, f.text);
            QCOMPARE(texts.value(QStringLiteral("收件人")), QStringLiteral("客户%1").arg(r));
            QCOMPARE(texts.value(QStringLiteral("收件电话")), QString::number(13800000000LL + r));
            QCOMPARE(texts.value(QStringLiteral("金额大写")),
                     convertAmountText(QString::number(r + 0.5)).text);
        }
        auto printer = openBatchPrinter(sample::kTemplateName);
        QVERIFY(printer);
        QVERIFY(runBatch(*printer, b.sheets, true, {}).printed.ok());
        QCOMPARE(probe::pdfPages(pdf), 3);
        QCOMPARE(logRows(env.db()), 3);
    }

    void cancelledOrFailedJobsLeaveNothing_data() {
        QTest::addColumn<int>("cancelAt"); // 0: the printer fails instead
        QTest::newRow("cancelled at the second sheet") << 2;
        QTest::newRow("cancelled at the last sheet") << 3;
        QTest::newRow("printer fails") << 0;
    }
    void cancelledOrFailedJobsLeaveNothing() {
        QFETCH(int, cancelAt);
        test::TestEnv env;
        printing::sample::seedSampleData(env.db());
        // Where no file can be made, the PDF printer fails like a printer that is switched off.
        const QString pdf = cancelAt ? path("cancel.pdf") : path("no/such/folder/x.pdf");
        QFile::remove(pdf);
        env.printToPdf(pdf);
        const BatchBuild b = buildBatch(sampleJob(path("c.csv"), 3));
        auto printer = openBatchPrinter(sample::kTemplateName);
        QVERIFY(printer);
        const BatchRun run = runBatch(*printer, b.sheets, true,
                                      [&](int done, int) { return cancelAt == 0 || done < cancelAt; });
        QCOMPARE(run.printed.status,
                 cancelAt ? BatchOutcome::Status::Cancelled : BatchOutcome::Status::Failed);
        QVERIFY(!run.logged);
        QVERIFY(!QFile::exists(pdf));
        QVERIFY(!QFile::exists(pdf + QStringLiteral(".part")));
        QCOMPARE(QDir(QFileInfo(pdf).path()).entryList({QStringLiteral("*.part")}, QDir::Files),
                 QStringList());
        QCOMPARE(logRows(env.db()), 0);
    }

    void noPrinter() {
        test::TestEnv env;
        env.printToNothing();
        QString problem;
        QVERIFY(!openBatchPrinter(sample::kTemplateName, QString(), &problem));
        QVERIFY(!problem.isEmpty());
        QVERIFY(!openBatchPrinter(sample::kTemplateName, QStringLiteral("no-such-queue-here"), &problem));
        // The command line shows the reason after its message: in the user's language.
        QVERIFY2(problem.contains(QStringLiteral("没有名为“no-such-queue-here”的打印机")),
                 qPrintable(problem));
    }

    // The log is one transaction: a refused row leaves none of the batch.
    void logIsAllOrNothing() {
        test::TestEnv env;
        printing::sample::seedSampleData(env.db());
        BatchJob job = sampleJob(path("l.csv"), 3);
        BatchBuild b = buildBatch(job);
        QVERIFY(b.ok());
        b.sheets[2].fields[0].name = QStringLiteral("没有这一列");
        const LogResult r = logBatch(b.sheets);
        QCOMPARE(r.status, LogResult::Status::Failed);
        QCOMPARE(logRows(env.db()), 0);
        QCOMPARE(logBatch(buildBatch(job).sheets).status, LogResult::Status::Logged);
        QCOMPARE(logRows(env.db()), 3);
    }
};

QTEST_MAIN(TestBatch)
#include "tst_batch.moc"
