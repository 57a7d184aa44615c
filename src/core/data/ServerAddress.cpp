#include "data/ServerAddress.h"

#include "app/LocalSettings.h"

#include <QUrl>
#include <QUrlQuery>

namespace vorlan::data {

namespace {
const QString kGroup = QStringLiteral("server/");
} // namespace

std::optional<ServerAddress> parseServerUrl(const QString& url, QString* why) {
    auto fail = [&](const QString& text) {
        if (why)
            *why = text;
        return std::nullopt;
    };
    const QUrl u(url.trimmed(), QUrl::StrictMode);
    if (!u.isValid() ||
        (u.scheme() != QLatin1String("postgresql") && u.scheme() != QLatin1String("postgres")))
        return fail(
            QStringLiteral("数据库地址“%1”无法识别，应写成 postgresql://用户@服务器:端口/数据库").arg(url));
    if (!u.password().isEmpty())
        return fail(QStringLiteral(
            "数据库地址中不能写密码：密码请从标准输入送入，或写在 libpq 的密码文件 ~/.pgpass 中。"));
    ServerAddress a;
    a.host = u.host();
    a.user = u.userName();
    a.database = u.path().mid(1);
    const int port = u.port(5432);
    if (port <= 0 || port > 65535)
        return fail(QStringLiteral("数据库地址“%1”的端口不对").arg(url));
    a.port = port;
    const QUrlQuery query(u);
    // A socket folder may stand in ?host=/path, as libpq reads it.
    if (query.hasQueryItem(QStringLiteral("host")))
        a.host = query.queryItemValue(QStringLiteral("host"), QUrl::FullyDecoded);
    a.sslmode = query.queryItemValue(QStringLiteral("sslmode"));
    if (a.host.isEmpty())
        a.host = QStringLiteral("localhost");
    if (a.database.isEmpty() || a.database.contains(QLatin1Char('/')))
        return fail(QStringLiteral("数据库地址“%1”中缺少数据库名称").arg(url));
    if (a.user.isEmpty())
        return fail(QStringLiteral("数据库地址“%1”中缺少用户（postgresql://用户@服务器/数据库）").arg(url));
    return a;
}

QString serverUrl(const ServerAddress& a) {
    QUrl u;
    u.setScheme(QStringLiteral("postgresql"));
    u.setUserName(a.user);
    QUrlQuery query;
    if (a.host.startsWith(QLatin1Char('/')))
        query.addQueryItem(QStringLiteral("host"), a.host);
    else
        u.setHost(a.host);
    u.setPort(a.port);
    u.setPath(QLatin1Char('/') + a.database);
    if (!a.sslmode.isEmpty())
        query.addQueryItem(QStringLiteral("sslmode"), a.sslmode);
    u.setQuery(query);
    return u.toString();
}

QString shownServer(const ServerAddress& a) {
    return QStringLiteral("服务器 %1:%2 上的数据库“%3”").arg(a.host).arg(a.port).arg(a.database);
}

std::optional<ServerAddress> configuredServer() {
    const auto s = app::localSettings();
    if (s->value(kGroup + QStringLiteral("kind")).toString() != QLatin1String("postgresql"))
        return std::nullopt;
    ServerAddress a;
    a.host = s->value(kGroup + QStringLiteral("host")).toString();
    a.port = s->value(kGroup + QStringLiteral("port"), 5432).toInt();
    a.database = s->value(kGroup + QStringLiteral("database")).toString();
    a.user = s->value(kGroup + QStringLiteral("user")).toString();
    a.sslmode = s->value(kGroup + QStringLiteral("sslmode")).toString();
    if (a.host.isEmpty() || a.database.isEmpty())
        return std::nullopt;
    return a;
}

void setConfiguredServer(const std::optional<ServerAddress>& a) {
    const auto s = app::localSettings();
    s->remove(QStringLiteral("server"));
    if (!a) {
        s->setValue(kGroup + QStringLiteral("kind"), QStringLiteral("file"));
        return;
    }
    // Never the password.
    s->setValue(kGroup + QStringLiteral("kind"), QStringLiteral("postgresql"));
    s->setValue(kGroup + QStringLiteral("host"), a->host);
    s->setValue(kGroup + QStringLiteral("port"), a->port);
    s->setValue(kGroup + QStringLiteral("database"), a->database);
    s->setValue(kGroup + QStringLiteral("user"), a->user);
    s->setValue(kGroup + QStringLiteral("sslmode"), a->sslmode);
}

} // namespace vorlan::data
