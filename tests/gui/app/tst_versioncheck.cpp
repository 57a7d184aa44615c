#include "LocalHttpServer.h"
#include "TestEnv.h"
#include "app/Product.h"
#include "app/VersionCheck.h"

#include <QElapsedTimer>
#include <QStringEncoder>
#include <QTest>

using namespace vorlan;

namespace {

QString announcement(const QString& published) {
    return QStringLiteral("您好！忠心的感谢您便用本系统！现目前最新的版本号为：") + published +
           QStringLiteral("，请您在") + QString::fromLatin1(app::kWebSite) + QStringLiteral("下载最新版本！");
}

} // namespace

class TestVersionCheck : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::initTestApplication(); }

    void announcementText_data() {
        QTest::addColumn<QString>("published");
        QTest::addColumn<bool>("announced");
        QTest::newRow("same version") << QStringLiteral("Wex-Zov Ver 2.0") << false;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("newer") << QStringLiteral("Wex-Zov Ver 2.1") << true;
        QTest::newRow("older") << QStringLiteral("Wex-Zov Ver 1.5") << true;
        QTest::newRow("other case") << QStringLiteral("wex-zov ver 2.0") << true; // compared exactly
        QTest::newRow("Chinese") << QStringLiteral("新版 3.0（正式版）") << true;
    }

    void announcementText() {
        QFETCH(QString, published);
        QFETCH(bool, announced);
        QCOMPARE(app::versionAnnouncement(published), announced ? announcement(published) : QString());
    }

    void fetchesThePublishedText() {
        test::ScopedEnvironment env;
        test::LocalHttpServer server;
        QVERIFY(server.isListening());
        env.setUpdateServer(server.url().toString());
        server.serve(QStringLiteral("/ZovVer.txt"),
                     QStringEncoder("GBK").encode(QStringLiteral("Wex-Zov 新版 2.5")));
        QCOMPARE(app::fetchPublishedVersion(), QStringLiteral("Wex-Zov 新版 2.5"));
        QCOMPARE(server.requests(), QStringList{QStringLiteral("/ZovVer.txt")});

        server.serve(QStringLiteral("/ZovVer.txt"), "Wex-Zov Ver 2.1", 404);
        QCOMPARE(app::fetchPublishedVersion(), QString()); // an error page is no version
    }

    void checkAtLogin_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("shown"); // empty: nothing shown
        QTest::newRow("same text") << QByteArray("Wex-Zov Ver 2.0") << QString();
        QTest::newRow("empty body") << QByteArray() << QString();
        QTest::newRow("newer") << QByteArray("Wex-Zov Ver 2.1")
                               << announcement(QStringLiteral("Wex-Zov Ver 2.1"));
        QTest::newRow("older") << QByteArray("Wex-Zov Ver 1.0")
                               << announcement(QStringLiteral("Wex-Zov Ver 1.0"));
    }

    void checkAtLogin() {
        QFETCH(QByteArray, body);
        QFETCH(QString, shown);
        test::TestEnv env(false);
        test::LocalHttpServer server;
        env.setUpdateServer(server.url().toString());
        server.serve(QStringLiteral("/ZovVer.txt"), body);
        app::CheckNewVersion(nullptr);
        QCOMPARE(server.requestCount(QStringLiteral("/ZovVer.txt")), 1);
        if (shown.isEmpty()) {
            QVERIFY(env.prompter.shown.isEmpty());
            return;
        }
        QCOMPARE(env.prompter.shown.size(), 1);
        QCOMPARE(env.prompter.last().text, shown);
        QCOMPARE(env.prompter.last().title, QStringLiteral("提示"));
        QCOMPARE(env.prompter.last().icon, ui::Icon::Information);
        QCOMPARE(env.prompter.last().buttons, ui::Buttons::Ok);
    }

    // A refused connection is a failure at once, not a wait for the time limit.
    void unreachableServer() {
        test::TestEnv env(false);
        env.setUpdateServer(QStringLiteral("http://127.0.0.1:%1").arg(test::LocalHttpServer::closedPort()));
        QElapsedTimer clock;
        clock.start();
        app::CheckNewVersion(nullptr);
        QVERIFY(env.prompter.shown.isEmpty());
        QVERIFY2(clock.elapsed() < app::kNetworkTimeoutMs / 2, qPrintable(QString::number(clock.elapsed())));
    }

    // A server that accepts but never answers holds the login up no longer than the time limit.
    void silentServer() {
        test::TestEnv env(false);
        test::LocalHttpServer server;
        env.setUpdateServer(server.url().toString());
        server.stall(QStringLiteral("/ZovVer.txt"));
        QElapsedTimer clock;
        clock.start();
        app::CheckNewVersion(nullptr);
        QVERIFY(env.prompter.shown.isEmpty());
        QCOMPARE(server.requestCount(), 1);
        QVERIFY2(clock.elapsed() < app::kNetworkTimeoutMs + 2000,
                 qPrintable(QString::number(clock.elapsed())));
    }
};

QTEST_MAIN(TestVersionCheck)
#include "tst_versioncheck.moc"
