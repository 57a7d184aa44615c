#pragma once
// Fixed facts of this build: version label, the maker's update server and web site.

#include <QString>
#include <QUrl>

namespace vorlan::app {

inline constexpr auto kVersionLabel = "Wex-Zov Ver 2.0";
inline constexpr auto kWebSite = "http://www.vorlan.cn";
inline constexpr int kNetworkTimeoutMs = 3000;

// The update server's address, "http://…" without a trailing slash. Tests point it at a local server.
QString updateServer();
void setUpdateServer(const QString& address); // empty restores the built-in address

} // namespace vorlan::app
