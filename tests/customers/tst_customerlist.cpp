#include "TestEnv.h"
#include "customers/CustomerListModel.h"
#include "customers/CustomerStore.h"
#include "customers/PinyinOrder.h"
#include "data/Sql.h"

#include <QTest>

using namespace vorlan;
using namespace vorlan::customers;

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
        QCOMPARE(column(0), (QStringList{"b", "a", "C"}));
        QCOMPARE(column(1), column(0));
        QCOMPARE(column(12), (QStringList{"b-end", "a-end", "C-end"}));
        QCOMPARE(m.data(m.index(2, 3), Qt::TextAlignmentRole).value<Qt::Alignment>(), Qt::AlignCenter);
        QCOMPARE(m.data(m.index(2, 1), Qt::TextAlignmentRole).value<Qt::Alignment>(),
                 Qt::AlignLeft | Qt::AlignVCenter);
        QVERIFY(m.flags(m.index(0, 0)) & Qt::ItemIsUserCheckable);
        QVERIFY(m.setData(m.index(0, 0), Qt::Checked, Qt::CheckStateRole));
        m.sortAscending(0);
        QCOMPARE(column(1), (QStringList{"a", "b", "C"})); // as text, case ignored
        QCOMPARE(m.checkedNames(), QStringList{"b"});      // ticks travel with their rows
        m.sortAscending(2);
        QCOMPARE(column(2), (QStringList{"1", "10", "2"})); // text order, not numeric
        // Once on, sorting stays on: new rows land in place and a reload comes sorted.
        const Customer d = row("d", "15");
        m.addCustomer(store.insert(d), d);
        QCOMPARE(column(0), (QStringList{"C", "a", "d", "b"}));
        m.removeIds(store.idsOf(QStringLiteral("A")));
        QCOMPARE(column(0), (QStringList{"C", "d", "b"}));
        m.reload(store);
        QCOMPARE(column(0), (QStringList{"C", "a", "d", "b"}));
        QVERIFY(!m.isChecked(3));
    }

    // Chinese names sort by pinyin, not by code point (which would put 中 first and 阿 last).
    void listSortsInPinyinOrder_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("texts"); // inserted in this order into that column
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("names") << 0 << QStringList{"中国", "阿里", "张三", "北京", "杭州"}
                               << QStringList{"阿里", "北京", "杭州", "张三", "中国"};
        QTest::newRow("same first character")
            << 0 << QStringList{"王五", "王二", "王"} << QStringList{"王", "王二", "王五"};
        QTest::newRow("addresses") << 3 << QStringList{"上海市", "北京市", "广州市"}
                                   << QStringList{"北京市", "广州市", "上海市"};
        QTest::newRow("empty first") << 7 << QStringList{"李四", "", "陈"} << QStringList{"", "陈", "李四"};
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
        QCOMPARE(names(), (QStringList{"a1", "c1"}));
        Customer late;
        late[0] = QStringLiteral("b1");
        store.insert(late);
        m.search(store, QStringLiteral("1"));
        QCOMPARE(names(), (QStringList{"a1", "b1", "c1"}));
        m.search(store, QString());
        QCOMPARE(names(), (QStringList{"a1", "b1", "b2", "c1"}));
        QCOMPARE(m.searchText(), QString());
        // Row ids far apart, as a restored or hand-edited table may have them.
        data::exec(env.db(),
                   QStringLiteral("INSERT INTO Basic_Khgl (rowid, \"客户名称\") VALUES (5000000000, 'a0')"));
        m.reload(store);
        m.search(store, QStringLiteral("a"));
        QCOMPARE(names(), (QStringList{"a0", "a1"}));
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
