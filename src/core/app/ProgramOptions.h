#pragma once
// The options every way of starting the program takes, windows and command line alike: --version and
// --data-dir FOLDER (the folder of the database instead of the usual one, e.g. for a second shop) and
// --database postgresql://user@host:port/db (a server's database instead of the file, for this run).

#include "data/ServerAddress.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace vorlan::app {

struct ProgramOptions {
    bool version = false;
    std::optional<QString> dataDir; // absolute
    std::optional<data::ServerAddress> server;
    QString error; // in Chinese; not empty when the options are wrong
};

// Takes those options out of args (the arguments after the program's name), leaving the rest in order.
ProgramOptions takeProgramOptions(QStringList& args);

// Makes the folder if needed and has the program keep its data there. Returns the problem, in Chinese,
// when the folder cannot be used.
std::optional<QString> useDataFolder(const QString& folder);

} // namespace vorlan::app
