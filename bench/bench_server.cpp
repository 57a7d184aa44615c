// The shared server under load. Ten counters log 100 sheets each at the same moment, each on its own
// connection in a thread of its own: every sheet arrives, none is refused, within 5 s (once as a batch of
// 100 per counter, once as 100 single sheets). And a 100 MB local database (100,000 customers, 20
// templates with 50,000 logged sheets each) is copied onto an empty server database within 60 s.
// Without a server configured (VORLAN_TEST_PG_*) there is nothing to measure.

#include "BenchUtil.h"
#include "PrintFixture.h"
#include "TestEnv.h"
#include "app/Environment.h"
#include "customers/CustomerStore.h"
#include "data/Database.h"
#include "data/PostgresEngine.h"
#include "data/Schema.h"
#include "data/SqliteEngine.h"
#include "maintenance/Migration.h"
#include "templates/PrintLogStore.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMutex>
#include <QSqlDatabase>
#include <QTemporaryDir>

#include <cstdio>
#include <latch>
#include <thread>
#include <vector>

using namespace vorlan;

namespace {

constexpr int kCounters = 10;
constexpr int kSheetsEach = 100;
constexpr double kCountersMs = 5000;

constexpr int kCustomers = 100000;
constexpr int kTemplates = 20;
constexpr int kLogRowsEach = 50000;
constexpr double kMigrationMs = 60000;

const char* const kPoints[] = {"收件人", "电话", "地址", "件数", "金额", "备注"};

templates::Template logTemplate(const QString& name) {
    templates::Template t;
    t.name = name;
    for (const char* point : kPoints) {
        templates::InputPoint p;
        p.type = templates::type::SingleLine;
        p.name = QString::fromUtf8(point);
        t.single.append(p);
    }
    return t;
}

void makeLog(const data::Engine& e, const QString& name) {
    templates::PendingColumns pending;
    templates::PrintLogStore(e).bringUpToDate(logTemplate(name), pending);
}

QList<templates::LogValue> sheet(int counter, int n) {
    return {{QStringLiteral("收件人"), QStringLiteral("收件人%1-%2").arg(counter).arg(n)},
            {QStringLiteral("电话"), QStringLiteral("1380571%1").arg(n, 4, 10, QLatin1Char('0'))},
            {QStringLiteral("地址"), QStringLiteral("浙江省杭州市西湖区文三路%1号").arg(n)},
            {QStringLiteral("件数"), QString::number(n % 7 + 1)},
            {QStringLiteral("金额"), QStringLiteral("%1.50").arg(n)},
            {QStringLiteral("备注"), n % 3 ? QString() : QStringLiteral("加急")}};
}

// Ten counters, each its own connection (opened in its thread and used only there), start logging at
// the same moment. Returns the wall time from the start to the last commit; rows and failures say what
// arrived and what was refused.
struct CountersRun {
    double ms = 0;
    qint64 rows = 0;
    QStringList failures;
};

CountersRun tenCounters(const data::ServerAddress& address, const QString& templateName, bool asBatch) {
    CountersRun run;
    QMutex mutex;
    std::latch connected(kCounters + 1);
    std::latch start(1);
    std::vector<std::thread> threads;
    for (int c = 0; c < kCounters; ++c)
        threads.emplace_back([&, c] {
            const QString name = QStringLiteral("counter-%1-%2").arg(asBatch).arg(c);
            try {
                data::Engine e = data::postgres::open(address, name);
                e.prepareConnection();
                connected.count_down();
                start.wait();
                const templates::PrintLogStore store(e);
                if (asBatch) {
                    QList<QList<templates::LogValue>> rows;
                    for (int n = 0; n < kSheetsEach; ++n)
                        rows << sheet(c, n);
                    store.insertMany(templateName, QDateTime::currentDateTime(), rows);
                } else {
                    for (int n = 0; n < kSheetsEach; ++n)
                        store.insert(templateName, QDateTime::currentDateTime(), sheet(c, n));
                }
                QSqlDatabase db = e.db();
                e = data::Engine();
                db.close();
            } catch (const data::DbError& e) {
                const QMutexLocker lock(&mutex);
                run.failures << QStringLiteral("%1: %2").arg(name, e.description());
            }
            QSqlDatabase::removeDatabase(name);
        });
    // A counter that failed to connect has not counted down: count it down for it, so nobody waits.
    connected.count_down();
    for (int waited = 0; !connected.try_wait() && waited < 300; ++waited) {
        {
            const QMutexLocker lock(&mutex);
            if (!run.failures.isEmpty())
                break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    QElapsedTimer t;
    t.start();
    start.count_down();
    for (std::thread& th : threads)
        th.join();
    run.ms = t.nsecsElapsed() / 1e6;
    return run;
}

bool countersBench() {
    test::TestEnv env;
    const data::ServerAddress address = *app::environment().server;
    const QString name = QStringLiteral("运单");
    {
        data::Transaction tx(env.db());
        makeLog(data::sharedEngine(), name);
        tx.commit();
    }
    const templates::PrintLogStore store(data::sharedEngine());
    bool ok = true;
    qint64 expected = 0;
    for (bool asBatch : {true, false}) {
        CountersRun run = tenCounters(address, name, asBatch);
        expected += kCounters * kSheetsEach;
        const auto log = store.find(name);
        qint64 rows = 0;
        if (log) {
            QSqlQuery q = store.query(*log, {QString(), QString(), QDate(2000, 1, 1), QDate(2100, 1, 1)});
            while (q.next())
                ++rows;
        }
        for (const QString& f : run.failures)
            std::printf("  refused: %s\n", qPrintable(f));
        std::printf("  %lld sheets in the log (expected %lld), %lld refused\n", rows, expected,
                    qint64(run.failures.size()));
        const bool complete = rows == expected && run.failures.isEmpty();
        ok &= complete;
        const char* what = asBatch ? "ten counters log a batch of 100 sheets each at once"
                                   : "ten counters log 100 single sheets each at once";
        ok &= bench::report(what, run.ms, kCountersMs);
        if (!complete)
            std::printf("  MISSED: sheets lost or refused\n");
    }
    return ok;
}

// The local database to be moved: customers, templates with their input points, pictures and logs.
data::Engine makeSource(const QString& path) {
    data::Engine e = data::sqlite::open(path, path, data::sqlite::Access::Create);
    e.prepareConnection();
    data::schema::create(e);
    data::Transaction tx(e);
    customers::CustomerStore customers(e);
    for (int i = 0; i < kCustomers; ++i) {
        customers::Customer c;
        c[0] = QStringLiteral("杭州示例贸易有限公司%1").arg(i);
        c[1] = QStringLiteral("KH%1").arg(i);
        c[2] = QStringLiteral("杭州市西湖区文三路%1号").arg(i % 900);
        c[3] = QStringLiteral("310012");
        c[4] = QStringLiteral("1380013%1").arg(i % 10000, 4, 10, QLatin1Char('0'));
        c[5] = QStringLiteral("0571-8888%1").arg(i % 10000);
        c[6] = QStringLiteral("联系人%1").arg(i % 500);
        c[7] = QStringLiteral("中国工商银行杭州分行");
        c[8] = QStringLiteral("6222021202%1").arg(i, 9, 10, QLatin1Char('0'));
        c[9] = QStringLiteral("杭州市延安路%1号").arg(i % 300);
        c[10] = QStringLiteral("浙江");
        c[11] = QStringLiteral("杭州");
        customers.insert(c);
    }
    const QByteArray scan = test::printfixture::scanJpeg(1024 * 1024);
    QStringList columns{data::quoteId(templates::PrintLogStore::kDateColumn)};
    for (const char* point : kPoints)
        columns << data::quoteId(QString::fromUtf8(point));
    for (int k = 1; k <= kTemplates; ++k) {
        const QString name = QStringLiteral("运单%1").arg(k, 2, 10, QLatin1Char('0'));
        int slot = 0;
        for (const char* point : kPoints)
            test::printfixture::addRow(e.db(), name,
                                       {templates::type::SingleLine, QString::fromUtf8(point),
                                        QStringLiteral("无"), ++slot, float(200 + slot * 300), 300, 2300,
                                        315});
        test::printfixture::addHeader(e.db(), name, scan);
        makeLog(e, name);
        // Put together without arg(): the statement's own % signs are not place markers.
        data::exec(
            e,
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < ? - 1) "
                           "INSERT INTO ") +
                data::quoteId(name) + QStringLiteral(" (") + columns.join(QStringLiteral(", ")) +
                QStringLiteral(") SELECT strftime('%Y-%m-%d %H:%M:%S', julianday('2021-01-01') + i / 100.0), "
                               "'收件人' || (i % 5000), '1380571' || printf('%04d', i % 10000), "
                               "'浙江省杭州市西湖区文三路' || (i % 900) || '号', (i % 7) + 1, "
                               "printf('%.2f', (i % 100000) / 100.0), CASE WHEN i % 3 = 0 THEN '加急' END "
                               "FROM n"),
            {kLogRowsEach});
    }
    tx.commit();
    return e;
}

bool migrationBench() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("RavIZ.mdb"));
    QElapsedTimer fill;
    fill.start();
    data::Engine source = makeSource(path);
    std::printf("(local database: %.1f MB, %d customers, %d templates with %d logged sheets each, made in "
                "%.1f s)\n",
                QFileInfo(path).size() / 1048576.0, kCustomers, kTemplates, kLogRowsEach,
                fill.elapsed() / 1000.0);

    const data::ServerAddress a = test::newServerDatabase();
    bool ok = true;
    {
        const data::Engine target = data::postgres::open(a, QStringLiteral("migration-target"));
        target.prepareConnection();
        QElapsedTimer t;
        t.start();
        double lastTable = 0;
        QString table;
        const auto progress = [&](const maintenance::MigrationStep& s) {
            if (s.table != table) {
                const double now = t.nsecsElapsed() / 1e6;
                if (!table.isEmpty() && qEnvironmentVariableIsSet("VORLAN_BENCH_DETAIL"))
                    std::printf("  %s: %.0f ms\n", qPrintable(table), now - lastTable);
                table = s.table;
                lastTable = now;
            }
            return true;
        };
        try {
            const maintenance::MigrationReport report = maintenance::migrate(source, target, progress);
            const double ms = t.nsecsElapsed() / 1e6;
            qint64 rows = 0;
            for (const maintenance::TableCheck& c : report.tables)
                rows += c.targetRows;
            std::printf("  %lld rows in %lld tables copied and proved, %s\n", rows,
                        qint64(report.tables.size()), report.committed ? "committed" : "NOT committed");
            ok &= report.committed;
            ok &= bench::report("100 MB local database migrated to the server", ms, kMigrationMs);
        } catch (const data::DbError& e) {
            std::printf("migration failed: %s\n", qPrintable(e.description()));
            ok = false;
        }
        QSqlDatabase db = target.db();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("migration-target"));
    test::dropServerDatabase(a);
    {
        QSqlDatabase db = source.db();
        source = data::Engine();
        db.close();
    }
    QSqlDatabase::removeDatabase(path);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    // Measured on the server only, whatever engine the other benchmarks measure.
    qputenv("VORLAN_BENCH_ENGINE", "postgresql");
    bench::chooseEngine();
    bool ok = countersBench();
    ok &= migrationBench();
    std::printf("%s\n", ok ? "all targets met" : "TARGET MISSED");
    return ok ? 0 : 1;
}
