#pragma once
// `vorlan template …`: a template written to a template file (--export) or read from one into the
// catalogue (--import), as "导出模板" and "导入模板" of the main window do.

#include <QString>
#include <QStringList>

#include <optional>

class QIODevice;

namespace vorlan::app {

struct TemplateCommand {
    enum class Action { Export, Import };
    Action action = Action::Export;
    QString file;
    QString templateName; // --export: the template
    QString newName;      // --import: the name it takes; empty: the one in the file
    QString under;        // --import: the catalogue node it goes under; empty: the top level
    QString user;
};

// The usage lines, and the part of the help text about the command.
QString templateUsage();
QString templateHelpText();

// Reads the arguments after "template" into command. What is wrong, followed by the usage, or nothing.
std::optional<QString> parseTemplateArguments(const QStringList& args, TemplateCommand& command);

// Runs the command: the password read (one line) from input, messages to messages. The database is the
// one at the usual place; a missing file is not created. Importing needs an advanced user. Returns the
// exit code.
int runTemplateCommand(const TemplateCommand& command, QIODevice& input, QIODevice& messages);

} // namespace vorlan::app
