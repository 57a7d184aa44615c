#include "app/Startup.h"

#include "app/AppState.h"
#include "app/Frm_Begin.h"
#include "app/Frm_login.h"
#include "app/Frm_main.h"
#include "data/Database.h"
#include "printing/SampleData.h"
#include "ui/Modal.h"
#include "ui/Prompt.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

namespace vorlan::app {

void initApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("Vorlan"));
    QCoreApplication::setOrganizationName(QStringLiteral("Vorlan"));
    // Templates name the typeface "宋体"; here a Song-style CJK font stands for it, printer included.
    QFont::insertSubstitution(QStringLiteral("宋体"), QStringLiteral("AR PL UMing CN"));
    QFont::insertSubstitution(QStringLiteral("SimSun"), QStringLiteral("AR PL UMing CN"));
}

void installChineseTranslations() {
    // Qt's own dialogs (files, colours, fonts) speak Chinese like the rest of the program.
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

int run(int argc, char** argv) {
    QApplication app(argc, argv);
    initApplication();
    installChineseTranslations();
    QApplication::setQuitOnLastWindowClosed(false);
    state().environment.seed = &printing::sample::seedSampleData;

    QPointer<Frm_main> mainWindow;
    Frm_Begin splash;
    QObject::connect(&splash, &Frm_Begin::finished, &app, [&] {
        const std::optional<int> login = ui::openModal<Frm_login>(nullptr);
        if (!login) {
            QCoreApplication::exit(1);
            return;
        }
        if (*login != QDialog::Accepted) {
            QCoreApplication::exit(0);
            return;
        }
        mainWindow = new Frm_main;
        mainWindow->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(mainWindow, &QObject::destroyed, &app, [] { QCoreApplication::exit(0); });
        mainWindow->load();
        mainWindow->show();
    });
    splash.show();
    splash.start();
    return app.exec();
}

} // namespace vorlan::app
