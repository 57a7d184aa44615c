#pragma once
// Everything a test or a tool may redirect: where prompts, pages and data go, the screen resolution used
// for twips, the update server and the first-run content of a new database. One instance, owned by the
// process-wide AppState; the default values are the program's normal behaviour.

#include "data/Database.h"
#include "data/ServerAddress.h"
#include "ui/PrinterTarget.h"

#include <QString>

#include <optional>

namespace vorlan::ui {
class Prompter;
}

namespace vorlan::app {

struct Environment {
    ui::Prompter* prompter = nullptr; // not owned; nullptr: the real dialogs
    ui::PrinterTarget printer = ui::PrinterTarget::SystemDefault;
    QString pdfPath;      // the file for PrinterTarget::PdfFile
    double screenDpi = 0; // 0: the screen's own
    QString updateServer; // "http://…" without a trailing slash; empty: the built-in address
    std::optional<data::DataLocation> dataLocation; // none: chosen at start (data::chooseDataLocation)
    data::SeedFunction seed = nullptr;              // run once on a newly created database
    // The server of this run (--database, tests); none: the one set on this computer, else the file.
    std::optional<data::ServerAddress> server;
    // Asked when the server wants a password and none is known (the command line reads a second line);
    // empty text: none. Not set: the opening fails, saying a password is needed.
    QString (*serverPassword)(const data::ServerAddress&) = nullptr;
};

// The environment of this run (AppState::instance().environment).
Environment& environment();

} // namespace vorlan::app
