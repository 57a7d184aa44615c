#pragma once

namespace vorlan::app {

// Application-wide settings every run (and every test) needs: names, the "宋体" substitution.
void initApplication();
// The program: splash, login, main window. Returns the exit code.
int run(int argc, char** argv);

} // namespace vorlan::app
