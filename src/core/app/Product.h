#pragma once
// Fixed facts of this build: version label, the maker's update server and web site.

#include "app/Version.h"

#include <QString>
#include <QUrl>

namespace vorlan::app {

inline constexpr auto kVersion = VORLAN_VERSION;
inline constexpr auto kVersionLabel = "Wex-Zov Ver " VORLAN_VERSION;
inline constexpr auto kWebSite = "http://www.vorlan.cn";
inline constexpr int kNetworkTimeoutMs = 3000;

// The update server's address, "http://…" without a trailing slash: app::Environment::updateServer
// when set (tests point it at a local server), otherwise the built-in address.
QString updateServer();

} // namespace vorlan::app
