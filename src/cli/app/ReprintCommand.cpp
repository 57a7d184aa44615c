#include "app/ReprintCommand.h"

#include "app/AppState.h"
#include "app/BatchCommand.h"
#include "app/CommandOptions.h"
#include "app/LogCommand.h"
#include "app/PdfOutput.h"
#include "data/Database.h"
#include "data/PostgresEngine.h"
#include "data/Sql.h"
#include "data/UseLock.h"
#include "printing/Reprint.h"
#include "templates/PointRules.h"
#include "templates/PrintLogStore.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QRegularExpression>

namespace vorlan::app {

namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd");
const QDate kLastDay(9999, 12, 31);

// A day as the user writes it, exactly yyyy-mm-dd; nothing for any other text.
QDate dayOf(const QString& text) {
    const QDate d = QDate::fromString(text, kDateFormat);
    return d.isValid() && d.toString(kDateFormat) == text ? d : QDate();
}

// "12,13,20" (commas, full-width ones or blanks between): the numbers, each once, in the order given;
// nothing when a part is not a record number.
std::optional<QList<qint64>> idsOf(const QString& text) {
    static const QRegularExpression between(QStringLiteral("[,，\\s]+"));
    QList<qint64> ids;
    const QStringList parts = text.split(between, Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return std::nullopt;
    for (const QString& p : parts) {
        bool ok = false;
        const qint64 id = p.toLongLong(&ok);
        if (!ok || id <= 0 || p.startsWith(u'+'))
            return std::nullopt;
        if (!ids.contains(id))
            ids << id;
    }
    return ids;
}

} // namespace

QString reprintUsage() {
    return QStringLiteral(
        "用法：vorlan reprint --template 模板名称 (--ids 记录号,... | --from 年-月-日 [--to 年-月-日]) "
        "[--pdf 输出.pdf | --printer 打印机] [--log] --user 用户姓名");
}

QString reprintHelpText() {
    return QStringLiteral(
        R"(vorlan reprint 重新打印已经记录的各张：每张的内容取自它的打印记录，按模板现在的输入点位置、
纸张和整体偏移打印，所有各张作为一个打印作业送出，每张一页（与数据查询窗口的“重新打印”相同）。
打印记录中已经没有对应输入点的列会被指出，不再打印。

  --template 模板名称   要重新打印的模板
  --ids 记录号,...      要重新打印的各张的记录号，如12,13,20（vorlan log --ids 输出记录号）
  --from 年-月-日       或者：重新打印这一天（含）以后打印的各张
  --to 年-月-日         与--from一起：只到这一天（含）为止；缺省为到最后一张
  --pdf 输出.pdf        打印到PDF文件（规则同vorlan print）
  --printer 打印机      打印到指定的打印机；两者都不指定时用模板设定的打印机
  --log                 重新打印的各张另外记入打印记录（缺省不增加打印记录，
                        因为各张在第一次打印时已经记录）
  --user 用户姓名       登录的用户；密码从标准输入读取一行，不能写在命令行上
重新打印的打印作业记在原来的各张上，数据查询窗口的“打印状态”列显示它的结果。
)");
}

std::optional<QString> parseReprintArguments(const QStringList& args, ReprintCommand& command) {
    auto error = [](const QString& text) { return std::optional<QString>(text + u'\n' + reprintUsage()); };
    const auto read = readOptions(args, 0,
                                  {QStringLiteral("--template"), QStringLiteral("--ids"),
                                   QStringLiteral("--from"), QStringLiteral("--to"), QStringLiteral("--pdf"),
                                   QStringLiteral("--printer"), QStringLiteral("--user")},
                                  {QStringLiteral("--log")});
    if (const QString* problem = std::get_if<QString>(&read))
        return error(*problem);
    const CommandOptions& given = std::get<CommandOptions>(read);
    command.templateName = given.value(QStringLiteral("--template"));
    command.pdf = given.value(QStringLiteral("--pdf"));
    command.printer = given.value(QStringLiteral("--printer"));
    command.user = given.value(QStringLiteral("--user"));
    command.log = given.has(QStringLiteral("--log"));
    const QString ids = given.value(QStringLiteral("--ids")), from = given.value(QStringLiteral("--from")),
                  to = given.value(QStringLiteral("--to"));
    if (const QString problem = templateOptionProblem(command.templateName); !problem.isEmpty())
        return error(problem);
    const bool byIds = given.has(QStringLiteral("--ids"));
    if (byIds == given.has(QStringLiteral("--from")))
        return error(QStringLiteral(
            "请用“--ids”指定要重新打印的记录号，或用“--from”指定打印的日期，两者只能选一个。"));
    if (byIds && given.has(QStringLiteral("--to")))
        return error(QStringLiteral("“--to”只能与“--from”一起使用。"));
    if (byIds) {
        const auto parsed = idsOf(ids);
        if (!parsed)
            return error(QStringLiteral("“--ids”的值“%1”不是记录号的列表，应写成如“12,13,20”。").arg(ids));
        command.ids = *parsed;
    } else {
        command.from = dayOf(from);
        if (!command.from.isValid())
            return error(
                QStringLiteral("“--from”的值“%1”不是日期，应写成年-月-日，如2024-03-01。").arg(from));
        if (given.has(QStringLiteral("--to"))) {
            command.to = dayOf(to);
            if (!command.to.isValid())
                return error(
                    QStringLiteral("“--to”的值“%1”不是日期，应写成年-月-日，如2024-03-01。").arg(to));
            if (command.from > command.to)
                return error(
                    QStringLiteral("起始日期%1在结束日期%2之后，没有这样的打印记录。").arg(from, to));
        }
    }
    if (!command.pdf.isEmpty() && !command.printer.isEmpty())
        return error(QStringLiteral("“--pdf”和“--printer”只能选一个。"));
    if (given.has(QStringLiteral("--pdf")) && command.pdf.trimmed().isEmpty())
        return error(QStringLiteral("请在“--pdf”后写上PDF文件名。"));
    if (command.user.trimmed().isEmpty())
        return error(QStringLiteral("请用“--user”指定用户姓名。"));
    return std::nullopt;
}

int runReprintCommand(const ReprintCommand& command, QIODevice& input, QIODevice& messages, bool progress) {
    auto say = [&](const QString& text) { messages.write((text + u'\n').toUtf8()); };
    auto fail = [&](int code, const QString& text) {
        say(text);
        return code;
    };
    const QString password = readPasswordLine(input);
    takeServerPasswordFrom(input);

    // Only sheets logged before can be printed again: without a database there are none, and none is
    // made. A file is held to the end: a compaction meanwhile would leave this connection on a replaced one.
    data::OpenResult opened;
    data::UseLock hold;
    if (const QString problem =
            openLoggedDatabase(QStringLiteral("重新打印"), opened, &hold,
                               QStringLiteral("命令行中模板“%1”的重新打印").arg(command.templateName));
        !problem.isEmpty())
        return fail(kExitBadInput, problem);
    state().connectionOpened = true;
    if (opened.readOnly)
        return fail(kExitBadInput,
                    opened.notice + QStringLiteral("\n重新打印的打印作业无法记录，没有重新打印。"));
    const data::Engine db = data::sharedEngine();
    if (!command.pdf.isEmpty())
        if (const auto problem = pdfTargetProblem(command.pdf, QString(), data::databasePath()))
            return fail(kExitBadInput, *problem);
    try {
        if (const CommandLogin login = loginCommandUser(db, command.user, password, false);
            !login.problem.isEmpty())
            return fail(kExitBadInput, login.problem);
        QString problem;
        std::optional<printing::ReprintJob> job = printing::loadReprint(db, command.templateName, &problem);
        if (!job)
            return fail(kExitBadInput, problem);
        const templates::PrintLogStore logs(db);
        if (!command.ids.isEmpty()) {
            QSqlQuery q = logs.queryKeys(job->table, command.ids);
            job->sheets = printing::readLoggedSheets(q, job->table);
            QStringList missing;
            for (const qint64 id : command.ids)
                if (std::none_of(job->sheets.cbegin(), job->sheets.cend(),
                                 [id](const printing::LoggedSheet& s) { return s.id == id; }))
                    missing << QString::number(id);
            if (!missing.isEmpty())
                return fail(kExitBadInput, QStringLiteral("模板“%1”的打印记录中没有记录号%2，没有重新打印。")
                                               .arg(command.templateName, missing.join(u'、')));
        } else {
            templates::LogCriteria days;
            days.start = command.from;
            days.end = command.to.isValid() ? command.to : kLastDay;
            QSqlQuery q = logs.query(job->table, days);
            job->sheets = printing::readLoggedSheets(q, job->table);
            if (job->sheets.isEmpty())
                return fail(kExitBadInput,
                            QStringLiteral("模板“%1”在%2%3没有打印记录，没有重新打印。")
                                .arg(command.templateName, command.from.toString(kDateFormat),
                                     command.to.isValid()
                                         ? QStringLiteral("到") + command.to.toString(kDateFormat)
                                         : QStringLiteral("以后")));
        }
        if (const QString notice = printing::reprintMappingNotice(job->tmpl.name, job->mapping);
            !notice.isEmpty())
            say(notice);
        const printing::BatchBuild build = printing::buildReprint(*job);
        if (!build.ok())
            return fail(kExitBadInput, build.problem);

        PdfOutput pdf;
        if (!command.pdf.isEmpty()) {
            if (const auto problem = pdf.open(command.pdf))
                return fail(kExitPrintFailed, *problem + QStringLiteral("没有重新打印。"));
            state().environment.printer = ui::PrinterTarget::PdfFile;
            state().environment.pdfPath = pdf.path();
        }
        QString missing;
        const auto printer =
            printing::openBatchPrinter(job->tmpl.name, command.printer, &problem, job->settings, &missing);
        if (!missing.isEmpty())
            say(missing);
        if (!printer)
            return fail(kExitPrintFailed,
                        QStringLiteral("打印机未准备好或有故障!没有重新打印。（%1）").arg(problem));
        const int total = int(build.sheets.size());
        const printing::BatchOutcome printed = printWithProgress(*printer, build.sheets, messages, progress);
        if (!printed.ok())
            return fail(kExitPrintFailed,
                        QStringLiteral("打印机未准备好或有故障!没有重新打印。（%1）").arg(printed.problem));
        if (!command.pdf.isEmpty())
            if (const auto problem = pdf.commit())
                return fail(kExitPrintFailed, *problem + QStringLiteral("没有记录重新打印。"));
        const printing::ReprintRun run = printing::keepReprint(*job, build.sheets, printed, command.log);
        if (run.logged && !run.logged->ok())
            return fail(kExitNotLogged, QStringLiteral("已重新打印%1张，但打印记录没有保存：%2")
                                            .arg(total)
                                            .arg(run.logged->description));
        say(printing::reprintDoneText(run, total));
        return run.jobNotKept.isEmpty() ? kExitPrinted : kExitNotLogged;
    } catch (const data::DbError& e) {
        return fail(kExitBadInput, e.description());
    }
}

} // namespace vorlan::app
