// A child process compacts the database over and over, committing rows in between, and is killed at
// many moments. After every kill the database must open, pass the integrity check and hold every row
// the child reported as committed.

#include "TestEnv.h"
#include "TestServer.h"
#include "app/AppState.h"
#include "data/Database.h"
#include "data/Sql.h"
#include "maintenance/Maintenance.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QThread>

#include <cstdio>
#include <cstring>

using namespace vorlan;

namespace {

const char* const kChildFlag = "--compact-child";

void say(const char* line) {
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// The child: C <n> after row n is committed, K before a compaction, R once the database is open again.
int childMain(const QString& folder) {
    // Not a test environment of its own: its temporary folder would outlive the kill.
    app::environment().dataLocation = data::DataLocation{folder, {}};
    if (data::openShared().status != data::OpenStatus::Opened)
        return 2;
    qint64 n =
        data::scalar(data::shared(), QStringLiteral("SELECT coalesce(max(id), 0) FROM sheets")).toLongLong();
    say("S");
    const QString filler(300, QChar(u'填'));
    for (;;) {
        const QSqlDatabase db = data::shared();
        for (int i = 0; i < 3; ++i) {
            data::exec(db, QStringLiteral("INSERT INTO sheets VALUES (?, ?)"), {++n, filler});
            say(QByteArray("C " + QByteArray::number(n)).constData());
        }
        // Rows that come and go leave free pages for the compaction to drop.
        {
            data::Transaction t(db);
            for (int i = 0; i < 100; ++i)
                data::exec(db, QStringLiteral("INSERT INTO sheets VALUES (-1, ?)"), {filler});
            t.commit();
        }
        data::exec(db, QStringLiteral("DELETE FROM sheets WHERE id < 0"));
        say("K");
        data::closeShared();
        try {
            maintenance::compactDatabase(folder);
        } catch (const data::DbError& e) {
            std::fprintf(stderr, "%s\n", qPrintable(e.description()));
            return 3;
        }
        if (data::openShared().status != data::OpenStatus::Opened)
            return 4;
        say("R");
    }
}

} // namespace

class TestCompactionCrash : public QObject {
    Q_OBJECT
private slots:
    void killedAtManyMoments() {
        VORLAN_FILE_ONLY("the compaction replaces the file while its process is killed");
        test::TestEnv env;
        data::exec(env.db(), QStringLiteral("CREATE TABLE sheets (id INTEGER, payload TEXT)"));
        {
            data::Transaction t(env.db());
            const QString filler(300, QChar(u'旧'));
            for (int i = 1; i <= 8000; ++i)
                data::exec(env.db(), QStringLiteral("INSERT INTO sheets VALUES (?, ?)"), {i, filler});
            t.commit();
        }
        data::closeShared();

        const int kRuns = 40;
        qint64 committed = 8000;
        int inCompaction = 0, compactions = 0;
        for (int run = 0; run < kRuns; ++run) {
            QProcess child;
            child.setProcessChannelMode(QProcess::SeparateChannels);
            child.start(QCoreApplication::applicationFilePath(),
                        {QString::fromLatin1(kChildFlag), env.folder()});
            QVERIFY(child.waitForStarted());
            // Wait for the child to be running its loop, then a spread of delays over several cycles.
            QElapsedTimer started;
            started.start();
            QByteArray out;
            while (!out.contains("S\n") && started.elapsed() < 20000 && child.state() == QProcess::Running) {
                child.waitForReadyRead(50);
                out += child.readAllStandardOutput();
            }
            QVERIFY2(out.contains("S\n"), child.readAllStandardError().constData());
            // On a busy machine a compaction may outlast every delay below: now and then let one finish.
            const QByteArray awaited = run % 10 == 9 ? QByteArray("R\n") : QByteArray("S\n");
            while (!out.contains(awaited) && started.elapsed() < 60000 &&
                   child.state() == QProcess::Running) {
                child.waitForReadyRead(50);
                out += child.readAllStandardOutput();
            }
            QVERIFY2(out.contains(awaited), child.readAllStandardError().constData());
            QThread::msleep((run * 37) % 300);
            child.kill();
            QVERIFY(child.waitForFinished(10000));
            out += child.readAllStandardOutput();
            QVERIFY2(child.exitStatus() == QProcess::CrashExit, child.readAllStandardError().constData());

            const QList<QByteArray> lines = out.split('\n');
            QByteArray lastMark;
            for (const QByteArray& line : lines) {
                if (line.startsWith("C "))
                    committed = std::max(committed, line.mid(2).toLongLong());
                if (line == "R")
                    ++compactions;
                if (!line.isEmpty())
                    lastMark = line.left(1);
            }
            if (lastMark == "K")
                ++inCompaction;

            // The database opens as the program opens it, is sound, and holds every committed row.
            const data::OpenResult r = data::openShared();
            QVERIFY2(r.status == data::OpenStatus::Opened, qPrintable(r.message));
            QCOMPARE(data::scalar(data::shared(), QStringLiteral("PRAGMA integrity_check")).toString(),
                     QStringLiteral("ok"));
            QCOMPARE(data::scalar(data::shared(),
                                  QStringLiteral("SELECT count(DISTINCT id) FROM sheets WHERE id "
                                                 "BETWEEN 1 AND ?"),
                                  {committed})
                         .toLongLong(),
                     committed);
            data::closeShared();
        }
        qInfo("%d kills, %d of them during a compaction; %d compactions finished; %lld rows committed", kRuns,
              inCompaction, compactions, committed);
        QVERIFY(compactions > 0);
        QVERIFY(inCompaction > 0);
    }
};

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], kChildFlag) == 0) {
        QCoreApplication app(argc, argv);
        return childMain(QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    TestCompactionCrash t;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&t, argc, argv);
}

#include "tst_compactioncrash.moc"
