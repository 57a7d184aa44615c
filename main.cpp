#include "app/BatchCommand.h"
#include "app/Startup.h"

#include <QString>
#include <QStringList>

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    // `vorlan print …` and `vorlan --help` run without windows; anything else starts the program.
    if (vorlan::app::isCommandLine(args))
        return vorlan::app::runCommandLine(argc, argv, &vorlan::app::initApplication);
    return vorlan::app::run(argc, argv);
}
