#include "TestServer.h"

#include "data/PostgresEngine.h"
#include "data/Sql.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>
#include <cstdlib>

namespace vorlan::test {

std::optional<data::ServerAddress> testServer(QString* why) {
    const QString host = qEnvironmentVariable("VORLAN_TEST_PG_HOST");
    if (host.isEmpty()) {
        if (why)
            *why = QStringLiteral(
                "no PostgreSQL test server runs (scripts/pg-test-server.sh sets VORLAN_TEST_PG_*)");
        return std::nullopt;
    }
    if (!data::postgres::driverAvailable()) {
        if (why)
            *why = QStringLiteral("the Qt PostgreSQL driver (libqt6sql6-psql) is not installed");
        return std::nullopt;
    }
    data::ServerAddress a;
    // Over TCP, so that the password is asked for as on a counter's network.
    a.host = QStringLiteral("127.0.0.1");
    a.port = qEnvironmentVariableIntValue("VORLAN_TEST_PG_PORT");
    a.user = qEnvironmentVariable("VORLAN_TEST_PG_USER");
    a.password = qEnvironmentVariable("VORLAN_TEST_PG_PASSWORD");
    a.database = QStringLiteral("postgres");
    return a;
}

bool onServer() {
    return qEnvironmentVariable("VORLAN_TEST_ENGINE") == QLatin1String("postgresql");
}

namespace {

template <typename F> void onAdmin(F&& f) {
    QString why;
    const auto server = testServer(&why);
    if (!server)
        throw data::DbError(why);
    const QString name = QStringLiteral("vorlan-test-admin");
    {
        data::Engine e = data::postgres::open(*server, name);
        f(e);
        QSqlDatabase db = e.db();
        e = data::Engine();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace

data::ServerAddress newServerDatabase() {
    static QAtomicInt counter;
    data::ServerAddress a = *testServer();
    a.database = QStringLiteral("vorlan_t%1_%2")
                     .arg(QCoreApplication::applicationPid())
                     .arg(counter.fetchAndAddRelaxed(1));
    onAdmin([&](const data::Engine& e) {
        data::exec(e, QStringLiteral("DROP DATABASE IF EXISTS %1").arg(data::quoteId(a.database)));
        // ICU's Chinese order for the names, as a shop's server would be set up (README).
        data::exec(e, QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8'")
                          .arg(data::quoteId(a.database)));
    });
    return a;
}

void dropServerDatabase(const data::ServerAddress& a) {
    try {
        onAdmin([&](const data::Engine& e) {
            data::exec(
                e, QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(data::quoteId(a.database)));
        });
    } catch (const data::DbError& e) {
        qWarning("test database %s not dropped: %s", qPrintable(a.database), qPrintable(e.description()));
    }
}

void skipWithoutServer() {
    QString why;
    if (onServer() && !testServer(&why)) {
        std::printf("SKIP: the PostgreSQL run of this test is skipped: %s\n", qPrintable(why));
        std::fflush(stdout);
        std::exit(77);
    }
}

} // namespace vorlan::test
