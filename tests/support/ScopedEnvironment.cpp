#include "ScopedEnvironment.h"

#include "TestServer.h"
#include "app/AppState.h"
#include "app/LocalSettings.h"

#include <QDir>

namespace vorlan::test {

ScopedEnvironment::ScopedEnvironment()
    : saved_(app::environment()), savedSettingsFile_(app::localSettingsFile()) {
    if (!dir_.isValid())
        qFatal("no temporary folder for the test: %s", qPrintable(dir_.errorString()));
    app::Environment& env = app::environment();
    env.prompter = &prompter;
    env.printer = ui::PrinterTarget::PdfFile;
    env.pdfPath = pdfPath();
    env.screenDpi = kScreenDpi;
    env.dataLocation = data::DataLocation{dir_.path(), {}};
    env.seed = nullptr;
    app::localSettingsFile() = QDir(dir_.path()).filePath(QStringLiteral("settings.ini"));
    if (onServer()) {
        skipWithoutServer();
        server_ = newServerDatabase();
        env.server = server_;
    }
}

ScopedEnvironment::~ScopedEnvironment() {
    if (server_) {
        if (data::shared().isOpen() && data::shared().databaseName() == server_->database)
            data::closeShared();
        dropServerDatabase(*server_);
    }
    app::environment() = saved_;
    app::localSettingsFile() = savedSettingsFile_;
}

QString ScopedEnvironment::pdfPath() const {
    return QDir(dir_.path()).filePath(QStringLiteral("printer.pdf"));
}

void ScopedEnvironment::printToPdf(const QString& path) {
    app::environment().printer = ui::PrinterTarget::PdfFile;
    app::environment().pdfPath = path;
}

void ScopedEnvironment::printToNothing() {
    app::environment().printer = ui::PrinterTarget::None;
    app::environment().pdfPath.clear();
}

void ScopedEnvironment::printToSystem() {
    app::environment().printer = ui::PrinterTarget::SystemDefault;
    app::environment().pdfPath.clear();
}

void ScopedEnvironment::setScreenDpi(double dpi) {
    app::environment().screenDpi = dpi;
}

void ScopedEnvironment::setUpdateServer(const QString& address) {
    app::environment().updateServer = address;
}

void ScopedEnvironment::setDataFolder(const QString& folder) {
    setDataLocation(data::DataLocation{folder, {}});
}

void ScopedEnvironment::setDataLocation(const data::DataLocation& location) {
    if (location.folder.isEmpty())
        app::environment().dataLocation.reset();
    else
        app::environment().dataLocation = location;
}

void ScopedEnvironment::setSeedFunction(data::SeedFunction f) {
    app::environment().seed = f;
}

} // namespace vorlan::test
