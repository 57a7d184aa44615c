// What became of a logged sheet's job, asked of a real print queue: a job held on the queue shows as
// held in 数据查询, cancelled there it shows as cancelled, released it prints and shows as completed. The
// queue is a copy of the cups-pdf default printer (scripts/run-tests.sh sets that up) that holds every
// job it gets.
#include "BothEngines.h"
#include "PrintProbe.h"
#include "TestEnv.h"
#include "app/AppState.h"
#include "history/Frm_CXdata.h"
#include "history/HistoryModel.h"
#include "printing/Batch.h"
#include "printing/PrintJobStore.h"
#include "printing/SampleData.h"
#include "ui/Printer.h"

#include <QElapsedTimer>
#include <QLibrary>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTest>
#include <QThread>

using namespace vorlan;
using namespace Qt::StringLiterals;

namespace {

using probe::run;

// The state the history list shows for its only sheet.
QString shownState(history::Frm_CXdata& w) {
    w.Comd_FindData->click();
    w.model->fetchAll();
    if (w.model->rowCount() != 1)
        return u"%1 rows"_s.arg(w.model->rowCount());
    return w.model->index(0, w.model->stateColumn()).data().toString();
}

} // namespace

// QSKIP returns from the function it is written in, so this is a macro.
#define REQUIRE_QUEUE()                                                                                      \
    if (queue_.isEmpty())                                                                                    \
    QSKIP("no CUPS default printer on a cups-pdf queue (scripts/run-tests.sh sets one up when run as root)")

class TestJobState : public QObject {
    Q_OBJECT
private:
    QString queue_;
    QString held_;

    // A copy of the queue that holds every job, made on first use; empty when it cannot be made here.
    QString heldQueue() {
        if (held_.isEmpty() && !queue_.isEmpty()) {
            const QString name = u"VorlanJobState%1"_s.arg(QCoreApplication::applicationPid());
            int code = 0;
            run(u"lpadmin"_s,
                {u"-p"_s, name, u"-E"_s, u"-v"_s, u"cups-pdf:/"_s, u"-P"_s,
                 u"/etc/cups/ppd/%1.ppd"_s.arg(queue_), u"-o"_s, u"job-hold-until-default=indefinite"_s},
                &code);
            if (code == 0)
                held_ = name;
        }
        return held_;
    }

private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable(u"lpstat"_s).isEmpty())
            return;
        const QString name = QPrinterInfo::defaultPrinter().printerName();
        // Only a queue that writes PDF files is used: tests never print on paper.
        if (!name.isEmpty() && run(u"lpstat"_s, {u"-v"_s, name}).contains(u"cups-pdf:"_s))
            queue_ = name;
    }

    void cleanupTestCase() {
        if (!held_.isEmpty()) {
            run(u"cancel"_s, {u"-a"_s, u"-x"_s, held_});
            run(u"lpadmin"_s, {u"-x"_s, held_});
        }
    }

    void heldJob_data() {
        QTest::addColumn<QString>("then"); // what is done to the held job
        QTest::addColumn<QString>("shown");
        QTest::newRow("left held") << QString() << u"暂停"_s;
        QTest::newRow("cancelled") << u"cancel"_s << u"已取消"_s;
        QTest::newRow("released: printed") << u"release"_s << u"已完成"_s;
    }
    void heldJob() {
        QFETCH(QString, then);
        QFETCH(QString, shown);
        REQUIRE_QUEUE();
        const QString held = heldQueue();
        if (held.isEmpty())
            QSKIP("a holding print queue cannot be set up here (lpadmin needs administrator rights)");
        test::TestEnv env;
        env.printToSystem();
        printing::sample::seedSampleData(env.db());

        // One sheet of the sample, printed through the holding queue and logged with its job.
        printing::BatchJob job;
        job.tmpl = printing::sample::sampleTemplate();
        job.data.header = QStringList{u"收件人"_s};
        job.data.rows << QStringList{u"张三"_s};
        job.data.rowNumbers << 2;
        job.map = printing::mapColumns(job.data.header, printing::batchPoints(job.tmpl));
        job.chosen = printing::allRows(job.data);
        const printing::BatchBuild b = printing::buildBatch(job);
        QVERIFY2(b.ok(), qPrintable(b.problem));
        QString problem;
        const auto printer = printing::openBatchPrinter(job.tmpl.name, held, &problem);
        QVERIFY2(printer, qPrintable(problem));
        const printing::BatchOutcome out = printing::printBatch(*printer, b.sheets);
        QVERIFY2(out.ok(), qPrintable(out.problem));
        QCOMPARE(out.job.queue, held);
        QVERIFY(out.job.jobId > 0);
        QVERIFY(printing::logBatch(b.sheets, out.job).ok());
        const QString id = u"%1-%2"_s.arg(held).arg(out.job.jobId);

        app::state().currentTemplate = job.tmpl.name;
        history::Frm_CXdata w;
        w.load();
        QCOMPARE(shownState(w), u"暂停"_s);
        const QString tip = w.model->index(0, w.model->stateColumn()).data(Qt::ToolTipRole).toString();
        QVERIFY2(tip.contains(u"第%1号作业"_s.arg(out.job.jobId)), qPrintable(tip));

        int code = 0;
        if (then == u"cancel")
            run(u"cancel"_s, {id}, &code);
        else if (then == u"release")
            run(u"lp"_s, {u"-i"_s, id, u"-H"_s, u"resume"_s}, &code);
        QCOMPARE(code, 0);
        // The queue takes a moment to finish a released job.
        QElapsedTimer clock;
        clock.start();
        QString state = shownState(w);
        while (state != shown && clock.elapsed() < 60000) {
            QThread::msleep(200);
            state = shownState(w);
        }
        QCOMPARE(state, shown);
        QVERIFY(env.prompter.shown.isEmpty());
    }

    // A print system that does not answer is given a few seconds, not the library's half minute: the
    // list then shows the sheet's state as unknown. (A server that takes the connection and never
    // answers, set for this process only.)
    void unansweredPrintSystem() {
        QLibrary cups(u"cups"_s, 2);
        using SetServer = void (*)(const char*);
        using Server = const char* (*)();
        const auto setServer = reinterpret_cast<SetServer>(cups.resolve("cupsSetServer"));
        const auto server = reinterpret_cast<Server>(cups.resolve("cupsServer"));
        if (!setServer || !server)
            QSKIP("the print system's library (libcups) is not installed");
        test::TestEnv env;
        env.printToSystem();
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        const QByteArray before = server();
        setServer(u"127.0.0.1:%1"_s.arg(silent.serverPort()).toLatin1().constData());
        QElapsedTimer clock;
        clock.start();
        const printing::QueueJobs jobs = ui::queueJobs();
        const qint64 took = clock.elapsed();
        setServer(before.constData());
        QVERIFY(jobs.isEmpty());
        QVERIFY2(took < 2 * ui::kJobQueryMilliseconds, qPrintable(u"%1 ms"_s.arg(took)));
        qInfo("no answer: given up after %lld ms", took);
    }
};

QTEST_MAIN(TestJobState)
#include "tst_jobstate.moc"
