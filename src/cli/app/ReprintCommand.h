#pragma once
// `vorlan reprint …`: logged sheets of a template printed again, as 重新打印 of the history query does
// (each value from its log column, the template's positions, paper and offsets as they are today, one
// job), chosen by their record numbers or by the days they were printed.

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

class QIODevice;

namespace vorlan::app {

struct ReprintCommand {
    QString templateName;
    QList<qint64> ids; // the sheets' record numbers (vorlan log --ids shows them); empty: by days
    QDate from;        // with no ids: the first day (always given)
    QDate to;          // invalid: up to the last sheet
    QString pdf;       // at most one of pdf and printer; neither: the template's printer
    QString printer;
    bool log = false; // the reprinted sheets are logged once more
    QString user;
};

// The usage line, and the part of the help text about the command.
QString reprintUsage();
QString reprintHelpText();

// Reads the arguments after "reprint" into command. What is wrong, followed by the usage, or nothing.
std::optional<QString> parseReprintArguments(const QStringList& args, ReprintCommand& command);

// Runs the command: the password read (one line) from input, messages to messages; progress: show
// "sheet n of N". The database is the one at the usual place; a missing one is not created. Returns the
// exit code (those of vorlan print).
int runReprintCommand(const ReprintCommand& command, QIODevice& input, QIODevice& messages, bool progress);

} // namespace vorlan::app
