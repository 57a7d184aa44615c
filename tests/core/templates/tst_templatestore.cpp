#include "BothEngines.h"
#include "TestEnv.h"
#include "TestServer.h"
#include "data/Schema.h"
#include "data/Sql.h"
#include "templates/PictureCache.h"
#include "templates/PointRules.h"
#include "templates/PrintLogStore.h"
#include "templates/TabOrder.h"
#include "templates/TemplateStore.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <tuple>

using namespace vorlan;
using namespace vorlan::templates;
using namespace Qt::StringLiterals;

namespace {

InputPoint point(const QString& type, const QString& name, ui::Twips left = 100_tw, ui::Twips top = 200_tw) {
    InputPoint p;
    p.type = type;
    p.name = name;
    p.binding = kNoBinding;
    p.rect = {left, top, 2055_tw, 315_tw};
    p.fontSize = 10.5f;
    p.bold = true;
    p.backColor = color::encode(QColor(1, 2, 3));
    return p;
}

QStringList columns(const QSqlDatabase& db, const QString& table) {
    // The log table's key is no input point's column.
    QStringList out = vorlan::data::Engine(db).columns(table);
    out.removeAll(vorlan::templates::PrintLogStore::kKeyColumn);
    return out;
}

int rowCount(const QSqlDatabase& db, const QString& sql, const QVariantList& params = {}) {
    return data::scalar(db, sql, params).toInt();
}

QByteArray pngBytes(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 7) & 255, (y * 13) & 255, (x * y) & 255));
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return bytes;
}

} // namespace

class TestTemplateStore : public QObject {
    Q_OBJECT
private slots:
    void emptyTemplateLoadsEmptyAndSavesBackgroundRow() {
        test::TestEnv env;
        TemplateStore store(env.db());
        LoadResult r = store.load(QStringLiteral("新模板"));
        QCOMPARE(r.tmpl.single.count, 0);
        QCOMPARE(r.tmpl.multi.count, 0);
        QCOMPARE(r.tmpl.pictureRect, kDefaultPictureRect);
        QVERIFY(!r.tmpl.hasHeader);
        PendingColumns pending;
        store.save(r.tmpl, std::nullopt, pending);
        QCOMPARE(rowCount(env.db(), QStringLiteral("SELECT count(*) FROM mobanxywh")), 1);
        QCOMPARE(rowCount(env.db(), QStringLiteral("SELECT count(*) FROM moban")), 0);
        // A template without input points still gets its log table with the date column only.
        QCOMPARE(test::logColumns(env.db(), QStringLiteral("新模板")),
                 QStringList{QStringLiteral("打印日期")});
    }

    void slotGapsAndFamiliesRoundTrip() {
        test::TestEnv env;
        TemplateStore store(env.db());
        Template t;
        t.name = QStringLiteral("运单");
        t.single[1] = point(type::SingleLine, QStringLiteral("收件人"));
        t.single[3] = point(type::AmountInWords, QStringLiteral("金额"), 300_tw, 400_tw);
        t.single.count = 3;
        t.single[1].symbology = Symbology::QrCode;
        t.single[1].symbolText = false;
        t.single[1].party = Party::Receiver;
        t.multi[1] = point(type::MultiLine, QStringLiteral("备注"));
        t.multi[1].fixedText = QStringLiteral("易碎品 轻放");
        t.multi.count = 1;
        PendingColumns pending;
        store.save(t, std::nullopt, pending);

        LoadResult r = store.load(t.name);
        QVERIFY(r.skipped.isEmpty());
        QCOMPARE(r.tmpl.single.count, 3);
        QVERIFY(!r.tmpl.single[2].inUse());
        QCOMPARE(r.tmpl.single[3].name, QStringLiteral("金额"));
        QCOMPARE(r.tmpl.single[3].type, type::AmountInWords);
        QCOMPARE(r.tmpl.single[3].rect, (ui::TwipsRect{300_tw, 400_tw, 2055_tw, 315_tw}));
        QCOMPARE(r.tmpl.single[3].fontSize, 10.5f);
        QVERIFY(r.tmpl.single[3].bold);
        QCOMPARE(r.tmpl.single[3].backColor, color::encode(QColor(1, 2, 3)));
        QCOMPARE(r.tmpl.multi.count, 1);
        QCOMPARE(r.tmpl.multi[1].name, QStringLiteral("备注"));
        for (const SlotRef ref :
             {SlotRef{Family::Single, 1}, SlotRef{Family::Single, 3}, SlotRef{Family::Multi, 1}})
            QCOMPARE(optionsOf(r.tmpl.point(ref)), optionsOf(t.point(ref)));

        // A new point takes slot count + 1 = 4; the save writes slots 1, 3 and 4.
        Template u = r.tmpl;
        QCOMPARE(u.single.append(point(type::Integer, QStringLiteral("件数"))), 4);
        pending.added << QStringLiteral("件数");
        store.save(u, std::nullopt, pending);
        QVERIFY(pending.added.isEmpty());
        QCOMPARE(
            rowCount(env.db(), QStringLiteral("SELECT count(*) FROM mobanxywh WHERE textLX <> '背景图片'")),
            4);
        QCOMPARE(
            data::scalar(env.db(), QStringLiteral("SELECT textNumes FROM mobanxywh WHERE textName = '件数'"))
                .toInt(),
            4);
    }

    void deletedPointIsWrittenOnceThenDropped() {
        test::TestEnv env;
        TemplateStore store(env.db());
        Template t;
        t.name = QStringLiteral("T");
        t.single[1] = point(type::SingleLine, QStringLiteral("a"));
        t.single[2] = point(type::SingleLine, QStringLiteral("b"));
        t.single.count = 2;
        PendingColumns pending;
        store.save(t, std::nullopt, pending);
        t.single[2].type.clear(); // deleted in the designer: the name stays
        pending.deleted << QStringLiteral("b");
        store.save(t, std::nullopt, pending);
        QCOMPARE(rowCount(env.db(), QStringLiteral("SELECT count(*) FROM mobanxywh WHERE textLX = ''")), 1);
        QCOMPARE(test::logColumns(env.db(), QStringLiteral("T")),
                 (QStringList{QStringLiteral("打印日期"), QStringLiteral("a")}));
        LoadResult r = store.load(QStringLiteral("T"));
        QVERIFY(!r.tmpl.single[2].inUse());
        store.save(r.tmpl, std::nullopt, pending);
        QCOMPARE(rowCount(env.db(), QStringLiteral("SELECT count(*) FROM mobanxywh WHERE textLX = ''")), 0);
    }

    // On a server, a counter reads a picture once and keeps its own copy by the digest saved with it; a
    // file is read as it stands. A copy is found only under a digest's own name and at its size.
    void pictureKeptByDigest() {
        QTemporaryDir cacheHome;
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cacheHome.path()));
        test::TestEnv env;
        TemplateStore store(env.db());
        Template t;
        t.name = QStringLiteral("pic");
        PendingColumns pending;
        const QByteArray bytes = pngBytes(120, 80);
        store.save(t, bytes, pending);
        QCOMPARE(data::scalar(env.db(), QStringLiteral("SELECT imageSum FROM moban")).toString(),
                 pictureDigest(bytes));
        QCOMPARE(store.load(t.name).tmpl.picture, bytes);
        // Stored over by hand, digest unchanged: the size gives it away, the digest is made again.
        data::exec(env.db(), QStringLiteral("UPDATE moban SET backimage = ?"), {QByteArray("changed")});
        QCOMPARE(store.load(t.name).tmpl.picture, QByteArray("changed"));
        if (test::onServer())
            QCOMPARE(data::scalar(env.db(), QStringLiteral("SELECT imageSum FROM moban")).toString(),
                     pictureDigest("changed"));

        const PictureCache cache(cacheHome.filePath(QStringLiteral("own")));
        cache.keep(pictureDigest(bytes), bytes);
        QCOMPARE(cache.find(pictureDigest(bytes)).value_or(QByteArray()), bytes);
        cache.keep(pictureDigest(bytes), QByteArray("other bytes")); // not the picture the digest names
        QCOMPARE(cache.find(pictureDigest(bytes)).value_or(QByteArray()), bytes);
        QFile(cacheHome.filePath(u"own/"_s + pictureDigest(bytes))).resize(10);
        QVERIFY(!cache.find(pictureDigest(bytes)));
        QVERIFY(!cache.find(QStringLiteral("../../etc/passwd")));
        qunsetenv("XDG_CACHE_HOME");
    }

    void pictureBytesAndOffsets() {
        test::TestEnv env;
        TemplateStore store(env.db());
        Template t;
        t.name = QStringLiteral("pic");
        t.pictureRect = {10_tw, 20_tw, 9000_tw, 5000_tw};
        PendingColumns pending;
        const QByteArray bytes = pngBytes(120, 80);
        QVERIFY(bytes.size() > 1000);
        store.save(t, bytes, pending);
        QSqlQuery q(env.db());
        QVERIFY(q.exec(QStringLiteral("UPDATE moban SET allup = 7, allleft = -3")));
        LoadResult r = store.load(QStringLiteral("pic"));
        QCOMPARE(r.tmpl.picture, bytes);
        QVERIFY(pictureShown(r.tmpl.picture));
        QCOMPARE(r.tmpl.allup, 7);
        QCOMPARE(r.tmpl.allleft, -3);
        QCOMPARE(r.tmpl.pictureRect, (ui::TwipsRect{10_tw, 20_tw, 9000_tw, 5000_tw}));
        // Saving without a new picture leaves the header row alone; a new picture resets the offsets.
        store.save(r.tmpl, std::nullopt, pending);
        QCOMPARE(store.load(QStringLiteral("pic")).tmpl.allup, 7);
        store.save(r.tmpl, pngBytes(60, 60), pending);
        LoadResult after = store.load(QStringLiteral("pic"));
        QCOMPARE(after.tmpl.allup, 0);
        QCOMPARE(after.tmpl.allleft, 0);
        QCOMPARE(rowCount(env.db(), QStringLiteral("SELECT count(*) FROM moban")), 1);
        QVERIFY(!pictureShown(QByteArray(999, 'x')));
        QVERIFY(pictureShown(QByteArray(1000, 'x')));
    }

    // The save brings the print log table up to date in the same transaction (the statements themselves
    // are the print log store's, tested there).
    void saveKeepsTheLogTableInStep() {
        test::TestEnv env;
        TemplateStore store(env.db());
        Template t;
        t.name = QStringLiteral("运单");
        t.single[1] = point(type::SingleLine, QStringLiteral("收件人"));
        t.single[2] = point(type::SingleLine, QStringLiteral("电话"));
        t.single.count = 2;
        t.multi[1] = point(type::MultiLine, QStringLiteral("备注"));
        t.multi.count = 1;
        PendingColumns pending;
        store.save(t, std::nullopt, pending);
        QCOMPARE(test::logColumns(env.db(), QStringLiteral("运单")),
                 (QStringList{QStringLiteral("打印日期"), QStringLiteral("收件人"), QStringLiteral("电话"),
                              QStringLiteral("备注")}));

        t.single.append(point(type::Integer, QStringLiteral("件数")));
        pending.added << QStringLiteral("件数");
        store.save(t, std::nullopt, pending);
        QVERIFY(pending.added.isEmpty());
        t.single[2].type.clear();
        pending.deleted << QStringLiteral("电话");
        store.save(t, std::nullopt, pending);
        QVERIFY(pending.deleted.isEmpty());
        QCOMPARE(test::logColumns(env.db(), QStringLiteral("运单")),
                 (QStringList{QStringLiteral("打印日期"), QStringLiteral("收件人"), QStringLiteral("备注"),
                              QStringLiteral("件数")}));
        // Existing rows survive column changes.
        test::addLogSheet(env.db(), QStringLiteral("运单"),
                          {QStringLiteral("打印日期"), QStringLiteral("收件人")},
                          {QStringLiteral("2024-03-05 14:07:09"), QStringLiteral("张三")});
        pending.added << QStringLiteral("x");
        pending.deleted << QStringLiteral("x");
        store.save(t, std::nullopt, pending);
        QCOMPARE(test::logCount(env.db(), QStringLiteral("运单")), 1);
        QVERIFY(!test::logColumns(env.db(), QStringLiteral("运单")).contains(QStringLiteral("x")));
    }

    void existenceIgnoresCase() {
        test::TestEnv env;
        test::makeLog(env.db(), QStringLiteral("Waybill"), {QStringLiteral("打印日期")});
        Template t;
        t.name = QStringLiteral("WAYBILL");
        t.single.append(point(type::SingleLine, QStringLiteral("n")));
        PendingColumns pending;
        pending.added << QStringLiteral("n");
        TemplateStore(env.db()).save(t, std::nullopt, pending);
        QCOMPARE(test::logColumns(env.db(), QStringLiteral("Waybill")),
                 (QStringList{QStringLiteral("打印日期"), QStringLiteral("n")}));
    }

    // No template name may make another template unsavable: the date index of a log table must never
    // sit where another template's table would go. before: statements of an older database, then
    // templates saved in order; then name is saved. Every template must stay savable afterwards.
    void indexNamesNeverBlockATemplate_data() {
        QTest::addColumn<QStringList>("setup");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("refusal"); // empty: the save succeeds
        const QString legacy = QStringLiteral("idx_发票_打印日期");
        const QString olderDb =
            QStringLiteral("CREATE TABLE \"发票\" (\"打印日期\" datetime,\"金额\" varchar(255))");
        const QString olderIndex =
            QStringLiteral("CREATE INDEX \"idx_发票_打印日期\" ON \"发票\" (\"打印日期\")");
        QTest::newRow("named like the old index, saved first")
            << QStringList{} << QStringList{legacy} << QStringLiteral("发票") << QString();
        QTest::newRow("named like the old index, saved second")
            << QStringList{} << QStringList{QStringLiteral("发票")} << legacy << QString();
        QTest::newRow("old index of an older database")
            << QStringList{olderDb, olderIndex} << QStringList{} << legacy << QString();
        QTest::newRow("old index, other letter case")
            << QStringList{QStringLiteral("CREATE TABLE \"Inv\" (\"打印日期\" datetime)"),
                           QStringLiteral("CREATE INDEX \"idx_Inv_打印日期\" ON \"Inv\" (\"打印日期\")")}
            << QStringList{} << QStringLiteral("IDX_INV_打印日期") << QString();
        QTest::newRow("present index name")
            << QStringList{} << QStringList{QStringLiteral("发票")} << QStringLiteral("idx:发票")
            << QStringLiteral("模板名称不能以“idx:"
                              "”开头，这样的名称留给打印记录表的索引使用，请在模板目录中换一个名称！");
        QTest::newRow("present index name, other case")
            << QStringList{} << QStringList{} << QStringLiteral("IDX:x")
            << QStringLiteral("模板名称不能以“idx:"
                              "”开头，这样的名称留给打印记录表的索引使用，请在模板目录中换一个名称！");
        QTest::newRow("index of a base table")
            << QStringList{} << QStringList{} << QStringLiteral("idx_moban_name")
            << QStringLiteral("模板名称“idx_moban_name”与数据库中已有的索引“idx_moban_name”同名，不能使用，"
                              "请在模板目录中换一个名称！");
        QTest::newRow("view")
            << QStringList{QStringLiteral("CREATE VIEW \"汇总\" AS SELECT 1")} << QStringList{}
            << QStringLiteral("汇总")
            << QStringLiteral(
                   "模板名称“汇总”与数据库中已有的视图“汇总”同名，不能使用，请在模板目录中换一个名称！");
        // An older database may hold a log table in the reserved names; that template keeps working, and a
        // template whose index would take that name goes without the index.
        QTest::newRow("older log table in the reserved names")
            << QStringList{QStringLiteral("CREATE TABLE \"idx:旧\" (\"打印日期\" datetime)")} << QStringList{}
            << QStringLiteral("idx:旧") << QString();
        QTest::newRow("index name held by an older log table")
            << QStringList{QStringLiteral("CREATE TABLE \"idx:旧\" (\"打印日期\" datetime)")} << QStringList{}
            << QStringLiteral("旧") << QString();
    }

    void indexNamesNeverBlockATemplate() {
        VORLAN_FILE_ONLY("the date indexes of the file's log tables");
        QFETCH(QStringList, setup);
        QFETCH(QStringList, before);
        QFETCH(QString, name);
        QFETCH(QString, refusal);
        test::TestEnv env;
        TemplateStore store(env.db());
        for (const QString& sql : setup)
            data::exec(env.db(), sql);
        auto save = [&](const QString& n, const QString& pointName) {
            Template t = store.load(n).tmpl;
            t.single.append(point(type::SingleLine, pointName));
            PendingColumns pending;
            pending.added << pointName;
            store.save(t, std::nullopt, pending);
        };
        // A failing save is a test failure, not an exception that ends the whole run.
        auto saved = [&](const QString& n, const QString& pointName) {
            try {
                save(n, pointName);
                return QString();
            } catch (const data::DbError& e) {
                return e.description();
            }
        };
        for (const QString& n : before)
            QCOMPARE(saved(n, QStringLiteral("金额")), QString());
        const QString schemaBefore =
            data::scalar(env.db(),
                         QStringLiteral("SELECT group_concat(type || name, ',') FROM sqlite_master"))
                .toString();

        if (refusal.isEmpty()) {
            QCOMPARE(store.checkName(name), QString());
            QCOMPARE(saved(name, QStringLiteral("金额")), QString());
            QCOMPARE(test::logColumns(env.db(), name),
                     (QStringList{QStringLiteral("打印日期"), QStringLiteral("金额")}));
        } else {
            QCOMPARE(store.checkName(name), refusal);
            QCOMPARE(saved(name, QStringLiteral("金额")), refusal);
            QCOMPARE(rowCount(env.db(), QStringLiteral("SELECT count(*) FROM mobanxywh WHERE mobanname = ?"),
                              {name}),
                     0);
            QCOMPARE(data::scalar(env.db(),
                                  QStringLiteral("SELECT group_concat(type || name, ',') FROM sqlite_master"))
                         .toString(),
                     schemaBefore);
        }
        // Every log table still has at most one date index, and every template can be saved again.
        QSqlQuery tables =
            data::exec(env.db(), QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"));
        QStringList logTables;
        while (tables.next())
            logTables << tables.value(0).toString();
        for (const QString& table : logTables) {
            if (data::schema::isBaseTable(table))
                continue;
            QVERIFY2(rowCount(env.db(),
                              QStringLiteral(
                                  "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND tbl_name = ?"),
                              {table}) <= 1,
                     qPrintable(table));
        }
        QStringList all = before;
        if (refusal.isEmpty())
            all << name;
        for (const QString& n : all) {
            QCOMPARE(saved(n, QStringLiteral("件数")), QString());
            QVERIFY2(test::logColumns(env.db(), n).contains(QStringLiteral("件数")), qPrintable(n));
        }
    }

    // Template names that differ only in letter case would share one print log table.
    void caseTwinsAreRefused() {
        test::TestEnv env;
        TemplateStore store(env.db());
        Template t;
        t.name = QStringLiteral("Waybill");
        PendingColumns pending;
        store.save(t, std::nullopt, pending);
        QCOMPARE(store.checkName(QStringLiteral("Waybill")), QString());
        QCOMPARE(
            store.checkName(QStringLiteral("WAYBILL")),
            QStringLiteral(
                "模板名称“WAYBILL”与已有的模板“Waybill”只有字母大小写不同，两个模板会共用同一张打印记录表，"
                "请换一个名称！"));
        Template twin;
        twin.name = QStringLiteral("WAYBILL");
        QVERIFY_THROWS_EXCEPTION(data::DbError, store.save(twin, std::nullopt, pending));
        QCOMPARE(
            rowCount(env.db(), QStringLiteral("SELECT count(*) FROM mobanxywh WHERE mobanname = 'WAYBILL'")),
            0);
        // Catalogue rows and names given by the caller count too; padded catalogue texts are read trimmed.
        data::exec(env.db(), QStringLiteral("INSERT INTO mobantabe (parent, key, text, image, selectedimage) "
                                            "VALUES ('0_', '1_', ' 运单Ab ', 1, 2)"));
        QVERIFY(!store.checkName(QStringLiteral("运单AB")).isEmpty());
        QCOMPARE(store.checkName(QStringLiteral("运单Ab")), QString());
        QVERIFY(!store.checkName(QStringLiteral("x"), {QStringLiteral("X")}).isEmpty());
        QCOMPARE(store.checkName(QStringLiteral("x"), {QStringLiteral("x")}), QString());
    }

    void failingSaveLeavesOldTemplateWhole() {
        test::TestEnv env;
        TemplateStore store(env.db());
        Template t;
        t.name = QStringLiteral("keep");
        t.single.append(point(type::SingleLine, QStringLiteral("a")));
        PendingColumns pending;
        store.save(t, pngBytes(50, 50), pending);
        const int before = rowCount(env.db(), QStringLiteral("SELECT count(*) FROM mobanxywh"));

        // The log table update fails (a point named like the date column): nothing may change.
        Template bad = t;
        bad.single.append(point(type::SingleLine, QStringLiteral("打印日期")));
        pending.added << QStringLiteral("打印日期");
        QVERIFY_THROWS_EXCEPTION(data::DbError, store.save(bad, QByteArray(5000, 'z'), pending));
        QCOMPARE(pending.added, QStringList{QStringLiteral("打印日期")});
        QCOMPARE(rowCount(env.db(), QStringLiteral("SELECT count(*) FROM mobanxywh")), before);
        QCOMPARE(store.load(QStringLiteral("keep")).tmpl.picture, pngBytes(50, 50));

        // A DDL failure inside the transaction also rolls the rows back (a server's log makes no table, so
        // a view of the template's name is in no one's way there).
        if (test::onServer())
            return;
        data::exec(env.db(), QStringLiteral("CREATE VIEW \"v\" AS SELECT 1"));
        Template viewNamed;
        viewNamed.name = QStringLiteral("v");
        PendingColumns p2;
        QVERIFY_THROWS_EXCEPTION(data::DbError, store.save(viewNamed, std::nullopt, p2));
        QCOMPARE(rowCount(env.db(), QStringLiteral("SELECT count(*) FROM mobanxywh WHERE mobanname = 'v'")),
                 0);
    }

    void hostileNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("apostrophe") << QStringLiteral("O'Brien's 单") << true;
        QTest::newRow("brackets") << QStringLiteral("[运单] (2)") << true;
        QTest::newRow("keyword") << QStringLiteral("select") << true;
        QTest::newRow("quote") << QStringLiteral("a\"b") << true;
        QTest::newRow("blank") << QStringLiteral("   ") << false;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("base table") << QStringLiteral("MOBAN") << false;
        QTest::newRow("users") << QStringLiteral("basic_user") << false;
    }

    void hostileNames() {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        test::TestEnv env;
        TemplateStore store(env.db());
        Template t;
        t.name = name;
        t.single.append(point(type::SingleLine, QStringLiteral("it's; DROP TABLE moban")));
        PendingColumns pending;
        if (!accepted) {
            QVERIFY(!TemplateStore::nameProblem(name).isEmpty());
            QVERIFY_THROWS_EXCEPTION(data::DbError, store.save(t, std::nullopt, pending));
            QVERIFY(data::tableExists(env.db(), QStringLiteral("moban")));
            QCOMPARE(columns(env.db(), QStringLiteral("moban")).size(),
                     6); // its four, the row key, the digest
            return;
        }
        store.save(t, std::nullopt, pending);
        QCOMPARE(store.load(name).tmpl.single[1].name, QStringLiteral("it's; DROP TABLE moban"));
        QVERIFY(test::logColumns(env.db(), name).contains(QStringLiteral("it's; DROP TABLE moban")));
        QVERIFY(data::tableExists(env.db(), QStringLiteral("moban")));
    }

    // The places of the Tab order go with the points. A place not set is 0 (the default rule), or Null
    // in a template of reading order, which stays one until an order is set.
    void orderRoundTrips_data() {
        QTest::addColumn<bool>("readingOrder");
        QTest::addColumn<QList<int>>("places");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("readingOrderAfter");
        QTest::newRow("new, none set") << false << QList<int>{0, 0, 0} << "0 0 0" << false;
        QTest::newRow("new, set") << false << QList<int>{2, 0, 1} << "2 0 1" << false;
        QTest::newRow("reading order, none set") << true << QList<int>{0, 0, 0} << "- - -" << true;
        QTest::newRow("reading order, set") << true << QList<int>{3, 1, 2} << "3 1 2" << false;
    }

    void orderRoundTrips() {
        QFETCH(bool, readingOrder);
        QFETCH(QList<int>, places);
        QFETCH(QString, stored);
        QFETCH(bool, readingOrderAfter);
        test::TestEnv env;
        Template t;
        t.name = QStringLiteral("运单");
        t.readingOrderByDefault = readingOrder;
        for (int i = 0; i < 3; ++i) {
            InputPoint p = point(i == 1 ? type::MultiLine : type::SingleLine, QStringLiteral("点%1").arg(i));
            p.tabOrder = places[i];
            t.family(familyOf(p.type)).append(p);
        }
        PendingColumns pending;
        TemplateStore(env.db()).save(t, std::nullopt, pending);
        QStringList got;
        for (QSqlQuery q = data::exec(
                 env.db(),
                 QStringLiteral("SELECT tabOrder FROM mobanxywh WHERE textName <> '' ORDER BY textName"));
             q.next();)
            got << (q.value(0).isNull() ? QStringLiteral("-") : q.value(0).toString());
        QCOMPARE(got.join(u' '), stored);
        const Template loaded = TemplateStore(env.db()).load(t.name).tmpl;
        QCOMPARE(loaded.readingOrderByDefault, readingOrderAfter);
        QCOMPARE((QList<int>{loaded.single[1].tabOrder, loaded.multi[1].tabOrder, loaded.single[2].tabOrder}),
                 places);
    }

    // A database of the last version gets the column when it is opened for writing, and nothing else of
    // it changes: its templates go in reading order, as before, until an order is set and saved.
    void oldDatabaseGetsTheOrderColumn() {
        VORLAN_FILE_ONLY("databases of the last version are files");
        test::TestEnv env(false);
        const QString tmpl = QStringLiteral("示例运单");
        {
            QSqlDatabase old = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old"));
            old.setDatabaseName(data::databasePath());
            QVERIFY(old.open());
            data::schema::create(old);
            QSqlQuery q(old);
            QVERIFY(q.exec(QStringLiteral("DROP TABLE mobanxywh")));
            QVERIFY(q.exec(QStringLiteral(
                "CREATE TABLE mobanxywh (mobanname TEXT, textLX TEXT, textName TEXT, lockZiduan TEXT, "
                "textNumes INTEGER, X REAL, Y REAL, W REAL, H REAL, Font TEXT, FontSize REAL, FontItalic "
                "INTEGER, FontBold INTEGER, FontUnderline INTEGER, BackColor INTEGER, ForeColor INTEGER)")));
            // Two panels side by side: reading order goes across, the column rule down.
            for (const auto& [name, slot, x, y] :
                 {std::tuple{"寄件单位", 1, 0, 0}, std::tuple{"收件人", 2, 3000, 0},
                  std::tuple{"寄件地址", 3, 0, 500}, std::tuple{"收件地址", 4, 3000, 500}})
                QVERIFY(
                    q.exec(QStringLiteral("INSERT INTO mobanxywh VALUES ('%1', '文本一行', '%2', '无', %3, "
                                          "%4, %5, 2000, 300, '宋体', 9, 0, 0, 0, 0, 0)")
                               .arg(tmpl, QString::fromUtf8(name))
                               .arg(slot)
                               .arg(x)
                               .arg(y)));
            QVERIFY(q.exec(QStringLiteral("PRAGMA user_version = 2")));
            QVERIFY(q.exec(QStringLiteral("PRAGMA application_id = 0")));
            q = QSqlQuery();
            old.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("old"));

        QCOMPARE(data::openShared().status, data::OpenStatus::Opened);
        QSqlDatabase db = data::shared();
        QCOMPARE(data::scalar(db, QStringLiteral("PRAGMA user_version")).toInt(), data::schema::kVersion);
        QCOMPARE(
            columns(db, QStringLiteral("mobanxywh")).mid(17),
            (QStringList{u"tabOrder"_s, u"symbology"_s, u"symbolText"_s, u"fixedText"_s, u"bindRole"_s}));
        QCOMPARE(rowCount(db, QStringLiteral("SELECT count(*) FROM mobanxywh WHERE tabOrder IS NULL")), 4);

        const TemplateStore store(db);
        Template t = store.load(tmpl).tmpl;
        QVERIFY(t.readingOrderByDefault);
        QCOMPARE(optionsOf(t.single[1]), PointOptions{}); // text, no fixed text, the sender
        const QList<SlotRef> across{
            {Family::Single, 1}, {Family::Single, 2}, {Family::Single, 3}, {Family::Single, 4}};
        QCOMPARE(tabOrder(t), across);
        PendingColumns pending;
        store.save(t, std::nullopt, pending); // saved unchanged, it stays as it was
        QCOMPARE(tabOrder(store.load(tmpl).tmpl), across);

        const QList<SlotRef> down{
            {Family::Single, 1}, {Family::Single, 3}, {Family::Single, 2}, {Family::Single, 4}};
        for (int i = 0; i < down.size(); ++i)
            t.point(down[i]).tabOrder = i + 1;
        store.save(t, std::nullopt, pending);
        QCOMPARE(tabOrder(store.load(tmpl).tmpl), down);
    }

    void badRowsAreSkippedOrRefused() {
        test::TestEnv env;
        auto insert = [&](const QString& name, int slot) {
            data::exec(
                env.db(),
                QStringLiteral(
                    "INSERT INTO mobanxywh (mobanname, textLX, textName, lockZiduan, textNumes, X, Y, W, "
                    "H, Font, FontSize, FontItalic, FontBold, FontUnderline, BackColor, ForeColor) "
                    "VALUES ('t', '文本一行', ?, '无', ?, 1, 2, 3, 4, '宋体', 9, 0, 0, 0, 0, 0)"),
                {name, slot});
        };
        insert(QStringLiteral("ok"), 1);
        insert(QStringLiteral("twin"), 1);
        insert(QStringLiteral("far"), 101);
        insert(QStringLiteral("zero"), 0);
        LoadResult r = TemplateStore(env.db()).load(QStringLiteral("t"));
        QCOMPARE(r.tmpl.single.count, 1);
        QCOMPARE(r.tmpl.single[1].name, QStringLiteral("ok"));
        QCOMPARE(r.skipped.size(), 3);
        QVERIFY(r.skipped.join(QString()).contains(QStringLiteral("twin")));

        data::exec(env.db(), QStringLiteral("UPDATE mobanxywh SET FontSize = NULL WHERE textName = 'ok'"));
        try {
            TemplateStore(env.db()).load(QStringLiteral("t"));
            QFAIL("a Null font size must not load");
        } catch (const data::DbError& e) {
            QVERIFY(e.description().contains(QStringLiteral("模板“t”")));
            QVERIFY(e.description().contains(QStringLiteral("FontSize")));
        }
    }

    // X, Y, W and H hold single precision values: what is written is exactly the model's single precision
    // value, what is read comes back to the last bit, and saving a loaded template changes no bit.
    void geometryRoundTripsBitForBit_data() {
        QTest::addColumn<double>("value");
        QTest::newRow("whole") << 12615.0;
        QTest::newRow("half") << 1800.5;
        QTest::newRow("a tenth") << 0.1;
        QTest::newRow("a third") << 1.0 / 3;
        QTest::newRow("mouse at 100 dpi") << 37 * 1440.0 / 100;
        QTest::newRow("negative") << -2000.3;
        QTest::newRow("beyond 24 bits") << 16777217.0;
        QTest::newRow("tiny") << 1e-3;
    }
    void geometryRoundTripsBitForBit() {
        QFETCH(double, value);
        // As a float holds them; through memory, as GCC 12 at -O2 may drop two neighbouring roundings.
        volatile float asFloat = float(value);
        const double single = asFloat;
        asFloat = float(value * 3 + 1);
        const double other = asFloat;
        test::TestEnv env;
        TemplateStore store(env.db());
        Template t;
        t.name = QStringLiteral("g");
        t.single.append(point(type::SingleLine, QStringLiteral("s1")));
        t.multi.append(point(type::MultiLine, QStringLiteral("m1")));
        const ui::TwipsRect r{ui::Twips(value), ui::Twips(-value), ui::Twips(value),
                              ui::Twips(value * 3 + 1)};
        t.single[1].rect = r;
        t.pictureRect = r;
        PendingColumns pending;
        store.save(t, std::nullopt, pending);

        const QList<double> expected{single, -single, single, other};
        auto storedValues = [&](const QString& textLX) {
            QSqlQuery q = data::exec(
                env.db(), QStringLiteral("SELECT X, Y, W, H FROM mobanxywh WHERE textLX = ?"), {textLX});
            QList<double> out;
            if (q.next())
                for (int i = 0; i < 4; ++i)
                    out << q.value(i).toDouble();
            return out;
        };
        auto sameBits = [](const QList<double>& a, const QList<double>& b) {
            return a.size() == b.size() &&
                   std::memcmp(a.constData(), b.constData(), sizeof(double) * size_t(a.size())) == 0;
        };
        QVERIFY(sameBits(storedValues(type::SingleLine), expected));
        QVERIFY(sameBits(storedValues(type::Background), expected));

        const ui::TwipsRect read{ui::Twips(single), ui::Twips(-single), ui::Twips(single), ui::Twips(other)};
        LoadResult loaded = store.load(QStringLiteral("g"));
        QCOMPARE(loaded.tmpl.single[1].rect, read);
        QCOMPARE(loaded.tmpl.pictureRect, read);
        store.save(loaded.tmpl, std::nullopt, pending);
        QVERIFY(sameBits(storedValues(type::SingleLine), expected));
        QVERIFY(sameBits(storedValues(type::Background), expected));

        // The fine-tune save writes the same.
        loaded.tmpl.multi[1].rect = r;
        store.saveGeometry(loaded.tmpl);
        QVERIFY(sameBits(storedValues(type::MultiLine), expected));
        QVERIFY(sameBits(storedValues(type::SingleLine), expected));

        // A value that is no single precision number (written by something else) is read as the nearest one.
        data::exec(env.db(), QStringLiteral("UPDATE mobanxywh SET X = ? WHERE textLX = ?"),
                   {value, type::SingleLine});
        QCOMPARE(store.load(QStringLiteral("g")).tmpl.single[1].rect.left, ui::Twips(single));
    }

    void geometrySaveCreatesMissingHeader() {
        test::TestEnv env;
        TemplateStore store(env.db());
        Template t;
        t.name = QStringLiteral("g");
        t.single.append(point(type::SingleLine, QStringLiteral("s1"), 10_tw, 10_tw));
        t.multi.append(point(type::MultiLine, QStringLiteral("m1"), 20_tw, 20_tw));
        PendingColumns pending;
        store.save(t, std::nullopt, pending);
        t.single[1].rect = {111.5_tw, 222_tw, 333_tw, 444_tw};
        t.multi[1].rect = {555_tw, 666_tw, 777_tw, 888_tw};
        t.allup = 12;
        t.allleft = -4;
        store.saveGeometry(t);
        LoadResult r = store.load(QStringLiteral("g"));
        QCOMPARE(r.tmpl.single[1].rect, (ui::TwipsRect{111.5_tw, 222_tw, 333_tw, 444_tw}));
        QCOMPARE(r.tmpl.multi[1].rect, (ui::TwipsRect{555_tw, 666_tw, 777_tw, 888_tw}));
        QVERIFY(r.tmpl.hasHeader);
        QCOMPARE(r.tmpl.allup, 12);
        QCOMPARE(r.tmpl.allleft, -4);
        QVERIFY(r.tmpl.picture.isEmpty());
        t.allup = 1;
        store.saveGeometry(t);
        QCOMPARE(rowCount(env.db(), QStringLiteral("SELECT count(*) FROM moban")), 1);
        QCOMPARE(store.load(QStringLiteral("g")).tmpl.allup, 1);
    }
};

QTEST_MAIN(TestTemplateStore)
#include "tst_templatestore.moc"
