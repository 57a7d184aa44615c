// What 测试连接 finds on a real server: each way a server can be wrong, told apart.
#include "TestServer.h"
#include "data/PostgresEngine.h"
#include "data/Schema.h"
#include "data/Sql.h"

#include <QTest>

using namespace vorlan;
using Kind = data::postgres::ServerError::Kind;

class TestServerProbe : public QObject {
    Q_OBJECT

private slots:
    void probe_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("says"); // contained in the message
        QTest::newRow("empty database") << "empty" << true << int(Kind::Other) << QString();
        QTest::newRow("one of ours") << "ours" << true << int(Kind::Other) << QString();
        QTest::newRow("wrong password") << "password" << false << int(Kind::BadPassword) << "密码不对";
        QTest::newRow("no password") << "nopassword" << false << int(Kind::PasswordNeeded) << "要求输入密码";
        QTest::newRow("no such database") << "nodb" << false << int(Kind::NoDatabase) << "没有数据库";
        QTest::newRow("nothing listens") << "noroute" << false << int(Kind::NoRoute) << "无法连接到服务器";
        QTest::newRow("not ours") << "foreign" << false << int(Kind::NotOurs) << "不是本系统的数据库";
        QTest::newRow("newer schema") << "newer" << false << int(Kind::TooNew) << "更新版本";
    }
    void probe() {
        QFETCH(QString, fault);
        QFETCH(bool, ok);
        QFETCH(int, kind);
        QFETCH(QString, says);
        QString why;
        if (!test::testServer(&why))
            QSKIP(qPrintable(why));
        data::ServerAddress a = test::newServerDatabase();
        const data::ServerAddress made = a;
        if (fault == u"ours" || fault == u"foreign" || fault == u"newer") {
            data::Engine e = data::postgres::open(a, QStringLiteral("probe-setup"));
            if (fault == u"foreign")
                data::exec(e, QStringLiteral("CREATE TABLE basic_user (x TEXT)"));
            else
                data::schema::create(e);
            if (fault == u"newer")
                e.setSchemaVersion(data::schema::kVersion + 1);
            QSqlDatabase db = e.db();
            e = data::Engine();
            db.close();
            QSqlDatabase::removeDatabase(QStringLiteral("probe-setup"));
        }
        if (fault == u"password")
            a.password = QStringLiteral("not-the-password");
        if (fault == u"nopassword")
            a.password.clear();
        if (fault == u"nodb")
            a.database = QStringLiteral("no_such_database_here");
        if (fault == u"noroute")
            a.port = 1;
        const data::postgres::Probe p = data::postgres::probe(a);
        test::dropServerDatabase(made);
        QVERIFY2(p.ok == ok, qPrintable(p.message));
        QCOMPARE(p.empty, fault == u"empty");
        if (!ok) {
            QCOMPARE(int(p.kind), kind);
            QVERIFY2(p.message.contains(says), qPrintable(p.message));
        }
    }
};

QTEST_GUILESS_MAIN(TestServerProbe)
#include "tst_serverprobe.moc"
