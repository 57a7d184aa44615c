#include "BothEngines.h"
#include "FileFaults.h"
#include "TestEnv.h"
#include "TestServer.h"
#include "app/Catalogue.h"
#include "app/CommonUseStore.h"
#include "customers/CustomerStore.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "data/Sql.h"
#include "data/SqliteEngine.h"
#include "printing/PrintSettingsStore.h"
#include "templates/PrintLogStore.h"
#include "templates/TemplateStore.h"
#include "users/UserStore.h"

#include <QCryptographicHash>
#include <QTemporaryDir>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTest>
#include <functional>

using namespace vorlan;
using namespace Qt::StringLiterals;

namespace {
QByteArray fileHash(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// Makes a file with every base table through another connection, then lets change() alter it; the
// file ends as a hand-made one would (schema version 0).
void makeFile(const QString& path, const std::function<void(QSqlQuery&)>& change) {
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        other.setDatabaseName(path);
        QVERIFY(other.open());
        data::schema::create(other);
        QSqlQuery q(other);
        QVERIFY(q.exec(QStringLiteral("PRAGMA user_version = 0")));
        QVERIFY(q.exec(QStringLiteral("PRAGMA application_id = 0")));
        change(q);
        other.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
}

QStringList columns(const QSqlDatabase& db, const QString& table) {
    return data::Engine(db).columns(table);
}

// A file of the previous release, from the statements in release2.sql.
void makePreviousRelease(const QString& path) {
    QFile script(QFINDTESTDATA("release2.sql"));
    QVERIFY(script.open(QIODevice::ReadOnly));
    QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("release2"));
    other.setDatabaseName(path);
    QVERIFY(other.open());
    for (const QString& line : QString::fromUtf8(script.readAll()).split(QLatin1Char('\n')))
        if (!line.isEmpty() && !line.startsWith(QStringLiteral("--")))
            data::exec(other, line);
    other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("release2"));
}

QList<QStringList> logRows(const templates::PrintLogStore& store, const templates::LogTable& t) {
    QSqlQuery q = store.query(t, {{}, {}, QDate(2024, 3, 5), QDate(2024, 3, 5)});
    QList<QStringList> rows;
    while (q.next()) {
        QStringList row;
        for (int i = 0; i <= t.columns.size(); ++i)
            row << q.value(i).toString();
        rows << row;
    }
    return rows;
}
} // namespace

class TestDatabase : public QObject {
    Q_OBJECT
private slots:
    void createsSchemaAndReopens() {
        test::TestEnv env(false);
        QCOMPARE(QFileInfo(data::databasePath()).fileName(), QStringLiteral("RavIZ.mdb"));
        QCOMPARE(data::openShared().status, data::OpenStatus::Created);
        QSqlDatabase db = data::shared();
        QVERIFY(data::schema::missingTables(db).isEmpty());
        // The program's columns, then the row key.
        const QString key = QString::fromLatin1(data::schema::kKeyColumn);
        QCOMPARE(columns(db, QStringLiteral("basic_user")).size(), 6);
        QCOMPARE(columns(db, QStringLiteral("Basic_Khgl")),
                 test::asCreated(data::schema::customerColumns() + QStringList{key}));
        QVERIFY(data::schema::columnProblems(db).isEmpty());
        QCOMPARE(columns(db, QStringLiteral("mobanprint")),
                 test::asCreated({QStringLiteral("mobanname"), QStringLiteral("printer"),
                                  QStringLiteral("paperKey"), QStringLiteral("paperName"),
                                  QStringLiteral("paperWidth"), QStringLiteral("paperHeight"),
                                  QStringLiteral("orientation"), QStringLiteral("origin")}));
        QCOMPARE(columns(db, QStringLiteral("mobantabe")),
                 test::asCreated({QStringLiteral("parent"), QStringLiteral("key"), QStringLiteral("text"),
                                  QStringLiteral("image"), QStringLiteral("selectedimage"), key}));
        QCOMPARE(data::Engine(db).schemaVersion(), data::schema::kVersion);
        // A header row appended with name and picture only takes the default offsets.
        data::exec(db, QStringLiteral("INSERT INTO moban (mobanname, backimage) VALUES (?, ?)"),
                   {QStringLiteral("x"), QByteArray("pic")});
        QCOMPARE(data::scalar(db, QStringLiteral("SELECT allup + allleft FROM moban")).toInt(), 0);
        data::exec(db, QStringLiteral("INSERT INTO yongtu (yongtuName) VALUES (?)"),
                   {QStringLiteral("it's")});
        data::closeShared();
        QCOMPARE(data::openShared().status, data::OpenStatus::Opened);
        QCOMPARE(data::scalar(data::shared(), QStringLiteral("SELECT yongtuName FROM yongtu")).toString(),
                 QStringLiteral("it's"));
    }

    void foreignFilesAreRefusedUntouched_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("text file") << QByteArray("this is not a database\n");
        QTest::newRow("jet header") << QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) +
                                           QByteArray(2000, '\x11');
        QTest::newRow("empty") << QByteArray();
    }

    void foreignFilesAreRefusedUntouched() {
        VORLAN_FILE_ONLY("a file of another kind stands where the database goes");
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

    void sqliteWithoutOurTablesIsRefused() {
        VORLAN_FILE_ONLY("another program's SQLite file");
        test::TestEnv env(false);
        {
            QSqlDatabase other =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
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

    void columnProblem_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("cols");
        QTest::addColumn<QString>("problem"); // a part of the sentence, or empty for none
        const QStringList user{u"uid"_s, u"uName"_s, u"uPass"_s, u"czqx"_s, u"uFlag"_s};
        QTest::newRow("users as made") << "basic_user" << user << QString();
        QTest::newRow("users, other case and fifth name")
            << "BASIC_USER" << QStringList{u"UID"_s, u"uname"_s, u"UPASS"_s, u"Czqx"_s, u"x"_s} << QString();
        QTest::newRow("users without uName")
            << "basic_user" << QStringList{u"uid"_s, u"name"_s, u"uPass"_s, u"czqx"_s, u"f"_s}
            << QStringLiteral("缺少列 uName");
        QTest::newRow("users, two missing")
            << "basic_user" << QStringList{u"uid"_s, u"czqx"_s} << QStringLiteral("缺少列 uName、uPass");
        QTest::newRow("users, four columns")
            << "basic_user" << QStringList{u"uid"_s, u"uName"_s, u"uPass"_s, u"czqx"_s}
            << QStringLiteral("共 5 列");
        QTest::newRow("users, six columns")
            << "basic_user" << (user + QStringList{u"extra"_s}) << QStringLiteral("共 5 列");
        QTest::newRow("users out of order")
            << "basic_user" << QStringList{u"uName"_s, u"uid"_s, u"uPass"_s, u"czqx"_s, u"f"_s}
            << QStringLiteral("应依次为 uid、uName、uPass、czqx、第5列");
        QTest::newRow("uses as made") << "yongtu" << QStringList{u"yongtuName"_s} << QString();
        QTest::newRow("uses, two columns")
            << "yongtu" << QStringList{u"yongtuName"_s, u"x"_s} << QStringLiteral("共 1 列");
        QTest::newRow("points without FontSize") << "mobanxywh"
                                                 << QStringList{u"mobanname"_s,
                                                                u"textLX"_s,
                                                                u"textName"_s,
                                                                u"lockZiduan"_s,
                                                                u"textNumes"_s,
                                                                u"X"_s,
                                                                u"Y"_s,
                                                                u"W"_s,
                                                                u"H"_s,
                                                                u"Font"_s,
                                                                u"FontItalic"_s,
                                                                u"FontBold"_s,
                                                                u"FontUnderline"_s,
                                                                u"BackColor"_s,
                                                                u"ForeColor"_s}
                                                 << QStringLiteral("数据表 mobanxywh 缺少列 FontSize");
        QTest::newRow("customers, any order, one more")
            << "Basic_Khgl" << (QStringList{u"备注"_s} + data::schema::customerColumns()) << QString();
        QTest::newRow("customers without fax")
            << "Basic_Khgl"
            << QStringList(data::schema::customerColumns())
                   .filter(QRegularExpression(QStringLiteral("^(?!传真$)")))
            << QStringLiteral("缺少列 传真");
        QTest::newRow("details without time")
            << "Detail_InOut" << QStringList{u"时间"_s} << QStringLiteral("缺少列 记录时间");
        QTest::newRow("catalogue") << "mobantabe"
                                   << QStringList{u"parent"_s, u"key"_s, u"text"_s, u"image"_s,
                                                  u"selectedimage"_s}
                                   << QString();
        QTest::newRow("headers without offsets") << "moban" << QStringList{u"mobanname"_s, u"backimage"_s}
                                                 << QStringLiteral("缺少列 allup、allleft");
        QTest::newRow("a print log table has no rules") << "运单" << QStringList{u"x"_s} << QString();
    }
    void columnProblem() {
        QFETCH(QString, table);
        QFETCH(QStringList, cols);
        QFETCH(QString, problem);
        const QString found = data::schema::columnProblem(table, cols);
        if (problem.isEmpty())
            QCOMPARE(found, QString());
        else
            QVERIFY2(found.contains(problem), qPrintable(found));
    }

    void ourTableNamesWithOtherColumnsAreRefusedUntouched_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("named");
        QTest::newRow("users") << "DROP TABLE basic_user; CREATE TABLE basic_user (a, b, c, d, e)"
                               << "uName";
        QTest::newRow("points") << "DROP TABLE mobanxywh; CREATE TABLE mobanxywh (mobanname, textLX)"
                                << "textName";
        QTest::newRow("uses by position") << "ALTER TABLE yongtu ADD COLUMN extra"
                                          << "yongtu";
        QTest::newRow("print settings") << "DROP TABLE mobanprint; CREATE TABLE mobanprint (mobanname, x)"
                                        << "paperKey";
    }
    void ourTableNamesWithOtherColumnsAreRefusedUntouched() {
        VORLAN_FILE_ONLY("the foreign tables are made in a file, which must stay unchanged");
        QFETCH(QString, change);
        QFETCH(QString, named);
        test::TestEnv env(false);
        makeFile(data::databasePath(), [&](QSqlQuery& q) {
            for (const QString& sql : change.split(QLatin1Char(';')))
                QVERIFY2(q.exec(sql), qPrintable(sql));
        });
        const QByteArray before = fileHash(data::databasePath());
        const data::OpenResult r = data::openShared();
        QCOMPARE(r.status, data::OpenStatus::Foreign);
        QVERIFY2(r.message.contains(named), qPrintable(r.message));
        QVERIFY(r.message.contains(QDir::toNativeSeparators(data::databasePath())));
        QVERIFY(!data::shared().isOpen());
        // Not even the schema version was written.
        QCOMPARE(fileHash(data::databasePath()), before);
    }

    void handMadeFileIsAcceptedAndMigrated() {
        VORLAN_FILE_ONLY("a file made by hand, without the schema version");
        test::TestEnv env(false);
        makeFile(data::databasePath(), [](QSqlQuery&) {});
        const data::OpenResult r = data::openShared();
        QCOMPARE(r.status, data::OpenStatus::Opened);
        QVERIFY(!r.readOnly);
        QVERIFY(!r.needsFirstUser); // not a first run of this program: the empty table is the user's
        QCOMPARE(data::scalar(data::shared(), QStringLiteral("PRAGMA user_version")).toInt(),
                 data::schema::kVersion);
    }

    // A database of the first version (without the print settings table) gets the table when it is opened
    // for writing; nothing else in it changes.
    void versionOneGetsThePrintSettingsTable() {
        VORLAN_FILE_ONLY("databases of the first version are files");
        test::TestEnv env(false);
        QString before;
        makeFile(data::databasePath(), [&](QSqlQuery& q) {
            QVERIFY(q.exec(QStringLiteral("DROP TABLE mobanprint")));
            QVERIFY(q.exec(QStringLiteral("PRAGMA user_version = 1")));
            QVERIFY(q.exec(QStringLiteral("INSERT INTO yongtu (yongtuName) VALUES ('货款')")));
            QVERIFY(q.exec(
                QStringLiteral("INSERT INTO moban (mobanname, allup, allleft) VALUES ('运单', 3, -2)")));
            QVERIFY(q.exec(QStringLiteral("CREATE TABLE \"运单\" (\"打印日期\" TEXT, \"收件人\" TEXT)")));
            QVERIFY(q.exec(QStringLiteral("INSERT INTO \"运单\" VALUES ('2024-03-05 10:00:00', '张三')")));
            QVERIFY(q.exec(QStringLiteral("SELECT group_concat(type || ' ' || name || ' ' || sql, ';') FROM "
                                          "sqlite_master WHERE tbl_name <> '运单'")));
            QVERIFY(q.next());
            before = q.value(0).toString();
        });
        const data::OpenResult r = data::openShared();
        QCOMPARE(r.status, data::OpenStatus::Opened);
        QSqlDatabase db = data::shared();
        QCOMPARE(data::scalar(db, QStringLiteral("PRAGMA user_version")).toInt(), data::schema::kVersion);
        QVERIFY(data::tableExists(db, QStringLiteral("mobanprint")));
        QCOMPARE(columns(db, QStringLiteral("mobanprint")).size(), 8);
        // Everything that was there is there as before, the new table is all that was added (the log
        // table got its key, see previousReleaseKeepsRowsAndOrder).
        const QString after =
            data::scalar(db,
                         QStringLiteral("SELECT group_concat(type || ' ' || name || ' ' || sql, ';') FROM "
                                        "sqlite_master WHERE name <> 'mobanprint' AND name NOT LIKE "
                                        "'sqlite_autoindex_mobanprint%' AND tbl_name <> '运单'"))
                .toString();
        QCOMPARE(after, before);
        QCOMPARE(data::scalar(db, QStringLiteral("SELECT yongtuName FROM yongtu")).toString(),
                 QStringLiteral("货款"));
        QCOMPARE(data::scalar(db, QStringLiteral("SELECT allleft FROM moban")).toInt(), -2);
        QCOMPARE(data::scalar(db, QStringLiteral("SELECT \"收件人\" FROM \"运单\"")).toString(),
                 QStringLiteral("张三"));
        db = QSqlDatabase();
        data::closeShared();
        QCOMPARE(data::openShared().status, data::OpenStatus::Opened); // and opens again as it is
    }

    // Opened read-only it cannot get the table: the settings read as defaults, saving them says why not.
    void readOnlyVersionOneReadsDefaultSettings() {
        VORLAN_FILE_ONLY("a read-only file of the first version");
        test::TestEnv env(false);
        makeFile(data::databasePath(), [&](QSqlQuery& q) {
            QVERIFY(q.exec(QStringLiteral("DROP TABLE mobanprint")));
            QVERIFY(q.exec(QStringLiteral("PRAGMA user_version = 1")));
        });
        const QString path = data::databasePath();
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        const QByteArray before = fileHash(path);
        const data::OpenResult r = data::openShared();
        QCOMPARE(r.status, data::OpenStatus::Opened);
        QVERIFY(r.readOnly);
        {
            const printing::PrintSettingsStore store(data::shared());
            QCOMPARE(store.load(QStringLiteral("运单")), printing::PrintSettings());
            printing::PrintSettings s;
            s.origin = printing::PrintOrigin::Paper;
            try {
                store.save(QStringLiteral("运单"), s);
                QFAIL("must throw");
            } catch (const data::DbError& e) {
                QVERIFY2(e.description().contains(QStringLiteral("打印设置无法保存")),
                         qPrintable(e.description()));
            }
        }
        data::closeShared();
        QCOMPARE(fileHash(path), before);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    }

    void damagedFileIsRefusedUntouched() {
        VORLAN_FILE_ONLY("a page of the file is damaged");
        test::TestEnv env(false);
        QCOMPARE(data::openShared().status, data::OpenStatus::Created);
        test::fillSheets(data::shared());
        data::closeShared();
        QVERIFY(test::damageMiddlePage(data::databasePath()));
        const QByteArray before = fileHash(data::databasePath());
        const data::OpenResult r = data::openShared();
        QCOMPARE(r.status, data::OpenStatus::Damaged);
        QVERIFY2(r.message.contains(QDir::toNativeSeparators(data::databasePath())), qPrintable(r.message));
        QVERIFY(r.message.contains(QStringLiteral("已损坏")));
        QVERIFY(r.message.contains(
            QDir::toNativeSeparators(QDir(env.folder()).filePath(QStringLiteral("Backup")))));
        QVERIFY(!data::shared().isOpen());
        QCOMPARE(fileHash(data::databasePath()), before);
    }

    void interruptedWriteIsRolledBackAtOpening() {
        VORLAN_FILE_ONLY("the rollback journal of an interrupted write");
        // The state a crash leaves: pages of an unfinished transaction already in the file, the
        // journal beside it. The check at opening must let the engine put the file right.
        test::TestEnv env;
        test::fillSheets(env.db(), 500);
        QTemporaryDir crashed;
        const QString copy = QDir(crashed.path()).filePath(QStringLiteral("RavIZ.mdb"));
        {
            const QSqlDatabase db = env.db();
            data::exec(db, QStringLiteral("PRAGMA cache_size = 5")); // pages spill into the file early
            data::Transaction t(db);
            data::exec(db, QStringLiteral("DELETE FROM sheets"));
            for (int i = 0; i < 2000; ++i)
                data::exec(db, QStringLiteral("INSERT INTO sheets VALUES (?, ?)"),
                           {i, QString(300, QChar(u'新'))});
            QVERIFY(QFile::copy(env.databasePath(), copy));
            QVERIFY(QFile::copy(env.databasePath() + QStringLiteral("-journal"),
                                copy + QStringLiteral("-journal")));
        }
        QVERIFY(QFileInfo(copy + QStringLiteral("-journal")).size() > 0);
        const data::OpenResult r = data::openShared(copy);
        QVERIFY2(r.status == data::OpenStatus::Opened, qPrintable(r.message));
        QCOMPARE(data::scalar(data::shared(), QStringLiteral("SELECT count(*) FROM sheets")).toInt(), 500);
        QCOMPARE(data::scalar(data::shared(), QStringLiteral("PRAGMA integrity_check")).toString(),
                 QStringLiteral("ok"));
        data::closeShared();
    }

    void firstRunMark() {
        test::TestEnv env(false);
        QCOMPARE(data::openShared().status, data::OpenStatus::Created);
        QVERIFY(data::schema::firstUserPending(data::shared()));
        data::closeShared();
        // Broken off before the first user: asked again.
        data::OpenResult r = data::openShared();
        QCOMPARE(r.status, data::OpenStatus::Opened);
        QVERIFY(r.needsFirstUser);
        env.addUser(QStringLiteral("1"), QStringLiteral("甲"), QStringLiteral("a"),
                    QStringLiteral("高级用户"));
        data::closeShared();
        r = data::openShared();
        QVERIFY(!r.needsFirstUser);
        QVERIFY(!data::schema::firstUserPending(data::shared())); // the mark goes once a user exists
        // Deleting every user later is the user's doing, not a broken first run.
        data::exec(data::shared(), QStringLiteral("DELETE FROM basic_user"));
        data::closeShared();
        QVERIFY(!data::openShared().needsFirstUser);
    }

    // A file of the previous release opens with every row in its order; the rows get keys of their own
    // (their old row numbers), which a compaction keeps, and a log whose points are called like SQLite's
    // row number lists and deletes its sheets like any other. Opened read-only it reads the same.
    void previousReleaseKeepsRowsAndOrder_data() {
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("migrated") << false;
        QTest::newRow("read-only") << true;
    }
    void previousReleaseKeepsRowsAndOrder() {
        VORLAN_FILE_ONLY("the previous release kept its data in a file");
        QFETCH(bool, readOnly);
        test::TestEnv env(false);
        const QString path = data::databasePath();
        makePreviousRelease(path);
        if (readOnly)
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        const QByteArray before = fileHash(path);
        const data::OpenResult r = data::openShared();
        QVERIFY2(r.status == data::OpenStatus::Opened, qPrintable(r.message));
        QCOMPARE(r.readOnly, readOnly);
        const data::Engine e = data::sharedEngine();
        QCOMPARE(e.schemaVersion(), readOnly ? 2 : data::schema::kVersion);
        QCOMPARE(users::UserStore(e).names(), (QStringList{u"赵"_s, u"孙"_s, u"李"_s}));
        QStringList nodes;
        for (const app::CatalogueRow& row : app::CatalogueStore(e).load())
            nodes << row.text;
        QCOMPARE(nodes, (QStringList{u"快递"_s, u"三联单"_s, u"运单"_s}));
        QCOMPARE(app::CommonUseStore(e).all(), (QStringList{u"样品"_s, u"货款"_s, u"文件"_s}));
        const customers::CustomerStore customers(e);
        QCOMPARE(customers.all().size(), size_t(2));
        QCOMPARE(customers.all().at(0).at(0), u"乙公司"_s);
        QCOMPARE(customers.ids(), (std::vector<customers::RowId>{1, 3}));
        QCOMPARE(customers.ids(u"甲"_s), (std::vector<customers::RowId>{3}));
        const templates::TemplateStore templates(e);
        QCOMPARE(templates.load(u"三联单"_s).tmpl.allleft, -3);

        const templates::PrintLogStore log(e);
        if (readOnly) {
            // Read as it stands: the points' names hide the old row numbers, as they always did.
            QVERIFY_THROWS_EXCEPTION(data::DbError, log.find(u"三联单"_s));
            data::closeShared();
            QCOMPARE(fileHash(path), before);
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
            return;
        }
        const auto t = log.find(u"三联单"_s);
        QVERIFY(t);
        QCOMPARE(t->columns, (QStringList{u"打印日期"_s, u"rowid"_s, u"_rowid_"_s, u"oid"_s}));
        const QList<QStringList> expected{
            {u"3"_s, u"2024-03-05 09:00:00"_s, u"g"_s, u"h"_s, u"i"_s},
            {u"1"_s, u"2024-03-05 10:00:00"_s, u"a"_s, u"b"_s, u"c"_s},
            {u"4"_s, u"2024-03-05 10:00:00"_s, u"j"_s, u"k"_s, u"l"_s},
        };
        QCOMPARE(logRows(log, *t), expected);
        log.deleteRows(*t, {1});
        // The copy a compaction makes keeps every key.
        const QString copy = QDir(data::dataFolder()).filePath(u"copy.mdb"_s);
        e.copyInto(copy);
        QList<QStringList> rest = expected;
        rest.removeAt(1);
        {
            const data::Engine c = data::sqlite::open(copy, u"copy"_s, data::sqlite::Access::ReadOnly);
            QCOMPARE(logRows(templates::PrintLogStore(c), *templates::PrintLogStore(c).find(u"三联单"_s)),
                     rest);
            QCOMPARE(customers::CustomerStore(c).ids(), (std::vector<customers::RowId>{1, 3}));
        }
        QSqlDatabase::removeDatabase(u"copy"_s);
        QCOMPARE(logRows(log, *t), rest);
    }

    void readOnlyFileOpensForReadingOnly() {
        VORLAN_FILE_ONLY("the file's permission bits");
        test::TestEnv env(false);
        QCOMPARE(data::openShared().status, data::OpenStatus::Created);
        data::exec(data::shared(),
                   QStringLiteral("PRAGMA user_version = 0")); // an old file: not migrated now
        data::closeShared();
        const QString path = data::databasePath();
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        const QByteArray before = fileHash(path);
        const data::OpenResult r = data::openShared();
        QCOMPARE(r.status, data::OpenStatus::Opened);
        QVERIFY(r.readOnly);
        QVERIFY2(r.notice.contains(QDir::toNativeSeparators(path)) &&
                     r.notice.contains(QStringLiteral("只读")),
                 qPrintable(r.notice));
        QVERIFY_THROWS_EXCEPTION(
            data::DbError,
            data::exec(data::shared(), QStringLiteral("INSERT INTO yongtu (yongtuName) VALUES ('x')")));
        data::closeShared();
        QCOMPARE(fileHash(path), before);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    }

    void readOnlyFolder() {
        VORLAN_FILE_ONLY("the permission bits of the data folder");
        if (!test::permissionBitsBind())
            QSKIP("permission bits do not stop this process (administrator): a read-only folder cannot be "
                  "made");
        test::TestEnv env(false);
        QCOMPARE(data::openShared().status, data::OpenStatus::Created);
        data::closeShared();
        QVERIFY(QFile::setPermissions(env.folder(), QFile::ReadOwner | QFile::ExeOwner));
        const data::OpenResult r = data::openShared();
        QFile::setPermissions(env.folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(r.status, data::OpenStatus::Opened);
        QVERIFY(r.readOnly);
        QVERIFY2(r.notice.contains(QDir::toNativeSeparators(env.folder())), qPrintable(r.notice));
    }

    void chooseDataLocation_data() {
        QTest::addColumn<bool>("beside");       // RavIZ.mdb beside the program
        QTest::addColumn<bool>("writable");     // the program's folder can be written
        QTest::addColumn<bool>("inUserFolder"); // RavIZ.mdb in the per-user folder
        QTest::addColumn<bool>("useProgram");
        QTest::addColumn<QString>("notice"); // a part of the notice, or empty for none
        QTest::newRow("usual") << false << true << false << true << QString();
        QTest::newRow("existing, writable") << true << true << false << true << QString();
        // Never silently ignored: the opening says it cannot be written.
        QTest::newRow("existing, read-only folder") << true << false << false << true << QString();
        QTest::newRow("existing here and there") << true << false << true << true << QString();
        QTest::newRow("read-only, nothing anywhere")
            << false << false << false << false << QStringLiteral("不能写入");
        QTest::newRow("read-only, earlier fallback")
            << false << false << true << false << QStringLiteral("不能写入");
        QTest::newRow("writable again, data elsewhere")
            << false << true << true << false << QStringLiteral("没有数据库文件");
    }
    void chooseDataLocation() {
        QFETCH(bool, beside);
        QFETCH(bool, writable);
        QFETCH(bool, inUserFolder);
        QFETCH(bool, useProgram);
        QFETCH(QString, notice);
        QTemporaryDir program, user;
        auto touch = [](const QString& folder) {
            QFile f(QDir(folder).filePath(QStringLiteral("RavIZ.mdb")));
            QVERIFY(f.open(QIODevice::WriteOnly));
        };
        if (beside)
            touch(program.path());
        if (inUserFolder)
            touch(user.path());
        const data::DataLocation l = data::chooseDataLocation(program.path(), user.path(), writable);
        QCOMPARE(l.folder, useProgram ? program.path() : user.path());
        if (notice.isEmpty()) {
            QCOMPARE(l.notice, QString());
        } else {
            QVERIFY2(l.notice.contains(notice), qPrintable(l.notice));
            // Which file and where the program is: both named.
            QVERIFY(l.notice.contains(
                QDir::toNativeSeparators(QDir(user.path()).filePath(QStringLiteral("RavIZ.mdb")))));
            QVERIFY(l.notice.contains(QDir::toNativeSeparators(program.path())));
        }
    }

    void helpers() {
        QCOMPARE(data::quoteId(QStringLiteral("a\"b")), QStringLiteral("\"a\"\"b\""));
        QCOMPARE(data::likeEscape(QStringLiteral("5%_a\\")), QStringLiteral("5\\%\\_a\\\\"));
        QCOMPARE(data::nullToEmpty(QVariant()), QString());
        QCOMPARE(data::nullToEmpty(QVariant(12)), QStringLiteral("12"));
        QCOMPARE(data::dateTimeText(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9))),
                 QStringLiteral("2024-03-05 14:07:09"));
        QVERIFY(data::schema::isBaseTable(QStringLiteral(" YONGTU ")));
        QVERIFY(data::schema::isBaseTable(QStringLiteral("sqlite_master")));
        QVERIFY(!data::schema::isBaseTable(QStringLiteral("运单")));
        // The print settings table is reserved too, though an older file may not have it yet.
        QVERIFY(data::schema::isBaseTable(QStringLiteral("MobanPrint")));
        QVERIFY(!data::schema::baseTables().contains(QStringLiteral("mobanprint")));
    }

    void transactionRollsBack() {
        test::TestEnv env;
        try {
            data::Transaction t(env.db());
            data::exec(env.db(), QStringLiteral("INSERT INTO yongtu (yongtuName) VALUES ('a')"));
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
