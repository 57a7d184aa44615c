// "导出" of the history query: exactly the rows and columns the list shows, to .csv or .xlsx, through
// the scripted file prompt, with what was written or what went wrong said in Chinese.
#include "TestEnv.h"
#include "app/AppState.h"
#include "customers/SpreadsheetReader.h"
#include "data/Database.h"
#include "history/Frm_CXdata.h"
#include "history/HistoryModel.h"
#include "templates/PrintLogStore.h"

#include <QDateEdit>
#include <QHeaderView>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

using namespace vorlan;
using namespace Qt::StringLiterals;
using namespace vorlan::ui::literals;

namespace {

// A log of 编号 and 账号 with n sheets on 5 March 2024, one a minute from 08:00, and one the day before.
void logSheets(int n) {
    templates::Template t;
    t.name = u"运单"_s;
    for (const QString& name : {u"编号"_s, u"账号"_s})
        t.single.append(
            {templates::type::SingleLine, name, templates::kNoBinding, {0_tw, 0_tw, 900_tw, 300_tw}});
    const templates::PrintLogStore store(data::sharedEngine());
    templates::PendingColumns pending;
    data::Transaction tx(data::sharedEngine());
    store.bringUpToDate(t, pending);
    tx.commit();
    for (int i = 0; i < n; ++i)
        store.insert(t.name, QDateTime(QDate(2024, 3, 5), QTime(8, 0)).addSecs(60 * i),
                     {{u"编号"_s, u"%1"_s.arg(i, 5, 10, QLatin1Char('0'))},
                      {u"账号"_s, u"6222021234567890%1"_s.arg(i)}});
    store.insert(t.name, QDateTime(QDate(2024, 3, 4), QTime(12, 0)), {{u"编号"_s, u"前一天"_s}});
    app::state().currentTemplate = t.name;
}

void query(history::Frm_CXdata& w, const QDate& day) {
    w.DTPicker2->setDate(day);
    w.DTPicker3->setDate(day);
    w.Comd_FindData->click();
}

} // namespace

class TestHistoryExport : public QObject {
    Q_OBJECT
private slots:
    // More rows than the list has fetched, with a column dragged to the front: every row of the result
    // goes out, in the list's order, the columns as on screen without the hidden one. Enabled only then.
    void exportsWhatIsShown_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("csv") << u"记录.csv"_s;
        QTest::newRow("xlsx") << u"记录.XLSX"_s;
    }
    void exportsWhatIsShown() {
        QFETCH(QString, name);
        test::TestEnv env;
        const int n = history::HistoryModel::kBatch + 44;
        logSheets(n);
        history::Frm_CXdata w;
        w.load();
        QVERIFY(!w.cmdExport->isEnabled());
        query(w, QDate(2024, 3, 5));
        QVERIFY(w.cmdExport->isEnabled() && w.model->rowCount() < n);
        w.ListView1->header()->moveSection(w.ListView1->header()->visualIndex(3), 0); // 账号 first
        const QString target = QDir(env.folder()).filePath(name);
        env.prompter.fileNames.enqueue(target);
        w.cmdExport->click();
        QVERIFY(env.prompter.fileRequests.value(0).save);
        QCOMPARE(env.prompter.lastText(),
                 u"已导出%1条打印记录到文件“%2”。"_s.arg(n).arg(QDir::toNativeSeparators(target)));
        QCOMPARE(env.prompter.last().title, u"系统提示"_s);
        const auto reader = customers::openSpreadsheet(target);
        const QString sheet = reader->sheetNames().first();
        QCOMPARE(reader->rowCount(sheet), n + 1);
        QCOMPARE(reader->columnCount(sheet), 3);
        QStringList first, last;
        for (int c = 1; c <= 3; ++c) {
            first << reader->cellText(sheet, 1, c) << reader->cellText(sheet, 2, c);
            last << reader->cellText(sheet, n + 1, c);
        }
        QCOMPARE(first, (QStringList{u"账号"_s, u"62220212345678900"_s, u"打印时间"_s,
                                     u"2024-03-05 08:00:00"_s, u"编号"_s, u"00000"_s}));
        QCOMPARE(last, (QStringList{u"6222021234567890%1"_s.arg(n - 1), u"2024-03-05 12:59:00"_s,
                                    u"%1"_s.arg(n - 1, 5, 10, QLatin1Char('0'))}));
    }

    // Cancelled, a wrong extension or a folder that is not there: nothing is written, a refusal says why.
    void refusals_data() {
        QTest::addColumn<QString>("name"); // in the data folder; empty: the prompt is cancelled
        QTest::addColumn<QString>("says"); // empty: nothing is shown
        QTest::newRow("cancelled") << QString() << QString();
        QTest::newRow("other extension") << u"记录.txt"_s << u"文件名“记录.txt”的扩展名不是.csv或.xlsx"_s;
        QTest::newRow("missing folder") << u"没有/记录.csv"_s << u"不存在，没有导出"_s;
    }
    void refusals() {
        QFETCH(QString, name);
        QFETCH(QString, says);
        test::TestEnv env;
        logSheets(1);
        history::Frm_CXdata w;
        w.load();
        query(w, QDate(2024, 3, 5));
        const QStringList before = QDir(env.folder()).entryList(QDir::AllEntries | QDir::Hidden);
        env.prompter.fileNames.enqueue(name.isEmpty() ? QString() : QDir(env.folder()).filePath(name));
        w.cmdExport->click();
        QCOMPARE(env.prompter.shown.isEmpty(), says.isEmpty());
        if (!says.isEmpty()) {
            QVERIFY2(env.prompter.lastText().contains(says), qPrintable(env.prompter.lastText()));
            QCOMPARE(env.prompter.last().title, u"提示"_s);
        }
        QCOMPARE(QDir(env.folder()).entryList(QDir::AllEntries | QDir::Hidden), before);
    }
};

QTEST_MAIN(TestHistoryExport)
#include "tst_historyexport.moc"
