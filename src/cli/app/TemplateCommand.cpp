#include "app/TemplateCommand.h"

#include "app/AppState.h"
#include "app/BatchCommand.h"
#include "app/Catalogue.h"
#include "app/CommandOptions.h"
#include "data/Database.h"
#include "data/Sql.h"
#include "data/UseLock.h"
#include "templates/PointRules.h"
#include "templates/TemplateTransfer.h"

#include <QDir>
#include <QFileInfo>
#include <QIODevice>

#include <algorithm>
#include <functional>

namespace vorlan::app {

QString templateUsage() {
    return QStringLiteral("用法：vorlan template --export 模板文件 --template 模板名称 --user 用户姓名\n"
                          "      vorlan template --import 模板文件 [--name 新的模板名称] [--under 节点名称] "
                          "--user 用户姓名");
}

QString templateHelpText() {
    return QStringLiteral(
        R"(vorlan template 把模板带到另一处：--export 把模板的输入点、背景图片、纸张、方向和位置起点写进
一个模板文件（*.vtpl），--import 把模板文件读进模板目录。打印机、整体偏移和打印记录不带走：
它们属于每一台电脑自己的打印机。

  --export 模板文件     写入的文件（已有的同名*.vtpl文件被替换，其他文件不会被覆盖）
  --template 模板名称   要导出的模板
  --import 模板文件     要导入的文件；每一项内容都先检查，全部无误才在一次事务中写入
  --name 新的模板名称   导入后的名称，缺省为文件中的名称；与已有的模板同名（不计大小写）时不导入
  --under 节点名称      新节点放在模板目录中这个节点的下面，缺省放在最上一层
  --user 用户姓名       登录的用户（导入需要高级用户）；密码从标准输入读取一行，不能写在命令行上
)");
}

std::optional<QString> parseTemplateArguments(const QStringList& args, TemplateCommand& command) {
    auto error = [](const QString& text) { return std::optional<QString>(text + u'\n' + templateUsage()); };
    const auto read =
        readOptions(args, 0,
                    {QStringLiteral("--export"), QStringLiteral("--import"), QStringLiteral("--template"),
                     QStringLiteral("--name"), QStringLiteral("--under"), QStringLiteral("--user")});
    if (const QString* problem = std::get_if<QString>(&read))
        return error(*problem);
    const CommandOptions& given = std::get<CommandOptions>(read);
    const bool exporting = given.has(QStringLiteral("--export"));
    if (exporting == given.has(QStringLiteral("--import")))
        return error(QStringLiteral("请用“--export”或“--import”指定模板文件，两者只能选一个。"));
    command.action = exporting ? TemplateCommand::Action::Export : TemplateCommand::Action::Import;
    command.file = given.value(exporting ? QStringLiteral("--export") : QStringLiteral("--import"));
    command.templateName = given.value(QStringLiteral("--template"));
    command.newName = given.value(QStringLiteral("--name")).trimmed();
    command.under = given.value(QStringLiteral("--under")).trimmed();
    command.user = given.value(QStringLiteral("--user"));
    if (command.file.trimmed().isEmpty())
        return error(QStringLiteral("请指定模板文件。"));
    if (exporting) {
        if (command.templateName.trimmed().isEmpty())
            return error(QStringLiteral("请用“--template”指定要导出的模板名称。"));
        if (const QString problem =
                templates::controlCharacterProblem(command.templateName, QStringLiteral("模板名称"));
            !problem.isEmpty())
            return error(problem);
        for (const char* importOnly : {"--name", "--under"})
            if (given.has(QString::fromLatin1(importOnly)))
                return error(
                    QStringLiteral("选项“%1”只用于“--import”。").arg(QString::fromLatin1(importOnly)));
    } else if (given.has(QStringLiteral("--template"))) {
        return error(QStringLiteral("导入时请用“--name”指定新的模板名称，“--template”只用于“--export”。"));
    }
    if (command.user.trimmed().isEmpty())
        return error(QStringLiteral("请用“--user”指定用户姓名。"));
    return std::nullopt;
}

namespace {

int importInto(const data::Engine& db, const TemplateCommand& command,
               const std::function<void(const QString&)>& say) {
    const templates::PackageReading read = templates::readPackageFile(command.file);
    if (!read.package) {
        say(read.problem);
        return kExitBadInput;
    }
    const QString name = command.newName.isEmpty() ? read.package->tmpl.name.trimmed() : command.newName;
    const QList<CatalogueRow> loaded = CatalogueStore(db).load();
    QString parentKey;
    if (!command.under.isEmpty()) {
        const auto node = std::find_if(loaded.cbegin(), loaded.cend(),
                                       [&](const CatalogueRow& r) { return r.text == command.under; });
        if (node == loaded.cend()) {
            say(QStringLiteral("模板目录中没有名为“%1”的节点，模板没有导入。").arg(command.under));
            return kExitBadInput;
        }
        parentKey = node->key;
    }
    if (const QString problem = templates::importNameProblem(db, name); !problem.isEmpty()) {
        say(problem + QStringLiteral("（可以用“--name”指定新的名称）"));
        return kExitBadInput;
    }
    templates::importTemplate(db, *read.package, name, templates::withNode(loaded, parentKey, name));
    say(QStringLiteral("已导入模板“%1”：%2。").arg(name, templates::packageSummary(*read.package)));
    return kExitPrinted;
}

} // namespace

int runTemplateCommand(const TemplateCommand& command, QIODevice& input, QIODevice& messages) {
    auto say = [&](const QString& text) { messages.write((text + u'\n').toUtf8()); };
    auto fail = [&](const QString& text) {
        say(text);
        return kExitBadInput;
    };
    const QString password = readPasswordLine(input);
    takeServerPasswordFrom(input);

    const bool importing = command.action == TemplateCommand::Action::Import;
    const bool onServer = data::chosenServer().has_value();
    const QString path = data::databasePath();
    if (!onServer && !QFileInfo::exists(path))
        return fail(QStringLiteral("数据库文件“%1”不存在，没有模板可以%2。")
                        .arg(QDir::toNativeSeparators(path),
                             importing ? QStringLiteral("导入到其中") : QStringLiteral("导出")));
    if (!importing)
        if (const QString problem = templates::exportTargetProblem(command.file); !problem.isEmpty())
            return fail(problem);
    // A compaction must not replace the file under the import's writes.
    const QString job =
        importing ? QStringLiteral("命令行中模板文件的导入") : QStringLiteral("命令行中模板的导出");
    data::UseLock hold = onServer ? data::UseLock() : data::UseLock::forPrinting(path, job);
    if (hold.refused())
        return fail(data::databaseBusyText());
    const data::OpenResult opened = data::openShared();
    if (opened.status != data::OpenStatus::Opened && opened.status != data::OpenStatus::Created)
        return fail(opened.message);
    state().connectionOpened = true;
    if (importing && opened.readOnly)
        return fail(opened.notice + QStringLiteral("\n模板无法导入。"));
    const data::Engine db = data::sharedEngine();
    try {
        if (const CommandLogin login = loginCommandUser(db, command.user, password, false);
            !login.problem.isEmpty())
            return fail(login.problem);
        if (importing) {
            if (!state().isAdvanced())
                return fail(QStringLiteral("只有高级用户才能导入模板，用户“%1”是普通用户。")
                                .arg(command.user.trimmed()));
            return importInto(db, command, say);
        }
        const templates::ExportResult done =
            templates::exportTemplate(db, command.templateName, command.file);
        for (const QString& note : done.notes)
            say(note);
        if (!done.ok())
            return fail(done.problem);
        say(QStringLiteral("已把模板“%1”（%2 个输入点）导出到“%3”。")
                .arg(command.templateName)
                .arg(done.points)
                .arg(QDir::toNativeSeparators(command.file)));
        return kExitPrinted;
    } catch (const data::DbError& e) {
        return fail(e.description());
    }
}

} // namespace vorlan::app
