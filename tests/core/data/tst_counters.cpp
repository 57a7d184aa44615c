// Several counters on one database at once: two connections, as two computers have them, on the local
// file and on the server alike; a server that goes away and comes back; print times across time zones.
#include "TestEnv.h"
#include "TestServer.h"
#include "app/Catalogue.h"
#include "app/Environment.h"
#include "customers/CustomerStore.h"
#include "data/ChangeWatcher.h"
#include "data/Database.h"
#include "data/PostgresEngine.h"
#include "data/Sql.h"
#include "data/SqliteEngine.h"
#include "templates/PrintLogStore.h"

#include <QSignalSpy>
#include <QTest>

#include <ctime>
#include <thread>

using namespace vorlan;
using namespace Qt::StringLiterals;

namespace {

// A second computer's connection to the database of the test.
data::Engine otherCounter(const QString& name) {
    if (const auto& server = app::environment().server)
        return data::postgres::open(*server, name);
    return data::sqlite::open(data::databasePath(), name, data::sqlite::Access::ReadWrite);
}

void closeCounter(const QString& name) {
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

templates::Template logTemplate(const QString& name, const QStringList& points) {
    templates::Template t;
    t.name = name;
    for (const QString& n : points) {
        templates::InputPoint p;
        p.type = templates::type::SingleLine;
        p.name = n;
        p.binding = templates::kNoBinding;
        p.rect = {100_tw, 100_tw, 1000_tw, 300_tw};
        t.single.append(p);
    }
    return t;
}

void makeLog(const data::Engine& e, const templates::Template& t) {
    data::Transaction tx(e);
    templates::PendingColumns none;
    templates::PrintLogStore(e).bringUpToDate(t, none);
    tx.commit();
}

int logged(const data::Engine& e, const QString& name) {
    const auto table = templates::PrintLogStore(e).find(name);
    QSqlQuery q = templates::PrintLogStore(e).query(
        *table, {QString(), QString(), QDate(2000, 1, 1), QDate(2100, 1, 1)});
    int n = 0;
    while (q.next())
        ++n;
    return n;
}

} // namespace

class TestCounters : public QObject {
    Q_OBJECT

private slots:
    // Two counters print the same template at the same moment: every sheet is logged, none merged.
    void bothCountersLogEverySheet() {
        test::TestEnv env;
        const data::Engine a = data::sharedEngine();
        makeLog(a, logTemplate(u"运单"_s, {u"收件人"_s}));
        const data::Engine b = otherCounter(u"counter-b"_s);
        QList<QList<templates::LogValue>> rows;
        for (int i = 0; i < 50; ++i)
            rows << QList<templates::LogValue>{{u"收件人"_s, QString::number(i)}};
        const QDateTime at(QDate(2026, 12, 10), QTime(9, 30));
        // B in a thread of its own, on its own connection, while A logs here.
        std::thread other([&] {
            for (int k = 0; k < 4; ++k)
                templates::PrintLogStore(b).insertMany(u"运单"_s, at, rows);
        });
        for (int k = 0; k < 4; ++k)
            templates::PrintLogStore(a).insertMany(u"运单"_s, at, rows);
        other.join();
        QCOMPARE(logged(a, u"运单"_s), 400);
        closeCounter(u"counter-b"_s);
    }

    // The tree changed at B since A loaded it: A's 结构保存 is refused, B's node stays.
    void catalogueSaveNeverErasesAnotherCountersNode() {
        test::TestEnv env;
        const data::Engine a = data::sharedEngine();
        const app::CatalogueRow root{QString::fromLatin1(app::kTopParent), u"1_"_s, u"运单"_s};
        app::CatalogueStore(a).save({root});
        const QList<app::CatalogueRow> loadedAtA = app::CatalogueStore(a).load();
        const data::Engine b = otherCounter(u"counter-b"_s);
        const QList<app::CatalogueRow> loadedAtB = app::CatalogueStore(b).load();
        const app::CatalogueRow fromB{QString::fromLatin1(app::kTopParent), u"2_"_s, u"汇款单"_s};
        app::CatalogueStore(b).save({root, fromB}, loadedAtB);
        const app::CatalogueRow fromA{QString::fromLatin1(app::kTopParent), u"2_"_s, u"发票"_s};
        QVERIFY_THROWS_EXCEPTION(app::CatalogueChanged,
                                 app::CatalogueStore(a).save({root, fromA}, loadedAtA));
        QCOMPARE(app::CatalogueStore(a).load(), (QList<app::CatalogueRow>{root, fromB}));
        // Loaded again, A's save goes through.
        app::CatalogueStore(a).save({root, fromB, {QString::fromLatin1(app::kTopParent), u"3_"_s, u"发票"_s}},
                                    app::CatalogueStore(a).load());
        QCOMPARE(app::CatalogueStore(b).load().size(), 3);
        closeCounter(u"counter-b"_s);
    }

    // A customer changed at B after A read it is not overwritten: A is told, with the newer values.
    void customerChangedElsewhereIsNotOverwritten_data() {
        QTest::addColumn<bool>("deleted");
        QTest::newRow("changed") << false;
        QTest::newRow("deleted") << true;
    }
    void customerChangedElsewhereIsNotOverwritten() {
        QFETCH(bool, deleted);
        test::TestEnv env;
        const data::Engine a = data::sharedEngine();
        customers::Customer c;
        c[0] = u"张三"_s;
        c[1] = u"老地址"_s;
        customers::CustomerStore(a).insert(c);
        const data::Engine b = otherCounter(u"counter-b"_s);
        customers::Customer atB = c;
        atB[1] = u"新地址"_s;
        if (deleted)
            customers::CustomerStore(b).remove({c[0]});
        else
            customers::CustomerStore(b).replace(c[0], atB);
        customers::Customer atA = c;
        atA[2] = u"13800000000"_s;
        try {
            customers::CustomerStore(a).replace(c[0], atA, c);
            QFAIL("the other counter's change was overwritten");
        } catch (const customers::CustomerChanged& e) {
            QCOMPARE(e.now().has_value(), !deleted);
            if (!deleted)
                QCOMPARE(*e.now(), atB);
            QVERIFY(e.description().contains(u"另一台电脑"_s));
        }
        const auto now = customers::CustomerStore(a).all();
        QCOMPARE(qsizetype(now.size()), deleted ? 0 : 1);
        closeCounter(u"counter-b"_s);
    }

    // A deletes an input point in the designer while B has the template open: B's sheet is refused with
    // a sentence, and no half row is written.
    void templateChangedElsewhereLogsNoHalfRow() {
        test::TestEnv env;
        const data::Engine a = data::sharedEngine();
        makeLog(a, logTemplate(u"运单"_s, {u"收件人"_s, u"电话"_s}));
        const data::Engine b = otherCounter(u"counter-b"_s);
        {
            data::Transaction tx(a);
            templates::PendingColumns gone;
            gone.deleted << u"电话"_s;
            templates::PrintLogStore(a).bringUpToDate(logTemplate(u"运单"_s, {u"收件人"_s}), gone);
            tx.commit();
        }
        try {
            templates::PrintLogStore(b).insert(u"运单"_s, QDateTime::currentDateTime(),
                                               {{u"收件人"_s, u"李四"_s}, {u"电话"_s, u"1"_s}});
            QFAIL("a sheet of the old template was logged");
        } catch (const data::DbError& e) {
            QVERIFY2(e.description().contains(u"模板已在别处修改过"_s), qPrintable(e.description()));
        }
        QCOMPARE(logged(a, u"运单"_s), 0);
        closeCounter(u"counter-b"_s);
    }

    // What a counter wrote is what every counter reads, whatever time zone each runs in.
    void printTimesReadBackAsWritten() {
        test::TestEnv env;
        const data::Engine a = data::sharedEngine();
        makeLog(a, logTemplate(u"运单"_s, {u"收件人"_s}));
        const QByteArray saved = qgetenv("TZ");
        qputenv("TZ", "Asia/Shanghai");
        tzset();
        const QDateTime at(QDate(2026, 12, 10), QTime(23, 30, 5));
        templates::PrintLogStore(a).insert(u"运单"_s, at, {{u"收件人"_s, u"x"_s}});
        qputenv("TZ", "America/New_York");
        tzset();
        const data::Engine b = otherCounter(u"counter-b"_s);
        const auto table = templates::PrintLogStore(b).find(u"运单"_s);
        QSqlQuery q = templates::PrintLogStore(b).query(*table, {QString(), QString(), at.date(), at.date()});
        QVERIFY(q.next());
        QCOMPARE(q.value(1).toString(), u"2026-12-10 23:30:05"_s);
        if (saved.isEmpty())
            qunsetenv("TZ");
        else
            qputenv("TZ", saved);
        tzset();
        closeCounter(u"counter-b"_s);
    }

    // A customer added at B is announced at A without a restart.
    void anotherCountersWriteIsAnnounced() {
        VORLAN_SERVER_ONLY("only a server has other computers writing to it");
        test::TestEnv env;
        data::ChangeWatcher::instance().watchSharedConnection();
        QSignalSpy spy(&data::ChangeWatcher::instance(), &data::ChangeWatcher::changed);
        const data::Engine b = otherCounter(u"counter-b"_s);
        customers::Customer c;
        c[0] = u"王五"_s;
        customers::CustomerStore(b).insert(c);
        QTRY_VERIFY_WITH_TIMEOUT(spy.contains(QVariantList{u"basic_khgl"_s}), 5000);
        closeCounter(u"counter-b"_s);
    }

    // The server drops the connection (restarted, network cut): the action fails with a sentence, and
    // the next one works on a new connection.
    void aLostConnectionIsMadeAgain() {
        VORLAN_SERVER_ONLY("a file's connection cannot be cut");
        test::TestEnv env;
        const data::Engine a = data::sharedEngine();
        const qint64 pid = data::scalar(a, u"SELECT pg_backend_pid()"_s).toLongLong();
        const data::Engine b = otherCounter(u"counter-b"_s);
        data::exec(b, u"SELECT pg_terminate_backend(CAST(? AS integer))"_s, {pid});
        try {
            customers::CustomerStore(a).all();
            QFAIL("a cut connection went unnoticed");
        } catch (const data::DbError& e) {
            QVERIFY2(e.description().contains(u"连接断开了"_s), qPrintable(e.description()));
        }
        const data::Engine again = data::sharedEngine();
        QVERIFY(customers::CustomerStore(again).all().empty());
        QVERIFY(data::scalar(again, u"SELECT pg_backend_pid()"_s).toLongLong() != pid);
        closeCounter(u"counter-b"_s);
    }
};

QTEST_GUILESS_MAIN(TestCounters)
#include "tst_counters.moc"
