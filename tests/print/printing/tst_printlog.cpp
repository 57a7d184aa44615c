// The print log row written after a print: columns and values in step, values exactly as typed.
#include "BothEngines.h"
#include "NoticeOutput.h"
#include "TestEnv.h"
#include "data/Sql.h"
#include "printing/PrintActions.h"
#include "printing/PrintJobStore.h"
#include "templates/PrintLogStore.h"
#include "templates/TemplateStore.h"
#include "ui/Printer.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSqlRecord>
#include <QTest>

using namespace vorlan;
using printing::LogResult;
using printing::Notice;
using printing::PrintField;
using printing::PrintSheet;

namespace {

// Creates the template and its print log table the way the designer's save does.
void saveTemplate(const QSqlDatabase& db, const QString& name, const QStringList& single,
                  const QStringList& multi = {}) {
    templates::Template t;
    t.name = name;
    for (const QString& n : single) {
        templates::InputPoint p;
        p.type = templates::type::SingleLine;
        p.name = n;
        t.single.append(p);
    }
    for (const QString& n : multi) {
        templates::InputPoint p;
        p.type = templates::type::MultiLine;
        p.name = n;
        t.multi.append(p);
    }
    templates::PendingColumns pending;
    templates::TemplateStore(db).save(t, std::nullopt, pending);
}

PrintField field(const QString& name, const QString& text) {
    PrintField f;
    f.name = name;
    f.text = text;
    f.left = 1000_tw;
    f.top = 1000_tw;
    return f;
}

QList<QVariantMap> rows(const QSqlDatabase& db, const QString& table) {
    QList<QVariantMap> out;
    if (test::onServer()) {
        const QStringList columns = test::logColumns(db, table);
        for (const QStringList& row : test::logRows(db, table)) {
            QVariantMap m;
            for (qsizetype i = 0; i < columns.size(); ++i)
                m.insert(columns.at(i), row.at(i).isNull() ? QVariant() : QVariant(row.at(i)));
            out << m;
        }
        return out;
    }
    const QString key = templates::PrintLogStore::kKeyColumn;
    QSqlQuery q = data::exec(
        db, QStringLiteral("SELECT * FROM %1 ORDER BY %2").arg(data::quoteId(table), data::quoteId(key)));
    while (q.next()) {
        QVariantMap m;
        const QSqlRecord r = q.record();
        for (int i = 0; i < r.count(); ++i)
            if (r.fieldName(i) != key)
                m.insert(r.fieldName(i), r.value(i));
        out << m;
    }
    return out;
}

} // namespace

class TestPrintLog : public QObject {
    Q_OBJECT
private slots:
    void workedExample() {
        test::TestEnv env;
        saveTemplate(env.db(), QStringLiteral("运单"), {QStringLiteral("收件人"), QStringLiteral("电话")},
                     {QStringLiteral("备注")});
        PrintSheet s;
        s.templateName = QStringLiteral("运单");
        s.fields << field(QStringLiteral("收件人"), QStringLiteral("张三"))
                 << field(QStringLiteral("电话"), QStringLiteral("12345 "))
                 << field(QStringLiteral("备注"), QString());
        const QString before = data::dateTimeText(QDateTime::currentDateTime());
        QVERIFY(printing::logSheet(s).ok());
        const QString after = data::dateTimeText(QDateTime::currentDateTime());
        QVERIFY(env.prompter.shown.isEmpty());

        const auto r = rows(env.db(), QStringLiteral("运单"));
        QCOMPARE(r.size(), 1);
        const QString when = r[0].value(QStringLiteral("打印日期")).toString();
        QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"))
                    .match(when)
                    .hasMatch());
        QVERIFY(before <= when && when <= after);
        QCOMPARE(r[0].value(QStringLiteral("收件人")).toString(), QStringLiteral("张三"));
        QCOMPARE(r[0].value(QStringLiteral("电话")).toString(), QStringLiteral("12345"));
        // The empty box logs the empty text, not Null.
        QVERIFY(!r[0].value(QStringLiteral("备注")).isNull());
        QCOMPARE(r[0].value(QStringLiteral("备注")).toString(), QString());

        // A second print logs a second row.
        QVERIFY(printing::logSheet(s).ok());
        QCOMPARE(rows(env.db(), QStringLiteral("运单")).size(), 2);
    }

    void templateWithoutInputPoints() {
        test::TestEnv env;
        saveTemplate(env.db(), QStringLiteral("空白单"), {});
        PrintSheet s;
        s.templateName = QStringLiteral("空白单");
        QVERIFY(printing::logSheet(s).ok());
        const auto r = rows(env.db(), QStringLiteral("空白单"));
        QCOMPARE(r.size(), 1);
        QCOMPARE(r[0].size(), 1);
        QVERIFY(!r[0].value(QStringLiteral("打印日期")).toString().isEmpty());
    }

    void valuesKeepTheirText_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("logged");
        QTest::newRow("only blanks") << QStringLiteral("    ") << QString();
        QTest::newRow("apostrophe") << QStringLiteral("O'Brien's 店") << QStringLiteral("O'Brien's 店");
        QTest::newRow("quote and comma") << QStringLiteral("a\",'b'),(") << QStringLiteral("a\",'b'),(");
        QTest::newRow("amount in words")
            << QStringLiteral("    壹拾贰元叁角肆分 ") << QStringLiteral("壹拾贰元叁角肆分");
        QTest::newRow("inner blanks stay") << QStringLiteral(" 杭州 西湖 ") << QStringLiteral("杭州 西湖");
        QTest::newRow("longer than 255") << QString(300, QLatin1Char('x')) << QString(300, QLatin1Char('x'));
    }
    void valuesKeepTheirText() {
        QFETCH(QString, typed);
        QFETCH(QString, logged);
        test::TestEnv env;
        saveTemplate(env.db(), QStringLiteral("Tom's 单"), {QStringLiteral("客户's 名")});
        PrintSheet s;
        s.templateName = QStringLiteral("Tom's 单");
        s.fields << field(QStringLiteral("客户's 名"), typed);
        QVERIFY(printing::logSheet(s).ok());
        const auto r = rows(env.db(), QStringLiteral("Tom's 单"));
        QCOMPARE(r.size(), 1);
        QCOMPARE(r[0].value(QStringLiteral("客户's 名")).toString(), logged);
    }

    void nameCaseDoesNotMatter() {
        test::TestEnv env;
        saveTemplate(env.db(), QStringLiteral("Waybill"), {QStringLiteral("To")});
        PrintSheet s;
        s.templateName = QStringLiteral("WAYBILL");
        s.fields << field(QStringLiteral("to"), QStringLiteral("x"));
        QVERIFY(printing::logSheet(s).ok());
        QCOMPARE(rows(env.db(), QStringLiteral("Waybill")).size(), 1);
    }

    void failingInsertIsReportedAfterTheSheetWasPrinted() {
        test::TestEnv env;
        QTemporaryDir dir;
        env.printToPdf(dir.filePath(QStringLiteral("p.pdf")));
        PrintSheet s;
        s.templateName = QStringLiteral("从未保存");
        s.fields << field(QStringLiteral("收件人"), QStringLiteral("张三"));
        QVERIFY(printing::printSheet(s).ok());
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("p.pdf"))));

        // Never saved in the designer: no print log table.
        LogResult logged = printing::logSheet(s);
        QCOMPARE(logged.status, LogResult::Status::NoLogTable);
        QCOMPARE(printing::logNotice(logged),
                 (Notice{QStringLiteral(
                             "本张已经打印，但模板“从未保存”还没有打印记录表，这次的打印明细没有保存。\n"
                             "请在“模板设计”中保存一次该模板，以后的打印就会记录下来。"),
                         QStringLiteral("提示"), Notice::Icon::Exclamation}));
        QVERIFY(!test::hasLog(env.db(), QStringLiteral("从未保存")));

        // A column the table does not have: the database's reason is passed on, no half row.
        saveTemplate(env.db(), QStringLiteral("运单"), {QStringLiteral("收件人")});
        s.templateName = QStringLiteral("运单");
        s.fields << field(QStringLiteral("新加的点"), QStringLiteral("y"));
        logged = printing::logSheet(s);
        QCOMPARE(logged.status, LogResult::Status::Failed);
        QVERIFY(logged.description.contains(QStringLiteral("新加的点")));
        const Notice notice = printing::logNotice(logged);
        QVERIFY(notice.text.startsWith(
            QStringLiteral("本张已经打印，但打印明细没有保存到模板“运单”的打印记录表：")));
        QVERIFY(notice.text.endsWith(logged.description));
        QCOMPARE(notice.title, QStringLiteral("提示"));
        QCOMPARE(rows(env.db(), QStringLiteral("运单")).size(), 0);
        // Logging tells the user nothing itself; the print window shows the notice.
        QVERIFY(env.prompter.shown.isEmpty());
    }

    // A sheet printed and logged keeps where it went: here a PDF file, which has no print job.
    void printedSheetKeepsItsJob() {
        test::TestEnv env;
        QTemporaryDir dir;
        env.printToPdf(dir.filePath(QStringLiteral("p.pdf")));
        saveTemplate(env.db(), QStringLiteral("运单"), {QStringLiteral("收件人")});
        PrintSheet s;
        s.templateName = QStringLiteral("运单");
        s.fields << field(QStringLiteral("收件人"), QStringLiteral("张三"));
        const printing::PrintOutcome printed = printing::printSheet(s);
        QVERIFY(printed.ok());
        QCOMPARE(printed.job, (printing::SpooledAs{QString(), 0, true}));
        QVERIFY(printing::logSheet(s, printed.job).ok());
        const templates::PrintLogStore logs(env.db());
        const auto table = logs.find(QStringLiteral("运单"));
        QSqlQuery q = logs.query(*table, {QString(), QString(), QDate(2000, 1, 1), QDate(9999, 1, 1)}, true);
        QVERIFY(q.next());
        const auto job = printing::PrintJobStore::joinedJob(q, int(table->columns.size()) + 1);
        QVERIFY(job && job->job.pdfFile && !job->reprinted);
    }

    void baseTableIsNeverWritten() {
        test::TestEnv env;
        data::exec(env.db(), QStringLiteral("ALTER TABLE yongtu ADD COLUMN \"打印日期\" TEXT"));
        PrintSheet s;
        s.templateName = QStringLiteral("YongTu");
        s.fields << field(QStringLiteral("yongtuName"), QStringLiteral("x"));
        const LogResult logged = printing::logSheet(s);
        QCOMPARE(logged.status, LogResult::Status::Failed);
        const QString text = printing::logNotice(logged).text;
        QVERIFY(text.contains(QStringLiteral("已经打印")));
        // Not "no log table yet, save the template": a base table's name can never be saved.
        QVERIFY2(text.contains(QStringLiteral("模板名称不能用作打印记录表的名称")), qPrintable(text));
        QCOMPARE(data::scalar(env.db(), QStringLiteral("SELECT count(*) FROM yongtu")).toInt(), 0);
    }

    void failedPrintLogsNothing() {
        test::TestEnv env;
        saveTemplate(env.db(), QStringLiteral("运单"), {QStringLiteral("收件人")});
        env.printToNothing();
        PrintSheet s;
        s.templateName = QStringLiteral("运单");
        s.fields << field(QStringLiteral("收件人"), QStringLiteral("张三"));
        // What the print button does: log only after a print that did not fail.
        const printing::PrintOutcome printed = printing::printSheet(s);
        if (printed.ok())
            printing::logSheet(s);
        QCOMPARE(printed.status, printing::PrintStatus::PrinterFailed);
        QCOMPARE(rows(env.db(), QStringLiteral("运单")).size(), 0);
    }
};

QTEST_MAIN(TestPrintLog)
#include "tst_printlog.moc"
