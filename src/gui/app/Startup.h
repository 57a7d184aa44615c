#pragma once

namespace vorlan::app {

// Application-wide settings every run (and every test) needs: names, the "宋体" substitution.
void initApplication();
// Loads Qt's Chinese texts for its standard dialogs (needs an application object).
void installChineseTranslations();
// The program: splash, login, main window. Returns the exit code.
int run(int argc, char** argv);

} // namespace vorlan::app
