#pragma once
// The values every window shares for the whole run: the connection flag, the current user level, the
// current template name and the environment (see Environment.h). Nothing else is process-wide.

#include "app/Environment.h"
#include "data/Engine.h"

#include <QSqlDatabase>
#include <QString>

namespace vorlan::app {

inline constexpr auto kAdvancedLevel = "高级用户";
inline constexpr auto kOrdinaryLevel = "普通用户";

class AppState {
public:
    static AppState& instance();

    // The shared connection (see data/Database.h) and its engine, which stores receive; valid once the
    // login has opened it.
    QSqlDatabase db() const;
    data::Engine engine() const;

    bool connectionOpened = false;
    QString userLevel;       // "高级用户", "普通用户" or empty before the first login
    QString currentTemplate; // the last opened catalogue node's exact text

    // Where prompts, pages and data go; changed only by start-up and by tests (test::ScopedEnvironment).
    Environment environment;

    bool isAdvanced() const { return userLevel == QString::fromUtf8(kAdvancedLevel); }

    // Back to the start of a run (tests); the environment is left as it is.
    void reset();

private:
    AppState() = default;
};

inline AppState& state() {
    return AppState::instance();
}

} // namespace vorlan::app
