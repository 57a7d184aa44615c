#include "app/AppState.h"

#include "data/Database.h"

namespace vorlan::app {

AppState& AppState::instance() {
    static AppState s;
    return s;
}

Environment& environment() {
    return AppState::instance().environment;
}

QSqlDatabase AppState::db() const {
    return data::shared();
}

data::Engine AppState::engine() const {
    return data::sharedEngine();
}

void AppState::reset() {
    connectionOpened = false;
    userLevel.clear();
    currentTemplate.clear();
}

} // namespace vorlan::app
