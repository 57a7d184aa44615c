#include "BothEngines.h"
#include "TestEnv.h"
#include "TestServer.h"
#include "app/CommonUseStore.h"
#include "customers/CustomerStore.h"
#include "customers/PinyinOrder.h"
#include "data/PagedRows.h"
#include "data/Sql.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

#include <algorithm>
#include <optional>

using namespace vorlan;
using namespace vorlan::customers;
using namespace Qt::StringLiterals;

namespace {

// Every field names its customer and the field, so a match tells which field it came from.
Customer customer(const QString& name) {
    Customer c;
    c[0] = name;
    for (int k = 1; k < kFieldCount; ++k)
        c[k] = QStringLiteral("%1-%2").arg(name).arg(k);
    return c;
}

// The names of a picker query's rows, in its order.
QStringList names(QSqlQuery q) {
    QStringList out;
    while (q.next())
        out << data::nullToEmpty(q.value(0));
    return out;
}

QStringList namesOf(const CustomerStore& store, const std::vector<RowId>& ids) {
    QStringList out;
    for (const CustomerRow& r : store.rows(ids))
        out << r.field(kNameField).toString();
    return out;
}

// The connection's writes, temporary tables included; a server counts none of those.
std::optional<qint64> totalChanges(const QSqlDatabase& db) {
    if (test::onServer())
        return std::nullopt;
    return data::scalar(db, QStringLiteral("SELECT total_changes()")).toLongLong();
}

} // namespace

// The customer search of the store, which the record picker and the register both show, and the
// pinyin order of names.
class TestCustomerSearch : public QObject {
    Q_OBJECT
private slots:
    void searchMatches_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("found"); // in table order

        // 甲: searched fields hold distinctive texts; 乙: the same texts in fields that are not searched.
        QTest::newRow("empty text: everyone")
            << QString() << QStringList{u"甲"_s, u"乙"_s, u"丙%"_s, u"丁_"_s, u"BJhl"_s};
        QTest::newRow("name") << QStringLiteral("甲") << QStringList{u"甲"_s};
        QTest::newRow("short code") << QStringLiteral("KJ甲") << QStringList{u"甲"_s};
        QTest::newRow("phone") << QStringLiteral("0571-甲") << QStringList{u"甲"_s};
        QTest::newRow("contact") << QStringLiteral("联系甲") << QStringList{u"甲"_s};
        QTest::newRow("address") << QStringLiteral("地址甲") << QStringList{u"甲"_s};
        QTest::newRow("fax not searched") << QStringLiteral("传真X") << QStringList{};
        QTest::newRow("bank not searched") << QStringLiteral("银行X") << QStringList{};
        QTest::newRow("province not searched") << QStringLiteral("省X") << QStringList{};
        QTest::newRow("part of a field") << QStringLiteral("址甲") << QStringList{u"甲"_s};
        QTest::newRow("across two fields") << QStringLiteral("甲KJ") << QStringList{};
        QTest::newRow("percent as itself") << QStringLiteral("%") << QStringList{u"丙%"_s};
        QTest::newRow("underscore as itself") << QStringLiteral("_") << QStringList{u"丁_"_s};
        QTest::newRow("backslash as itself") << QStringLiteral("\\") << QStringList{};
        QTest::newRow("ascii case ignored") << QStringLiteral("bjHL") << QStringList{u"BJhl"_s};
        QTest::newRow("upper for lower") << QStringLiteral("KJ") << QStringList{u"甲"_s};
        QTest::newRow("lower for upper") << QStringLiteral("kj") << QStringList{u"甲"_s};
        QTest::newRow("other letters exact") << QStringLiteral("ä") << QStringList{};
        QTest::newRow("other letters exact, same case") << QStringLiteral("Ä") << QStringList{u"BJhl"_s};
        QTest::newRow("blank is a character") << QStringLiteral(" ") << QStringList{};
        QTest::newRow("nothing") << QStringLiteral("无此客户") << QStringList{};
    }
    void searchMatches() {
        QFETCH(QString, text);
        QFETCH(QStringList, found);
        test::TestEnv env;
        CustomerStore store(env.db());
        Customer a = customer(QStringLiteral("甲"));
        a[1] = QStringLiteral("KJ甲");
        a[4] = QStringLiteral("0571-甲");
        a[6] = QStringLiteral("联系甲");
        a[2] = QStringLiteral("地址甲");
        Customer b = customer(QStringLiteral("乙"));
        b[5] = QStringLiteral("传真X");
        b[7] = QStringLiteral("银行X");
        b[10] = QStringLiteral("省X");
        Customer c = customer(QStringLiteral("丙%"));
        Customer d = customer(QStringLiteral("丁_"));
        Customer e = customer(QStringLiteral("BJhl"));
        e[6] = QStringLiteral("Ärger");
        const std::vector<Customer> all{a, b, c, d, e};
        for (const Customer& x : all)
            store.insert(x);

        QCOMPARE(namesOf(store, store.ids(text)), found);
        // The picker shows the same customers (in its own order).
        QStringList picked = names(store.pickerRows(text));
        QStringList expected = found;
        picked.sort();
        expected.sort();
        QCOMPARE(picked, expected);
        // And the list's own test of rows it adds agrees with the table's.
        QStringList matched;
        for (const Customer& x : all)
            if (matches(x, text))
                matched << x[0];
        QCOMPARE(matched, found);
    }

    void nullFieldsAndApostrophes() {
        test::TestEnv env;
        data::exec(env.db(), QStringLiteral("INSERT INTO Basic_Khgl (\"客户名称\") VALUES ('O''Brien')"));
        CustomerStore store(env.db());
        QCOMPARE(names(store.pickerRows(QStringLiteral("o'b"))), QStringList{u"O'Brien"_s});
        QCOMPARE(store.ids(QStringLiteral("'")).size(), size_t(1));
        QCOMPARE(store.ids(QStringLiteral("x")).size(), size_t(0));
        QSqlQuery q = store.pickerRows(QStringLiteral("brien"));
        QVERIFY(q.next());
        QVERIFY(q.value(1).isNull()); // Null stays Null; the picker reads it as empty
    }

    // The search reads a copy of the table; every kind of write must show in the next search, and a
    // search with nothing written since must not copy the table again.
    void searchSeesEveryWrite() {
        test::TestEnv env;
        CustomerStore store(env.db());
        const RowId first = store.insert(customer(QStringLiteral("甲")));
        QCOMPARE(store.ids(QStringLiteral("甲")), std::vector<RowId>{first});

        const std::optional<qint64> before = totalChanges(env.db());
        QCOMPARE(names(store.pickerRows(QStringLiteral("甲"))), QStringList{u"甲"_s});
        QCOMPARE(store.ids(QStringLiteral("甲")).size(), size_t(1));
        QCOMPARE(totalChanges(env.db()), before);

        const RowId second = store.insert(customer(QStringLiteral("甲乙")));
        QCOMPARE(store.ids(QStringLiteral("甲")), (std::vector<RowId>{first, second}));
        // Replaced under the same row id when it was the last row.
        store.replace(QStringLiteral("甲乙"), customer(QStringLiteral("丙")));
        QCOMPARE(namesOf(store, store.ids(QStringLiteral("甲"))), QStringList{u"甲"_s});
        QCOMPARE(namesOf(store, store.ids(QStringLiteral("丙"))), QStringList{u"丙"_s});
        store.remove({QStringLiteral("甲")});
        QVERIFY(store.ids(QStringLiteral("甲")).empty());
        {
            ImportSession session(env.db());
            session.insert(customer(QStringLiteral("导入甲")));
            QCOMPARE(namesOf(store, store.ids(QStringLiteral("甲"))), QStringList{u"导入甲"_s});
        }
        data::exec(env.db(), QStringLiteral("UPDATE Basic_Khgl SET \"联系人\" = '王五'"));
        QCOMPARE(store.ids(QStringLiteral("王五")).size(), size_t(2));
        store.removeAll();
        QVERIFY(store.ids(QStringLiteral("王五")).empty());
        QVERIFY(names(store.pickerRows()).isEmpty());
        // A write rolled back leaves the table as it was.
        {
            data::Transaction t(env.db());
            store.insert(customer(QStringLiteral("回滚")));
            QCOMPARE(store.ids(QStringLiteral("回滚")).size(), size_t(1));
        }
        QVERIFY(store.ids(QStringLiteral("回滚")).empty());
        QVERIFY(names(store.pickerRows()).isEmpty());
    }

    void searchSeesAnotherConnectionsWrites() {
        test::TestEnv env;
        CustomerStore store(env.db());
        store.insert(customer(QStringLiteral("甲")));
        QCOMPARE(store.ids(QStringLiteral("甲")).size(), size_t(1));
        {
            QSqlDatabase other = test::openAnother(QStringLiteral("other"));
            CustomerStore(other).insert(customer(QStringLiteral("甲二")));
            other.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        QCOMPARE(store.ids(QStringLiteral("甲")).size(), size_t(2));
    }

    // Checked against the collation itself: without ICU, Qt orders by code point.
    void pinyinOrderOfTheCollation() {
        if (!PinyinOrder::available())
            QSKIP("QCollator of this Qt build has no pinyin order for zh_CN (it is not built with ICU)");
        QStringList list{QStringLiteral("中国"), QStringLiteral("张三"), QStringLiteral("北京"),
                         QStringLiteral("阿里"), QStringLiteral("成都"), QStringLiteral("杭州")};
        std::stable_sort(list.begin(), list.end(), PinyinOrder());
        QCOMPARE(list, (QStringList{u"阿里"_s, u"北京"_s, u"成都"_s, u"杭州"_s, u"张三"_s, u"中国"_s}));
    }

    void pickerListsNamesInPinyinOrder() {
        if (!PinyinOrder::available())
            QSKIP("QCollator of this Qt build has no pinyin order for zh_CN (it is not built with ICU)");
        test::TestEnv env;
        CustomerStore store(env.db());
        for (const char* n : {"中国公司", "张三", "北京公司", "阿里公司", "张三", "杭州公司"})
            store.insert(customer(QString::fromUtf8(n)));
        QCOMPARE(names(store.pickerRows()), (QStringList{u"阿里公司"_s, u"北京公司"_s, u"杭州公司"_s,
                                                         u"张三"_s, u"张三"_s, u"中国公司"_s}));
        QCOMPARE(names(store.pickerRows(QStringLiteral("公司"))),
                 (QStringList{u"阿里公司"_s, u"北京公司"_s, u"杭州公司"_s, u"中国公司"_s}));
        // Equal names keep table order.
        QSqlQuery q = store.pickerRows(QStringLiteral("张三"));
        QVERIFY(q.next());
        const QString firstPhone = q.value(4).toString();
        QVERIFY(q.next());
        QCOMPARE(firstPhone, q.value(4).toString()); // the same texts, both rows there
        QVERIFY(!q.next());
    }

    // The picker reads a page at a time: the pages, one after another, are the whole list in its order,
    // searched or not, and the last page ends the list.
    void pagesMakeTheWholeList_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("every customer") << QString();
        QTest::newRow("searched") << QStringLiteral("3");
    }
    void pagesMakeTheWholeList() {
        QFETCH(QString, text);
        test::TestEnv env;
        CustomerStore store(env.db());
        for (int i = 0; i < 600; ++i)
            store.insert(customer(QStringLiteral("客户%1").arg((i * 7919) % 600, 3, 10, QLatin1Char('0'))));
        const QStringList whole = names(store.pickerRows(text));
        data::PagedRows model;
        model.setSource([&](const data::RowPage& page) { return store.pickerRows(text, page); });
        QCOMPARE(model.rowCount(), std::min(int(whole.size()), data::PagedRows::kPageRows));
        while (model.canFetchMore())
            model.fetchMore();
        QStringList paged;
        for (int row = 0; row < model.rowCount(); ++row)
            paged << model.record(row).value(0).toString();
        QCOMPARE(paged, whole);
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("客户名称"));
    }

    void commonUsesSearchedAndInPinyinOrder_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("found");
        // A Null use reads as empty and comes first; punctuation before Chinese characters.
        QTest::newRow("all") << QString() << QStringList{u""_s,     u"办公用品"_s, u"货款"_s,
                                                         u"运费"_s, u"zip%"_s,     u"Zip费用"_s};
        QTest::newRow("part") << QStringLiteral("费") << QStringList{u"运费"_s, u"Zip费用"_s};
        QTest::newRow("case") << QStringLiteral("ZIP") << QStringList{u"zip%"_s, u"Zip费用"_s};
        QTest::newRow("percent") << QStringLiteral("%") << QStringList{u"zip%"_s};
        QTest::newRow("none") << QStringLiteral("无") << QStringList{};
    }
    void commonUsesSearchedAndInPinyinOrder() {
        QFETCH(QString, text);
        QFETCH(QStringList, found);
        if (!PinyinOrder::available())
            QSKIP("QCollator of this Qt build has no pinyin order for zh_CN (it is not built with ICU)");
        test::TestEnv env;
        app::CommonUseStore uses(env.db());
        for (const char* u : {"运费", "货款", "Zip费用", "办公用品", "zip%"})
            uses.add(QString::fromUtf8(u));
        data::exec(env.db(), QStringLiteral("INSERT INTO yongtu (yongtuName) VALUES (NULL)"));
        QSqlQuery q = uses.pickerRows(text);
        QCOMPARE(q.record().fieldName(0), QStringLiteral("常用用途"));
        QCOMPARE(names(std::move(q)), found);
    }
};

QTEST_MAIN(TestCustomerSearch)
#include "tst_customersearch.moc"
