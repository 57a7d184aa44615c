#include "app/Product.h"

namespace vorlan::app {

namespace {
constexpr auto kUpdateServer = "http://update.vorlan.cn";
QString serverOverride;
} // namespace

QString updateServer()
{
    return serverOverride.isEmpty() ? QString::fromLatin1(kUpdateServer) : serverOverride;
}

void setUpdateServer(const QString& address) { serverOverride = address; }

} // namespace vorlan::app
