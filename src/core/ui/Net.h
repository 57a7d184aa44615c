#pragma once
// Synchronous, time-bounded transfers for the version check and the version notice.

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

namespace vorlan::ui {

// The whole body of a GET, or nothing when the fetch fails or runs past the time limit.
std::optional<QByteArray> fetch(const QUrl& url, int timeoutMs);

} // namespace vorlan::ui
