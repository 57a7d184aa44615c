// `vorlan reprint`: its arguments, its refusals, and the sheets it prints again, in-process; the record
// numbers it takes come from `vorlan log --ids`.
#include "BothEngines.h"
#include "PrintProbe.h"
#include "TestEnv.h"
#include "app/BatchCommand.h"
#include "data/Database.h"
#include "printing/PrintJobStore.h"
#include "printing/SampleData.h"
#include "templates/PrintLogStore.h"

#include <QBuffer>
#include <QDir>
#include <QTest>

using namespace vorlan;
using namespace Qt::StringLiterals;
using app::ParsedCommand;

namespace {

const QString kTemplate = printing::sample::kTemplateName;
const QByteArray kPassword = "secret1\n";
const QStringList kWho{u"--template"_s, kTemplate, u"--user"_s, u"管理员"_s};

// The sample template, its user and three sheets logged on two days.
void seed(test::TestEnv& env) {
    printing::sample::seedSampleData(data::sharedEngine());
    env.addUser(u"00001"_s, u"管理员"_s, u"secret1"_s, u"高级用户"_s);
    const templates::PrintLogStore store(data::sharedEngine());
    for (const auto& [when, who] : {std::pair{u"2024-03-05 09:00:00"_s, u"张三"_s},
                                    {u"2024-03-05 10:00:00"_s, u"李四"_s},
                                    {u"2024-03-06 08:00:00"_s, u"王五"_s}})
        store.insert(kTemplate, QDateTime::fromString(when, u"yyyy-MM-dd hh:mm:ss"_s),
                     {{u"收件人"_s, who}, {u"金额大写"_s, u"壹佰元整"_s}});
}

struct Outcome {
    int code = -1;
    QByteArray out;
    QString err;
};

Outcome runInProcess(const QStringList& args, const QByteArray& password = kPassword) {
    const ParsedCommand c = app::parseCommandLine(args);
    QBuffer in, out, err;
    in.setData(password);
    in.open(QIODevice::ReadOnly);
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    int code = -1;
    if (c.kind == ParsedCommand::Kind::Log)
        code = app::runLogCommand(c.log, in, out, err);
    else if (c.kind == ParsedCommand::Kind::Reprint)
        code = app::runReprintCommand(c.reprint, in, err, false);
    return {code, out.data(), QString::fromUtf8(err.data()) + c.error};
}

// The record numbers of the sheets of these receivers, as vorlan log --ids gives them.
QStringList idsOf(const QStringList& receivers) {
    const Outcome o = runInProcess(QStringList{u"log"_s, u"--ids"_s} + kWho);
    QStringList ids;
    const QList<QByteArray> lines = o.out.split('\n');
    const QStringList header = QString::fromUtf8(lines.first()).trimmed().split(u',');
    const qsizetype at = header.indexOf(u"收件人"_s);
    if (header.first() != u"记录号" || at < 0)
        return {};
    for (const QString& who : receivers)
        for (const QByteArray& line : lines)
            if (const QStringList f = QString::fromUtf8(line).trimmed().split(u','); f.value(at) == who)
                ids << f.first();
    return ids;
}

} // namespace

class TestReprintCommand : public QObject {
    Q_OBJECT
private slots:
    void parse_data() {
        QTest::addColumn<QStringList>("args"); // after "reprint"
        QTest::addColumn<QString>("says");     // part of the error; empty: accepted
        const auto with = [](const QStringList& extra) { return kWho + extra; };
        QTest::newRow("by ids") << with({u"--ids"_s, u"12,13， 20"_s}) << QString();
        QTest::newRow("by days, logged, to a PDF")
            << with({u"--from=2024-03-05"_s, u"--to"_s, u"2024-03-06"_s, u"--log"_s, u"--pdf"_s, u"a.pdf"_s})
            << QString();
        QTest::newRow("from only, a printer")
            << with({u"--from"_s, u"2024-03-05"_s, u"--printer=PDF"_s}) << QString();
        QTest::newRow("neither ids nor days") << kWho << u"两者只能选一个"_s;
        QTest::newRow("both ids and days")
            << with({u"--ids=1"_s, u"--from=2024-03-05"_s}) << u"两者只能选一个"_s;
        QTest::newRow("to without from")
            << with({u"--ids=1"_s, u"--to=2024-03-05"_s}) << u"“--to”只能与“--from”一起使用"_s;
        QTest::newRow("not record numbers")
            << with({u"--ids"_s, u"1,x"_s}) << u"“--ids”的值“1,x”不是记录号的列表"_s;
        QTest::newRow("short date") << with({u"--from"_s, u"2024-3-5"_s})
                                    << u"“--from”的值“2024-3-5”不是日期"_s;
        QTest::newRow("from after to") << with({u"--from=2024-03-06"_s, u"--to=2024-03-05"_s})
                                       << u"起始日期2024-03-06在结束日期2024-03-05之后"_s;
        QTest::newRow("pdf and printer")
            << with({u"--ids=1"_s, u"--pdf=a.pdf"_s, u"--printer=PDF"_s}) << u"只能选一个"_s;
    }
    void parse() {
        QFETCH(QStringList, args);
        QFETCH(QString, says);
        QVERIFY(app::isCommandLine(QStringList{u"reprint"_s} + args));
        const ParsedCommand c = app::parseCommandLine(QStringList{u"reprint"_s} + args);
        QVERIFY2((c.kind == ParsedCommand::Kind::Reprint) == says.isEmpty(), qPrintable(c.error));
        QVERIFY2(c.error.contains(says) && (says.isEmpty() || c.error.contains(u"用法：vorlan reprint"_s)),
                 qPrintable(c.error));
        if (says.isEmpty() && args.contains(u"--ids"_s))
            QCOMPARE(c.reprint.ids, (QList<qint64>{12, 13, 20}));
    }

    void inTheHelp() {
        const QString help = app::helpText();
        QVERIFY(help.contains(u"vorlan reprint --template"_s));
        QVERIFY(help.contains(u"vorlan reprint 重新打印已经记录的各张"_s));
        QVERIFY(help.contains(u"vorlan log --template 模板名称 [--from 年-月-日] [--to 年-月-日] [--ids]"_s));
    }

    // Printed again to a PDF: one page per sheet (their values are read back in gui/history/tst_reprint),
    // logged only with --log, the reprint's job kept with the sheets.
    void reprints_data() {
        QTest::addColumn<QStringList>("choose"); // --ids (filled in) or the days
        QTest::addColumn<bool>("log");
        QTest::addColumn<QStringList>("printed");
        QTest::newRow("by ids") << QStringList{u"--ids"_s, u"王五,张三"_s} << false
                                << QStringList{u"张三"_s, u"王五"_s};
        QTest::newRow("one day, logged")
            << QStringList{u"--from"_s, u"2024-03-05"_s, u"--to"_s, u"2024-03-05"_s} << true
            << QStringList{u"张三"_s, u"李四"_s};
        QTest::newRow("from a day on")
            << QStringList{u"--from"_s, u"2024-03-06"_s} << false << QStringList{u"王五"_s};
    }
    void reprints() {
        QFETCH(QStringList, choose);
        QFETCH(bool, log);
        QFETCH(QStringList, printed);
        test::TestEnv env;
        seed(env);
        if (choose.first() == u"--ids") {
            const QStringList ids = idsOf(choose.at(1).split(u','));
            QCOMPARE(ids.size(), 2);
            choose[1] = ids.join(u',');
        }
        const QString pdf = QDir(env.folder()).filePath(u"again.pdf"_s);
        QStringList args = QStringList{u"reprint"_s} + kWho + choose + QStringList{u"--pdf"_s, pdf};
        if (log)
            args << u"--log"_s;
        const Outcome o = runInProcess(args);
        QVERIFY2(o.code == app::kExitPrinted, qPrintable(o.err));
        QVERIFY2(o.err.contains(log ? u"已重新打印%1张，已另外保存%1条打印记录。"_s.arg(printed.size())
                                    : u"已重新打印%1张，没有增加打印记录。"_s.arg(printed.size())),
                 qPrintable(o.err));
        QCOMPARE(probe::pdfPages(pdf), int(printed.size()));
        QCOMPARE(test::logCount(env.db(), kTemplate), 3 + (log ? int(printed.size()) : 0));
        // The sheets now show the reprint: a PDF file.
        const templates::PrintLogStore logs(data::sharedEngine());
        const QString table = logs.tableName(kTemplate);
        const QStringList ids = idsOf(printed);
        QList<qint64> keys;
        for (const QString& id : ids)
            keys << id.toLongLong();
        const auto jobs = printing::PrintJobStore(data::sharedEngine()).jobsOf(table, keys);
        QCOMPARE(jobs.size(), keys.size());
        for (const printing::SheetJob& j : jobs)
            QVERIFY(j.reprinted && j.job.pdfFile);
    }

    // Refused at run time: exit 1, the reason said, nothing printed.
    void refusals_data() {
        QTest::addColumn<QStringList>("args"); // after the template and user
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<QString>("says");
        QTest::newRow("wrong password")
            << QStringList{u"--ids=1"_s} << QByteArray("secret2\n") << u"用户密码错误!"_s;
        QTest::newRow("no such record") << QStringList{u"--ids=999999"_s} << kPassword
                                        << u"的打印记录中没有记录号999999，没有重新打印。"_s;
        QTest::newRow("no sheet those days")
            << QStringList{u"--from=2025-01-01"_s} << kPassword << u"在2025-01-01以后没有打印记录"_s;
    }
    void refusals() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, password);
        QFETCH(QString, says);
        test::TestEnv env;
        seed(env);
        const QString pdf = QDir(env.folder()).filePath(u"none.pdf"_s);
        const Outcome o =
            runInProcess(QStringList{u"reprint"_s} + kWho + args + QStringList{u"--pdf"_s, pdf}, password);
        QCOMPARE(o.code, app::kExitBadInput);
        QVERIFY2(o.err.contains(says), qPrintable(o.err));
        QVERIFY(!QFile::exists(pdf));
        QCOMPARE(test::logCount(env.db(), kTemplate), 3);
    }
};

QTEST_MAIN(TestReprintCommand)
#include "tst_reprintcommand.moc"
