#include "TestEnv.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "data/Sql.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTest>

using namespace vorlan;

namespace {
QByteArray fileHash(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

QStringList columns(const QSqlDatabase& db, const QString& table)
{
    QStringList out;
    QSqlQuery q = data::exec(db, QStringLiteral("SELECT name FROM pragma_table_info(?)"), {table});
    while (q.next()) out << q.value(0).toString();
    return out;
}
} // namespace

class TestDatabase : public QObject {
    Q_OBJECT
private slots:
    void createsSchemaAndReopens()
    {
        test::TestEnv env(false);
        QCOMPARE(QFileInfo(data::databasePath()).fileName(), QStringLiteral("RavIZ.mdb"));
        QCOMPARE(data::openShared().status, data::OpenStatus::Created);
        QSqlDatabase db = data::shared();
        QVERIFY(data::schema::missingTables(db).isEmpty());
        QCOMPARE(columns(db, QStringLiteral("basic_user")).size(), 5);
        QCOMPARE(columns(db, QStringLiteral("Basic_Khgl")), data::schema::customerColumns());
        QCOMPARE(columns(db, QStringLiteral("mobantabe")),
                 (QStringList{QStringLiteral("parent"), QStringLiteral("key"), QStringLiteral("text"),
                              QStringLiteral("image"), QStringLiteral("selectedimage")}));
        QCOMPARE(data::scalar(db, QStringLiteral("PRAGMA user_version")).toInt(), data::schema::kVersion);
        // A header row appended with name and picture only takes the default offsets.
        data::exec(db, QStringLiteral("INSERT INTO moban (mobanname, backimage) VALUES (?, ?)"),
                   {QStringLiteral("x"), QByteArray("pic")});
        QCOMPARE(data::scalar(db, QStringLiteral("SELECT allup + allleft FROM moban")).toInt(), 0);
        data::exec(db, QStringLiteral("INSERT INTO yongtu VALUES (?)"), {QStringLiteral("it's")});
        data::closeShared();
        QCOMPARE(data::openShared().status, data::OpenStatus::Opened);
        QCOMPARE(data::scalar(data::shared(), QStringLiteral("SELECT yongtuName FROM yongtu")).toString(),
                 QStringLiteral("it's"));
    }

    void foreignFilesAreRefusedUntouched_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("text file") << QByteArray("this is not a database\n");
        QTest::newRow("jet header") << QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(2000, '\x11');
        QTest::newRow("empty") << QByteArray();
    }

    void foreignFilesAreRefusedUntouched()
    {
        QFETCH(QByteArray, content);
        test::TestEnv env(false);
        QFile f(data::databasePath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        const QByteArray before = fileHash(data::databasePath());
        const data::OpenResult r = data::openShared();
        QCOMPARE(r.status, data::OpenStatus::Foreign);
        QVERIFY(r.message.contains(QDir::toNativeSeparators(data::databasePath())));
        QCOMPARE(fileHash(data::databasePath()), before);
        QVERIFY(!data::shared().isOpen());
    }

    void sqliteWithoutOurTablesIsRefused()
    {
        test::TestEnv env(false);
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            other.setDatabaseName(data::databasePath());
            QVERIFY(other.open());
            QSqlQuery(other).exec(QStringLiteral("CREATE TABLE moban (x)"));
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        const QByteArray before = fileHash(data::databasePath());
        const data::OpenResult r = data::openShared();
        QCOMPARE(r.status, data::OpenStatus::Foreign);
        QVERIFY(r.message.contains(QStringLiteral("basic_user")));
        QCOMPARE(fileHash(data::databasePath()), before);
    }

    void helpers()
    {
        QCOMPARE(data::quoteId(QStringLiteral("a\"b")), QStringLiteral("\"a\"\"b\""));
        QCOMPARE(data::likeEscape(QStringLiteral("5%_a\\")), QStringLiteral("5\\%\\_a\\\\"));
        QCOMPARE(data::nullToEmpty(QVariant()), QString());
        QCOMPARE(data::nullToEmpty(QVariant(12)), QStringLiteral("12"));
        QCOMPARE(data::dateTimeText(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9))), QStringLiteral("2024-03-05 14:07:09"));
        QVERIFY(data::schema::isBaseTable(QStringLiteral(" YONGTU ")));
        QVERIFY(data::schema::isBaseTable(QStringLiteral("sqlite_master")));
        QVERIFY(!data::schema::isBaseTable(QStringLiteral("运单")));
    }

    void transactionRollsBack()
    {
        test::TestEnv env;
        try {
            data::Transaction t(env.db());
            data::exec(env.db(), QStringLiteral("INSERT INTO yongtu VALUES ('a')"));
            data::exec(env.db(), QStringLiteral("INSERT INTO no_such_table VALUES ('a')"));
            t.commit();
            QFAIL("must throw");
        } catch (const data::DbError& e) {
            QVERIFY(!e.description().isEmpty());
        }
        QCOMPARE(data::scalar(env.db(), QStringLiteral("SELECT count(*) FROM yongtu")).toInt(), 0);
    }
};

QTEST_MAIN(TestDatabase)
#include "tst_database.moc"
