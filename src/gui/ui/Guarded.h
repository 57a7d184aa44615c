#pragma once
// The one place where a database failure inside a window's handler is caught and shown: the handler's
// work runs inside guarded(), and a data::DbError ends it with a message instead of leaving the handler.

#include "data/Sql.h"
#include "ui/Prompt.h"

#include <QStringView>

#include <utility>

namespace vorlan::ui {

// Runs work(); a database failure in it is handed to onError(description). True when work() ran through.
template <class Work, class OnError> bool guarded(Work&& work, OnError&& onError) {
    try {
        std::forward<Work>(work)();
        return true;
    } catch (const data::DbError& e) {
        std::forward<OnError>(onError)(e.description());
        return false;
    }
}

// The usual report: reportError(parent, action, description), e.g. action "XPBut_ok_Click".
template <class Work> bool guarded(QWidget* parent, QStringView action, Work&& work) {
    return guarded(std::forward<Work>(work),
                   [&](const QString& description) { reportError(parent, action.toString(), description); });
}

} // namespace vorlan::ui
