// The print job of each logged sheet: kept with the log, forgotten with it, and what the history list
// says of it from what the print system reports.
#include "BothEngines.h"
#include "TestEnv.h"
#include "data/Sql.h"
#include "printing/PrintJobStore.h"
#include "templates/CounterStore.h"
#include "templates/PrintLogStore.h"

#include <QTest>

using namespace vorlan;
using namespace vorlan::printing;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(vorlan::printing::SpooledAs)
Q_DECLARE_METATYPE(vorlan::printing::QueueJobs)

namespace {

const QString kTemplate = u"运单"_s;

templates::Template waybill() {
    templates::Template t;
    t.name = kTemplate;
    templates::InputPoint p;
    p.type = templates::type::SingleLine;
    p.name = u"收件人"_s;
    p.binding = templates::kNoBinding;
    p.rect = {100_tw, 200_tw, 2055_tw, 315_tw};
    t.single.append(p);
    return t;
}

// The template's log with n sheets; their keys.
QList<qint64> logSheets(const data::Engine& e, int n) {
    const templates::PrintLogStore logs(e);
    if (!logs.find(kTemplate)) {
        data::Transaction tx(e);
        templates::PendingColumns none;
        logs.bringUpToDate(waybill(), none);
        tx.commit();
    }
    QList<QList<templates::LogValue>> rows;
    for (int i = 0; i < n; ++i)
        rows << QList<templates::LogValue>{{u"收件人"_s, u"张%1"_s.arg(i)}};
    return logs.insertMany(kTemplate, QDateTime::currentDateTime(), rows);
}

QString table(const data::Engine& e) {
    return templates::PrintLogStore(e).tableName(kTemplate);
}

} // namespace

class TestPrintJobStore : public QObject {
    Q_OBJECT
private slots:
    void keptAndReadBack_data() {
        QTest::addColumn<SpooledAs>("job");
        QTest::addColumn<bool>("reprint");
        QTest::addColumn<bool>("kept");
        QTest::newRow("a queue's job") << SpooledAs{u"PDF"_s, 17, false} << false << true;
        QTest::newRow("a reprint's job") << SpooledAs{u"PDF"_s, 18, false} << true << true;
        QTest::newRow("a PDF file") << SpooledAs{QString(), 0, true} << false << true;
        QTest::newRow("no job number") << SpooledAs{u"PDF"_s, 0, false} << false << false;
        QTest::newRow("nothing known") << SpooledAs{} << false << false;
    }
    void keptAndReadBack() {
        QFETCH(SpooledAs, job);
        QFETCH(bool, reprint);
        QFETCH(bool, kept);
        test::TestEnv env;
        const data::Engine e(env.db());
        const QList<qint64> ids = logSheets(e, 3);
        QCOMPARE(ids.size(), 3);
        QVERIFY(ids.at(0) > 0 && ids.at(1) > ids.at(0) && ids.at(2) > ids.at(1));
        const PrintJobStore store(e);
        // An older job of the first sheet is replaced, or forgotten when the new one is not known.
        store.record(table(e), {ids.at(0)}, SpooledAs{u"Old"_s, 3, false});
        store.record(table(e), ids.mid(0, 2), job, reprint);
        const QHash<qint64, SheetJob> got = store.jobsOf(table(e), ids);
        QCOMPARE(got.size(), kept ? 2 : 0);
        if (kept) {
            const SheetJob want{templates::CounterStore::thisCounter(),
                                job.pdfFile ? SpooledAs{QString(), 0, true} : job, reprint};
            QCOMPARE(got.value(ids.at(0)), want);
            QCOMPARE(got.value(ids.at(1)), want);
        }
        QVERIFY(!got.contains(ids.at(2)));
        QCOMPARE(store.anyQueued(table(e), templates::CounterStore::thisCounter()), kept && !job.pdfFile);
        QVERIFY(!store.anyQueued(table(e), u"另一台"_s));
    }

    // Deleting sheets from the log forgets their jobs; dropping the log forgets them all, so a log made
    // again under the name never shows an old job beside a new sheet.
    void forgottenWithTheLog() {
        test::TestEnv env;
        const data::Engine e(env.db());
        const QList<qint64> ids = logSheets(e, 3);
        const PrintJobStore store(e);
        store.record(table(e), ids, SpooledAs{u"PDF"_s, 5, false});
        const templates::PrintLogStore logs(e);
        logs.deleteRows(*logs.find(kTemplate), {ids.at(1)});
        QCOMPARE(store.jobsOf(table(e), ids).keys().size(), 2);
        QVERIFY(!store.jobsOf(table(e), ids).contains(ids.at(1)));
        const QString name = table(e);
        {
            data::Transaction tx(e);
            logs.drop(kTemplate);
            tx.commit();
        }
        QVERIFY(store.jobsOf(name, ids).isEmpty());
        QVERIFY(!store.anyQueued(name, templates::CounterStore::thisCounter()));
    }

    // Many sheets at once, more than one statement takes.
    void manySheets() {
        test::TestEnv env;
        const data::Engine e(env.db());
        const QList<qint64> ids = logSheets(e, 1203);
        const PrintJobStore store(e);
        store.record(table(e), ids, SpooledAs{u"PDF"_s, 9, false}, true);
        const QHash<qint64, SheetJob> got = store.jobsOf(table(e), ids);
        QCOMPARE(got.size(), 1203);
        QVERIFY(got.value(ids.last()).reprinted);
        store.remove(table(e), ids.mid(0, 700));
        QCOMPARE(store.jobsOf(table(e), ids).size(), 503);
    }

    void shown_data() {
        QTest::addColumn<bool>("recorded");
        QTest::addColumn<SpooledAs>("job");
        QTest::addColumn<QString>("counter");
        QTest::addColumn<bool>("reprinted");
        QTest::addColumn<QueueJobs>("known");
        QTest::addColumn<QString>("text");
        const QString here = u"本机"_s;
        const SpooledAs job{u"PDF"_s, 12, false};
        auto with = [](int state, const QString& queue = u"PDF"_s) {
            return QueueJobs{{12, QueueJob{queue, jobStateFromIpp(state)}}};
        };
        QTest::newRow("never kept") << false << SpooledAs{} << here << false << QueueJobs{} << u"不详"_s;
        QTest::newRow("a PDF file") << true << SpooledAs{QString(), 0, true} << here << false << QueueJobs{}
                                    << u"PDF文件"_s;
        QTest::newRow("cancelled") << true << job << here << false << with(7) << u"已取消"_s;
        QTest::newRow("completed") << true << job << here << false << with(9) << u"已完成"_s;
        QTest::newRow("reprinted, completed")
            << true << job << here << true << with(9) << u"重新打印：已完成"_s;
        QTest::newRow("forgotten by the queue") << true << job << here << false << QueueJobs{} << u"不详"_s;
        // The number given again by the print system, to a job of another queue.
        QTest::newRow("number of another queue")
            << true << job << here << false << with(7, u"Other"_s) << u"不详"_s;
        QTest::newRow("queue names ignore case")
            << true << job << here << false << with(7, u"pdf"_s) << u"已取消"_s;
        QTest::newRow("another computer's job") << true << job << u"柜台2"_s << false << with(7) << u"不详"_s;
    }
    void shown() {
        QFETCH(bool, recorded);
        QFETCH(SpooledAs, job);
        QFETCH(QString, counter);
        QFETCH(bool, reprinted);
        QFETCH(QueueJobs, known);
        QFETCH(QString, text);
        const std::optional<SheetJob> sheet =
            recorded ? std::optional<SheetJob>(SheetJob{counter, job, reprinted}) : std::nullopt;
        QCOMPARE(sheetStateText(sheet, known, u"本机"_s), text);
        QVERIFY(!sheetStateDetail(sheet, u"本机"_s).isEmpty());
        if (recorded && counter != u"本机"_s)
            QVERIFY(sheetStateDetail(sheet, u"本机"_s).contains(counter));
    }
};

QTEST_MAIN(TestPrintJobStore)
#include "tst_printjobstore.moc"
