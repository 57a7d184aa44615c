#pragma once
// `vorlan log …`: a template's logged sheets as CSV on standard output, oldest first: the header
// 打印日期 and then the log's columns (the input point names), one record per printed sheet.

#include "data/Database.h"
#include "data/UseLock.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

class QIODevice;

namespace vorlan::app {

struct LogCommand {
    QString templateName;
    QDate from; // invalid: from the first sheet logged
    QDate to;   // invalid: up to the last
    QString user;
    bool ids = false; // a first column 记录号: each sheet's record number (what vorlan reprint --ids takes)
};

// The usage line, and the part of the help text about the command.
QString logUsage();
QString logHelpText();

// Reads the arguments after "log" into command. What is wrong, followed by the usage, or nothing.
std::optional<QString> parseLogArguments(const QStringList& args, LogCommand& command);

// Runs the command: the password read (one line) from input, the CSV (UTF-8 without a byte order mark,
// CRLF after every record) to output, messages to messages. The database is the one at the usual place;
// a missing one is not created. Returns the exit code.
int runLogCommand(const LogCommand& command, QIODevice& input, QIODevice& output, QIODevice& messages);

// Opens the database whose logged sheets a command reads: the chosen server (its password asked for
// where it wants one) or the file, never a new one; when hold is given, the file is held for `holdFor`
// until the command ends. Empty when opened, else why not, ending in "没有打印记录可以" + `nothingTo`.
QString openLoggedDatabase(const QString& nothingTo, data::OpenResult& opened, data::UseLock* hold = nullptr,
                           const QString& holdFor = {});

} // namespace vorlan::app
