// The print log tables: finding, creating and altering, writing, searching, deleting and dropping.
#include "BothEngines.h"
#include "TestEnv.h"
#include "TestServer.h"
#include "data/Schema.h"
#include "data/Sql.h"
#include "templates/PrintLogStore.h"

#include <QSqlQuery>
#include <QTest>

using namespace vorlan;
using namespace vorlan::templates;
using namespace Qt::StringLiterals;

namespace {

InputPoint point(const QString& type, const QString& name) {
    InputPoint p;
    p.type = type;
    p.name = name;
    p.binding = kNoBinding;
    p.rect = {100_tw, 200_tw, 2055_tw, 315_tw};
    return p;
}

// A template with these single-line and multi-line points in slots 1, 2, ...
Template templ(const QString& name, const QStringList& single = {}, const QStringList& multi = {}) {
    Template t;
    t.name = name;
    for (const QString& n : single)
        t.single.append(point(type::SingleLine, n));
    for (const QString& n : multi)
        t.multi.append(point(type::MultiLine, n));
    return t;
}

QStringList columns(const QSqlDatabase& db, const QString& table) {
    return test::logColumns(db, table);
}

// A log table the store creates ends with its key column.
QString withKey(const QSqlDatabase& db, QString create) {
    create.insert(create.size() - 1, QStringLiteral(",") + vorlan::data::Engine(db).keyColumnDefinition(
                                                               vorlan::templates::PrintLogStore::kKeyColumn));
    return create;
}

// The tables, indexes and views (with a server's sequences).
QStringList schema(const QSqlDatabase& db) {
    QStringList out;
    QSqlQuery q = data::exec(
        db, test::onServer()
                ? QStringLiteral(
                      "SELECT CAST(relkind AS text) || ' ' || relname FROM pg_class WHERE relnamespace = "
                      "CAST('public' AS regnamespace) ORDER BY relkind, relname")
                : QStringLiteral("SELECT type || ' ' || name FROM sqlite_master ORDER BY type, name"));
    while (q.next())
        out << q.value(0).toString();
    return out;
}

int count(const QSqlDatabase& db, const QString& table) {
    return test::logCount(db, table);
}

// As the template save does it: inside a transaction of the caller's.
void update(const QSqlDatabase& db, const Template& t, PendingColumns& pending) {
    data::Transaction tx(db);
    PrintLogStore(db).bringUpToDate(t, pending);
    tx.commit();
}

void runAll(const QSqlDatabase& db, const QStringList& statements) {
    test::runSetup(db, statements);
}

} // namespace

class TestPrintLogStore : public QObject {
    Q_OBJECT
private slots:
    // The one look-up every user of the log goes through.
    void tableName_data() {
        QTest::addColumn<QStringList>("setup");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("found");
        const QString waybill = QStringLiteral("CREATE TABLE \"Waybill\" (\"打印日期\" datetime)");
        QTest::newRow("exact") << QStringList{QStringLiteral("CREATE TABLE \"运单\" (x)")}
                               << QStringLiteral("运单") << QStringLiteral("运单");
        QTest::newRow("letter case ignored")
            << QStringList{waybill} << QStringLiteral("WAYBILL") << QStringLiteral("Waybill");
        QTest::newRow("only ascii letters fold")
            << QStringList{QStringLiteral("CREATE TABLE \"Ä\" (x)")} << QStringLiteral("ä") << QString();
        QTest::newRow("full width does not fold")
            << QStringList{QStringLiteral("CREATE TABLE \"Ａ\" (x)")} << QStringLiteral("ａ") << QString();
        QTest::newRow("blanks count") << QStringList{waybill} << QStringLiteral("Waybill ") << QString();
        QTest::newRow("none") << QStringList{} << QStringLiteral("运单") << QString();
        QTest::newRow("base table") << QStringList{} << QStringLiteral("moban") << QString();
        QTest::newRow("base table, other case") << QStringList{} << QStringLiteral("Basic_USER") << QString();
        QTest::newRow("sqlite's own") << QStringList{} << QStringLiteral("sqlite_master") << QString();
        QTest::newRow("blank name") << QStringList{QStringLiteral("CREATE TABLE \"  \" (x)")}
                                    << QStringLiteral("  ") << QString();
        QTest::newRow("a view is no log table")
            << QStringList{QStringLiteral("CREATE VIEW \"汇总\" AS SELECT 1")} << QStringLiteral("汇总")
            << QString();
        QTest::newRow("an index is no log table")
            << QStringList{} << QStringLiteral("idx_moban_name") << QString();
    }
    void tableName() {
        QFETCH(QStringList, setup);
        QFETCH(QString, name);
        QFETCH(QString, found);
        test::TestEnv env;
        runAll(env.db(), setup);
        const PrintLogStore store(env.db());
        QCOMPARE(store.tableName(name), found);
        QCOMPARE(store.find(name).has_value(), !found.isEmpty());
    }

    void findReadsColumnsInTableOrder() {
        test::TestEnv env;
        const PrintLogStore store(env.db());
        PendingColumns pending;
        update(env.db(),
               templ(QStringLiteral("运单"), {QStringLiteral("收件人"), QStringLiteral("电话")},
                     {QStringLiteral("备注")}),
               pending);
        test::addLogColumn(env.db(), QStringLiteral("运单"), QStringLiteral("件数"));
        const auto t = store.find(QStringLiteral("运单"));
        QVERIFY(t);
        QCOMPARE(t->name, QStringLiteral("运单"));
        QCOMPARE(t->columns,
                 (QStringList{PrintLogStore::kDateColumn, QStringLiteral("收件人"), QStringLiteral("电话"),
                              QStringLiteral("备注"), QStringLiteral("件数")}));
        QCOMPARE(t->key, test::onServer() ? QStringLiteral("id") : data::quoteId(PrintLogStore::kKeyColumn));
    }

    // A point may be called like SQLite's row number, or like the key: every log table has a key of its
    // own, so its rows are listed and deleted one by one all the same.
    void rowIdentity_data() {
        QTest::addColumn<QStringList>("points");
        QTest::addColumn<QString>("key");
        QTest::newRow("plain") << QStringList{u"a"_s} << u"记录号"_s;
        QTest::newRow("rowid taken") << QStringList{u"ROWID"_s} << u"记录号"_s;
        QTest::newRow("all taken") << QStringList{u"rowid"_s, u"_rowid_"_s, u"oid"_s} << u"记录号"_s;
        QTest::newRow("key's name taken") << QStringList{u"记录号"_s, u"记录号2"_s} << u"记录号3"_s;
    }
    void rowIdentity() {
        QFETCH(QStringList, points);
        QFETCH(QString, key);
        test::TestEnv env;
        PendingColumns pending;
        update(env.db(), templ(u"T"_s, points), pending);
        const PrintLogStore store(env.db());
        const QDateTime when(QDate(2024, 3, 5), QTime(10, 0));
        QList<LogValue> values;
        for (const QString& p : points)
            values << LogValue{p, p + u"-1"_s};
        store.insertMany(u"T"_s, when, {values, values});
        const auto t = store.find(u"T"_s);
        QVERIFY(t);
        if (!test::onServer()) // the shared log's key is a column of its own
            QCOMPARE(t->key, data::quoteId(key));
        QCOMPARE(t->columns, QStringList{PrintLogStore::kDateColumn} + points);
        QList<qint64> keys;
        for (QSqlQuery q = store.query(*t, {{}, {}, when.date(), when.date()}); q.next();)
            keys << q.value(0).toLongLong();
        QCOMPARE(keys, (QList<qint64>{1, 2}));
        store.deleteRows(*t, {1});
        QCOMPARE(count(env.db(), u"T"_s), 1);
        if (test::onServer())
            return;
        // A point added later under the key's name is refused in Chinese, before any change.
        pending.added = {key};
        Template more = templ(u"T"_s, points + QStringList{key});
        QVERIFY_THROWS_EXCEPTION(data::DbError, update(env.db(), more, pending));
    }

    // setup: statements of an existing database; then the template is brought up to date.
    void updateStatements_data() {
        QTest::addColumn<QStringList>("setup");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("single");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("deleted");
        QTest::addColumn<QStringList>("statements");
        const QString existing =
            QStringLiteral("CREATE TABLE \"运单\" (\"打印日期\" datetime,\"收件人\" varchar(255))");
        const QString index = QStringLiteral("CREATE INDEX \"idx:运单\" ON \"运单\" (\"打印日期\")");
        QTest::newRow("created with its index")
            << QStringList{} << QStringLiteral("运单")
            << QStringList{QStringLiteral("收件人"), QStringLiteral("电话")} << QStringList{} << QStringList{}
            << QStringList{
                   QStringLiteral(
                       "CREATE TABLE \"运单\" (\"打印日期\" datetime,\"收件人\" varchar(255),\"电话\" "
                       "varchar(255))"),
                   index};
        QTest::newRow("no input points: the date column only")
            << QStringList{} << QStringLiteral("运单") << QStringList{} << QStringList{} << QStringList{}
            << QStringList{QStringLiteral("CREATE TABLE \"运单\" (\"打印日期\" datetime)"), index};
        QTest::newRow("pending lists do not matter at creation")
            << QStringList{} << QStringLiteral("运单") << QStringList{QStringLiteral("收件人")}
            << QStringList{QStringLiteral("收件人")} << QStringList{QStringLiteral("旧")}
            << QStringList{
                   QStringLiteral("CREATE TABLE \"运单\" (\"打印日期\" datetime,\"收件人\" varchar(255))"),
                   index};
        QTest::newRow("names differing in letter case give one column")
            << QStringList{} << QStringLiteral("运单")
            << QStringList{QStringLiteral("To"), QStringLiteral("TO")} << QStringList{} << QStringList{}
            << QStringList{
                   QStringLiteral("CREATE TABLE \"运单\" (\"打印日期\" datetime,\"To\" varchar(255))"),
                   index};
        QTest::newRow("nothing pending: nothing sent")
            << QStringList{existing} << QStringLiteral("运单") << QStringList{QStringLiteral("收件人")}
            << QStringList{} << QStringList{} << QStringList{};
        QTest::newRow("added") << QStringList{existing} << QStringLiteral("运单")
                               << QStringList{QStringLiteral("收件人"), QStringLiteral("件数")}
                               << QStringList{QStringLiteral("件数")} << QStringList{}
                               << QStringList{QStringLiteral(
                                      "ALTER TABLE \"运单\" ADD COLUMN \"件数\" varchar(255)")};
        QTest::newRow("already there, in another case")
            << QStringList{QStringLiteral(
                   "CREATE TABLE \"运单\" (\"打印日期\" datetime,\"To\" varchar(255))")}
            << QStringLiteral("运单") << QStringList{QStringLiteral("to")}
            << QStringList{QStringLiteral("to")} << QStringList{} << QStringList{};
        QTest::newRow("deleted") << QStringList{existing} << QStringLiteral("运单") << QStringList{}
                                 << QStringList{} << QStringList{QStringLiteral("收件人")}
                                 << QStringList{
                                        QStringLiteral("ALTER TABLE \"运单\" DROP COLUMN \"收件人\"")};
        QTest::newRow("deleted, not there")
            << QStringList{existing} << QStringLiteral("运单") << QStringList{} << QStringList{}
            << QStringList{QStringLiteral("电话")} << QStringList{};
        QTest::newRow("the date column stays")
            << QStringList{existing} << QStringLiteral("运单") << QStringList{} << QStringList{}
            << QStringList{PrintLogStore::kDateColumn} << QStringList{};
        QTest::newRow("added and deleted before a save")
            << QStringList{existing} << QStringLiteral("运单") << QStringList{}
            << QStringList{QStringLiteral("x")} << QStringList{QStringLiteral("x")}
            << QStringList{QStringLiteral("ALTER TABLE \"运单\" ADD COLUMN \"x\" varchar(255)"),
                           QStringLiteral("ALTER TABLE \"运单\" DROP COLUMN \"x\"")};
        QTest::newRow("the table of another case is altered")
            << QStringList{QStringLiteral("CREATE TABLE \"YunDan\" (\"打印日期\" datetime)")}
            << QStringLiteral("YUNDAN") << QStringList{} << QStringList{QStringLiteral("n")} << QStringList{}
            << QStringList{QStringLiteral("ALTER TABLE \"YunDan\" ADD COLUMN \"n\" varchar(255)")};
        // A table made before index names were reserved holds the index's name: no index then.
        QTest::newRow("index name held by a table")
            << QStringList{QStringLiteral("CREATE TABLE \"IDX:运单\" (\"打印日期\" datetime)")}
            << QStringLiteral("运单") << QStringList{} << QStringList{} << QStringList{}
            << QStringList{QStringLiteral("CREATE TABLE \"运单\" (\"打印日期\" datetime)")};
    }
    void updateStatements() {
        VORLAN_FILE_ONLY("the statements alter a table of the template's own");
        QFETCH(QStringList, setup);
        QFETCH(QString, name);
        QFETCH(QStringList, single);
        QFETCH(QStringList, added);
        QFETCH(QStringList, deleted);
        QFETCH(QStringList, statements);
        test::TestEnv env;
        runAll(env.db(), setup);
        const Template t = templ(name, single);
        PendingColumns pending{added, deleted};
        for (QString& st : statements)
            if (st.startsWith(QLatin1String("CREATE TABLE")))
                st = withKey(env.db(), st);
        QCOMPARE(PrintLogStore(env.db()).updateStatements(t, pending), statements);
        // What is listed is what is sent, and it works.
        update(env.db(), t, pending);
        QVERIFY(pending.added.isEmpty());
        QVERIFY(pending.deleted.isEmpty());
        QVERIFY(PrintLogStore(env.db()).updateStatements(t, pending).isEmpty());
    }

    // The three saves of the designer's example: create, add a point, delete one.
    void workedExample() {
        test::TestEnv env;
        const PrintLogStore store(env.db());
        Template t = templ(QStringLiteral("运单"), {QStringLiteral("收件人"), QStringLiteral("电话")},
                           {QStringLiteral("备注")});
        PendingColumns pending;
        // A server's shared log changes no schema: it sends none of these.
        const bool own = !test::onServer();
        QCOMPARE(store.updateStatements(t, pending).value(0),
                 own ? withKey(env.db(),
                               QStringLiteral("CREATE TABLE \"运单\" (\"打印日期\" datetime,\"收件人\" "
                                              "varchar(255),\"电话\" varchar(255),\"备注\" varchar(255))"))
                     : QString());
        update(env.db(), t, pending);
        QCOMPARE(columns(env.db(), QStringLiteral("运单")),
                 (QStringList{QStringLiteral("打印日期"), QStringLiteral("收件人"), QStringLiteral("电话"),
                              QStringLiteral("备注")}));

        t.single.append(point(type::Integer, QStringLiteral("件数")));
        pending.added << QStringLiteral("件数");
        update(env.db(), t, pending);
        t.single[2].type.clear(); // deleted in the designer: the slot keeps its name
        pending.deleted << QStringLiteral("电话");
        QCOMPARE(store.updateStatements(t, pending),
                 own ? QStringList{QStringLiteral("ALTER TABLE \"运单\" DROP COLUMN \"电话\"")}
                     : QStringList());
        update(env.db(), t, pending);
        QCOMPARE(columns(env.db(), QStringLiteral("运单")),
                 (QStringList{QStringLiteral("打印日期"), QStringLiteral("收件人"), QStringLiteral("备注"),
                              QStringLiteral("件数")}));

        // Logged rows survive column changes.
        store.insert(QStringLiteral("运单"), QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)),
                     {{QStringLiteral("收件人"), QStringLiteral("张三")}});
        pending.added << QStringLiteral("x");
        pending.deleted << QStringLiteral("x");
        update(env.db(), t, pending);
        QCOMPARE(count(env.db(), QStringLiteral("运单")), 1);
        QVERIFY(!columns(env.db(), QStringLiteral("运单")).contains(QStringLiteral("x")));
    }

    // An input point deleted before the table was first created still gets its column.
    void deletedBeforeCreationGetsAColumn() {
        test::TestEnv env;
        Template t = templ(QStringLiteral("运单"), {QStringLiteral("a"), QStringLiteral("b")});
        t.single[1].type.clear();
        PendingColumns pending{{}, {QStringLiteral("a")}};
        update(env.db(), t, pending);
        QCOMPARE(columns(env.db(), QStringLiteral("运单")),
                 (QStringList{QStringLiteral("打印日期"), QStringLiteral("a"), QStringLiteral("b")}));
    }

    // The store opens no transaction of its own: the caller's rollback takes its statements back.
    void runsInTheCallersTransaction() {
        test::TestEnv env;
        const QStringList before = schema(env.db());
        {
            data::Transaction tx(env.db());
            PendingColumns pending;
            PrintLogStore(env.db()).bringUpToDate(templ(QStringLiteral("运单"), {QStringLiteral("收件人")}),
                                                  pending);
            QVERIFY(!PrintLogStore(env.db()).tableName(QStringLiteral("运单")).isEmpty());
        }
        QCOMPARE(schema(env.db()), before);
        QVERIFY(!test::hasLog(env.db(), QStringLiteral("运单")));
    }

    void refused_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("single");
        QTest::addColumn<QString>("message");
        QTest::newRow("blank") << QStringLiteral("  ") << QStringList{}
                               << QStringLiteral("模板名称不能为空，请在模板目录中为模板起一个名称！");
        QTest::newRow("base table")
            << QStringLiteral("Yongtu") << QStringList{}
            << QStringLiteral("模板名称“Yongtu”与系统数据表同名，不能使用，请在模板目录中换一个名称！");
        QTest::newRow("point named like the date column")
            << QStringLiteral("运单") << QStringList{QStringLiteral("收件人"), QStringLiteral("打印日期")}
            << QStringLiteral("输入点名称不能是“打印日期”，它是打印记录表的日期列，请改名后再保存！");
    }
    void refused() {
        QFETCH(QString, name);
        QFETCH(QStringList, single);
        QFETCH(QString, message);
        test::TestEnv env;
        const QStringList before = schema(env.db());
        PendingColumns pending{single, {}};
        try {
            update(env.db(), templ(name, single), pending);
            QFAIL("the update must be refused");
        } catch (const data::DbError& e) {
            QCOMPARE(e.description(), message);
        }
        QCOMPARE(schema(env.db()), before);
        QVERIFY(data::schema::isBaseTable(name) || !test::hasLog(env.db(), name));
        QCOMPARE(pending.added, single);
    }

    // Whether a log table can be made under a template's name. Empty: it can.
    void tableNameProblem_data() {
        QTest::addColumn<QStringList>("setup");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("problem");
        QTest::newRow("free") << QStringList{} << QStringLiteral("运单") << QString();
        QTest::newRow("base table")
            << QStringList{} << QStringLiteral("MOBAN")
            << QStringLiteral("模板名称“MOBAN”与系统数据表同名，不能使用，请在模板目录中换一个名称！");
        QTest::newRow("reserved for indexes")
            << QStringList{} << QStringLiteral("IDX:运单")
            << QStringLiteral("模板名称不能以“idx:”开头，这样的名称留给打印记录表的索引使用，"
                              "请在模板目录中换一个名称！");
        QTest::newRow("an older table in the reserved names keeps working")
            << QStringList{QStringLiteral("CREATE TABLE \"idx:旧\" (\"打印日期\" datetime)")}
            << QStringLiteral("idx:旧") << QString();
        QTest::newRow("a view")
            << QStringList{QStringLiteral("CREATE VIEW \"汇总\" AS SELECT 1")} << QStringLiteral("汇总")
            << QStringLiteral(
                   "模板名称“汇总”与数据库中已有的视图“汇总”同名，不能使用，请在模板目录中换一个名称！");
        QTest::newRow("an index")
            << QStringList{} << QStringLiteral("IDX_MOBAN_NAME")
            << QStringLiteral("模板名称“IDX_MOBAN_NAME”与数据库中已有的索引“idx_moban_name”同名，不能使用，"
                              "请在模板目录中换一个名称！");
        QTest::newRow("an old log index moves out of the way")
            << QStringList{QStringLiteral("CREATE TABLE \"发票\" (\"打印日期\" datetime)"),
                           QStringLiteral("CREATE INDEX \"idx_发票_打印日期\" ON \"发票\" (\"打印日期\")")}
            << QStringLiteral("idx_发票_打印日期") << QString();
    }
    void tableNameProblem() {
        VORLAN_FILE_ONLY("a template's log table takes a name among the file's tables, indexes and views");
        QFETCH(QStringList, setup);
        QFETCH(QString, name);
        QFETCH(QString, problem);
        test::TestEnv env;
        runAll(env.db(), setup);
        QCOMPARE(PrintLogStore(env.db()).tableNameProblem(name), problem);
    }

    // A log table made before keeps its date index when a template takes the index's old name.
    void oldIndexMovesOutOfTheWay() {
        VORLAN_FILE_ONLY("the date indexes of the file's log tables");
        test::TestEnv env;
        data::exec(env.db(), QStringLiteral("CREATE TABLE \"发票\" (\"打印日期\" datetime)"));
        data::exec(env.db(), QStringLiteral("CREATE INDEX \"idx_发票_打印日期\" ON \"发票\" (\"打印日期\")"));
        const PrintLogStore store(env.db());
        Template t = templ(QStringLiteral("idx_发票_打印日期"));
        PendingColumns pending;
        QCOMPARE(store.updateStatements(t, pending),
                 (QStringList{
                     QStringLiteral("DROP INDEX \"idx_发票_打印日期\""),
                     QStringLiteral("CREATE INDEX \"idx:发票\" ON \"发票\" (\"打印日期\")"),
                     withKey(env.db(),
                             QStringLiteral("CREATE TABLE \"idx_发票_打印日期\" (\"打印日期\" datetime)")),
                     QStringLiteral(
                         "CREATE INDEX \"idx:idx_发票_打印日期\" ON \"idx_发票_打印日期\" (\"打印日期\")")}));
        update(env.db(), t, pending);
        QCOMPARE(data::scalar(
                     env.db(),
                     QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = ?"),
                     {QStringLiteral("发票")})
                     .toString(),
                 QStringLiteral("idx:发票"));
        // A new log table's index is never created where a table already stands.
        data::exec(env.db(), QStringLiteral("CREATE TABLE \"IDX:旧\" (\"打印日期\" datetime)"));
        QCOMPARE(
            store.updateStatements(templ(QStringLiteral("旧")), pending),
            QStringList{withKey(env.db(), QStringLiteral("CREATE TABLE \"旧\" (\"打印日期\" datetime)"))});
    }

    void sameName_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("same");
        QTest::newRow("equal") << QStringLiteral("运单") << QStringLiteral("运单") << true;
        QTest::newRow("ascii case") << QStringLiteral("Waybill") << QStringLiteral("wAYBILL") << true;
        QTest::newRow("longer") << QStringLiteral("Waybill") << QStringLiteral("Waybills") << false;
        QTest::newRow("non-ascii case") << QStringLiteral("Ä") << QStringLiteral("ä") << false;
        QTest::newRow("full width") << QStringLiteral("Ａ") << QStringLiteral("ａ") << false;
        QTest::newRow("blanks count") << QStringLiteral("a ") << QStringLiteral("a") << false;
    }
    void sameName() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, same);
        QCOMPARE(PrintLogStore::sameName(a, b), same);
        // The database agrees, and so does the look-up.
        test::TestEnv env;
        test::makeLog(env.db(), a, {QStringLiteral("x")});
        if (!test::onServer())
            QCOMPARE(data::tableExists(env.db(), b), same);
        QCOMPARE(PrintLogStore(env.db()).tableName(b), same ? a : QString());
    }

    // The row is written as given: the print window trims the box texts, the store keeps every character.
    void insert_data() {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << QStringLiteral("收件人") << QStringLiteral("张三");
        QTest::newRow("empty is not null") << QStringLiteral("收件人") << QString();
        QTest::newRow("blanks kept") << QStringLiteral("收件人") << QStringLiteral("  a  ");
        QTest::newRow("apostrophes") << QStringLiteral("O'Brien's 名") << QStringLiteral("O'Brien's 店");
        QTest::newRow("statement pieces")
            << QStringLiteral("a\",b") << QStringLiteral("a\",'b'),(); DROP TABLE moban");
        QTest::newRow("longer than 255") << QStringLiteral("备注") << QString(300, QLatin1Char('x'));
        QTest::newRow("a number stays text") << QStringLiteral("金额") << QStringLiteral("0012.50");
    }
    void insert() {
        QFETCH(QString, column);
        QFETCH(QString, text);
        test::TestEnv env;
        PendingColumns pending;
        update(env.db(), templ(QStringLiteral("Tom's 单"), {column, QStringLiteral("other")}), pending);
        const PrintLogStore store(env.db());
        const QDateTime when(QDate(2024, 3, 5), QTime(14, 7, 9));
        store.insert(QStringLiteral("Tom's 单"), when, {{column, text}});
        if (test::onServer()) {
            const QList<QStringList> rows = test::logRows(env.db(), QStringLiteral("Tom's 单"));
            QCOMPARE(rows.size(), 1);
            QCOMPARE(rows[0], (QStringList{QStringLiteral("2024-03-05 14:07:09"), text, QString()}));
            QVERIFY(!rows[0][1].isNull());
            QVERIFY(rows[0][2].isNull()); // a column without a value stays Null
            return;
        }
        QSqlQuery q = data::exec(
            env.db(), QStringLiteral("SELECT \"打印日期\", typeof(%1), %1, other FROM \"Tom's 单\"")
                          .arg(data::quoteId(column)));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("2024-03-05 14:07:09"));
        QCOMPARE(q.value(1).toString(), QStringLiteral("text"));
        QCOMPARE(q.value(2).toString(), text);
        QVERIFY(q.value(3).isNull()); // a column without a value stays Null
        QVERIFY(!q.next());
    }

    void insertOnlyTheDate() {
        test::TestEnv env;
        PendingColumns pending;
        update(env.db(), templ(QStringLiteral("空白单")), pending);
        PrintLogStore(env.db()).insert(QStringLiteral("空白单"), QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)),
                                       {});
        QCOMPARE(test::logRows(env.db(), QStringLiteral("空白单")),
                 QList<QStringList>{{QStringLiteral("2024-01-02 03:04:05")}});
    }

    void insertFindsTheTableInAnyLetterCase() {
        test::TestEnv env;
        PendingColumns pending;
        update(env.db(), templ(QStringLiteral("Waybill"), {QStringLiteral("To")}), pending);
        PrintLogStore(env.db()).insert(QStringLiteral("WAYBILL"), QDateTime::currentDateTime(),
                                       {{QStringLiteral("to"), QStringLiteral("x")}});
        QCOMPARE(count(env.db(), QStringLiteral("Waybill")), 1);
    }

    void insertFailures_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("column");
        QTest::addColumn<bool>("missingTable");
        QTest::addColumn<QString>("message"); // contained in the description
        QTest::newRow("never saved") << QStringLiteral("从未保存") << QStringLiteral("收件人") << true
                                     << QStringLiteral("模板“从未保存”还没有打印记录表");
        QTest::newRow("blank") << QStringLiteral(" ") << QStringLiteral("收件人") << true
                               << QStringLiteral("还没有打印记录表");
        QTest::newRow("base table") << QStringLiteral("YongTu") << QStringLiteral("yongtuName") << false
                                    << QStringLiteral("模板名称不能用作打印记录表的名称");
        QTest::newRow("unknown column")
            << QStringLiteral("运单") << QStringLiteral("新加的点") << false << QStringLiteral("新加的点");
    }
    void insertFailures() {
        QFETCH(QString, name);
        QFETCH(QString, column);
        QFETCH(bool, missingTable);
        QFETCH(QString, message);
        test::TestEnv env;
        PendingColumns pending;
        update(env.db(), templ(QStringLiteral("运单"), {QStringLiteral("收件人")}), pending);
        data::exec(env.db(), QStringLiteral("ALTER TABLE yongtu ADD COLUMN \"打印日期\" TEXT"));
        const PrintLogStore store(env.db());
        try {
            store.insert(name, QDateTime::currentDateTime(),
                         {{QStringLiteral("收件人"), QStringLiteral("a")}, {column, QStringLiteral("b")}});
            QFAIL("the row must be refused");
        } catch (const MissingLogTable& e) {
            QVERIFY(missingTable);
            QVERIFY2(e.description().contains(message), qPrintable(e.description()));
        } catch (const data::DbError& e) {
            QVERIFY(!missingTable);
            QVERIFY2(e.description().contains(message), qPrintable(e.description()));
        }
        // Nothing of the row anywhere.
        QCOMPARE(count(env.db(), QStringLiteral("运单")), 0);
        QCOMPARE(data::scalar(env.db(), QStringLiteral("SELECT count(*) FROM yongtu")).toInt(), 0);
    }

    // One day's log, searched by date range and content.
    void query_data() {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<QStringList>("found"); // 编号 of the rows, in list order
        const QDate d(2024, 3, 5);
        QTest::newRow("whole day, oldest first")
            << QString() << QString() << d << d << QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s};
        QTest::newRow("text ignored without a column") << QString() << QStringLiteral("张") << d << d
                                                       << QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s};
        QTest::newRow("range ends on the day before")
            << QString() << QString() << d.addDays(-1) << d.addDays(-1) << QStringList{u"0"_s};
        QTest::newRow("two days") << QString() << QString() << d.addDays(-1) << d
                                  << QStringList{u"0"_s, u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s};
        QTest::newRow("start after end") << QString() << QString() << d << d.addDays(-1) << QStringList{};
        QTest::newRow("contains") << QStringLiteral("收件人") << QStringLiteral("张") << d << d
                                  << QStringList{u"1"_s, u"2"_s};
        QTest::newRow("ascii case ignored")
            << QStringLiteral("收件人") << QStringLiteral("bri") << d << d << QStringList{u"5"_s};
        QTest::newRow("percent literal")
            << QStringLiteral("备注") << QStringLiteral("50%") << d << d << QStringList{u"3"_s};
        QTest::newRow("underscore literal")
            << QStringLiteral("备注") << QStringLiteral("a_b") << d << d << QStringList{u"4"_s};
        QTest::newRow("backslash literal")
            << QStringLiteral("备注") << QStringLiteral("\\") << d << d << QStringList{u"2"_s};
        QTest::newRow("apostrophe") << QStringLiteral("收件人") << QStringLiteral("O'B") << d << d
                                    << QStringList{u"5"_s};
        QTest::newRow("injection is text")
            << QStringLiteral("收件人") << QStringLiteral("%' OR 1=1 --") << d << d << QStringList{};
        QTest::newRow("empty text: every value not null")
            << QStringLiteral("备注") << QString() << d << d << QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s};
    }
    void query() {
        QFETCH(QString, column);
        QFETCH(QString, text);
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(QStringList, found);
        test::TestEnv env;
        PendingColumns pending;
        update(env.db(),
               templ(QStringLiteral("运单"),
                     {QStringLiteral("编号"), QStringLiteral("收件人"), QStringLiteral("备注")}),
               pending);
        const PrintLogStore store(env.db());
        auto log = [&](const QString& when, const QString& no, const QString& to, const QVariant& note) {
            test::addLogSheet(env.db(), QStringLiteral("运单"),
                              {QStringLiteral("打印日期"), QStringLiteral("编号"), QStringLiteral("收件人"),
                               QStringLiteral("备注")},
                              {when, no, to, note});
        };
        // Out of order: the result comes sorted by the print date.
        log(QStringLiteral("2024-03-05 23:59:59"), QStringLiteral("5"), QStringLiteral("O'Brien"),
            QVariant());
        log(QStringLiteral("2024-03-05 00:00:00"), QStringLiteral("1"), QStringLiteral("张三"),
            QStringLiteral(""));
        log(QStringLiteral("2024-03-04 23:59:59"), QStringLiteral("0"), QStringLiteral("前一天"),
            QStringLiteral("x"));
        log(QStringLiteral("2024-03-05 09:00:00"), QStringLiteral("2"), QStringLiteral("小张"),
            QStringLiteral("c:\\"));
        log(QStringLiteral("2024-03-05 10:00:00"), QStringLiteral("3"), QStringLiteral("李四"),
            QStringLiteral("打50%折"));
        log(QStringLiteral("2024-03-05 11:00:00"), QStringLiteral("4"), QStringLiteral("王五"),
            QStringLiteral("a_b"));
        log(QStringLiteral("2024-03-06 00:00:00"), QStringLiteral("6"), QStringLiteral("后一天"),
            QStringLiteral("x"));
        const auto table = store.find(QStringLiteral("运单"));
        QVERIFY(table);
        QSqlQuery q = store.query(*table, {column, text, start, end});
        QStringList got;
        // The row identity first, then the columns in table order.
        while (q.next())
            got << q.value(2).toString();
        QCOMPARE(got, found);
    }

    void queryNamesOnlyColumnsOfTheTable() {
        test::TestEnv env;
        test::makeLog(env.db(), QStringLiteral("运单"), {QStringLiteral("x"), QStringLiteral("y")});
        const PrintLogStore store(env.db());
        const auto table = store.find(QStringLiteral("运单"));
        QVERIFY(table);
        const QDate d(2024, 3, 5);
        try {
            store.query(*table, {QString(), QString(), d, d});
            QFAIL("a table without the date column cannot be searched");
        } catch (const data::DbError& e) {
            QCOMPARE(e.description(), QStringLiteral("打印记录表“运单”没有“打印日期”列"));
        }
        LogTable withDate = *table;
        withDate.columns.prepend(PrintLogStore::kDateColumn);
        try {
            PrintLogStore::buildQuery(withDate, {QStringLiteral("z"), QString(), d, d});
            QFAIL("an unknown column cannot be searched");
        } catch (const data::DbError& e) {
            QCOMPARE(e.description(), QStringLiteral("打印记录表“运单”没有“z”列"));
        }
    }

    // Rows go by their identity: of two sheets logged in the same second only the chosen one goes.
    void deleteRows_data() {
        QTest::addColumn<QStringList>("points");
        QTest::newRow("plain") << QStringList{QStringLiteral("收件人")};
        QTest::newRow("a point called rowid") << QStringList{QStringLiteral("rowid")};
    }
    void deleteRows() {
        QFETCH(QStringList, points);
        test::TestEnv env;
        PendingColumns pending;
        update(env.db(), templ(QStringLiteral("运单"), points), pending);
        const PrintLogStore store(env.db());
        const QDateTime second(QDate(2024, 3, 5), QTime(14, 7, 9));
        for (const char* v : {"甲", "乙", "丙"})
            store.insert(QStringLiteral("运单"), second, {{points.first(), QString::fromUtf8(v)}});
        const auto table = store.find(QStringLiteral("运单"));
        QVERIFY(table);
        QList<qint64> ids;
        QSqlQuery q = store.query(*table, {QString(), QString(), second.date(), second.date()});
        while (q.next())
            ids << q.value(0).toLongLong();
        q.finish();
        QCOMPARE(ids.size(), 3);

        store.deleteRows(*table, {});
        QCOMPARE(count(env.db(), QStringLiteral("运单")), 3);
        store.deleteRows(*table, {ids.at(0), ids.at(2)});
        const QList<QStringList> rows = test::logRows(env.db(), QStringLiteral("运单"));
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].value(1), QStringLiteral("乙"));
    }

    // setup, then drop(name): the log tables that are left, and whether the date index went with its table.
    void drop_data() {
        QTest::addColumn<QStringList>("templates");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("exact") << QStringList{QStringLiteral("运单"), QStringLiteral("发票")}
                               << QStringLiteral("运单") << QStringList{QStringLiteral("发票")};
        QTest::newRow("other letter case")
            << QStringList{QStringLiteral("Waybill")} << QStringLiteral("WAYBILL") << QStringList{};
        QTest::newRow("none: nothing happens")
            << QStringList{QStringLiteral("运单")} << QStringLiteral("从未保存")
            << QStringList{QStringLiteral("运单")};
        QTest::newRow("never a base table") << QStringList{} << QStringLiteral("moban") << QStringList{};
        QTest::newRow("never a blank name") << QStringList{} << QStringLiteral(" ") << QStringList{};
    }
    void drop() {
        QFETCH(QStringList, templates);
        QFETCH(QString, name);
        QFETCH(QStringList, left);
        test::TestEnv env;
        for (const QString& n : templates) {
            PendingColumns pending;
            update(env.db(), templ(n, {QStringLiteral("a")}), pending);
        }
        data::exec(env.db(), QStringLiteral("CREATE VIEW \"汇总\" AS SELECT 1"));
        const QStringList before = schema(env.db());
        PrintLogStore(env.db()).drop(name);
        QStringList tables;
        QSqlQuery q = data::exec(
            env.db(),
            test::onServer()
                ? QStringLiteral("SELECT DISTINCT template FROM %1").arg(PrintLogStore::kSharedColumns)
                : QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"));
        while (q.next())
            if (!data::schema::isBaseTable(q.value(0).toString()))
                tables << q.value(0).toString();
        tables.sort();
        left.sort();
        QCOMPARE(tables, left);
        // Everything else stays: base tables, their indexes, the view; a dropped table's index goes with it.
        QStringList expected = before;
        for (const QString& n : templates) {
            if (left.contains(n))
                continue;
            expected.removeAll(QStringLiteral("table ") + n);
            expected.removeAll(QStringLiteral("index idx:") + n);
        }
        QCOMPARE(schema(env.db()), expected);
    }
};

QTEST_MAIN(TestPrintLogStore)
#include "tst_printlogstore.moc"
