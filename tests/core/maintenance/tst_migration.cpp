// Copying a local database into an empty one: every table, log and picture arrives, keys are kept and
// continue, the proof catches what changed on the way, and a target holding data is refused.
#include "TestServer.h"
#include "data/PostgresEngine.h"
#include "data/Schema.h"
#include "data/Sql.h"
#include "data/SqliteEngine.h"
#include "maintenance/Migration.h"
#include "templates/PrintLogStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace vorlan;
using maintenance::migrate;
using templates::PrintLogStore;

namespace {

// A new database file (on a connection of its own, left open till the end).
data::Engine newFile(const QString& path, bool withSchema = true) {
    data::Engine e = data::sqlite::open(path, path, data::sqlite::Access::Create);
    e.prepareConnection();
    if (withSchema)
        data::schema::create(e);
    return e;
}

void run(const data::Engine& e, const QString& sql, const QVariantList& params = {}) {
    data::exec(e, sql, params);
}

templates::Template logTemplate(const QString& name, const QStringList& points) {
    templates::Template t;
    t.name = name;
    for (const QString& p : points) {
        templates::InputPoint ip;
        ip.type = templates::type::SingleLine;
        ip.name = p;
        t.single.append(ip);
    }
    return t;
}

QByteArray picture() {
    QByteArray bytes;
    for (int i = 0; i < 5000; ++i)
        bytes += char(i * 7 % 256);
    return bytes;
}

// Something of everything: Null beside empty texts, gaps in the keys, a picture with every byte value,
// two logs (one with a name to be quoted and a column added later, Null in the old rows) and a table
// that is not the program's.
void fill(const data::Engine& e) {
    run(e, QStringLiteral(
               "INSERT INTO basic_user (uid, uName, uPass, czqx, uFlag) VALUES ('001', '管理员', 'h1', "
               "'高级用户', 0), ('002', 'O''Brien', 'h2', NULL, 0)"));
    run(e,
        QStringLiteral("INSERT INTO mobantabe (parent, key, text, image, selectedimage) VALUES ('0_', '1_', "
                       "'快递单', 1, 2), ('1_', '2_', '运单', 1, 2)"));
    run(e, QStringLiteral("INSERT INTO moban (mobanname, backimage, allup, allleft) VALUES (?, ?, 3, -2)"),
        {QStringLiteral("运单"), picture()});
    run(e, QStringLiteral("INSERT INTO moban (mobanname, backimage) VALUES ('空白', NULL)"));
    run(e, QStringLiteral(
               "INSERT INTO mobanxywh (mobanname, textLX, textName, lockZiduan, textNumes, X, Y, W, H, "
               "Font, FontSize, FontItalic, FontBold, FontUnderline, BackColor, ForeColor) VALUES ('运单', "
               "'单行文本', '收件人', '无', 1, 100.5, 0.1, 2055, 315, '宋体', 10.5, 0, 1, 0, -2147483643, "
               "255)"));
    run(e,
        QStringLiteral("INSERT INTO yongtu (yongtuName) VALUES ('货款'), (''), (NULL), ('删掉'), ('运费')"));
    run(e, QStringLiteral("DELETE FROM yongtu WHERE yongtuName = '删掉'"));
    QStringList cols, marks;
    QVariantList values;
    for (const QString& c : data::schema::customerColumns()) {
        cols << data::quoteId(c);
        marks << QStringLiteral("?");
        values << QStringLiteral("%1-00123").arg(c);
    }
    values[8] = QStringLiteral("622202100112345678"); // an account of 18 digits stays text
    run(e, QStringLiteral("INSERT INTO Basic_Khgl (%1) VALUES (%2)").arg(cols.join(u','), marks.join(u',')),
        values);
    run(e, QStringLiteral(
               "INSERT INTO Detail_InOut VALUES ('2024-03-05 00:00:00', 'a'), ('2024-03-05 00:00:00', "
               "'a'), (NULL, '')"));
    run(e,
        QStringLiteral("INSERT INTO mobanprint (mobanname, printer, paperWidth, orientation) VALUES ('运单', "
                       "'PDF', 210.25, NULL)"));

    const PrintLogStore logs(e);
    templates::PendingColumns none;
    logs.bringUpToDate(
        logTemplate(QStringLiteral("运单"), {QStringLiteral("收件人"), QStringLiteral("电话")}), none);
    const QDateTime at(QDate(2024, 3, 5), QTime(10, 0, 0));
    logs.insert(QStringLiteral("运单"), at, {{QStringLiteral("收件人"), QStringLiteral("张三")}});
    logs.insert(QStringLiteral("运单"), at,
                {{QStringLiteral("收件人"), QStringLiteral("李四")},
                 {QStringLiteral("电话"), QStringLiteral("0571")}});
    logs.insert(QStringLiteral("运单"), at.addDays(-1), {{QStringLiteral("电话"), QString()}});
    const QString quoted = QStringLiteral("It's \"A\" 单");
    logs.bringUpToDate(logTemplate(quoted, {QStringLiteral("甲")}), none);
    logs.insert(quoted, at, {{QStringLiteral("甲"), QStringLiteral("1")}});
    templates::PendingColumns added;
    added.added << QStringLiteral("乙");
    logs.bringUpToDate(logTemplate(quoted, {QStringLiteral("甲"), QStringLiteral("乙")}), added);
    logs.insert(quoted, at.addSecs(1), {{QStringLiteral("乙"), QStringLiteral("2")}});

    run(e, QStringLiteral("CREATE TABLE notes (x TEXT)"));
    run(e, QStringLiteral("INSERT INTO notes VALUES ('mine')"));
}

// A value as the test compares it: Null apart, a blob by its bytes.
QString shown(const QVariant& v) {
    if (v.isNull())
        return QStringLiteral("<NULL>");
    if (v.typeId() == QMetaType::QByteArray)
        return QStringLiteral("blob:") + QString::fromLatin1(v.toByteArray().toHex());
    return v.toString();
}

QStringList dump(const data::Engine& e, const QString& sql) {
    QStringList out;
    QSqlQuery q = data::exec(e, sql);
    while (q.next()) {
        QStringList row;
        for (int i = 0; i < q.record().count(); ++i)
            row << shown(q.value(i));
        out << row.join(u'|');
    }
    return out;
}

QStringList logRows(const data::Engine& e, const QString& name) {
    const PrintLogStore store(e);
    const auto table = store.find(name);
    if (!table)
        return {QStringLiteral("no log")};
    QStringList out{table->columns.join(u',')};
    QSqlQuery q = store.query(*table, {QString(), QString(), QDate(1, 1, 1), QDate(9999, 12, 31)});
    while (q.next()) {
        QStringList row;
        for (int i = 1; i <= table->columns.size(); ++i) // the key left out
            row << shown(q.value(i));
        out << row.join(u'|');
    }
    return out;
}

qint64 allRows(const data::Engine& e) {
    qint64 n = 0;
    for (const QString& t : e.tables())
        if (!t.startsWith(QLatin1String("sqlite_")))
            n += data::scalar(e, QStringLiteral("SELECT count(*) FROM ") + data::quoteId(t)).toLongLong();
    return n;
}

QByteArray fileHash(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class TestMigration : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    data::Engine source_; // only ever read: its file must stay as it is
    QByteArray sourceHash_;
    int files_ = 0;

    QString path(const QString& name) const { return QDir(dir_.path()).filePath(name); }
    data::Engine newTarget(bool withSchema = false) {
        return newFile(path(QStringLiteral("target%1.mdb").arg(++files_)), withSchema);
    }
    const data::Engine& source() const { return source_; }

private slots:
    void initTestCase() {
        source_ = newFile(path(QStringLiteral("source.mdb")));
        fill(source());
        sourceHash_ = fileHash(path(QStringLiteral("source.mdb")));
    }
    void cleanupTestCase() { QCOMPARE(fileHash(path(QStringLiteral("source.mdb"))), sourceHash_); }

    void canonicalValues_data() {
        QTest::addColumn<QVariantList>("a");
        QTest::addColumn<QVariantList>("b");
        QTest::addColumn<bool>("same");
        auto row = [](const char* name, QVariantList a, QVariantList b, bool same) {
            QTest::newRow(name) << a << b << same;
        };
        row("Null is not the empty text", {QVariant()}, {QString()}, false);
        row("a whole double as the integer", {100.0}, {100}, true);
        row("the shortest decimal", {0.1}, {QStringLiteral("0.1")}, true);
        row("single precision shows", {0.1f}, {0.1}, false);
        row("a time stamp as stored", {QDateTime(QDate(2024, 3, 5), QTime(9, 8, 7))},
            {QStringLiteral("2024-03-05 09:08:07")}, true);
        row("blob bytes", {QByteArray("a\0b", 3)}, {QByteArray("a\0c", 3)}, false);
        row("values do not run together", {QStringLiteral("a"), QStringLiteral("bc")},
            {QStringLiteral("ab"), QStringLiteral("c")}, false);
    }
    void canonicalValues() {
        QFETCH(QVariantList, a);
        QFETCH(QVariantList, b);
        QFETCH(bool, same);
        auto bytes = [](const QVariantList& values) {
            QByteArray out;
            for (const QVariant& v : values)
                out += maintenance::canonicalValue(v);
            return out;
        };
        QCOMPARE(bytes(a) == bytes(b), same);
    }

    void copiesEverything_data() {
        QTest::addColumn<QString>("sql"); // empty: the print logs
        QTest::newRow("users") << QStringLiteral("SELECT * FROM basic_user ORDER BY id");
        QTest::newRow("catalogue") << QStringLiteral("SELECT * FROM mobantabe ORDER BY id");
        QTest::newRow("pictures") << QStringLiteral("SELECT * FROM moban ORDER BY id");
        QTest::newRow("input points") << QStringLiteral("SELECT * FROM mobanxywh ORDER BY id");
        QTest::newRow("common uses, gaps in the keys") << QStringLiteral("SELECT * FROM yongtu ORDER BY id");
        QTest::newRow("customers") << QStringLiteral("SELECT * FROM Basic_Khgl ORDER BY id");
        QTest::newRow("detail records, one twice")
            << QStringLiteral("SELECT * FROM Detail_InOut ORDER BY 1, 2");
        QTest::newRow("print settings") << QStringLiteral("SELECT * FROM mobanprint ORDER BY mobanname");
        QTest::newRow("first-user mark") << QStringLiteral("PRAGMA application_id");
        QTest::newRow("print logs") << QString();
    }
    void copiesEverything() {
        QFETCH(QString, sql);
        auto target = newTarget();
        const auto report = migrate(source(), target);
        QVERIFY2(report.committed, qPrintable(maintenance::reportText(report)));
        QCOMPARE(report.tables.size(), 10);
        QCOMPARE(report.skipped, QStringList{QStringLiteral("notes")});
        QVERIFY(!target.tableExists(QStringLiteral("notes")));
        if (!sql.isEmpty()) {
            QVERIFY(!dump(source(), sql).isEmpty());
            QCOMPARE(dump(target, sql), dump(source(), sql));
            return;
        }
        for (const QString& name : {QStringLiteral("运单"), QStringLiteral("It's \"A\" 单")})
            QCOMPARE(logRows(target, name), logRows(source(), name));
        QCOMPARE(logRows(target, QStringLiteral("运单")).size(), 4);
    }

    void refusesATargetWithData_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<bool>("schema");
        QTest::addColumn<QString>("named");
        QTest::newRow("a user") << QStringLiteral("INSERT INTO basic_user (uid) VALUES ('9')") << true
                                << QStringLiteral("中已有数据（数据表“basic_user”中有 1 行）");
        QTest::newRow("a log row")
            << QStringLiteral("CREATE TABLE 旧单 (\"打印日期\" TEXT); INSERT INTO 旧单 VALUES ('x')") << true
            << QStringLiteral("数据表“旧单”中有 1 行");
        QTest::newRow("another program's table")
            << QStringLiteral("CREATE TABLE other (x); INSERT INTO other VALUES (1)") << false
            << QStringLiteral("数据表“other”中有 1 行");
        QTest::newRow("another program's empty table") << QStringLiteral("CREATE TABLE other (x)") << false
                                                       << QStringLiteral("不属于本系统的数据表“other”");
        QTest::newRow("an empty schema of another version")
            << QStringLiteral("PRAGMA user_version = 3") << true
            << QStringLiteral("不是本系统这个版本的数据库");
    }
    void refusesATargetWithData() {
        QFETCH(QString, setup);
        QFETCH(bool, schema);
        QFETCH(QString, named);
        auto target = newTarget(schema);
        for (const QString& sql : setup.split(QStringLiteral("; ")))
            run(target, sql);
        const QStringList tables = target.tables();
        const qint64 rows = allRows(target);
        try {
            migrate(source(), target);
            QFAIL("the target was not refused");
        } catch (const data::DbError& e) {
            QVERIFY2(e.description().contains(named), qPrintable(e.description()));
            QVERIFY(e.description().contains(QDir::toNativeSeparators(target.db().databaseName())));
        }
        QCOMPARE(target.tables(), tables);
        QCOMPARE(allRows(target), rows);
    }

    // What changes on the way shows in the proof, and nothing is committed. An empty schema is taken.
    void proofCatchesChanges_data() {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<QString>("table");
        QTest::addColumn<bool>("sameRows");
        QTest::newRow("Null became empty")
            << QStringLiteral("AFTER INSERT ON basic_user BEGIN UPDATE basic_user SET "
                              "czqx = coalesce(czqx, '') WHERE id = NEW.id; END")
            << QStringLiteral("basic_user") << true;
        QTest::newRow("a picture lost a byte")
            << QStringLiteral("AFTER INSERT ON moban BEGIN UPDATE moban SET backimage = substr(backimage, 2) "
                              "WHERE id = NEW.id; END")
            << QStringLiteral("moban") << true;
        QTest::newRow("a row without a key lost")
            << QStringLiteral(
                   "AFTER INSERT ON Detail_InOut WHEN NEW.\"内容\" = '' BEGIN DELETE FROM Detail_InOut "
                   "WHERE \"内容\" = ''; END")
            << QStringLiteral("Detail_InOut") << false;
    }
    void proofCatchesChanges() {
        QFETCH(QString, trigger);
        QFETCH(QString, table);
        QFETCH(bool, sameRows);
        auto target = newTarget(true);
        run(target, QStringLiteral("CREATE TRIGGER spoil ") + trigger);
        const auto report = migrate(source(), target);
        QVERIFY(!report.committed);
        for (const auto& t : report.tables) {
            QCOMPARE(t.equal(), t.name != table);
            if (t.name == table)
                QCOMPARE(t.sourceRows == t.targetRows, sameRows);
        }
        QVERIFY(maintenance::reportText(report).contains(QStringLiteral("迁移没有完成")));
        QCOMPARE(allRows(target), 0);
    }

    void stopsWhenAsked() {
        auto target = newTarget();
        int calls = 0, count = 0;
        try {
            migrate(source(), target, [&](const maintenance::MigrationStep& s) {
                count = s.count;
                return ++calls < 4;
            });
            QFAIL("not stopped");
        } catch (const data::DbError& e) {
            QVERIFY(e.description().startsWith(QStringLiteral("迁移已取消")));
        }
        QCOMPARE(count, 10);
        QCOMPARE(allRows(target), 0);
    }

    void refusesLogRowsItCannotCarry_data() {
        QTest::addColumn<QVariant>("date");
        QTest::addColumn<QString>("message");
        QTest::newRow("no date") << QVariant() << QStringLiteral("打印记录表“运单”中有 1 条记录没有打印日期");
        QTest::newRow("another form") << QVariant(QStringLiteral("2024/03/05 10:00:00"))
                                      << QStringLiteral("打印日期“2024/03/05 10:00:00”无法识别");
    }
    void refusesLogRowsItCannotCarry() {
        QFETCH(QVariant, date);
        QFETCH(QString, message);
        auto odd = newTarget(true);
        fill(odd);
        run(odd, QStringLiteral("INSERT INTO 运单 (\"打印日期\", 收件人) VALUES (?, '王五')"), {date});
        auto target = newTarget();
        try {
            migrate(odd, target);
            QFAIL("not refused");
        } catch (const data::DbError& e) {
            QVERIFY2(e.description().contains(message), qPrintable(e.description()));
        }
        QCOMPARE(allRows(target), 0);
    }

    void toTheServer() {
        QString why;
        if (!test::testServer(&why))
            QSKIP(qPrintable(why));
        const data::ServerAddress a = test::newServerDatabase();
        {
            const data::Engine target = data::postgres::open(a, QStringLiteral("migration-server"));
            target.prepareConnection();
            const auto report = migrate(source(), target);
            QVERIFY2(report.committed, qPrintable(maintenance::reportText(report)));
            for (const QString& name : {QStringLiteral("运单"), QStringLiteral("It's \"A\" 单")})
                QCOMPARE(logRows(target, name), logRows(source(), name));
            QCOMPARE(
                data::scalar(target, QStringLiteral("SELECT backimage FROM moban WHERE mobanname = '运单'"))
                    .toByteArray(),
                picture());
            // A row added on the server is numbered after the copied ones.
            for (const QString& table : data::schema::keyedTables()) {
                const QString t = data::quoteId(target.tableNamed(table));
                const qint64 highest =
                    data::scalar(target, QStringLiteral("SELECT max(id) FROM %1").arg(t)).toLongLong();
                QVERIFY2(
                    data::scalar(target, QStringLiteral("INSERT INTO %1 DEFAULT VALUES RETURNING id").arg(t))
                            .toLongLong() > highest,
                    qPrintable(table));
            }
            try {
                migrate(source(), target);
                QFAIL("a second copy into the same database was not refused");
            } catch (const data::DbError& e) {
                QVERIFY2(e.description().contains(data::shownServer(a)), qPrintable(e.description()));
            }
        }
        test::dropServerDatabase(a);
    }
};

QTEST_MAIN(TestMigration)
#include "tst_migration.moc"
