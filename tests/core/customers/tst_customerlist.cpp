#include "TestEnv.h"
#include "customers/CustomerListModel.h"
#include "customers/CustomerStore.h"
#include "customers/PinyinOrder.h"
#include "data/Sql.h"

#include <QTest>

using namespace vorlan;
using namespace vorlan::customers;
using namespace Qt::StringLiterals;

// The customer list's model and the name comparison it shares with the store.
class TestCustomerList : public QObject {
    Q_OBJECT
private slots:
    void namesCompareLikeTheTable_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("same");
        QTest::newRow("ascii case") << QStringLiteral("Acme") << QStringLiteral("aCME") << true;
        QTest::newRow("chinese") << QStringLiteral("张三") << QStringLiteral("张三") << true;
        QTest::newRow("blank") << QStringLiteral("张三 ") << QStringLiteral("张三") << false;
        QTest::newRow("empty") << QString() << QStringLiteral("") << true;
        QTest::newRow("non-ascii case") << QStringLiteral("Ä") << QStringLiteral("ä") << false;
    }
    void namesCompareLikeTheTable() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, same);
        QCOMPARE(sameName(a, b), same);
    }

    void listModelColumnsAndSort() {
        test::TestEnv env;
        CustomerStore store(env.db());
        CustomerListModel m;
        QCOMPARE(m.columnCount(), 13);
        QCOMPARE(m.headerData(1, Qt::Horizontal).toString(), QStringLiteral("客户名称"));
        QCOMPARE(m.headerData(12, Qt::Horizontal).toString(), QStringLiteral("汇入地县市"));
        // The name, the name again as the hidden key, then the other fields in table order.
        for (int c = 0; c < CustomerListModel::kColumnCount; ++c)
            QCOMPARE(m.headerData(c, Qt::Horizontal).toString(), columns().at(c <= 1 ? 0 : c - 1));
        QCOMPARE(CustomerListModel::widthTwips(1), 0);
        QCOMPARE(CustomerListModel::widthTwips(3), 2500);
        auto row = [](const char* name, const char* code) {
            Customer c;
            c[0] = QString::fromUtf8(name);
            c[1] = QString::fromUtf8(code);
            c[11] = c[0] + QStringLiteral("-end");
            return c;
        };
        store.insert(row("b", "2"));
        store.insert(row("a", "10"));
        store.insert(row("C", "1"));
        m.reload(store);
        auto column = [&m](int col) {
            QStringList out;
            for (int r = 0; r < m.rowCount(); ++r)
                out << m.index(r, col).data().toString();
            return out;
        };
        // Table order until a header is clicked.
        QCOMPARE(column(0), (QStringList{u"b"_s, u"a"_s, u"C"_s}));
        QCOMPARE(column(1), column(0));
        QCOMPARE(column(12), (QStringList{u"b-end"_s, u"a-end"_s, u"C-end"_s}));
        QCOMPARE(m.data(m.index(2, 3), Qt::TextAlignmentRole).value<Qt::Alignment>(), Qt::AlignCenter);
        QCOMPARE(m.data(m.index(2, 1), Qt::TextAlignmentRole).value<Qt::Alignment>(),
                 Qt::AlignLeft | Qt::AlignVCenter);
        QVERIFY(m.flags(m.index(0, 0)) & Qt::ItemIsUserCheckable);
        QVERIFY(m.setData(m.index(0, 0), Qt::Checked, Qt::CheckStateRole));
        m.sortAscending(0);
        QCOMPARE(column(1), (QStringList{u"a"_s, u"b"_s, u"C"_s})); // as text, case ignored
        QCOMPARE(m.checkedNames(), QStringList{u"b"_s});            // ticks travel with their rows
        m.sortAscending(2);
        QCOMPARE(column(2), (QStringList{u"1"_s, u"10"_s, u"2"_s})); // text order, not numeric
        // Once on, sorting stays on: new rows land in place and a reload comes sorted.
        const Customer d = row("d", "15");
        m.addCustomer(store.insert(d), d);
        QCOMPARE(column(0), (QStringList{u"C"_s, u"a"_s, u"d"_s, u"b"_s}));
        m.removeIds(store.idsOf(QStringLiteral("A")));
        QCOMPARE(column(0), (QStringList{u"C"_s, u"d"_s, u"b"_s}));
        m.reload(store);
        QCOMPARE(column(0), (QStringList{u"C"_s, u"a"_s, u"d"_s, u"b"_s}));
        QVERIFY(!m.isChecked(3));
    }

    // Chinese names sort by pinyin, not by code point (which would put 中 first and 阿 last).
    void listSortsInPinyinOrder_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("texts"); // inserted in this order into that column
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("names") << 0 << QStringList{u"中国"_s, u"阿里"_s, u"张三"_s, u"北京"_s, u"杭州"_s}
                               << QStringList{u"阿里"_s, u"北京"_s, u"杭州"_s, u"张三"_s, u"中国"_s};
        QTest::newRow("same first character")
            << 0 << QStringList{u"王五"_s, u"王二"_s, u"王"_s} << QStringList{u"王"_s, u"王二"_s, u"王五"_s};
        QTest::newRow("addresses") << 3 << QStringList{u"上海市"_s, u"北京市"_s, u"广州市"_s}
                                   << QStringList{u"北京市"_s, u"广州市"_s, u"上海市"_s};
        QTest::newRow("empty first") << 7 << QStringList{u"李四"_s, u""_s, u"陈"_s}
                                     << QStringList{u""_s, u"陈"_s, u"李四"_s};
    }
    void listSortsInPinyinOrder() {
        QFETCH(int, column);
        QFETCH(QStringList, texts);
        QFETCH(QStringList, sorted);
        if (!PinyinOrder::available())
            QSKIP("QCollator of this Qt build has no pinyin order for zh_CN (it is not built with ICU)");
        test::TestEnv env;
        CustomerStore store(env.db());
        for (int i = 0; i < texts.size(); ++i) {
            Customer c;
            c[0] = QStringLiteral("客户%1").arg(i);
            c[4] = QStringLiteral("0571-%1").arg(i);
            c[CustomerListModel::fieldOf(column)] = texts[i];
            store.insert(c);
        }
        CustomerListModel m;
        m.reload(store);
        m.sortAscending(column);
        QStringList shown;
        for (int r = 0; r < m.rowCount(); ++r)
            shown << m.index(r, column).data().toString();
        QCOMPARE(shown, sorted);
        // A search keeps the order.
        m.search(store, QStringLiteral("0571"));
        shown.clear();
        for (int r = 0; r < m.rowCount(); ++r)
            shown << m.index(r, column).data().toString();
        QCOMPARE(shown, sorted);
    }

    // A search reuses the sort order worked out before; a row written behind the list's back is still
    // put in its place.
    void searchAfterAWriteKeepsTheOrder() {
        test::TestEnv env;
        CustomerStore store(env.db());
        for (const char* n : {"c1", "a1", "b2"}) {
            Customer c;
            c[0] = QString::fromUtf8(n);
            store.insert(c);
        }
        CustomerListModel m;
        m.reload(store);
        m.sortAscending(0);
        auto names = [&m] {
            QStringList out;
            for (int r = 0; r < m.rowCount(); ++r)
                out << m.index(r, 0).data().toString();
            return out;
        };
        m.search(store, QStringLiteral("1"));
        QCOMPARE(names(), (QStringList{u"a1"_s, u"c1"_s}));
        Customer late;
        late[0] = QStringLiteral("b1");
        store.insert(late);
        m.search(store, QStringLiteral("1"));
        QCOMPARE(names(), (QStringList{u"a1"_s, u"b1"_s, u"c1"_s}));
        m.search(store, QString());
        QCOMPARE(names(), (QStringList{u"a1"_s, u"b1"_s, u"b2"_s, u"c1"_s}));
        QCOMPARE(m.searchText(), QString());
        // Keys far apart, as a restored or hand-edited table may have them.
        data::exec(env.db(),
                   QStringLiteral("INSERT INTO Basic_Khgl (id, \"客户名称\") VALUES (5000000000, 'a0')"));
        m.reload(store);
        m.search(store, QStringLiteral("a"));
        QCOMPARE(names(), (QStringList{u"a0"_s, u"a1"_s}));
    }

    void listModelReadsLongListsInPieces() {
        test::TestEnv env;
        CustomerStore store(env.db());
        {
            data::Transaction t(env.db());
            for (int i = 0; i < 1000; ++i) {
                Customer c;
                c[0] = QStringLiteral("客户%1").arg(i);
                c[5] = QString::number(i);
                store.insert(c);
            }
            t.commit();
        }
        CustomerListModel m;
        m.reload(store);
        QCOMPARE(m.rowCount(), 1000);
        for (int r : {999, 0, 500, 37, 998})
            QCOMPARE(m.index(r, 6).data().toString(), QString::number(r));
        for (int r = 0; r < 1000; r += 3)
            m.setChecked(r, true);
        const QStringList names = m.checkedNames();
        QCOMPARE(names.size(), 334);
        QCOMPARE(names.last(), QStringLiteral("客户999"));
    }
};

QTEST_MAIN(TestCustomerList)
#include "tst_customerlist.moc"
