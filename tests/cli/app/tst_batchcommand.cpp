// The command line: its arguments, and the built program run as a user runs it, in a folder of its own
// (the database lives beside the program), with the password on standard input.
#include "PrintProbe.h"
#include "app/BatchCommand.h"
#include "printing/SampleData.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

using namespace vorlan;
using namespace Qt::StringLiterals;
using app::ParsedCommand;

namespace {

struct Run {
    int code = -1;
    QString err;
};

} // namespace

class TestBatchCommand : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    QString program_;

    QString file(const QString& name) const { return QDir(dir_.path()).filePath(name); }
    void write(const QString& name, const QByteArray& bytes) {
        QFile f(file(name));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QByteArray contents(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    Run run(const QStringList& args, const QByteArray& stdinText) {
        QProcess p;
        p.setWorkingDirectory(dir_.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM")); // the command line needs no display of its own
        p.setProcessEnvironment(env);
        p.start(program_, args);
        p.write(stdinText);
        p.closeWriteChannel();
        Run r;
        if (!p.waitForFinished(120000))
            return r;
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
    int logRows() {
        int n = -1;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("probe"));
            db.setDatabaseName(file(QStringLiteral("RavIZ.mdb")));
            if (db.open()) {
                QSqlQuery q(db);
                if (q.exec(
                        QStringLiteral("SELECT count(*) FROM \"%1\"").arg(printing::sample::kTemplateName)) &&
                    q.next())
                    n = q.value(0).toInt();
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("probe"));
        return n;
    }
    QStringList printArgs(const QString& data, const QString& pdf) {
        return {QStringLiteral("print"),
                QStringLiteral("--template"),
                printing::sample::kTemplateName,
                QStringLiteral("--data"),
                data,
                QStringLiteral("--pdf"),
                pdf,
                QStringLiteral("--user"),
                QStringLiteral("管理员")};
    }

private slots:
    void parse_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("says"); // part of the error, or of a field of the command
        const QStringList base{u"print"_s, u"--template"_s, u"运单"_s, u"--data"_s,
                               u"a.csv"_s, u"--user"_s,     u"张三"_s};
        QTest::newRow("pdf") << (base + QStringList{u"--pdf"_s, u"o.pdf"_s})
                             << int(ParsedCommand::Kind::Print) << "o.pdf";
        QTest::newRow("printer and options") << (base + QStringList{u"--printer=q1"_s, u"--rows"_s, u"2-5"_s,
                                                                    u"--sheet"_s, u"S"_s, u"--no-log"_s})
                                             << int(ParsedCommand::Kind::Print) << "q1";
        QTest::newRow("help") << QStringList{u"print"_s, u"--help"_s} << int(ParsedCommand::Kind::Help) << "";
        QTest::newRow("no output") << base << int(ParsedCommand::Kind::Error) << "“--pdf”或“--printer”";
        QTest::newRow("both outputs") << (base + QStringList{u"--pdf"_s, u"o.pdf"_s, u"--printer"_s, u"q"_s})
                                      << int(ParsedCommand::Kind::Error) << "只能选一个";
        QTest::newRow("password on the line")
            << (base + QStringList{u"--pdf"_s, u"o"_s, u"--password"_s, u"x"_s})
            << int(ParsedCommand::Kind::Error) << "密码不能写在命令行上";
        QTest::newRow("bad range") << (base + QStringList{u"--pdf"_s, u"o"_s, u"--rows"_s, u"5-2"_s})
                                   << int(ParsedCommand::Kind::Error) << "不是行的范围";
        QTest::newRow("missing value")
            << (base + QStringList{u"--pdf"_s}) << int(ParsedCommand::Kind::Error) << "缺少值";
        QTest::newRow("unknown option") << (base + QStringList{u"--pdf"_s, u"o"_s, u"--colour"_s})
                                        << int(ParsedCommand::Kind::Error) << "未知的选项";
        QTest::newRow("twice") << (base + QStringList{u"--pdf"_s, u"o"_s, u"--user"_s, u"x"_s})
                               << int(ParsedCommand::Kind::Error) << "重复";
        QTest::newRow("no template") << QStringList{u"print"_s, u"--data"_s, u"a"_s, u"--pdf"_s,
                                                    u"o"_s,     u"--user"_s, u"u"_s}
                                     << int(ParsedCommand::Kind::Error) << "--template";
        QTest::newRow("NUL in the template")
            << QStringList{u"print"_s, u"--template"_s, u"运\0单"_s, u"--data"_s, u"a"_s,
                           u"--pdf"_s, u"o"_s,          u"--user"_s, u"u"_s}
            << int(ParsedCommand::Kind::Error) << "控制字符（代码U+0000）";
    }
    void parse() {
        QFETCH(QStringList, args);
        QFETCH(int, kind);
        QFETCH(QString, says);
        const ParsedCommand c = app::parseCommandLine(args);
        QCOMPARE(int(c.kind), kind);
        if (c.kind == ParsedCommand::Kind::Error)
            QVERIFY2(c.error.contains(says), qPrintable(c.error));
        if (c.kind == ParsedCommand::Kind::Print)
            QVERIFY(c.print.pdf == says || c.print.printer == says);
    }

    // The PDF may take the place of nothing but a PDF: never the data, the database or another file.
    void pdfTarget_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("says"); // empty: accepted
        QTest::newRow("new file") << "new.pdf"
                                  << "";
        QTest::newRow("earlier PDF") << "old.pdf"
                                     << "";
        QTest::newRow("empty file") << "empty.pdf"
                                    << "";
        QTest::newRow("the data file") << "data.csv"
                                       << "就是数据文件";
        QTest::newRow("the database") << "RavIZ.mdb"
                                      << "就是本系统的数据库文件";
        QTest::newRow("a link to the data") << "link.pdf"
                                            << "就是数据文件";
        QTest::newRow("another spreadsheet") << "other.xlsx"
                                             << "不是PDF文件";
        QTest::newRow("a folder") << "folder"
                                  << "是文件夹";
        // Writing over these would remove them (/dev/null itself, as root), or give the engine a file for
        // its own.
        QTest::newRow("a device") << "/dev/null"
                                  << "不是普通文件";
        QTest::newRow("a copy of a device") << "null"
                                            << "不是普通文件";
        QTest::newRow("a pipe") << "fifo"
                                << "不是普通文件";
        QTest::newRow("a socket") << "socket"
                                  << "不是普通文件";
        QTest::newRow("a link to a device") << "devlink.pdf"
                                            << "不是普通文件";
        QTest::newRow("a dangling link") << "dangling.pdf"
                                         << "不存在的文件";
        for (const char* companion : {"RavIZ.mdb-journal", "RavIZ.mdb-wal", "RavIZ.mdb-shm"})
            QTest::newRow(companion) << companion << "附属文件";
        QTest::newRow("a link to the journal") << "journal.pdf"
                                               << "附属文件";
    }
    void pdfTarget() {
        QFETCH(QString, name);
        QFETCH(QString, says);
        QTemporaryDir dir;
        const auto at = [&](const QString& n) { return QDir(dir.path()).filePath(n); };
        const QList<QPair<QString, QByteArray>> files{
            {u"old.pdf"_s, "%PDF-1.4\n"},        {u"empty.pdf"_s, ""},    {u"data.csv"_s, "收件人\n张三\n"},
            {u"RavIZ.mdb"_s, "SQLite format 3"}, {u"other.xlsx"_s, "PK"}, {u"RavIZ.mdb-shm"_s, ""}};
        for (const auto& [n, bytes] : files) {
            QFile f(at(n));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        QVERIFY(QFile::link(at(u"data.csv"_s), at(u"link.pdf"_s)));
        QVERIFY(QDir(dir.path()).mkdir(u"folder"_s));
        QVERIFY(QFile::link(u"/dev/null"_s, at(u"devlink.pdf"_s)));
        QVERIFY(QFile::link(at(u"gone"_s), at(u"dangling.pdf"_s)));
        QVERIFY(QFile::link(at(u"RavIZ.mdb-shm"_s), at(u"journal.pdf"_s)));
        QVERIFY(::mkfifo(QFile::encodeName(at(u"fifo"_s)).constData(), 0600) == 0);
        if (name == u"null" &&
            ::mknod(QFile::encodeName(at(name)).constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            QSKIP("no device node can be made here (not root, or not allowed)");
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray socketPath = QFile::encodeName(at(u"socket"_s));
        std::memcpy(address.sun_path, socketPath.constData(),
                    std::min(socketPath.size(), qsizetype(sizeof address.sun_path - 1)));
        const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(sock >= 0 && ::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
        ::close(sock);
        const auto problem = app::pdfTargetProblem(name.startsWith(u'/') ? name : at(name), at(u"data.csv"_s),
                                                   at(u"RavIZ.mdb"_s));
        if (says.isEmpty())
            QVERIFY2(!problem, qPrintable(problem.value_or(QString())));
        else
            QVERIFY2(problem && problem->contains(says), qPrintable(problem.value_or(u"accepted"_s)));
    }

    void whichRun() {
        QVERIFY(!app::isCommandLine({}));
        QVERIFY(app::isCommandLine({QStringLiteral("--help")}));
        QVERIFY(app::isCommandLine({QStringLiteral("print")}));
        QVERIFY(!app::isCommandLine({QStringLiteral("-platform"), QStringLiteral("xcb")}));
    }

    // The program itself: first start, printing, refusals and exit codes, in order on one data folder.
    void program() {
        const QString built = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vorlan"));
        if (!QFile::exists(built))
            QSKIP("the program vorlan is not built (build the target vorlan)");
        if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
            QSKIP("poppler-utils (pdfinfo) are not installed");
        program_ = file(QStringLiteral("vorlan"));
        QVERIFY(QFile::copy(built, program_));

        const Run help = run({QStringLiteral("--help")}, {});
        QCOMPARE(help.code, 0);

        write(QStringLiteral("d.csv"),
              "收件人,收件电话,金额大写\n张三,13800000001,100\n李四,13800000002,20.5\n王五,3,1\n");
        // First start: the database is created with the sample template; the user becomes its first user.
        Run r = run(printArgs(QStringLiteral("d.csv"), QStringLiteral("a.pdf")), "secret1\n");
        QVERIFY2(r.code == app::kExitPrinted, qPrintable(r.err));
        QVERIFY(QFile::exists(file(QStringLiteral("RavIZ.mdb"))));
        QVERIFY(r.err.contains(QStringLiteral("第一位高级用户")));
        QCOMPARE(probe::pdfPages(file(QStringLiteral("a.pdf"))), 3);
        QCOMPARE(logRows(), 3);

        // A wrong password: refused, nothing printed.
        r = run(printArgs(QStringLiteral("d.csv"), QStringLiteral("b.pdf")), "secret2\n");
        QCOMPARE(r.code, app::kExitBadInput);
        QVERIFY2(r.err.contains(QStringLiteral("密码错误")), qPrintable(r.err));
        QVERIFY(!QFile::exists(file(QStringLiteral("b.pdf"))));
        r = run(printArgs(QStringLiteral("d.csv"), QStringLiteral("b.pdf")), "");
        QCOMPARE(r.code, app::kExitBadInput);

        // A range, without logging, from a .csv in GBK.
        QStringEncoder gb("GB18030");
        if (gb.isValid()) {
            write(QStringLiteral("gbk.csv"), gb(QStringLiteral("收件人,收件电话\n赵六,1\n钱七,2\n孙八,3\n")));
            r = run(
                printArgs(QStringLiteral("gbk.csv"), QStringLiteral("c.pdf")) +
                    QStringList{QStringLiteral("--rows"), QStringLiteral("3-4"), QStringLiteral("--no-log")},
                "secret1\n");
            QVERIFY2(r.code == app::kExitPrinted, qPrintable(r.err));
            QCOMPARE(probe::pdfPages(file(QStringLiteral("c.pdf"))), 2);
            QCOMPARE(logRows(), 3);
            QProcess text;
            text.start(QStringLiteral("pdftotext"), {file(QStringLiteral("c.pdf")), QStringLiteral("-")});
            QVERIFY(text.waitForFinished(30000));
            const QString printed = QString::fromUtf8(text.readAllStandardOutput()).remove(u' ');
            QVERIFY2(printed.contains(QStringLiteral("钱七")) && printed.contains(QStringLiteral("孙八")) &&
                         !printed.contains(QStringLiteral("赵六")),
                     qPrintable(printed));
        }

        // Bad input of every kind: exit 1, nothing printed, nothing logged.
        write(QStringLiteral("bad.csv"), "收件人,金额大写\n甲,5\n乙,十元\n");
        write(QStringLiteral("broken.xlsx"), "not a workbook");
        write(QStringLiteral("empty.xls"), "");
        // The sample's 单号 prints as Code 128, which takes no Chinese.
        write(QStringLiteral("number.csv"), "收件人,单号\n甲,SF1\n乙,SF单号\n");
        const QList<QPair<QStringList, QString>> refusals{
            {printArgs(QStringLiteral("number.csv"), QStringLiteral("x.pdf")),
             QStringLiteral("第2张（第3行，“单号”列）：输入点“单号”无法打印：Code 128条码")},
            {printArgs(QStringLiteral("bad.csv"), QStringLiteral("x.pdf")),
             QStringLiteral("第3行“金额大写”列")},
            {printArgs(QStringLiteral("broken.xlsx"), QStringLiteral("x.pdf")),
             QStringLiteral("broken.xlsx")},
            {printArgs(QStringLiteral("empty.xls"), QStringLiteral("x.pdf")), QStringLiteral("empty.xls")},
            {printArgs(QStringLiteral("nothing.csv"), QStringLiteral("x.pdf")), QStringLiteral("找不到文件")},
            {printArgs(QStringLiteral("d.csv"), QStringLiteral("x.pdf")) +
                 QStringList{QStringLiteral("--rows"), QStringLiteral("50-60")},
             QStringLiteral("没有选中要打印的行")},
            {QStringList{QStringLiteral("print"), QStringLiteral("--template"), QStringLiteral("没有"),
                         QStringLiteral("--data"), QStringLiteral("d.csv"), QStringLiteral("--pdf"),
                         QStringLiteral("x.pdf"), QStringLiteral("--user"), QStringLiteral("管理员")},
             QStringLiteral("模板“没有”不存在")},
            {QStringList{QStringLiteral("print"), QStringLiteral("--template")}, QStringLiteral("缺少值")},
            // The output may not take the place of the data or of the database.
            {printArgs(QStringLiteral("d.csv"), QStringLiteral("d.csv")), QStringLiteral("就是数据文件")},
            {printArgs(QStringLiteral("d.csv"), QStringLiteral("RavIZ.mdb")),
             QStringLiteral("就是本系统的数据库文件")},
        };
        const QByteArray data = contents(file(QStringLiteral("d.csv")));
        for (const auto& [args, says] : refusals) {
            r = run(args, "secret1\n");
            QVERIFY2(r.code == app::kExitBadInput, qPrintable(args.join(u' ') + u'\n' + r.err));
            QVERIFY2(r.err.contains(says), qPrintable(r.err));
            QVERIFY(!QFile::exists(file(QStringLiteral("x.pdf"))));
        }
        QCOMPARE(logRows(), 3);
        QCOMPARE(contents(file(QStringLiteral("d.csv"))), data);

        // A printer that does not take the job: exit 2, nothing logged.
        r = run(printArgs(QStringLiteral("d.csv"), file(QStringLiteral("no/folder/y.pdf"))), "secret1\n");
        QVERIFY2(r.code == app::kExitPrintFailed, qPrintable(r.err));
        // The folder is named, and why: no printer is at fault.
        QVERIFY2(r.err.contains(QDir::toNativeSeparators(file(QStringLiteral("no/folder")))) &&
                     r.err.contains(QStringLiteral("不存在")) && !r.err.contains(QStringLiteral("打印机")),
                 qPrintable(r.err));
        QStringList queue = printArgs(QStringLiteral("d.csv"), QString()).mid(0, 5);
        queue << QStringLiteral("--printer") << QStringLiteral("no-such-queue-here")
              << QStringLiteral("--user") << QStringLiteral("管理员");
        r = run(queue, "secret1\n");
        QCOMPARE(r.code, app::kExitPrintFailed);
        QCOMPARE(logRows(), 3);

        // Two jobs for one PDF at once: each writes a file of its own, one takes the name, both log every
        // sheet, and a file of the same name with ".part" that neither wrote stays.
        QByteArray rows = "收件人,金额大写\n";
        for (int i = 1; i <= 150; ++i)
            rows += QByteArray("收件人") + QByteArray::number(i) + ",1\n";
        write(QStringLiteral("many.csv"), rows);
        write(QStringLiteral("out.pdf.part"), "not the printer's");
        QList<QProcess*> jobs;
        for (int i = 0; i < 2; ++i) {
            auto* p = new QProcess(this);
            p->setWorkingDirectory(dir_.path());
            p->start(program_, printArgs(QStringLiteral("many.csv"), QStringLiteral("out.pdf")));
            p->write("secret1\n");
            p->closeWriteChannel();
            jobs << p;
        }
        for (QProcess* p : jobs) {
            QVERIFY(p->waitForFinished(120000));
            QVERIFY2(p->exitCode() == app::kExitPrinted, p->readAllStandardError().constData());
            delete p;
        }
        QCOMPARE(probe::pdfPages(file(QStringLiteral("out.pdf"))), 150);
        QCOMPARE(contents(file(QStringLiteral("out.pdf.part"))), QByteArray("not the printer's"));
        QCOMPARE(QDir(dir_.path()).entryList({QStringLiteral(".out.pdf*")}, QDir::Files | QDir::Hidden),
                 QStringList());
        QCOMPARE(logRows(), 303);
    }
};

QTEST_GUILESS_MAIN(TestBatchCommand)
#include "tst_batchcommand.moc"
