#pragma once
// Opening a window modally. The window is owned here for exactly the time it is shown: it is created,
// prepared, shown through the prompter and destroyed before the opener returns, so no opener deletes.

#include "ui/Prompt.h"

#include <QDialog>

#include <concepts>
#include <memory>
#include <optional>
#include <utility>

namespace vorlan::ui {

// Shows dialog modally through the prompter and destroys it; returns its result code.
int execModal(std::unique_ptr<QDialog> dialog);

// Creates W(parent, args...), prepares it with its load() when it has one, shows it modally and destroys
// it. Returns the result code, or nothing when load() returned false (it has told the user why).
template <class W, class... Args>
requires std::derived_from<W, QDialog> std::optional<int> openModal(QWidget* parent, Args&&... args) {
    auto window = std::make_unique<W>(parent, std::forward<Args>(args)...);
    if constexpr (requires {
                      { window->load() } -> std::same_as<bool>;
                  }) {
        if (!window->load())
            return std::nullopt;
    } else if constexpr (requires { window->load(); }) {
        window->load();
    }
    return execModal(std::move(window));
}

} // namespace vorlan::ui
