#include "TestEnv.h"
#include "TestServer.h"
#include "app/CommonUseStore.h"
#include "customers/CustomerStore.h"
#include "customers/PinyinOrder.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "data/Sql.h"
#include "templates/RecordPicker.h"
#include "ui/Twips.h"

#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQueryModel>
#include <QSqlRecord>
#include <QTableView>
#include <QTest>

using namespace vorlan;
using templates::RecordPicker;

namespace {
// The two sources the print window gives the picker, from the customer and common-use stores.
const templates::RecordSource kCustomers = [](const QString& text, const data::RowPage& page) {
    return customers::CustomerStore(data::shared()).pickerRows(text, page);
};
const templates::RecordSource kUses = [](const QString& text, const data::RowPage&) {
    return app::CommonUseStore(data::shared()).pickerRows(text);
};

// Any other SELECT, run the way the stores run theirs; it does not search.
templates::RecordSource select(const QString& sql) {
    return [sql](const QString&, const data::RowPage&) {
        QSqlQuery q(data::shared());
        if (!q.exec(sql))
            throw data::DbError(data::describe(q.lastError()));
        return q;
    };
}

// The program's twelve customer fields in table order (the row key numbers itself).
QString customerInsert() {
    QStringList names;
    for (const QString& c : data::schema::customerColumns())
        names << data::quoteId(c);
    return QStringLiteral("INSERT INTO Basic_Khgl (%1) VALUES (?,?,?,?,?,?,?,?,?,?,?,?)")
        .arg(names.join(u','));
}

void addCustomer(const QSqlDatabase& db, const QString& name, const QString& address,
                 const QString& phone = QStringLiteral("0571-1"),
                 const QString& code = QStringLiteral("KJ")) {
    QVariantList values{name,
                        code,
                        address,
                        QStringLiteral("310000"),
                        phone,
                        QVariant(),
                        QStringLiteral("王五"),
                        QStringLiteral("工行"),
                        QStringLiteral("6222"),
                        QStringLiteral("杭州"),
                        QStringLiteral("浙江"),
                        QStringLiteral("西湖区")};
    data::exec(db, customerInsert(), values);
}

// Types into a box: ASCII as key presses, Chinese as an input method commits it.
void type(QWidget* box, const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(box, char(c.unicode()));
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QCoreApplication::sendEvent(box, &commit);
        }
    }
}

// Shows the picker as the print window would, then does what `act` does while it is open.
void showPicker(RecordPicker& p, const templates::RecordSource& source, const QString& title) {
    p.recordSource = source;
    p.title = title;
    p.show();
    QVERIFY(QTest::qWaitForWindowExposed(&p));
}
} // namespace

class TestPicker : public QObject {
    Q_OBJECT
private slots:

    void startsEmptyWithItsLayout() {
        test::TestEnv env;
        RecordPicker p;
        QCOMPARE(p.windowTitle(), QStringLiteral("数据选择"));
        QVERIFY(p.title.isEmpty());
        for (int k = 1; k <= 12; ++k)
            QVERIFY(p.resultText(k).isEmpty());
        QCOMPARE(p.OKButton->text(), QStringLiteral("确  定"));
        QCOMPARE(p.CancelButton->text(), QStringLiteral("取  消"));
        QCOMPARE(p.findChild<QTableView*>(QStringLiteral("DataGrid1")), p.DataGrid1);
        QCOMPARE(p.DataGrid1->geometry(), QRect(8, 24, 757, 397));
        QCOMPARE(p.OKButton->pos(), QPoint(240, 432));
        QCOMPARE(p.CancelButton->pos(), QPoint(456, 432));
    }

    void okReturnsFirstRowWithoutMoving() {
        test::TestEnv env;
        addCustomer(env.db(), QStringLiteral("甲公司"), QStringLiteral("一路1号"));
        addCustomer(env.db(), QStringLiteral("乙公司"), QStringLiteral("二路2号"));
        RecordPicker p;
        showPicker(p, kCustomers, QStringLiteral("请选择客户信息"));
        QCOMPARE(p.windowTitle(), QStringLiteral("请选择客户信息"));
        QCOMPARE(p.Adodc1->rowCount(), 2);
        QCOMPARE(p.Adodc1->columnCount(), 12);
        // Twelve columns: 60 twips per caption character plus 1000 for text.
        QCOMPARE(p.DataGrid1->columnWidth(0), ui::toPixels(ui::Twips(4 * 60 + 1000)));
        QCOMPARE(p.DataGrid1->columnWidth(1), ui::toPixels(ui::Twips(3 * 60 + 1000)));
        p.OKButton->click();
        QCOMPARE(p.result(), int(QDialog::Accepted));
        QCOMPARE(p.result1, QStringLiteral("甲公司"));
        QCOMPARE(p.result3, QStringLiteral("一路1号"));
        QCOMPARE(p.result6, QString()); // Null reads as empty
        QCOMPARE(p.result7, QStringLiteral("王五"));
        QCOMPARE(p.result12, QStringLiteral("西湖区"));
    }

    void doubleClickReturnsThatRow() {
        test::TestEnv env;
        addCustomer(env.db(), QStringLiteral("甲公司"), QStringLiteral("一路1号"));
        addCustomer(env.db(), QStringLiteral("乙公司"), QStringLiteral("二路2号"));
        RecordPicker p;
        showPicker(p, kCustomers, QStringLiteral("请选择客户信息"));
        const QRect cell = p.DataGrid1->visualRect(p.Adodc1->index(1, 2));
        QTest::mouseClick(p.DataGrid1->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(p.DataGrid1->viewport(), Qt::LeftButton, {}, cell.center());
        QVERIFY(!p.isVisible());
        QCOMPARE(p.result(), int(QDialog::Accepted));
        QCOMPARE(p.result1, QStringLiteral("乙公司"));
        QCOMPARE(p.result3, QStringLiteral("二路2号"));
    }

    void oneColumnIsWideAndFillsOnlyResult1() {
        test::TestEnv env;
        data::exec(env.db(), QStringLiteral("INSERT INTO yongtu (yongtuName) VALUES (?)"),
                   {QStringLiteral("货款")});
        RecordPicker p;
        showPicker(p, kUses, QStringLiteral("请选择常用用途"));
        QCOMPARE(p.DataGrid1->columnWidth(0), ui::toPixels(ui::Twips(4 * 600 + 1000)));
        // Something left over from an earlier use must not look like a second column.
        p.OKButton->click();
        QCOMPARE(p.result1, QStringLiteral("货款"));
        for (int k = 2; k <= 12; ++k)
            QVERIFY(p.resultText(k).isEmpty());
    }

    void moreThanTwelveColumnsAndTypedWidths() {
        test::TestEnv env;
        data::exec(env.db(),
                   QStringLiteral("CREATE TABLE wide (a INTEGER, b REAL, c TEXT, d TEXT, e TEXT, f TEXT, "
                                  "g TEXT, h TEXT, i TEXT, j TEXT, k TEXT, l TEXT, m TEXT, n TEXT)"));
        QVariantList values{1, 2.5};
        for (int i = 3; i <= 14; ++i)
            values << QString::number(i);
        data::exec(env.db(), QStringLiteral("INSERT INTO wide VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)"), values);
        RecordPicker p;
        showPicker(p, select(QStringLiteral("SELECT * FROM wide")), QStringLiteral("x"));
        QCOMPARE(p.DataGrid1->columnWidth(0), ui::toPixels(ui::Twips(60 + 500)));  // whole numbers
        QCOMPARE(p.DataGrid1->columnWidth(1), ui::toPixels(ui::Twips(60 + 1000))); // double precision
        p.OKButton->click();
        QCOMPARE(p.result1, QStringLiteral("1"));
        QCOMPARE(p.result2, QStringLiteral("2.5"));
        QCOMPARE(p.result12, QStringLiteral("12"));
    }

    void cancelAndCloseBoxChooseNothing() {
        test::TestEnv env;
        addCustomer(env.db(), QStringLiteral("甲公司"), QStringLiteral("一路1号"));
        {
            RecordPicker p;
            showPicker(p, kCustomers, QStringLiteral("请选择客户信息"));
            p.CancelButton->click();
            QCOMPARE(p.result(), int(QDialog::Rejected));
            QVERIFY(p.result1.isEmpty());
            QVERIFY(p.result2.isEmpty());
        }
        {
            RecordPicker p;
            showPicker(p, kCustomers, QStringLiteral("请选择客户信息"));
            p.close();
            QVERIFY(p.result1.isEmpty());
        }
    }

    // The stores give the rows with the columns in the order the print window maps them back.
    void storesGiveThePickersRows_data() {
        QTest::addColumn<bool>("customerRows");
        QTest::addColumn<QStringList>("headers");
        QTest::newRow("customers") << true << customers::columns();
        QTest::newRow("common uses") << false << QStringList{QStringLiteral("常用用途")};
    }
    void storesGiveThePickersRows() {
        QFETCH(bool, customerRows);
        QFETCH(QStringList, headers);
        test::TestEnv env;
        addCustomer(env.db(), QStringLiteral("甲公司"), QStringLiteral("一路1号"));
        app::CommonUseStore(env.db()).add(QStringLiteral("货款"));
        QSqlQuery q = (customerRows ? kCustomers : kUses)(QString(), data::RowPage{0, 10});
        QVERIFY(q.isActive());
        QStringList names;
        for (int i = 0; i < q.record().count(); ++i)
            names << q.record().fieldName(i);
        QCOMPARE(names, headers);
        RecordPicker p;
        showPicker(p, customerRows ? kCustomers : kUses, QStringLiteral("x"));
        QCOMPARE(p.Adodc1->rowCount(), 1);
        for (int i = 0; i < headers.size(); ++i)
            QCOMPARE(p.Adodc1->headerData(i, Qt::Horizontal).toString(), headers[i]);
    }

    void failingSelectAndEmptyGridChooseNothing() {
        test::TestEnv env;
        RecordPicker p;
        showPicker(p, select(QStringLiteral("SELECT nothing FROM nowhere")),
                   QStringLiteral("请选择客户信息"));
        QCOMPARE(p.Adodc1->rowCount(), 0);
        p.OKButton->click();
        QVERIFY(p.result1.isEmpty());

        RecordPicker q;
        showPicker(q, kUses, QStringLiteral("请选择常用用途"));
        q.OKButton->click();
        QVERIFY(q.result1.isEmpty());

        // A store whose table is gone, and a picker given no rows at all.
        data::exec(env.db(), QStringLiteral("DROP TABLE yongtu"));
        for (const templates::RecordSource& source : {kUses, templates::RecordSource()}) {
            RecordPicker r;
            showPicker(r, source, QStringLiteral("请选择常用用途"));
            QCOMPARE(r.Adodc1->rowCount(), 0);
            QCOMPARE(r.windowTitle(), QStringLiteral("请选择常用用途"));
            r.OKButton->click();
            QVERIFY(r.result1.isEmpty());
        }
    }

    void resizeRunsTheSelectAgain() {
        test::TestEnv env;
        addCustomer(env.db(), QStringLiteral("甲公司"), QStringLiteral("一路1号"));
        RecordPicker p;
        showPicker(p, kCustomers, QStringLiteral("请选择客户信息"));
        addCustomer(env.db(), QStringLiteral("乙公司"), QStringLiteral("二路2号"));
        QCOMPARE(p.Adodc1->rowCount(), 1);
        p.DataGrid1->setColumnWidth(0, 5);
        p.resize(p.width() + 40, p.height() + 30);
        QTRY_COMPARE(p.Adodc1->rowCount(), 2);
        QCOMPARE(p.DataGrid1->columnWidth(0), ui::toPixels(ui::Twips(4 * 60 + 1000)));
        QCOMPARE(p.DataGrid1->currentIndex().row(), 0);
        // The grid follows the dialog's size.
        QCOMPARE(p.DataGrid1->width(), 757 + 40);
    }

    // A column is as wide as its longest value (address, phone), never wider than the grid; the window
    // comes back at the size it was given.
    void columnsFitTheirContentAndTheSizeIsKept() {
        test::TestEnv env;
        const QString address = QStringLiteral("北京市朝阳区建国路88号现代城5号楼1201室");
        const QString phone = QStringLiteral("010-5555 8888 转 8012");
        addCustomer(env.db(), QStringLiteral("甲公司"), address, phone);
        addCustomer(env.db(), QString(120, QChar(0x8def)), address);
        QSize given;
        {
            RecordPicker p;
            showPicker(p, kCustomers, QStringLiteral("请选择客户信息"));
            const QFontMetrics fm = p.DataGrid1->fontMetrics();
            QVERIFY(p.DataGrid1->columnWidth(2) > fm.horizontalAdvance(address));
            QVERIFY(p.DataGrid1->columnWidth(4) > fm.horizontalAdvance(phone));
            QVERIFY(p.DataGrid1->columnWidth(0) < p.DataGrid1->viewport()->width());
            given = p.size() + QSize(200, 100);
            p.resize(given);
            p.close();
        }
        QCOMPARE(RecordPicker().size(), given);
    }

    // A resize keeps the highlighted row, so "确  定" returns the customer the user chose; when rows
    // came or went meanwhile, the row is found again by its values.
    void resizeKeepsTheHighlightedRow_data() {
        QTest::addColumn<QString>("change"); // SQL run before the resize
        QTest::addColumn<int>("rowAfter");
        QTest::newRow("nothing changed") << QString() << 2;
        QTest::newRow("a row before it gone")
            << QStringLiteral("DELETE FROM Basic_Khgl WHERE 客户名称 = '安公司'") << 1;
        QTest::newRow("a row added after it")
            << QStringLiteral("INSERT INTO Basic_Khgl (客户名称) VALUES ('丁公司')") << 2;
    }
    void resizeKeepsTheHighlightedRow() {
        QFETCH(QString, change);
        QFETCH(int, rowAfter);
        if (!customers::PinyinOrder::available())
            QSKIP("Qt's collation here has no pinyin order (no ICU); the rows below rely on it");
        test::TestEnv env;
        // An, Bei, Bing, and Ding added: the picker's pinyin order is the order of insertion.
        addCustomer(env.db(), QStringLiteral("安公司"), QStringLiteral("一路1号"));
        addCustomer(env.db(), QStringLiteral("北公司"), QStringLiteral("二路2号"));
        addCustomer(env.db(), QStringLiteral("丙公司"), QStringLiteral("三路3号"));
        RecordPicker p;
        showPicker(p, kCustomers, QStringLiteral("请选择客户信息"));
        const QRect cell = p.DataGrid1->visualRect(p.Adodc1->index(2, 2));
        QTest::mouseClick(p.DataGrid1->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(p.DataGrid1->currentIndex().row(), 2);
        if (!change.isEmpty())
            data::exec(env.db(), change);
        p.resize(p.width() + 60, p.height() + 40);
        QTRY_COMPARE(p.DataGrid1->width(), 757 + 60);
        QCOMPARE(p.DataGrid1->currentIndex().row(), rowAfter);
        QCOMPARE(p.DataGrid1->currentIndex().column(), 2);
        QVERIFY(p.DataGrid1->selectionModel()->isRowSelected(rowAfter, {}));
        p.OKButton->click();
        QCOMPARE(p.result1, QStringLiteral("丙公司"));
        QCOMPARE(p.result3, QStringLiteral("三路3号"));
    }

    void keys_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("chosen");
        QTest::newRow("return") << int(Qt::Key_Return) << true;
        QTest::newRow("enter") << int(Qt::Key_Enter) << true;
        QTest::newRow("escape") << int(Qt::Key_Escape) << false;
    }
    void keys() {
        QFETCH(int, key);
        QFETCH(bool, chosen);
        test::TestEnv env;
        addCustomer(env.db(), QStringLiteral("甲公司"), QStringLiteral("一路1号"));
        addCustomer(env.db(), QStringLiteral("乙公司"), QStringLiteral("二路2号"));
        RecordPicker p;
        showPicker(p, kCustomers, QStringLiteral("请选择客户信息"));
        p.activateWindow();
        p.DataGrid1->setFocus();
        QTest::keyClick(p.DataGrid1, Qt::Key_Down); // highlights the second row
        QCOMPARE(p.DataGrid1->currentIndex().row(), 1);
        QTest::keyClick(p.DataGrid1, Qt::Key(key));
        QVERIFY(!p.isVisible());
        QCOMPARE(p.result(), int(chosen ? QDialog::Accepted : QDialog::Rejected));
        QCOMPARE(p.result1, chosen ? QStringLiteral("乙公司") : QString());
        QCOMPARE(p.result3, chosen ? QStringLiteral("二路2号") : QString());
    }

    void enterOnTheFocusedCancelButtonCancels() {
        test::TestEnv env;
        addCustomer(env.db(), QStringLiteral("甲公司"), QStringLiteral("一路1号"));
        RecordPicker p;
        showPicker(p, kCustomers, QStringLiteral("请选择客户信息"));
        p.activateWindow();
        p.CancelButton->setFocus();
        QTest::keyClick(p.CancelButton, Qt::Key_Return);
        QCOMPARE(p.result(), int(QDialog::Rejected));
        QVERIFY(p.result1.isEmpty());
    }

    void doubleClickOnTheRowHeader() {
        test::TestEnv env;
        addCustomer(env.db(), QStringLiteral("甲公司"), QStringLiteral("一路1号"));
        addCustomer(env.db(), QStringLiteral("乙公司"), QStringLiteral("二路2号"));
        RecordPicker p;
        showPicker(p, kCustomers, QStringLiteral("请选择客户信息"));
        QHeaderView* rows = p.DataGrid1->verticalHeader();
        const QPoint at(rows->width() / 2, rows->sectionViewportPosition(1) + rows->sectionSize(1) / 2);
        QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(rows->viewport(), Qt::LeftButton, {}, at);
        QVERIFY(!p.isVisible());
        QCOMPARE(p.result(), int(QDialog::Accepted));
        QCOMPARE(p.result1, QStringLiteral("乙公司"));
    }

    // The search box has the focus: typing narrows the rows, Up and Down move in them, Enter chooses
    // the highlighted row and Esc cancels, all without leaving the box.
    void searchBoxKeyboard_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<int>>("keys"); // after typing
        QTest::addColumn<int>("rows");        // shown while typing is done
        QTest::addColumn<QString>("chosen");  // result1; empty for cancelled
        QTest::addColumn<bool>("accepted");
        using K = QList<int>;
        QTest::newRow("type and enter")
            << QStringLiteral("乙") << K{Qt::Key_Return} << 1 << QStringLiteral("乙公司") << true;
        QTest::newRow("down then enter") << QStringLiteral("公司") << K{Qt::Key_Down, Qt::Key_Enter} << 3
                                         << QStringLiteral("乙公司") << true;
        QTest::newRow("down, down, up")
            << QStringLiteral("公司") << K{Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_Return} << 3
            << QStringLiteral("乙公司") << true;
        QTest::newRow("down past the end")
            << QStringLiteral("公司") << K{Qt::Key_PageDown, Qt::Key_Down, Qt::Key_Return} << 3
            << QStringLiteral("周公司") << true;
        QTest::newRow("by short code, any case")
            << QStringLiteral("zg") << K{Qt::Key_Return} << 1 << QStringLiteral("周公司") << true;
        QTest::newRow("by phone") << QStringLiteral("0571-2") << K{Qt::Key_Return} << 1
                                  << QStringLiteral("乙公司") << true;
        QTest::newRow("by address") << QStringLiteral("三路") << K{Qt::Key_Return} << 1
                                    << QStringLiteral("周公司") << true;
        QTest::newRow("escape") << QStringLiteral("公司") << K{Qt::Key_Down, Qt::Key_Escape} << 3 << QString()
                                << false;
        QTest::newRow("nothing matches")
            << QStringLiteral("无此") << K{Qt::Key_Down, Qt::Key_Return} << 0 << QString() << true;
        QTest::newRow("typed and cleared")
            << QStringLiteral("周") << K{Qt::Key_Backspace, Qt::Key_Down, Qt::Key_Return} << 1
            << QStringLiteral("乙公司") << true;
    }
    void searchBoxKeyboard() {
        QFETCH(QString, typed);
        QFETCH(QList<int>, keys);
        QFETCH(int, rows);
        QFETCH(QString, chosen);
        QFETCH(bool, accepted);
        if (!customers::PinyinOrder::available())
            QSKIP("Qt's collation here has no pinyin order (no ICU); the rows below rely on it");
        test::TestEnv env;
        // In pinyin order 甲 (jia), 乙 (yi), 周 (zhou); inserted otherwise.
        addCustomer(env.db(), QStringLiteral("乙公司"), QStringLiteral("二路2号"), QStringLiteral("0571-2"));
        addCustomer(env.db(), QStringLiteral("周公司"), QStringLiteral("三路3号"), QStringLiteral("0571-3"),
                    QStringLiteral("ZG"));
        addCustomer(env.db(), QStringLiteral("甲公司"), QStringLiteral("一路1号"), QStringLiteral("0571-1"));
        RecordPicker p;
        showPicker(p, kCustomers, QStringLiteral("请选择客户信息"));
        p.activateWindow();
        QTRY_VERIFY(p.Txt_ChaZhao->hasFocus());
        QCOMPARE(p.Adodc1->rowCount(), 3);
        type(p.Txt_ChaZhao, typed);
        QCOMPARE(p.Txt_ChaZhao->text(), typed);
        QCOMPARE(p.Adodc1->rowCount(), rows);
        if (rows > 0)
            QCOMPARE(p.DataGrid1->currentIndex().row(), 0); // the first match is highlighted
        for (int key : keys) {
            if (!p.isVisible())
                break;
            QTest::keyClick(p.Txt_ChaZhao, Qt::Key(key));
            if (p.isVisible())
                QVERIFY(p.Txt_ChaZhao->hasFocus());
        }
        QVERIFY(!p.isVisible());
        QCOMPARE(p.result(), int(accepted ? QDialog::Accepted : QDialog::Rejected));
        QCOMPARE(p.result1, chosen);
        if (!chosen.isEmpty())
            QCOMPARE(p.result12, QStringLiteral("西湖区"));
    }

    // The search goes to the table, not through the rows the grid has fetched so far.
    void searchFindsRowsNotYetFetched() {
        test::TestEnv env;
        {
            data::Transaction t(env.db());
            for (int i = 0; i < 1500; ++i)
                addCustomer(env.db(), QStringLiteral("客户%1").arg(i, 4, 10, QLatin1Char('0')),
                            QStringLiteral("路%1号").arg(i));
            addCustomer(env.db(), QStringLiteral("客户末尾"), QStringLiteral("百分之100%路"));
            t.commit();
        }
        RecordPicker p;
        showPicker(p, kCustomers, QStringLiteral("请选择客户信息"));
        // Only the first page is in the grid, on either engine.
        QVERIFY(p.Adodc1->canFetchMore());
        QCOMPARE(p.Adodc1->rowCount(), data::PagedRows::kPageRows);
        p.Txt_ChaZhao->setText(QStringLiteral("0%路"));
        QCOMPARE(p.Adodc1->rowCount(), 1);
        QCOMPARE(p.Adodc1->data(p.Adodc1->index(0, 0)).toString(), QStringLiteral("客户末尾"));
        // A resize runs the SELECT again with the text still in the box.
        p.resize(p.width() + 30, p.height() + 30);
        QTRY_COMPARE(p.DataGrid1->width(), 757 + 30);
        QCOMPARE(p.Adodc1->rowCount(), 1);
        p.Txt_ChaZhao->setText(QStringLiteral("路149"));
        QCOMPARE(p.Adodc1->rowCount(), 11); // 149 and 1490 .. 1499
        p.Txt_ChaZhao->clear();
        QVERIFY(p.Adodc1->canFetchMore());
        p.OKButton->click();
        QVERIFY(!p.result1.isEmpty());
    }

    void searchInTheCommonUses() {
        test::TestEnv env;
        for (const char* use : {"货款", "运费", "代收货款"})
            app::CommonUseStore(env.db()).add(QString::fromUtf8(use));
        RecordPicker p;
        showPicker(p, kUses, QStringLiteral("请选择常用用途"));
        type(p.Txt_ChaZhao, QStringLiteral("货款"));
        QCOMPARE(p.Adodc1->rowCount(), 2);
        QCOMPARE(p.DataGrid1->columnWidth(0), ui::toPixels(ui::Twips(4 * 600 + 1000)));
        QTest::keyClick(p.Txt_ChaZhao, Qt::Key_Down);
        QTest::keyClick(p.Txt_ChaZhao, Qt::Key_Return);
        // 代收货款 (dai) before 货款 (huo) in pinyin order, or after it by code point.
        QCOMPARE(p.result1,
                 customers::PinyinOrder::available() ? QStringLiteral("货款") : QStringLiteral("代收货款"));
        QVERIFY(p.result2.isEmpty());
    }

    // Text put in the box before the dialog is shown is searched for when it opens.
    void searchTextSetBeforeShowing() {
        test::TestEnv env;
        addCustomer(env.db(), QStringLiteral("甲公司"), QStringLiteral("一路1号"));
        addCustomer(env.db(), QStringLiteral("乙公司"), QStringLiteral("二路2号"));
        RecordPicker p;
        p.Txt_ChaZhao->setText(QStringLiteral("二路"));
        QCOMPARE(p.Adodc1->rowCount(), 0);
        showPicker(p, kCustomers, QStringLiteral("请选择客户信息"));
        QCOMPARE(p.Adodc1->rowCount(), 1);
        p.OKButton->click();
        QCOMPARE(p.result1, QStringLiteral("乙公司"));
    }

private:
    test::ScopedEnvironment caseEnv_; // for the whole case: 96 dpi, 1 pixel = 15 twips
};

QTEST_MAIN(TestPicker)
#include "tst_picker.moc"
