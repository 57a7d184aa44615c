#include "app/BatchCommand.h"

#include "app/CommandOptions.h"

#include "app/AppState.h"
#include "app/FirstUser.h"
#include "app/PdfOutput.h"
#include "customers/SpreadsheetReader.h"
#include "data/Database.h"
#include "data/Sql.h"
#include "data/UseLock.h"
#include "printing/Batch.h"
#include "printing/BoxFill.h"
#include "printing/PrintSettingsStore.h"
#include "printing/SampleData.h"
#include "templates/PointRules.h"
#include "templates/TemplateStore.h"
#include "users/AccountRules.h"
#include "users/PasswordHash.h"
#include "users/PasswordRules.h"
#include "users/UserStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPrinter>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace vorlan::app {

namespace {

const QString kUsage = QStringLiteral(
    "用法：vorlan print --template 模板名称 --data 数据文件 [--sheet 工作表名] [--rows 起始行-结束行] "
    "(--pdf 输出.pdf | --printer 打印机) [--no-log] --user 用户姓名");

// The first user made by the command line gets this number; the user accounts window can change it.
const QString kFirstUserUid = QStringLiteral("00001");

struct Failure {
    int code;
    QString text;
};

} // namespace

bool isCommandLine(const QStringList& args) {
    return !args.isEmpty() &&
           (args.first() == u"print" || args.first() == u"log" || args.first() == u"template" ||
            args.first() == u"reprint" || args.contains(QStringLiteral("--help")) ||
            args.contains(QStringLiteral("-h")));
}

ParsedCommand parseCommandLine(const QStringList& args) {
    ParsedCommand out;
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        out.kind = ParsedCommand::Kind::Help;
        return out;
    }
    auto error = [&](const QString& text) {
        out.kind = ParsedCommand::Kind::Error;
        out.error = text + u'\n' + kUsage;
        return out;
    };
    if (!args.isEmpty() && args.first() == u"log") {
        if (const auto problem = parseLogArguments(args.mid(1), out.log)) {
            out.error = *problem;
            return out;
        }
        out.kind = ParsedCommand::Kind::Log;
        return out;
    }
    if (!args.isEmpty() && args.first() == u"template") {
        if (const auto problem = parseTemplateArguments(args.mid(1), out.tmpl)) {
            out.error = *problem;
            return out;
        }
        out.kind = ParsedCommand::Kind::Template;
        return out;
    }
    if (!args.isEmpty() && args.first() == u"reprint") {
        if (const auto problem = parseReprintArguments(args.mid(1), out.reprint)) {
            out.error = *problem;
            return out;
        }
        out.kind = ParsedCommand::Kind::Reprint;
        return out;
    }
    if (args.isEmpty() || args.first() != u"print") {
        ParsedCommand unknown = error(QStringLiteral("未知的命令“%1”。").arg(args.value(0)));
        unknown.error += u'\n' + logUsage() + u'\n' + templateUsage() + u'\n' + reprintUsage();
        return unknown;
    }
    PrintCommand& c = out.print;
    const auto read =
        readOptions(args, 1,
                    {QStringLiteral("--template"), QStringLiteral("--data"), QStringLiteral("--sheet"),
                     QStringLiteral("--rows"), QStringLiteral("--pdf"), QStringLiteral("--printer"),
                     QStringLiteral("--user")},
                    {QStringLiteral("--no-log")});
    if (const QString* problem = std::get_if<QString>(&read))
        return error(*problem);
    const CommandOptions& given = std::get<CommandOptions>(read);
    c.templateName = given.value(QStringLiteral("--template"));
    c.dataFile = given.value(QStringLiteral("--data"));
    c.sheet = given.value(QStringLiteral("--sheet"));
    c.rows = given.value(QStringLiteral("--rows"));
    c.pdf = given.value(QStringLiteral("--pdf"));
    c.printer = given.value(QStringLiteral("--printer"));
    c.user = given.value(QStringLiteral("--user"));
    c.noLog = given.has(QStringLiteral("--no-log"));
    if (const QString problem = templateOptionProblem(c.templateName); !problem.isEmpty())
        return error(problem);
    if (c.dataFile.trimmed().isEmpty())
        return error(QStringLiteral("请用“--data”指定数据文件（*.xls、*.xlsx或*.csv）。"));
    if (c.pdf.isEmpty() == c.printer.isEmpty())
        return error(QStringLiteral("请用“--pdf”或“--printer”指定输出，两者只能选一个。"));
    if (c.user.trimmed().isEmpty())
        return error(QStringLiteral("请用“--user”指定用户姓名。"));
    if (given.has(QStringLiteral("--rows")) && !printing::parseRowRange(c.rows))
        return error(
            QStringLiteral("“--rows”的值“%1”不是行的范围，应写成如“2-11”（工作表的行号，第1行是列名）。")
                .arg(c.rows));
    out.kind = ParsedCommand::Kind::Print;
    return out;
}

QString helpText() {
    // The second usage line under the first, without its "用法：".
    return kUsage + QStringLiteral("\n      ") + logUsage().mid(3) + QStringLiteral("\n      ") +
           templateUsage().mid(3) + QStringLiteral("\n      ") + reprintUsage().mid(3) + QStringLiteral(R"(

vorlan print 按模板批量打印：数据文件的每一行打印一张，所有各张作为一个打印作业送出，每张一页。

  --template 模板名称   要打印的模板（模板目录中的名称）
  --data 数据文件       *.xls、*.xlsx或*.csv文件（*.csv可以是UTF-8或GBK编码）；
                        第1行是列名，列名与输入点名称相同（不计空格和大小写）的列填入该输入点，
                        没有列填入的输入点打印打开打印窗口时的初始内容（如日期）
  --sheet 工作表名      要读取的工作表，缺省为第一个工作表
  --rows A-B            只打印工作表第A行到第B行（第1行是列名，数据从第2行开始），缺省为全部行
  --pdf 输出.pdf        打印到PDF文件（已有的同名PDF文件被替换；数据文件、数据库文件
                        和其他不是PDF的文件不会被覆盖）
  --printer 打印机      打印到指定的打印机（打印队列名称）
  --no-log              不保存打印记录（缺省时每一张都保存一条打印记录）
  --user 用户姓名       登录的用户；密码从标准输入读取一行，不能写在命令行上

第一次使用（数据库文件还不存在）时，会像第一次启动程序一样建立数据库和示例模板，
并把--user指定的用户和送入的密码设为第一位高级用户。

)") + logHelpText() +
           u'\n' + templateHelpText() + u'\n' + reprintHelpText() + QStringLiteral(R"(
各个命令都接受：
  --database postgresql://用户@服务器:端口/数据库
                        使用服务器上的共享数据库，而不是数据库文件
  --data-dir 文件夹     数据库文件所在的文件夹（窗口程序也接受这个选项）；缺省时安装的程序用每个用户
                        自己的数据文件夹（~/.local/share/Vorlan/Vorlan），编译目录中的程序用它所在的文件夹
  --help                显示本说明
  --version             显示版本号

vorlan print的退出码：0 全部打印完成；1 输入有误（什么也没有打印）；
        2 打印失败（什么也没有打印，也没有保存打印记录）；3 已经打印，但打印记录没有保存。
vorlan log的退出码：0 全部输出完成；1 输入有误、模板不存在、模板没有打印记录表或者标准输出无法写入。
vorlan template的退出码：0 导出或导入完成；1 输入有误、文件有误或名称已被使用（什么也没有写入）。
vorlan reprint的退出码同vorlan print：0 全部重新打印完成；1 输入有误（什么也没有打印）；2 打印失败；
        3 已经重新打印，但打印记录或打印作业没有保存。
不带参数启动时，程序照常打开窗口。
)");
}

namespace {

QString nativeName(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// The companions the engine keeps beside the database (and its use lock): a file there under such a name
// would be taken for the engine's own.
bool isCompanionOf(const QString& path, const QString& database) {
    const QFileInfo file(path), db(database);
    const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
    if (folder.isEmpty() || folder != QFileInfo(db.absolutePath()).canonicalFilePath())
        return false;
    for (const char* suffix : {"-journal", "-wal", "-shm", "-lock"})
        if (file.fileName() == db.fileName() + QLatin1String(suffix))
            return true;
    return false;
}

} // namespace

std::optional<QString> pdfTargetProblem(const QString& pdf, const QString& dataFile,
                                        const QString& database) {
    const QString shown = nativeName(pdf);
    const auto companion = [&] {
        return QStringLiteral(
                   "输出的PDF文件“%1”是本系统数据库的附属文件，会被当作数据库的一部分，请换一个文件名。")
            .arg(shown);
    };
    if (isCompanionOf(pdf, database))
        return companion();
    struct stat st {};
    const QByteArray name = QFile::encodeName(pdf);
    if (::lstat(name.constData(), &st) != 0)
        return std::nullopt; // a new name: its folder is checked when the file is made
    const QFileInfo target(pdf);
    if (S_ISLNK(st.st_mode)) {
        if (::stat(name.constData(), &st) != 0)
            return QStringLiteral("“%1”是指向不存在的文件的链接，不能作为输出的PDF文件。").arg(shown);
        if (isCompanionOf(target.canonicalFilePath(), database))
            return companion();
    }
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("“%1”是文件夹，不能作为输出的PDF文件。").arg(shown);
    // A device, a pipe or a socket is no file to replace: writing its name would remove it.
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("“%1”不是普通文件（而是设备、管道或套接字等），不能作为输出的PDF文件。")
            .arg(shown);
    const auto same = [&](const QString& other) {
        const QFileInfo f(other);
        return f.exists() && f.canonicalFilePath() == target.canonicalFilePath();
    };
    if (same(dataFile))
        return QStringLiteral("输出的PDF文件“%1”就是数据文件，打印会把它覆盖，请换一个文件名。").arg(shown);
    if (same(database))
        return QStringLiteral("输出的PDF文件“%1”就是本系统的数据库文件，打印会把它覆盖，请换一个文件名。")
            .arg(shown);
    if (st.st_size == 0)
        return std::nullopt; // an empty file holds nothing to lose
    QFile file(pdf);
    if (file.open(QIODevice::ReadOnly) && file.read(5) == "%PDF-")
        return std::nullopt;
    return QStringLiteral("文件“%1”已经存在，但不是PDF文件，打印会把它覆盖，请换一个文件名。").arg(shown);
}

QString readPasswordLine(QIODevice& input) {
    return QString::fromUtf8(input.readLine()).trimmed();
}

namespace {
QIODevice* serverPasswordInput = nullptr;
QString serverPasswordLine(const data::ServerAddress&) {
    // Not trimmed: a server password may begin or end with blanks; only the line break goes.
    if (!serverPasswordInput)
        return {};
    QByteArray line = serverPasswordInput->readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}
} // namespace

void takeServerPasswordFrom(QIODevice& input) {
    serverPasswordInput = &input;
    state().environment.serverPassword = &serverPasswordLine;
}

printing::BatchOutcome printWithProgress(QPrinter& printer, const QList<printing::PrintSheet>& sheets,
                                         QIODevice& messages, bool progress) {
    const int total = int(sheets.size());
    const printing::BatchOutcome printed = printing::printBatch(printer, sheets, [&](int done, int) {
        if (progress && (done == total || done % 10 == 1))
            messages.write(QStringLiteral("\r正在打印第%1张，共%2张").arg(done).arg(total).toUtf8());
        return true;
    });
    if (progress)
        messages.write("\n");
    return printed;
}

QString templateOptionProblem(const QString& name) {
    if (name.trimmed().isEmpty())
        return QStringLiteral("请用“--template”指定模板名称。");
    return templates::controlCharacterProblem(name, QStringLiteral("模板名称"));
}

CommandLogin loginCommandUser(const data::Engine& db, const QString& userName, const QString& password,
                              bool makeFirstUser) {
    CommandLogin out;
    const QString name = userName.trimmed();
    if (makeFirstUser) {
        if (password.isEmpty()) {
            out.problem =
                QStringLiteral("这是第一次使用，请从标准输入送入第一位高级用户的密码（不能为空）。");
            return out;
        }
        if (const auto problem = users::checkNewUser(kFirstUserUid, name, password)) {
            out.problem = problem->text;
            return out;
        }
        saveFirstUser(db, kFirstUserUid, name, password);
        out.firstUserMade = true;
    }
    const auto user = users::UserStore(db).findByName(name);
    if (!user)
        out.problem = QStringLiteral("该用户名不存在,或用户密码错误");
    else if (!users::verifyPassword(password, user->passwordHash))
        out.problem = QStringLiteral("用户密码错误!");
    else
        state().userLevel = data::nullToEmpty(user->level);
    return out;
}

int runPrintCommand(const PrintCommand& command, QIODevice& input, QIODevice& messages, bool progress) {
    auto say = [&](const QString& text) {
        messages.write((text + u'\n').toUtf8());
        // An unbuffered stream is there at once; a buffered one is flushed by the caller.
    };
    auto fail = [&](int code, const QString& text) {
        say(text);
        return code;
    };

    const QString password = readPasswordLine(input);
    takeServerPasswordFrom(input);

    // The database at its usual place (or the server's); a new one gets the first-run content as at a
    // first start.
    state().environment.seed = &printing::sample::seedSampleData;
    // Held from here to the log: a compaction meanwhile would leave this connection on a replaced file.
    // A server keeps its own locks.
    const QString job = QStringLiteral("命令行中模板“%1”的批量打印").arg(command.templateName);
    const bool onServer = data::chosenServer().has_value();
    const QString expected = onServer ? QString() : data::databasePath();
    data::UseLock hold = onServer ? data::UseLock() : data::UseLock::forPrinting(expected, job);
    if (hold.refused())
        return fail(kExitBadInput, data::databaseBusyText());
    const data::OpenResult opened = data::openShared();
    if (opened.status != data::OpenStatus::Opened && opened.status != data::OpenStatus::Created)
        return fail(kExitBadInput, opened.message);
    if (!onServer && (!hold.held() || data::shared().databaseName() != expected)) {
        // A first start made the folder just now, or the database is elsewhere.
        hold = data::UseLock::forPrinting(job);
        if (hold.refused())
            return fail(kExitBadInput, data::databaseBusyText());
    }
    state().connectionOpened = true;
    if (opened.readOnly && !command.noLog)
        return fail(kExitBadInput,
                    opened.notice +
                        QStringLiteral("\n打印记录无法保存；如只打印不保存记录，请加上“--no-log”。"));
    const data::Engine db = data::sharedEngine();
    if (!command.pdf.isEmpty())
        if (const auto problem = pdfTargetProblem(command.pdf, command.dataFile, data::databasePath()))
            return fail(kExitBadInput, *problem);
    try {
        const CommandLogin login = loginCommandUser(
            db, command.user, password, opened.status == data::OpenStatus::Created || opened.needsFirstUser);
        if (!login.problem.isEmpty())
            return fail(kExitBadInput, login.problem);
        if (login.firstUserMade)
            say(QStringLiteral("已建立新的数据库，用户“%1”是第一位高级用户。").arg(command.user.trimmed()));

        templates::Template t = templates::TemplateStore(db).load(command.templateName).tmpl;
        if (!t.hasHeader && t.livePointCount() == 0)
            return fail(kExitBadInput, QStringLiteral("模板“%1”不存在！").arg(command.templateName));
        t.name = command.templateName;

        printing::BatchJob job;
        const auto reader = customers::openSpreadsheet(command.dataFile);
        // Only the rows asked for are read: a few rows of a large file cost no more than those.
        const auto asked = command.rows.isEmpty() ? std::nullopt : printing::parseRowRange(command.rows);
        job.data = asked ? printing::readBatchData(*reader, command.sheet, asked->first, asked->second)
                         : printing::readBatchData(*reader, command.sheet);
        job.tmpl = t;
        // The points no column fills print what the print window starts with (dates), as nobody types here.
        job.common = printing::initialTexts(t, QDate::currentDate());
        job.allup = t.allup;
        job.allleft = t.allleft;
        job.settings = printing::PrintSettingsStore(db).load(t.name);
        job.map = printing::mapColumns(job.data.header, printing::batchPoints(t));
        if (!job.map.isEmpty() && std::all_of(job.map.begin(), job.map.end(), [](int c) { return c < 0; }))
            return fail(kExitBadInput,
                        QStringLiteral("数据文件的第1行没有一个列名与模板“%1”的输入点名称相同，无法打印。")
                            .arg(command.templateName));
        if (command.rows.isEmpty()) {
            job.chosen = printing::allRows(job.data);
        } else {
            const auto range = printing::parseRowRange(command.rows);
            job.chosen = printing::rowsInRange(job.data, range->first, range->second);
        }
        const printing::BatchBuild build = printing::buildBatch(job);
        if (!build.ok())
            return fail(kExitBadInput, build.problem);
        // Nobody can be asked here: numbers the file holds only approximately stop the batch.
        if (const QString imprecise = printing::impreciseBatchQuestion(job); !imprecise.isEmpty())
            return fail(kExitBadInput,
                        imprecise.section(u'\n', 0, 0) + QStringLiteral("\n批量打印没有开始。"));

        PdfOutput pdf;
        if (!command.pdf.isEmpty()) {
            if (const auto problem = pdf.open(command.pdf))
                return fail(kExitPrintFailed,
                            *problem + QStringLiteral("批量打印的各张都没有打印，也没有保存打印记录。"));
            state().environment.printer = ui::PrinterTarget::PdfFile;
            state().environment.pdfPath = pdf.path();
        }
        QString problem;
        QString missing;
        const auto printer =
            printing::openBatchPrinter(t.name, command.printer, &problem, job.settings, &missing);
        if (!missing.isEmpty())
            messages.write((missing + u'\n').toUtf8());
        if (!printer)
            return fail(kExitPrintFailed,
                        printing::batchPrinterFailedText() + QStringLiteral("（%1）").arg(problem));
        const int total = int(build.sheets.size());
        const printing::BatchOutcome printed = printWithProgress(*printer, build.sheets, messages, progress);
        if (!printed.ok())
            return fail(kExitPrintFailed,
                        printing::batchPrinterFailedText() + QStringLiteral("（%1）").arg(printed.problem));
        // The file takes its name before anything is logged: a logged sheet is in the PDF.
        if (!command.pdf.isEmpty())
            if (const auto problem = pdf.commit())
                return fail(kExitPrintFailed, *problem + QStringLiteral("没有保存打印记录。"));
        if (!command.noLog)
            if (const printing::LogResult logged = printing::logBatch(build.sheets, printed.job);
                !logged.ok())
                return fail(
                    kExitNotLogged,
                    QStringLiteral("已打印%1张，但打印记录没有保存：%2").arg(total).arg(logged.description));
        say(command.noLog ? QStringLiteral("已打印%1张。").arg(total)
                          : QStringLiteral("已打印%1张，已保存%1条打印记录。").arg(total));
        return kExitPrinted;
    } catch (const customers::SpreadsheetError& e) {
        return fail(kExitBadInput, e.description());
    } catch (const data::DbError& e) {
        return fail(kExitBadInput, e.description());
    }
}

namespace {

QtMessageHandler qtHandler = nullptr;

// What the command line says is its own Chinese sentences; the library's diagnostics (in English, and
// repeating what the sentence says) only when VORLAN_DIAGNOSTICS is set.
void quietDiagnostics(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg || !qEnvironmentVariableIsEmpty("VORLAN_DIAGNOSTICS"))
        qtHandler(type, context, text);
}

} // namespace

int runCommandLine(int argc, char** argv, void (*init)()) {
    // No display is needed: pages are drawn for the printer or a PDF file.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qtHandler = qInstallMessageHandler(quietDiagnostics);
    QGuiApplication app(argc, argv);
    if (init)
        init();
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    QFile err;
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    const ParsedCommand parsed = parseCommandLine(args);
    if (parsed.kind == ParsedCommand::Kind::Help) {
        QFile out;
        out.open(stdout, QIODevice::WriteOnly);
        out.write(helpText().toUtf8());
        return kExitPrinted;
    }
    if (parsed.kind == ParsedCommand::Kind::Error) {
        err.write((parsed.error + u'\n').toUtf8());
        return kExitBadInput;
    }
    QFile in;
    in.open(stdin, QIODevice::ReadOnly);
    int code = kExitBadInput;
    if (parsed.kind == ParsedCommand::Kind::Log) {
        QFile out;
        out.open(stdout, QIODevice::WriteOnly);
        code = runLogCommand(parsed.log, in, out, err);
    } else if (parsed.kind == ParsedCommand::Kind::Template) {
        code = runTemplateCommand(parsed.tmpl, in, err);
    } else if (parsed.kind == ParsedCommand::Kind::Reprint) {
        code = runReprintCommand(parsed.reprint, in, err, isatty(STDERR_FILENO) != 0);
    } else {
        code = runPrintCommand(parsed.print, in, err, isatty(STDERR_FILENO) != 0);
    }
    data::closeShared();
    return code;
}

} // namespace vorlan::app
