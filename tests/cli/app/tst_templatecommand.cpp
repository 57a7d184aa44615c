// `vorlan template`: its arguments, an export and an import through it, and what it refuses.
#include "BothEngines.h"
#include "TestEnv.h"
#include "app/BatchCommand.h"
#include "app/Catalogue.h"
#include "data/Database.h"
#include "templates/TemplateStore.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

using namespace vorlan;
using namespace Qt::StringLiterals;

namespace {

struct Outcome {
    int code = -1;
    QString err;
};

Outcome run(const QStringList& args, const QByteArray& password = "secret1\n") {
    const app::ParsedCommand c = app::parseCommandLine(QStringList{u"template"_s} + args);
    if (c.kind != app::ParsedCommand::Kind::Template)
        return {-2, c.error};
    QBuffer in, err;
    in.setData(password);
    in.open(QIODevice::ReadOnly);
    err.open(QIODevice::WriteOnly);
    const int code = app::runTemplateCommand(c.tmpl, in, err);
    return {code, QString::fromUtf8(err.data())};
}

// Two users, the template 运单 and the catalogue node 快递.
void seed(test::TestEnv& env) {
    env.addUser(u"00001"_s, u"管理员"_s, u"secret1"_s, u"高级用户"_s);
    env.addUser(u"00002"_s, u"小王"_s, u"secret1"_s, u"普通用户"_s);
    templates::Template t;
    t.name = u"运单"_s;
    templates::InputPoint p;
    p.type = templates::type::SingleLine;
    p.name = u"收件人"_s;
    t.single.append(p);
    templates::PendingColumns pending{{p.name}, {}};
    templates::TemplateStore(data::sharedEngine()).save(t, std::nullopt, pending);
    app::CatalogueStore(data::sharedEngine())
        .save({{u"0_"_s, u"1_"_s, u"快递"_s, 1, 2}, {u"0_"_s, u"2_"_s, u"运单"_s, 1, 2}});
}

} // namespace

class TestTemplateCommand : public QObject {
    Q_OBJECT
private slots:
    void parse_data() {
        QTest::addColumn<QStringList>("args"); // after "template"
        QTest::addColumn<QString>("says");     // part of the error; empty: accepted
        const QStringList user{u"--user"_s, u"管理员"_s};
        QTest::newRow("export") << QStringList{u"--export"_s, u"a.vtpl"_s, u"--template=运单"_s} + user
                                << QString();
        QTest::newRow("import with name and node")
            << QStringList{u"--import=a.vtpl"_s, u"--name"_s, u"新"_s, u"--under"_s, u"快递"_s} + user
            << QString();
        QTest::newRow("neither") << user << u"“--export”或“--import”"_s;
        QTest::newRow("export without template")
            << QStringList{u"--export"_s, u"a.vtpl"_s} + user << u"“--template”指定要导出的模板名称"_s;
        QTest::newRow("no user") << QStringList{u"--import"_s, u"a.vtpl"_s} << u"“--user”"_s;
    }
    void parse() {
        QFETCH(QStringList, args);
        QFETCH(QString, says);
        QVERIFY(app::isCommandLine(QStringList{u"template"_s} + args));
        const app::ParsedCommand c = app::parseCommandLine(QStringList{u"template"_s} + args);
        QVERIFY2((c.kind == app::ParsedCommand::Kind::Template) == says.isEmpty(), qPrintable(c.error));
        QVERIFY2(c.error.contains(says) && (says.isEmpty() || c.error.contains(u"用法：vorlan template"_s)),
                 qPrintable(c.error));
    }

    // Out and in again under a new name below a node, and each refusal with its reason, writing nothing.
    void runs_data() {
        QTest::addColumn<QStringList>("args"); // FILE stands for the exported file
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("says");
        const QStringList admin{u"--user"_s, u"管理员"_s};
        const QStringList in{u"--import"_s, u"FILE"_s};
        QTest::newRow("import under a node")
            << in + QStringList{u"--name"_s, u"运单二"_s, u"--under"_s, u"快递"_s} + admin << 0
            << u"已导入模板“运单二”：1 个输入点"_s;
        QTest::newRow("the file's name is taken") << in + admin << 1 << u"已经有名为“运单”的模板"_s;
        QTest::newRow("a node's name")
            << in + QStringList{u"--name"_s, u"快递"_s} + admin << 1 << u"已经有名为“快递”的模板"_s;
        QTest::newRow("no such node") << in + QStringList{u"--name"_s, u"x"_s, u"--under"_s, u"无"_s} + admin
                                      << 1 << u"模板目录中没有名为“无”的节点"_s;
        QTest::newRow("an ordinary user") << in + QStringList{u"--name"_s, u"x"_s, u"--user"_s, u"小王"_s}
                                          << 1 << u"只有高级用户才能导入模板"_s;
        QTest::newRow("export of no template")
            << QStringList{u"--export"_s, u"FILE"_s, u"--template"_s, u"没有"_s} + admin << 1
            << u"模板“没有”还没有在模板设计中保存过"_s;
        QTest::newRow("export over another file")
            << QStringList{u"--export"_s, u"OTHER"_s, u"--template"_s, u"运单"_s} + admin << 1
            << u"没有覆盖它"_s;
    }
    void runs() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, says);
        test::TestEnv env;
        seed(env);
        const QString file = env.folder() + u"/运单.vtpl"_s;
        const Outcome exported = run(
            {u"--export"_s, file, u"--template"_s, u"运单"_s, u"--user"_s, u"小王"_s}); // any user exports
        QVERIFY2(exported.code == 0 && exported.err.contains(u"已把模板“运单”（1 个输入点）导出到"_s),
                 qPrintable(exported.err));
        const QString other = env.folder() + u"/名单.xlsx"_s;
        QFile f(other);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("keep");
        f.close();
        args.replaceInStrings(u"FILE"_s, file).replaceInStrings(u"OTHER"_s, other);
        const QList<app::CatalogueRow> before = app::CatalogueStore(data::sharedEngine()).load();

        const Outcome o = run(args);
        QVERIFY2(o.code == code && o.err.contains(says), qPrintable(o.err));
        const QList<app::CatalogueRow> after = app::CatalogueStore(data::sharedEngine()).load();
        if (code == 0) {
            QCOMPARE(after.size(), before.size() + 1);
            QCOMPARE(after.last(), (app::CatalogueRow{u"1_"_s, u"3_"_s, u"运单二"_s, 1, 2}));
        } else {
            QCOMPARE(after, before);
        }
        QFile kept(other);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("keep"));
    }

    // The built program: --help describes the command, and an export runs as in-process.
    void program() {
        const QString built = QDir(QCoreApplication::applicationDirPath()).filePath(u"vorlan"_s);
        if (!QFile::exists(built))
            QSKIP("the program vorlan is not built (build the target vorlan)");
        test::TestEnv env;
        seed(env);
        data::closeShared();
        QProcess help;
        help.start(built, {u"--help"_s});
        QVERIFY(help.waitForFinished(60000));
        QVERIFY(
            QString::fromUtf8(help.readAllStandardOutput()).contains(u"vorlan template --import 模板文件"_s));
        const QString file = env.folder() + u"/运单.vtpl"_s;
        QProcess p;
        p.start(built, test::programDatabaseArguments(env.folder()) +
                           QStringList{u"template"_s, u"--export"_s, file, u"--template"_s, u"运单"_s,
                                       u"--user"_s, u"管理员"_s});
        p.write(QByteArray("secret1\n") + test::programServerPasswordLines());
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0,
                 p.readAllStandardError().constData());
        QVERIFY(QFile::exists(file));
    }
};

QTEST_GUILESS_MAIN(TestTemplateCommand)
#include "tst_templatecommand.moc"
