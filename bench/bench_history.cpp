// One-day query of the print history over a log table of 1,000,000 sheets: at most 50 ms from the
// statement to every row of the day in the list's model, each with its print job's state as the window
// shows it (every sheet has its job kept). On the server (VORLAN_BENCH_ENGINE=postgresql) the rows are the
// template's in the one log table every template shares.

#include "BenchUtil.h"
#include "TestEnv.h"
#include "data/Sql.h"
#include "history/HistoryModel.h"
#include "printing/PrintJobStore.h"
#include "templates/PrintLogStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

using namespace vorlan;

namespace {

constexpr int kRows = 1'000'000;
constexpr int kDays = 1000; // a thousand sheets a day
constexpr double kTargetMs = 50.0;

double medianMs(QList<double> v) {
    std::sort(v.begin(), v.end());
    return v.at(v.size() / 2);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    bench::chooseEngine();
    test::TestEnv env;
    const QSqlDatabase db = env.db();
    const QString table = QStringLiteral("运单");

    // The log table as the designer's save creates it, with its index on the print date.
    const templates::PrintLogStore store(db);
    {
        templates::Template t;
        t.name = table;
        for (const char* point : {"收件人", "电话", "地址", "件数", "金额", "备注"}) {
            templates::InputPoint p;
            p.type = templates::type::SingleLine;
            p.name = QString::fromUtf8(point);
            t.single.append(p);
        }
        templates::PendingColumns pending;
        data::Transaction tx(db);
        store.bringUpToDate(t, pending);
        tx.commit();
    }
    QElapsedTimer fill;
    fill.start();
    if (bench::onServer()) {
        // The shared log's row: the template, the counter, the time and the values by input point as one
        // object (a Null value left out).
        data::Transaction t(db);
        data::exec(
            db,
            QStringLiteral(
                "INSERT INTO vorlan_log (template, counter, printed_at, vals) SELECT CAST(? AS text), "
                "'bench', "
                "to_char(timestamp '2021-01-01' + (i / CAST(? AS integer)) * interval '1 day' + "
                "  ((i % CAST(? AS integer)) * 86399 / CAST(? AS integer)) * interval '1 second', "
                "  'YYYY-MM-DD HH24:MI:SS'), "
                "jsonb_strip_nulls(jsonb_build_object('收件人', '收件人' || (i % 5000), "
                "  '电话', '1380571' || lpad((i % 10000)::text, 4, '0'), "
                "  '地址', '浙江省杭州市西湖区文三路' || (i % 900) || '号', '件数', ((i % 7) + 1)::text, "
                "  '金额', to_char((i % 100000) / 100.0, 'FM999990.00'), "
                "  '备注', CASE WHEN i % 3 = 0 THEN '加急' END)) "
                "FROM generate_series(0, CAST(? AS integer) - 1) AS i"),
            {table, kRows / kDays, kRows / kDays, kRows / kDays, kRows});
        t.commit();
    } else {
        data::Transaction t(db);
        data::exec(
            db,
            QStringLiteral(
                "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < ? - 1) "
                "INSERT INTO \"运单\" SELECT strftime('%Y-%m-%d %H:%M:%S', "
                "  julianday('2021-01-01') + (i / ?) + (i % ?) * 86399.0 / ? / 86400.0), "
                "'收件人' || (i % 5000), '1380571' || printf('%04d', i % 10000), "
                "'浙江省杭州市西湖区文三路' || (i % 900) || '号', (i % 7) + 1, "
                "printf('%.2f', (i % 100000) / 100.0), CASE WHEN i % 3 = 0 THEN '加急' END, NULL FROM n"),
            {kRows, kRows / kDays, kRows / kDays, kRows / kDays});
        t.commit();
    }
    {
        // Every sheet's job, a queue's (the window's query reads them along).
        data::Transaction t(db);
        data::exec(db,
                   QStringLiteral("INSERT INTO %1 (template, log_id, counter, queue, job_id, pdf, reprint) "
                                  "SELECT CAST(? AS text), %2, 'bench', 'PDF', %2, 0, 0 FROM %3")
                       .arg(printing::PrintJobStore::kTable,
                            bench::onServer() ? QStringLiteral("id") : QStringLiteral("\"记录号\""),
                            bench::onServer() ? QStringLiteral("vorlan_log") : QStringLiteral("\"运单\"")),
                   {store.tableName(table)});
        t.commit();
    }
    data::exec(db, QStringLiteral("ANALYZE"));
    std::printf("filled %d log rows in %.1f s\n", kRows, fill.elapsed() / 1000.0);

    const auto logTable = store.find(table);
    if (!logTable) {
        std::printf("no log table\n");
        return 1;
    }

    history::HistoryModel model;
    model.setColumns(logTable->columns);
    // As the window fills the state column: the job kept, and what the print system said (here nothing).
    const history::JobCells cells = [](const QSqlQuery& q, int first) {
        const auto sheet = printing::PrintJobStore::joinedJob(q, first);
        return history::JobCell{printing::sheetStateText(sheet, {}, QStringLiteral("bench")),
                                printing::sheetStateDetail(sheet, QStringLiteral("bench"))};
    };
    auto measure = [&](const QString& column, const QString& text, int* rows, bool jobs = true) {
        QList<double> times;
        for (int run = 0; run < 15; ++run) {
            const QDate day = QDate(2021, 1, 1).addDays((run * 97) % kDays);
            QElapsedTimer t;
            t.start();
            // As the window does: the list lets go of its cursor before the next statement runs (a server
            // connection reads one result at a time).
            model.clear();
            if (jobs)
                model.setQuery(store.query(*logTable, {column, text, day, day}, true), cells);
            else
                model.setQuery(store.query(*logTable, {column, text, day, day}));
            model.fetchAll();
            // Every cell of the day as the view would show it.
            for (int r = 0; r < model.rowCount(); ++r)
                for (int c = 0; c < model.columnCount(); ++c)
                    model.index(r, c).data();
            times << t.nsecsElapsed() / 1e6;
            *rows = model.rowCount();
        }
        return medianMs(times);
    };

    int dayRows = 0, matchRows = 0;
    const double withoutJobs = measure(QString(), QString(), &dayRows, false);
    std::printf("one-day query without the jobs, %d rows listed, median: %.1f ms\n", dayRows, withoutJobs);
    const double plain = measure(QString(), QString(), &dayRows);
    const double withText = measure(QStringLiteral("地址"), QStringLiteral("1号"), &matchRows);
    bool ok = bench::report(
        QStringLiteral("one-day query, %1 rows listed, median").arg(dayRows).toUtf8().constData(), plain,
        kTargetMs);
    ok &= bench::report(QStringLiteral("one-day query with a content condition, %1 rows listed")
                            .arg(matchRows)
                            .toUtf8()
                            .constData(),
                        withText, kTargetMs);
    std::printf("%s\n", ok ? "history query: target met" : "history query: TARGET MISSED");
    return ok ? 0 : 1;
}
