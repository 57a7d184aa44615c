#include "app/LogCommand.h"

#include "data/PostgresEngine.h"

#include "app/AppState.h"
#include "app/BatchCommand.h"
#include "app/CommandOptions.h"
#include "data/Database.h"
#include "data/Sql.h"
#include "history/HistoryModel.h"
#include "history/LogExport.h"
#include "templates/PointRules.h"
#include "templates/PrintLogStore.h"
#include "templates/TemplateStore.h"

#include <QDir>
#include <QFileDevice>
#include <QFileInfo>
#include <QSqlError>

namespace vorlan::app {

namespace {

// The whole range of days a date text can name: no sheet is left out by it.
const QDate kFirstDay(1, 1, 1);
const QDate kLastDay(9999, 12, 31);

const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

// A day as the user writes it, exactly yyyy-mm-dd; nothing for any other text.
QDate dayOf(const QString& text) {
    const QDate d = QDate::fromString(text, kDateFormat);
    return d.isValid() && d.toString(kDateFormat) == text ? d : QDate();
}

} // namespace

QString logUsage() {
    return QStringLiteral(
        "用法：vorlan log --template 模板名称 [--from 年-月-日] [--to 年-月-日] [--ids] --user 用户姓名");
}

QString logHelpText() {
    return QStringLiteral(
        R"(vorlan log 输出模板的打印记录：按CSV格式（UTF-8编码，每行以CR LF结束）写到标准输出，
从最早打印的一张开始，每张一行；第一行是列名：打印日期，然后是各输入点的名称。

  --template 模板名称   要输出打印记录的模板
  --from 年-月-日       只输出这一天（含）以后打印的，如2024-03-01；缺省为从第一张开始
  --to 年-月-日         只输出这一天（含）以前打印的；缺省为到最后一张
  --ids                 第一列为各张的记录号（vorlan reprint --ids 用它选择要重新打印的各张）
  --user 用户姓名       登录的用户；密码从标准输入读取一行，不能写在命令行上
)");
}

std::optional<QString> parseLogArguments(const QStringList& args, LogCommand& command) {
    auto error = [](const QString& text) { return std::optional<QString>(text + u'\n' + logUsage()); };
    const auto read = readOptions(args, 0,
                                  {QStringLiteral("--template"), QStringLiteral("--from"),
                                   QStringLiteral("--to"), QStringLiteral("--user")},
                                  {QStringLiteral("--ids")});
    if (const QString* problem = std::get_if<QString>(&read))
        return error(*problem);
    const CommandOptions& given = std::get<CommandOptions>(read);
    command.templateName = given.value(QStringLiteral("--template"));
    command.user = given.value(QStringLiteral("--user"));
    command.ids = given.has(QStringLiteral("--ids"));
    const QString from = given.value(QStringLiteral("--from")), to = given.value(QStringLiteral("--to"));
    if (const QString problem = templateOptionProblem(command.templateName); !problem.isEmpty())
        return error(problem);
    if (command.user.trimmed().isEmpty())
        return error(QStringLiteral("请用“--user”指定用户姓名。"));
    const auto day = [&](const QString& option, const QString& text, QDate& into) -> std::optional<QString> {
        if (!given.has(option))
            return std::nullopt;
        into = dayOf(text);
        if (!into.isValid())
            return error(
                QStringLiteral("“%1”的值“%2”不是日期，应写成年-月-日，如2024-03-01。").arg(option, text));
        return std::nullopt;
    };
    if (const auto problem = day(QStringLiteral("--from"), from, command.from))
        return problem;
    if (const auto problem = day(QStringLiteral("--to"), to, command.to))
        return problem;
    if (command.from.isValid() && command.to.isValid() && command.from > command.to)
        return error(QStringLiteral("起始日期%1在结束日期%2之后，没有这样的打印记录。").arg(from, to));
    return std::nullopt;
}

QString openLoggedDatabase(const QString& nothingTo, data::OpenResult& opened, data::UseLock* hold,
                           const QString& holdFor) {
    const QString nothing = QStringLiteral("没有打印记录可以") + nothingTo + QStringLiteral("。");
    if (auto server = data::chosenServer()) {
        data::postgres::Probe p = data::postgres::probe(*server);
        if (!p.ok && p.kind == data::postgres::ServerError::Kind::PasswordNeeded) {
            server->password = state().environment.serverPassword(*server);
            p = data::postgres::probe(*server);
        }
        if (!p.ok)
            return p.message;
        if (p.empty)
            return QStringLiteral("%1是空的，").arg(data::shownServer(*server)) + nothing;
        opened = data::openServer(*server);
    } else {
        const QString path = data::databasePath();
        if (!QFileInfo::exists(path))
            return QStringLiteral("数据库文件“%1”不存在，").arg(QDir::toNativeSeparators(path)) + nothing;
        if (hold) {
            *hold = data::UseLock::forPrinting(path, holdFor);
            if (hold->refused())
                return data::databaseBusyText();
        }
        opened = data::openShared(path);
    }
    return opened.status == data::OpenStatus::Opened ? QString() : opened.message;
}

int runLogCommand(const LogCommand& command, QIODevice& input, QIODevice& output, QIODevice& messages) {
    auto fail = [&](const QString& text) {
        messages.write((text + u'\n').toUtf8());
        return kExitBadInput;
    };
    const QString password = readPasswordLine(input);
    takeServerPasswordFrom(input);

    // Reading the log makes no database: without one there is nothing logged.
    data::OpenResult opened;
    if (const QString problem = openLoggedDatabase(QStringLiteral("输出"), opened); !problem.isEmpty())
        return fail(problem);
    state().connectionOpened = true;
    const data::Engine db = data::sharedEngine();
    try {
        if (const CommandLogin login = loginCommandUser(db, command.user, password, false);
            !login.problem.isEmpty())
            return fail(login.problem);

        const templates::PrintLogStore store(db);
        const auto table = store.find(command.templateName);
        if (!table) {
            const templates::Template t = templates::TemplateStore(db).load(command.templateName).tmpl;
            if (!t.hasHeader && t.livePointCount() == 0)
                return fail(QStringLiteral("模板“%1”不存在！").arg(command.templateName));
            return fail(
                QStringLiteral("模板“%1”还没有打印记录表，没有打印记录可以输出。请先在模板设计中保存该模板。")
                    .arg(command.templateName));
        }
        templates::LogCriteria criteria;
        criteria.start = command.from.isValid() ? command.from : kFirstDay;
        criteria.end = command.to.isValid() ? command.to : kLastDay;
        QSqlQuery q = store.query(*table, criteria);

        // The print date first, then the other columns in table order; the query selects the row's key,
        // then every column in table order.
        const QString dateColumn = templates::PrintLogStore::kDateColumn;
        // With --ids the record number (the query's first column) goes in front.
        QStringList header{dateColumn};
        QList<int> fields{int(table->columns.indexOf(dateColumn)) + 1};
        if (command.ids) {
            header.prepend(QStringLiteral("记录号"));
            fields.prepend(0);
        }
        const qsizetype date = command.ids ? 1 : 0;
        for (int i = 0; i < table->columns.size(); ++i)
            if (table->columns.at(i) != dateColumn) {
                header << table->columns.at(i);
                fields << i + 1;
            }
        const history::RowSource next = [&](QStringList& row) {
            if (!q.next())
                return false;
            row.clear();
            if (command.ids)
                row << q.value(0).toString();
            row << history::printTimeText(q.value(fields.at(date)));
            for (qsizetype f = date + 1; f < fields.size(); ++f)
                row << data::nullToEmpty(q.value(fields.at(f)));
            return true;
        };
        const history::ExportResult written =
            history::writeCsv(output, header, next, false, QStringLiteral("标准输出"));
        if (!written.ok())
            return fail(written.problem + QStringLiteral("打印记录没有全部输出。"));
        if (q.lastError().isValid())
            return fail(QStringLiteral("读取模板“%1”的打印记录时出错：%2")
                            .arg(command.templateName, data::describe(q.lastError())));
        if (auto* file = qobject_cast<QFileDevice*>(&output); file && !file->flush())
            return fail(QStringLiteral("无法写入标准输出，打印记录没有全部输出。"));
        messages.write(QStringLiteral("已输出%1条打印记录。\n").arg(written.rows).toUtf8());
        return kExitPrinted;
    } catch (const data::DbError& e) {
        return fail(e.description());
    }
}

} // namespace vorlan::app
