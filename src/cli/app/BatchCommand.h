#pragma once
// The command line: `vorlan print …` prints a batch of sheets exactly as the print window's batch does
// (the same mapping by name, renderer and log), without a display; `vorlan log …` writes a template's
// print log as CSV (app/LogCommand.h); `vorlan reprint …` prints logged sheets again (app/ReprintCommand.h).
// Without arguments the program starts its windows as always.

#include "app/LogCommand.h"
#include "app/ReprintCommand.h"
#include "app/TemplateCommand.h"
#include "printing/PrintOutcome.h"
#include "printing/PrintSheet.h"

#include <QString>
#include <QStringList>

#include <optional>

class QIODevice;
class QPrinter;

namespace vorlan::data {
class Engine;
}

namespace vorlan::app {

// Exit codes of the command line.
inline constexpr int kExitPrinted = 0; // every sheet printed (and logged unless --no-log)
inline constexpr int kExitBadInput =
    1; // arguments, login, template, data or a sheet refused: nothing printed
inline constexpr int kExitPrintFailed =
    2;                                   // the printer did not take the job: nothing printed, nothing logged
inline constexpr int kExitNotLogged = 3; // printed, but the print log could not be written

struct PrintCommand {
    QString templateName;
    QString dataFile;
    QString sheet; // empty: the first worksheet
    QString rows;  // empty: every row; else "A-B" in worksheet row numbers
    QString pdf;   // one of pdf and printer
    QString printer;
    bool noLog = false;
    QString user;
};

struct ParsedCommand {
    enum class Kind { Help, Print, Log, Template, Reprint, Error };
    Kind kind = Kind::Error;
    PrintCommand print;
    LogCommand log;
    TemplateCommand tmpl;
    ReprintCommand reprint;
    QString error; // Error: what is wrong, in a sentence for the user
};

// The arguments after the program's name. "--help" (or "-h") anywhere asks for the help text.
ParsedCommand parseCommandLine(const QStringList& args);

// Is this a run of the command line rather than of the windows?
bool isCommandLine(const QStringList& args);

QString helpText();

// Why the PDF file of --pdf may not be written, or nothing: its name may not stand for the data file, the
// database, nor for any other existing file that is not a PDF, which the job would replace.
std::optional<QString> pdfTargetProblem(const QString& pdf, const QString& dataFile, const QString& database);

// The password of a command: the first line of input; the line break (and blanks around it, as the
// login ignores them) does not count.
QString readPasswordLine(QIODevice& input);
// On a server that asks for a password (and finds none in libpq's password file), the next line of input
// is the server password: the opening of the database reads it from there when it needs it.
void takeServerPasswordFrom(QIODevice& input);

struct CommandLogin {
    QString problem;            // empty when the user is logged in
    bool firstUserMade = false; // the user was made the database's first advanced user
};
// The login of a command, as the login window checks it, setting the user level. makeFirstUser (a new
// database, or one whose first user was never saved): the user is first made its first advanced user
// with that password. Throws DbError.
CommandLogin loginCommandUser(const data::Engine& db, const QString& userName, const QString& password,
                              bool makeFirstUser);

// Prints the sheets as one job; with progress, "正在打印第n张，共m张" goes to messages as it goes.
printing::BatchOutcome printWithProgress(QPrinter& printer, const QList<printing::PrintSheet>& sheets,
                                         QIODevice& messages, bool progress);

// Why a command's --template cannot name a template (none given, a control character), or empty.
QString templateOptionProblem(const QString& name);

// Runs the command with the password read (one line) from `input`, messages to `messages`. progress:
// show "sheet n of N" while printing. The database is opened (or created on a first start, when the user
// given becomes its first advanced user) at the usual place.
int runPrintCommand(const PrintCommand& command, QIODevice& input, QIODevice& messages, bool progress);

// The whole command-line run: the application object without a display, init (the program's settings)
// called once it exists, then help or the print. Returns the exit code.
int runCommandLine(int argc, char** argv, void (*init)());

} // namespace vorlan::app
