#include "BothEngines.h"
#include "TestEnv.h"
#include "app/AppState.h"
#include "data/Sql.h"
#include "history/Frm_CXdata.h"
#include "history/HistoryModel.h"

#include <QDateEdit>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <algorithm>

using namespace vorlan;
using namespace Qt::StringLiterals;

namespace {

const QString kTemplate = QStringLiteral("运单");

// A print log table as the designer creates it: the print date first, then one text column per point.
void createLogTable(const QSqlDatabase& db, const QString& name, const QStringList& points) {
    if (test::onServer()) {
        test::makeLog(db, name, QStringList{QStringLiteral("打印日期")} + points);
        return;
    }
    QStringList cols{data::quoteId(QStringLiteral("打印日期")) + QStringLiteral(" datetime")};
    for (const QString& p : points)
        cols << data::quoteId(p) + QStringLiteral(" varchar(255)");
    data::exec(db,
               QStringLiteral("CREATE TABLE %1 (%2)").arg(data::quoteId(name), cols.join(QLatin1Char(','))));
    data::exec(db, QStringLiteral("CREATE INDEX %1 ON %2 (\"打印日期\")")
                       .arg(data::quoteId(name + QStringLiteral("_打印日期")), data::quoteId(name)));
}

void logSheet(const QSqlDatabase& db, const QString& table, const QString& when, const QVariantList& values) {
    if (test::onServer()) {
        test::addLogSheet(db, table, test::logColumns(db, table), QVariantList{when} + values);
        return;
    }
    QStringList marks{QStringLiteral("?")};
    for (int i = 0; i < values.size(); ++i)
        marks << QStringLiteral("?");
    QVariantList params{when};
    params.append(values);
    data::exec(
        db,
        QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(data::quoteId(table), marks.join(QLatin1Char(','))),
        params);
}

QStringList columnTexts(history::HistoryModel* m, int col) {
    m->fetchAll();
    QStringList out;
    for (int r = 0; r < m->rowCount(); ++r)
        out << m->index(r, col).data().toString();
    return out;
}

void chooseColumn(history::Frm_CXdata& w, const QString& name) {
    const auto items = w.List_findlx->findItems(name, Qt::MatchExactly);
    QVERIFY(!items.isEmpty());
    w.List_findlx->setCurrentItem(items.first());
}

void setRange(history::Frm_CXdata& w, const QDate& start, const QDate& end) {
    w.DTPicker2->setDate(start);
    w.DTPicker3->setDate(end);
}

} // namespace

class TestHistoryQuery : public QObject {
    Q_OBJECT
private slots:
    void printTimeText_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("text") << QVariant(QStringLiteral("2024-03-05 14:07:09"))
                              << QStringLiteral("2024-03-05 14:07:09");
        QTest::newRow("iso") << QVariant(QStringLiteral("2024-03-05T14:07:09.123"))
                             << QStringLiteral("2024-03-05 14:07:09");
        QTest::newRow("date only") << QVariant(QStringLiteral("2024-03-05"))
                                   << QStringLiteral("2024-03-05 00:00:00");
        QTest::newRow("null") << QVariant(QMetaType(QMetaType::QString)) << QString();
        QTest::newRow("garbage kept") << QVariant(QStringLiteral("昨天")) << QStringLiteral("昨天");
    }
    void printTimeText() {
        QFETCH(QVariant, stored);
        QFETCH(QString, shown);
        QCOMPARE(history::printTimeText(stored), shown);
    }

    void listGrowsWithTheWindow() {
        test::TestEnv env;
        history::Frm_CXdata w;
        w.show();
        const QSize list = w.ListView1->size();
        const QPoint button = w.Comd_FindData->pos();
        w.resize(w.width() + 300, w.height() + 200);
        QCOMPARE(w.ListView1->size(), list + QSize(300, 200));
        QCOMPARE(w.Comd_FindData->pos(), button);
    }

    void noCurrentTemplate() {
        test::TestEnv env;
        history::Frm_CXdata w;
        w.load();
        QCOMPARE(env.prompter.shown.size(), 1);
        QVERIFY(env.prompter.lastText().contains(QStringLiteral("当前没有选定的模板")));
        QCOMPARE(w.List_findlx->count(), 0);
        w.Comd_FindData->click();
        QCOMPARE(env.prompter.shown.size(), 2);
        w.XPBu数据删除->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("列表记录为空"));
        QCOMPARE(env.prompter.last().icon, ui::Icon::Exclamation);
        QVERIFY(w.XPBut_Exit->isEnabled());
    }

    void noLogTableThenCreated() {
        test::TestEnv env;
        app::state().currentTemplate = kTemplate;
        history::Frm_CXdata w;
        w.load();
        QVERIFY(env.prompter.lastText().contains(QStringLiteral("模板“运单”还没有打印记录表")));
        QCOMPARE(env.prompter.last().title, QStringLiteral("提示"));
        // The table may appear while the window is open; the next query picks it up and keeps the dates.
        createLogTable(env.db(), kTemplate, {QStringLiteral("收件人")});
        logSheet(env.db(), kTemplate, QStringLiteral("2020-01-02 10:00:00"), {QStringLiteral("张三")});
        setRange(w, QDate(2020, 1, 1), QDate(2020, 1, 31));
        env.prompter.clear();
        w.Comd_FindData->click();
        QVERIFY(env.prompter.shown.isEmpty());
        QCOMPARE(w.List_findlx->count(), 1);
        QCOMPARE(columnTexts(w.model, 2), QStringList{QStringLiteral("张三")});
    }

    void baseTableIsNoLogTable() {
        test::TestEnv env;
        app::state().currentTemplate = QStringLiteral("basic_user");
        history::Frm_CXdata w;
        w.load();
        QVERIFY(env.prompter.lastText().contains(QStringLiteral("还没有打印记录表")));
        QCOMPARE(w.model->columnCount(), 0);
    }

    void openShowsColumnsDatesAndEmptyList() {
        test::TestEnv env;
        createLogTable(env.db(), QStringLiteral("Waybill"),
                       {QStringLiteral("收件人"), QStringLiteral("电话")});
        logSheet(env.db(), QStringLiteral("Waybill"), data::dateTimeText(QDateTime::currentDateTime()),
                 {QStringLiteral("a"), QStringLiteral("b")});
        app::state().currentTemplate =
            QStringLiteral("WAYBILL"); // the name is matched without regard to case
        history::Frm_CXdata w;
        w.load();
        QVERIFY(env.prompter.shown.isEmpty());
        QCOMPARE(w.windowTitle(), QStringLiteral("快递数据综合查询"));
        QCOMPARE(w.DTPicker2->date(), QDate::currentDate().addDays(-1));
        QCOMPARE(w.DTPicker3->date(), QDate::currentDate());
        QStringList names;
        for (int i = 0; i < w.List_findlx->count(); ++i)
            names << w.List_findlx->item(i)->text();
        QCOMPARE(names, (QStringList{QStringLiteral("收件人"), QStringLiteral("电话")}));
        QVERIFY(w.List_findlx->selectedItems().isEmpty());
        QCOMPARE(w.model->rowCount(), 0);
        QCOMPARE(w.model->columnCount(), 5);
        QStringList headers;
        for (int c = 0; c < 5; ++c)
            headers << w.model->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(headers,
                 (QStringList{QStringLiteral("打印时间"), QStringLiteral("打印时间"),
                              QStringLiteral("收件人"), QStringLiteral("电话"), QStringLiteral("打印状态")}));
        QVERIFY(w.ListView1->header()->isSectionHidden(1));
        w.Comd_FindData->click();
        QCOMPARE(w.model->rowCount(), 1);
    }

    void dateBounds_data() {
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<QStringList>("found");
        const QDate d1(2024, 3, 5), d2(2024, 3, 6);
        QTest::newRow("two days") << d1 << d2
                                  << QStringList{QStringLiteral("start midnight"), QStringLiteral("noon"),
                                                 QStringLiteral("end last second")};
        QTest::newRow("one day") << d1 << d1
                                 << QStringList{QStringLiteral("start midnight"), QStringLiteral("noon")};
        QTest::newRow("start after end") << d2 << d1 << QStringList{};
    }
    void dateBounds() {
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(QStringList, found);
        test::TestEnv env;
        createLogTable(env.db(), kTemplate, {QStringLiteral("备注")});
        // Inserted out of order: the list comes back sorted by the print date.
        logSheet(env.db(), kTemplate, QStringLiteral("2024-03-06 23:59:59"),
                 {QStringLiteral("end last second")});
        logSheet(env.db(), kTemplate, QStringLiteral("2024-03-04 23:59:59"),
                 {QStringLiteral("second before")});
        logSheet(env.db(), kTemplate, QStringLiteral("2024-03-05 12:00:00"), {QStringLiteral("noon")});
        logSheet(env.db(), kTemplate, QStringLiteral("2024-03-05 00:00:00"),
                 {QStringLiteral("start midnight")});
        logSheet(env.db(), kTemplate, QStringLiteral("2024-03-07 00:00:00"),
                 {QStringLiteral("second after")});
        app::state().currentTemplate = kTemplate;
        history::Frm_CXdata w;
        w.load();
        setRange(w, start, end);
        w.Txt_CXtj->setText(QStringLiteral("no column chosen: ignored"));
        w.Comd_FindData->click();
        QCOMPARE(columnTexts(w.model, 2), found);
        if (!found.isEmpty())
            QCOMPARE(columnTexts(w.model, 0).first(), QStringLiteral("2024-03-05 00:00:00"));
    }

    void condition_data() {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("contains") << QStringLiteral("收件人") << QStringLiteral("张")
                                  << QStringList{u"1"_s, u"2"_s};
        QTest::newRow("ascii case ignored")
            << QStringLiteral("收件人") << QStringLiteral("bri") << QStringList{u"5"_s};
        QTest::newRow("other column") << QStringLiteral("备注") << QStringLiteral("张") << QStringList{};
        QTest::newRow("percent literal")
            << QStringLiteral("备注") << QStringLiteral("50%") << QStringList{u"3"_s};
        QTest::newRow("underscore literal")
            << QStringLiteral("备注") << QStringLiteral("a_b") << QStringList{u"4"_s};
        QTest::newRow("apostrophe") << QStringLiteral("收件人") << QStringLiteral("O'B")
                                    << QStringList{u"5"_s};
        QTest::newRow("injection is text")
            << QStringLiteral("收件人") << QStringLiteral("%' OR 1=1 --") << QStringList{};
        QTest::newRow("empty text: not null")
            << QStringLiteral("备注") << QString() << QStringList{u"1"_s, u"3"_s, u"4"_s, u"5"_s};
    }
    void condition() {
        QFETCH(QString, column);
        QFETCH(QString, text);
        QFETCH(QStringList, found);
        test::TestEnv env;
        createLogTable(env.db(), kTemplate,
                       {QStringLiteral("编号"), QStringLiteral("收件人"), QStringLiteral("备注")});
        const QString day = QStringLiteral("2024-03-05 ");
        logSheet(env.db(), kTemplate, day + QStringLiteral("08:00:00"),
                 {QStringLiteral("1"), QStringLiteral("张三"), QStringLiteral("")});
        logSheet(env.db(), kTemplate, day + QStringLiteral("09:00:00"),
                 {QStringLiteral("2"), QStringLiteral("小张"), QVariant()});
        logSheet(env.db(), kTemplate, day + QStringLiteral("10:00:00"),
                 {QStringLiteral("3"), QStringLiteral("李四"), QStringLiteral("打50%折")});
        logSheet(env.db(), kTemplate, day + QStringLiteral("11:00:00"),
                 {QStringLiteral("4"), QStringLiteral("王五"), QStringLiteral("a_b")});
        logSheet(env.db(), kTemplate, day + QStringLiteral("12:00:00"),
                 {QStringLiteral("5"), QStringLiteral("O'Brien"), QStringLiteral("axb 500")});
        app::state().currentTemplate = kTemplate;
        history::Frm_CXdata w;
        w.load();
        setRange(w, QDate(2024, 3, 5), QDate(2024, 3, 5));
        chooseColumn(w, column);
        w.Txt_CXtj->setText(text);
        w.Comd_FindData->click();
        QVERIFY2(env.prompter.shown.isEmpty(), qPrintable(env.prompter.lastText()));
        QCOMPARE(columnTexts(w.model, 2), found);
        // A Null value is shown as the empty text.
        if (found.contains(QStringLiteral("2")))
            QCOMPARE(w.model->index(found.indexOf(QStringLiteral("2")), 4).data().toString(), QString());
    }

    // Enter in the condition box runs the query with the window's settings, as "数据查询 " does, and
    // neither closes the window nor presses another button.
    void enterInConditionBoxQueries_data() {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("key");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("chosen column") << QStringLiteral("收件人") << QStringLiteral("张")
                                       << int(Qt::Key_Return) << QStringList{u"1"_s, u"2"_s};
        QTest::newRow("keypad Enter")
            << QStringLiteral("收件人") << QStringLiteral("李") << int(Qt::Key_Enter) << QStringList{u"3"_s};
        QTest::newRow("no column: text ignored") << QString() << QStringLiteral("张") << int(Qt::Key_Return)
                                                 << QStringList{u"1"_s, u"2"_s, u"3"_s};
    }
    void enterInConditionBoxQueries() {
        QFETCH(QString, column);
        QFETCH(QString, text);
        QFETCH(int, key);
        QFETCH(QStringList, found);
        test::TestEnv env;
        createLogTable(env.db(), kTemplate, {QStringLiteral("编号"), QStringLiteral("收件人")});
        const QString day = QStringLiteral("2024-03-05 ");
        logSheet(env.db(), kTemplate, day + QStringLiteral("08:00:00"),
                 {QStringLiteral("1"), QStringLiteral("张三")});
        logSheet(env.db(), kTemplate, day + QStringLiteral("09:00:00"),
                 {QStringLiteral("2"), QStringLiteral("小张")});
        logSheet(env.db(), kTemplate, day + QStringLiteral("10:00:00"),
                 {QStringLiteral("3"), QStringLiteral("李四")});
        app::state().currentTemplate = kTemplate;
        history::Frm_CXdata w;
        w.load();
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        setRange(w, QDate(2024, 3, 5), QDate(2024, 3, 5));
        if (!column.isEmpty())
            chooseColumn(w, column);
        w.Txt_CXtj->setFocus(Qt::OtherFocusReason);
        w.Txt_CXtj->setText(text);
        QCOMPARE(w.model->rowCount(), 0);
        QTest::keyClick(w.Txt_CXtj, Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        QCOMPARE(columnTexts(w.model, 2), found);
        QVERIFY(env.prompter.shown.isEmpty());
        QVERIFY(w.isVisible());
        QCOMPARE(w.result(), 0);
        QCOMPARE(test::logCount(env.db(), kTemplate), 3);
        // A changed condition and Enter again: the list follows.
        if (!column.isEmpty()) {
            w.Txt_CXtj->setText(QStringLiteral("no such name"));
            QTest::keyClick(w.Txt_CXtj, Qt::Key_Return);
            QCOMPARE(w.model->rowCount(), 0);
        }
    }

    void deleteOneOfTwoInTheSameSecond() {
        test::TestEnv env;
        createLogTable(env.db(), kTemplate, {QStringLiteral("收件人")});
        const QString second = QStringLiteral("2024-03-05 14:07:09");
        logSheet(env.db(), kTemplate, second, {QStringLiteral("甲")});
        logSheet(env.db(), kTemplate, second, {QStringLiteral("乙")});
        logSheet(env.db(), kTemplate, QStringLiteral("2024-03-05 15:00:00"), {QStringLiteral("丙")});
        app::state().currentTemplate = kTemplate;
        history::Frm_CXdata w;
        w.load();
        setRange(w, QDate(2024, 3, 5), QDate(2024, 3, 5));
        w.Comd_FindData->click();
        QCOMPARE(columnTexts(w.model, 2),
                 (QStringList{QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("丙")}));
        QVERIFY(w.model->setData(w.model->index(1, 0), Qt::Checked, Qt::CheckStateRole));

        // Cancel keeps everything.
        env.prompter.answers.enqueue(ui::Answer::Cancel);
        w.XPBu数据删除->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("确认要删除-->>打勾选择的客户记录吗？"));
        QCOMPARE(env.prompter.last().title, QStringLiteral("警告"));
        QCOMPARE(env.prompter.last().buttons, ui::Buttons::OkCancel);
        QCOMPARE(test::logCount(env.db(), kTemplate), 3);

        w.XPBu数据删除->click();
        QCOMPARE(columnTexts(w.model, 2), (QStringList{QStringLiteral("甲"), QStringLiteral("丙")}));
        QCOMPARE(test::logCount(env.db(), kTemplate), 2);
        // The rebuilt list has no ticks; deleting with none ticked deletes nothing.
        QVERIFY(w.model->checkedRowIds().isEmpty());
        w.XPBu数据删除->click();
        QCOMPARE(w.model->rowCount(), 2);
    }

    void columnNamedRowid() {
        test::TestEnv env;
        createLogTable(env.db(), kTemplate, {QStringLiteral("rowid"), QStringLiteral("oid")});
        logSheet(env.db(), kTemplate, QStringLiteral("2024-03-05 10:00:00"),
                 {QStringLiteral("7"), QStringLiteral("x")});
        logSheet(env.db(), kTemplate, QStringLiteral("2024-03-05 10:00:00"),
                 {QStringLiteral("7"), QStringLiteral("y")});
        app::state().currentTemplate = kTemplate;
        history::Frm_CXdata w;
        w.load();
        setRange(w, QDate(2024, 3, 5), QDate(2024, 3, 5));
        w.Comd_FindData->click();
        QCOMPARE(columnTexts(w.model, 2), (QStringList{u"7"_s, u"7"_s}));
        w.model->setData(w.model->index(0, 0), Qt::Checked, Qt::CheckStateRole);
        w.XPBu数据删除->click();
        QCOMPARE(columnTexts(w.model, 3), QStringList{u"y"_s});
    }

    void largeResultIsFetchedInBatches() {
        test::TestEnv env;
        createLogTable(env.db(), kTemplate, {QStringLiteral("序号")});
        {
            data::Transaction t(env.db());
            for (int i = 0; i < 1000; ++i)
                logSheet(env.db(), kTemplate,
                         data::dateTimeText(QDateTime(QDate(2024, 3, 5), QTime(0, 0)).addSecs(i * 60)),
                         {QString::number(i)});
            t.commit();
        }
        app::state().currentTemplate = kTemplate;
        history::Frm_CXdata w;
        w.load();
        setRange(w, QDate(2024, 3, 5), QDate(2024, 3, 5));
        w.Comd_FindData->click();
        QCOMPARE(w.model->rowCount(), history::HistoryModel::kBatch);
        QVERIFY(w.model->canFetchMore());
        w.model->setData(w.model->index(3, 0), Qt::Checked, Qt::CheckStateRole);
        w.model->fetchAll();
        QCOMPARE(w.model->rowCount(), 1000);
        QCOMPARE(w.model->index(999, 2).data().toString(), QStringLiteral("999"));
        QCOMPARE(w.model->checkedRowIds().size(), 1);
        w.XPBu数据删除->click();
        const QList<QStringList> left = test::logRows(env.db(), kTemplate);
        QVERIFY(
            std::none_of(left.begin(), left.end(), [](const QStringList& row) { return row.at(1) == u"3"; }));
        QCOMPARE(test::logCount(env.db(), kTemplate), 999);
    }

    void tableWithoutPrintDate() {
        test::TestEnv env;
        test::makeLog(env.db(), kTemplate, {u"x"_s, u"y"_s});
        if (!test::onServer()) // a server's sheet has its print date
            data::exec(env.db(), QStringLiteral("INSERT INTO 运单 VALUES ('1', '2')"));
        app::state().currentTemplate = kTemplate;
        history::Frm_CXdata w;
        w.load();
        QCOMPARE(w.List_findlx->count(), 1);
        w.Comd_FindData->click();
        QCOMPARE(env.prompter.lastText(),
                 QStringLiteral("vorlanComd_FindData_Click：打印记录表“运单”没有“打印日期”列"));
        QCOMPARE(env.prompter.last().title, QStringLiteral("提示"));
        QCOMPARE(w.model->rowCount(), 0);
    }
};

QTEST_MAIN(TestHistoryQuery)
#include "tst_historyquery.moc"
