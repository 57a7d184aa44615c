#include "TestEnv.h"
#include "TestServer.h"
#include "app/Windows.h"
#include "customers/CustomerListModel.h"
#include "customers/CustomerStore.h"
#include "customers/Frm_khgl.h"
#include "customers/PinyinOrder.h"
#include "data/Sql.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>
#include <QTextBrowser>
#include <QTreeView>

using namespace vorlan;
using namespace vorlan::customers;
using namespace Qt::StringLiterals;

namespace {

Customer customer(const QString& name, const QString& code = QString()) {
    Customer c;
    c[0] = name;
    c[1] = code;
    for (int k = 2; k < kFieldCount; ++k)
        c[k] = name + QString::number(k);
    return c;
}

// Rows of the table as "name|code", in table order.
QStringList table(const QSqlDatabase& db) {
    QStringList out;
    for (const Customer& c : CustomerStore(db).all())
        out << c[0] + QLatin1Char('|') + c[1];
    return out;
}

void fill(Frm_khgl& w, const Customer& c) {
    for (int k = 0; k < kFieldCount; ++k)
        w.Text_kh[k]->setText(c[k]);
}

void pressEnter(QWidget* box) {
    QTest::keyClick(box, Qt::Key_Return);
}

void clickRow(Frm_khgl& w, int row) {
    const QRect r = w.ListView1->visualRect(w.model->index(row, 2));
    QTest::mouseClick(w.ListView1->viewport(), Qt::LeftButton, {}, r.center());
}

} // namespace

class TestRegister : public QObject {
    Q_OBJECT
private slots:
    void openShowsEveryCustomerInTheList() {
        test::TestEnv env;
        CustomerStore store(env.db());
        store.insert(customer(QStringLiteral("北京华联"), QStringLiteral("bjhl")));
        QSqlQuery q(env.db());
        QVERIFY(q.exec(
            QStringLiteral("INSERT INTO Basic_Khgl (\"客户名称\") VALUES ('只有名称')"))); // Nulls elsewhere
        Frm_khgl w;
        w.load();
        QCOMPARE(w.windowTitle(), QStringLiteral("客户详细信息登记"));
        QCOMPARE(w.model->rowCount(), 2);
        QCOMPARE(w.model->index(0, 0).data().toString(), QStringLiteral("北京华联"));
        QCOMPARE(w.model->index(0, 1).data().toString(), QStringLiteral("北京华联"));
        QCOMPARE(w.model->index(0, 2).data().toString(), QStringLiteral("bjhl"));
        QCOMPARE(w.model->index(0, 12).data().toString(), QStringLiteral("北京华联11"));
        QCOMPARE(w.model->index(1, 5).data().toString(), QString());
        QCOMPARE(w.model->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QVERIFY(w.ListView1->isColumnHidden(1));
        QVERIFY(!w.ListView1->isColumnHidden(0));
        QCOMPARE(w.ListView1->palette().color(QPalette::Base), QColor(182, 214, 255));
        QCOMPARE(w.ListView1->header()->sectionSize(3), ui::toPixels(2500_tw));
        QCOMPARE(w.LabKh[0]->text(), QStringLiteral(" 客户名称："));
        QCOMPARE(w.LabKh[11]->text(), QStringLiteral("汇款汇入地(县/市)："));
        QCOMPARE(w.Text_col[11]->text(), QStringLiteral("L"));
        QCOMPARE(w.Text_sheet->text(), QStringLiteral("sheel1"));
        QVERIFY(w.XPBut_BaoC->isEnabled());
        QVERIFY(!w.XPBut_XiuGai->isEnabled());
        QVERIFY(!w.Comd_Del->isEnabled());
        QVERIFY(!w.XPBut_next->isEnabled());
        QVERIFY(!w.But读取下一条->isEnabled());
        QVERIFY(!w.XPBut读取全部->isEnabled());
        QVERIFY(w.But读取Excel->isEnabled());
        QVERIFY(env.prompter.shown.isEmpty());
    }

    void saveTrimsButLooksUpAsTyped() {
        test::TestEnv env;
        Frm_khgl w;
        w.load();
        w.Text_kh[0]->setText(QStringLiteral(" 张三 "));
        w.XPBut_BaoC->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("客户名称为张三的记录保存成功！"));
        QCOMPARE(env.prompter.last().title, QStringLiteral("系统提示"));
        QCOMPARE(table(env.db()), QStringList{QStringLiteral("张三|")});
        // Eleven empty texts, never Null.
        QCOMPARE(
            data::scalar(env.db(), QStringLiteral("SELECT count(*) FROM Basic_Khgl WHERE \"汇入地县市\" = '' "
                                                  "AND \"快捷码\" = ''"))
                .toInt(),
            1);
        QVERIFY(w.Text_kh[0]->text().isEmpty()); // back to a new record
        QCOMPARE(w.model->rowCount(), 1);

        // The same name typed without blanks (any letter case) is refused; both answers write nothing.
        for (ui::Answer a : {ui::Answer::Yes, ui::Answer::No}) {
            env.prompter.answers.enqueue(a);
            w.Text_kh[0]->setText(QStringLiteral("张三"));
            w.Text_kh[1]->setText(QStringLiteral("zs"));
            w.XPBut_BaoC->click();
            QCOMPARE(env.prompter.lastText(), QStringLiteral("已经存在客户名称为张三的记录,请您重新输入！"));
            QCOMPARE(env.prompter.last().title, QStringLiteral("操作提示"));
            QCOMPARE(env.prompter.last().buttons, ui::Buttons::YesNo);
            QCOMPARE(env.prompter.last().icon, ui::Icon::None);
            QCOMPARE(w.Text_kh[1]->text(), QStringLiteral("zs"));
        }
        QCOMPARE(table(env.db()).size(), 1);
        w.Text_kh[0]->setText(QStringLiteral("Acme"));
        w.XPBut_BaoC->click();
        w.Text_kh[0]->setText(QStringLiteral("ACME"));
        w.XPBut_BaoC->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("已经存在客户名称为ACME的记录,请您重新输入！"));

        // Typed with blanks again, the lookup misses and a second 张三 is stored.
        w.Text_kh[0]->setText(QStringLiteral("张三 "));
        w.XPBut_BaoC->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("客户名称为张三的记录保存成功！"));
        QCOMPARE(table(env.db()).count(QStringLiteral("张三|")), 2);
    }

    void nameIsRequired_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks only") << QStringLiteral("   ");
    }
    void nameIsRequired() {
        QFETCH(QString, name);
        test::TestEnv env;
        Frm_khgl w;
        w.load();
        w.Text_kh[0]->setText(name);
        w.Text_kh[2]->setText(QStringLiteral("地址"));
        w.XPBut_BaoC->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral(" 客户名称：请您填写！"));
        QCOMPARE(env.prompter.last().title, QStringLiteral("输入提示"));
        QCOMPARE(env.prompter.last().icon, ui::Icon::Exclamation);
        QVERIFY(table(env.db()).isEmpty());
    }

    void enterSavesOnlyInTheNewRecordState() {
        test::TestEnv env;
        CustomerStore(env.db()).insert(customer(QStringLiteral("甲")));
        Frm_khgl w;
        w.load();
        // A fresh window: Enter in the short-code box asks for the name.
        pressEnter(w.Text_kh[1]);
        QCOMPARE(env.prompter.lastText(), QStringLiteral(" 客户名称：请您填写！"));
        w.Text_kh[0]->setText(QStringLiteral("乙"));
        pressEnter(w.Text_kh[6]);
        QCOMPARE(env.prompter.lastText(), QStringLiteral("客户名称为乙的记录保存成功！"));
        QCOMPARE(table(env.db()).size(), 2);

        // Editing state: Enter does nothing.
        w.ListView1_Click();
        QVERIFY(!w.XPBut_BaoC->isEnabled());
        env.prompter.clear();
        w.Text_kh[0]->setText(QStringLiteral("丙"));
        pressEnter(w.Text_kh[0]);
        QVERIFY(env.prompter.shown.isEmpty());
        QCOMPARE(table(env.db()).size(), 2);
    }

    void clickingTheListFillsTheBoxes() {
        test::TestEnv env;
        CustomerStore store(env.db());
        store.insert(customer(QStringLiteral("甲"), QStringLiteral("j")));
        store.insert(customer(QStringLiteral("乙"), QStringLiteral("y")));
        Frm_khgl w;
        w.load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        clickRow(w, 1);
        QCOMPARE(w.Text_kh[0]->text(), QStringLiteral("乙"));
        QCOMPARE(w.Text_kh[1]->text(), QStringLiteral("y"));
        QCOMPARE(w.Text_kh[11]->text(), QStringLiteral("乙11"));
        QVERIFY(w.XPBut_XiuGai->isEnabled());
        QVERIFY(w.Comd_Del->isEnabled());
        QVERIFY(!w.XPBut_BaoC->isEnabled());

        // New record, then a click below the rows: editing state, boxes untouched.
        w.XPBut_XinZhen->click();
        QVERIFY(w.XPBut_BaoC->isEnabled());
        w.Text_kh[3]->setText(QStringLiteral("100000"));
        QTest::mouseClick(w.ListView1->viewport(), Qt::LeftButton, {},
                          QPoint(10, w.ListView1->viewport()->height() - 5));
        QVERIFY(!w.ListView1->selectionModel()->hasSelection());
        QVERIFY(w.XPBut_XiuGai->isEnabled());
        QVERIFY(!w.XPBut_BaoC->isEnabled());
        QCOMPARE(w.Text_kh[0]->text(), QString());
        QCOMPARE(w.Text_kh[3]->text(), QStringLiteral("100000"));
        QVERIFY(env.prompter.shown.isEmpty());
    }

    void modify() {
        test::TestEnv env;
        CustomerStore(env.db()).insert(customer(QStringLiteral("甲"), QStringLiteral("old")));
        Frm_khgl w;
        w.load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        // Without a selected row nothing is written, and the user is told why.
        w.ListView1_Click();
        w.Text_kh[0]->setText(QStringLiteral("甲"));
        w.Text_kh[1]->setText(QStringLiteral("unsaved"));
        w.XPBut_XiuGai->click();
        QCOMPARE(env.prompter.texts(),
                 QStringList{QStringLiteral("请先在列表中单击选择要修改的客户记录，再点击“修   改”！")});
        QCOMPARE(env.prompter.last().title, QStringLiteral("操作无效报告"));
        QCOMPARE(env.prompter.last().icon, ui::Icon::Exclamation);
        QCOMPARE(table(env.db()), QStringList{QStringLiteral("甲|old")});

        clickRow(w, 0);
        w.Text_kh[1]->setText(QStringLiteral("new"));
        w.XPBut_XiuGai->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("客户名称甲的记录修改成功！请返回"));
        QCOMPARE(table(env.db()), QStringList{QStringLiteral("甲|new")});
        QCOMPARE(w.Text_kh[1]->text(), QStringLiteral("new")); // boxes and state kept
        QVERIFY(w.XPBut_XiuGai->isEnabled());

        // Renaming the selected customer leaves the old one and writes the new one.
        clickRow(w, 0);
        w.Text_kh[0]->setText(QStringLiteral(" 乙 "));
        w.XPBut_XiuGai->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("客户名称乙的记录修改成功！请返回"));
        QCOMPARE(table(env.db()), (QStringList{QStringLiteral("甲|new"), QStringLiteral("乙|new")}));
        QCOMPARE(w.model->rowCount(), 2);
    }

    // A second correction after a modification is saved as well, without clicking the row again, and
    // a click then shows what was saved.
    void modifyAgainWithoutClickingTheRow() {
        test::TestEnv env;
        CustomerStore store(env.db());
        store.insert(customer(QStringLiteral("甲"), QStringLiteral("j")));
        store.insert(customer(QStringLiteral("乙"), QStringLiteral("y")));
        Frm_khgl w;
        w.load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        clickRow(w, 0);
        for (const char* code : {"first", "second", "third"}) {
            env.prompter.clear();
            w.Text_kh[1]->setText(QString::fromUtf8(code));
            w.XPBut_XiuGai->click();
            QCOMPARE(env.prompter.texts(), QStringList{QStringLiteral("客户名称甲的记录修改成功！请返回")});
            QCOMPARE(table(env.db()).filter(QStringLiteral("甲|")),
                     QStringList{QStringLiteral("甲|") + QString::fromUtf8(code)});
            QCOMPARE(w.Text_kh[1]->text(), QString::fromUtf8(code));
            // The customer just written is the selected row.
            const QModelIndexList selected = w.ListView1->selectionModel()->selectedRows();
            QCOMPARE(selected.size(), 1);
            QCOMPARE(w.model->keyName(selected.first().row()), QStringLiteral("甲"));
        }
        QCOMPARE(table(env.db()).size(), 2);
        const int row = w.ListView1->selectionModel()->selectedRows().first().row();
        w.Text_kh[1]->clear();
        clickRow(w, row);
        QCOMPARE(w.Text_kh[1]->text(), QStringLiteral("third"));
        QCOMPARE(w.Text_kh[11]->text(), QStringLiteral("甲11"));
    }

    void keyboardInTheListLoadsTheRecord_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("to");
        QTest::newRow("down") << 0 << int(Qt::Key_Down) << 1;
        QTest::newRow("up") << 2 << int(Qt::Key_Up) << 1;
        QTest::newRow("end") << 0 << int(Qt::Key_End) << 3;
        QTest::newRow("home") << 3 << int(Qt::Key_Home) << 0;
        QTest::newRow("page down") << 0 << int(Qt::Key_PageDown) << 3;
    }
    void keyboardInTheListLoadsTheRecord() {
        QFETCH(int, from);
        QFETCH(int, key);
        QFETCH(int, to);
        test::TestEnv env;
        CustomerStore store(env.db());
        const QStringList names{QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("丙"),
                                QStringLiteral("丁")};
        for (const QString& n : names)
            store.insert(customer(n, n + QStringLiteral("-code")));
        Frm_khgl w;
        w.load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        clickRow(w, from);
        QCOMPARE(w.Text_kh[0]->text(), names[from]);
        w.XPBut_XinZhen->click(); // boxes emptied, new-record state
        w.ListView1->setFocus();
        QTest::keyClick(w.ListView1, Qt::Key(key));
        QCOMPARE(w.ListView1->currentIndex().row(), to);
        QCOMPARE(w.Text_kh[0]->text(), names[to]);
        QCOMPARE(w.Text_kh[1]->text(), names[to] + QStringLiteral("-code"));
        QCOMPARE(w.Text_kh[11]->text(), names[to] + QStringLiteral("11"));
        QVERIFY(w.XPBut_XiuGai->isEnabled());
        QVERIFY(!w.XPBut_BaoC->isEnabled());
        // And a modification then goes to the customer moved to.
        w.Text_kh[1]->setText(QStringLiteral("changed"));
        w.XPBut_XiuGai->click();
        QVERIFY(table(env.db()).contains(names[to] + QStringLiteral("|changed")));
        QVERIFY(env.prompter.shown.size() == 1);
    }

    void aFailedModifyKeepsTheCustomer() {
        VORLAN_FILE_ONLY("the fault is injected with an SQLite trigger");
        test::TestEnv env;
        CustomerStore(env.db()).insert(customer(QStringLiteral("甲"), QStringLiteral("old")));
        Frm_khgl w;
        w.load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        clickRow(w, 0);
        data::exec(env.db(), QStringLiteral("CREATE TRIGGER no_insert BEFORE INSERT ON Basic_Khgl "
                                            "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
        w.Text_kh[1]->setText(QStringLiteral("new"));
        w.XPBut_XiuGai->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("vorlanXPBut_XiuGai_Click：disk full"));
        QCOMPARE(env.prompter.last().title, QStringLiteral("提示"));
        QCOMPARE(table(env.db()), QStringList{QStringLiteral("甲|old")});
    }

    void apostrophesEverywhere() {
        test::TestEnv env;
        Frm_khgl w;
        w.load();
        Customer c;
        for (int k = 0; k < kFieldCount; ++k)
            c[k] = QStringLiteral("O'Brien's %1 ' or '1'='1").arg(k);
        fill(w, c);
        w.XPBut_BaoC->click();
        QVERIFY(CustomerStore(env.db()).all() == std::vector<Customer>{c});
        fill(w, c);
        w.XPBut_BaoC->click();
        QCOMPARE(env.prompter.lastText(),
                 QStringLiteral("已经存在客户名称为O'Brien's 0 ' or '1'='1的记录,请您重新输入！"));
        CustomerStore(env.db()).insert(customer(QStringLiteral("other")));
        w.comd_ShuaX_Click();
        QCOMPARE(w.model->rowCount(), 2);
        w.model->setChecked(0, true);
        w.ListView1_Click();
        w.Comd_Del->click();
        QCOMPARE(table(env.db()), QStringList{QStringLiteral("other|")});
    }

    void storeReadsEveryTextBack() {
        test::TestEnv env;
        Customer odd = customer(QStringLiteral("unit\x1fseparator"));
        odd[7] = QString(QChar(0x1f));
        odd[11] = QStringLiteral("末尾\x1f");
        CustomerStore store(env.db());
        const RowId before = store.insert(customer(QStringLiteral("before")));
        const RowId oddId = store.insert(odd);
        QSqlQuery q(env.db());
        QVERIFY(
            q.exec(QStringLiteral("INSERT INTO Basic_Khgl (\"客户名称\", \"传真\") VALUES ('nulls', 5)")));
        const RowId nulls = q.lastInsertId().toLongLong();
        const auto rows = store.rows({nulls, oddId, 999, before});
        QCOMPARE(rows.size(), size_t(4));
        const Customer n = rows[0].customer();
        QCOMPARE(n[0], QStringLiteral("nulls"));
        QCOMPARE(n[5], QStringLiteral("5"));
        QVERIFY(n[1].isEmpty() && n[11].isEmpty());
        QVERIFY(rows[1].customer() == odd);
        QVERIFY(rows[2].customer() == Customer{}); // gone
        QVERIFY(rows[3].customer() == customer(QStringLiteral("before")));
        QVERIFY(CustomerRow(odd).customer() == odd);
        QCOMPARE(CustomerRow(odd).field(7), QStringView(odd[7]));
        QCOMPARE(store.ids(), (std::vector<RowId>{before, oddId, nulls}));
    }

    void deleteTicked() {
        test::TestEnv env;
        Frm_khgl w;
        w.load();
        w.ListView1_Click();
        w.Comd_Del->click();
        QCOMPARE(env.prompter.texts(), QStringList{QStringLiteral("列表记录为空")});
        QCOMPARE(env.prompter.last().icon, ui::Icon::Exclamation);
        QVERIFY(env.prompter.last().title.isEmpty());

        CustomerStore store(env.db());
        store.insert(customer(QStringLiteral("同名"), QStringLiteral("1")));
        store.insert(customer(QStringLiteral("别人"), QStringLiteral("2")));
        store.insert(customer(QStringLiteral("同名"), QStringLiteral("3")));
        w.comd_ShuaX_Click();
        w.model->setChecked(2, true);

        env.prompter.clear();
        env.prompter.answers.enqueue(ui::Answer::Cancel);
        w.Comd_Del->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("确认要删除-->>打勾选择的客户记录吗？"));
        QCOMPARE(env.prompter.last().title, QStringLiteral("警告"));
        QCOMPARE(env.prompter.last().buttons, ui::Buttons::OkCancel);
        QCOMPARE(env.prompter.last().icon, ui::Icon::Question);
        QCOMPARE(table(env.db()).size(), 3);

        // Ticking one of two rows of one name removes both.
        w.Comd_Del->click();
        QCOMPARE(table(env.db()), QStringList{QStringLiteral("别人|2")});
        QCOMPARE(w.model->rowCount(), 1);
        QVERIFY(!w.model->isChecked(0));
    }

    void deleteAll() {
        VORLAN_FILE_ONLY("the fault is injected with an SQLite trigger");
        test::TestEnv env;
        CustomerStore(env.db()).insert(customer(QStringLiteral("甲")));
        Frm_khgl w;
        w.load();
        env.prompter.answers.enqueue(ui::Answer::Cancel);
        w.XPButALLdelete->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("确认要删除所有的客户记录吗？"));
        QCOMPARE(env.prompter.last().icon, ui::Icon::Exclamation);
        QCOMPARE(table(env.db()).size(), 1);

        data::exec(env.db(), QStringLiteral("CREATE TRIGGER no_delete BEFORE DELETE ON Basic_Khgl "
                                            "BEGIN SELECT RAISE(ABORT, 'locked'); END"));
        w.XPButALLdelete->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("vorlanXPButALLdelete_Click：locked"));
        QCOMPARE(w.model->rowCount(), 1);

        data::exec(env.db(), QStringLiteral("DROP TRIGGER no_delete"));
        w.XPButALLdelete->click();
        QVERIFY(table(env.db()).isEmpty());
        QCOMPARE(w.model->rowCount(), 0);
    }

    // A database failure in a register action is reported with the action's name and changes nothing:
    // the typed customer stays in the boxes, the ticked row in the list, the list unsorted.
    void failedActionsAreReported_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("breakage");
        QTest::addColumn<QString>("message"); // what the report starts with
        QTest::newRow("save") << QStringLiteral("XPBut_BaoC_Click")
                              << QStringLiteral("CREATE TRIGGER no_insert BEFORE INSERT ON Basic_Khgl "
                                                "BEGIN SELECT RAISE(ABORT, 'disk full'); END")
                              << QStringLiteral("vorlanXPBut_BaoC_Click：disk full");
        QTest::newRow("delete ticked")
            << QStringLiteral("Comd_Del_Click")
            << QStringLiteral("CREATE TRIGGER no_delete BEFORE DELETE ON Basic_Khgl "
                              "BEGIN SELECT RAISE(ABORT, 'locked'); END")
            << QStringLiteral("vorlanComd_Del_Click：locked");
        QTest::newRow("header click")
            << QStringLiteral("ListView1_ColumnClick") << QStringLiteral("DROP TABLE Basic_Khgl")
            << QStringLiteral("vorlanListView1_ColumnClick：");
    }
    void failedActionsAreReported() {
        VORLAN_FILE_ONLY("the fault is injected with an SQLite trigger");
        QFETCH(QString, action);
        QFETCH(QString, breakage);
        QFETCH(QString, message);
        test::TestEnv env;
        CustomerStore store(env.db());
        store.insert(customer(QStringLiteral("乙"), QStringLiteral("2")));
        store.insert(customer(QStringLiteral("甲"), QStringLiteral("1")));
        Frm_khgl w;
        w.load();
        w.model->setChecked(0, true);
        fill(w, customer(QStringLiteral("丙")));
        QCOMPARE(w.model->index(0, 0).data().toString(), QStringLiteral("乙")); // read before the table goes
        data::exec(env.db(), breakage);
        const qsizetype shownBefore = env.prompter.shown.size();
        if (action == QStringLiteral("XPBut_BaoC_Click")) {
            w.XPBut_BaoC->click();
        } else if (action == QStringLiteral("Comd_Del_Click")) {
            env.prompter.answers.enqueue(ui::Answer::Ok);
            w.Comd_Del->setEnabled(true);
            w.Comd_Del->click();
        } else {
            w.ListView1_ColumnClick(2);
        }
        QVERIFY2(env.prompter.lastText().startsWith(message), qPrintable(env.prompter.lastText()));
        QCOMPARE(env.prompter.last().icon, ui::Icon::Exclamation);
        // One report, and no success message after it.
        const qsizetype confirmations = action == QStringLiteral("Comd_Del_Click") ? 1 : 0;
        QCOMPARE(env.prompter.shown.size(), shownBefore + confirmations + 1);
        QCOMPARE(w.Text_kh[0]->text(), QStringLiteral("丙"));
        QCOMPARE(w.model->rowCount(), 2);
        QCOMPARE(w.model->index(0, 0).data().toString(), QStringLiteral("乙"));
        QCOMPARE(w.model->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QVERIFY(!w.ListView1->header()->isSortIndicatorShown());
        if (action != QStringLiteral("ListView1_ColumnClick"))
            QCOMPARE(table(env.db()), (QStringList{QStringLiteral("乙|2"), QStringLiteral("甲|1")}));
    }

    void reloadFailureIsReported() {
        test::TestEnv env;
        data::exec(env.db(), QStringLiteral("DROP TABLE Basic_Khgl"));
        Frm_khgl w;
        w.load();
        QVERIFY(env.prompter.lastText().startsWith(QStringLiteral("vorlancomd_ShuaX_Click：")));
        QCOMPARE(env.prompter.last().icon, ui::Icon::Exclamation);
    }

    void headerClickSortsAndReloadSortsByShortCode() {
        test::TestEnv env;
        CustomerStore store(env.db());
        store.insert(customer(QStringLiteral("c"), QStringLiteral("2")));
        store.insert(customer(QStringLiteral("A"), QStringLiteral("3")));
        store.insert(customer(QStringLiteral("b"), QStringLiteral("10")));
        Frm_khgl w;
        w.load();
        auto column = [&w](int col) {
            QStringList out;
            for (int r = 0; r < w.model->rowCount(); ++r)
                out << w.model->index(r, col).data().toString();
            return out;
        };
        QCOMPARE(column(0), (QStringList{u"c"_s, u"A"_s, u"b"_s})); // table order before any click
        QSignalSpy spy(w.ListView1->header(), &QHeaderView::sectionClicked);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QHeaderView* h = w.ListView1->header();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(0) + 20, h->height() / 2));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(column(0), (QStringList{u"A"_s, u"b"_s, u"c"_s}));
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(0) + 20, h->height() / 2));
        QCOMPARE(column(0), (QStringList{u"A"_s, u"b"_s, u"c"_s})); // ascending again, not reversed
        // A reload sorts by the short code, as text.
        w.comd_ShuaX_Click();
        QCOMPARE(column(2), (QStringList{u"10"_s, u"2"_s, u"3"_s}));
    }

    void trackSelectPicksTheRestingRow() {
        test::TestEnv env;
        CustomerStore store(env.db());
        store.insert(customer(QStringLiteral("甲")));
        store.insert(customer(QStringLiteral("乙")));
        Frm_khgl w;
        w.load();
        w.ListView1->trackSelect(1);
        QCOMPARE(w.ListView1->selectionModel()->selectedRows().value(0).row(), 1);
        // Selection alone changes nothing; a click does.
        QCOMPARE(w.Text_kh[0]->text(), QString());
        w.ListView1->trackSelect(7); // a row that is gone
        QCOMPARE(w.ListView1->selectionModel()->selectedRows().value(0).row(), 1);
        QVERIFY(w.ListView1->hasMouseTracking());
        // The pointer resting on a row: after a short while it is selected.
        emit w.ListView1->entered(w.model->index(0, 3));
        QCOMPARE(w.ListView1->selectionModel()->selectedRows().value(0).row(), 1);
        QTRY_COMPARE(w.ListView1->selectionModel()->selectedRows().value(0).row(), 0);
    }

    void helpToggles() {
        test::TestEnv env;
        Frm_khgl w;
        w.load();
        QVERIFY(w.RichTextBox1->isHidden());
        w.XPButton2->click();
        QVERIFY(!w.RichTextBox1->isHidden());
        QCOMPARE(w.XPButton2->text(), QStringLiteral("帮助隐藏<<<"));
        QVERIFY(w.RichTextBox1->toPlainText().contains(QStringLiteral("工作表名")));
        w.XPButton2->click();
        QVERIFY(w.RichTextBox1->isHidden());
        QCOMPARE(w.XPButton2->text(), QStringLiteral("帮助显示>>>"));
    }

    // The search above the list: only matching customers are listed; writes and reloads keep the
    // search; "显示全部记录" and clearing the box show everyone again.
    void searchNarrowsTheList() {
        test::TestEnv env;
        CustomerStore store(env.db());
        store.insert(customer(QStringLiteral("杭州甲"), QStringLiteral("HZJ")));
        store.insert(customer(QStringLiteral("上海乙"), QStringLiteral("SHY")));
        store.insert(customer(QStringLiteral("杭州丙"), QStringLiteral("HZB")));
        Frm_khgl w;
        w.load();
        auto names = [&w] {
            QStringList out;
            for (int r = 0; r < w.model->rowCount(); ++r)
                out << w.model->index(r, 0).data().toString();
            return out;
        };
        QCOMPARE(w.Txt_ChaZhao->objectName(), QStringLiteral("Txt_ChaZhao"));
        QVERIFY(w.Txt_ChaZhao->geometry().bottom() < w.ListView1->geometry().top());
        w.Txt_ChaZhao->setText(QStringLiteral("杭州"));
        QCOMPARE(names(), (QStringList{u"杭州甲"_s, u"杭州丙"_s}));
        w.Txt_ChaZhao->setText(QStringLiteral("hzb"));
        QCOMPARE(names(), QStringList{u"杭州丙"_s});
        w.Txt_ChaZhao->setText(QStringLiteral("上海乙4")); // field 4, the phone
        QCOMPARE(names(), QStringList{u"上海乙"_s});
        w.Txt_ChaZhao->setText(QStringLiteral("上海乙5")); // the fax is not searched
        QVERIFY(names().isEmpty());
        w.Txt_ChaZhao->clear();
        QCOMPARE(names().size(), 3);

        // Saving and deleting reload the list with the search kept.
        w.Txt_ChaZhao->setText(QStringLiteral("杭州"));
        fill(w, customer(QStringLiteral("杭州丁")));
        w.XPBut_BaoC->click();
        QCOMPARE(names(), (QStringList{u"杭州甲"_s, u"杭州丙"_s, u"杭州丁"_s}));
        fill(w, customer(QStringLiteral("南京戊")));
        w.XPBut_BaoC->click();
        QCOMPARE(names(), (QStringList{u"杭州甲"_s, u"杭州丙"_s, u"杭州丁"_s}));
        w.model->setChecked(0, true);
        w.ListView1_Click();
        env.prompter.answers.enqueue(ui::Answer::Ok);
        w.Comd_Del->click();
        QCOMPARE(names(), (QStringList{u"杭州丙"_s, u"杭州丁"_s}));
        QCOMPARE(table(env.db()).size(), 4);

        w.XPButton1->click();
        QVERIFY(w.Txt_ChaZhao->text().isEmpty());
        QCOMPARE(names().size(), 4);
        QVERIFY(env.prompter.lastText() != QStringLiteral("列表记录为空"));
    }

    void searchKeepsTheSortOrder() {
        if (!PinyinOrder::available())
            QSKIP("QCollator of this Qt build has no pinyin order for zh_CN (it is not built with ICU)");
        test::TestEnv env;
        CustomerStore store(env.db());
        for (const char* n : {"中国公司", "张三", "北京公司", "阿里公司", "杭州个人"})
            store.insert(customer(QString::fromUtf8(n)));
        Frm_khgl w;
        w.load();
        w.ListView1_ColumnClick(0);
        auto names = [&w] {
            QStringList out;
            for (int r = 0; r < w.model->rowCount(); ++r)
                out << w.model->index(r, 0).data().toString();
            return out;
        };
        QCOMPARE(names(),
                 (QStringList{u"阿里公司"_s, u"北京公司"_s, u"杭州个人"_s, u"张三"_s, u"中国公司"_s}));
        w.Txt_ChaZhao->setText(QStringLiteral("公司"));
        QCOMPARE(names(), (QStringList{u"阿里公司"_s, u"北京公司"_s, u"中国公司"_s}));
        // An import adds rows that match, in their sorted place, and leaves out the others.
        w.model->addCustomer(store.insert(customer(QStringLiteral("成都公司"))),
                             customer(QStringLiteral("成都公司")));
        w.model->addCustomer(store.insert(customer(QStringLiteral("成都个人"))),
                             customer(QStringLiteral("成都个人")));
        QCOMPARE(names(), (QStringList{u"阿里公司"_s, u"北京公司"_s, u"成都公司"_s, u"中国公司"_s}));
        w.Txt_ChaZhao->setText(QStringLiteral("个人"));
        QCOMPARE(names(), (QStringList{u"成都个人"_s, u"杭州个人"_s}));
    }

    void searchFailureIsReported() {
        test::TestEnv env;
        Frm_khgl w;
        w.load();
        data::exec(env.db(), QStringLiteral("DROP TABLE Basic_Khgl"));
        w.Txt_ChaZhao->setText(QStringLiteral("甲"));
        QVERIFY(env.prompter.lastText().contains(QStringLiteral("Txt_ChaZhao_Change：")));
        QCOMPARE(w.model->rowCount(), 0);
    }

    // Tab goes through the twelve boxes in field order and passes the column-letter boxes by.
    void tabGoesThroughTheTwelveBoxes() {
        test::TestEnv env;
        Frm_khgl w;
        w.load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.activateWindow();
        w.Text_kh[0]->setFocus();
        QTRY_VERIFY(w.Text_kh[0]->hasFocus());
        for (int k = 1; k < kFieldCount; ++k) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), w.Text_kh[k]);
        }
        for (int k = kFieldCount - 2; k >= 0; --k) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            QCOMPARE(QApplication::focusWidget(), w.Text_kh[k]);
        }
        // All the way round the window, never through a column-letter box.
        QSet<QWidget*> seen;
        for (int i = 0; i < 60; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* f = QApplication::focusWidget();
            QVERIFY(f->objectName() != QStringLiteral("Text_col"));
            seen << f;
        }
        QVERIFY(seen.contains(w.Txt_ChaZhao));
        QVERIFY(seen.contains(w.ListView1));
        QVERIFY(seen.contains(w.Text_sheet));
        // Still reachable by a click.
        QTest::mouseClick(w.Text_col[3], Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), w.Text_col[3]);
    }

    void openerShowsTheRegisterModally() {
        test::TestEnv env;
        QString shown;
        env.prompter.onExec = [&](QDialog* d) {
            shown = d->objectName();
            return int(QDialog::Rejected);
        };
        windows::openCustomerRegister(nullptr);
        QCOMPARE(shown, QStringLiteral("Frm_khgl"));
    }
};

QTEST_MAIN(TestRegister)
#include "tst_register.moc"
