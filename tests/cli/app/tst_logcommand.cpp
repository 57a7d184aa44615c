// `vorlan log`: its arguments, its refusals, and the CSV it writes, in-process and from the built program.
#include "BothEngines.h"
#include "TestEnv.h"
#include "app/BatchCommand.h"
#include "data/Database.h"
#include "printing/SampleData.h"
#include "templates/PrintLogStore.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTest>

using namespace vorlan;
using namespace Qt::StringLiterals;
using app::ParsedCommand;

namespace {

const QString kTemplate = printing::sample::kTemplateName;
const QByteArray kPassword = "secret1\n";
const QStringList kArgs{u"--template"_s, kTemplate, u"--user"_s, u"管理员"_s};

// The sample template, its user and three sheets logged out of order; returns the log's columns.
QStringList seed(test::TestEnv& env) {
    printing::sample::seedSampleData(data::sharedEngine());
    env.addUser(u"00001"_s, u"管理员"_s, u"secret1"_s, u"高级用户"_s);
    const templates::PrintLogStore store(data::sharedEngine());
    const QStringList columns = store.find(kTemplate)->columns;
    for (const auto& [when, a, b] :
         {std::tuple{u"2024-03-05 09:00:00"_s, u"张三"_s, u"00123"_s},
          {u"2024-03-04 18:30:00"_s, u"李四, 王五"_s, u"他说\"好\""_s},
          {u"2024-03-06 08:00:00"_s, u"第一行\n第二行"_s, u"622202123456789012"_s}})
        store.insert(kTemplate, QDateTime::fromString(when, u"yyyy-MM-dd hh:mm:ss"_s),
                     {{columns.at(1), a}, {columns.at(2), b}});
    return columns;
}

// The CSV expected: the header, then these records (fields in their CSV form, the rest empty).
QByteArray csv(const QStringList& columns, const QList<int>& sheets) {
    static const QStringList records{u"2024-03-04 18:30:00,\"李四, 王五\",\"他说\"\"好\"\"\""_s,
                                     u"2024-03-05 09:00:00,张三,00123"_s,
                                     u"2024-03-06 08:00:00,\"第一行\n第二行\",622202123456789012"_s};
    QString out = columns.join(u',') + u"\r\n"_s;
    for (const int s : sheets)
        out += records.at(s) + QString(columns.size() - 3, u',') + u"\r\n"_s;
    return out.toUtf8();
}

struct Outcome {
    int code = -1;
    QByteArray out;
    QString err;
};

Outcome runInProcess(const QStringList& args, const QByteArray& password) {
    const ParsedCommand c = app::parseCommandLine(QStringList{u"log"_s} + args);
    QBuffer in, out, err;
    in.setData(password);
    in.open(QIODevice::ReadOnly);
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    const int code = app::runLogCommand(c.log, in, out, err);
    return {code, out.data(), QString::fromUtf8(err.data())};
}

} // namespace

class TestLogCommand : public QObject {
    Q_OBJECT
private slots:
    void parse_data() {
        QTest::addColumn<QStringList>("args"); // after "log"
        QTest::addColumn<QString>("says");     // part of the error; empty: accepted
        const auto with = [](const QStringList& extra) { return kArgs + extra; };
        QTest::newRow("all time") << kArgs << QString();
        QTest::newRow("range") << with({u"--from=2024-02-29"_s, u"--to"_s, u"2024-02-29"_s}) << QString();
        QTest::newRow("no template") << QStringList{u"--user"_s, u"u"_s} << u"“--template”"_s;
        QTest::newRow("no user") << QStringList{u"--template"_s, u"运单"_s} << u"“--user”"_s;
        QTest::newRow("short date") << with({u"--from"_s, u"2024-3-1"_s})
                                    << u"“--from”的值“2024-3-1”不是日期"_s;
        QTest::newRow("from after to") << with({u"--from"_s, u"2024-03-02"_s, u"--to=2024-03-01"_s})
                                       << u"起始日期2024-03-02在结束日期2024-03-01之后"_s;
        QTest::newRow("missing value") << with({u"--from"_s}) << u"“--from”缺少值"_s;
        QTest::newRow("twice") << with({u"--user"_s, u"x"_s}) << u"重复"_s;
        QTest::newRow("unknown option") << with({u"--pdf"_s, u"a.pdf"_s}) << u"未知的选项“--pdf”"_s;
        QTest::newRow("password") << with({u"--password=x"_s}) << u"密码不能写在命令行上"_s;
    }
    void parse() {
        QFETCH(QStringList, args);
        QFETCH(QString, says);
        QVERIFY(app::isCommandLine(QStringList{u"log"_s} + args));
        const ParsedCommand c = app::parseCommandLine(QStringList{u"log"_s} + args);
        QVERIFY2((c.kind == ParsedCommand::Kind::Log) == says.isEmpty(), qPrintable(c.error));
        QVERIFY2(c.error.contains(says) && (says.isEmpty() || c.error.contains(u"用法：vorlan log"_s)),
                 qPrintable(c.error));
    }

    // Refused at run time: exit 1, the reason on the messages, nothing on the output.
    void refusals_data() {
        QTest::addColumn<int>("setup"); // 0 the seeded database, 1 its log dropped, 2 no database
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<QString>("says");
        QTest::newRow("wrong password") << 0 << kArgs << QByteArray("secret2\n") << u"用户密码错误!"_s;
        QTest::newRow("unknown template")
            << 0 << QStringList{u"--template"_s, u"没有"_s, u"--user"_s, u"管理员"_s} << kPassword
            << u"模板“没有”不存在！"_s;
        QTest::newRow("no log table") << 1 << kArgs << kPassword << u"还没有打印记录表"_s;
        QTest::newRow("no database, none made")
            << 2 << kArgs << kPassword << u"不存在，没有打印记录可以输出"_s;
    }
    void refusals() {
        QFETCH(int, setup);
        QFETCH(QStringList, args);
        QFETCH(QByteArray, password);
        QFETCH(QString, says);
        test::TestEnv env(setup != 2);
        if (setup == 2 && test::onServer()) // a server database made by no one is empty
            says = u"是空的，没有打印记录可以输出"_s;
        if (setup != 2)
            seed(env);
        if (setup == 1)
            templates::PrintLogStore(data::sharedEngine()).drop(kTemplate);
        const Outcome o = runInProcess(args, password);
        QCOMPARE(o.code, app::kExitBadInput);
        QVERIFY2(o.err.contains(says), qPrintable(o.err));
        QCOMPARE(o.out, QByteArray());
        // Nor is a local file made on the way.
        QCOMPARE(QFile::exists(env.databasePath()), setup != 2 && !test::onServer());
    }

    void output_data() {
        QTest::addColumn<QStringList>("range");
        QTest::addColumn<QList<int>>("sheets");
        QTest::newRow("all time, oldest first") << QStringList() << QList<int>{0, 1, 2};
        QTest::newRow("one day") << QStringList{u"--from"_s, u"2024-03-05"_s, u"--to"_s, u"2024-03-05"_s}
                                 << QList<int>{1};
        QTest::newRow("none in range") << QStringList{u"--from"_s, u"2025-01-01"_s} << QList<int>{};
    }
    void output() {
        QFETCH(QStringList, range);
        QFETCH(QList<int>, sheets);
        test::TestEnv env;
        const QStringList columns = seed(env);
        const Outcome o = runInProcess(kArgs + range, kPassword);
        QVERIFY2(o.code == app::kExitPrinted, qPrintable(o.err));
        QCOMPARE(o.out, csv(columns, sheets));
        QVERIFY2(o.err.contains(u"已输出%1条打印记录"_s.arg(sheets.size())), qPrintable(o.err));
    }

    // The built program: standard output holds exactly the CSV, without a byte order mark.
    void program() {
        const QString built = QDir(QCoreApplication::applicationDirPath()).filePath(u"vorlan"_s);
        if (!QFile::exists(built))
            QSKIP("the program vorlan is not built (build the target vorlan)");
        test::TestEnv env;
        const QStringList columns = seed(env);
        data::closeShared();
        QProcess p;
        p.start(built, test::programDatabaseArguments(env.folder()) + QStringList{u"log"_s} + kArgs);
        p.write(kPassword + test::programServerPasswordLines());
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0,
                 p.readAllStandardError().constData());
        QCOMPARE(p.readAllStandardOutput(), csv(columns, {0, 1, 2}));
    }
};

QTEST_GUILESS_MAIN(TestLogCommand)
#include "tst_logcommand.moc"
