#include "app/BatchCommand.h"
#include "app/Environment.h"
#include "app/Product.h"
#include "app/ProgramOptions.h"
#include "app/Startup.h"

#include <QString>
#include <QStringList>

#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const vorlan::app::ProgramOptions options = vorlan::app::takeProgramOptions(args);
    if (!options.error.isEmpty()) {
        std::fputs((options.error + u'\n').toUtf8().constData(), stderr);
        return 1;
    }
    if (options.version) {
        std::printf("vorlan %s (%s)\n", vorlan::app::kVersion, vorlan::app::kVersionLabel);
        return 0;
    }
    if (options.dataDir) {
        if (const auto problem = vorlan::app::useDataFolder(*options.dataDir)) {
            std::fputs((*problem + u'\n').toUtf8().constData(), stderr);
            return 1;
        }
    }
    if (options.server)
        vorlan::app::environment().server = options.server;
    // What the program itself reads: its name and the arguments the options above left.
    std::vector<QByteArray> kept{QByteArray(argv[0])};
    for (const QString& a : args)
        kept.push_back(a.toLocal8Bit());
    std::vector<char*> keptArgv;
    for (QByteArray& a : kept)
        keptArgv.push_back(a.data());
    keptArgv.push_back(nullptr);
    int keptArgc = int(kept.size());

    // `vorlan print …` and `vorlan --help` run without windows; anything else starts the program.
    if (vorlan::app::isCommandLine(args))
        return vorlan::app::runCommandLine(keptArgc, keptArgv.data(), &vorlan::app::initApplication);
    return vorlan::app::run(keptArgc, keptArgv.data());
}
