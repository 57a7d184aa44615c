#pragma once
// The test side of every seam for one scope: a scripted prompter, pages into a PDF file, a fixed screen
// resolution, a temporary data folder and this computer's settings in it. Whatever was in app::Environment
// before comes back when the object goes away, so scopes nest (a test-case member outside, a TestEnv per test
// function inside).

#include "app/Environment.h"
#include "ui/ScriptedPrompter.h"

#include <QTemporaryDir>

namespace vorlan::test {

class ScopedEnvironment {
public:
    static constexpr double kScreenDpi = 96; // 1 pixel = 15 twips

    ScopedEnvironment();
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    ui::ScriptedPrompter prompter;

    // The temporary data folder (deleted with the object).
    QString folder() const { return dir_.path(); }
    // Where printed pages go unless the test chooses otherwise: printer.pdf in the data folder.
    QString pdfPath() const;

    // Changes for the rest of the scope.
    void printToPdf(const QString& path);
    void printToNothing();                        // as if no printer were installed
    void printToSystem();                         // the system's default printer (the print queue tests)
    void setScreenDpi(double dpi);                // 0: the screen's own
    void setUpdateServer(const QString& address); // empty: the built-in address
    void setDataFolder(const QString& folder);    // empty: the folder chosen at start
    void setDataLocation(const data::DataLocation& location);
    void setSeedFunction(data::SeedFunction f);

private:
    QTemporaryDir dir_;
    std::optional<data::ServerAddress> server_; // the database of a run on the server (TestServer.h)
    app::Environment saved_;
    QString savedSettingsFile_; // this computer's settings (app/LocalSettings.h) go into the data folder
};

} // namespace vorlan::test
