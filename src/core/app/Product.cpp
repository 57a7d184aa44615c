#include "app/Product.h"

#include "app/AppState.h"

namespace vorlan::app {

namespace {
constexpr auto kUpdateServer = "http://update.vorlan.cn";
} // namespace

QString updateServer() {
    const QString& chosen = environment().updateServer;
    return chosen.isEmpty() ? QString::fromLatin1(kUpdateServer) : chosen;
}

} // namespace vorlan::app
